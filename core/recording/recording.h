#pragma once
// The measurement recording file, without Qt: model line, column header in
// the language of the first measurement, one line per delivered cycle.
// Everything is Windows-1252 bytes; every line ends with CR LF.
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/protocol/measurement.h"

namespace qv::recording {

// formatMeasurement with every byte below 0x20 removed and "." as ",".
std::string decimalComma(double value);
// Line 1: the model code text; codes without a table entry give "----".
std::string modelLine(int deviceCode);
// The header for language 0, 1 or 2 with the record's units, without its
// line end; nothing for any other language.
std::optional<std::string> recordingHeader(int language, const qv::protocol::MeasurementRecord& r);
// One measurement, without its line end.
std::string recordingDataLine(const qv::protocol::MeasurementRecord& r, const std::tm& localTime,
                              const std::string& lastErrorText);
// A chosen path without ".csv" gets it, unless its fourth character from the
// end is a dot (another extension, or ".CSV"): that is used as it is.
std::string withCsvExtension(const std::string& path);

// Where the bytes go: one file, kept open from its creation to the end of
// the recording, every line on the disk before the next is written (a
// killed program, or a power cut, leaves whole lines), so a path renamed or replaced meanwhile does
// not redirect later lines. Failures are errno values, 0 for none, or
// kNotRegularFile.
inline constexpr int kNotRegularFile = -1;  // a directory, a device, a pipe is there: never written
class RecordingSink {
public:
    virtual ~RecordingSink() = default;
    // Creates the file, through a link to its target, writes bytes, keeps it
    // open. An existing regular file is emptied, or, exclusive, refused
    // (EEXIST); anything else at the path is refused unopened.
    virtual int create(const std::string& path, const std::string& bytes, bool exclusive) = 0;
    // Appends all bytes or none (a part that did not fit is cut back off).
    // A file removed meanwhile is created anew at its path, never over
    // another file of that name.
    virtual int append(const std::string& bytes) = 0;
    virtual void close() = 0;
};
std::unique_ptr<RecordingSink> makeFileSink();  // the system's files

// Why a recording cannot write, as the user can act on it.
enum class WriteTrouble { None, DiskFull, ReadOnly, NoPermission, Removed, NotRegular, Exists, Other };
WriteTrouble troubleOf(int error);

// Recording state: off, on with the header pending, on; and whether lines
// cannot be written at the moment (paused by the file, not by the meter).
class Recorder {
public:
    Recorder();
    explicit Recorder(RecordingSink& sink);
    // Tests: where the bytes go instead of the system's files.
    void setSink(RecordingSink& sink) { sink_ = &sink; }

    // Creates the file with its model line; 0, or the errno (recording off).
    // replace false: an existing file is refused (EEXIST), never emptied.
    int start(const std::string& path, int deviceCode, bool replace = true);
    struct Outcome {
        bool written = false;
        bool newTrouble = false;  // this line began a failure (the one to tell the user of)
        bool resumed = false;     // this line ended one
        int error = 0;
    };
    // Header (when pending) and the data line in one append. A line that
    // cannot be written is lost, the header stays pending, the recording
    // goes on and tries again with the next.
    Outcome writeLine(const qv::protocol::MeasurementRecord& r, int language, const std::tm& localTime,
                      const std::string& lastErrorText);
    void stop();

    bool recording() const { return recording_; }
    bool headerPending() const { return headerPending_; }
    // The errno of the failure that lasts, 0 while lines are written.
    int failing() const { return failing_; }
    const std::string& path() const { return path_; }
    // Measurement lines the file holds (header and model line not counted).
    int lines() const { return lines_; }

private:
    std::unique_ptr<RecordingSink> own_;
    RecordingSink* sink_;
    std::string path_;
    bool recording_ = false;
    bool headerPending_ = false;
    int failing_ = 0;
    int lines_ = 0;
};

}  // namespace qv::recording
