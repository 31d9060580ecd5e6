// GcDIB, the cube palette, the conversion to 8 bpp and frame drawing.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/GifAnimation.h"
#include "imaging/Dither8bpp.h"
#include "imaging/GcDIB.h"
#include "imaging/Palette8bpp.h"
#include "shell/RuntimeError.h"

using namespace nalo;

TEST(GcDIB, CreateLayoutAndPalette) {
    GcDIB d;
    EXPECT_EQ(d.lpBits(), nullptr);
    ASSERT_TRUE(d.Create(10, 3, 8));
    EXPECT_EQ(d.BytesPerScanLine(), 12);
    EXPECT_EQ(d.Size(), 36);
    std::vector<uint8_t> pal;
    d.GetPalette(pal);
    ASSERT_EQ(pal.size(), 1024u);
    for (uint8_t b : pal) ASSERT_EQ(b, 0);
    d.row(0)[0] = 5;
    EXPECT_EQ(d.lpBits()[0], 5);  // row 0 is the top row, lowest address
    EXPECT_EQ(d.hDIBDC().rawPixel(0, 0), 5u);

    std::vector<uint8_t> sixteen(64, 0x40);
    d.SetPalette(sixteen);
    d.GetPalette(pal);
    EXPECT_EQ(pal[63], 0x40);
    EXPECT_EQ(pal[64], 0);

    GcDIB mono;
    ASSERT_TRUE(mono.Create(1, 1, 1));
    EXPECT_EQ(mono.BytesPerScanLine(), 4);
    EXPECT_THROW(mono.Create(0x7FFFFFFF, 1, 32), RuntimeError);
    EXPECT_TRUE(mono.empty());
    d.Destroy();
    EXPECT_EQ(d.Width(), 0);
    EXPECT_EQ(d.LoadBlt(mono.hDIBDC(), 0, 0), 0);
}

TEST(GcDIB, BestFit) {
    GcDIB big, small;
    big.Create(200, 100, 24);
    small.Create(20, 10, 24);
    int32_t x, y, w, h;
    big.GetBestFitInfo(50, 50, x, y, w, h, false);
    EXPECT_EQ(std::vector<int32_t>({x, y, w, h}), std::vector<int32_t>({0, 12, 50, 25}));
    small.GetBestFitInfo(50, 50, x, y, w, h, false);
    EXPECT_EQ(std::vector<int32_t>({x, y, w, h}), std::vector<int32_t>({15, 20, 20, 10}));
    small.GetBestFitInfo(50, 50, x, y, w, h, true);
    EXPECT_EQ(std::vector<int32_t>({x, y, w, h}), std::vector<int32_t>({0, 12, 50, 25}));
}

TEST(GcDIB, ResizeCloneAndStretch) {
    GcDIB d;
    d.Create(2, 2, 8);
    std::vector<uint8_t> pal(1024, 0);
    pal[4 * 7 + 2] = 200;
    d.SetPalette(pal);
    d.row(0)[0] = 7;
    d.row(1)[1] = 7;
    GcDIB c;
    d.CloneTo(c);
    d.Resize(4, 3, false);
    ASSERT_EQ(d.Width(), 4);
    EXPECT_EQ(d.row(0)[0], 7);
    EXPECT_EQ(d.row(1)[1], 7);
    EXPECT_EQ(d.row(2)[3], 0);
    std::vector<uint8_t> got;
    d.GetPalette(got);
    EXPECT_EQ(got, pal);
    c.Resize(4, 4, true);
    EXPECT_EQ(c.row(1)[1], 7);
    EXPECT_EQ(c.row(3)[3], 7);
    EXPECT_EQ(c.row(0)[3], 0);

    GcDIB dst;
    dst.Create(4, 4, 32);
    cTile tile;
    ASSERT_TRUE(tile.SetPatternFromSolidColor(rgb(1, 2, 3)));
    tile.Tile(dst.hDIBDC(), 0, 0, 4, 4, true);
    EXPECT_EQ(dst.hDIBDC().pixel(3, 3), rgb(1, 2, 3));
    c.Stretch(dst.hDIBDC(), 0, 0, 2, 2, 0, 0, 0, 0);
    EXPECT_EQ(dst.hDIBDC().pixel(0, 0), rgb(200, 0, 0));
    EXPECT_EQ(dst.hDIBDC().pixel(2, 2), rgb(1, 2, 3));
}

TEST(Palette8bpp, Cubes) {
    cPal8bpp p;
    p.CreateHalfTone(4);
    EXPECT_EQ(p.Entries(), 216);
    auto is = [&](int i, int r, int g, int b) {
        const RgbQuad& q = p.Colour(i);
        return q.red == r && q.green == g && q.blue == b;
    };
    EXPECT_TRUE(is(0, 0, 0, 0));
    EXPECT_TRUE(is(5, 255, 0, 0));
    EXPECT_TRUE(is(6, 0, 51, 0));
    EXPECT_TRUE(is(36, 0, 0, 51));
    EXPECT_TRUE(is(215, 255, 255, 255));
    EXPECT_TRUE(is(216, 0, 0, 0));
    p.CreateHalfTone(1);
    EXPECT_EQ(p.Entries(), 27);
    EXPECT_TRUE(is(1, 128, 0, 0));
    EXPECT_TRUE(is(26, 255, 255, 255));
    p.CreateHalfTone(0);
    EXPECT_EQ(p.Entries(), 8);
    EXPECT_TRUE(is(7, 255, 255, 255));
    EXPECT_THROW(p.CreateHalfTone(5), RuntimeError);
    EXPECT_THROW(p.Colour(256), RuntimeError);
}

TEST(Dither8bpp, NearestCubeLevels) {
    mDither8bpp::InitDitherTables();
    EXPECT_EQ(mDither8bpp::CubeLevel(128), 3);
    EXPECT_EQ(mDither8bpp::CubeLevel(127), 2);
    EXPECT_EQ(mDither8bpp::CubeLevel(153), 3);
    EXPECT_EQ(mDither8bpp::CubeLevel(25), 0);
    EXPECT_EQ(mDither8bpp::CubeLevel(26), 1);

    GcDIB src, dst;
    src.Create(2, 1, 32);
    const uint8_t px[8] = {255, 26, 25, 0, 128, 128, 128, 0};  // B, G, R, X
    std::memcpy(src.lpBits(), px, 8);
    cPal8bpp pal;
    ASSERT_TRUE(mDither8bpp::DitherTo8bpp(src, dst, pal, false));
    EXPECT_EQ(mDither8bpp::GetPixelIndex(dst, 0, 0), 186);
    EXPECT_EQ(mDither8bpp::GetPixelIndex(dst, 1, 0), 129);
    EXPECT_EQ(dst.hDIBDC().pixel(0, 0), rgb(0, 51, 255));

    // A kept palette is reused as it stands.
    pal.lpPalette()[0] = 9;
    std::memset(src.lpBits(), 255, 8);
    ASSERT_TRUE(mDither8bpp::DitherTo8bpp(src, dst, pal, true));
    EXPECT_EQ(mDither8bpp::GetPixelIndex(dst, 1, 0), 215);
    EXPECT_EQ(pal.lpPalette()[0], 9);
}

TEST(Dither8bpp, EveryChannelValueMapsToItsCubeLevel) {
    mDither8bpp::InitDitherTables();
    // 259 pixels a row: 16 at a time and a tail of 3; each row runs one channel
    // through 0..255 while the others count down.
    constexpr int W = 259;
    for (int channel = 0; channel < 3; ++channel) {
        SCOPED_TRACE(channel);
        GcDIB src, dst;
        ASSERT_TRUE(src.Create(W, 2, 32));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < W; ++x) {
                uint8_t* p = src.row(y) + 4 * x;
                for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(c == channel ? x + y : 255 - x);
                p[3] = 0xAB;  // ignored
            }
        cPal8bpp pal;
        ASSERT_TRUE(mDither8bpp::DitherTo8bpp(src, dst, pal, false));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < W; ++x) {
                const uint8_t* p = src.row(y) + 4 * x;
                const int want = mDither8bpp::CubeLevel(p[2]) + 6 * mDither8bpp::CubeLevel(p[1]) +
                                 36 * mDither8bpp::CubeLevel(p[0]);
                ASSERT_EQ(mDither8bpp::GetPixelIndex(dst, x, y), want) << x << "," << y;
            }
    }
}

TEST(GifFrames, InsertMaskAndDraw) {
    cGIF gif;
    gif.FrameInsert(1, 3, 3);
    EXPECT_EQ(gif.ScreenWidth(), 3);
    EXPECT_EQ(gif.FrameDelay(1), 0);
    EXPECT_FALSE(gif.FrameUseTransparentColor(1));
    EXPECT_EQ(gif.FrameDIBAND(1).Bpp(), 1);
    EXPECT_THROW(gif.FrameDelay(2), RuntimeError);

    uint8_t* pal = gif.lpLocalPalette(1);
    pal[4 * 1 + 2] = 255;  // 1 red
    pal[4 * 2 + 1] = 255;  // 2 green
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) gif.FrameDIBXOR(1).row(y)[x] = (x + y) % 2 ? 2 : 1;
    gif.FrameUseTransparentColor(1, true);
    gif.FrameMask(1, 2);
    EXPECT_EQ(gif.FrameDIBAND(1).hDIBDC().rawPixel(1, 0), 1u);
    EXPECT_EQ(gif.FrameDIBAND(1).hDIBDC().rawPixel(0, 0), 0u);
    EXPECT_EQ(gif.FrameDIBXOR(1).hDIBDC().pixel(1, 0), rgb(0, 0, 0));  // shown black
    EXPECT_EQ(gif.LocalPaletteRGBEntry(1, 2), rgb(0, 255, 0));        // stored colour kept

    GcDIB canvas;
    canvas.Create(8, 8, 32);
    canvas.Cls(rgb(0, 0, 255));
    gif.FrameLeft(1, 1);
    gif.FrameDraw(canvas.hDIBDC(), 1, 0, 0, 1.5f, false);
    const Dib& c = canvas.hDIBDC();
    EXPECT_EQ(c.pixel(1, 0), rgb(0, 0, 255));  // left of the frame
    EXPECT_EQ(c.pixel(2, 0), rgb(255, 0, 0));  // 1.5 rounds to 2
    EXPECT_EQ(c.pixel(5, 3), rgb(255, 0, 0));  // 4 x 4 rectangle (4.5 rounds to 4)
    EXPECT_EQ(c.pixel(6, 0), rgb(0, 0, 255));
    EXPECT_EQ(c.pixel(2, 4), rgb(0, 0, 255));
    EXPECT_EQ(c.pixel(4, 0), rgb(0, 0, 255));  // transparent source pixel (1, 0) keeps the canvas

    // Without transparency the image is copied in its stored colours.
    gif.FrameUseTransparentColor(1, false);
    gif.FrameMask(1, 2);
    gif.FrameDraw(canvas.hDIBDC(), 1, 0, 0, 1.0f, false);
    EXPECT_EQ(c.pixel(2, 0), rgb(0, 255, 0));
    EXPECT_EQ(gif.FrameDIBAND(1).hDIBDC().rawPixel(2, 0), 0u);

    gif.FrameRemove(1);
    EXPECT_EQ(gif.FramesCount(), 0);
}
