#include "controls/ucProgress.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "controls/MouseCodes.h"
#include "controls/QtColour.h"

namespace nalo {

namespace {
QColor systemColour(int index) { return qColour(0x80000000u | static_cast<ColourValue>(index)); }
}  // namespace

ucProgress::ucProgress(QWidget* parent)
    : QWidget(parent), barColour_(qColour(foreColor_)), restColour_(qColour(backColor_)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    recompute();
}

void ucProgress::setBorderStyle(int style) {
    borderStyle_ = style;
    refresh();
}

void ucProgress::setOrientation(int orientation) {
    const bool turned = orientation != orientation_;
    orientation_ = orientation;
    if (turned) resize(height(), width());  // position stays
    refresh();
}

void ucProgress::setBackColor(ColourValue colour) {
    backColor_ = colour;
    restColour_ = qColour(colour);
    update();
}

void ucProgress::setForeColor(ColourValue colour) {
    foreColor_ = colour;
    barColour_ = qColour(colour);
    update();
}

void ucProgress::setMax(int max) {
    max_ = max <= 0 ? 1 : max;
    refresh();
}

void ucProgress::setValue(int value) {
    value_ = value;
    if (computeLength() == length_) return;
    recompute();
    update(innerRect());
}

int ucProgress::borderWidth() const {
    switch (borderStyle_) {
    case BorderThin: return 1;
    case BorderSunken: return 2;
    default: return 0;
    }
}

QRect ucProgress::innerRect() const {
    const int b = borderWidth();
    return rect().adjusted(b, b, -b, -b);
}

int ucProgress::computeLength() const {
    const QRect inner = innerRect();
    const int64_t extent = std::max(orientation_ == Vertical ? inner.height() : inner.width(), 0);
    // Values outside 0..Max draw an empty or a full bar.
    return static_cast<int>(std::clamp<int64_t>(extent * value_ / max_, 0, extent));
}

void ucProgress::recompute() {
    length_ = computeLength();
    const QRect in = innerRect();
    const int w = std::max(in.width(), 0), h = std::max(in.height(), 0);
    if (orientation_ == Vertical) {
        barRect_ = QRect(in.x(), in.y() + h - length_, w, length_);
        restRect_ = QRect(in.x(), in.y(), w, h - length_);
    } else {
        barRect_ = QRect(in.x(), in.y(), length_, h);
        restRect_ = QRect(in.x() + length_, in.y(), w - length_, h);
    }
}

void ucProgress::refresh() {
    recompute();
    update();
}

void ucProgress::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int r = width() - 1, b = height() - 1;
    if (borderStyle_ == BorderThin) {
        p.setPen(systemColour(16));  // static edge: one shadow line
        p.drawRect(0, 0, r, b);
    } else if (borderStyle_ == BorderSunken) {
        // Client edge: shadow and highlight outside, dark shadow and light inside.
        p.setPen(systemColour(16));
        p.drawLine(0, 0, r - 1, 0);
        p.drawLine(0, 0, 0, b - 1);
        p.setPen(systemColour(20));
        p.drawLine(0, b, r, b);
        p.drawLine(r, 0, r, b);
        p.setPen(QColor(105, 105, 105));
        p.drawLine(1, 1, r - 2, 1);
        p.drawLine(1, 1, 1, b - 2);
        p.setPen(QColor(227, 227, 227));
        p.drawLine(1, b - 1, r - 1, b - 1);
        p.drawLine(r - 1, 1, r - 1, b - 1);
    }
    if (!barRect_.isEmpty()) p.fillRect(barRect_, barColour_);
    if (!restRect_.isEmpty()) p.fillRect(restRect_, restColour_);
}

void ucProgress::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    refresh();
}

void ucProgress::mousePressEvent(QMouseEvent* e) {
    pressed_ = e->button() == Qt::LeftButton;
    emit MouseDown(eventButton(e), shiftCode(e->modifiers()), static_cast<float>(e->position().x()),
                   static_cast<float>(e->position().y()));
}

void ucProgress::mouseMoveEvent(QMouseEvent* e) {
    emit MouseMove(eventButton(e), shiftCode(e->modifiers()), static_cast<float>(e->position().x()),
                   static_cast<float>(e->position().y()));
}

void ucProgress::mouseReleaseEvent(QMouseEvent* e) {
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    pressed_ = false;
    emit MouseUp(eventButton(e), shiftCode(e->modifiers()), static_cast<float>(e->position().x()),
                 static_cast<float>(e->position().y()));
    if (click) emit Click();
}

}  // namespace nalo
