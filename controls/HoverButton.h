#pragma once
// The gradient button that lights up while the pointer is over it.
#include "controls/HoverTrackingButton.h"

namespace nalo {

class HoverButton : public HoverTrackingButton {
    Q_OBJECT
public:
    explicit HoverButton(const QString& caption = {}, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

};

}  // namespace nalo
