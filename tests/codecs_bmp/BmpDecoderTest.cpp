#include <gtest/gtest.h>

#include "codecs/BmpDecoder.h"
#include "shell/RuntimeError.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;

namespace {

// Pixels of a file as ImageMagick reads them, top row first, R G B.
std::vector<uint8_t> magickRgb(const std::string& path) {
    std::string out = path + ".rgb";
    EXPECT_EQ(runCommand("convert '" + path + "' -depth 8 rgb:'" + out + "'"), 0);
    return readFile(out);
}

void expectSamePixels(const Dib& dib, const std::vector<uint8_t>& rgbBytes, const std::string& what) {
    ASSERT_EQ(rgbBytes.size(), static_cast<size_t>(dib.width()) * dib.height() * 3) << what;
    int bad = 0;
    for (int y = 0; y < dib.height(); ++y)
        for (int x = 0; x < dib.width(); ++x) {
            const uint8_t* p = &rgbBytes[(static_cast<size_t>(y) * dib.width() + x) * 3];
            if (dib.pixel(x, y) != rgb(p[0], p[1], p[2]) && bad++ < 3)
                ADD_FAILURE() << what << " at " << x << "," << y << ": " << std::hex << dib.pixel(x, y) << " vs "
                              << +p[0] << " " << +p[1] << " " << +p[2];
        }
    EXPECT_EQ(bad, 0) << what;
}

}  // namespace

TEST(BmpDecoder, DecodesTheVariantsImageMagickWrites) {
    if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
    TempDir dir;
    const std::string src = dir.file("src.png");
    ASSERT_EQ(runCommand("convert -size 37x23 -seed 3 plasma:fractal -depth 8 '" + src + "'"), 0);
    struct Variant {
        const char* name;
        const char* args;
        int bitCount;  // expected Dib bit count
    };
    const Variant variants[] = {
        {"24", "-type truecolor BMP3:", 24},
        {"8", "-colors 200 -type palette BMP3:", 8},
        {"8rle", "-colors 60 -type palette -compress RLE BMP3:", 8},
        {"4", "-colors 16 -type palette BMP3:", 4},
        {"1", "-monochrome -type bilevel BMP3:", 1},
        {"16", "-define bmp:subtype=RGB565 BMP:", 32},
        {"555", "-define bmp:subtype=RGB555 BMP:", 32},
        {"32", "-alpha on -channel A -evaluate set 50% +channel BMP:", 32},
    };
    for (const auto& v : variants) {
        const std::string path = dir.file(std::string("v") + v.name + ".bmp");
        ASSERT_EQ(runCommand("convert '" + src + "' " + v.args + "'" + path + "'"), 0) << v.name;
        Dib dib = readBmpFile(path);
        EXPECT_EQ(dib.width(), 37) << v.name;
        EXPECT_EQ(dib.height(), 23) << v.name;
        EXPECT_EQ(dib.bitCount(), v.bitCount) << v.name;
        // Alpha is not part of the picture: compare against the flattened colours.
        std::string flat = path;
        if (std::string(v.name) == "32") {
            flat = dir.file("v32flat.bmp");
            ASSERT_EQ(runCommand("convert '" + path + "' -alpha off BMP3:'" + flat + "'"), 0);
        }
        expectSamePixels(dib, magickRgb(flat), v.name);
    }
}

TEST(BmpDecoder, TopDownRowsKeepTheirOrder) {
    // 2 x 2, 24-bit, height -2: first stored row is the top.
    std::vector<uint8_t> f(14 + 40 + 16, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    f[0] = 'B', f[1] = 'M';
    put32(2, static_cast<uint32_t>(f.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, static_cast<uint32_t>(-2));
    f[26] = 1;
    f[28] = 24;
    f[54 + 2] = 255;  // top-left red
    f[62 + 3] = 255;  // bottom-right blue
    Dib dib = decodeBmp(f, "td.bmp");
    EXPECT_TRUE(dib.topDown());
    EXPECT_EQ(dib.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(dib.pixel(1, 1), rgb(0, 0, 255));
}

TEST(BmpDecoder, HostileInputIsRefusedWithTheFileName) {
    std::vector<uint8_t> f(14 + 40 + 16, 0);
    auto put32 = [](std::vector<uint8_t>& b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    auto put = [&](size_t at, uint32_t v) { put32(f, at, v); };
    f[0] = 'B', f[1] = 'M';
    put(10, 54);
    put(14, 40);
    put(18, 2);
    put(22, 2);
    f[26] = 1;
    f[28] = 24;
    EXPECT_NO_THROW(decodeBmp(f, "ok.bmp")) << "a full 2 x 2 picture must decode";

    auto expectRefused = [](std::vector<uint8_t> bytes, const char* what) {
        try {
            decodeBmp(bytes, "bad.bmp");
            ADD_FAILURE() << what << " was accepted";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), err::InvalidPicture) << what;
            EXPECT_NE(e.description().find("bad.bmp"), std::string::npos) << what;
        }
    };
    auto truncated = f;
    truncated.resize(60);
    expectRefused(truncated, "truncated pixels");
    auto huge = f;
    put32(huge, 18, 30000);
    expectRefused(huge, "30000 x 2 on a tiny file");
    auto absurd = f;
    for (int i = 0; i < 4; ++i) absurd[18 + i] = 0xFF, absurd[22 + i] = 0x7F;
    expectRefused(absurd, "absurd size");
    expectRefused({'B', 'M', 0, 0}, "header only");
    expectRefused(std::vector<uint8_t>(100, 0x41), "random bytes");
    auto rle = f;
    put32(rle, 18, 60000);
    rle[28] = 8;
    rle[30] = 1;  // RLE8 claiming 60000 x 2 from 12 bytes
    expectRefused(rle, "run-length size beyond the data");
    EXPECT_THROW(readBmpFile("/nonexistent/x.bmp"), RuntimeError);
}
