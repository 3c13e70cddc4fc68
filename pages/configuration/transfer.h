#pragma once
// The two exchanges of the parameter set with the meter, without Qt.
#include <array>
#include <cstdint>
#include <vector>

#include "device/serial_link.h"
#include "pages/configuration/parameters.h"

namespace qv::configuration {

inline constexpr std::uint8_t kTypeRequest = 0x50;
inline constexpr std::uint8_t kBlockRequest = 0x30;
inline constexpr std::uint8_t kWriteAck = 0x96;
inline constexpr int kReadWaitMs = 100;
inline constexpr int kWriteWaitMs = 200;

struct Reply {
    int received = 0;
    std::array<std::uint8_t, qv::device::kReadSize> bytes{};
};
struct ParameterReplies {
    Reply type, block;
};

// "KT740-->PC": the type request, then at once the block request (the
// type request's flush read is the only one). Neither reply is judged here.
ParameterReplies requestParameters(qv::device::SerialLink& link);

// What a read's two replies hold. Whole: a block of the family, its reply
// led by the echo of its request, every value one a meter can hold (bytes
// after the block change nothing). Incomplete: no reply, or one cut short.
// Damaged: a reply not led by its echo, or values no meter holds.
enum class ReadState { Whole, Incomplete, Damaged };
struct ReadOutcome {
    ReadState state = ReadState::Incomplete;
    int code = 0;         // the type reply's model code, or the page's when it gave none
    int family = -1;      // the block's family
    const std::uint8_t* block = nullptr;  // into the replies, when whole
};
// family, code: the page's, for a type request that got no answer at all.
ReadOutcome judgeParameters(const ParameterReplies& replies, int family, int code);

// How a write went on the line.
struct WriteOutcome {
    bool sent = false;          // the whole frame went out
    bool acknowledged = false;  // and its answer began with the acknowledge
};
// "PC-->KT740": the frame's first byte alone; its answer, however late, and
// then a quiet line (or the rest is not sent: its answer could not be told
// from a late one); then the rest in one write and its answer.
WriteOutcome sendParameterFrame(qv::device::SerialLink& link, const std::vector<std::uint8_t>& frame);
// Reads after the lone first byte before the line counts as never quiet.
inline constexpr int kQuietReads = 6;

}  // namespace qv::configuration
