#pragma once
// The measurement recording file, without Qt: model line, column header in
// the language of the first measurement, one line per delivered cycle.
// Everything is Windows-1252 bytes; every line ends with CR LF.
#include <ctime>
#include <optional>
#include <string>

#include "device/measurement.h"

namespace qv::operation {

// formatMeasurement with every byte below 0x20 removed and "." as ",".
std::string decimalComma(double value);
// Line 1: the model code text; codes without a table entry give "----".
std::string modelLine(int deviceCode);
// The header for language 0, 1 or 2 with the record's units, without its
// line end; nothing for any other language.
std::optional<std::string> recordingHeader(int language, const qv::device::MeasurementRecord& r);
// One measurement, without its line end.
std::string recordingDataLine(const qv::device::MeasurementRecord& r, const std::tm& localTime,
                              const std::string& lastErrorText);
// A chosen path without ".csv" gets it, unless its fourth character from the
// end is a dot (another extension, or ".CSV"): that is used as it is.
std::string withCsvExtension(const std::string& path);

// Where the bytes go. Each call opens, writes and closes the file.
class RecordingSink {
public:
    virtual ~RecordingSink() = default;
    // Creates the file, truncating an existing one.
    virtual bool create(const std::string& path, const std::string& bytes) = 0;
    // Appends; never truncates.
    virtual bool append(const std::string& path, const std::string& bytes) = 0;
};
RecordingSink& fileSink();  // the C library's files

// Recording state: off, on with the header pending, on.
class Recorder {
public:
    explicit Recorder(RecordingSink& sink = fileSink()) : sink_(&sink) {}
    void setSink(RecordingSink& sink) { sink_ = &sink; }

    // Creates the file with its model line; false (and off) when that failed.
    bool start(const std::string& path, int deviceCode);
    // Header (when pending) and the data line in one append. False when the
    // file could not be written: the line is lost, the header stays pending.
    bool writeLine(const qv::device::MeasurementRecord& r, int language, const std::tm& localTime,
                   const std::string& lastErrorText);
    void stop() { recording_ = false; }

    bool recording() const { return recording_; }
    bool headerPending() const { return headerPending_; }
    const std::string& path() const { return path_; }

private:
    RecordingSink* sink_;
    std::string path_;
    bool recording_ = false;
    bool headerPending_ = false;
};

}  // namespace qv::operation
