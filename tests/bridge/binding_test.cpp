// The binding against the bridge library, with a recorder in front of it:
// paths, the two error texts, method lookups and their caches, ownership.
#include <gtest/gtest.h>

#include <QWidget>
#include <functional>

#include "bridge/tzscope.h"
#include "tests/bridge/recording_bridge.h"
#include "tests/support/qt_app.h"

using namespace qv::bridge;
using namespace qv::bridge::tz;
using qv::test::RecordingBridge;

namespace {

struct Binding : ::testing::Test {
    QApplication& app = qv::test::qtApp();
    RecordingBridge bridge;
    QWidget window;
    Window win() { return static_cast<Window>(&window); }
    std::string errorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const BridgeError& e) {
            return e.what();
        }
        return "(no error)";
    }
};

TEST(CHXStringTest, TextNumbersAndJoins) {
    CHXString empty("");
    EXPECT_EQ(empty.data(), nullptr);
    EXPECT_EQ(empty.length(), 0u);
    CHXString path("Channels");
    path.AppendDot().Append(CHXString(12));
    EXPECT_STREQ(path.c_str(), "Channels.12");
    EXPECT_EQ(path.length(), 11u);
    CHXString copy(path);
    path.Append(CHXString("x"));
    EXPECT_STREQ(copy.c_str(), "Channels.12");
    EXPECT_STREQ(CHXString(-7).c_str(), "-7");
}

TEST_F(Binding, PathsAreEveryNameOnTheWayFromTheRoot) {
    CTTZScope scope;
    EXPECT_STREQ(scope.YAxis.Max.Value.path().c_str(), "YAxis.Max.Value");
    EXPECT_STREQ(scope.Channels->Item(1).Name.path().c_str(), "Channels.1.Name");
    EXPECT_STREQ(scope.Channels->Item(12).path().c_str(), "Channels.12");
    EXPECT_STREQ(scope.YAxis.AdditionalAxes.Item(0).Axis.AxisLabel.Text.path().c_str(),
                 "YAxis.AdditionalAxes.0.Axis.AxisLabel.Text");
    EXPECT_EQ(scope.Title.Text.root(), &scope);
    EXPECT_EQ(scope.Title.Text.owner(), &scope.Title);
    // Building the tree asks the library nothing.
    EXPECT_TRUE(bridge.calls.empty());
}

TEST_F(Binding, ARejectedSetOrReadNamesTheFullPath) {
    CTTZScope scope;
    scope.CreateInWindow(win());
    ASSERT_TRUE(scope.hasComponent());
    scope.YAxis.AdditionalAxes.Add();
    bridge.rejectedPaths = {"YAxis.AdditionalAxes.0.Axis.AxisLabel.Text"};
    EXPECT_EQ(errorOf([&] { scope.YAxis.AdditionalAxes.Item(0).Axis.AxisLabel.Text.Set("Q"); }),
              "Unable to set property : YAxis.AdditionalAxes.0.Axis.AxisLabel.Text");
    // The library itself refuses unknown names, wrong types and missing items.
    CHXProperty<int> wrongType(&scope.Title, "Text");
    EXPECT_EQ(errorOf([&] { wrongType.Set(3); }), "Unable to set property : Title.Text");
    CHXProperty<double> unknown(&scope.YAxis, "NoSuchThing");
    EXPECT_EQ(errorOf([&] { unknown.Set(1.0); }), "Unable to set property : YAxis.NoSuchThing");
    EXPECT_EQ(errorOf([&] { scope.Channels->Item(7).GetReference(); }), "Unable to get property : Channels.7");
    // What is accepted is read back through the same paths.
    scope.Channels->Item(0).Width.Set(3);
    EXPECT_EQ(scope.Channels->Item(0).Width.Get(), 3);
    EXPECT_EQ(scope.Channels->Count.Get(), 1);
}

TEST_F(Binding, EverySetFailsAndEveryMethodIsSkippedWithoutAComponent) {
    bridge.failCreate = true;
    CTTZScope scope;
    scope.CreateInWindow(win());
    EXPECT_FALSE(scope.hasComponent());
    EXPECT_EQ(errorOf([&] { scope.Title.Text.Set("x"); }), "Unable to set property : Title.Text");
    scope.Channels->Add();
    EXPECT_EQ(scope.GetRefreshInterval(), 0u);
    scope.Channels->Item(0).Data->Clear();
    EXPECT_EQ(bridge.count(0), 0);
}

TEST_F(Binding, AnUnexportedMethodCallsNothingAndReturnsZeroEveryTime) {
    CTTZScope scope;
    scope.CreateInWindow(win());
    scope.SetRefreshInterval(250);
    ASSERT_EQ(scope.GetRefreshInterval(), 250u);
    const std::string name = "@Tzscope@TTZDataChart@GetRefreshInterval$qqrv";
    bridge.unexported = {name, "@Tzscope@TTZDataChart@SetRefreshInterval$qqrui"};
    forgetLookups();
    bridge.calls.clear();
    for (int i = 0; i < 3; ++i) {
        scope.RefreshInterval.Set(99);
        EXPECT_EQ(scope.RefreshInterval.Get(), 0u);
    }
    EXPECT_EQ(bridge.count(0), 0);
    // The failed lookup is tried again at each call: the slot stays empty.
    EXPECT_GE(bridge.count(51, name), 3);
    bridge.unexported.clear();
    EXPECT_EQ(scope.RefreshInterval.Get(), 250u);
}

TEST_F(Binding, NoLookupBeforeCreationOneLookupPerMethodAfter) {
    CTTZScope first, second;
    first.SetRefreshInterval(10);
    EXPECT_EQ(first.GetRefreshInterval(), 0u);
    first.Invalidate();
    first.Index.Set(2);
    EXPECT_TRUE(bridge.calls.empty());  // nothing loaded, nothing looked up, nothing called

    first.CreateInWindow(win());
    second.CreateInWindow(win());
    first.SetRefreshInterval(10);
    second.SetRefreshInterval(20);
    first.Channels->Item(0).Data->SetYData(nullptr, 0);
    second.Channels->Item(0).Data->SetYData(nullptr, 0);
    EXPECT_EQ(bridge.count(51, "@Tzscope@TTZDataChart@SetRefreshInterval$qqrui"), 1);
    EXPECT_EQ(bridge.count(51, "@Tzscope@TTZChannelData@SetYData$qqrpfui"), 1);
    EXPECT_EQ(bridge.count(0, "@Tzscope@TTZDataChart@SetRefreshInterval$qqrui"), 2);
    EXPECT_EQ(second.GetRefreshInterval(), 20u);
    // Each package is loaded once for the process.
    EXPECT_EQ(bridge.count(49, "TrazorScopePkgCB6.bpl"), 1);
    // A method of the basic package is found below the scope levels.
    first.Index.Set(4);
    EXPECT_EQ(first.Index.Get(), 4);
    EXPECT_EQ(bridge.count(49, "TrazorBasicPkgCB6.bpl"), 1);
}

TEST_F(Binding, ReadAccessThroughTheScopesMethods) {
    CTTZScope scope;
    scope.CreateInWindow(win());
    scope.YAxis.AdditionalAxes.Add();
    auto axis = scope.YAxis.AdditionalAxes.Item(0);
    axis.Axis.Max.Value.Set(10.0);
    axis.Axis.Min.Value.Set(2.0);
    EXPECT_EQ(axis.Axis.CurrentMax.Get(), 10.0);
    EXPECT_EQ(axis.Axis.CurrentMin.Get(), 2.0);
    const float y[] = {1, 2, 3, 4};
    scope.Channels->Item(0).Data->SetYData(y, 4);
    EXPECT_EQ(scope.XAxis.Samples.Get(), 4);
    EXPECT_EQ(scope.XAxis.CurrentMax.Get(), 3.0);
    scope.Channels->Item(0).Data->SampleRate.Set(2.0);
    EXPECT_EQ(scope.Channels->Item(0).Data->SampleRate.Get(), 2.0);
    EXPECT_EQ(scope.XAxis.CurrentMax.Get(), 1.5);
    scope.Hold.Set(true);
    EXPECT_TRUE(scope.Hold.Get());
}

TEST_F(Binding, CreationOwnershipAndFreeing) {
    {
        CTTZScope scope;
        scope.CreateInWindow(win());
        const Handle h = scope.GetHandleObject()->handle;
        ASSERT_NE(h, 0u);
        EXPECT_TRUE(scope.GetHandleObject()->owned);
        // A null window changes nothing: the component stays.
        scope.CreateInWindow(nullptr);
        EXPECT_EQ(scope.GetHandleObject()->handle, h);
        EXPECT_EQ(bridge.count(61), 1);
        EXPECT_EQ(bridge.count(83), 0);
        // Creating again frees the old component first.
        scope.CreateInWindow(win());
        EXPECT_EQ(bridge.count(83), 1);
        EXPECT_NE(scope.GetHandleObject()->handle, h);
        // A scope inside another control.
        CTTZScope inner;
        inner.CreateInControl(scope);
        EXPECT_TRUE(inner.hasComponent());
        EXPECT_EQ(bridge.count(63), 1);
    }
    EXPECT_EQ(bridge.count(83), 3);  // each created component freed once
}

TEST_F(Binding, CopiedItemsAndWrappedHandlesNeverFreeWhatTheyDoNotOwn) {
    CTTZScope scope;
    scope.CreateInWindow(win());
    {
        CTTZScopeChannel item = scope.Channels->Item(0);
        const Reference data = item.Data->GetReference();
        ASSERT_NE(data, 0u);
        EXPECT_EQ(item.Data->GetReference(), data);  // the getter runs once
        EXPECT_EQ(bridge.count(0, "@Tzscope@TTZScopeChannel@GetVC_Data$qqrv"), 1);
        CTTZScopeChannel copy(item);
        EXPECT_STREQ(copy.Name.path().c_str(), "Channels.0.Name");
        EXPECT_EQ(copy.Name.owner(), &copy);  // members belong to the copy
        copy.Data->Clear();
        CTTZChannelData wrapped(data, false);
        CTTZChannelData copiedWrapper(wrapped);
        EXPECT_FALSE(copiedWrapper.GetHandleObject()->owned);
        EXPECT_EQ(copiedWrapper.GetReference(), data);
    }
    EXPECT_EQ(bridge.count(83), 0);
    {
        // An owned wrapper frees its handle once; its copy does not.
        CHXClassProperty owner(scope.GetHandleObject()->handle, true);
        CHXClassProperty copy(owner);
    }
    EXPECT_EQ(bridge.count(83), 1);
    scope.GetHandleObject()->owned = false;  // already freed above
}

TEST_F(Binding, AChildOfAWrappedHandleCountsItsPathFromThere) {
    CTTZScope scope;
    scope.CreateInWindow(win());
    CTTZDisplayTitle title(scope.Title.GetReference(), false);
    EXPECT_EQ(title.root(), nullptr);
    EXPECT_STREQ(title.Text.path().c_str(), "Text");
    EXPECT_EQ(title.Text.root(), &title);
    title.Text.Set("Direct");
    EXPECT_EQ(bridge.calls.back().name, "Text");
    EXPECT_EQ(bridge.calls.back().value, "Direct");
    // The same object reached from the scope: nothing is cached on the way.
    const int reads = bridge.count(109);
    scope.Title.GetReference();
    scope.Title.GetReference();
    EXPECT_EQ(bridge.count(109), reads + 2);
}

}  // namespace
