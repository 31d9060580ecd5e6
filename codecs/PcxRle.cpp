#include "codecs/PcxRle.h"

#include <algorithm>
#include <bit>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace nalo {

namespace {

constexpr size_t BlockBytes = 64;
// A block of 32 runs of 63, and the room the last fill and copy may overrun.
constexpr ptrdiff_t MaxBlockOutput = 32 * 63 + 2 * BlockBytes;

// Bit i set when byte i of the 64 at `p` is 0xC0 or above (its two top bits set).
uint64_t highBytes(const uint8_t* p) {
#ifdef __SSE2__
    uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        mask |= uint64_t(uint16_t(_mm_movemask_epi8(_mm_and_si128(v, _mm_add_epi8(v, v))))) << (16 * k);
    }
    return mask;
#else
    uint64_t mask = 0;
    for (int k = 0; k < 8; ++k) {
        uint64_t w;
        std::memcpy(&w, p + 8 * k, 8);
        const uint64_t top = w & (w << 1) & 0x8080808080808080ull;
        mask |= ((top >> 7) * 0x0102040810204080ull) >> 56 << (8 * k);
    }
    return mask;
#endif
}

// The count bytes among the high bytes `high` of a block whose byte 0 starts a token.
// A byte after a byte below 0xC0 starts a token, so each stretch of high bytes begins
// with a count and alternates count, value: the counts are the bytes at an even
// distance from the start of their stretch.
uint64_t countBytes(uint64_t high) {
    constexpr uint64_t Even = 0x5555555555555555ull;
    const uint64_t starts = high & ~(high << 1);
    // Adding a stretch's lowest bit carries through it and clears it.
    const uint64_t fromEven = high & ~(high + (starts & Even));
    return (fromEven & Even) | (high & ~fromEven & ~Even);
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
            // Blocks of 64 bytes: the count bytes of a block are found at once, and each
            // run and the literals before it are written with moves of fixed size.
            size_t pos = 0;  // where the next token starts, from p (0 or 1 past a block)
            while (end - p >= static_cast<ptrdiff_t>(2 * BlockBytes + 2) && oend - o >= MaxBlockOutput) {
                // A block starting with the value of the last count of the one before
                // leaves that byte out.
                for (uint64_t counts = countBytes(highBytes(p) & ~uint64_t(pos)); counts != 0; counts &= counts - 1) {
                    const auto next = static_cast<size_t>(std::countr_zero(counts));
                    copyShort(o, p + pos, next - pos);
                    o += next - pos;
                    const unsigned n = p[next] - 0xC0u;
                    fillShort(o, p[next + 1], n);
                    o += n;
                    pos = next + 2;
                }
                if (pos < BlockBytes) {
                    copyShort(o, p + pos, BlockBytes - pos);
                    o += BlockBytes - pos;
                    pos = BlockBytes;
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
