#include <gtest/gtest.h>

#include <sstream>
#include <sys/file.h>
#include <sys/ioctl.h>

#include "core/link/exchange.h"
#include "core/protocol/poll.h"
#include "tests/support/poll_step.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

using namespace qv::link;
using namespace qv::protocol;

namespace {

struct Collect : PollListener {
    std::vector<MeasurementRecord> delivered;
    std::vector<std::optional<int>> codes;
    void deviceTypeReceived(std::optional<int> c) override { codes.push_back(c); }
    void deliver(const MeasurementRecord& r) override { delivered.push_back(r); }
};

struct OverPty : ::testing::Test {
    qv::test::TempCwd dir;
    std::string link() const { return (dir.path / "COM1").string(); }

    // Runs one cycle step by step, as the timer would, but back to back.
    static int runCycle(PollMachine& poll, LinkSlot& slot, int maxSteps = 60) {
        poll.start();
        int steps = 0;
        while (!poll.idle() && steps++ < maxSteps) qv::test::runPollStep(poll, slot);
        return steps;
    }
};

}  // namespace

TEST_F(OverPty, IdentifiesAndPollsAFamilyZeroMeter) {
    qv::test::SimProcess sim(link(), {"--model", "5", "--version", "2.17"});
    ASSERT_TRUE(sim.linked());
    LinkSlot slot = std::make_unique<SerialLink>();
    ASSERT_EQ(slot->openPath(link(), 1), 0);
    int family = -1;
    Identification id;
    ASSERT_TRUE(identifyMeter(*slot, id));
    EXPECT_EQ(id.deviceCode, 5);
    ASSERT_TRUE(id.version);
    EXPECT_NEAR(*id.version, 2.17f, 1e-5);

    MeasurementRecord record;
    Collect listener;
    PollMachine poll(family, record, listener);
    EXPECT_EQ(runCycle(poll, slot), 10);
    ASSERT_EQ(listener.delivered.size(), 1u);
    const auto& r = listener.delivered[0];
    EXPECT_EQ(r.flowVelocityUnit, "m/s");
    EXPECT_EQ(r.volumeFlowUnit, "m\xB3/h");
    EXPECT_EQ(r.totalizerUnit, "m\xB3");
    EXPECT_EQ(r.temperatureUnit, "\xB0" "C");
    EXPECT_LE(r.flowVelocityMin, r.flowVelocity);
    EXPECT_GE(r.flowVelocityMax, r.flowVelocity);
    EXPECT_GT(r.temperature, -50.0f);
    EXPECT_LT(r.temperature, 150.0f);
    EXPECT_EQ(r.lowFlowCutoff, 0);
    EXPECT_TRUE(r.contactStates & 0x04);  // ready
}

TEST_F(OverPty, PollsAFamilyOneMeterWithLowFlow) {
    qv::test::SimProcess sim(link(), {"--model", "20"});
    LinkSlot slot = std::make_unique<SerialLink>();
    ASSERT_EQ(slot->openPath(link(), 1), 0);
    int family = -1;
    MeasurementRecord record;
    Collect listener;
    PollMachine poll(family, record, listener);
    EXPECT_EQ(runCycle(poll, slot), 11);
    EXPECT_EQ(family, 1);
    ASSERT_EQ(listener.codes.size(), 1u);
    EXPECT_EQ(listener.codes[0], 20);
    ASSERT_EQ(listener.delivered.size(), 1u);
    EXPECT_EQ(listener.delivered[0].flowVelocityUnit, "m/s");
    EXPECT_EQ(listener.delivered[0].temperatureUnit, "\xB0" "C");
}

TEST_F(OverPty, MeterThatVanishesMidCycleIsPickedUpAgain) {
    auto sim = std::make_unique<qv::test::SimProcess>(link(), std::vector<std::string>{"--model", "2"});
    LinkSlot slot = std::make_unique<SerialLink>();
    ASSERT_EQ(slot->openPath(link(), 1), 0);
    int family = -1;
    MeasurementRecord record;
    Collect listener;
    PollMachine poll(family, record, listener);
    poll.start();
    for (int i = 0; i < 4; ++i) qv::test::runPollStep(poll, slot);
    ASSERT_EQ(poll.step(), 5);
    sim->kill();
    for (int i = 0; i < 3; ++i) qv::test::runPollStep(poll, slot);
    EXPECT_EQ(poll.step(), 5);  // waits at its step, asking again
    sim = std::make_unique<qv::test::SimProcess>(link(), std::vector<std::string>{"--model", "2"});
    ASSERT_TRUE(sim->linked());
    for (int i = 0; i < 20 && !poll.idle(); ++i) qv::test::runPollStep(poll, slot);
    EXPECT_TRUE(poll.idle());
    ASSERT_EQ(listener.delivered.size(), 1u);
    EXPECT_EQ(listener.delivered[0].temperatureUnit, "\xB0" "C");
}

TEST_F(OverPty, BabblingAndLossyMeterNeverStopsThePoll) {
    qv::test::SimProcess sim(link(), {"--model", "33", "--garbage", "0.3", "--drop", "0.2", "--wrong-length", "0.2",
                                      "--seed", "7"});
    LinkSlot slot = std::make_unique<SerialLink>();
    ASSERT_EQ(slot->openPath(link(), 1), 0);
    int family = -1;
    MeasurementRecord record;
    Collect listener;
    PollMachine poll(family, record, listener);
    runCycle(poll, slot, 80);
    EXPECT_EQ(listener.delivered.size(), 1u);
}

// The program itself, killed while the simulator keeps its terminal open,
// and started again: the port is not left locked behind it.
TEST_F(OverPty, AProgramKilledWhileTheSimulatorRunsOpensThePortAgainAtItsNextStart) {
    namespace fs = std::filesystem;
    for (const auto& f : fs::directory_iterator(QV_RUN_DIR))
        if (f.path().extension() == ".txt") fs::copy_file(f.path(), dir.path / f.path().filename());
    const std::string trace = (dir.path / "sim.log").string();
    qv::test::SimProcess sim(link(), {"--model", "5", "--trace"}, trace);
    ASSERT_TRUE(sim.linked());
    // The version request is sent only by an identification.
    auto identifications = [&] {
        std::istringstream in(dir.read("sim.log"));
        int n = 0;
        for (std::string line; std::getline(in, line);) n += line.size() > 5 && line.substr(line.size() - 5) == "RX 51";
        return n;
    };
    auto start = [] {
        char* argv[] = {const_cast<char*>(QV_GUI_PATH), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    };
    auto waitFor = [&](int n) {
        for (int i = 0; i < 1500 && identifications() < n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return identifications() >= n;
    };
    pid_t first = start();
    ASSERT_TRUE(waitFor(1));
    ::kill(first, SIGKILL);
    waitpid(first, nullptr, 0);
    // Nothing of the killed program stays on the terminal.
    const int fd = ::open(link().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    int exclusive = -1;
    ASSERT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
    pid_t second = start();
    EXPECT_TRUE(waitFor(2));
    ::kill(second, SIGKILL);
    waitpid(second, nullptr, 0);
}
