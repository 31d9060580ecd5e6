#include "imaging/IndexRows.h"

#include <immintrin.h>

namespace nalo {

namespace {

// 64 indexes at a time through the four 64-byte quarters of the table.
[[gnu::target("avx512f,avx512bw,avx512vbmi")]] void remapVbmi(uint8_t* row, size_t n,
                                                               const std::array<uint8_t, 256>& table) {
    const __m512i q0 = _mm512_loadu_si512(table.data()), q1 = _mm512_loadu_si512(table.data() + 64);
    const __m512i q2 = _mm512_loadu_si512(table.data() + 128), q3 = _mm512_loadu_si512(table.data() + 192);
    size_t x = 0;
    for (; x + 64 <= n; x += 64) {
        const __m512i v = _mm512_loadu_si512(row + x);
        const __m512i low = _mm512_permutex2var_epi8(q0, v, q1);   // bits 0-6 of v, entries 0..127
        const __m512i high = _mm512_permutex2var_epi8(q2, v, q3);  // entries 128..255
        _mm512_storeu_si512(row + x, _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high));
    }
    for (; x < n; ++x) row[x] = table[row[x]];
}

bool haveVbmi() {
    static const bool have = __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw");
    return have;
}

}  // namespace

void markUsedIndexes(const uint8_t* row, size_t n, std::array<bool, 256>& used) {
    size_t x = 0;
    // A block of one value (common in flat pictures) marks it once.
    for (; x + 16 <= n; x += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(row[x])))) == 0xFFFF) {
            used[row[x]] = true;
        } else {
            for (size_t i = 0; i < 16; ++i) used[row[x + i]] = true;
        }
    }
    for (; x < n; ++x) used[row[x]] = true;
}

void remapIndexes(uint8_t* row, size_t n, const std::array<uint8_t, 256>& table) {
    if (haveVbmi()) return remapVbmi(row, n, table);
    for (size_t x = 0; x < n; ++x) row[x] = table[row[x]];
}

ptrdiff_t firstMismatch(const uint8_t* a, const uint8_t* b, ptrdiff_t n) {
    ptrdiff_t x = 0;
    for (; x + 16 <= n; x += 16) {
        const auto same = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x)))));
        if (same != 0xFFFF) return x + __builtin_ctz(~same & 0xFFFF);
    }
    for (; x < n; ++x)
        if (a[x] != b[x]) return x;
    return -1;
}

ptrdiff_t lastMismatch(const uint8_t* a, const uint8_t* b, ptrdiff_t n) {
    ptrdiff_t x = n;
    for (; x >= 16; x -= 16) {
        const auto same = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x - 16)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x - 16)))));
        if (same != 0xFFFF) return x - 16 + (31 - __builtin_clz(~same & 0xFFFF));
    }
    for (--x; x >= 0; --x)
        if (a[x] != b[x]) return x;
    return -1;
}

}  // namespace nalo
