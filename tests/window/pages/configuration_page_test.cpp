// The Configuration page offscreen with the installed text files: lists,
// markers, variants, the transfer against a scripted meter, files and check.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <filesystem>

#include "core/text/settings.h"
#include "window/pages/configuration/konfiguration.h"
#include "core/params/parameters.h"
#include "window/services/line_qt.h"
#include "tests/support/qt_app.h"
#include "tests/support/scripted_link.h"
#include "tests/support/temp_dir.h"

using qv::pages::CKonfiguration;
using qv::test::Bytes;
using qv::test::ScriptedLink;
using namespace qv::params;
namespace fs = std::filesystem;

namespace {

// A meter that answers the type request with its code and the block request
// with its block, and acknowledges and stores every write.
struct MeterScript {
    int code = 20;
    Bytes block;
    bool answerType = true, answerBlock = true;
    Bytes lastFrame;
    Bytes operator()(const Bytes& w) {
        if (w.size() == 1 && w[0] == 0x50) return answerType ? Bytes{0x50, 0x01, std::uint8_t(code), 0x00} : Bytes{};
        if (w.size() == 1 && w[0] == 0x30) {
            if (!answerBlock) return {};
            Bytes r{0x30, std::uint8_t(block.size())};
            r.insert(r.end(), block.begin(), block.end());
            r.push_back(0);
            return r;
        }
        if (w.size() == 1 && w[0] == 0x60) return {0x96};
        if (w.size() > 1) {
            lastFrame = w;
            block.assign(w.begin() + 1, w.end() - 1);
            return {0x96};
        }
        return {};
    }
};

// Records every message with whether the line was held at that moment.
struct LineWatch : qv::test::FakeDialogs {
    qv::link::Session* session = nullptr;
    std::vector<bool> held;
    void message(QWidget* w, const QString& caption, const QString& text) override {
        held.push_back(!session->idle());
        FakeDialogs::message(w, caption, text);
    }
};

struct ConfigurationPage : ::testing::Test {
    qv::test::TempCwd dir;
    LineWatch dialogs;
    qv::text::AppSettings settings;
    QObject context;  // where the connection's results arrive
    qv::link::Session session{settings.deviceFamily, settings.refreshRate, qv::window::postTo(&context)};
    std::vector<int> notes;  // status texts the page gave
    QStringList noteArgs;    // those of the last one
    std::vector<int> withdrawn;
    ScriptedLink* link = nullptr;
    MeterScript meter;
    std::unique_ptr<CKonfiguration> page;

    void SetUp() override {
        qv::test::qtApp();
        dialogs.session = &session;
        qv::dialog::setDialogService(&dialogs);
        qv::text::setProgramDir(settings, std::string(QV_RUN_DIR) + "/");
        settings.iniPath = (dir.path / "QV-GUI.ini").string();  // the installed ini stays untouched
        link = qv::test::attachScriptedLink(session, [this] { qv::window::waitForLine(session, &context); });
        link->respond = [this](const Bytes& w) { return meter(w); };
    }
    void TearDown() override { qv::dialog::setDialogService(&qv::test::fakeDialogs()); }

    void open(int language = 0, int greyOut = 0) {
        settings.language = language;
        settings.greyOut = greyOut;
        // The tab title follows the settings file the page finds at start.
        dir.write("QV-GUI.ini", "[DATEN]\r\nLANGUAGE=" + std::to_string(language) + "\r\n");
        page = std::make_unique<CKonfiguration>(&settings, &session);
        page->setStatusNote(
            [this](int n, const QStringList& args) {
                notes.push_back(n);
                noteArgs = args;
            },
            [this](int n) { withdrawn.push_back(n); });
        page->show();
    }
    QComboBox* combo(int id) const { return page->controlAs<QComboBox>(id); }
    QLineEdit* edit(int id) const { return page->controlAs<QLineEdit>(id); }
    // As the user does it: the control changes, then its notification.
    void choose(int id, int index) {
        combo(id)->setCurrentIndex(index);
        emit combo(id)->activated(index);
    }
    void type(int id, const QString& text) {
        edit(id)->setText(text);
        emit edit(id)->textEdited(text);
    }
    // A button, and what it gave the line done.
    void click(int id) {
        page->controlAs<QPushButton>(id)->click();
        qv::window::waitForLine(session, &context);
    }
    // The page opened and the meter's set read, the page's family before being family.
    void openAndRead(int code, int family) {
        open();
        settings.deviceFamily = family;
        meter.code = code;
        meter.block = goodBlock(code);
        click(ReadButton);
    }
    bool visible(int id) const { return page->isControlVisible(id); }
    bool enabled(int id) const { return page->control(id)->isEnabled(); }
    std::vector<int> visibleMarkers(bool error) const {
        std::vector<int> out;
        for (const auto& r : rows())
            if (visible(error ? r.errorMarker : r.changedMarker)) out.push_back(error ? r.errorMarker : r.changedMarker);
        return out;
    }
    void settle() {
        while (page->settleCountdown() > 0) page->settleTick();
    }
    QString caption(int message) const { return page->texts().messageLine(message, 0); }
    std::vector<QString> captions() const {
        std::vector<QString> out;
        for (const auto& b : dialogs.boxes) out.push_back(b.caption);
        return out;
    }
    // A block that passes the check for a model of the family.
    static Bytes goodBlock(int code) {
        ControlValues v;
        const int family = (code - 1) / 15;
        v.index = {{Language, 2},   {Sensor, 0},       {VelocityUnit, 1}, {TemperatureUnit, 0}, {VolumeUnit, 2},
                   {TotalUnit, 1},  {Line1, 0},        {Line2, 1},        {Backlight, 1},       {Assignment, 0},
                   {FreqOutput, 1}, {TpFitting, 1},    {BvFitting, 0},    {Medium, 1},          {Mode, 0}};
        v.text = {{TValue, family == 1 ? "120" : "40"}, {CValue, family == 1 ? "400" : "900"},
                  {PipeSize, "80"},   {FlowStart, "0"},  {FlowEnd, "3"},  {TempStart, "0"}, {TempEnd, "90"},
                  {Gk1On, "1.5"},     {Gk1Off, "1.2"},   {Gk2On, "0.4"},  {Gk2Off, "0.6"},
                  {PulseFrequency, "25"}, {MeasuringTime, "7"}, {MultFactor, "1.25"}, {Pressure, "2.5"}};
        return encodeBlock(family, v);
    }
};

}  // namespace

TEST_F(ConfigurationPage, StartsWithTheDialogListsAndFamilyListsFollowTheModel) {
    open();
    EXPECT_EQ(page->pageReady(), 1);
    EXPECT_EQ(page->tabTitle(), "Konfiguration");
    EXPECT_EQ(combo(Model)->count(), 46);
    EXPECT_EQ(combo(Model)->currentIndex(), -1);
    EXPECT_EQ(combo(Sensor)->count(), 16);
    EXPECT_EQ(combo(VolumeUnit)->count(), 11);
    EXPECT_EQ(combo(VolumeUnit)->itemText(0), "l/sec");
    EXPECT_EQ(combo(TotalUnit)->count(), 5);
    EXPECT_TRUE(visibleMarkers(false).empty());
    EXPECT_TRUE(visibleMarkers(true).empty());
    EXPECT_EQ(edit(TValue)->text(), "");

    choose(Model, 17);
    EXPECT_EQ(settings.deviceFamily, 1);
    EXPECT_EQ(combo(Sensor)->count(), 5);
    EXPECT_EQ(combo(VolumeUnit)->count(), 11);
    EXPECT_EQ(combo(TotalUnit)->count(), 5);
    EXPECT_EQ(combo(Sensor)->currentIndex(), -1);
    choose(Model, 35);
    EXPECT_EQ(settings.deviceFamily, 2);
    EXPECT_EQ(combo(Sensor)->count(), 4);
    EXPECT_EQ(combo(VolumeUnit)->count(), 4);
    EXPECT_EQ(combo(TotalUnit)->count(), 3);
    choose(Model, 0);  // "----" keeps the family
    EXPECT_EQ(settings.deviceFamily, 2);
    EXPECT_EQ(page->selectedCode(), 0);
}

TEST_F(ConfigurationPage, LanguageListsAndTheirSwitch) {
    open(1);
    EXPECT_EQ(page->tabTitle(), "Configuration");
    EXPECT_EQ(combo(Medium)->itemText(0), "air");
    EXPECT_EQ(combo(Medium)->itemText(6), "hydrogen");
    EXPECT_EQ(combo(Mode)->itemText(0), "standard flow");
    EXPECT_EQ(combo(Mode)->itemText(1), "operating flow");
    choose(Medium, 2);
    settings.language = 2;
    page->reloadTexts();
    EXPECT_EQ(combo(Medium)->currentText(), QString::fromUtf8("oxygène"));
    EXPECT_EQ(combo(Line1)->itemText(0), "vitesse + temp");
    // Every control carries its visible caption as its name.
    EXPECT_EQ(page->control(TValue)->accessibleName(), page->controlText(1018));
    EXPECT_EQ(page->control(Medium)->accessibleName(), "Fluide");
}

TEST_F(ConfigurationPage, UnitStaticsFollowTheUnitsAndTheAssignment) {
    open();
    choose(Model, 12);
    choose(VelocityUnit, 1);  // "m/s"
    choose(TemperatureUnit, 1);
    // No assignment chosen: the contacts show the temperature unit.
    EXPECT_EQ(page->controlText(Gk1OnUnit), QString::fromUtf8("°F"));
    choose(Assignment, 0);
    for (int id : {FlowStartUnit, FlowEndUnit, Gk1OnUnit, Gk1OffUnit, Gk2OnUnit, Gk2OffUnit})
        EXPECT_EQ(page->controlText(id), "m/s") << id;
    EXPECT_EQ(page->controlText(TempStartUnit), QString::fromUtf8("°F"));
    choose(Assignment, 2);
    EXPECT_EQ(page->controlText(Gk1OnUnit), "m/s");
    EXPECT_EQ(page->controlText(Gk2OffUnit), QString::fromUtf8("°F"));
    choose(Assignment, 1);
    EXPECT_EQ(page->controlText(Gk1OffUnit), QString::fromUtf8("°F"));
    EXPECT_EQ(page->controlText(Gk2OnUnit), "m/s");
    choose(TotalUnit, 1);
    EXPECT_EQ(page->controlText(PulseUnit), QString::fromUtf8("m³"));
    click(ClearButton);
    EXPECT_EQ(page->controlText(Gk1OnUnit), "");
    EXPECT_EQ(page->controlText(TimeUnit), "s");
}

TEST_F(ConfigurationPage, VariantsHideOrGreyTheRowsAModelLacks) {
    open();
    choose(Model, 1);
    for (int id : std::initializer_list<int>{FlowOffset, FlowStart, 1067, FlowStartUnit, TempEnd, Assignment, Gk2Off, FreqOutput, PulseFrequency,
                   PulseUnit, Medium, Pressure, PressureUnit, Mode, TpFitting, BvFitting})
        EXPECT_FALSE(visible(id)) << id;
    for (int id : {TValue, CValue, PipeSize, MeasuringTime, MultFactor, Backlight, Line2}) EXPECT_TRUE(visible(id)) << id;

    settings.greyOut = 1;
    choose(Model, 1);
    EXPECT_TRUE(visible(FlowStart));
    EXPECT_FALSE(enabled(FlowStart));
    EXPECT_FALSE(enabled(Medium));

    settings.greyOut = 0;
    choose(Model, 16);
    choose(Sensor, 2);  // "ZRN31GM1" on a TP fitting
    EXPECT_TRUE(visible(TpFitting));
    EXPECT_FALSE(visible(BvFitting));
    EXPECT_FALSE(visible(PipeSize));
    choose(Sensor, 0);
    EXPECT_FALSE(visible(TpFitting));
    EXPECT_TRUE(visible(PipeSize));
    // A row hidden by the sensor takes its marker along and brings it back.
    type(PipeSize, "123");
    const int pipeChanged = rowOf(PipeSize)->changedMarker;
    EXPECT_TRUE(visible(pipeChanged));
    choose(Sensor, 2);
    EXPECT_FALSE(visible(pipeChanged));
    choose(Sensor, 0);
    EXPECT_TRUE(visible(pipeChanged));
    choose(Model, 31);
    EXPECT_FALSE(visible(Medium));
    choose(Sensor, 1);
    EXPECT_TRUE(visible(BvFitting));
    choose(Model, 0);
    for (int id : {FlowStart, Medium, PulseFrequency, PipeSize}) EXPECT_TRUE(visible(id)) << id;
    EXPECT_FALSE(visible(TpFitting));
}

TEST_F(ConfigurationPage, ReadFillsEveryRowAndSettlesBeforeMarkersCount) {
    openAndRead(27, 0);  // identified before, as another meter
    EXPECT_EQ(link->commandsSent(), (std::vector<std::uint8_t>{0x50, 0x30}));
    EXPECT_EQ(combo(Model)->currentIndex(), 27);
    EXPECT_EQ(page->selectedCode(), 27);
    EXPECT_EQ(settings.deviceFamily, 1);
    EXPECT_EQ(combo(Sensor)->count(), 5);
    EXPECT_EQ(combo(Language)->currentText(), "Francais");
    EXPECT_EQ(combo(Medium)->currentIndex(), 1);
    EXPECT_EQ(edit(TValue)->text(), "120");
    EXPECT_EQ(edit(CValue)->text(), "400");
    EXPECT_EQ(edit(Gk1On)->text(), "  1.50");
    EXPECT_EQ(edit(MeasuringTime)->text(), " 7");
    EXPECT_EQ(edit(Pressure)->text(), "  2.50");
    EXPECT_TRUE(page->controlAs<QCheckBox>(FreqOutput)->isChecked());
    EXPECT_EQ(page->controlText(FlowEndUnit), "m/s");
    EXPECT_EQ(page->settleCountdown(), CKonfiguration::kSettleTicks);
    EXPECT_TRUE(visibleMarkers(false).empty());
    EXPECT_EQ(page->readBlock(1)[0], meter.block[0]);

    type(Gk1On, "1.7");  // within the settle time: no marker
    EXPECT_FALSE(visible(1096));
    settle();
    type(Gk1On, "1.6");
    EXPECT_TRUE(visible(1096));
    type(Gk1On, "1.50");
    EXPECT_FALSE(visible(1096));
    choose(Medium, 2);
    EXPECT_TRUE(visible(1136));
    page->controlAs<QCheckBox>(FreqOutput)->click();
    EXPECT_TRUE(visible(1112));
    EXPECT_EQ(notes, std::vector<int>{CKonfiguration::kNoteRead});  // the read says that it read, nothing more
    click(CheckButton);
    EXPECT_TRUE(visibleMarkers(true).empty()) << "a read set passes the check";
    EXPECT_EQ(notes, (std::vector<int>{CKonfiguration::kNoteRead, CKonfiguration::kNoteCheckPassed}));
}

TEST_F(ConfigurationPage, ReadDoesNothingWithoutLinkOrFamilyButSaysSo) {
    open();
    click(ReadButton);  // no family known yet
    EXPECT_TRUE(link->log.empty());
    settings.deviceFamily = 0;
    qv::test::detachLink(session, [this] { qv::window::waitForLine(session, &context); });
    click(ReadButton);
    EXPECT_EQ(combo(Model)->currentIndex(), -1);
    EXPECT_EQ(notes, (std::vector<int>{CKonfiguration::kNoteNoFamily, CKonfiguration::kNoteNoLink}));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ConfigurationPage, SilentMeterKeepsWhatThePageShows) {
    open();
    choose(Model, 5);
    type(TValue, "42");
    meter.answerType = false;
    meter.answerBlock = false;
    click(ReadButton);
    EXPECT_EQ(link->commandsSent(), (std::vector<std::uint8_t>{0x50, 0x30}));
    EXPECT_EQ(combo(Model)->currentIndex(), 5);
    EXPECT_EQ(edit(TValue)->text(), "42");
    EXPECT_TRUE(visible(1019));  // nothing was read: the edit still differs from what was
    EXPECT_EQ(page->settleCountdown(), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(notes, std::vector<int>{CKonfiguration::kNoteNoBlock});
}

TEST_F(ConfigurationPage, CutOrBabblingRepliesLeaveThePageAsItWas) {
    openAndRead(5, 0);
    ASSERT_EQ(edit(TValue)->text(), "40");
    settle();
    type(TValue, "41");
    const ControlValues before = page->values();
    const Bytes good = meter.block;
    for (std::size_t keep : {std::size_t(1), std::size_t(10), good.size() - 2}) {
        SCOPED_TRACE(keep);
        meter.block = good;
        meter.block.resize(keep);  // cut short
        click(ReadButton);
        EXPECT_EQ(page->values().text, before.text);
        EXPECT_EQ(page->values().index, before.index);
        EXPECT_EQ(page->settleCountdown(), 0);
    }
    // A cut block from a meter of another family: the model row stays with
    // the family whose lists are shown.
    meter.code = 20;
    click(ReadButton);
    EXPECT_EQ(combo(Model)->currentIndex(), 5);
    EXPECT_EQ(page->values().index, before.index);
    // Bytes beyond the block do not hide it: the block still starts at byte 2.
    meter.code = 5;
    meter.block = good;
    meter.block.resize(77, 0x5A);
    click(ReadButton);
    EXPECT_EQ(edit(TValue)->text(), "40");
    EXPECT_GT(page->settleCountdown(), 0);
    settle();
    // A block reply not led by the echo of its request: damaged, named, not shown.
    meter.block = good;
    link->respond = [this](const Bytes& w) {
        Bytes r = meter(w);
        if (w[0] == 0x30) r.insert(r.begin(), 0x07);
        return r;
    };
    notes.clear();
    click(ReadButton);
    EXPECT_EQ(edit(TValue)->text(), "40");
    EXPECT_EQ(notes, std::vector<int>{CKonfiguration::kNoteDamaged});
    // A type reply too short to hold a code keeps the model.
    meter.block = good;
    link->respond = [this](const Bytes& w) { return w[0] == 0x50 ? Bytes{0x50} : meter(w); };
    click(ReadButton);
    EXPECT_EQ(combo(Model)->currentIndex(), 5);
    EXPECT_EQ(edit(TValue)->text(), "40");
}

// A check's note and a comparison describe the values they saw: whatever
// changes the values (an edit, a read, a load, clearing) takes them away; a
// new language says the same again in its words.
TEST_F(ConfigurationPage, NotesAndComparisonsLastAsLongAsTheirTruth) {
    openAndRead(5, 0);
    settle();
    click(CheckButton);
    EXPECT_EQ(notes.back(), CKonfiguration::kNoteCheckPassed);
    withdrawn.clear();
    type(MeasuringTime, "99");
    EXPECT_EQ(withdrawn, (std::vector<int>{CKonfiguration::kNoteCheckPassed, CKonfiguration::kNoteCheckFailed,
                                           CKonfiguration::kNoteCheckFailedOne}));
    click(CheckButton);
    EXPECT_EQ(notes.back(), CKonfiguration::kNoteCheckFailedOne);  // one value: its own words
    EXPECT_EQ(noteArgs, (QStringList{"1", page->controlText(rowOf(MeasuringTime)->caption).remove('&').trimmed()}));
    const std::function<void()> changes[] = {
        [&] { type(MeasuringTime, "7"); },
        [&] { click(ReadButton); },
        [&] { page->clearAll(); },
    };
    settle();
    type(MeasuringTime, "29");
    click(CKonfiguration::kCompareMeterButton);
    const QStringList german = page->differenceLines();
    settings.language = 1;
    page->reloadTexts();
    const QStringList english = page->differenceLines();
    EXPECT_EQ(english.size(), german.size());
    EXPECT_NE(english.first(), german.first());
    EXPECT_TRUE(visible(CKonfiguration::compareMarker(MeasuringTime)));
    for (const auto& change : changes) {
        settle();
        type(MeasuringTime, "29");
        click(CKonfiguration::kCompareMeterButton);
        ASSERT_GE(page->differenceLines().size(), 2);
        EXPECT_TRUE(visible(CKonfiguration::compareMarker(MeasuringTime)));
        change();
        EXPECT_TRUE(page->differenceLines().isEmpty());
        EXPECT_FALSE(visible(CKonfiguration::compareMarker(MeasuringTime)));
        EXPECT_EQ(page->controlText(CKonfiguration::kDifferencesCaption), "&Differences");  // no list, no time
    }
    // The meter identified again (back after an outage, or another one): the
    // list says it is from before, in the language in use, and marks no row;
    // its caption keeps the time it was made. A new comparison is of now.
    click(ReadButton);
    settle();
    type(MeasuringTime, "29");
    click(CKonfiguration::kCompareMeterButton);
    const QStringList before = page->differenceLines();
    const QString caption = page->controlText(CKonfiguration::kDifferencesCaption);
    EXPECT_TRUE(caption.contains(QRegularExpression(QStringLiteral("^&Differences \\(\\d\\d:\\d\\d:\\d\\d\\)$"))))
        << caption.toStdString();
    page->meterIdentified();
    EXPECT_TRUE(page->differenceLines().value(0).startsWith("From before the meter was identified again at "));
    EXPECT_EQ(page->differenceLines().mid(1), before);
    EXPECT_FALSE(visible(CKonfiguration::compareMarker(MeasuringTime)));
    settings.language = 0;
    page->reloadTexts();
    EXPECT_TRUE(page->differenceLines().value(0).startsWith(QString::fromUtf8("Von vor der erneuten Erkennung")));
    EXPECT_TRUE(page->controlText(CKonfiguration::kDifferencesCaption).endsWith(caption.mid(caption.indexOf('('))));
    click(CKonfiguration::kCompareMeterButton);
    EXPECT_TRUE(page->differenceLines().value(0).startsWith(QString::fromUtf8("Vergleich")));
    EXPECT_TRUE(visible(CKonfiguration::compareMarker(MeasuringTime))) << page->differenceLines().join('|').toStdString();
}

TEST_F(ConfigurationPage, WriteIsGuardedByTheCheck) {
    open();
    choose(Model, 12);
    click(WriteButton);  // nothing filled in: the units stop the check first
    EXPECT_TRUE(link->log.empty());
    EXPECT_EQ(captions(), std::vector<QString>{caption(CKonfiguration::kMsgCheckFailed)});
    EXPECT_EQ(visibleMarkers(true), (std::vector<int>{1038, 1040}));
    settle();
    choose(VelocityUnit, 1);
    choose(TemperatureUnit, 0);
    click(WriteButton);
    EXPECT_TRUE(link->log.empty());
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_TRUE(visible(1035));
    EXPECT_TRUE(visible(1028));
    EXPECT_FALSE(visible(1026));
    type(TValue, "40");
    EXPECT_TRUE(visible(1035));  // within the check's settle time the marker stays
    settle();
    type(TValue, "41");
    EXPECT_FALSE(visible(1035));
}

TEST_F(ConfigurationPage, WriteSendsTheFrameAndReportsTheAnswer) {
    for (int code : {12, 27, 42}) {
        SCOPED_TRACE(code);
        const int family = (code - 1) / 15;
        openAndRead(code, family);
        settle();
        link->log.clear();
        dialogs.boxes.clear();
        dialogs.held.clear();
        click(WriteButton);
        EXPECT_EQ(captions(), std::vector<QString>{caption(CKonfiguration::kMsgWritten)});
        EXPECT_EQ(dialogs.held, std::vector<bool>{true});
        ASSERT_EQ(meter.lastFrame.size(), blockSize(family) + 2);
        EXPECT_EQ(meter.lastFrame[0], qv::protocol::familyLetter(family));
        EXPECT_EQ(Bytes(meter.lastFrame.begin() + 1, meter.lastFrame.end() - 1), meter.block);
        EXPECT_EQ(link->log[1], "W 60");
        EXPECT_EQ(settings.deviceCode, code);

        // Read back at once, before the box: the meter holds what was sent.
        EXPECT_EQ(link->commandsSent().back(), 0x30);
        EXPECT_TRUE(page->differenceLines().value(0).startsWith("Verifiziert")) << page->differenceLines().join('|').toStdString();
        EXPECT_TRUE(page->readBackOffered());

        // Every verdict of a refused or lost write: tests/cli/same_verdict_test.cpp.
        EXPECT_TRUE(session.idle());
    }
}

TEST_F(ConfigurationPage, CheckWithoutModelMarksOnlyTheModel) {
    open();
    click(CheckButton);
    EXPECT_EQ(visibleMarkers(true), std::vector<int>{ModelErrorMarker});
    choose(Model, 3);  // the check's settle time: ignored
    EXPECT_EQ(page->selectedCode(), 0);
    settle();
    choose(Model, 3);
    EXPECT_TRUE(visibleMarkers(true).empty());
    choose(VelocityUnit, 1);
    choose(TemperatureUnit, 0);
    edit(PulseFrequency)->setText("12,5");
    click(CheckButton);
    EXPECT_EQ(edit(PulseFrequency)->text(), "12.5");
    EXPECT_FALSE(visible(1117));
}

TEST_F(ConfigurationPage, SaveWritesCodeAndBlock) {
    open();
    choose(Model, 5);
    type(TValue, "33");
    const fs::path file = dir.path / "sub" / "set.cfg";
    fs::create_directories(file.parent_path());
    dialogs.fileAnswers.push_back(QString::fromStdString(file.string()));
    click(SaveButton);
    EXPECT_EQ(dialogs.fileTitles.back(), caption(CKonfiguration::kMsgSaveTitle));
    const std::string bytes = dir.read("sub/set.cfg");
    ASSERT_EQ(bytes.size(), 101u);
    EXPECT_EQ(bytes[0], 5);
    EXPECT_EQ(bytes[1 + 2], 33);
    EXPECT_TRUE(std::all_of(bytes.begin() + 64, bytes.end(), [](char c) { return c == 0; }));
    EXPECT_EQ(settings.workingDir, file.parent_path().string() + "/");
    EXPECT_NE(dir.read("QV-GUI.ini").find(file.parent_path().string()), std::string::npos);

    // Nothing identified and no model: the code byte alone.
    open();
    settings.deviceFamily = -1;
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "empty.cfg").string()));
    click(SaveButton);
    EXPECT_EQ(dir.read("empty.cfg"), std::string(1, '\0'));  // no selection is stored as "----"

    dialogs.boxes.clear();
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "missing" / "x.cfg").string()));
    click(SaveButton);
    EXPECT_EQ(captions(), std::vector<QString>{caption(CKonfiguration::kMsgFile)});
    click(SaveButton);  // cancelled: nothing at all
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}

TEST_F(ConfigurationPage, LoadSwitchesFamilyAndRestoresEveryControl) {
    openAndRead(27, 1);
    settle();
    const ControlValues before = page->values();
    const fs::path file = dir.path / "gx.cfg";
    dialogs.fileAnswers.push_back(QString::fromStdString(file.string()));
    click(SaveButton);

    choose(Model, 3);
    click(ClearButton);
    EXPECT_EQ(settings.deviceFamily, 0);
    dialogs.fileAnswers.push_back(QString::fromStdString(file.string()));
    click(LoadButton);
    EXPECT_EQ(dialogs.fileTitles.back(), caption(CKonfiguration::kMsgLoadTitle));
    EXPECT_EQ(settings.deviceFamily, 1);
    EXPECT_EQ(settings.deviceCode, 27);
    const ControlValues after = page->values();
    EXPECT_EQ(after.index, before.index);
    EXPECT_EQ(after.text, before.text);
    EXPECT_TRUE(visibleMarkers(false).empty());

    // Byte 0 = 17 alone: "KT740-GX-M1P2S1", family 1 lists, the GX rows shown.
    choose(Model, 3);
    dir.write("17.cfg", std::string(1, '\x11'));
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "17.cfg").string()));
    click(LoadButton);
    EXPECT_EQ(combo(Model)->currentText(), "KT740-GX-M1P2S1");
    EXPECT_EQ(combo(Sensor)->count(), 5);
    for (int id : {Medium, Pressure, Mode}) EXPECT_TRUE(visible(id)) << id;
    EXPECT_EQ(combo(Sensor)->currentIndex(), -1);  // byte 1 = 0 names no sensor
}

TEST_F(ConfigurationPage, OddFilesLoadWithoutHarm) {
    open();
    auto load = [&](const std::string& name, const std::string& bytes) {
        dir.write(name, bytes);
        dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / name).string()));
        click(LoadButton);
    };
    load("empty.cfg", "");
    EXPECT_EQ(combo(Model)->currentIndex(), 0);
    EXPECT_EQ(settings.deviceFamily, -1);
    // A code that names no family while none is known: nothing to lay out.
    type(TValue, "12");
    load("odd.cfg", std::string("\x7F") + std::string(100, '\x33'));
    EXPECT_EQ(combo(Model)->currentIndex(), -1);
    EXPECT_EQ(page->selectedCode(), 127);
    EXPECT_EQ(edit(TValue)->text(), "12");
    // Code 0 keeps the family and lays the block out by it.
    settings.deviceFamily = 2;
    load("zero.cfg", std::string(1, '\0') + std::string(1, char(12)));
    EXPECT_EQ(combo(Language)->currentIndex(), 1);
    EXPECT_EQ(combo(Sensor)->count(), 4);
    std::string big(1 << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = char(i * 7919 % 251);
    load("big.cfg", big);
    SUCCEED();
    // A file that cannot be opened, and a cancel: message 4 once, no change.
    dialogs.boxes.clear();
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "nope.cfg").string()));
    click(LoadButton);
    click(LoadButton);
    EXPECT_EQ(captions(), std::vector<QString>{caption(CKonfiguration::kMsgFile)});
}

TEST_F(ConfigurationPage, ClearAllEmptiesButKeepsModelAndVisibility) {
    openAndRead(1, 0);
    click(ClearButton);
    for (const auto& r : rows()) {
        if (r.kind == Kind::Combo) {
            EXPECT_EQ(combo(r.control)->currentIndex(), -1) << r.control;
        } else if (r.kind == Kind::Edit) {
            EXPECT_EQ(edit(r.control)->text(), "") << r.control;
        } else {
            EXPECT_FALSE(page->controlAs<QCheckBox>(r.control)->isChecked()) << r.control;
        }
    }
    EXPECT_EQ(page->selectedCode(), 1);
    EXPECT_FALSE(visible(FlowStart));  // model 1's layout stays
    EXPECT_EQ(page->readValues().number.at(TValue), 40.0f);
}

TEST_F(ConfigurationPage, TabWalksTheButtonsThenTheLeftColumnThenTheRight) {
    open();
    std::vector<int> order;
    QWidget* w = page->control(ReadButton);
    for (int guard = 0; guard < 200 && order.size() < 44; ++guard, w = w->nextInFocusChain()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible()) continue;
        const QString name = w->objectName();
        if (name.startsWith("ctl")) order.push_back(name.mid(3).toInt());
    }
    const std::vector<int> expected = {
        ReadButton, WriteButton, CheckButton, SaveButton, LoadButton, ClearButton, CKonfiguration::kCompareMeterButton,
        CKonfiguration::kCompareFileButton, CKonfiguration::kReadBackButton, Model, Language, Sensor, TValue, CValue,
        PipeSize, TpFitting, BvFitting,
        VelocityUnit, TemperatureUnit, VolumeUnit, TotalUnit, Line1, Line2, Backlight, MeasuringTime, MultFactor,
        FlowOffset, FlowStart, FlowEnd, TempOffset, TempStart, TempEnd, Assignment, Gk1On, Gk1Off, Gk2On, Gk2Off,
        FreqOutput, PulseFrequency, Medium, Pressure, Mode, CKonfiguration::kDifferencesList};
    EXPECT_EQ(order, expected);
}
