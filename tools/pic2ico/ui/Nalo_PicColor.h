#pragma once
// The colour pick of the picture-to-icon window: the icon picture magnified eight
// times; one press takes the colour under the pointer as the transparent colour.
#include <QDialog>

#include "platform/Dib.h"

class QLabel;

namespace nalo {

class Nalo_PicColor : public QDialog {
    Q_OBJECT
public:
    static constexpr int Slot = 11;
    Nalo_PicColor(const Dib& iconImage, ColourValue& transparent, QWidget* parent = nullptr);

    // Takes the colour at (x, y) of Pic_C and closes.
    void pickAt(int x, int y);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* e) override;
    void done(int result) override;

private:
    Dib view_;
    ColourValue& transparent_;
    QLabel* Pic_C_ = nullptr;
    bool opened_ = false;
};

}  // namespace nalo
