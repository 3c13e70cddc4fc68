#include "core/protocol/poll.h"

#include "core/protocol/tables.h"

namespace qv::protocol {

const Exchange* PollMachine::request(bool linked) const {
    if (step_ < 1 || step_ >= kDeliveryStep || !linked) return nullptr;
    return &pollExchange(step_);
}

bool PollMachine::singleValue(const std::uint8_t* reply, int n, Quantity q, float& value, std::string& unit) {
    if (n != pollExchange(step_).length) return false;
    value = decodeFloatBE(reply + 2);
    unit = unitText(q, family_, reply[6]);
    return true;
}

void PollMachine::finishStep(const std::uint8_t* reply, int n, bool linked) {
    if (step_ < 1 || step_ > kDeliveryStep) return;
    if (step_ == kDeliveryStep) {
        if (linked) listener_.deliver(record_);
        step_ = 0;
        return;
    }
    if (!linked || !reply) return;  // no link: the cycle waits at its step
    lastReceived_ = n;
    ++counters_.exchanges;

    auto& r = record_;
    // A byte-value reply too short to reach its value byte moves the poll on
    // but keeps the last value rather than inventing one.
    const bool valueByte = n > static_cast<int>(kValueByte);
    bool ok = false;
    switch (step_) {
        case 1: {
            ok = n >= 1;
            if (ok) {
                std::optional<int> code;
                if (valueByte) {
                    code = static_cast<std::int8_t>(reply[kValueByte]);
                    updateFamily(*code, family_);
                }
                listener_.deviceTypeReceived(code);
            }
            break;
        }
        case 2: ok = singleValue(reply, n, Quantity::FlowVelocity, r.flowVelocity, r.flowVelocityUnit); break;
        case 3: ok = singleValue(reply, n, Quantity::VolumeFlow, r.volumeFlow, r.volumeFlowUnit); break;
        case 4: ok = singleValue(reply, n, Quantity::Totalizer, r.totalizer, r.totalizerUnit); break;
        case 5: ok = singleValue(reply, n, Quantity::Temperature, r.temperature, r.temperatureUnit); break;
        case 6:
        case 7: {
            const bool minima = step_ == 6;
            ok = n == pollExchange(step_).length;
            if (ok) {
                (minima ? r.flowVelocityMin : r.flowVelocityMax) = decodeFloatBE(reply + 2);
                (minima ? r.volumeFlowMin : r.volumeFlowMax) = decodeFloatBE(reply + 7);
                (minima ? r.temperatureMin : r.temperatureMax) = decodeFloatBE(reply + 12);
            }
            break;
        }
        case 8:
        case 9:
        case 10: {
            ok = n >= 1;
            if (ok && valueByte) {
                std::uint8_t& field = step_ == 8 ? r.contactStates : step_ == 9 ? r.errorCode : r.lowFlowCutoff;
                field = reply[kValueByte];
            }
            break;
        }
    }
    if (!ok) {
        ++(n == 0 ? counters_.unanswered : counters_.wrongLength);
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

}  // namespace qv::protocol
