#include "window/sheet/app.h"

#include <clocale>

#include "platform/serial/ports.h"
#include "window/services/page_scroll.h"
#include "window/sheet/sheet.h"

namespace qv::window {

CQVGuiApp::CQVGuiApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("QV-Gui"));
    // Fusion draws the same everywhere: nothing depends on a desktop theme.
    setStyle(QStringLiteral("Fusion"));
    // QApplication takes the user's locale for the C library too; numbers on
    // the wire, in files and in the edits keep the decimal point whatever the
    // desktop's language.
    std::setlocale(LC_NUMERIC, "C");
}

int CQVGuiApp::InitInstance() {
    // The program, unlike its tests, may reach the machine's serial ports.
    CAllControlsSheet sheet(qv::link::systemTickCount, &qv::serial::systemPorts());
    restorePlace(&sheet);  // where it stood when last closed, if a screen still has that room
    sheet.exec();
    keepPlace(&sheet);
    return 0;
}

}  // namespace qv::window
