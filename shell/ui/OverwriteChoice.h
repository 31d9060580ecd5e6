#pragma once
// The "上書き" / "ｽｷｯﾌﾟ" option pair of the tools sharing OverwriteMode: option images
// Img_Dup_0/1 with their labels lbl_Dup_0/1; pressing either sets the policy.
#include <QObject>
#include <QPoint>

class QWidget;

namespace nalo {

class OptionImage;

class OverwriteChoice : public QObject {
    Q_OBJECT
public:
    // The images at `origin` and origin + (spacing, 0) on `parent`.
    OverwriteChoice(QWidget* parent, QPoint origin, int spacing);
    // OverwriteMode becomes `mode`; image `mode` shows selected, the other unselected.
    void set(int mode);

private:
    OptionImage* Img_Dup_[2] = {};
};

}  // namespace nalo
