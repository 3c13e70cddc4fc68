#pragma once
// The exchanges with the meter as they go over a link, each by the protocol
// table: what is sent, how long is waited, what is read. The session runs
// them on its line's thread; nobody else holds a link.
#include <cstdint>
#include <vector>

#include "core/link/serial_link.h"
#include "core/protocol/replies.h"

namespace qv::link {

// The one-byte exchange of the poll and the operating commands: flush read,
// command byte, the exchange's wait, read. The reply lands in buffer (at
// least kReadSize bytes, zeroed first, so a short reply never shows bytes of
// an earlier one); returns its length. A null link exchanges nothing.
int exchangeCommand(SerialLink* link, std::uint8_t command, const qv::protocol::Exchange& how, std::uint8_t* buffer);

// The identification on a freshly opened link, without a flush read: the
// type, and when it was accepted the software version. False leaves id as it was.
bool identifyMeter(SerialLink& link, qv::protocol::Identification& id);

// "KT740-->PC": the type request, then at once the block request (the type
// request's flush read is the only one); a block begun but cut short by its
// window gets one more read. Neither reply is judged here.
qv::protocol::ParameterReplies requestParameters(SerialLink& link);

// "PC-->KT740": the frame's first byte alone; its answer, however late, and
// then a quiet line (or the rest is not sent: its answer could not be told
// from a late one); then the rest in one write and its answer.
qv::protocol::WriteOutcome sendParameterFrame(SerialLink& link, const std::vector<std::uint8_t>& frame);

// The low-flow exchange: value 1 to 10 sets the cut-off, 0 starts the
// zero-point adjustment and waits for its result.
qv::protocol::LowFlowResult lowFlowExchange(SerialLink& link, int value);

}  // namespace qv::link
