// The recording end to end: the simulator on a real pseudo terminal, the
// sheet offscreen with a fake tick count, three cycles written and read back.
#include <gtest/gtest.h>

#include "core/journal/journal.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <regex>
#include <filesystem>

#include "window/sheet/sheet.h"
#include "window/services/line_trace_window.h"
#include "window/services/status_line.h"
#include "core/link/exchange.h"
#include "window/pages/graph/grafik.h"
#include "window/pages/settings/einstellungen.h"
#include "window/pages/operation/betrieb.h"
#include "tests/support/qt_app.h"
#include "tests/support/recording_file.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

using qv::pages::CBetrieb;

using qv::test::commaNumber;
using qv::test::splitFields;
using qv::test::splitLines;

TEST(RecordingOverPty, ThreeCyclesWrittenAndReadBack) {
    qv::test::qtApp();
    auto& dialogs = qv::test::fakeDialogs();
    dialogs.boxes.clear();
    dialogs.fileAnswers.clear();
    qv::test::TempCwd dir;
    dir.write("Messages_de.txt", "#13\r\nAufzeichnung\r\n\r\n#14\r\nDatei\r\nKann nicht schreiben\r\n\r\n");
    dir.write("Betrieb_Fehlertext_de.txt", "#0\r\nKein Fehler\r\n");
    qv::test::SimProcess sim((dir.path / "COM1").string(), {"--model", "2"});
    ASSERT_TRUE(sim.linked());
    std::uint32_t now = 1'000'000;
    qv::window::CAllControlsSheet sheet([&] { return now; });
    sheet.show();
    sheet.waitForLine();  // the identification
    ASSERT_EQ(sheet.settings().deviceCode, 2);
    sheet.tabs()->setCurrentIndex(2);
    auto* page = sheet.operationPage();
    ASSERT_EQ(page->pageReady(), 1);

    // The start button comes with the first completed cycle.
    int ticks = 0;
    for (; ticks < 40 && !page->recordStartEnabled(); ++ticks, now += 100) {
        EXPECT_FALSE(page->recordStartEnabled());
        sheet.tick();
    }
    ASSERT_TRUE(page->recordStartEnabled());
    EXPECT_EQ(ticks, 10);  // family 0: nine exchanges, then the delivery
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "messung").string()));
    page->controlAs<QPushButton>(CBetrieb::RecordStart)->click();
    ASSERT_TRUE(page->recording());

    bool seenOn = false, seenOff = false;
    auto lines = [&] { return splitLines(dir.read("messung.csv")); };
    for (int i = 0; i < 200 && lines().size() < 5; ++i, now += 100) {
        sheet.tick();
        (page->isControlVisible(CBetrieb::RecordIndicator) ? seenOn : seenOff) = true;
    }
    page->controlAs<QPushButton>(CBetrieb::RecordStop)->click();
    EXPECT_TRUE(seenOn && seenOff) << "the indicator blinks";
    EXPECT_FALSE(page->isControlVisible(CBetrieb::RecordIndicator));
    // Missing text files of the other pages have their boxes; the recording none.
    for (const auto& box : dialogs.boxes) EXPECT_NE(box.caption, "Datei");

    const auto file = lines();
    ASSERT_EQ(file.size(), 5u);
    EXPECT_EQ(file[0], "KT740-M1P2S1");
    EXPECT_EQ(file[1].rfind("Datum; Uhrzeit; Str\xF6mung Akt [m/s]; Str\xF6mung Min [m/s]", 0), 0u) << file[1];
    EXPECT_NE(file[1].find("Volumenstrom Akt [m\xB3/h]"), std::string::npos);
    EXPECT_NE(file[1].find("Temperatur Akt [\xB0" "C]"), std::string::npos);
    EXPECT_NE(file[1].find("Totalisator [m\xB3]; Schleichmenge [%]; GK1 ; GK2 ; Betrieb ; Fehler ; letzter Fehler; "),
              std::string::npos);
    double previousTotal = -1;
    for (std::size_t i = 2; i < 5; ++i) {
        const auto f = splitFields(file[i]);
        ASSERT_EQ(f.size(), 18u) << file[i];
        EXPECT_TRUE(std::regex_match(f[0], std::regex(R"(\d{4}\.\d{2}\.\d{2})"))) << f[0];
        EXPECT_TRUE(std::regex_match(f[1], std::regex(R"(\d{2}:\d{2}:\d{2})"))) << f[1];
        for (int v = 2; v < 12; ++v) EXPECT_EQ(f[std::size_t(v)].find('.'), std::string::npos) << f[std::size_t(v)];
        const double velocity = commaNumber(f[2]), vMin = commaNumber(f[3]), vMax = commaNumber(f[4]);
        EXPECT_GT(velocity, 0.5);
        EXPECT_LE(vMin, velocity + 1e-3);
        EXPECT_GE(vMax, velocity - 1e-3);
        const double temperature = commaNumber(f[8]);
        EXPECT_GT(temperature, 10);
        EXPECT_LT(temperature, 30);
        const double total = commaNumber(f[11]);
        EXPECT_GE(total, previousTotal);
        previousTotal = total;
        EXPECT_EQ(f[12], "0");  // no low-flow query on family 0
        EXPECT_EQ(f[15], "1");  // ready
        EXPECT_EQ(f[16], "0");  // error contact quiet: the meter reports no error
        EXPECT_EQ(f[17], "Kein Fehler");
    }
}

namespace {

struct LowFlowOverPty : ::testing::Test {
    qv::test::TempCwd dir;
    qv::test::FakeDialogs& dialogs = qv::test::fakeDialogs();
    void SetUp() override {
        qv::test::qtApp();
        dialogs.boxes.clear();
        std::string messages;
        for (int n = 7; n <= 12; ++n) messages += std::string("#") + std::to_string(n) + "\r\nM" + std::to_string(n) + "\r\n\r\n";
        dir.write("Messages_de.txt", messages);
    }
    // Captions of the numbered messages, without the boxes about missing files.
    QStringList captions() const {
        QStringList out;
        for (const auto& b : dialogs.boxes)
            if (b.caption.startsWith('M')) out << b.caption;
        return out;
    }
};

void press(qv::window::CAllControlsSheet& sheet, int comboIndex, int button) {
    CBetrieb* page = sheet.operationPage();
    page->controlAs<QComboBox>(CBetrieb::NewLowFlow)->setCurrentIndex(comboIndex);
    page->controlAs<QPushButton>(button)->click();
    sheet.waitForLine();
}

}  // namespace

TEST_F(LowFlowOverPty, SetFiveThenZeroPoint) {
    qv::test::SimProcess sim((dir.path / "COM1").string(), {"--model", "16"});
    ASSERT_TRUE(sim.linked());
    std::uint32_t now = 1'000'000;
    qv::window::CAllControlsSheet sheet([&] { return now; });
    sheet.show();
    sheet.waitForLine();  // the identification
    sheet.tabs()->setCurrentIndex(2);
    auto* page = sheet.operationPage();
    press(sheet, 5, CBetrieb::SetLowFlow);
    EXPECT_EQ(captions(), QStringList{"M7"});
    // The next cycle reads the meter's suppression back (0x77, family 1).
    for (int i = 0; i < 11; ++i, now += 100) sheet.tick();
    EXPECT_TRUE((sheet.session().pollStep() == 0));
    EXPECT_EQ(page->controlText(CBetrieb::LowFlow), "5");
    press(sheet, 0, CBetrieb::ZeroPoint);
    EXPECT_EQ(captions(), (QStringList{"M7", "M9"}));
    EXPECT_FALSE(!sheet.session().idle());
    // A one-byte command too; each change in the window's journal, in
    // order, with the meter's answer.
    page->controlAs<QPushButton>(CBetrieb::ResetTotal)->click();
    sheet.waitForLine();
    const auto journal = qv::journal::read((dir.path / qv::journal::kFileName).string());
    ASSERT_EQ(journal.entries.size(), 3u);
    const char* expected[][2] = {{"low-flow", "acknowledged"}, {"zero-point", "zero-9e"}, {"reset-totalizer", "answered"}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(journal.entries[i].intent.operation, expected[i][0]);
        EXPECT_EQ(journal.entries[i].intent.target.port, 1);
        EXPECT_EQ(journal.entries[i].intent.target.model, "KT740-GX-M1S1");  // model 16
        ASSERT_TRUE(journal.entries[i].outcome);
        EXPECT_EQ(journal.entries[i].outcome->answer, expected[i][1]);
    }
    EXPECT_EQ(journal.entries[0].intent.lowFlowPercent, 5);
}

TEST_F(LowFlowOverPty, MeterSilentAtTheBlock) {
    qv::test::SimProcess sim((dir.path / "COM1").string(), {"--model", "16", "--low-flow-silent", "block"});
    ASSERT_TRUE(sim.linked());
    qv::window::CAllControlsSheet sheet([] { return 0u; });
    sheet.show();
    sheet.waitForLine();  // the identification
    sheet.tabs()->setCurrentIndex(2);
    press(sheet, 0, CBetrieb::ZeroPoint);
    EXPECT_EQ(captions(), QStringList{"M8"});
    EXPECT_FALSE(!sheet.session().idle());
}

// The diagnosis window shows one poll cycle as it went over the line: each
// command byte, then the meter's reply under the same command, in order; the
// window saves what it shows.
TEST(LineTraceOverPty, OneCycleInOrderAndSaved) {
    qv::test::qtApp();
    auto& dialogs = qv::test::fakeDialogs();
    dialogs.boxes.clear();
    dialogs.fileAnswers.clear();
    qv::test::TempCwd dir;
    qv::test::SimProcess sim((dir.path / "COM1").string(), {"--model", "2"});
    ASSERT_TRUE(sim.linked());
    std::uint32_t now = 1'000'000;
    qv::window::CAllControlsSheet sheet([&] { return now; });
    sheet.show();
    sheet.waitForLine();
    sheet.tabs()->setCurrentIndex(2);
    sheet.statusLine()->traceButton()->click();
    auto* window = sheet.lineTraceWindow();
    ASSERT_TRUE(window && window->isVisible());
    window->clearTrace();
    for (int i = 0; i < 10; ++i, now += 100) sheet.tick();  // one family 0 cycle
    window->refresh();

    std::vector<std::string> sent, received;
    std::istringstream in(window->shownText().toStdString());
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, std::regex(R"(^\d\d:\d\d:\d\d\.\d{3} (PC>|<KT) (\w+) +((?:[0-9A-F]{2} )+)\|)")))
            << line;
        (m[1] == "PC>" ? sent : received).push_back(m[2].str());
        if (m[1] == "PC>") {
            ASSERT_EQ(m[3].str().size(), 3u) << "a poll command is one byte: " << line;
            EXPECT_STREQ(qv::protocol::commandName(static_cast<std::uint8_t>(std::stoi(m[3].str(), nullptr, 16))),
                         m[2].str().c_str());
        } else EXPECT_EQ(received.size(), sent.size()) << "each reply follows its own command: " << line;
    }
    const std::vector<std::string> cycle{"DeviceType", "Velocity", "VolumeFlow", "Totalizer", "Temperature",
                                         "Minima",     "Maxima",   "Contacts",   "ErrorCode"};
    EXPECT_EQ(sent, cycle);
    EXPECT_EQ(received, cycle);

    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "trace.txt").string()));
    ASSERT_TRUE(window->save());
    EXPECT_NE(dir.read("trace.txt").find("PC> ErrorCode    41 |A|"), std::string::npos);
}
