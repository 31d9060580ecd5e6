#pragma once
// Whole-animation operations on a cGIF before it is saved: one transparency for every
// frame, shrinking the global palette to the colours used, and dropping and cropping
// frames. Progress goes to an optional reporter (Max, value, value 0 at the end).
#include <cstdint>

namespace nalo {

class cGIF;
class ProgressReporter;

namespace mGIFExt {

void SetTransparency(cGIF& gif, bool useTransparency, uint8_t transparentIndex, ProgressReporter* progress);
void OptimizeGlobalPalette(cGIF& gif, ProgressReporter* progress);
// False, changing nothing, unless every frame covers the whole logical screen.
bool OptimizeFrames(cGIF& gif, ProgressReporter* progress);

}  // namespace mGIFExt

}  // namespace nalo
