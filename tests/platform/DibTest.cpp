#include <gtest/gtest.h>

#include "platform/Dib.h"
#include "shell/RuntimeError.h"

using namespace nalo;

namespace {
constexpr ColourValue Red = rgb(255, 0, 0), Green = rgb(0, 255, 0), Blue = rgb(0, 0, 255);
constexpr ColourValue White = rgb(255, 255, 255), Black = rgb(0, 0, 0);
}  // namespace

TEST(Dib, LayoutFollowsTheDibRules) {
    for (int bc : {1, 4, 8, 16, 24, 32}) {
        Dib d(5, 3, bc);
        EXPECT_EQ(d.stride(), ((5 * bc + 31) / 32) * 4) << bc;
        EXPECT_EQ(d.imageSize(), static_cast<size_t>(d.stride()) * 3);
        EXPECT_EQ(d.colourTable().size(), bc <= 8 ? size_t(1) << bc : 0u);
    }
    // Bottom-up: picture row 0 is the last row in memory.
    Dib bu(2, 3, 8, false);
    EXPECT_EQ(bu.row(0), bu.storedRow(2));
    Dib td(2, 3, 8, true);
    EXPECT_EQ(td.row(0), td.storedRow(0));
    EXPECT_THROW(Dib(3, 3, 7), RuntimeError);
    EXPECT_THROW(Dib(1 << 16, 1 << 16, 24), RuntimeError);
}

TEST(Dib, CropKeepsTheRectangleInBothRowOrders) {
    struct Case {
        int bits;
        bool topDown;
        int x, y, w, h;
    };
    for (const Case c : {Case{8, true, 1, 2, 3, 2}, Case{8, false, 0, 1, 5, 3}, Case{24, false, 2, 0, 2, 4},
                         Case{32, true, 3, 3, 2, 1}, Case{8, true, 0, 0, 7, 5}}) {
        SCOPED_TRACE(testing::Message() << c.bits << " bpp, top-down " << c.topDown);
        Dib d(7, 5, c.bits, c.topDown);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) d.setRawPixel(x, y, static_cast<uint32_t>(y * 16 + x + 1));
        d.crop(c.x, c.y, c.w, c.h);
        ASSERT_EQ(d.width(), c.w);
        ASSERT_EQ(d.height(), c.h);
        EXPECT_EQ(d.imageSize(), static_cast<size_t>(dibStride(c.w, c.bits) * c.h));
        for (int y = 0; y < c.h; ++y) {
            for (int x = 0; x < c.w; ++x)
                EXPECT_EQ(d.rawPixel(x, y), static_cast<uint32_t>((c.y + y) * 16 + c.x + x + 1)) << x << "," << y;
            const uint8_t* row = d.row(y);
            for (int b = c.w * c.bits / 8; b < d.stride(); ++b) EXPECT_EQ(row[b], 0) << "padding of row " << y;
        }
    }
    Dib d(4, 4, 8);
    EXPECT_THROW(d.crop(2, 0, 3, 1), RuntimeError);
    Dib mono(8, 2, 1);
    EXPECT_THROW(mono.crop(0, 0, 4, 1), RuntimeError);
}

TEST(Dib, PixelsRoundTripInEveryDepth) {
    for (int bc : {16, 24, 32}) {
        Dib d(4, 2, bc);
        d.setPixel(3, 1, rgb(248, 8, 128));
        EXPECT_EQ(d.pixel(3, 1), rgb(248, 8, 128)) << bc;
        EXPECT_EQ(d.pixel(0, 0), Black);
        EXPECT_EQ(d.pixel(4, 0), ClrInvalid);
        EXPECT_EQ(d.pixel(-1, 0), ClrInvalid);
    }
    Dib p(9, 2, 4);
    p.setColourTable({{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}});
    p.setPixel(0, 0, Red);
    p.setPixel(1, 0, rgb(10, 240, 5));  // nearest is green
    EXPECT_EQ(p.rawPixel(0, 0), 1u);
    EXPECT_EQ(p.rawPixel(1, 0), 2u);
    EXPECT_EQ(p.row(0)[0], 0x12);  // left pixel in the high nibble
    Dib m(10, 1, 1);
    m.setRawPixel(0, 0, 1);
    m.setRawPixel(9, 0, 1);
    EXPECT_EQ(m.row(0)[0], 0x80);
    EXPECT_EQ(m.row(0)[1], 0x40);
}

TEST(Dib, FillIsClipped) {
    Dib d(4, 4, 24);
    d.fillRect(2, 2, 10, 10, Blue);
    EXPECT_EQ(d.pixel(1, 1), Black);
    EXPECT_EQ(d.pixel(2, 2), Blue);
    EXPECT_EQ(d.pixel(3, 3), Blue);
    d.fillRect(-5, -5, 6, 6, Red);
    EXPECT_EQ(d.pixel(0, 0), Red);
    EXPECT_EQ(d.pixel(1, 1), Black);
    // Monochrome and 4-bit fills, aligned and not, over several rows.
    for (int bc : {1, 4}) {
        Dib m(21, 5, bc);
        m.fill(White);
        m.fillRect(3, 1, 9, 3, Black);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 21; ++x) {
                bool inside = x >= 3 && x < 12 && y >= 1 && y < 4;
                EXPECT_EQ(m.pixel(x, y), inside ? Black : White) << bc << " " << x << "," << y;
            }
    }
}

TEST(Dib, NearestIndexTiesGoToTheLowestEntry) {
    std::vector<RgbQuad> t = {{0, 0, 10, 0}, {0, 0, 20, 0}, {0, 0, 20, 0}};
    EXPECT_EQ(nearestIndex(t, rgb(15, 0, 0)), 0);
    EXPECT_EQ(nearestIndex(t, rgb(20, 0, 0)), 1);
}

TEST(BitBlt, RasterOperationsCombineWithTheDestination) {
    Dib src(1, 1, 24), dst(1, 1, 24);
    src.setPixel(0, 0, rgb(0x0F, 0xF0, 0x33));
    dst.setPixel(0, 0, rgb(0xFF, 0x0F, 0x55));
    Dib d = dst;
    bitBlt(d, 0, 0, 1, 1, src, 0, 0, Rop::SrcAnd);
    EXPECT_EQ(d.pixel(0, 0), rgb(0x0F, 0x00, 0x11));
    d = dst;
    bitBlt(d, 0, 0, 1, 1, src, 0, 0, Rop::SrcPaint);
    EXPECT_EQ(d.pixel(0, 0), rgb(0xFF, 0xFF, 0x77));
    d = dst;
    bitBlt(d, 0, 0, 1, 1, src, 0, 0, Rop::SrcInvert);
    EXPECT_EQ(d.pixel(0, 0), rgb(0xF0, 0xFF, 0x66));
}

TEST(BitBlt, ColourAndMonochromeConversions) {
    Dib colour(3, 1, 24);
    colour.setPixel(0, 0, White);
    colour.setPixel(1, 0, Red);
    colour.setPixel(2, 0, Green);
    Dib mono(3, 1, 1);
    BltColours c;
    c.srcBackColour = Red;  // pixels equal to the source background become 1
    bitBlt(mono, 0, 0, 3, 1, colour, 0, 0, Rop::SrcCopy, c);
    EXPECT_EQ(mono.rawPixel(0, 0), 0u);
    EXPECT_EQ(mono.rawPixel(1, 0), 1u);
    EXPECT_EQ(mono.rawPixel(2, 0), 0u);

    // Mono to colour: 0 takes the text colour, 1 the background colour.
    Dib back(3, 1, 32);
    BltColours m;
    m.dstTextColour = Blue;
    m.dstBackColour = Green;
    bitBlt(back, 0, 0, 3, 1, mono, 0, 0, Rop::SrcCopy, m);
    EXPECT_EQ(back.pixel(0, 0), Blue);
    EXPECT_EQ(back.pixel(1, 0), Green);
    EXPECT_EQ(back.pixel(2, 0), Blue);
}

TEST(BitBlt, PalettedDestinationTakesTheNearestEntryAndClips) {
    Dib src(4, 4, 32);
    src.fill(rgb(250, 5, 5));
    Dib dst(3, 3, 8);
    std::vector<RgbQuad> t(256, RgbQuad{0, 0, 0, 0});
    t[7] = {0, 0, 255, 0};
    dst.setColourTable(t);
    bitBlt(dst, 1, 1, 10, 10, src, 0, 0);
    EXPECT_EQ(dst.rawPixel(0, 0), 0u);
    EXPECT_EQ(dst.rawPixel(1, 1), 7u);
    EXPECT_EQ(dst.rawPixel(2, 2), 7u);
    // Negative source origin shifts the destination instead.
    Dib d2(3, 3, 24);
    Dib s2(3, 3, 24);
    s2.setPixel(0, 0, Red);
    bitBlt(d2, 0, 0, 3, 3, s2, -1, -1);
    EXPECT_EQ(d2.pixel(1, 1), Red);
    EXPECT_EQ(d2.pixel(0, 0), Black);
}

TEST(BitBlt, MixedRowOrdersKeepThePictureUpright) {
    Dib td(2, 2, 24, true), bu(2, 2, 24, false);
    td.setPixel(0, 0, Red);
    td.setPixel(1, 1, Blue);
    bitBlt(bu, 0, 0, 2, 2, td, 0, 0);
    EXPECT_EQ(bu.pixel(0, 0), Red);
    EXPECT_EQ(bu.pixel(1, 1), Blue);
    Dib flipped = bu.withRowOrder(true);
    EXPECT_EQ(flipped.pixel(0, 0), Red);
    EXPECT_EQ(flipped.row(0)[2], 255);
}

TEST(StretchBlt, NearestPixelWithoutBlending) {
    Dib src(2, 1, 24);
    src.setPixel(0, 0, Red);
    src.setPixel(1, 0, Blue);
    Dib dst(4, 2, 24);
    stretchBlt(dst, 0, 0, 4, 2, src, 0, 0, 2, 1);
    EXPECT_EQ(dst.pixel(0, 0), Red);
    EXPECT_EQ(dst.pixel(1, 1), Red);
    EXPECT_EQ(dst.pixel(2, 0), Blue);
    EXPECT_EQ(dst.pixel(3, 1), Blue);
    // Shrinking picks source pixels, never averages.
    Dib big(4, 4, 24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) big.setPixel(x, y, (x + y) % 2 ? White : Black);
    Dib small(2, 2, 24);
    stretchBlt(small, 0, 0, 2, 2, big, 0, 0, 4, 4);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            ColourValue c = small.pixel(x, y);
            EXPECT_TRUE(c == White || c == Black);
        }
    // A negative width mirrors.
    Dib mirrored(2, 1, 24);
    stretchBlt(mirrored, 2, 0, -2, 1, src, 0, 0, 2, 1);
    EXPECT_EQ(mirrored.pixel(0, 0), Blue);
    EXPECT_EQ(mirrored.pixel(1, 0), Red);
}
