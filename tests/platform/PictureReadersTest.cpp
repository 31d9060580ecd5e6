// The PNG, WebP and TIFF readers against ImageMagick's and dwebp's decode of
// files ImageMagick writes here.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <cstring>
#include <sstream>

#include "platform/PictureIo.h"
#include "shell/RuntimeError.h"
#include "support/TestSupport.h"

using namespace nalo;

namespace {

enum class Reference { Magick, Dwebp };

struct ReaderCase {
    const char* name;     // file written, its extension giving the format
    const char* options;  // ImageMagick options between source and output
    const char* png;      // for PNG: IHDR bit depth, colour type, interlace ("8 3 0"), else ""
    Reference ref = Reference::Magick;
    // 16-bit channels: ImageMagick's rounding to 8 bits, within one level;
    // colours composed over white: within one level of ImageMagick's double
    // rounding.
    int tolerance = 0;
};

// Source pictures: an opaque plasma and the same with a varying alpha.
const char* const kOpaque = "-size 37x23 -seed 7 plasma:fractal -depth 16";
const char* const kAlpha =
    "-size 37x23 -seed 7 plasma:fractal -depth 16 \\( +clone -channel R "
    "-separate +channel \\) -alpha off "
    "-compose CopyOpacity -composite";

const ReaderCase kCases[] = {
    {"g1.png",
     "-colorspace gray -threshold 50% -define png:bit-depth=1 -define "
     "png:color-type=0",
     "1 0 0"},
    {"g2.png",
     "-colorspace gray -posterize 4 -define png:bit-depth=2 -define "
     "png:color-type=0",
     "2 0 0"},
    {"g4.png",
     "-colorspace gray -posterize 16 -define png:bit-depth=4 -define "
     "png:color-type=0",
     "4 0 0"},
    {"g8i.png", "-colorspace gray -depth 8 -interlace PNG -define png:color-type=0", "8 0 1"},
    {"g16.png", "-colorspace gray -define png:bit-depth=16 -define png:color-type=0", "16 0 0", Reference::Magick, 1},
    {"g8t.png",
     "-alpha set -colorspace gray -depth 8 -channel A -threshold 50% +channel "
     "-define png:color-type=0",
     "8 0 0"},
    {"ga8.png", "-alpha set -colorspace gray -depth 8 -define png:color-type=4", "8 4 0", Reference::Magick, 1},
    {"ga16.png",
     "-alpha set -colorspace gray -define png:color-type=4 -define "
     "png:bit-depth=16",
     "16 4 0", Reference::Magick, 1},
    {"p1.png", "-depth 8 -monochrome -define png:color-type=3 -define png:bit-depth=1", "1 3 0"},
    {"p2i.png",
     "-depth 8 +dither -colors 3 -interlace PNG -define png:bit-depth=2 "
     "-define png:color-type=3",
     "2 3 1"},
    {"p8.png", "-depth 8 -colors 200 -define png:color-type=3", "8 3 0"},
    {"p8t.png",
     "-alpha set -depth 8 -channel A -threshold 50% +channel -colors 50 "
     "-define png:format=png8",
     "8 3 0"},
    {"rgb8.png", "-depth 8 -define png:color-type=2", "8 2 0"},
    {"rgb8t.png",
     "-alpha set -depth 8 -channel A -threshold 50% +channel -define "
     "png:color-type=2",
     "8 2 0"},
    {"rgb16i.png", "-interlace PNG -define png:color-type=2 -define png:bit-depth=16", "16 2 1", Reference::Magick, 1},
    {"rgba8.png", "-alpha set -depth 8 -define png:color-type=6", "8 6 0", Reference::Magick, 1},
    {"rgba16i.png",
     "-alpha set -interlace PNG -define png:color-type=6 -define "
     "png:bit-depth=16",
     "16 6 1", Reference::Magick, 1},
    {"lossless.webp", "-depth 8 -define webp:lossless=true", ""},
    {"lossless-alpha.webp", "-alpha set -depth 8 -define webp:lossless=true", "", Reference::Magick, 1},
    {"lossy.webp", "-depth 8 -quality 60", "", Reference::Dwebp},
    {"lossy-alpha.webp", "-alpha set -depth 8 -quality 60", "", Reference::Dwebp},
    {"rgb-none-strips.tif", "-depth 8 -compress None -define tiff:rows-per-strip=5", ""},
    {"rgb-lzw-tiles.tif", "-depth 8 -compress LZW -define tiff:tile-geometry=16x16", ""},
    {"rgb-zip-strips.tif", "-depth 8 -compress Zip -define tiff:rows-per-strip=4", ""},
    {"rgb-packbits-tiles.tif", "-depth 8 -compress RLE -define tiff:tile-geometry=16x16", ""},
    {"rgb16-lzw-strips.tif", "-compress LZW -define tiff:rows-per-strip=6", "", Reference::Magick, 1},
    {"palette-lzw-strips.tif",
     "-depth 8 -colors 40 -type Palette -compress LZW -define "
     "tiff:rows-per-strip=5",
     ""},
    {"palette-packbits-tiles.tif",
     "-depth 8 -colors 9 -type Palette -compress RLE -define "
     "tiff:tile-geometry=16x16",
     ""},
    {"grey-zip-tiles.tif", "-depth 8 -colorspace gray -compress Zip -define tiff:tile-geometry=16x16", ""},
    {"grey-none-strips.tif", "-depth 8 -colorspace gray -compress None", ""},
    {"rgba-lzw-strips.tif", "-alpha set -depth 8 -compress LZW", "", Reference::Magick, 1},
};

std::vector<uint8_t> commandBytes(const std::string& command) {
    std::string out;
    EXPECT_EQ(test::runCommand(command, &out), 0) << command;
    return {out.begin(), out.end()};
}

// A PAM (P7) file as top-down R, G, B, A.
std::vector<uint8_t> pamPixels(const std::vector<uint8_t>& pam, int& width, int& height) {
    std::string text(pam.begin(), pam.end());
    const size_t end = text.find("ENDHDR\n");
    std::istringstream head(text.substr(0, end));
    std::string key, tuple;
    int depth = 0;
    while (head >> key) {
        if (key == "WIDTH") head >> width;
        if (key == "HEIGHT") head >> height;
        if (key == "DEPTH") head >> depth;
    }
    std::vector<uint8_t> rgba;
    const uint8_t* p = pam.data() + end + 7;
    for (int i = 0; i < width * height; ++i, p += depth)
        rgba.insert(rgba.end(), {p[0], p[1], p[2], depth == 4 ? p[3] : uint8_t(255)});
    return rgba;
}

class PictureReaders : public testing::TestWithParam<ReaderCase> {};

TEST_P(PictureReaders, PixelsEqualTheReferenceDecode) {
    const ReaderCase& c = GetParam();
    if (!test::haveTool("convert") || (c.ref == Reference::Dwebp && !test::haveTool("dwebp")))
        GTEST_SKIP() << "no reference decoder";
    test::TempDir dir;
    const std::string file = dir.file(c.name);
    const bool alphaSource = std::string(c.options).find("-alpha set") != std::string::npos;
    ASSERT_EQ(test::runCommand(std::string("convert ") + (alphaSource ? kAlpha : kOpaque) + " " + c.options + " '" +
                               file + "'"),
              0);
    if (*c.png) {
        const auto bytes = test::readFile(file);
        ASSERT_GT(bytes.size(), 28u);
        EXPECT_EQ(std::to_string(bytes[24]) + " " + std::to_string(bytes[25]) + " " + std::to_string(bytes[28]), c.png)
            << "ImageMagick wrote another kind of PNG";
    }

    // Expected: R, G, B composed over white and the alpha, top-down.
    int w = 0, h = 0;
    std::vector<uint8_t> rgb, alpha;
    if (c.ref == Reference::Dwebp) {
        const auto rgba = pamPixels(commandBytes("dwebp -quiet -pam '" + file + "' -o -"), w, h);
        for (size_t i = 0; i < rgba.size(); i += 4) {
            const unsigned a = rgba[i + 3];
            for (int k = 0; k < 3; ++k)
                rgb.push_back(static_cast<uint8_t>((rgba[i + k] * a + 255 * (255 - a) + 127) / 255));
            alpha.push_back(static_cast<uint8_t>(a));
        }
    } else {
        rgb = commandBytes("convert '" + file + "' -background white -alpha remove -depth 8 rgb:-");
        alpha = commandBytes("convert '" + file + "' -alpha extract -depth 8 gray:-");
    }

    const DecodedPicture decoded = loadPictureWithAlpha(file);
    const Dib pic = loadPicture(file);
    w = pic.width(), h = pic.height();
    ASSERT_EQ(w, 37);
    ASSERT_EQ(h, 23);
    ASSERT_EQ(rgb.size(), size_t(w) * h * 3);
    ASSERT_EQ(alpha.size(), size_t(w) * h);
    EXPECT_EQ(decoded.alpha.empty(), !alphaSource);
    int worst = 0, worstAlpha = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* got = pic.row(y) + x * 3;
            const uint8_t* want = &rgb[(size_t(y) * w + x) * 3];
            for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(got[k] - want[2 - k]));
            const int a = decoded.alpha.empty() ? 255 : decoded.alpha[size_t(y) * w + x];
            worstAlpha = std::max(worstAlpha, std::abs(a - alpha[size_t(y) * w + x]));
        }
    EXPECT_LE(worst, c.tolerance);
    EXPECT_LE(worstAlpha, alphaSource && std::string(c.png).starts_with("16") ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Files, PictureReaders, testing::ValuesIn(kCases), [](const auto& info) {
    std::string n = info.param.name;
    for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return n;
});

}  // namespace

namespace {

// A PNG chunk with its CRC.
void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
    auto be32 = [&](uint32_t v) {
        out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
    };
    be32(static_cast<uint32_t>(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = start; i < out.size(); ++i) {
        crc ^= out[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    be32(~crc);
}

// An 8-bit grey PNG whose header claims width x height over the one-pixel data
// of a 1 x 1 picture (zlib stream of the bytes 0, 0).
std::vector<uint8_t> pngClaiming(uint32_t width, uint32_t height) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(png, "IHDR",
             {uint8_t(width >> 24), uint8_t(width >> 16), uint8_t(width >> 8), uint8_t(width), uint8_t(height >> 24),
              uint8_t(height >> 16), uint8_t(height >> 8), uint8_t(height), 8, 0, 0, 0, 0});
    putChunk(png, "IDAT", {0x78, 0x9C, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01});
    putChunk(png, "IEND", {});
    return png;
}

long maxResidentKiB() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return use.ru_maxrss;
}

}  // namespace

TEST(PictureReaders, HugeOrDamagedFilesAreRefusedNamingThemInBoundedMemory) {
    test::TempDir dir;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* why;
    };
    std::vector<Case> cases = {
        {"one.png", pngClaiming(1, 1), nullptr},
        {"claims-65535.png", pngClaiming(65535, 65535), "too large"},
        {"claims-8000.png", pngClaiming(8000, 8000), "too large for its data"},
    };
    if (test::haveTool("convert")) {
        for (const char* name : {"cut.png", "cut.webp", "cut.tif"}) {
            ASSERT_EQ(test::runCommand(std::string("convert ") + kOpaque + " -depth 8 '" + dir.file(name) + "'"), 0);
            auto bytes = test::readFile(dir.file(name));
            bytes.resize(bytes.size() / 2);
            cases.push_back({name, bytes, "invalid picture"});
        }
    }
    const long before = maxResidentKiB();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        test::writeFile(path, c.bytes);
        if (!c.why) {
            EXPECT_EQ(loadPicture(path).width(), 1);
            continue;
        }
        try {
            loadPicture(path);
            ADD_FAILURE() << "loaded";
        } catch (const RuntimeError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
        }
    }
    EXPECT_LT(maxResidentKiB() - before, 32 * 1024);
}

namespace {

// A little-endian EXIF block (with its "Exif\0\0" head) holding only an orientation.
std::vector<uint8_t> exifBlock(int orientation) {
    return {'E', 'x', 'i',  'f',  0, 0, 'I', 'I', 42, 0, 8,
            0,   0,   0,  // TIFF header, IFD0 at 8
            1,   0,   0x12, 0x01, 3, 0, 1,   0,   0,  0, uint8_t(orientation),
            0,   0,   0,  // one entry: Orientation
            0,   0,   0,    0};
}

std::vector<uint8_t> magickRgb(const std::string& file, const std::string& options) {
    return commandBytes("convert '" + file + "' " + options + " -depth 8 rgb:-");
}

}  // namespace

// Each orientation in each format comes out as ImageMagick's -auto-orient shows the
// same orientation in a TIFF (and, for JPEG, in the JPEG itself).
TEST(PictureReaders, OrientationIsApplied) {
    if (!test::haveTool("convert") || !test::haveTool("webpmux")) GTEST_SKIP() << "no ImageMagick or webpmux";
    static const char* const names[] = {"",        "TopLeft",  "TopRight",    "BottomRight", "BottomLeft",
                                        "LeftTop", "RightTop", "RightBottom", "LeftBottom"};
    test::TempDir dir;
    const std::string base = dir.file("base.png"), jpg = dir.file("base.jpg"), webp = dir.file("base.webp");
    ASSERT_EQ(test::runCommand(std::string("convert ") + kOpaque + " -depth 8 '" + base + "'"), 0);
    ASSERT_EQ(test::runCommand("convert '" + base + "' -quality 95 '" + jpg + "'"), 0);
    ASSERT_EQ(test::runCommand("convert '" + base + "' -define webp:lossless=true '" + webp + "'"), 0);
    const auto png = test::readFile(base), jpeg = test::readFile(jpg);
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(names[o]);
        const std::string tif = dir.file("o.tif");
        ASSERT_EQ(test::runCommand("convert '" + base + "' -orient " + names[o] + " '" + tif + "'"), 0);
        const auto exif = exifBlock(o);

        std::vector<uint8_t> j(jpeg.begin(), jpeg.begin() + 2);  // SOI, APP1, the rest
        j.insert(j.end(), {0xFF, 0xE1, 0, uint8_t(exif.size() + 2)});
        j.insert(j.end(), exif.begin(), exif.end());
        j.insert(j.end(), jpeg.begin() + 2, jpeg.end());
        test::writeFile(dir.file("o.jpg"), j);

        std::vector<uint8_t> p(png.begin(), png.begin() + 33);  // signature and IHDR, eXIf, the rest
        putChunk(p, "eXIf", {exif.begin() + 6, exif.end()});
        p.insert(p.end(), png.begin() + 33, png.end());
        test::writeFile(dir.file("o.png"), p);

        test::writeFile(dir.file("exif.bin"), exif);
        ASSERT_EQ(test::runCommand("webpmux -set exif '" + dir.file("exif.bin") + "' '" + webp + "' -o '" +
                                   dir.file("o.webp") + "' 2>/dev/null"),
                  0);

        const auto upright = magickRgb(tif, "-auto-orient");
        const auto jpegUpright = magickRgb(dir.file("o.jpg"), "-auto-orient");
        for (const char* name : {"o.tif", "o.png", "o.webp", "o.jpg"}) {
            const Dib pic = loadPicture(dir.file(name));
            ASSERT_EQ(pic.width(), o >= 5 ? 23 : 37) << name;
            std::vector<uint8_t> got;
            for (int y = 0; y < pic.height(); ++y)
                for (int x = 0; x < pic.width(); ++x)
                    got.insert(got.end(), {pic.row(y)[x * 3 + 2], pic.row(y)[x * 3 + 1], pic.row(y)[x * 3]});
            EXPECT_TRUE(got == (std::string(name) == "o.jpg" ? jpegUpright : upright)) << name;
        }
    }
}

TEST(PictureReaders, AnimatedWebpGivesItsFirstFrame) {
    if (!test::haveTool("convert") || !test::haveTool("img2webp")) GTEST_SKIP() << "no ImageMagick or img2webp";
    test::TempDir dir;
    const std::string first = dir.file("1.png"), second = dir.file("2.png"), anim = dir.file("anim.webp");
    ASSERT_EQ(test::runCommand(std::string("convert ") + kOpaque + " -depth 8 '" + first + "'"), 0);
    ASSERT_EQ(test::runCommand("convert '" + first + "' -negate '" + second + "'"), 0);
    ASSERT_EQ(test::runCommand("img2webp -lossless '" + first + "' '" + second + "' -o '" + anim + "' 2>/dev/null"), 0);
    const Dib got = loadPicture(anim), want = loadPicture(first);
    ASSERT_EQ(got.width(), want.width());
    ASSERT_EQ(got.height(), want.height());
    for (int y = 0; y < got.height(); ++y)
        ASSERT_EQ(std::memcmp(got.row(y), want.row(y), size_t(got.width()) * 3), 0) << "row " << y;
}
