// The Operation page's rules and the recording file format, without Qt.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>

#include "core/recording/format.h"
#include "core/recording/recording.h"
#include "tests/support/flaky_sink.h"
#include "tests/support/temp_dir.h"

using namespace qv::recording;
using qv::protocol::MeasurementRecord;

namespace {

std::string fmt(float v) { return formatMeasurement(static_cast<double>(v)); }

MeasurementRecord sample() {
    MeasurementRecord r;
    r.flowVelocity = 1.5f;
    r.flowVelocityMin = 0.25f;
    r.flowVelocityMax = 2.75f;
    r.volumeFlow = 12.345f;
    r.volumeFlowMin = 10.0f;
    r.volumeFlowMax = 99.5f;
    r.temperature = -3.5f;
    r.temperatureMin = -250.25f;
    r.temperatureMax = 123456.7f;
    r.totalizer = 100.0f;
    r.flowVelocityUnit = "m/s";
    r.volumeFlowUnit = "m\xB3/h";
    r.temperatureUnit = "\xB0" "C";
    r.totalizerUnit = "m\xB3";
    r.contactStates = 5;
    r.lowFlowCutoff = 3;
    return r;
}

std::tm at(int y, int mo, int d, int h, int mi, int s) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    return t;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

TEST(FormatMeasurement, PrecisionByMagnitudeChosenBeforeRounding) {
    EXPECT_EQ(fmt(0.0f), "0.000");
    EXPECT_EQ(fmt(9.9996f), "10.000");
    EXPECT_EQ(fmt(12.345f), "12.35");
    EXPECT_EQ(fmt(100.0f), "100.0");
    EXPECT_EQ(fmt(99999.96f), "100000.0");
    EXPECT_EQ(fmt(123456.7f), "123457");
    EXPECT_EQ(fmt(-250.25f), "-250.250");
    EXPECT_EQ(fmt(1.5f), "1.500");
    EXPECT_EQ(fmt(10.0f), "10.00");
}

TEST(FormatMeasurement, NotANumberAndInfinitiesDoNotCrash) {
    EXPECT_EQ(formatMeasurement(std::nan("")), "  nan");
    EXPECT_EQ(formatMeasurement(-std::nan("")), "  nan");  // no "-nan"
    EXPECT_EQ(formatMeasurement(std::numeric_limits<double>::infinity()), "  inf");
    EXPECT_EQ(formatMeasurement(-std::numeric_limits<double>::infinity()), " -inf");
    // The largest float has 39 digits: no buffer is too small for it.
    EXPECT_EQ(fmt(std::numeric_limits<float>::max()).size(), 39u);
}

TEST(ErrorCodeTable, PositionsOfTheErrorFileEntries) {
    EXPECT_EQ(errorPosition(0), 0);
    EXPECT_EQ(errorPosition(255), 1);
    EXPECT_EQ(errorPosition(1), 2);
    EXPECT_EQ(errorPosition(10), 7);
    EXPECT_EQ(errorPosition(60), 13);
    EXPECT_EQ(errorPosition(7), -1);
    EXPECT_EQ(errorPosition(-1), -1);  // the end mark is no code
}

TEST(RecordingFormat, HeaderByteForByteInEachLanguageNoneInOthers) {
    const std::pair<int, std::string> headers[] = {
        {0, "Datum; Uhrzeit; Str\xF6mung Akt [m/s]; Str\xF6mung Min [m/s]; Str\xF6mung Max [m/s]; "
            "Volumenstrom Akt [m\xB3/h]; Volumenstrom Min [m\xB3/h]; Volumenstrom Max [m\xB3/h]; "
            "Temperatur Akt [\xB0" "C]; Temperatur Min [\xB0" "C]; Temperatur Max [\xB0" "C]; Totalisator [m\xB3]; "
            "Schleichmenge [%]; GK1 ; GK2 ; Betrieb ; Fehler ; letzter Fehler; "},
        {1, "Date; Time; actual flow velocity [m/s]; min flow velocity [m/s]; max flow velocity [m/s]; "
            "actual volume flow [m\xB3/h]; min volume flow [m\xB3/h]; max volume flow [m\xB3/h]; "
            "actual temperature [\xB0" "C]; min temperature [\xB0" "C]; max temperature [\xB0" "C]; "
            "totalisator [m\xB3]; low flow suppression [%]; LS1 ; LS2 ; availability ; error ; last error; "},
        {2, "Date; Heure; Vitesse d'\xE9" "coulement actuelle [m/s]; Vitesse d'\xE9" "coulement minimale [m/s]; "
            "Vitesse d'\xE9" "coulement maximale [m/s]; D\xE9" "bit volum\xE9trique actuel [m\xB3/h]; "
            "D\xE9" "bit volum\xE9trique minimal [m\xB3/h]; D\xE9" "bit volum\xE9trique maximal [m\xB3/h]; "
            "Temp\xE9rature actuelle [\xB0" "C]; Temp\xE9rature minimale [\xB0" "C]; "
            "Temp\xE9rature maximale [\xB0" "C]; Totaliseur [m\xB3]; "
            "suppression du d\xE9" "bit volum\xE9trique rampant [%] ; Contact de seuil 1 ; Contact de seuil 2 ; "
            "Service ; D\xE9" "faut ; Dernier d\xE9" "faut; "}};
    for (const auto& [language, expected] : headers) EXPECT_EQ(recordingHeader(language, sample()), expected) << language;
    EXPECT_FALSE(recordingHeader(3, sample()));
    EXPECT_FALSE(recordingHeader(-1, sample()));
}

TEST(RecordingFormat, DataLineInHeaderColumnOrderWithDecimalComma) {
    const std::string line = recordingDataLine(sample(), at(2026, 3, 4, 5, 6, 7), "Kein Fehler");
    EXPECT_EQ(line,
              "2026.03.04; 05:06:07; 1,500; 0,250; 2,750; 12,35; 10,00; 99,50; -3,500; -250,250; 123457; "
              "100,0; 3; 1; 0; 1; 1; Kein Fehler");
}

TEST(RecordingFormat, ContactsAllClearAndAllSet) {
    MeasurementRecord r = sample();
    r.contactStates = 0;  // error contact active
    EXPECT_TRUE(recordingDataLine(r, at(2026, 1, 1, 0, 0, 0), "x").ends_with("; 3; 0; 0; 0; 1; x"));
    r.contactStates = 15;
    EXPECT_TRUE(recordingDataLine(r, at(2026, 1, 1, 0, 0, 0), "x").ends_with("; 3; 1; 1; 1; 0; x"));
    r.contactStates = 0xF0;  // bits 4 to 7 mean nothing
    EXPECT_TRUE(recordingDataLine(r, at(2026, 1, 1, 0, 0, 0), "").ends_with("; 3; 0; 0; 0; 1; "));
}

TEST(RecordingFormat, NotANumberStaysOneField) {
    MeasurementRecord r = sample();
    r.flowVelocity = std::numeric_limits<float>::quiet_NaN();
    const std::string line = recordingDataLine(r, at(2026, 1, 1, 0, 0, 0), "");
    EXPECT_NE(line.find("; 00:00:00;   nan; 0,250;"), std::string::npos) << line;
}

TEST(RecordingFormat, CsvExtensionRule) {
    EXPECT_EQ(withCsvExtension("/data/run1"), "/data/run1.csv");
    EXPECT_EQ(withCsvExtension("/data/run1.csv"), "/data/run1.csv");
    EXPECT_EQ(withCsvExtension("/data/run1.CSV"), "/data/run1.CSV");
    EXPECT_EQ(withCsvExtension("/data/run1.txt"), "/data/run1.txt");
    EXPECT_EQ(withCsvExtension("/data/run1.c"), "/data/run1.c.csv");
    EXPECT_EQ(withCsvExtension("abcde"), "abcde");  // five characters: left alone
    EXPECT_EQ(withCsvExtension("abcdef"), "abcdef.csv");
}

TEST(RecordingFormat, ModelLine) {
    EXPECT_EQ(modelLine(0), "----");
    EXPECT_EQ(modelLine(1), "KT740-M1S1");
    EXPECT_EQ(modelLine(45), "KT740-FX-M1D4I2S1");
    EXPECT_EQ(modelLine(-3), "----");
    EXPECT_EQ(modelLine(46), "----");
}

TEST(Recorder, ModelLineHeaderOnceThenLines) {
    qv::test::TempCwd dir;
    const std::string path = (dir.path / "r.csv").string();
    Recorder rec;
    ASSERT_EQ(rec.start(path, 0), 0);
    EXPECT_TRUE(rec.recording());
    EXPECT_TRUE(rec.headerPending());
    EXPECT_EQ(slurp(path), "----\r\n");  // there at once, the file still open
    ASSERT_TRUE(rec.writeLine(sample(), 1, at(2026, 3, 4, 5, 6, 7), "e").written);
    EXPECT_FALSE(rec.headerPending());
    // A language change after the header writes no second one.
    ASSERT_TRUE(rec.writeLine(sample(), 0, at(2026, 3, 4, 5, 6, 8), "e").written);
    const std::string body = slurp(path);
    EXPECT_EQ(body, "----\r\n" + *recordingHeader(1, sample()) + "\r\n" +
                        recordingDataLine(sample(), at(2026, 3, 4, 5, 6, 7), "e") + "\r\n" +
                        recordingDataLine(sample(), at(2026, 3, 4, 5, 6, 8), "e") + "\r\n");
    EXPECT_EQ(body.find("Datum"), std::string::npos);
    // The file, not its name: renamed, it takes the next lines; removed, a
    // new one is made at the name.
    std::filesystem::rename(path, path + ".old");
    ASSERT_TRUE(rec.writeLine(sample(), 0, at(2026, 3, 4, 5, 6, 9), "e").written);
    EXPECT_EQ(slurp(path + ".old"), body + recordingDataLine(sample(), at(2026, 3, 4, 5, 6, 9), "e") + "\r\n");
    std::filesystem::remove(path + ".old");
    ASSERT_TRUE(rec.writeLine(sample(), 0, at(2026, 3, 4, 5, 6, 10), "e").written);
    EXPECT_EQ(slurp(path), recordingDataLine(sample(), at(2026, 3, 4, 5, 6, 10), "e") + "\r\n");
}

// A line that cannot be written is lost, the recording goes on; a failure
// is new (to be told) when it begins or changes its cause, and ends with
// the first line written again.
TEST(Recorder, FailedAppendLosesTheLineKeepsEverythingElse) {
    qv::test::TempCwd dir;
    const std::string path = (dir.path / "r.csv").string();
    qv::test::FlakySink sink;
    Recorder rec(sink);
    ASSERT_EQ(rec.start(path, 17), 0);
    struct Step {
        int fail;
        bool written, newTrouble, resumed;
    } steps[] = {
        {ENOSPC, false, true, false}, {ENOSPC, false, false, false}, {EIO, false, true, false},
        {0, true, false, true},       {0, true, false, false},       {EROFS, false, true, false},
        {0, true, false, true},
    };
    std::string expected = "KT740-GX-M1P2S1\r\n";
    int second = 0;
    for (const auto& st : steps) {
        sink.failAppend = st.fail;
        const auto out = rec.writeLine(sample(), 0, at(2026, 1, 1, 0, 0, ++second), "");
        EXPECT_EQ(out.written, st.written) << second;
        EXPECT_EQ(out.newTrouble, st.newTrouble) << second;
        EXPECT_EQ(out.resumed, st.resumed) << second;
        EXPECT_EQ(rec.failing(), st.fail) << second;
        EXPECT_TRUE(rec.recording());
        if (out.written && expected.find("Datum") == std::string::npos) expected += *recordingHeader(0, sample()) + "\r\n";
        if (out.written) expected += recordingDataLine(sample(), at(2026, 1, 1, 0, 0, second), "") + "\r\n";
    }
    EXPECT_EQ(slurp(path), expected);
    // A disk that fills in the middle of a line: the fragment goes again.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = expected.size() + 10;
    setrlimit(RLIMIT_FSIZE, &small);
    const auto cut = rec.writeLine(sample(), 0, at(2026, 1, 1, 0, 0, 40), "");
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(cut.written);
    EXPECT_EQ(troubleOf(cut.error), WriteTrouble::DiskFull);
    EXPECT_EQ(slurp(path), expected);
}

TEST(Recorder, CreateFailureLeavesRecordingOff) {
    qv::test::TempCwd dir;
    Recorder rec;
    EXPECT_EQ(troubleOf(rec.start((dir.path / "missing" / "r.csv").string(), 1)), WriteTrouble::Removed);
    EXPECT_FALSE(rec.recording());
}

TEST(Recorder, NewStartTruncatesAppendNever) {
    qv::test::TempCwd dir;
    const std::string path = (dir.path / "r.csv").string();
    Recorder rec;
    ASSERT_EQ(rec.start(path, 1), 0);
    ASSERT_TRUE(rec.writeLine(sample(), 0, at(2026, 1, 1, 0, 0, 0), "").written);
    rec.stop();
    ASSERT_EQ(rec.start(path, 2), 0);
    EXPECT_EQ(slurp(path), "KT740-M1P2S1\r\n");
}

TEST(Recorder, UnknownLanguageWritesNoHeaderYet) {
    qv::test::TempCwd dir;
    const std::string path = (dir.path / "r.csv").string();
    Recorder rec;
    ASSERT_EQ(rec.start(path, 1), 0);
    ASSERT_TRUE(rec.writeLine(sample(), 7, at(2026, 1, 1, 0, 0, 0), "").written);
    EXPECT_TRUE(rec.headerPending());
    EXPECT_EQ(slurp(path), "KT740-M1S1\r\n" + recordingDataLine(sample(), at(2026, 1, 1, 0, 0, 0), "") + "\r\n");
}

// Killed at any moment, fifty times: every file holds whole lines only (the
// model line, the header, data lines), each on the disk before the next.
TEST(Recorder, KilledAtRandomMomentsLeavesWholeLines) {
    qv::test::TempCwd dir;
    std::srand(4711);
    int linesSeen = 0;
    for (int run = 0; run < 50; ++run) {
        const std::string path = (dir.path / ("kill" + std::to_string(run) + ".csv")).string();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Recorder rec;
            if (rec.start(path, 1, false) != 0) ::_exit(3);
            for (int s = 0;; ++s) (void)rec.writeLine(sample(), run % 3, at(2026, 1, 1, 0, s / 60 % 60, s % 60), "E");
        }
        ::usleep(static_cast<useconds_t>(std::rand() % 20000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << run;
        const std::string body = slurp(path);
        if (body.empty()) continue;  // killed before the file was made whole
        ASSERT_EQ(body.substr(body.size() - 2), "\r\n") << run << ": a torn last line";
        std::size_t at0 = 0;
        int index = 0;
        while (at0 < body.size()) {
            const std::size_t end = body.find("\r\n", at0);
            const std::string line = body.substr(at0, end - at0);
            if (index == 0) EXPECT_EQ(line, "KT740-M1S1") << run;
            else if (index == 1) EXPECT_EQ(line, *recordingHeader(run % 3, sample())) << run;
            else {
                const int s = index - 2;
                EXPECT_EQ(line, recordingDataLine(sample(), at(2026, 1, 1, 0, s / 60 % 60, s % 60), "E")) << run;
                ++linesSeen;
            }
            at0 = end + 2;
            ++index;
        }
    }
    RecordProperty("lines", linesSeen);
    EXPECT_GT(linesSeen, 0);  // the kills did come while lines were written
}
