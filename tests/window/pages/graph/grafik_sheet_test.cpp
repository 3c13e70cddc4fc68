// A failing chart inside the whole sheet: the Graph page keeps its fault to
// itself, the other pages, the language switch and closing go on as usual.
#include <gtest/gtest.h>

#include <QTabWidget>

#include "window/sheet/sheet.h"
#include "window/pages/graph/grafik.h"
#include "window/pages/operation/betrieb.h"
#include "window/pages/settings/einstellungen.h"
#include "tests/bridge/recording_bridge.h"
#include "tests/support/qt_app.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(GraphInSheet, AFailingChartLeavesTheRestOfTheProgramAlone) {
    qv::test::qtApp();
    qv::test::TempCwd dir;
    dir.write("COM1", "not a terminal");  // no real port is touched
    dir.copyTexts(QV_RUN_DIR);
    qv::test::RecordingBridge bridge;
    bridge.rejectedPaths = {"YAxis.Max.Value"};
    std::uint32_t now = 1'000'000;
    auto sheet = std::make_unique<qv::window::CAllControlsSheet>([&] { return now; });
    sheet->show();
    sheet->tabs()->setCurrentIndex(3);
    qv::pages::CGrafik* graph = sheet->graphPage();
    EXPECT_EQ(graph->pageReady(), 1);
    EXPECT_TRUE(graph->chartFault().contains("Unable to set property : YAxis.Max.Value"));
    graph->OnPlotStart();
    for (int i = 0; i < 30; ++i) {
        now += 100;
        sheet->tick();
    }
    sheet->settingsPage()->onLanguageChanged(2);
    EXPECT_TRUE(graph->chartFault().startsWith("Le graphique n'est pas disponible."));
    sheet->tabs()->setCurrentIndex(2);
    EXPECT_TRUE(sheet->operationPage()->isVisible());
    sheet.reset();
    EXPECT_EQ(bridge.count(83), 1);  // the half set-up chart is still freed
}

}  // namespace
