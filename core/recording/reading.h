#pragma once
// Reading a recording back, for a viewer and for other tools: any file this
// program or qv-cli wrote, in any header language, taken a piece at a time
// (a week is some 50 MB, and a file still being recorded grows), held as
// columns of values rather than as lines of text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv::recording {

// What can be drawn: the ten values in the header's order, the low-flow
// suppression, the four contacts (0 or 1, as written).
enum Curve : int {
    FlowVelocity, FlowVelocityMin, FlowVelocityMax, VolumeFlow, VolumeFlowMin, VolumeFlowMax,
    Temperature, TemperatureMin, TemperatureMax, Totalizer, LowFlow, Ls1, Ls2, Availability, ErrorContact,
    kCurves
};
inline constexpr int kValueCurves = 10;
bool isContact(int curve);
// A curve's name as the recording's header in language 0, 1 or 2 calls it
// ("Strömung Akt", "LS1", …), Windows-1252, without its unit.
std::string curveName(int curve, int language);

// Far beyond a year's recording at a 2-second refresh: no recording is larger.
inline constexpr std::size_t kMaxRecordingBytes = std::size_t(1) << 30;

struct Recording {
    std::string model;       // line 1 as written
    int language = -1;       // the header's, -1 when none was written
    std::string units[10];   // from the header, Windows-1252
    // One entry per line taken, in the file's order. The time is the local
    // wall-clock time as written (no zone is recorded), in seconds counted
    // as if it were UTC, so that day and hour boundaries fall where the
    // recording's clock had them.
    std::vector<std::int64_t> time;
    std::vector<double> values[kValueCurves];
    std::vector<std::uint8_t> lowFlow;
    std::vector<std::uint8_t> contacts;   // bit 0 LS1, 1 LS2, 2 availability, 3 error contact
    std::vector<std::uint32_t> error;     // into errorTexts
    std::vector<std::string> errorTexts;  // each last-error text once, Windows-1252
    std::vector<std::uint32_t> fileLine;  // 1-based
    // Lines that are none (1-based file lines; a cut-off last line is not counted).
    long unreadable = 0, firstUnreadable = 0;
    // Lines dated before the line taken before them (a clock set back), when
    // the reader keeps time order: counted, not taken.
    long backwards = 0, firstBackwards = 0;

    std::size_t size() const { return time.size(); }
    double at(int curve, std::size_t i) const;
    // Bytes the columns hold (the viewer's memory, the benchmark's measure).
    std::size_t bytes() const;
};

// The bytes as they come: whole lines are taken, the rest waits for more.
class RecordingReader {
public:
    // inTimeOrder: a line dated before the last one taken is left out (a
    // time axis needs them in order); otherwise every line is taken.
    explicit RecordingReader(bool inTimeOrder = false) : inTimeOrder_(inTimeOrder) {}
    // False once the bytes are known to be no recording (line 1 is no model
    // line); nothing more is taken then.
    bool feed(std::string_view bytes);
    // Whether what came so far reads as a recording: a model line and a
    // header or a line that reads.
    bool isRecording() const { return !refused_ && lines_ >= 1 && (rec_.language >= 0 || taken_ > 0); }
    bool refused() const { return refused_; }
    Recording& recording() { return rec_; }
    const Recording& recording() const { return rec_; }
    // Room for about this many lines at once (a file's size tells it), and
    // the room not taken given back once the file is read.
    void reserve(std::size_t lines);
    void shrink();
    // Lines taken in all, also those handed on and dropped.
    long taken() const { return taken_; }
    // Forgets the lines taken so far (a converter that has written them),
    // keeping the header, the counts and the line numbering.
    void dropLines();
    // Bytes after the last line end, waiting (a line being written, or a cut-off one).
    std::size_t pending() const { return pending_.size(); }

private:
    void line(std::string_view text);
    std::string pending_;
    Recording rec_;
    std::unordered_map<std::string, std::uint32_t> errorIndex_;
    long lines_ = 0, taken_ = 0;
    std::int64_t lastTime_ = INT64_MIN;
    std::uint32_t lastError_ = 0;
    bool inTimeOrder_;
    bool refused_ = false;
    bool skipping_ = false;  // within a line too long to be one
};

// A whole recording at once; nullopt when the bytes are none.
std::optional<Recording> readRecording(std::string_view bytes, bool inTimeOrder = false);

// Seconds counted as if UTC (see Recording::time) for a date and time, and back.
std::int64_t wallSeconds(int year, int month, int day, int hour, int minute, int second);
struct WallTime {
    int year, month, day, hour, minute, second;
};
WallTime wallTime(std::int64_t seconds);
// "2026-03-04T05:06:07", or "2026-03-04", "2026-03-04 05:06", … as a user
// types them; the first moment a shorter form names. nullopt otherwise.
std::optional<std::int64_t> parseWallTime(std::string_view text);

// The recording for other tools: UTF-8, ISO 8601 local time, decimal
// point, one header line with units (English names). Lines [from, to) of
// the columns; the header only when header is true (a converter writing
// piece by piece).
std::string exportCsv(const Recording& r, std::size_t from, std::size_t to, bool header = true);
inline std::string exportCsv(const Recording& r) { return exportCsv(r, 0, r.size()); }

// --- what a viewer draws and lists ----------------------------------------------

// Where the recording was silent: the line before a gap, and the one after.
struct Gap {
    std::size_t before, after;
};
// The usual spacing of lines in seconds (the median, at least 1), and the
// gaps longer than twice it (an outage, a pause) — never shorter than
// spacing + 2 s, so the clock's whole seconds alone make none.
std::int64_t usualSpacing(const Recording& r);
std::vector<Gap> findGaps(const Recording& r, std::int64_t spacing);

// The lines in [t0, t1] of a recording in time order: [first, last).
std::pair<std::size_t, std::size_t> linesBetween(const Recording& r, double t0, double t1);
// The line nearest a time.
std::size_t nearestLine(const Recording& r, double t);

// One pixel column of a curve: the first and last line in it and the
// smallest and largest value, so no spike is lost when a column holds many
// lines and a line is drawn where it is when it holds one.
struct Column {
    std::size_t first = 0, last = 0;  // last inclusive; first > last when empty
    double min = 0, max = 0;
    bool empty() const { return first > last; }
};
// Per curve the extremes of each block of lines, so that a column of a
// zoomed-out view is taken from a few blocks instead of from every line.
class Summaries {
public:
    static constexpr std::size_t kBlock = 64;
    struct Block {
        double min = 0, max = 0;
        std::size_t first = 1, last = 0;  // the lines that are numbers; first > last when none
    };
    // Takes the lines added since the last update (a file that grows).
    void update(const Recording& r);
    const std::vector<Block>& blocks(int curve) const { return blocks_[curve]; }
    std::size_t lines() const { return lines_; }

private:
    std::vector<Block> blocks_[kCurves];
    std::size_t lines_ = 0;
};

// columns columns across [t0, t1]: column k holds the lines whose time t
// has floor((t - t0) / (t1 - t0) * columns) == k. With summaries (of the
// same recording, up to date) whole blocks are taken at once.
void envelope(const Recording& r, int curve, double t0, double t1, int columns, std::vector<Column>& out,
              const Summaries* summaries = nullptr);

struct Summary {
    double min = 0, max = 0, mean = 0;
    std::size_t count = 0;  // values that are numbers
};
Summary summarize(const Recording& r, int curve, std::size_t first, std::size_t last);

}  // namespace qv::recording
