#include "imaging/Dither8bpp.h"

#include <emmintrin.h>

#include <array>
#include <cmath>
#include <cstring>

#include "imaging/GcDIB.h"
#include "imaging/Palette8bpp.h"

namespace nalo::mDither8bpp {

namespace {

// Nearest cube level of each channel value.
struct CubeTables {
    std::array<uint8_t, 256> level{};
    CubeTables() {
        for (int t = 0; t < 256; ++t) {
            const double l = std::nearbyint(t / 51.0);
            level[t] = static_cast<uint8_t>(l < 0 ? 0 : l > 5 ? 5 : static_cast<int>(l));
        }
    }
};

const CubeTables& tables() {
    static const CubeTables t;
    return t;
}

}  // namespace

void InitDitherTables() { (void)tables(); }

uint8_t CubeLevel(uint8_t v) { return tables().level[v]; }

namespace {

// Cube level of a channel value as arithmetic, (v + 25) div 51: equal to the level
// table for every value, and what the vector loop below computes.
inline uint32_t level(uint32_t v) { return ((v + 25) * 1286) >> 16; }

// Eight B, G, R, X pixels to eight indexes, in 16-bit lanes.
inline __m128i mapEight(const uint8_t* s) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
    const __m128i byte = _mm_set1_epi32(0xFF), bias = _mm_set1_epi16(25), scale = _mm_set1_epi16(1286);
    auto channel = [&](int shift) {
        const __m128i lo = _mm_and_si128(_mm_srli_epi32(a, shift), byte);
        const __m128i hi = _mm_and_si128(_mm_srli_epi32(b, shift), byte);
        return _mm_mulhi_epu16(_mm_add_epi16(_mm_packs_epi32(lo, hi), bias), scale);
    };
    const __m128i blue = channel(0), green = channel(8), red = channel(16);
    return _mm_add_epi16(_mm_add_epi16(red, _mm_mullo_epi16(green, _mm_set1_epi16(6))),
                         _mm_mullo_epi16(blue, _mm_set1_epi16(36)));
}

void mapRow(const uint8_t* s, uint8_t* d, int32_t w) {
    int32_t x = 0;
    for (; x + 16 <= w; x += 16, s += 64)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm_packus_epi16(mapEight(s), mapEight(s + 32)));
    for (; x < w; ++x, s += 4) d[x] = static_cast<uint8_t>(level(s[2]) + 6 * level(s[1]) + 36 * level(s[0]));
}

}  // namespace

bool DitherTo8bpp(const GcDIB& src, GcDIB& dst, cPal8bpp& palette, bool keepPalette) {
    if (src.empty() || src.Bpp() != 32) return false;
    return DitherRowsTo8bpp(src.lpBits(), static_cast<size_t>(src.BytesPerScanLine()), true, src.Width(),
                            src.Height(), dst, palette, keepPalette);
}

bool DitherRowsTo8bpp(const uint8_t* bits, size_t stride, bool topDown, int32_t w, int32_t h, GcDIB& dst,
                      cPal8bpp& palette, bool keepPalette) {
    if (!bits || w < 1 || h < 1) return false;
    if (!keepPalette) palette.CreateHalfTone(4);
    uint8_t copy[1024];
    std::memcpy(copy, palette.lpPalette(), sizeof copy);
    // A bitmap of the right size is written over whole: every pixel and the table.
    if ((dst.empty() || dst.Bpp() != 8 || dst.Width() != w || dst.Height() != h) && !dst.Create(w, h, 8))
        return false;
    dst.SetPalette(copy, sizeof copy);
    for (int32_t y = 0; y < h; ++y)
        mapRow(bits + stride * static_cast<size_t>(topDown ? y : h - 1 - y), dst.row(y), w);
    return true;
}

uint8_t GetPixelIndex(const GcDIB& dib, int32_t x, int32_t y) {
    if (dib.empty() || dib.Bpp() != 8 || x < 0 || y < 0 || x >= dib.Width() || y >= dib.Height()) return 0;
    return dib.row(y)[x];
}

}  // namespace nalo::mDither8bpp
