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

}  // namespace nalo
