#include "controls/MouseCodes.h"

namespace nalo {

int buttonCode(Qt::MouseButtons buttons) {
    int code = 0;
    if (buttons & Qt::LeftButton) code |= ButtonLeft;
    if (buttons & Qt::RightButton) code |= ButtonRight;
    if (buttons & Qt::MiddleButton) code |= ButtonMiddle;
    return code;
}

int shiftCode(Qt::KeyboardModifiers modifiers) {
    int code = 0;
    if (modifiers & Qt::ShiftModifier) code |= ShiftKey;
    if (modifiers & Qt::ControlModifier) code |= CtrlKey;
    if (modifiers & Qt::AltModifier) code |= AltKey;
    return code;
}

}  // namespace nalo
