// Two units whose sections only leave their trace in the host's log.
#include "platform/waterfall/component_host.h"

namespace {
int registrations = 0;
void firstInit() { HostNote("first up"); }
void firstFin() { HostNote("first down"); }
void secondInit() { HostNote("second up"); }
void secondFin() { HostNote("second down"); }
const THostUnit kUnits[] = {{"First", &firstInit, &firstFin}, {"Second", &secondInit, &secondFin}};
}  // namespace

extern "C" {
__attribute__((visibility("default"))) void Initialize() {
    // Handed over twice: the host runs each section once all the same.
    HostStartUnits("TestPackage", kUnits, 2);
    HostStartUnits("TestPackage", kUnits, 2);
}
__attribute__((visibility("default"))) void Finalize() { HostStopUnits("TestPackage"); }
__attribute__((visibility("default"))) void Register() {
    ++registrations;
    RegisterClass({QStringLiteral("TTestThing"), {}});
    RegisterComponents(QStringLiteral("Tests"), {{QStringLiteral("TTestWidget"), [](QWidget*) { return nullptr; }}});
}
}
