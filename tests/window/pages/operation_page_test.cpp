// The Operation page offscreen: display, availability, the operating commands
// against a scripted meter, and the recording through the dialog recorder.
#include <gtest/gtest.h>

#include <limits>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "window/services/line_qt.h"
#include "core/text/settings.h"
#include "cli/cli.h"
#include "window/pages/operation/betrieb.h"
#include "tests/support/qt_app.h"
#include "tests/support/scripted_link.h"
#include "tests/support/flaky_sink.h"
#include "tests/support/temp_dir.h"

using qv::pages::CBetrieb;
using qv::test::Bytes;
using qv::test::ScriptedLink;
namespace fs = std::filesystem;

namespace {

std::string messages(const char* lang) {
    std::string out;
    for (int n = 7; n <= 14; ++n)
        out += std::string("#") + std::to_string(n) + "\r\nM" + std::to_string(n) + lang + "\r\nBody\r\n\r\n";
    return out + "#82\r\nAngehalten: %1 (%2)\r\n\r\n#83\r\nDatentr\xE4ger voll\r\n\r\n#91\r\nL\xE4uft %1\r\n\r\n#93\r\nUnbekannt %1\r\n\r\n";
}

std::string errorTexts() {
    std::string out;
    for (int p = 0; p < 14; ++p) out += std::string("#") + std::to_string(p) + "\r\nText " + std::to_string(p) + "\r\n";
    return out;
}

std::string errorHelp() {
    std::string out;
    for (int p = 0; p < 14; ++p) out += std::string("#") + std::to_string(p) + "\r\nHelp " + std::to_string(p) + "\r\n\r\n";
    return out;
}

// Records every message with whether the line was held at that moment.
struct LineWatch : qv::dialog::DialogService {
    qv::link::Session* session = nullptr;
    std::vector<std::pair<QString, bool>> shown;
    void message(QWidget*, const QString& caption, const QString&) override {
        shown.emplace_back(caption, !session->idle());
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
};


struct OperationPage : ::testing::Test {
    qv::test::TempCwd dir;
    qv::test::FakeDialogs& dialogs = qv::test::fakeDialogs();
    qv::text::AppSettings settings;
    QObject context;  // where the connection's results arrive
    qv::link::Session session{settings.deviceFamily, settings.refreshRate, qv::window::postTo(&context)};
    ScriptedLink* link = nullptr;
    std::unique_ptr<CBetrieb> page;

    void SetUp() override {
        qv::test::qtApp();
        dialogs.boxes.clear();
        dialogs.fileAnswers.clear();
        dialogs.fileTitles.clear();
        dir.write("Betrieb_labels_de.txt", "#1092\r\nStr\xF6mung\r\n#1126\r\nAufzeichnung Start\r\n#1930\r\n\xDC" "berlauf\r\n"
                                           "#1931\r\n%1 \x96 %2 Zeilen\r\n");
        dir.write("Betrieb_labels_en.txt", "#1092\r\nFlow velocity\r\n#1095\r\nAct\r\n#1931\r\n%1 \x96 %2 lines\r\n"
                                           "#1933\r\n%1 \x96 %2 line\r\n");
        dir.write("Betrieb_hilfe_de.txt", "#1124\r\nStartet die Messung.\r\n\r\n");
        dir.write("Betrieb_hilfe_en.txt", "");
        dir.write("Messages_de.txt", messages("de"));
        dir.write("Messages_en.txt", messages("en"));
        dir.write("Betrieb_Fehlertext_de.txt", errorTexts());
        dir.write("Betrieb_Fehlerhilfe_de.txt", errorHelp());
        qv::text::setProgramDir(settings, dir.path.string() + "/");
        link = qv::test::attachScriptedLink(session, [this] { qv::window::waitForLine(session, &context); });
        page = std::make_unique<CBetrieb>(&settings, &session);
        page->setWallClock([] { return std::time_t(1'772'600'000); });
        page->show();
    }
    void TearDown() override { qv::dialog::setDialogService(&dialogs); }

    QStringList captions() const {
        QStringList out;
        for (const auto& b : dialogs.boxes) out << b.caption;
        return out;
    }
    void choose(int index) { page->controlAs<QComboBox>(CBetrieb::NewLowFlow)->setCurrentIndex(index); }
    // A button, and what it gave the line done.
    void click(int id) {
        page->controlAs<QPushButton>(id)->click();
        qv::window::waitForLine(session, &context);
    }
    bool enabled(int id) const { return page->control(id)->isEnabled(); }
    bool visible(int id) const { return page->isControlVisible(id); }
    bool checked(int id) const { return page->controlAs<QCheckBox>(id)->isChecked(); }

    static qv::protocol::MeasurementRecord record(std::uint8_t contacts = 0x0C, std::uint8_t error = 0) {
        qv::protocol::MeasurementRecord r;
        r.flowVelocity = 1.5f;
        r.flowVelocityMin = 0.5f;
        r.flowVelocityMax = 2.5f;
        r.volumeFlow = 12.345f;
        r.volumeFlowMin = 10;
        r.volumeFlowMax = 20;
        r.temperature = 21.25f;
        r.temperatureMin = 20;
        r.temperatureMax = 22;
        r.totalizer = 123456.7f;
        r.flowVelocityUnit = "m/s";
        r.volumeFlowUnit = "m\xB3/h";
        r.temperatureUnit = "\xB0" "C";
        r.totalizerUnit = "m\xB3";
        r.contactStates = contacts;
        r.errorCode = error;
        r.lowFlowCutoff = 3;
        return r;
    }
    std::string expectedLine(const qv::protocol::MeasurementRecord& r, const std::string& error) const {
        const std::time_t t = 1'772'600'000;
        std::tm local{};
        localtime_r(&t, &local);
        return qv::recording::recordingDataLine(r, local, error) + "\r\n";
    }
};

const int kLowFlowGroup[] = {CBetrieb::LowFlow, CBetrieb::NewLowFlow, CBetrieb::NewLowFlowLabel,
                             CBetrieb::LowFlowLabel, CBetrieb::LowFlowUnit, CBetrieb::NewLowFlowUnit};
const int kContacts[] = {CBetrieb::Limit1, CBetrieb::Limit2, CBetrieb::Ready, CBetrieb::ErrorContact};

}  // namespace

// --- the page itself ----------------------------------------------------------

TEST_F(OperationPage, InitialStatesAndLayout) {
    EXPECT_TRUE(dialogs.boxes.empty()) << "every text file was there";
    for (int id : {CBetrieb::SetLowFlow, CBetrieb::ZeroPoint, CBetrieb::RecordStart, CBetrieb::RecordStop})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_FALSE(visible(CBetrieb::RecordIndicator));
    EXPECT_EQ(page->controlAs<QComboBox>(CBetrieb::NewLowFlow)->count(), 11);
    EXPECT_EQ(page->controlAs<QComboBox>(CBetrieb::NewLowFlow)->currentIndex(), -1);
    // With the template's room, the template's places.
    page->resize(page->sizeHint());
    auto placed = [&](int id) { return QRect(page->control(id)->mapTo(page.get(), QPoint()), page->control(id)->size()); };
    EXPECT_EQ(placed(CBetrieb::ResetMax), page->dialogUnitsToPixels(244, 97, 52, 14));
    EXPECT_EQ(placed(CBetrieb::RecordStart), page->dialogUnitsToPixels(429, 62, 102, 14));
    EXPECT_EQ(placed(CBetrieb::ErrorText), page->dialogUnitsToPixels(84, 314, 159, 14));
    // Display fields and display-only contacts.
    EXPECT_TRUE(page->controlAs<QLineEdit>(CBetrieb::ActVelocity)->isReadOnly());
    EXPECT_EQ(page->control(CBetrieb::Limit1)->focusPolicy(), Qt::NoFocus);
    // Tab order: the commands on the right, then the page's own commands top
    // to bottom; the shown values are passed by.
    auto nextTab = [](QWidget* w) {
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    const std::pair<int, int> steps[] = {{CBetrieb::MeasureStart, CBetrieb::MeasureStop},
                                         {CBetrieb::RecordStop, CBetrieb::ResetMax},
                                         {CBetrieb::ResetTotal, CBetrieb::NewLowFlow},
                                         {CBetrieb::ZeroPoint, CBetrieb::ResetError}};
    for (auto [from, to] : steps) EXPECT_EQ(nextTab(page->control(from)), page->control(to)) << from;
}

TEST_F(OperationPage, AccessibleNamesFollowTheLabels) {
    // Labels file: row caption replaced; the column heading kept its template text.
    EXPECT_EQ(page->control(CBetrieb::ActVelocity)->accessibleName(), QString::fromUtf8("Strömung Akt"));
    EXPECT_EQ(page->control(CBetrieb::MinVolume)->accessibleName(), "Volumenstrom Min");
    EXPECT_EQ(page->control(CBetrieb::ErrorText)->accessibleName(), "Akt. Fehler");
    EXPECT_EQ(page->control(CBetrieb::NewLowFlow)->accessibleName(), "Schleichmenge Neu");
    EXPECT_EQ(page->control(CBetrieb::ResetTotal)->accessibleName(), "Reset Tot.");
    EXPECT_EQ(page->control(CBetrieb::ErrorContact)->accessibleName(), "FehlerKontakt");
    settings.language = 1;
    page->reloadTexts();
    EXPECT_EQ(page->control(CBetrieb::ActVelocity)->accessibleName(), "Flow velocity Act");
    EXPECT_EQ(page->control(CBetrieb::MaxVelocity)->accessibleName(), "Flow velocity Max");
}

TEST_F(OperationPage, ValuesInTheirFields) {
    page->showMeasurement(record());
    EXPECT_EQ(page->controlText(CBetrieb::ActVelocity), "1.500");
    EXPECT_EQ(page->controlText(CBetrieb::MinVelocity), "0.500");
    EXPECT_EQ(page->controlText(CBetrieb::MaxVelocity), "2.500");
    EXPECT_EQ(page->controlText(CBetrieb::ActVolume), "12.35");
    EXPECT_EQ(page->controlText(CBetrieb::MaxVolume), "20.00");
    EXPECT_EQ(page->controlText(CBetrieb::ActTemperature), "21.25");
    EXPECT_EQ(page->controlText(CBetrieb::MinTemperature), "20.00");
    EXPECT_EQ(page->controlText(CBetrieb::Totalizer), "123457");
    EXPECT_EQ(page->controlText(CBetrieb::VolumeUnit), QString::fromUtf8("m³/h"));
    EXPECT_EQ(page->controlText(CBetrieb::TemperatureUnit), QString::fromUtf8("°C"));
    EXPECT_EQ(page->controlText(CBetrieb::TotalizerUnit), QString::fromUtf8("m³"));
    EXPECT_EQ(page->controlText(CBetrieb::LowFlow), "3");
    // Values no meter means: said so, never cut digits.
    auto odd = record();
    odd.totalizer = 3e38f;
    odd.flowVelocity = -2e9f;
    odd.volumeFlow = std::numeric_limits<float>::quiet_NaN();
    page->showMeasurement(odd);
    EXPECT_EQ(page->controlText(CBetrieb::Totalizer), QString::fromUtf8("\u00dcberlauf"));
    EXPECT_EQ(page->controlText(CBetrieb::ActVelocity), QString::fromUtf8("\u00dcberlauf"));
    EXPECT_EQ(page->controlText(CBetrieb::ActVolume), "----");
}

TEST_F(OperationPage, ContactsZeroAndFifteen) {
    page->showMeasurement(record(0));
    EXPECT_FALSE(checked(CBetrieb::Limit1));
    EXPECT_FALSE(checked(CBetrieb::Limit2));
    EXPECT_FALSE(checked(CBetrieb::Ready));
    EXPECT_TRUE(checked(CBetrieb::ErrorContact));
    page->showMeasurement(record(15));
    EXPECT_TRUE(checked(CBetrieb::Limit1));
    EXPECT_TRUE(checked(CBetrieb::Limit2));
    EXPECT_TRUE(checked(CBetrieb::Ready));
    EXPECT_FALSE(checked(CBetrieb::ErrorContact));
}

TEST_F(OperationPage, ErrorTextAndItsHelp) {
    page->showMeasurement(record(0x0C, 60));
    EXPECT_EQ(page->controlText(CBetrieb::ErrorText), "Text 13");
    EXPECT_EQ(page->helpText(CBetrieb::ErrorText), "Help 13");
    EXPECT_EQ(page->lastErrorText(), "Text 13");
    page->showMeasurement(record(0x0C, 255));
    EXPECT_EQ(page->controlText(CBetrieb::ErrorText), "Text 1");
    // A code without an entry shows its number, not the stale text.
    page->showMeasurement(record(0x0C, 7));
    EXPECT_EQ(page->controlText(CBetrieb::ErrorText), "7");
    EXPECT_EQ(page->helpText(CBetrieb::ErrorText), "");
    EXPECT_EQ(page->lastErrorText(), "7");
    page->showMeasurement(record(0x0C, 0));
    EXPECT_EQ(page->controlText(CBetrieb::ErrorText), "Text 0");
    // After a language switch the page keeps the texts of its start; the
    // service report speaks the language now chosen.
    std::string english = errorTexts();
    for (std::size_t at = english.find("Text"); at != std::string::npos; at = english.find("Text", at)) english.replace(at, 4, "Code");
    dir.write("Betrieb_Fehlertext_en.txt", english);
    dir.write("Betrieb_Fehlerhilfe_en.txt", errorHelp());
    settings.language = 1;
    page->reloadTexts();
    page->showMeasurement(record(0x0C, 60));
    EXPECT_EQ(page->controlText(CBetrieb::ErrorText), "Text 13");
    const auto rows = page->reportRows([](int n) { return QString::number(n); });
    const auto error = std::find_if(rows.begin(), rows.end(),
                                    [](const auto& row) { return row.first == QString::number(qv::window::RError); });
    ASSERT_NE(error, rows.end());
    EXPECT_EQ(error->second, "Code 13");
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(OperationPage, ErrorFileShorterThanTheTableShowsEmpty) {
    dir.write("Betrieb_Fehlertext_de.txt", "#0\r\nKein Fehler\r\n");
    CBetrieb other(&settings, &session);
    other.show();
    other.showMeasurement(record(0x0C, 60));
    EXPECT_EQ(other.controlText(CBetrieb::ErrorText), "");
    EXPECT_EQ(other.lastErrorText(), "");
}

TEST_F(OperationPage, AvailabilityHiddenWithoutGreyOut) {
    settings.greyOut = 0;
    page->applyVariant(1);  // 11111
    for (int id : kLowFlowGroup) EXPECT_FALSE(visible(id)) << id;
    for (int id : kContacts) EXPECT_FALSE(visible(id)) << id;
    page->applyVariant(16);  // 01111
    for (int id : kLowFlowGroup) EXPECT_TRUE(visible(id) && enabled(id)) << id;
    for (int id : kContacts) EXPECT_FALSE(visible(id)) << id;
    page->applyVariant(17);  // 00011
    EXPECT_TRUE(visible(CBetrieb::Limit1) && visible(CBetrieb::Limit2));
    EXPECT_FALSE(visible(CBetrieb::Ready) || visible(CBetrieb::ErrorContact));
    page->applyVariant(33);  // 10000
    for (int id : kLowFlowGroup) EXPECT_FALSE(visible(id)) << id;
    for (int id : kContacts) EXPECT_TRUE(visible(id) && enabled(id)) << id;
    for (int code : {0, -5, 46}) {
        page->applyVariant(1);
        page->applyVariant(code);
        for (int id : kLowFlowGroup) EXPECT_TRUE(visible(id) && enabled(id)) << code << " " << id;
        for (int id : kContacts) EXPECT_TRUE(visible(id) && enabled(id)) << code << " " << id;
    }
    // Not part of any column.
    EXPECT_TRUE(visible(CBetrieb::SetLowFlow) && visible(CBetrieb::ZeroPoint));
}

TEST_F(OperationPage, AvailabilityGreyedWithGreyOut) {
    settings.greyOut = 1;
    page->applyVariant(16);
    for (int id : kLowFlowGroup) EXPECT_TRUE(visible(id) && enabled(id)) << id;
    for (int id : kContacts) EXPECT_TRUE(visible(id) && !enabled(id)) << id;
    page->applyVariant(17);
    EXPECT_TRUE(enabled(CBetrieb::Limit1) && enabled(CBetrieb::Limit2));
    EXPECT_FALSE(enabled(CBetrieb::Ready) || enabled(CBetrieb::ErrorContact));
    page->applyVariant(1);
    for (int id : kLowFlowGroup) EXPECT_TRUE(visible(id) && !enabled(id)) << id;
    page->applyVariant(-1);
    for (int id : kLowFlowGroup) EXPECT_TRUE(visible(id) && enabled(id)) << id;
    for (int id : kContacts) EXPECT_TRUE(visible(id) && enabled(id)) << id;
}

// --- operating commands ---------------------------------------------------------

TEST_F(OperationPage, OneByteCommands) {
    link->respond = [](const Bytes&) { return Bytes{0x96}; };
    for (int id : {CBetrieb::MeasureStart, CBetrieb::MeasureStop, CBetrieb::ResetTotal, CBetrieb::ResetMax,
                   CBetrieb::ResetMin, CBetrieb::ResetError})
        click(id);
    EXPECT_EQ(link->commandsSent(), (std::vector<std::uint8_t>{0x75, 0x74, 0x73, 0x71, 0x70, 0x72}));
    EXPECT_EQ(std::vector<std::string>(link->log.begin(), link->log.begin() + 4),
              (std::vector<std::string>{"R", "W 75", "S 40", "R"}));
    EXPECT_EQ(link->log.size(), 24u);
    EXPECT_FALSE(!session.idle());
    EXPECT_TRUE(dialogs.boxes.empty());
}

// Each command says whether it went out and whether the meter answered;
// whether measuring runs is known only from the last command, and said so.
TEST_F(OperationPage, OneByteCommandsTellTheirOutcome) {
    std::vector<std::pair<int, QStringList>> notes;
    page->setStatusNote([&](int n, const QStringList& a) { notes.emplace_back(n, a); });
    bool answer = true;
    link->respond = [&](const Bytes&) { return answer ? Bytes{0x96} : Bytes{}; };
    click(CBetrieb::ResetTotal);
    click(CBetrieb::MeasureStart);
    const QString runs = page->controlText(CBetrieb::MeasureState);
    answer = false;
    click(CBetrieb::MeasureStop);
    const QString unknown = page->controlText(CBetrieb::MeasureState);
    // A journal that cannot take the command's entry: nothing goes out, and
    // the note says why rather than blaming the connection.
    std::filesystem::create_directory(dir.path / "journal-folder");
    session.setJournal(qv::journal::Writer{(dir.path / "journal-folder").string(), "test", "1", 0, nullptr});
    int sentBefore = 0;
    link->respond = [&](const Bytes&) { ++sentBefore; return Bytes{0x96}; };
    click(CBetrieb::ResetTotal);
    EXPECT_EQ(sentBefore, 0);
    session.setJournal(std::nullopt);
    link->open = false;
    click(CBetrieb::MeasureStop);
    using P = std::pair<int, QStringList>;
    EXPECT_EQ(notes, (std::vector<P>{{CBetrieb::kTextAnswered, {"Reset Tot."}},
                                     {CBetrieb::kTextAnswered, {"Messung Start"}},
                                     {CBetrieb::kTextNoAnswer, {"Messung Stop"}},
                                     {qv::text::msg::CommandNotJournaled, {"Reset Tot."}},
                                     {CBetrieb::kTextNotSent, {"Messung Stop"}}}));
    EXPECT_FALSE(runs.isEmpty());
    EXPECT_NE(runs, unknown);
    EXPECT_EQ(page->controlText(CBetrieb::MeasureState), unknown);  // nothing sent: nothing new known
}

TEST_F(OperationPage, OneByteCommandWithoutLinkOrClosed) {
    link->open = false;
    click(CBetrieb::ResetError);
    EXPECT_EQ(link->log, std::vector<std::string>{"S 40"});  // nothing written, nothing read
    qv::test::detachLink(session, [this] { qv::window::waitForLine(session, &context); });
    click(CBetrieb::ResetError);
    EXPECT_FALSE(!session.idle());
}

TEST_F(OperationPage, ComboChoosesTheButton) {
    choose(0);
    EXPECT_TRUE(enabled(CBetrieb::ZeroPoint));
    EXPECT_FALSE(enabled(CBetrieb::SetLowFlow));
    choose(3);
    EXPECT_FALSE(enabled(CBetrieb::ZeroPoint));
    EXPECT_TRUE(enabled(CBetrieb::SetLowFlow));
}

TEST_F(OperationPage, LowFlowValuesGoOutWithTheirSum) {
    const std::pair<int, const char*> values[] = {{5, "W 04 05 7F"}, {10, "W 04 0A 84"}};
    for (auto [value, block] : values) {
        dialogs.boxes.clear();
        link->log.clear();
        link->respond = [](const Bytes&) { return Bytes{0x96}; };
        link->pending.push_back({0x96});  // a late byte: the first read takes it away
        choose(value);
        click(CBetrieb::SetLowFlow);
        EXPECT_EQ(link->log, (std::vector<std::string>{"S 50", "R", "W 76", "S 50", "R", block, "S 50", "R"}));
        EXPECT_EQ(captions(), QStringList{"M7de"});
        EXPECT_FALSE(!session.idle());
    }
}

TEST_F(OperationPage, ZeroPointResults) {
    const std::pair<std::uint8_t, const char*> results[] = {{0x9E, "M9de"}, {0x9D, "M10de"}, {0x9F, "M11de"}};
    for (auto [result, caption] : results) {
        dialogs.boxes.clear();
        link->log.clear();
        link->respond = [this, result = result](const Bytes& w) {
            if (w.size() == 3) link->pending.push_back({0x96});  // the ack, then the result
            return w.size() == 3 ? Bytes{result} : Bytes{0x96};
        };
        choose(0);
        click(CBetrieb::ZeroPoint);
        EXPECT_EQ(link->log, (std::vector<std::string>{"S 50", "R", "W 76", "S 50", "R", "W 04 00 7A", "S 50", "R",
                                                       "S 700", "R"}));
        EXPECT_EQ(captions(), QStringList{caption});
    }
}

TEST_F(OperationPage, ZeroPointSilenceAndUnknownByte) {
    link->respond = [](const Bytes&) { return Bytes{0x96}; };
    choose(0);
    click(CBetrieb::ZeroPoint);  // nothing after the block's ack
    EXPECT_EQ(captions(), QStringList{"M12de"});
    for (std::uint8_t other : {std::uint8_t(0x96), std::uint8_t(0x42)}) {
        dialogs.boxes.clear();
        link->respond = [this, other](const Bytes& w) {
            if (w.size() == 3) link->pending.push_back({0x96});
            return w.size() == 3 ? Bytes{other} : Bytes{0x96};
        };
        click(CBetrieb::ZeroPoint);
        EXPECT_TRUE(dialogs.boxes.empty()) << int(other);
    }
    EXPECT_FALSE(!session.idle());
}

TEST_F(OperationPage, NoAcknowledge) {
    choose(5);
    click(CBetrieb::SetLowFlow);
    EXPECT_EQ(link->log, (std::vector<std::string>{"S 50", "R", "W 76", "S 50", "R"}));
    EXPECT_EQ(captions(), QStringList{"M8de"});
    // A wrong status is no acknowledge either.
    dialogs.boxes.clear();
    link->log.clear();
    link->respond = [](const Bytes&) { return Bytes{0x9D}; };
    click(CBetrieb::SetLowFlow);
    EXPECT_EQ(link->commandsSent(), (std::vector<std::uint8_t>{0x76}));
    EXPECT_EQ(captions(), QStringList{"M8de"});
    EXPECT_FALSE(!session.idle());
}

TEST_F(OperationPage, AcknowledgeOnlyOfTheCommandByte) {
    link->respond = [](const Bytes& w) { return w.size() == 1 ? Bytes{0x96} : Bytes{}; };
    choose(0);
    click(CBetrieb::ZeroPoint);
    // No zero-point wait and nothing more sent after the silent block.
    EXPECT_EQ(link->log, (std::vector<std::string>{"S 50", "R", "W 76", "S 50", "R", "W 04 00 7A", "S 50", "R"}));
    EXPECT_EQ(captions(), QStringList{"M8de"});
    EXPECT_FALSE(!session.idle());
}

TEST_F(OperationPage, LowFlowWithoutLinkOrClosedPort) {
    qv::test::detachLink(session, [this] { qv::window::waitForLine(session, &context); });
    choose(5);
    click(CBetrieb::SetLowFlow);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(!session.idle());
    link = qv::test::attachScriptedLink(session, [this] { qv::window::waitForLine(session, &context); });
    link->open = false;
    click(CBetrieb::SetLowFlow);
    EXPECT_EQ(captions(), QStringList{"M8de"});
    EXPECT_FALSE(!session.idle());
}

TEST_F(OperationPage, LineHeldWhileTheBoxShows) {
    LineWatch watch;
    watch.session = &session;
    qv::dialog::setDialogService(&watch);
    choose(5);
    click(CBetrieb::SetLowFlow);  // message 8
    link->respond = [](const Bytes&) { return Bytes{0x96}; };
    click(CBetrieb::SetLowFlow);  // message 7
    qv::dialog::setDialogService(&dialogs);
    ASSERT_EQ(watch.shown.size(), 2u);
    EXPECT_EQ(watch.shown[0], std::make_pair(QString("M8de"), true));
    EXPECT_EQ(watch.shown[1], std::make_pair(QString("M7de"), true));
    EXPECT_FALSE(!session.idle());
}

// --- recording -------------------------------------------------------------------

TEST_F(OperationPage, StartAndStopRecording) {
    page->setDeviceCode(17);
    page->enableRecordStart();
    EXPECT_TRUE(page->recordStartEnabled());
    fs::create_directory(dir.path / "runs");
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "runs" / "first").string()));
    click(CBetrieb::RecordStart);
    EXPECT_EQ(dialogs.fileTitles, std::vector<QString>{"M13de"});
    ASSERT_TRUE(page->recording());
    EXPECT_TRUE(enabled(CBetrieb::RecordStop));
    EXPECT_EQ(page->recordingPath(), (dir.path / "runs" / "first.csv").string());
    EXPECT_EQ(settings.workingDir, (dir.path / "runs").string() + "/");
    EXPECT_NE(dir.read("QV-GUI.ini").find("WORKINGDIR=" + settings.workingDir), std::string::npos);
    EXPECT_EQ(dir.read("runs/first.csv"), "KT740-GX-M1P2S1\r\n");
    // No second start while on.
    EXPECT_FALSE(enabled(CBetrieb::RecordStart));
    click(CBetrieb::RecordStart);
    EXPECT_EQ(dialogs.fileTitles.size(), 1u);

    page->toggleRecordingIndicator();
    EXPECT_TRUE(visible(CBetrieb::RecordIndicator));
    page->showMeasurement(record(0x0C, 60));
    page->showMeasurement(record(0x05, 60));
    const auto header = *qv::recording::recordingHeader(0, record());
    EXPECT_EQ(dir.read("runs/first.csv"),
              "KT740-GX-M1P2S1\r\n" + header + "\r\n" + expectedLine(record(0x0C), "Text 13") +
                  expectedLine(record(0x05), "Text 13"));
    // The command-line program writes the same bytes for the same cycles at the same time.
    qv::text::Words words;
    words.load(dir.path.string(), settings.language);
    qv::cli::Recording cli(words);
    ASSERT_EQ(cli.start((dir.path / "cli.csv").string(), 17), 0);
    for (std::uint8_t contacts : {0x0C, 0x05}) EXPECT_TRUE(cli.write(record(contacts, 60), 1'772'600'000));
    cli.stop();
    EXPECT_EQ(dir.read("cli.csv"), dir.read("runs/first.csv"));
    // Beside the indicator: the file and the lines it holds.
    EXPECT_EQ(page->control(CBetrieb::RecordInfo)->accessibleName().toStdString(), "first.csv \u2013 2 Zeilen");
    // A language switch says it in the new words at once, in their counted form.
    dir.write("Betrieb_Fehlertext_en.txt", errorTexts());
    dir.write("Betrieb_Fehlerhilfe_en.txt", errorHelp());
    settings.language = 1;
    page->reloadTexts();
    EXPECT_EQ(page->control(CBetrieb::RecordInfo)->accessibleName().toStdString(), "first.csv \u2013 2 lines");
    page->showMeasurement(record(0x0C, 60));
    EXPECT_EQ(page->control(CBetrieb::RecordInfo)->accessibleName().toStdString(), "first.csv \u2013 3 lines");
    settings.language = 0;
    page->reloadTexts();

    click(CBetrieb::RecordStop);
    EXPECT_FALSE(page->recording());
    EXPECT_FALSE(visible(CBetrieb::RecordIndicator));
    EXPECT_TRUE(enabled(CBetrieb::RecordStart));
    EXPECT_FALSE(enabled(CBetrieb::RecordStop));
    page->showMeasurement(record());
    EXPECT_EQ(dir.read("runs/first.csv").size(),
              ("KT740-GX-M1P2S1\r\n" + header + "\r\n").size() + 3 * expectedLine(record(), "Text 13").size());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(OperationPage, CancelChangesNothing) {
    settings.workingDir = "/somewhere/";
    click(CBetrieb::RecordStart);  // disabled: no dialog
    EXPECT_TRUE(dialogs.fileTitles.empty());
    page->enableRecordStart();
    click(CBetrieb::RecordStart);
    EXPECT_EQ(dialogs.fileTitles.size(), 1u);
    EXPECT_FALSE(page->recording());
    EXPECT_EQ(settings.workingDir, "/somewhere/");
}

TEST_F(OperationPage, ModelCodeZeroAndHeaderLanguageOfTheFirstMeasurement) {
    page->setDeviceCode(0);
    page->enableRecordStart();
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "z.csv").string()));
    click(CBetrieb::RecordStart);
    ASSERT_TRUE(page->recording());
    settings.language = 1;  // switched before the first measurement: English header
    page->showMeasurement(record());
    settings.language = 0;  // and after it: no second header
    page->showMeasurement(record());
    const std::string body = dir.read("z.csv");
    EXPECT_EQ(body, "----\r\n" + *qv::recording::recordingHeader(1, record()) + "\r\n" +
                        expectedLine(record(), "Text 0") + expectedLine(record(), "Text 0"));
    EXPECT_EQ(body.find("Datum"), std::string::npos);
}

TEST_F(OperationPage, AddedExtensionNeverOverwritesUnasked) {
    dir.write("old.csv", "earlier recording\r\n");
    page->enableRecordStart();
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "old").string()));
    click(CBetrieb::RecordStart);
    EXPECT_FALSE(page->recording());
    EXPECT_EQ(captions(), QStringList{"M14de"});
    EXPECT_EQ(dir.read("old.csv"), "earlier recording\r\n");
    // Chosen by its full name, the dialog asked: a new recording replaces it.
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "old.csv").string()));
    click(CBetrieb::RecordStart);
    EXPECT_TRUE(page->recording());
    EXPECT_EQ(dir.read("old.csv"), "----\r\n");
}

TEST_F(OperationPage, FileThatCannotBeCreated) {
    page->enableRecordStart();
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "no" / "such" / "dir").string()));
    click(CBetrieb::RecordStart);
    EXPECT_FALSE(page->recording());
    EXPECT_FALSE(enabled(CBetrieb::RecordStop));
    EXPECT_EQ(captions(), QStringList{"M14de"});
}

TEST_F(OperationPage, WriteFailureShowsMessageAndKeepsEarlierLines) {
    qv::test::FlakySink sink;
    page->setRecordingSink(sink);
    page->enableRecordStart();
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "w.csv").string()));
    click(CBetrieb::RecordStart);
    QString problem;
    page->setRecordingProblem([&](const QString& text) { problem = text; });
    page->showMeasurement(record(0x0C));
    sink.failAppend = ENOSPC;
    page->showMeasurement(record(0x01));
    page->showMeasurement(record(0x01));
    // Told once, with its cause, for as long as it lasts; the recording waits, paused.
    EXPECT_EQ(captions(), QStringList{"M14de"});
    EXPECT_TRUE(page->recording());
    EXPECT_TRUE(page->recordingFailed());
    EXPECT_TRUE(problem.contains(QString::fromUtf8("Datentr\u00e4ger voll")) && problem.contains("w.csv")) << problem.toStdString();
    sink.failAppend = 0;
    page->showMeasurement(record(0x0F));
    EXPECT_FALSE(page->recordingFailed());
    EXPECT_TRUE(problem.isEmpty());
    EXPECT_EQ(dir.read("w.csv"), "----\r\n" + *qv::recording::recordingHeader(0, record()) + "\r\n" +
                                     expectedLine(record(0x0C), "Text 0") + expectedLine(record(0x0F), "Text 0"));
}

TEST_F(OperationPage, DirectoryRemovedMidRecording) {
    fs::create_directory(dir.path / "gone");
    page->enableRecordStart();
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "gone" / "r.csv").string()));
    click(CBetrieb::RecordStart);
    page->showMeasurement(record());
    fs::remove_all(dir.path / "gone");
    page->showMeasurement(record());
    page->showMeasurement(record());
    EXPECT_EQ(captions(), QStringList{"M14de"});  // one failure, one message
    EXPECT_TRUE(page->recording());
    // Back again: the next measurement is written, into a new file of its own.
    fs::create_directory(dir.path / "gone");
    page->showMeasurement(record());
    EXPECT_EQ(dir.read("gone/r.csv"), expectedLine(record(), "Text 0"));
}
