#include "cli/cli.h"
#include "core/journal/wording.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <atomic>
#include <thread>
#include <map>
#include <sys/stat.h>

#include "core/params/check.h"
#include "core/params/compare.h"
#include "core/params/parameters.h"
#include "core/params/verdict.h"
#include "core/protocol/tables.h"
#include "core/recording/format.h"
#include "core/recording/reading.h"
#include "core/publish/sparkplug.h"
#include "cli/mqtt.h"
#include "core/text/text_numbers.h"
#include "core/text/texts.h"

namespace qv::cli {
namespace cfg = qv::params;
namespace label = qv::text::label;
namespace words = qv::text::cli;
using qv::serial::OpenFailure;
using qv::text::Words;
using Clock = std::chrono::steady_clock;

namespace {

std::string fill(std::string text, const std::vector<std::string>& args) { return qv::text::fillWords(std::move(text), args); }

std::string cliText(const Words& w, int id, const std::vector<std::string>& args = {}) {
    return fill(w.label(qv::text::kCliTexts, id), args);
}
std::string configText(const Words& w, int id) { return w.label(qv::text::kConfigurationLabels, id); }

std::string number(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
    return buf;
}

// "rfc2217 plant-gw:4001" -> "rfc2217-plant-gw-4001", for file names.
std::string fileSafe(const std::string& s) {
    std::string out;
    for (char ch : s) out += (std::isalnum(static_cast<unsigned char>(ch)) || ch == '.' || ch == '_') ? ch : '-';
    return out;
}

std::string today(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, format, &local);
    return buf;
}

// One meter's session, driven from the calling thread: what the session
// posts runs here, in order, while an operation waits for its answer.
class Meter : private qv::link::SessionEvents {
public:
    explicit Meter(const Context& c)
        : session_(family_, refreshRate_, [this](std::function<void()> f) { post(std::move(f)); }) {
        session_.setEvents(this);
        qv::link::PortSetup ports = c.ports;
        ports.tellFailures = false;  // each result says why itself
        session_.setPorts(std::move(ports));
        if (c.makeLink) session_.setDevices(c.makeLink, c.present);
        session_.setJournal(c.journal);
    }
    ~Meter() override { session_.setEvents(nullptr); }

    // Opens the port and asks the meter who it is; false with r.result saying why.
    bool open(const Words& w, const std::string& port, Result& r) {
        session_.choose(port);
        pumpUntil([this] { return outcome_.has_value(); });
        const auto& o = *outcome_;
        r.device = o.resolved.deviceName.empty() ? o.resolved.path : o.resolved.deviceName;
        if (!o.opened) {
            r.result = openFailureText(w, o);
            return false;
        }
        if (!o.meter) {
            r.result = cliText(w, words::NoAnswer);
            return false;
        }
        code_ = o.meter->deviceCode;
        r.model = qv::protocol::modelCodeText(code_);
        r.version = o.meter->version;
        return true;
    }
    int code() const { return code_; }
    // Chooses the port and goes on at once: the session keeps trying to open
    // it, and tells through the callbacks below what it reaches.
    void start(const std::string& port) { session_.choose(port); }
    // The meter identified (first, after an outage, or as another model), and the link's state.
    std::function<void(int code, std::optional<float> version)> onIdentified;
    std::function<void(bool down)> onLinkDown;

    // "KT740-->PC" as the window asks it.
    cfg::SetRead readSet() {
        std::optional<cfg::SetRead> read;
        session_.readSet(qv::protocol::familyOfCode(code_), code_, [&read](const cfg::SetRead& r) { read = r; });
        pumpUntil([&read] { return read.has_value(); });
        return *read;
    }
    cfg::WriteResult writeSet(const cfg::WriteRequest& request) {
        std::optional<cfg::WriteResult> result;
        session_.writeSet(request, [&result](const cfg::WriteResult& r) { result = r; });
        pumpUntil([&result] { return result.has_value(); });
        return *result;
    }

    // Polls until stop says so; every whole cycle goes to onCycle.
    void poll(const std::function<bool()>& stop, std::function<void(const qv::protocol::MeasurementRecord&)> onCycle) {
        onCycle_ = std::move(onCycle);
        session_.setPolling(true);
        auto next = Clock::now();
        while (!stop()) {
            next += std::chrono::milliseconds(100);
            session_.tick();
            pumpUntil([&next] { return Clock::now() >= next; }, next);
        }
        session_.setPolling(false);
        onCycle_ = nullptr;
    }

private:
    static std::string openFailureText(const Words& w, const qv::link::PortOutcome& o) {
        const int id = qv::link::openFailureLabel(o.failure == OpenFailure::None ? OpenFailure::NoDevice : o.failure);
        std::string text = w.label(qv::text::kSettingsLabels, id);
        // Only a server's texts have the places.
        if (text.find("%1") != std::string::npos) text = fill(text, {o.resolved.deviceName, o.failureDetail});
        if (o.failure == OpenFailure::NoPermission) text += " " + cliText(w, words::DialoutFix);
        return text;
    }

    void post(std::function<void()> f) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            posted_.push_back(std::move(f));
        }
        wake_.notify_one();
    }
    // Runs what was posted until done() holds (or, with a deadline, until then).
    template <typename Done>
    void pumpUntil(Done done, std::optional<Clock::time_point> until = std::nullopt) {
        while (!done()) {
            std::function<void()> f;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                const auto limit = until.value_or(Clock::now() + std::chrono::milliseconds(100));
                wake_.wait_until(lock, limit, [this] { return !posted_.empty(); });
                if (posted_.empty()) continue;
                f = std::move(posted_.front());
                posted_.pop_front();
            }
            f();
        }
    }
    void portOutcome(const qv::link::PortOutcome& o) override {
        outcome_ = o;
        if (o.meter && onIdentified) onIdentified(o.meter->deviceCode, o.meter->version);
    }
    void identified(const qv::protocol::Identification& id) override {
        if (onIdentified) onIdentified(id.deviceCode, id.version);
    }
    void linkDown(bool down) override {
        if (onLinkDown) onLinkDown(down);
    }
    void delivered(const qv::protocol::MeasurementRecord& r) override {
        if (onCycle_) onCycle_(r);
    }

    int family_ = -1;
    int refreshRate_ = 2;  // the window's default pace
    int code_ = 0;
    std::optional<qv::link::PortOutcome> outcome_;
    std::function<void(const qv::protocol::MeasurementRecord&)> onCycle_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> posted_;
    // Last: its line thread ends before anything it posts to.
    qv::link::Session session_;
};

// Why a file was not read or written, in the words' language: ours for a
// file that is no regular file, too large or there already, the system's else.
std::string troubleText(const Words& w, qv::files::Trouble trouble, int error, std::uint64_t limit) {
    const int number = qv::text::troubleMessage(trouble);
    if (!number) return qv::files::reason(error);
    return trouble == qv::files::Trouble::TooLarge ? fill(w.message(number), {std::to_string(limit)}) : w.message(number);
}

// A configuration file's set; the block empty for a model the window does
// not know. Only the file's first bytes are read, as the window reads them.
std::optional<cfg::ParameterSet> setOfFile(const std::string& path, qv::files::ReadResult& file) {
    file = qv::files::readHead(path, cfg::kFileSize);
    if (!file.ok()) return std::nullopt;
    const auto loaded = cfg::parseConfigurationFile(reinterpret_cast<const std::uint8_t*>(file.bytes.data()), file.bytes.size());
    cfg::ParameterSet s{loaded.code, qv::protocol::familyOfCode(loaded.code), {}};
    if (s.family < 0) return s;
    s.block.assign(loaded.block.begin(), loaded.block.begin() + static_cast<long>(cfg::blockSize(s.family)));
    return s;
}

// The set's values as the window's controls hold them, the model selected.
cfg::ControlValues valuesOf(const cfg::ParameterSet& s) {
    auto v = cfg::decodeBlock(s.family, s.block.data(), s.block.size());
    v.index[cfg::Model] = s.code;
    return v;
}

// Encoded as the window encodes its controls: what it saves and sends.
std::vector<std::uint8_t> encoded(const cfg::ParameterSet& s, const cfg::ControlValues& values) {
    return cfg::encodeBlock(s.family, values);
}

std::string differenceLine(const Words& w, const cfg::Difference& d) {
    return cfg::differenceLine(d, caption(w, d.control), configText(w, label::Byte), configText(w, label::Missing));
}

template <typename F>
Result timed(const std::string& port, F f) {
    Result r;
    r.port = port;
    const auto start = Clock::now();
    f(r);
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return r;
}

bool isFile(const std::string& name) {
    struct stat st{};
    if (::stat(name.c_str(), &st) == 0) return S_ISREG(st.st_mode);
    // A configuration file's name that is not there is a missing file, not a port.
    const std::string ext = ".kt740";
    if (name.size() < ext.size()) return false;
    std::string end = name.substr(name.size() - ext.size());
    for (char& ch : end) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return end == ext;
}

std::string outputPath(const Context& c, const Result& r, const char* extension, const char* dateFormat) {
    if (!c.outputIsDir) return c.output;
    const std::string model = r.model.empty() ? "KT740" : r.model;
    std::string port = fileSafe(r.port);
    port.erase(0, port.find_first_not_of('-'));
    return (std::filesystem::path(c.output) / (model + "_" + today(dateFormat) + "_" + port + extension)).string();
}

std::string notReadable(const Words& w, const std::string& name, const qv::files::ReadResult& file) {
    return cliText(w, words::NotReadable, {name, troubleText(w, file.trouble, file.error, cfg::kFileSize)});
}

}  // namespace

std::string caption(const Words& w, int control) { return cfg::rowCaption(w, control); }

// --- the commands -------------------------------------------------------------

Result identify(const Context& c, const std::string& port) {
    return timed(port, [&](Result& r) {
        Meter m(c);
        if (!m.open(c.words, port, r)) return;
        r.ok = true;
        r.result = r.version ? cliText(c.words, words::IdentifiedVersion, {number(*r.version)})
                             : cliText(c.words, words::Identified);
    });
}

Result readSet(const Context& c, const std::string& port) {
    return timed(port, [&](Result& r) {
        Meter m(c);
        if (!m.open(c.words, port, r)) return;
        const cfg::SetRead read = m.readSet();
        if (!read.whole()) {
            r.result = configText(c.words, read.state == cfg::ReadState::Damaged ? label::ReadBackDamaged : label::NoWholeBlock);
            return;
        }
        auto block = encoded(read.set, valuesOf(read.set));
        block.resize(cfg::kFileBlockBytes, 0);
        const auto bytes = cfg::configurationFile(read.set.code, read.set.family, block);
        const std::string path = outputPath(c, r, ".kt740", "%Y-%m-%d_%H%M%S");
        const auto written = qv::files::writeWhole(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                                   c.force);
        if (!written.ok()) {
            r.result = written.trouble == qv::files::Trouble::Exists
                           ? cliText(c.words, words::Exists, {path})
                           : cliText(c.words, words::NotWritten, {path, troubleText(c.words, written.trouble, written.error, 0)});
            return;
        }
        r.ok = true;
        r.file = path;
        r.result = cliText(c.words, words::Saved, {path});
    });
}

Result checkFile(const Context& c, const std::string& file) {
    return timed(file, [&](Result& r) {
        qv::files::ReadResult read;
        const auto set = setOfFile(file, read);
        if (!set) {
            r.result = notReadable(c.words, file, read);
            return;
        }
        r.model = qv::protocol::modelCodeText(set->code);
        if (set->family < 0) {
            r.result = cliText(c.words, words::NotAModelFile);
            return;
        }
        auto values = valuesOf(*set);
        const auto limits = cfg::checkLimits(set->family, values);
        const auto outcome = cfg::checkConfiguration(set->code, set->family, values);
        r.ok = outcome.result == 1;
        r.result = cliText(c.words, r.ok ? words::CheckPassed : words::CheckFailed);
        const int ui = c.words.language();
        for (int marker : outcome.errorMarkers) {
            for (const auto& row : cfg::rows()) {
                if (row.errorMarker != marker) continue;
                std::string line = caption(c.words, row.control) + ": " + cfg::displayValue(row.control, values, set->family, ui);
                if (const auto range = cfg::allowedRange(row.control, limits)) {
                    const std::string unit = cfg::valueUnit(row.control, values, set->family, ui);
                    line += " (" + cliText(c.words, words::Allowed, {number(range->min), number(range->max)}) +
                            (unit.empty() ? "" : " " + unit) + ")";
                }
                r.details.push_back(line);
            }
        }
    });
}

namespace {
std::string quoted(const std::string& s);  // below, with the JSON lines
}  // namespace

int listJournal(const Words& w, const std::string& path, const std::string& port, const std::string& since, bool json,
                std::string& out, std::string& err) {
    const auto reading = qv::journal::read(path);
    if (reading.error) {
        err = path + ": " + qv::journal::troubleWords(w, reading.error);
        return 3;
    }
    for (const auto& e : reading.entries) {
        const auto& r = e.intent;
        if (!port.empty() && port != "COM" + std::to_string(r.target.port) && port != std::to_string(r.target.port) &&
            port != r.target.reached)
            continue;
        if (!since.empty() && r.time.compare(0, since.size(), since) < 0) continue;  // ISO times sort as text
        if (json) {
            out += "{\"time\":" + quoted(r.time) + ",\"user\":" + quoted(r.user) + ",\"host\":" + quoted(r.host) +
                   ",\"port\":" + std::to_string(r.target.port) + ",\"reached\":" + quoted(r.target.reached) +
                   ",\"model\":" + quoted(r.target.model) + ",\"operation\":" + quoted(r.operation) + ",\"outcome\":" +
                   quoted(e.outcome ? (e.outcome->verdict.empty() ? e.outcome->answer : e.outcome->verdict) : "unknown") +
                   ",\"text\":" + quoted(qv::journal::entryLine(w, e)) + "}\n";
        } else {
            out += qv::journal::entryLine(w, e) + "\n";
        }
    }
    if (reading.unreadable)
        err = path + ": " + qv::journal::unreadableWords(w, reading);
    return 0;
}

int verifyJournal(const Words& w, const std::string& path, std::string& out) {
    const auto v = qv::journal::verify(path);
    out = path + ": " + qv::journal::verificationWords(w, v);
    return v.error ? 3 : v.fault == qv::journal::Verification::Fault::None ? 0 : 1;
}

Result writeSet(const Context& c, const std::string& file, const std::string& port) {
    return timed(port, [&](Result& r) {
        const Result checked = checkFile(c, file);
        if (!checked.ok) {
            r.result = checked.result;
            r.details = checked.details;
            return;
        }
        qv::files::ReadResult read;
        const auto fromFile = setOfFile(file, read);
        if (!fromFile) {  // gone since its check
            r.result = notReadable(c.words, file, read);
            return;
        }
        auto values = valuesOf(*fromFile);
        cfg::checkConfiguration(fromFile->code, fromFile->family, values);  // cleans the texts as the window's write does
        cfg::WriteRequest request;
        request.set = {fromFile->code, fromFile->family, encoded(*fromFile, values)};
        request.readBack = c.verify;
        Meter m(c);
        if (!m.open(c.words, port, r)) return;
        if (m.code() != fromFile->code) {
            r.result = cliText(c.words, words::WrongModel, {qv::protocol::modelCodeText(fromFile->code), r.model});
            return;
        }
        // What the meter holds before: what "kept its old set" is held against.
        const cfg::SetRead before = m.readSet();
        if (before.whole()) request.before = before.set;
        const cfg::WriteResult written = m.writeSet(request);
        if (written.journalRefused) {
            r.verdict = "not-sent";
            r.result = cliText(c.words, words::JournalRefused,
                               {c.journal ? c.journal->path : std::string(), qv::journal::troubleWords(c.words, written.journalRefused)});
            return;
        }
        const cfg::WriteJudgement judged = cfg::judgeWrite(request, written, c.words.language());
        const cfg::VerdictWords said = cfg::verdictWords(judged);
        r.ok = judged.holdsSet;
        r.verdict = cfg::verdictName(judged.verdict);
        r.result = configText(c.words, said.title);
        if (said.reason) r.details.push_back(configText(c.words, said.reason));
        for (const auto& d : judged.differences) r.details.push_back(differenceLine(c.words, d));
    });
}

Result compare(const Context& c, const std::string& a, const std::string& b) {
    return timed(a + " " + b, [&](Result& r) {
        std::optional<Meter> ma, mb;
        auto side = [&](const std::string& name, std::optional<Meter>& meter) -> std::optional<cfg::ParameterSet> {
            if (isFile(name)) {
                qv::files::ReadResult read;
                auto s = setOfFile(name, read);
                if (!s) r.result = notReadable(c.words, name, read);
                else if (s->family < 0) r.result = name + ": " + cliText(c.words, words::NotAModelFile);
                return s && s->family >= 0 ? s : std::nullopt;
            }
            meter.emplace(c);
            Result opened;
            if (!meter->open(c.words, name, opened)) {
                r.result = name + ": " + opened.result;
                return std::nullopt;
            }
            if (r.model.empty()) r.model = opened.model;
            const cfg::SetRead read = meter->readSet();
            if (!read.whole()) {
                r.result = name + ": " + configText(c.words, read.state == cfg::ReadState::Damaged ? label::ReadBackDamaged
                                                                                                  : label::NoWholeBlock);
                return std::nullopt;
            }
            return read.set;
        };
        const auto left = side(a, ma);
        if (!left) return;
        const auto right = side(b, mb);
        if (!right) return;
        if (r.model.empty()) r.model = qv::protocol::modelCodeText(left->code);
        // As the window compares its page (left) with the meter or a file.
        cfg::ParameterSet mine = *left;
        mine.block = encoded(*left, valuesOf(*left));
        const auto diffs = cfg::compareSets(mine, *right, c.words.language());
        for (const auto& d : diffs) r.details.push_back(differenceLine(c.words, d));
        r.ok = true;
        r.differs = !diffs.empty();
        r.result = diffs.empty() ? configText(c.words, label::NoDifferences)
                                 : cliText(c.words, qv::text::counted(static_cast<long long>(diffs.size()), c.words.language(),
                                                                      words::Differences, words::DifferencesOne),
                                           {std::to_string(diffs.size())});
    });
}

Result convert(const Context& c, const std::string& file) {
    return timed(file, [&](Result& r) {
        // Piece by piece: what is held at once is the output, never the
        // input's text beside the columns as well.
        qv::files::GrowingFile in;
        auto opened = in.open(file);
        if (opened.ok() && opened.size > qv::recording::kMaxRecordingBytes) opened.trouble = qv::files::Trouble::TooLarge;
        if (!opened.ok()) {
            r.result = notReadable(c.words, file, opened);
            return;
        }
        qv::recording::RecordingReader reader;
        std::string csv;
        std::size_t lines = 0;
        bool header = true;
        std::uint64_t total = 0;
        for (;;) {
            auto piece = in.more(std::size_t(8) << 20);
            if (!piece.ok()) {
                r.result = notReadable(c.words, file, piece);
                return;
            }
            total += piece.bytes.size();
            if (total > qv::recording::kMaxRecordingBytes) {  // it grew past what a recording can be while being read
                piece.trouble = qv::files::Trouble::TooLarge;
                piece.size = total;
                r.result = notReadable(c.words, file, piece);
                return;
            }
            if (piece.bytes.empty()) break;
            if (!reader.feed(piece.bytes)) break;
            auto& rec = reader.recording();
            if (!reader.isRecording()) continue;
            // The lines in [from, to) of their own times, in the file's order.
            std::size_t from = 0;
            while (from < rec.size()) {
                std::size_t to = from;
                while (to < rec.size() && (!c.from || rec.time[to] >= *c.from) && (!c.to || rec.time[to] < *c.to)) ++to;
                csv += qv::recording::exportCsv(rec, from, to, header);
                header = false;
                lines += to - from;
                from = to;
                while (from < rec.size() && !((!c.from || rec.time[from] >= *c.from) && (!c.to || rec.time[from] < *c.to))) ++from;
            }
            reader.dropLines();
        }
        if (!reader.isRecording()) {
            r.result = cliText(c.words, words::NoRecording, {file});
            return;
        }
        const auto& recording = reader.recording();
        if (header) csv = qv::recording::exportCsv(recording, 0, 0, true);
        r.model = recording.model;
        if (recording.unreadable)
            r.details.push_back(cliText(c.words, qv::text::counted(recording.unreadable, c.words.language(), words::LinesUnread, words::LinesUnreadOne),
                                        {std::to_string(recording.unreadable), std::to_string(recording.firstUnreadable)}));
        const std::string out = c.output;
        const auto written = qv::files::writeWhole(out, csv, c.force);
        if (!written.ok()) {
            r.result = written.trouble == qv::files::Trouble::Exists
                           ? cliText(c.words, words::Exists, {out})
                           : cliText(c.words, words::NotWritten, {out, troubleText(c.words, written.trouble, written.error, 0)});
            return;
        }
        r.ok = true;
        r.file = out;
        r.lines = static_cast<int>(lines);
        r.result = cliText(c.words, qv::text::counted(static_cast<long long>(lines), c.words.language(),
                                                      words::Converted, words::ConvertedOne),
                           {std::to_string(lines), out});
    });
}

Result record(const Context& c, const std::string& port) {
    return timed(port, [&](Result& r) {
        Meter m(c);
        if (!m.open(c.words, port, r)) return;
        r.file = outputPath(c, r, ".csv", "%Y-%m-%d_%H%M%S");
        Recording recording(c.words);
        if (const int error = recording.start(r.file, m.code(), c.force)) {
            using qv::files::Trouble;
            const Trouble t = error == qv::recording::kNotRegularFile ? Trouble::NotRegular : Trouble::Failed;
            r.result = error == EEXIST ? cliText(c.words, words::Exists, {r.file})
                                       : cliText(c.words, words::NotWritten, {r.file, troubleText(c.words, t, error, 0)});
            r.file.clear();
            return;
        }
        const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(c.recordSeconds));
        int failed = 0;
        m.poll([&] { return (c.stop && *c.stop) || (c.recordSeconds > 0 && Clock::now() >= end); },
               [&](const qv::protocol::MeasurementRecord& rec) {
                   if (!recording.write(rec, std::time(nullptr))) ++failed;
                   if (c.onLines) c.onLines(port, recording.lines());
               });
        recording.stop();
        r.lines = recording.lines();
        r.ok = r.lines > 0 && failed == 0;
        const int language = c.words.language();
        r.result = r.lines > 0 ? cliText(c.words, qv::text::counted(r.lines, language, words::Recorded, words::RecordedOne),
                                         {std::to_string(r.lines), r.file})
                               : cliText(c.words, words::NothingRecorded, {r.file});
        if (failed)
            r.result += ", " + cliText(c.words, qv::text::counted(failed, language, words::LinesNotWritten, words::LinesNotWrittenOne),
                                       {std::to_string(failed)});
    });
}

// --- publishing ---------------------------------------------------------------

namespace {
namespace sp = qv::publish;

std::uint64_t nowMs() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count());
}

// One node on the broker and its meters: births, data and deaths with the
// node's sequence, all under one lock (each meter's thread tells its own).
class Publisher {
public:
    Publisher(const PublishOptions& o, std::function<void(const std::string&)> say)
        : o_(o), say_(std::move(say)), mqtt_(o.broker, "qv-" + o.node) {
        mqtt_.onMessage = [this](const std::string& topic, const std::string& payload) { command(topic, payload); };
    }

    struct Device {
        std::string id, model, version;
        bool pendingBirth = false, born = false, lost = false;
        std::vector<sp::Metric> last;
    };

    // Connects (again), then the births and what was kept meanwhile.
    bool connect() {
        std::lock_guard<std::mutex> lock(mutex_);
        node_.connected();
        std::string why;
        if (!mqtt_.connect(sp::topic(o_.group, sp::Message::NDEATH, o_.node), sp::encode(node_.death()), why)) {
            if (why != lastWhy_) say_("broker " + o_.broker + ": " + why);
            lastWhy_ = why;
            return false;
        }
        lastWhy_.clear();
        mqtt_.subscribe(sp::topic(o_.group, sp::Message::NCMD, o_.node), 1);
        mqtt_.subscribe(sp::topic(o_.group, sp::Message::DCMD, o_.node) + "/#", 1);
        births();
        // Cycles of the time the broker was away, in order, marked historical;
        // their seq follows the births', as a host checks it.
        for (auto& k : kept_) send(sp::Message::DDATA, k.device, node_.deviceData(std::move(k.metrics), k.at, true), 0);
        kept_.clear();
        if (dropped_) say_("broker away: " + std::to_string(dropped_) + " oldest cycles were not kept");
        dropped_ = 0;
        return true;
    }
    bool connected() const { return mqtt_.connected(); }
    bool rebirthAsked() { return rebirth_.exchange(false); }
    void rebirth() {
        std::lock_guard<std::mutex> lock(mutex_);
        births();
    }
    void stop() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (mqtt_.connected()) mqtt_.publish(sp::topic(o_.group, sp::Message::NDEATH, o_.node), sp::encode(node_.death()), 1);
        mqtt_.disconnect();
    }

    Device& device(const std::string& port) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto& d = devices_[port];
        d.id = sp::topicLevel(port);
        return d;
    }
    void identified(Device& d, int code, std::optional<float> version) {
        std::lock_guard<std::mutex> lock(mutex_);
        d.model = qv::protocol::modelCodeText(code);
        d.version = version ? number(*version) : std::string();
        // Born again with the first cycle after it, so the birth carries values.
        if (d.born) death(d);
        d.pendingBirth = true;
        d.lost = false;
    }
    void linkDown(Device& d, bool down) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (down && d.born) death(d);
        d.lost = down;
    }
    void cycle(Device& d, const qv::protocol::MeasurementRecord& r, const std::string& errorText) {
        std::lock_guard<std::mutex> lock(mutex_);
        d.last = sp::measurementMetrics(r, errorText, nowMs());
        if (d.lost) return;
        if (d.pendingBirth || !d.born) {
            d.pendingBirth = false;
            d.born = true;
            if (mqtt_.connected()) send(sp::Message::DBIRTH, d.id, node_.deviceBirth(d.model, d.version, d.last, nowMs()), 0);
            return;
        }
        if (mqtt_.connected() && send(sp::Message::DDATA, d.id, node_.deviceData(d.last, nowMs()), 0)) return;
        // The broker is away: kept, bounded, oldest first out.
        kept_.push_back({d.id, d.last, nowMs()});
        if (kept_.size() > kKept) kept_.pop_front(), ++dropped_;
    }

private:
    static constexpr std::size_t kKept = 100000;
    // Under the lock.
    bool send(sp::Message m, const std::string& device, const sp::Payload& p, int qos) {
        return mqtt_.publish(sp::topic(o_.group, m, o_.node, device), sp::encode(p), qos);
    }
    void births() {
        if (!mqtt_.connected()) return;
        mqtt_.publish(sp::topic(o_.group, sp::Message::NBIRTH, o_.node), sp::encode(node_.birth(nowMs())), 0);
        for (auto& [port, d] : devices_)
            if (d.born && !d.lost) send(sp::Message::DBIRTH, d.id, node_.deviceBirth(d.model, d.version, d.last, nowMs()), 0);
    }
    void death(Device& d) {
        d.born = false;
        if (mqtt_.connected()) send(sp::Message::DDEATH, d.id, node_.deviceDeath(nowMs()), 0);
    }
    // On Paho's thread: a rebirth is done by the main loop; a device command
    // is refused (a plant system reads meters through this path, never changes them).
    void command(const std::string& topic, const std::string& payload) {
        const auto c = sp::commandOf(topic, o_.group, o_.node);
        if (!c) return;
        if (c->type == sp::Message::DCMD) {
            say_("refused a device command for " + c->device + ": this path reads meters, it never changes them");
            return;
        }
        const auto p = sp::decode(payload);
        if (p && sp::asksRebirth(*p)) rebirth_ = true;
    }

    PublishOptions o_;
    std::function<void(const std::string&)> say_;
    std::mutex mutex_;
    Mqtt mqtt_;
    sp::Node node_;
    std::map<std::string, Device> devices_;
    struct Kept {
        std::string device;
        std::vector<sp::Metric> metrics;
        std::uint64_t at;
    };
    std::deque<Kept> kept_;
    std::size_t dropped_ = 0;
    std::string lastWhy_;
    std::atomic<bool> rebirth_{false};
};
}  // namespace

int publish(const Context& c, const std::vector<std::string>& ports, const PublishOptions& o,
            std::function<void(const std::string&)> say) {
    Publisher pub(o, say);
    std::vector<std::thread> meters;
    for (const auto& port : ports) {
        Publisher::Device& d = pub.device(port);
        meters.emplace_back([&c, &pub, &d, port] {
            Meter m(c);
            m.onIdentified = [&](int code, std::optional<float> version) { pub.identified(d, code, version); };
            m.onLinkDown = [&](bool down) { pub.linkDown(d, down); };
            m.start(port);
            m.poll([&c] { return c.stop && *c.stop; }, [&](const qv::protocol::MeasurementRecord& r) {
                pub.cycle(d, r, qv::recording::recordedErrorText(r.errorCode, c.words.errorTexts()));
            });
        });
    }
    // The broker: connected, and again with a growing pause when it went away.
    auto wait = std::chrono::milliseconds(0);
    auto next = Clock::now();
    while (!(c.stop && *c.stop)) {
        if (!pub.connected() && Clock::now() >= next) {
            if (pub.connect()) wait = std::chrono::milliseconds(0);
            else wait = std::min<std::chrono::milliseconds>(std::max(wait * 2, std::chrono::milliseconds(500)), std::chrono::seconds(30));
            next = Clock::now() + wait;
        }
        if (pub.connected() && pub.rebirthAsked()) pub.rebirth();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (auto& t : meters) t.join();
    pub.stop();
    return 0;
}

int Recording::start(const std::string& path, int deviceCode, bool replace) {
    return recorder_.start(path, deviceCode, replace);
}

bool Recording::write(const qv::protocol::MeasurementRecord& record, std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    const std::string lastError = qv::recording::recordedErrorText(record.errorCode, words_.errorTexts());
    return recorder_.writeLine(record, words_.language(), local, lastError).written;
}

std::vector<PortEntry> portList(const qv::link::PortSetup& setup, const std::vector<std::string>& given) {
    std::vector<PortEntry> out;
    if (given.empty()) {
        const auto ports = setup.resolveAll(9);
        for (std::size_t i = 0; i < ports.size(); ++i) {
            const int n = static_cast<int>(i) + 1;
            out.push_back({"COM" + std::to_string(n), qv::serial::portLabel(n, ports[i]), ports[i].path});
        }
        return out;
    }
    for (const auto& name : given) {
        const auto p = setup.describe(name);
        if (const int n = qv::link::portNumberOf(name))
            out.push_back({"COM" + std::to_string(n), qv::serial::portLabel(n, p), p.path});
        else
            out.push_back({name, p.simulator ? "Simulator" : p.deviceName, p.path});
    }
    return out;
}

// --- JSON ----------------------------------------------------------------------

namespace {
std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (unsigned char ch : s) {
        switch (ch) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (ch < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", ch);
                    out += buf;
                } else {
                    out += static_cast<char>(ch);
                }
        }
    }
    return out + "\"";
}

std::string seconds(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", s);
    return buf;
}
}  // namespace

std::string toJson(const PortEntry& p) {
    return "{\"command\":\"ports\",\"port\":" + quoted(p.name) + ",\"device\":" + quoted(p.label) +
           ",\"path\":" + quoted(p.path) + "}";
}

std::string toJson(const std::string& command, const Result& r) {
    std::string j = "{\"command\":" + quoted(command) + ",\"port\":" + quoted(r.port) + ",\"device\":" + quoted(r.device) +
                    ",\"model\":" + quoted(r.model) + ",\"ok\":" + (r.ok ? "true" : "false") +
                    ",\"result\":" + quoted(r.result);
    if (!r.verdict.empty()) j += ",\"verdict\":" + quoted(r.verdict);
    if (r.version) j += ",\"version\":" + number(*r.version);
    if (!r.file.empty()) j += ",\"file\":" + quoted(r.file);
    if (command == "record") j += ",\"lines\":" + std::to_string(r.lines);
    j += ",\"details\":[";
    for (std::size_t i = 0; i < r.details.size(); ++i) j += (i ? "," : "") + quoted(r.details[i]);
    return j + "],\"seconds\":" + seconds(r.seconds) + "}";
}

}  // namespace qv::cli
