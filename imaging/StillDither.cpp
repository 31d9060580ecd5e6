#include "imaging/StillDither.h"

#include <algorithm>
#include <cstring>

#include "imaging/GcDIB.h"

namespace nalo {

StillDither::StillDither(const uint8_t* table, int16_t entries) {
    std::memcpy(table_, table, sizeof table_);
    for (int i = 0; i < entries; ++i) palette_.Add(table[i * 4 + 2], table[i * 4 + 1], table[i * 4]);
}

bool StillDither::Map(const uint8_t* bits, size_t stride, int32_t w, int32_t h, GcDIB& dst) {
    if (!bits || w < 1 || h < 1) return false;
    if ((dst.empty() || dst.Bpp() != 8 || dst.Width() != w || dst.Height() != h) && !dst.Create(w, h, 8))
        return false;
    dst.SetPalette(table_, sizeof table_);
    const bool follows = w == w_ && h == h_;
    if (!follows) {
        w_ = w;
        h_ = h;
        previous_.assign(size_t(w) * size_t(h), 0);
        indexes_.assign(size_t(w) * size_t(h), 0);
    }
    const size_t n = size_t(w + 2) * 3;
    error_[0].assign(n, 0);
    error_[1].assign(n, 0);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* s = bits + stride * size_t(y);
        uint8_t* d = dst.row(y);
        uint32_t* prev = previous_.data() + size_t(w) * size_t(y);
        uint8_t* prevIndex = indexes_.data() + size_t(w) * size_t(y);
        int32_t* cur = error_[y & 1].data() + 3;  // one pixel of margin on each side
        int32_t* next = error_[(y + 1) & 1].data() + 3;
        std::fill(next - 3, next - 3 + n, 0);
        for (int32_t x = 0; x < w; ++x, s += 4) {
            const uint32_t colour = uint32_t(s[0]) | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16;
            int32_t* e = cur + 3 * x;
            if (follows && prev[x] == colour) {
                d[x] = prevIndex[x];
                continue;
            }
            const int r = std::clamp(s[2] + (e[0] + 8) / 16, 0, 255);
            const int g = std::clamp(s[1] + (e[1] + 8) / 16, 0, 255);
            const int b = std::clamp(s[0] + (e[2] + 8) / 16, 0, 255);
            const int32_t k = std::max(palette_.ClosestIndex(r, g, b), 1) - 1;
            d[x] = static_cast<uint8_t>(k);
            prev[x] = colour;
            prevIndex[x] = d[x];
            const int er = r - table_[k * 4 + 2], eg = g - table_[k * 4 + 1], eb = b - table_[k * 4];
            const int ec[3] = {er, eg, eb};
            for (int c = 0; c < 3; ++c) {
                e[3 + c] += ec[c] * 7;
                next[3 * x - 3 + c] += ec[c] * 3;
                next[3 * x + c] += ec[c] * 5;
                next[3 * x + 3 + c] += ec[c];
            }
        }
    }
    return true;
}

}  // namespace nalo
