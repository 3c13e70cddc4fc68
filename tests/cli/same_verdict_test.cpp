// The window's Configuration page and qv-cli give one verdict for one write:
// each fault of the table, played by the same scripted meter, goes through
// the page (read, one value changed, written) and through qv-cli (the same
// set from a file, written with --verify); both name the same verdict in
// the same words and send the same bytes.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <memory>

#include "cli/cli.h"
#include "core/params/parameters.h"
#include "core/params/verdict.h"
#include "sim/meter.h"
#include "tests/support/print.h"
#include "tests/support/qt_app.h"
#include "tests/support/scripted_link.h"
#include "tests/support/temp_dir.h"
#include "window/pages/configuration/konfiguration.h"
#include "window/services/line_qt.h"

namespace cfg = qv::params;
using qv::params::WriteVerdict;
using qv::test::Bytes;
using qv::test::ScriptedLink;

namespace {

enum class Fault { None, Refused, LostFrame, LateAck, FlippedByte, DamagedReadBack };

// A family 0 meter holding its factory set, with one fault at the write.
struct FaultyMeter {
    Fault fault = Fault::None;
    int code = 12;
    Bytes block = qv::sim::factoryBlock(0);
    Bytes frame;  // the frame as it came, behind its 0x60
    bool written = false;
    int readsToAck = 0;  // a late acknowledge: that many reads after the frame
    ScriptedLink* link = nullptr;

    Bytes operator()(const Bytes& w) {
        if (w.size() == 1) {
            switch (w[0]) {
                case 0x50: return {0x50, 0x04, std::uint8_t(code), 0x00};
                case 0x51: return {0x51, 0x06, 0x3F, 0xC0, 0x00, 0x00};
                case 0x30: {
                    Bytes r{0x30, std::uint8_t(block.size())};
                    r.insert(r.end(), block.begin(), block.end());
                    r.push_back(0);
                    if (fault == Fault::DamagedReadBack && written) r[0] = 0x00;
                    return r;
                }
                default: return {};
            }
        }
        frame = w;
        const Bytes sent(w.begin() + 1, w.end() - 1);
        switch (fault) {
            case Fault::Refused: return {0x9D};
            case Fault::LostFrame: return {};
            case Fault::LateAck:
                block = sent;
                readsToAck = 2;  // past the frame's answer, into the next read
                return {};
            case Fault::FlippedByte:
                block = sent;
                block[40] ^= 1;
                break;
            default: block = sent; break;
        }
        written = true;
        return {0x96};
    }
    // The link the session makes, playing this meter.
    std::unique_ptr<ScriptedLink> makeLink() {
        auto l = std::make_unique<ScriptedLink>();
        link = l.get();
        link->respond = [this](const Bytes& w) { return (*this)(w); };
        link->beforeRead = [this] {
            if (readsToAck > 0 && --readsToAck == 0) link->pending.push_back({0x96});
        };
        return l;
    }
};

struct Outcome {
    WriteVerdict verdict;
    std::string words;
    Bytes frame;
    std::string journaled;  // the verdict the journal's outcome line holds
    bool intentHoldsBefore = false;
};

// The one change in the journal: its verdict, and whether its intent held
// the set the meter had before.
void readJournal(const std::string& path, Outcome& o) {
    const auto j = qv::journal::read(path);
    EXPECT_EQ(j.entries.size(), 1u);
    if (j.entries.empty() || !j.entries[0].outcome) return;
    o.journaled = j.entries[0].outcome->verdict;
    o.intentHoldsBefore = !j.entries[0].intent.before.empty() && !j.entries[0].intent.sent.empty();
    EXPECT_EQ(qv::journal::verify(path).fault, qv::journal::Verification::Fault::None);
}

// The page: the set read from the meter, its measuring time changed, written.
Outcome throughThePage(Fault fault, const std::string& measuringTime, Bytes& setSent) {
    qv::test::qtApp();
    qv::test::TempCwd dir;
    qv::text::AppSettings settings;
    qv::text::setProgramDir(settings, std::string(QV_RUN_DIR) + "/");
    settings.iniPath = (dir.path / "QV-GUI.ini").string();
    settings.language = 1;
    QObject context;
    qv::link::Session session(settings.deviceFamily, settings.refreshRate, qv::window::postTo(&context));
    FaultyMeter meter;
    meter.fault = fault;
    session.setDevices([&meter] { return meter.makeLink(); }, [](const std::string&) { return true; });
    const std::string journal = (dir.path / "journal.jsonl").string();
    session.setJournal(qv::journal::Writer{journal, "QV-Gui", "test", 1, nullptr});
    session.chooseDevice("meter");
    qv::window::waitForLine(session, &context);
    dir.write("QV-GUI.ini", "[DATEN]\r\nLANGUAGE=1\r\n");
    qv::pages::CKonfiguration page(&settings, &session);
    page.show();
    auto click = [&](int id) {
        page.controlAs<QPushButton>(id)->click();
        qv::window::waitForLine(session, &context);
    };
    click(cfg::ReadButton);
    auto* time = page.controlAs<QLineEdit>(cfg::MeasuringTime);
    time->setText(QString::fromStdString(measuringTime));
    emit time->textEdited(time->text());
    setSent = cfg::encodeBlock(0, page.values());
    click(cfg::WriteButton);
    const auto judged = page.lastVerdict();
    EXPECT_TRUE(judged);
    Outcome o{judged ? judged->verdict : WriteVerdict::NotSent, page.differenceLines().value(0).toStdString(), meter.frame, {}, false};
    readJournal(journal, o);
    return o;
}

// qv-cli: the same set from a file, written to the same meter with --verify.
Outcome throughQvCli(Fault fault, const Bytes& set, std::vector<std::string>& details) {
    qv::test::TempCwd dir;
    const auto file = cfg::configurationFile(12, 0, set);
    dir.write("set.kt740", std::string(file.begin(), file.end()));
    FaultyMeter meter;
    meter.fault = fault;
    qv::cli::Context c;
    c.words.load(QV_RUN_DIR, 1);
    c.verify = true;
    c.makeLink = [&meter] { return meter.makeLink(); };
    c.present = [](const std::string&) { return true; };
    const std::string journal = (dir.path / "journal.jsonl").string();
    c.journal = qv::journal::Writer{journal, "qv-cli", "test", 1, nullptr};
    const qv::cli::Result r = qv::cli::writeSet(c, (dir.path / "set.kt740").string(), "meter");
    details = r.details;
    WriteVerdict verdict = WriteVerdict::NotSent;
    for (auto v : {WriteVerdict::Verified, WriteVerdict::HeldAfterAll, WriteVerdict::KeptOld, WriteVerdict::NotVerifiedOther,
                   WriteVerdict::NotWrittenOther, WriteVerdict::NotVerified, WriteVerdict::Unknown})
        if (r.verdict == cfg::verdictName(v)) verdict = v;
    EXPECT_EQ(r.ok, verdict == WriteVerdict::Verified || verdict == WriteVerdict::HeldAfterAll);
    Outcome o{verdict, r.result, meter.frame, {}, false};
    readJournal(journal, o);
    return o;
}

}  // namespace

TEST(SameVerdict, ThePageAndQvCliJudgeEveryFaultAlikeInTheSameWords) {
    const struct {
        const char* name;
        Fault fault;
        WriteVerdict verdict;
        const char* words;
        std::size_t details;  // qv-cli's lines below its verdict
    } cases[] = {
        {"clean", Fault::None, WriteVerdict::Verified, "Verified: the meter holds exactly the bytes written.", 0},
        {"refused", Fault::Refused, WriteVerdict::KeptOld, "Not written: the meter kept its old set.", 0},
        {"lost frame", Fault::LostFrame, WriteVerdict::KeptOld, "Not written: the meter kept its old set.", 0},
        {"late acknowledge", Fault::LateAck, WriteVerdict::HeldAfterAll,
         "Not acknowledged, but the meter holds the new set after all.", 0},
        {"flipped byte", Fault::FlippedByte, WriteVerdict::NotVerifiedOther, "Not verified, the meter holds something else:",
         1},
        {"damaged read-back", Fault::DamagedReadBack, WriteVerdict::NotVerified, "Not verified:", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes set;
        const Outcome page = throughThePage(c.fault, "12", set);
        std::vector<std::string> details;
        const Outcome cli = throughQvCli(c.fault, set, details);
        EXPECT_EQ(page.verdict, c.verdict);
        EXPECT_EQ(cli.verdict, c.verdict);
        EXPECT_EQ(page.words, c.words);
        EXPECT_EQ(cli.words, c.words);
        EXPECT_EQ(details.size(), c.details);
        EXPECT_EQ(page.frame, cli.frame) << "the same bytes on the wire";
        // Both journal the change with the verdict they told.
        EXPECT_EQ(page.journaled, cfg::verdictName(c.verdict));
        EXPECT_EQ(cli.journaled, cfg::verdictName(c.verdict));
        EXPECT_TRUE(page.intentHoldsBefore);
        EXPECT_TRUE(cli.intentHoldsBefore);
        EXPECT_FALSE(page.frame.empty());
    }
}
