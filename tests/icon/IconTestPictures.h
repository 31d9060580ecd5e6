#pragma once
// Pictures and ICO field readers shared by the icon tests.
#include <cstdint>
#include <vector>

#include "platform/Dib.h"

namespace nalo::test {

inline uint32_t le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }
inline uint32_t le32(const std::vector<uint8_t>& b, size_t at) { return le16(b, at) | (le16(b, at + 2) << 16); }

// A 32 x 32 picture whose pixel colours come from `palette` in a varied pattern, with a
// transparent 8 x 8 block at the top left and one transparent pixel at (31, 31).
inline Dib patternPicture(const std::vector<ColourValue>& palette, ColourValue transparent) {
    Dib d(32, 32, 24);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) d.setPixel(x, y, palette[static_cast<size_t>(x / 4 + y * 3) % palette.size()]);
    d.fillRect(0, 0, 8, 8, transparent);
    d.setPixel(31, 31, transparent);
    return d;
}

inline bool isTransparentSpot(int x, int y) { return (x < 8 && y < 8) || (x == 31 && y == 31); }

}  // namespace nalo::test
