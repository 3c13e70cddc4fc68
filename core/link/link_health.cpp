#include "core/link/link_health.h"

namespace qv::link {

void LinkHealth::portChosen(int port, bool opened, std::uint32_t) {
    port_ = port;
    opened_ = opened;
    lost_ = false;
    reopenings_ = 0;  // a new link counts from 0
    awaitCycle();
}

void LinkHealth::awaitCycle() {
    reference_ = asked_;
    garbled_ = empty_ = 0;
    reopeningsThen_ = reopenings_;
}

void LinkHealth::unansweredStep(bool bytesCame) { ++(bytesCame ? garbled_ : empty_); }

void LinkHealth::portReport(int reopenings, bool lost) {
    reopenings_ = reopenings;
    lost_ = lost;
}

void LinkHealth::cycleDelivered(std::uint32_t now) {
    cycleSeen_ = true;
    lastCycle_ = now;
    awaitCycle();
}

LinkHealth::State LinkHealth::update(std::uint32_t now, bool polling, bool asking, std::uint32_t intervalMs) {
    // A stretch counts only when the line was the poll's at both of its ends.
    if (updated_ && asking && lastAsking_ && now - lastUpdate_ <= kMaxGapMs) asked_ += now - lastUpdate_;
    updated_ = true;
    lastUpdate_ = now;
    lastAsking_ = asking;
    if (polling && !polling_) awaitCycle();  // the poll begins: its first cycle is awaited from now
    polling_ = polling;
    return evaluate(intervalMs);
}

LinkHealth::State LinkHealth::evaluate(std::uint32_t intervalMs) {
    if (!opened_)
        state_ = State::NoPort;
    else if (lost_)
        state_ = State::Lost;
    else if (!polling_)
        state_ = State::Idle;
    else if (asked_ - reference_ > kSilentIntervals * static_cast<std::uint64_t>(intervalMs))
        // Two reopenings: closed again and again, not once by a replug.
        state_ = reopenings_ - reopeningsThen_ >= 2 ? State::Closed
                 : garbled_ > empty_               ? State::Garbled
                                                   : State::Silent;
    else
        state_ = State::Up;
    return state_;
}

}  // namespace qv::link
