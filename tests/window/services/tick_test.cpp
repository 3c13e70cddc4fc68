#include <gtest/gtest.h>

#include "window/services/tick.h"

using namespace qv::window;

namespace {
struct Hooks : TickHooks {
    bool rec = false;
    int toggles = 0, settles = 0, sessionTicks = 0;
    void sessionTick() override { ++sessionTicks; }
    bool recording() const override { return rec; }
    void toggleRecordingIndicator() override { ++toggles; }
    void settleTick() override { ++settles; }
};
}  // namespace

TEST(Ticks, EveryTickDrivesTheConnectionAndTheCountdownAndBlinksEveryFourthWhileRecording) {
    Hooks hooks;
    TickDriver driver(hooks);
    for (int i = 0; i < 8; ++i) driver.onTimer();
    EXPECT_EQ(hooks.toggles, 0);
    hooks.rec = true;
    for (int i = 0; i < 8; ++i) driver.onTimer();
    EXPECT_EQ(hooks.toggles, 2);
    EXPECT_EQ(hooks.sessionTicks, 16);
    EXPECT_EQ(hooks.settles, 16);
}
