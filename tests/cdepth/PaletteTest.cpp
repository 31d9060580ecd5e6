#include <gtest/gtest.h>

#include <set>

#include "imaging/cDIBSection.h"
#include "imaging/cPalette.h"
#include "shell/RuntimeError.h"

using namespace nalo;

namespace {
struct Rgb { int r, g, b; };
Rgb entry(const cPalette& p, int i) { return {p.Red(i), p.Green(i), p.Blue(i)}; }
void expectEntry(const cPalette& p, int i, int r, int g, int b) {
    Rgb e = entry(p, i);
    EXPECT_EQ(e.r, r) << "entry " << i;
    EXPECT_EQ(e.g, g) << "entry " << i;
    EXPECT_EQ(e.b, b) << "entry " << i;
}
// The nearest entry by walking the whole palette: strictly nearer wins, from 765 down.
int linearClosest(const cPalette& p, int r, int g, int b) {
    int best = 765, bi = 0;
    for (int i = 1; i <= p.Count(); ++i) {
        const int d = std::abs(r - p.Red(i)) + std::abs(g - p.Green(i)) + std::abs(b - p.Blue(i));
        if (d < best) { best = d; bi = i; }
    }
    return bi;
}
}  // namespace

TEST(Palette, FixedPalettesHaveTheirLayout) {
    cPalette p;
    p.Create16Colour();
    ASSERT_EQ(p.Count(), 16);
    expectEntry(p, 1, 0, 0, 0);
    expectEntry(p, 2, 128, 0, 0);
    expectEntry(p, 8, 192, 192, 192);
    expectEntry(p, 9, 128, 128, 128);
    expectEntry(p, 16, 255, 255, 255);

    p.CreateWebSafe();
    ASSERT_EQ(p.Count(), 256);
    expectEntry(p, 9, 51, 0, 0);
    expectEntry(p, 216, 204, 255, 255);
    expectEntry(p, 217, 8, 8, 8);
    expectEntry(p, 247, 248, 248, 248);
    expectEntry(p, 248, 128, 128, 128);
    expectEntry(p, 255, 255, 255, 255);
    expectEntry(p, 256, 0, 0, 0);

    p.CreateHalfTone();
    expectEntry(p, 1, 0, 0, 0);
    expectEntry(p, 2, 64, 0, 0);
    expectEntry(p, 6, 0, 64, 0);
    expectEntry(p, 125, 255, 255, 255);
    expectEntry(p, 126, 0, 0, 0);
    EXPECT_THROW(p.Red(0), RuntimeError);
    EXPECT_THROW(p.Red(257), RuntimeError);
}

TEST(Palette, ClosestIndexRules) {
    cPalette web;
    web.CreateWebSafe();
    EXPECT_EQ(web.ClosestIndex(0, 0, 0), 1);
    EXPECT_EQ(web.ClosestIndex(10, 10, 10), 217);
    EXPECT_EQ(web.ClosestIndex(10, 10, 10), 217);  // from the cache
    cPalette c16;
    c16.Create16Colour();
    EXPECT_EQ(c16.ClosestIndex(100, 100, 100), 9);
    cPalette white;
    white.Add(255, 255, 255);
    EXPECT_EQ(white.ClosestIndex(0, 0, 0), 0);
    EXPECT_EQ(white.ClosestIndex(0, 0, 1), 1);
    // Equal distances go to the lowest entry; a later Add is seen despite the cache.
    cPalette tie;
    tie.Add(10, 0, 0);
    tie.Add(0, 10, 0);
    EXPECT_EQ(tie.ClosestIndex(5, 5, 0), 1);
    tie.Add(5, 5, 0);
    EXPECT_EQ(tie.ClosestIndex(5, 5, 0), 3);
}

TEST(Palette, CachedAnswersMatchTheLinearWalk) {
    cPalette web;
    web.CreateWebSafe();
    for (int r = 0; r < 256; r += 7)
        for (int g = 0; g < 256; g += 11)
            for (int b = 0; b < 256; b += 13) ASSERT_EQ(web.ClosestIndex(r, g, b), linearClosest(web, r, g, b));
}

// Irregular palettes with repeated entries and equal distances, and a palette far from
// black (distance 765 and beyond is no answer), against the plain walk at every colour
// of a grid that also touches each cell's corners.
TEST(Palette, SearchMatchesTheLinearWalkOnIrregularPalettes) {
    std::vector<cPalette> pals(5);
    uint32_t seed = 12345;
    auto next = [&seed] { seed = seed * 1103515245u + 12345u; return int((seed >> 16) & 255); };
    for (int i = 0; i < 236; ++i) pals[0].Add(next(), next(), next());
    for (int i = 0; i < 40; ++i) {
        const int r = next() & 0xF0, g = next() & 0xF0, b = next() & 0xF0;
        pals[1].Add(r, g, b);
        pals[1].Add(r, g, b);  // duplicates: the first one answers
    }
    pals[2].Add(255, 255, 255);
    pals[4].Add(255, 255, 255);
    pals[4].Add(250, 255, 255);
    pals[3].Add(10, 0, 0);
    pals[3].Add(0, 10, 0);
    pals[3].Add(0, 0, 10);
    for (const cPalette& p : pals)
        for (int r = 0; r < 256; r += 5)
            for (int g = 0; g < 256; g += 7)
                for (int b = 0; b < 256; b += 3)
                    ASSERT_EQ(p.ClosestIndex(r, g, b), linearClosest(p, r, g, b))
                        << r << "," << g << "," << b << " of " << p.Count();
}

TEST(Palette, OptimalOfOneColourIsThatColour) {
    cDIBSection d;
    ASSERT_TRUE(d.Create(7, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            uint8_t* p = d.DIBSectionBitsPtr() + y * d.BytesPerScanLine() + 3 * x;
            p[0] = 30; p[1] = 20; p[2] = 10;
        }
    cPalette p;
    int inits = 0, completes = 0;
    p.events.InitProgress = [&](int32_t v) { inits = v; };
    p.events.Complete = [&](int32_t) { ++completes; };
    ASSERT_TRUE(p.CreateOptimal(d, 236, 6));
    ASSERT_EQ(p.Count(), 1);
    expectEntry(p, 1, 10, 20, 30);
    EXPECT_EQ(inits, 4 + 236);
    EXPECT_EQ(completes, 1);
}

TEST(Palette, OptimalKeepsDistinctColoursExactInTreeOrder) {
    // 200 colours that differ in their top bits: each gets its own leaf.
    cDIBSection d;
    ASSERT_TRUE(d.Create(200, 1));
    std::set<std::tuple<int, int, int>> want;
    for (int i = 0; i < 200; ++i) {
        uint8_t* p = d.DIBSectionBitsPtr() + 3 * i;
        p[2] = uint8_t((i % 6) * 50);
        p[1] = uint8_t(((i / 6) % 6) * 50);
        p[0] = uint8_t((i / 36) * 50);
        want.insert({p[2], p[1], p[0]});
    }
    cPalette p;
    ASSERT_TRUE(p.CreateOptimal(d, 236, 6));
    ASSERT_EQ(size_t(p.Count()), want.size());
    std::set<std::tuple<int, int, int>> got;
    for (int i = 1; i <= p.Count(); ++i) got.insert({p.Red(i), p.Green(i), p.Blue(i)});
    EXPECT_EQ(got, want);
    // Palette order is node-table order: the first pixel's leaf comes first.
    expectEntry(p, 1, 0, 0, 0);
}

TEST(Palette, OptimalReducesToAtMostPalSize) {
    cDIBSection d;
    ASSERT_TRUE(d.Create(64, 64));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            uint8_t* p = d.DIBSectionBitsPtr() + y * d.BytesPerScanLine() + 3 * x;
            p[0] = uint8_t(x * 4); p[1] = uint8_t(y * 4); p[2] = uint8_t((x ^ y) * 4);
        }
    cPalette p;
    ASSERT_TRUE(p.CreateOptimal(d, 236, 6));
    EXPECT_LE(p.Count(), 236);
    EXPECT_GT(p.Count(), 100);
    cPalette q;
    ASSERT_TRUE(q.CreateOptimal(d, 236, 6));
    for (int i = 1; i <= p.Count(); ++i) ASSERT_EQ(p.Red(i) + 256 * p.Green(i), q.Red(i) + 256 * q.Green(i));
}

TEST(Palette, NothingToReduceAsksAndNoCancels) {
    cDIBSection d;
    ASSERT_TRUE(d.Create(3, 1));
    uint8_t* p = d.DIBSectionBitsPtr();
    p[0] = 0; p[3] = 255; p[6] = 0; p[7] = 255;
    cPalette pal;
    int asked = 0;
    // Palette size 0: even the root's children cannot be merged away.
    EXPECT_FALSE(pal.CreateOptimal(d, 0, 1, [&] { ++asked; return false; }));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(pal.Count(), 0);
    asked = 0;
    EXPECT_TRUE(pal.CreateOptimal(d, 0, 1, [&] { ++asked; return true; }));
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(pal.Count(), 3);
}
