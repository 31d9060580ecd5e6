#include "tools/cdepth/CDepthConversion.h"

namespace nalo::cdepth {

std::unique_ptr<cDIBSectionSave> convertPicture(cDIBSection& work, const Options& options,
                                                const std::function<bool()>& askContinue) {
    auto saver = std::make_unique<cDIBSectionSave>();
    saver->ColourDepth = options.depth;
    saver->ReductionMethod = options.method;
    saver->askContinueReducing = askContinue;
    if (options.method == MethodEffect) {
        auto pal = std::make_shared<cPalette>();
        if (options.palette == PaletteHalfTone) pal->CreateHalfTone();
        else if (options.palette == PaletteWebSafe) pal->CreateWebSafe();
        saver->Palette = pal;
    }
    if (!saver->Convert(work)) return nullptr;
    return saver;
}

std::unique_ptr<cDIBSectionSave> loadedPictureSaver(cDIBSection& work) {
    return convertPicture(work, Options{FullColour, MethodDefault, PaletteNone});
}

}  // namespace nalo::cdepth
