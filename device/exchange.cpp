#include "device/exchange.h"

#include <cstring>

namespace qv::device {

const char* commandName(std::uint8_t command) {
    switch (command) {
        case cmd::FlowVelocity: return "Velocity";
        case cmd::VolumeFlow: return "VolumeFlow";
        case cmd::Totalizer: return "Totalizer";
        case cmd::Temperature: return "Temperature";
        case cmd::Minima: return "Minima";
        case cmd::Maxima: return "Maxima";
        case cmd::ReadBlock: return "ReadBlock";
        case cmd::Contacts: return "Contacts";
        case cmd::ErrorCode: return "ErrorCode";
        case cmd::DeviceType: return "DeviceType";
        case cmd::SoftwareVersion: return "SwVersion";
        case cmd::WriteBlock: return "WriteBlock";
        case cmd::ResetMinima: return "ResetMin";
        case cmd::ResetMaxima: return "ResetMax";
        case cmd::ResetError: return "ResetError";
        case cmd::ResetTotalizer: return "ResetTotal";
        case cmd::StopMeasurement: return "StopMeasure";
        case cmd::StartMeasurement: return "StartMeasure";
        case cmd::SetLowFlow: return "SetLowFlow";
        case cmd::LowFlow: return "LowFlow";
        default: return nullptr;
    }
}

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
