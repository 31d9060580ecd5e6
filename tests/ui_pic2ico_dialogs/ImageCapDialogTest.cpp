#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <array>

#include "platform/PictureIo.h"
#include "support/QtTestApp.h"
#include "support/TestSupport.h"
#include "tools/pic2ico/CaptureGeometry.h"
#include "tools/pic2ico/ui/Nalo_ImageCap.h"
#include "ui_pic2ico_dialogs/DialogTestSupport.h"

using namespace nalo;
using namespace nalo::test;

namespace {

// Screen 400 x 300; the 80 x 80 picture sits centred at (160, 110).
constexpr QSize Screen(400, 300);
constexpr int PicX = 160, PicY = 110;
constexpr ColourValue Marker = rgb(1, 2, 3);

struct ImageCapDialog : WithQtApp, ::testing::Test {
    void SetUp() override {
        savePictureBmp(quadrants(80, 80), dir.file("pic.bmp"));
        shared.SourcePath = dir.file("pic.bmp");
        icon.fill(Marker);
    }
    QWidget* display(Nalo_ImageCap& d) { return d.findChild<QWidget*>("Display"); }
    void press(Nalo_ImageCap& d, QPointF p) {
        sendMouse(display(d), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    }
    void move(Nalo_ImageCap& d, QPointF p) {
        sendMouse(display(d), QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
    }
    void release(Nalo_ImageCap& d, QPointF p) {
        sendMouse(display(d), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    }
    void drag(Nalo_ImageCap& d, QPointF from, QPointF to) {
        press(d, from);
        move(d, (from + to) / 2);
        move(d, to);
        release(d, to);
    }
    bool iconUntouched() const {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (icon.pixel(x, y) != Marker) return false;
        return true;
    }
    TempDir dir;
    Pic2IcoShared shared;
    Dib icon{32, 32, 24};
};

}  // namespace

TEST_F(ImageCapDialog, CoversTheScreenWithThePictureCentred) {
    Nalo_ImageCap d(shared, icon, Screen);
    EXPECT_TRUE(d.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(d.geometry(), QRect(QPoint(0, 0), Screen));
    EXPECT_EQ(display(d)->geometry(), QRect(QPoint(0, 0), Screen));
    const QImage& shown = d.displayImage();
    EXPECT_EQ(shown.pixelColor(PicX - 1, PicY).name(), "#ffffff");
    EXPECT_EQ(shown.pixelColor(PicX, PicY).name(), "#ff0000");
    EXPECT_EQ(shown.pixelColor(PicX + 79, PicY + 79).name(), "#000000");
    EXPECT_FALSE(d.findChild<QTimer*>("TimerCut")->isActive());
}

TEST_F(ImageCapDialog, DragThenEnterCapturesTheSquareBySide) {
    struct Case {
        int fitSide;
        QPointF from, to;
    };
    // Each drag is 80 pixels along the priority side and 30 along the other, so taking
    // the wrong side would capture a 30 x 30 square of red alone.
    const Case cases[] = {
        {FitToWidth, {PicX, PicY}, {PicX + 80, PicY + 30}},
        {FitToHeight, {PicX, PicY}, {PicX + 30, PicY + 80}},
        {FitToWidth, {PicX + 80, PicY + 30}, {PicX, PicY}},  // from the lower right
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fitSide);
        icon.fill(Marker);
        shared.Captured = false;
        shared.FitSide = c.fitSide;
        Nalo_ImageCap d(shared, icon, Screen);
        d.show();
        auto* pos = d.findChild<QLabel*>("lbl_Pos");
        press(d, c.from);
        move(d, c.to);
        EXPECT_TRUE(pos->isVisible());
        const QString word = c.fitSide == FitToWidth ? "幅優先" : "高さ優先";
        const bool wide = c.fitSide == FitToWidth;
        EXPECT_EQ(pos->text(), QString("幅 (%1)  高さ (%2) ").arg(wide ? 80 : 30).arg(wide ? 30 : 80) + word);
        EXPECT_EQ(pos->pos(), c.to.toPoint() + QPoint(5, 5));
        release(d, c.to);
        EXPECT_FALSE(pos->isVisible());
        EXPECT_TRUE(d.findChild<QTimer*>("TimerCut")->isActive());

        sendKey(&d, Qt::Key_Return);
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_TRUE(shared.Captured);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(quadrantColours(icon), (std::array<ColourValue, 4>{Red, Blue, Green, Black}));
    }
}

TEST_F(ImageCapDialog, MarchingBoxMovesWithTheTimer) {
    Nalo_ImageCap d(shared, icon, Screen);
    d.show();
    drag(d, {PicX, PicY}, {PicX + 40, PicY + 40});
    // The box runs one pixel outside the square; its dashes change colour on each tick.
    const QColor first = d.displayImage().pixelColor(PicX - 1, PicY - 1);
    EXPECT_TRUE(first.name() == "#000000" || first.name() == "#ffffff");
    QElapsedTimer clock;
    clock.start();
    while (d.displayImage().pixelColor(PicX - 1, PicY - 1) == first && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_NE(d.displayImage().pixelColor(PicX - 1, PicY - 1), first);
}

TEST_F(ImageCapDialog, KeysOtherThanEnterAndEnterWithoutSquareCaptureNothing) {
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_A), int(Qt::Key_Space)}) {
        Nalo_ImageCap d(shared, icon, Screen);
        d.show();
        drag(d, {PicX, PicY}, {PicX + 40, PicY + 40});
        sendKey(&d, key);
        EXPECT_EQ(d.result(), QDialog::Rejected) << key;
        EXPECT_FALSE(d.isVisible());
    }
    {
        Nalo_ImageCap d(shared, icon, Screen);
        d.show();
        sendKey(&d, Qt::Key_Return);
        EXPECT_EQ(d.result(), QDialog::Rejected);
        EXPECT_FALSE(d.isVisible());
    }
    {
        // A right-button drag chooses no square.
        Nalo_ImageCap d(shared, icon, Screen);
        d.show();
        sendMouse(display(d), QEvent::MouseButtonPress, {PicX, PicY}, Qt::RightButton, Qt::RightButton);
        sendMouse(display(d), QEvent::MouseMove, {PicX + 40, PicY + 40}, Qt::NoButton, Qt::RightButton);
        sendMouse(display(d), QEvent::MouseButtonRelease, {PicX + 40, PicY + 40}, Qt::RightButton, Qt::NoButton);
        sendKey(&d, Qt::Key_Enter);
        EXPECT_EQ(d.result(), QDialog::Rejected);
    }
    EXPECT_FALSE(shared.Captured);
    EXPECT_TRUE(iconUntouched());
}

TEST_F(ImageCapDialog, UnreadablePictureLeavesAWhiteScreen) {
    writeFile(dir.file("bad.bmp"), std::vector<uint8_t>{'B', 'M', 1, 2, 3});
    shared.SourcePath = dir.file("bad.bmp");
    Nalo_ImageCap d(shared, icon, Screen);
    d.show();
    EXPECT_EQ(d.displayImage().pixelColor(PicX + 10, PicY + 10).name(), "#ffffff");
    drag(d, {PicX, PicY}, {PicX + 40, PicY + 40});
    sendKey(&d, Qt::Key_Return);
    EXPECT_TRUE(shared.Captured);
    EXPECT_EQ(quadrantColours(icon), (std::array<ColourValue, 4>{White, White, White, White}));
}

TEST_F(ImageCapDialog, ModalRunReturnsWithTheCapture) {
    Nalo_ImageCap d(shared, icon, Screen);
    QTimer::singleShot(0, &d, [&] {
        drag(d, {PicX, PicY}, {PicX + 80, PicY + 80});
        sendKey(&d, Qt::Key_Enter);
    });
    EXPECT_EQ(d.exec(), QDialog::Accepted);
    EXPECT_TRUE(shared.Captured);
    EXPECT_EQ(quadrantColours(icon), (std::array<ColourValue, 4>{Red, Blue, Green, Black}));
}
