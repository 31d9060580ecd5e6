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
#include "imaging/cPalette.h"

namespace nalo {

namespace {
inline int clampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

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
// Maps rows y .. y + K - 1 to the palette at once, each row one pixel behind the one below
// it: a pixel needs only its left neighbour and the pixel below, so the K error chains are
// independent and overlap in the processor. `below` holds, per column and channel
// (b, g, r), the error arriving from the row below; each pixel takes its column's error
// and leaves its own for the row above in the same place.
template <bool Diffuse, int K>
void walkRows(const uint8_t* const* srcRows, uint8_t* const* dstRows, const bool* hasAbove, int32_t w,
              int* below, const cPalette& pal, cPalette::SearchTables& tablesInOut) {
    cPalette::SearchTables tables = tablesInOut;
    const uint8_t* const palR = pal.RedData();
    const uint8_t* const palG = pal.GreenData();
    const uint8_t* const palB = pal.BlueData();
    const bool fast = pal.FastSearchApplies();
    const uint8_t* s[K];
    uint8_t* d[K];
    bool above[K];
    int lb[K], lg[K], lr[K];  // error from the left
#pragma GCC unroll 8
    for (int k = 0; k < K; ++k) {
        s[k] = srcRows[k];
        d[k] = dstRows[k];
        above[k] = hasAbove[k];
        lb[k] = lg[k] = lr[k] = 0;
    }
    for (int32_t t = 0; t < w + K - 1; ++t) {
#pragma GCC unroll 8
        for (int k = 0; k < K; ++k) {
            const int32_t x = t - k;
            if (uint32_t(x) >= uint32_t(w)) continue;
            const uint8_t* p = s[k] + 3 * size_t(x);
            int* e3 = below + 3 * size_t(x);
            int vb = p[0], vg = p[1], vr = p[2];
            if (Diffuse) {
                vb = clampByte(clampByte(vb + lb[k]) + e3[0]);
                vg = clampByte(clampByte(vg + lg[k]) + e3[1]);
                vr = clampByte(clampByte(vr + lr[k]) + e3[2]);
            }
            int32_t idx;
            if (fast) {
                const uint32_t cell = cPalette::CellOf(vr, vg, vb);
                if (tables.cells[cell].start == cPalette::Cell::Unbuilt) tables = pal.BuildCell(cell);
                idx = cPalette::Search(tables.cells[cell], tables.list, vr, vg, vb);
            } else {
                idx = pal.ClosestIndex(vr, vg, vb);
            }
            if (idx == 0) pal.Blue(idx);  // no entry: subscript out of range
            const int pb = palB[idx - 1], pg = palG[idx - 1], pr = palR[idx - 1];
            uint8_t* q = d[k] + 3 * size_t(x);
            q[0] = uint8_t(pb);
            q[1] = uint8_t(pg);
            q[2] = uint8_t(pr);
            if (!Diffuse) continue;
            lb[k] = lg[k] = lr[k] = 0;
            const int eb = vb - pb, eg = vg - pg, er = vr - pr;
            if (std::abs(eb) + std::abs(eg) + std::abs(er) <= 3) {
                if (above[k]) e3[0] = e3[1] = e3[2] = 0;
                continue;
            }
            if (x < w - 2) {
                lb[k] = eb * 7 / 16;
                lg[k] = eg * 7 / 16;
                lr[k] = er * 7 / 16;
            }
            if (above[k]) {
                const bool spread = x > 0 && x < w - 1;
                e3[0] = spread ? eb * 4 / 16 : 0;
                e3[1] = spread ? eg * 4 / 16 : 0;
                e3[2] = spread ? er * 4 / 16 : 0;
            }
        }
    }
    tablesInOut = tables;
}

template <bool Diffuse>
void walkPalette(const uint8_t* src, int32_t sFrom, uint8_t* dst, int32_t sTo, int32_t w, int32_t h,
                 const cPalette& pal, const std::function<void(int32_t)>& rowDone) {
    std::vector<int> below(size_t(w) * 3, 0);
    cPalette::SearchTables tables = pal.Tables();
    constexpr int K = Diffuse ? 4 : 1;
    const uint8_t* s[K];
    uint8_t* d[K];
    bool above[K];
    auto setRow = [&](int k, int32_t y) {
        s[k] = src + size_t(y) * size_t(sFrom);
        d[k] = dst + size_t(y) * size_t(sTo);
        above[k] = y < h - 1;
    };
    int32_t y = 0;
    for (; y + K <= h; y += K) {
        for (int k = 0; k < K; ++k) setRow(k, y + k);
        walkRows<Diffuse, K>(s, d, above, w, below.data(), pal, tables);
        for (int k = 0; k < K; ++k) rowDone(y + k);
    }
    for (; y < h; ++y) {
        setRow(0, y);
        walkRows<Diffuse, 1>(s, d, above, w, below.data(), pal, tables);
        rowDone(y);
    }
}
}  // namespace

void cColourReduceDIB::ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal,
                                    bool bDiffuseError) {
    const int64_t start = depthTickMs();
    const int32_t w = cTo.Width(), h = cTo.Height();
    events.init(3 * (w - 1));
    const auto rowDone = [&](int32_t y) { events.progress(int32_t(int64_t(3) * (w - 1) * (y + 1) / h)); };
    if (bDiffuseError)
        walkPalette<true>(cFrom.DIBSectionBitsPtr(), cFrom.BytesPerScanLine(), cTo.DIBSectionBitsPtr(),
                          cTo.BytesPerScanLine(), w, h, cPal, rowDone);
    else
        walkPalette<false>(cFrom.DIBSectionBitsPtr(), cFrom.BytesPerScanLine(), cTo.DIBSectionBitsPtr(),
                           cTo.BytesPerScanLine(), w, h, cPal, rowDone);
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
