#include "core/protocol/commands.h"

namespace qv::protocol {

const std::vector<const Exchange*>& exchanges() {
    static const std::vector<const Exchange*> all = {
        &ex::PollType,      &ex::PollVelocity,    &ex::PollVolumeFlow,   &ex::PollTotalizer, &ex::PollTemperature,
        &ex::PollMinima,    &ex::PollMaxima,      &ex::PollContacts,     &ex::PollError,     &ex::PollLowFlow,
        &ex::IdentifyType,  &ex::IdentifyVersion, &ex::Operating,        &ex::LowFlowLead,   &ex::LowFlowCommand,
        &ex::LowFlowBlock,  &ex::ZeroPointResult, &ex::ReadType,         &ex::ReadBlock,     &ex::WriteStart,
        &ex::WriteFrame,
    };
    return all;
}

const Exchange& pollExchange(int step) {
    static const Exchange* const steps[kPollSteps] = {
        &ex::PollType,       &ex::PollVelocity, &ex::PollVolumeFlow, &ex::PollTotalizer, &ex::PollTemperature,
        &ex::PollMinima,     &ex::PollMaxima,   &ex::PollContacts,   &ex::PollError,     &ex::PollLowFlow};
    return *steps[step >= 1 && step <= kPollSteps ? step - 1 : 0];
}

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

std::uint8_t commandByte(OperatingCommand c) {
    switch (c) {
        case OperatingCommand::StartMeasurement: return cmd::StartMeasurement;
        case OperatingCommand::StopMeasurement: return cmd::StopMeasurement;
        case OperatingCommand::ResetTotalizer: return cmd::ResetTotalizer;
        case OperatingCommand::ResetMaxima: return cmd::ResetMaxima;
        case OperatingCommand::ResetMinima: return cmd::ResetMinima;
        case OperatingCommand::ResetError: return cmd::ResetError;
    }
    return 0;
}

std::uint8_t familyLetter(int family) {
    switch (family) {
        case 0: return 'B';
        case 1: return 'J';
        case 2: return 'D';
        default: return 0;
    }
}

std::vector<std::uint8_t> writeFrame(int family, const std::vector<std::uint8_t>& block) {
    if (!familyLetter(family)) return {};
    std::vector<std::uint8_t> f{cmd::WriteBlock, familyLetter(family)};
    f.insert(f.end(), block.begin(), block.end());
    std::uint8_t sum = 0;
    for (auto c : f) sum = static_cast<std::uint8_t>(sum + c);
    f.push_back(sum);
    return f;
}

std::array<std::uint8_t, 3> lowFlowBlock(int value) {
    const auto v = static_cast<std::uint8_t>(value);
    return {0x04, v, static_cast<std::uint8_t>(cmd::SetLowFlow + 0x04 + v)};
}

}  // namespace qv::protocol
