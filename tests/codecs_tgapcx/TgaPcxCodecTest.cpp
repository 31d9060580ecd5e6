#include <gtest/gtest.h>

#include <random>
#include <span>
#include <vector>

#include "codecs/PcxRle.h"
#include "codecs/SavePCX.h"
#include "codecs/SaveTGA.h"
#include "codecs/TgaRle.h"
#include "platform/PictureIo.h"
#include "shell/RuntimeError.h"
#include "support/TestSupport.h"
#include "tools/tgapcx/RowStreamConversion.h"
#include "tools/tgapcx/TgaPcxConverter.h"

using namespace nalo;
using namespace nalo::test;
using tgapcx::PictureType;

namespace {

struct Sink {
    std::vector<uint8_t> bytes;
    void put(uint8_t b) { bytes.push_back(b); }
};

std::vector<uint8_t> pcxEncode(const std::vector<uint8_t>& in) {
    Sink s;
    PcxRleEncoder e;
    e.push(in.data(), in.size(), s);
    e.finish(s);
    return s.bytes;
}

// ImageMagick's reading of a file: RGB bytes, top row first.
std::vector<uint8_t> magickRgb(const std::string& path) {
    const std::string out = path + ".rgb";
    EXPECT_EQ(runCommand("convert '" + path + "' -alpha off -depth 8 rgb:'" + out + "'"), 0) << path;
    return readFile(out);
}

// Number of pixels where the decoded picture differs from ImageMagick's reading.
int differences(const Dib& dib, const std::vector<uint8_t>& rgbBytes) {
    if (rgbBytes.size() != static_cast<size_t>(dib.width()) * dib.height() * 3) return -1;
    int bad = 0;
    for (int y = 0; y < dib.height(); ++y)
        for (int x = 0; x < dib.width(); ++x) {
            const uint8_t* p = &rgbBytes[(static_cast<size_t>(y) * dib.width() + x) * 3];
            bad += dib.pixel(x, y) != rgb(p[0], p[1], p[2]);
        }
    return bad;
}

// This ImageMagick stores and reads TGA rows top first under a bottom-up descriptor:
// its reading of a TGA is the picture upside down.
std::vector<uint8_t> flipRows(const std::vector<uint8_t>& rgbBytes, size_t width, size_t height) {
    std::vector<uint8_t> out(rgbBytes.size());
    if (rgbBytes.size() != width * height * 3) return out;
    for (size_t y = 0; y < height; ++y)
        std::copy_n(rgbBytes.begin() + static_cast<long>((height - 1 - y) * width * 3), width * 3,
                    out.begin() + static_cast<long>(y * width * 3));
    return out;
}

Dib decode(const std::string& path, PictureType type) {
    Dib work;
    EXPECT_TRUE(tgapcx::drawPicture(path, type, work)) << path;
    return work;
}

struct Codecs : ::testing::Test {
    void SetUp() override {
        if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
        src = dir.file("src.png");
        ASSERT_EQ(runCommand("convert -size 37x23 -seed 4 plasma:fractal -depth 8 '" + src + "'"), 0);
    }
    std::string make(const std::string& name, const std::string& args) {
        const std::string path = dir.file(name);
        EXPECT_EQ(runCommand("convert '" + src + "' " + args + " '" + path + "'"), 0) << name;
        return path;
    }
    TempDir dir;
    std::string src;
};

}  // namespace

TEST_F(Codecs, PcxVariantsDecodeAsImageMagickReadsThem) {
    const char* variants[][2] = {
        {"t24.pcx", "-type truecolor -compress None"}, {"t24rle.pcx", "-type truecolor"},
        {"p8.pcx", "-colors 200 -type palette"},       {"p8raw.pcx", "-colors 100 -type palette -compress None"},
        {"p4.pcx", "-colors 16 -type palette"},        {"m1.pcx", "-monochrome"},
    };
    for (auto& v : variants) {
        const std::string path = make(v[0], v[1]);
        Dib dib = decode(path, PictureType::Pcx);
        EXPECT_EQ(dib.width(), 37) << v[0];
        EXPECT_EQ(differences(dib, magickRgb(path)), 0) << v[0];
    }
}

TEST_F(Codecs, TgaVariantsDecodeAsImageMagickReadsThem) {
    const char* variants[][2] = {
        {"t24.tga", "-type truecolor -compress None"}, {"t24rle.tga", "-type truecolor -compress RLE"},
        {"p8.tga", "-colors 200 -type palette -compress None"}, {"p8rle.tga", "-colors 90 -type palette -compress RLE"},
        {"g8.tga", "-colorspace gray -type grayscale -compress None"},
        {"a32.tga", "-alpha on -channel A -evaluate set 40% +channel -compress None"},
    };
    for (auto& v : variants) {
        const std::string path = make(v[0], v[1]);
        Dib dib = decode(path, PictureType::Tga);
        EXPECT_EQ(dib.height(), 23) << v[0];
        auto flipped = flipRows(magickRgb(path), 37, 23);
        EXPECT_EQ(differences(dib, flipped), 0) << v[0] << " (alpha is shown opaque)";
    }
}

TEST_F(Codecs, HandMadeTgaLayouts) {
    // 3 x 2, 16-bit 5-5-5, with a 5-byte image ID, top-down and bottom-up.
    auto build = [](bool topDown, uint8_t idLength) {
        std::vector<uint8_t> f(18, 0);
        f[0] = idLength;
        f[2] = 2;
        f[12] = 3;
        f[14] = 2;
        f[16] = 16;
        f[17] = topDown ? 0x20 : 0;
        for (int i = 0; i < idLength; ++i) f.push_back('I');
        const uint16_t px[6] = {0x7C00, 0x03E0, 0x001F, 0x7FFF, 0x0000, 0x4210};  // row order as stored
        for (uint16_t p : px) f.insert(f.end(), {static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 8)});
        return f;
    };
    TempDir d;
    writeFile(d.file("td.tga"), build(true, 5));
    writeFile(d.file("bu.tga"), build(false, 0));
    Dib td = decode(d.file("td.tga"), PictureType::Tga);
    Dib bu = decode(d.file("bu.tga"), PictureType::Tga);
    ASSERT_EQ(td.width(), 3);
    EXPECT_EQ(td.pixel(0, 0), rgb(248, 0, 0)) << "image ID skipped, first stored row on top";
    EXPECT_EQ(td.pixel(2, 0), rgb(0, 0, 248));
    EXPECT_EQ(td.pixel(0, 1), rgb(248, 248, 248));
    EXPECT_EQ(bu.pixel(0, 1), rgb(248, 0, 0)) << "bottom-up: the same rows upside down";
    EXPECT_EQ(bu.pixel(0, 0), rgb(248, 248, 248));
}

TEST(TgaTypes, RunLengthGreyEqualsItsUncompressedTwinAndMappedRleIsRefused) {
    // 4 x 2 grey: type 3 stores the bytes, type 11 the same bytes as packets.
    const std::vector<uint8_t> grey = {7, 7, 7, 7, 1, 2, 3, 4};
    auto tga = [](uint8_t type, const std::vector<uint8_t>& data) {
        std::vector<uint8_t> f(18, 0);
        f[2] = type;
        f[12] = 4;
        f[14] = 2;
        f[16] = 8;
        f.insert(f.end(), data.begin(), data.end());
        return f;
    };
    TempDir d;
    writeFile(d.file("raw.tga"), tga(3, grey));
    writeFile(d.file("rle.tga"), tga(11, {0x83, 7, 0x03, 1, 2, 3, 4}));
    const Dib raw = decode(d.file("raw.tga"), PictureType::Tga);
    const Dib rle = decode(d.file("rle.tga"), PictureType::Tga);
    ASSERT_EQ(rle.width(), 4);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(rle.pixel(x, y), raw.pixel(x, y)) << x << "," << y;
    for (uint8_t type : {32, 33}) {
        writeFile(d.file("mapped.tga"), tga(type, grey));
        auto r = tgapcx::convertFile(d.file("mapped.tga"), tgapcx::ConversionKinds[0], tgapcx::OverwriteReplace);
        EXPECT_EQ(r.outcome, tgapcx::Outcome::Failed);
        EXPECT_NE(r.reason.find("type " + std::to_string(type)), std::string::npos) << r.reason;
        EXPECT_FALSE(std::filesystem::exists(d.file("mapped.bmp")));
    }
}

TEST(TgaTypes, TwoColourBitmapKeepsItsPaletteColours) {
    // 2 x 1, 1 bit: index 0 red, index 1 blue; pixels 0, 1.
    std::vector<uint8_t> bmp = {'B', 'M', 66, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0,
                                1, 0, 1, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,
                                0, 0, 255, 0, 255, 0, 0, 0, 0x40, 0, 0, 0};
    TempDir d;
    writeFile(d.file("rb.bmp"), bmp);
    ASSERT_EQ(tgapcx::convertFile(d.file("rb.bmp"), tgapcx::ConversionKinds[4], tgapcx::OverwriteReplace).outcome,
              tgapcx::Outcome::Written);
    const Dib tga = decode(d.file("rb.tga"), PictureType::Tga);
    ASSERT_EQ(tga.width(), 2);
    EXPECT_EQ(tga.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(tga.pixel(1, 0), rgb(0, 0, 255));
}

TEST_F(Codecs, FilesWeWriteReadBackInImageMagick) {
    Dib picture = decode(make("in.tga", "-type truecolor -compress None"), PictureType::Tga);
    for (bool compress : {false, true}) {
        const std::string tga = dir.file(compress ? "o-rle.tga" : "o.tga");
        const std::string pcx = dir.file(compress ? "o-rle.pcx" : "o.pcx");
        SaveTGA().SaveTGAinFile(tga, picture, compress);
        SavePCX().SavePCXinFile(pcx, picture, compress);
        EXPECT_EQ(readFile(tga)[2], compress ? 10 : 2);
        EXPECT_EQ(readFile(pcx)[66], 38) << "odd width 37: bytes per line 38";
        EXPECT_EQ(differences(picture, flipRows(magickRgb(tga), 37, 23)), 0) << tga;
        EXPECT_EQ(differences(picture, magickRgb(pcx)), 0) << pcx;
    }
}

// The kinds after the twelve first: PNG, WebP and TIFF (.tif and .tiff) through the
// picture loader, written as the source's pixels.
TEST_F(Codecs, PngWebpAndTiffKindsWriteTheSourcesPixels) {
    const struct {
        const char* kind;
        const char* source;
        const char* args;
        const char* output;
    } cases[] = {{"png2bmp", "a.png", "", "a.bmp"},          {"png2pcx", "b.png", "-colors 7", "b.pcx"},
                 {"webp2tga", "c.webp", "-define webp:lossless=true", "c.tga"},
                 {"tif2bmp", "d.tif", "-compress LZW", "d.bmp"}, {"tif2pcx", "e.tiff", "-compress Zip", "e.pcx"}};
    const std::string nc = "'" + appDir() + "/nalo-convert' tgapcx ";
    for (const auto& c : cases) {
        const std::string source = make(c.source, c.args), output = dir.file(c.output);
        ASSERT_EQ(runCommand(nc + c.kind + " '" + source + "'"), 0) << c.kind;
        const auto written = magickRgb(output);
        const bool tga = std::string(c.output).ends_with(".tga");
        EXPECT_EQ(differences(loadPicture(source), tga ? flipRows(written, 37, 23) : written), 0) << c.kind;
        EXPECT_EQ(differences(loadPicture(source), magickRgb(source)), 0) << c.kind;
    }
}

TEST_F(Codecs, RowStreamedConversionsWriteTheGeneralPathsBytes) {
    // Sources: ImageMagick's files, variants patched from them, and our own raw PCX.
    struct Source {
        std::string path;
        PictureType type;
    };
    std::vector<Source> sources = {
        {make("a.tga", "-type truecolor -compress None"), PictureType::Tga},
        {make("b.tga", "-type truecolor -compress RLE"), PictureType::Tga},
        {make("c.tga", "-type truecolormatte -compress RLE"), PictureType::Tga},
        {make("d.tga", "-type truecolormatte -compress None"), PictureType::Tga},
        {make("e.bmp3", "-type truecolor"), PictureType::Bmp},
        {make("f.bmp", "-type truecolor"), PictureType::Bmp},  // larger header
        {make("g.pcx", "-type truecolor"), PictureType::Pcx},
        // Rows without padding: copied file to file.
        {make("h.tga", "-crop 36x23+0+0 +repage -type truecolor -compress None"), PictureType::Tga},
        {make("h.bmp3", "-crop 36x23+0+0 +repage -type truecolor"), PictureType::Bmp},
    };
    auto patched = [&](const std::string& from, const std::string& name, auto edit) {
        auto bytes = readFile(from);
        edit(bytes);
        writeFile(dir.file(name), bytes);
        return dir.file(name);
    };
    for (const char* tga : {"a.tga", "b.tga"})
        sources.push_back({patched(dir.file(tga), std::string("td-") + tga, [](auto& b) { b[17] |= 0x20; }),
                           PictureType::Tga});
    sources.push_back({patched(dir.file("e.bmp3"), "td.bmp",
                               [](auto& b) {
                                   b[22] = static_cast<uint8_t>(-23);
                                   b[23] = b[24] = b[25] = 0xFF;
                               }),
                       PictureType::Bmp});
    {
        Dib work = decode(dir.file("g.pcx"), PictureType::Pcx);
        tgapcx::writePicture(work, dir.file("raw.pcx"), PictureType::Pcx);
        sources.push_back({dir.file("raw.pcx"), PictureType::Pcx});
    }
    for (const Source& src : sources) {
        for (PictureType to : {PictureType::Bmp, PictureType::Tga, PictureType::Pcx}) {
            SCOPED_TRACE(src.path + " -> " + std::to_string(static_cast<int>(to)));
            Dib work = decode(src.path, src.type);
            tgapcx::writePicture(work, dir.file("general.out"), to);
            ASSERT_TRUE(tgapcx::convertByRows(src.path, src.type, dir.file("rows.out"), to));
            EXPECT_EQ(readFile(dir.file("rows.out")), readFile(dir.file("general.out")));
        }
    }
    // Run-length data cut short: the reader's error, no output.
    for (const char* name : {"b.tga", "g.pcx"}) {
        const std::string cut = patched(dir.file(name), std::string("cut-") + name, [](auto& b) { b.resize(b.size() / 2); });
        const PictureType type = name[0] == 'b' ? PictureType::Tga : PictureType::Pcx;
        std::string general, rows;
        try {
            decode(cut, type);
        } catch (const RuntimeError& e) {
            general = e.description();
        }
        try {
            tgapcx::convertByRows(cut, type, dir.file("cut.out"), PictureType::Bmp);
        } catch (const RuntimeError& e) {
            rows = e.description();
        }
        EXPECT_EQ(rows, general);
        EXPECT_FALSE(std::filesystem::exists(dir.file("cut.out")));
    }
}

TEST(PcxRle, EncoderBytes) {
    EXPECT_EQ(pcxEncode(std::vector<uint8_t>(8, 0xC5)), (std::vector<uint8_t>{0xC8, 0xC5}));
    EXPECT_EQ(pcxEncode({0xC5}), (std::vector<uint8_t>{0xC1, 0xC5}));
    EXPECT_EQ(pcxEncode({0x41}), (std::vector<uint8_t>{0x41}));
    EXPECT_EQ(pcxEncode(std::vector<uint8_t>(100, 7)), (std::vector<uint8_t>{0xFF, 7, 0xE5, 7}));
    std::vector<uint8_t> out(100);
    const auto coded = pcxEncode(std::vector<uint8_t>(100, 7));
    EXPECT_EQ(decodePcxRle(coded, out), 100u);
}

// Crafted streams against their bytes, decoded whole and in pieces of input and output
// (a run or a count byte cut by a piece end goes on in the next).
TEST(PcxRle, DecodesCraftedStreamsInAnyPieces) {
    using Bytes = std::vector<uint8_t>;
    Bytes longIn, longOut;  // literals past 16 and runs past 16, at every offset of a block
    for (int k = 0; k < 50; ++k) {
        for (uint8_t i = 0; i < 40; ++i) longIn.push_back(i), longOut.push_back(i);
        longIn.insert(longIn.end(), {0xC1, 0xC0, 0xD4, 0x55, 0x3F, 0xC2, 0xFF, 0xC0, 0x12});
        longOut.push_back(0xC0);
        longOut.insert(longOut.end(), 20, 0x55);
        longOut.insert(longOut.end(), {0x3F, 0xFF, 0xFF});
    }
    Bytes chainIn, chainOut;  // stretches of bytes of 0xC0 and above, counts and values mixed
    std::mt19937 random(24);
    while (chainIn.size() < 5000) {
        const auto byte = static_cast<uint8_t>(random() % 3 ? 0xC0 + random() % 64 : random() % 0xC0);
        if (byte < 0xC0) {
            chainIn.push_back(byte), chainOut.push_back(byte);
            continue;
        }
        const auto value = static_cast<uint8_t>(random() % 4 ? 0xC0 + random() % 64 : random() % 256);
        chainIn.insert(chainIn.end(), {byte, value});
        chainOut.insert(chainOut.end(), byte - 0xC0u, value);
    }
    const struct {
        Bytes in, out;
    } cases[] = {
        {{0xC3, 'A'}, {'A', 'A', 'A'}},
        {{'A', 0xC0, 0x99, 'B'}, {'A', 'B'}},
        {{0xC1, 0xC5}, {0xC5}},
        {{0xFF, 7, 0xC2, 8}, [] { Bytes b(63, 7); b.insert(b.end(), {8, 8}); return b; }()},
        {{'A', 0xC2}, {'A'}},
        {longIn, longOut},
        {chainIn, chainOut},
    };
    const std::pair<size_t, size_t> pieces[] = {{1, 1}, {3, 5}, {64, 100}, {65, 4096}, {SIZE_MAX, SIZE_MAX}};
    for (size_t c = 0; c < std::size(cases); ++c) {
        const Bytes& in = cases[c].in;
        for (const auto& [inPiece, outPiece] : pieces) {
            Bytes out(cases[c].out.size() + 1, 0xEE);
            PcxRleDecoder decoder;
            size_t i = 0, o = 0;
            for (size_t got = 1, used = 1; (got || used) && o < cases[c].out.size(); i += used, o += got) {
                const size_t inEnd = std::min(in.size(), i + std::min(inPiece, in.size())),
                             outEnd = std::min(cases[c].out.size(), o + std::min(outPiece, out.size()));
                got = decoder.decode(std::span<const uint8_t>(in.data() + i, inEnd - i),
                                     std::span<uint8_t>(out.data() + o, outEnd - o), used);
            }
            out.resize(o);
            EXPECT_EQ(out, cases[c].out) << "case " << c << ", pieces " << inPiece << "/" << outPiece;
        }
    }
}

TEST(TgaRle, EncoderPacketsStayInTheirRow) {
    std::vector<uint8_t> row(300 * 3, 9), out;
    encodeTgaRleRow(row.data(), 300, out);
    ASSERT_EQ(out.size(), 12u);
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[4], 0xFF);
    EXPECT_EQ(out[8], 0xAB);
    const uint8_t four[12] = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
    out.clear();
    encodeTgaRleRow(four, 4, out);
    EXPECT_EQ(out[0], 0x03) << "one raw packet of four";
    EXPECT_EQ(out.size(), 13u);
}

TEST(TgaPcxHostile, CleanErrorsNoCrashNoHugeAllocation) {
    TempDir d;
    auto tryRead = [&](const std::string& name, const std::vector<uint8_t>& bytes, PictureType type) {
        writeFile(d.file(name), bytes);
        Dib work;
        try {
            tgapcx::drawPicture(d.file(name), type, work);
        } catch (const RuntimeError&) {
        }
        return work.width() * int64_t(work.height());
    };
    // 32767 x 32767 headers on tiny files.
    std::vector<uint8_t> tga(18 + 30, 0);
    tga[2] = 2;
    tga[12] = tga[14] = 0xFF;
    tga[13] = tga[15] = 0x7F;
    tga[16] = 24;
    EXPECT_EQ(tryRead("huge.tga", tga, PictureType::Tga), 0);
    tga[2] = 10;
    EXPECT_EQ(tryRead("hugerle.tga", tga, PictureType::Tga), 0);
    std::vector<uint8_t> pcx(128 + 40, 0);
    pcx[0] = 10;
    pcx[1] = 5;
    pcx[2] = 1;
    pcx[3] = 8;
    pcx[8] = pcx[10] = 0xFE;
    pcx[9] = pcx[11] = 0x7F;
    pcx[65] = 3;
    pcx[66] = 0xFF;
    pcx[67] = 0x7F;
    EXPECT_EQ(tryRead("huge.pcx", pcx, PictureType::Pcx), 0);
    std::vector<uint8_t> junk(777);
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<uint8_t>(i * 131 + 7);
    EXPECT_EQ(tryRead("junk.pcx", junk, PictureType::Pcx), 0);
    EXPECT_EQ(tryRead("junk.tga", junk, PictureType::Tga), 0);
    EXPECT_EQ(tryRead("short.pcx", {10, 5, 1}, PictureType::Pcx), 0);
    EXPECT_EQ(tryRead("empty.tga", {}, PictureType::Tga), 0);

    // The converter reports them and writes nothing.
    auto result = tgapcx::convertFile(d.file("huge.tga"), tgapcx::ConversionKinds[0], tgapcx::OverwriteReplace);
    EXPECT_EQ(result.outcome, tgapcx::Outcome::Failed);
    EXPECT_FALSE(std::filesystem::exists(d.file("huge.bmp")));
}

TEST(TgaPcxCli, ExitCodesAndLines) {
    TempDir d;
    std::vector<uint8_t> tga(18 + 12, 0);
    tga[2] = 2;
    tga[12] = 2;
    tga[14] = 2;
    tga[16] = 24;
    writeFile(d.file("a.tga"), tga);
    writeFile(d.file("b.tga"), {1, 2, 3});
    const std::string nc = "'" + appDir() + "/nalo-convert' tgapcx ";
    std::string out;
    EXPECT_EQ(runCommand(nc + "'TGA-->BMP' '" + d.file("a.tga") + "'", &out), 0) << out;
    EXPECT_NE(out.find("written: " + d.file("a.bmp")), std::string::npos);
    out.clear();
    EXPECT_EQ(runCommand(nc + "0 --skip '" + d.file("a.tga") + "' '" + d.file("b.tga") + "'", &out), 1);
    EXPECT_NE(out.find("skipped: " + d.file("a.bmp")), std::string::npos) << out;
    EXPECT_NE(out.find("failed: " + d.file("b.tga")), std::string::npos) << out;
    EXPECT_EQ(runCommand(nc + "21 x.tga"), 2);
    EXPECT_EQ(runCommand(nc + "'PCX-->TGA'"), 2);

    // Short kind names need no quoting and are listed in the kind help.
    out.clear();
    EXPECT_EQ(runCommand(nc + "--help", &out), 0);
    for (const char* name : {"tga2bmp", "pcx2tga", "gif2pcx", "jpg2bmp"})
        EXPECT_NE(out.find(name), std::string::npos) << name;
    EXPECT_EQ(runCommand("cd '" + d.path().string() + "' && " + nc + "tga2pcx a.tga"), 0);
    EXPECT_TRUE(std::filesystem::exists(d.file("a.pcx")));
}

TEST(TgaPcxCli, TwoSourcesOfOneOutputKeepTheFirst) {
    TempDir d;
    auto tga = [&](const std::string& name, uint8_t shade) {
        std::vector<uint8_t> t(18 + 12, shade);
        std::fill_n(t.begin(), 18, 0);
        t[2] = 2;
        t[12] = t[14] = 2;
        t[16] = 24;
        writeFile(d.file(name), t);
    };
    tga("trip.day1.tga", 10);
    tga("trip.day2.tga", 200);
    std::string out;
    EXPECT_EQ(runCommand("'" + appDir() + "/nalo-convert' tgapcx tga2bmp '" + d.file("trip.day1.tga") + "' '" +
                             d.file("trip.day2.tga") + "'",
                         &out),
              1);
    EXPECT_NE(out.find("failed: " + d.file("trip.day2.tga")), std::string::npos) << out;
    EXPECT_NE(out.find(d.file("trip.day1.tga"), out.find("failed:")), std::string::npos) << out;
    const auto bmp = readFile(d.file("trip.bmp"));
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp[54], 10) << "the first source's output stays";

    auto summary = tgapcx::convertFiles({d.file("trip.day1.tga"), d.file("trip.day2.tga")},
                                        tgapcx::ConversionKinds[1], tgapcx::OverwriteReplace);
    EXPECT_EQ(summary.failed, 1);
    const std::string message = tgapcx::summaryMessage(summary);
    EXPECT_NE(message.find("trip.day1.tga"), std::string::npos) << message;
    EXPECT_NE(message.find("trip.day2.tga"), std::string::npos) << message;
}
