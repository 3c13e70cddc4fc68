#pragma once
// One QApplication for a waterfall test binary, on the offscreen platform.
#include <QApplication>
#include <cstdlib>

namespace wf::test {

inline QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "wf-test";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Never destroyed: Qt's teardown at exit must not race the test framework's.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// A base that makes the application before any member widget of a fixture.
struct WithApp {
    WithApp() { qtApp(); }
};

}  // namespace wf::test
