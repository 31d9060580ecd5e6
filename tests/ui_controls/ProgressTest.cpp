#include <gtest/gtest.h>

#include <QImage>

#include "controls/ucProgress.h"
#include "support/QtTestApp.h"

using namespace nalo;

namespace {

class CountingProgress : public ucProgress {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* e) override {
        ++paints;
        ucProgress::paintEvent(e);
    }
};

struct ProgressTest : test::WithQtApp, ::testing::Test {
    void showAt(int w, int h) {
        bar.resize(w, h);
        bar.show();
        QCoreApplication::processEvents();
        bar.paints = 0;
    }
    int paintsAfter() {
        QCoreApplication::processEvents();
        const int n = bar.paints;
        bar.paints = 0;
        return n;
    }
    CountingProgress bar;
};

}  // namespace

TEST_F(ProgressTest, DefaultsAndMaxClamp) {
    EXPECT_EQ(bar.BorderStyle(), 2);
    EXPECT_EQ(bar.Orientation(), 0);
    EXPECT_EQ(bar.BackColor(), 0x8000000Fu);
    EXPECT_EQ(bar.ForeColor(), 0x8000000Du);
    EXPECT_EQ(bar.Max(), 100);
    bar.setMax(0);
    EXPECT_EQ(bar.Max(), 1);
    // As the engine's progress reporter.
    ProgressReporter& reporter = bar;
    reporter.Max(-7);
    EXPECT_EQ(bar.Max(), 1);
    reporter.Max(50);
    reporter.value(20);
    EXPECT_EQ(bar.value(), 20);
}

TEST_F(ProgressTest, RepaintsOnlyWhenTheBarLengthChanges) {
    bar.setBorderStyle(ucProgress::BorderNone);
    showAt(200, 20);
    bar.setMax(30);
    paintsAfter();
    bar.setValue(7);
    EXPECT_EQ(bar.barLength(), 46);  // 1400 div 30
    EXPECT_EQ(bar.barRect(), QRect(0, 0, 46, 20));
    EXPECT_EQ(bar.restRect(), QRect(46, 0, 154, 20));
    EXPECT_GE(paintsAfter(), 1);
    bar.setValue(7);
    EXPECT_EQ(paintsAfter(), 0);

    bar.setValue(0);
    bar.setMax(1000);
    paintsAfter();
    for (int v = 1; v <= 4; ++v) bar.setValue(v);  // all under one pixel
    EXPECT_EQ(paintsAfter(), 0);
    bar.setValue(5);
    EXPECT_EQ(bar.barLength(), 1);
    EXPECT_GE(paintsAfter(), 1);

    // Out-of-range values draw an empty or a full bar.
    bar.setValue(5000);
    EXPECT_EQ(bar.barLength(), 200);
    bar.setValue(-3);
    EXPECT_EQ(bar.barLength(), 0);
}

TEST_F(ProgressTest, BorderNarrowsTheExtent) {
    showAt(204, 20);
    bar.setMax(30);
    bar.setValue(7);
    EXPECT_EQ(bar.barLength(), 46);  // inner 200
    EXPECT_EQ(bar.barRect(), QRect(2, 2, 46, 16));
    bar.setBorderStyle(ucProgress::BorderThin);
    EXPECT_EQ(bar.barLength(), 47);  // inner 202: 1414 div 30
}

TEST_F(ProgressTest, DrawsBarAndRestInTheirColours) {
    bar.setBorderStyle(ucProgress::BorderNone);
    bar.setForeColor(rgb(255, 0, 0));
    bar.setBackColor(rgb(0, 255, 0));
    showAt(100, 10);
    bar.setValue(25);
    QImage img = bar.grab().toImage();
    EXPECT_EQ(img.pixelColor(24, 5), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(25, 5), QColor(0, 255, 0));

    bar.setOrientation(ucProgress::Vertical);  // 10 x 100, fills from the bottom
    EXPECT_EQ(bar.size(), QSize(10, 100));
    QCoreApplication::processEvents();
    EXPECT_EQ(bar.barRect(), QRect(0, 75, 10, 25));
    img = bar.grab().toImage();
    EXPECT_EQ(img.pixelColor(5, 99), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(5, 75), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(5, 74), QColor(0, 255, 0));
    bar.setOrientation(ucProgress::Vertical);  // unchanged: no exchange
    EXPECT_EQ(bar.size(), QSize(10, 100));
}
