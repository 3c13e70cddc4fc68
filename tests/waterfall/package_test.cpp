// The package as the host sees it: loaded by file name.
#include <gtest/gtest.h>

#include "platform/waterfall/component_host.h"
#include "tests/waterfall/wf_app.h"
#include "waterfall/gfmultiwaterfall.h"

namespace {
TEST(Package, LoadsRunsItsUnitsInOrderAndRegistersItsClasses) {
    wf::test::qtApp();
    int start = HostUnitLog().size();
    TComponentHost host;
    ASSERT_TRUE(host.LoadPackage(WF_PACKAGE)) << host.Error().toStdString();
    EXPECT_EQ(HostUnitLog().mid(start),
              (QStringList{"Initialize GrafonaPkgCB6", "initialization Gfmultiwaterfall",
                           "initialization Gfmultiwaterfallchannelformunit",
                           "initialization Gfmultiwaterfallpropertiesformunit", "initialization Grafonapkgcb6"}));
    std::vector<std::pair<THostRegistration::Kind, QString>> got;
    for (const auto& r : THostRegistry::Instance().Registrations()) got.push_back({r.kind, r.className + "/" + r.category});
    using K = THostRegistration;
    EXPECT_EQ(got, (std::vector<std::pair<THostRegistration::Kind, QString>>{
                       {K::PaletteComponent, "TGFMultiWaterfall/Grafona"},
                       {K::LayerComponent, "TGFMultiWaterfallLayer/Displays"},
                       {K::ComponentElement, "TGFExternalMultiWaterfallElement/Displays"},
                       {K::MatrixComponentElement, "TGFExternalMultiWaterfallMatrixLayer/Displays"},
                       {K::Class, "TGFExternalMultiWaterfallMatrixElement/"}}));
    std::unique_ptr<QWidget> made(THostRegistry::Instance().Create("TGFExternalMultiWaterfallMatrixLayer"));
    EXPECT_NE(dynamic_cast<TGFExternalMultiWaterfallMatrixLayer*>(made.get()), nullptr);
    made.reset();
    start = HostUnitLog().size();
    ASSERT_TRUE(host.UnloadPackage(WF_PACKAGE));
    EXPECT_EQ(HostUnitLog().mid(start),
              (QStringList{"finalization Grafonapkgcb6", "finalization Gfmultiwaterfallpropertiesformunit",
                           "finalization Gfmultiwaterfallchannelformunit", "finalization Gfmultiwaterfall",
                           "Finalize GrafonaPkgCB6"}));
    EXPECT_TRUE(THostRegistry::Instance().Registrations().empty());
}
}  // namespace
