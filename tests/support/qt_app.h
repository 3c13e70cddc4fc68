#pragma once
// One QApplication for a test binary, on the offscreen platform.
#include <QApplication>
#include <cstdlib>

#include "tests/support/fake_dialogs.h"

namespace qv::test {

inline QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "qv-test";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Never destroyed: Qt's own teardown at process exit must not race the
    // static destructors of the test framework.
    static QApplication* app = new QApplication(argc, argv);
    qv::dialog::setDialogService(&fakeDialogs());
    return *app;
}

}  // namespace qv::test
