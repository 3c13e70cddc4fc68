#include "core/protocol/measurement.h"

#include <bit>

namespace qv::protocol {

float MeasurementRecord::value(int position) const {
    const float values[10] = {flowVelocity,    volumeFlow,      temperature,    flowVelocityMin,
                              volumeFlowMin,   temperatureMin,  flowVelocityMax, volumeFlowMax,
                              temperatureMax,  totalizer};
    return (position >= 0 && position < 10) ? values[position] : 0.0f;
}

float decodeFloatBE(const std::uint8_t* b) {
    const std::uint32_t bits = (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) |
                               (std::uint32_t(b[2]) << 8) | std::uint32_t(b[3]);
    return std::bit_cast<float>(bits);
}

void encodeFloatBE(float value, std::uint8_t* b) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    b[0] = std::uint8_t(bits >> 24);
    b[1] = std::uint8_t(bits >> 16);
    b[2] = std::uint8_t(bits >> 8);
    b[3] = std::uint8_t(bits);
}

}  // namespace qv::protocol
