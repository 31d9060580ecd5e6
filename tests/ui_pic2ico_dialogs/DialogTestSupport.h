#pragma once
// Pictures and event helpers shared by the capture dialog tests.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include "platform/Dib.h"

namespace nalo::test {

inline constexpr ColourValue Red = rgb(255, 0, 0), Blue = rgb(0, 0, 255), Green = rgb(0, 255, 0),
                             Black = rgb(0, 0, 0), White = rgb(255, 255, 255), Grey = rgb(90, 90, 90);

// A w x h picture of four quadrants: red, blue (top), green, black (bottom).
inline Dib quadrants(int w, int h) {
    Dib p(w, h, 24);
    p.fillRect(0, 0, w / 2, h / 2, Red);
    p.fillRect(w / 2, 0, w - w / 2, h / 2, Blue);
    p.fillRect(0, h / 2, w / 2, h - h / 2, Green);
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, Black);
    return p;
}

// The colours at the middle of each quadrant of a 32 x 32 icon, in reading order.
inline std::array<ColourValue, 4> quadrantColours(const Dib& icon) {
    return {icon.pixel(8, 8), icon.pixel(24, 8), icon.pixel(8, 24), icon.pixel(24, 24)};
}

inline void sendMouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

inline void click(QWidget* w) {
    sendMouse(w, QEvent::MouseButtonPress, QPointF(2, 2), Qt::LeftButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, QPointF(2, 2), Qt::LeftButton, Qt::NoButton);
}

inline void sendKey(QWidget* w, int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

}  // namespace nalo::test
