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

// A 200 x 100 grey picture whose 40 x 40 block at (10, 10) has four 20 x 20 quadrants:
// red, blue (top), green, black (bottom).
inline Dib quadrantPicture() {
    Dib p(200, 100, 24);
    p.fill(rgb(90, 90, 90));
    p.fillRect(10, 10, 20, 20, rgb(255, 0, 0));
    p.fillRect(30, 10, 20, 20, rgb(0, 0, 255));
    p.fillRect(10, 30, 20, 20, rgb(0, 255, 0));
    p.fillRect(30, 30, 20, 20, rgb(0, 0, 0));
    return p;
}

inline bool isTransparentSpot(int x, int y) { return (x < 8 && y < 8) || (x == 31 && y == 31); }

}  // namespace nalo::test
