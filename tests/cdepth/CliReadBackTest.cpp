// Every depth and correction through nalo-convert on a photograph-like picture; the
// written file read back by ImageMagick holds the pixels of the converted picture.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "imaging/cDIBSection.h"
#include "platform/PictureIo.h"
#include "tools/cdepth/CDepthConversion.h"

using namespace nalo;
using namespace nalo::cdepth;

TEST(CliReadBack, EveryCombinationOnAPhotograph) {
    if (!test::haveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
    test::TempDir t;
    const std::string in = t.file("in.bmp");
    ASSERT_EQ(test::runCommand("convert -seed 1 -size 160x120 plasma:fractal BMP3:'" + in + "'"), 0);
    struct Case { const char* args; Options o; int bits; } cases[] = {
        {"--depth bw --method default", {BlackWhite, MethodDefault, PaletteNone}, 1},
        {"--depth bw --method effect", {BlackWhite, MethodEffect, PaletteNone}, 1},
        {"--depth bw --method optimal", {BlackWhite, MethodOptimal, PaletteNone}, 1},
        {"--depth 16 --method default", {Colours16, MethodDefault, PaletteNone}, 4},
        {"--depth 16 --method effect", {Colours16, MethodEffect, PaletteNone}, 4},
        {"--depth 256 --method default", {Colours256, MethodDefault, PaletteNone}, 8},
        {"--depth 256 --method effect", {Colours256, MethodEffect, PaletteHalfTone}, 8},
        {"--depth 256 --method effect --palette websafe", {Colours256, MethodEffect, PaletteWebSafe}, 8},
        {"--depth 256 --method optimal", {Colours256, MethodOptimal, PaletteNone}, 8},
        {"--depth full --method default", {FullColour, MethodDefault, PaletteNone}, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const std::string out = t.file("out.bmp");
        ASSERT_EQ(test::runCommand("'" + test::appDir() + "/nalo-convert' cdepth " + c.args + " '" + in + "' '" +
                                   out + "'"),
                  0);
        cDIBSection preview;
        preview.CreateFromPicture(loadPicture(in));
        auto saver = convertPicture(preview, c.o);
        ASSERT_TRUE(saver);
        std::string info;
        ASSERT_EQ(test::runCommand("identify -format '%z %k' '" + out + "'", &info), 0);
        // ImageMagick's raw RGB, top row first.
        const std::string rgbFile = t.file("out.rgb");
        ASSERT_EQ(test::runCommand("convert '" + out + "' -depth 8 rgb:'" + rgbFile + "'"), 0);
        auto rgb = test::readFile(rgbFile);
        ASSERT_EQ(rgb.size(), size_t(160 * 120 * 3));
        size_t bad = 0;
        for (int y = 0; y < 120; ++y) {
            const uint8_t* row = preview.DIBSectionBitsPtr() + (119 - y) * preview.BytesPerScanLine();
            for (int x = 0; x < 160; ++x) {
                const uint8_t* m = &rgb[size_t(y * 160 + x) * 3];
                if (m[0] != row[3 * x + 2] || m[1] != row[3 * x + 1] || m[2] != row[3 * x]) ++bad;
            }
        }
        EXPECT_EQ(bad, 0u);
        auto file = test::readFile(out);
        EXPECT_EQ(file[28], c.bits);
        if (c.bits == 8 && c.o.method == MethodEffect && c.o.palette == PaletteWebSafe) {
            EXPECT_EQ(file[54 + 4 * 8], 0);   // entry 9 (51, 0, 0) as b, g, r
            EXPECT_EQ(file[54 + 4 * 8 + 2], 51);
            EXPECT_EQ(file[54 + 4 * 216], 8);  // entry 217, the (8, 8, 8) grey
        }
    }
}

TEST(CliReadBack, FailuresNameTheFileAndUsageIsExit2) {
    test::TempDir t;
    const std::string nc = "'" + test::appDir() + "/nalo-convert' cdepth ";
    std::string out;
    EXPECT_EQ(test::runCommand(nc + "--depth 256 --method default '" + t.file("none.bmp") + "' '" + t.file("o.bmp") +
                               "' 2>&1", &out), 1);
    EXPECT_NE(out.find("none.bmp"), std::string::npos);
    EXPECT_EQ(test::runCommand(nc + "--depth 99 a b 2>/dev/null"), 2);
    EXPECT_EQ(test::runCommand(nc + "--depth full --method effect a b 2>/dev/null"), 2);
    EXPECT_EQ(test::runCommand(nc + "--depth 16 --method effect --palette websafe a b 2>/dev/null"), 2);
}
