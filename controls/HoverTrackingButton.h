#pragma once
// A custom-painted button that knows whether the pointer is over it.
#include <QAbstractButton>

namespace nalo {

class HoverTrackingButton : public QAbstractButton {
    Q_OBJECT
public:
    using QAbstractButton::QAbstractButton;
    bool hovered() const { return hover_; }

protected:
    void enterEvent(QEnterEvent*) override {
        hover_ = true;
        update();
    }
    void leaveEvent(QEvent*) override {
        hover_ = false;
        update();
    }
    bool hover_ = false;
};

}  // namespace nalo
