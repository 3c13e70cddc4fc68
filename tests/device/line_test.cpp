#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "device/line.h"
#include "tests/support/scripted_link.h"

using namespace qv::device;

namespace {
// The window thread's queue, drained by the test itself.
struct Window {
    std::mutex m;
    std::deque<std::function<void()>> posted;
    Line::Post post() {
        return [this](std::function<void()> f) {
            std::lock_guard<std::mutex> g(m);
            posted.push_back(std::move(f));
        };
    }
    void drain(Line& line) {
        for (int i = 0; i < 5000 && line.busy(); ++i) {
            std::function<void()> f;
            {
                std::lock_guard<std::mutex> g(m);
                if (!posted.empty()) {
                    f = std::move(posted.front());
                    posted.pop_front();
                }
            }
            if (f)
                f();
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
};
}  // namespace

TEST(LineTest, CommandsQueueInOrderThePollOnlyOnAFreeLineAndThenHoldsIt) {
    LinkSlot slot = std::make_unique<qv::test::ScriptedLink>();
    auto* link = static_cast<qv::test::ScriptedLink*>(slot.get());
    Window window;
    Line line(slot, window.post());
    std::vector<std::string> order;
    std::vector<bool> busyInThen;
    auto command = [&](std::uint8_t b) {
        line.run([b](LinkSlot& s) { s->write(&b, 1); },
                 [&, b] {
                     order.push_back("then " + qv::test::ScriptedLink::hex(b));
                     busyInThen.push_back(line.busy());
                 });
    };
    command(0x75);
    command(0x74);
    EXPECT_TRUE(line.busy());
    EXPECT_FALSE(line.tryRun([](LinkSlot& s) { s->wait(1); }));  // the poll step is skipped
    command(0x73);
    window.drain(line);
    EXPECT_FALSE(line.busy());
    EXPECT_EQ(link->log, (std::vector<std::string>{"W 75", "W 74", "W 73"}));
    EXPECT_EQ(order, (std::vector<std::string>{"then 75", "then 74", "then 73"}));
    EXPECT_EQ(busyInThen, (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(line.tryRun([](LinkSlot& s) { s->wait(40); }));
    window.drain(line);
    EXPECT_EQ(link->log.back(), "S 40");
}
