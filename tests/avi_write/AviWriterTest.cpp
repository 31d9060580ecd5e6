// AVI writing layer: frames written through the calls come back from our reader and
// from ffmpeg; the file's headers and index say what other players rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>

#include "platform/AviFile.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;

namespace {

constexpr int W = 64, H = 48, N = 10;
constexpr int Stride = (W * 3 + 3) & ~3;

// Frame i as a bottom-up 24-bit DIB: blue 16 i, green 4 y, red 3 x (y = 0 on top).
std::vector<uint8_t> framePixels(int i, int w = W, int h = H) {
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> px(size_t(stride) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = px.data() + size_t(h - 1 - y) * stride + x * 3;
            p[0] = uint8_t(16 * i), p[1] = uint8_t(4 * y), p[2] = uint8_t(3 * x);
        }
    return px;
}

BITMAPINFOHEADER header24(int w = W, int h = H) {
    BITMAPINFOHEADER b;
    b.biWidth = w;
    b.biHeight = h;
    b.biBitCount = 24;
    b.biSizeImage = uint32_t(((w * 3 + 3) & ~3) * h);
    return b;
}

struct Written {
    AviResult open = -1, create = -1, compress = -1, format = -1, write = -1, commit = -1;
};

// The calls in the images-to-AVI order, with frames from `pixels`.
Written writeAvi(const std::string& path, uint32_t handler, int frames, int w = W, int h = H, uint32_t quality = 9000) {
    Written r;
    AviLibraryScope scope;
    PAVIFILE file;
    PAVISTREAM plain, compressed;
    r.open = AVIFileOpen(file, path, OF_CREATE | OF_WRITE);
    if (r.open) return r;
    AVISTREAMINFOA info;
    info.fccType = mmioStringToFOURCCA("vids", 0);
    info.dwScale = 1;
    info.dwRate = 20;
    info.dwSuggestedBufferSize = header24(w, h).biSizeImage;
    info.rcFrame = {0, 0, w, h};
    r.create = AVIFileCreateStreamA(file, plain, &info);
    AVICOMPRESSOPTIONS opts;
    AVICOMPRESSOPTIONS* list[1] = {&opts};
    auto choose = [&](const std::vector<AviCompressor>&, uint32_t, AVICOMPRESSOPTIONS& o) {
        o.fccHandler = handler;
        o.dwQuality = quality;
        return true;
    };
    EXPECT_EQ(AVISaveOptions(choose, ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE, 1, &plain, list), 1);
    r.compress = AVIMakeCompressedStream(compressed, plain, &opts);
    BITMAPINFOHEADER bih = header24(w, h);
    r.format = AVIStreamSetFormat(compressed, 0, &bih, sizeof bih);
    for (int i = 0; i < frames; ++i) {
        auto px = framePixels(i, w, h);
        r.write = AVIStreamWrite(compressed, i, 1, px.data(), int32_t(px.size()), AVIIF_KEYFRAME);
        if (r.write) break;
    }
    r.commit = AVIFileCommit(file);
    AVISaveOptionsFree(1, list);
    AVIStreamRelease(plain);
    AVIStreamRelease(compressed);
    AVIFileRelease(file);
    return r;
}

// Mean absolute difference of frame i (bottom-up 24-bit rows) from the pattern.
double meanError(const uint8_t* rows, int stride, bool bottomUp, int i) {
    double sum = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const uint8_t* p = rows + size_t(bottomUp ? H - 1 - y : y) * stride + x * 3;
            sum += std::abs(p[0] - 16 * i) + std::abs(p[1] - 4 * y) + std::abs(p[2] - 3 * x);
        }
    return sum / (W * H * 3);
}

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// Offset of the first chunk with this FOURCC (a plain byte search of the headers).
size_t findChunk(const std::vector<uint8_t>& f, const char* id) {
    for (size_t i = 0; i + 8 <= f.size(); ++i)
        if (std::memcmp(f.data() + i, id, 4) == 0) return i;
    return std::string::npos;
}

}  // namespace

TEST(AviWriter, FramesComeBackFromOurReaderAndFfmpeg) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    AviLibraryScope scope;
    std::vector<uint32_t> have;
    for (const AviCompressor& c : AviCompressors()) have.push_back(c.fccHandler);
    ASSERT_FALSE(have.empty());
    EXPECT_EQ(have[0], comptypeDIB);
    struct Case {
        uint32_t handler;
        double tolerance;  // mean error per channel
    } cases[] = {{comptypeDIB, 0}, {comptypeFFV1, 0}, {comptypeMJPG, 3}, {comptypeFMP4, 3}, {comptypeH264, 3}};
    TempDir dir;
    for (const Case& c : cases) {
        if (std::find(have.begin(), have.end(), c.handler) == have.end()) continue;
        SCOPED_TRACE(c.handler);
        const std::string path = dir.file("out.avi");
        Written w = writeAvi(path, c.handler, N);
        ASSERT_EQ(w.open, 0);
        EXPECT_EQ(w.create | w.compress | w.format | w.write | w.commit, 0);

        PAVIFILE file;
        PAVISTREAM stream;
        ASSERT_EQ(AVIFileOpen(file, path, OF_SHARE_DENY_WRITE), 0);
        ASSERT_EQ(AVIFileGetStream(file, stream, streamtypeVIDEO, 0), 0);
        ASSERT_EQ(AVIStreamLength(stream), N);
        BITMAPINFOHEADER want = header24();
        PGETFRAME reader = AVIStreamGetFrameOpen(stream, &want);
        ASSERT_TRUE(reader);
        for (int i = 0; i < N; ++i) {
            const BITMAPINFOHEADER* dib = AVIStreamGetFrame(reader, i);
            ASSERT_TRUE(dib);
            EXPECT_LE(meanError(reinterpret_cast<const uint8_t*>(dib + 1), Stride, true, i), c.tolerance) << i;
        }

        std::string out;
        ASSERT_EQ(runCommand("ffmpeg -v error -y -i " + path + " -f rawvideo -pix_fmt bgr24 " + dir.file("raw.bgr"), &out), 0)
            << out;
        auto raw = readFile(dir.file("raw.bgr"));
        ASSERT_EQ(raw.size(), size_t(W) * H * 3 * N);
        for (int i = 0; i < N; ++i)
            EXPECT_LE(meanError(raw.data() + size_t(W) * H * 3 * i, W * 3, false, i), c.tolerance) << i;
    }
}

TEST(AviWriter, HeadersAndIndexOfFullFrames) {
    TempDir dir;
    const std::string path = dir.file("raw.avi");
    ASSERT_EQ(writeAvi(path, comptypeDIB, N).commit, 0);
    auto f = readFile(path);
    size_t strh = findChunk(f, "strh");
    ASSERT_NE(strh, std::string::npos);
    const uint8_t* h = f.data() + strh + 8;
    EXPECT_EQ(std::memcmp(h, "vids", 4), 0);
    EXPECT_EQ(le32(h + 20), 1u);               // dwScale
    EXPECT_EQ(le32(h + 24), 20u);              // dwRate
    EXPECT_EQ(le32(h + 32), uint32_t(N));      // dwLength
    EXPECT_EQ(le32(h + 36), uint32_t(Stride * H));  // dwSuggestedBufferSize
    EXPECT_EQ(le32(h + 48), 0u);               // rcFrame left, top
    EXPECT_EQ(le32(h + 52), uint32_t(W | H << 16));  // rcFrame right, bottom
    size_t strf = findChunk(f, "strf");
    ASSERT_NE(strf, std::string::npos);
    BITMAPINFOHEADER bih;
    std::memcpy(&bih, f.data() + strf + 8, sizeof bih);
    EXPECT_EQ(bih.biWidth, W);
    EXPECT_EQ(bih.biHeight, H);  // bottom-up rows, as Windows stores them
    EXPECT_EQ(bih.biBitCount, 24);
    EXPECT_EQ(bih.biCompression, 0u);
    // Frame 3 is stored as written.
    size_t movi = findChunk(f, "movi");
    ASSERT_NE(movi, std::string::npos);
    auto px = framePixels(3);
    EXPECT_NE(std::search(f.begin() + long(movi), f.end(), px.begin(), px.end()), f.end());
    size_t idx1 = findChunk(f, "idx1");
    ASSERT_NE(idx1, std::string::npos);
    ASSERT_EQ(le32(f.data() + idx1 + 4), uint32_t(16 * N));
    for (int i = 0; i < N; ++i) EXPECT_EQ(le32(f.data() + idx1 + 8 + 16 * i + 4) & AVIIF_KEYFRAME, AVIIF_KEYFRAME) << i;
}

TEST(AviWriter, FailedOrUnfinishedWritingLeavesNoFile) {
    TempDir dir;
    const std::string path = dir.file("out.avi");
    // No frame: refused, nothing on disk.
    EXPECT_EQ(writeAvi(path, comptypeDIB, 0).commit, AVIERR_NODATA);
    EXPECT_FALSE(std::filesystem::exists(path));
    // A target that exists stays as it was when the new file is refused.
    writeText(path, "old");
    EXPECT_NE(writeAvi(path, comptypeDIB, 0).commit, 0);
    EXPECT_EQ(readFile(path).size(), 3u);
    std::filesystem::remove(path);
    // Released without a commit.
    {
        AviLibraryScope scope;
        PAVIFILE file;
        PAVISTREAM s;
        ASSERT_EQ(AVIFileOpen(file, path, OF_CREATE | OF_WRITE), 0);
        AVISTREAMINFOA info;
        info.fccType = streamtypeVIDEO;
        info.dwScale = 1;
        info.dwRate = 20;
        info.rcFrame = {0, 0, W, H};
        ASSERT_EQ(AVIFileCreateStreamA(file, s, &info), 0);
        BITMAPINFOHEADER bad = header24(W + 1, H);
        EXPECT_EQ(AVIStreamSetFormat(s, 0, &bad, sizeof bad), AVIERR_BADFORMAT);
        BITMAPINFOHEADER bih = header24();
        ASSERT_EQ(AVIStreamSetFormat(s, 0, &bih, sizeof bih), 0);
        auto px = framePixels(0);
        EXPECT_EQ(AVIStreamWrite(s, 0, 1, px.data(), int32_t(px.size()) - 1, AVIIF_KEYFRAME), AVIERR_BADSIZE);
        EXPECT_EQ(AVIStreamWrite(s, 0, 1, px.data(), int32_t(px.size()), AVIIF_KEYFRAME), 0);
        AVIStreamRelease(s);
        AVIFileRelease(file);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    // A folder that does not exist.
    PAVIFILE none;
    EXPECT_EQ(AVIFileOpen(none, dir.file("missing/out.avi"), OF_CREATE | OF_WRITE), AVIERR_FILEOPEN);
    // A full disk (a file-size limit): the write fails, the file is gone.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1 << 20;
    setrlimit(RLIMIT_FSIZE, &small);
    Written w = writeAvi(path, comptypeDIB, 4, 640, 480);
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(w.write, AVIERR_FILEWRITE);
    EXPECT_NE(w.commit, 0);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}
