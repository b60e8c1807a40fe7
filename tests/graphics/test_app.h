// One QApplication for a test program (offscreen platform, set by the test runner).
#pragma once

#include <QApplication>

namespace ql::test {

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "graphics-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own globals (input devices) must not outlive it at exit.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace ql::test
