#include "tools/pic2ico/ui/Nalo_Thumb.h"

#include <QKeyEvent>

#include "shell/AppPath.h"
#include "tools/pic2ico/ThumbShrink.h"

namespace nalo {

Nalo_Thumb::Nalo_Thumb(DialogService&, Pic2IcoShared& shared, Dib& iconImage, QWidget* parent)
    : QDialog(parent), shared_(shared), icon_(iconImage) {
    setWindowTitle(QStringLiteral("高画質に縮小してｷｬﾌﾟﾁｬｰ"));
    resize(300, 200);
}

void Nalo_Thumb::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        ShrinkResults r = shrinkPictureFile(shared_.SourcePath, shared_.ShrinkMode, appPath());
        bitBlt(icon_, 0, 0, 32, 32, r.pictures[r.chosen], 0, 0);
        shared_.Captured = true;
    }
    accept();
}

}  // namespace nalo
