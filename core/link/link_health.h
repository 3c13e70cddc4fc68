#pragma once
// The rule that says when the link to the meter is down: the port did not
// open, the port is gone, or the poll has asked the meter for more than three
// refresh intervals without completing a cycle. Only time in which the meter
// was asked counts: while a page command or a message box holds the line, or
// the owner did not tick at all, nobody asked, and silence then proves
// nothing. Plain C++ with times from the caller's clock (milliseconds,
// wrapping).
#include <cstdint>

namespace qv::link {

class LinkHealth {
public:
    // Idle: port open, no poll running. Asked for three intervals without a
    // cycle: Silent when nothing came, Garbled when mostly bytes came that
    // were no reply, Closed when the other end kept closing the connection.
    enum class State { Up, Idle, NoPort, Lost, Silent, Garbled, Closed };
    static constexpr std::uint32_t kSilentIntervals = 3;
    // A longer gap between two updates was not spent asking: the owner stalled.
    static constexpr std::uint32_t kMaxGapMs = 1000;

    // The identification's outcome: the port number and whether it opened.
    void portChosen(int port, bool opened, std::uint32_t now);
    // What the port reported with a poll exchange.
    void portReport(int reopenings, bool lost);
    // How a poll exchange went that brought no reply: bytes (that were no
    // reply) or none.
    void unansweredStep(bool bytesCame);
    void cycleDelivered(std::uint32_t now);
    // Once per tick. polling: the poll runs (a poll page was shown); asking:
    // and nothing else holds the line now.
    State update(std::uint32_t now, bool polling, bool asking, std::uint32_t intervalMs);
    // The state again from what is known, without the passing of time.
    State evaluate(std::uint32_t intervalMs);

    State state() const { return state_; }
    static bool isDown(State s) { return s != State::Up && s != State::Idle; }
    bool down() const { return isDown(state_); }
    int port() const { return port_; }
    int reopenings() const { return reopenings_; }
    bool cycleSeen() const { return cycleSeen_; }
    // Milliseconds since the last completed cycle (valid when cycleSeen).
    std::uint32_t sinceCycle(std::uint32_t now) const { return now - lastCycle_; }
    // Milliseconds of asking in all; grows only while the poll asks.
    std::uint64_t askedMs() const { return asked_; }

private:
    int port_ = 0;
    bool opened_ = false;
    bool lost_ = false;
    int reopenings_ = 0;
    bool polling_ = false;
    bool cycleSeen_ = false;
    std::uint32_t lastCycle_ = 0;
    bool updated_ = false;
    bool lastAsking_ = false;
    std::uint32_t lastUpdate_ = 0;
    std::uint64_t asked_ = 0;
    std::uint64_t reference_ = 0;  // asked time at the last cycle, or when the wait for one began
    // Since that moment: exchanges that brought bytes but no reply, ones
    // that brought nothing, and the port's reopenings then.
    int garbled_ = 0, empty_ = 0, reopeningsThen_ = 0;
    void awaitCycle();
    State state_ = State::NoPort;
};

}  // namespace qv::link
