#pragma once
// qv-cli's work, without a window: each command on one meter (or file) at a
// time, over the session that owns a meter's connection and the meter core,
// so its files, lines and verdicts are the window's own. main.cpp parses the
// command line, runs these for many ports at once and prints the outcomes.
#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/link/session.h"
#include "core/recording/recording.h"
#include "core/text/words.h"

namespace qv::cli {

struct Result {
    std::string port;                  // as given
    std::string device;                // what it reached ("ttyUSB0", "rfc2217 plant-gw:4001")
    std::string model;                 // the model's code text; empty when unknown
    std::optional<float> version;      // identify: the software version
    bool ok = false;
    std::string result;                // one line: what was done, or why not
    std::string verdict;               // write: the verdict's name ("verified", "kept-old", ...)
    bool differs = false;              // compare: the two sets differ
    std::vector<std::string> details;  // difference lines, values outside their range
    std::string file;                  // a file written
    int lines = 0;                     // record: measurement lines written
    double seconds = 0;
};

struct Context {
    // The words, from the same text files the window reads.
    qv::text::Words words;
    // Where port numbers find their devices.
    qv::link::PortSetup ports;
    bool verify = false;
    // An existing output file is replaced only when asked; refused otherwise.
    bool force = false;
    // read: a folder, or a file for one port; record: likewise for the CSV.
    std::string output;
    bool outputIsDir = false;
    double recordSeconds = 0;                 // 0: until stop
    // convert: the lines in [from, to) of the recording's own clock (wall seconds).
    std::optional<std::int64_t> from, to;
    const std::atomic<bool>* stop = nullptr;  // Ctrl+C: recordings end with whole lines
    // Where every change goes before its first byte (none: not journaled).
    std::optional<qv::journal::Writer> journal;
    // A recording's lines so far, as each is written (a terminal shows them).
    std::function<void(const std::string& port, int lines)> onLines;
    // Where links come from and whether a device is there; the port layer's
    // unless tests stand in.
    qv::link::Session::MakeLink makeLink;
    qv::link::Session::Present present;
};

// The port as the window would reach it: "COM5" or "5" by its number (the
// start-up entry, [PORTS], the system's ports), or a device path or a
// server's "tcp://" / "rfc2217://" address as it is.
Result identify(const Context& c, const std::string& port);
Result readSet(const Context& c, const std::string& port);
Result checkFile(const Context& c, const std::string& file);
// Reads the meter's set first, as the window holds its last read, so the
// verdict can tell a meter that kept its old set from one that holds another.
Result writeSet(const Context& c, const std::string& file, const std::string& port);
// Each side a port or a file: a name that is a regular file, or a missing
// one that ends in ".kt740", is a file; any other name a port.
Result compare(const Context& c, const std::string& a, const std::string& b);
Result record(const Context& c, const std::string& port);
// A recording (any header language, Windows-1252, decimal comma) as CSV for
// other tools: UTF-8, ISO 8601 time, decimal point, one header line with
// units, into c.output (never over a file without c.force).
Result convert(const Context& c, const std::string& file);

// Polls every port as the window polls it and publishes each meter on an
// MQTT broker as Sparkplug B until *c.stop: NBIRTH (the will its NDEATH),
// DBIRTH with the first cycle after an identification, DDATA per cycle,
// DDEATH when the session declares the meter lost; connected again with a
// growing pause, the cycles of the time the broker was away kept and sent
// after as historical. Device commands are refused. say: what to tell.
struct PublishOptions {
    std::string broker;  // "tcp://HOST:PORT"
    std::string group = "qv", node;
};
int publish(const Context& c, const std::vector<std::string>& ports, const PublishOptions& o,
            std::function<void(const std::string&)> say);

// The journal's entries, oldest first, one line each (time, user, port,
// model, operation, verdict, changes); port "" and since "" for all. With
// json, one object a line. Returns the exit code (0, or 3 when the journal
// could not be read; a reason goes to err).
int listJournal(const qv::text::Words& w, const std::string& path, const std::string& port, const std::string& since,
                bool json, std::string& out, std::string& err);
// The chain from the first line to the last: 0 intact, 1 with the first
// line that was changed, removed or inserted named, 3 not readable.
int verifyJournal(const qv::text::Words& w, const std::string& path, std::string& out);

// A parameter row's caption in the words' language (without its access key).
std::string caption(const qv::text::Words& words, int control);

// One meter's recording, as the window writes it: model line, the header in
// the language of the first cycle, one line per whole cycle.
class Recording {
public:
    explicit Recording(const qv::text::Words& words) : words_(words) {}
    // 0, or the errno why the file could not be made (EEXIST: there
    // already, and not to be replaced; qv::recording::kNotRegularFile).
    int start(const std::string& path, int deviceCode, bool replace = true);
    // A cycle at the wall-clock time now; false when its line could not be written.
    bool write(const qv::protocol::MeasurementRecord& record, std::time_t now);
    void stop() { recorder_.stop(); }
    int lines() const { return recorder_.lines(); }

private:
    const qv::text::Words& words_;
    qv::recording::Recorder recorder_;
};

// What ports reach, as the window's list shows them: COM1 to COM9, or the
// ports given (numbers, device paths, server addresses).
struct PortEntry {
    std::string name;   // "COM5", or the path or address as given
    std::string label;  // "COM5 – rfc2217 plant-gw:4001", "ttyUSB0"
    std::string path;   // what is opened; empty when it reaches nothing
};
std::vector<PortEntry> portList(const qv::link::PortSetup& ports, const std::vector<std::string>& given = {});
std::string toJson(const PortEntry& p);

// One result as one JSON object on one line.
std::string toJson(const std::string& command, const Result& r);

}  // namespace qv::cli
