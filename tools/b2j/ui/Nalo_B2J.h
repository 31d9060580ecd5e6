#pragma once
// The BMP-to-JPG window: bitmaps of one folder to JPEG files beside them.
#include <QString>

#include "shell/ui/ToolWindow.h"
#include "tools/b2j/B2jConverter.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QSlider;

namespace nalo {

class Command;
class HoverButton;
class OptionImage;

class Nalo_B2J : public ToolWindow {
    Q_OBJECT
public:
    // `encode` defaults to the JPEG component.
    explicit Nalo_B2J(DialogService& dialogs, b2j::JpegEncoder encode = {});

    void chooseFolder();
    void convert();
    void selectAll(bool on);
    void setSizeMode(int mode);
    void setOverwriteMode(int mode);
    void preview(QListWidget* list);

    int16_t compressionValue() const { return compressionValue_; }

protected:
    void saveSettings() override;

private:
    void fillLists();

    b2j::JpegEncoder encode_;
    int16_t compressionValue_ = 0;
    QLabel* Folder_Path_ = nullptr;
    QListWidget* List_BMP_ = nullptr;
    QListWidget* List_JPG_ = nullptr;
    Command* Cmd_AllSel_ = nullptr;
    Command* Cmd_AllReset_ = nullptr;
    Command* Cmd_Henkan_ = nullptr;
    OptionImage* Img_Size_[2] = {};
    OptionImage* Img_Dup_[2] = {};
    QLineEdit* Pic_Width_ = nullptr;
    QLineEdit* Pic_Height_ = nullptr;
    QSlider* HS_Press_ = nullptr;
    QLabel* lbl_Press_ = nullptr;
    QLabel* Pic_K_ = nullptr;
    QLabel* lbl_PreSize_ = nullptr;
};

}  // namespace nalo
