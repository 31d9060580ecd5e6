#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/IcoWriter.h"
#include "icon/IconTestPictures.h"
#include "platform/DibBits.h"
#include "shell/RuntimeError.h"
#include "support/TestSupport.h"
#include "tools/pic2ico/PicToIcon.h"

using namespace nalo;
using namespace nalo::test;

namespace {

constexpr ColourValue Magenta = rgb(255, 0, 255);

struct Expected {
    int bits;
    size_t fileSize;
    uint8_t colourCount;
    uint32_t planes, entryBits, resourceBytes;
    uint32_t headerImageSize, coloursUsed;
    size_t xorOffset, maskOffset;
};

const Expected kDepths[] = {
    {1, 326, 0, 5, 7, 304, 128, 0, 70, 198},
    {4, 766, 16, 0, 0, 744, 2, 0, 126, 638},
    {8, 2238, 0, 0, 0, 2216, 1152, 256, 1086, 2110},
    {24, 3266, 0, 0, 0, 3244, 1153, 1, 66, 3138},
};

bool maskBit(const std::vector<uint8_t>& f, size_t maskOffset, int x, int y) {
    const uint8_t byte = f[maskOffset + static_cast<size_t>(31 - y) * 4 + static_cast<size_t>(x / 8)];
    return (byte >> (7 - x % 8)) & 1;
}

}  // namespace

TEST(IconBuilder, FileLayoutFieldByFieldAtEveryDepth) {
    TempDir dir;
    const Dib picture = patternPicture({rgb(255, 0, 0), rgb(0, 0, 255), rgb(255, 255, 255)}, Magenta);
    for (const auto& e : kDepths) {
        SCOPED_TRACE(e.bits);
        const std::string path = dir.file("i" + std::to_string(e.bits) + ".ico");
        ASSERT_TRUE(MakeIcon(picture, Magenta, path, e.bits));
        const auto f = readFile(path);
        ASSERT_EQ(f.size(), e.fileSize);
        EXPECT_EQ(f.size(), static_cast<size_t>(icoFileSize(e.bits)));
        // Directory.
        EXPECT_EQ(le16(f, 0), 0u);
        EXPECT_EQ(le16(f, 2), 1u);
        EXPECT_EQ(le16(f, 4), 1u);
        EXPECT_EQ(f[6], 32);
        EXPECT_EQ(f[7], 32);
        EXPECT_EQ(f[8], e.colourCount);
        EXPECT_EQ(f[9], 0);
        EXPECT_EQ(le16(f, 10), e.planes);
        EXPECT_EQ(le16(f, 12), e.entryBits);
        EXPECT_EQ(le32(f, 14), e.resourceBytes);
        EXPECT_EQ(le32(f, 18), 22u);
        // Image header.
        EXPECT_EQ(le32(f, 22), 40u);
        EXPECT_EQ(le32(f, 26), 32u);
        EXPECT_EQ(le32(f, 30), 64u);
        EXPECT_EQ(le16(f, 34), 1u);
        EXPECT_EQ(le16(f, 36), static_cast<uint32_t>(e.bits));
        EXPECT_EQ(le32(f, 38), 0u);
        EXPECT_EQ(le32(f, 42), e.headerImageSize);
        EXPECT_EQ(le32(f, 46), 0u);
        EXPECT_EQ(le32(f, 50), 0u);
        EXPECT_EQ(le32(f, 54), e.coloursUsed);
        EXPECT_EQ(le32(f, 58), 0u);
        // Colour table.
        if (e.bits == 24) {
            EXPECT_EQ(le32(f, 62), 0x20202020u);
        } else {
            const auto& table = defaultColourTable(e.bits);
            for (size_t i = 0; i < table.size(); ++i) {
                EXPECT_EQ(f[62 + 4 * i], table[i].blue);
                EXPECT_EQ(f[62 + 4 * i + 1], table[i].green);
                EXPECT_EQ(f[62 + 4 * i + 2], table[i].red);
                EXPECT_EQ(f[62 + 4 * i + 3], 0);
            }
        }
        // Mask, bottom row first: transparent spots are 1, the rest 0.
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) ASSERT_EQ(maskBit(f, e.maskOffset, x, y), isTransparentSpot(x, y)) << x << "," << y;
    }
}

TEST(IconBuilder, XorImageRowsAreBottomUpWithTransparentPixelsBlack) {
    TempDir dir;
    Dib picture(32, 32, 24);
    picture.fill(rgb(10, 20, 30));
    picture.fillRect(0, 0, 32, 1, rgb(200, 100, 50));  // top row
    picture.setPixel(5, 31, Magenta);                  // bottom row, transparent
    const std::string path = dir.file("x.ico");
    ASSERT_TRUE(MakeIcon(picture, Magenta, path, 24));
    const auto f = readFile(path);
    // First stored row is the bottom row.
    EXPECT_EQ(f[66 + 5 * 3], 0);
    EXPECT_EQ(f[66 + 5 * 3 + 1], 0);
    EXPECT_EQ(f[66 + 5 * 3 + 2], 0);
    EXPECT_EQ(f[66], 30);  // blue of (0, 31)
    EXPECT_EQ(f[66 + 1], 20);
    EXPECT_EQ(f[66 + 2], 10);
    const size_t top = 66 + 31 * 96;
    EXPECT_EQ(f[top], 50);
    EXPECT_EQ(f[top + 1], 100);
    EXPECT_EQ(f[top + 2], 200);
}

TEST(IconBuilder, MasksForNoneAndAllTransparent) {
    TempDir dir;
    Dib none(32, 32, 24);
    none.fill(rgb(1, 2, 3));
    Dib all(32, 32, 24);
    all.fill(Magenta);
    for (const auto& e : kDepths) {
        SCOPED_TRACE(e.bits);
        ASSERT_TRUE(MakeIcon(none, Magenta, dir.file("n.ico"), e.bits));
        auto f = readFile(dir.file("n.ico"));
        for (size_t i = e.maskOffset; i < f.size(); ++i) ASSERT_EQ(f[i], 0x00) << i;

        ASSERT_TRUE(MakeIcon(all, Magenta, dir.file("a.ico"), e.bits));
        f = readFile(dir.file("a.ico"));
        for (size_t i = e.maskOffset; i < f.size(); ++i) ASSERT_EQ(f[i], 0xFF) << i;
        // All-black XOR image: black is index 0 of every default table.
        for (size_t i = e.xorOffset; i < e.maskOffset; ++i) ASSERT_EQ(f[i], 0x00) << i;
    }
}

TEST(IconBuilder, OnlyTheTopLeft32x32AreUsed) {
    TempDir dir;
    Dib big(100, 70, 24);
    big.fill(Magenta);
    big.fillRect(0, 0, 32, 32, rgb(0, 0, 255));
    Dib exact(32, 32, 24);
    exact.fill(rgb(0, 0, 255));
    for (int bits : {1, 4, 8, 24}) {
        ASSERT_TRUE(MakeIcon(big, Magenta, dir.file("big.ico"), bits));
        ASSERT_TRUE(MakeIcon(exact, Magenta, dir.file("exact.ico"), bits));
        EXPECT_EQ(readFile(dir.file("big.ico")), readFile(dir.file("exact.ico"))) << bits;
    }
}

TEST(IconBuilder, ReplacesALargerFileAndWritesNothingForOtherBitCounts) {
    TempDir dir;
    const std::string path = dir.file("over.ico");
    writeFile(path, std::vector<uint8_t>(10000, 0xAB));
    Dib picture(32, 32, 24);
    ASSERT_TRUE(MakeIcon(picture, Magenta, path, 24));
    EXPECT_EQ(std::filesystem::file_size(path), 3266u);

    for (int bits : {0, 2, 16, 32}) {
        EXPECT_FALSE(MakeIcon(picture, Magenta, dir.file("none.ico"), bits));
        EXPECT_FALSE(std::filesystem::exists(dir.file("none.ico"))) << bits;
    }
    EXPECT_FALSE(MakeIcon(Dib(), Magenta, dir.file("none.ico"), 24));
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.ico")));
}

TEST(IconBuilder, UnwritablePathRaisesNamingTheFileAndKeepsTheOldOne) {
    TempDir dir;
    Dib picture(32, 32, 24);
    const std::string missing = dir.file("no-such-folder/x.ico");
    try {
        MakeIcon(picture, Magenta, missing, 8);
        FAIL() << "no error raised";
    } catch (const RuntimeError& e) {
        EXPECT_NE(e.description().find(missing), std::string::npos) << e.description();
    }
    // A folder in the way: the rename fails, nothing else is left behind.
    std::filesystem::create_directory(dir.file("taken.ico"));
    EXPECT_THROW(MakeIcon(picture, Magenta, dir.file("taken.ico"), 4), RuntimeError);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.ico")));
    size_t entries = 0;
    for (auto& ent : std::filesystem::directory_iterator(dir.path())) {
        (void)ent;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

TEST(IconBuilder, ChangePixelsReplacesOnlyTheColourInsideTheRectangle) {
    Dib src(6, 4, 24);
    src.fill(rgb(9, 9, 9));
    src.setPixel(1, 1, Magenta);
    src.setPixel(4, 2, Magenta);
    src.setPixel(0, 0, Magenta);  // outside the rectangle
    Dib dst(6, 4, 24);
    dst.fill(rgb(77, 77, 77));
    ChangePixels(src, 1, 1, 4, 2, Magenta, rgb(0, 200, 0), dst);
    EXPECT_EQ(dst.pixel(1, 1), rgb(0, 200, 0));
    EXPECT_EQ(dst.pixel(4, 2), rgb(0, 200, 0));
    EXPECT_EQ(dst.pixel(2, 1), rgb(9, 9, 9));
    EXPECT_EQ(dst.pixel(0, 0), rgb(77, 77, 77));
    EXPECT_EQ(dst.pixel(5, 3), rgb(77, 77, 77));
}

TEST(IconBuilder, DefaultTablesMapToTheNearestColour) {
    Dib src(4, 1, 24);
    src.setPixel(0, 0, rgb(128, 0, 0));    // dark red: exact in 16 and 256
    src.setPixel(1, 0, rgb(250, 240, 10)); // near yellow
    src.setPixel(2, 0, rgb(100, 100, 100));
    src.setPixel(3, 0, rgb(60, 60, 60));
    const Dib four = dibBits(src, 4);
    EXPECT_EQ(four.rawPixel(0, 0), 1u);
    EXPECT_EQ(four.rawPixel(1, 0), 11u);
    EXPECT_EQ(four.rawPixel(2, 0), 8u);  // grey 128 is nearer than black
    EXPECT_EQ(four.rawPixel(3, 0), 0u);
    const Dib eight = dibBits(src, 8);
    EXPECT_EQ(eight.colourTable().size(), 256u);
    EXPECT_EQ(eight.pixel(0, 0), rgb(128, 0, 0));
    EXPECT_EQ(eight.pixel(2, 0), rgb(102, 102, 102));  // cube grey
    EXPECT_EQ(eight.pixel(3, 0), rgb(58, 58, 58));     // grey ramp
    const Dib one = dibBits(src, 1);
    EXPECT_EQ(one.rawPixel(1, 0), 1u);
    EXPECT_EQ(one.rawPixel(3, 0), 0u);
}
