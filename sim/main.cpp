// kt740-sim: a KT740 flow meter on a pseudo terminal, for running and testing
// QV-Gui without the hardware.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <strings.h>
#include <system_error>

#include "sim/meter.h"
#include "sim/pty_server.h"

namespace {

std::atomic<bool> g_stop{false};   // lock-free, so safe to set from a signal handler

std::atomic<bool> g_toggleFaults{false};

// KT740-GX-M1D4A1S1: low flow, both limit contacts and every output, so each
// control of the Operation and Configuration pages has something to show.
constexpr int kDefaultModel = 27;

void onSignal(int) { g_stop.store(true); }
void onToggle(int) { g_toggleFaults.store(true); }

const char* const kUsage =
    "Usage: kt740-sim [options]\n"
    "Simulates a KT740 flow meter on a pseudo terminal reached through a link.\n"
    "\n"
    "  --link PATH          link to the terminal (default COM1 in the current directory)\n"
    "  --for-qv-gui[=N]     link as COMN (default COM1, N 1..9) where the installed qv-gui looks:\n"
    "                       $XDG_DATA_HOME/qv-gui, else ~/.local/share/qv-gui (made when missing)\n"
    "  --model N            model code sent to the PC, 1..45; 0, >45 or negative to test bad codes\n"
    "                       (default 27)\n"
    "  --version X.YZ       software version (default 1.23)\n"
    "  --seed N             seed of the measurement noise and the faults (default 1)\n"
    "  --trace              print every byte received and sent, with a time stamp\n"
    "  --silent             never answer\n"
    "  --drop P             lose a reply with probability P (0..1)\n"
    "  --lose P             lose what the PC sends, one write at a time, with probability P\n"
    "  --wrong-length P     cut or lengthen a reply by one byte with probability P\n"
    "  --cut P              cut a reply by one byte with probability P\n"
    "  --lengthen P         lengthen a reply by one byte with probability P\n"
    "  --garbage P          send a burst of random bytes with probability P every 100 ms\n"
    "  --babble RATE        a babbling line: RATE random bytes a second, without pause\n"
    "  --flood              now and then send a reply longer than 80 bytes\n"
    "  --delay MS           answer MS milliseconds late (0..60000)\n"
    "  --zero-result R      byte that ends a zero-point adjustment: 9E, 9D, 9F or none (default 9E)\n"
    "  --error N            error code reported from the start, 0..255 (default 0)\n"
    "  --low-flow-silent AT stay silent in the low-flow exchange: at the command or the block\n"
    "  --plant OFFSET=BYTE  set a byte of the stored parameter block at start (repeatable)\n"
    "  --store-fault OFFSET acknowledge a parameter write but store that block byte with bit 0 flipped\n"
    "  --iac-temperature    the temperature reads 127.5 (42 FF 00 00: a byte 0xFF inside a float)\n"
    "  --refuse-write       take a whole parameter frame without acknowledging it, and keep the stored set\n"
    "  --help               show this text\n"
    "\n"
    "SIGUSR1 switches the faults off, and on again at the next SIGUSR1.\n";

[[noreturn]] void usageError(const std::string& message) {
  std::fprintf(stderr, "kt740-sim: %s\nTry 'kt740-sim --help'.\n", message.c_str());
  std::exit(2);
}

long parseInt(const std::string& opt, const std::string& text, long lo, long hi) {
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || v < lo || v > hi)
    usageError(opt + " needs a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) +
               ", not '" + text + "'");
  return v;
}

double parseReal(const std::string& opt, const std::string& text, double lo, double hi) {
  errno = 0;
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno != 0 || !(v >= lo && v <= hi))
    usageError(opt + " needs a number from " + std::to_string(lo).substr(0, 3) + " to " +
               std::to_string(hi).substr(0, 3) + ", not '" + text + "'");
  return v;
}

std::string modelText(int code) {
  static const char* const options[] = {"",     "P2",   "D4",   "A1",   "A2",   "I1",   "I2",  "P2A1",
                                        "P2A2", "P2I1", "P2I2", "D4A1", "D4A2", "D4I1", "D4I2"};
  if (code < 1 || code > 45) return "no such model";
  int g = (code - 1) / 15, k = (code - 1) % 15;
  return std::string("KT740-") + (g == 1 ? "GX-" : g == 2 ? "FX-" : "") + "M1" + options[k] + "S1";
}

// The directory the launcher qv-gui starts the program in, found as it finds
// it, and made when missing (the simulator may well run before qv-gui ever did).
std::string qvGuiDirectory() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  std::filesystem::path dir;
  if (xdg && xdg[0] == '/') dir = std::filesystem::path(xdg) / "qv-gui";
  else if (home && home[0]) dir = std::filesystem::path(home) / ".local/share/qv-gui";
  if (dir.empty()) {
    std::fputs("kt740-sim: --for-qv-gui: HOME is not set\n", stderr);
    std::exit(1);
  }
  std::error_code ec;
  if (std::filesystem::create_directories(dir, ec)) std::printf("kt740-sim: made %s\n", dir.c_str());
  if (ec) {
    std::fprintf(stderr, "kt740-sim: cannot make %s: %s\n", dir.c_str(), ec.message().c_str());
    std::exit(1);
  }
  return dir.string();
}

}  // namespace

int main(int argc, char** argv) {
  qv::sim::MeterConfig config;
  config.modelCode = kDefaultModel;
  std::string link = "COM1";
  bool linkGiven = false;
  int forQvGui = 0;   // the port number to link as in qv-gui's directory, 0: not asked for
  bool trace = false;

  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i], value;
    bool hasValue = false;
    if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
      hasValue = true;
    }
    auto needValue = [&]() -> std::string {
      if (hasValue) return value;
      if (i + 1 >= argc) usageError(arg + " needs a value");
      return argv[++i];
    };
    auto noValue = [&] {
      if (hasValue) usageError(arg + " takes no value");
    };

    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--link") {
      link = needValue();
      if (link.empty()) usageError("--link needs a path");
      linkGiven = true;
    } else if (arg == "--for-qv-gui") {
      forQvGui = hasValue ? int(parseInt(arg, value, 1, 9)) : 1;
    } else if (arg == "--model") {
      config.modelCode = int(parseInt(arg, needValue(), -128, 255));
    } else if (arg == "--version") {
      config.softwareVersion = float(parseReal(arg, needValue(), 0.0, 99.99));
    } else if (arg == "--seed") {
      config.seed = uint32_t(parseInt(arg, needValue(), 0, 4294967295L));
    } else if (arg == "--trace") {
      noValue();
      trace = true;
    } else if (arg == "--silent") {
      noValue();
      config.silent = true;
    } else if (arg == "--drop") {
      config.dropRate = parseReal(arg, needValue(), 0.0, 1.0);
    } else if (arg == "--lose") {
      config.loseRate = parseReal(arg, needValue(), 0.0, 1.0);
    } else if (arg == "--wrong-length") {
      config.wrongLengthRate = parseReal(arg, needValue(), 0.0, 1.0);
      config.wrongLengthSign = 0;
    } else if (arg == "--cut" || arg == "--lengthen") {
      config.wrongLengthRate = parseReal(arg, needValue(), 0.0, 1.0);
      config.wrongLengthSign = arg == "--cut" ? -1 : 1;
    } else if (arg == "--garbage") {
      config.garbageRate = parseReal(arg, needValue(), 0.0, 1.0);
    } else if (arg == "--babble") {
      config.babbleBytesPerSecond = int(parseInt(arg, needValue(), 1, 1000000));
    } else if (arg == "--flood") {
      noValue();
      config.flood = true;
    } else if (arg == "--delay") {
      config.replyDelayMs = int(parseInt(arg, needValue(), 0, 60000));
    } else if (arg == "--zero-result") {
      std::string r = needValue();
      if (strcasecmp(r.c_str(), "9E") == 0) config.zeroResult = qv::sim::kStatus9E;
      else if (strcasecmp(r.c_str(), "9D") == 0) config.zeroResult = qv::sim::kStatus9D;
      else if (strcasecmp(r.c_str(), "9F") == 0) config.zeroResult = qv::sim::kStatus9F;
      else if (strcasecmp(r.c_str(), "none") == 0) config.zeroResult = qv::sim::kNoZeroResult;
      else usageError("--zero-result needs 9E, 9D, 9F or none, not '" + r + "'");
    } else if (arg == "--error") {
      config.errorCode = int(parseInt(arg, needValue(), 0, 255));
    } else if (arg == "--low-flow-silent") {
      std::string at = needValue();
      if (at == "command") config.lowFlowSilence = qv::sim::LowFlowSilence::Command;
      else if (at == "block") config.lowFlowSilence = qv::sim::LowFlowSilence::Block;
      else usageError("--low-flow-silent needs command or block, not '" + at + "'");
    } else if (arg == "--plant") {
      const std::string v = needValue();
      const auto eq = v.find('=');
      if (eq == std::string::npos) usageError("--plant needs OFFSET=BYTE, not '" + v + "'");
      config.plantedBytes.emplace_back(int(parseInt(arg, v.substr(0, eq), 0, 70)),
                                       uint8_t(parseInt(arg, v.substr(eq + 1), 0, 255)));
    } else if (arg == "--store-fault") {
      config.storeFaultAt = int(parseInt(arg, needValue(), 0, 70));
    } else if (arg == "--iac-temperature") {
      config.iacTemperature = true;
    } else if (arg == "--refuse-write") {
      config.refuseWrite = true;
    } else {
      usageError("unknown option '" + arg + "'");
    }
  }

  if (forQvGui && linkGiven) usageError("--link and --for-qv-gui both say where to link; give one");
  if (forQvGui) link = qvGuiDirectory() + "/COM" + std::to_string(forQvGui);

  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;   // no SA_RESTART: the wait in poll() ends at once
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  sa.sa_handler = onToggle;
  sigaction(SIGUSR1, &sa, nullptr);

  qv::sim::Meter meter(config, 0);
  qv::sim::PtyServer server(meter, link, trace, stdout);
  std::string error;
  if (!server.open(error)) {
    std::fprintf(stderr, "kt740-sim: %s\n", error.c_str());
    return 1;
  }
  int family = qv::sim::familyOfModel(config.modelCode);
  std::printf("kt740-sim: model %d (%s), family %d, software %.2f\n", config.modelCode,
              modelText(config.modelCode).c_str(), family, double(config.softwareVersion));
  std::printf("kt740-sim: pty %s, link %s\n", server.slavePath().c_str(), server.linkPath().c_str());
  if (forQvGui) std::printf("kt740-sim: start qv-gui; this is its port COM%d (Settings page)\n", forQvGui);
  std::fflush(stdout);

  int rc = server.run(g_stop, &g_toggleFaults);
  server.close();
  if (rc != 0) std::fprintf(stderr, "kt740-sim: the terminal failed: %s\n", std::strerror(errno));
  return rc;
}
