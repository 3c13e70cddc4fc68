// qv-cli as a technician runs it: the program against simulated meters on
// pseudo terminals (and one behind ser2net), its JSON read back, its files
// read with the window's own file code.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <cstdio>
#include <unistd.h>
#include <map>
#include <regex>
#include <sys/stat.h>
#include <sys/wait.h>

#include "core/protocol/tables.h"
#include "core/params/parameters.h"
#include "platform/serial/comm_port.h"
#include "platform/serial/net_port.h"
#include "tests/support/ser2net_process.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace cfg = qv::params;

namespace {

struct CliRun {
    int status = -1;
    std::map<QString, QJsonObject> byPort;  // one object per meter or file
};

// qv-cli with the installed English texts (or, with env, the locale's),
// its data folder dir.
CliRun qvCli(const qv::test::TempCwd& dir, const std::string& args, const std::string& env = {}) {
    const std::string command = (env.empty() ? "" : "env " + env + " ") + QV_CLI_PATH + " --json " +
                                (env.empty() ? "--lang en " : "") + "--dir " + dir.path.string() + " " + args + " 2>" +
                                (dir.path / "stderr").string();
    CliRun run;
    FILE* out = ::popen(command.c_str(), "r");
    char line[8192];
    while (out && std::fgets(line, sizeof line, out)) {
        const QJsonObject o = QJsonDocument::fromJson(QByteArray(line)).object();
        EXPECT_FALSE(o.isEmpty()) << line;
        run.byPort[o["port"].toString()] = o;
    }
    const int status = out ? ::pclose(out) : -1;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

cfg::ControlValues valuesOf(const std::string& bytes) {
    const auto loaded = cfg::parseConfigurationFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    const int family = qv::protocol::familyOfCode(loaded.code);
    return cfg::decodeBlock(family, loaded.block.data(), cfg::blockSize(family));
}

// The file loaded and saved again by the window's file code, one value
// changed first when control is given.
std::string resaved(const std::string& bytes, int control = 0, const std::string& text = {}) {
    const auto loaded = cfg::parseConfigurationFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    const int family = qv::protocol::familyOfCode(loaded.code);
    auto values = valuesOf(bytes);
    if (control) values.text[control] = text;
    auto block = cfg::encodeBlock(family, values);
    block.resize(cfg::kFileBlockBytes, 0);
    const auto file = cfg::configurationFile(loaded.code, family, block);
    return {file.begin(), file.end()};
}

}  // namespace

TEST(QvCli, ReadsChecksWritesVerifiesAndComparesManyMetersAtOnce) {
    qv::test::TempCwd dir;
    for (const char* stem : {"Konfigurieren_labels_en.txt", "Einstellungen_labels_en.txt"})
        std::filesystem::copy_file(std::filesystem::path(QV_RUN_DIR) / stem, dir.path / stem);
    auto link = [&](const char* name) { return (dir.path / name).string(); };
    qv::test::SimProcess good(link("COM1"), {"--model", "12"});
    qv::test::SimProcess refusing(link("COM2"), {"--model", "12", "--refuse-write"});
    qv::test::SimProcess flipping(link("COM3"), {"--model", "12", "--store-fault", "40"});
    qv::test::SimProcess silent(link("COM4"), {"--model", "12", "--silent"});
    qv::test::SimProcess served(link("served"), {"--model", "12"});
    qv::test::Ser2net server(dir.path, "serialdev," + link("served") + ",9600n81,local");

    // What the ports reach, numbered or given as they are.
    CliRun ports = qvCli(dir, "ports COM1 " + server.rfc2217());
    EXPECT_EQ(ports.byPort["COM1"]["device"].toString().toStdString(), "COM1 \u2013 Simulator");
    EXPECT_EQ(ports.byPort[QString::fromStdString(server.rfc2217())]["device"].toString().toStdString(),
              qv::serial::netLabel(*qv::serial::parseNetAddress(server.rfc2217())));

    // A read: the 101-byte file, which the window's file code loads and saves unchanged.
    CliRun read = qvCli(dir, "read COM1 -o " + link("set.kt740"));
    EXPECT_EQ(read.status, 0);
    EXPECT_TRUE(read.byPort["COM1"]["ok"].toBool());
    EXPECT_EQ(read.byPort["COM1"]["model"].toString().toStdString(), qv::protocol::modelCodeText(12));
    const std::string set = dir.read("set.kt740");
    ASSERT_EQ(set.size(), cfg::kFileSize);
    EXPECT_EQ(resaved(set), set);
    const QString stored = QString::fromStdString(valuesOf(set).txt(cfg::MeasuringTime)).trimmed();

    // The check names a value outside its range with the range and unit.
    dir.write("bad.kt740", resaved(set, cfg::MeasuringTime, "99"));
    CliRun check = qvCli(dir, "check " + link("bad.kt740") + " " + link("set.kt740"));
    EXPECT_EQ(check.status, 1);
    const QJsonObject bad = check.byPort[QString::fromStdString(link("bad.kt740"))];
    EXPECT_FALSE(bad["ok"].toBool());
    ASSERT_EQ(bad["details"].toArray().size(), 1);
    EXPECT_TRUE(bad["details"][0].toString().contains(QString::fromUtf8("99 s (allowed 1 \u2026 30 s)")))
        << bad["details"][0].toString().toStdString();
    EXPECT_TRUE(check.byPort[QString::fromStdString(link("set.kt740"))]["ok"].toBool());
    EXPECT_EQ(qvCli(dir, "check " + link("bad.kt740") + " COM1 --verify").status, 1);
    EXPECT_EQ(qvCli(dir, "write " + link("bad.kt740") + " COM1").byPort["COM1"]["result"].toString(),
              "configuration check failed");

    // One changed set to five meters at once, each told by its own outcome.
    dir.write("changed.kt740", resaved(set, cfg::MeasuringTime, "12"));
    CliRun write = qvCli(dir, "write " + link("changed.kt740") + " COM1 COM2 COM3 COM4 COM6 " + server.rfc2217() + " --verify");
    EXPECT_EQ(write.status, 1);
    // The verdicts are the Configuration page's, in its words: the meter
    // that took no frame was read first, so it is known to have kept its set.
    const struct {
        QString port;
        bool ok;
        QString result, verdict;
        int details;
    } expected[] = {
        {"COM1", true, "Verified: the meter holds exactly the bytes written.", "verified", 0},
        {"COM2", false, "Not written: the meter kept its old set.", "kept-old", 0},
        {"COM3", false, "Not verified, the meter holds something else:", "not-verified-other", 1},
        {"COM4", false, "no answer from the meter", "", 0},
        {"COM6", false, "No such device: nothing is connected under this port number.", "", 0},
        {QString::fromStdString(server.rfc2217()), true, "Verified: the meter holds exactly the bytes written.",
         "verified", 0},
    };
    for (const auto& e : expected) {
        const QJsonObject o = write.byPort[e.port];
        EXPECT_EQ(o["ok"].toBool(), e.ok) << e.port.toStdString();
        EXPECT_EQ(o["result"].toString().toStdString(), e.result.toStdString()) << e.port.toStdString();
        EXPECT_EQ(o["verdict"].toString().toStdString(), e.verdict.toStdString()) << e.port.toStdString();
        EXPECT_EQ(o["details"].toArray().size(), e.details) << e.port.toStdString();
    }
    // The flipped byte named by its row, as the page lists it.
    EXPECT_EQ(write.byPort["COM3"]["details"][0].toString(), QString::fromUtf8("Limit 1 on (Byte 40): 0x00 \u2194 0x01"));

    // What the meter now holds, against the file.
    CliRun compare = qvCli(dir, "compare COM1 " + link("changed.kt740"));
    EXPECT_EQ(compare.status, 0);
    EXPECT_EQ(compare.byPort.begin()->second["result"].toString(), "No differences.");
    compare = qvCli(dir, "compare " + link("set.kt740") + " COM1");
    EXPECT_EQ(compare.status, 1);  // as diff: the sets differ
    ASSERT_EQ(compare.byPort.begin()->second["details"].toArray().size(), 1);
    EXPECT_EQ(compare.byPort.begin()->second["details"][0].toString(),
              QString::fromUtf8("Measuring time: %1 s \u2194 12 s").arg(stored));

    // Through the server too: compare and a recording of whole lines.
    EXPECT_EQ(qvCli(dir, "compare " + server.rfc2217() + " " + link("changed.kt740")).byPort.begin()->second["result"].toString(),
              "No differences.");
    CliRun recorded = qvCli(dir, "record " + server.rfc2217() + " --csv " + link("served.csv") + " --for 3s");
    EXPECT_EQ(recorded.status, 0);
    EXPECT_GE(recorded.byPort.begin()->second["lines"].toInt(), 1);
    EXPECT_EQ(dir.read("served.csv").rfind(qv::protocol::modelCodeText(12) + "\r\n", 0), 0u);

    // A port another program holds is named as such.
    qv::serial::CommPort holder;
    ASSERT_EQ(holder.open(link("COM1")), 0);
    EXPECT_EQ(qvCli(dir, "identify COM1").byPort["COM1"]["result"].toString(), "The port is in use by another program.");

    // Usage errors are told apart from failed meters.
    for (const char* wrong : {"", "read COM1", "read COM1 COM2 -o " , "record COM1 --csv x.csv --for soon", "frobnicate"})
        EXPECT_EQ(qvCli(dir, wrong).status, 2) << wrong;
}

// qv-cli as a script uses it: no file is written over without --force nor
// over anything that is not a regular file, every argument error is a usage
// error before anything is touched, compare exits as diff does, the locale
// speaks, and a signal during a write still tells the meter's result.
TEST(QvCli, AsAScriptUsesIt) {
    namespace fs = std::filesystem;
    qv::test::TempCwd dir;
    auto at = [&](const char* name) { return (dir.path / name).string(); };
    qv::test::SimProcess meter(at("COM1"), {"--model", "12"});
    fs::create_directory(dir.path / "backup");
    ::mkfifo(at("fifo.kt740").c_str(), 0600);

    // A file given: made once, then refused until --force; a folder: names to the second.
    EXPECT_EQ(qvCli(dir, "read COM1 -o " + at("one.kt740")).status, 0);
    dir.write("one.kt740", "mine");
    CliRun again = qvCli(dir, "read COM1 -o " + at("one.kt740"));
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.byPort["COM1"]["result"].toString().toStdString(), at("one.kt740") + " exists already (--force replaces it)");
    EXPECT_EQ(dir.read("one.kt740"), "mine");
    EXPECT_EQ(qvCli(dir, "--force read COM1 -o " + at("one.kt740")).status, 0);
    EXPECT_EQ(dir.read("one.kt740").size(), cfg::kFileSize);
    CliRun named = qvCli(dir, "read COM1 -o " + at("backup"));
    const std::string file = named.byPort["COM1"]["file"].toString().toStdString();
    EXPECT_TRUE(std::regex_match(fs::path(file).filename().string(),
                                 std::regex("KT740-M1D4A1S1_\\d{4}-\\d\\d-\\d\\d_\\d{6}_COM1\\.kt740")))
        << file;
    dir.write("taken.csv", "mine");
    EXPECT_EQ(qvCli(dir, "record COM1 --csv " + at("taken.csv") + " --for 1s").status, 1);
    EXPECT_EQ(dir.read("taken.csv"), "mine");

    // Never over what is not a regular file, nothing left beside it.
    for (const std::string& target : {std::string("/dev/full"), at("fifo.kt740")})
        EXPECT_EQ(qvCli(dir, "--force read COM1 -o " + target).status, 1) << target;
    for (const auto& e : fs::directory_iterator("/dev")) EXPECT_EQ(e.path().filename().string().find("full.part"), std::string::npos);
    EXPECT_TRUE(fs::is_fifo(dir.path / "fifo.kt740"));

    // Inputs that are no file, or none at all, are named at once with why.
    const CliRun fifo = qvCli(dir, "check " + at("fifo.kt740"));
    EXPECT_EQ(fifo.status, 1);
    EXPECT_NE(fifo.byPort.begin()->second["result"].toString().indexOf("not a regular file"), -1);
    const CliRun missing = qvCli(dir, "compare COM1 " + at("nosuch.kt740"));
    EXPECT_EQ(missing.status, 3);
    EXPECT_NE(missing.byPort.begin()->second["result"].toString().indexOf("nosuch.kt740"), -1);
    EXPECT_NE(missing.byPort.begin()->second["result"].toString().indexOf("No such file"), -1);

    // Argument errors before anything is touched.
    for (const std::string& wrong : std::vector<std::string>{"record COM1 --csv " + at("x.csv") + " --for 99999999999999999999h",
                                                            "identify COM1 1", "--dir /nonexistent identify COM1",
                                                            "read COM1 -o " + at("nofolder/x.kt740")}) {
        EXPECT_EQ(qvCli(dir, wrong).status, 2) << wrong;
    }
    EXPECT_FALSE(fs::exists(dir.path / "x.csv"));

    // The user's locale, when no --lang is given: results and table alike.
    CliRun german = qvCli(dir, "identify COM1", "LANG=de_DE.UTF-8 LC_ALL=");
    EXPECT_EQ(german.byPort["COM1"]["result"].toString().toStdString().rfind("erkannt", 0), 0u);
    EXPECT_NE(dir.read("stderr").find("Ergebnis"), std::string::npos);

    // A signal during a write: the exchange under way ends and is told.
    dir.write("set.kt740", dir.read("one.kt740"));
    const std::string command = std::string(QV_CLI_PATH) + " --json --lang en --dir " + dir.path.string() +
                                " write " + at("set.kt740") + " COM1 --verify & sleep 0.5; kill -TERM $!; wait";
    FILE* out = ::popen(command.c_str(), "r");
    char line[8192];
    std::string printed;
    while (out && std::fgets(line, sizeof line, out)) printed += line;
    if (out) ::pclose(out);
    const QJsonObject told = QJsonDocument::fromJson(QByteArray::fromStdString(printed)).object();
    EXPECT_EQ(told["port"].toString(), "COM1") << printed;
    EXPECT_FALSE(told["result"].toString().isEmpty());
}

// Writes go into the journal before they go out; the journal is listed and
// its chain verified as a script would use it; a journal that cannot be
// written keeps the write from being sent.
TEST(QvCli, JournalsItsWritesListsAndVerifiesThem) {
    qv::test::TempCwd dir;
    auto at = [&](const char* name) { return (dir.path / name).string(); };
    qv::test::SimProcess meter(at("COM1"), {"--model", "12"});
    auto plain = [&](const std::string& args, std::string* out = nullptr) {
        const std::string command = std::string(QV_CLI_PATH) + " --lang en --dir " + dir.path.string() + " " + args +
                                    " 2>" + at("stderr");
        FILE* p = ::popen(command.c_str(), "r");
        char line[8192];
        while (p && std::fgets(line, sizeof line, p))
            if (out) *out += line;
        const int status = p ? ::pclose(p) : -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    ASSERT_EQ(qvCli(dir, "read COM1 -o " + at("set.kt740")).status, 0);
    ASSERT_EQ(qvCli(dir, "write " + at("set.kt740") + " COM1 --verify").status, 0);
    std::string listed;
    EXPECT_EQ(plain("--json journal --port COM1", &listed), 0);
    const QJsonObject entry = QJsonDocument::fromJson(QByteArray::fromStdString(listed)).object();
    EXPECT_EQ(entry["outcome"].toString(), "verified") << listed;
    EXPECT_EQ(entry["operation"].toString(), "parameter-write");
    EXPECT_EQ(entry["port"].toInt(), 1);
    listed.clear();
    EXPECT_EQ(plain("journal --port COM2", &listed), 0);
    EXPECT_EQ(listed, "");

    std::string said;
    EXPECT_EQ(plain("journal verify", &said), 0);
    EXPECT_EQ(said, at("journal.jsonl") + ": journal intact: 2 lines\n");
    std::string body = dir.read("journal.jsonl");
    body.replace(body.find("\"user\":\""), 8, "\"user\":\"x");
    dir.write("journal.jsonl", body);
    said.clear();
    EXPECT_EQ(plain("journal verify", &said), 1);
    EXPECT_EQ(said, at("journal.jsonl") + ": line 1 was changed\n");
    ::mkfifo(at("fifo").c_str(), 0600);
    EXPECT_EQ(plain("journal verify " + at("fifo")), 3);

    // Killed between intent and outcome: the intent stays, "outcome unknown".
    std::filesystem::remove(at("journal.jsonl"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::freopen("/dev/null", "w", stdout);
        ::execl(QV_CLI_PATH, QV_CLI_PATH, "--dir", dir.path.string().c_str(), "write", at("set.kt740").c_str(), "COM1",
                "--verify", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The write's exchange and its read-back take their fixed windows: the
    // intent is on the disk well before the outcome can be.
    for (int i = 0; i < 20000 && dir.read("journal.jsonl").find('\n') == std::string::npos; ++i) ::usleep(200);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    listed.clear();
    EXPECT_EQ(plain("journal", &listed), 0);
    EXPECT_NE(listed.find("parameter set written: outcome unknown"), std::string::npos) << listed;
    EXPECT_EQ(plain("journal verify"), 0);

    // A folder where the journal should be: nothing goes to the meter.
    std::filesystem::create_directory(dir.path / "folder");
    const CliRun refused = qvCli(dir, "--journal " + at("folder") + " write " + at("set.kt740") + " COM1");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.byPort.at("COM1")["verdict"].toString(), "not-sent");
    EXPECT_TRUE(refused.byPort.at("COM1")["result"].toString().startsWith("not sent: the change could not be entered"));
}

// A recording for other tools, as a script converts a batch of them.
TEST(QvCli, ConvertsARecordingAndRefusesWhatIsNone) {
    qv::test::TempCwd dir;
    auto at = [&](const char* name) { return (dir.path / name).string(); };
    dir.write("r.csv", "KT740-M1S1\r\nDatum; Uhrzeit; Str\xF6mung Akt [m/s]; Str\xF6mung Min [m/s]; Str\xF6mung Max [m/s]; "
                       "Volumenstrom Akt [m\xB3/h]; Volumenstrom Min [m\xB3/h]; Volumenstrom Max [m\xB3/h]; "
                       "Temperatur Akt [\xB0" "C]; Temperatur Min [\xB0" "C]; Temperatur Max [\xB0" "C]; Totalisator [m\xB3]; "
                       "Schleichmenge [%]; GK1 ; GK2 ; Betrieb ; Fehler ; letzter Fehler; \r\n"
                       "2026.12.10; 08:00:00; 1,5; 1,2; 1,8; 12,3; 11; 13; 20,5; 20; 21; 100,25; 3; 1; 0; 1; 0; Kein Fehler\r\n"
                       "not a line\r\n"
                       "2026.12.10; 08:00:02; 1,5; 1,2; 1,8; 12,4; 11; 13; 20,5; 20; 21; 100,25; 3; 1; 0; 1; 0; Kein Fehler\r\n"
                       "2026.12.10; 09:00:00; 1,5; 1,2; 1,8; 12,5; 11; 13; 20,5; 20; 21; 100,25; 3; 1; 0; 1; 0; Kein Fehler\r\n");
    // --from/--to: the lines from one moment up to, not including, the other.
    const CliRun done = qvCli(dir, "convert " + at("r.csv") + " -o " + at("out.csv") + " --from 2026-12-10 --to 2026-12-10T08:00:02");
    EXPECT_EQ(done.status, 0);
    const std::string out = dir.read("out.csv");
    EXPECT_EQ(out.substr(out.find('\n') + 1), "2026-12-10T08:00:00,1.5,1.2,1.8,12.3,11,13,20.5,20,21,100.25,3,1,0,1,0,Kein Fehler\n");
    EXPECT_EQ(qvCli(dir, "convert " + at("r.csv") + " -o " + at("from.csv") + " --from 2026-12-10T08:00:02").status, 0);
    const std::string from = dir.read("from.csv");
    EXPECT_EQ(std::count(from.begin(), from.end(), '\n'), 3);
    for (const char* bad : {" --from 10.12.2026", " --to 2026-12-10T08:00Z", " --from 2026-12-10T09:00 --to 2026-12-10T08:00"})
        EXPECT_EQ(qvCli(dir, "convert " + at("r.csv") + " -o " + at("bad.csv") + bad).status, 2) << bad;
    EXPECT_EQ(qvCli(dir, "check " + at("r.csv") + " --from 2026-12-10").status, 2);  // convert's alone
    EXPECT_EQ(out.rfind("time,flow velocity [m/s],", 0), 0u);
    EXPECT_NE(out.find("volume flow [m\u00b3/h]"), std::string::npos);
    const QJsonArray details = done.byPort.at(QString::fromStdString(at("r.csv")))["details"].toArray();
    ASSERT_EQ(details.size(), 1);
    EXPECT_EQ(details[0].toString(), "1 line could not be read, line 4");
    EXPECT_EQ(qvCli(dir, "convert " + at("r.csv") + " -o " + at("out.csv")).status, 1);  // never over it unasked
    EXPECT_EQ(qvCli(dir, "convert /dev/zero -o " + at("z.csv")).status, 1);
    dir.write("other.csv", "a;b;c\r\n");
    EXPECT_EQ(qvCli(dir, "convert " + at("other.csv") + " -o " + at("o.csv")).status, 1);
    EXPECT_FALSE(std::filesystem::exists(at("z.csv")) || std::filesystem::exists(at("o.csv")));
    EXPECT_EQ(qvCli(dir, "convert " + at("r.csv")).status, 2);
}
