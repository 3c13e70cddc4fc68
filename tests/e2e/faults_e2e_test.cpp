// Faults on the line and on the disk, end to end: the simulator on a real
// pseudo terminal with its faults switched on and off while the sheet
// records, and the recording's file system made read-only or full.
// What must hold: no crash, the poll resumes within one cycle after the
// fault, no line is lost without message 14, earlier bytes stay untouched.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <regex>
#include <sstream>
#include <sys/mount.h>
#include <unistd.h>

#include "window/sheet/sheet.h"
#include "window/services/status_line.h"
#include "window/pages/configuration/konfiguration.h"
#include "window/pages/graph/grafik.h"
#include "window/pages/operation/betrieb.h"
#include "window/pages/settings/einstellungen.h"
#include "tests/support/qt_app.h"
#include "tests/support/recording_file.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

using qv::pages::CBetrieb;
using qv::test::commaNumber;
using qv::test::splitFields;
using qv::test::splitLines;

namespace {

enum class Disk { Fine, ReadOnly, Full };

struct Fault {
    const char* name;
    std::vector<std::string> simArgs;  // switched on and off by SIGUSR1
    Disk disk = Disk::Fine;
    int rounds = 2;  // writes tried, where the fault needs a few to strike
};

void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

// The slowest first, so a parallel run ends sooner.
const Fault kFaults[] = {
    {"full", {}, Disk::Full},
    {"silence", {"--silent"}},
    {"dropped", {"--drop", "0.6"}},
    {"cut", {"--cut", "0.6"}},
    {"lengthened", {"--lengthen", "0.6"}},
    {"garbage", {"--garbage", "0.8"}},
    {"flood", {"--flood"}},
    {"late", {"--delay", "150"}},
    {"readonly", {}, Disk::ReadOnly},
};

// The recording's directory, a 64 KiB file system of its own where root may
// mount one; unmounted before the directory goes.
struct SmallDisk {
    std::filesystem::path path;
    bool mounted = false;
    explicit SmallDisk(std::filesystem::path p) : path(std::move(p)) {
        std::filesystem::create_directory(path);
        mounted = geteuid() == 0 && ::mount("tmpfs", path.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk() {
        if (mounted) ::umount2(path.c_str(), MNT_DETACH);
    }
    bool readOnly(bool on) const {
        if (mounted) return ::mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | (on ? MS_RDONLY : 0), nullptr) == 0;
        std::filesystem::permissions(path, on ? std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec
                                              : std::filesystem::perms::owner_all);
        for (const auto& e : std::filesystem::directory_iterator(path))
            std::filesystem::permissions(e.path(), on ? std::filesystem::perms::owner_read
                                                      : std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        return true;
    }
    void fill() const {
        const int fd = ::open((path / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string block(4096, 'x');
        while (::write(fd, block.data(), block.size()) > 0) {}
        while (::write(fd, block.data(), 1) > 0) {}
        ::close(fd);
    }
    void empty() const { std::filesystem::remove(path / "filler"); }
};

class LineAndDisk : public ::testing::TestWithParam<Fault> {};

}  // namespace

TEST_P(LineAndDisk, PollResumesAndTheRecordingStaysWhole) {
    const Fault& fault = GetParam();
    qv::test::qtApp();
    auto& dialogs = qv::test::fakeDialogs();
    dialogs.boxes.clear();
    dialogs.fileAnswers.clear();
    qv::test::TempCwd dir;
    dir.write("Messages_de.txt", "#14\r\nM14\r\nKann nicht schreiben\r\n\r\n#82\r\nAngehalten: %1 (%2)\r\n\r\n#83\r\nDatentr\xE4ger voll\r\n\r\n");
    // A long error text makes lines of 2 kB: the second one crosses the end
    // of the small disk's first page, where a full disk cuts it off part-way.
    dir.write("Betrieb_Fehlertext_de.txt", "#0\r\nKein Fehler" + std::string(1900, '.') + "\r\n");
    SmallDisk disk(dir.path / "disk");
    const bool root = geteuid() == 0;
    if (fault.disk == Disk::Full && !disk.mounted) GTEST_SKIP() << "a full disk needs a tmpfs, which only root mounts";
    if (fault.disk == Disk::ReadOnly && root && !disk.mounted) GTEST_SKIP() << "root writes into read-only directories";

    std::vector<std::string> args{"--model", "2", "--seed", "3"};
    args.insert(args.end(), fault.simArgs.begin(), fault.simArgs.end());
    qv::test::SimProcess sim((dir.path / "COM1").string(), args);
    ASSERT_TRUE(sim.linked());
    const bool lineFault = !fault.simArgs.empty();
    if (lineFault) sim.signal(SIGUSR1);  // off until the recording runs

    std::uint32_t now = 1'000'000;
    qv::window::CAllControlsSheet sheet([&] { return now; });
    sheet.show();
    sheet.waitForLine();
    sheet.tabs()->setCurrentIndex(3);  // the Graph page counts the delivered cycles
    auto* graph = sheet.graphPage();
    graph->OnPlotStart();
    sheet.tabs()->setCurrentIndex(2);
    auto* page = sheet.operationPage();
    auto tick = [&] {
        sheet.tick();
        now += 100;
    };
    for (int i = 0; i < 100 && !page->recordStartEnabled(); ++i) tick();
    ASSERT_TRUE(page->recordStartEnabled());
    dialogs.fileAnswers.push_back(QString::fromStdString((disk.path / "m.csv").string()));
    page->controlAs<QPushButton>(CBetrieb::RecordStart)->click();
    ASSERT_TRUE(page->recording());
    auto file = [&] { return dir.read("disk/m.csv"); };
    auto written = [&] { return int(splitLines(file()).size()) - 2; };  // without model and header
    auto failed = [&] {
        int n = 0;
        for (const auto& b : dialogs.boxes) n += b.caption == "M14";
        return n;
    };
    for (int i = 0; i < 100 && written() < 1; ++i) tick();
    ASSERT_EQ(written(), 1);
    const std::string before = file();
    const int samples = graph->sampleCount();
    const int missed = sheet.session().pollCounters().unanswered + sheet.session().pollCounters().wrongLength;

    // The fault, for longer than the outage rule's refresh interval (a step
    // unanswered for so long restarts the cycle); on the disk until a line failed.
    if (lineFault) sim.signal(SIGUSR1);
    // A folder turned read-only under a running recording: the file is open
    // and takes its lines all the same (on a mount of its own the system
    // refuses to turn it read-only while the file is open for writing).
    if (fault.disk == Disk::ReadOnly) disk.readOnly(true);
    if (fault.disk == Disk::Full) disk.fill();
    // The failed line's message 14 stays open for ten refresh intervals, the
    // window's timer running meanwhile: the meter was fine all along.
    bool outageShown = false;
    dialogs.whileShown = [&] {
        for (int i = 0; i < 200; ++i, now += 100) sheet.session().tick();
        outageShown = outageShown || page->stale() || !sheet.settingsPage()->meterShown();
    };
    for (int i = 0; i < 300 && (i < 25 || (fault.disk == Disk::Full && failed() < 1)); ++i) tick();
    if (lineFault) {
        EXPECT_GT(sheet.session().pollCounters().unanswered + sheet.session().pollCounters().wrongLength, missed) << "the fault reached the poll";
        sim.signal(SIGUSR1);
    } else if (fault.disk == Disk::Full) {
        // Said once, with its cause, while it lasts; the recording waits, paused.
        for (int i = 0; i < 25; ++i) tick();
        EXPECT_EQ(failed(), 1) << "one failure, one message";
        EXPECT_TRUE(sheet.statusLine()->problemText().contains(QString::fromUtf8("Datentr\u00e4ger voll")))
            << sheet.statusLine()->problemText().toStdString();
        EXPECT_TRUE(page->recordingFailed());
        EXPECT_FALSE(outageShown) << "a message box is no outage";
    }
    dialogs.whileShown = nullptr;
    if (fault.disk == Disk::ReadOnly) disk.readOnly(false);
    if (fault.disk == Disk::Full) disk.empty();

    // Mended: the next cycle delivers and is written. A cycle starts once a
    // refresh interval, then takes at most one tick per exchange.
    const std::uint32_t mended = now;
    const int writtenAtMend = written();
    for (int i = 0; i < 100 && written() == writtenAtMend; ++i) tick();
    EXPECT_GT(written(), writtenAtMend);
    EXPECT_LE(now - mended, 2000u + 11 * 100u) << "the poll resumes within one cycle";
    EXPECT_FALSE(page->stale());
    EXPECT_FALSE(page->recordingFailed());
    EXPECT_TRUE(sheet.statusLine()->problemText().isEmpty());

    const std::string after = file();
    EXPECT_EQ(after.compare(0, before.size(), before), 0) << "earlier bytes are never damaged";
    const auto lines = splitLines(after);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "KT740-M1P2S1");
    EXPECT_EQ(lines[1].rfind("Datum; Uhrzeit; ", 0), 0u);
    for (std::size_t i = 2; i < lines.size(); ++i) {
        const auto f = splitFields(lines[i]);
        ASSERT_EQ(f.size(), 18u) << "line " << i << ": " << lines[i].substr(0, 120);
        EXPECT_TRUE(std::regex_match(f[0], std::regex(R"(\d{4}\.\d{2}\.\d{2})"))) << f[0];
        EXPECT_EQ(f[17].rfind("Kein Fehler", 0), 0u);
    }
    // Every cycle delivered since the fault began is a line, unless the disk
    // was full, which was said (the Graph page adds one sample for an outage's gap).
    const int delivered = graph->sampleCount() - samples;
    const int recorded = written() - 1;
    if (fault.disk == Disk::Full) {
        EXPECT_GT(delivered, recorded);
    } else {
        EXPECT_EQ(failed(), 0);
        EXPECT_LE(delivered - recorded, 1);
        EXPECT_GE(delivered, recorded);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, LineAndDisk, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// The meter unplugged in the middle of a recording: every page says so at
// once, nothing is written while it is away, and the first line after its
// return is a whole cycle asked of the returned meter.
TEST(RecordingOverPty, OutageIsShownNothingIsWrittenAndTheCycleStartsAgain) {
    qv::test::qtApp();
    auto& dialogs = qv::test::fakeDialogs();
    dialogs.fileAnswers.clear();
    qv::test::TempCwd dir;
    for (const auto& e : std::filesystem::directory_iterator(QV_RUN_DIR))
        if (e.path().extension() == ".txt") std::filesystem::copy_file(e.path(), dir.path / e.path().filename());
    const std::string link = (dir.path / "COM1").string();
    auto sim = std::make_unique<qv::test::SimProcess>(link, std::vector<std::string>{"--model", "2"});
    ASSERT_TRUE(sim->linked());
    std::uint32_t now = 1'000'000;
    qv::window::CAllControlsSheet sheet([&] { return now; });
    sheet.show();
    sheet.waitForLine();
    sheet.tabs()->setCurrentIndex(2);
    auto* page = sheet.operationPage();
    auto* settings = sheet.settingsPage();
    auto* status = sheet.statusLine();
    auto ticks = [&](int n) {
        for (int i = 0; i < n; ++i, now += 100) sheet.tick();
    };
    ticks(10);
    ASSERT_TRUE(page->recordStartEnabled());
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "m.csv").string()));
    page->controlAs<QPushButton>(CBetrieb::RecordStart)->click();
    auto lines = [&] { return splitLines(dir.read("m.csv")); };
    for (int i = 0; i < 40 && lines().size() < 3; ++i) ticks(1);
    ASSERT_EQ(lines().size(), 3u);  // model, header, one measurement
    EXPECT_NE(status->stateText().indexOf("COM1: KT740-M1P2S1"), -1) << status->stateText().toStdString();
    EXPECT_FALSE(page->stale());
    sheet.tabs()->setCurrentIndex(3);  // the Graph page plots too
    sheet.graphPage()->OnPlotStart();
    sheet.tabs()->setCurrentIndex(2);
    while (sheet.session().pollStep() != 5) ticks(1);  // mid-cycle
    const int plotted = sheet.graphPage()->sampleCount();

    sim->kill();
    const std::uint32_t pulled = now;
    while (!page->stale() && now - pulled <= 3 * 2000) ticks(1);
    EXPECT_LE(now - pulled, 3u * 2000u);
    EXPECT_TRUE(page->stale());
    EXPECT_NE(status->stateText().indexOf("COM1: Verbindung verloren"), -1) << status->stateText().toStdString();
    const QString help = page->helpText(CBetrieb::ActVelocity);
    EXPECT_TRUE(page->helpText(CBetrieb::ActVelocity).startsWith("Veraltet, letzte Aktualisierung "))
        << help.toStdString();
    EXPECT_TRUE(settings->isControlVisible(qv::pages::Einstellungen::RedLamp));
    EXPECT_EQ(settings->controlText(qv::pages::Einstellungen::Hardware), "------");
    EXPECT_EQ(sheet.graphPage()->sampleCount(), plotted + 1);  // the gap
    // The indicator stands still, shown as paused.
    EXPECT_TRUE(page->isControlVisible(CBetrieb::RecordIndicator));
    ticks(8);
    EXPECT_TRUE(page->isControlVisible(CBetrieb::RecordIndicator));
    EXPECT_EQ(page->control(CBetrieb::RecordIndicator)->accessibleName(), status->text(qv::window::StatusLine::RecordingPaused));
    EXPECT_EQ(lines().size(), 3u);
    if (const char* shots = std::getenv("QV_OUTAGE_SHOTS")) {
        for (int lang : {0, 1}) {
            auto* languages = settings->controlAs<QComboBox>(qv::pages::Einstellungen::LanguageList);
            languages->setCurrentIndex(lang);
            emit languages->activated(lang);
            sheet.tick();
            for (int tab : {0, 2}) {
                sheet.tabs()->setCurrentIndex(tab);
                sheet.grab().save(QString("%1/outage_%2_%3.png").arg(shots).arg(tab ? "operation" : "settings").arg(lang ? "en" : "de"));
            }
        }
        settings->onLanguageChanged(0);
        sheet.tabs()->setCurrentIndex(2);
    }

    const std::string trace = (dir.path / "trace.txt").string();
    sim = std::make_unique<qv::test::SimProcess>(link, std::vector<std::string>{"--model", "2", "--trace"}, trace);
    ASSERT_TRUE(sim->linked());
    for (int i = 0; i < 80 && lines().size() < 4; ++i) ticks(1);
    ASSERT_EQ(lines().size(), 4u);
    EXPECT_FALSE(page->stale());
    EXPECT_FALSE(page->helpText(CBetrieb::ActVelocity).startsWith("Veraltet"));
    EXPECT_TRUE(settings->isControlVisible(qv::pages::Einstellungen::GreenLamp));
    EXPECT_EQ(settings->controlText(qv::pages::Einstellungen::Hardware), "KT740-M1P2S1");
    EXPECT_NE(settings->controlText(qv::pages::Einstellungen::Software), "------");  // identified once more
    EXPECT_NE(status->stateText().indexOf("letzter Messzyklus vor 0 s"), -1) << status->stateText().toStdString();
    // The returned meter was asked every question of the cycle that was written, from the first on.
    std::vector<std::string> asked;
    std::istringstream in(dir.read("trace.txt"));
    for (std::string l; std::getline(in, l);)
        if (l.find(" RX ") != std::string::npos) asked.push_back(l.substr(l.find(" RX ") + 4));
    const std::vector<std::string> cycle{"50", "10", "11", "12", "13", "20", "21", "40", "41"};
    ASSERT_GE(asked.size(), cycle.size());
    EXPECT_EQ(std::vector<std::string>(asked.end() - 9, asked.end()), cycle);
    const auto f = splitFields(lines()[3]);
    ASSERT_EQ(f.size(), 18u);
    EXPECT_LE(commaNumber(f[9]), commaNumber(f[8]) + 1e-3);  // minimum temperature at most the actual
    EXPECT_GE(commaNumber(f[10]), commaNumber(f[8]) - 1e-3);
}

// The parameter set under every fault of the line: a write is called
// written, verified or taken only when the meter holds the set, and a read
// shows the meter's set or leaves the page as it was, never damaged values.
// What the meter holds is asked afterwards on a clean line.
class ParameterSet : public ::testing::TestWithParam<Fault> {};

TEST_P(ParameterSet, NothingIsCalledWrittenOrReadThatTheMeterDoesNotHold) {
    using qv::pages::CKonfiguration;
    namespace cfg = qv::params;
    const Fault& fault = GetParam();
    qv::test::qtApp();
    auto& dialogs = qv::test::fakeDialogs();
    qv::test::TempCwd dir;
    for (const auto& e : std::filesystem::directory_iterator(QV_RUN_DIR))
        if (e.path().extension() == ".txt") std::filesystem::copy_file(e.path(), dir.path / e.path().filename());
    std::vector<std::string> args{"--model", "2", "--seed", "6"};
    args.insert(args.end(), fault.simArgs.begin(), fault.simArgs.end());
    qv::test::SimProcess sim((dir.path / "COM1").string(), args);
    ASSERT_TRUE(sim.linked());
    auto faults = [&] {
        sim.signal(SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    };
    faults();  // off until asked for
    qv::window::CAllControlsSheet sheet;
    sheet.show();
    sheet.waitForLine();
    sheet.tabs()->setCurrentIndex(1);
    auto* page = sheet.configurationPage();
    auto click = [&](int id) {
        page->controlAs<QPushButton>(id)->click();
        sheet.waitForLine();
    };
    auto meterHolds = [&] {
        click(CKonfiguration::kCompareMeterButton);
        const QStringList lines = page->differenceLines();
        return lines.size() == 2 && lines[1] == "Keine Unterschiede.";
    };
    click(cfg::ReadButton);
    ASSERT_TRUE(meterHolds());
    const QString written = page->texts().messageLine(CKonfiguration::kMsgWritten, 0);
    for (int round = 0; round < fault.rounds; ++round) {
        SCOPED_TRACE(round);
        auto* time = page->controlAs<QLineEdit>(cfg::MeasuringTime);
        time->setText(QString::number(time->text().trimmed().toInt() % 29 + 1));  // another value, in range
        emit time->textEdited(time->text());
        const cfg::ControlValues sent = page->values();
        faults();
        dialogs.boxes.clear();
        click(cfg::WriteButton);
        faults();
        ASSERT_FALSE(dialogs.boxes.empty());
        const bool saidWritten = dialogs.boxes.back().caption == written;
        const QString verdict = page->differenceLines().value(0);
        const bool holds = meterHolds();
        if (saidWritten || verdict.startsWith("Verifiziert") || verdict.contains("doch")) {
            EXPECT_TRUE(holds) << verdict.toStdString();
        }
        if (verdict.startsWith("Nicht geschrieben") || verdict.contains("steht anderes")) {
            EXPECT_FALSE(holds) << verdict.toStdString();
        }

        faults();
        click(cfg::ReadButton);
        faults();
        const cfg::ControlValues shown = page->values();
        const bool unchanged = shown.text == sent.text && shown.index == sent.index;
        EXPECT_TRUE(unchanged || meterHolds()) << "the page shows neither its own set nor the meter's";
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, ParameterSet,
                         ::testing::Values(Fault{"lost_and_late", {"--lose", "0.5", "--delay", "300"}, Disk::Fine, 3},
                                           Fault{"dropped", {"--drop", "0.5"}}, Fault{"wrong_length", {"--wrong-length", "0.5"}},
                                           Fault{"garbage", {"--garbage", "0.8"}}, Fault{"flood", {"--flood"}}),
                         [](const auto& info) { return std::string(info.param.name); });
