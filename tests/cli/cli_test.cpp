// qv-cli as a technician runs it: the program against simulated meters on
// pseudo terminals (and one behind ser2net), its JSON read back, its files
// read with the window's own file code.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <map>
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

// qv-cli with the installed English texts, its data folder dir.
CliRun qvCli(const qv::test::TempCwd& dir, const std::string& args) {
    const std::string command = std::string(QV_CLI_PATH) + " --json --lang en --dir " + dir.path.string() + " " + args +
                                " 2>" + (dir.path / "stderr").string();
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
