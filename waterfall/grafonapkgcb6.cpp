// The package unit: the host's entry points. Initialize hands the units to
// the host's unit mechanism in dependency order; Finalize runs their
// finalisations in reverse.
#include "platform/waterfall/component_host.h"
#include "waterfall/gfmultiwaterfall.h"
#include "waterfall/gfmultiwaterfallchannelformunit.h"
#include "waterfall/gfmultiwaterfallpropertiesformunit.h"

namespace Gfmultiwaterfall {
void initialization() {}
void Finalization() {}
}  // namespace Gfmultiwaterfall

namespace {
constexpr const char* kPackage = "GrafonaPkgCB6";

void packageInitialize() {}
void packageFinalize() {}

const THostUnit kUnits[] = {
    {"Gfmultiwaterfall", &Gfmultiwaterfall::initialization, &Gfmultiwaterfall::Finalization},
    {"Gfmultiwaterfallchannelformunit", &Gfmultiwaterfallchannelformunit::initialization,
     &Gfmultiwaterfallchannelformunit::Finalization},
    {"Gfmultiwaterfallpropertiesformunit", &Gfmultiwaterfallpropertiesformunit::initialization,
     &Gfmultiwaterfallpropertiesformunit::Finalization},
    {"Grafonapkgcb6", &packageInitialize, &packageFinalize},
};
}  // namespace

extern "C" {
__attribute__((visibility("default"))) void Initialize() {
    HostNote(QStringLiteral("Initialize %1").arg(QString::fromLatin1(kPackage)));
    HostStartUnits(kPackage, kUnits, int(sizeof kUnits / sizeof kUnits[0]));
}

__attribute__((visibility("default"))) void Finalize() {
    HostStopUnits(kPackage);
    HostNote(QStringLiteral("Finalize %1").arg(QString::fromLatin1(kPackage)));
}

// Called by the host's design environment.
__attribute__((visibility("default"))) void Register() { Gfmultiwaterfall::Register(); }
}
