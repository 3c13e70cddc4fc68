#pragma once
// The journal of every change made to a meter: one JSON object a line,
// appended only, each line carrying the SHA-256 of the line before it. An
// intent line goes to the disk before the first byte of a change is sent; an
// outcome line, referring to it, after the exchange. Several programs may
// append to one file: a line is appended whole under a lock held only for it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/params/transfer.h"

namespace qv::journal {

// The changes a technician can make.
enum class Operation {
    ParameterWrite, LowFlow, ZeroPoint, ResetTotalizer, ResetMinima, ResetMaxima, ResetError,
    StartMeasurement, StopMeasurement,
};
// Stable names in the file ("parameter-write", ...); nullopt for an unknown one.
const char* operationName(Operation op);
std::optional<Operation> operationOf(const std::string& name);

// The journal's name in the program's data folder, where it is when nothing
// else names one.
inline constexpr const char* kFileName = "journal.jsonl";

// What a parameter row holds, as the page shows it.
struct Parameter {
    int control = 0;
    std::string caption, value, unit;
};
// Names parameter rows for the journal (the labels file's caption, UTF-8).
using CaptionFn = std::function<std::string(int control)>;
std::vector<Parameter> describeSet(const qv::params::ParameterSet& set, int uiLanguage, const CaptionFn& caption);

struct Change {
    std::string caption, from, to;
};

// The meter a change goes to, as the session knows it.
struct Target {
    int port = 0;          // 0: a device named directly
    std::string reached;   // the device or the server's address
    std::string model;     // model code text as identified; empty when not identified
    std::string software;  // software version as identified
};

struct Intent {
    Operation op = Operation::ParameterWrite;
    Target target;
    int lowFlowPercent = -1;                            // LowFlow: 1..10
    std::optional<qv::params::ParameterSet> before;     // ParameterWrite: as last read from this meter
    std::optional<qv::params::ParameterSet> sent;       // ParameterWrite
};
struct Outcome {
    // "acknowledged", "not-acknowledged", "not-sent", or a low-flow word
    // ("accepted", "below", "above", "no-reply", "unknown-reply").
    std::string answer;
    std::string verdict;                                // a write's verdictName; empty otherwise
    std::vector<Change> changes;                        // old -> new, by row
};

// Who writes: the program and its version; user and host are found here.
struct Writer {
    std::string path;
    std::string program, version;
    int uiLanguage = 0;  // the language of captions and values in the lines
    CaptionFn caption;
};

// Why a line could not be appended: an errno, or one of these.
inline constexpr int kNotRegularFile = -1;   // a directory, device, pipe is at the path
inline constexpr int kLocked = -2;           // another program held the lock too long
inline constexpr int kLastLineTooLong = -3;  // the journal's last line is no line of ours
struct Appended {
    int error = 0;
    long seq = 0;  // the line's number in the chain (from 1)
    bool ok() const { return error == 0; }
};
Appended appendIntent(const Writer& w, const Intent& intent);
Appended appendOutcome(const Writer& w, long intentSeq, const Outcome& outcome);

// --- reading ------------------------------------------------------------------
struct Record {
    long line = 0;  // 1-based line of the file
    long seq = 0;
    bool intent = true;
    long refers = 0;  // an outcome's intent seq
    std::string time, user, host, program, version;
    Target target;
    std::string operation;
    int lowFlowPercent = -1;
    std::vector<Parameter> before, sent;
    std::string answer, verdict;
    std::vector<Change> changes;
};
struct Entry {
    Record intent;
    std::optional<Record> outcome;  // none: "outcome unknown"
};
struct Reading {
    int error = 0;  // the file itself could not be read (errno, kNotRegularFile, EFBIG)
    std::vector<Entry> entries;  // oldest first
    long unreadable = 0;         // lines that are not journal lines
    long firstUnreadable = 0;
};
// Files beyond this are refused, so a wrong path never climbs in memory.
inline constexpr std::uint64_t kMaxJournalBytes = 512ull << 20;
inline constexpr std::size_t kMaxLineBytes = 1u << 20;
Reading read(const std::string& path);
Reading readBytes(const std::string& bytes);  // the fuzz target's door

// The chain checked from the first line to the last.
struct Verification {
    int error = 0;     // as Reading::error
    long lines = 0;
    long badLine = 0;  // 0: intact
    enum class Fault { None, Changed, Removed, Inserted, NotALine } fault = Fault::None;
};
Verification verify(const std::string& path);
Verification verifyBytes(const std::string& bytes);

}  // namespace qv::journal
