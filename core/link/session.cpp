#include "core/link/session.h"
#include "core/params/compare.h"
#include "core/protocol/tables.h"

#include <cstdio>

#include <algorithm>
#include <chrono>
#include <unistd.h>

#include "core/link/exchange.h"
#include "core/protocol/tables.h"
#include "platform/serial/net_port.h"

namespace qv::link {

using qv::protocol::updateFamily;

using qv::serial::OpenFailure;
using qv::serial::PortPin;
using qv::serial::PortSource;

std::uint32_t systemTickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

namespace {

// On the line's thread: a new link on path, opened and asked who it is.
void openAndIdentify(LinkSlot& slot, const Session::MakeLink& make, LineTrace* trace, bool tell, PortOutcome& out) {
    slot.reset();
    slot = make();
    slot->setTrace(trace);
    slot->setTellFailures(tell);
    const int opened = slot->openPath(out.resolved.path, out.port);
    out.failure = slot->lastFailure();
    out.failureDetail = slot->failureDetail();
    if (opened != 0) {
        slot.reset();
        return;
    }
    out.opened = true;
    // The family follows the code on the owner's thread.
    Identification id;
    if (identifyMeter(*slot, id)) out.meter = id;
}

}  // namespace

Session::Session(int& deviceFamily, const int& refreshRate, Line::Post post, Clock clock)
    : family_(deviceFamily),
      refreshRate_(refreshRate),
      post_(post),
      clock_(std::move(clock)),
      makeLink_([] { return std::make_unique<SerialLink>(); }),
      // A network server is there when it takes the connection: trying is the look.
      present_([](const std::string& path) {
          return qv::serial::isNetAddress(path) || ::access(path.c_str(), F_OK) == 0;
      }),
      poll_(deviceFamily, record_, *this),
      lastRetry_(clock_()),
      line_(slot_, std::move(post)) {
    line_.setOnFree([this] {
        if (!owed_) return;
        owed_ = false;
        tick();
    });
}

Session::~Session() {
    alive_.reset();
    if (lister_.joinable()) lister_.join();
}

std::uint32_t Session::outageInterval() const {
    return static_cast<std::uint32_t>(std::max(refreshRate_, 2)) * 1000u;
}

void Session::choosePort(int port, const std::string& remembered) {
    auto out = std::make_shared<PortOutcome>();
    out->port = port;
    const std::optional<PortPin> pin = pin_;
    LineTrace* trace = &trace_;
    // On the line's thread: the old link goes first, even when the new port
    // will not open, and the system's ports are looked up there too.
    line_.run(
        [out, pin, remembered, trace, make = makeLink_, ports = ports_](LinkSlot& slot) {
            slot.reset();
            // As the list shows it: the chosen number keeps its device, the others follow.
            out->resolved = ports.resolve(out->port, pin ? &*pin : nullptr);
            const PortSource source = out->resolved.source;
            if (!remembered.empty() && (source == PortSource::System || source == PortSource::None)) {
                const PortPin stored{out->port, remembered, PortSource::System};
                out->resolved = ports.resolve(out->port, &stored);
            }
            openAndIdentify(slot, make, trace, ports.tellFailures, *out);
        },
        [this, out] {
            const auto& r = out->resolved;
            reached_ = r.path;
            if (r.path.empty())
                pin_.reset();
            else
                pin_ = PortPin{out->port, r.path, r.source};
            applyOutcome(*out);
        });
}

void Session::chooseDevice(const std::string& path) {
    auto out = std::make_shared<PortOutcome>();
    out->resolved = qv::serial::describePath(path);
    LineTrace* trace = &trace_;
    line_.run([out, trace, make = makeLink_, tell = ports_.tellFailures](LinkSlot& slot) {
                  openAndIdentify(slot, make, trace, tell, *out);
              },
              [this, out] {
                  pin_.reset();
                  reached_ = out->resolved.path;
                  applyOutcome(*out);
              });
}

bool Session::retrying() const {
    if (opened_) return true;
    switch (failure_) {
        case OpenFailure::NoDevice: case OpenFailure::InUse: case OpenFailure::NoServer: case OpenFailure::ServerRefused:
        case OpenFailure::ServerSilent: case OpenFailure::SettingRefused: case OpenFailure::SettingUnconfirmed:
            return chosenPort_ != 0;
        default: return false;
    }
}

void Session::retryPort(std::uint32_t now) {
    // Only a port that could not be opened because its device was missing
    // or held by another program, its server was not reached or refused a
    // line setting; a silent meter on an open port is the poll's business,
    // and an open port that hung up reopens itself. Without permission, or
    // with a device that is no serial port, asking again changes nothing.
    if (line_.busy() || opened_ || chosenPort_ == 0) return;
    if (!retrying()) return;
    if (failure_ == OpenFailure::SettingRefused || failure_ == OpenFailure::SettingUnconfirmed) {
        if (now - lastSettingRetry_ < kSettingRetryMs) return;
        lastSettingRetry_ = now;
    }
    auto out = std::make_shared<PortOutcome>();
    out->port = chosenPort_;
    out->retried = true;
    const std::optional<PortPin> pin = pin_;
    LineTrace* trace = &trace_;
    line_.tryRun(
        [out, pin, trace, make = makeLink_, present = present_, ports = ports_](LinkSlot& slot) {
            // The chosen device, or, when the number reached nothing, a name
            // the technician gave it (start-up directory, settings file);
            // never whatever the system's numbering now puts there.
            out->resolved = pin ? ports.resolve(out->port, &*pin) : ports.resolve(out->port, nullptr, false);
            const std::string& path = out->resolved.path;
            if (path.empty() || !present(path)) {
                out->port = 0;  // still not there: nothing was tried
                return;
            }
            openAndIdentify(slot, make, trace, ports.tellFailures, *out);
        },
        [this, out] {
            if (out->port == 0) return;
            const auto& r = out->resolved;
            if (!pin_) pin_ = PortPin{out->port, r.path, r.source};
            applyOutcome(*out);
        });
}

void Session::applyOutcome(const PortOutcome& out) {
    if (out.failure != failure_ || !out.retried) lastSettingRetry_ = clock_();
    chosenPort_ = out.port;
    opened_ = out.opened;
    failure_ = out.failure;
    health_.portChosen(out.port, out.opened, clock_());
    health_.evaluate(outageInterval());  // told at once, not at the next tick
    identification_ = out.meter;
    if (out.meter) updateFamily(out.meter->deviceCode, family_);
    if (events_) events_->portOutcome(out);
}

void Session::reidentify() {
    if (identifying_) return;
    identifying_ = true;
    // The session's own question, not an operation: the poll's rules go on.
    askIdentity(false, [this](const std::optional<Identification>&) { identifying_ = false; });
}

void Session::identify(std::function<void(const std::optional<Identification>&)> then) {
    askIdentity(true, std::move(then));
}

void Session::askIdentity(bool operation, std::function<void(const std::optional<Identification>&)> then) {
    auto out = std::make_shared<std::optional<Identification>>();
    Line::Work work = [out](LinkSlot& slot) {
        if (!slot) return;
        slot->flush();  // the poll's traffic may have left late bytes: they go first
        Identification id;
        if (identifyMeter(*slot, id)) *out = id;
    };
    Line::Then done = [this, out, then = std::move(then)] {
        if (*out) {
            identification_ = *out;
            updateFamily((*out)->deviceCode, family_);
            if (events_) events_->identified(**out);
        }
        if (then) then(*out);
    };
    if (operation)
        run(std::move(work), std::move(done));
    else
        line_.run(std::move(work), std::move(done));
}

void Session::run(Line::Work work, Line::Then then) {
    // The line is the command's from now until its `then` has ended: the
    // meter is not asked meanwhile, so its silence counts for nothing.
    ++holds_;
    line_.run(std::move(work), [this, then = std::move(then)] {
        if (then) then();
        --holds_;
    });
}

void Session::listPorts(int count, std::function<void(const std::vector<qv::serial::ResolvedPort>&)> then) {
    if (listing_) return;
    if (lister_.joinable()) lister_.join();  // ended: it has posted its answer
    listing_ = true;
    const std::optional<PortPin> pin = pin_;
    lister_ = std::thread([this, count, pin, setup = ports_, then = std::move(then), alive = std::weak_ptr<int>(alive_)] {
        auto ports = setup.resolveAll(count, pin ? &*pin : nullptr);
        post_([this, then, ports = std::move(ports), alive] {
            if (!alive.lock()) return;
            listing_ = false;
            then(ports);
        });
    });
}

void Session::tick() {
    const std::uint32_t now = clock_();
    // Asking: the poll runs and the line is its own (no command, no message box).
    health_.update(now, polling_, polling_ && holds_ == 0 && !line_.inThen(), outageInterval());
    // Ticks that come while an exchange runs are one owed tick, served the
    // moment the line is free: the poll keeps the pace it had when every
    // exchange held up the window and its timer. A tick during a message
    // box is skipped, as it always was.
    if (line_.busy() && !line_.inThen()) {
        owed_ = true;
        reportLinkState();
        return;
    }
    if (now - lastRetry_ >= kRetryMs) {
        lastRetry_ = now;
        retryPort(now);
    }
    pollTick(now);
    reportLinkState();
}

void Session::pollTick(std::uint32_t now) {
    // Unsigned arithmetic keeps the interval right across the tick count's wrap.
    const std::uint32_t interval = static_cast<std::uint32_t>(refreshRate_) * 1000u;
    if (now - pollStartTick_ > interval && poll_.idle() && polling_) {
        pollStartTick_ = now;
        poll_.start();
    }
    // A command runs or waits, or a message box inside one is open: a poll
    // step now would tear that exchange.
    if (line_.busy()) return;
    // A step the meter was asked for longer than a refresh interval without
    // answering: the values gathered before it belong to the other side of
    // an outage.
    if (poll_.step() != stepSeen_) {
        stepSeen_ = poll_.step();
        stepAskedSince_ = health_.askedMs();
    } else if (stepSeen_ > 1 && stepSeen_ < qv::protocol::PollMachine::kDeliveryStep &&
               health_.askedMs() - stepAskedSince_ > outageInterval()) {
        poll_.restart();
        stepSeen_ = poll_.step();
        stepAskedSince_ = health_.askedMs();
    }
    runPollStep();
}

namespace {
struct PollReply {
    bool exchanged = false;
    int received = 0;
    std::uint8_t bytes[kReadSize] = {};
    int reopenings = 0;
    bool lost = false;
};
}  // namespace

void Session::runPollStep() {
    // The owner's thread decides what the step sends and what its reply
    // means; the line's thread only does the exchange.
    auto reply = std::make_shared<PollReply>();
    const qv::protocol::Exchange* request = poll_.request(linked());
    line_.tryRun(
        [request, reply](LinkSlot& slot) {
            if (!request || !slot) return;
            reply->received = exchangeCommand(slot.get(), request->command, *request, reply->bytes);
            reply->reopenings = slot->reopenings();
            reply->lost = slot->lost();
            reply->exchanged = true;
        },
        [this, reply] {
            const auto before = poll_.counters();
            poll_.finishStep(reply->exchanged ? reply->bytes : nullptr, reply->received, linked());
            if (!reply->exchanged) return;
            const auto& after = poll_.counters();
            if (after.wrongLength != before.wrongLength || after.unanswered != before.unanswered)
                health_.unansweredStep(after.wrongLength != before.wrongLength);
            // The port went away (and maybe came back) during this cycle: what
            // it gathered before belongs to the other side of the outage.
            const bool outage = reply->lost || reply->reopenings != health_.reopenings();
            health_.portReport(reply->reopenings, reply->lost);
            if (outage) poll_.restart();
        });
}

void Session::reportLinkState() {
    const bool down = health_.down() && polling_;
    if (down == linkDown_) return;
    linkDown_ = down;
    // Whoever answers next is asked who it is, as at the start.
    if (down) identification_.reset();
    if (events_) events_->linkDown(down);
}

void Session::deviceTypeReceived(std::optional<int> code) {
    if (events_) events_->deviceTypeReceived(code);
    // A meter that answers the poll but was not identified on this link
    // (silent at the start, back after an outage), or that now reports
    // another model: once more, type and version.
    if (code && (!identification_ || identification_->deviceCode != *code)) reidentify();
}

void Session::deliver(const MeasurementRecord& record) {
    health_.cycleDelivered(clock_());
    // Values are fresh again before they are shown and written.
    health_.evaluate(outageInterval());
    reportLinkState();
    if (events_) events_->delivered(record);
}

bool Session::linked() const { return slot_ != nullptr; }

void Session::choose(const std::string& name) {
    if (const int n = portNumberOf(name))
        choosePort(n);
    else
        chooseDevice(name);
}

void Session::readSet(int family, int code, std::function<void(const qv::params::SetRead&)> then) {
    // Both requests in one piece of work: nothing comes between them.
    auto replies = std::make_shared<std::optional<qv::protocol::ParameterReplies>>();
    run(
        [replies](LinkSlot& slot) {
            if (slot) *replies = requestParameters(*slot);
        },
        [replies, family, code, then = std::move(then)] {
            then(qv::params::judgeRead(*replies ? &**replies : nullptr, family, code));
        });
}

qv::journal::Target Session::target() const {
    qv::journal::Target t;
    t.port = chosenPort_;
    t.reached = reached_;
    if (identification_) {
        t.model = qv::protocol::modelCodeText(identification_->deviceCode);
        if (identification_->version) {
            char v[32];
            std::snprintf(v, sizeof v, "%.2f", static_cast<double>(*identification_->version));
            t.software = v;
        }
    }
    return t;
}

void Session::runChange(qv::journal::Intent intent, std::function<void(LinkSlot&, long)> send,
                        std::function<void(const Journaled&)> done) {
    intent.target = target();
    auto journaled = std::make_shared<Journaled>();
    run(
        [journal = journal_, intent = std::move(intent), send = std::move(send), journaled](LinkSlot& slot) {
            // Nothing goes out that the journal does not hold beforehand; with
            // no link nothing goes out either, and there is nothing to keep.
            if (journal && slot) {
                const auto a = qv::journal::appendIntent(*journal, intent);
                if (!a.ok()) {
                    journaled->refused = a.error;
                    return;
                }
                journaled->seq = a.seq;
            }
            send(slot, journaled->seq);
        },
        [this, journaled, done = std::move(done)] {
            if (journaled->refused && events_ && journal_) events_->journalRefused(journal_->path, journaled->refused);
            done(*journaled);
        });
}

namespace {
// The outcome after the exchange, on the line's thread; a journal that took
// the intent but not this leaves the intent "outcome unknown", which is so.
void journalOutcome(const std::optional<qv::journal::Writer>& journal, long seq, const qv::journal::Outcome& outcome) {
    if (journal && seq) (void)qv::journal::appendOutcome(*journal, seq, outcome);
}
qv::journal::Operation operationOf(qv::protocol::OperatingCommand c) {
    using qv::protocol::OperatingCommand;
    using qv::journal::Operation;
    switch (c) {
        case OperatingCommand::ResetMinima: return Operation::ResetMinima;
        case OperatingCommand::ResetMaxima: return Operation::ResetMaxima;
        case OperatingCommand::ResetError: return Operation::ResetError;
        case OperatingCommand::ResetTotalizer: return Operation::ResetTotalizer;
        case OperatingCommand::StopMeasurement: return Operation::StopMeasurement;
        case OperatingCommand::StartMeasurement: return Operation::StartMeasurement;
    }
    return Operation::ResetError;
}
const char* lowFlowAnswer(qv::protocol::LowFlowResult r) {
    using qv::protocol::LowFlowResult;
    switch (r) {
        case LowFlowResult::NotSent: return "not-sent";
        case LowFlowResult::NoAck: return "not-acknowledged";
        case LowFlowResult::Set: return "acknowledged";
        case LowFlowResult::Zero9E: return "zero-9e";
        case LowFlowResult::Zero9D: return "zero-9d";
        case LowFlowResult::Zero9F: return "zero-9f";
        case LowFlowResult::NoZeroResult: return "no-zero-result";
        case LowFlowResult::ZeroOther: return "zero-other";
    }
    return "unknown";
}
}  // namespace

void Session::writeSet(const qv::params::WriteRequest& request, std::function<void(const qv::params::WriteResult&)> then) {
    struct Done {
        bool linked = false;
        qv::protocol::WriteOutcome line;
        std::optional<qv::protocol::ParameterReplies> back;
    };
    auto done = std::make_shared<Done>();
    const auto frame = qv::protocol::writeFrame(request.set.family, request.set.block);
    qv::journal::Intent intent;
    intent.op = qv::journal::Operation::ParameterWrite;
    intent.before = request.before;
    intent.sent = request.set;
    runChange(
        std::move(intent),
        [done, frame, request, journal = journal_](LinkSlot& slot, long seq) {
            if (!slot) return;
            done->linked = true;
            done->line = sendParameterFrame(*slot, frame);
            // Whatever the answer said, the meter itself tells what it holds
            // now: the block is read again at once, before any poll step.
            if (request.readBack) done->back = requestParameters(*slot);
            if (!journal || !seq) return;
            qv::params::WriteResult result;
            result.linked = true;
            result.line = done->line;
            if (done->back) result.back = qv::params::judgeRead(&*done->back, request.set.family, request.set.code);
            const auto judged = qv::params::judgeWrite(request, result, journal->uiLanguage);
            qv::journal::Outcome outcome;
            outcome.answer = done->line.acknowledged ? "acknowledged" : "not-acknowledged";
            outcome.verdict = qv::params::verdictName(judged.verdict);
            // Old -> new as far as the meter shows it: the set held before
            // against what it holds now (or, not read back, what was sent
            // when it acknowledged).
            const std::optional<qv::params::ParameterSet> now =
                result.back && result.back->whole() ? std::optional(result.back->set)
                : !request.readBack && done->line.acknowledged ? std::optional(request.set)
                                                                : std::nullopt;
            if (request.before && now)
                for (const auto& d : qv::params::compareSets(*request.before, *now, journal->uiLanguage))
                    outcome.changes.push_back({journal->caption ? journal->caption(d.control) : std::string(), d.mine, d.other});
            journalOutcome(journal, seq, outcome);
        },
        [done, set = request.set, then = std::move(then)](const Journaled& j) {
            qv::params::WriteResult result;
            result.journalRefused = j.refused;
            result.linked = done->linked;
            result.line = done->line;
            if (done->back) result.back = qv::params::judgeRead(&*done->back, set.family, set.code);
            then(result);
        });
}

void Session::command(qv::protocol::OperatingCommand c, std::function<void(int)> then) {
    auto received = std::make_shared<int>(-1);  // -1: nothing could be sent
    qv::journal::Intent intent;
    intent.op = operationOf(c);
    runChange(
        std::move(intent),
        [byte = qv::protocol::commandByte(c), received, journal = journal_](LinkSlot& slot, long seq) {
            std::uint8_t reply[kReadSize];
            if (!slot) return;
            // The reply is read to keep the line clean; only whether one came is told.
            const int n = exchangeCommand(slot.get(), byte, qv::protocol::ex::Operating, reply);
            if (slot->isOpen()) *received = n;
            journalOutcome(journal, seq, {*received > 0 ? "answered" : *received == 0 ? "no-reply" : "not-sent", {}, {}});
        },
        [received, then = std::move(then)](const Journaled& j) { then(j.refused ? kJournalRefused : *received); });
}

void Session::setLowFlow(int percent, std::function<void(qv::protocol::LowFlowResult)> then) {
    auto result = std::make_shared<qv::protocol::LowFlowResult>(qv::protocol::LowFlowResult::NotSent);
    qv::journal::Intent intent;
    intent.op = percent == 0 ? qv::journal::Operation::ZeroPoint : qv::journal::Operation::LowFlow;
    intent.lowFlowPercent = percent;
    runChange(
        std::move(intent),
        [percent, result, journal = journal_](LinkSlot& slot, long seq) {
            if (!slot) return;
            *result = lowFlowExchange(*slot, percent);
            journalOutcome(journal, seq, {lowFlowAnswer(*result), {}, {}});
        },
        [result, then = std::move(then)](const Journaled&) { then(*result); });
}

void Session::adjustZeroPoint(std::function<void(qv::protocol::LowFlowResult)> then) { setLowFlow(0, std::move(then)); }

}  // namespace qv::link
