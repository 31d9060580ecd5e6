#pragma once
// The picture-to-icon window: drive, folder and file lists, the fitted preview, the
// capture of the 32 x 32 icon picture (region capture or high-quality shrink), its
// colour depth and transparent colour, and the icon file.
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "platform/Dib.h"
#include "shell/IniDocument.h"
#include "shell/ui/FolderLists.h"
#include "shell/ui/ToolWindow.h"
#include "tools/pic2ico/Pic2IcoRules.h"

class QComboBox;
class QDialog;
class QListWidget;

namespace nalo {

class Command;
class OptionImage;

class Nalo_Pic2Ico : public ToolWindow {
    Q_OBJECT
public:
    static constexpr int Slot = 9;
    explicit Nalo_Pic2Ico(DialogService& dialogs);

    // Shows a capture or colour dialog modally (exec() unless replaced).
    using ModalRunner = std::function<void(QDialog&)>;
    void setModalRunner(ModalRunner run) { runModal_ = std::move(run); }

    // The handlers of the controls.
    void changeDrive(const QString& drive);   // Drive1
    bool setFolder(const QString& folder);    // Dir1; false with a message when unreadable
    void chooseFile(const QString& name);     // File1
    void openPicture(const QString& file);    // a dropped file: its folder, then the file
    void setCaptureMode(int mode);            // Img_Sel / lbl_Sel
    void setFitSide(int side);                // Img_Fit / lbl_Fit
    void toggleAllSizes();                    // Img_Sizes / lbl_Sizes
    bool allSizes() const { return allSizes_; }
    void setIconColours(int colours);         // Img_Color / lbl_Color
    void capture();                           // Cmd_Sel
    void pickIconPixel(int x, int y);         // IconImage
    void pickTransparentColour();             // Cmd_TrnColor
    void chooseTransparentColour();           // Cmd_C
    void makeIcon();                          // Cmd_Set

    Pic2IcoShared& shared() { return shared_; }
    Dib& IconImage() { return icon_; }
    ColourValue transparentColour() const { return transparent_; }
    const QString& folder() const { return folder_; }
    const QString& iconFolder() const { return iconFolder_; }

protected:
    void saveSettings() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadSettings(const IniDocument& ini);
    // Moves the folder and file lists to `folder`; raises RuntimeError when it cannot be listed.
    void moveToFolder(const QString& folder);
    void fillFileList();
    void clearPreview();
    void showOptions();
    void showIcon();
    void showTransparentColour();
    void syncDrive();
    void runDialog(QDialog* dialog);

    Pic2IcoShared shared_;
    QString folder_, iconFolder_;
    Dib picture_;  // Pic_Sel
    Dib icon_;     // IconImage
    ColourValue transparent_ = rgb(0, 0, 0);
    ModalRunner runModal_;

    QComboBox* Drive1_ = nullptr;
    QListWidget* Dir1_ = nullptr;
    QListWidget* File1_ = nullptr;
    QLabel* Pic_K_ = nullptr;
    QLabel* lbl_Size_ = nullptr;
    QLabel* IconImage_ = nullptr;
    QLabel* Trns_Color_ = nullptr;
    Command* Cmd_Sel_ = nullptr;
    Command* Cmd_TrnColor_ = nullptr;
    Command* Cmd_C_ = nullptr;
    Command* Cmd_Set_ = nullptr;
    OptionImage* Img_Sel_[2] = {};
    OptionImage* Img_Fit_[2] = {};
    OptionImage* Img_Sizes_ = nullptr;
    bool allSizes_ = false;  // one 32-bit icon of every size instead of the 32 x 32 one
    OptionImage* Img_Color_[4] = {};
};

}  // namespace nalo
