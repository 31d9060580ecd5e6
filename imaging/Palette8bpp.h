#pragma once
// cPal8bpp: a palette of up to 256 colours (RGBQUAD order), made as a colour cube.
#include <array>
#include <cstdint>

#include "platform/Dib.h"

namespace nalo {

class cPal8bpp {
public:
    void Initialize(int16_t InitialEntries);
    void Destroy();
    // Cube of 8, 27, 64, 125 or 216 colours for levels 0..4; other values raise error 9.
    void CreateHalfTone(int HalftoneLevels);

    uint8_t* lpPalette() { return reinterpret_cast<uint8_t*>(colours_.data()); }
    const uint8_t* lpPalette() const { return reinterpret_cast<const uint8_t*>(colours_.data()); }
    int16_t Entries() const { return entries_; }
    void Entries(int16_t n) { entries_ = n; }
    // Colour i; indexes outside 0..255 raise error 9.
    const RgbQuad& Colour(int i) const;

private:
    int16_t entries_ = 0;
    std::array<RgbQuad, 256> colours_{};
};
static_assert(sizeof(RgbQuad) == 4);

}  // namespace nalo
