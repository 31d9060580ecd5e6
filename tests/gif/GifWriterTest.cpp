// The GIF writer and the LZW encoder: file layout and decoding by independent decoders.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "codecs/GifAnimation.h"
#include "gif/GifTestSupport.h"
#include "shell/RuntimeError.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;

namespace {

std::vector<uint8_t> randomIndexes(size_t n, int colours, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(rng() % colours);
    return v;
}

// Sizes of the data sub-blocks of the first image, from its code-size byte on.
std::vector<int> subBlockSizes(const std::vector<uint8_t>& f, size_t codeSizePos) {
    std::vector<int> sizes;
    for (size_t p = codeSizePos + 1; p < f.size() && f[p] != 0; p += f[p] + 1) sizes.push_back(f[p]);
    return sizes;
}

// Checks the file against the pixels and palette put in, with giflib and ImageMagick.
void expectDecodes(const std::string& path, int w, int h, int entries, const std::vector<uint8_t>& idx) {
    DecodedGif g = decodeGiflib(path);
    ASSERT_EQ(g.frames.size(), 1u);
    ASSERT_EQ(g.frames[0].width, w);
    ASSERT_EQ(g.frames[0].height, h);
    EXPECT_EQ(g.frames[0].indexes, idx);
    const auto pal = distinctPalette(entries);
    for (int i = 0; i < entries; ++i) {
        EXPECT_EQ(g.frames[0].rgb[i * 3 + 0], pal[i * 4 + 2]);
        EXPECT_EQ(g.frames[0].rgb[i * 3 + 2], pal[i * 4 + 0]);
    }
    if (!haveTool("convert")) return;
    auto frames = decodeMagickRgba(path, w, h);
    ASSERT_EQ(frames.size(), 1u);
    for (size_t p = 0; p < idx.size(); ++p) {
        const uint8_t* px = &frames[0][p * 4];
        ASSERT_EQ(px[0], pal[idx[p] * 4 + 2]) << "pixel " << p;
        ASSERT_EQ(px[1], pal[idx[p] * 4 + 1]) << "pixel " << p;
        ASSERT_EQ(px[2], pal[idx[p] * 4 + 0]) << "pixel " << p;
    }
}

}  // namespace

TEST(GifWriter, TenByTenFrameLayout) {
    TempDir dir;
    cGIF gif;
    makeOneFrame(gif, 10, 10, 216, randomIndexes(100, 216, 1));
    ASSERT_TRUE(gif.Save(dir.file("a.gif")));
    auto f = readFile(dir.file("a.gif"));
    ASSERT_GT(f.size(), 13u + 768 + 19 + 8 + 10 + 3);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 6), "GIF89a");
    EXPECT_EQ(f[6], 10);
    EXPECT_EQ(f[8], 10);
    EXPECT_EQ(f[10], 0xF7);
    // 216 colours, then 40 zero entries.
    EXPECT_EQ(f[13 + 215 * 3], 215);
    for (size_t i = 13 + 216 * 3; i < 13 + 768; ++i) ASSERT_EQ(f[i], 0);
    const size_t loop = 13 + 768;
    const uint8_t loopBlock[19] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P',
                                   'E',  '2',  '.',  '0', 3,   1,   0,   0,   0};
    EXPECT_EQ(std::memcmp(&f[loop], loopBlock, 19), 0);
    const size_t gce = loop + 19;
    const uint8_t control[8] = {0x21, 0xF9, 0x04, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(&f[gce], control, 8), 0);
    EXPECT_EQ(f[gce + 8], 0x2C);
    EXPECT_EQ(f[gce + 8 + 9], 0x07);
    EXPECT_EQ(f[gce + 18], 8);
    EXPECT_EQ(f[f.size() - 2], 0x00);
    EXPECT_EQ(f.back(), 0x3B);
}

TEST(GifWriter, ControlAndDescriptorFields) {
    TempDir dir;
    cGIF gif;
    makeOneFrame(gif, 3, 2, 16, randomIndexes(6, 5, 2));
    gif.FrameUseTransparentColor(1, true);
    gif.FrameTransparentColorIndex(1, 9);
    gif.FrameUserInput(1, true);
    gif.FrameDisposalMethod(1, 3);
    gif.FrameDelay(1, 300);
    gif.FrameLeft(1, 2);
    gif.LocalPaletteUsed(1, true);
    gif.LocalPaletteEntries(1, 5);
    gif.LocalPaletteSorted(1, true);
    gif.AnimationLoops(7);
    gif.ScreenPixelAspectRatio(1.0f);
    ASSERT_TRUE(gif.Save(dir.file("a.gif")));
    auto f = readFile(dir.file("a.gif"));
    EXPECT_EQ(f[12], 49);
    const size_t loop = 13 + 16 * 3;
    EXPECT_EQ(f[loop + 16], 7);
    const size_t gce = loop + 19;
    EXPECT_EQ(f[gce + 3], 1 + 2 + 12);
    EXPECT_EQ(f[gce + 4] + 256 * f[gce + 5], 300);
    EXPECT_EQ(f[gce + 6], 9);
    const size_t desc = gce + 8;
    EXPECT_EQ(f[desc + 1], 2);
    EXPECT_EQ(f[desc + 9], 0x80 + 0x20 + 2);  // local table of 8 entries, sorted
    EXPECT_EQ(f[desc + 10 + 24], 3);           // code size of the local table
}

TEST(GifWriter, EmptyModelIsGif87a) {
    TempDir dir;
    cGIF gif;
    gif.Destroy();
    gif.GlobalPaletteExists(true);
    gif.GlobalPaletteEntries(2);
    ASSERT_TRUE(gif.Save(dir.file("e.gif")));
    auto f = readFile(dir.file("e.gif"));
    ASSERT_EQ(f.size(), 13u + 6 + 1);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 6), "GIF87a");
    EXPECT_EQ(f[10], 0x80);
    EXPECT_EQ(f.back(), 0x3B);
}

TEST(GifWriter, CodeSizeFollowsPaletteSize) {
    TempDir dir;
    for (auto [entries, bits] : {std::pair{2, 1}, {3, 2}, {16, 4}, {17, 5}, {256, 8}}) {
        cGIF gif;
        makeOneFrame(gif, 4, 4, entries, randomIndexes(16, entries, 3));
        ASSERT_TRUE(gif.Save(dir.file("c.gif")));
        auto f = readFile(dir.file("c.gif"));
        const size_t tableEnd = 13 + (3u << bits);
        EXPECT_EQ(f[10], 0x80 + (bits - 1) * 17) << entries;
        EXPECT_EQ(f[tableEnd + 19 + 8 + 9], bits - 1) << entries;
        EXPECT_EQ(f[tableEnd + 19 + 8 + 10], std::max(bits, 2)) << entries;
    }
}

TEST(GifWriter, TwoColourCodeStream) {
    TempDir dir;
    cGIF gif;
    makeOneFrame(gif, 1, 1, 2, {1});
    ASSERT_TRUE(gif.Save(dir.file("t.gif")));
    auto f = readFile(dir.file("t.gif"));
    // Code size 2; 3-bit codes Clear 4, pixel 1, End 5, least significant bit first.
    const std::vector<uint8_t> tail = {2, 2, 0x4C, 0x01, 0x00, 0x3B};
    EXPECT_EQ(std::vector<uint8_t>(f.end() - 6, f.end()), tail);
}

TEST(GifWriter, SubBlocksHold254Bytes) {
    TempDir dir;
    cGIF gif;
    makeOneFrame(gif, 64, 64, 256, randomIndexes(64 * 64, 256, 4));
    ASSERT_TRUE(gif.Save(dir.file("s.gif")));
    auto f = readFile(dir.file("s.gif"));
    auto sizes = subBlockSizes(f, 13 + 768 + 19 + 8 + 10);
    ASSERT_GT(sizes.size(), 2u);
    for (size_t i = 0; i + 1 < sizes.size(); ++i) ASSERT_EQ(sizes[i], 254);
    EXPECT_GE(sizes.back(), 1);
    EXPECT_LE(sizes.back(), 254);
}

TEST(GifWriter, DecodesToThePixelsPutIn) {
    TempDir dir;
    struct Case {
        int w, h, entries;
        bool interlaced;
        std::vector<uint8_t> idx;
    };
    std::vector<Case> cases = {
        {1, 1, 2, false, {1}},
        {37, 23, 256, false, randomIndexes(37 * 23, 256, 5)},
        {40, 30, 3, false, randomIndexes(1200, 3, 6)},
        {50, 20, 16, false, std::vector<uint8_t>(1000, 7)},          // flat
        {30, 4, 16, true, randomIndexes(120, 16, 7)},                // 4 rows: sequential
        {30, 5, 16, true, randomIndexes(150, 16, 8)},                // 5 rows: interlaced
        {61, 47, 256, true, randomIndexes(61 * 47, 256, 9)},
        {300, 200, 256, false, randomIndexes(60000, 256, 10)},       // many table resets
        {300, 200, 2, false, randomIndexes(60000, 2, 11)},
        {200, 200, 2, false, std::vector<uint8_t>(40000, 0)},        // prefix-0/pixel-0 keys
    };
    // Runs of zeros mixed with noise exercise the zero-key probe.
    std::vector<uint8_t> zeros = randomIndexes(90000, 4, 12);
    for (size_t i = 0; i < zeros.size(); ++i)
        if ((i / 50) % 2) zeros[i] = 0;
    cases.push_back({300, 300, 4, false, zeros});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " " + std::to_string(c.entries));
        cGIF gif;
        makeOneFrame(gif, c.w, c.h, c.entries, c.idx, c.interlaced);
        ASSERT_TRUE(gif.Save(dir.file("d.gif")));
        expectDecodes(dir.file("d.gif"), c.w, c.h, c.entries, c.idx);
    }
}

TEST(GifWriter, FourRowsInterlacedIsWrittenInPlainOrder) {
    TempDir dir;
    cGIF a, b;
    const auto idx = randomIndexes(40, 16, 13);
    makeOneFrame(a, 10, 4, 16, idx, true);
    makeOneFrame(b, 10, 4, 16, idx, false);
    a.Save(dir.file("a.gif"));
    b.Save(dir.file("b.gif"));
    auto fa = readFile(dir.file("a.gif")), fb = readFile(dir.file("b.gif"));
    // Plain order, and a descriptor that says so, so decoders show the rows in place.
    EXPECT_EQ(fa, fb);
}

TEST(GifWriter, FailedSaveKeepsTheOldFile) {
    TempDir dir;
    const std::string target = dir.file("old.gif");
    writeText(target, "previous");
    cGIF gif;
    makeOneFrame(gif, 4, 4, 4, std::vector<uint8_t>(16, 9));  // index beyond the table
    EXPECT_THROW(gif.Save(target), RuntimeError);
    EXPECT_EQ(readFile(target).size(), 8u);
    gif.GlobalPaletteExists(false);  // a frame without any palette
    EXPECT_THROW(gif.Save(target), RuntimeError);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_THROW(gif.Save(dir.file("missing/x.gif")), RuntimeError);
}

TEST(GifWriter, AnimationDecodesFrameByFrame) {
    TempDir dir;
    cGIF gif;
    gif.GlobalPaletteExists(true);
    gif.GlobalPaletteEntries(16);
    const auto pal = distinctPalette(16);
    std::memcpy(gif.lpGlobalPalette(), pal.data(), 1024);
    std::vector<std::vector<uint8_t>> put;
    for (int16_t i = 1; i <= 5; ++i) {
        gif.FrameInsert(i, 20, 10);
        put.push_back(randomIndexes(200, 16, 100 + i));
        setIndexes(gif, i, put.back());
        gif.FrameDelay(i, i);
    }
    EXPECT_EQ(gif.ScreenWidth(), 20);
    ASSERT_TRUE(gif.Save(dir.file("m.gif")));
    auto g = decodeGiflib(dir.file("m.gif"));
    ASSERT_EQ(g.frames.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(g.frames[i].indexes, put[i]);
}
