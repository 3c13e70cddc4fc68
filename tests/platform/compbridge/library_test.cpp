// Our bridge library through its ordinals: packages and exports, handles,
// creation in a window, property paths with their failures, and what the
// Qt Charts scope draws.
#include <gtest/gtest.h>

#include <QLineSeries>
#include <QPointer>
#include <QValueAxis>
#include <QWidget>
#include <memory>

#include "bridge/imports.h"
#include "platform/compbridge/compbridge.h"
#include "platform/compbridge/tzscope.h"
#include "tests/support/qt_app.h"

using compbridge::Handle;
using compbridge::Reference;
using compbridge::host::TZScopeView;

namespace {

const compbridge::Imports& lib() { return compbridge::libraryImports(); }

template <class F>
F method(const char* package, const char* name) {
    return reinterpret_cast<F>(lib().methodAddress(lib().loadPackage(package), name));
}

struct Library : ::testing::Test {
    QApplication& app = qv::test::qtApp();
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    Handle scope = 0;
    Reference ref = 0;
    void SetUp() override {
        window->resize(600, 400);
        window->show();
        scope = lib().createInWindow(window.get(), "TTZScope", 0, 0, 1);
        ASSERT_NE(scope, 0u);
        ref = lib().controlReference(scope);
    }
    void TearDown() override {
        if (scope) lib().freeComponent(scope);
    }
    TZScopeView* view() const { return window->findChild<TZScopeView*>(); }
    Reference refOf(const char* path) const {
        std::uint32_t v = 0;
        return lib().getInteger(ref, path, &v) ? v : 0;
    }
};

TEST(LibraryPackages, FileNamesExportsAndOrdinals) {
    const auto m = lib().loadPackage("TrazorScopePkgCB6.bpl");
    EXPECT_NE(m, 0u);
    EXPECT_EQ(lib().loadPackage("trazorscopepkgcb6.BPL"), m);  // file names as the host compares them
    EXPECT_NE(lib().loadPackage("rtl60.bpl"), 0u);
    EXPECT_NE(lib().loadPackage("TrazorBasicPkgCB6.bpl"), m);
    EXPECT_EQ(lib().loadPackage("vcl60.bpl"), 0u);
    EXPECT_EQ(lib().loadPackage(nullptr), 0u);
    EXPECT_NE(lib().methodAddress(m, "@Tzscope@TTZChannelData@SetYData$qqrpfui"), nullptr);
    EXPECT_EQ(lib().methodAddress(m, "@Tzscope@TTZChannelData@SetYData$qqrpdui"), nullptr);
    EXPECT_EQ(lib().methodAddress(m, "@Classes@TCollection@Add$qqrv"), nullptr);  // in the runtime, not here
    EXPECT_EQ(lib().methodAddress(0, "@Tzscope@TTZChannelData@SetYData$qqrpfui"), nullptr);
    EXPECT_EQ(compbridge::ordinal(50), nullptr);
    EXPECT_EQ(lib().attachWindow(nullptr), 0);
    EXPECT_NE(lib().configured(), 0);
}

TEST_F(Library, CreationNeedsAWindowAndAKnownClass) {
    EXPECT_EQ(lib().createInWindow(nullptr, "TTZScope", 0, 0, 1), 0u);
    EXPECT_EQ(lib().createInWindow(window.get(), "TTZNoSuchClass", 0, 0, 1), 0u);
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(view()->parentWidget(), window.get());
    EXPECT_EQ(view()->geometry(), window->rect());  // fills its window, and follows it
    window->resize(700, 300);
    EXPECT_EQ(view()->size(), QSize(700, 300));
    EXPECT_NE(ref, scope);  // the handle is not the reference
    EXPECT_EQ(lib().controlReference(ref), 0u);
    // A scope inside a scope.
    const Handle inner = lib().createInControl(ref, "TTZScope", 0, 0, 1);
    EXPECT_NE(inner, 0u);
    EXPECT_EQ(lib().createInControl(scope, "TTZScope", 0, 0, 1), 0u);  // a handle is no reference
    EXPECT_EQ(lib().freeComponent(inner), 1);
}

TEST_F(Library, FreeingEndsTheComponentAndItsNumbers) {
    QPointer<TZScopeView> v = view();
    const Reference title = refOf("Title");
    ASSERT_NE(title, 0u);
    EXPECT_EQ(lib().freeComponent(scope), 1);
    EXPECT_FALSE(v);
    EXPECT_EQ(lib().freeComponent(scope), 0);  // once only
    EXPECT_EQ(lib().setText(ref, "Title.Text", "x"), 0);
    EXPECT_EQ(lib().setText(title, "Text", "x"), 0);
    // A new component gets new numbers: the old ones stay dead.
    const Handle again = lib().createInWindow(window.get(), "TTZScope", 0, 0, 1);
    EXPECT_NE(again, scope);
    EXPECT_EQ(lib().setText(ref, "Title.Text", "x"), 0);
    scope = again;
}

TEST_F(Library, AWindowDestroyedFirstLeavesTheComponentToBeFreed) {
    QPointer<TZScopeView> v = view();
    window.reset();
    EXPECT_FALSE(v);
    EXPECT_EQ(lib().setText(ref, "Title.Text", "still there"), 1);
    auto setY = method<void (*)(Reference, const float*, unsigned int)>("TrazorScopePkgCB6.bpl",
                                                                       "@Tzscope@TTZChannelData@SetYData$qqrpfui");
    const float y[] = {1, 2};
    setY(refOf("Channels.0"), y, 2);  // a channel is no data buffer: ignored
    EXPECT_EQ(lib().freeComponent(scope), 1);
    scope = 0;
}

TEST_F(Library, PathsTypesAndRanges) {
    EXPECT_EQ(lib().setText(ref, "Title.Text", "T"), 1);
    EXPECT_EQ(lib().setInteger(ref, "Title.Text", 1), 0);       // wrong type
    EXPECT_EQ(lib().setDouble(ref, "YAxis.Max.Value", 5.5), 1);
    EXPECT_EQ(lib().setInteger(ref, "YAxis.Max.Value", 5), 0);   // a double wants 103
    EXPECT_EQ(lib().setUnsigned(ref, "Channels.0.Color", 0x0000FF00), 1);
    EXPECT_EQ(lib().setInteger(ref, "Channels.0.Color", 5), 0);  // colours go through 101
    EXPECT_EQ(lib().setInteger(ref, "Legend.Visible", 1), 1);
    EXPECT_EQ(lib().setInteger(ref, "Legend.Visible", 2), 0);    // a Boolean is 0 or 1
    EXPECT_EQ(lib().setInteger(ref, "Channels.0.ChannelMode", 2), 1);
    EXPECT_EQ(lib().setInteger(ref, "Channels.0.ChannelMode", 3), 0);  // enumeration out of range
    EXPECT_EQ(lib().setDouble(ref, "YAxis.Min.Value", std::nan("")), 0);
    EXPECT_EQ(lib().setText(ref, "Title..Text", "T"), 0);
    EXPECT_EQ(lib().setText(ref, "Title.", "T"), 0);
    EXPECT_EQ(lib().setText(ref, "", "T"), 0);
    EXPECT_EQ(lib().setText(ref, nullptr, "T"), 0);
    EXPECT_EQ(lib().setText(ref, "Title.Text", nullptr), 0);
    EXPECT_EQ(lib().setText(ref, "Channels.1.Name", "none yet"), 0);
    EXPECT_EQ(lib().setText(ref, "Channels.+0.Name", "x"), 0);
    EXPECT_EQ(lib().setText(0, "Title.Text", "T"), 0);
    EXPECT_EQ(lib().setInteger(ref, "Channels.Count", 4), 0);    // read only
    std::uint32_t v = 0;
    EXPECT_EQ(lib().getInteger(ref, "Channels.Count", &v), 1);
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(lib().getInteger(ref, "Channels.0.Color", &v), 1);
    EXPECT_EQ(v, 0x0000FF00u);
    EXPECT_EQ(lib().getInteger(ref, "YAxis.Max.Value", &v), 0);  // not a 32-bit value
    EXPECT_EQ(lib().getInteger(ref, "Title.Text", nullptr), 0);
    // Adding an item through the runtime method.
    auto add = method<Reference (*)(Reference)>("rtl60.bpl", "@Classes@TCollection@Add$qqrv");
    const Reference channel = add(refOf("Channels"));
    EXPECT_NE(channel, 0u);
    EXPECT_EQ(refOf("Channels.1"), channel);
    EXPECT_EQ(add(ref), 0u);  // the scope is no collection
    EXPECT_EQ(lib().setText(channel, "Name", "Direct"), 1);
}

TEST_F(Library, TheScopeDrawsWhatItWasToldUnlessHeld) {
    auto add = method<Reference (*)(Reference)>("rtl60.bpl", "@Classes@TCollection@Add$qqrv");
    add(refOf("Channels"));
    add(refOf("YAxis.AdditionalAxes"));
    lib().setText(ref, "Title.Text", "Caf\xE9");
    lib().setText(ref, "YAxis.AxisLabel.Text", "Left");
    lib().setText(ref, "YAxis.AdditionalAxes.0.Axis.AxisLabel.Text", "Right");
    lib().setInteger(ref, "YAxis.AdditionalAxes.0.Axis.Format.Precision", 2);
    lib().setDouble(ref, "YAxis.Min.Value", -40);
    lib().setDouble(ref, "YAxis.Max.Value", 100);
    lib().setUnsigned(ref, "DataView.Background.Color", 0x00FFFFFF);
    lib().setUnsigned(ref, "Channels.1.Color", 0x0000FFFF);
    lib().setText(ref, "Channels.1.Name", "Second");
    auto setYAxis = method<void (*)(Reference, int)>("TrazorScopePkgCB6.bpl", "@Tzscope@TTZDisplayChannel@SetYAxisIndex$qqri");
    auto getData = method<Reference (*)(Reference)>("TrazorScopePkgCB6.bpl", "@Tzscope@TTZScopeChannel@GetVC_Data$qqrv");
    auto setY = method<void (*)(Reference, const float*, unsigned int)>("TrazorScopePkgCB6.bpl", "@Tzscope@TTZChannelData@SetYData$qqrpfui");
    auto clear = method<void (*)(Reference)>("TrazorScopePkgCB6.bpl", "@Tzscope@TTZChannelData@Clear$qqrv");
    auto hold = method<void (*)(Reference, bool)>("TrazorScopePkgCB6.bpl", "@Tzscope@TTZDataDisplay@SetHold$qqro");
    setYAxis(refOf("Channels.1"), 1);
    const Reference d0 = getData(refOf("Channels.0")), d1 = getData(refOf("Channels.1"));
    ASSERT_NE(d0, 0u);
    EXPECT_EQ(getData(ref), 0u);
    const float t[] = {10, 20, 30};
    const float q[] = {1, 2};
    setY(d0, t, 3);
    setY(d1, q, 2);
    setY(d1, nullptr, 5);  // no values: ignored
    TZScopeView* v = view();
    v->refresh();
    QChart* c = v->chart();
    EXPECT_EQ(c->title(), QString::fromUtf8("Café"));
    EXPECT_EQ(c->plotAreaBackgroundBrush().color(), QColor(Qt::white));
    ASSERT_EQ(v->seriesCount(), 2);
    EXPECT_EQ(v->series(0)->count(), 3);
    EXPECT_EQ(v->series(1)->count(), 2);
    EXPECT_EQ(v->series(1)->name(), "Second");
    EXPECT_EQ(v->series(1)->color(), QColor(255, 255, 0));
    EXPECT_TRUE(v->series(1)->attachedAxes().contains(v->yAxis(1)));
    EXPECT_EQ(v->yAxis(0)->titleText(), "Left");
    EXPECT_EQ(v->yAxis(1)->titleText(), "Right");
    EXPECT_EQ(v->yAxis(1)->labelFormat(), "%.2f");
    EXPECT_EQ(v->yAxis(0)->min(), -40);
    EXPECT_EQ(v->xAxis()->max(), 2);
    EXPECT_EQ(v->accessibleName(), QString::fromUtf8("Café"));

    // Held: new data waits until the hold ends.
    hold(ref, true);
    clear(d0);
    v->refresh();
    EXPECT_EQ(v->series(0)->count(), 3);
    hold(ref, false);
    v->refresh();
    EXPECT_EQ(v->series(0)->count(), 0);

    // Without auto scaling the limits stay, data beyond them or not.
    const float hot[] = {150, 20};
    setY(d0, hot, 2);
    v->refresh();
    EXPECT_EQ(v->yAxis(0)->max(), 100);
    // With it, the limits are the least range and grow to a whole tick to
    // take the data in; an additional axis scales itself by default.
    lib().setInteger(ref, "YAxis.AutoScaling.Enabled", 1);
    lib().setDouble(ref, "YAxis.AdditionalAxes.0.Axis.Max.Value", 10);
    const float flows[] = {0.5f, 17.6f};
    setY(d1, flows, 2);
    v->refresh();
    EXPECT_EQ(v->yAxis(0)->min(), -40);
    EXPECT_GE(v->yAxis(0)->max(), 150);
    EXPECT_LT(v->yAxis(0)->max(), 200);
    EXPECT_EQ(v->yAxis(1)->min(), 0);
    EXPECT_EQ(v->yAxis(1)->max(), 20);
    // A limit asked to follow the data fits it exactly.
    lib().setInteger(ref, "YAxis.Max.AutoScale", 1);
    setY(d0, t, 3);
    v->refresh();
    EXPECT_EQ(v->yAxis(0)->max(), 30);
    EXPECT_EQ(v->yAxis(0)->min(), -40);
}

}  // namespace
