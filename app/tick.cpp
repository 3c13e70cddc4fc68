#include "app/tick.h"

#include <chrono>

namespace qv::app {

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

    // Held further up this very call stack (a message box inside an exchange
    // lets timer messages in): a poll step now would tear that exchange.
    if (lock_.isHeld()) return;
    qv::device::LinkGuard guard(lock_);
    poll_.runStep();
}

std::uint32_t systemTickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace qv::app
