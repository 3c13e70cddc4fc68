#include "app/app.h"

#include <clocale>

#include "app/sheet.h"
#include "device/serial_link.h"

namespace qv::app {

CQVGuiApp::CQVGuiApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("QV-Gui"));
    // Fusion draws the same everywhere: nothing depends on a desktop theme.
    setStyle(QStringLiteral("Fusion"));
    // QApplication takes the user's locale for the C library too; numbers on
    // the wire, in files and in the edits keep the decimal point whatever the
    // desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    // The program, unlike its tests, may reach the machine's serial ports.
    qv::device::SerialLink::setPortDiscovery(qv::serial::systemPorts());
}

int CQVGuiApp::InitInstance() {
    CAllControlsSheet sheet;
    sheet.exec();
    return 0;
}

}  // namespace qv::app
