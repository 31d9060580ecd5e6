#include <gtest/gtest.h>

#include "tools/pic2ico/Pic2IcoRules.h"

using namespace nalo;

TEST(Pic2IcoRules, SizesPreviewAndFilter) {
    EXPECT_TRUE(canCaptureIcon(32, 32));
    EXPECT_FALSE(canCaptureIcon(31, 40));
    EXPECT_FALSE(canCaptureIcon(40, 31));
    EXPECT_EQ(pictureSizeText(300, 150), "300 * 150");
    EXPECT_EQ(previewSize(300, 150), (std::pair{100, 50}));
    EXPECT_EQ(previewSize(150, 300), (std::pair{50, 100}));
    EXPECT_EQ(previewSize(64, 64), (std::pair{100, 100}));
    EXPECT_EQ(previewSize(1000, 1), (std::pair{100, 1}));
    const Dib preview = previewPicture(Dib(300, 150, 24));
    EXPECT_EQ(preview.width(), 100);
    EXPECT_EQ(preview.height(), 50);

    for (const char* ok : {"a.bmp", "A.BMP", "photo.Jpg", "x.y.gif", "a.png", "b.WebP", "c.tif", "d.TIFF"})
        EXPECT_TRUE(isIconSourceName(ok)) << ok;
    for (const char* no : {"bmp", ".bmp", "a.jpeg", "a.bmp.txt", "a.tiff.txt"}) EXPECT_FALSE(isIconSourceName(no)) << no;
    EXPECT_EQ(joinSourcePath("/home/u", "a.bmp"), "/home/u/a.bmp");
    EXPECT_EQ(joinSourcePath("/", "a.bmp"), "/a.bmp");
    EXPECT_EQ(iconBitCount(0), 1);
    EXPECT_EQ(iconBitCount(1), 4);
    EXPECT_EQ(iconBitCount(2), 8);
    EXPECT_EQ(iconBitCount(3), 24);
}

TEST(Pic2IcoRules, EveryPointOfAMagnifiedBlockHasTheIconPixelsColour) {
    Dib icon(32, 32, 24);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) icon.setPixel(x, y, rgb(static_cast<uint8_t>(x * 8), static_cast<uint8_t>(y * 8), 77));
    const Dib view = magnifiedIcon(icon);
    ASSERT_EQ(view.width(), 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) ASSERT_EQ(view.pixel(x, y), icon.pixel(x / 8, y / 8)) << x << "," << y;
}
