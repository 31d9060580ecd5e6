// The optimiser: transparency, palette shrinking, frame merging and cropping, and the
// composed animation before and after, as an independent decoder shows it.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "codecs/GifAnimation.h"
#include "gif/GifTestSupport.h"
#include "imaging/GifOptimizer.h"
#include "imaging/ProgressReporter.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;

namespace {

struct RecordingProgress : ProgressReporter {
    int32_t max = -1, last = -1, calls = 0;
    void Max(int32_t v) override { max = v; }
    void value(int32_t v) override {
        last = v;
        ++calls;
    }
};

// An animation of `frames` w x h frames on the first `entries` colours of the cube-like palette.
void makeAnimation(cGIF& gif, int frames, int w, int h, int entries) {
    gif.Destroy();
    gif.GlobalPaletteExists(true);
    gif.GlobalPaletteEntries(static_cast<int16_t>(entries));
    const auto pal = distinctPalette(entries);
    std::memcpy(gif.lpGlobalPalette(), pal.data(), 1024);
    for (int16_t i = 1; i <= frames; ++i) {
        gif.FrameInsert(i, w, h);
        std::memcpy(gif.lpLocalPalette(i), pal.data(), 1024);
        gif.FrameDelay(i, 4);
        gif.FrameDisposalMethod(i, 3);
    }
}

// Compares two sets of RGBA frames: same coverage, same colour where covered.
void expectSameFrames(const std::vector<std::vector<uint8_t>>& a, const std::vector<std::vector<uint8_t>>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t f = 0; f < a.size(); ++f) {
        ASSERT_EQ(a[f].size(), b[f].size());
        for (size_t p = 0; p < a[f].size(); p += 4) {
            ASSERT_EQ(a[f][p + 3] != 0, b[f][p + 3] != 0) << "frame " << f << " pixel " << p / 4;
            if (a[f][p + 3] != 0) {
                ASSERT_EQ(std::memcmp(&a[f][p], &b[f][p], 3), 0) << "frame " << f << " pixel " << p / 4;
            }
        }
    }
}

// Expands composed frames by their delays (in hundredths), so merged frames compare.
std::vector<std::vector<uint8_t>> byTime(const std::vector<std::vector<uint8_t>>& frames, const cGIF& gif) {
    std::vector<std::vector<uint8_t>> out;
    for (int16_t i = 1; i <= gif.FramesCount(); ++i)
        for (int t = 0; t < gif.FrameDelay(i); ++t) out.push_back(frames[i - 1]);
    return out;
}

}  // namespace

TEST(GifOptimizer, IdenticalFramesMergeIntoOne) {
    cGIF gif;
    makeAnimation(gif, 5, 6, 4, 8);
    for (int16_t i = 1; i <= 5; ++i) setIndexes(gif, i, std::vector<uint8_t>(24, 3));
    RecordingProgress progress;
    ASSERT_TRUE(mGIFExt::OptimizeFrames(gif, &progress));
    EXPECT_EQ(gif.FramesCount(), 1);
    EXPECT_EQ(gif.FrameDelay(1), 20);
    EXPECT_EQ(gif.FrameDisposalMethod(1), 1);
    EXPECT_EQ(gif.FrameDIBXOR(1).Width(), 6);
    EXPECT_EQ(progress.max, 5);
    EXPECT_EQ(progress.last, 0);
}

TEST(GifOptimizer, OneChangedPixelBecomesOnePixelFrame) {
    cGIF gif;
    makeAnimation(gif, 2, 10, 10, 8);
    std::vector<uint8_t> a(100, 1), b = a;
    b[7 * 10 + 5] = 2;
    setIndexes(gif, 1, a);
    setIndexes(gif, 2, b);
    ASSERT_TRUE(mGIFExt::OptimizeFrames(gif, nullptr));
    ASSERT_EQ(gif.FramesCount(), 2);
    EXPECT_EQ(gif.FrameDIBXOR(2).Width(), 1);
    EXPECT_EQ(gif.FrameDIBXOR(2).Height(), 1);
    EXPECT_EQ(gif.FrameLeft(2), 5);
    EXPECT_EQ(gif.FrameTop(2), 7);
    EXPECT_EQ(gif.FrameDIBXOR(2).row(0)[0], 2);
    EXPECT_EQ(gif.FrameDisposalMethod(2), 1);
    // The frames no longer cover the screen: a second run declines and changes nothing.
    EXPECT_FALSE(mGIFExt::OptimizeFrames(gif, nullptr));
    EXPECT_EQ(gif.FramesCount(), 2);
    EXPECT_EQ(gif.FrameLeft(2), 5);
}

TEST(GifOptimizer, TransparentFramesShrinkToTheVisibleRegion) {
    cGIF gif;
    makeAnimation(gif, 3, 12, 6, 8);
    std::vector<uint8_t> f1(72, 0), f2(72, 0), f3(72, 0);
    for (int y = 0; y <= 3; ++y) f1[y * 12 + 2 + (y % 2) * 7] = 5;  // columns 2 and 9, rows 0..3
    mGIFExt::SetTransparency(gif, true, 0, nullptr);
    setIndexes(gif, 1, f1);
    setIndexes(gif, 2, f2);  // nothing visible: merges into frame 1
    f3[5 * 12 + 11] = 4;
    setIndexes(gif, 3, f3);
    ASSERT_TRUE(mGIFExt::OptimizeFrames(gif, nullptr));
    ASSERT_EQ(gif.FramesCount(), 2);
    EXPECT_EQ(gif.FrameDIBXOR(1).Width(), 8);
    EXPECT_EQ(gif.FrameDIBXOR(1).Height(), 4);
    EXPECT_EQ(gif.FrameLeft(1), 2);
    EXPECT_EQ(gif.FrameTop(1), 0);
    EXPECT_EQ(gif.FrameDisposalMethod(1), 3);
    EXPECT_EQ(gif.FrameDelay(1), 8);
    EXPECT_EQ(gif.FrameDIBAND(1).Width(), 8);
    EXPECT_EQ(gif.FrameDIBAND(1).hDIBDC().rawPixel(1, 0), 1u);  // transparent in the mask
    EXPECT_EQ(gif.FrameLeft(2), 11);
    EXPECT_EQ(gif.FrameTop(2), 5);
}

TEST(GifOptimizer, EmptyFirstFrameAndDelayOverflow) {
    cGIF gif;
    makeAnimation(gif, 3, 4, 4, 4);
    mGIFExt::SetTransparency(gif, true, 0, nullptr);
    std::vector<uint8_t> visible(16, 0);
    visible[5] = 1;
    setIndexes(gif, 3, visible);
    gif.FrameDelay(1, 32000);
    gif.FrameDelay(2, 1000);
    ASSERT_TRUE(mGIFExt::OptimizeFrames(gif, nullptr));
    // Frame 1 keeps one transparent pixel; frame 2 would overflow its delay and stays.
    ASSERT_EQ(gif.FramesCount(), 3);
    EXPECT_EQ(gif.FrameDIBXOR(1).Width(), 1);
    EXPECT_EQ(gif.FrameDelay(1), 32000);
    EXPECT_EQ(gif.FrameDelay(2), 1000);
    EXPECT_EQ(gif.FrameDIBXOR(3).Width(), 1);
    EXPECT_EQ(gif.FrameLeft(3), 1);
    TempDir dir;
    ASSERT_TRUE(gif.Save(dir.file("e.gif")));
    EXPECT_EQ(decodeGiflib(dir.file("e.gif")).frames.size(), 3u);
}

TEST(GifOptimizer, PaletteShrinksToTheUsedColours) {
    cGIF gif;
    makeAnimation(gif, 2, 20, 10, 216);
    std::vector<uint8_t> a(200), b(200);
    for (int i = 0; i < 200; ++i) {
        a[i] = static_cast<uint8_t>(5 * (i % 20) + 10);    // 10, 15, .., 105
        b[i] = static_cast<uint8_t>(5 * (i % 20) + 110);   // 110, .., 205
    }
    setIndexes(gif, 1, a);
    setIndexes(gif, 2, b);
    mGIFExt::SetTransparency(gif, true, 15, nullptr);
    const auto before = composeModel(gif);
    RecordingProgress progress;
    mGIFExt::OptimizeGlobalPalette(gif, &progress);
    EXPECT_EQ(progress.max, 4);
    EXPECT_EQ(progress.last, 0);
    ASSERT_EQ(gif.GlobalPaletteEntries(), 40);
    EXPECT_EQ(gif.GlobalPaletteRGBEntry(0), gif.LocalPaletteRGBEntry(1, 0));
    EXPECT_EQ(gif.FrameDIBXOR(1).row(0)[0], 0);
    EXPECT_EQ(gif.FrameDIBXOR(1).row(0)[1], 1);
    EXPECT_EQ(gif.FrameDIBXOR(2).row(0)[0], 20);
    EXPECT_EQ(gif.FrameTransparentColorIndex(1), 1);
    EXPECT_EQ(gif.LocalPaletteEntries(2), 40);
    expectSameFrames(before, composeModel(gif));
    TempDir dir;
    ASSERT_TRUE(gif.Save(dir.file("p.gif")));
    auto f = readFile(dir.file("p.gif"));
    EXPECT_EQ(f[10], 0x80 + 5 * 17);  // 64-entry table
}

TEST(GifOptimizer, SingleColourLeavesTwoEntries) {
    cGIF gif;
    makeAnimation(gif, 1, 5, 5, 216);
    setIndexes(gif, 1, std::vector<uint8_t>(25, 100));
    mGIFExt::OptimizeGlobalPalette(gif, nullptr);
    ASSERT_EQ(gif.GlobalPaletteEntries(), 2);
    const auto pal = distinctPalette(216);
    EXPECT_EQ(gif.GlobalPaletteRGBEntry(0), rgb(pal[402], pal[401], pal[400]));
    EXPECT_EQ(gif.GlobalPaletteRGBEntry(1), rgb(pal[2], pal[1], pal[0]));
    EXPECT_EQ(gif.FrameDIBXOR(1).row(4)[4], 0);
}

// A moving picture, optimised with and without transparency, looks the same in
// ImageMagick as the frames before optimisation.
TEST(GifOptimizer, ComposedAnimationIsUnchanged) {
    if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
    TempDir dir;
    for (bool transparent : {false, true}) {
        SCOPED_TRACE(transparent ? "transparent" : "opaque");
        cGIF gif;
        const int w = 40, h = 30, frames = 8;
        makeAnimation(gif, frames, w, h, 216);
        std::mt19937 rng(42);
        for (int16_t i = 1; i <= frames; ++i) {
            std::vector<uint8_t> idx(size_t(w) * h, 7);
            if (i != 4)  // frame 4 repeats frame 3
                for (int y = 0; y < 10; ++y)
                    for (int x = 0; x < 12; ++x) idx[size_t(y + i) * w + x + 2 * i] = static_cast<uint8_t>(rng() % 216);
            else
                idx = std::vector<uint8_t>(gif.FrameDIBXOR(3).lpBits(), gif.FrameDIBXOR(3).lpBits() + w * h);
            setIndexes(gif, i, idx);
        }
        if (transparent) mGIFExt::SetTransparency(gif, true, 7, nullptr);
        const std::string plain = dir.file("plain.gif"), optimised = dir.file("opt.gif");
        ASSERT_TRUE(gif.Save(plain));
        const auto before = byTime(decodeMagickRgba(plain, w, h), gif);
        mGIFExt::OptimizeGlobalPalette(gif, nullptr);
        ASSERT_TRUE(mGIFExt::OptimizeFrames(gif, nullptr));
        EXPECT_EQ(gif.FramesCount(), transparent ? frames : frames - 1);  // opaque: frame 4 merges
        ASSERT_TRUE(gif.Save(optimised));
        const auto after = decodeMagickRgba(optimised, w, h);
        ASSERT_EQ(after.size(), size_t(gif.FramesCount()));
        expectSameFrames(before, byTime(after, gif));
        expectSameFrames(byTime(composeModel(gif), gif), byTime(after, gif));
    }
}
