#pragma once
// A check-box or option image (Img_Ra / Img_Opt look) that reports mouse-down.
#include <QLabel>

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

}  // namespace nalo
