#pragma once
// One poll step over a link, as the session runs it: the machine says what
// to send, the exchange sends it, the reply goes back to the machine.
#include "core/link/exchange.h"
#include "core/protocol/poll.h"

namespace qv::test {

inline void runPollStep(qv::protocol::PollMachine& poll, qv::link::LinkSlot& slot) {
    std::uint8_t reply[qv::protocol::kReadSize] = {};
    if (const auto* request = poll.request(slot != nullptr)) {
        const int n = qv::link::exchangeCommand(slot.get(), request->command, *request, reply);
        poll.finishStep(reply, n, true);
    } else {
        poll.finishStep(nullptr, 0, slot != nullptr);
    }
}

}  // namespace qv::test
