#include "app/link_health.h"

namespace qv::app {

void LinkHealth::portChosen(int port, bool opened, std::uint32_t now) {
    port_ = port;
    opened_ = opened;
    lost_ = false;
    reopenings_ = 0;  // a new link counts from 0
    reference_ = now;
}

void LinkHealth::portReport(int reopenings, bool lost) {
    reopenings_ = reopenings;
    lost_ = lost;
}

void LinkHealth::cycleDelivered(std::uint32_t now) {
    cycleSeen_ = true;
    lastCycle_ = reference_ = now;
}

LinkHealth::State LinkHealth::update(std::uint32_t now, bool polling, std::uint32_t intervalMs) {
    if (polling && !polling_) reference_ = now;  // the poll begins: its first cycle is awaited from now
    polling_ = polling;
    if (!opened_)
        state_ = State::NoPort;
    else if (lost_)
        state_ = State::Lost;
    else if (!polling)
        state_ = State::Idle;
    else if (now - reference_ > kSilentIntervals * intervalMs)
        state_ = State::Silent;
    else
        state_ = State::Up;
    return state_;
}

}  // namespace qv::app
