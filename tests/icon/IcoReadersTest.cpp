// Our ICO files as independent readers see them.
#include <gtest/gtest.h>

#include <filesystem>

#include "icon/IconTestPictures.h"
#include "platform/DibBits.h"
#include "support/TestSupport.h"
#include "tools/pic2ico/PicToIcon.h"

using namespace nalo;
using namespace nalo::test;

namespace {

constexpr ColourValue Magenta = rgb(255, 0, 255);
const char* const kPython = "/usr/bin/python3";

// Colours each depth's table holds exactly, so the reader must return them unchanged.
std::vector<ColourValue> exactColours(int bits) {
    switch (bits) {
    case 1: return {rgb(0, 0, 0), rgb(255, 255, 255)};
    case 4: return {rgb(128, 0, 0), rgb(0, 255, 0), rgb(0, 0, 128), rgb(192, 192, 192), rgb(255, 255, 0)};
    case 8: return {rgb(51, 102, 153), rgb(204, 0, 255), rgb(128, 128, 0), rgb(238, 238, 238), rgb(0, 51, 0)};
    default: return {rgb(1, 2, 3), rgb(250, 128, 7), rgb(90, 200, 240), rgb(255, 255, 254), rgb(0, 0, 0)};
    }
}

struct Rgba {
    std::vector<uint8_t> px;  // 32 x 32 x 4, top row first
    ColourValue colour(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * 32 + static_cast<size_t>(x)) * 4;
        return rgb(px[i], px[i + 1], px[i + 2]);
    }
    uint8_t alpha(int x, int y) const { return px[(static_cast<size_t>(y) * 32 + static_cast<size_t>(x)) * 4 + 3]; }
};

Rgba readWithImageMagick(const TempDir& dir, const std::string& ico) {
    const std::string out = dir.file("im.rgba");
    std::string log;
    EXPECT_EQ(runCommand("convert '" + ico + "' -depth 8 rgba:'" + out + "'", &log), 0) << log;
    return {readFile(out)};
}

Rgba readWithPillow(const TempDir& dir, const std::string& ico) {
    const std::string out = dir.file("pil.rgba");
    std::string log;
    const std::string script = "from PIL import Image; im = Image.open('" + ico +
                               "'); assert im.size == (32, 32); open('" + out +
                               "', 'wb').write(im.convert('RGBA').tobytes())";
    EXPECT_EQ(runCommand(std::string(kPython) + " -c \"" + script + "\"", &log), 0) << log;
    return {readFile(out)};
}

bool havePillow() { return runCommand(std::string(kPython) + " -c 'import PIL' >/dev/null") == 0; }

void expectIcon(const Rgba& got, const Dib& picture, bool compareColours) {
    ASSERT_EQ(got.px.size(), 32u * 32u * 4u);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (isTransparentSpot(x, y)) {
                ASSERT_EQ(got.alpha(x, y), 0) << x << "," << y;
            } else {
                ASSERT_EQ(got.alpha(x, y), 255) << x << "," << y;
                if (compareColours) {
                    ASSERT_EQ(got.colour(x, y), picture.pixel(x, y)) << x << "," << y;
                }
            }
        }
}

}  // namespace

TEST(IcoReaders, ImageMagickReadsEveryDepth) {
    if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        const Dib picture = patternPicture(exactColours(bits), Magenta);
        const std::string ico = dir.file("m" + std::to_string(bits) + ".ico");
        ASSERT_TRUE(MakeIcon(picture, Magenta, ico, bits));
        expectIcon(readWithImageMagick(dir, ico), picture, true);
    }
}

TEST(IcoReaders, ImageMagickSeesNearestColoursOfTheTable) {
    if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    const Dib picture = patternPicture({rgb(250, 10, 10), rgb(20, 20, 140), rgb(180, 190, 200)}, Magenta);
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        const std::string ico = dir.file("n" + std::to_string(bits) + ".ico");
        ASSERT_TRUE(MakeIcon(picture, Magenta, ico, bits));
        expectIcon(readWithImageMagick(dir, ico), dibBits(picture, bits), true);
    }
}

TEST(IcoReaders, PillowReadsEveryDepth) {
    if (!havePillow()) GTEST_SKIP() << "Pillow not installed";
    TempDir dir;
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        const Dib picture = patternPicture(exactColours(bits), Magenta);
        const std::string ico = dir.file("p" + std::to_string(bits) + ".ico");
        ASSERT_TRUE(MakeIcon(picture, Magenta, ico, bits));
        // Pillow skips the one-entry colour table of the 24-bit image and reads its pixels
        // four bytes early, so there only the transparency is compared.
        expectIcon(readWithPillow(dir, ico), picture, bits != 24);
    }
}
