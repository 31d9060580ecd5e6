#include <gtest/gtest.h>

#include "codecs/OneFrameGifWriter.h"
#include "gif/GifTestSupport.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;

namespace {

struct Written {
    std::vector<uint8_t> bytes;
    std::vector<size_t> blockSizes;  // data sub-block lengths, the terminator excluded
    std::vector<uint32_t> codes;     // 9-bit codes up to and including the end code
};

// Reads back the file's layout and its codes, 9 bits each.
Written readBack(const std::string& path) {
    Written w;
    w.bytes = readFile(path);
    size_t pos = 13 + 768;
    if (w.bytes[pos] == 0x21) pos += 8;
    pos += 10 + 1;
    std::vector<uint8_t> data;
    while (w.bytes[pos] != 0) {
        w.blockSizes.push_back(w.bytes[pos]);
        data.insert(data.end(), w.bytes.begin() + pos + 1, w.bytes.begin() + pos + 1 + w.bytes[pos]);
        pos += 1 + w.bytes[pos];
    }
    EXPECT_EQ(w.bytes.at(pos + 1), 0x3B);
    EXPECT_EQ(pos + 2, w.bytes.size());
    for (size_t bit = 0; bit + 9 <= data.size() * 8; bit += 9) {
        uint32_t c = 0;
        for (int b = 0; b < 9; ++b) c |= ((data[(bit + b) / 8] >> ((bit + b) % 8)) & 1u) << b;
        w.codes.push_back(c);
        if (c == 257) break;
    }
    return w;
}

Dib picture24(int w, int h, ColourValue (*colour)(int x, int y)) {
    Dib d(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) d.setPixel(x, y, colour(x, y));
    return d;
}

struct SaveGifTest : ::testing::Test {
    TempDir dir;
    std::string out = dir.file("out.gif");
    GIF gif;
};

}  // namespace

TEST(CubePalette, NearestColourMatchesTheSearchOverTheTable) {
    const auto& t = CubePalette125();
    EXPECT_EQ(t[4], (RgbQuad{0, 0, 255, 0}));
    EXPECT_EQ(t[124], (RgbQuad{255, 255, 255, 0}));
    EXPECT_EQ(t[125], (RgbQuad{}));
    const std::vector<RgbQuad> table(t.begin(), t.end());
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 7)
            for (int b = 0; b < 256; b += 32) {
                const ColourValue c = rgb(uint8_t(r), uint8_t(g), uint8_t(b));
                ASSERT_EQ(CubeIndexOf(c), nearestIndex(table, c)) << r << "," << g << "," << b;
            }
}

TEST_F(SaveGifTest, TrueColourPictureDecodesToTheCubeMapping) {
    const Dib pic = picture24(37, 23, [](int x, int y) { return rgb(uint8_t(x * 7), uint8_t(y * 11), uint8_t(x * y)); });
    ASSERT_TRUE(gif.SaveGIF(pic, out, false, 0));
    const DecodedGif d = decodeGiflib(out);
    ASSERT_EQ(d.frames.size(), 1u);
    const DecodedFrame& f = d.frames[0];
    const std::vector<uint8_t> bytes = readFile(out);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
    ASSERT_EQ(f.width * f.height, 37 * 23);
    for (int i = 0; i < 256; ++i) {
        const RgbQuad q = CubePalette125()[size_t(i)];
        ASSERT_EQ(f.rgb[size_t(i) * 3], q.red);
        ASSERT_EQ(f.rgb[size_t(i) * 3 + 2], q.blue);
    }
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) ASSERT_EQ(f.indexes[size_t(y) * 37 + x], CubeIndexOf(pic.pixel(x, y)));
}

TEST_F(SaveGifTest, CodeStreamShapes) {
    // 1 x 1: clear, the pixel, end: 27 bits in 4 bytes of one sub-block; pure red is index 4.
    ASSERT_TRUE(gif.SaveGIF(picture24(1, 1, [](int, int) { return rgb(255, 0, 0); }), out, false, 0));
    Written w = readBack(out);
    EXPECT_EQ(w.blockSizes, std::vector<size_t>{4});
    EXPECT_EQ(w.codes, (std::vector<uint32_t>{256, 4, 257}));
    EXPECT_EQ(w.bytes[10], 0xF7);
    EXPECT_EQ(w.bytes[13 + 768 + 9], 0x07);
    EXPECT_EQ(w.bytes[13 + 768 + 10], 8);

    // h rows: h clear codes, each first in its row.
    ASSERT_TRUE(gif.SaveGIF(picture24(9, 7, [](int x, int) { return rgb(uint8_t(x * 30), 0, 0); }), out, false, 0));
    w = readBack(out);
    EXPECT_EQ(std::count(w.codes.begin(), w.codes.end(), 256u), 7);
    EXPECT_EQ(w.codes.front(), 256u);

    // A 600-pixel row of changing indexes: a clear after 253 added sequences, and
    // the row decodes back; no code passes 511, so sub-blocks never exceed 255 bytes.
    Dib row(600, 1, 8);
    for (int x = 0; x < 600; ++x) row.setRawPixel(x, 0, uint32_t(x * 7 % 256));
    ASSERT_TRUE(gif.SaveGIF(row, out, false, 0));
    w = readBack(out);
    const auto second = std::find(w.codes.begin() + 1, w.codes.end(), 256u);
    ASSERT_NE(second, w.codes.end());
    EXPECT_EQ(second - w.codes.begin(), 1 + 254);  // first code, 253 codes that added, the last one
    EXPECT_LE(*std::max_element(w.codes.begin(), w.codes.end()), 511u);
    for (size_t s : w.blockSizes) EXPECT_LE(s, 255u);
    const DecodedGif d = decodeGiflib(out);
    for (int x = 0; x < 600; ++x) ASSERT_EQ(d.frames[0].indexes[size_t(x)], x * 7 % 256);
}

TEST_F(SaveGifTest, EightBitPictureKeepsItsIndexesAndTable) {
    Dib pic(50, 40, 8);
    std::vector<RgbQuad> table(16);
    for (int i = 0; i < 16; ++i) table[size_t(i)] = {uint8_t(i * 16), uint8_t(255 - i), uint8_t(i * 3), 0};
    pic.setColourTable(table);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) pic.setRawPixel(x, y, uint32_t((x * x + y) % 16));
    ASSERT_TRUE(gif.SaveGIF(pic, out, false, 0));
    const DecodedFrame f = decodeGiflib(out).frames.at(0);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) ASSERT_EQ(f.indexes[size_t(y) * 50 + x], (x * x + y) % 16);
    EXPECT_EQ(f.rgb[5 * 3 + 2], 80);  // blue of entry 5
    EXPECT_EQ(f.rgb[200 * 3], 0);     // past the picture's table: black
}

TEST_F(SaveGifTest, TransparentIndexIsTheFirstEntryOfTheColourElseZero) {
    struct Case {
        ColourValue trans;
        uint8_t index;
    } cases[] = {{rgb(0, 64, 0), 5}, {rgb(0, 0, 0), 0}, {rgb(1, 2, 3), 0}, {rgb(255, 255, 255), 124}};
    const Dib pic = picture24(4, 4, [](int x, int) { return rgb(0, uint8_t(x * 64), 0); });
    for (const Case& c : cases) {
        ASSERT_TRUE(gif.SaveGIF(pic, out, true, c.trans));
        const std::vector<uint8_t> b = readFile(out);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
        const uint8_t control[8] = {0x21, 0xF9, 4, 0x09, 0, 0, c.index, 0};
        EXPECT_TRUE(std::equal(control, control + 8, b.begin() + 13 + 768)) << int(c.index);
    }
}

TEST_F(SaveGifTest, ACallWhileOneRunsWritesNothing) {
    const Dib pic = picture24(8, 30, [](int x, int y) { return rgb(uint8_t(x), uint8_t(y), 0); });
    std::vector<bool> nested;
    std::vector<int16_t> percents;
    gif.Progress = [&](int16_t p) {
        percents.push_back(p);
        nested.push_back(gif.SaveGIF(pic, dir.file("nested.gif"), false, 0));
    };
    EXPECT_TRUE(gif.SaveGIF(pic, out, false, 0));
    EXPECT_EQ(percents, (std::vector<int16_t>{33, 67, 100}));
    EXPECT_EQ(nested, (std::vector<bool>{false, false, false}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("nested.gif")));
    gif.Progress = nullptr;
    EXPECT_TRUE(gif.SaveGIF(pic, dir.file("again.gif"), false, 0));
}
