// The palette walk with the nearest candidate found by vector instructions: the eight
// candidates of a cell's block at once, PHMINPOSUW picking the least distance and, among
// equal ones, the lowest lane - the lowest entry, as lanes are in entry order.
#include "imaging/cPalette.h"

// Everything defined below is compiled for SSE4.1 and only run after the processor has
// been asked; the shared headers above keep the plain instruction set.
#pragma GCC push_options
#pragma GCC target("sse4.1")
#include <smmintrin.h>

#include <vector>

#include "imaging/PaletteWalk.h"

namespace nalo {

namespace {
// Pixels and errors as vectors of 16-bit lanes: blue, green, red, 0.
struct Sse41Search {
    const cPalette* pal;
    cPalette::SearchTables tables;
    explicit Sse41Search(const cPalette& p) : pal(&p), tables(p.Tables()) {}

    __attribute__((always_inline)) int32_t operator()(int r, int g, int b) {
        return nearest(_mm_setr_epi16(int16_t(b), int16_t(g), int16_t(r), 0, 0, 0, 0, 0), r, g, b);
    }

    // `v` holds the colour (b, g, r) of components r, g, b.
    __attribute__((always_inline)) int32_t nearest(__m128i v, int r, int g, int b) {
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
        const __m128i vr = _mm_shuffle_epi8(v, _mm_set1_epi16(0x0504));
        const __m128i vg = _mm_shuffle_epi8(v, _mm_set1_epi16(0x0302));
        const __m128i vb = _mm_shuffle_epi8(v, _mm_set1_epi16(0x0100));
        __m128i d = _mm_add_epi16(_mm_abs_epi16(_mm_sub_epi16(cr, vr)), _mm_abs_epi16(_mm_sub_epi16(cg, vg)));
        d = _mm_add_epi16(d, _mm_abs_epi16(_mm_sub_epi16(cb, vb)));
        d = _mm_or_si128(d, _mm_cmpeq_epi16(idx, _mm_setzero_si128()));  // unused lanes: 0xFFFF
        const uint32_t m = uint32_t(_mm_cvtsi128_si32(_mm_minpos_epu16(d)));
        return (m & 0xFFFF) < 765 ? blk.index[(m >> 16) & 7] : 0;
    }
};

// x / 16 per lane, rounded toward zero as integer division is.
inline __m128i div16(__m128i t) {
    return _mm_srai_epi16(_mm_add_epi16(t, _mm_and_si128(_mm_srai_epi16(t, 15), _mm_set1_epi16(15))), 4);
}

inline __m128i clampBytes(__m128i t) {
    return _mm_min_epi16(_mm_max_epi16(t, _mm_setzero_si128()), _mm_set1_epi16(255));
}

// The diffusing walk with each pixel's three channels in one vector: the same steps as
// the generic walk, lane by lane. Errors from below are kept four lanes per column.
class VectorDiffusionRows {
public:
    VectorDiffusionRows(const cPalette& pal, int32_t w)
        : search_(pal), pal_(pal), w_(w), below_(size_t(w) * 4, 0), colours_(size_t(pal.Count()) + 1, 0) {
        for (int32_t i = 0; i < pal.Count(); ++i)
            colours_[size_t(i)] = uint64_t(pal.BlueData()[i]) | (uint64_t(pal.GreenData()[i]) << 16) |
                                  (uint64_t(pal.RedData()[i]) << 32);
    }

    template <int K>
    void rows(const RowSet<K> r) {
        Sse41Search search = search_;
        const uint64_t* const colours = colours_.data();
        int16_t* const below = below_.data();
        const int32_t w = w_;
        const __m128i zero = _mm_setzero_si128();
        __m128i left[K];
#pragma GCC unroll 8
        for (int k = 0; k < K; ++k) left[k] = zero;
        staggered<K>(w, [&](int k, int32_t x) __attribute__((always_inline)) {
            const uint8_t* p = r.s[k] + 3 * size_t(x);
            int16_t* e4 = below + 4 * size_t(x);
            const __m128i px = _mm_cvtepu8_epi16(_mm_cvtsi32_si128(int(p[0] | (p[1] << 8) | (p[2] << 16))));
            const __m128i from = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(e4));
            const __m128i v = clampBytes(_mm_add_epi16(clampBytes(_mm_add_epi16(px, left[k])), from));
            const int vb = _mm_extract_epi16(v, 0), vg = _mm_extract_epi16(v, 1), vr = _mm_extract_epi16(v, 2);
            const int32_t idx = search.nearest(v, vr, vg, vb);
            if (idx == 0) pal_.Blue(idx);  // no entry: subscript out of range
            const uint64_t c = colours[idx - 1];
            uint8_t* q = r.d[k] + 3 * size_t(x);
            q[0] = uint8_t(c);
            q[1] = uint8_t(c >> 16);
            q[2] = uint8_t(c >> 32);
            if (r.ent[k]) r.ent[k][x] = uint8_t(idx - 1);
            left[k] = zero;
            const __m128i e = _mm_sub_epi16(v, _mm_cvtsi64_si128(int64_t(c)));
            if (_mm_cvtsi128_si32(_mm_sad_epu8(_mm_abs_epi16(e), zero)) <= 3) {
                if (r.above[k]) _mm_storel_epi64(reinterpret_cast<__m128i*>(e4), zero);
                return;
            }
            if (x < w - 2) left[k] = div16(_mm_mullo_epi16(e, _mm_set1_epi16(7)));
            if (r.above[k]) {
                const __m128i down = x > 0 && x < w - 1 ? div16(_mm_slli_epi16(e, 2)) : zero;
                _mm_storel_epi64(reinterpret_cast<__m128i*>(e4), down);
            }
        });
        search_ = search;
    }

private:
    Sse41Search search_;
    const cPalette& pal_;
    int32_t w_;
    std::vector<int16_t> below_;
    std::vector<uint64_t> colours_;  // per entry: blue, green, red, 0 as 16-bit lanes
};
}  // namespace

bool walkPaletteSse41(const cPalette& pal, const PaletteWalkArgs& args, bool diffuse) {
    if (!__builtin_cpu_supports("sse4.1")) return false;
    if (diffuse) {
        VectorDiffusionRows walker(pal, args.width);
        walkRowGroups<4>(walker, args);
    } else {
        walkPalette<false>(Sse41Search(pal), pal, args);
    }
    return true;
}

}  // namespace nalo

#pragma GCC pop_options
