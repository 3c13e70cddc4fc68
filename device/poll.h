#pragma once
// The measurement poll: one exchange per timer tick, steps 1 to 11.
#include <cstdint>
#include <optional>

#include "device/measurement.h"
#include "device/serial_link.h"

namespace qv::device {

class PollListener {
public:
    virtual ~PollListener() = default;
    // Step 1 was answered. code is byte 2 of the reply as a signed byte, or
    // empty when the reply was too short to carry it.
    virtual void deviceTypeReceived(std::optional<int> code) = 0;
    // Step 11 with a link in the slot: the record is complete.
    virtual void deliver(const MeasurementRecord& record) = 0;
};

class PollMachine {
public:
    static constexpr int kDeliveryStep = 11;

    PollMachine(LinkSlot& slot, int& deviceFamily, MeasurementRecord& record, PollListener& listener)
        : slot_(slot), family_(deviceFamily), record_(record), listener_(listener) {}

    int step() const { return step_; }
    void start() { step_ = 1; }
    bool idle() const { return step_ == 0; }
    // Runs the current step (the caller holds the link lock). A step whose
    // reply is not accepted stays, so the same command goes out next tick.
    void runStep();
    // Byte count of the poll's most recent read.
    int lastReceived() const { return lastReceived_; }

private:
    int exchange(std::uint8_t command, int waitMs);
    bool singleValue(std::uint8_t command, int quantity, float& value, std::string& unit);

    LinkSlot& slot_;
    int& family_;
    MeasurementRecord& record_;
    PollListener& listener_;
    int step_ = 0;
    int lastReceived_ = 0;
    std::uint8_t reply_[kReadSize] = {};
};

}  // namespace qv::device
