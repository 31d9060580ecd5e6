// Videos in the usual containers, made by ffmpeg: the frames a2bj writes and the
// frames the GIF import takes are ffmpeg's own decode of the same frames.
#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/GifAnimation.h"
#include "imaging/Dither8bpp.h"
#include "imaging/GcDIB.h"
#include "imaging/Palette8bpp.h"
#include "support/TestSupport.h"
#include "tools/a2bj/FrameExtraction.h"
#include "tools/avi2gif/AviImport.h"

using namespace nalo;
using namespace nalo::test;
namespace fs = std::filesystem;

namespace {

bool haveEncoder(const std::string& name) {
    static std::string list;
    if (list.empty()) runCommand("ffmpeg -hide_banner -encoders 2>/dev/null", &list);
    return list.find(" " + name + " ") != std::string::npos;
}

// ffmpeg's decode of every frame it outputs, in `pixfmt` (3 or 4 bytes a pixel).
std::vector<uint8_t> ffmpegFrames(const TempDir& dir, const std::string& video, const std::string& pixfmt,
                                  const std::string& filter = "") {
    const std::string raw = dir.file(fs::path(video).filename().string() + "." + pixfmt);
    EXPECT_EQ(runCommand("ffmpeg -v error -y -i '" + video + "' " + (filter.empty() ? "-fps_mode passthrough" : filter) +
                         " -sws_flags bicubic -f rawvideo -pix_fmt " + pixfmt + " '" + raw + "'"),
              0);
    return readFile(raw);
}

// Largest channel difference between a bottom-up 24-bit DIB's rows and frame i of raw.
int worstDifference(const uint8_t* dibPixels, const std::vector<uint8_t>& raw, int i, int w, int h) {
    const size_t stride = size_t((w * 3 + 3) / 4 * 4), row = size_t(w) * 3;
    int worst = raw.size() < (size_t(i) + 1) * row * h ? 256 : 0;
    for (int y = 0; worst < 256 && y < h; ++y)
        for (size_t x = 0; x < row; ++x)
            worst = std::max(worst, std::abs(dibPixels[(h - 1 - y) * stride + x] - raw[(size_t(i) * h + y) * row + x]));
    return worst;
}

// Every frame through a2bj's extraction, then the same frames read back to front.
void expectExtractionEquals(const TempDir& dir, const std::string& video, const std::vector<uint8_t>& bgr, int w,
                            int h, int frames) {
    a2bj::AviFrameSource source;
    ASSERT_EQ(source.open(video), a2bj::AviOpen::Ok);
    ASSERT_EQ(source.facts().length, frames);
    ASSERT_EQ(source.facts().width, w);
    ASSERT_EQ(source.facts().height, h);
    const std::string out = dir.file(fs::path(video).filename().string() + ".frames");
    fs::create_directory(out);
    a2bj::Plan plan;
    plan.from = source.facts().first;
    plan.to = source.facts().last();
    plan.folder = out;
    plan.baseName = "f";
    EXPECT_EQ(a2bj::extractFrames(source, plan).files.written, frames);
    for (int i = 0; i < frames; ++i) {
        const auto bmp = readFile(out + "/" + a2bj::frameFileName("f", i));
        ASSERT_GT(bmp.size(), 54u);
        EXPECT_EQ(worstDifference(bmp.data() + 54, bgr, i, w, h), 0) << "frame " << i;
    }
    for (int i = frames - 1; i >= 0; i -= 3) {
        const BITMAPINFOHEADER* dib = source.frame(i);
        ASSERT_NE(dib, nullptr) << "frame " << i << " read backwards";
        EXPECT_EQ(worstDifference(reinterpret_cast<const uint8_t*>(dib) + 40, bgr, i, w, h), 0) << "frame " << i;
    }
}

// The GIF import against ffmpeg's frames put through the same mapping to the cube.
void expectImportEquals(const std::string& video, const std::vector<uint8_t>& bgra, int w, int h, int frames) {
    cGIF gif;
    ASSERT_TRUE(mAVIImp::ImportAVI(video, gif, nullptr));
    ASSERT_EQ(gif.FramesCount(), frames);
    cPal8bpp palette;
    for (int i = 0; i < frames; ++i) {
        ASSERT_GE(bgra.size(), size_t(i + 1) * w * h * 4);
        GcDIB expected;
        ASSERT_TRUE(mDither8bpp::DitherRowsTo8bpp(bgra.data() + size_t(i) * w * h * 4, size_t(w) * 4, true, w, h,
                                                  expected, palette, i > 0));
        const GcDIB& got = gif.FrameDIBXOR(int16_t(i + 1));
        int differing = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                differing += mDither8bpp::GetPixelIndex(got, x, y) != mDither8bpp::GetPixelIndex(expected, x, y);
        EXPECT_EQ(differing, 0) << "frame " << i;
    }
}

class VideoContainers : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
        mDither8bpp::InitDitherTables();
    }
    std::string make(const std::string& name, const std::string& source, const std::string& args) {
        const std::string path = dir.file(name);
        EXPECT_EQ(runCommand("ffmpeg -v error -y -f lavfi -i " + source + " " + args + " '" + path + "'"), 0) << args;
        return path;
    }
    TempDir dir;
};

}  // namespace

TEST_F(VideoContainers, FramesEqualFfmpegsDecodeAcrossContainersAndCodecs) {
    struct Case {
        const char* name;
        const char* encoder;
        const char* args;
        int width, height;
    } cases[] = {
        {"h264.mp4", "libx264", "-c:v libx264 -bf 2 -g 5 -pix_fmt yuv420p", 42, 30},
        {"mpeg4.mov", "mpeg4", "-c:v mpeg4 -bf 2 -g 5 -q:v 4", 42, 30},
        {"vp9.webm", "libvpx-vp9", "-c:v libvpx-vp9 -g 5 -deadline realtime", 42, 30},
        {"hevc.mkv", "libx265", "-c:v libx265 -x265-params log-level=none:bframes=2:keyint=5", 64, 48},  // x265: 64 x 48 at least
        {"h264.ts", "libx264", "-c:v libx264 -bf 2 -g 5 -pix_fmt yuv420p", 42, 30},
        {"mjpeg.avi", "mjpeg", "-c:v mjpeg -q:v 3", 42, 30},
    };
    constexpr int Frames = 16;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!haveEncoder(c.encoder)) continue;
        const std::string video = make(c.name,
                                       "testsrc2=size=" + std::to_string(c.width) + "x" + std::to_string(c.height) +
                                           ":rate=25 -frames:v " + std::to_string(Frames),
                                       c.args);
        const auto bgr = ffmpegFrames(dir, video, "bgr24");
        ASSERT_EQ(bgr.size(), size_t(c.width) * c.height * 3 * Frames);
        expectExtractionEquals(dir, video, bgr, c.width, c.height, Frames);
        expectImportEquals(video, ffmpegFrames(dir, video, "bgra"), c.width, c.height, Frames);
    }
}

TEST_F(VideoContainers, VariableFrameRateIsSampledAtTheAverageRate) {
    if (!haveEncoder("libx264")) GTEST_SKIP();
    // 20 pictures at uneven times (ms): runs of 4 at 100 ms steps, then a gap of 250 ms;
    // the last two 10 ms apart.
    const std::string video = make(
        "vfr.mp4", "testsrc2=size=42x30:rate=1 -frames:v 20",
        "-vf \"settb=1/1000,setpts='(N + 1.5*floor(N/4) - 0.9*eq(N\\,19))/10/TB'\" -fps_mode vfr "
        "-enc_time_base:v 1/1000 -video_track_timescale 1000 -c:v libx264 -bf 2 -g 6 -pix_fmt yuv420p");
    PAVISTREAM stream;
    AviLibraryScope library;
    ASSERT_EQ(AVIStreamOpenFromFileA(stream, video, streamtypeVIDEO, 0, OF_SHARE_DENY_WRITE), AVIERR_OK);
    AVISTREAMINFOA info;
    AVIStreamInfoA(stream, &info, sizeof info);
    // 2410 ms from the first picture to the last: 19 ticks at 1900/241 per second.
    EXPECT_EQ(info.dwRate, 1900u);
    EXPECT_EQ(info.dwScale, 241u);
    EXPECT_EQ(AVIStreamLength(stream), 20);
    AVIStreamRelease(stream);
    // Each tick shows the last picture nearest to it (ffmpeg's fps filter at 1900/241
    // gives the same): 3, 7, 11 and 15 show twice, 2, 8, 14 and 18 never.
    const int shown[20] = {0, 1, 3, 3, 4, 5, 6, 7, 7, 9, 10, 11, 11, 12, 13, 15, 15, 16, 17, 19};
    const auto pictures = ffmpegFrames(dir, video, "bgr24");
    const size_t size = size_t(42) * 30 * 3;
    ASSERT_EQ(pictures.size(), size * 20);
    std::vector<uint8_t> expected;
    for (int picture : shown) expected.insert(expected.end(), pictures.begin() + picture * size, pictures.begin() + (picture + 1) * size);
    expectExtractionEquals(dir, video, expected, 42, 30, 20);
}

TEST_F(VideoContainers, PhoneVideosStoredOnTheirSideComeOutUpright) {
    if (!haveEncoder("libx264")) GTEST_SKIP();
    const std::string plain = make("plain.mp4", "testsrc2=size=42x30:rate=25 -frames:v 8",
                                   "-c:v libx264 -bf 2 -g 4 -pix_fmt yuv420p");
    // The display matrix of a phone held upright (90) or upside down (180), and 270.
    const struct {
        int degrees, width, height;
    } cases[] = {{90, 30, 42}, {180, 42, 30}, {270, 30, 42}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.degrees);
        const std::string video = dir.file("rot" + std::to_string(c.degrees) + ".mp4");
        ASSERT_EQ(runCommand("ffmpeg -v error -y -i '" + plain + "' -c copy -metadata:s:v:0 rotate=" +
                             std::to_string(c.degrees) + " '" + video + "'"),
                  0);
        // ffmpeg turns the pictures as players do.
        expectExtractionEquals(dir, video, ffmpegFrames(dir, video, "bgr24"), c.width, c.height, 8);
        expectImportEquals(video, ffmpegFrames(dir, video, "bgra"), c.width, c.height, 8);
    }
}
