#include <gtest/gtest.h>

#include "core/protocol/poll.h"
#include "tests/support/poll_step.h"
#include "tests/support/scripted_link.h"

using namespace qv::link;
using namespace qv::protocol;
using qv::test::Bytes;
using qv::test::ScriptedLink;

namespace {

Bytes single(std::uint8_t cmd, std::uint8_t b2, std::uint8_t b3, std::uint8_t unit) {
    return {cmd, 0x08, b2, b3, 0x00, 0x00, unit, 0xEE};
}

// A well-behaved meter of one model; tests bend single replies.
struct FakeMeter {
    int model = 1;
    std::uint8_t velocityUnit = 91, volumeUnit = 112, totalUnit = 121, tempUnit = 100;
    Bytes operator()(const Bytes& w) const {
        switch (w.at(0)) {
            case 0x50: return {0x50, 0x04, std::uint8_t(model), 0x00};
            case 0x10: return single(0x10, 0x40, 0x20, velocityUnit);  // 2.5
            case 0x11: return single(0x11, 0x41, 0x20, volumeUnit);    // 10
            case 0x12: return single(0x12, 0x42, 0xC8, totalUnit);     // 100
            case 0x13: return single(0x13, 0x41, 0xA0, tempUnit);      // 20
            case 0x20: return {0x20, 18, 0x3F, 0x80, 0, 0, 0, 0x40, 0, 0, 0, 0, 0x40, 0x40, 0, 0, 0, 0};
            case 0x21: return {0x21, 18, 0x40, 0x80, 0, 0, 0, 0x41, 0, 0, 0, 0, 0x41, 0xC0, 0, 0, 0, 0};
            case 0x40: return {0x40, 3, 0x05};
            case 0x41: return {0x41, 3, 60};
            case 0x77: return {0x77, 3, 7};
        }
        return {};
    }
};

struct Recorder : PollListener {
    std::vector<std::optional<int>> codes;
    std::vector<MeasurementRecord> delivered;
    void deviceTypeReceived(std::optional<int> code) override { codes.push_back(code); }
    void deliver(const MeasurementRecord& r) override { delivered.push_back(r); }
};

struct PollFixture : ::testing::Test {
    LinkSlot slot;
    ScriptedLink* link = nullptr;
    int family = -1;
    MeasurementRecord record;
    Recorder listener;
    PollMachine poll{family, record, listener};
    FakeMeter meter;

    void SetUp() override {
        auto l = std::make_unique<ScriptedLink>();
        link = l.get();
        link->respond = [this](const Bytes& w) { return meter(w); };
        slot = std::move(l);
    }
    // Runs ticks until the cycle is over (or a limit, for stuck cycles).
    int runCycle(int limit = 40) {
        poll.start();
        int ticks = 0;
        while (!poll.idle() && ticks < limit) {
            qv::test::runPollStep(poll, slot);
            ++ticks;
        }
        return ticks;
    }
};

}  // namespace

TEST_F(PollFixture, FamilyZeroCycleOrderFramingAndDecoding) {
    meter.model = 3;
    EXPECT_EQ(runCycle(), 10);  // nine exchanges and the delivery
    EXPECT_EQ(link->commandsSent(), (std::vector<std::uint8_t>{0x50, 0x10, 0x11, 0x12, 0x13, 0x20, 0x21, 0x40, 0x41}));
    // Every exchange: flush read, command, fixed wait, read.
    ASSERT_GE(link->log.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(link->log.begin(), link->log.begin() + 8),
              (std::vector<std::string>{"R", "W 50", "S 40", "R", "R", "W 10", "S 40", "R"}));
    EXPECT_EQ(family, 0);
    ASSERT_EQ(listener.delivered.size(), 1u);
    const auto& r = listener.delivered[0];
    EXPECT_EQ(r.flowVelocity, 2.5f);
    EXPECT_EQ(r.flowVelocityUnit, "m/s");
    EXPECT_EQ(r.volumeFlow, 10.0f);
    EXPECT_EQ(r.volumeFlowUnit, "m\xB3/h");
    EXPECT_EQ(r.totalizer, 100.0f);
    EXPECT_EQ(r.totalizerUnit, "m\xB3");
    EXPECT_EQ(r.temperature, 20.0f);
    EXPECT_EQ(r.temperatureUnit, "\xB0" "C");
    EXPECT_EQ(r.flowVelocityMin, 1.0f);
    EXPECT_EQ(r.volumeFlowMin, 2.0f);
    EXPECT_EQ(r.temperatureMin, 3.0f);
    EXPECT_EQ(r.flowVelocityMax, 4.0f);
    EXPECT_EQ(r.volumeFlowMax, 8.0f);
    EXPECT_EQ(r.temperatureMax, 24.0f);
    EXPECT_EQ(r.contactStates, 0x05);
    EXPECT_EQ(r.errorCode, 60);
    EXPECT_EQ(r.lowFlowCutoff, 0);
    ASSERT_EQ(listener.codes.size(), 1u);
    EXPECT_EQ(listener.codes[0], 3);
}

TEST_F(PollFixture, FamilyOneAddsLowFlowWithItsLongerWait) {
    meter.model = 20;
    meter.velocityUnit = 152;
    meter.volumeUnit = 170;
    meter.totalUnit = 179;
    meter.tempUnit = 156;
    EXPECT_EQ(runCycle(), 11);
    EXPECT_EQ(link->commandsSent().back(), 0x77);
    EXPECT_EQ(link->log[link->log.size() - 2], "S 60");
    const auto& r = listener.delivered.at(0);
    EXPECT_EQ(r.lowFlowCutoff, 7);
    // The type reply of this cycle already switched the unit lookup.
    EXPECT_EQ(r.flowVelocityUnit, "fps");
    EXPECT_EQ(r.volumeFlowUnit, "pounds/h");
    EXPECT_EQ(r.totalizerUnit, "lb");
    EXPECT_EQ(r.temperatureUnit, "\xB0" "F");
}

TEST_F(PollFixture, FamilySwitchBetweenCyclesChangesLookupAndDropsLowFlow) {
    meter.model = 20;
    meter.velocityUnit = 151;
    runCycle();
    EXPECT_EQ(listener.delivered.back().flowVelocityUnit, "m/s");
    EXPECT_EQ(listener.delivered.back().lowFlowCutoff, 7);
    meter.model = 33;  // another meter plugged in, family 2
    meter.velocityUnit = 91;
    link->log.clear();
    runCycle();
    EXPECT_EQ(family, 2);
    EXPECT_EQ(listener.delivered.back().flowVelocityUnit, "m/s");
    EXPECT_EQ(listener.delivered.back().lowFlowCutoff, 0);
    for (auto c : link->commandsSent()) EXPECT_NE(c, 0x77);
}

TEST_F(PollFixture, WrongLengthRepeatsTheSameCommand) {
    int calls11 = 0, calls20 = 0;
    link->respond = [&](const Bytes& w) {
        if (w[0] == 0x11 && calls11++ < 3) return Bytes(9, 0x11);  // one byte too many
        if (w[0] == 0x20 && calls20++ < 1) return Bytes(17, 0x20);  // one short
        return meter(w);
    };
    runCycle();
    auto sent = link->commandsSent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 0x11), 4);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 0x20), 2);
    EXPECT_EQ(listener.delivered.size(), 1u);
    EXPECT_EQ(listener.delivered[0].volumeFlow, 10.0f);
}

TEST_F(PollFixture, SilentMeterIsAskedAgainAndTheCycleGoesOnWhereItStopped) {
    bool silent = false;
    link->respond = [&](const Bytes& w) { return silent ? Bytes{} : meter(w); };
    poll.start();
    for (int i = 0; i < 3; ++i) qv::test::runPollStep(poll, slot);  // 0x50, 0x10, 0x11 answered
    silent = true;
    for (int i = 0; i < 5; ++i) qv::test::runPollStep(poll, slot);
    EXPECT_EQ(poll.step(), 4);
    silent = false;
    while (!poll.idle()) qv::test::runPollStep(poll, slot);
    auto sent = link->commandsSent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 0x12), 6);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 0x50), 1);
    EXPECT_EQ(listener.delivered.size(), 1u);
}

TEST_F(PollFixture, NoLinkNoAdvanceAndNoDelivery) {
    slot.reset();
    poll.start();
    for (int i = 0; i < 5; ++i) qv::test::runPollStep(poll, slot);
    EXPECT_EQ(poll.step(), 1);
    EXPECT_TRUE(listener.codes.empty());
    // A link that vanishes before delivery: the cycle ends without delivering.
    SetUp();
    for (int i = 0; i < 9; ++i) qv::test::runPollStep(poll, slot);
    EXPECT_EQ(poll.step(), PollMachine::kDeliveryStep);
    slot.reset();
    qv::test::runPollStep(poll, slot);
    EXPECT_TRUE(poll.idle());
    EXPECT_TRUE(listener.delivered.empty());
}

TEST_F(PollFixture, ClosedPortCountsAsSilence) {
    link->open = false;
    poll.start();
    qv::test::runPollStep(poll, slot);
    EXPECT_EQ(poll.step(), 1);
    EXPECT_TRUE(link->commandsSent().empty());
}

TEST_F(PollFixture, VelocityReplyIgnoresUnexaminedBytes) {
    link->respond = [&](const Bytes& w) {
        if (w[0] == 0x10) return Bytes{0xAA, 0xBB, 0x40, 0x20, 0x00, 0x00, 0x5B, 0xCC};
        return meter(w);
    };
    family = 0;
    runCycle();
    EXPECT_EQ(listener.delivered.at(0).flowVelocity, 2.5f);
    EXPECT_EQ(listener.delivered.at(0).flowVelocityUnit, "m/s");
}

TEST_F(PollFixture, OddModelCodesLeaveTheFamily) {
    for (std::uint8_t code : {std::uint8_t(0), std::uint8_t(46), std::uint8_t(0xFE)}) {
        family = 1;
        link->respond = [&](const Bytes& w) { return w[0] == 0x50 ? Bytes{0x50, 4, code, 0} : meter(w); };
        poll.start();
        qv::test::runPollStep(poll, slot);
        EXPECT_EQ(family, 1);
        EXPECT_EQ(listener.codes.back(), static_cast<std::int8_t>(code));
        while (!poll.idle()) qv::test::runPollStep(poll, slot);
    }
    EXPECT_EQ(listener.codes.back(), -2);
}

TEST_F(PollFixture, RepliesTooShortForTheirValueKeepTheLastOne) {
    runCycle();
    ASSERT_EQ(listener.delivered.back().contactStates, 0x05);
    // One or two bytes: accepted as an answer, but no byte 2 to take a value
    // from, so nothing stale or invented reaches the record.
    link->respond = [&](const Bytes& w) {
        if (w[0] == 0x50) return Bytes{0x50};
        if (w[0] == 0x40) return Bytes{0x40, 0x03};
        if (w[0] == 0x41) return Bytes{0x41};
        return meter(w);
    };
    EXPECT_EQ(runCycle(), 10);
    EXPECT_EQ(listener.delivered.back().contactStates, 0x05);
    EXPECT_EQ(listener.delivered.back().errorCode, 60);
    EXPECT_FALSE(listener.codes.back().has_value());
    EXPECT_EQ(family, 0);
}

TEST_F(PollFixture, FloodOfBytesIsReadEightyAtATime) {
    // More than 80 bytes waiting: the flush read takes them, the reply still lands.
    link->respond = [&](const Bytes& w) {
        if (w[0] == 0x10) link->pending.push_back(Bytes(120, 0x55));
        return meter(w);
    };
    poll.start();
    qv::test::runPollStep(poll, slot);
    qv::test::runPollStep(poll, slot);  // the 0x10 reply sits behind 120 bytes of noise
    EXPECT_EQ(poll.step(), 2);
    qv::test::runPollStep(poll, slot);  // the flush reads take the rest, the next reply is clean
    EXPECT_EQ(poll.step(), 3);
    for (int i = 0; i < 30 && !poll.idle(); ++i) qv::test::runPollStep(poll, slot);
    EXPECT_TRUE(poll.idle());
}
