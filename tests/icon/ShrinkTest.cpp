#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "shell/Rounding.h"
#include "tools/pic2ico/PicToIcon.h"
#include "tools/pic2ico/ThumbShrink.h"

using namespace nalo;

namespace {

constexpr ColourValue White = rgb(255, 255, 255), Black = rgb(0, 0, 0);

Dib noisePicture(int w, int h, unsigned seed) {
    std::mt19937 gen(seed);
    Dib d(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            d.setPixel(x, y, rgb(static_cast<uint8_t>(gen()), static_cast<uint8_t>(gen()), static_cast<uint8_t>(gen())));
    return d;
}

// The averaging written out literally: every (k, v) pair visited, a counter tested for
// multiples of the step.
Dib literalAverage(const Dib& src, int quality) {
    Dib dst(32, 32, 24);
    dst.fill(White);
    const float ratioW = 32.0f / src.width(), ratioH = 32.0f / src.height();
    const float scale = ratioH > ratioW ? ratioW : ratioH;
    const int nw = static_cast<int>(std::nearbyint(src.width() * scale));
    const int nh = static_cast<int>(std::nearbyint(src.height() * scale));
    const float L = 1.0f / scale, a = L / 2.0f;
    const int step = static_cast<int>(std::nearbyint(L / quality));
    const int mx = static_cast<int>(std::nearbyint((32 - nw) / 2.0)), my = static_cast<int>(std::nearbyint((32 - nh) / 2.0));
    const int lo = static_cast<int>(std::nearbyint(-a)), hi = static_cast<int>(std::nearbyint(a));
    for (int i = 0; i < nh; ++i)
        for (int j = 0; j < nw; ++j) {
            const int x0 = static_cast<int>(std::nearbyint(j * L - a)), y0 = static_cast<int>(std::nearbyint(i * L - a));
            long r = 0, g = 0, b = 0, n = 0, counter = 0;
            for (int k = lo; k <= hi; ++k)
                for (int v = lo; v <= hi; ++v, ++counter) {
                    if (counter % step != 0) continue;
                    const ColourValue p = src.pixel(x0 + k, y0 + v);
                    if (p == ClrInvalid) continue;
                    r += redOf(p), g += greenOf(p), b += blueOf(p), ++n;
                }
            if (n)
                dst.setPixel(mx + j, my + i,
                             rgb(static_cast<uint8_t>(std::nearbyint(double(r) / n)),
                                 static_cast<uint8_t>(std::nearbyint(double(g) / n)),
                                 static_cast<uint8_t>(std::nearbyint(double(b) / n))));
        }
    return dst;
}

}  // namespace

TEST(Shrink, QualitiesMadeDependOnTheSourceSize) {
    struct Case {
        int w, h;
        std::array<bool, 4> made;
        int chosen;
    } cases[] = {
        {32, 32, {true, true, false, false}, 1},     // L = 1: the step of quality 2 is 0.5 -> 0
        {64, 64, {true, true, true, true}, 3},       // twice the size
        {640, 480, {true, true, true, true}, 3},
        {16, 16, {true, false, false, false}, 0},    // enlarging: L = 0.5
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        const ShrinkResults r = shrinkAllQualities(noisePicture(c.w, c.h, 7));
        EXPECT_EQ(r.made, c.made);
        EXPECT_EQ(r.chosen, c.chosen);
        for (int q = 0; q < 4; ++q) {
            const Dib& p = r.pictures[static_cast<size_t>(q)];
            ASSERT_EQ(p.width(), 32);
            if (!c.made[static_cast<size_t>(q)]) {
                for (int y = 0; y < 32; ++y)
                    for (int x = 0; x < 32; ++x) ASSERT_EQ(p.pixel(x, y), shrinkBackground());
            }
        }
    }
}

TEST(Shrink, AveragingSamplesEveryStepthPairAndSkipsOutsidePositions) {
    for (auto [w, h] : {std::pair{100, 70}, std::pair{64, 64}, std::pair{45, 200}, std::pair{33, 32}}) {
        const Dib src = noisePicture(w, h, static_cast<unsigned>(w * h));
        for (int q = 1; q <= 3; ++q) {
            Dib dst(32, 32, 24);
            const int step = static_cast<int>(
                std::nearbyint((1.0f / std::min(32.0f / w, 32.0f / h)) / static_cast<float>(q)));
            if (step == 0) {
                EXPECT_FALSE(ShrinkPicture(src, dst, q, White));
                continue;
            }
            ASSERT_TRUE(ShrinkPicture(src, dst, q, White));
            const Dib expected = literalAverage(src, q);
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    ASSERT_EQ(dst.pixel(x, y), expected.pixel(x, y)) << w << "x" << h << " q" << q << " " << x << "," << y;
        }
    }
}

TEST(Shrink, ResultIsFittedAndCentred) {
    Dib wide(64, 32, 24);
    wide.fill(rgb(10, 200, 30));
    for (int q = 0; q <= 1; ++q) {
        Dib dst(32, 32, 24);
        ASSERT_TRUE(ShrinkPicture(wide, dst, q, White));
        for (int y = 0; y < 32; ++y) {
            const ColourValue want = (y >= 8 && y < 24) ? rgb(10, 200, 30) : White;
            for (int x = 0; x < 32; ++x) ASSERT_EQ(dst.pixel(x, y), want) << q << " " << x << "," << y;
        }
    }
    Dib empty(32, 32, 24);
    EXPECT_FALSE(ShrinkPicture(Dib(), empty, 0, White));
}

TEST(Shrink, PreparationsOf200x100) {
    Dib picture(200, 100, 24);
    for (int y = 0; y < 100; ++y) picture.fillRect(0, y, 200, 1, rgb(static_cast<uint8_t>(y), 100, 200));

    const Dib bands = prepareSquare(picture, PrepareSquareBands);
    ASSERT_EQ(bands.width(), 200);
    ASSERT_EQ(bands.height(), 200);
    for (int y = 0; y < 200; ++y) {
        const ColourValue want = (y < 50 || y >= 150) ? Black : rgb(static_cast<uint8_t>(y - 50), 100, 200);
        ASSERT_EQ(bands.pixel(0, y), want) << y;
        ASSERT_EQ(bands.pixel(199, y), want) << y;
    }
    const Dib stretched = prepareSquare(picture, PrepareSquareStretch);
    ASSERT_EQ(stretched.width(), 200);
    ASSERT_EQ(stretched.height(), 200);
    for (int y = 0; y < 200; ++y) ASSERT_EQ(stretched.pixel(50, y), rgb(static_cast<uint8_t>(y / 2), 100, 200)) << y;

    // Mode 0 leaves 8-row margins; mode 1 gives black bands there; mode 2 fills the icon.
    auto row = [](const Dib& prepared, int y) { return shrinkAllQualities(prepared).pictures[3].pixel(16, y); };
    EXPECT_EQ(row(prepareSquare(picture, PrepareAsIs), 2), shrinkBackground());
    EXPECT_EQ(row(bands, 2), Black);
    EXPECT_NE(row(stretched, 2), Black);
    EXPECT_NE(row(stretched, 2), shrinkBackground());
    EXPECT_EQ(prepareSquare(picture, PrepareAsIs).height(), 100);

    Dib tall(30, 61, 24);
    tall.fill(White);
    const Dib tallBands = prepareSquare(tall, PrepareSquareBands);
    EXPECT_EQ(tallBands.width(), 61);
    EXPECT_EQ(tallBands.pixel(15, 30), Black);  // (61 - 30) / 2 = 15.5 -> 16
    EXPECT_EQ(tallBands.pixel(16, 30), White);
    EXPECT_EQ(tallBands.pixel(45, 30), White);
    EXPECT_EQ(tallBands.pixel(46, 30), Black);
}
