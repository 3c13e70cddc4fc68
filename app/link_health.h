#pragma once
// What the sheet knows of the line's health, and the rule that says when the
// link is down: the port did not open, the port is gone, or, while the poll
// runs, no cycle has completed for longer than three refresh intervals.
// Plain C++ with times from the caller's clock (milliseconds, wrapping).
#include <cstdint>

namespace qv::app {

class LinkHealth {
public:
    enum class State { Up, Idle, NoPort, Lost, Silent };  // Idle: port open, no poll running
    static constexpr std::uint32_t kSilentIntervals = 3;

    // The identification's outcome: the port number and whether it opened.
    void portChosen(int port, bool opened, std::uint32_t now);
    // What the port reported with a poll exchange.
    void portReport(int reopenings, bool lost);
    void cycleDelivered(std::uint32_t now);
    // Once per tick; polling: the poll runs (a poll page was shown).
    State update(std::uint32_t now, bool polling, std::uint32_t intervalMs);

    State state() const { return state_; }
    bool down() const { return state_ == State::NoPort || state_ == State::Lost || state_ == State::Silent; }
    int port() const { return port_; }
    int reopenings() const { return reopenings_; }
    bool cycleSeen() const { return cycleSeen_; }
    // Milliseconds since the last completed cycle (valid when cycleSeen).
    std::uint32_t sinceCycle(std::uint32_t now) const { return now - lastCycle_; }

private:
    int port_ = 0;
    bool opened_ = false;
    bool lost_ = false;
    int reopenings_ = 0;
    bool polling_ = false;
    bool cycleSeen_ = false;
    std::uint32_t lastCycle_ = 0;
    std::uint32_t reference_ = 0;  // the last cycle, or when the wait for one began
    State state_ = State::NoPort;
};

}  // namespace qv::app
