#pragma once
// The two exchanges of the parameter set with the meter, without Qt.
#include <array>
#include <cstdint>
#include <vector>

#include "device/link_lock.h"
#include "device/serial_link.h"

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

// "KT740-->PC": the type request under the lock, then at once, without it,
// the block request. Neither reply is judged here.
ParameterReplies requestParameters(qv::device::SerialLink& link, qv::device::LinkLock& lock);

// "PC-->KT740" with the caller holding the lock: the frame's first byte
// alone, then the rest in one write; true when the answer to the rest
// starts with the acknowledge.
bool sendParameterFrame(qv::device::SerialLink& link, const std::vector<std::uint8_t>& frame);

}  // namespace qv::configuration
