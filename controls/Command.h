#pragma once
// The flat push button of every window: caption, font, font colour, enabled and
// visible state, a highlight while the pointer is over it, and Initialize.
#include "controls/HoverTrackingButton.h"
#include <QColor>

namespace nalo {

class Command : public HoverTrackingButton {
    Q_OBJECT
public:
    explicit Command(const QString& caption = {}, QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void setCaption(const QString& c) { setText(c); }
    QColor FontColor() const { return fontColour_; }
    void setFontColor(const QColor& c);
    // Back to the resting look (no highlight, pressed state cleared).
    void Initialize();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor fontColour_{20, 24, 60};
};

}  // namespace nalo
