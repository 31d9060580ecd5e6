#include "shell/ui/Decoration.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QRubberBand>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <cmath>
#include <random>

#include "shell/ProgramState.h"
#include "shell/Rounding.h"

namespace nalo {

void PaintGradient(QPainter& painter, int width, int height) {
    const double d = height / 3.142;
    for (int y = 0; y <= height; ++y) {
        const int v = d > 0 ? static_cast<int>(roundHalfEven(std::fabs(std::sin(y / d)) * 220.0)) : 0;
        painter.setPen(QColor(v, v, v + 30));
        painter.drawLine(0, y, width, y);
    }
}

void TileBackground(QPainter& painter, int width, int height) {
    const QPixmap& tile = sharedPictures().Pic_Mbl;
    for (int x = 0; x < width; x += tile.width())
        for (int y = 0; y < height; y += tile.height()) painter.drawPixmap(x, y, tile);
    ApiResult = 1;
}

namespace {

SharedPictures makePictures() {
    SharedPictures p;
    for (int on = 0; on < 2; ++on) {
        QPixmap box(12, 12);
        box.fill(Qt::transparent);
        QPainter g(&box);
        g.setPen(QColor(90, 90, 110));
        g.setBrush(Qt::white);
        g.drawRect(0, 0, 11, 11);
        if (on) g.fillRect(3, 3, 6, 6, QColor(40, 80, 220));
        g.end();
        p.Img_Ra[on] = box;

        QPixmap opt(13, 13);
        opt.fill(Qt::transparent);
        QPainter r(&opt);
        r.setRenderHint(QPainter::Antialiasing);
        r.setPen(QColor(90, 90, 110));
        r.setBrush(Qt::white);
        r.drawEllipse(QRectF(0.5, 0.5, 12, 12));
        if (on) {
            r.setPen(Qt::NoPen);
            r.setBrush(QColor(220, 30, 30));
            r.drawEllipse(QRectF(3.5, 3.5, 6, 6));
        }
        r.end();
        p.Img_Opt[on] = opt;
    }
    // Brushed metal: light grey with fine horizontal streaks of varying brightness.
    QImage metal(1030, 23, QImage::Format_RGB888);
    std::mt19937 rng(1030);
    std::uniform_int_distribution<int> streak(-10, 10);
    for (int y = 0; y < 23; ++y) {
        int row = 206 + streak(rng) / 2;
        int drift = 0;
        for (int x = 0; x < 1030; ++x) {
            if (x % 7 == 0) drift = streak(rng) / 3;
            int v = std::clamp(row + drift, 180, 235);
            metal.setPixel(x, y, qRgb(v, v, v + 4 > 255 ? 255 : v + 4));
        }
    }
    p.Pic_Mbl = QPixmap::fromImage(metal);
    return p;
}

bool canPlaceWindows() {
    const QString platform = QGuiApplication::platformName();
    return platform != "offscreen" && platform != "minimal" && !platform.startsWith("wayland");
}

void zoom(QRect from, QRect to) {
    if (!canPlaceWindows()) return;
    QRubberBand band(QRubberBand::Rectangle);
    band.setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    constexpr int steps = 8;
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        QRect r(QPoint(from.left() + static_cast<int>((to.left() - from.left()) * t),
                       from.top() + static_cast<int>((to.top() - from.top()) * t)),
                QPoint(from.right() + static_cast<int>((to.right() - from.right()) * t),
                       from.bottom() + static_cast<int>((to.bottom() - from.bottom()) * t)));
        band.setGeometry(r.normalized());
        band.show();
        QCoreApplication::processEvents();
        QThread::msleep(12);
    }
    ApiResult = 1;
}

}  // namespace

const SharedPictures& sharedPictures() {
    static const SharedPictures pictures = makePictures();
    return pictures;
}

void AnimateOpen(QWidget* window, int slot) {
    const WindowPoint p = WindowOrigin[slot];
    zoom(QRect(p.x, p.y, 1, 1), window->frameGeometry());
}

void AnimateClose(QWidget* window, int slot) {
    const WindowPoint p = WindowOrigin[slot];
    zoom(window->frameGeometry(), QRect(p.x, p.y, 1, 1));
}

void RecordWindowSlot(int slot) {
    const QPoint pos = QCursor::pos();
    // The cursor position is unknown where the platform has no pointer.
    const bool known = canPlaceWindows();
    RecordSlot(slot, known ? 1 : 0, pos.x(), pos.y());
}

double TwipsPerPixelX() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? 1440.0 / s->logicalDotsPerInchX() : 15.0;
}

double TwipsPerPixelY() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? 1440.0 / s->logicalDotsPerInchY() : 15.0;
}

QRect twipsRect(int left, int top, int width, int height) {
    const double tx = TwipsPerPixelX(), ty = TwipsPerPixelY();
    return QRect(static_cast<int>(left / tx), static_cast<int>(top / ty), static_cast<int>(width / tx),
                 static_cast<int>(height / ty));
}

void PlaceWindow(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect s = screen->geometry();
    const int w = window->width() + 6, h = window->height() + 25;
    window->move((s.width() - w) / 2, (s.height() - h) / 3);
}

}  // namespace nalo
