#include "core/journal/journal.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "core/params/compare.h"
#include "core/params/parameters.h"
#include "core/protocol/tables.h"
#include "platform/files/files.h"

namespace qv::journal {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kNames[] = {"parameter-write", "low-flow",  "zero-point",        "reset-totalizer",
                                  "reset-minima",    "reset-maxima", "reset-error",     "start-measurement",
                                  "stop-measurement"};
const std::string kNoLine(64, '0');  // the first line's "prev"

std::string sha256Hex(std::string_view bytes) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), md, &n, EVP_sha256(), nullptr) != 1) return {};
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < n; ++i) {
        out.push_back(hex[md[i] >> 4]);
        out.push_back(hex[md[i] & 15]);
    }
    return out;
}

std::string hexOf(const std::vector<std::uint8_t>& bytes) {
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (auto b : bytes) {
        out.push_back(hex[b >> 4]);
        out.push_back(hex[b & 15]);
    }
    return out;
}

// UTC to the second, and the local offset beside it ("+01:00").
std::pair<std::string, std::string> nowStamps() {
    const std::time_t t = std::time(nullptr);
    std::tm utc{}, local{};
    gmtime_r(&t, &utc);
    localtime_r(&t, &local);
    char at[32];
    std::strftime(at, sizeof at, "%Y-%m-%dT%H:%M:%SZ", &utc);
    const int off = static_cast<int>(std::clamp(local.tm_gmtoff, -86400L, 86400L));
    const int h = std::abs(off) / 3600, m = std::abs(off) % 3600 / 60;
    std::string offset(1, off < 0 ? '-' : '+');
    offset += static_cast<char>('0' + h / 10 % 10);
    offset += static_cast<char>('0' + h % 10);
    offset += ':';
    offset += static_cast<char>('0' + m / 10);
    offset += static_cast<char>('0' + m % 10);
    return {at, offset};
}

std::string userName() {
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return pw->pw_name;
    const char* u = std::getenv("USER");
    return u ? u : std::to_string(::geteuid());
}

std::string hostName() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) return {};
    return host;
}

// Invalid UTF-8 would make the line unwritable as JSON; a caption from a
// damaged labels file must not stop a change from being journaled.
Json text(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool valid = n && i + n <= s.size();
        for (std::size_t k = 1; valid && k < n; ++k) valid = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (valid) {
            out.append(s, i, n);
            i += n;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

Json parametersJson(const std::vector<Parameter>& ps) {
    Json out = Json::array();
    for (const auto& p : ps)
        out.push_back({{"control", p.control}, {"caption", text(p.caption)}, {"value", text(p.value)}, {"unit", text(p.unit)}});
    return out;
}

Json setJson(const Writer& w, const qv::params::ParameterSet& set) {
    return {{"model", qv::protocol::modelCodeText(set.code)},
            {"parameters", parametersJson(describeSet(set, w.uiLanguage, w.caption))},
            {"block", hexOf(set.block)}};
}

Json head(const Writer& w, const char* kind) {
    const auto [at, offset] = nowStamps();
    return {{"kind", kind}, {"time", at}, {"offset", offset}, {"user", text(userName())}, {"host", text(hostName())},
            {"program", text(w.program)}, {"version", text(w.version)}};
}

// The last line of the file (without its newline) and the seq of the last
// line that has one, read backwards from the end within kMaxLineBytes.
struct Tail {
    int error = 0;
    std::string last;
    long seq = 0;
    bool endsInNewline = true;
};
Tail readTail(int fd, off_t size) {
    Tail t;
    if (size == 0) return t;
    const off_t from = size > static_cast<off_t>(kMaxLineBytes) + 1 ? size - static_cast<off_t>(kMaxLineBytes) - 1 : 0;
    std::string buf(static_cast<std::size_t>(size - from), '\0');
    std::size_t got = 0;
    while (got < buf.size()) {
        const ssize_t k = ::pread(fd, buf.data() + got, buf.size() - got, from + static_cast<off_t>(got));
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) {
            t.error = k < 0 ? errno : EIO;
            return t;
        }
        got += static_cast<std::size_t>(k);
    }
    t.endsInNewline = buf.back() == '\n';
    std::size_t end = t.endsInNewline ? buf.size() - 1 : buf.size();
    const std::size_t start = buf.rfind('\n', end ? end - 1 : 0);
    if (start == std::string::npos && from > 0) {
        t.error = kLastLineTooLong;
        return t;
    }
    const std::size_t begin = start == std::string::npos ? 0 : start + 1;
    if (end < begin) end = begin;
    t.last = buf.substr(begin, end - begin);
    // The seq goes on from the newest line that is one of ours.
    std::size_t lineEnd = end;
    std::size_t lineBegin = begin;
    for (;;) {
        const Json j = Json::parse(buf.begin() + static_cast<long>(lineBegin), buf.begin() + static_cast<long>(lineEnd), nullptr, false);
        if (j.is_object() && j.contains("seq") && j["seq"].is_number_integer()) {
            t.seq = j["seq"].get<long>();
            break;
        }
        if (lineBegin == 0) break;
        lineEnd = lineBegin - 1;
        const std::size_t s = lineEnd ? buf.rfind('\n', lineEnd - 1) : std::string::npos;
        if (s == std::string::npos) {
            if (from > 0) break;
            lineBegin = 0;
        } else {
            lineBegin = s + 1;
        }
    }
    return t;
}

Appended append(const Writer& w, Json body) {
    Appended out;
    std::error_code ec;
    const std::filesystem::path path(w.path);
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    // Non-blocking: a FIFO at the path must not hang the change.
    // Read too: the last line is hashed into the next.
    const int fd = ::open(w.path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        out.error = errno == ENXIO || errno == EISDIR ? kNotRegularFile : errno;  // a FIFO without reader, a folder
        return out;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }  // and with it the lock
    } closer{fd};
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        out.error = errno;
        return out;
    }
    if (!S_ISREG(st.st_mode)) {
        out.error = kNotRegularFile;
        return out;
    }
    // Held only while this one line is appended; another program's append
    // takes milliseconds, so a lock held for seconds is no journal writer's.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            out.error = errno;
            return out;
        }
        if (std::chrono::steady_clock::now() > until) {
            out.error = kLocked;
            return out;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (::fstat(fd, &st) != 0) {
        out.error = errno;
        return out;
    }
    const Tail tail = readTail(fd, st.st_size);
    if (tail.error) {
        out.error = tail.error;
        return out;
    }
    out.seq = tail.seq + 1;
    Json line = {{"seq", out.seq}, {"prev", st.st_size ? sha256Hex(tail.last) : kNoLine}};
    for (auto& [k, v] : body.items()) line[k] = std::move(v);
    // A line cut off by a killed writer stays a line of its own.
    std::string bytes = (tail.endsInNewline ? "" : "\n") + line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t k = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) {
            out.error = k < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(k);
    }
    if (!out.error && ::fdatasync(fd) != 0) out.error = errno;
    if (out.error) (void)::ftruncate(fd, st.st_size);  // no fragment for the next writer
    return out;
}

}  // namespace

const char* operationName(Operation op) { return kNames[static_cast<int>(op)]; }

std::optional<Operation> operationOf(const std::string& name) {
    for (int i = 0; i < static_cast<int>(std::size(kNames)); ++i)
        if (name == kNames[i]) return static_cast<Operation>(i);
    return std::nullopt;
}

std::vector<Parameter> describeSet(const qv::params::ParameterSet& set, int uiLanguage, const CaptionFn& caption) {
    std::vector<Parameter> out;
    if (set.family < 0 || set.block.size() < qv::params::blockSize(set.family)) return out;
    const auto values = qv::params::decodeBlock(set.family, set.block.data(), set.block.size());
    for (const auto& row : qv::params::rows()) {
        if (row.control == qv::params::Model || !qv::params::fieldOf(set.family, row.control)) continue;
        if (qv::params::isUnavailable(set.code, row.control, values.sel(qv::params::Sensor))) continue;
        out.push_back({row.control, caption ? caption(row.control) : std::string(row.caption0),
                       qv::params::displayValue(row.control, values, set.family, uiLanguage),
                       qv::params::valueUnit(row.control, values, set.family, uiLanguage)});
    }
    return out;
}

Appended appendIntent(const Writer& w, const Intent& intent) {
    Json body = head(w, "intent");
    body["port"] = intent.target.port;
    body["reached"] = text(intent.target.reached);
    body["model"] = text(intent.target.model);
    body["software"] = text(intent.target.software);
    body["operation"] = operationName(intent.op);
    if (intent.op == Operation::LowFlow) body["percent"] = intent.lowFlowPercent;
    if (intent.before) body["before"] = setJson(w, *intent.before);
    if (intent.sent) body["sent"] = setJson(w, *intent.sent);
    return append(w, std::move(body));
}

Appended appendOutcome(const Writer& w, long intentSeq, const Outcome& outcome) {
    Json body = head(w, "outcome");
    body["intent"] = intentSeq;
    body["answer"] = outcome.answer;
    if (!outcome.verdict.empty()) body["verdict"] = outcome.verdict;
    Json changes = Json::array();
    for (const auto& c : outcome.changes) changes.push_back({{"caption", text(c.caption)}, {"from", text(c.from)}, {"to", text(c.to)}});
    body["changes"] = std::move(changes);
    return append(w, std::move(body));
}

// --- reading ------------------------------------------------------------------
namespace {

std::string str(const Json& j, const char* key) {
    const auto it = j.find(key);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}
long num(const Json& j, const char* key, long otherwise = 0) {
    const auto it = j.find(key);
    return it != j.end() && it->is_number_integer() ? it->get<long>() : otherwise;
}
std::vector<Parameter> parametersOf(const Json& j, const char* key) {
    std::vector<Parameter> out;
    const auto it = j.find(key);
    if (it == j.end() || !it->is_object()) return out;
    const auto ps = it->find("parameters");
    if (ps == it->end() || !ps->is_array()) return out;
    for (const auto& p : *ps)
        if (p.is_object()) out.push_back({static_cast<int>(num(p, "control")), str(p, "caption"), str(p, "value"), str(p, "unit")});
    return out;
}

// Each line with its bytes, without the newline; a last line without one is
// cut off (a writer killed in the middle) and counts as no line.
template <typename Fn>
void eachLine(const std::string& bytes, Fn fn) {
    std::size_t at = 0;
    long number = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find('\n', at);
        ++number;
        const bool whole = end != std::string::npos;
        fn(number, std::string_view(bytes).substr(at, (whole ? end : bytes.size()) - at), whole);
        if (!whole) break;
        at = end + 1;
    }
}

std::optional<Record> recordOf(std::string_view line, long number) {
    if (line.size() > kMaxLineBytes) return std::nullopt;
    const Json j = Json::parse(line.begin(), line.end(), nullptr, false);
    if (!j.is_object()) return std::nullopt;
    const std::string kind = str(j, "kind");
    if ((kind != "intent" && kind != "outcome") || num(j, "seq") <= 0) return std::nullopt;
    Record r;
    r.line = number;
    r.seq = num(j, "seq");
    r.intent = kind == "intent";
    r.refers = num(j, "intent");
    r.time = str(j, "time");
    r.user = str(j, "user");
    r.host = str(j, "host");
    r.program = str(j, "program");
    r.version = str(j, "version");
    r.target = {static_cast<int>(num(j, "port")), str(j, "reached"), str(j, "model"), str(j, "software")};
    r.operation = str(j, "operation");
    r.lowFlowPercent = static_cast<int>(num(j, "percent", -1));
    r.before = parametersOf(j, "before");
    r.sent = parametersOf(j, "sent");
    r.answer = str(j, "answer");
    r.verdict = str(j, "verdict");
    if (const auto c = j.find("changes"); c != j.end() && c->is_array())
        for (const auto& x : *c)
            if (x.is_object()) r.changes.push_back({str(x, "caption"), str(x, "from"), str(x, "to")});
    return r;
}

qv::files::ReadResult load(const std::string& path, int& error) {
    auto file = qv::files::readWhole(path, kMaxJournalBytes);
    switch (file.trouble) {
        case qv::files::Trouble::None: break;
        case qv::files::Trouble::NotRegular: error = kNotRegularFile; break;
        case qv::files::Trouble::TooLarge: error = EFBIG; break;
        default: error = file.error ? file.error : EIO;
    }
    return file;
}

}  // namespace

Reading readBytes(const std::string& bytes) {
    Reading out;
    std::vector<std::size_t> intentAt;  // by seq, through a sorted search
    std::vector<std::pair<long, std::size_t>> bySeq;
    eachLine(bytes, [&](long number, std::string_view line, bool whole) {
        if (!whole) return;  // a cut-off last line: the writer was killed before it ended
        auto r = recordOf(line, number);
        if (!r) {
            if (!out.unreadable++) out.firstUnreadable = number;
            return;
        }
        if (r->intent) {
            bySeq.emplace_back(r->seq, out.entries.size());
            out.entries.push_back({std::move(*r), std::nullopt});
            return;
        }
        // An outcome completes its intent (the newest with that seq).
        for (auto it = bySeq.rbegin(); it != bySeq.rend(); ++it) {
            if (it->first != r->refers) continue;
            auto& e = out.entries[it->second];
            if (!e.outcome) e.outcome = std::move(*r);
            return;
        }
        if (!out.unreadable++) out.firstUnreadable = number;  // an outcome of no intent
    });
    return out;
}

Reading read(const std::string& path) {
    Reading out;
    const auto file = load(path, out.error);
    if (out.error) return out;
    out = readBytes(file.bytes);
    return out;
}

Verification verifyBytes(const std::string& bytes) {
    Verification v;
    std::string previous;
    long previousSeq = 0;
    eachLine(bytes, [&](long number, std::string_view line, bool whole) {
        ++v.lines;
        if (v.badLine) return;
        const Json j = whole && line.size() <= kMaxLineBytes ? Json::parse(line.begin(), line.end(), nullptr, false) : Json();
        const long seq = j.is_object() ? num(j, "seq") : 0;
        const std::string prev = j.is_object() ? str(j, "prev") : std::string();
        const std::string kind = j.is_object() ? str(j, "kind") : std::string();
        if (seq <= 0 || prev.size() != 64 || (kind != "intent" && kind != "outcome")) {
            v.badLine = number;
            v.fault = Verification::Fault::NotALine;
            return;
        }
        const std::string expected = number == 1 ? kNoLine : sha256Hex(previous);
        if (prev != expected) {
            v.badLine = number;
            // Seq numbers tell what the hash cannot: a gap is a removal, a
            // repeat or a step back an insertion, a step of one a changed line.
            v.fault = number == 1 ? (seq > 1 ? Verification::Fault::Removed : Verification::Fault::Changed)
                      : seq > previousSeq + 1 ? Verification::Fault::Removed
                      : seq <= previousSeq    ? Verification::Fault::Inserted
                                              : Verification::Fault::Changed;
            return;
        }
        if (number == 1 && seq != 1) {
            v.badLine = number;
            v.fault = Verification::Fault::Removed;
            return;
        }
        if (number > 1 && seq != previousSeq + 1) {
            v.badLine = number;
            v.fault = seq > previousSeq + 1 ? Verification::Fault::Removed : Verification::Fault::Inserted;
            return;
        }
        previous.assign(line);
        previousSeq = seq;
    });
    return v;
}

Verification verify(const std::string& path) {
    Verification v;
    const auto file = load(path, v.error);
    if (v.error) return v;
    return verifyBytes(file.bytes);
}

}  // namespace qv::journal
