#pragma once
// The measurement poll as a machine without I/O: which exchange step 1 to 10
// asks for, and what its reply means; step 11 delivers the record.
#include <cstdint>
#include <optional>

#include "core/protocol/commands.h"
#include "core/protocol/measurement.h"
#include "core/protocol/tables.h"

namespace qv::protocol {

class PollListener {
public:
    virtual ~PollListener() = default;
    // Step 1 was answered. code is byte 2 of the reply as a signed byte, or
    // empty when the reply was too short to carry it.
    virtual void deviceTypeReceived(std::optional<int> code) = 0;
    // Step 11 with a link: the record is complete.
    virtual void deliver(const MeasurementRecord& record) = 0;
};

class PollMachine {
public:
    static constexpr int kDeliveryStep = kPollSteps + 1;

    PollMachine(int& deviceFamily, MeasurementRecord& record, PollListener& listener)
        : family_(deviceFamily), record_(record), listener_(listener) {}

    int step() const { return step_; }
    void start() { step_ = 1; }
    bool idle() const { return step_ == 0; }
    // Starts the running cycle again at its first step, so no record mixes
    // replies from both sides of an outage.
    void restart() {
        if (step_ > 1) step_ = 1;
    }

    // What the current step sends: nothing at the delivery step, when idle,
    // or without a link (linked: a link is there).
    const Exchange* request(bool linked) const;
    // The rest of the step with its reply (null: nothing was exchanged). A
    // step whose reply is not accepted stays, so the same command goes out
    // next tick.
    void finishStep(const std::uint8_t* reply, int received, bool linked);

    // Byte count of the poll's most recent read.
    int lastReceived() const { return lastReceived_; }
    // Health of the line as the poll sees it: its exchanges, those that got
    // no byte at all, and those whose reply had a length the step refuses.
    struct Counters {
        int exchanges = 0, unanswered = 0, wrongLength = 0;
    };
    const Counters& counters() const { return counters_; }

private:
    bool singleValue(const std::uint8_t* reply, int n, Quantity q, float& value, std::string& unit);

    int& family_;
    MeasurementRecord& record_;
    PollListener& listener_;
    int step_ = 0;
    int lastReceived_ = 0;
    Counters counters_;
};

}  // namespace qv::protocol
