#include <gtest/gtest.h>

#include "controls/CanvasGeometry.h"

using namespace nalo;

namespace {
CanvasGeometry laidOut(int zoom, int innerW, int innerH, int picW, int picH, PixelRect fitted = {},
                       bool fit = false) {
    CanvasGeometry g;
    g.setZoom(zoom);
    g.setFitMode(fit);
    g.layout(innerW, innerH, picW, picH, fitted);
    return g;
}
}  // namespace

TEST(CanvasGeometry, ZoomedPictureIsCentredOrScrollsWhenTooLarge) {
    CanvasGeometry g = laidOut(2, 300, 300, 100, 50);
    EXPECT_EQ(g.drawn(), (PixelRect{50, 100, 200, 100}));
    EXPECT_EQ(g.rangeX(), 0);
    EXPECT_EQ(g.rangeY(), 0);
    EXPECT_FALSE(g.scrollable());

    g.setZoom(4);
    g.layout(300, 300, 100, 50);
    EXPECT_EQ(g.drawn(), (PixelRect{0, 50, 300, 200}));
    EXPECT_EQ(g.rangeX(), 100);
    EXPECT_EQ(g.rangeY(), 0);
    EXPECT_EQ(g.scrollX(), 50);  // centred at first
    EXPECT_TRUE(g.scrollable());

    g.setZoom(0);
    EXPECT_EQ(g.zoom(), 1);
    g.setZoom(-5);
    EXPECT_EQ(g.zoom(), 1);
}

TEST(CanvasGeometry, RelayoutKeepsTheRelativeScrollPosition) {
    CanvasGeometry g = laidOut(4, 300, 300, 100, 50);
    ASSERT_EQ(g.scrollX(), 50);
    g.setZoom(5);  // range 200
    g.layout(300, 300, 100, 50);
    EXPECT_EQ(g.rangeX(), 200);
    EXPECT_EQ(g.scrollX(), 100);

    EXPECT_TRUE(g.dragBy(-60, 0));  // 40 of 200
    g.layout(400, 300, 100, 50);    // range 100
    EXPECT_EQ(g.scrollX(), 20);

    // Once the picture fits there is nothing to keep: the next overflow centres.
    g.layout(600, 300, 100, 50);
    EXPECT_EQ(g.rangeX(), 0);
    EXPECT_EQ(g.scrollX(), 0);
    g.layout(300, 300, 100, 50);
    EXPECT_EQ(g.scrollX(), 100);

    // An empty picture clears everything.
    g.layout(300, 300, 0, 0);
    EXPECT_EQ(g.drawn(), PixelRect{});
    EXPECT_EQ(g.rangeX(), 0);
    EXPECT_EQ(g.pictureX(120), 0);
}

TEST(CanvasGeometry, DraggingIsClampedAndReportsOnlyChanges) {
    CanvasGeometry g = laidOut(4, 300, 300, 100, 50);
    EXPECT_TRUE(g.dragBy(1000, 1000));
    EXPECT_EQ(g.scrollX(), 100);
    EXPECT_EQ(g.scrollY(), 0);
    EXPECT_FALSE(g.dragBy(5, -3));  // already at the end, y has no range
    EXPECT_TRUE(g.dragBy(-1000, 0));
    EXPECT_EQ(g.scrollX(), 0);
    EXPECT_TRUE(g.dragBy(2.5, 0));  // round(2.5 + 0), halves to even
    EXPECT_EQ(g.scrollX(), 2);
}

TEST(CanvasGeometry, ControlToPictureCoordinates) {
    CanvasGeometry g = laidOut(3, 100, 300, 100, 50);  // range x 200, drawn left 0
    g.dragBy(7.0 - static_cast<double>(g.scrollX()), 0);
    ASSERT_EQ(g.scrollX(), 7);
    ASSERT_EQ(g.drawn().x, 0);
    EXPECT_EQ(g.pictureX(10), 5);  // floor(17 / 3)
    // Vertically centred at top 75: above the picture is negative.
    EXPECT_EQ(g.pictureY(75), 0);
    EXPECT_EQ(g.pictureY(74), -1);
    EXPECT_EQ(g.pictureY(77.9), 0);
    EXPECT_EQ(g.pictureY(78), 1);

    CanvasGeometry f = laidOut(1, 50, 50, 200, 100, {0, 12, 50, 25}, true);
    EXPECT_EQ(f.drawn(), (PixelRect{0, 12, 50, 25}));
    EXPECT_EQ(f.rangeX(), 0);
    EXPECT_FALSE(f.scrollable());
    EXPECT_EQ(f.pictureX(25), 100);
    EXPECT_EQ(f.pictureY(12), 0);
    EXPECT_EQ(f.pictureY(36.9), 99);
    // A control of no size maps to 0 instead of dividing by zero.
    CanvasGeometry z = laidOut(1, 0, 0, 200, 100, {}, true);
    EXPECT_EQ(z.pictureX(10), 0);
}

TEST(CanvasGeometry, PaintCoversPartlyVisibleEdgePixelsWithinThePicture) {
    CanvasGeometry g = laidOut(4, 300, 300, 100, 50);  // scroll x 50
    CanvasPaint p = g.paint();
    EXPECT_EQ(p.dst.x, -2);
    EXPECT_EQ(p.src.x, 12);
    EXPECT_EQ(p.src.width, 77);
    EXPECT_EQ(p.dst.width, 308);
    EXPECT_EQ(p.dst.y, 50);  // the fitting axis is drawn whole
    EXPECT_EQ(p.dst.height, 200);
    EXPECT_EQ((PixelRect{p.src.y, 0, p.src.height, 0}), (PixelRect{0, 0, 50, 0}));

    g.dragBy(1000, 0);  // at the right end only the picture's last pixels remain
    p = g.paint();
    EXPECT_EQ(p.src.x, 25);
    EXPECT_EQ(p.src.width, 75);
    EXPECT_EQ(p.dst.x, 0);
    EXPECT_EQ(p.dst.width, 300);
}
