#include <gtest/gtest.h>

#include <filesystem>

#include "cdepth/CDepthTestPictures.h"
#include "support/TestSupport.h"
#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionSave.h"
#include "shell/RuntimeError.h"
#include "tools/cdepth/CDepthConversion.h"

using namespace nalo;
using namespace nalo::cdepth;

namespace {
uint32_t u32(const std::vector<uint8_t>& b, size_t o) {
    return b[o] | (b[o + 1] << 8) | (b[o + 2] << 16) | (uint32_t(b[o + 3]) << 24);
}
uint64_t fnv(const std::vector<uint8_t>& b) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t c : b) h = (h ^ c) * 1099511628211ull;
    return h;
}
std::vector<uint8_t> saveAs(int w, int h, const Options& o, const std::string& path, uint32_t seed = 1) {
    cDIBSection d;
    EXPECT_TRUE(d.Create(w, h));
    test::fillNoisyGradient(d, seed);
    auto saver = convertPicture(d, o);
    saver->Save(path);
    return test::readFile(path);
}
}  // namespace

TEST(Saver, FileSizesAndOffsets) {
    test::TempDir t;
    struct Case { int w, h, depth; uint32_t size, offset, image; } cases[] = {
        {10, 2, 0, 70, 62, 8}, {10, 2, 1, 134, 118, 16}, {11, 3, 2, 1114, 1078, 36}, {1, 1, 3, 58, 54, 4},
        {5, 2, 3, 86, 54, 32}};
    for (const Case& c : cases) {
        auto b = saveAs(c.w, c.h, {c.depth, MethodDefault, PaletteNone}, t.file("o.bmp"));
        ASSERT_EQ(b.size(), c.size);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(u32(b, 2), c.size);
        EXPECT_EQ(u32(b, 6), 0u);
        EXPECT_EQ(u32(b, 10), c.offset);
        EXPECT_EQ(u32(b, 14), 40u);
        EXPECT_EQ(u32(b, 18), uint32_t(c.w));
        EXPECT_EQ(u32(b, 22), uint32_t(c.h));
        EXPECT_EQ(b[26] | (b[27] << 8), 1);
        EXPECT_EQ(b[28] | (b[29] << 8), c.depth == 0 ? 1 : c.depth == 1 ? 4 : c.depth == 2 ? 8 : 24);
        EXPECT_EQ(u32(b, 30), 0u);
        EXPECT_EQ(u32(b, 34), c.image);
        for (size_t o = 38; o < 54; o += 4) EXPECT_EQ(u32(b, o), 0u);
    }
}

TEST(Saver, ColourTables) {
    test::TempDir t;
    auto bw = saveAs(8, 2, {BlackWhite, MethodDefault, PaletteNone}, t.file("a.bmp"));
    EXPECT_EQ(u32(bw, 54), 0u);
    EXPECT_EQ(u32(bw, 58), 0x00FFFFFFu);
    auto c16 = saveAs(8, 2, {Colours16, MethodDefault, PaletteNone}, t.file("b.bmp"));
    EXPECT_EQ(u32(c16, 54 + 4 * 1), 0x00800000u);   // (128, 0, 0) as b, g, r, 0
    EXPECT_EQ(u32(c16, 54 + 4 * 15), 0x00FFFFFFu);
    // Default at 256 colours: the half-tone palette, then black.
    auto ht = saveAs(8, 2, {Colours256, MethodDefault, PaletteNone}, t.file("c.bmp"));
    EXPECT_EQ(u32(ht, 54 + 4 * 1), 0x00400000u);
    EXPECT_EQ(u32(ht, 54 + 4 * 124), 0x00FFFFFFu);
    for (int i = 125; i < 256; ++i) ASSERT_EQ(u32(ht, 54 + 4 * i), 0u);
    // Optimal: at most 236 entries used, the rest black.
    auto opt = saveAs(64, 64, {Colours256, MethodOptimal, PaletteNone}, t.file("d.bmp"));
    for (int i = 236; i < 256; ++i) ASSERT_EQ(u32(opt, 54 + 4 * i), 0u);
}

TEST(Saver, MethodZeroShowsTheMappedPictureAndFullColourIsUnchanged) {
    cDIBSection d, orig;
    ASSERT_TRUE(d.Create(9, 4));
    ASSERT_TRUE(orig.Create(9, 4));
    test::fillNoisyGradient(d, 5);
    orig.LoadPictureBlt(d.hdc());
    auto full = convertPicture(d, {FullColour, MethodDefault, PaletteNone});
    EXPECT_TRUE(std::equal(d.DIBSectionBitsPtr(), d.DIBSectionBitsPtr() + 16 * 4, orig.DIBSectionBitsPtr()));
    auto saver = convertPicture(d, {Colours16, MethodDefault, PaletteNone});
    const auto& low = saver->lowDepth();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) {
            const uint8_t* p = d.DIBSectionBitsPtr() + y * d.BytesPerScanLine() + 3 * x;
            ASSERT_EQ(colourOf(low.colourTable()[low.rawPixel(x, 3 - y)]), rgb(p[2], p[1], p[0]));
        }
}

TEST(Saver, UnwritableOutputRaisesError17AndLeavesNoFile) {
    test::TempDir t;
    cDIBSection d;
    ASSERT_TRUE(d.Create(3, 3));
    auto saver = convertPicture(d, {Colours16, MethodDefault, PaletteNone});
    const std::string bad = t.file("missing/dir/o.bmp");
    try {
        saver->Save(bad);
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 17);
        EXPECT_NE(e.source().find(".cDIBSection256"), std::string::npos);
        EXPECT_NE(e.description().find("No such file"), std::string::npos);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.path()), {}), 0);
}

// Checksums of the written files: an optimisation that changes one byte fails here.
TEST(Saver, GoldenFiles) {
    test::TempDir t;
    struct Case { Options o; uint64_t sum; } cases[] = {
        {{BlackWhite, MethodDefault, PaletteNone}, 0xf4662d89175b29b7ull},
        {{BlackWhite, MethodOptimal, PaletteNone}, 0xe9368bad26b26aa1ull},
        {{BlackWhite, MethodEffect, PaletteNone}, 0xc9062109b9b70dd2ull},
        {{Colours16, MethodDefault, PaletteNone}, 0x53486b6e476d9b13ull},
        {{Colours16, MethodEffect, PaletteNone}, 0xacd60bab2d396877ull},
        {{Colours16, MethodOptimal, PaletteNone}, 0xacd60bab2d396877ull},
        {{Colours256, MethodDefault, PaletteNone}, 0x6de69577e54f376aull},
        {{Colours256, MethodEffect, PaletteHalfTone}, 0x50ae6bb81c9648c9ull},
        {{Colours256, MethodEffect, PaletteWebSafe}, 0xb04b611327acddf1ull},
        {{Colours256, MethodOptimal, PaletteNone}, 0x50dd4878c1c1cbf3ull},
        {{FullColour, MethodDefault, PaletteNone}, 0xef9d555ba7868598ull},
    };
    for (const Case& c : cases) {
        auto b = saveAs(97, 61, c.o, t.file("g.bmp"), 42);
        EXPECT_EQ(fnv(b), c.sum) << c.o.depth << " " << c.o.method << " " << c.o.palette;
    }
}
