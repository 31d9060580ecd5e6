#pragma once
// One palette for a whole clip, built with libimagequant from the colours of the
// frames shown to it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

struct liq_attr;
struct liq_histogram;

namespace nalo {

class ClipPalette {
public:
    ClipPalette();
    ~ClipPalette();
    ClipPalette(const ClipPalette&) = delete;
    ClipPalette& operator=(const ClipPalette&) = delete;

    // Counts the colours of a w x h frame of B, G, R, X pixels, rows `stride` apart.
    // False when the library refuses it.
    bool AddFrame(const uint8_t* bits, size_t stride, int32_t w, int32_t h);
    // Builds the palette of at most 256 colours; false when no frame was added.
    bool Build();
    // The palette as a 1024-byte table in RGBQUAD order, and its colour count.
    const std::array<uint8_t, 1024>& Table() const { return table_; }
    int16_t Entries() const { return entries_; }

private:
    liq_attr* attr_;
    liq_histogram* histogram_;
    std::array<uint8_t, 1024> table_{};
    int16_t entries_ = 0;
    bool added_ = false;
};

}  // namespace nalo
