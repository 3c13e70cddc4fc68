#pragma once
#include <optional>

#include "device/serial_link.h"

namespace qv::device {

struct Identification {
    int deviceCode = 0;             // byte 2 of the type reply as a signed byte
    std::optional<float> version;   // empty when the version request got no value
};

// Asks a freshly opened link for the device type and software version,
// without flush reads and without the link lock. Returns 0 when the type
// reply was accepted (exactly 4 bytes, byte 0 'P'); then deviceFamily follows
// the model code and result holds it. -1 leaves both untouched.
int identifyMeter(SerialLink& link, int& deviceFamily, Identification& result);

}  // namespace qv::device
