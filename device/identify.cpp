#include "device/identify.h"

#include <cstring>

#include "device/exchange.h"
#include "device/measurement.h"
#include "device/tables.h"

namespace qv::device {

int identifyMeter(SerialLink& link, int& deviceFamily, Identification& result) {
    std::uint8_t buf[kReadSize] = {};
    int received = 0;
    std::uint8_t c = cmd::DeviceType;
    link.write(&c, 1);
    link.wait(100);
    link.read(buf, received);
    if (received != 4 || buf[0] != cmd::DeviceType) return -1;

    Identification id;
    id.deviceCode = static_cast<std::int8_t>(buf[2]);
    updateFamily(id.deviceCode, deviceFamily);

    std::memset(buf, 0, sizeof buf);
    received = 0;
    c = cmd::SoftwareVersion;
    link.write(&c, 1);
    link.wait(50);
    link.read(buf, received);
    // The version stands in bytes 2 to 5; a shorter reply has none to show.
    if (received >= 6) id.version = decodeFloatBE(buf + 2);
    result = id;
    return 0;
}

}  // namespace qv::device
