#pragma once
// The one owner of the connection to a meter: the link, the line's thread,
// the measurement poll and its pacing, the identification, the link-health
// rule, the port retry and the trace of the line. Plain C++: a window or a
// program without one drives it with tick() every 100 ms, asks it for named
// operations and hears from it through SessionEvents and the operations'
// answers, always on the owner's thread (the one `post` runs functions on).
// Nobody else holds the link, the line or the poll.
//
// Who may send what:
//  - choosePort(n) is the technician's "use port n": the old link goes, the
//    number is resolved and pinned to the device it reaches, the meter there
//    is identified.
//  - an operation (read or write the set, a command, the low-flow exchange)
//    queues behind what runs and holds the line until its answer has been
//    handled (a message box shown there keeps it).
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

#include "core/link/line.h"
#include "core/link/link_health.h"
#include "core/link/port_setup.h"
#include "core/link/serial_link.h"
#include "core/link/trace.h"
#include "core/journal/journal.h"
#include "core/params/verdict.h"
#include "core/protocol/measurement.h"
#include "core/protocol/poll.h"
#include "core/protocol/replies.h"

namespace qv::link {

using qv::protocol::Identification;
using qv::protocol::MeasurementRecord;

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
    // A change was not sent: its intent could not be written to the journal
    // (an errno or a qv::journal trouble). Told before the operation's answer.
    virtual void journalRefused(const std::string& /*path*/, int /*error*/) {}
};

// Milliseconds of a steady clock, cut to 32 bits like the system tick count.
std::uint32_t systemTickCount();

class Session : private qv::protocol::PollListener {
public:
    using Clock = std::function<std::uint32_t()>;  // milliseconds, wraps at 2^32
    static constexpr std::uint32_t kRetryMs = 2000;
    // A server that refused or did not confirm a line setting is asked
    // again at a slower pace: it may be corrected, but not every 2 s.
    static constexpr std::uint32_t kSettingRetryMs = 10000;

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

    // The journal every change goes to: its intent on the disk before the
    // first byte, its outcome after. None: changes are not journaled.
    void setJournal(std::optional<qv::journal::Writer> journal) { journal_ = std::move(journal); }
    const std::optional<qv::journal::Writer>& journal() const { return journal_; }
    // A command's answer when its intent could not be journaled: not sent.
    static constexpr int kJournalRefused = -2;
    // Where port numbers find their devices; read at each choice and look.
    void setPorts(PortSetup ports) { ports_ = std::move(ports); }
    const PortSetup& ports() const { return ports_; }

    // "Use port n". remembered: a device stored with the number at an
    // earlier run, which the number keeps meaning when the system's
    // numbering would now give another one.
    void choosePort(int port, const std::string& remembered = {});
    // "Use this device": a path or a server's address given as it is, not by
    // a number (the command-line program's ports); never retried.
    void chooseDevice(const std::string& path);
    // A port as a user names it: "COM5" or "5" by its number, anything else
    // as a device.
    void choose(const std::string& name);
    // Whether the poll runs (a page that shows its values has been shown).
    void setPolling(bool on) { polling_ = on; }
    // One tick of the owner's 100 ms timer.
    void tick();
    // The first count port numbers and the devices they reach, looked up
    // off the owner's thread; then runs on it. A look already under way
    // is not started twice.
    void listPorts(int count, std::function<void(const std::vector<qv::serial::ResolvedPort>&)> then);

    // --- operations: each answers on the owner's thread, the line still
    // held, so nothing comes between an exchange and what it tells.
    // "KT740-->PC": the set, judged (family, code: the asker's, for a type
    // request that gets no answer).
    void readSet(int family, int code, std::function<void(const qv::params::SetRead&)> then);
    // "PC-->KT740": the frame, and, when asked, the block read again right
    // after, before the poll; judge the result with params::judgeWrite.
    void writeSet(const qv::params::WriteRequest& request, std::function<void(const qv::params::WriteResult&)> then);
    // A one-byte operating command; then gets the reply's length, -1 when
    // nothing could be sent (no link, or a port that is not open).
    void command(qv::protocol::OperatingCommand c, std::function<void(int received)> then);
    // The low-flow cut-off 1 to 10 %, or the zero-point adjustment.
    void setLowFlow(int percent, std::function<void(qv::protocol::LowFlowResult)> then);
    void adjustZeroPoint(std::function<void(qv::protocol::LowFlowResult)> then);
    // The meter asked who it is again (after a flush read); empty when it
    // did not answer or there is no link.
    void identify(std::function<void(const std::optional<Identification>&)> then);

    // Nothing runs, waits or looks for ports.
    bool idle() const { return !line_.busy() && !listing_; }
    // An operation waits, runs, or has not yet told its outcome.
    bool commandPending() const { return holds_ > 0; }
    // A link is in the slot (a port opened, the meter there or not).
    bool linked() const;
    const MeasurementRecord& record() const { return record_; }
    const LinkHealth& health() const { return health_; }
    // The poll's step (0 idle, 11 delivery) and its counters.
    int pollStep() const { return poll_.step(); }
    const qv::protocol::PollMachine::Counters& pollCounters() const { return poll_.counters(); }
    // The trace of the line, to read (the line itself records into it).
    TraceReader& trace() { return trace_; }
    // The chosen number's device; empty before a choice reached one.
    const std::optional<qv::serial::PortPin>& pin() const { return pin_; }
    // The meter as it last identified itself on this link.
    const std::optional<Identification>& identification() const { return identification_; }
    bool linkDown() const { return linkDown_; }
    // Whether the session goes on trying by itself: an open port is asked
    // (and reopened) by the poll, a port that did not open is tried again
    // unless asking again changes nothing (no permission, no serial port).
    bool retrying() const;
    std::uint32_t pollStartTick() const { return pollStartTick_; }
    // The outage rules' refresh interval in ms: the refresh rate, but never
    // below the smallest the Settings page accepts (a file may hold 0).
    std::uint32_t outageInterval() const;

private:
    void pollTick(std::uint32_t now);
    void runPollStep();
    void retryPort(std::uint32_t now);
    void reidentify();
    void askIdentity(bool operation, std::function<void(const std::optional<Identification>&)> then);
    void applyOutcome(const PortOutcome& outcome);
    void reportLinkState();
    // Runs an operation's work on the line; then follows on the owner's
    // thread with the line still held.
    void run(Line::Work work, Line::Then then);
    // The meter a change goes to, as known now (owner's thread).
    qv::journal::Target target() const;
    // Runs a change: the intent journaled on the line's thread right before
    // send (which gets the slot and the intent's seq, 0 when there is no
    // journal), then done on the owner's thread; a refused intent sends
    // nothing and is told to the events.
    struct Journaled {
        int refused = 0;  // the intent's trouble; nothing went out
        long seq = 0;
    };
    void runChange(qv::journal::Intent intent, std::function<void(LinkSlot&, long seq)> send,
                   std::function<void(const Journaled&)> done);
    void deviceTypeReceived(std::optional<int> code) override;
    void deliver(const MeasurementRecord& record) override;

    int& family_;
    const int& refreshRate_;
    Line::Post post_;
    Clock clock_;
    SessionEvents* events_ = nullptr;
    MakeLink makeLink_;
    Present present_;
    PortSetup ports_;
    // Declared before the slot: the link records into it.
    LineTrace trace_;
    LinkSlot slot_;
    MeasurementRecord record_;
    qv::protocol::PollMachine poll_;
    LinkHealth health_;
    std::optional<qv::serial::PortPin> pin_;
    std::optional<Identification> identification_;
    int chosenPort_ = 0;
    std::optional<qv::journal::Writer> journal_;
    std::string reached_;  // the device or server address the last choice reached
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
    std::uint32_t lastSettingRetry_ = 0;  // when a line setting was last refused or tried
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::atomic<bool> listing_{false};
    std::thread lister_;
    // Last: the line's thread ends before anything it uses.
    Line line_;
};

}  // namespace qv::link
