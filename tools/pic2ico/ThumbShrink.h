#pragma once
// The shrink dialog's work: the square preparation of the picture and the four
// shrink qualities, of which the last one that succeeds is chosen.
#include <array>
#include <string>

#include "platform/Dib.h"
#include "tools/pic2ico/PicToIcon.h"

namespace nalo {

// Preparation modes (`ShrinkMode`).
enum : int { PrepareAsIs = 0, PrepareSquareBands = 1, PrepareSquareStretch = 2 };

inline constexpr int ShrinkQualities = 4;

// Background of the result boxes (the system's window-background colour).
ColourValue shrinkBackground();

// Mode 0: the picture itself. Mode 1: a black s x s square (s = the longer side) with the
// picture unscaled, centred along its shorter side. Mode 2: the picture stretched to s x s.
Dib prepareSquare(const Dib& picture, int mode);

struct ShrinkResults {
    std::array<Dib, ShrinkQualities> pictures;  // 32 x 32 each, cleared when not made
    std::array<bool, ShrinkQualities> made{};
    int chosen = 0;  // the last quality made (0 when none)
};

// Runs qualities 0 to 3 on `prepared`. After a quality fails the source counts as released,
// so the higher qualities fail as well.
ShrinkResults shrinkAllQualities(const Dib& prepared, const YieldFn& perRow = {});

// The whole shrink: loads `sourcePath`, prepares it by `mode` (modes 1 and 2 pass the
// square through a file "stretch.XXXXXX.bmp" of its own in `appFolder`, or in the
// user's temporary folder, removed afterwards; when no such file can be written the
// square is used directly) and runs the four qualities.
// Raises RuntimeError naming the file when the picture cannot be loaded.
ShrinkResults shrinkPictureFile(const std::string& sourcePath, int mode, const std::string& appFolder,
                                const YieldFn& perRow = {});

}  // namespace nalo
