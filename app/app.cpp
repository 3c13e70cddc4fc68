#include "app/app.h"

#include "app/sheet.h"

namespace qv::app {

CQVGuiApp::CQVGuiApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("QV-Gui"));
    // Fusion draws the same everywhere: nothing depends on a desktop theme.
    setStyle(QStringLiteral("Fusion"));
}

int CQVGuiApp::InitInstance() {
    CAllControlsSheet sheet;
    sheet.exec();
    return 0;
}

}  // namespace qv::app
