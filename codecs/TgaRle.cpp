#include "codecs/TgaRle.h"

#include <algorithm>
#include <cstring>

namespace nalo {

size_t decodeTgaRle(std::span<const uint8_t> in, std::span<uint8_t> out, int p) {
    const size_t ps = static_cast<size_t>(p);
    const uint8_t* s = in.data();
    const uint8_t* const end = s + in.size();
    uint8_t* o = out.data();
    uint8_t* const oend = o + out.size();
    while (o < oend && s < end) {
        uint8_t h = *s++;
        size_t room = static_cast<size_t>(oend - o) / ps;
        if (room == 0) break;
        if (h & 0x80) {
            if (static_cast<size_t>(end - s) < ps) break;
            size_t n = std::min<size_t>(h - 127u, room);
            if (ps == 1) {
                std::memset(o, *s, n);
                o += n;
            } else {
                for (size_t i = 0; i < n; ++i, o += ps) std::memcpy(o, s, ps);
            }
            s += ps;
        } else {
            size_t n = std::min<size_t>({h + 1u, room, static_cast<size_t>(end - s) / ps});
            if (n == 0) break;
            std::memcpy(o, s, n * ps);
            o += n * ps;
            s += n * ps;
        }
    }
    return static_cast<size_t>(o - out.data());
}

namespace {
inline bool samePixel(const uint8_t* a, const uint8_t* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }
}  // namespace

void encodeTgaRleRow(const uint8_t* row, int width, std::vector<uint8_t>& out) {
    int i = 0;
    while (i < width) {
        const uint8_t* px = row + i * 3;
        int n = 0;
        while (n < 127 && i + n + 1 < width && samePixel(px, px + (n + 1) * 3)) ++n;
        if (n > 0) {
            out.push_back(static_cast<uint8_t>(0x80 + n));
            out.insert(out.end(), px, px + 3);
            i += n + 1;
            continue;
        }
        int k = i;
        while (k < width && k - i < 128 && !(k + 1 < width && samePixel(row + k * 3, row + (k + 1) * 3))) ++k;
        out.push_back(static_cast<uint8_t>(k - i - 1));
        out.insert(out.end(), px, row + k * 3);
        i = k;
    }
}

}  // namespace nalo
