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
    // Starts the running cycle again at its first step, so no record mixes
    // replies from both sides of an outage.
    void restart() {
        if (step_ > 1) step_ = 1;
    }
    // Runs the current step, exchange included. A step whose reply is not
    // accepted stays, so the same command goes out next tick.
    void runStep();

    // The same step in two halves, for a line on a thread of its own: what
    // the step sends (nothing at the delivery step, when idle or without a
    // link), then, with its reply, the rest of the step.
    struct Request {
        std::uint8_t command;
        int waitMs;
    };
    std::optional<Request> request() const;
    void finishStep(const std::uint8_t* reply, int received);

    // Byte count of the poll's most recent read.
    int lastReceived() const { return lastReceived_; }
    // Health of the line as the poll sees it: its exchanges, those that got
    // no byte at all, and those whose reply had a length the step refuses.
    int exchanges() const { return exchanges_; }
    int unanswered() const { return unanswered_; }
    int wrongLength() const { return wrongLength_; }

private:
    bool singleValue(const std::uint8_t* reply, int n, int quantity, float& value, std::string& unit);

    LinkSlot& slot_;
    int& family_;
    MeasurementRecord& record_;
    PollListener& listener_;
    int step_ = 0;
    int lastReceived_ = 0;
    int exchanges_ = 0, unanswered_ = 0, wrongLength_ = 0;
    std::uint8_t reply_[kReadSize] = {};
};

}  // namespace qv::device
