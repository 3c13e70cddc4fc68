#pragma once
// Every number of the messages file the program uses, by name, in one place:
// message boxes from 1, the status line, diagnosis window and service report
// from 41, our own texts up to kMessageCount. Classes give these names
// shorter aliases; none defines a number of its own. The language-file test
// checks that each has a text in every language. Plain C++.
namespace qv::app::msg {

enum : int {
    // Message boxes.
    CheckFailed = 1, NotWritten = 2, SaveTitle = 3, File = 4, LoadTitle = 5, Written = 6, LowFlowSet = 7,
    NoAck = 8, Zero9E = 9, Zero9D = 10, Zero9F = 11, NoZeroResult = 12, RecordTitle = 13, RecordFile = 14,
    LanguageChanged = 15,
    // The status line.
    PortModel = 41, SinceCycle = 42, NoCycleYet = 43, Counters = 44, Silent = 45, Lost = 46, NoPort = 47,
    NoMeter = 48, NotPolling = 49, ReadNoLink = 50, ReadNoFamily = 51, ReadNoBlock = 52, CheckPassed = 53,
    RecordingPaused = 54, StaleSince = 55,
    // The diagnosis window (61 is also the status line's button).
    TraceTitle = 56, TracePause = 57, TraceClear = 58, TraceSave = 59, TraceClose = 60, TraceOpen = 61,
    TraceHeader = 62, TraceSaveTitle = 63,
    // The service report.
    ReportTitle = 64, ReportPort = 65, ReportModel = 66, ReportSoftware = 67, ReportParameters = 68,
    ReportMeasurement = 69, ReportNote = 70, ReportAction = 71, ReportSave = 72, ReportFlow = 73, ReportVolume = 74,
    ReportTemperature = 75, ReportTotal = 76, ReportContacts = 77, ReportError = 78, ReportSaveTitle = 79,
    // Configuration notes.
    ReadDamaged = 80, CheckFailedNote = 81,
    // Recording trouble.
    RecordingPausedBy = 82, DiskFull = 83, ReadOnly = 84, NoPermission = 85, Removed = 86, NotStarted = 87,
    // One-byte commands and the measuring state.
    Answered = 88, NoAnswer = 89, NotSent = 90, MeasuringRuns = 91, MeasuringStopped = 92, MeasuringUnknown = 93,
    // Where a parameter set came from.
    Source = 94, FromMeter = 95, FromFile = 96, ByHand = 97, EditedSince = 98, NoSet = 99, Exists = 100,
    // Where a file went; the window menu.
    Saved = 101, Loaded = 102, RecordingTo = 103, ReportSaved = 104, TraceSaved = 105, MenuMinimize = 106,
    MenuAbout = 107, MenuClose = 108,
};

// The numbers above, for the language-file test.
inline constexpr int kUsed[] = {
    1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 41, 42, 43, 44, 45, 46, 47, 48,  49,  50,  51,
    52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74,  75,  76,  77,
    78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 101, 102, 103,
    104, 105, 106, 107, 108};

}  // namespace qv::app::msg
