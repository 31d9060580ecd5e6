#include <gtest/gtest.h>

#include <cstring>

#include "codecs/GifFrameSplitter.h"
#include "g2g/TestGifs.h"
#include "gif/GifTestSupport.h"
#include "platform/PictureIo.h"
#include "support/TestSupport.h"
#include "tools/g2g/G2GRules.h"

using namespace nalo;
using namespace nalo::test;

namespace {

struct RecordingHost : GifRenderHost {
    std::vector<int32_t> pauses;
    std::vector<std::string> written;
    std::vector<std::string> failures;
    void Pause(int32_t ms) override { pauses.push_back(ms); }
    void FrameShown(const Dib&) override {}
    void FrameFileWritten(const std::string& name) override { written.push_back(name); }
    void FrameFileFailed(const RuntimeError& e) override { failures.push_back(e.description()); }
    void FileEndsEarly(int wholeFrames) override { failures.push_back("ends after " + std::to_string(wholeFrames)); }
};

struct Splitter : ::testing::Test {
    TempDir dir;
    GifSplitShared shared;
    clsGif24bit gif{shared};
    RecordingHost host;

    // Splits `path` into BMP (or GIF) frames beside it; false when not accepted.
    bool split(const std::string& path, int16_t kind = 0, bool transparency = false) {
        shared = {};
        shared.GifPath = path;
        shared.SplitMode = 1;
        shared.FrameFileKind = kind;
        shared.FrameFileBase = g2g::FrameFileBaseOf(path);
        shared.FrameTransparency = transparency;
        host = {};
        gif.fGifBreakOutFrames();
        if (shared.NotGifFlag) return false;
        gif.UserDelay(int64_t(0));
        gif.StopRender(false);
        gif.RenderGif(host);
        return true;
    }
    bool accepts(const std::vector<uint8_t>& bytes) {
        writeFile(dir.file("h.gif"), bytes);
        shared.GifPath = dir.file("h.gif");
        shared.NotGifFlag = false;
        shared.SplitMode = 0;
        gif.fGifBreakOutFrames();
        if (!shared.NotGifFlag) gif.RenderGif(host);
        return !shared.NotGifFlag;
    }
};

std::string rgbAt(const std::vector<uint8_t>& rgba, size_t i) {
    return std::to_string(rgba[i * 4]) + "," + std::to_string(rgba[i * 4 + 1]) + "," + std::to_string(rgba[i * 4 + 2]);
}

// The split frames against ImageMagick's coalesced frames: exact colours where it
// has a pixel, the background colour where it has none.
void expectMatchesMagick(const std::string& path, const std::vector<std::string>& bmps, ColourValue back) {
    const Dib first = loadPicture(bmps.at(0));
    const int w = first.width(), h = first.height();
    const auto expected = decodeMagickRgba(path, w, h);
    ASSERT_EQ(bmps.size(), expected.size()) << path;
    for (size_t f = 0; f < bmps.size(); ++f) {
        const Dib got = loadPicture(bmps[f]);
        ASSERT_EQ(got.width(), w);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * w + x;
                const ColourValue want = expected[f][i * 4 + 3] == 0
                                             ? back
                                             : rgb(expected[f][i * 4], expected[f][i * 4 + 1], expected[f][i * 4 + 2]);
                ASSERT_EQ(got.pixel(x, y), want)
                    << path << " frame " << f + 1 << " at " << x << "," << y << " magick " << rgbAt(expected[f], i);
            }
    }
}

TestGif partialFrames() {
    TestGif g{40, 30, testPalette(8)};
    g.frames.push_back(patternFrame(0, 0, 40, 30, 8, 0));
    g.frames.push_back(patternFrame(5, 4, 12, 10, 8, 3));
    g.frames.back().disposal = 2;
    g.frames.push_back(patternFrame(10, 8, 15, 12, 8, 5));
    g.frames.back().disposal = 3;
    g.frames.back().transparent = 2;
    g.frames.push_back(patternFrame(0, 0, 20, 20, 8, 1));
    g.frames.back().disposal = 1;
    g.frames.push_back(patternFrame(20, 10, 20, 20, 8, 6));
    return g;
}

TestGif localTablesAndInterlace() {
    TestGif g{36, 28, testPalette(4)};
    g.frames.push_back(patternFrame(3, 3, 20, 20, 16, 0));
    g.frames.back().disposal = 2;
    g.frames.back().transparent = 0;
    g.frames.back().local = testPalette(16);
    g.frames.push_back(patternFrame(8, 2, 25, 25, 32, 4));
    g.frames.back().interlaced = true;
    g.frames.back().local = testPalette(32);
    g.frames.back().disposal = 3;
    g.frames.push_back(patternFrame(1, 1, 30, 13, 4, 2));
    g.frames.back().transparent = 3;
    g.frames.back().interlaced = true;
    return g;
}

// Entry 3 has the colour of the transparent entry 1: its pixels stay visible.
TestGif duplicatedTransparentColour() {
    TestGif g{16, 8, testPalette(8)};
    std::copy_n(g.global.begin() + 3, 3, g.global.begin() + 9);
    g.frames.push_back(patternFrame(0, 0, 16, 8, 1, 4));
    TestFrame f{0, 0, 16, 8};
    f.transparent = 1;
    for (int i = 0; i < 16 * 8; ++i) f.indexes.push_back(i % 3 == 0 ? 3 : 1);
    g.frames.push_back(f);
    return g;
}

TestGif withExtensions() {
    TestGif g = partialFrames();
    g.extensions = true;
    return g;
}

}  // namespace

TEST_F(Splitter, ComposedFramesMatchAnIndependentCompositor) {
    if (!haveTool("convert") || !haveTool("gifsicle")) GTEST_SKIP() << "ImageMagick or gifsicle missing";
    std::vector<std::string> gifs;
    const std::pair<const char*, TestGif> made[] = {{"partial", partialFrames()},
                                                    {"local", localTablesAndInterlace()},
                                                    {"duplicate", duplicatedTransparentColour()},
                                                    {"extensions", withExtensions()}};
    for (const auto& [name, g] : made) {
        gifs.push_back(dir.file(std::string(name) + ".gif"));
        writeTestGif(gifs.back(), g);
    }
    // Full frames of a moving square, optimised by gifsicle into transparent partial frames.
    TestGif moving{32, 24, testPalette(4)};
    for (int i = 0; i < 6; ++i) {
        TestFrame f = patternFrame(0, 0, 32, 24, 1, 0);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) f.indexes[size_t(y + i * 2) * 32 + x + i * 4] = uint8_t(1 + i % 3);
        moving.frames.push_back(f);
    }
    writeTestGif(dir.file("moving.gif"), moving);
    const std::pair<const char*, const char*> optimised[] = {{"o3", "-O3"},
                                                             {"previous", "--disposal=previous -O2 --interlace"},
                                                             {"background", "--disposal=background -O2"}};
    for (const auto& [name, options] : optimised) {
        gifs.push_back(dir.file(std::string(name) + ".gif"));
        ASSERT_EQ(runCommand("gifsicle " + std::string(options) + " '" + dir.file("moving.gif") + "' -o '" +
                             gifs.back() + "'"),
                  0);
    }
    // Our own AVI-to-GIF engine, plain and optimised with transparency.
    if (haveTool("ffmpeg")) {
        const std::string avi = dir.file("in.avi");
        ASSERT_EQ(runCommand("ffmpeg -loglevel error -y -f lavfi -i testsrc=size=48x36:rate=10 -frames:v 6 "
                             "-c:v rawvideo -pix_fmt bgr24 '" + avi + "'"),
                  0);
        const std::string nc = appDir() + "/nalo-convert avi2gif ";
        gifs.push_back(dir.file("avi_plain.gif"));
        ASSERT_EQ(runCommand(nc + "'" + avi + "' '" + gifs.back() + "'"), 0);
        gifs.push_back(dir.file("avi_optimised.gif"));
        ASSERT_EQ(runCommand(nc + "--transparent-at 0,0 --optimize '" + avi + "' '" + gifs.back() + "'"), 0);
    }
    for (const std::string& path : gifs) {
        ASSERT_TRUE(split(path)) << path;
        EXPECT_TRUE(host.failures.empty());
        expectMatchesMagick(path, host.written, gif.BackColor());
    }
}

TEST_F(Splitter, FramesAreNamedFromTheSourceAndWrittenAsGifWithTheTopLeftTransparent) {
    writeTestGif(dir.file("a.b.gif"), partialFrames());
    ASSERT_TRUE(split(dir.file("a.b.gif"), 1, true));
    ASSERT_EQ(host.written.size(), 5u);
    EXPECT_EQ(host.written[0], dir.file("a_001.gif"));
    EXPECT_EQ(host.written[4], dir.file("a_005.gif"));
    for (const std::string& name : host.written) {
        const DecodedGif d = decodeGiflib(name);
        const std::vector<uint8_t> b = readFile(name);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
        EXPECT_EQ(d.screenWidth, 40);
        EXPECT_EQ(b[13 + 768 + 6], d.frames.at(0).indexes.at(0)) << name;
    }
    const struct {
        const char* path;
        const char* base;
    } bases[] = {{"/d/anim.gif", "/d/anim"}, {"/d/a.b.gif", "/d/a"}, {"anim.gif", "anim"}, {"/x.gif", "/x"}};
    for (const auto& c : bases) EXPECT_EQ(g2g::FrameFileBaseOf(c.path), c.base);
    EXPECT_EQ(FrameFileName("/d/anim", 3, 0), "/d/anim_003.bmp");
    EXPECT_EQ(FrameFileName("/d/anim", 1234, 1), "/d/anim_1234.gif");
}

TEST_F(Splitter, PausesFollowTheDelaysAndUserDelay) {
    TestGif g{4, 4, testPalette(2)};
    for (int delay : {0, 5, 99, 100, 500}) {
        g.frames.push_back(patternFrame(0, 0, 4, 4, 2, 0));
        g.frames.back().delay = delay;
    }
    writeTestGif(dir.file("d.gif"), g);
    ASSERT_TRUE(split(dir.file("d.gif")));
    EXPECT_EQ(host.pauses, (std::vector<int32_t>{1, 51, 991, 101, 101}));
    EXPECT_EQ(FramePause(7, 1000), 1070);

    const std::pair<const char*, int32_t> delays[] = {{"abc", 10}, {"", 10}, {"0", 1},      {"-5", 1},
                                                      {"250", 250}, {" 42 ", 42}, {"5000", 1000}, {"2.5", 2}, {"3.5", 4}};
    for (const auto& [text, want] : delays) {
        gif.UserDelay(std::string_view(text));
        EXPECT_EQ(gif.UserDelay(), want) << text;
    }
}

TEST_F(Splitter, StopRenderEndsBeforeTheNextFrameAndWriteFailuresStopTheSplit) {
    writeTestGif(dir.file("s.gif"), partialFrames());
    struct StoppingHost : RecordingHost {
        clsGif24bit* gif = nullptr;
        void FrameFileWritten(const std::string& name) override {
            RecordingHost::FrameFileWritten(name);
            if (written.size() == 2) gif->StopRender(true);
        }
    } stopping;
    stopping.gif = &gif;
    shared = {dir.file("s.gif"), false, 1, 0, dir.file("s")};
    gif.fGifBreakOutFrames();
    gif.RenderGif(stopping);
    EXPECT_EQ(stopping.written.size(), 2u);

    // A folder that does not exist: the first frame fails, nothing is listed.
    shared = {dir.file("s.gif"), false, 1, 0, dir.file("missing/s")};
    gif.StopRender(false);
    gif.fGifBreakOutFrames();
    gif.RenderGif(host);
    EXPECT_TRUE(host.written.empty());
    ASSERT_EQ(host.failures.size(), 1u);
    EXPECT_NE(host.failures[0].find("missing/s_001.bmp"), std::string::npos);
}

TEST_F(Splitter, HostileFilesAreRefusedOrStopCleanly) {
    writeTestGif(dir.file("ok.gif"), localTablesAndInterlace());
    const std::vector<uint8_t> ok = readFile(dir.file("ok.gif"));
    // Every truncation: refused, or played as far as it goes.
    for (size_t n = 0; n < ok.size(); n += 3) {
        const bool accepted = accepts({ok.begin(), ok.begin() + static_cast<ptrdiff_t>(n)});
        if (n < 13 + 12) {
            EXPECT_FALSE(accepted) << n;
        }
    }
    auto gifWith = [](uint16_t sw, uint16_t sh, std::vector<uint8_t> body) {
        const uint8_t head[19] = {'G', 'I', 'F', '8', '9', 'a', uint8_t(sw), uint8_t(sw >> 8), uint8_t(sh),
                                  uint8_t(sh >> 8), 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
        body.insert(body.begin(), head, head + 19);
        return body;
    };
    const std::vector<uint8_t> image = {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 2, 0x8C, 0x29, 0, 0x3B};
    std::vector<uint8_t> chain;
    for (int i = 0; i < 200000; ++i) chain.insert(chain.end(), {0x21, 0xFE, 1, 'x', 0});
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        bool accepted;
    } cases[] = {
        {"plain image", gifWith(4, 4, image), true},
        {"not GIF8", {'G', 'I', 'F', '7', '9', 'a', 4, 0, 4, 0, 0, 0, 0, 0x3B}, false},
        {"screen descriptor cut", {'G', 'I', 'F', '8', '9', 'a', 4, 0}, false},
        {"code size 12", gifWith(4, 4, {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 12, 2, 0x8C, 0x29, 0, 0x3B}), false},
        {"65535 x 65535 screen", gifWith(65535, 65535, image), false},
        {"empty screen", gifWith(0, 4, image), false},
        {"extension chain, no image", gifWith(4, 4, chain), false},
        {"local table flag, no table", gifWith(4, 4, {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x87}), false},
        {"frame outside the screen", gifWith(4, 4, {0x2C, 0x60, 0xEA, 0x60, 0xEA, 2, 0, 2, 0, 0, 2, 2, 0x8C, 0x29, 0}), true},
        {"65535 x 65535 frame, small data", gifWith(4, 4, {0x2C, 0, 0, 0, 0, 255, 255, 255, 255, 0, 2, 2, 0x8C, 0x29, 0}), true},
        {"junk between blocks", gifWith(4, 4, {0x00, 0x99, 0x21, 0x77, 0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 2, 0x8C, 0x29, 0}), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(accepts(c.bytes), c.accepted) << c.what;
        if (c.accepted) {
            EXPECT_EQ(gif.Canvas().pixel(3, 3), gif.BackColor()) << c.what;  // outside every 2 x 2 frame
        }
    }
    ASSERT_TRUE(accepts(gifWith(4, 4, image)));
    EXPECT_EQ(gif.Canvas().pixel(0, 0), rgb(255, 255, 255));  // index 1 of the plain image
}
