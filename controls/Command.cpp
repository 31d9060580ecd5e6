#include "controls/Command.h"

#include "controls/FocusFrame.h"

#include <QEnterEvent>
#include <QPainter>

namespace nalo {

Command::Command(const QString& caption, QWidget* parent) : HoverTrackingButton(parent) {
    setText(caption);
    setCursor(Qt::PointingHandCursor);
}

void Command::setFontColor(const QColor& c) {
    fontColour_ = c;
    update();
}

void Command::Initialize() {
    hover_ = false;
    setDown(false);
    update();
}

QSize Command::sizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text()) + 24, fm.height() + 14};
}

void Command::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor face = !isEnabled() ? QColor(214, 216, 224)
                  : isDown()   ? QColor(176, 190, 232)
                  : hover_     ? QColor(222, 232, 255)
                               : QColor(240, 242, 248);
    p.setPen(QColor(isEnabled() && hover_ ? QColor(60, 90, 200) : QColor(120, 126, 150)));
    p.setBrush(face);
    p.drawRoundedRect(r, 3, 3);
    p.setPen(isEnabled() ? fontColour_ : QColor(150, 150, 160));
    p.drawText(rect().adjusted(4, 0, -4, 0), Qt::AlignCenter | Qt::TextSingleLine, text());
    if (hasFocus()) DrawFocusFrame(p, r.adjusted(2, 2, -2, -2));
}

}  // namespace nalo
