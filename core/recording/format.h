#pragma once
// How a measured value and the meter's error are written: the display's and
// the recording's number format, and the error code's entry in the error texts.
#include <string>
#include <vector>

namespace qv::recording {

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

}  // namespace qv::recording
