#pragma once
#include <cstdint>

#include "device/serial_link.h"

namespace qv::device {

// Command bytes: the measurement poll, the identification, then the parameter
// block and the operating commands of the pages.
namespace cmd {
constexpr std::uint8_t DeviceType = 0x50;       // 'P'
constexpr std::uint8_t SoftwareVersion = 0x51;  // 'Q'
constexpr std::uint8_t FlowVelocity = 0x10;
constexpr std::uint8_t VolumeFlow = 0x11;
constexpr std::uint8_t Totalizer = 0x12;
constexpr std::uint8_t Temperature = 0x13;
constexpr std::uint8_t Minima = 0x20;
constexpr std::uint8_t Maxima = 0x21;
constexpr std::uint8_t Contacts = 0x40;
constexpr std::uint8_t ErrorCode = 0x41;
constexpr std::uint8_t LowFlow = 0x77;
constexpr std::uint8_t ReadBlock = 0x30;
constexpr std::uint8_t WriteBlock = 0x60;
constexpr std::uint8_t ResetMinima = 0x70;
constexpr std::uint8_t ResetMaxima = 0x71;
constexpr std::uint8_t ResetError = 0x72;
constexpr std::uint8_t ResetTotalizer = 0x73;
constexpr std::uint8_t StopMeasurement = 0x74;
constexpr std::uint8_t StartMeasurement = 0x75;
constexpr std::uint8_t SetLowFlow = 0x76;
}  // namespace cmd

// A short name of a command byte for the diagnosis window; null for a byte
// that is no command.
const char* commandName(std::uint8_t command);

// The one-byte exchange shared by the poll and the page commands, with the
// caller holding the link lock: flush read, command byte, fixed wait, read.
// The reply lands in buffer (at least kReadSize bytes, zeroed first, so a
// short reply never shows bytes of an earlier one); returns its length.
// A null link exchanges nothing and returns 0.
int exchangeCommand(SerialLink* link, std::uint8_t command, int waitMs, std::uint8_t* buffer);

}  // namespace qv::device
