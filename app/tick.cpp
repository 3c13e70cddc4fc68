#include "app/tick.h"

namespace qv::app {

void TickDriver::onTimer() {
    hooks_.sessionTick();
    if (++blink_ >= kBlinkTicks) {
        blink_ = 0;
        if (hooks_.recording()) hooks_.toggleRecordingIndicator();
    }
    hooks_.settleTick();
}

}  // namespace qv::app
