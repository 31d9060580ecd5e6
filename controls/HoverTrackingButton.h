#pragma once
// A custom-painted button that knows whether the pointer is over it; it takes the
// keyboard focus and Space, Enter and Return click it.
#include <QAbstractButton>
#include <QKeyEvent>

namespace nalo {

class HoverTrackingButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit HoverTrackingButton(QWidget* parent = nullptr) : QAbstractButton(parent) {
        setFocusPolicy(Qt::StrongFocus);
    }
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
    void keyPressEvent(QKeyEvent* e) override {
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !e->isAutoRepeat()) click();
        else QAbstractButton::keyPressEvent(e);  // Space: press, then click on release
    }
    bool hover_ = false;
};

}  // namespace nalo
