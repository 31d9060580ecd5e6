#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <vector>

#include "controls/MouseCodes.h"
#include "controls/ucCanvas.h"
#include "support/QtTestApp.h"

using namespace nalo;

namespace {

// Makes a picture whose pixel (x, y) has red x and green y.
void drawCoordinatePicture(GcDIB& d, int w, int h) {
    ASSERT_TRUE(d.Create(w, h, 32));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            d.hDIBDC().setPixel(x, y, rgb(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 0));
}

void sendMouse(QWidget& w, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, pos, w.mapToGlobal(pos), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

struct CanvasTest : test::WithQtApp, ::testing::Test {

    // A shown canvas of the given size holding a coordinate picture.
    void setUpCanvas(int cw, int ch, int pw, int ph, int zoom) {
        canvas.resize(cw, ch);
        canvas.setZoom(zoom);
        drawCoordinatePicture(canvas.DIB(), pw, ph);
        canvas.Resize();
        canvas.show();
        QCoreApplication::processEvents();
    }
    QImage shot() { return canvas.grab().toImage(); }

    ucCanvas canvas;
};

struct MouseRecord {
    int button, shift, x, y;
};

}  // namespace

TEST_F(CanvasTest, EmptyCanvasShowsTheTranslatedBackColour) {
    canvas.resize(40, 30);
    canvas.show();
    EXPECT_EQ(canvas.BackColor(), 0x8000000Cu);
    const ColourValue sys = translateColour(0x8000000Cu);
    EXPECT_EQ(shot().pixelColor(20, 15), QColor(redOf(sys), greenOf(sys), blueOf(sys)));
    canvas.setBackColor(rgb(10, 20, 30));
    EXPECT_EQ(shot().pixelColor(0, 0), QColor(10, 20, 30));
}

TEST_F(CanvasTest, ZoomedPictureIsDrawnCentredWithBackColourAround) {
    setUpCanvas(100, 100, 4, 2, 10);  // drawn 40 x 20 at (30, 40)
    canvas.setBackColor(rgb(0, 0, 255));
    QImage img = shot();
    EXPECT_EQ(img.pixelColor(30, 40), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(69, 59), QColor(3, 1, 0));
    EXPECT_EQ(img.pixelColor(45, 52), QColor(1, 1, 0));
    EXPECT_EQ(img.pixelColor(29, 40), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(70, 59), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(30, 60), QColor(0, 0, 255));

    canvas.setFitMode(true);  // a small picture is not enlarged
    canvas.Resize();
    img = shot();
    EXPECT_EQ(img.pixelColor(48, 49), QColor(0, 0, 0));
    EXPECT_EQ(img.pixelColor(51, 50), QColor(3, 1, 0));
    EXPECT_EQ(img.pixelColor(47, 49), QColor(0, 0, 255));
}

TEST_F(CanvasTest, ScrolledPaintMatchesThePictureCoordinates) {
    setUpCanvas(300, 300, 100, 50, 4);
    sendMouse(canvas, QEvent::MouseButtonPress, {150, 150}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseMove, {127, 150}, Qt::NoButton, Qt::LeftButton);  // scroll 73
    sendMouse(canvas, QEvent::MouseButtonRelease, {127, 150}, Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(canvas.layoutState().scrollX(), 73);
    const QImage img = shot();
    for (int x = 0; x < 300; ++x)
        ASSERT_EQ(img.pixelColor(x, 120).red(), canvas.layoutState().pictureX(x)) << x;
    EXPECT_EQ(img.pixelColor(100, 120).green(), canvas.layoutState().pictureY(120));
}

TEST_F(CanvasTest, DraggingScrollsOnlyInWorkModeZeroAndEventsUsePictureCoordinates) {
    setUpCanvas(300, 300, 100, 50, 4);  // scroll x 50, picture top 50
    std::vector<MouseRecord> downs, moves, ups;
    QObject::connect(&canvas, &ucCanvas::MouseDown, [&](int b, int s, int x, int y) { downs.push_back({b, s, x, y}); });
    QObject::connect(&canvas, &ucCanvas::MouseMove, [&](int b, int s, int x, int y) { moves.push_back({b, s, x, y}); });
    QObject::connect(&canvas, &ucCanvas::MouseUp, [&](int b, int s, int x, int y) { ups.push_back({b, s, x, y}); });
    QSignalSpy scrolls(&canvas, &ucCanvas::Scroll);

    canvas.setWorkMode(1);
    sendMouse(canvas, QEvent::MouseButtonPress, {10, 58}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseMove, {2, 58}, Qt::NoButton, Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseButtonRelease, {2, 58}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(canvas.layoutState().scrollX(), 50);
    EXPECT_EQ(scrolls.count(), 0);
    ASSERT_EQ(downs.size(), 1u);
    ASSERT_EQ(moves.size(), 1u);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(downs[0].button, ButtonLeft);
    EXPECT_EQ(downs[0].x, 15);  // floor((10 + 50) / 4)
    EXPECT_EQ(downs[0].y, 2);   // floor((58 - 50) / 4)
    EXPECT_EQ(moves[0].button, ButtonLeft);  // held during the move
    EXPECT_EQ(moves[0].x, 13);

    canvas.setWorkMode(0);
    sendMouse(canvas, QEvent::MouseButtonPress, {10, 58}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseMove, {2, 58}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(canvas.layoutState().scrollX(), 58);
    EXPECT_EQ(scrolls.count(), 1);
    EXPECT_EQ(moves.back().x, 15);  // the picture moved with the pointer
    sendMouse(canvas, QEvent::MouseMove, {2, 80}, Qt::NoButton, Qt::LeftButton);  // y has no range
    EXPECT_EQ(scrolls.count(), 1);
    sendMouse(canvas, QEvent::MouseButtonRelease, {2, 80}, Qt::LeftButton, Qt::NoButton);
    // Released: moving no longer scrolls. A right drag never does.
    sendMouse(canvas, QEvent::MouseMove, {40, 80}, Qt::NoButton, Qt::NoButton);
    sendMouse(canvas, QEvent::MouseButtonPress, {40, 80}, Qt::RightButton, Qt::RightButton);
    sendMouse(canvas, QEvent::MouseMove, {0, 80}, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(canvas.layoutState().scrollX(), 58);
    EXPECT_EQ(downs.back().button, ButtonRight);
}

TEST_F(CanvasTest, ResizingTheControlKeepsTheScrollPositionAndRaisesResize) {
    setUpCanvas(300, 300, 100, 50, 4);  // 50 of 100
    QSignalSpy resized(&canvas, &ucCanvas::Resized);
    canvas.resize(200, 300);  // range 200
    QCoreApplication::processEvents();
    EXPECT_EQ(canvas.layoutState().rangeX(), 200);
    EXPECT_EQ(canvas.layoutState().scrollX(), 100);
    EXPECT_GE(resized.count(), 1);
}

TEST_F(CanvasTest, PointerFollowsWorkModeAndScrollability) {
    setUpCanvas(300, 300, 100, 50, 4);
    EXPECT_EQ(canvas.cursor().shape(), Qt::SizeAllCursor);
    canvas.setWorkMode(1);  // no user icon: unchanged
    EXPECT_EQ(canvas.cursor().shape(), Qt::SizeAllCursor);
    canvas.setUserIcon(QCursor(Qt::CrossCursor));
    EXPECT_EQ(canvas.cursor().shape(), Qt::CrossCursor);
    canvas.setWorkMode(0);
    canvas.setZoom(1);
    canvas.Resize();  // fits now
    EXPECT_EQ(canvas.cursor().shape(), Qt::ArrowCursor);
}
