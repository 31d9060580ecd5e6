#include "imaging/Dither8bpp.h"

#include <array>
#include <cmath>
#include <cstring>

#include "imaging/GcDIB.h"
#include "imaging/Palette8bpp.h"

namespace nalo::mDither8bpp {

namespace {

// Level of a channel value, and the same scaled by 6 and 36 for green and blue.
struct CubeTables {
    std::array<uint8_t, 256> red{}, green{}, blue{};
    CubeTables() {
        for (int t = 0; t < 256; ++t) {
            double l = std::nearbyint(t / 51.0);
            int level = l < 0 ? 0 : l > 5 ? 5 : static_cast<int>(l);
            red[t] = static_cast<uint8_t>(level);
            green[t] = static_cast<uint8_t>(6 * level);
            blue[t] = static_cast<uint8_t>(36 * level);
        }
    }
};

const CubeTables& tables() {
    static const CubeTables t;
    return t;
}

}  // namespace

void InitDitherTables() { (void)tables(); }

uint8_t CubeLevel(uint8_t v) { return tables().red[v]; }

bool DitherTo8bpp(const GcDIB& src, GcDIB& dst, cPal8bpp& palette, bool keepPalette) {
    if (src.empty() || src.Bpp() != 32) return false;
    if (!keepPalette) palette.CreateHalfTone(4);
    uint8_t copy[1024];
    std::memcpy(copy, palette.lpPalette(), sizeof copy);
    const int32_t w = src.Width(), h = src.Height();
    if (!dst.Create(w, h, 8)) return false;
    dst.SetPalette(copy, sizeof copy);
    const CubeTables& t = tables();
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = dst.row(y);
        for (int32_t x = 0; x < w; ++x, s += 4)
            d[x] = static_cast<uint8_t>(t.red[s[2]] + t.green[s[1]] + t.blue[s[0]]);
    }
    return true;
}

uint8_t GetPixelIndex(const GcDIB& dib, int32_t x, int32_t y) {
    if (dib.empty() || dib.Bpp() != 8 || x < 0 || y < 0 || x >= dib.Width() || y >= dib.Height()) return 0;
    return dib.row(y)[x];
}

}  // namespace nalo::mDither8bpp
