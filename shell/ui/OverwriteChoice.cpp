#include "shell/ui/OverwriteChoice.h"

#include "controls/OptionImage.h"
#include "shell/ProgramState.h"

namespace nalo {

OverwriteChoice::OverwriteChoice(QWidget* parent, QPoint origin, int spacing) : QObject(parent) {
    const char* captions[2] = {"上書き", "ｽｷｯﾌﾟ"};
    for (int i = 0; i < 2; ++i) {
        const int x = origin.x() + i * spacing;
        Img_Dup_[i] = addCaptionedOption(OptionImage::Look::Option, QString::fromUtf8(captions[i]),
                                         QString("Dup_%1").arg(i), QRect(x, origin.y(), 14, 14),
                                         QRect(x + 18, origin.y() - 4, 60, 22), parent, [this, i] { set(i); })
                          .image;
    }
}

void OverwriteChoice::set(int mode) {
    OverwriteMode = static_cast<int16_t>(mode);
    for (int i = 0; i < 2; ++i) Img_Dup_[i]->setChecked(i == mode);
}

}  // namespace nalo
