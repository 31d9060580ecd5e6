#pragma once
// The palette walk of the colour reduction, generic over the nearest-entry search, so
// that a vector search compiled for a wider instruction set can share it. Everything here
// is internal to the files that include it (each instantiates it with its own search).
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include "imaging/cPalette.h"

namespace nalo {

struct PaletteWalkArgs {
    const uint8_t* src;
    int32_t srcStride;
    uint8_t* dst;
    int32_t dstStride;
    int32_t width, height;
    bool vector;  // a vector search may be used
    uint8_t* entries;  // when set: entry - 1 per pixel, bottom row first
    int32_t entryStride;
    std::function<void(int32_t)> rowDone;
};

// The walk with the SSE4.1 search; false (nothing done) when the processor lacks it.
bool walkPaletteSse41(const cPalette& pal, const PaletteWalkArgs& args, bool diffuse);

namespace {
inline int clampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// K rows of a walk: source and target pixels, entry indexes (or null), and whether a
// row has one above it.
template <int K>
struct RowSet {
    const uint8_t* s[K];
    uint8_t* d[K];
    uint8_t* ent[K];
    bool above[K];
};

// Visits (k, x) for rows k = 0 .. K - 1, row k being k pixels behind row 0.
template <int K, class Step>
__attribute__((always_inline)) inline void staggered(int32_t w, Step&& step) {
    for (int32_t t = 0; t < w + K - 1; ++t) {
#pragma GCC unroll 8
        for (int k = 0; k < K; ++k) {
            const int32_t x = t - k;
            if (uint32_t(x) < uint32_t(w)) step(k, x);
        }
    }
}

// Maps rows y .. y + K - 1 to the palette at once, each row one pixel behind the one below
// it: a pixel needs only its left neighbour and the pixel below, so the K error chains are
// independent and overlap in the processor. `below` holds, per column and channel
// (b, g, r), the error arriving from the row below (at most 63 either way); each pixel
// takes its column's error and leaves its own for the row above in the same place.
template <bool Diffuse, int K, class Search>
void walkRows(const RowSet<K> r, int32_t w, int16_t* below, const cPalette& pal, Search& searchInOut) {
    Search search = searchInOut;
    const uint8_t* const palR = pal.RedData();
    const uint8_t* const palG = pal.GreenData();
    const uint8_t* const palB = pal.BlueData();
    int lb[K] = {}, lg[K] = {}, lr[K] = {};  // error from the left
    staggered<K>(w, [&](int k, int32_t x) __attribute__((always_inline)) {
        const uint8_t* p = r.s[k] + 3 * size_t(x);
        int16_t* e3 = below + 3 * size_t(x);
        int vb = p[0], vg = p[1], vr = p[2];
        if (Diffuse) {
            vb = clampByte(clampByte(vb + lb[k]) + e3[0]);
            vg = clampByte(clampByte(vg + lg[k]) + e3[1]);
            vr = clampByte(clampByte(vr + lr[k]) + e3[2]);
        }
        const int32_t idx = search(vr, vg, vb);
        if (idx == 0) pal.Blue(idx);  // no entry: subscript out of range
        const int pb = palB[idx - 1], pg = palG[idx - 1], pr = palR[idx - 1];
        uint8_t* q = r.d[k] + 3 * size_t(x);
        q[0] = uint8_t(pb);
        q[1] = uint8_t(pg);
        q[2] = uint8_t(pr);
        if (r.ent[k]) r.ent[k][x] = uint8_t(idx - 1);
        if (!Diffuse) return;
        lb[k] = lg[k] = lr[k] = 0;
        const int eb = vb - pb, eg = vg - pg, er = vr - pr;
        if (std::abs(eb) + std::abs(eg) + std::abs(er) <= 3) {
            if (r.above[k]) e3[0] = e3[1] = e3[2] = 0;
            return;
        }
        if (x < w - 2) {
            lb[k] = eb * 7 / 16;
            lg[k] = eg * 7 / 16;
            lr[k] = er * 7 / 16;
        }
        if (r.above[k]) {
            const bool spread = x > 0 && x < w - 1;
            e3[0] = int16_t(spread ? eb * 4 / 16 : 0);
            e3[1] = int16_t(spread ? eg * 4 / 16 : 0);
            e3[2] = int16_t(spread ? er * 4 / 16 : 0);
        }
    });
    searchInOut = search;
}

// Runs `walker.template rows<K>(rowSet)` over the picture's rows in groups of K, bottom
// row first, then over the remaining rows one at a time.
template <int K, class Walker>
void walkRowGroups(Walker& walker, const PaletteWalkArgs& a) {
    const int32_t h = a.height;
    auto rowsFrom = [&](int32_t y, auto& set, int n) {
        for (int k = 0; k < n; ++k) {
            set.s[k] = a.src + size_t(y + k) * size_t(a.srcStride);
            set.d[k] = a.dst + size_t(y + k) * size_t(a.dstStride);
            set.ent[k] = a.entries ? a.entries + size_t(y + k) * size_t(a.entryStride) : nullptr;
            set.above[k] = y + k < h - 1;
        }
    };
    int32_t y = 0;
    for (; y + K <= h; y += K) {
        RowSet<K> set;
        rowsFrom(y, set, K);
        walker.template rows<K>(set);
        for (int k = 0; k < K; ++k) a.rowDone(y + k);
    }
    for (; y < h; ++y) {
        RowSet<1> set;
        rowsFrom(y, set, 1);
        walker.template rows<1>(set);
        a.rowDone(y);
    }
}

// The walk of any search over rows of packed errors.
template <bool Diffuse, class Search>
struct SearchRows {
    Search search;
    const cPalette& pal;
    int32_t w;
    std::vector<int16_t> below;
    template <int K>
    void rows(const RowSet<K>& r) {
        walkRows<Diffuse, K>(r, w, below.data(), pal, search);
    }
};

template <bool Diffuse, class Search>
void walkPalette(Search search, const cPalette& pal, const PaletteWalkArgs& a) {
    SearchRows<Diffuse, Search> walker{search, pal, a.width, std::vector<int16_t>(size_t(a.width) * 3, 0)};
    walkRowGroups<Diffuse ? 4 : 1>(walker, a);
}

}  // namespace

}  // namespace nalo
