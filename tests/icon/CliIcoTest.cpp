#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "codecs/PngWriter.h"
#include "icon/IconTestPictures.h"
#include "platform/PictureIo.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;

namespace {

constexpr ColourValue Red = rgb(255, 0, 0), Blue = rgb(0, 0, 255), Green = rgb(0, 255, 0);
constexpr ColourValue Black = rgb(0, 0, 0), Grey = rgb(90, 90, 90);

int ico(const std::string& options, std::string* log = nullptr) {
    std::string out;
    int rc = runCommand("'" + appDir() + "/nalo-convert' ico " + options, &out);
    if (log) *log = out;
    return rc;
}

// Pixel (x, y) (0 = top) of a 24-bit icon file, and its mask bit.
ColourValue icoPixel24(const std::vector<uint8_t>& f, int x, int y) {
    const size_t at = 66 + static_cast<size_t>(31 - y) * 96 + static_cast<size_t>(x) * 3;
    return rgb(f[at + 2], f[at + 1], f[at]);
}
bool icoMask(const std::vector<uint8_t>& f, int x, int y) {
    const size_t at = f.size() - 128 + static_cast<size_t>(31 - y) * 4 + static_cast<size_t>(x / 8);
    return (f[at] >> (7 - x % 8)) & 1;
}

class CliIco : public ::testing::Test {
protected:
    void SetUp() override {
        savePictureBmp(quadrantPicture(), dir.file("quad.bmp"));
        Dib exact(32, 32, 24);
        exact.fill(rgb(0, 128, 128));
        savePictureBmp(exact, dir.file("exact.bmp"));
    }
    std::string in(const std::string& n) const { return "'" + dir.file(n) + "'"; }
    TempDir dir;
};

}  // namespace

TEST_F(CliIco, RegionCapturesTheSquareWithAPickedTransparentColour) {
    std::string log;
    ASSERT_EQ(ico("--colours 24 --region 10,10,40 --transparent-at 0,0 " + in("quad.bmp") + " " + in("q.ico"), &log), 0)
        << log;
    const auto f = readFile(dir.file("q.ico"));
    ASSERT_EQ(f.size(), 3266u);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const ColourValue want = y < 16 ? (x < 16 ? Red : Blue) : (x < 16 ? Green : Black);
            ASSERT_EQ(icoMask(f, x, y), want == Red) << x << "," << y;
            ASSERT_EQ(icoPixel24(f, x, y), want == Red ? Black : want) << x << "," << y;
        }
    // Outside the picture the square is white.
    ASSERT_EQ(ico("--colours 24 --region 190,90,20 --transparent 00FF00 " + in("quad.bmp") + " " + in("w.ico")), 0);
    const auto w = readFile(dir.file("w.ico"));
    EXPECT_EQ(icoPixel24(w, 0, 0), Grey);
    EXPECT_EQ(icoPixel24(w, 31, 31), rgb(255, 255, 255));
}

// A 64 x 64 red square whose 16-pixel border is clear: the border becomes the mask,
// drawn black, unless a transparent colour is given.
TEST_F(CliIco, ASourcesAlphaMarksTheMaskWithoutATransparentColour) {
    Dib png(64, 64, 32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            uint8_t* p = png.row(y) + x * 4;
            p[2] = 255;
            p[3] = x >= 16 && x < 48 && y >= 16 && y < 48 ? 255 : 0;
        }
    savePicturePng(png, dir.file("bordered.png"));
    const struct {
        const char* options;
        bool byAlpha;
    } cases[] = {{"--region 0,0,64", true}, {"--shrink 0", true}, {"", true}, {"--transparent FF0000", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        ASSERT_EQ(ico(std::string("--colours 24 ") + c.options + " " + in("bordered.png") + " " + in("b.ico")), 0);
        const auto f = readFile(dir.file("b.ico"));
        ASSERT_EQ(f.size(), 3266u);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const int edge = std::min(std::min(x, y), std::min(31 - x, 31 - y));  // 8 = first inner pixel
                if (edge == 7 || edge == 8) continue;  // blended by the averaging shrink
                const bool clear = c.byAlpha ? edge < 8 : edge > 8;
                ASSERT_EQ(icoMask(f, x, y), clear) << x << "," << y;
                ASSERT_EQ(icoPixel24(f, x, y), clear ? Black : edge > 8 ? Red : rgb(255, 255, 255)) << x << "," << y;
            }
    }
}

TEST_F(CliIco, ShrinkQualitiesAndPreparations) {
    std::string log;
    // Default: preparation 0 and the best quality; black is transparent by default.
    ASSERT_EQ(ico("--colours 4 " + in("exact.bmp") + " " + in("d.ico"), &log), 0) << log;
    EXPECT_EQ(std::filesystem::file_size(dir.file("d.ico")), 766u);
    ASSERT_EQ(ico("--colours 24 --shrink 1 --transparent 008080 " + in("exact.bmp") + " " + in("t.ico"), &log), 0)
        << log;
    const auto t = readFile(dir.file("t.ico"));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_TRUE(icoMask(t, x, y));

    // Quality 2 of a 32 x 32 picture cannot be made.
    EXPECT_EQ(ico("--colours 8 --shrink 2 " + in("exact.bmp") + " " + in("f.ico"), &log), 1);
    EXPECT_NE(log.find(dir.file("exact.bmp")), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(dir.file("f.ico")));

    // 200 x 100: mode 0 leaves the white margin, mode 1 black bands, mode 2 fills the icon.
    const std::pair<const char*, ColourValue> modes[] = {
        {"0", rgb(255, 255, 255)}, {"1", Black}, {"2", Grey}};
    for (auto [mode, top] : modes) {
        ASSERT_EQ(ico(std::string("--colours 24 --shrink 3 --prepare ") + mode + " --transparent 123456 " +
                      in("quad.bmp") + " " + in("m.ico"), &log), 0) << log;
        EXPECT_EQ(icoPixel24(readFile(dir.file("m.ico")), 31, 1), top) << mode;
    }
}

TEST_F(CliIco, FailuresAndUsage) {
    std::string log;
    EXPECT_EQ(ico("--colours 24 " + in("missing.bmp") + " " + in("x.ico"), &log), 1);
    EXPECT_NE(log.find("missing.bmp"), std::string::npos) << log;
    const std::string blocked = dir.file("no-folder/x.ico");
    EXPECT_EQ(ico("--colours 24 " + in("exact.bmp") + " '" + blocked + "'", &log), 1);
    EXPECT_NE(log.find(blocked), std::string::npos) << log;

    for (const char* bad : {"", "--colours 2", "--colours 8 --region 1,2,3 --shrink 1", "--colours 8 --region 1,2",
                            "--colours 8 --region 1,2,0", "--colours 8 --shrink 4", "--colours 8 --prepare 3",
                            "--colours 8 --transparent 12345", "--colours 8 --transparent-at 32,0",
                            "--colours 8 --transparent 000000 --transparent-at 1,1", "--colours 8 --bogus",
                            "--sizes 16 --colours 8", "--sizes 16 --region 1,2,3", "--sizes 17"}) {
        EXPECT_EQ(ico(std::string(bad) + " " + in("exact.bmp") + " " + in("u.ico"), &log), 2) << bad << ": " << log;
    }
    EXPECT_EQ(ico("--colours 8 " + in("exact.bmp"), &log), 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("u.ico")));
}
