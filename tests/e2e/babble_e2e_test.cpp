// A babbling line through a network serial server: while the meter sends
// unsolicited bytes faster than the poll reads them (6 s at 4800 bytes a
// second: the backlog of a 30-second burst at 9600 baud), it piles up in
// the network path; once it stops, the first whole cycle comes within two
// refresh intervals, because each flush drops what has arrived, however much.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>

#include "core/link/session.h"
#include "tests/support/ser2net_process.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_queue.h"

namespace {

struct Cycles : qv::link::SessionEvents {
    std::atomic<int> count{0};
    void delivered(const qv::protocol::MeasurementRecord&) override { ++count; }
};

}  // namespace

TEST(BabblingLine, TheFirstCycleComesWithinTwoRefreshIntervalsAfterTheBurst) {
    using Clock = std::chrono::steady_clock;
    qv::test::TempCwd dir;
    const std::string link = (dir.path / "meter").string();
    qv::test::SimProcess sim(link, {"--model", "12", "--babble", "4800"});
    qv::test::Ser2net server(dir.path, "serialdev," + link + ",9600n81,local");
    int family = -1, refreshRate = 2;
    qv::test::WindowQueue window;
    Cycles cycles;
    qv::link::Session session(family, refreshRate, window.post());
    session.setEvents(&cycles);
    session.chooseDevice(server.tcp());
    window.drainUntil([&] { return session.idle(); });
    session.setPolling(true);
    // The owner's 100 ms timer, in real time.
    auto run = [&](std::chrono::milliseconds span, const std::function<bool()>& until) {
        const auto end = Clock::now() + span;
        while (Clock::now() < end && !until()) {
            session.tick();
            const auto next = Clock::now() + std::chrono::milliseconds(100);
            window.drainUntil([&] { return Clock::now() >= next; });
        }
    };
    run(std::chrono::seconds(6), [] { return false; });  // the burst
    const int before = cycles.count;
    sim.signal(SIGUSR1);  // it stops babbling
    const auto stopped = Clock::now();
    run(std::chrono::seconds(20), [&] { return cycles.count > before; });
    ASSERT_GT(cycles.count, before) << "no cycle within 20 s after the burst";
    EXPECT_LE(Clock::now() - stopped, std::chrono::milliseconds(2 * 2000 + 300));
    session.setEvents(nullptr);
}
