#include "controls/OptionImage.h"

#include "shell/ui/Decoration.h"

namespace nalo {

OptionImage::OptionImage(Look look, QWidget* parent) : QLabel(parent), look_(look) {
    setCursor(Qt::PointingHandCursor);
    setChecked(false);
}

void OptionImage::setChecked(bool on) {
    checked_ = on;
    const auto& pics = sharedPictures();
    setPixmap(look_ == Look::Check ? pics.Img_Ra[on ? 1 : 0] : pics.Img_Opt[on ? 1 : 0]);
}

void OptionImage::mousePressEvent(QMouseEvent*) { emit mouseDown(); }

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
