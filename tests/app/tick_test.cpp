#include <gtest/gtest.h>

#include <algorithm>

#include "app/link_health.h"
#include "app/tick.h"
#include "tests/support/scripted_link.h"

using namespace qv::app;
using namespace qv::device;
using qv::test::Bytes;
using qv::test::ScriptedLink;

namespace {

struct Hooks : TickHooks {
    bool ready = false, rec = false, busy = false;
    int toggles = 0, settles = 0;
    PollMachine* poll = nullptr;
    bool pollPagesReady() const override { return ready; }
    bool recording() const override { return rec; }
    void toggleRecordingIndicator() override { ++toggles; }
    void settleTick() override { ++settles; }
    bool lineBusy() const override { return busy; }
    void runPollStep() override { poll->runStep(); }
};

struct Listener : PollListener {
    int deliveries = 0;
    void deviceTypeReceived(std::optional<int>) override {}
    void deliver(const MeasurementRecord&) override { ++deliveries; }
};

// Answers everything at once, so a cycle is exactly 9 exchanges + delivery.
Bytes answer(const Bytes& w) {
    switch (w[0]) {
        case 0x50: return {0x50, 4, 1, 0};
        case 0x10: case 0x11: case 0x12: case 0x13: return Bytes(8, w[0]);
        case 0x20: case 0x21: return Bytes(18, w[0]);
        default: return {w[0], 3, 0};
    }
}

struct Ticks : ::testing::Test {
    std::uint32_t now = 5'000'000;
    int refreshRate = 2;
    LinkSlot slot;
    ScriptedLink* link = nullptr;
    int family = -1;
    MeasurementRecord record;
    Listener listener;
    Hooks hooks;
    PollMachine poll{slot, family, record, listener};
    TickDriver driver{[this] { return now; }, refreshRate, poll, hooks};

    void SetUp() override {
        hooks.poll = &poll;
        auto l = std::make_unique<ScriptedLink>();
        link = l.get();
        link->respond = answer;
        slot = std::move(l);
    }
    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            driver.onTimer(1);
            now += 100;
        }
    }
    std::size_t sent() const { return link->commandsSent().size(); }
};

}  // namespace

TEST_F(Ticks, NothingIsSentUntilAPollPageWasShown) {
    tick(50);
    EXPECT_EQ(sent(), 0u);
    hooks.ready = true;
    tick();  // the very first tick after: the start tick begins at 0
    EXPECT_EQ(link->commandsSent(), std::vector<std::uint8_t>{0x50});
    EXPECT_EQ(driver.pollStartTick(), 5'000'000u + 5000u);
}

TEST_F(Ticks, CyclesStartMoreThanRefreshRateApart) {
    hooks.ready = true;
    tick(10);  // one cycle: nine exchanges and the delivery
    EXPECT_EQ(listener.deliveries, 1);
    EXPECT_EQ(sent(), 9u);
    const std::uint32_t first = driver.pollStartTick();
    tick(10);  // 1000 to 1900 ms after the start: idle
    EXPECT_EQ(sent(), 9u);
    tick();  // 2000 ms exactly is not more than 2000
    EXPECT_EQ(sent(), 9u);
    tick();
    EXPECT_EQ(driver.pollStartTick(), first + 2100);
    EXPECT_EQ(sent(), 10u);
}

TEST_F(Ticks, TickCountWrapKeepsTheInterval) {
    hooks.ready = true;
    now = 0xFFFFFFFFu - 250;
    tick(10);
    EXPECT_EQ(listener.deliveries, 1);
    EXPECT_EQ(driver.pollStartTick(), 0xFFFFFFFFu - 250);
    tick(12);  // now wrapped past zero; 2100 ms after the start
    EXPECT_EQ(sent(), 10u);
    EXPECT_LT(driver.pollStartTick(), 2000u);
}

TEST_F(Ticks, RefreshRateZeroRunsCyclesBackToBack) {
    refreshRate = 0;
    hooks.ready = true;
    tick(10);
    EXPECT_EQ(listener.deliveries, 1);
    tick();  // the tick after the delivery starts the next cycle and sends
    EXPECT_EQ(sent(), 10u);
    tick(9);
    EXPECT_EQ(listener.deliveries, 2);
}

TEST_F(Ticks, SkipsItsStepWhileTheLineIsBusy) {
    hooks.ready = true;
    hooks.busy = true;
    tick(5);
    EXPECT_EQ(sent(), 0u);
    EXPECT_EQ(poll.step(), 1);  // the cycle began but waits for the line
    EXPECT_EQ(hooks.settles, 5);  // the rest of the tick still runs
    hooks.busy = false;
    tick();
    EXPECT_EQ(sent(), 1u);
}

TEST_F(Ticks, AStepUnansweredLongerThanARefreshIntervalStartsTheCycleAgain) {
    hooks.ready = true;
    bool silent = false;
    link->respond = [&](const Bytes& w) { return silent ? Bytes{} : answer(w); };
    tick(4);  // 0x50, 0x10, 0x11, 0x12 answered
    ASSERT_EQ(poll.step(), 5);
    silent = true;
    tick(21);  // 2000 ms at step 5 is not more than the interval
    EXPECT_EQ(poll.step(), 5);
    tick();
    EXPECT_EQ(poll.step(), 1);  // the values from before the silence are not used
    silent = false;
    tick(10);
    EXPECT_EQ(listener.deliveries, 1);
    const auto sentNow = link->commandsSent();
    EXPECT_EQ(std::count(sentNow.begin(), sentNow.end(), 0x50), 3);  // once more while still silent
    EXPECT_EQ(std::count(sentNow.begin(), sentNow.end(), 0x10), 2);
}

TEST(LinkHealthTest, DownWhenThePortIsMissingOrLostOrNoCycleForThreeIntervals) {
    LinkHealth h;
    EXPECT_EQ(h.update(0, false, 2000), LinkHealth::State::NoPort);
    h.portChosen(1, true, 100);
    EXPECT_EQ(h.update(200, false, 2000), LinkHealth::State::Idle);  // no poll: nothing to miss
    EXPECT_EQ(h.update(50'000, true, 2000), LinkHealth::State::Up);  // the poll begins now
    EXPECT_EQ(h.update(56'000, true, 2000), LinkHealth::State::Up);
    EXPECT_EQ(h.update(56'001, true, 2000), LinkHealth::State::Silent);
    h.cycleDelivered(57'000);
    EXPECT_EQ(h.update(58'000, true, 2000), LinkHealth::State::Up);
    EXPECT_FALSE(h.down());
    EXPECT_EQ(h.sinceCycle(58'000), 1000u);
    h.portReport(1, true);
    EXPECT_EQ(h.update(58'100, true, 2000), LinkHealth::State::Lost);
    h.portReport(2, false);  // opened again, but no cycle since: still down after three intervals
    EXPECT_EQ(h.update(63'001, true, 2000), LinkHealth::State::Silent);
    EXPECT_TRUE(h.down());
    h.portChosen(2, false, 64'000);
    EXPECT_EQ(h.update(64'000, true, 2000), LinkHealth::State::NoPort);
}

TEST_F(Ticks, BlinksEveryFourthTickWhileRecording) {
    tick(8);
    EXPECT_EQ(hooks.toggles, 0);
    hooks.rec = true;
    tick(8);
    EXPECT_EQ(hooks.toggles, 2);
}

TEST_F(Ticks, OtherTimersOnlyStartTheCycle) {
    hooks.ready = true;
    driver.onTimer(2);
    EXPECT_EQ(poll.step(), 1);
    EXPECT_EQ(sent(), 0u);
    EXPECT_EQ(hooks.settles, 0);
}
