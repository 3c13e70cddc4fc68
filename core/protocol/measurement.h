#pragma once
#include <cstdint>
#include <string>

namespace qv::protocol {

// The one record the poll fills and hands to the pages. The ten values come
// first and in this order: the recording writes them by position.
struct MeasurementRecord {
    float flowVelocity = 0;
    float volumeFlow = 0;
    float temperature = 0;
    float flowVelocityMin = 0;
    float volumeFlowMin = 0;
    float temperatureMin = 0;
    float flowVelocityMax = 0;
    float volumeFlowMax = 0;
    float temperatureMax = 0;
    float totalizer = 0;
    std::string flowVelocityUnit;  // Windows-1252 bytes
    std::string volumeFlowUnit;
    std::string totalizerUnit;
    std::string temperatureUnit;
    std::uint8_t contactStates = 0;  // bit 3 (error contact) is active low
    std::uint8_t errorCode = 0;
    std::uint8_t lowFlowCutoff = 0;

    // The ten values by their position 0 to 9.
    float value(int position) const;
};

// IEEE single precision, most significant byte first.
float decodeFloatBE(const std::uint8_t* bytes);
void encodeFloatBE(float value, std::uint8_t* bytes);

}  // namespace qv::protocol
