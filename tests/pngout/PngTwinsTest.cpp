// PNG output of the frame and colour-depth tools: each PNG holds the pixels of the
// BMP the same run writes without the option, and indexed depths stay indexed.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "platform/PictureIo.h"

using namespace nalo;
using namespace nalo::test;

TEST(PngTwins, PngOutputsEqualTheirBmpTwins) {
    if (!haveTool("ffmpeg") || !haveTool("convert")) GTEST_SKIP() << "ffmpeg or ImageMagick missing";
    TempDir t;
    const std::string nc = "'" + appDir() + "/nalo-convert' ";
    ASSERT_EQ(runCommand("ffmpeg -v error -y -f lavfi -i testsrc2=size=42x30:rate=25 -frames:v 3 -c:v rawvideo "
                         "-pix_fmt bgr24 '" + t.file("in.avi") + "'"), 0);
    ASSERT_EQ(runCommand("ffmpeg -v error -y -f lavfi -i testsrc2=size=37x23:rate=10 -frames:v 3 '" +
                         t.file("anim.gif") + "'"), 0);
    ASSERT_EQ(runCommand("convert -seed 1 -size 61x47 plasma:fractal BMP3:'" + t.file("photo.bmp") + "'"), 0);
    for (const char* sub : {"bmp", "png"}) ASSERT_EQ(runCommand("mkdir '" + t.file(sub) + "'"), 0);

    struct Case {
        const char* bmpArgs;  // the BMP run; the PNG run adds pngArgs
        const char* pngArgs;
        const char* bmp;      // outputs under bmp/ and png/
        const char* png;
        int pngBitDepth, pngColourType;  // 0 when not checked
    } cases[] = {
        {"a2bj --out DIR IN.avi", "--png", "f0002.bmp", "f0002.png", 8, 2},
        {"a2bj --size 20x50 --out DIR IN.avi", "--png", "f0001.bmp", "f0001.png", 8, 2},
        {"g2g --to bmp DIR/anim.gif", "", "anim_002.bmp", "anim_002.png", 8, 2},
        {"cdepth --depth bw --method optimal photo.bmp DIR/o", "", "o.bmp", "o.png", 1, 3},
        {"cdepth --depth 16 --method effect photo.bmp DIR/o", "", "o.bmp", "o.png", 4, 3},
        {"cdepth --depth 256 --method optimal photo.bmp DIR/o", "", "o.bmp", "o.png", 8, 3},
        {"cdepth --depth full --method default photo.bmp DIR/o", "", "o.bmp", "o.png", 8, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bmpArgs);
        for (const std::string kind : {"bmp", "png"}) {
            std::string args = c.bmpArgs;
            const bool png = kind == "png";
            auto replace = [&](const std::string& from, const std::string& to) {
                if (auto at = args.find(from); at != std::string::npos) args.replace(at, from.size(), to);
            };
            if (args.starts_with("g2g")) {
                ASSERT_EQ(runCommand("cp '" + t.file("anim.gif") + "' '" + t.file(kind) + "/'"), 0);
                if (png) replace("--to bmp", "--to png");
            }
            replace(" DIR/o", " '" + t.file(kind) + "/o." + kind + "'");
            replace("DIR", "'" + t.file(kind) + "'");
            replace("IN.avi", "--name f '" + t.file("in.avi") + "'");
            replace("photo.bmp", "'" + t.file("photo.bmp") + "'");
            if (png && *c.pngArgs) args = args.substr(0, args.find(' ')) + " " + c.pngArgs + args.substr(args.find(' '));
            ASSERT_EQ(runCommand(nc + args + " >/dev/null"), 0) << args;
        }
        const Dib bmp = loadPicture(t.file("bmp/") + c.bmp);
        const Dib png = loadPicture(t.file("png/") + c.png);
        ASSERT_EQ(png.width(), bmp.width());
        ASSERT_EQ(png.height(), bmp.height());
        size_t differ = 0;
        for (int y = 0; y < bmp.height(); ++y)
            for (int x = 0; x < bmp.width(); ++x) differ += bmp.pixel(x, y) != png.pixel(x, y);
        EXPECT_EQ(differ, 0u);
        const auto bytes = readFile(t.file("png/") + c.png);
        ASSERT_GT(bytes.size(), 26u);
        EXPECT_EQ(bytes[24], c.pngBitDepth);
        EXPECT_EQ(bytes[25], c.pngColourType);
    }
}
