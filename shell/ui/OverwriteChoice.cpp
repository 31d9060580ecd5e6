#include "shell/ui/OverwriteChoice.h"

#include "controls/OptionImage.h"
#include "shell/ProgramState.h"

namespace nalo {

OverwriteChoice::OverwriteChoice(QWidget* parent, QPoint origin, int spacing) : QObject(parent) {
    const char* captions[2] = {"上書き", "ｽｷｯﾌﾟ"};
    for (int i = 0; i < 2; ++i) {
        const int x = origin.x() + i * spacing;
        Img_Dup_[i] = new OptionImage(OptionImage::Look::Option, parent);
        Img_Dup_[i]->setObjectName(QString("Img_Dup_%1").arg(i));
        Img_Dup_[i]->setGeometry(x, origin.y(), 14, 14);
        auto* l = new ClickLabel(QString::fromUtf8(captions[i]), parent);
        l->setObjectName(QString("lbl_Dup_%1").arg(i));
        l->setGeometry(x + 18, origin.y() - 4, 60, 22);
        connect(Img_Dup_[i], &OptionImage::mouseDown, this, [this, i] { set(i); });
        connect(l, &ClickLabel::mouseDown, this, [this, i] { set(i); });
    }
}

void OverwriteChoice::set(int mode) {
    OverwriteMode = static_cast<int16_t>(mode);
    for (int i = 0; i < 2; ++i) Img_Dup_[i]->setChecked(i == mode);
}

}  // namespace nalo
