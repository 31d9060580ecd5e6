// AVI reading layer: AVIs written by the ffmpeg command, read back frame by frame.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "platform/AviFile.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;

namespace {

constexpr int W = 64, H = 48, N = 12;

// Frame i: blue = 16 i, green = 4 y, red = 3 x (y = 0 is the top row).
std::vector<uint8_t> sourceFrames() {
    std::vector<uint8_t> raw(size_t(W) * H * 3 * N);
    uint8_t* p = raw.data();
    for (int i = 0; i < N; ++i)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                *p++ = uint8_t(16 * i);
                *p++ = uint8_t(4 * y);
                *p++ = uint8_t(3 * x);
            }
    return raw;
}

std::string makeAvi(const TempDir& dir, const std::string& name, const std::string& codecArgs, int fps = 25,
                    int w = W, int h = H) {
    std::string raw = dir.file("src.bgr");
    if (w == W && h == H) writeFile(raw, sourceFrames());
    std::string out = dir.file(name);
    std::string input = (w == W && h == H) ? "-f rawvideo -pix_fmt bgr24 -s 64x48 -r " + std::to_string(fps) + " -i " + raw
                                           : "-f lavfi -i testsrc=size=" + std::to_string(w) + "x" +
                                                 std::to_string(h) + ":rate=" + std::to_string(fps) + ":duration=2";
    int rc = runCommand("ffmpeg -v error -y " + input + " " + codecArgs + " " + out);
    EXPECT_EQ(rc, 0) << codecArgs;
    return out;
}

// Frame at (x, y) from the top of a bottom-up 32- or 24-bit packed DIB.
const uint8_t* pixelAt(const BITMAPINFOHEADER* dib, int x, int y) {
    int bpp = dib->biBitCount / 8;
    int stride = ((dib->biWidth * dib->biBitCount + 31) / 32) * 4;
    int row = dib->biHeight > 0 ? dib->biHeight - 1 - y : y;
    return reinterpret_cast<const uint8_t*>(dib + 1) + size_t(row) * stride + size_t(x) * bpp;
}

// Largest channel difference from the source pattern of frame i.
int maxError(const BITMAPINFOHEADER* dib, int i) {
    int worst = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const uint8_t* p = pixelAt(dib, x, y);
            worst = std::max({worst, std::abs(p[0] - 16 * i), std::abs(p[1] - 4 * y), std::abs(p[2] - 3 * x)});
        }
    return worst;
}

struct Opened {
    AviLibraryScope scope;
    PAVIFILE file;
    PAVISTREAM stream;
    AviResult openResult = -1, streamResult = -1;
    explicit Opened(const std::string& path) {
        openResult = AVIFileOpen(file, path, OF_SHARE_DENY_WRITE);
        if (openResult == AVIERR_OK) streamResult = AVIFileGetStream(file, stream, streamtypeVIDEO, 0);
    }
};

}  // namespace

TEST(AviReader, CountSizeTimesAndPixelsAcrossCodecs) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    const AviCodecCase cases[] = {
        {"bgr24.avi", "-c:v rawvideo -pix_fmt bgr24", 0},
        {"bgra.avi", "-c:v rawvideo -pix_fmt bgra", 0},
        {"rgb555.avi", "-c:v rawvideo -pix_fmt rgb555le", 16},
        {"mjpeg.avi", "-c:v mjpeg -q:v 2", 24},
        {"mpeg4.avi", "-c:v mpeg4 -q:v 2 -g 5 -bf 2", 24},
        {"h264.avi", "-c:v libx264 -qp 10 -g 5", 24},
    };
    for (const AviCodecCase& c : cases) {
        SCOPED_TRACE(c.name);
        Opened avi(makeAvi(dir, c.name, c.args));
        ASSERT_EQ(avi.openResult, AVIERR_OK);
        ASSERT_EQ(avi.streamResult, AVIERR_OK);
        EXPECT_EQ(AVIStreamStart(avi.stream), 0);
        ASSERT_EQ(AVIStreamLength(avi.stream), N);
        EXPECT_EQ(AVIStreamSampleToTime(avi.stream, N), N * 40);
        AVISTREAMINFOA info;
        ASSERT_EQ(AVIStreamInfoA(avi.stream, &info, sizeof info), AVIERR_OK);
        EXPECT_EQ(info.rcFrame.right, W);
        EXPECT_EQ(info.rcFrame.bottom, H);
        AVIFILEINFO finfo;
        EXPECT_EQ(AVIFileInfo(avi.file, &finfo, sizeof finfo), AVIERR_OK);

        PGETFRAME reader = AVIStreamGetFrameOpen(avi.stream, nullptr);
        ASSERT_TRUE(reader);
        for (int i = 0; i < N; ++i) {
            const BITMAPINFOHEADER* dib = AVIStreamGetFrame(reader, i);
            ASSERT_TRUE(dib) << i;
            EXPECT_EQ(dib->biSize, 40u);
            EXPECT_EQ(dib->biWidth, W);
            EXPECT_EQ(dib->biHeight, H);
            EXPECT_EQ(dib->biBitCount, 32);
            EXPECT_EQ(dib->biSizeImage, uint32_t(W * H * 4));
            EXPECT_LE(maxError(dib, i), c.tolerance) << "frame " << i;
        }
        EXPECT_EQ(AVIStreamGetFrame(reader, N), nullptr);
        EXPECT_EQ(AVIStreamGetFrame(reader, -1), nullptr);
        // Random access backwards and across key frames gives the same pictures.
        for (int i : {7, 2, 11, 0, 5, 6, 3}) {
            const BITMAPINFOHEADER* dib = AVIStreamGetFrame(reader, i);
            ASSERT_TRUE(dib) << i;
            EXPECT_LE(maxError(dib, i), c.tolerance) << "frame " << i;
        }
        // Release in the documented order; the handles go null.
        AVIStreamGetFrameClose(reader);
        AVIStreamRelease(avi.stream);
        AVIFileRelease(avi.file);
        EXPECT_FALSE(reader || avi.stream || avi.file);
    }
}

TEST(AviReader, TwentyFourBitFramesWhenAskedFor) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    Opened avi(makeAvi(dir, "a.avi", "-c:v rawvideo -pix_fmt bgra"));
    ASSERT_EQ(avi.streamResult, AVIERR_OK);
    BITMAPINFOHEADER want;
    want.biWidth = W;
    want.biHeight = H;
    want.biBitCount = 24;
    want.biSizeImage = ((W * 3 + 3) & ~3) * H;
    PGETFRAME reader = AVIStreamGetFrameOpen(avi.stream, &want);
    ASSERT_TRUE(reader);
    for (int i : {0, 1, 9}) {
        const BITMAPINFOHEADER* dib = AVIStreamGetFrame(reader, i);
        ASSERT_TRUE(dib);
        EXPECT_EQ(dib->biBitCount, 24);
        EXPECT_EQ(dib->biSizeImage, want.biSizeImage);
        EXPECT_EQ(maxError(dib, i), 0);
    }
    want.biBitCount = 8;
    EXPECT_FALSE(AVIStreamGetFrameOpen(avi.stream, &want));
}

TEST(AviReader, NarrowFramesEqualFfmpegsConversionInBothRowOrders) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    const int w = 24, h = 16;
    const std::string path = makeAvi(dir, "n.avi", "-c:v mpeg4 -q:v 5 -bf 2 -g 4", 10, w, h);
    for (int bitCount : {32, 24}) {
        SCOPED_TRACE(bitCount);
        const std::string raw = dir.file("n" + std::to_string(bitCount) + ".raw");
        ASSERT_EQ(runCommand("ffmpeg -v error -y -i '" + path + "' -sws_flags bicubic -f rawvideo -pix_fmt " +
                             (bitCount == 32 ? "bgr0 '" : "bgr24 '") + raw + "'"),
                  0);
        const auto expected = readFile(raw);
        Opened avi(path);
        ASSERT_EQ(avi.streamResult, AVIERR_OK);
        BITMAPINFOHEADER want;
        want.biWidth = w;
        want.biHeight = bitCount == 24 ? -h : h;  // 24-bit asked top-down, 32-bit bottom-up
        want.biBitCount = uint16_t(bitCount);
        PGETFRAME reader = AVIStreamGetFrameOpen(avi.stream, &want);
        ASSERT_TRUE(reader);
        const int bpp = bitCount / 8, stride = ((w * bitCount + 31) / 32) * 4;
        int bad = 0;
        for (int i = 0; i < AVIStreamLength(avi.stream); ++i) {
            const BITMAPINFOHEADER* dib = AVIStreamGetFrame(reader, i);
            ASSERT_TRUE(dib) << i;
            const auto* bits = reinterpret_cast<const uint8_t*>(dib + 1);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (int c = 0; c < 3; ++c) {
                        const int row = bitCount == 24 ? y : h - 1 - y;
                        const uint8_t ours = bits[size_t(row) * stride + size_t(x) * bpp + c];
                        bad += std::abs(ours - expected[((size_t(i) * h + y) * w + x) * bpp + c]) > 2;
                    }
        }
        EXPECT_EQ(bad, 0);
    }
}

TEST(AviReader, FrameDelaysFromEndTime) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    // (fps, frames, end time in ms)
    for (auto [fps, ms] : {std::pair{15, 2000}, {25, 1000}, {30, 1000}}) {
        Opened avi(makeAvi(dir, "d.avi", "-c:v mjpeg -frames:v " + std::to_string(fps * ms / 1000), fps, 32, 32));
        ASSERT_EQ(avi.streamResult, AVIERR_OK);
        int n = AVIStreamLength(avi.stream);
        EXPECT_EQ(n, fps * ms / 1000);
        EXPECT_EQ(AVIStreamSampleToTime(avi.stream, AVIStreamStart(avi.stream) + n), ms) << fps;
    }
}

// Offset of the video stream header's dwStart and of its format's biWidth.
static size_t findChunk(const std::vector<uint8_t>& b, const char* tag) {
    for (size_t i = 0; i + 4 <= b.size(); ++i)
        if (std::memcmp(&b[i], tag, 4) == 0) return i;
    return std::string::npos;
}

TEST(AviReader, StreamStartingAtLaterSample) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    std::string path = makeAvi(dir, "s.avi", "-c:v rawvideo -pix_fmt bgr24");
    auto bytes = readFile(path);
    size_t strh = findChunk(bytes, "strh");
    ASSERT_NE(strh, std::string::npos);
    bytes[strh + 8 + 28] = 5;  // dwStart = 5
    writeFile(path, bytes);
    Opened avi(path);
    ASSERT_EQ(avi.streamResult, AVIERR_OK);
    EXPECT_EQ(AVIStreamStart(avi.stream), 5);
    EXPECT_EQ(AVIStreamLength(avi.stream), N);
    EXPECT_EQ(AVIStreamSampleToTime(avi.stream, 5 + N), (5 + N) * 40);
    PGETFRAME reader = AVIStreamGetFrameOpen(avi.stream, nullptr);
    ASSERT_TRUE(reader);
    EXPECT_EQ(AVIStreamGetFrame(reader, 4), nullptr);
    for (int i = 0; i < N; ++i) {
        const BITMAPINFOHEADER* dib = AVIStreamGetFrame(reader, 5 + i);
        ASSERT_TRUE(dib) << i;
        EXPECT_EQ(maxError(dib, i), 0);
    }
}

TEST(AviReader, DvAtPalSize) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    Opened avi(makeAvi(dir, "dv.avi", "-c:v dvvideo -pix_fmt yuv420p", 25, 720, 576));
    ASSERT_EQ(avi.streamResult, AVIERR_OK);
    EXPECT_EQ(AVIStreamLength(avi.stream), 50);
    PGETFRAME reader = AVIStreamGetFrameOpen(avi.stream, nullptr);
    ASSERT_TRUE(reader);
    const BITMAPINFOHEADER* dib = AVIStreamGetFrame(reader, 49);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->biWidth, 720);
    EXPECT_EQ(dib->biHeight, 576);
}

TEST(AviReader, HostileInputFailsCleanly) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    AviLibraryScope scope;
    // Random bytes named .avi.
    std::vector<uint8_t> noise(5000);
    std::mt19937 rng(9);
    for (auto& b : noise) b = uint8_t(rng());
    writeFile(dir.file("noise.avi"), noise);
    PAVISTREAM stream;
    EXPECT_NE(AVIStreamOpenFromFileA(stream, dir.file("noise.avi"), streamtypeVIDEO, 0, OF_SHARE_EXCLUSIVE), 0);
    EXPECT_FALSE(stream);
    EXPECT_NE(AVIStreamOpenFromFileA(stream, dir.file("missing.avi"), streamtypeVIDEO, 0, OF_SHARE_EXCLUSIVE), 0);

    // Huge declared frame size.
    std::string path = makeAvi(dir, "h.avi", "-c:v rawvideo -pix_fmt bgr24");
    auto good = readFile(path);
    auto huge = good;
    size_t strf = findChunk(huge, "strf");
    ASSERT_NE(strf, std::string::npos);
    for (int k = 0; k < 2; ++k) {
        uint32_t v = 30000;  // 30000 x 30000
        std::memcpy(&huge[strf + 8 + 4 + 4 * k], &v, 4);
    }
    writeFile(dir.file("huge.avi"), huge);
    EXPECT_NE(AVIStreamOpenFromFileA(stream, dir.file("huge.avi"), streamtypeVIDEO, 0, OF_SHARE_EXCLUSIVE), 0);

    // Truncated in the middle of the frames: the missing frames are null, no crash.
    auto cut = good;
    cut.resize(good.size() / 2);
    writeFile(dir.file("cut.avi"), cut);
    if (AVIStreamOpenFromFileA(stream, dir.file("cut.avi"), streamtypeVIDEO, 0, OF_SHARE_EXCLUSIVE) == 0) {
        PGETFRAME reader = AVIStreamGetFrameOpen(stream, nullptr);
        ASSERT_TRUE(reader);
        int delivered = 0;
        for (int i = 0; i < AVIStreamLength(stream); ++i) delivered += AVIStreamGetFrame(reader, i) != nullptr;
        EXPECT_LT(delivered, N);
        EXPECT_EQ(AVIStreamGetFrame(reader, N - 1), nullptr);
    }

    // An AVI with audio only has no video stream.
    runCommand("ffmpeg -v error -y -f lavfi -i sine=duration=0.2 -c:a pcm_s16le " + dir.file("audio.avi"));
    EXPECT_EQ(AVIStreamOpenFromFileA(stream, dir.file("audio.avi"), streamtypeVIDEO, 0, OF_SHARE_EXCLUSIVE),
              AVIERR_NODATA);
}
