#include <gtest/gtest.h>

#include <QLabel>
#include <QTabWidget>

#include "window/sheet/sheet.h"
#include "window/pages/operation/betrieb.h"
#include "window/pages/settings/einstellungen.h"
#include "tests/support/qt_app.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

using qv::pages::CBetrieb;
using qv::pages::Einstellungen;

TEST(SheetOverPty, ShowsTheMeterAndItsMeasurements) {
    qv::test::qtApp();
    qv::test::TempCwd dir;
    qv::test::SimProcess sim((dir.path / "COM1").string(), {"--model", "17", "--version", "3.05"});
    ASSERT_TRUE(sim.linked());
    std::uint32_t now = 1'000'000;
    qv::window::CAllControlsSheet sheet([&] { return now; });
    sheet.show();
    sheet.waitForLine();  // the identification
    auto* settings = sheet.settingsPage();
    EXPECT_TRUE(settings->isControlVisible(Einstellungen::GreenLamp));
    EXPECT_FALSE(settings->isControlVisible(Einstellungen::RedLamp));
    EXPECT_EQ(settings->controlText(Einstellungen::Hardware), "KT740-GX-M1P2S1");
    EXPECT_EQ(settings->controlText(Einstellungen::Software), " 3.05");
    EXPECT_EQ(sheet.settings().deviceCode, 17);
    EXPECT_EQ(sheet.settings().deviceFamily, 1);

    sheet.tabs()->setCurrentIndex(2);
    auto* operation = sheet.operationPage();
    EXPECT_FALSE(operation->recordStartEnabled());
    // Ticks as the timer gives them; each exchange takes its real time on the line.
    for (int i = 0; i < 11; ++i, now += 100) sheet.tick();
    EXPECT_TRUE((sheet.session().pollStep() == 0));
    EXPECT_EQ(operation->deviceCode(), 17);
    EXPECT_FALSE(operation->controlText(CBetrieb::ActVelocity).isEmpty());
    EXPECT_EQ(operation->controlText(CBetrieb::VelocityUnit), "m/s");
    EXPECT_EQ(operation->controlText(CBetrieb::TemperatureUnit), QString::fromUtf8("\u00b0C"));
    EXPECT_TRUE(operation->recordStartEnabled());
}
