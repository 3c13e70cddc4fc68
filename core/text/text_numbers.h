#pragma once
// Every number of the messages file the program uses, by name, in one place:
// message boxes from 1, the status line, diagnosis window and service report
// from 41, our own texts up to kMessageCount. Classes give these names
// shorter aliases; none defines a number of its own. The language-file test
// checks that each has a text in every language. Plain C++.
namespace qv::text::msg {

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
    MenuAbout = 107, MenuClose = 108, CommandUnfinished = 109,
    // Why a file was not read or written (the system words the other reasons).
    NotRegularFile = 110, FileTooLarge = 111, FileExists = 112,
    // A file the window did not read or write: "<name>: <why>" for %1.
    NotRead = 113, NotWrittenFile = 114,
    // A settings file that was refused: "<name>: <why>" for %1.
    SettingsRefused = 115,
    // An outage: a recording waits; bytes that are no reply; a connection
    // closed again and again; the red lamp's word that the program retries.
    RecordingWaits = 116, Garbled = 117, Closed = 118, Retrying = 119,
    // CheckFailedNote for one value.
    CheckFailedNoteOne = 120,
    // A set read from the meter, with its model.
    ReadDone = 121,
    // The journal of changes: a change not sent because its intent could
    // not be entered (box caption and text, "<file>" and "<why>"), the two
    // reasons of the journal's own, a refused command's status note.
    JournalTitle = 122, JournalRefused = 123, JournalLocked = 124, JournalLastLine = 125, CommandNotJournaled = 126,
    // The journal's window: its menu entry, filter, buttons.
    JournalMenu = 127, JournalPort = 128, JournalAllPorts = 129, JournalVerify = 130, JournalReload = 131,
    // The service report's section of the journal's changes.
    ReportChanges = 132, ReportNoChanges = 133,
    // The journal's window before any change was entered.
    JournalEmpty = 134,
    // The recording viewer.
    ViewerMenu = 135, ViewerTitle = 136, ViewerInfo = 137, ViewerUnreadable = 138, ViewerUnreadableOne = 139,
    ViewerBackwards = 140, ViewerBackwardsOne = 141, ViewerCurves = 142, ViewerGaps = 143, ViewerCurve = 144,
    ViewerAxis = 145, ViewerMin = 146, ViewerMax = 147, ViewerMean = 148, ViewerAtCursor = 149, ViewerLeft = 150,
    ViewerRight = 151, ViewerLane = 152, ViewerGapLine = 153, ViewerNoGaps = 154, ViewerOpen = 155,
    ViewerExport = 156, ViewerShowAll = 157, ViewerFollow = 158, ViewerCursorLine = 159, ViewerKeys = 160,
    ViewerExportFilter = 161, ViewerExported = 162, ViewerExportedOne = 163, ViewerPictureSaved = 164,
    ViewerNoRecording = 165, ViewerReading = 166, ViewerFollowing = 167, ViewerReplaced = 168,
    ViewerTimeFormat = 169, ViewerDayFormat = 170, ViewerOpenFilter = 171, ViewerEmpty = 172, ViewerPlot = 173,
    ViewerRange = 174,
    GraphExported = 175, GraphExportedOne = 176,
};

// The numbers above, for the language-file test.
inline constexpr int kUsed[] = {
    1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 41, 42, 43, 44, 45, 46, 47, 48,  49,  50,  51,
    52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74,  75,  76,  77,
    78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 101, 102, 103,
    104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125,
    126, 127, 128, 129, 130, 131, 132, 133, 134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146, 147,
    148, 149, 150, 151, 152, 153, 154, 155, 156, 157, 158, 159, 160, 161, 162, 163, 164, 165, 166, 167, 168, 169,
    170, 171, 172, 173, 174, 175, 176};

}  // namespace qv::text::msg

// Texts of the labels files that belong to no control, by the file that has
// them. Like the messages, every one is checked for a text in each language.
namespace qv::text::label {

enum : int {
    // Einstellungen_labels: why a port did not open (a server's take %1, the
    // server, and some %2, the system's reason or the server's answer).
    NoDevice = 1900, InUse = 1901, NoPermission = 1902, NotSerial = 1903, NoServer = 1904,
    SettingRefused = 1905, SettingUnconfirmed = 1906, ServerRefused = 1907, ServerSilent = 1908,
    // ... and what a screen reader says of the lamps and the refresh rate's marker.
    Connected = 1940, NotConnected = 1941, RefreshInvalid = 1942,
    // Konfigurieren_labels: comparisons and the write's verdict.
    NoDifferences = 1910, Verified = 1911, NotVerifiedOther = 1912, WithMeter = 1913, WithFile = 1914,
    NoWholeBlock = 1915, Byte = 1916, Differs = 1917, ReadBackDamaged = 1918, HeldAfterAll = 1919,
    KeptOld = 1920, NotWrittenOther = 1921, Unknown = 1922, NotVerified = 1923, Missing = 1924,
    NotSent = 1925, Acknowledged = 1926, NotAcknowledged = 1927,
    // A list from before the meter was identified again, %1 when that was.
    BeforeIdentified = 1935,
    // What a screen reader says of a row's markers, after its caption.
    Changed = 1928, Error = 1929,
    // Betrieb_labels: a value beyond what the page shows; the recording's file and its lines;
    // the recording indicator's name.
    Overflow = 1930, RecordInfo = 1931, Recording = 1932, RecordInfoOne = 1933,
    // Grafik_labels: what the chart's frame says when the chart failed.
    ChartFault = 1950,
};

// The numbers above by file, for the language-file test.
inline constexpr int kSettings[] = {1900, 1901, 1902, 1903, 1904, 1905, 1906, 1907, 1908, 1940, 1941, 1942};
inline constexpr int kConfiguration[] = {1910, 1911, 1912, 1913, 1914, 1915, 1916, 1917, 1918,
                                         1919, 1920, 1921, 1922, 1923, 1924, 1925, 1926, 1927, 1928, 1929, 1935};
inline constexpr int kOperation[] = {1930, 1931, 1932, 1933};
inline constexpr int kGraph[] = {1950};

}  // namespace qv::text::label

// Kommandozeile_texte: qv-cli's results, beside the verdicts and port
// failures it words from the pages' labels files.
namespace qv::text::cli {

enum : int {
    NoAnswer = 2001, WrongModel = 2002, CheckFailed = 2003, CheckPassed = 2004, NotWritten = 2005,
    NotReadable = 2006, Identified = 2007, IdentifiedVersion = 2008, Recorded = 2009, NothingRecorded = 2010,
    Allowed = 2011, DialoutFix = 2012, NotAModelFile = 2013, Differences = 2014, LinesNotWritten = 2015,
    Saved = 2016, TablePort = 2017, TableModel = 2018, TableTime = 2019, TableResult = 2020, TableFailed = 2021,
    InterruptedWrite = 2022, InterruptedNotStarted = 2023, Interrupted = 2024, Exists = 2025, RecordProgress = 2026,
    // The four counted ones above for a count of one.
    RecordedOne = 2027, DifferencesOne = 2028, LinesNotWrittenOne = 2029, RecordProgressOne = 2030,
    // The journal of changes.
    JournalRefused = 2031, OpWrite = 2032, OpLowFlow = 2033, OpZeroPoint = 2034, OpResetTotalizer = 2035,
    OpResetMinima = 2036, OpResetMaxima = 2037, OpResetError = 2038, OpStart = 2039, OpStop = 2040,
    OutcomeUnknown = 2041, JournalIntact = 2042, LineChanged = 2043, LineRemoved = 2044, LineInserted = 2045,
    NoJournalLine = 2046, Answered = 2047, NoReply = 2048, Acknowledged = 2049, NotAcknowledged = 2050,
    UnreadableLines = 2051,
    // A recording converted for other tools.
    NoRecording = 2052, LinesUnread = 2053, Converted = 2054,
    // 2053, 2054 and the journal's 2042, 2051 for a count of one.
    LinesUnreadOne = 2055, ConvertedOne = 2056, JournalIntactOne = 2057, UnreadableLinesOne = 2058,
};

inline constexpr int kUsed[] = {2001, 2002, 2003, 2004, 2005, 2006, 2007, 2008, 2009, 2010, 2011, 2012, 2013,
                                2014, 2015, 2016, 2017, 2018, 2019, 2020, 2021, 2022, 2023, 2024, 2025, 2026,
                                2027, 2028, 2029, 2030, 2031, 2032, 2033, 2034, 2035, 2036, 2037, 2038, 2039,
                                2040, 2041, 2042, 2043, 2044, 2045, 2046, 2047, 2048, 2049, 2050, 2051, 2052, 2053,
                                2054, 2055, 2056, 2057, 2058};

}  // namespace qv::text::cli

namespace qv::text {

// Which of a counted text's two forms a count takes: the one form for one,
// in French also for none; the other for every other count.
inline int counted(long long n, int language, int many, int one) {
    return n == 1 || (language == 2 && n == 0) ? one : many;
}

}  // namespace qv::text
