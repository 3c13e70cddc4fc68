#pragma once
// The replies of the exchanges as they came, and what the identification's,
// the write's and the low-flow exchange's replies say, judged by the protocol
// table alone.
#include <array>
#include <cstdint>
#include <optional>

#include "core/protocol/commands.h"

namespace qv::protocol {

// One read: what arrived within its window.
struct Reply {
    int received = 0;
    std::array<std::uint8_t, kReadSize> bytes{};
};

struct Identification {
    int deviceCode = 0;            // byte 2 of the type reply as a signed byte
    std::optional<float> version;  // empty when the version request got no value
};
// The type reply of the identification: accepted only as exactly 4 bytes led
// by the command's echo; then byte 2 as a signed byte is the model code.
std::optional<int> identificationCode(const std::uint8_t* reply, int received);
// The version reply: the float in bytes 2 to 5; a shorter reply has none.
std::optional<float> identificationVersion(const std::uint8_t* reply, int received);

// "KT740-->PC": the replies to the type request and to the block request.
struct ParameterReplies {
    Reply type, block;
};

// How a write went on the line.
struct WriteOutcome {
    bool sent = false;          // the whole frame went out
    bool acknowledged = false;  // and its answer began with the acknowledge
};

// How the low-flow exchange ended: not started (no link), a missing
// acknowledge, the cut-off set, or the zero-point adjustment's result.
enum class LowFlowResult { NotSent, NoAck, Set, Zero9E, Zero9D, Zero9F, NoZeroResult, ZeroOther };
// The zero point's result from the first byte of its reply.
LowFlowResult zeroPointResult(const std::uint8_t* reply, int received);

}  // namespace qv::protocol
