// The Graph page offscreen on our own bridge library, with a recorder in
// front of it: the set-up the page performs, the curves it hands over, the
// language switch, Clear, destruction, and a chart that fails.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QLineSeries>
#include <QValueAxis>
#include <QLegendMarker>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <filesystem>
#include <memory>

#include "core/text/settings.h"
#include "window/pages/graph/grafik.h"
#include "platform/compbridge/tzscope.h"
#include "tests/bridge/recording_bridge.h"
#include "tests/support/qt_app.h"
#include "tests/support/temp_dir.h"

using qv::pages::CGrafik;
using qv::test::BridgeCall;
using compbridge::host::TZScopeView;

namespace {

struct GraphPage : ::testing::Test {
    qv::test::TempCwd dir;
    qv::text::AppSettings settings;
    std::unique_ptr<qv::test::RecordingBridge> bridge = std::make_unique<qv::test::RecordingBridge>();
    std::unique_ptr<CGrafik> page;

    void SetUp() override {
        qv::test::qtApp();
        qv::test::fakeDialogs().boxes.clear();
        for (const char* lang : {"de", "en", "fr"}) {
            dir.write(std::string("Grafik_labels_") + lang + ".txt",
                      std::string("#1131\r\nStart ") + lang + "\r\n#1950\r\nNo chart (" + lang + ").\r\n");
            dir.write(std::string("Grafik_hilfe_") + lang + ".txt", "#1130\r\nThe chart.\r\n\r\n");
        }
        qv::text::setProgramDir(settings, dir.path.string() + "/");
    }
    void TearDown() override {
        page.reset();
        bridge.reset();
    }
    void show(int language = 0) {
        settings.language = language;
        page = std::make_unique<CGrafik>(&settings);
        page->resize(900, 620);
        page->show();
    }
    TZScopeView* view() const { return page->chartFrame()->findChild<TZScopeView*>(); }
    TZScopeView* refreshed() const {
        TZScopeView* v = view();
        if (v) v->refresh();
        return v;
    }
    static qv::protocol::MeasurementRecord record(float t, float q, const char* tu = "\xB0" "C", const char* qu = "m3/h") {
        qv::protocol::MeasurementRecord r;
        r.temperature = t;
        r.volumeFlow = q;
        r.temperatureUnit = tu;
        r.volumeFlowUnit = qu;
        return r;
    }
};

TEST_F(GraphPage, SetUpIsTheTableInOrder) {
    show(0);
    ASSERT_EQ(page->pageReady(), 1);
    const std::vector<BridgeCall> expected = {
        {52, "", ""},
        {61, "TTZScope", "0,0,1"},
        {0, "@Classes@TCollection@Add$qqrv", ""},
        {98, "Channels.0.Name", "Temperatur"},
        {98, "Channels.1.Name", "Volumenstrom"},
        {98, "Title.Text", "Temperatur/Volumenstrom"},
        {0, "@Tzscope@TTZDataChart@SetRefreshInterval$qqrui", "100"},
        {99, "Legend.Visible", "1"},
        {99, "Legend.MarkerGroups.Visible", "0"},
        {101, "DataView.Background.Color", "0x00FFFFFF"},
        {99, "YAxis.AutoScaling.Enabled", "1"},
        {103, "YAxis.Max.Value", "100"},
        {103, "YAxis.Min.Value", "-40"},
        {99, "YAxis.Format.Precision", "1"},
        {0, "@Classes@TCollection@Add$qqrv", ""},
        {103, "YAxis.AdditionalAxes.0.Axis.Max.Value", "10"},
        {103, "YAxis.AdditionalAxes.0.Axis.Min.Value", "0"},
        {99, "YAxis.AdditionalAxes.0.Axis.Format.FixedPrecision", "1"},
        {99, "YAxis.AdditionalAxes.0.Axis.Format.Precision", "2"},
        {0, "@Tzscope@TTZDisplayChannel@SetYAxisIndex$qqri", "0"},
        {0, "@Tzscope@TTZDisplayChannel@SetYAxisIndex$qqri", "1"},
        {98, "YAxis.AxisLabel.Text", "Temperatur"},
        {98, "YAxis.AdditionalAxes.0.Axis.AxisLabel.Text", "Volumenstrom"},
        {98, "XAxis.AxisLabel.Text", "Messwert"},
        {101, "Channels.1.Color", "0x0000FFFF"},
        {0, "@Tzcomponentcollection@TTZCustomControlItem@SetIndex$qqri", "1"},
        {145, "", ""},
    };
    EXPECT_EQ(bridge->effects(), expected);
    EXPECT_TRUE(page->chartFault().isEmpty());

    // What the chart then shows: two curves against two Y axes, white data view.
    TZScopeView* v = refreshed();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->chart()->title(), "Temperatur/Volumenstrom");
    EXPECT_TRUE(v->chart()->legend()->isVisible());
    ASSERT_EQ(v->seriesCount(), 2);
    EXPECT_EQ(v->series(1)->color(), QColor(255, 255, 0));
    EXPECT_EQ(v->yAxis(0)->min(), -40);
    EXPECT_EQ(v->yAxis(0)->max(), 100);
    EXPECT_EQ(v->yAxis(1)->max(), 10);
    EXPECT_EQ(v->yAxis(0)->alignment(), Qt::AlignLeft);
    EXPECT_EQ(v->yAxis(1)->alignment(), Qt::AlignRight);
    EXPECT_EQ(v->series(1)->attachedAxes().contains(v->yAxis(1)), true);
    EXPECT_EQ(v->xAxis()->titleText(), "Messwert");
}

TEST_F(GraphPage, FrenchTextsGoOutInTheCodePage) {
    show(2);
    EXPECT_EQ(bridge->count(98, "Title.Text"), 1);
    bool found = false;
    for (const auto& c : bridge->calls)
        if (c.ordinal == 98 && c.name == "Title.Text") found = c.value == "Temp\xE9rature/D\xE9" "bit Volum\xE9trique";
    EXPECT_TRUE(found);
    EXPECT_EQ(refreshed()->chart()->title(), QString::fromUtf8("Température/Débit Volumétrique"));
}

TEST_F(GraphPage, SamplesGrowTheCurvesUpTo2000) {
    show(0);
    bridge->calls.clear();
    page->OnPlotStart();
    page->AddSample(record(21.5f, 3.25f));
    // The first sample: one point per curve, at once, units in the axis titles.
    const std::vector<BridgeCall> expected = {
        {98, "YAxis.AxisLabel.Text", "Temperatur [\xB0" "C]"},
        {98, "YAxis.AdditionalAxes.0.Axis.AxisLabel.Text", "Volumenstrom [m3/h]"},
        {99, "XAxis.Format.FixedPrecision", "0"},
        {99, "XAxis.Format.Precision", "0"},
        {103, "YAxis.AdditionalAxes.0.Axis.Min.Value", "0"},
        {0, "@Tzscope@TTZScopeChannel@GetVC_Data$qqrv", ""},
        {0, "@Tzscope@TTZChannelData@SetYData$qqrpfui", "1,last=21.5"},
        {0, "@Tzscope@TTZScopeChannel@GetVC_Data$qqrv", ""},
        {0, "@Tzscope@TTZChannelData@SetYData$qqrpfui", "1,last=3.25"},
    };
    EXPECT_EQ(bridge->effects(), expected);
    TZScopeView* v = refreshed();
    EXPECT_EQ(v->series(0)->count(), 1);
    EXPECT_EQ(v->series(1)->count(), 1);
    EXPECT_TRUE(v->series(0)->pointsVisible());  // a lone point is shown as a dot
    EXPECT_EQ(v->yAxis(0)->titleText(), QString::fromUtf8("Temperatur [°C]"));
    EXPECT_EQ(v->yAxis(1)->titleText(), "Volumenstrom [m3/h]");

    // Stop and start again by the buttons: the curves go on where they
    // ended, and the button that would change nothing is off.
    auto* start = qobject_cast<QPushButton*>(page->control(CGrafik::PlotStart));
    auto* stop = qobject_cast<QPushButton*>(page->control(CGrafik::PlotStop));
    ASSERT_TRUE(start && stop);
    EXPECT_FALSE(start->isEnabled());
    EXPECT_TRUE(stop->isEnabled());
    QTest::mouseClick(stop, Qt::LeftButton);
    EXPECT_FALSE(page->plotRunning());
    EXPECT_TRUE(start->isEnabled());
    EXPECT_FALSE(stop->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_TRUE(page->plotRunning());
    page->AddSample(record(22, 3.5f));
    EXPECT_EQ(refreshed()->series(0)->count(), 2);
    EXPECT_EQ(v->series(0)->at(1).y(), 22);
    EXPECT_FALSE(v->series(0)->pointsVisible());

    // The 2000th sample is the last drawn; the count goes on.
    for (int i = 2; i < 2000; ++i) page->AddSample(record(static_cast<float>(i), 1));
    bridge->calls.clear();
    page->AddSample(record(-5, 9));
    page->AddSample(record(-6, 9));
    EXPECT_TRUE(bridge->effects().empty());
    EXPECT_EQ(page->sampleCount(), 2002);
    EXPECT_EQ(refreshed()->series(0)->count(), 2000);
    EXPECT_EQ(v->series(0)->at(1999).y(), 1999);
    EXPECT_EQ(v->xAxis()->max(), 1999);
    // Data handed over once each: the buffers are looked up only at the first sample.
    bridge->calls.clear();
    page->OnClear();
    EXPECT_EQ(bridge->count(0, "@Tzscope@TTZScopeChannel@GetVC_Data$qqrv"), 0);
}

// The faults: offscreen one NaN or infinite reading blanked the whole chart
// until Clear, and one huge reading stretched the axes so far that nothing
// later could be seen. Now a reading that is no number leaves a gap, a huge
// one is drawn off the scale, and the axes stay on the rest.
TEST_F(GraphPage, BadReadingsLeaveGapsAndTheAxesOnTheRest) {
    show(0);
    page->OnPlotStart();
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float temps[] = {20, 21, nan, 22, 23, inf, 24, 3e38f, 25, 26};
    const float flows[] = {2, 2.5f, 3, -inf, 3.5f, 4, nan, 4.5f, 3e38f, 5};
    for (int k = 0; k < 10; ++k) page->AddSample(record(temps[k], flows[k]));
    EXPECT_EQ(bridge->effects().back().value, "10,last=5");  // all handed over
    TZScopeView* v = refreshed();
    EXPECT_EQ(v->yAxis(0)->min(), -40);
    EXPECT_EQ(v->yAxis(0)->max(), 100);
    EXPECT_EQ(v->yAxis(1)->max(), 10);
    EXPECT_EQ(v->xAxis()->max(), 9);
    // Sample numbers are ticked at whole, round numbers: 0, 2, 4, 6, 8.
    EXPECT_EQ(v->xAxis()->tickAnchor(), 0);
    EXPECT_EQ(v->xAxis()->tickInterval(), 2);
    EXPECT_EQ(v->xAxis()->labelFormat(), "%.0f");
    // Three stretches per curve; the huge values drawn beyond their axes.
    // The yellow ones, pale on white, lie on dark edges; the red ones need none.
    const auto redEdges = v->edges(0), yellowEdges = v->edges(1);
    ASSERT_EQ(redEdges.size(), 3u);
    ASSERT_EQ(yellowEdges.size(), 3u);
    for (auto* e : redEdges) EXPECT_FALSE(e->isVisible());
    for (auto* e : yellowEdges) {
        EXPECT_TRUE(e->isVisible());
        EXPECT_LT(e->color().lightness(), 60);
        EXPECT_GT(e->pen().widthF(), v->series(1)->pen().widthF());
    }
    EXPECT_EQ(yellowEdges[0]->points(), v->series(1)->points());
    const auto all = v->chart()->series();
    EXPECT_EQ(all.size(), 12);
    int points = 0;
    for (auto* s : all) {
        auto* line = static_cast<QLineSeries*>(s);
        if (std::count(redEdges.begin(), redEdges.end(), line) || std::count(yellowEdges.begin(), yellowEdges.end(), line))
            continue;
        points += static_cast<int>(line->count());
        for (const QPointF& p : line->points()) EXPECT_TRUE(std::isfinite(p.y()));
    }
    EXPECT_EQ(points, 16);
    EXPECT_EQ(v->series(0)->count(), 2);
    for (auto* m : v->chart()->legend()->markers())  // one legend entry per curve
        if (m->series() != v->series(0) && m->series() != v->series(1)) {
            EXPECT_FALSE(m->isVisible());
        }
    auto colourCount = [](const QImage& img, QColor want) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                n += std::abs(c.red() - want.red()) < 40 && std::abs(c.green() - want.green()) < 40 &&
                     std::abs(c.blue() - want.blue()) < 40;
            }
        return n;
    };
    QApplication::processEvents();  // the chart lays itself out
    const QImage before = page->grab().toImage();
    EXPECT_GT(colourCount(before, v->series(0)->color()), 20);  // drawn, not blank
    EXPECT_GT(colourCount(before, v->series(1)->color()), 20);
    if (const char* dir = std::getenv("QV_SHOTS")) before.save(QString::fromLocal8Bit(dir) + "/graph-bad-readings.png");
    // Later samples keep being drawn.
    for (int k = 0; k < 10; ++k) page->AddSample(record(60.0f + k, 8));
    refreshed();
    QApplication::processEvents();
    const QImage after = page->grab().toImage();
    EXPECT_GT(colourCount(after, v->series(0)->color()), colourCount(before, v->series(0)->color()) + 20);
}

TEST_F(GraphPage, ClearEmptiesTheCurvesAndLeavesThePageIdle) {
    show(0);
    page->OnPlotStart();
    for (int i = 0; i < 10; ++i) page->AddSample(record(20, 2));
    bridge->calls.clear();
    page->OnClear();
    const std::vector<BridgeCall> expected = {
        {0, "@Tzscope@TTZChannelData@Clear$qqrv", ""},
        {0, "@Tzscope@TTZChannelData@Clear$qqrv", ""},
        {0, "@Tzscope@TTZDataDisplay@SetHold$qqro", "false"},
    };
    EXPECT_EQ(bridge->effects(), expected);
    EXPECT_FALSE(page->plotRunning());
    EXPECT_EQ(page->sampleCount(), 0);
    EXPECT_EQ(refreshed()->series(0)->count(), 0);
    // Plot Start has to be pressed again; then the curve starts afresh.
    page->OnPlotStart();
    page->AddSample(record(30, 4));
    EXPECT_EQ(refreshed()->series(0)->count(), 1);
    EXPECT_EQ(view()->series(0)->at(0).y(), 30);
}

TEST_F(GraphPage, LanguageSwitchDropsTheUnitsUntilTheNextSample) {
    settings.language = 1;
    // Before the page was shown a switch changes nothing on it.
    page = std::make_unique<CGrafik>(&settings);
    page->UpdateLanguage();
    EXPECT_TRUE(bridge->calls.empty());
    page->show();
    page->OnPlotStart();
    page->AddSample(record(20, 2));
    settings.language = 0;
    bridge->calls.clear();
    page->UpdateLanguage();
    const std::vector<BridgeCall> expected = {
        {98, "YAxis.AxisLabel.Text", "Temperatur"},
        {98, "YAxis.AdditionalAxes.0.Axis.AxisLabel.Text", "Volumenstrom"},
        {98, "XAxis.AxisLabel.Text", "Messwert"},
        {98, "Title.Text", "Temperatur/Volumenstrom"},
        {98, "Channels.0.Name", "Temperatur"},
        {98, "Channels.1.Name", "Volumenstrom"},
    };
    EXPECT_EQ(bridge->effects(), expected);
    TZScopeView* v = refreshed();
    EXPECT_EQ(v->yAxis(0)->titleText(), "Temperatur");
    EXPECT_EQ(v->series(1)->name(), "Volumenstrom");
    page->AddSample(record(20, 2, "\xB0" "F", "l/min"));
    EXPECT_EQ(refreshed()->yAxis(0)->titleText(), QString::fromUtf8("Temperatur [°F]"));
    EXPECT_EQ(v->yAxis(1)->titleText(), "Volumenstrom [l/min]");
}

TEST_F(GraphPage, LanguageOutsideTheTableSetsNoNamesAndShowsUnitsAlone) {
    dir.write("QV-GUI.ini", "[DATEN]\r\nLANGUAGE=5\r\n");
    show(5);
    EXPECT_EQ(page->tabTitle(), "");
    // No label or help file is read: the captions stay, and nothing is missed.
    EXPECT_EQ(page->controlText(CGrafik::PlotStart), "Plot Start");
    EXPECT_TRUE(qv::test::fakeDialogs().boxes.empty());
    EXPECT_EQ(bridge->count(98, "Title.Text"), 0);
    EXPECT_EQ(bridge->count(98, "Channels.0.Name"), 0);
    page->OnPlotStart();
    page->AddSample(record(20, 2));
    EXPECT_EQ(refreshed()->yAxis(0)->titleText(), QString::fromUtf8("[°C]"));
    EXPECT_TRUE(page->chartFault().isEmpty());
}

TEST_F(GraphPage, DestructionFreesTheComponentOnceAfterItsWindow) {
    show(0);
    QPointer<TZScopeView> v = view();
    ASSERT_TRUE(v);
    bridge->calls.clear();
    page.reset();
    EXPECT_FALSE(v);
    EXPECT_EQ(bridge->count(83), 1);
}

// A chart that fails is the page's own business: the frame says so, the
// page and its buttons keep working and nothing escapes to the event loop.
TEST_F(GraphPage, ARejectedPropertyShowsAFaultInTheFrame) {
    bridge->rejectedPaths = {"Title.Text"};
    show(0);
    EXPECT_EQ(page->pageReady(), 1);
    EXPECT_TRUE(page->chartFault().contains("Unable to set property : Title.Text"));
    EXPECT_TRUE(page->chartFault().contains("No chart (de)."));
    EXPECT_EQ(bridge->count(145), 0);  // the set-up stopped at the fault
    bridge->calls.clear();
    page->controlAs<QAbstractButton>(CGrafik::PlotStart)->click();
    EXPECT_TRUE(page->plotRunning());
    page->AddSample(record(20, 2));
    EXPECT_EQ(page->sampleCount(), 1);
    page->UpdateLanguage();
    page->controlAs<QAbstractButton>(CGrafik::Clear)->click();
    EXPECT_EQ(page->sampleCount(), 0);
    EXPECT_TRUE(bridge->effects().empty());  // no more attempts on a broken chart
    settings.language = 1;
    page->UpdateLanguage();
    page->reloadTexts();
    EXPECT_TRUE(page->chartFault().startsWith("No chart (en)."));
}

TEST_F(GraphPage, AChartThatCannotBeCreatedShowsAFault) {
    bridge->failCreate = true;
    show(1);
    EXPECT_EQ(page->pageReady(), 1);
    EXPECT_EQ(view(), nullptr);
    EXPECT_TRUE(page->chartFault().contains("Unable to create component : TTZScope"));
    page->OnPlotStart();
    page->AddSample(record(20, 2));
    EXPECT_EQ(page->sampleCount(), 1);
    page.reset();
    EXPECT_EQ(bridge->count(83), 0);  // nothing was created, nothing to free
}

TEST_F(GraphPage, AFaultWhilePlottingKeepsCounting) {
    show(0);
    page->OnPlotStart();
    bridge->rejectedPaths = {"XAxis.Format.Precision"};
    page->AddSample(record(20, 2));
    EXPECT_TRUE(page->chartFault().contains("Unable to set property : XAxis.Format.Precision"));
    page->AddSample(record(21, 2));
    EXPECT_EQ(page->sampleCount(), 2);
}

}  // namespace

// Zoom, cursor and export while the poll goes on, by the keys a user
// presses: a zoomed range that ends at the newest sample moves on with it,
// one moved back stays, Home shows all and follows again; the cursor names
// each curve's value at its sample; the export holds every plotted sample
// as the chart has it. The calls the page makes are those it made before.
TEST_F(GraphPage, ZoomsShowsACursorAndExportsWhileSamplesArrive) {
    show(0);
    page->OnPlotStart();
    for (int i = 0; i < 100; ++i) page->AddSample(record(20.0f + i * 0.5f, static_cast<float>(i)));
    TZScopeView* v = refreshed();
    ASSERT_TRUE(v);
    v->setFocus();
    for (int i = 0; i < 3; ++i) QTest::keyClick(v, Qt::Key_Plus);
    ASSERT_TRUE(v->zoomed());
    const double span = v->xAxis()->max() - v->xAxis()->min();
    EXPECT_LT(span, 40);
    EXPECT_LT(v->xAxis()->max(), 99);  // around the middle
    QTest::keyClick(v, Qt::Key_End);
    EXPECT_DOUBLE_EQ(v->xAxis()->max(), 99);  // the newest
    for (int i = 100; i < 110; ++i) page->AddSample(record(20.0f + i * 0.5f, static_cast<float>(i)));
    v->refresh();
    EXPECT_DOUBLE_EQ(v->xAxis()->max(), 109);  // followed the newest
    EXPECT_NEAR(v->xAxis()->max() - v->xAxis()->min(), span, 1e-9);
    for (int i = 0; i < 5; ++i) QTest::keyClick(v, Qt::Key_Left, Qt::ControlModifier);
    const double kept = v->xAxis()->max();
    EXPECT_LT(kept, 109);
    page->AddSample(record(80.0f, 110.0f));
    v->refresh();
    EXPECT_DOUBLE_EQ(v->xAxis()->max(), kept);  // looked back at: stays
    QTest::keyClick(v, Qt::Key_Right);
    QTest::keyClick(v, Qt::Key_Right);
    const int at = v->cursorSample();
    ASSERT_GE(at, 0);
    EXPECT_EQ(v->cursorText(), QString("Messwert %1 · Temperatur: %2 · Volumenstrom: %3")
                                   .arg(at).arg(20.0 + at * 0.5, 0, 'f', 2).arg(static_cast<double>(at), 0, 'f', 3));
    QTest::keyClick(v, Qt::Key_Home);
    EXPECT_FALSE(v->zoomed());
    EXPECT_DOUBLE_EQ(v->xAxis()->max(), 110);

    ASSERT_TRUE(page->exportCurves(QString::fromStdString((dir.path / "curves.csv").string())));
    const std::string csv = dir.read("curves.csv");
    EXPECT_EQ(csv.rfind("sample,time,temperature [\u00b0C],volume flow [m3/h]\n", 0), 0u) << csv.substr(0, 80);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 112);
    EXPECT_NE(csv.find(",20.5,1\n"), std::string::npos);
    EXPECT_NE(csv.find("110,"), std::string::npos);
    ASSERT_TRUE(page->exportCurves(QString::fromStdString((dir.path / "curves.png").string())));
    EXPECT_EQ(dir.read("curves.png").substr(0, 4), "\x89PNG");
    // A folder where the file would go: told, nothing claimed.
    std::filesystem::create_directory(dir.path / "taken.csv");
    EXPECT_FALSE(page->exportCurves(QString::fromStdString((dir.path / "taken.csv").string())));
    EXPECT_EQ(qv::test::fakeDialogs().boxes.size(), 1u);
}
