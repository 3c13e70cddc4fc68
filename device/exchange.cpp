#include "device/exchange.h"

#include <cstring>

namespace qv::device {

int exchangeCommand(SerialLink* link, std::uint8_t command, int waitMs, std::uint8_t* buffer) {
    std::memset(buffer, 0, kReadSize);
    if (!link) return 0;
    int received = 0;
    // A flush is a read whose bytes are dropped: late or unsolicited bytes go.
    link->read(buffer, received);
    link->write(&command, 1);
    link->wait(waitMs);
    std::memset(buffer, 0, kReadSize);
    received = 0;
    link->read(buffer, received);
    return received;
}

}  // namespace qv::device
