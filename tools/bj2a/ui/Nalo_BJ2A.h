#pragma once
// The images-to-AVI window: drive, folder and file lists of BMP and JPG pictures, a
// preview, the frame size and rate, and the AVI made of every listed picture.
#include <QString>
#include <functional>

#include "platform/Dib.h"
#include "shell/ui/ToolWindow.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QScrollBar;

namespace nalo {

class Command;
class HoverButton;

class Nalo_BJ2A : public ToolWindow {
    Q_OBJECT
public:
    static constexpr int Slot = 1;
    explicit Nalo_BJ2A(DialogService& dialogs);
    ~Nalo_BJ2A() override;

    // Plays the AVI made (the player window, shown modally, unless replaced).
    using PlayerRunner = std::function<void(const QString& path)>;
    void setPlayerRunner(PlayerRunner run) { runPlayer_ = std::move(run); }

    // The handlers of the controls.
    void changeDrive(const QString& drive);  // drv1
    bool setFolder(const QString& folder);   // Dir1; false with a message when unreadable
    void chooseFile(const QString& name);    // File1
    void setPattern(const QString& pattern); // Combo_Kind
    void setFps(int fps);                    // HS_FPS
    void makeAvi();                          // Cmd_AVI
    void play();                             // Cmd_Viewer

    const QString& folder() const { return folder_; }
    const QString& aviFolder() const { return aviFolder_; }
    const QString& lastAviPath() const { return lastAvi_; }

protected:
    void saveSettings() override;
    void closeEvent(QCloseEvent* e) override;

private:
    void moveToFolder(const QString& folder);
    void fillFileList();
    void clearPreview();
    // Loads `path` into Pic_K and previews it; false when it does not load.
    bool preview(const QString& path);
    void syncDrive();

    QString folder_, aviFolder_, lastAvi_, pattern_;
    Dib picture_;                      // Pic_K
    int canvasWidth_ = 320, canvasHeight_ = 240;  // picSave
    bool running_ = false;
    PlayerRunner runPlayer_;

    QComboBox* drv1_ = nullptr;
    QListWidget* Dir1_ = nullptr;
    QListWidget* File1_ = nullptr;
    QComboBox* Combo_Kind_ = nullptr;
    QLabel* lbl_Flame_ = nullptr;
    QLabel* Pic_Pre_ = nullptr;
    QLineEdit* txtWidth_ = nullptr;
    QLineEdit* txtHeight_ = nullptr;
    QScrollBar* HS_FPS_ = nullptr;
    QLabel* lbl_FPS_ = nullptr;
    QLabel* lbl_S_ = nullptr;
    Command* Cmd_AVI_ = nullptr;
    HoverButton* Cmd_Viewer_ = nullptr;
    Command* Cmd_Can_ = nullptr;
};

}  // namespace nalo
