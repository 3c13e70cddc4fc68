// qv-cli: KT740 meters from the command line, one port or many at once.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "cli/cli.h"
#include "cli/mqtt.h"
#include "core/publish/sparkplug.h"
#include "core/link/port_setup.h"
#include "core/recording/reading.h"
#include "core/text/settings.h"
#include "core/text/text_numbers.h"
#include "core/text/texts.h"
#include "platform/serial/ports.h"

namespace fs = std::filesystem;
using qv::cli::Result;
namespace words = qv::text::cli;

namespace {

constexpr const char* kUsage =
    "usage: qv-cli [--lang de|en|fr] [--json] [--jobs N] [--dir DIR] [--force] [--journal FILE] COMMAND ...\n"
    "  ports [PORT...]                         what the port numbers (or the ports given) reach\n"
    "  identify PORT...                        model and software version\n"
    "  read PORT... -o DIR|FILE                parameter sets into configuration files\n"
    "  check FILE...                           the configuration check of files\n"
    "  write FILE PORT... [--verify]           a file's set into meters (read back with --verify)\n"
    "  journal [--port P] [--since DATE]       the changes made to meters, oldest first\n"
    "  journal verify [FILE]                   checks the journal's chain (exit 0 intact, 1 not)\n"
    "  compare PORT|FILE PORT|FILE             the differences of two sets\n"
    "  convert RECORDING -o FILE [--from T] [--to T]\n"
    "                                          a recording as UTF-8 CSV with ISO times for other tools;\n"
    "                                          --from/--to keep the lines from T up to, not including, T\n"
    "  record PORT... --csv FILE|DIR [--for DURATION]   measurements into CSV files (Ctrl+C ends)\n"
    "  publish PORT... --broker mqtt://HOST[:PORT] [--group ID] [--node ID]\n"
    "                                          the meters on an MQTT broker as Sparkplug B (Ctrl+C ends);\n"
    "                                          read only: device commands are refused\n"
    "PORT: COM5 or 5 (as the window numbers it), a device path, tcp://HOST:PORT or rfc2217://HOST:PORT.\n"
    "--force replaces an output file that exists already; without it such a file is left as it is.\n"
    "--journal FILE: where every change is entered before it is sent (default: the data folder's journal.jsonl).\n"
    "Exit status: 0 every meter succeeded, 1 one or more did not, 2 usage error;\n"
    "compare: 0 the sets are equal, 1 they differ, 2 usage error, 3 they could not be compared.\n";

// Ctrl+C or SIGTERM: the first ends recordings with whole lines and lets an
// exchange under way finish, so its result is told; a second ends at once.
std::atomic<int> signals{0};
std::atomic<bool> stopping{false};
void onSignal(int) {
    signals.fetch_add(1);
    stopping = true;
}

[[noreturn]] void usage(const std::string& why) {
    std::fprintf(stderr, "qv-cli: %s\n%s", why.c_str(), kUsage);
    std::exit(2);
}

// "90", "90s", "5m", "1.5h" in seconds, up to a year; negative for nonsense.
double parseDuration(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(v) || v <= 0) return -1;
    const std::string unit(end);
    const double seconds = unit.empty() || unit == "s" ? v : unit == "m" || unit == "min" ? v * 60 : unit == "h" ? v * 3600 : -1;
    return seconds > 0 && seconds <= 366.0 * 24 * 3600 ? seconds : -1;
}

// The user's data folder, where the window keeps its settings file and COMn entries.
std::string dataDir() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/qv-gui";
    const char* home = std::getenv("HOME");
    return home ? std::string(home) + "/.local/share/qv-gui" : std::string(".");
}

// The text files: the data folder's (the user may have edited them), else the
// installed ones, else those beside the program (a build tree).
std::string textDir(const std::string& dir) {
    const auto has = [](const fs::path& d) { return fs::exists(d / "Konfigurieren_labels_de.txt"); };
    if (has(dir)) return dir;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec).parent_path();
    if (const fs::path shared = self.parent_path() / "share/qv-gui"; has(shared)) return shared.string();
    return self.string();
}

// The user's language as the locale names it (LC_ALL, LC_MESSAGES, LANG):
// German, French, or else English.
int localeLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (!v || !*v) continue;
        const std::string value(v);
        if (value.rfind("de", 0) == 0) return 0;
        if (value.rfind("fr", 0) == 0) return 2;
        return 1;
    }
    return 1;
}

// The same port however it is written: "COM5", "com5" and "5" are one.
std::string portKey(const std::string& name) {
    if (const int n = qv::link::portNumberOf(name)) return "COM" + std::to_string(n);
    std::error_code ec;
    const fs::path p = fs::absolute(name, ec);
    return ec ? name : p.lexically_normal().string();
}

void print(const std::string& command, const Result& r, bool json) {
    if (json) {
        std::printf("%s\n", qv::cli::toJson(command, r).c_str());
    } else {
        std::printf("%s\t%s\t%s\n", r.port.c_str(), r.model.empty() ? "-" : r.model.c_str(), r.result.c_str());
        for (const auto& d : r.details) std::printf("\t%s\n", d.c_str());
    }
    std::fflush(stdout);
}

std::string text(const qv::text::Words& w, int id) { return w.label(qv::text::kCliTexts, id); }

// The table of all results on standard error, in the words' language.
void summary(const qv::text::Words& w, const std::vector<Result>& results) {
    const std::string port = text(w, words::TablePort), model = text(w, words::TableModel),
                      time = text(w, words::TableTime), result = text(w, words::TableResult),
                      failed = text(w, words::TableFailed);
    std::size_t wp = port.size(), wm = model.size();
    for (const auto& r : results) {
        wp = std::max(wp, r.port.size());
        wm = std::max(wm, r.model.size());
    }
    std::fprintf(stderr, "%-*s  %-*s  %8s  %s\n", int(wp), port.c_str(), int(wm), model.c_str(), time.c_str(), result.c_str());
    for (const auto& r : results)
        std::fprintf(stderr, "%-*s  %-*s  %8.1f  %s%s\n", int(wp), r.port.c_str(), int(wm), r.model.empty() ? "-" : r.model.c_str(),
                     r.seconds, r.ok ? "" : (failed + " ").c_str(), r.result.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    std::string lang, dir = dataDir(), output, forText, journalPath, journalPort, since, from, to, broker, group, node;
    bool json = false, verify = false, outputGiven = false, dirGiven = false, force = false;
    int jobs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage(a + " needs a value");
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--lang") {
            lang = value();
        } else if (a == "--json") {
            json = true;
        } else if (a == "--jobs") {
            const std::string v = value();
            jobs = std::atoi(v.c_str());
            if (jobs < 1) usage("--jobs needs a number from 1");
        } else if (a == "--dir") {
            dir = value();
            dirGiven = true;
        } else if (a == "-o" || a == "--csv") {
            output = value();
            outputGiven = true;
        } else if (a == "--verify") {
            verify = true;
        } else if (a == "--journal") {
            journalPath = value();
        } else if (a == "--port") {
            journalPort = value();
        } else if (a == "--since") {
            since = value();
        } else if (a == "--broker") {
            broker = value();
        } else if (a == "--group") {
            group = value();
        } else if (a == "--node") {
            node = value();
        } else if (a == "--from") {
            from = value();
        } else if (a == "--to") {
            to = value();
        } else if (a == "--force") {
            force = true;
        } else if (a == "--for") {
            forText = value();
        } else if (a.size() > 1 && a[0] == '-') {
            usage("unknown option " + a);
        } else {
            args.push_back(a);
        }
    }
    if (args.empty()) usage("no command");
    const std::string command = args[0];
    const std::vector<std::string> operands(args.begin() + 1, args.end());
    // Every argument is checked before anything is touched.
    if (dirGiven && !fs::is_directory(dir)) usage("--dir " + dir + ": no such folder");
    int language = localeLanguage();
    if (!lang.empty()) {
        if (lang == "de") language = 0;
        else if (lang == "en") language = 1;
        else if (lang == "fr") language = 2;
        else usage("--lang needs de, en or fr");
    }
    double recordSeconds = 0;
    if (!forText.empty() && (recordSeconds = parseDuration(forText)) <= 0)
        usage("--for needs a duration such as 90s, 5m, 1h (a year at most)");
    const bool filesOnly = command == "check" || command == "ports" || command == "journal" || command == "convert";
    if (!filesOnly) {
        std::set<std::string> seen;
        const std::size_t first = command == "write" ? 1 : 0;  // write's first operand is its file
        for (std::size_t i = first; i < operands.size(); ++i)
            if (!seen.insert(portKey(operands[i])).second) usage("port named twice: " + operands[i]);
    }

    qv::text::AppSettings settings;
    qv::text::setProgramDir(settings, dir);
    const auto settingsFile = qv::text::readSettings(settings);
    qv::cli::Context c;
    // Port numbers find their devices as the window's do: its data folder's
    // COM<n> entries, its settings file's [PORTS], the system's ports.
    c.ports.startDirectory = dir;
    c.ports.configured = settings.portPaths;
    c.ports.discovery = &qv::serial::systemPorts();
    c.words.load(textDir(dir), language);
    if (!settingsFile.ok() && settingsFile.trouble != qv::files::Trouble::Missing) {
        // Told, and the defaults used: the ports it maps are not known then.
        const int why = qv::text::troubleMessage(settingsFile.trouble);
        std::string reason = why ? c.words.message(why) : qv::files::reason(settingsFile.error);
        if (const auto at = reason.find("%1"); at != std::string::npos) reason.replace(at, 2, std::to_string(qv::text::settingsFileLimit()));
        std::string line = c.words.message(qv::text::msg::SettingsRefused);
        const std::string what = settings.iniPath + ": " + reason;
        if (const auto at = line.find("%1"); at != std::string::npos) line.replace(at, 2, what); else line += " " + what;
        std::fprintf(stderr, "qv-cli: %s\n", line.c_str());
    }
    // --journal, else the settings file's [JOURNAL] PATH, else the data folder's.
    if (journalPath.empty()) journalPath = settings.journalPath.empty() ? dir + "/" + qv::journal::kFileName : settings.journalPath;
    c.verify = verify;
    c.force = force;
    // Every change is journaled; captions in the words' language.
    c.journal = qv::journal::Writer{journalPath, "qv-cli", QV_VERSION, language,
                                    [&words = c.words](int control) { return qv::cli::caption(words, control); }};
    c.output = output;
    c.recordSeconds = recordSeconds;
    c.stop = &stopping;

    std::vector<std::function<Result()>> work;
    std::vector<std::string> names;  // each piece of work's port or file, for the lines of an interruption
    auto needOutput = [&](bool many) {
        if (!outputGiven) usage(command + " needs " + (command == "read" ? "-o DIR|FILE" : "--csv FILE|DIR"));
        c.outputIsDir = fs::is_directory(output);
        if (many && !c.outputIsDir) usage("several ports need a folder for their files, not " + output);
        if (!c.outputIsDir && !fs::is_directory(fs::absolute(output).parent_path()))
            usage(output + ": no such folder for it");
    };
    static const std::regex isoTime(R"(\d{4}-\d{2}-\d{2}(T\d{2}(:\d{2}(:\d{2})?)?Z?)?)");
    if (!since.empty() && !std::regex_match(since, isoTime)) usage("--since needs a day or time such as 2026-12-10 or 2026-12-10T08:00 (UTC)");
    if ((!from.empty() || !to.empty()) && command != "convert") usage("--from and --to belong to convert");
    if (command == "journal") {
        std::string out, err;
        int code = 0;
        if (!operands.empty() && operands[0] == "verify") {
            if (operands.size() > 2) usage("journal verify takes one FILE at most");
            code = qv::cli::verifyJournal(c.words, operands.size() == 2 ? operands[1] : journalPath, out);
            std::printf("%s\n", out.c_str());
            return code;
        }
        if (!operands.empty()) usage("journal takes no operand but verify");
        code = qv::cli::listJournal(c.words, journalPath, journalPort, since, json, out, err);
        std::fputs(out.c_str(), stdout);
        if (!err.empty()) std::fprintf(stderr, "qv-cli: %s\n", err.c_str());
        return code;
    }
    if (command == "ports") {
        for (const auto& p : qv::cli::portList(c.ports, operands)) {
            if (json)
                std::printf("%s\n", qv::cli::toJson(p).c_str());
            else
                std::printf("%s\t%s\n", p.label.c_str(), p.path.empty() ? "-" : p.path.c_str());
        }
        return 0;
    } else if (command == "identify") {
        for (const auto& p : operands) work.push_back([&c, p] { return qv::cli::identify(c, p); }), names.push_back(p);
    } else if (command == "read") {
        needOutput(operands.size() > 1);
        for (const auto& p : operands) work.push_back([&c, p] { return qv::cli::readSet(c, p); }), names.push_back(p);
    } else if (command == "check") {
        for (const auto& f : operands) work.push_back([&c, f] { return qv::cli::checkFile(c, f); }), names.push_back(f);
    } else if (command == "write") {
        if (operands.size() < 2) usage("write needs a FILE and one or more PORTs");
        for (std::size_t i = 1; i < operands.size(); ++i) {
            work.push_back([&c, f = operands[0], p = operands[i]] { return qv::cli::writeSet(c, f, p); });
            names.push_back(operands[i]);
        }
    } else if (command == "compare") {
        if (operands.size() != 2) usage("compare needs two PORTs or FILEs");
        work.push_back([&c, a = operands[0], b = operands[1]] { return qv::cli::compare(c, a, b); });
        names.push_back(operands[0] + " " + operands[1]);
    } else if (command == "convert") {
        if (operands.size() != 1) usage("convert needs one RECORDING");
        if (!outputGiven) usage("convert needs -o FILE");
        if (fs::is_directory(output)) usage("convert needs a file for -o, not the folder " + output);
        if (!fs::is_directory(fs::absolute(output).parent_path())) usage(output + ": no such folder for it");
        // The recording's own clock: local time as it was written, no zone.
        auto moment = [](const std::string& name, const std::string& text) {
            const auto t = qv::recording::parseWallTime(text);
            if (!t) usage(name + " needs a day or time of the recording's clock such as 2026-12-10 or 2026-12-10T08:00");
            return *t;
        };
        if (!from.empty()) c.from = moment("--from", from);
        if (!to.empty()) c.to = moment("--to", to);
        if (c.from && c.to && *c.to <= *c.from) usage("--to must come after --from");
        work.push_back([&c, f = operands[0]] { return qv::cli::convert(c, f); }), names.push_back(operands[0]);
    } else if (command == "record") {
        needOutput(operands.size() > 1);
        for (const auto& p : operands) work.push_back([&c, p] { return qv::cli::record(c, p); }), names.push_back(p);
    } else if (command != "publish") {
        usage("unknown command " + command);
    }
    // Ctrl+C and SIGTERM end a recording or a publisher with whole lines and a death said.
    struct sigaction sa{};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    if ((!broker.empty() || !group.empty() || !node.empty()) && command != "publish")
        usage("--broker, --group and --node belong to publish");
    if (command == "publish") {
        if (operands.empty()) usage("publish needs at least one PORT");
        qv::cli::PublishOptions o;
        o.broker = qv::cli::brokerUri(broker);
        if (o.broker.empty()) usage("publish needs --broker mqtt://HOST[:PORT]");
        // Sparkplug ids are topic levels: no '/', '+' or '#'.
        auto id = [](const std::string& name, const std::string& v) {
            if (v.empty() || v.find_first_of("/+#") != std::string::npos) usage(name + " needs an id without '/', '+' or '#'");
            return v;
        };
        if (!group.empty()) o.group = id("--group", group);
        char host[256] = {};
        o.node = node.empty() ? qv::publish::topicLevel(::gethostname(host, sizeof host - 1) == 0 ? host : "qv-cli") : id("--node", node);
        std::mutex saying;
        return qv::cli::publish(c, operands, o, [&saying](const std::string& text) {
            std::lock_guard<std::mutex> lock(saying);
            std::fprintf(stderr, "qv-cli: %s\n", text.c_str());
        });
    }
    if (work.empty()) usage(command + " needs at least one " + (command == "check" ? "FILE" : "PORT"));

    // A recording's lines so far, shown on a terminal while it runs.
    std::mutex counting;
    std::map<std::string, int> lines;
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    if (command == "record" && terminal)
        c.onLines = [&](const std::string& port, int n) {
            std::lock_guard<std::mutex> lock(counting);
            lines[port] = n;
        };

    // Every port on a thread of its own (at most --jobs at once): a dead
    // meter takes only its own time-outs.
    std::vector<Result> results(work.size());
    enum class State { Waiting, Running, Done };
    std::vector<std::atomic<State>> states(work.size());
    for (auto& s : states) s = State::Waiting;
    std::atomic<std::size_t> next{0}, done{0};
    std::mutex printing;
    const std::size_t workers = jobs > 0 ? std::min<std::size_t>(static_cast<std::size_t>(jobs), work.size()) : work.size();
    std::vector<std::thread> threads;
    std::size_t shownWidth = 0;  // a progress line on the terminal, under printing
    auto clearProgress = [&] {
        if (shownWidth) std::fprintf(stderr, "\r%*s\r", static_cast<int>(shownWidth), "");
        shownWidth = 0;
    };
    for (std::size_t w = 0; w < workers; ++w) {
        threads.emplace_back([&] {
            for (std::size_t i; (i = next++) < work.size();) {
                if (stopping) {
                    // Interrupted before this one began: nothing was sent.
                    results[i].port = names[i];
                    results[i].result = text(c.words, words::InterruptedNotStarted);
                } else {
                    states[i] = State::Running;
                    results[i] = work[i]();
                }
                std::lock_guard<std::mutex> lock(printing);
                clearProgress();
                if (signals.load() < 2) print(command, results[i], json);
                states[i] = State::Done;
                ++done;
            }
        });
    }
    while (done.load() < work.size()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (signals.load() >= 2) {
            // Asked twice to end: what still runs is told as not known, then the program ends.
            std::lock_guard<std::mutex> lock(printing);
            clearProgress();
            for (std::size_t i = 0; i < work.size(); ++i) {
                if (states[i] != State::Running) continue;
                Result r;
                r.port = names[i];
                r.result = text(c.words, command == "write" ? words::InterruptedWrite : words::Interrupted);
                print(command, r, json);
            }
            std::fflush(stdout);
            std::_Exit(1);
        }
        if (c.onLines) {
            std::string line;
            {
                std::lock_guard<std::mutex> lock(counting);
                for (const auto& [port, n] : lines) {
                    std::string part = text(c.words, qv::text::counted(static_cast<long long>(n), c.words.language(),
                                                                       words::RecordProgress, words::RecordProgressOne));
                    for (const auto& [key, value] : {std::pair<std::string, std::string>{"%1", port}, {"%2", std::to_string(n)}})
                        if (const auto at = part.find(key); at != std::string::npos) part.replace(at, key.size(), value);
                    line += (line.empty() ? "" : "   ") + part;
                }
            }
            std::lock_guard<std::mutex> lock(printing);
            if (line.empty()) continue;
            std::fprintf(stderr, "\r%-*s", static_cast<int>(shownWidth), line.c_str());
            shownWidth = std::max(shownWidth, line.size());
            std::fflush(stderr);
        }
    }
    for (auto& t : threads) t.join();
    clearProgress();
    // In a terminal the lines above are the results; the table is for a log.
    if (!(::isatty(STDOUT_FILENO) && terminal)) summary(c.words, results);
    if (command == "compare") return !results[0].ok ? 3 : results[0].differs ? 1 : 0;
    return std::all_of(results.begin(), results.end(), [](const Result& r) { return r.ok; }) ? 0 : 1;
}
