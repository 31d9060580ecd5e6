#pragma once
// Temporary stand-in until the real shrink dialog lands.
#include <QDialog>

#include "platform/Dib.h"
#include "shell/ui/DialogService.h"
#include "tools/pic2ico/Pic2IcoRules.h"

namespace nalo {

class Nalo_Thumb : public QDialog {
public:
    Nalo_Thumb(DialogService& dialogs, Pic2IcoShared& shared, Dib& iconImage, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    Pic2IcoShared& shared_;
    Dib& icon_;
};

}  // namespace nalo
