#include "imaging/AlphaResample.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "shell/RuntimeError.h"

namespace nalo {

namespace {

// The source pixels [first, first + count) and their weights for one output pixel.
struct Taps {
    std::vector<int> first, count;
    std::vector<size_t> start;  // into weights
    std::vector<float> weights;
};

// Area coverage when shrinking (n >= out), a tent between the two nearest pixel
// centres when enlarging.
Taps tapsFor(int n, int out) {
    Taps t;
    t.first.resize(size_t(out));
    t.count.resize(size_t(out));
    t.start.resize(size_t(out));
    const double scale = double(n) / out;
    for (int i = 0; i < out; ++i) {
        t.start[size_t(i)] = t.weights.size();
        if (scale >= 1.0) {
            const double lo = i * scale, hi = (i + 1) * scale;
            const int j0 = int(lo), j1 = std::min(n, int(std::ceil(hi)));
            for (int j = j0; j < j1; ++j)
                t.weights.push_back(float((std::min(hi, j + 1.0) - std::max(lo, double(j))) / scale));
            t.first[size_t(i)] = j0;
            t.count[size_t(i)] = j1 - j0;
        } else {
            const double c = std::clamp((i + 0.5) * scale - 0.5, 0.0, double(n - 1));
            const int j0 = std::min(int(c), n - 1);
            const double f = c - j0;
            t.first[size_t(i)] = j0;
            t.count[size_t(i)] = j0 + 1 < n ? 2 : 1;
            t.weights.push_back(float(t.count[size_t(i)] == 2 ? 1.0 - f : 1.0));
            if (t.count[size_t(i)] == 2) t.weights.push_back(float(f));
        }
    }
    return t;
}

}  // namespace

Dib fitIntoSquareWithAlpha(const Dib& picture, const std::vector<uint8_t>& alpha, int side,
                           std::optional<ColourValue> transparent) {
    const int w = picture.width(), h = picture.height();
    if (picture.empty() || picture.bitCount() != 24 || side < 1 || (!alpha.empty() && alpha.size() != size_t(w) * h))
        throw RuntimeError(err::InvalidProcedureCall, "AlphaResample", "24-bit picture expected");
    const double scale = double(side) / std::max(w, h);
    const int dw = std::clamp(int(std::lround(w * scale)), 1, side), dh = std::clamp(int(std::lround(h * scale)), 1, side);
    const int ox = (side - dw) / 2, oy = (side - dh) / 2;
    const Taps across = tapsFor(w, dw), down = tapsFor(h, dh);

    std::array<float, 256> linear;
    for (int v = 0; v < 256; ++v) linear[size_t(v)] = float(v * v) / (255.0f * 255.0f);

    // Every source row once, top to bottom: premultiplied, resampled across, then
    // added to the output rows it falls in.
    std::vector<float> row(size_t(w) * 4), across4(size_t(dw) * 4), sums(size_t(dw) * dh * 4, 0.0f);
    const uint32_t key = transparent ? uint32_t(*transparent) : 0xffffffffu;
    int firstOut = 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = picture.row(y);
        const uint8_t* a = alpha.empty() ? nullptr : alpha.data() + size_t(y) * w;
        for (int x = 0; x < w; ++x, p += 3) {
            float op = a ? a[x] * (1.0f / 255) : 1.0f;
            if (uint32_t(rgb(p[2], p[1], p[0])) == key) op = 0.0f;
            float* r = &row[size_t(x) * 4];
            r[0] = linear[p[0]] * op;
            r[1] = linear[p[1]] * op;
            r[2] = linear[p[2]] * op;
            r[3] = op;
        }
        for (int i = 0; i < dw; ++i) {
            const float* wt = &across.weights[across.start[size_t(i)]];
            const float* s = &row[size_t(across.first[size_t(i)]) * 4];
            float b = 0, g = 0, r = 0, o = 0;
            for (int k = 0; k < across.count[size_t(i)]; ++k, s += 4) {
                b += wt[k] * s[0];
                g += wt[k] * s[1];
                r += wt[k] * s[2];
                o += wt[k] * s[3];
            }
            float* d = &across4[size_t(i) * 4];
            d[0] = b, d[1] = g, d[2] = r, d[3] = o;
        }
        while (firstOut < dh && down.first[size_t(firstOut)] + down.count[size_t(firstOut)] <= y) ++firstOut;
        for (int o = firstOut; o < dh && down.first[size_t(o)] <= y; ++o) {
            const int k = y - down.first[size_t(o)];
            if (k >= down.count[size_t(o)]) continue;
            const float wt = down.weights[down.start[size_t(o)] + size_t(k)];
            float* s = &sums[size_t(o) * dw * 4];
            for (size_t i = 0; i < across4.size(); ++i) s[i] += wt * across4[i];
        }
    }

    Dib out(side, side, 32);
    for (int y = 0; y < dh; ++y) {
        uint8_t* d = out.row(oy + y) + size_t(ox) * 4;
        const float* s = &sums[size_t(y) * dw * 4];
        for (int x = 0; x < dw; ++x, s += 4, d += 4) {
            const float op = std::clamp(s[3], 0.0f, 1.0f);
            const auto opacity = uint8_t(std::lround(op * 255));
            if (opacity == 0) continue;
            for (int c = 0; c < 3; ++c)
                d[c] = uint8_t(std::lround(255 * std::sqrt(std::clamp(s[c] / op, 0.0f, 1.0f))));
            d[3] = opacity;
        }
    }
    return out;
}

}  // namespace nalo
