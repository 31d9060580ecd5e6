#pragma once
// Temporary stand-in until the real region capture lands.
#include <QDialog>

#include "platform/Dib.h"
#include "tools/pic2ico/Pic2IcoRules.h"

namespace nalo {

class Nalo_ImageCap : public QDialog {
public:
    Nalo_ImageCap(Pic2IcoShared& shared, Dib& iconImage, QSize screen, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    Pic2IcoShared& shared_;
    Dib& icon_;
};

}  // namespace nalo
