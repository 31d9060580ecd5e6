#pragma once
// Error-diffusion mapping of a clip's frames onto one palette that keeps still areas
// still: a pixel whose source colour equals the previous frame's keeps its previous
// index and passes no error on, so unchanged areas do not shimmer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/cPalette.h"

namespace nalo {

class GcDIB;

class StillDither {
public:
    // The palette: `entries` colours of a 1024-byte RGBQUAD table.
    StillDither(const uint8_t* table, int16_t entries);

    // (Re)creates dst at w x h, 8 bpp, with the palette as colour table, and maps the
    // frame's B, G, R, X pixels (rows `stride` apart, the top row first). Frames follow
    // one another; a frame of another size starts afresh. False when dst cannot be made.
    bool Map(const uint8_t* bits, size_t stride, int32_t w, int32_t h, GcDIB& dst);

private:
    uint8_t table_[1024] = {};
    cPalette palette_;
    int32_t w_ = 0, h_ = 0;
    std::vector<uint32_t> previous_;   // last frame's pixels, B G R packed
    std::vector<uint8_t> indexes_;     // last frame's indexes
    std::vector<int32_t> error_[2];    // this row's and the next row's error, x16, 3 per pixel
};

}  // namespace nalo
