#pragma once
// Deterministic test pictures for the colour-depth tests.
#include <cstdint>

#include "imaging/cDIBSection.h"

namespace nalo::test {

// A smooth, noisy, photograph-like picture from a fixed seed.
inline void fillNoisyGradient(cDIBSection& d, uint32_t seed) {
    uint32_t s = seed;
    for (int32_t y = 0; y < d.Height(); ++y) {
        uint8_t* row = d.DIBSectionBitsPtr() + size_t(y) * size_t(d.BytesPerScanLine());
        for (int32_t x = 0; x < d.Width(); ++x) {
            s = s * 1664525u + 1013904223u;
            const int n = int(s >> 27) - 16;
            auto c = [&](int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
            row[3 * x] = c(x * 255 / (d.Width() > 1 ? d.Width() - 1 : 1) + n);
            row[3 * x + 1] = c(y * 255 / (d.Height() > 1 ? d.Height() - 1 : 1) - n);
            row[3 * x + 2] = c((x + y) * 128 / (d.Width() + d.Height()) + 64 + n);
        }
    }
}

}  // namespace nalo::test
