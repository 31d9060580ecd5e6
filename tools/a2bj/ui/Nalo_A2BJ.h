#pragma once
// The AVI-to-images window: the frames of one AVI as numbered BMP files in a folder,
// every N-th frame, at the video's size or a given size, with a frame preview.
#include <QString>
#include <string>

#include "platform/Dib.h"
#include "shell/ui/ToolWindow.h"
#include "tools/a2bj/AviFrameSource.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QScrollBar;

namespace nalo {

class Command;
class HoverButton;
class OptionImage;
class OverwriteChoice;

class Nalo_A2BJ : public ToolWindow {
    Q_OBJECT
public:
    explicit Nalo_A2BJ(DialogService& dialogs);

    // The actions, as the controls trigger them.
    void chooseAvi();
    void openAvi(const QString& chosen);  // the file dialog's answer (or a dropped file)
    void previewFrame();
    void chooseFolder();
    void setOverwriteMode(int mode);
    void toggleSizeChange();
    void togglePng();
    void createFiles();
    void stopRun() { running_ = false; }
    void previewListItem();

    bool running() const { return running_; }
    const std::string& outputFolder() const { return outputFolder_; }

protected:
    void saveSettings() override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Opens the AVI again; shows the open message and returns false when it fails.
    bool reopen(a2bj::AviFrameSource& source, const std::string& path);
    void showPreview(const Dib& picture);
    void fillList();
    void setSizeChange(bool on);

    a2bj::StreamFacts facts_;
    std::string outputFolder_;
    bool running_ = false;
    bool closing_ = false;
    bool png_ = false;  // PNG frames instead of BMP
    Dib framePicture_;

    HoverButton* Cmd_Avi_Get_ = nullptr;
    QLabel* lbl_Fname_ = nullptr;
    QLabel* lbl_Flame_FT_ = nullptr;
    QLabel* lbl_Flame_Size_ = nullptr;
    QScrollBar* HS_Frame_ = nullptr;
    QLabel* Frame_Cnt_ = nullptr;
    HoverButton* Cmd_Pic_View_ = nullptr;
    QLabel* Pic_Pre_ = nullptr;
    QLabel* lbl_Pic_Size_ = nullptr;
    QLineEdit* Flame_From_ = nullptr;
    QLineEdit* Flame_To_ = nullptr;
    QLineEdit* Flame_Skip_ = nullptr;
    QLineEdit* Pic_File_ = nullptr;
    QLineEdit* Txt_Folder_ = nullptr;
    Command* Cmd_Folder_ = nullptr;
    OverwriteChoice* Img_Dup_ = nullptr;
    OptionImage* Img_Size_ = nullptr;
    OptionImage* Img_Png_ = nullptr;
    QLineEdit* Pic_Width_ = nullptr;
    QLineEdit* Pic_Height_ = nullptr;
    Command* Cmd_File_ = nullptr;
    Command* Cmd_Stop_ = nullptr;
    Command* Cmd_Can_ = nullptr;
    QListWidget* List1_ = nullptr;
};

}  // namespace nalo
