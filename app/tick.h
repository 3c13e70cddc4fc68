#pragma once
// One tick of the sheet's 100 ms timer: cycle start, blink, settle countdown,
// and at most one poll exchange. Plain C++ with an injected clock, so it can
// be driven tick by tick without waiting.
#include <cstdint>
#include <functional>

#include "device/poll.h"

namespace qv::app {

class TickHooks {
public:
    virtual ~TickHooks() = default;
    virtual bool pollPagesReady() const = 0;  // Operation or Graph page shown once
    virtual bool recording() const = 0;
    virtual void toggleRecordingIndicator() = 0;
    virtual void settleTick() = 0;  // the Configuration page's countdown
    // The line runs an exchange, has one queued, or a page holds it.
    virtual bool lineBusy() const = 0;
    // Hands the current poll step to the line (it is free).
    virtual void runPollStep() = 0;
};

class TickDriver {
public:
    using Clock = std::function<std::uint32_t()>;  // milliseconds, wraps at 2^32
    static constexpr int kTimerId = 1;
    static constexpr int kBlinkTicks = 4;

    TickDriver(Clock clock, const int& refreshRate, qv::device::PollMachine& poll, TickHooks& hooks)
        : clock_(std::move(clock)), refreshRate_(refreshRate), poll_(poll), hooks_(hooks) {}

    void onTimer(int timerId);
    std::uint32_t pollStartTick() const { return pollStartTick_; }
    // The outage rules' refresh interval in ms: the refresh rate, but never
    // below the smallest the Settings page accepts (a file may hold 0).
    std::uint32_t outageInterval() const;

private:
    Clock clock_;
    const int& refreshRate_;
    qv::device::PollMachine& poll_;
    TickHooks& hooks_;
    std::uint32_t pollStartTick_ = 0;
    int blink_ = 0;
    int stepSeen_ = 0;
    std::uint32_t stepSince_ = 0;
};

// Milliseconds of a steady clock, cut to 32 bits like the system tick count.
std::uint32_t systemTickCount();

}  // namespace qv::app
