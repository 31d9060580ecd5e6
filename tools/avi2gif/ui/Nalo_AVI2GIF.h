#pragma once
// The AVI-to-GIF window: import an AVI into the GIF model, preview it playing,
// pick a transparent colour, optimise and save.
#include <QTimer>

#include "codecs/GifAnimation.h"
#include "imaging/GcDIB.h"
#include "shell/RuntimeError.h"
#include "shell/ui/ToolWindow.h"

class QLabel;

namespace nalo {

class Command;
class HoverButton;
class OptionImage;
class ClickLabel;
class ucCanvas;
class ucProgress;

class Nalo_AVI2GIF : public ToolWindow {
    Q_OBJECT
public:
    explicit Nalo_AVI2GIF(DialogService& dialogs);
    ~Nalo_AVI2GIF() override;

    // The actions, as the controls trigger them.
    void chooseAvi();
    void openAvi(const QString& path);  // the file dialog's answer (or a dropped file)
    void toggleTransparency();
    void startPick();
    void optimize();
    void save();
    void previewTick();
    void wheel(int delta);

    const cGIF& model() const { return gif_; }
    ucCanvas* canvas() const { return canvas_; }
    QTimer& timer() { return tmrDelay_; }
    uint8_t transparentIndex() const { return transparentIndex_; }
    bool transparencyOn() const { return transparencyOn_; }
    int16_t currentFrame() const { return currentFrame_; }
    const QString& gifFolder() const { return gifFolder_; }

protected:
    void saveSettings() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Runs a handler that uses frames; a failure stops the preview and is reported.
    template <class Work>
    void guarded(Work&& work) {
        try {
            work();
        } catch (const RuntimeError& e) {
            reportFrameFailure(e);
        }
    }
    void reportFrameFailure(const RuntimeError& e);
    void startPreview();
    void drawFrame(int16_t n);
    void updateFacts();
    void setTransparencyState(int state);
    void releaseModel();
    void canvasMouseDown(int button, int shift, int x, int y);
    void canvasMouseMove(int button, int shift, int x, int y);
    void canvasMouseUp(int button, int shift, int x, int y);
    void pickAt(int x, int y);

    cGIF gif_;
    cTile background_;
    GcDIB previous_;
    std::vector<ColourValue> customColours_;
    bool transparencyOn_ = false;
    int checkState_ = 0;
    uint8_t transparentIndex_ = 0;
    bool pickMode_ = false;
    bool wheelHooked_ = false;
    int16_t currentFrame_ = 0;
    int16_t frameCount_ = 0;
    QString aviPath_;
    QString gifFolder_;
    QTimer tmrDelay_;

    HoverButton* Cmd_AVI_ = nullptr;
    QLabel* lbl_Path_ = nullptr;
    ucCanvas* canvas_ = nullptr;
    QLabel* lblScreenV_ = nullptr;
    QLabel* lblFramesV_ = nullptr;
    QLabel* lblPaletteV_ = nullptr;
    OptionImage* Img_Transparent_ = nullptr;
    ClickLabel* lbl_Transparent_ = nullptr;
    Command* cmdPickColor_ = nullptr;
    Command* Cmd_Optimize_ = nullptr;
    Command* Cmd_Save_ = nullptr;
    Command* Cmd_Exit_ = nullptr;
    ucProgress* progress_ = nullptr;
};

}  // namespace nalo
