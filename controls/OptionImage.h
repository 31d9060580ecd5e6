#pragma once
// A check-box or option image (Img_Ra / Img_Opt look) that reports mouse-down; it
// takes the keyboard focus, shows it framed, and Space, Enter and Return act as a click.
#include <QLabel>
#include <functional>

namespace nalo {

class OptionImage : public QLabel {
    Q_OBJECT
public:
    enum class Look { Check, Option };
    explicit OptionImage(Look look, QWidget* parent = nullptr);
    bool checked() const { return checked_; }
    // Shows index 1 (on) or 0 (off) of the shared pictures.
    void setChecked(bool on);

signals:
    void mouseDown();

protected:
    void mousePressEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void paintEvent(QPaintEvent*) override;

private:
    Look look_;
    bool checked_ = false;
};

// A label that reports mouse-down (the captions beside option images).
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(const QString& text, QWidget* parent = nullptr) : QLabel(text, parent) {}

signals:
    void mouseDown();

protected:
    void mousePressEvent(QMouseEvent*) override { emit mouseDown(); }
};

struct CaptionedOption {
    OptionImage* image;
    ClickLabel* label;
};
// An option image and its caption on `parent`, named "Img_" + name and "lbl_" + name;
// a mouse-down on either runs `onDown`.
CaptionedOption addCaptionedOption(OptionImage::Look look, const QString& caption, const QString& name,
                                   const QRect& image, const QRect& label, QWidget* parent,
                                   const std::function<void()>& onDown);

}  // namespace nalo
