#include "codecs/PcxRle.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace nalo {

namespace {

constexpr size_t BlockBytes = 64;
// A block of 32 runs of 63, and the room the last fill and copy may overrun.
constexpr ptrdiff_t MaxBlockOutput = 32 * 63 + 2 * BlockBytes;

// Bit i set when byte i of the 64 at `p` is 0xC0 or above.
uint64_t highBytes(const uint8_t* p) {
    uint64_t mask = 0;
    for (int k = 0; k < 8; ++k) {
        uint64_t w;
        std::memcpy(&w, p + 8 * k, 8);
        const uint64_t top = w & (w << 1) & 0x8080808080808080ull;
        mask |= ((top >> 7) * 0x0102040810204080ull) >> 56 << (8 * k);
    }
    return mask;
}

// Copies n <= 64 bytes, writing up to 64 (the room is there).
inline void copyShort(uint8_t* o, const uint8_t* p, size_t n) {
    std::memcpy(o, p, 16);
    if (n > 16) std::memcpy(o + 16, p + 16, 48);
}

// Fills n <= 63 bytes, writing up to 64.
inline void fillShort(uint8_t* o, uint8_t value, unsigned n) {
    std::memset(o, value, 16);
    if (n > 16) std::memset(o + 16, value, 48);
}

}  // namespace

size_t decodePcxRle(std::span<const uint8_t> in, std::span<uint8_t> out) {
    PcxRleDecoder decoder;
    size_t used = 0;
    return decoder.decode(in, out, used);
}

size_t PcxRleDecoder::decode(std::span<const uint8_t> in, std::span<uint8_t> out, size_t& used) {
    const uint8_t* p = in.data();
    const uint8_t* const end = p + in.size();
    uint8_t* o = out.data();
    uint8_t* const oend = o + out.size();
    if (countWaiting_ && p < end) {
        runValue_ = *p++;
        countWaiting_ = false;
    }
    if (!countWaiting_ && runLeft_ > 0) {
        const size_t n = std::min<size_t>(runLeft_, static_cast<size_t>(oend - o));
        std::memset(o, runValue_, n);
        o += n;
        runLeft_ -= static_cast<unsigned>(n);
    }
    if (runLeft_ == 0 && !countWaiting_) {
        if constexpr (std::endian::native == std::endian::little) {
            // Blocks of 64 bytes: a mask of the bytes of 0xC0 and above leads from one
            // count byte to the next; the literals between two are copied in one move.
            size_t pos = 0;  // where the next token starts, from p (0 or 1 past a block)
            while (end - p >= static_cast<ptrdiff_t>(2 * BlockBytes + 2) && oend - o >= MaxBlockOutput) {
                const uint64_t high = highBytes(p);
                while (pos < BlockBytes) {
                    const uint64_t ahead = high >> pos;
                    const size_t next = ahead ? pos + static_cast<size_t>(std::countr_zero(ahead)) : BlockBytes;
                    copyShort(o, p + pos, next - pos);
                    o += next - pos;
                    if (next == BlockBytes) {
                        pos = next;
                        break;
                    }
                    const unsigned n = p[next] - 0xC0u;
                    fillShort(o, p[next + 1], n);
                    o += n;
                    pos = next + 2;
                }
                p += BlockBytes;
                pos -= BlockBytes;
            }
            p += pos;
        }
        while (o < oend && p < end) {
            const uint8_t b = *p++;
            if (b < 0xC0) {
                *o++ = b;
                continue;
            }
            runLeft_ = b - 0xC0u;
            if (p == end) {
                countWaiting_ = true;
                break;
            }
            runValue_ = *p++;
            const size_t n = std::min<size_t>(runLeft_, static_cast<size_t>(oend - o));
            std::memset(o, runValue_, n);
            o += n;
            runLeft_ -= static_cast<unsigned>(n);
        }
    }
    used = static_cast<size_t>(p - in.data());
    return static_cast<size_t>(o - out.data());
}

}  // namespace nalo
