#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "codecs/GifAnimation.h"
#include "imaging/Dither8bpp.h"
#include "imaging/GifOptimizer.h"
#include "shell/RuntimeError.h"
#include "support/TestSupport.h"
#include "tools/avi2gif/Avi2GifRules.h"
#include "tools/avi2gif/AviImport.h"

using namespace nalo;
using namespace nalo::test;

namespace {

constexpr int W = 24, H = 16;

// Colour of pixel (x, y) of frame f: cube levels only, so mapping is exact.
std::array<uint8_t, 3> colourAt(int f, int x, int y) {
    const uint8_t levels[] = {0, 51, 102, 153, 204, 255};
    bool square = x >= 4 + f && x < 10 + f && y >= 4 && y < 10;  // a square moving right
    if (square) return {levels[5], levels[(f * 2) % 6], levels[1]};
    return {levels[(x / 6) % 6], levels[2], levels[y / 8 + 3]};
}

// Writes an uncompressed AVI of `frames` frames at `fps`; returns its path.
std::string makeAvi(const TempDir& dir, int frames, int fps, const std::string& codec = "rawvideo") {
    std::vector<uint8_t> raw;
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                auto c = colourAt(f, x, y);
                raw.insert(raw.end(), {c[2], c[1], c[0]});  // B G R
            }
    writeFile(dir.file("frames.raw"), raw);
    std::string out = dir.file("in" + std::to_string(fps) + codec + ".avi");
    std::string cmd = "ffmpeg -loglevel error -y -f rawvideo -pix_fmt bgr24 -s " + std::to_string(W) + "x" +
                      std::to_string(H) + " -r " + std::to_string(fps) + " -i '" + dir.file("frames.raw") +
                      "' -c:v " + codec + (codec == "rawvideo" ? " -pix_fmt bgr24" : " -q:v 2") + " '" + out + "'";
    EXPECT_EQ(runCommand(cmd), 0) << cmd;
    return out;
}

// Composed frames of a GIF as ImageMagick shows them (RGBA, frame after frame).
std::vector<uint8_t> coalesced(const std::string& gif) {
    std::string out = gif + ".rgba";
    EXPECT_EQ(runCommand("convert '" + gif + "' -coalesce -depth 8 rgba:'" + out + "'"), 0);
    return readFile(out);
}

class AviImport : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveTool("ffmpeg") || !haveTool("convert")) GTEST_SKIP() << "ffmpeg or ImageMagick missing";
        mDither8bpp::InitDitherTables();
    }
    TempDir dir;
};

}  // namespace

TEST_F(AviImport, DelaysFollowTheFrameRate) {
    struct Case {
        int fps, frames, delay;
    } cases[] = {{15, 30, 7}, {25, 10, 4}, {30, 10, 3}};
    for (auto c : cases) {
        cGIF gif;
        ASSERT_TRUE(mAVIImp::ImportAVI(makeAvi(dir, c.frames, c.fps), gif, nullptr)) << c.fps;
        ASSERT_EQ(gif.FramesCount(), c.frames);
        for (int16_t i = 1; i <= gif.FramesCount(); ++i) {
            EXPECT_EQ(gif.FrameDelay(i), c.delay) << c.fps;
            EXPECT_EQ(gif.FrameDisposalMethod(i), 3);
            EXPECT_EQ(gif.FrameLeft(i), 0);
            EXPECT_EQ(gif.FrameDIBXOR(i).Width(), W);
        }
        EXPECT_EQ(gif.ScreenWidth(), W);
        EXPECT_EQ(gif.ScreenHeight(), H);
        EXPECT_TRUE(gif.GlobalPaletteExists());
        EXPECT_EQ(gif.GlobalPaletteEntries(), 216);
    }
    EXPECT_EQ(mAVIImp::MillisecondsPerFrame(2000, 30), 67);
    EXPECT_EQ(mAVIImp::DelayFromMilliseconds(67), 7);
    EXPECT_EQ(mAVIImp::DelayFromMilliseconds(33), 3);
    EXPECT_EQ(mAVIImp::DelayFromMilliseconds(25), 2);  // 2.5 rounds to even
}

TEST_F(AviImport, SavedGifShowsTheCubeMappedFramesAlsoOptimisedAndTransparent) {
    const int frames = 6;
    const std::string avi = makeAvi(dir, frames, 25);
    std::vector<uint8_t> expected;
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                auto c = colourAt(f, x, y);
                expected.insert(expected.end(), {c[0], c[1], c[2], 255});
            }
    for (int variant = 0; variant < 3; ++variant) {
        cGIF gif;
        ASSERT_TRUE(mAVIImp::ImportAVI(avi, gif, nullptr));
        auto want = expected;
        if (variant == 1) avi2gif::Optimize(gif, nullptr);
        if (variant == 2) {
            // Transparent colour picked at a pixel no frame's square covers: it shows as
            // transparent in every composed frame.
            auto index = avi2gif::PickTransparentIndex(gif, 1, 0, 0);
            ASSERT_TRUE(index.has_value());
            mGIFExt::SetTransparency(gif, true, *index, nullptr);
            for (size_t p = 0; p < want.size(); p += 4) {
                auto c = colourAt(0, 0, 0);
                if (want[p] == c[0] && want[p + 1] == c[1] && want[p + 2] == c[2]) want[p + 3] = 0;
            }
            avi2gif::Optimize(gif, nullptr);  // transparency first, as the command line does
        }
        const std::string out = dir.file("out" + std::to_string(variant) + ".gif");
        ASSERT_TRUE(gif.Save(out));
        auto got = coalesced(out);
        ASSERT_EQ(got.size(), want.size()) << variant;
        size_t bad = 0;
        for (size_t p = 0; p < want.size(); p += 4) {
            bool same = want[p + 3] == 0 ? got[p + 3] == 0
                                         : (got[p + 3] == 255 && got[p] == want[p] && got[p + 1] == want[p + 1] &&
                                            got[p + 2] == want[p + 2]);
            bad += !same;
        }
        EXPECT_EQ(bad, 0u) << "variant " << variant;
    }
}

TEST_F(AviImport, LossyVideoImportsEveryFrame) {
    cGIF gif;
    ASSERT_TRUE(mAVIImp::ImportAVI(makeAvi(dir, 12, 25, "mjpeg"), gif, nullptr));
    EXPECT_EQ(gif.FramesCount(), 12);
}

TEST_F(AviImport, DroppedFramesAreImportedInTheirPlace) {
    // Frames 3 and 4 dropped: two empty chunks, 12 frames in the index.
    const std::string avi = dir.file("dropped.avi");
    ASSERT_EQ(runCommand("ffmpeg -v error -y -f lavfi -i testsrc2=size=24x16:rate=25 -frames:v 10 -vf "
                         "\"select=not(between(n\\,3\\,4))\" -fps_mode passthrough -c:v mjpeg '" + avi + "'"),
              0);
    cGIF gif;
    EXPECT_TRUE(mAVIImp::ImportAVI(avi, gif, nullptr));
    EXPECT_EQ(gif.FramesCount(), 12);
}

TEST_F(AviImport, HostileFilesFailCleanly) {
    std::vector<uint8_t> junk(5000);
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<uint8_t>(i * 7919 % 251);
    writeFile(dir.file("junk.avi"), junk);
    cGIF gif;
    EXPECT_FALSE(mAVIImp::ImportAVI(dir.file("junk.avi"), gif, nullptr));
    EXPECT_EQ(gif.FramesCount(), 0);
    EXPECT_FALSE(mAVIImp::ImportAVI(dir.file("missing.avi"), gif, nullptr));

    auto good = readFile(makeAvi(dir, 10, 25));
    good.resize(good.size() / 2);
    writeFile(dir.file("cut.avi"), good);
    cGIF cut;
    mAVIImp::ImportAVI(dir.file("cut.avi"), cut, nullptr);  // may keep the frames it could read

    std::string out;
    EXPECT_EQ(runCommand("'" + appDir() + "/nalo-convert' avi2gif '" + dir.file("junk.avi") + "' '" +
                             dir.file("j.gif") + "'",
                         &out),
              1);
    EXPECT_NE(out.find("loading error AVI file"), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(dir.file("j.gif")));
}

TEST_F(AviImport, DamagedStreamHeadersFailNamingTheFile) {
    const auto good = readFile(makeAvi(dir, 4, 10, "mpeg4 -bf 2 -g 4"));
    size_t strh = 0;
    while (strh + 4 <= good.size() && std::memcmp(&good[strh], "strh", 4) != 0) ++strh;
    ASSERT_LT(strh, good.size());
    const size_t scale = strh + 8 + 20, rate = scale + 4, length = scale + 12;
    struct Case {
        const char* name;
        uint32_t scale, rate;
        int lengthByte2;  // -1 keeps the length
    } cases[] = {
        {"huge-scale.avi", 0x80000000u, 10, 0x7F},  // ~8.3 million frames of ~107 million s
        {"long-frame.avi", 400, 1, -1},              // 400 s a frame: longer than a GIF delay holds
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = good;
        std::memcpy(&bytes[scale], &c.scale, 4);
        std::memcpy(&bytes[rate], &c.rate, 4);
        if (c.lengthByte2 >= 0) bytes[length + 2] = uint8_t(c.lengthByte2);
        writeFile(dir.file(c.name), bytes);
        std::string out;
        EXPECT_EQ(runCommand("'" + appDir() + "/nalo-convert' avi2gif '" + dir.file(c.name) + "' '" +
                                 dir.file("o.gif") + "'",
                             &out),
                  1);
        EXPECT_NE(out.find("failed: " + dir.file(c.name) + ": "), std::string::npos) << out;
        EXPECT_FALSE(std::filesystem::exists(dir.file("o.gif")));
    }
}

TEST(Avi2GifRules, PreviewIntervalsAndPaletteDepth) {
    EXPECT_EQ(avi2gif::PreviewInterval(3), 50);
    EXPECT_EQ(avi2gif::PreviewInterval(0), 100);
    EXPECT_EQ(avi2gif::PreviewInterval(7), 70);
    EXPECT_EQ(avi2gif::PreviewInterval(-1), 60000);
    EXPECT_EQ(avi2gif::PaletteDepth(40), 6);
    EXPECT_EQ(avi2gif::PaletteDepth(216), 8);
    EXPECT_EQ(avi2gif::PaletteDepth(2), 1);
    EXPECT_EQ(avi2gif::PaletteDepth(1), 1);
}

mAVIImp::AviImportOptions opts(double fps = 0, int w = 0, int h = 0, double start = 0, double end = 0,
                               int16_t loops = 0) {
    mAVIImp::AviImportOptions o;
    o.fps = fps;
    o.width = w;
    o.height = h;
    o.start = start;
    if (end > 0) o.end = end;
    o.loops = loops;
    return o;
}

TEST_F(AviImport, TrimFrameRateSizeAndLoopCount) {
    // 2 s at 25 fps: frame i starts at 40 i ms.
    const std::string avi = makeAvi(dir, 50, 25);
    cGIF whole;
    ASSERT_TRUE(mAVIImp::ImportAVI(avi, whole, nullptr));
    struct Case {
        mAVIImp::AviImportOptions o;
        int frames, firstSample, secondSample;
        std::vector<int16_t> delays;  // repeated over the frames
        int w, h;
        const char* iterations;  // as ImageMagick reports the loop count (plays, 0 = endless)
    } cases[] = {
        {opts(), 50, 0, 1, {4}, W, H, "0"},
        {opts(0, 0, 0, 0.4, 1.2), 20, 10, 11, {4}, W, H, "0"},
        {opts(10), 20, 0, 2, {10}, W, H, "0"},
        {opts(15, 0, 0, 0, 1.0), 15, 0, 1, {7, 6, 7}, W, H, "0"},
        {opts(50), 50, 0, 1, {4}, W, H, "0"},  // above the video's rate: every frame
        {opts(0, 12, 0, 0, 0, 3), 50, 0, 1, {4}, 12, 8, "4"},
        {opts(0, 0, 4, 0, 0, 1), 50, 0, 1, {4}, 6, 4, "2"},
        {opts(0, 10, 10), 50, 0, 1, {4}, 10, 10, "0"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        cGIF gif;
        ASSERT_TRUE(mAVIImp::ImportAVI(avi, gif, nullptr, c.o));
        ASSERT_EQ(gif.FramesCount(), c.frames);
        int total = 0;
        for (int16_t i = 1; i <= gif.FramesCount(); ++i) {
            EXPECT_EQ(gif.FrameDelay(i), c.delays[size_t(i - 1) % c.delays.size()]) << i;
            total += gif.FrameDelay(i);
        }
        if (c.o.fps == 15) {
            EXPECT_EQ(total, 100);  // the delays add up to the second taken
        }
        EXPECT_EQ(gif.ScreenWidth(), c.w);
        EXPECT_EQ(gif.ScreenHeight(), c.h);
        for (int k = 0; c.w == W && c.h == H && k < 2; ++k) {
                const auto& got = gif.FrameDIBXOR(int16_t(k + 1));
                const auto& want = whole.FrameDIBXOR(int16_t((k ? c.secondSample : c.firstSample) + 1));
            EXPECT_EQ(0, std::memcmp(got.lpBits(), want.lpBits(), size_t(got.BytesPerScanLine()) * H)) << k;
        }
        const std::string out = dir.file("t" + std::to_string(n++) + ".gif");
        ASSERT_TRUE(gif.Save(out));
        std::string info;
        ASSERT_EQ(runCommand("identify -verbose '" + out + "[0]' | grep -m1 Iterations", &info), 0);
        EXPECT_NE(info.find(std::string("Iterations: ") + c.iterations + "\n"), std::string::npos) << info;
    }
    cGIF none;
    EXPECT_THROW(mAVIImp::ImportAVI(avi, none, nullptr, opts(0, 0, 0, 3)), RuntimeError);
    EXPECT_EQ(none.FramesCount(), 0);
}

TEST_F(AviImport, CommandLineTakesTheOutputOptionsAndRefusesBadValues) {
    const std::string nc = "'" + appDir() + "/nalo-convert' avi2gif ", avi = " '" + makeAvi(dir, 50, 25) + "' ",
                      gif = "'" + dir.file("o.gif") + "'";
    for (const char* bad : {"--fps 0.05", "--fps nan", "--width 0", "--height 32768", "--start -1", "--end inf",
                            "--start 1 --end 1", "--loop 65536", "--palette web"})
        EXPECT_EQ(runCommand(nc + bad + avi + gif), 2) << bad;
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.gif")));
    std::string log;
    ASSERT_EQ(runCommand(nc + "--fps 10 --width 12 --start 0.4 --end 1.2 --loop 3 --palette adaptive" + avi + gif,
                         &log),
              0);
    EXPECT_NE(log.find("(8 frames, 12x8)"), std::string::npos) << log;
}

// What a GIF shows over time: each composed frame repeated for its delay.
std::vector<uint8_t> shown(const std::string& gif) {
    std::string delays;
    EXPECT_EQ(runCommand("identify -format '%T ' '" + gif + "'", &delays), 0);
    const auto frames = coalesced(gif);
    std::istringstream in(delays);
    std::vector<uint8_t> out;
    const size_t size = size_t(48) * 32 * 4;
    int d;
    for (size_t f = 0; in >> d && (f + 1) * size <= frames.size(); ++f)
        for (int k = 0; k < d; ++k) out.insert(out.end(), frames.begin() + long(f * size), frames.begin() + long((f + 1) * size));
    return out;
}

TEST_F(AviImport, AdaptivePaletteKeepsStillAreasStillAndOptimisesLosslessly) {
    // A still picture (lossy, so many colours) for 10 frames, and a moving clip.
    const std::string still = dir.file("still.avi"), moving = dir.file("moving.avi");
    ASSERT_EQ(runCommand("ffmpeg -v error -y -f lavfi -i testsrc2=size=48x32:rate=10 -vf trim=end_frame=1,loop=9:1 "
                         "-c:v mjpeg -q:v 3 '" + still + "' && ffmpeg -v error -y -f lavfi -i "
                         "testsrc2=size=48x32:rate=10 -frames:v 8 -c:v mjpeg -q:v 3 '" + moving + "'"),
              0);
    auto options = opts();
    options.palette = mAVIImp::GifPalette::Adaptive;
    cGIF gif;
    ASSERT_TRUE(mAVIImp::ImportAVI(still, gif, nullptr, options));
    ASSERT_EQ(gif.FramesCount(), 10);
    EXPECT_GT(gif.GlobalPaletteEntries(), 16);
    const auto& first = gif.FrameDIBXOR(1);
    const size_t bytes = size_t(first.BytesPerScanLine()) * size_t(first.Height());
    const std::vector<uint8_t> one(first.lpBits(), first.lpBits() + bytes);
    for (int16_t i = 2; i <= gif.FramesCount(); ++i)
        EXPECT_EQ(0, std::memcmp(gif.FrameDIBXOR(i).lpBits(), one.data(), bytes)) << i;

    for (bool transparent : {false, true}) {
        cGIF plain, optimised;
        ASSERT_TRUE(mAVIImp::ImportAVI(moving, plain, nullptr, options));
        ASSERT_TRUE(mAVIImp::ImportAVI(moving, optimised, nullptr, options));
        if (transparent) {
            const uint8_t t = *avi2gif::PickTransparentIndex(plain, 1, 0, 0);
            mGIFExt::SetTransparency(plain, true, t, nullptr);
            mGIFExt::SetTransparency(optimised, true, t, nullptr);
        }
        avi2gif::Optimize(optimised, nullptr);
        ASSERT_TRUE(plain.Save(dir.file("plain.gif")));
        ASSERT_TRUE(optimised.Save(dir.file("optimised.gif")));
        auto a = shown(dir.file("plain.gif")), b = shown(dir.file("optimised.gif"));
        for (size_t p = 3; p < a.size(); p += 4)  // transparent pixels: their colour does not count
            if (a[p] == 0) a[p - 3] = a[p - 2] = a[p - 1] = 0;
        for (size_t p = 3; p < b.size(); p += 4)
            if (b[p] == 0) b[p - 3] = b[p - 2] = b[p - 1] = 0;
        EXPECT_EQ(a.size(), size_t(48) * 32 * 4 * 8 * 10) << transparent;
        EXPECT_TRUE(a == b) << transparent;
        if (!transparent) {  // unchanged frames merged, changed ones cropped
            EXPECT_LT(std::filesystem::file_size(dir.file("optimised.gif")),
                      std::filesystem::file_size(dir.file("plain.gif")));
        }
    }
}
