#include <gtest/gtest.h>

#include <atomic>

#include <algorithm>
#include <filesystem>
#include <map>

#include "core/link/session.h"
#include "tests/support/print.h"
#include "tests/support/scripted_link.h"
#include "tests/support/window_queue.h"

using namespace qv::link;
using namespace qv::protocol;
using qv::serial::OpenFailure;
using qv::test::Bytes;
using qv::test::ScriptedLink;

namespace {

// Answers everything at once, so a family 0 cycle is 9 exchanges + delivery.
Bytes answer(const Bytes& w) {
    switch (w[0]) {
        case 0x50: return {0x50, 4, 1, 0};
        case 0x51: return {0x51, 6, 0x3F, 0xC0, 0, 0};  // version 1.50
        case 0x10: case 0x11: case 0x12: case 0x13: return Bytes(8, w[0]);
        case 0x20: case 0x21: return Bytes(18, w[0]);
        default: return {w[0], 3, 0};
    }
}

struct FakePorts : qv::serial::PortDiscovery {
    std::vector<qv::serial::SerialPortInfo> list;
    std::vector<qv::serial::SerialPortInfo> ports() const override { return list; }
};

struct Events : SessionEvents {
    std::vector<PortOutcome> outcomes;
    std::vector<Identification> ids;
    std::vector<bool> downs;
    int deliveries = 0;
    std::function<void()> onDelivered;  // a message box shown there, say
    void portOutcome(const PortOutcome& o) override { outcomes.push_back(o); }
    void identified(const Identification& id) override { ids.push_back(id); }
    void linkDown(bool down) override { downs.push_back(down); }
    void delivered(const MeasurementRecord&) override {
        ++deliveries;
        if (onDelivered) onDelivered();
    }
};

const std::string kA = "/dev/serial/by-id/usb-A", kB = "/dev/serial/by-id/usb-B", kC = "/dev/serial/by-id/usb-C";

struct SessionTest : ::testing::Test {
    qv::test::WindowQueue window;
    std::uint32_t now = 5'000'000;
    int family = -1, refreshRate = 2;
    FakePorts system;
    // The devices plugged in, and what opening each gives.
    std::map<std::string, OpenFailure> devices;
    // Every byte each device got, in order.
    std::map<std::string, std::vector<std::string>> wire;
    std::atomic<bool> silent{false};  // read by the line's thread
    Events events;
    std::unique_ptr<Session> session;

    void SetUp() override {
        session = std::make_unique<Session>(family, refreshRate, window.post(), [this] { return now; });
        PortSetup ports;
        ports.startDirectory = "/nonexistent";
        ports.discovery = &system;
        ports.tellFailures = false;
        session->setPorts(ports);
        session->setEvents(&events);
        session->setDevices(
            [this] {
                auto l = std::make_unique<ScriptedLink>();
                auto* link = l.get();
                link->openResult = [this](const std::string& path) {
                    auto it = devices.find(path);
                    return it == devices.end() ? OpenFailure::NoDevice : it->second;
                };
                link->respond = [this, link](const Bytes& w) {
                    wire[link->openedPath].push_back(ScriptedLink::hex(w[0]));
                    return silent ? Bytes{} : answer(w);
                };
                return l;
            },
            [this](const std::string& path) { return devices.count(path) > 0; });
    }
    void drain() { window.drainUntil([this] { return session->idle(); }); }
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            session->tick();
            drain();
            now += 100;
        }
    }
    void choose(int port, const std::string& remembered = {}) {
        session->choosePort(port, remembered);
        drain();
    }
    std::size_t sent(const std::string& path = kA) { return wire[path].size(); }
    // Adapter A, the system's only port, chosen as port 1 with a meter on it.
    void connectA() {
        system.list = {{kA, "ttyUSB0", ""}};
        devices[kA] = OpenFailure::None;
        choose(1);
    }
};

}  // namespace

TEST_F(SessionTest, CyclesStartMoreThanRefreshRateApartAndOnlyOncePolling) {
    connectA();
    ASSERT_EQ(wire[kA], (std::vector<std::string>{"50", "51"}));  // the identification
    tick(30);
    EXPECT_EQ(sent(), 2u);  // no poll page shown: nothing is asked
    session->setPolling(true);
    tick(10);  // the very first tick starts a cycle: nine exchanges and the delivery
    EXPECT_EQ(events.deliveries, 1);
    EXPECT_EQ(sent(), 11u);
    const std::uint32_t first = session->pollStartTick();
    tick(11);  // up to 2000 ms after the start: not more than the interval
    EXPECT_EQ(sent(), 11u);
    tick();
    EXPECT_EQ(session->pollStartTick(), first + 2100);
    EXPECT_EQ(sent(), 12u);

    // Across the tick count's wrap the interval holds; a refresh rate of 0
    // runs cycles back to back.
    tick(9);
    now = 0xFFFFFFFFu - 250;
    tick(22);
    EXPECT_EQ(events.deliveries, 3);
    EXPECT_LT(session->pollStartTick(), 2000u);
    refreshRate = 0;
    tick(9);
    const int delivered = events.deliveries;
    tick();
    EXPECT_EQ(wire[kA].back(), "50");  // the tick after the delivery begins the next cycle
    EXPECT_EQ(events.deliveries, delivered);
}

TEST_F(SessionTest, ACommandHoldsTheLineAndAStepUnansweredForAnIntervalStartsTheCycleAgain) {
    connectA();
    session->setPolling(true);
    tick(4);  // 0x50, 0x10, 0x11, 0x12 answered
    ASSERT_EQ(session->pollStep(), 5);
    // A command in front: the poll waits for it.
    bool ran = false;
    session->command(OperatingCommand::ResetMinima, [&](int) { ran = true; });
    session->tick();
    EXPECT_EQ(session->pollStep(), 5);
    silent = true;
    drain();  // the command, then the tick it held up
    EXPECT_TRUE(ran);
    tick(21);  // 2000 ms asked at step 5 is not more than the interval
    EXPECT_EQ(session->pollStep(), 5);
    tick();
    EXPECT_EQ(session->pollStep(), 1);  // the values from before the silence are not used
}

// A message box (a command's, or message 14 of a recording that cannot be
// written) held open for ten refresh intervals: the meter was not asked, so
// nothing is declared down and the cycle goes on where it was.
TEST_F(SessionTest, AMessageBoxHeldForTenIntervalsChangesNothing) {
    connectA();
    session->setPolling(true);
    tick(12);
    ASSERT_EQ(events.deliveries, 1);
    auto box = [this] {
        // The window's timer goes on inside the box's own event loop.
        for (int i = 0; i < 200; ++i, now += 100) session->tick();
    };
    tick(12);  // the second cycle is under way
    const int step = session->pollStep();
    ASSERT_GT(step, 1);
    session->command(OperatingCommand::ResetMinima, [&](int) { box(); });
    drain();
    EXPECT_EQ(session->pollStep(), step);
    events.onDelivered = [&] {
        events.onDelivered = nullptr;
        box();
    };
    tick(40);
    EXPECT_GE(events.deliveries, 3);
    EXPECT_TRUE(events.downs.empty());
    EXPECT_EQ(session->health().state(), LinkHealth::State::Up);
    EXPECT_TRUE(session->identification());
}

TEST_F(SessionTest, AnOutageAfterThreeIntervalsOfAskingAndTheReturningMeterIsIdentifiedOnce) {
    connectA();
    session->setPolling(true);
    tick(12);
    silent = true;
    tick(50);  // 5200 ms of asking since the last cycle: not yet more than three intervals
    EXPECT_TRUE(events.downs.empty());
    tick(12);
    ASSERT_EQ(events.downs, std::vector<bool>{true});
    EXPECT_FALSE(session->identification());
    silent = false;
    const std::size_t before = sent();
    tick(12);
    EXPECT_EQ(events.downs, (std::vector<bool>{true, false}));
    ASSERT_EQ(events.ids.size(), 1u);
    EXPECT_EQ(events.ids[0].deviceCode, 1);
    EXPECT_FLOAT_EQ(events.ids[0].version.value_or(0), 1.5f);
    // The poll's type request, then type and version as at the start, then the cycle.
    const std::vector<std::string> after(wire[kA].begin() + static_cast<long>(before), wire[kA].begin() + static_cast<long>(before) + 4);
    EXPECT_EQ(after, (std::vector<std::string>{"50", "50", "51", "10"}));
    tick(30);
    EXPECT_EQ(events.ids.size(), 1u);  // once
}

// The chosen number keeps its device: a remembered adapter that is not
// there yet is waited for, the one the system's numbering now puts there
// never gets a byte, and one plugged in later takes another number.
TEST_F(SessionTest, TheRetryOpensOnlyTheChosenDeviceAndANewAdapterNeverTakesItsNumber) {
    system.list = {{kB, "ttyUSB1", "B"}};
    devices[kB] = OpenFailure::None;
    choose(1, kA);
    ASSERT_EQ(events.outcomes.size(), 1u);
    EXPECT_EQ(events.outcomes[0].resolved.path, kA);
    EXPECT_EQ(events.outcomes[0].failure, OpenFailure::NoDevice);
    tick(50);
    EXPECT_EQ(events.outcomes.size(), 1u);  // not there: nothing was opened
    EXPECT_TRUE(wire[kB].empty());
    system.list = {{kA, "ttyUSB0", "A"}, {kB, "ttyUSB1", "B"}};
    devices[kA] = OpenFailure::None;
    tick(20);
    ASSERT_EQ(events.outcomes.size(), 2u);
    EXPECT_TRUE(events.outcomes[1].retried);
    EXPECT_TRUE(events.outcomes[1].meter);
    EXPECT_EQ(wire[kA], (std::vector<std::string>{"50", "51"}));
    EXPECT_TRUE(wire[kB].empty());

    // An adapter that sorts first: the chosen one keeps number 1.
    system.list.insert(system.list.begin(), {kC, "ttyUSB2", "C"});
    std::vector<std::string> labels;
    session->listPorts(3, [&](const std::vector<qv::serial::ResolvedPort>& ports) {
        for (const auto& p : ports) labels.push_back(p.path);
    });
    drain();
    EXPECT_EQ(labels, (std::vector<std::string>{kA, kC, kB}));
    // Choosing number 2 now opens what the list shows there.
    devices[kC] = OpenFailure::None;
    choose(2);
    EXPECT_EQ(events.outcomes.back().resolved.path, kC);
}

// A port in use is tried again every 2 s, a server that refused or did not
// confirm a line setting every 10 s (it may have been corrected), a port
// without permission never: asking again changes nothing there.
TEST_F(SessionTest, APortThatDidNotOpenIsTriedAgainAtItsPaceUntilItOpens) {
    const struct {
        OpenFailure failure;
        int ticksToRetry;  // 0: never retried
    } cases[] = {
        {OpenFailure::InUse, 21},
        {OpenFailure::SettingRefused, 101},
        {OpenFailure::SettingUnconfirmed, 101},
        {OpenFailure::NoPermission, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.failure));
        session.reset();
        events = {};
        SetUp();  // a fresh session for each
        system.list = {{kA, "ttyUSB0", ""}};
        devices[kA] = c.failure;
        choose(1);
        EXPECT_EQ(events.outcomes.back().failure, c.failure);
        EXPECT_FALSE(session->linked());
        const int pace = c.ticksToRetry ? c.ticksToRetry : 200;
        tick(pace - 2);
        EXPECT_EQ(events.outcomes.size(), 1u);  // not yet
        tick(2);
        EXPECT_EQ(events.outcomes.size(), c.ticksToRetry ? 2u : 1u);  // tried, still refused
        devices[kA] = OpenFailure::None;
        tick(pace);
        if (!c.ticksToRetry) {
            EXPECT_EQ(events.outcomes.size(), 1u);
            continue;
        }
        ASSERT_EQ(events.outcomes.size(), 3u);
        EXPECT_TRUE(events.outcomes.back().meter);
        tick(2 * pace);
        EXPECT_EQ(events.outcomes.size(), 3u);  // a port that is open is left alone
    }
}

TEST(LinkHealthTest, DownOnlyWhenThePortIsMissingOrLostOrAskedForThreeIntervalsWithoutACycle) {
    LinkHealth h;
    EXPECT_EQ(h.update(0, false, false, 2000), LinkHealth::State::NoPort);
    h.portChosen(1, true, 100);
    EXPECT_EQ(h.update(200, false, false, 2000), LinkHealth::State::Idle);  // no poll: nothing to miss
    std::uint32_t t = 50'000;
    EXPECT_EQ(h.update(t, true, true, 2000), LinkHealth::State::Up);  // the poll begins now
    for (int i = 0; i < 60; ++i) h.update(t += 100, true, true, 2000);
    EXPECT_EQ(h.state(), LinkHealth::State::Up);  // 6000 ms is not more than three intervals
    // Held (a command, a message box) or stalled: not asked, so no count.
    for (int i = 0; i < 100; ++i) h.update(t += 100, true, false, 2000);
    h.update(t += 5000, true, true, 2000);
    EXPECT_EQ(h.update(t += 100, true, true, 2000), LinkHealth::State::Silent);
    h.cycleDelivered(t);
    EXPECT_EQ(h.update(t += 100, true, true, 2000), LinkHealth::State::Up);
    EXPECT_EQ(h.sinceCycle(t), 100u);
    h.portReport(1, true);
    EXPECT_EQ(h.update(t += 100, true, true, 2000), LinkHealth::State::Lost);
    h.portChosen(2, false, t);
    EXPECT_EQ(h.update(t, true, true, 2000), LinkHealth::State::NoPort);
}

// Three intervals asked without a cycle: what came in that time names it.
TEST(LinkHealthTest, AnOutageIsNamedByWhatCameMeanwhile) {
    const struct {
        const char* name;
        int garbled, empty, reopenings;
        LinkHealth::State state;
    } cases[] = {
        {"nothing came", 0, 60, 0, LinkHealth::State::Silent},
        {"mostly bytes that were no reply", 40, 20, 0, LinkHealth::State::Garbled},
        {"bytes now and then", 20, 40, 0, LinkHealth::State::Silent},
        {"reopened once (a replug)", 0, 60, 1, LinkHealth::State::Silent},
        {"closed again and again", 30, 30, 3, LinkHealth::State::Closed},
    };
    for (const auto& c : cases) {
        LinkHealth h;
        h.portChosen(1, true, 0);
        h.portReport(2, false);  // reopenings before the wait began count for nothing
        std::uint32_t t = 1000;
        h.update(t, true, true, 2000);
        for (int i = 0; i < c.garbled; ++i) h.unansweredStep(true);
        for (int i = 0; i < c.empty; ++i) h.unansweredStep(false);
        h.portReport(2 + c.reopenings, false);
        for (int i = 0; i < 61; ++i) h.update(t += 100, true, true, 2000);
        EXPECT_EQ(h.state(), c.state) << c.name;
        h.cycleDelivered(t);
        for (int i = 0; i < 61; ++i) h.update(t += 100, true, true, 2000);
        EXPECT_EQ(h.state(), LinkHealth::State::Silent) << c.name << ": counted afresh after a cycle";
    }
}

// Every change: its intent on the disk before its first byte goes out, its
// outcome after; a journal that cannot take the intent keeps the change
// from being sent at all, and says so.
TEST_F(SessionTest, EveryChangeIsJournaledBeforeItsBytesAndNotSentWhenItCannotBe) {
    char tmpl[] = "/tmp/qvjournalXXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    qv::journal::Writer writer{dir + "/journal.jsonl", "test", "1", 1, nullptr};
    session->setJournal(writer);
    connectA();
    std::vector<std::pair<std::string, long>> linesWhenSent;  // the first byte of each change, and the journal then
    auto lines = [&] { return static_cast<long>(qv::journal::verify(writer.path).lines); };
    std::atomic<bool> watching{true};
    struct Refusals : Events {
        std::vector<int> errors;
        void journalRefused(const std::string&, int error) override { errors.push_back(error); }
    } refusals;
    session->setEvents(&refusals);
    session->setDevices(
        [&] {
            auto l = std::make_unique<ScriptedLink>();
            l->openResult = [](const std::string&) { return OpenFailure::None; };
            l->respond = [&](const Bytes& w) {
                if (watching) linesWhenSent.emplace_back(ScriptedLink::hex(w[0]), lines());
                return answer(w);
            };
            return l;
        },
        [](const std::string&) { return true; });
    choose(1);
    linesWhenSent.clear();

    int answered = 0;
    for (auto c : {OperatingCommand::ResetTotalizer, OperatingCommand::ResetMinima, OperatingCommand::ResetMaxima,
                   OperatingCommand::ResetError, OperatingCommand::StopMeasurement, OperatingCommand::StartMeasurement})
        session->command(c, [&](int received) { answered += received > 0; });
    session->setLowFlow(4, [](LowFlowResult) {});
    session->adjustZeroPoint([](LowFlowResult) {});
    qv::params::WriteRequest request;
    request.set = {1, 0, std::vector<std::uint8_t>(63, 0)};
    request.readBack = false;
    session->writeSet(request, [](const qv::params::WriteResult&) {});
    drain();
    EXPECT_EQ(answered, 6);
    // Nine changes, each sent with its intent already written and the
    // outcomes of those before it: 2 lines a change.
    std::vector<long> before;
    for (const auto& [byte, n] : linesWhenSent)
        if (byte != "50" && byte != "51") before.push_back(n);
    ASSERT_GE(before.size(), 9u);
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(before[i], static_cast<long>(2 * i + 1)) << i;
    const auto journal = qv::journal::read(writer.path);
    ASSERT_EQ(journal.entries.size(), 9u);
    const char* operations[] = {"reset-totalizer", "reset-minima", "reset-maxima", "reset-error", "stop-measurement",
                                "start-measurement", "low-flow", "zero-point", "parameter-write"};
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(journal.entries[i].intent.operation, operations[i]);
        EXPECT_EQ(journal.entries[i].intent.target.port, 1);
        EXPECT_EQ(journal.entries[i].intent.target.reached, kA);
        ASSERT_TRUE(journal.entries[i].outcome) << i;
    }
    EXPECT_EQ(journal.entries[0].outcome->answer, "answered");
    EXPECT_EQ(journal.entries[8].outcome->answer, "not-acknowledged");
    EXPECT_EQ(journal.entries[8].outcome->verdict, "not-acknowledged");
    EXPECT_EQ(journal.entries[8].intent.sent.size() > 0, true);

    // The journal's place taken by a folder: nothing goes out, each told.
    std::filesystem::remove(writer.path);
    std::filesystem::create_directory(writer.path);
    linesWhenSent.clear();
    int received = 0;
    qv::params::WriteResult written;
    auto low = LowFlowResult::Set;
    session->command(OperatingCommand::ResetTotalizer, [&](int r) { received = r; });
    session->setLowFlow(4, [&](LowFlowResult r) { low = r; });
    session->writeSet(request, [&](const qv::params::WriteResult& r) { written = r; });
    drain();
    watching = false;
    EXPECT_TRUE(linesWhenSent.empty());
    EXPECT_EQ(received, Session::kJournalRefused);
    EXPECT_EQ(low, LowFlowResult::NotSent);
    EXPECT_EQ(written.journalRefused, qv::journal::kNotRegularFile);
    EXPECT_FALSE(written.linked);
    EXPECT_EQ(refusals.errors, std::vector<int>(3, qv::journal::kNotRegularFile));
    session->setEvents(&events);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}
