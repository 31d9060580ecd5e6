#include "imaging/ClipPalette.h"

#include <libimagequant.h>

#include <vector>

namespace nalo {

ClipPalette::ClipPalette() : attr_(liq_attr_create()), histogram_(nullptr) {
    if (attr_) {
        liq_set_speed(attr_, 4);
        histogram_ = liq_histogram_create(attr_);
    }
}

ClipPalette::~ClipPalette() {
    if (histogram_) liq_histogram_destroy(histogram_);
    if (attr_) liq_attr_destroy(attr_);
}

bool ClipPalette::AddFrame(const uint8_t* bits, size_t stride, int32_t w, int32_t h) {
    if (!histogram_ || !bits || w < 1 || h < 1) return false;
    // RGBA rows, opaque, as the library reads them.
    std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* s = bits + stride * size_t(y);
        uint8_t* d = rgba.data() + size_t(w) * 4 * size_t(y);
        for (int32_t x = 0; x < w; ++x, s += 4, d += 4) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            d[3] = 255;
        }
    }
    liq_image* image = liq_image_create_rgba(attr_, rgba.data(), w, h, 0);
    if (!image) return false;
    const bool ok = liq_histogram_add_image(histogram_, attr_, image) == LIQ_OK;
    liq_image_destroy(image);
    added_ = added_ || ok;
    return ok;
}

bool ClipPalette::Build() {
    if (!added_) return false;
    liq_result* result = nullptr;
    if (liq_histogram_quantize(histogram_, attr_, &result) != LIQ_OK || !result) return false;
    const liq_palette* pal = liq_get_palette(result);
    table_.fill(0);
    entries_ = static_cast<int16_t>(pal->count);
    for (unsigned i = 0; i < pal->count; ++i) {
        table_[i * 4] = pal->entries[i].b;
        table_[i * 4 + 1] = pal->entries[i].g;
        table_[i * 4 + 2] = pal->entries[i].r;
    }
    liq_result_destroy(result);
    return entries_ > 0;
}

}  // namespace nalo
