#pragma once
// Flat progress bar, horizontal (fills from the left) or vertical (fills from the
// bottom), with a border style and colours. Setting the value repaints only when
// the bar's length in pixels changes. Engine operations report to it as a
// ProgressReporter.
#include <QRect>
#include <QWidget>

#include "imaging/ProgressReporter.h"
#include "shell/Colour.h"

namespace nalo {

class ucProgress : public QWidget, public ProgressReporter {
    Q_OBJECT
public:
    enum : int { Horizontal = 0, Vertical = 1 };
    enum : int { BorderNone = 0, BorderThin = 1, BorderSunken = 2 };
    static constexpr ColourValue DefaultBackColor = 0x8000000Fu;  // button face
    static constexpr ColourValue DefaultForeColor = 0x8000000Du;  // highlight

    explicit ucProgress(QWidget* parent = nullptr);

    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int style);
    // Changing the orientation exchanges the control's width and height.
    int Orientation() const { return orientation_; }
    void setOrientation(int orientation);
    ColourValue BackColor() const { return backColor_; }
    void setBackColor(ColourValue colour);
    ColourValue ForeColor() const { return foreColor_; }
    void setForeColor(ColourValue colour);
    int Max() const { return max_; }
    void setMax(int max);  // 0 or less -> 1
    int value() const { return value_; }
    void setValue(int value);

    // ProgressReporter
    void Max(int32_t max) override { setMax(max); }
    void value(int32_t v) override { setValue(v); }

    int barLength() const { return length_; }
    // Inside the border, in control coordinates.
    const QRect& barRect() const { return barRect_; }
    const QRect& restRect() const { return restRect_; }

signals:
    void Click();
    // Button and shift codes of controls/MouseCodes.h; x, y in control coordinates.
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int borderWidth() const;
    QRect innerRect() const;
    int computeLength() const;
    void recompute();  // length and rectangles
    void refresh();    // recompute and repaint

    int orientation_ = Horizontal;
    int borderStyle_ = BorderSunken;
    ColourValue backColor_ = DefaultBackColor, foreColor_ = DefaultForeColor;
    QColor barColour_, restColour_;
    int max_ = 100;
    int value_ = 0;
    int length_ = 0;
    QRect barRect_, restRect_;
    bool pressed_ = false;
};

}  // namespace nalo
