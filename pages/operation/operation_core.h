#pragma once
// The Operation page's rules without Qt: number display, error lookup, which
// controls a model has, and the low-flow exchange with the meter.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/text_numbers.h"
#include "device/serial_link.h"

namespace qv::operation {

// Precision by magnitude, the range chosen before rounding (9.9996 gives
// "10.000"). Not-a-number has no range: it shows "  nan" (never "-nan");
// infinities print as the C library prints them ("  inf", " -inf").
std::string formatMeasurement(double value);

// The meter's error codes in the order of the error file entries, ended by -1.
inline constexpr int kErrorCodeTable[] = {0, 255, 1, 2, 3, 4, 5, 10, 20, 21, 30, 40, 41, 60, -1};
// Position of code in kErrorCodeTable, or -1 when the table lacks it.
int errorPosition(int code);
// What the recording writes as the last error: the error file's entry for
// code (cut to 512 bytes; empty when the file has fewer entries), or the
// code's number when the table lacks it.
std::string recordedErrorText(int code, const std::vector<std::string>& errorTexts);

// Columns of the availability mask.
enum class Group { LowFlow = 0, Limit1 = 1, Limit2 = 2, Ready = 3, ErrorContact = 4 };
// Five characters '0'/'1' for model code 1 to 45 ('1': the model lacks that
// group); nullptr for any other code, whose meters get every control.
const char* operationAvailability(int deviceCode);
bool groupAvailable(int deviceCode, Group group);

// Low-flow exchange bytes.
inline constexpr std::uint8_t kLowFlowCommand = 0x76;
inline constexpr std::uint8_t kAck = 0x96;
inline constexpr int kLowFlowWaitMs = 50;
inline constexpr int kZeroPointWaitMs = 700;
// 0x04, value, byte sum of 0x76, 0x04 and value.
std::array<std::uint8_t, 3> lowFlowBlock(int value);

// Messages of the low-flow exchange.
inline constexpr int kMsgLowFlowSet = qv::app::msg::LowFlowSet;
inline constexpr int kMsgNoAck = qv::app::msg::NoAck;
inline constexpr int kMsgZero9E = qv::app::msg::Zero9E, kMsgZero9D = qv::app::msg::Zero9D,
                     kMsgZero9F = qv::app::msg::Zero9F;
inline constexpr int kMsgNoZeroResult = qv::app::msg::NoZeroResult;

// The exchange behind "Schl.Menge setzen" and "NullpunktAbgl.", the caller
// holding the link lock. selection gives combo 1112's index (read before the
// block and again after its acknowledge); show puts up a numbered message.
void runLowFlowExchange(qv::device::SerialLink& link, const std::function<int()>& selection,
                        const std::function<void(int)>& show);

}  // namespace qv::operation
