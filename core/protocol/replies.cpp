#include "core/protocol/replies.h"

#include "core/protocol/measurement.h"

namespace qv::protocol {

std::optional<int> identificationCode(const std::uint8_t* reply, int received) {
    if (received != ex::IdentifyType.length || reply[0] != ex::IdentifyType.command) return std::nullopt;
    return static_cast<std::int8_t>(reply[kValueByte]);
}

std::optional<float> identificationVersion(const std::uint8_t* reply, int received) {
    if (received < static_cast<int>(kValueByte) + 4) return std::nullopt;
    return decodeFloatBE(reply + kValueByte);
}

LowFlowResult zeroPointResult(const std::uint8_t* reply, int received) {
    if (received <= 0) return LowFlowResult::NoZeroResult;
    switch (reply[0]) {
        case kZero9E: return LowFlowResult::Zero9E;
        case kZero9D: return LowFlowResult::Zero9D;
        case kZero9F: return LowFlowResult::Zero9F;
        default: return LowFlowResult::ZeroOther;  // any other byte: nothing to report
    }
}

}  // namespace qv::protocol
