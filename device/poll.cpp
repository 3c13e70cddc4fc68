#include "device/poll.h"

#include "device/exchange.h"
#include "device/tables.h"

namespace qv::device {
namespace {
constexpr int kPollWaitMs = 40;
constexpr int kLowFlowWaitMs = 60;
// A byte-value reply carries its value in byte 2; a shorter one carries none.
constexpr int kValueReplyMin = 3;
constexpr int kSingleReply = 8;
constexpr int kTripleReply = 18;
}  // namespace

int PollMachine::exchange(std::uint8_t command, int waitMs) {
    lastReceived_ = exchangeCommand(slot_.get(), command, waitMs, reply_);
    return lastReceived_;
}

bool PollMachine::singleValue(std::uint8_t command, int quantity, float& value, std::string& unit) {
    if (exchange(command, kPollWaitMs) != kSingleReply) return false;
    value = decodeFloatBE(reply_ + 2);
    unit = unitText(static_cast<Quantity>(quantity), family_, reply_[6]);
    return true;
}

void PollMachine::runStep() {
    if (step_ < 1 || step_ > kDeliveryStep) return;
    if (step_ == kDeliveryStep) {
        if (slot_) listener_.deliver(record_);
        step_ = 0;
        return;
    }
    if (!slot_) return;  // no link: the cycle waits at its step

    auto& r = record_;
    bool ok = false;
    switch (step_) {
        case 1: {
            int n = exchange(cmd::DeviceType, kPollWaitMs);
            ok = n >= 1;
            if (ok) {
                std::optional<int> code;
                if (n >= kValueReplyMin) {
                    code = static_cast<std::int8_t>(reply_[2]);
                    updateFamily(*code, family_);
                }
                listener_.deviceTypeReceived(code);
            }
            break;
        }
        case 2: ok = singleValue(cmd::FlowVelocity, int(Quantity::FlowVelocity), r.flowVelocity, r.flowVelocityUnit); break;
        case 3: ok = singleValue(cmd::VolumeFlow, int(Quantity::VolumeFlow), r.volumeFlow, r.volumeFlowUnit); break;
        case 4: ok = singleValue(cmd::Totalizer, int(Quantity::Totalizer), r.totalizer, r.totalizerUnit); break;
        case 5: ok = singleValue(cmd::Temperature, int(Quantity::Temperature), r.temperature, r.temperatureUnit); break;
        case 6:
        case 7: {
            const bool minima = step_ == 6;
            ok = exchange(minima ? cmd::Minima : cmd::Maxima, kPollWaitMs) == kTripleReply;
            if (ok) {
                (minima ? r.flowVelocityMin : r.flowVelocityMax) = decodeFloatBE(reply_ + 2);
                (minima ? r.volumeFlowMin : r.volumeFlowMax) = decodeFloatBE(reply_ + 7);
                (minima ? r.temperatureMin : r.temperatureMax) = decodeFloatBE(reply_ + 12);
            }
            break;
        }
        case 8:
        case 9:
        case 10: {
            const std::uint8_t command = step_ == 8 ? cmd::Contacts : step_ == 9 ? cmd::ErrorCode : cmd::LowFlow;
            int n = exchange(command, step_ == 10 ? kLowFlowWaitMs : kPollWaitMs);
            ok = n >= 1;
            // A reply too short to reach byte 2 moves the poll on but keeps
            // the last value rather than inventing one.
            if (ok && n >= kValueReplyMin) {
                std::uint8_t& field = step_ == 8 ? r.contactStates : step_ == 9 ? r.errorCode : r.lowFlowCutoff;
                field = reply_[2];
            }
            break;
        }
    }
    if (!ok) return;
    if (step_ == 9) {
        if (family_ == 1) {
            step_ = 10;
        } else {
            r.lowFlowCutoff = 0;
            step_ = kDeliveryStep;
        }
    } else {
        ++step_;
    }
}

}  // namespace qv::device
