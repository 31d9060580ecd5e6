// The reductions are defined as a column-by-column walk (columns left to right, rows
// bottom-up inside each). Error only ever reaches the next column of the same row and
// the same column of the next row (the other targets are already mapped or weigh 0),
// so a row-by-row walk that applies a pixel's incoming errors in the column walk's
// order - from the left first, then from below - gives the same bytes, cache-friendly.
#include "imaging/cColourReduceDIB.h"

#include <cstdlib>
#include <functional>
#include <vector>

#include "imaging/cDIBSection.h"
#include "imaging/PaletteWalk.h"
#include "imaging/cPalette.h"

namespace nalo {

namespace {
// (707 g + 222 r + 71 b) / 1000, halves to even.
inline uint8_t greyOf(int r, int g, int b) {
    const int n = 707 * g + 222 * r + 71 * b;
    int q = n / 1000;
    const int rem = n % 1000;
    if (rem > 500 || (rem == 500 && (q & 1))) ++q;
    return uint8_t(q);
}
}  // namespace

void cColourReduceDIB::GrayScale(cDIBSection& cTo) {
    const int64_t start = depthTickMs();
    const int32_t w = cTo.Width(), h = cTo.Height(), stride = cTo.BytesPerScanLine();
    events.init(w - 1);
    uint8_t* bits = cTo.DIBSectionBitsPtr();
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* p = bits + size_t(y) * size_t(stride);
        for (int32_t x = 0; x < w; ++x, p += 3) p[0] = p[1] = p[2] = greyOf(p[2], p[1], p[0]);
    }
    events.progress(w - 1);
    events.complete(int32_t(depthTickMs() - start));
}

namespace {
// The exact nearest-candidate search of the palette's cells.
struct ScalarSearch {
    const cPalette* pal;
    cPalette::SearchTables tables;
    explicit ScalarSearch(const cPalette& p) : pal(&p), tables(p.Tables()) {}
    int32_t operator()(int r, int g, int b) {
        const uint32_t cell = cPalette::CellOf(r, g, b);
        if (tables.state[cell] == cPalette::CellUnbuilt) tables = pal->BuildCell(cell);
        return cPalette::SearchCell(tables, cell, r, g, b);
    }
};

// Palettes past the cells' reach: the plain search.
struct PlainSearch {
    const cPalette* pal;
    explicit PlainSearch(const cPalette& p) : pal(&p) {}
    int32_t operator()(int r, int g, int b) const { return pal->ClosestIndex(r, g, b); }
};

template <bool Diffuse>
void walkWith(const cPalette& pal, const PaletteWalkArgs& a) {
    if (!pal.FastSearchApplies()) walkPalette<Diffuse>(PlainSearch(pal), pal, a);
    else if (a.vector && walkPaletteSse41(pal, a, Diffuse)) return;
    else walkPalette<Diffuse>(ScalarSearch(pal), pal, a);
}
}  // namespace

void cColourReduceDIB::ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal,
                                    bool bDiffuseError) {
    const int64_t start = depthTickMs();
    const int32_t w = cTo.Width(), h = cTo.Height();
    events.init(3 * (w - 1));
    const PaletteWalkArgs args{cFrom.DIBSectionBitsPtr(), cFrom.BytesPerScanLine(), cTo.DIBSectionBitsPtr(),
                               cTo.BytesPerScanLine(), w, h, vectorSearch,
                               [&](int32_t y) { events.progress(int32_t(int64_t(3) * (w - 1) * (y + 1) / h)); }};
    if (bDiffuseError) walkWith<true>(cPal, args);
    else walkWith<false>(cPal, args);
    if (&cFrom != &cTo) cFrom.LoadPictureBlt(cTo.hdc());
    events.complete(int32_t(depthTickMs() - start));
}

void cColourReduceDIB::BlackAndWhite(cDIBSection& cFrom, cDIBSection& cTo) {
    GrayScale(cFrom);
    const int64_t start = depthTickMs();
    const int32_t w = cTo.Width(), h = cTo.Height();
    const int32_t sFrom = cFrom.BytesPerScanLine(), sTo = cTo.BytesPerScanLine();
    events.init(3 * (w - 1));
    const uint8_t* src = cFrom.DIBSectionBitsPtr();
    uint8_t* dst = cTo.DIBSectionBitsPtr();
    // Arriving at (x, y + 1) in the column walk's order: 1/16 from (x - 1, y), then 7/16
    // from (x - 1, y + 1), then 5/16 from (x, y). The 3/16 to (x - 1, y + 1) lands on an
    // already mapped pixel.
    std::vector<int> diag(size_t(w), 0), up(size_t(w), 0), diagNext(size_t(w), 0), upNext(size_t(w), 0);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* s = src + size_t(y) * size_t(sFrom);
        uint8_t* d = dst + size_t(y) * size_t(sTo);
        const bool hasAbove = y < h - 1;
        int left = 0;
        for (int32_t x = 0; x < w; ++x) {
            const int v = clampByte(clampByte(clampByte(s[3 * x] + diag[size_t(x)]) + left) + up[size_t(x)]);
            int e;
            if (v <= 128) {
                d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = 0;
                e = v <= 16 ? 0 : v;
            } else {
                d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = 255;
                e = 127 - v;
            }
            left = x < w - 2 ? e * 7 / 16 : 0;
            if (hasAbove) {
                upNext[size_t(x)] = (x > 0 && x < w - 1) ? e * 5 / 16 : 0;
                if (x + 1 < w) diagNext[size_t(x + 1)] = (x + 1 < w - 1) ? e * 1 / 16 : 0;
            }
        }
        if (hasAbove) {
            diagNext[0] = 0;
            diag.swap(diagNext);
            up.swap(upNext);
        }
        events.progress(int32_t(int64_t(3) * (w - 1) * (y + 1) / h));
    }
    if (&cFrom != &cTo) cFrom.LoadPictureBlt(cTo.hdc());
    events.complete(int32_t(depthTickMs() - start));
}

}  // namespace nalo
