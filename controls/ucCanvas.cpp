#include "controls/ucCanvas.h"

#include <QMouseEvent>
#include <QPainter>

#include "controls/MouseCodes.h"
#include "controls/QtColour.h"
#include "platform/ui/DibImage.h"
#include "shell/Rounding.h"

namespace nalo {

ucCanvas::ucCanvas(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);  // moves are reported without a button held too
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ucCanvas::Repaint() {
    if (isVisible()) repaint();
}

void ucCanvas::Resize() {
    PixelRect fit;
    if (geom_.fitMode()) dib_.GetBestFitInfo(width(), height(), fit.x, fit.y, fit.width, fit.height, false);
    geom_.layout(width(), height(), dib_.Width(), dib_.Height(), fit);
    updatePointer();
}

void ucCanvas::setWorkMode(int mode) {
    workMode_ = mode;
    updatePointer();
}

void ucCanvas::setUserIcon(std::optional<QCursor> icon) {
    userIcon_ = std::move(icon);
    updatePointer();
}

void ucCanvas::setBackColor(ColourValue colour) {
    backColor_ = colour;
    update();
}

void ucCanvas::updatePointer() {
    if (workMode_ != 0) {
        if (userIcon_) setCursor(*userIcon_);
    } else if (geom_.scrollable()) {
        setCursor(Qt::SizeAllCursor);
    } else {
        unsetCursor();
    }
}

void ucCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (dib_.empty() || width() <= 0 || height() <= 0) {
        painter.fillRect(rect(), qColour(backColor_));
        return;
    }
    if (backBuffer_.width() != width() || backBuffer_.height() != height()) backBuffer_ = Dib(width(), height(), 32, true);
    backBuffer_.fill(translateColour(backColor_));
    const CanvasPaint p = geom_.paint();
    dib_.Stretch(backBuffer_, p.dst.x, p.dst.y, p.dst.width, p.dst.height, p.src.x, p.src.y, p.src.width,
                 p.src.height, Rop::SrcCopy);
    painter.drawImage(0, 0, toQImage(backBuffer_));
}

void ucCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Resize();
    update();
    emit Resized();
}

void ucCanvas::mousePressEvent(QMouseEvent* e) {
    const QPointF pos = e->position();
    dragging_ = e->button() == Qt::LeftButton;
    lastX_ = static_cast<int>(roundHalfEven(pos.x()));
    lastY_ = static_cast<int>(roundHalfEven(pos.y()));
    emit MouseDown(eventButton(e), shiftCode(e->modifiers()), geom_.pictureX(pos.x()), geom_.pictureY(pos.y()));
}

void ucCanvas::mouseMoveEvent(QMouseEvent* e) {
    const QPointF pos = e->position();
    if (dragging_ && workMode_ == 0) {
        const bool scrolled = geom_.dragBy(lastX_ - pos.x(), lastY_ - pos.y());
        lastX_ = static_cast<int>(roundHalfEven(pos.x()));
        lastY_ = static_cast<int>(roundHalfEven(pos.y()));
        if (scrolled) {
            Repaint();
            emit Scroll();
        }
    }
    emit MouseMove(eventButton(e), shiftCode(e->modifiers()), geom_.pictureX(pos.x()), geom_.pictureY(pos.y()));
}

void ucCanvas::mouseReleaseEvent(QMouseEvent* e) {
    const QPointF pos = e->position();
    dragging_ = false;
    emit MouseUp(eventButton(e), shiftCode(e->modifiers()), geom_.pictureX(pos.x()), geom_.pictureY(pos.y()));
}

}  // namespace nalo
