#include <gtest/gtest.h>

#include "core/link/line.h"
#include "tests/support/scripted_link.h"
#include "tests/support/window_queue.h"

using namespace qv::link;
using namespace qv::protocol;

TEST(LineTest, CommandsQueueInOrderThePollOnlyOnAFreeLineAndThenHoldsIt) {
    LinkSlot slot = std::make_unique<qv::test::ScriptedLink>();
    auto* link = static_cast<qv::test::ScriptedLink*>(slot.get());
    qv::test::WindowQueue window;
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
    window.drainUntil([&] { return !line.busy(); });
    EXPECT_FALSE(line.busy());
    EXPECT_EQ(link->log, (std::vector<std::string>{"W 75", "W 74", "W 73"}));
    EXPECT_EQ(order, (std::vector<std::string>{"then 75", "then 74", "then 73"}));
    EXPECT_EQ(busyInThen, (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(line.tryRun([](LinkSlot& s) { s->wait(40); }));
    window.drainUntil([&] { return !line.busy(); });
    EXPECT_EQ(link->log.back(), "S 40");
}
