#pragma once
// The animated-GIF preview: plays GifPath once at its own size and closes; in split
// mode the same pass writes every composed frame. A click stops it after the frame.
#include <QDialog>
#include <QTimer>
#include <functional>

#include "codecs/GifFrameSplitter.h"
#include "platform/Dib.h"

class QLabel;

namespace nalo {

class DialogService;

class Nalo_Gif : public QDialog {
    Q_OBJECT
public:
    static constexpr int Slot = 5;
    // `frameListed` is told the name of each frame file written.
    Nalo_Gif(DialogService& dialogs, GifSplitShared& shared, std::function<void(const QString&)> frameListed,
             QWidget* parent = nullptr);
    ~Nalo_Gif() override;

    // A mouse click on the window or on Master.
    void stop();
    const clsGif24bit& decoder() const { return gif_; }

protected:
    void mousePressEvent(QMouseEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent*) override;
    void closeEvent(QCloseEvent*) override;
    void done(int result) override;

private:
    class Host;
    void Timer1Tick();

    DialogService& dialogs_;
    GifSplitShared& shared_;
    std::function<void(const QString&)> frameListed_;
    clsGif24bit gif_;
    Dib first_;
    QLabel* Display_ = nullptr;
    QWidget* Master_ = nullptr;
    QTimer Timer1_;
    bool opened_ = false;
};

}  // namespace nalo
