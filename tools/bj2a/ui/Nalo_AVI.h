#pragma once
// The AVI player: plays an AVI once at its natural size, unscaled, in a borderless
// black window of exactly the video's size, with its sound, then closes by itself.
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <memory>
#include <vector>

#include "platform/AviFile.h"

class QLabel;

namespace nalo {

class AudioOutput;
class AviAudioReader;

class Nalo_AVI : public QDialog {
    Q_OBJECT
public:
    static constexpr int Slot = 3;
    Nalo_AVI(const QString& path, QWidget* parent = nullptr);
    ~Nalo_AVI() override;

    QLabel* picVideo() const { return picVideo_; }
    // The frame on show (-1 before the first).
    int32_t shownFrame() const { return shown_; }

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void start();   // Timer1
    void tick();    // the playing clock
    void feedAudio();
    int64_t nowMs() const;

    QLabel* lbl_Path_ = nullptr;
    QLabel* picVideo_ = nullptr;
    QTimer Timer1_, clock_;
    QElapsedTimer elapsed_;
    AviLibraryScope library_;
    PAVISTREAM stream_;
    PGETFRAME frames_;
    int32_t start_ = 0, length_ = 0, shown_ = -1;
    int64_t endMs_ = 0;
    std::unique_ptr<AviAudioReader> audioReader_;
    std::unique_ptr<AudioOutput> audio_;
    std::vector<int16_t> pending_;  // decoded samples not yet taken by the output
    size_t pendingAt_ = 0;
    bool audioEnded_ = true, playing_ = false, toTheEnd_ = false, opened_ = false, closing_ = false;
};

}  // namespace nalo
