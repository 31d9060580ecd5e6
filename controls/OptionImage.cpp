#include "controls/OptionImage.h"

#include <QKeyEvent>
#include <QPainter>

#include "controls/FocusFrame.h"

#include "shell/ui/Decoration.h"

namespace nalo {

OptionImage::OptionImage(Look look, QWidget* parent) : QLabel(parent), look_(look) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setChecked(false);
}

void OptionImage::setChecked(bool on) {
    checked_ = on;
    const auto& pics = sharedPictures();
    setPixmap(look_ == Look::Check ? pics.Img_Ra[on ? 1 : 0] : pics.Img_Opt[on ? 1 : 0]);
}

void OptionImage::mousePressEvent(QMouseEvent*) { emit mouseDown(); }

void OptionImage::keyPressEvent(QKeyEvent* e) {
    const int k = e->key();
    if ((k == Qt::Key_Space || k == Qt::Key_Return || k == Qt::Key_Enter) && !e->isAutoRepeat()) emit mouseDown();
    else QLabel::keyPressEvent(e);
}

void OptionImage::paintEvent(QPaintEvent* e) {
    QLabel::paintEvent(e);
    if (!hasFocus()) return;
    QPainter p(this);
    DrawFocusFrame(p, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

CaptionedOption addCaptionedOption(OptionImage::Look look, const QString& caption, const QString& name,
                                   const QRect& image, const QRect& label, QWidget* parent,
                                   const std::function<void()>& onDown) {
    CaptionedOption o{new OptionImage(look, parent), new ClickLabel(caption, parent)};
    o.image->setObjectName("Img_" + name);
    o.image->setGeometry(image);
    o.label->setObjectName("lbl_" + name);
    o.label->setGeometry(label);
    QObject::connect(o.image, &OptionImage::mouseDown, parent, onDown);
    QObject::connect(o.label, &ClickLabel::mouseDown, parent, onDown);
    return o;
}

}  // namespace nalo
