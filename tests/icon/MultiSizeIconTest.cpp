// nalo-convert ico --sizes: one icon of seven sizes as ImageMagick reads it, the
// picture's alpha kept and the edges of a red disc still red (no dark fringe).
#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace nalo::test;

TEST(MultiSizeIcon, SevenSizesWithAlphaAndThe256AsPng) {
    if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
    TempDir t;
    const std::string src = t.file("disc.png"), ico = t.file("out.ico");
    ASSERT_EQ(runCommand("convert -size 300x200 xc:none -fill red -draw 'circle 150,100 150,10' '" + src + "'"), 0);
    ASSERT_EQ(runCommand("'" + appDir() + "/nalo-convert' ico --sizes all '" + src + "' '" + ico + "'"), 0);
    std::string listing;
    ASSERT_EQ(runCommand("identify -format '%m %w %A\\n' '" + ico + "'", &listing), 0);
    EXPECT_EQ(listing,
              "ICO 16 True\nICO 24 True\nICO 32 True\nICO 48 True\nICO 64 True\nICO 128 True\nPNG 256 True\n");
    const int sides[] = {16, 24, 32, 48, 64, 128, 256};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(sides[i]);
        const std::string raw = t.file("image.rgba");
        ASSERT_EQ(runCommand("convert '" + ico + "[" + std::to_string(i) + "]' -depth 8 rgba:'" + raw + "'"), 0);
        const auto px = readFile(raw);
        const int n = sides[i];
        ASSERT_EQ(px.size(), size_t(n) * n * 4);
        EXPECT_EQ(px[3], 0) << "corner clear";
        const size_t centre = (size_t(n / 2) * n + n / 2) * 4;
        EXPECT_EQ(px[centre + 3], 255) << "centre opaque";
        size_t partial = 0, fringed = 0;
        for (size_t p = 0; p < px.size(); p += 4)
            if (px[p + 3] != 0 && px[p + 3] != 255) {
                ++partial;
                fringed += px[p] < 250 || px[p + 1] > 5 || px[p + 2] > 5;
            }
        EXPECT_GT(partial, 0u) << "smooth edge";
        EXPECT_EQ(fringed, 0u);
    }
}
