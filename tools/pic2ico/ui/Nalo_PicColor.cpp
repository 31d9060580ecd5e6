#include "tools/pic2ico/ui/Nalo_PicColor.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "platform/ui/DibImage.h"
#include "shell/ui/Decoration.h"
#include "tools/pic2ico/Pic2IcoRules.h"

namespace nalo {

namespace {

// A dropper pointing down-left; the hot spot is its tip. Outlined in white so it shows
// on dark and light pixels alike.
QCursor pickerCursor() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    auto stroke = [&p](QLineF line, qreal width) {
        p.setPen(QPen(Qt::white, width + 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(line);
        p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(line);
    };
    stroke(QLineF(3, 28, 19, 12), 3);   // tube
    stroke(QLineF(15, 10, 21, 16), 3);  // collar
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(23.5, 7.5), 5, 5);  // bulb
    p.end();
    return QCursor(pm, 2, 29);
}

}  // namespace

Nalo_PicColor::Nalo_PicColor(const Dib& iconImage, ColourValue& transparent, QWidget* parent)
    : QDialog(parent), view_(magnifiedIcon(iconImage)), transparent_(transparent) {
    setObjectName("Nalo_PicColor");
    setWindowTitle(QStringLiteral("透過色"));
    setFixedSize(view_.width(), view_.height());
    Pic_C_ = new QLabel(this);
    Pic_C_->setObjectName("Pic_C");
    Pic_C_->setGeometry(0, 0, view_.width(), view_.height());
    Pic_C_->setPixmap(QPixmap::fromImage(toQImage(view_)));
    Pic_C_->setToolTip(QStringLiteral("透過色を選択します。"));
    Pic_C_->setCursor(pickerCursor());
    Pic_C_->installEventFilter(this);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move((s.width() - width() - 6) / 2, (s.height() - height() - 25) / 3);
    }
}

void Nalo_PicColor::pickAt(int x, int y) {
    const ColourValue c = view_.pixel(x, y);
    if (c == ClrInvalid) return;
    transparent_ = c;
    accept();
}

bool Nalo_PicColor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Pic_C_ && event->type() == QEvent::MouseButtonPress) {
        const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
        pickAt(p.x(), p.y());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Nalo_PicColor::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (opened_) return;
    opened_ = true;
    RecordWindowSlot(Slot);
    AnimateOpen(this, Slot);
}

void Nalo_PicColor::done(int result) {
    if (isVisible()) AnimateClose(this, Slot);
    QDialog::done(result);
}

}  // namespace nalo
