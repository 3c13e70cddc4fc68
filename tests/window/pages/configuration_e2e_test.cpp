// The parameter set end to end: the simulator on a real pseudo terminal, the
// sheet offscreen, a changed set written for a model of each family and read
// back, and a write the check refuses.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <cstdlib>
#include <regex>
#include <filesystem>

#include "window/sheet/sheet.h"
#include "window/pages/configuration/konfiguration.h"
#include "core/params/parameters.h"
#include "sim/meter.h"
#include "tests/support/qt_app.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

using qv::pages::CKonfiguration;
using namespace qv::params;
namespace fs = std::filesystem;

namespace {

struct ConfigurationOverPty : ::testing::TestWithParam<int> {
    qv::test::TempCwd dir;
    qv::test::FakeDialogs& dialogs = qv::test::fakeDialogs();

    void SetUp() override {
        qv::test::qtApp();
        dialogs.boxes.clear();
        // The installed German texts beside the program, as after installation.
        for (const auto& e : fs::directory_iterator(QV_RUN_DIR))
            if (e.path().extension() == ".txt") fs::copy_file(e.path(), dir.path / e.path().filename());
    }
    static void choose(CKonfiguration* page, int id, int index) {
        auto* c = page->controlAs<QComboBox>(id);
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
    static void type(CKonfiguration* page, int id, const char* text) {
        auto* e = page->controlAs<QLineEdit>(id);
        e->setText(QString::fromLatin1(text));
        emit e->textEdited(e->text());
    }
    qv::window::CAllControlsSheet* sheet = nullptr;
    void click(CKonfiguration* page, int id) {
        page->controlAs<QPushButton>(id)->click();
        sheet->waitForLine();
    }
    static void settle(CKonfiguration* page) {
        while (page->settleCountdown() > 0) page->settleTick();
    }
    static bool anyChangedMarker(CKonfiguration* page) {
        for (const auto& r : rows())
            if (page->isControlVisible(r.changedMarker)) return true;
        return false;
    }
};

}  // namespace

TEST_P(ConfigurationOverPty, ChangedSetWrittenAndReadBack) {
    const int code = GetParam();
    const int family = (code - 1) / 15;
    qv::test::SimProcess sim((dir.path / "COM1").string(), {"--model", std::to_string(code)});
    ASSERT_TRUE(sim.linked());
    std::uint32_t now = 1'000'000;  // a clock that stands still: no poll in between
    qv::window::CAllControlsSheet sheet([&] { return now; });
    sheet.show();
    sheet.waitForLine();  // the identification
    this->sheet = &sheet;
    ASSERT_EQ(sheet.settings().deviceFamily, family);
    sheet.tabs()->setCurrentIndex(1);
    auto* page = sheet.configurationPage();
    ASSERT_EQ(page->pageReady(), 1);

    click(page, ReadButton);
    ASSERT_EQ(page->selectedCode(), code);
    EXPECT_EQ(page->checkConfiguration(code), 1) << "the meter's factory set passes";
    settle(page);

    choose(page, Language, 0);
    choose(page, TemperatureUnit, 2);  // K
    type(page, TempStart, "250");
    type(page, TempEnd, "390.5");
    type(page, TValue, family == 1 ? "321" : "77");
    type(page, CValue, family == 1 ? "654" : "1234");
    type(page, MeasuringTime, "12");
    type(page, MultFactor, "0,75");
    type(page, Gk1On, "1.25");
    if (family == 1) {
        choose(page, Medium, 5);
        type(page, Pressure, "7.5");
        choose(page, Mode, 0);
    }
    if (family == 2) choose(page, TpFitting, 2);
    EXPECT_TRUE(anyChangedMarker(page));
    settle(page);
    const ControlValues wanted = [&] {
        page->checkConfiguration(code);  // cleans the texts as the write will
        settle(page);
        return page->values();
    }();

    dialogs.boxes.clear();
    click(page, WriteButton);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, page->texts().messageLine(CKonfiguration::kMsgWritten, 0));
    // What was acknowledged reads back byte for byte, and the page now equals the meter.
    ASSERT_TRUE(page->readBackOffered());
    click(page, CKonfiguration::kReadBackButton);
    EXPECT_TRUE(page->differenceLines().value(0).startsWith("Verifiziert")) << page->differenceLines().join('|').toStdString();
    click(page, CKonfiguration::kCompareMeterButton);
    EXPECT_EQ(page->differenceLines().value(1), "Keine Unterschiede.");

    click(page, ClearButton);
    settle(page);
    click(page, ReadButton);
    const ControlValues back = page->values();
    EXPECT_EQ(back.index, wanted.index);
    for (const auto& [id, text] : wanted.text)
        EXPECT_EQ(textToFloat(back.txt(id)), textToFloat(text)) << id << " " << back.txt(id) << " / " << text;
    EXPECT_EQ(page->controlText(TempEndUnit), "K");
    EXPECT_FALSE(anyChangedMarker(page));

    // A set the check refuses is never sent: the meter keeps what it has.
    settle(page);
    type(page, TValue, "");
    dialogs.boxes.clear();
    click(page, WriteButton);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, page->texts().messageLine(CKonfiguration::kMsgCheckFailed, 0));
    EXPECT_TRUE(page->isControlVisible(1035));
    settle(page);
    click(page, ReadButton);
    EXPECT_EQ(page->controlAs<QLineEdit>(TValue)->text().trimmed(), family == 1 ? "321" : "77");
}

INSTANTIATE_TEST_SUITE_P(EachFamily, ConfigurationOverPty, ::testing::Values(12, 27, 42));

// A meter whose stored set differs from the factory one in one byte, and
// which stores another byte than it acknowledges: the compare names the
// first, the read-back the second; neither touches the page's values.
TEST_F(ConfigurationOverPty, CompareFindsPlantedByteAndReadBackFindsStoreFault) {
    qv::test::SimProcess sim((dir.path / "COM1").string(),
                             {"--model", "12", "--plant", "58=77", "--store-fault", "17"});
    ASSERT_TRUE(sim.linked());
    std::uint32_t now = 1'000'000;
    qv::window::CAllControlsSheet sheet([&] { return now; });
    sheet.show();
    sheet.waitForLine();
    this->sheet = &sheet;
    sheet.tabs()->setCurrentIndex(1);
    auto* page = sheet.configurationPage();
    choose(page, Model, 12);
    const auto factory = qv::sim::factoryBlock(0);
    page->setValues(decodeBlock(0, factory.data(), factory.size()));
    settle(page);
    const ControlValues before = page->values();

    click(page, CKonfiguration::kCompareMeterButton);
    const QStringList lines = page->differenceLines();
    ASSERT_EQ(lines.size(), 2) << lines.join('|').toStdString();
    EXPECT_EQ(lines[1], QString::fromUtf8("Messzeit: %1 s \u2194 77 s").arg(before.txt(MeasuringTime).c_str()).simplified());
    for (const auto& r : rows())
        EXPECT_EQ(page->isControlVisible(CKonfiguration::compareMarker(r.control)), r.control == MeasuringTime) << r.control;
    EXPECT_EQ(page->values().text, before.text);
    EXPECT_TRUE(page->readValues().index.empty() && page->readValues().number.empty());

    EXPECT_FALSE(page->readBackOffered());
    click(page, WriteButton);
    ASSERT_TRUE(page->readBackOffered());
    click(page, CKonfiguration::kReadBackButton);
    const QStringList back = page->differenceLines();
    ASSERT_EQ(back.size(), 2) << back.join('|').toStdString();
    EXPECT_TRUE(back[0].startsWith("Nicht verifiziert"));
    EXPECT_TRUE(back[1].startsWith("Displ. Beleucht.: ")) << back[1].toStdString();
    EXPECT_TRUE(page->isControlVisible(CKonfiguration::compareMarker(Backlight)));

    // The service report as PDF, its text taken out again with pdftotext.
    // Named without an extension: it gets ".pdf". The note is long, with a
    // direction override in it, and is printed whole, in its order.
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "report").string()));
    QString note = QString::fromUtf8("Pumpe 3 gepr\u00fcft \u202E");
    for (int i = 0; note.size() < 3000; ++i) note += QStringLiteral("Wort%1 ").arg(i);
    note += QStringLiteral("ENDE");
    ASSERT_TRUE(sheet.saveServiceReport(note));
    ASSERT_EQ(std::system(("pdftotext -layout '" + (dir.path / "report.pdf").string() + "' '" +
                           (dir.path / "report.txt").string() + "'").c_str()), 0);
    const std::string text = dir.read("report.txt");
    EXPECT_NE(text.find("KT740-M1D4A1S1"), std::string::npos) << text;
    EXPECT_NE(text.find("Messzeit"), std::string::npos);
    EXPECT_TRUE(std::regex_search(text, std::regex("Messzeit +" + QString::fromStdString(before.txt(MeasuringTime)).trimmed().toStdString() + " ?s\n")))
        << text;
    EXPECT_NE(text.find("Pumpe 3 gepr\u00fcft"), std::string::npos);
    EXPECT_NE(text.find("ENDE"), std::string::npos) << "the whole note";
    EXPECT_EQ(text.find("\u202E"), std::string::npos);
    EXPECT_NE(text.find("von Hand eingegeben"), std::string::npos) << "where the set came from";
    EXPECT_NE(text.find("qv-gui"), std::string::npos) << "the package's version";
    // The write above, as the journal holds it, with its verdict.
    EXPECT_NE(text.find("\u00c4nderungen an diesem Messger\u00e4t"), std::string::npos) << text;
    EXPECT_NE(text.find("KT740-M1D4A1S1 Parametersatz geschrieben: Nicht"), std::string::npos) << text;
}
