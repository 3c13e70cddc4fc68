// qv-cli: KT740 meters from the command line, one port or many at once.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "core/text/settings.h"
#include "cli/cli.h"
#include "platform/serial/ports.h"

namespace fs = std::filesystem;
using qv::cli::Result;

namespace {

constexpr const char* kUsage =
    "usage: qv-cli [--lang de|en|fr] [--json] [--jobs N] [--dir DIR] COMMAND ...\n"
    "  ports [PORT...]                         what the port numbers (or the ports given) reach\n"
    "  identify PORT...                        model and software version\n"
    "  read PORT... -o DIR|FILE                parameter sets into configuration files\n"
    "  check FILE...                           the configuration check of files\n"
    "  write FILE PORT... [--verify]           a file's set into meters (read back with --verify)\n"
    "  compare PORT|FILE PORT|FILE             the differences of two sets\n"
    "  record PORT... --csv FILE|DIR [--for DURATION]   measurements into CSV files (Ctrl+C ends)\n"
    "PORT: COM5 or 5 (as the window numbers it), a device path, tcp://HOST:PORT or rfc2217://HOST:PORT.\n"
    "Exit status: 0 every meter succeeded, 1 one or more did not, 2 usage error.\n";

std::atomic<bool> interrupted{false};
void onInterrupt(int) { interrupted = true; }

[[noreturn]] void usage(const std::string& why) {
    std::fprintf(stderr, "qv-cli: %s\n%s", why.c_str(), kUsage);
    std::exit(2);
}

// "90", "90s", "5m", "1.5h" in seconds; negative for nonsense.
double parseDuration(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || v <= 0) return -1;
    const std::string unit(end);
    if (unit.empty() || unit == "s") return v;
    if (unit == "m" || unit == "min") return v * 60;
    if (unit == "h") return v * 3600;
    return -1;
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

void print(const std::string& command, const Result& r, bool json) {
    if (json) {
        std::printf("%s\n", qv::cli::toJson(command, r).c_str());
    } else {
        std::printf("%s\t%s\t%s\n", r.port.c_str(), r.model.empty() ? "-" : r.model.c_str(), r.result.c_str());
        for (const auto& d : r.details) std::printf("\t%s\n", d.c_str());
    }
    std::fflush(stdout);
}

void summary(const std::vector<Result>& results) {
    std::size_t wp = 4, wm = 5;
    for (const auto& r : results) {
        wp = std::max(wp, r.port.size());
        wm = std::max(wm, r.model.size());
    }
    std::fprintf(stderr, "%-*s  %-*s  %8s  %s\n", int(wp), "port", int(wm), "model", "time [s]", "result");
    for (const auto& r : results)
        std::fprintf(stderr, "%-*s  %-*s  %8.1f  %s%s\n", int(wp), r.port.c_str(), int(wm), r.model.empty() ? "-" : r.model.c_str(),
                     r.seconds, r.ok ? "" : "FAILED: ", r.result.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    std::string lang, dir = dataDir(), output, forText;
    bool json = false, verify = false, outputGiven = false;
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
        } else if (a == "-o" || a == "--csv") {
            output = value();
            outputGiven = true;
        } else if (a == "--verify") {
            verify = true;
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

    qv::text::AppSettings settings;
    qv::text::setProgramDir(settings, dir);
    qv::text::readSettings(settings);
    int language = settings.language >= 0 && settings.language <= 2 ? settings.language : 0;
    if (!lang.empty()) {
        if (lang == "de") language = 0;
        else if (lang == "en") language = 1;
        else if (lang == "fr") language = 2;
        else usage("--lang needs de, en or fr");
    }
    qv::cli::Context c;
    // Port numbers find their devices as the window's do: its data folder's
    // COM<n> entries, its settings file's [PORTS], the system's ports.
    c.ports.startDirectory = dir;
    c.ports.configured = settings.portPaths;
    c.ports.discovery = &qv::serial::systemPorts();
    c.words.load(textDir(dir), language);
    c.verify = verify;
    c.output = output;
    c.stop = &interrupted;

    std::vector<std::function<Result()>> work;
    auto needOutput = [&](bool many) {
        if (!outputGiven) usage(command + " needs " + (command == "read" ? "-o DIR|FILE" : "--csv FILE|DIR"));
        c.outputIsDir = fs::is_directory(output);
        if (many && !c.outputIsDir) usage("several ports need a folder for their files, not " + output);
    };
    if (command == "ports") {
        for (const auto& p : qv::cli::portList(c.ports, operands)) {
            if (json)
                std::printf("%s\n", qv::cli::toJson(p).c_str());
            else
                std::printf("%s\t%s\n", p.label.c_str(), p.path.empty() ? "-" : p.path.c_str());
        }
        return 0;
    } else if (command == "identify") {
        for (const auto& p : operands) work.push_back([&c, p] { return qv::cli::identify(c, p); });
    } else if (command == "read") {
        needOutput(operands.size() > 1);
        for (const auto& p : operands) work.push_back([&c, p] { return qv::cli::readSet(c, p); });
    } else if (command == "check") {
        for (const auto& f : operands) work.push_back([&c, f] { return qv::cli::checkFile(c, f); });
    } else if (command == "write") {
        if (operands.size() < 2) usage("write needs a FILE and one or more PORTs");
        for (std::size_t i = 1; i < operands.size(); ++i)
            work.push_back([&c, f = operands[0], p = operands[i]] { return qv::cli::writeSet(c, f, p); });
    } else if (command == "compare") {
        if (operands.size() != 2) usage("compare needs two PORTs or FILEs");
        work.push_back([&c, a = operands[0], b = operands[1]] { return qv::cli::compare(c, a, b); });
    } else if (command == "record") {
        needOutput(operands.size() > 1);
        if (!forText.empty() && (c.recordSeconds = parseDuration(forText)) <= 0) usage("--for needs a duration such as 90s, 5m, 1h");
        struct sigaction sa{};
        sa.sa_handler = onInterrupt;
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGTERM, &sa, nullptr);
        for (const auto& p : operands) work.push_back([&c, p] { return qv::cli::record(c, p); });
    } else {
        usage("unknown command " + command);
    }
    if (work.empty()) usage(command + " needs at least one " + (command == "check" ? "FILE" : "PORT"));

    // Every port on a thread of its own (at most --jobs at once): a dead
    // meter takes only its own time-outs.
    std::vector<Result> results(work.size());
    std::atomic<std::size_t> next{0};
    std::mutex printing;
    const std::size_t workers = jobs > 0 ? std::min<std::size_t>(static_cast<std::size_t>(jobs), work.size()) : work.size();
    std::vector<std::thread> threads;
    for (std::size_t w = 0; w < workers; ++w) {
        threads.emplace_back([&] {
            for (std::size_t i; (i = next++) < work.size();) {
                results[i] = work[i]();
                std::lock_guard<std::mutex> lock(printing);
                print(command, results[i], json);
            }
        });
    }
    for (auto& t : threads) t.join();
    summary(results);
    return std::all_of(results.begin(), results.end(), [](const Result& r) { return r.ok; }) ? 0 : 1;
}
