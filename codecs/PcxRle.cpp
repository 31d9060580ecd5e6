#include "codecs/PcxRle.h"

#include <algorithm>
#include <cstring>

namespace nalo {

size_t decodePcxRle(std::span<const uint8_t> in, std::span<uint8_t> out) {
    const uint8_t* p = in.data();
    const uint8_t* const end = p + in.size();
    uint8_t* o = out.data();
    uint8_t* const oend = o + out.size();
    while (o < oend && p < end) {
        uint8_t b = *p++;
        if (b < 0xC0) {
            *o++ = b;
            continue;
        }
        if (p == end) break;
        size_t n = std::min<size_t>(b - 0xC0u, static_cast<size_t>(oend - o));
        std::memset(o, *p++, n);
        o += n;
    }
    return static_cast<size_t>(o - out.data());
}

}  // namespace nalo
