// The palette walk with the nearest candidate found by vector instructions: the eight
// candidates of a cell's block at once, PHMINPOSUW picking the least distance and, among
// equal ones, the lowest lane - the lowest entry, as lanes are in entry order.
#include "imaging/cPalette.h"

// Everything defined below is compiled for SSE4.1 and only run after the processor has
// been asked; the shared headers above keep the plain instruction set.
#pragma GCC push_options
#pragma GCC target("sse4.1")
#include <smmintrin.h>

#include "imaging/PaletteWalk.h"

namespace nalo {

namespace {
struct Sse41Search {
    const cPalette* pal;
    cPalette::SearchTables tables;
    explicit Sse41Search(const cPalette& p) : pal(&p), tables(p.Tables()) {}

    __attribute__((always_inline)) int32_t operator()(int r, int g, int b) {
        const uint32_t cell = cPalette::CellOf(r, g, b);
        uint8_t state = tables.state[cell];
        if (state == cPalette::CellUnbuilt) {
            tables = pal->BuildCell(cell);
            state = tables.state[cell];
        }
        if (state == cPalette::CellMoreBlocks) return cPalette::SearchCell(tables, cell, r, g, b);
        const cPalette::CandidateBlock& blk = tables.blocks[cell];
        const __m128i cr = _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(blk.r)));
        const __m128i cg = _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(blk.g)));
        const __m128i cb = _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(blk.b)));
        const __m128i idx = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blk.index));
        __m128i d = _mm_add_epi16(_mm_abs_epi16(_mm_sub_epi16(cr, _mm_set1_epi16(int16_t(r)))),
                                  _mm_abs_epi16(_mm_sub_epi16(cg, _mm_set1_epi16(int16_t(g)))));
        d = _mm_add_epi16(d, _mm_abs_epi16(_mm_sub_epi16(cb, _mm_set1_epi16(int16_t(b)))));
        d = _mm_or_si128(d, _mm_cmpeq_epi16(idx, _mm_setzero_si128()));  // unused lanes: 0xFFFF
        const uint32_t m = uint32_t(_mm_cvtsi128_si32(_mm_minpos_epu16(d)));
        return (m & 0xFFFF) < 765 ? blk.index[(m >> 16) & 7] : 0;
    }
};
}  // namespace

bool walkPaletteSse41(const cPalette& pal, const PaletteWalkArgs& args, bool diffuse) {
    if (!__builtin_cpu_supports("sse4.1")) return false;
    if (diffuse) walkPalette<true>(Sse41Search(pal), pal, args);
    else walkPalette<false>(Sse41Search(pal), pal, args);
    return true;
}

}  // namespace nalo

#pragma GCC pop_options
