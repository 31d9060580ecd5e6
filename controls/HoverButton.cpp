#include "controls/HoverButton.h"

#include "controls/FocusFrame.h"

#include <QEnterEvent>
#include <QLinearGradient>
#include <QPainter>

namespace nalo {

HoverButton::HoverButton(const QString& caption, QWidget* parent) : HoverTrackingButton(parent) {
    setText(caption);
    setCursor(Qt::PointingHandCursor);
}

QSize HoverButton::sizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text()) + 28, fm.height() + 16};
}

void HoverButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, height());
    if (!isEnabled()) {
        g.setColorAt(0, QColor(220, 220, 226));
        g.setColorAt(1, QColor(196, 196, 204));
    } else if (hover_ || isDown()) {
        g.setColorAt(0, QColor(255, 236, 170));
        g.setColorAt(1, isDown() ? QColor(236, 170, 60) : QColor(248, 196, 90));
    } else {
        g.setColorAt(0, QColor(236, 240, 252));
        g.setColorAt(1, QColor(168, 182, 228));
    }
    p.setPen(QColor(90, 100, 140));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    p.setPen(isEnabled() ? QColor(20, 24, 60) : QColor(140, 140, 150));
    p.drawText(rect().adjusted(4, 0, -4, 0), Qt::AlignCenter | Qt::TextSingleLine, text());
    if (hasFocus()) DrawFocusFrame(p, QRectF(rect()).adjusted(3, 3, -3, -3));
}

}  // namespace nalo
