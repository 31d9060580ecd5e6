#pragma once
// The progress window of the audio-CD copies: the file being written, a percentage bar
// and Cancel (which sets CancelRequested).
#include <QImage>
#include <QWidget>

#include "shell/Colour.h"

class QLabel;

namespace nalo {

class Command;

// Pic_Bar: shows the picture PaintProgressBar drew.
class ProgressPicture : public QWidget {
public:
    using QWidget::QWidget;
    QImage image;

protected:
    void paintEvent(QPaintEvent*) override;
};

class Nalo_CDP : public QWidget {
    Q_OBJECT
public:
    explicit Nalo_CDP(QWidget* owner);
    ~Nalo_CDP() override;

    // lblStatus "Output ﾌｧｲﾙ名 : " + the file name of Status; the bar at CurVal / TotVal
    // with the whole percentage as its text, white and navy.
    void ChangeProgress(const std::string& Status, float CurVal, float TotVal);

    ProgressPicture* bar() const { return Pic_Bar_; }
    QString status() const;
    void cancel();

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QLabel* lblStatus_ = nullptr;
    ProgressPicture* Pic_Bar_ = nullptr;
    Command* Cmd_Can_ = nullptr;
};

// Draws the bar into `picture`: back colour, the text centred in the bar colour, then
// the filled part in not-XOR mode, which turns the text inside it to the back colour.
void PaintProgressBar(ProgressPicture& picture, double DrawParsent, const QString& WriteStr,
                      ColourValue lngBackColor, ColourValue lngBarColor);

}  // namespace nalo
