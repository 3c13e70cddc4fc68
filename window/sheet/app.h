#pragma once
#include <QApplication>

namespace qv::window {

// The application object: runs the sheet modally; the program ends with it.
class CQVGuiApp : public QApplication {
public:
    CQVGuiApp(int& argc, char** argv);
    int InitInstance();
};

}  // namespace qv::window
