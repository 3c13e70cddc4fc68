#pragma once
// The two exchanges of the parameter set with the meter, without Qt.
#include <array>
#include <cstdint>
#include <vector>

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

// "KT740-->PC": the type request, then at once the block request (the
// type request's flush read is the only one). Neither reply is judged here.
ParameterReplies requestParameters(qv::device::SerialLink& link);

// "PC-->KT740": the frame's first byte alone, then the rest in one write;
// true when the answer to the rest starts with the acknowledge.
bool sendParameterFrame(qv::device::SerialLink& link, const std::vector<std::uint8_t>& frame);

}  // namespace qv::configuration
