#include "app/tick.h"

#include <algorithm>
#include <chrono>

namespace qv::app {

std::uint32_t TickDriver::outageInterval() const {
    return static_cast<std::uint32_t>(std::max(refreshRate_, 2)) * 1000u;
}

void TickDriver::onTimer(int timerId) {
    const std::uint32_t now = clock_();
    // Unsigned arithmetic keeps the interval right across the tick count's wrap.
    const std::uint32_t interval = static_cast<std::uint32_t>(refreshRate_) * 1000u;
    if (now - pollStartTick_ > interval && poll_.idle() && hooks_.pollPagesReady()) {
        pollStartTick_ = now;
        poll_.start();
    }
    if (timerId != kTimerId) return;

    if (++blink_ >= kBlinkTicks) {
        blink_ = 0;
        if (hooks_.recording()) hooks_.toggleRecordingIndicator();
    }
    hooks_.settleTick();

    // A page's exchange runs or waits, or a message box inside one is open:
    // a poll step now would tear that exchange.
    if (hooks_.lineBusy()) return;
    // A step that has gone unanswered for longer than a refresh interval: the
    // values gathered before it belong to the other side of an outage.
    if (poll_.step() != stepSeen_) {
        stepSeen_ = poll_.step();
        stepSince_ = now;
    } else if (stepSeen_ > 1 && stepSeen_ < qv::device::PollMachine::kDeliveryStep &&
               now - stepSince_ > outageInterval()) {
        poll_.restart();
        stepSeen_ = poll_.step();
        stepSince_ = now;
    }
    hooks_.runPollStep();
}

std::uint32_t systemTickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace qv::app
