#pragma once
// One tick of the sheet's 100 ms timer: the connection's own tick (cycle
// start and at most one poll exchange, in the session), the recording
// indicator's blink and the Configuration page's settle countdown.
namespace qv::window {

class TickHooks {
public:
    virtual ~TickHooks() = default;
    virtual void sessionTick() = 0;
    virtual bool recording() const = 0;
    virtual void toggleRecordingIndicator() = 0;
    virtual void settleTick() = 0;  // the Configuration page's countdown
};

class TickDriver {
public:
    static constexpr int kBlinkTicks = 4;

    explicit TickDriver(TickHooks& hooks) : hooks_(hooks) {}
    void onTimer();

private:
    TickHooks& hooks_;
    int blink_ = 0;
};

}  // namespace qv::window
