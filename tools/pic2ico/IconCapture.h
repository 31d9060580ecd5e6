#pragma once
// The 32 x 32 icon picture made from a whole picture, as the two capture dialogs make it:
// the high-quality shrink (a preparation and a quality) or a square region.
#include <cstdint>
#include <vector>

#include "platform/Dib.h"
#include "platform/PictureDecoders.h"
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

// The icon picture of `source` composed over white, and `clear`: one byte per icon pixel
// (rows top to bottom), 1 where the pixel's alpha after the same capture is below 128;
// empty when the source is opaque.
struct CapturedIcon {
    Dib picture;
    std::vector<uint8_t> clear;
};
CapturedIcon captureIconWithAlpha(DecodedPicture source, const IconCapture& capture);

}  // namespace nalo
