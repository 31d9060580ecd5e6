#pragma once
// The full-screen region capture: shows the capture session's display in `Display`,
// forwards mouse, timer and key events to it. Enter with a chosen square writes the
// 32 x 32 picture into the icon and marks it captured; any other key just closes.
#include <QDialog>
#include <QImage>
#include <memory>

#include "platform/Dib.h"
#include "tools/pic2ico/Pic2IcoRules.h"

class QLabel;
class QTimer;

namespace nalo {

class ImageCapSession;

class Nalo_ImageCap : public QDialog {
    Q_OBJECT
public:
    // Reads shared.SourcePath and shared.FitSide; `screen` is the screen size in pixels.
    Nalo_ImageCap(Pic2IcoShared& shared, Dib& iconImage, QSize screen, QWidget* parent = nullptr);
    ~Nalo_ImageCap() override;

    // Called by `Display`.
    void displayPressed(QMouseEvent* e);
    void displayMoved(QMouseEvent* e);
    void displayReleased(QMouseEvent* e);
    const QImage& displayImage() const { return image_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void refresh();

    Pic2IcoShared& shared_;
    Dib& iconImage_;
    std::unique_ptr<ImageCapSession> session_;
    QImage image_;
    QWidget* Display_ = nullptr;
    QLabel* lbl_Pos_ = nullptr;
    QTimer* TimerCut_ = nullptr;
};

}  // namespace nalo
