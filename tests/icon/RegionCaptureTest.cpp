#include <gtest/gtest.h>

#include "icon/IconTestPictures.h"
#include "tools/pic2ico/CaptureGeometry.h"
#include "tools/pic2ico/CutBox.h"
#include "tools/pic2ico/ImageCapSession.h"

using namespace nalo;
using nalo::test::quadrantPicture;

namespace {

constexpr ColourValue White = rgb(255, 255, 255), Black = rgb(0, 0, 0);
constexpr ColourValue Red = rgb(255, 0, 0), Blue = rgb(0, 0, 255), Green = rgb(0, 255, 0), Grey = rgb(90, 90, 90);

bool sameDib(const Dib& a, const Dib& b) {
    if (a.width() != b.width() || a.height() != b.height()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return false;
    return true;
}

void drag(ImageCapSession& s, float x0, float y0, float x1, float y1) {
    s.mouseDown(ImageCapSession::LeftButton, x0, y0);
    s.mouseMove(ImageCapSession::LeftButton, (x0 + x1) / 2, (y0 + y1) / 2);
    s.mouseMove(ImageCapSession::LeftButton, x1, y1);
    s.mouseUp(ImageCapSession::LeftButton, x1, y1);
}

}  // namespace

TEST(RegionCapture, SquareSideFollowsTheFitRuleInBothDragDirections) {
    for (auto [sx, sy, ex, ey] : {std::array<float, 4>{10, 20, 130, 100}, std::array<float, 4>{130, 100, 10, 20}}) {
        const CaptureSquare byWidth = captureSquare(sx, sy, ex, ey, FitToWidth);
        EXPECT_EQ(byWidth.left, 10);
        EXPECT_EQ(byWidth.top, 20);
        EXPECT_EQ(byWidth.side, 120);
        const CaptureSquare byHeight = captureSquare(sx, sy, ex, ey, FitToHeight);
        EXPECT_EQ(byHeight.left, 10);
        EXPECT_EQ(byHeight.top, 20);
        EXPECT_EQ(byHeight.side, 80);
    }
    EXPECT_EQ(dragLabel(10, 20, 130, 100, FitToWidth), "幅 (120)  高さ (80) 幅優先");
    EXPECT_EQ(dragLabel(130, 100, 10, 20, FitToHeight), "幅 (120)  高さ (80) 高さ優先");
}

TEST(RegionCapture, DragAndEnterCaptureTheSquareAsTheIcon) {
    // Screen 400 x 300: the picture sits at (100, 100); its quadrant block at (110, 110).
    for (int dir = 0; dir < 2; ++dir) {
        ImageCapSession s(400, 300, quadrantPicture(), FitToWidth);
        if (dir == 0) drag(s, 110, 110, 150, 135);
        else drag(s, 150, 135, 110, 110);
        EXPECT_EQ(s.square().side, 40);
        ASSERT_TRUE(s.timerRunning());
        const auto icon = s.key(true);
        ASSERT_TRUE(icon.has_value());
        ASSERT_EQ(icon->width(), 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const ColourValue want = y < 16 ? (x < 16 ? Red : Blue) : (x < 16 ? Green : Black);
                ASSERT_EQ(icon->pixel(x, y), want) << dir << " " << x << "," << y;
            }
        EXPECT_FALSE(s.key(false).has_value());
    }
    // By height: a 30-pixel square; 30 -> 32 repeats pixels but keeps the quadrant split near the middle.
    ImageCapSession s(400, 300, quadrantPicture(), FitToHeight);
    drag(s, 110, 110, 180, 140);
    EXPECT_EQ(s.square().side, 30);
    const auto icon = s.key(true);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->pixel(0, 0), Red);
    EXPECT_EQ(icon->pixel(31, 0), Blue);  // columns 20..29 of the square are blue
    EXPECT_EQ(icon->pixel(0, 31), Green);
}

TEST(RegionCapture, NoCaptureWithoutASquareOrWithOtherButtons) {
    ImageCapSession s(400, 300, quadrantPicture(), FitToWidth);
    EXPECT_FALSE(s.key(true).has_value());  // Enter before any drag
    s.mouseDown(ImageCapSession::RightButton, 110, 110);
    s.mouseMove(ImageCapSession::RightButton, 150, 150);
    s.mouseDown(ImageCapSession::LeftButton, 110, 110);  // ignored: the right button is tracked
    s.mouseUp(ImageCapSession::RightButton, 150, 150);
    EXPECT_FALSE(s.timerRunning());
    EXPECT_FALSE(s.key(true).has_value());
    drag(s, 120, 120, 120, 120);  // a click: no square
    EXPECT_FALSE(s.key(true).has_value());
}

TEST(RegionCapture, PictureIsCentredAndCutAtTheScreenEdges) {
    Dib big(600, 400, 24);
    big.fill(Grey);
    big.setPixel(100, 50, Red);
    big.setPixel(499, 349, Blue);
    ImageCapSession s(400, 300, big, FitToWidth);
    EXPECT_EQ(s.display().pixel(0, 0), Red);
    EXPECT_EQ(s.display().pixel(399, 299), Blue);

    // Positions are clamped to the screen; outside the picture the square is white.
    ImageCapSession small(400, 300, quadrantPicture(), FitToWidth);
    drag(small, 60, 60, 140, 9999);
    EXPECT_EQ(small.square().left, 60);
    EXPECT_EQ(small.square().side, 80);
    EXPECT_EQ(small.cut().pixel(0, 0), White);
    EXPECT_EQ(small.cut().pixel(50, 50), Red);  // display (110, 110)
}

TEST(RegionCapture, RubberBandAndMarchingBoxLeaveThePictureIntact) {
    ImageCapSession s(300, 200, quadrantPicture(), FitToWidth);
    const Dib clean = s.display();
    s.mouseDown(ImageCapSession::LeftButton, 60, 60);
    s.mouseMove(ImageCapSession::LeftButton, 90, 80);
    EXPECT_FALSE(sameDib(clean, s.display()));
    EXPECT_EQ(s.label(), "幅 (30)  高さ (20) 幅優先");
    EXPECT_EQ(s.labelX(), 95);
    s.mouseMove(ImageCapSession::LeftButton, 120, 100);
    s.mouseUp(ImageCapSession::LeftButton, 120, 100);
    EXPECT_TRUE(s.label().empty());
    // Only the box outline differs from the clean display.
    Dib expected = clean;
    CutBox box;
    box.DrawCutBox(expected, 59, 59, 62, 62, false, false);
    EXPECT_TRUE(sameDib(expected, s.display()));
    s.timerTick();
    EXPECT_FALSE(sameDib(expected, s.display()));
    // A new press removes the box.
    s.mouseDown(ImageCapSession::LeftButton, 10, 10);
    EXPECT_TRUE(sameDib(clean, s.display()));

    Dib frame = clean;
    invertDottedFrame(frame, 5, 5, 40, 30);
    EXPECT_NE(frame.pixel(5, 5), clean.pixel(5, 5));
    invertDottedFrame(frame, 40, 30, 5, 5);
    EXPECT_TRUE(sameDib(clean, frame));
}

TEST(RegionCapture, CutBoxDashesAlternateAndRemoveRestores) {
    EXPECT_EQ(CutBox::outline(3, 4, 10, 6).size(), static_cast<size_t>(2 * 11 + 2 * 5));
    Dib d(40, 40, 24);
    d.fill(Grey);
    const Dib clean = d;
    CutBox box;
    box.DrawCutBox(d, 3, 4, 20, 10, false, false);
    // First call starts with white (the opposite of the stored black): 5 white pairs, then black.
    EXPECT_EQ(d.pixel(3, 4), White);
    EXPECT_EQ(d.pixel(7, 14), White);
    EXPECT_EQ(d.pixel(8, 4), Black);
    EXPECT_EQ(d.pixel(13, 14), White);
    EXPECT_EQ(box.colour(), White);
    box.DrawCutBox(d, 0, 0, 0, 0, true, false);  // flash: the other phase
    EXPECT_EQ(d.pixel(3, 4), Black);
    EXPECT_EQ(d.pixel(8, 4), White);
    EXPECT_EQ(box.colour(), Black);
    box.DrawCutBox(d, 0, 0, 0, 0, true, true);  // both: nothing
    EXPECT_EQ(d.pixel(3, 4), Black);
    box.DrawCutBox(d, 0, 0, 0, 0, false, true);
    EXPECT_TRUE(sameDib(clean, d));
    EXPECT_FALSE(box.holdsPixels());
}
