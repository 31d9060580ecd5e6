#pragma once
// Mouse event arguments of the controls: button and shift codes as the owners test them.
#include <QMouseEvent>

namespace nalo {

// Button codes (combined for the buttons held during a move).
inline constexpr int ButtonLeft = 1, ButtonRight = 2, ButtonMiddle = 4;
// Shift codes.
inline constexpr int ShiftKey = 1, CtrlKey = 2, AltKey = 4;

int buttonCode(Qt::MouseButtons buttons);
int shiftCode(Qt::KeyboardModifiers modifiers);

// The button that changed (press, release) or the buttons held (move).
inline int eventButton(const QMouseEvent* e) {
    return buttonCode(e->type() == QEvent::MouseMove ? e->buttons() : Qt::MouseButtons(e->button()));
}

}  // namespace nalo
