#include "device/poll.h"

#include <cstring>

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

std::optional<PollMachine::Request> PollMachine::request() const {
    if (step_ < 1 || step_ >= kDeliveryStep || !slot_) return std::nullopt;
    static constexpr std::uint8_t kCommands[] = {cmd::DeviceType, cmd::FlowVelocity, cmd::VolumeFlow,
                                                 cmd::Totalizer,  cmd::Temperature,  cmd::Minima,
                                                 cmd::Maxima,     cmd::Contacts,     cmd::ErrorCode,
                                                 cmd::LowFlow};
    return Request{kCommands[step_ - 1], step_ == 10 ? kLowFlowWaitMs : kPollWaitMs};
}

void PollMachine::runStep() {
    if (auto r = request()) {
        const int n = exchangeCommand(slot_.get(), r->command, r->waitMs, reply_);
        finishStep(reply_, n);
    } else {
        finishStep(nullptr, 0);
    }
}

bool PollMachine::singleValue(const std::uint8_t* reply, int n, int quantity, float& value, std::string& unit) {
    if (n != kSingleReply) return false;
    value = decodeFloatBE(reply + 2);
    unit = unitText(static_cast<Quantity>(quantity), family_, reply[6]);
    return true;
}

void PollMachine::finishStep(const std::uint8_t* reply, int n) {
    if (step_ < 1 || step_ > kDeliveryStep) return;
    if (step_ == kDeliveryStep) {
        if (slot_) listener_.deliver(record_);
        step_ = 0;
        return;
    }
    if (!slot_ || !reply) return;  // no link: the cycle waits at its step
    if (reply != reply_) std::memcpy(reply_, reply, kReadSize);
    lastReceived_ = n;
    ++exchanges_;

    auto& r = record_;
    bool ok = false;
    switch (step_) {
        case 1: {
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
        case 2: ok = singleValue(reply_, n, int(Quantity::FlowVelocity), r.flowVelocity, r.flowVelocityUnit); break;
        case 3: ok = singleValue(reply_, n, int(Quantity::VolumeFlow), r.volumeFlow, r.volumeFlowUnit); break;
        case 4: ok = singleValue(reply_, n, int(Quantity::Totalizer), r.totalizer, r.totalizerUnit); break;
        case 5: ok = singleValue(reply_, n, int(Quantity::Temperature), r.temperature, r.temperatureUnit); break;
        case 6:
        case 7: {
            const bool minima = step_ == 6;
            ok = n == kTripleReply;
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
    if (!ok) {
        ++(n == 0 ? unanswered_ : wrongLength_);
        return;
    }
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
