#include "cli/cli.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sys/stat.h>

#include "app/texts.h"
#include "device/session.h"
#include "device/tables.h"
#include "pages/configuration/check.h"
#include "pages/configuration/compare.h"
#include "pages/configuration/parameters.h"
#include "pages/configuration/transfer.h"
#include "pages/operation/operation_core.h"
#include "pages/operation/recording.h"
#include "platform/profile/cp1252.h"

namespace qv::cli {
namespace cfg = qv::configuration;
using qv::device::LinkSlot;
using qv::serial::OpenFailure;
using Clock = std::chrono::steady_clock;

// --- words ------------------------------------------------------------------

namespace {

constexpr const char* kWords[Texts::WordCount][3] = {
    {"keine Antwort vom Messgerät", "no answer from the meter", "pas de réponse de l'appareil"},
    {"falsches Modell", "wrong model", "mauvais modèle"},
    {"Konfig-Check nicht bestanden", "configuration check failed", "contrôle de configuration échoué"},
    {"Konfig-Check bestanden", "configuration check passed", "contrôle de configuration réussi"},
    {"Schreiben nicht bestätigt: unbekannt, ob das Messgerät den Satz hält (mit --verify oder compare prüfen)",
     "write not acknowledged: unknown whether the meter holds the set (check with --verify or compare)",
     "écriture non acquittée : on ne sait pas si l'appareil contient le jeu (vérifier avec --verify ou compare)"},
    {"Schreiben nicht bestätigt, aber das Messgerät hält den Satz Byte für Byte",
     "write not acknowledged, but the meter holds the set byte for byte",
     "écriture non acquittée, mais l'appareil contient le jeu octet pour octet"},
    {"geschrieben und bestätigt (nicht zurückgelesen)", "written and acknowledged (not read back)",
     "écrit et acquitté (non relu)"},
    {"geschrieben und Byte für Byte verifiziert", "written and verified byte for byte",
     "écrit et vérifié octet pour octet"},
    {"Rücklesen weicht ab", "read-back differs", "la relecture diffère"},
    {"Rücklesen ohne vollständigen Block: nicht verifiziert", "read-back brought no whole block: not verified",
     "relecture sans bloc complet : non vérifié"},
    {"gespeichert", "saved", "enregistré"},
    {"Datei nicht geschrieben", "file not written", "fichier non écrit"},
    {"kein vollständiger Parameterblock vom Messgerät", "no complete parameter block from the meter",
     "aucun bloc de paramètres complet de l'appareil"},
    {"Datei nicht lesbar", "file cannot be read", "fichier illisible"},
    {"erkannt", "identified", "identifié"},
    {"aufgezeichnet", "recorded", "enregistré"},
    {"nichts aufgezeichnet", "nothing recorded", "rien d'enregistré"},
    {"erlaubt", "allowed", "autorisé"},
    {"Abhilfe: sudo adduser $USER dialout, dann neu anmelden", "fix: sudo adduser $USER dialout, then log in again",
     "solution : sudo adduser $USER dialout, puis se reconnecter"},
    {"keine Unterschiede", "no differences", "aucune différence"},
    {"keine Parameterdatei eines bekannten Modells", "not a parameter file of a known model",
     "pas un fichier de paramètres d'un modèle connu"},
    {"%1 Unterschiede", "%1 differences", "%1 différences"},
    {"nicht geschrieben: nicht bestätigt, im Messgerät steht anderes",
     "not written: not acknowledged, and the meter holds something else",
     "non écrit : non acquitté, et l'appareil contient autre chose"},
};

// Writes all bytes and flushes them, or reports failure; never leaves a part
// under the name.
bool writeWhole(const std::string& path, const std::string& bytes) {
    const std::string part = path + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::filesystem::remove(part);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(part, path, ec);
    if (ec) std::filesystem::remove(part, ec);
    return !ec;
}

std::string replaceArgs(std::string text, const std::vector<std::string>& args) {
    for (std::size_t i = args.size(); i-- > 0;) {
        const std::string key = "%" + std::to_string(i + 1);
        for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + args[i].size()))
            text.replace(at, key.size(), args[i]);
    }
    return text;
}

std::string seconds(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", s);
    return buf;
}

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

}  // namespace

void Texts::load(const std::string& dir, int language) {
    language_ = language;
    auto labels = [&](const char* stem) {
        std::map<int, std::string> out;
        if (const auto file = qv::app::readTextFile(dir + "/" + qv::app::textFileName(stem, language)))
            for (const auto& l : qv::app::parseLabels(*file)) out[l.id] = qv::profile::cp1252ToUtf8(l.text);
        return out;
    };
    labels_ = labels("Konfigurieren_labels");
    settingsLabels_ = labels("Einstellungen_labels");
    const auto errors = qv::app::readTextFile(dir + "/" + qv::app::textFileName("Betrieb_Fehlertext", language));
    errorTexts_ = errors ? qv::app::parseErrorTexts(*errors) : std::vector<std::string>{};
}

std::string Texts::label(int id, const std::string& fallback) const {
    const auto it = labels_.find(id);
    return it != labels_.end() ? it->second : fallback;
}

std::string Texts::settingsLabel(int id, const std::string& fallback) const {
    const auto it = settingsLabels_.find(id);
    return it != settingsLabels_.end() ? it->second : fallback;
}

std::string Texts::caption(int control) const {
    const cfg::Row* r = cfg::rowOf(control);
    if (!r) return {};
    std::string text = label(r->caption, r->caption0);
    std::erase(text, '&');
    while (!text.empty() && (text.back() == ' ' || text.back() == ':')) text.pop_back();
    return text;
}

std::string Texts::word(Word w) const { return kWords[w][language_ >= 0 && language_ <= 2 ? language_ : 0]; }

// --- a meter's connection -----------------------------------------------------

namespace {

// "COM5", "com5" or "5" by its number; 0 for a path or an address.
int portNumber(const std::string& port) {
    std::string digits = port;
    if (digits.size() > 3 && (digits.rfind("COM", 0) == 0 || digits.rfind("com", 0) == 0)) digits = digits.substr(3);
    const bool number = !digits.empty() && digits.size() <= 2 &&
                        std::all_of(digits.begin(), digits.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
    return number ? std::stoi(digits) : 0;
}

// One meter's session, driven from the calling thread: what the session
// posts runs here, in order, while a command waits for its end.
class Meter : private qv::device::SessionEvents {
public:
    Meter() : session_(family_, refreshRate_, [this](std::function<void()> f) { post(std::move(f)); }) {
        session_.setEvents(this);
    }
    ~Meter() override { session_.setEvents(nullptr); }

    // Opens the port and asks the meter who it is; false with r.result saying why.
    bool open(const Texts& t, const std::string& port, Result& r) {
        if (const int n = portNumber(port))
            session_.choosePort(n);
        else
            session_.chooseDevice(port);
        pumpUntil([this] { return outcome_.has_value(); });
        const auto& o = *outcome_;
        r.device = o.resolved.deviceName.empty() ? o.resolved.path : o.resolved.deviceName;
        if (!o.opened) {
            r.result = openFailureText(t, o);
            return false;
        }
        if (!o.meter) {
            r.result = t.word(Texts::NoAnswer);
            return false;
        }
        code_ = o.meter->deviceCode;
        r.model = qv::device::modelCodeText(code_);
        r.version = o.meter->version;
        return true;
    }
    int code() const { return code_; }

    // Runs work on the line and returns once it has ended.
    void run(std::function<void(LinkSlot&)> work) {
        bool done = false;
        session_.run(std::move(work), [&done] { done = true; });
        pumpUntil([&done] { return done; });
    }

    // Polls until stop says so; every whole cycle goes to onCycle.
    void poll(const std::function<bool()>& stop, std::function<void(const qv::device::MeasurementRecord&)> onCycle) {
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
    static std::string openFailureText(const Texts& t, const qv::device::PortOutcome& o) {
        const auto label = qv::app::openFailureLabel(o.failure == OpenFailure::None ? OpenFailure::NoDevice : o.failure);
        std::string text = replaceArgs(t.settingsLabel(label.id, label.fallback), {o.resolved.deviceName, o.failureDetail});
        if (o.failure == OpenFailure::NoPermission) text += " " + t.word(Texts::DialoutFix);
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
    void portOutcome(const qv::device::PortOutcome& o) override { outcome_ = o; }
    void delivered(const qv::device::MeasurementRecord& r) override {
        if (onCycle_) onCycle_(r);
    }

    int family_ = -1;
    int refreshRate_ = 2;  // the window's default pace
    int code_ = 0;
    std::optional<qv::device::PortOutcome> outcome_;
    std::function<void(const qv::device::MeasurementRecord&)> onCycle_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> posted_;
    // Last: its line thread ends before anything it posts to.
    qv::device::Session session_;
};

// A parameter set as the window holds it: model, family, the decoded values.
struct Set {
    int code = 0;
    int family = -1;
    std::vector<std::uint8_t> block;  // the family's block
};

std::optional<Set> setOfFile(const std::string& path) {
    const auto bytes = qv::app::readTextFile(path);  // the whole file, as bytes
    if (!bytes) return std::nullopt;
    const auto loaded = cfg::parseConfigurationFile(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());
    Set s{loaded.code, qv::device::familyOfCode(loaded.code), {}};
    if (s.family < 0) return s;  // no model the window knows: no block either
    s.block.assign(loaded.block.begin(), loaded.block.begin() + static_cast<long>(cfg::blockSize(s.family)));
    return s;
}

// "KT740-->PC" on an open meter: the block as the window would show it.
std::optional<Set> setOfMeter(Meter& m, std::string* damaged = nullptr) {
    std::optional<cfg::ParameterReplies> replies;
    m.run([&replies](LinkSlot& slot) {
        if (slot) replies = cfg::requestParameters(*slot);
    });
    if (!replies) return std::nullopt;
    const auto read = cfg::judgeParameters(*replies, qv::device::familyOfCode(m.code()), m.code());
    if (read.state != cfg::ReadState::Whole) {
        if (damaged && read.state == cfg::ReadState::Damaged) *damaged = "damaged";
        return std::nullopt;
    }
    return Set{read.code, read.family,
               std::vector<std::uint8_t>(read.block, read.block + cfg::blockSize(read.family))};
}

// The set's values as the window's controls hold them, the model selected.
cfg::ControlValues valuesOf(const Set& s) {
    auto v = cfg::decodeBlock(s.family, s.block.data(), s.block.size());
    v.index[cfg::Model] = s.code;
    return v;
}

// Encoded as the window encodes its controls: what it saves and sends.
std::vector<std::uint8_t> sendBlock(const Set& s, cfg::ControlValues& values) {
    auto block = cfg::encodeBlock(s.family, values);
    block.resize(cfg::kFileBlockBytes, 0);
    return block;
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
    return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string outputPath(const Context& c, const Result& r, const char* extension, const char* dateFormat) {
    if (!c.outputIsDir) return c.output;
    const std::string model = r.model.empty() ? "KT740" : r.model;
    std::string port = fileSafe(r.port);
    port.erase(0, port.find_first_not_of('-'));
    return (std::filesystem::path(c.output) / (model + "_" + today(dateFormat) + "_" + port + extension)).string();
}

}  // namespace

// --- the commands -------------------------------------------------------------

Result identify(const Context& c, const std::string& port) {
    return timed(port, [&](Result& r) {
        Meter m;
        if (!m.open(c.texts, port, r)) return;
        r.ok = true;
        r.result = c.texts.word(Texts::Identified);
        if (r.version) r.result += ", SW " + number(*r.version);
    });
}

Result readSet(const Context& c, const std::string& port) {
    return timed(port, [&](Result& r) {
        Meter m;
        if (!m.open(c.texts, port, r)) return;
        std::string damaged;
        const auto set = setOfMeter(m, &damaged);
        if (!set) {
            r.result = damaged.empty() ? c.texts.label(1915, c.texts.word(Texts::NoSet))
                                       : c.texts.label(1918, c.texts.word(Texts::NoSet));
            return;
        }
        auto values = valuesOf(*set);
        const auto bytes = cfg::configurationFile(set->code, set->family, sendBlock(*set, values));
        const std::string path = outputPath(c, r, ".kt740", "%Y-%m-%d");
        if (!writeWhole(path, std::string(bytes.begin(), bytes.end()))) {
            r.result = c.texts.word(Texts::CannotWrite) + ": " + path;
            return;
        }
        r.ok = true;
        r.file = path;
        r.result = c.texts.word(Texts::Saved) + ": " + path;
    });
}

Result checkFile(const Context& c, const std::string& file) {
    return timed(file, [&](Result& r) {
        const auto set = setOfFile(file);
        if (!set) {
            r.result = c.texts.word(Texts::NoFile);
            return;
        }
        r.model = qv::device::modelCodeText(set->code);
        if (set->family < 0) {
            r.result = c.texts.word(Texts::NotAModelFile);
            return;
        }
        auto values = valuesOf(*set);
        const auto limits = cfg::checkLimits(set->family, values);
        const auto outcome = cfg::checkConfiguration(set->code, set->family, values);
        r.ok = outcome.result == 1;
        r.result = c.texts.word(r.ok ? Texts::Passed : Texts::CheckFailed);
        const int ui = c.texts.language();
        for (int marker : outcome.errorMarkers) {
            for (const auto& row : cfg::rows()) {
                if (row.errorMarker != marker) continue;
                std::string line = c.texts.caption(row.control) + ": " + cfg::displayValue(row.control, values, set->family, ui);
                if (const auto range = cfg::allowedRange(row.control, limits)) {
                    const std::string unit = cfg::valueUnit(row.control, values, set->family, ui);
                    line += " (" + c.texts.word(Texts::Allowed) + " " + number(range->min) + " \u2026 " +
                            number(range->max) + (unit.empty() ? "" : " " + unit) + ")";
                }
                r.details.push_back(line);
            }
        }
    });
}

Result writeSet(const Context& c, const std::string& file, const std::string& port) {
    return timed(port, [&](Result& r) {
        const Result checked = checkFile(c, file);
        if (!checked.ok) {
            r.result = checked.result;
            r.details = checked.details;
            return;
        }
        const Set set = *setOfFile(file);
        auto values = valuesOf(set);
        cfg::checkConfiguration(set.code, set.family, values);  // cleans the texts as the window's write does
        const auto block = sendBlock(set, values);
        Meter m;
        if (!m.open(c.texts, port, r)) return;
        if (m.code() != set.code) {
            r.result = c.texts.word(Texts::WrongModel) + ": " + qv::device::modelCodeText(set.code) + " \u2192 " + r.model;
            return;
        }
        const auto frame = cfg::writeFrame(set.family, std::vector<std::uint8_t>(block.begin(), block.begin() + static_cast<long>(cfg::blockSize(set.family))));
        std::optional<cfg::WriteOutcome> sent;
        m.run([&](LinkSlot& slot) {
            if (slot) sent = cfg::sendParameterFrame(*slot, frame);
        });
        const bool acked = sent && sent->acknowledged;
        if (!c.verify) {
            r.ok = acked;
            r.result = c.texts.word(acked ? Texts::Written : Texts::NotAcknowledged);
            return;
        }
        const auto back = setOfMeter(m);
        if (!back || back->family != set.family) {
            r.result = c.texts.word(acked ? Texts::NoReadBack : Texts::NotAcknowledged);
            return;
        }
        const std::vector<std::uint8_t> written(frame.begin() + 2, frame.end() - 1);
        const auto diffs = cfg::compareBlocks(set.family, set.code, c.texts.language(), written.data(), back->block.data(), true);
        for (const auto& d : diffs)
            r.details.push_back(cfg::differenceLine(d, c.texts.caption(d.control), c.texts.label(1916, "Byte %1"),
                                                    c.texts.label(1924, "fehlt diesem Modell")));
        r.ok = diffs.empty();
        if (r.ok) r.result = c.texts.word(acked ? Texts::Verified : Texts::NotAcknowledgedHeld);
        else r.result = c.texts.word(acked ? Texts::ReadBackDiffers : Texts::NotWritten) + " (" + std::to_string(diffs.size()) + ")";
    });
}

Result compare(const Context& c, const std::string& a, const std::string& b) {
    return timed(a + " " + b, [&](Result& r) {
        std::optional<Meter> ma, mb;
        auto side = [&](const std::string& name, std::optional<Meter>& meter) -> std::optional<Set> {
            if (isFile(name)) {
                auto s = setOfFile(name);
                if (!s || s->family < 0) r.result = name + ": " + c.texts.word(s ? Texts::NotAModelFile : Texts::NoFile);
                return s && s->family >= 0 ? s : std::nullopt;
            }
            meter.emplace();
            Result opened;
            if (!meter->open(c.texts, name, opened)) {
                r.result = name + ": " + opened.result;
                return std::nullopt;
            }
            if (r.model.empty()) r.model = opened.model;
            auto s = setOfMeter(*meter);
            if (!s) r.result = name + ": " + c.texts.label(1915, c.texts.word(Texts::NoSet));
            return s;
        };
        const auto left = side(a, ma);
        if (!left) return;
        const auto right = side(b, mb);
        if (!right) return;
        if (r.model.empty()) r.model = qv::device::modelCodeText(left->code);
        // As the window compares its page with the meter or a file: the
        // page's (left) model decides the rows, a second model is a row too.
        auto lv = valuesOf(*left);
        auto rv = valuesOf(*right);
        const auto mine = sendBlock(*left, lv), other = sendBlock(*right, rv);
        std::vector<cfg::Difference> diffs;
        if (left->code != right->code)
            diffs.push_back({cfg::Model, -1, qv::device::modelCodeText(left->code), qv::device::modelCodeText(right->code)});
        if (left->family == right->family) {
            const auto more = cfg::compareBlocks(left->family, left->code, c.texts.language(), mine.data(), other.data(), false);
            diffs.insert(diffs.end(), more.begin(), more.end());
        }
        for (const auto& d : diffs)
            r.details.push_back(cfg::differenceLine(d, c.texts.caption(d.control), c.texts.label(1916, "Byte %1"),
                                                    c.texts.label(1924, "fehlt diesem Modell")));
        r.ok = true;
        r.result = diffs.empty() ? c.texts.label(1910, c.texts.word(Texts::NoDifferences))
                                 : replaceArgs(c.texts.word(Texts::Differences), {std::to_string(diffs.size())});
    });
}

Result record(const Context& c, const std::string& port) {
    return timed(port, [&](Result& r) {
        Meter m;
        if (!m.open(c.texts, port, r)) return;
        r.file = outputPath(c, r, ".csv", "%Y-%m-%d_%H%M");
        Recording recording(c.texts);
        if (const int error = recording.start(r.file, m.code())) {
            r.result = c.texts.word(Texts::CannotWrite) + ": " + r.file + " (" + std::strerror(error) + ")";
            r.file.clear();
            return;
        }
        const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(c.recordSeconds));
        int failed = 0;
        m.poll([&] { return (c.stop && *c.stop) || (c.recordSeconds > 0 && Clock::now() >= end); },
               [&](const qv::device::MeasurementRecord& rec) {
                   if (!recording.write(rec, std::time(nullptr))) ++failed;
               });
        recording.stop();
        r.lines = recording.lines();
        r.ok = r.lines > 0 && failed == 0;
        r.result = (r.lines > 0 ? c.texts.word(Texts::Recorded) : c.texts.word(Texts::NotRecorded)) + ": " +
                   std::to_string(r.lines) + " \u2192 " + r.file;
        if (failed) r.result += ", " + c.texts.word(Texts::CannotWrite) + " (" + std::to_string(failed) + ")";
    });
}

int Recording::start(const std::string& path, int deviceCode) { return recorder_.start(path, deviceCode); }

bool Recording::write(const qv::device::MeasurementRecord& record, std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    const std::string lastError = qv::operation::recordedErrorText(record.errorCode, texts_.errorTexts());
    return recorder_.writeLine(record, texts_.language(), local, lastError).written;
}

std::vector<PortEntry> portList(const std::vector<std::string>& given) {
    std::vector<PortEntry> out;
    if (given.empty()) {
        const auto ports = qv::device::SerialLink::resolveAll(9);
        for (std::size_t i = 0; i < ports.size(); ++i) {
            const int n = static_cast<int>(i) + 1;
            out.push_back({"COM" + std::to_string(n), qv::serial::portLabel(n, ports[i]), ports[i].path});
        }
        return out;
    }
    for (const auto& name : given) {
        if (const int n = portNumber(name)) {
            const auto p = qv::device::SerialLink::resolve(n);
            out.push_back({"COM" + std::to_string(n), qv::serial::portLabel(n, p), p.path});
        } else {
            const auto p = qv::serial::describePath(name);
            out.push_back({name, p.simulator ? "Simulator" : p.deviceName, p.path});
        }
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
}  // namespace

std::string toJson(const PortEntry& p) {
    return "{\"command\":\"ports\",\"port\":" + quoted(p.name) + ",\"device\":" + quoted(p.label) +
           ",\"path\":" + quoted(p.path) + "}";
}

std::string toJson(const std::string& command, const Result& r) {
    std::string j = "{\"command\":" + quoted(command) + ",\"port\":" + quoted(r.port) + ",\"device\":" + quoted(r.device) +
                    ",\"model\":" + quoted(r.model) + ",\"ok\":" + (r.ok ? "true" : "false") +
                    ",\"result\":" + quoted(r.result);
    if (r.version) j += ",\"version\":" + number(*r.version);
    if (!r.file.empty()) j += ",\"file\":" + quoted(r.file);
    if (command == "record") j += ",\"lines\":" + std::to_string(r.lines);
    j += ",\"details\":[";
    for (std::size_t i = 0; i < r.details.size(); ++i) j += (i ? "," : "") + quoted(r.details[i]);
    return j + "],\"seconds\":" + seconds(r.seconds) + "}";
}

}  // namespace qv::cli
