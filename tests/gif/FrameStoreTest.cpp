// Frames kept out of memory: the same file as frames all in memory, and a full disk
// reported as an error.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <random>

#include "codecs/GifAnimation.h"
#include "gif/GifTestSupport.h"
#include "imaging/GifOptimizer.h"
#include "shell/RuntimeError.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;

namespace {

// Frames of w x h on a 216-colour palette: a moving random block over a plain
// background, frames 5 and 6 the same.
void fill(cGIF& gif, int frames, int w, int h) {
    gif.GlobalPaletteExists(true);
    gif.GlobalPaletteEntries(216);
    const auto pal = distinctPalette(216);
    std::memcpy(gif.lpGlobalPalette(), pal.data(), 1024);
    std::mt19937 rng(7);
    std::vector<uint8_t> idx;
    for (int16_t i = 1; i <= frames; ++i) {
        gif.FrameInsert(i, w, h);
        std::memcpy(gif.lpLocalPalette(i), pal.data(), 1024);
        gif.FrameDelay(i, 4);
        gif.FrameDisposalMethod(i, 3);
        if (i != 6) {
            idx.assign(size_t(w) * h, 9);
            for (int y = 0; y < h / 2; ++y)
                for (int x = 0; x < w / 3; ++x)
                    idx[size_t(y + i % (h / 2)) * w + x + i % (w / 2)] = static_cast<uint8_t>(20 + rng() % 60);
        }
        setIndexes(gif, i, idx);
    }
}

// Lowers the file-size limit of the process (a full disk for its new files).
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old);
        previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = old;
        lower.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
    }
    rlimit old{};
    void (*previous)(int) = nullptr;
};

}  // namespace

TEST(GifFrameStore, FramesOutOfMemoryGiveTheSameFile) {
    TempDir dir;
    for (bool transparent : {false, true}) {
        SCOPED_TRACE(transparent ? "transparent" : "opaque");
        std::vector<uint8_t> files[2];
        for (size_t inMemory : {size_t(64) << 20, size_t(0)}) {
            cGIF gif(inMemory, dir.path().string());
            fill(gif, 24, 61, 37);
            if (transparent) mGIFExt::SetTransparency(gif, true, 9, nullptr);
            mGIFExt::OptimizeGlobalPalette(gif, nullptr);
            ASSERT_TRUE(mGIFExt::OptimizeFrames(gif, nullptr));
            const std::string path = dir.file("a.gif");
            ASSERT_TRUE(gif.Save(path));
            files[inMemory == 0] = readFile(path);
        }
        EXPECT_EQ(files[0], files[1]);
    }
}

TEST(GifFrameStore, FullDiskIsAnErrorNamingTheFolder) {
    TempDir dir;
    cGIF gif(0, dir.path().string());
    try {
        FileSizeLimit limit(1 << 20);
        fill(gif, 200, 100, 100);
        FAIL() << "200 frames of 100 x 100 went into 1 MB";
    } catch (const RuntimeError& e) {
        EXPECT_NE(e.description().find(dir.path().string()), std::string::npos) << e.description();
    }
    // The frames filled before stay whole (the last one was just inserted).
    const int16_t n = gif.FramesCount();
    ASSERT_GT(n, 3);
    for (int16_t i : {int16_t(1), int16_t(n - 1)}) {
        EXPECT_EQ(gif.FrameDIBXOR(i).Width(), 100);
        EXPECT_EQ(gif.FrameDIBXOR(i).row(0)[0], 9);
    }
}
