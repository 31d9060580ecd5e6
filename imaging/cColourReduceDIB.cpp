// The reductions are defined as a column-by-column walk (columns left to right, rows
// bottom-up inside each). Error only ever reaches the next column of the same row and
// the same column of the next row (the other targets are already mapped or weigh 0),
// so a row-by-row walk that applies a pixel's incoming errors in the column walk's
// order - from the left first, then from below - gives the same bytes, cache-friendly.
#include "imaging/cColourReduceDIB.h"

#include <cstdlib>
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

void cColourReduceDIB::ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal,
                                    bool bDiffuseError) {
    const int64_t start = depthTickMs();
    const int32_t w = cTo.Width(), h = cTo.Height();
    const int32_t sFrom = cFrom.BytesPerScanLine(), sTo = cTo.BytesPerScanLine();
    events.init(3 * (w - 1));
    const uint8_t* src = cFrom.DIBSectionBitsPtr();
    uint8_t* dst = cTo.DIBSectionBitsPtr();
    const uint8_t* palR = cPal.RedData();
    const uint8_t* palG = cPal.GreenData();
    const uint8_t* palB = cPal.BlueData();
    const bool fast = cPal.FastSearchApplies();
    cPalette::SearchTables tables = cPal.Tables();
    // Error arriving from the row below, per column and channel (b, g, r).
    std::vector<int> below(size_t(w) * 3, 0), belowNext(size_t(w) * 3, 0);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* s = src + size_t(y) * size_t(sFrom);
        uint8_t* d = dst + size_t(y) * size_t(sTo);
        const int* in = below.data();
        int* out = belowNext.data();
        int lb = 0, lg = 0, lr = 0;  // error from the left
        const bool hasAbove = y < h - 1;
        for (int32_t x = 0; x < w; ++x, s += 3, d += 3, in += 3, out += 3) {
            int vb = s[0], vg = s[1], vr = s[2];
            if (bDiffuseError) {
                vb = clampByte(clampByte(vb + lb) + in[0]);
                vg = clampByte(clampByte(vg + lg) + in[1]);
                vr = clampByte(clampByte(vr + lr) + in[2]);
            }
            int32_t idx;
            if (fast) {
                const uint32_t cell = cPalette::CellOf(vr, vg, vb);
                if (tables.cells[cell].start == cPalette::Cell::Unbuilt) tables = cPal.BuildCell(cell);
                idx = cPalette::Search(tables.cells[cell], tables.list, vr, vg, vb);
            } else {
                idx = cPal.ClosestIndex(vr, vg, vb);
            }
            if (idx == 0) cPal.Blue(idx);  // no entry: subscript out of range
            const int pb = palB[idx - 1], pg = palG[idx - 1], pr = palR[idx - 1];
            d[0] = uint8_t(pb);
            d[1] = uint8_t(pg);
            d[2] = uint8_t(pr);
            lb = lg = lr = 0;
            if (!bDiffuseError) continue;
            const int eb = vb - pb, eg = vg - pg, er = vr - pr;
            if (std::abs(eb) + std::abs(eg) + std::abs(er) <= 3) {
                if (hasAbove) out[0] = out[1] = out[2] = 0;
                continue;
            }
            if (x < w - 2) {
                lb = eb * 7 / 16;
                lg = eg * 7 / 16;
                lr = er * 7 / 16;
            }
            if (hasAbove) {
                const bool spread = x > 0 && x < w - 1;
                out[0] = spread ? eb * 4 / 16 : 0;
                out[1] = spread ? eg * 4 / 16 : 0;
                out[2] = spread ? er * 4 / 16 : 0;
            }
        }
        if (bDiffuseError) below.swap(belowNext);
        events.progress(int32_t(int64_t(3) * (w - 1) * (y + 1) / h));
    }
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
