#pragma once
// The one QApplication of a window test program, made on first use.
#include <QApplication>

namespace nalo::test {

inline QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "nalo-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing down a QApplication after main has returned crashes.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace nalo::test

namespace nalo::test {

// Base of fixtures holding widgets: the application exists before any member widget.
struct WithQtApp {
    WithQtApp() { qtApp(); }
};

}  // namespace nalo::test
