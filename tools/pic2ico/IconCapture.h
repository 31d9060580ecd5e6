#pragma once
// The 32 x 32 icon picture made from a whole picture, as the two capture dialogs make it:
// the high-quality shrink (a preparation and a quality) or a square region.
#include "platform/Dib.h"
#include "tools/pic2ico/CaptureGeometry.h"

namespace nalo {

struct IconCapture {
    enum Kind { Shrink, Region } kind = Shrink;
    int quality = -1;  // Shrink: 0..3, or -1 for the last quality that succeeds
    int prepare = 0;   // Shrink: preparation mode 0..2
    CaptureSquare region;  // Region: top-left corner in picture pixels and side
};

// Raises RuntimeError (error 5) when the requested shrink quality cannot be made for this
// picture or the region's side is not positive.
Dib captureIcon(const Dib& picture, const IconCapture& capture);

}  // namespace nalo
