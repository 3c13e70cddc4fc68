#pragma once
// One QApplication for a test binary, on the offscreen platform.
#include <QApplication>
#include <cstdlib>

namespace qv::test {

inline QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "qv-test";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    return app;
}

}  // namespace qv::test
