#include <gtest/gtest.h>

#include "platform/waterfall/component_host.h"
#include "tests/waterfall/wf_app.h"

namespace {
QStringList logSince(int from) { return HostUnitLog().mid(from); }

int countOf(const QString& className) {
    int n = 0;
    for (const auto& r : THostRegistry::Instance().Registrations()) n += r.className == className;
    return n;
}

TEST(ComponentHost, RunsUnitsOnceInOrderAndFinalisesInReverse) {
    wf::test::qtApp();
    int start = HostUnitLog().size();
    {
        TComponentHost host;
        ASSERT_TRUE(host.LoadPackage(WF_TEST_PACKAGE)) << host.Error().toStdString();
        EXPECT_EQ(logSince(start), (QStringList{"initialization First", "first up", "initialization Second", "second up"}));
        EXPECT_EQ(countOf("TTestThing"), 1);
        EXPECT_TRUE(THostRegistry::Instance().Knows("TTestWidget"));
        // Loading the same file again is no second start.
        EXPECT_TRUE(host.LoadPackage(WF_TEST_PACKAGE));
        EXPECT_EQ(countOf("TTestThing"), 1);
        EXPECT_EQ(host.Packages().size(), 1);
        start = HostUnitLog().size();
    }
    // The host's end unloads: finalisations in reverse, registrations gone.
    EXPECT_EQ(logSince(start), (QStringList{"finalization Second", "second down", "finalization First", "first down"}));
    EXPECT_EQ(countOf("TTestThing"), 0);
    EXPECT_FALSE(THostRegistry::Instance().Knows("TTestWidget"));
}

TEST(ComponentHost, LoadingWithoutDesignSkipsRegistration) {
    TComponentHost host;
    ASSERT_TRUE(host.LoadPackage(WF_TEST_PACKAGE, false));
    EXPECT_EQ(countOf("TTestThing"), 0);
    EXPECT_TRUE(host.UnloadPackage(WF_TEST_PACKAGE));
    EXPECT_FALSE(host.UnloadPackage(WF_TEST_PACKAGE));
}

TEST(ComponentHost, FilesThatAreNoPackagesFailAndStayUnloaded) {
    TComponentHost host;
    EXPECT_FALSE(host.LoadPackage("/nonexistent/NoSuchPkg.so"));
    EXPECT_FALSE(host.Error().isEmpty());
    EXPECT_FALSE(host.LoadPackage(WF_BASE_LIBRARY));  // a library without Initialize
    EXPECT_TRUE(host.Error().contains("Initialize"));
    EXPECT_TRUE(host.Packages().isEmpty());
}

TEST(ComponentHost, CreatesOnlyCreatableClasses) {
    EXPECT_EQ(THostRegistry::Instance().Create("NoSuchClass"), nullptr);
    TComponentHost host;
    ASSERT_TRUE(host.LoadPackage(WF_TEST_PACKAGE));
    EXPECT_EQ(THostRegistry::Instance().Create("TTestThing"), nullptr);  // streaming only
}
}  // namespace
