// A meter behind a network serial server: the simulator on a pseudo
// terminal, Debian's ser2net in front of it on 127.0.0.1, the sheet offscreen
// with the port in the settings file's [PORTS].
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <atomic>
#include <poll.h>

#include "window/sheet/sheet.h"
#include "window/services/status_line.h"
#include "window/pages/configuration/konfiguration.h"
#include "core/params/parameters.h"
#include "window/pages/operation/betrieb.h"
#include "window/pages/settings/einstellungen.h"
#include "platform/serial/net_port.h"
#include "tests/support/qt_app.h"
#include "tests/support/recording_file.h"
#include "tests/support/ser2net_process.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

using qv::link::LineTrace;
using qv::pages::CBetrieb;
using qv::pages::CKonfiguration;
using qv::pages::Einstellungen;

namespace {

struct Server {
    const char* name;
    bool rfc2217;
};
void PrintTo(const Server& s, std::ostream* os) { *os << s.name; }

std::vector<std::string> traceNotes(qv::link::Session& session) {
    std::vector<std::string> notes;
    for (const auto& e : session.trace().since(0).entries)
        if (e.direction == LineTrace::Direction::Note) notes.emplace_back(e.bytes.begin(), e.bytes.end());
    return notes;
}

// Port 5 on the server, with the installed text files beside the program.
void usePort5(const qv::test::TempCwd& dir, const std::string& address) {
    dir.write(qv::text::kIniFileName, "[COM]\r\nCOMPORT=5\r\n[PORTS]\r\nCOM5=" + address + "\r\n");
    dir.copyTexts(QV_RUN_DIR);
}

// A Telnet server that confirms every COM-PORT-OPTION setting as asked,
// except the baud rate, which it confirms as 19200: one connection, then it ends.
class StubbornServer {
public:
    StubbornServer() : port_(qv::test::freeLoopbackPort()) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<std::uint16_t>(port_));
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 1);
        thread_ = std::thread([this] { serve(); });
    }
    ~StubbornServer() {
        stop_ = true;
        thread_.join();
        ::close(listen_);
    }
    std::string address() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

private:
    bool waitReadable(int fd) {
        for (int i = 0; i < 100 && !stop_; ++i) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) return true;
        }
        return false;
    }
    void serve() {
        if (!waitReadable(listen_)) return;
        const int fd = ::accept(listen_, nullptr, nullptr);
        constexpr std::uint8_t IAC = 255, SB = 250, SE = 240, WILL = 251, WONT = 252, DO = 253, DONT = 254, COM = 44;
        std::vector<std::uint8_t> in;
        while (waitReadable(fd)) {
            std::uint8_t buf[256];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            in.insert(in.end(), buf, buf + n);
            std::vector<std::uint8_t> out;
            std::size_t i = 0;
            while (i + 2 < in.size()) {
                if (in[i] != IAC) { ++i; continue; }
                const std::uint8_t verb = in[i + 1], option = in[i + 2];
                if (verb == WILL || verb == DO) {
                    const bool yes = option == COM;
                    out.insert(out.end(), {IAC, std::uint8_t(verb == WILL ? (yes ? DO : DONT) : (yes ? WILL : WONT)), option});
                    i += 3;
                } else if (verb == SB) {
                    std::size_t end = i + 3;
                    while (end + 1 < in.size() && !(in[end] == IAC && in[end + 1] == SE)) ++end;
                    if (end + 1 >= in.size()) break;  // the rest comes with the next read
                    std::vector<std::uint8_t> value(in.begin() + long(i) + 4, in.begin() + long(end));
                    if (in[i + 3] == 1) value = {0, 0, 0x4B, 0x00};  // SET-BAUDRATE: 19200
                    out.insert(out.end(), {IAC, SB, COM, std::uint8_t(in[i + 3] + 100)});
                    out.insert(out.end(), value.begin(), value.end());
                    out.insert(out.end(), {IAC, SE});
                    i = end + 2;
                } else {
                    i += 2;
                }
            }
            in.erase(in.begin(), in.begin() + long(i));
            if (!out.empty() && ::write(fd, out.data(), out.size()) < 0) break;
        }
        ::close(fd);
    }

    int port_;
    int listen_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A raw TCP server that is no meter's: it streams bytes that are no reply,
// or closes its sending side on every connection it takes.
class RudeServer {
public:
    enum class Manner { Babbles, HalfCloses };
    explicit RudeServer(Manner manner) : manner_(manner), port_(qv::test::freeLoopbackPort()) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<std::uint16_t>(port_));
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 4);
        thread_ = std::thread([this] { serve(); });
    }
    ~RudeServer() {
        stop_ = true;
        thread_.join();
        for (int fd : clients_) ::close(fd);
        ::close(listen_);
    }
    std::string address() const { return "tcp://127.0.0.1:" + std::to_string(port_); }

private:
    void serve() {
        const std::vector<std::uint8_t> noise(64, 0x55);
        while (!stop_) {
            std::vector<pollfd> fds{{listen_, POLLIN, 0}};
            for (int fd : clients_) fds.push_back({fd, POLLIN, 0});
            ::poll(fds.data(), fds.size(), 20);
            if (fds[0].revents & POLLIN) {
                const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (fd >= 0) {
                    if (manner_ == Manner::HalfCloses) ::shutdown(fd, SHUT_WR);
                    clients_.push_back(fd);
                }
            }
            for (int fd : clients_) {
                std::uint8_t drop[256];
                while (::read(fd, drop, sizeof drop) > 0) {}
                if (manner_ == Manner::Babbles) (void)::send(fd, noise.data(), noise.size(), MSG_NOSIGNAL);
            }
        }
    }

    Manner manner_;
    int port_;
    int listen_ = -1;
    std::vector<int> clients_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class ThroughSer2net : public ::testing::TestWithParam<Server> {};

}  // namespace

// The server's device is set up at 19200 baud, even parity, 7 bits: over
// RFC 2217 the program has it switched and confirmed; raw TCP takes it as
// configured (a pseudo terminal carries the bytes either way).
TEST_P(ThroughSer2net, IdentifiesPollsRecordsWritesReadsBackAndResumesAfterTheServerRestarts) {
    qv::test::qtApp();
    auto& dialogs = qv::test::fakeDialogs();
    dialogs.boxes.clear();
    dialogs.fileAnswers.clear();
    qv::test::TempCwd dir;
    const std::string device = (dir.path / "meter").string();
    qv::test::SimProcess sim(device, {"--model", "5", "--iac-temperature"});
    ASSERT_TRUE(sim.linked());
    qv::test::Ser2net server(dir.path, "serialdev," + device + ",19200e71,local");
    const std::string address = GetParam().rfc2217 ? server.rfc2217() : server.tcp();
    usePort5(dir, address);
    std::uint32_t now = 1'000'000;
    qv::window::CAllControlsSheet sheet([&] { return now; });
    sheet.show();
    sheet.waitForLine();  // the identification
    auto* settings = sheet.settingsPage();
    EXPECT_TRUE(settings->meterShown());
    EXPECT_EQ(sheet.settings().deviceCode, 5);
    const std::string name = qv::serial::netLabel(*qv::serial::parseNetAddress(address));
    EXPECT_EQ(qv::serial::portLabel(5, sheet.session().ports().resolve(5)), "COM5 \u2013 " + name);

    // The trace: one line per connection event and per line setting, the
    // meter's bytes as they are (no Telnet byte among them).
    std::vector<std::string> expected{"connected: " + name};
    if (GetParam().rfc2217)
        for (const char* s : {"SET-BAUDRATE 9600", "SET-DATASIZE 8", "SET-PARITY NONE", "SET-STOPSIZE 1", "SET-CONTROL NONE"})
            expected.push_back(std::string(s) + " \u2192 " + std::string(s).substr(std::string(s).find(' ') + 1));
    EXPECT_EQ(traceNotes(sheet.session()), expected);

    // A whole cycle; the temperature's 0xFF arrives unharmed.
    sheet.tabs()->setCurrentIndex(2);
    auto* page = sheet.operationPage();
    for (int i = 0; i < 40 && !page->recordStartEnabled(); ++i, now += 100) sheet.tick();
    ASSERT_TRUE(page->recordStartEnabled());
    EXPECT_EQ(sheet.session().record().temperature, 127.5f);
    for (const auto& e : sheet.session().trace().since(0).entries) {
        if (e.direction == LineTrace::Direction::Received && e.command == 0x13) {
            EXPECT_EQ(std::vector<std::uint8_t>(e.bytes.begin() + 2, e.bytes.begin() + 6),
                      (std::vector<std::uint8_t>{0x42, 0xFF, 0x00, 0x00}));
        }
    }

    // A recording; the server is switched off in the middle of a cycle and
    // on again: the poll resumes by itself and the file goes on with whole lines.
    dialogs.fileAnswers.push_back(QString::fromStdString((dir.path / "messung").string()));
    page->controlAs<QPushButton>(CBetrieb::RecordStart)->click();
    ASSERT_TRUE(page->recording());
    auto lines = [&] { return qv::test::splitLines(dir.read("messung.csv")); };
    for (int i = 0; i < 60 && lines().size() < 3; ++i, now += 100) sheet.tick();
    for (int i = 0; i < 4; ++i, now += 100) sheet.tick();
    server.kill();
    for (int i = 0; i < 12; ++i, now += 100) sheet.tick();
    const std::size_t before = lines().size();
    ASSERT_TRUE(server.start());
    for (int i = 0; i < 100 && lines().size() < before + 1; ++i, now += 100) sheet.tick();
    page->controlAs<QPushButton>(CBetrieb::RecordStop)->click();
    const auto file = lines();
    ASSERT_EQ(file.size(), before + 1);
    for (std::size_t i = 2; i < file.size(); ++i) EXPECT_NE(file[i].find("; 127,5;"), std::string::npos) << file[i];
    EXPECT_GE(sheet.session().health().reopenings(), 1);

    // The parameter set: read, one value changed, written, read back byte for byte.
    sheet.tabs()->setCurrentIndex(1);
    auto* config = sheet.configurationPage();
    auto click = [&](int id) {
        config->controlAs<QPushButton>(id)->click();
        sheet.waitForLine();
    };
    click(qv::params::ReadButton);
    ASSERT_EQ(config->selectedCode(), 5);
    auto* field = config->controlAs<QLineEdit>(qv::params::MeasuringTime);
    field->setText(QStringLiteral("12"));
    emit field->textEdited(field->text());
    while (config->settleCountdown() > 0) config->settleTick();
    dialogs.boxes.clear();
    click(qv::params::WriteButton);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, config->texts().messageLine(CKonfiguration::kMsgWritten, 0));
    click(CKonfiguration::kReadBackButton);
    EXPECT_TRUE(config->differenceLines().value(0).startsWith("Verifiziert"))
        << config->differenceLines().join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Ser2net, ThroughSer2net, ::testing::Values(Server{"rfc2217", true}, Server{"tcp", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Every way a server can fail the open is named with its reason; a server
// that was not there is tried again and found once it is.
TEST(NetworkServer, RefusalsAreNamedAndAnAbsentServerIsFoundOnceItIsThere) {
    using qv::serial::OpenFailure;
    qv::test::TempCwd dir;
    StubbornServer stubborn;
    qv::test::Ser2net noSerial(dir.path, "stdio,/bin/cat");  // RFC 2217 before a port that is no serial one
    const std::string nobody = "tcp://127.0.0.1:" + std::to_string(qv::test::freeLoopbackPort());
    const struct {
        std::string address;
        OpenFailure failure;
        std::string detail;
    } cases[] = {
        {stubborn.address(), OpenFailure::SettingRefused, "SET-BAUDRATE 9600 \u2192 19200"},
        {noSerial.rfc2217(), OpenFailure::SettingUnconfirmed, "SET-BAUDRATE 9600"},
        {nobody, OpenFailure::ServerRefused, "Connection refused"},
        {"rfc2217://127.0.0.1:0", OpenFailure::NoServer, "not an address"},
    };
    for (const auto& c : cases) {
        qv::link::SerialLink link;
        EXPECT_EQ(link.openPath(c.address, 5), -1) << c.address;
        EXPECT_EQ(link.lastFailure(), c.failure) << c.address;
        EXPECT_EQ(link.failureDetail(), c.detail) << c.address;
    }

    // In the window: the lamp's tool tip and the status line say why, and
    // the retry finds the meter once its server is there.
    qv::test::qtApp();
    const std::string device = (dir.path / "meter").string();
    qv::test::SimProcess sim(device, {"--model", "5"});
    qv::test::Ser2net server(dir.path, "serialdev," + device + ",9600n81,local");
    server.kill();
    usePort5(dir, server.rfc2217());
    std::uint32_t now = 1'000'000;
    qv::window::CAllControlsSheet sheet([&] { return now; });
    sheet.show();
    sheet.waitForLine();
    const QString why = QString::fromUtf8("Server %1 nicht erreicht: Verbindung abgelehnt (wartet dort ein Server auf diesem Port?).")
                            .arg(QString::fromStdString(qv::serial::netLabel(*qv::serial::parseNetAddress(server.rfc2217()))));
    const QString tip = sheet.settingsPage()->helpText(Einstellungen::RedLamp);
    EXPECT_TRUE(tip.endsWith(why + "\r\n" + sheet.statusLine()->text(qv::window::StatusLine::Retrying))) << tip.toStdString();
    EXPECT_TRUE(sheet.statusLine()->stateText().endsWith(why)) << sheet.statusLine()->stateText().toStdString();
    ASSERT_TRUE(server.start());
    for (int i = 0; i < 60 && !sheet.settingsPage()->meterShown(); ++i, now += 100) {
        sheet.tick();
        sheet.waitForLine();
    }
    EXPECT_TRUE(sheet.settingsPage()->meterShown());
    EXPECT_FALSE(sheet.statusLine()->stateText().contains(why));
}

// A server that streams bytes that are no reply, or closes its sending side,
// is named as such on the status line and the red lamp, not as a silent meter.
TEST(NetworkServer, OneThatBabblesOrHalfClosesIsNamedForWhatItDoes) {
    qv::test::qtApp();
    const struct {
        RudeServer::Manner manner;
        int text;
    } cases[] = {{RudeServer::Manner::Babbles, qv::window::StatusLine::Garbled},
                 {RudeServer::Manner::HalfCloses, qv::window::StatusLine::Closed}};
    for (const auto& c : cases) {
        qv::test::TempCwd dir;
        RudeServer server(c.manner);
        usePort5(dir, server.address());
        std::uint32_t now = 1'000'000;
        qv::window::CAllControlsSheet sheet([&] { return now; });
        sheet.show();
        sheet.waitForLine();
        sheet.tabs()->setCurrentIndex(2);  // the Operation page: the poll runs
        const QString expected = sheet.statusLine()->text(c.text).arg(QStringLiteral("COM5"));
        // Long steps of the fake clock (each still counts as asking); the
        // reopenings of a closed connection take their real two seconds.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < end && !sheet.statusLine()->stateText().startsWith(expected)) {
            now += 900;
            sheet.tick();
            sheet.waitForLine();
        }
        EXPECT_TRUE(sheet.statusLine()->stateText().startsWith(expected)) << sheet.statusLine()->stateText().toStdString();
        EXPECT_TRUE(sheet.settingsPage()->helpText(Einstellungen::RedLamp).contains(expected));
    }
}
