#include "tools/pic2ico/ui/Nalo_ImageCap.h"

#include <QKeyEvent>

#include "platform/PictureIo.h"

namespace nalo {

Nalo_ImageCap::Nalo_ImageCap(Pic2IcoShared& shared, Dib& iconImage, QSize screen, QWidget* parent)
    : QDialog(parent), shared_(shared), icon_(iconImage) {
    resize(screen / 2);
}

void Nalo_ImageCap::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        const Dib picture = loadPicture(shared_.SourcePath);
        stretchBlt(icon_, 0, 0, 32, 32, picture, 0, 0, picture.width(), picture.height());
        shared_.Captured = true;
    }
    accept();
}

}  // namespace nalo
