#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "cdepth/CDepthTestPictures.h"
#include "imaging/cColourReduceDIB.h"
#include "imaging/cDIBSection.h"
#include "imaging/cPalette.h"
#include "shell/Rounding.h"

using namespace nalo;

namespace {
uint8_t* px(cDIBSection& d, int x, int y) { return d.DIBSectionBitsPtr() + y * d.BytesPerScanLine() + 3 * x; }
std::vector<uint8_t> bytes(cDIBSection& d) {
    return {d.DIBSectionBitsPtr(), d.DIBSectionBitsPtr() + d.hdc().imageSize()};
}
int clampByte(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// The reductions written literally as the column-by-column walk over byte indexes.
std::vector<uint8_t> referenceApply(cDIBSection& from, const cPalette& pal, bool diffuse) {
    const int xLast = 3 * (from.Width() - 1), yLast = from.Height() - 1, s = from.BytesPerScanLine();
    std::vector<uint8_t> f = bytes(from), t(f.size(), 0);
    auto at = [&](std::vector<uint8_t>& v, int x, int y) -> uint8_t* { return &v[size_t(y * s + x)]; };
    for (int x = 0; x <= xLast; x += 3)
        for (int y = 0; y <= yLast; ++y) {
            uint8_t* a = at(f, x, y);
            uint8_t* b = at(t, x, y);
            int i = pal.ClosestIndex(a[2], a[1], a[0]);
            b[0] = pal.Blue(i); b[1] = pal.Green(i); b[2] = pal.Red(i);
            if (!diffuse) continue;
            int e[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
            if (std::abs(e[0]) + std::abs(e[1]) + std::abs(e[2]) <= 3) continue;
            auto spread = [&](int tx, int ty, int w) {
                for (int c = 0; c < 3; ++c) at(f, tx, ty)[c] = uint8_t(clampByte(at(f, tx, ty)[c] + e[c] * w / 16));
            };
            if (x < xLast - 3) spread(x + 3, y, 7);
            if (y < yLast) {
                const int w[3] = {0, 4, 0};
                for (int k = 0; k < 3; ++k) {
                    int tx = x - 3 + 3 * k;
                    if (tx > 0 && tx < xLast) spread(tx, y + 1, w[k]);
                }
            }
        }
    return t;
}

std::vector<uint8_t> referenceBlackWhite(cDIBSection& from) {
    const int xLast = 3 * (from.Width() - 1), yLast = from.Height() - 1, s = from.BytesPerScanLine();
    std::vector<uint8_t> f = bytes(from), t(f.size(), 0);
    for (size_t y = 0; y <= size_t(yLast); ++y)
        for (size_t x = 0; x <= size_t(xLast); x += 3) {
            uint8_t* p = &f[y * s + x];
            uint8_t g = uint8_t(roundHalfEven((707.0 * p[1] + 222.0 * p[2] + 71.0 * p[0]) / 1000));
            p[0] = p[1] = p[2] = g;
        }
    auto at = [&](std::vector<uint8_t>& v, int x, int y) -> uint8_t* { return &v[size_t(y * s + x)]; };
    for (int x = 0; x <= xLast; x += 3)
        for (int y = 0; y <= yLast; ++y) {
            int v = at(f, x, y)[0], e;
            uint8_t* b = at(t, x, y);
            if (v <= 128) { b[0] = b[1] = b[2] = 0; e = v <= 16 ? 0 : v; }
            else { b[0] = b[1] = b[2] = 255; e = 127 - v; }
            auto spread = [&](int tx, int ty, int w) {
                uint8_t* q = at(f, tx, ty);
                q[0] = q[1] = q[2] = uint8_t(clampByte(q[0] + e * w / 16));
            };
            if (x < xLast - 3) spread(x + 3, y, 7);
            if (y < yLast) {
                const int w[3] = {3, 5, 1};
                for (int k = 0; k < 3; ++k) {
                    int tx = x - 3 + 3 * k;
                    if (tx > 0 && tx < xLast) spread(tx, y + 1, w[k]);
                }
            }
        }
    return t;
}
}  // namespace

TEST(ColourReduce, GreyLevels) {
    cDIBSection d;
    ASSERT_TRUE(d.Create(4, 1));
    const uint8_t in[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};  // b, g, r
    for (int x = 0; x < 4; ++x) for (int c = 0; c < 3; ++c) px(d, x, 0)[c] = in[x][c];
    cColourReduceDIB().GrayScale(d);
    EXPECT_EQ(px(d, 0, 0)[0], 57);
    EXPECT_EQ(px(d, 1, 0)[1], 180);
    EXPECT_EQ(px(d, 2, 0)[2], 18);
    EXPECT_EQ(px(d, 3, 0)[0], 255);
}

TEST(ColourReduce, BlackAndWhiteThresholdsAndErrors) {
    // Errors are seen through the right neighbour (7/16) of the middle of three columns.
    struct Case { int v, out, neighbour; } cases[] = {
        {128, 0, 100 + 128 * 7 / 16}, {129, 255, 100 + (127 - 129) * 7 / 16}, {16, 0, 100}};
    for (const Case& c : cases) {
        cDIBSection from, to;
        ASSERT_TRUE(from.Create(4, 1));
        ASSERT_TRUE(to.Create(4, 1));
        for (int x = 0; x < 4; ++x) { uint8_t* p = px(from, x, 0); p[0] = p[1] = p[2] = 100; }
        uint8_t* p = px(from, 0, 0);
        p[0] = p[1] = p[2] = uint8_t(c.v);
        cDIBSection copy;
        ASSERT_TRUE(copy.Create(4, 1));
        copy.LoadPictureBlt(from.hdc());
        cColourReduceDIB().BlackAndWhite(from, to);
        EXPECT_EQ(px(to, 0, 0)[0], c.out) << c.v;
        EXPECT_EQ(bytes(to), referenceBlackWhite(copy));
        const int n = c.neighbour;
        EXPECT_EQ(px(to, 1, 0)[0], n <= 128 ? 0 : 255) << c.v;
    }
}

TEST(ColourReduce, RowWalkEqualsColumnWalk) {
    const int sizes[][2] = {{1, 1}, {1, 5}, {2, 3}, {3, 3}, {4, 2}, {17, 9}, {64, 40}};
    cPalette pals[4];
    pals[0].Create16Colour();
    pals[1].CreateWebSafe();
    pals[2].CreateHalfTone();
    // Irregular, with repeated entries and cells of more than eight candidates.
    uint32_t mix = 99;
    for (int i = 0; i < 120; ++i) {
        mix = mix * 1103515245u + 12345u;
        const int r = int(mix >> 24) & 0xE0, g = int(mix >> 16) & 0xE0, b = int(mix >> 8) & 0xE0;
        pals[3].Add(r, g, b);
        pals[3].Add(r, g, b);
    }
    uint32_t seed = 7;
    for (auto& sz : sizes) {
        cDIBSection src;
        ASSERT_TRUE(src.Create(sz[0], sz[1]));
        test::fillNoisyGradient(src, seed++);
        for (const cPalette& pal : pals)
            for (bool diffuse : {false, true}) {
                cDIBSection from, to;
                ASSERT_TRUE(from.Create(sz[0], sz[1]));
                ASSERT_TRUE(to.Create(sz[0], sz[1]));
                from.LoadPictureBlt(src.hdc());
                cColourReduceDIB().ApplyPalette(from, to, pal, diffuse);
                EXPECT_EQ(bytes(to), referenceApply(src, pal, diffuse)) << sz[0] << "x" << sz[1];
                EXPECT_EQ(bytes(from), bytes(to));
                // In place, as the saver runs it, and without the vector search.
                cDIBSection same;
                ASSERT_TRUE(same.Create(sz[0], sz[1]));
                same.LoadPictureBlt(src.hdc());
                cColourReduceDIB plain;
                plain.vectorSearch = false;
                plain.ApplyPalette(same, same, pal, diffuse);
                EXPECT_EQ(bytes(same), bytes(to));
            }
        cDIBSection from, to;
        ASSERT_TRUE(from.Create(sz[0], sz[1]));
        ASSERT_TRUE(to.Create(sz[0], sz[1]));
        from.LoadPictureBlt(src.hdc());
        cColourReduceDIB().BlackAndWhite(from, to);
        EXPECT_EQ(bytes(to), referenceBlackWhite(src)) << sz[0] << "x" << sz[1];
        EXPECT_EQ(bytes(from), bytes(to));
        cDIBSection same;
        ASSERT_TRUE(same.Create(sz[0], sz[1]));
        same.LoadPictureBlt(src.hdc());
        cColourReduceDIB().BlackAndWhite(same, same);
        EXPECT_EQ(bytes(same), bytes(to));
    }
}

TEST(ColourReduce, NarrowPicturesGetNoSpread) {
    cPalette pal;
    pal.Add(0, 0, 0);
    pal.Add(255, 255, 255);
    for (int w : {1, 2}) {
        cDIBSection from, to, plain, to2;
        for (auto* d : {&from, &to, &plain, &to2}) ASSERT_TRUE(d->Create(w, 4));
        test::fillNoisyGradient(from, 3);
        plain.LoadPictureBlt(from.hdc());
        cColourReduceDIB().ApplyPalette(from, to, pal, true);
        cColourReduceDIB().ApplyPalette(plain, to2, pal, false);
        EXPECT_EQ(bytes(to), bytes(to2));
    }
}
