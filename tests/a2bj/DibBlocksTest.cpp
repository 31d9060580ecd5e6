// cDIB and FDIBPointer: BMP files and packed DIBs held as raw blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "codecs/FDIBPointer.h"
#include "codecs/cDIB.h"
#include "codecs/LittleEndian.h"
#include "shell/RuntimeError.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;

namespace {

// A packed DIB: 40-byte header, then `imageSize` pixel bytes counting up.
std::vector<uint8_t> packedDib(int w, int h, int bitCount, uint32_t imageSize) {
    std::vector<uint8_t> block(40 + imageSize);
    BITMAPINFOHEADER bih;
    bih.biWidth = w;
    bih.biHeight = h;
    bih.biBitCount = uint16_t(bitCount);
    bih.biSizeImage = imageSize;
    std::memcpy(block.data(), &bih, 40);
    for (uint32_t i = 0; i < imageSize; ++i) block[40 + i] = uint8_t(i * 7);
    return block;
}

// An 8-bit BMP file with a 256-entry table: offset 1078.
std::vector<uint8_t> bmp8(int w, int h) {
    const uint32_t stride = (uint32_t(w) + 3) & ~3u, image = stride * uint32_t(h);
    std::vector<uint8_t> f(1078 + image);
    f[0] = 'B';
    f[1] = 'M';
    putLe32(&f[2], uint32_t(f.size()));
    putLe32(&f[10], 1078);
    putLe32(&f[14], 40);
    putLe32(&f[18], uint32_t(w));
    putLe32(&f[22], uint32_t(h));
    putLe16(&f[26], 1);
    putLe16(&f[28], 8);
    putLe32(&f[34], image);
    putLe32(&f[46], 256);
    for (size_t i = 54; i < f.size(); ++i) f[i] = uint8_t(i * 13 + 5);
    return f;
}

}  // namespace

TEST(FDIBPointer, FrameFileIsHeadersPlusImageAndReplacesALongerFile) {
    TempDir dir;
    const auto frame = packedDib(640, 480, 24, 921600);
    FDIBPointer dib;
    ASSERT_TRUE(dib.CreateFromPackedDIBPointer(frame.data()));
    const std::string path = dir.file("f.bmp");
    writeFile(path, std::vector<uint8_t>(2'000'000, 0xEE));
    ASSERT_TRUE(dib.WriteToFile(path));
    const auto bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 921654u);
    EXPECT_EQ(getLe16(&bytes[0]), 0x4D42);
    EXPECT_EQ(getLe32(&bytes[2]), 921654u);
    EXPECT_EQ(getLe32(&bytes[6]), 0u);
    EXPECT_EQ(getLe32(&bytes[10]), 54u);
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), bytes.begin() + 14));
    // A failed write reports false and leaves nothing behind.
    EXPECT_FALSE(dib.WriteToFile(dir.file("missing/f.bmp")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(PackedDib, RefusedBelowSixteenBitsAndWithoutPixels) {
    const auto eight = packedDib(4, 4, 8, 16), empty = packedDib(4, 4, 24, 0);
    FDIBPointer f;
    EXPECT_FALSE(f.CreateFromPackedDIBPointer(eight.data()));
    EXPECT_FALSE(f.CreateFromPackedDIBPointer(empty.data()));
    cDIB c;
    EXPECT_FALSE(c.CreateFromPackedDIBPointer(eight.data()));
    EXPECT_EQ(c.LastMessage().text, "この画像ﾌｧｲﾙの色はｻﾎﾟｰﾄしていません!");
    EXPECT_EQ(c.LastMessage().icon, MessageIcon::None);
    EXPECT_FALSE(c.CreateFromPackedDIBPointer(empty.data()));
    EXPECT_EQ(c.LastMessage().text, "");
    const auto sixteen = packedDib(4, 4, 16, 32);
    ASSERT_TRUE(c.CreateFromPackedDIBPointer(sixteen.data()));
    EXPECT_EQ(c.SizeBitmapInfo(), 40);
    EXPECT_EQ(c.BitOffset(), 54);
    EXPECT_EQ(c.SizeFileHeader(), 54 + 32);
}

TEST(cDIB, EightBitFileKeepsItsTableAndWritesBackTheSameBytes) {
    TempDir dir;
    const auto source = bmp8(13, 5);
    writeFile(dir.file("a.bmp"), source);
    cDIB dib;
    ASSERT_TRUE(dib.CreateFromFile(dir.file("a.bmp")));
    EXPECT_EQ(dib.BitOffset(), 1078);
    EXPECT_EQ(dib.SizeBitmapInfo(), 1064);
    EXPECT_EQ(dib.BitCount(), 8);
    EXPECT_EQ(dib.Width(), 13);
    EXPECT_EQ(dib.Height(), 5);
    EXPECT_EQ(dib.SizeImage(), 80);
    EXPECT_EQ(dib.ClrUsed(), 256);
    EXPECT_EQ(dib.FileType(), 19778);
    EXPECT_EQ(std::memcmp(dib.PointerToBitmapInfo(), &source[14], 1064), 0);
    EXPECT_EQ(std::memcmp(dib.PointerToBits(), &source[1078], 80), 0);
    ASSERT_TRUE(dib.WriteToFile(dir.file("b.bmp")));
    EXPECT_EQ(readFile(dir.file("b.bmp")), source);
}

TEST(cDIB, RefusedFilesGiveTheirMessages) {
    TempDir dir;
    const std::string unsupported = "ｻﾎﾟｰﾄされていないﾌｧｲﾙﾌｫｰﾏｯﾄです :\r\n";
    auto notBm = bmp8(4, 4);
    notBm[0] = 'X';
    auto pastEnd = bmp8(4, 4);
    putLe32(&pastEnd[10], 100000);
    auto huge = bmp8(4, 4);
    putLe32(&huge[34], 0xFFFFFFF0u);
    auto shortOffset = bmp8(4, 4);
    putLe32(&shortOffset[10], 40);
    auto noImage = bmp8(4, 4);
    putLe32(&noImage[34], 0);
    auto cut = bmp8(4, 4);
    cut.resize(30);
    auto tiny = bmp8(4, 4);
    tiny.resize(10);
    const std::pair<const char*, std::vector<uint8_t>> cases[] = {
        {"notbm.bmp", notBm}, {"pastend.bmp", pastEnd}, {"huge.bmp", huge},  {"short.bmp", shortOffset},
        {"noimage.bmp", noImage}, {"cut.bmp", cut},     {"tiny.bmp", tiny},
    };
    cDIB dib;
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        writeFile(dir.file(name), bytes);
        EXPECT_FALSE(dib.CreateFromFile(dir.file(name)));
        EXPECT_EQ(dib.LastMessage().text, unsupported + dir.file(name));
        EXPECT_EQ(dib.LastMessage().icon, MessageIcon::Information);
        EXPECT_THROW(dib.PointerToBits(), RuntimeError);
    }
    EXPECT_FALSE(dib.CreateFromFile(dir.file("none.bmp")));
    EXPECT_EQ(dib.LastMessage().text, "ﾌｧｲﾙが存在しません :\r\n" + dir.file("none.bmp"));
    EXPECT_EQ(dib.LastMessage().icon, MessageIcon::Critical);
    if (::geteuid() != 0) {
        writeFile(dir.file("locked.bmp"), bmp8(4, 4));
        ::chmod(dir.file("locked.bmp").c_str(), 0);
        EXPECT_FALSE(dib.CreateFromFile(dir.file("locked.bmp")));
        EXPECT_EQ(dib.LastMessage().text, "ﾌｧｲﾙがﾛｯｸされています :\r\n" + dir.file("locked.bmp"));
        EXPECT_EQ(dib.LastMessage().icon, MessageIcon::Critical);
    }
}
