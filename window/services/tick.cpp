#include "window/services/tick.h"

namespace qv::window {

void TickDriver::onTimer() {
    hooks_.sessionTick();
    if (++blink_ >= kBlinkTicks) {
        blink_ = 0;
        if (hooks_.recording()) hooks_.toggleRecordingIndicator();
    }
    hooks_.settleTick();
}

}  // namespace qv::window
