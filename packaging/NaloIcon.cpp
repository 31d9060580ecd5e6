// Draws the application icon (a picture and a film strip joined by an arrow, on the
// menu's navy-to-lavender band) as PNG files: nalo-icon OUTDIR SIZE...
// writes OUTDIR/SIZExSIZE/apps/nalo.png for each size (the hicolor theme layout).
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <cstdlib>

namespace {

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);  // drawn on a 64 x 64 grid

    QLinearGradient band(0, 0, 0, 64);
    band.setColorAt(0, QColor(16, 16, 72));
    band.setColorAt(0.5, QColor(208, 208, 248));
    band.setColorAt(1, QColor(16, 16, 72));
    p.setPen(QPen(QColor(8, 8, 40), 1.5));
    p.setBrush(band);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);

    // The picture: a framed landscape, top left.
    p.setPen(QPen(QColor(20, 20, 60), 1.5));
    p.setBrush(QColor(250, 250, 255));
    p.drawRect(QRectF(8, 9, 26, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(232, 72, 56));
    p.drawEllipse(QPointF(27, 15), 3.2, 3.2);
    QPainterPath hills;
    hills.moveTo(9, 28);
    hills.lineTo(17, 17);
    hills.lineTo(23, 24);
    hills.lineTo(26, 21);
    hills.lineTo(33, 28);
    hills.closeSubpath();
    p.setBrush(QColor(40, 140, 80));
    p.drawPath(hills);

    // The film strip, bottom right.
    p.setBrush(QColor(24, 24, 32));
    p.drawRect(QRectF(30, 36, 26, 20));
    p.setBrush(QColor(240, 240, 250));
    for (int i = 0; i < 5; ++i) {
        p.drawRect(QRectF(32 + i * 5, 37.5, 2.5, 2.5));
        p.drawRect(QRectF(32 + i * 5, 52, 2.5, 2.5));
    }
    p.setBrush(QColor(120, 170, 240));
    p.drawRect(QRectF(32, 42, 10, 8));
    p.drawRect(QRectF(44, 42, 10, 8));

    // The arrow from one to the other.
    QPainterPath arrow;
    arrow.moveTo(14, 34);
    arrow.cubicTo(14, 44, 18, 47, 24, 47);
    p.setPen(QPen(QColor(255, 200, 40), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arrow);
    QPainterPath head;
    head.moveTo(29, 47);
    head.lineTo(22, 42);
    head.lineTo(22, 52);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 200, 40));
    p.drawPath(head);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: nalo-icon OUTDIR SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 8 || size > 1024) return 2;
        const QString dir = QString("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(dir) || !drawIcon(size).save(dir + "/nalo.png", "PNG")) {
            std::fprintf(stderr, "nalo-icon: cannot write %s/nalo.png\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
