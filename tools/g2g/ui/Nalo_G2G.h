#pragma once
// The animated-GIF splitter window: choose a GIF, play it, split it into one BMP or
// one-frame GIF per composed frame beside the source, and preview the files written.
#include <functional>

#include "codecs/GifFrameSplitter.h"
#include "shell/ui/ToolWindow.h"

class QDialog;
class QListWidget;

namespace nalo {

class ClickLabel;
class Command;
class HoverButton;
class OptionImage;

class Nalo_G2G : public ToolWindow {
    Q_OBJECT
public:
    explicit Nalo_G2G(DialogService& dialogs);

    // The actions, as the controls trigger them.
    void chooseFile();
    void openGif(const QString& path);  // the file dialog's answer (or a dropped file)
    void play();
    void split();
    void chooseKind(int16_t kind);
    void toggleTransparency();
    void showFrameFile(int row);

    const GifSplitShared& shared() const { return shared_; }
    const QString& gifFolder() const { return gifFolder_; }
    int16_t transparencyOption() const { return transparency_; }
    QListWidget* lstFiles() const { return lstFiles_; }

    // How the preview window is run (tests replace the modal loop).
    using ModalRunner = std::function<void(QDialog&)>;
    void setModalRunner(ModalRunner run) { runModal_ = std::move(run); }

protected:
    void saveSettings() override;

private:
    void runPreview(int16_t splitMode);
    void showOptions();

    GifSplitShared shared_;
    QString gifFolder_;
    int16_t transparency_ = 0;
    ModalRunner runModal_;

    HoverButton* Cmd_2_[2] = {};
    Command* Cmd_1_[2] = {};
    QLabel* lbl_Ani_Path_ = nullptr;
    QLabel* Pic_Ani_Gif_ = nullptr;
    QLabel* Pic_Gif_ = nullptr;
    OptionImage* Img_File_[3] = {};
    OptionImage* Img_Trans_ = nullptr;
    QListWidget* lstFiles_ = nullptr;
};

}  // namespace nalo
