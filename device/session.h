#pragma once
// The one owner of the connection to a meter: the link slot, the line's
// thread, the measurement poll and its pacing, the identification, the
// link-health rule, the port retry and the trace of the line. Plain C++: a
// window or a program without one drives it with tick() every 100 ms and
// hears from it through SessionEvents, always on the owner's thread (the one
// `post` runs functions on).
//
// Who may send what:
//  - choosePort(n) is the technician's "use port n": the old link goes, the
//    number is resolved and pinned to the device it reaches, the meter there
//    is identified.
//  - run() is a page command: it queues behind what runs and holds the line
//    until its `then` has ended (a message box there keeps it).
//  - the poll takes one step a tick on a free line.
//  - the retry reopens only the chosen device, when it was missing or in use
//    and is there again; a meter that answers again after an outage, or with
//    another model, is identified once more.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/identify.h"
#include "device/line.h"
#include "device/link_health.h"
#include "device/measurement.h"
#include "device/poll.h"
#include "device/serial_link.h"
#include "device/trace.h"

namespace qv::device {

// How opening a port ended: chosen by the technician, or reopened by the retry.
struct PortOutcome {
    int port = 0;
    bool retried = false;
    bool opened = false;
    qv::serial::OpenFailure failure = qv::serial::OpenFailure::None;
    std::string failureDetail;             // a network server's answer (see SerialLink::failureDetail)
    qv::serial::ResolvedPort resolved;     // the device the number reached (path empty: nothing)
    std::optional<Identification> meter;   // set when the meter answered the identification
};

class SessionEvents {
public:
    virtual ~SessionEvents() = default;
    virtual void portOutcome(const PortOutcome&) {}
    // The meter identified itself again: after an outage, or as another model.
    virtual void identified(const Identification&) {}
    // The poll's type request was answered (empty: too short to carry a code).
    virtual void deviceTypeReceived(std::optional<int>) {}
    // A whole cycle, for the pages.
    virtual void delivered(const MeasurementRecord&) {}
    // While the poll runs: the link went down, or came back.
    virtual void linkDown(bool) {}
};

// Milliseconds of a steady clock, cut to 32 bits like the system tick count.
std::uint32_t systemTickCount();

class Session : private PollListener {
public:
    using Clock = std::function<std::uint32_t()>;  // milliseconds, wraps at 2^32
    static constexpr std::uint32_t kRetryMs = 2000;

    // deviceFamily and refreshRate are the owner's settings, read at each use.
    Session(int& deviceFamily, const int& refreshRate, Line::Post post, Clock clock = systemTickCount);
    ~Session() override;  // the exchange that runs ends first; what is queued is dropped
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void setEvents(SessionEvents* events) { events_ = events; }
    // Where links come from and whether a device is there now; the port
    // layer's unless tests stand in (both are called on the line's thread).
    using MakeLink = std::function<LinkSlot()>;
    using Present = std::function<bool(const std::string& path)>;
    void setDevices(MakeLink make, Present present) {
        makeLink_ = std::move(make);
        present_ = std::move(present);
    }

    // "Use port n". remembered: a device stored with the number at an
    // earlier run, which the number keeps meaning when the system's
    // numbering would now give another one.
    void choosePort(int port, const std::string& remembered = {});
    // "Use this device": a path or a server's address given as it is, not by
    // a number (the command-line program's ports); never retried.
    void chooseDevice(const std::string& path);
    // Whether the poll runs (a page that shows its values has been shown).
    void setPolling(bool on) { polling_ = on; }
    // One tick of the owner's 100 ms timer.
    void tick();
    // A page command (see above).
    void run(Line::Work work, Line::Then then = {});
    // The first count port numbers and the devices they reach, looked up
    // off the owner's thread; then runs on it. A look already under way
    // is not started twice.
    void listPorts(int count, std::function<void(const std::vector<qv::serial::ResolvedPort>&)> then);

    // Nothing runs, waits or looks for ports.
    bool idle() const { return !line_.busy() && !listing_; }
    // A page command waits, runs, or has not yet told its outcome.
    bool commandPending() const { return holds_ > 0; }
    Line& line() { return line_; }
    LinkSlot& slot() { return slot_; }
    PollMachine& poll() { return poll_; }
    const MeasurementRecord& record() const { return record_; }
    const LinkHealth& health() const { return health_; }
    LineTrace& trace() { return trace_; }
    // The chosen number's device; empty before a choice reached one.
    const std::optional<qv::serial::PortPin>& pin() const { return pin_; }
    // The meter as it last identified itself on this link.
    const std::optional<Identification>& identification() const { return identification_; }
    bool linkDown() const { return linkDown_; }
    std::uint32_t pollStartTick() const { return pollStartTick_; }
    // The outage rules' refresh interval in ms: the refresh rate, but never
    // below the smallest the Settings page accepts (a file may hold 0).
    std::uint32_t outageInterval() const;

private:
    void pollTick(std::uint32_t now);
    void runPollStep();
    void retryPort();
    void reidentify();
    void applyOutcome(const PortOutcome& outcome);
    void reportLinkState();
    void deviceTypeReceived(std::optional<int> code) override;
    void deliver(const MeasurementRecord& record) override;

    int& family_;
    const int& refreshRate_;
    Line::Post post_;
    Clock clock_;
    SessionEvents* events_ = nullptr;
    MakeLink makeLink_;
    Present present_;
    // Declared before the slot: the link records into it.
    LineTrace trace_;
    LinkSlot slot_;
    MeasurementRecord record_;
    PollMachine poll_;
    LinkHealth health_;
    std::optional<qv::serial::PortPin> pin_;
    std::optional<Identification> identification_;
    int chosenPort_ = 0;
    bool opened_ = false;
    qv::serial::OpenFailure failure_ = qv::serial::OpenFailure::None;
    bool polling_ = false;
    bool linkDown_ = false;
    bool owed_ = false;         // a tick came while an exchange ran: it follows at once
    bool identifying_ = false;  // an identification waits or runs
    int holds_ = 0;             // page commands queued or running, their `then` included
    std::uint32_t pollStartTick_ = 0;
    int stepSeen_ = 0;
    std::uint64_t stepAskedSince_ = 0;
    std::uint32_t lastRetry_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::atomic<bool> listing_{false};
    std::thread lister_;
    // Last: the line's thread ends before anything it uses.
    Line line_;
};

}  // namespace qv::device
