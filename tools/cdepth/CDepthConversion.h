#pragma once
// The colour-depth tool's conversion: a depth, a correction and a palette choice
// turned into the saver's settings, run on the working picture.
#include <functional>
#include <memory>
#include <string>

#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionSave.h"

namespace nalo::cdepth {

enum Depth { BlackWhite = 0, Colours16 = 1, Colours256 = 2, FullColour = 3 };
enum Method { MethodDefault = 0, MethodEffect = 1, MethodOptimal = 2 };
enum PaletteChoice { PaletteNone = -1, PaletteHalfTone = 0, PaletteWebSafe = 1 };

struct Options {
    int depth = Colours256;
    int method = MethodDefault;
    int palette = PaletteNone;
};

// Builds the saver for the options and converts `work` (changed to the reduced
// picture). Returns nullptr when the conversion was cancelled through askContinue.
std::unique_ptr<cDIBSectionSave> convertPicture(cDIBSection& work, const Options& options,
                                                const std::function<bool()>& askContinue = {});

// The saver made right after loading: full colour, no correction.
std::unique_ptr<cDIBSectionSave> loadedPictureSaver(cDIBSection& work);

}  // namespace nalo::cdepth
