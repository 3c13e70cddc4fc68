// Reading recordings back: what the recorder itself wrote, in pieces as a
// growing file gives them, hostile bytes, and what a viewer draws of it.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>

#include "core/recording/reading.h"
#include "core/recording/recording.h"
#include "platform/files/files.h"
#include "tests/support/temp_dir.h"

using namespace qv::recording;
using qv::protocol::MeasurementRecord;

namespace {

MeasurementRecord sample(float flow = 12.345f) {
    MeasurementRecord r;
    r.flowVelocity = 1.5f;
    r.flowVelocityMin = 0.25f;
    r.flowVelocityMax = 2.75f;
    r.volumeFlow = flow;
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

std::tm at(std::int64_t wall) {
    const WallTime w = wallTime(wall);
    std::tm t{};
    t.tm_year = w.year - 1900;
    t.tm_mon = w.month - 1;
    t.tm_mday = w.day;
    t.tm_hour = w.hour;
    t.tm_min = w.minute;
    t.tm_sec = w.second;
    return t;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

const std::int64_t kStart = wallSeconds(2026, 3, 4, 5, 6, 7);

// A recording as the recorder writes it: a line at each of the given
// seconds after kStart, the volume flow from flow(i).
std::string recorded(const std::string& path, int lang, const std::vector<std::int64_t>& seconds,
                     float (*flow)(std::size_t) = nullptr) {
    Recorder rec;
    EXPECT_EQ(rec.start(path, 1), 0);
    for (std::size_t i = 0; i < seconds.size(); ++i)
        EXPECT_TRUE(rec.writeLine(sample(flow ? flow(i) : 12.345f), lang, at(kStart + seconds[i]), i % 2 ? "E; 2" : "Kein Fehler").written);
    rec.stop();
    return slurp(path);
}

}  // namespace

// What the recorder wrote reads back in every header language (and with
// none), values, units and contacts as written, the same whether the bytes
// come at once or in pieces of any size; lines that are none are counted,
// a cut-off last line is not a line, and what is no recording is refused.
TEST(RecordingReader, ReadsWhatTheRecorderWroteInEveryLanguageWholeOrInPieces) {
    std::mt19937 random(7);
    for (int lang : {0, 1, 2, 7}) {
        SCOPED_TRACE(lang);
        qv::test::TempCwd dir;
        const std::string bytes = recorded((dir.path / "r.csv").string(), lang, {0, 2}) + "garbage; line\r\n2026.03.04; 05:06:1";
        const auto r = readRecording(bytes);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->model, "KT740-M1S1");
        EXPECT_EQ(r->language, lang == 7 ? -1 : lang);
        if (lang != 7) {
            EXPECT_EQ(r->units[3], "m\xB3/h");
        }
        ASSERT_EQ(r->size(), 2u);
        EXPECT_EQ(r->time[0], kStart);
        EXPECT_EQ(r->fileLine[1], lang == 7 ? 3u : 4u);
        EXPECT_DOUBLE_EQ(r->values[VolumeFlow][0], 12.35);  // as the recorder wrote it
        EXPECT_DOUBLE_EQ(r->values[TemperatureMin][0], -250.25);
        EXPECT_EQ(r->at(LowFlow, 0), 3);
        EXPECT_EQ(r->at(Ls1, 0), 1);
        EXPECT_EQ(r->at(Ls2, 0), 0);
        EXPECT_EQ(r->at(Availability, 0), 1);
        EXPECT_EQ(r->errorTexts[r->error[1]], "E; 2");
        EXPECT_EQ(r->unreadable, 1);
        EXPECT_EQ(r->firstUnreadable, lang == 7 ? 4 : 5);
        const std::string csv = exportCsv(*r);
        if (lang != 7) {
            EXPECT_NE(csv.find("volume flow [m\u00b3/h]"), std::string::npos) << csv;
        }
        EXPECT_NE(csv.find("\n2026-03-04T05:06:07,1.5,0.25,2.75,12.35,10,99.5,-3.5,-250.25,123457,100,3,1,0,1,1,Kein Fehler\n"),
                  std::string::npos)
            << csv;
        EXPECT_NE(csv.find(",E; 2\n"), std::string::npos) << csv;

        for (int round = 0; round < 20; ++round) {
            RecordingReader pieces;
            for (std::size_t at = 0; at < bytes.size();) {
                const std::size_t n = std::uniform_int_distribution<std::size_t>(1, 40)(random);
                pieces.feed(std::string_view(bytes).substr(at, n));
                at += n;
            }
            ASSERT_TRUE(pieces.isRecording());
            EXPECT_EQ(exportCsv(pieces.recording()), csv);
            EXPECT_EQ(pieces.recording().unreadable, 1);
            EXPECT_EQ(pieces.pending(), 19u);  // the cut-off line waits for its end
        }
    }
}

// Bytes that are no recording are refused however they come, and a line
// that is none is counted without holding the reader: binaries, a file
// without line ends, a line of megabytes, impossible dates, values that are
// no numbers.
TEST(RecordingReader, HostileBytesAreRefusedOrCountedNeverHeld) {
    for (const std::string& no : {std::string(), std::string("just text\r\n"), std::string("\x7F" "ELF\x02\x01\r\n"),
                                 std::string("----\r\nnot; a; line\r\n"), std::string(1 << 20, '\0'),
                                 std::string(200000, 'K')}) {
        RecordingReader r;
        r.feed(no);
        EXPECT_FALSE(r.isRecording()) << no.size();
        EXPECT_LE(r.pending(), std::size_t(1) << 17);
    }
    const std::string line = "; 1,5; 0,25; 2,75; 12,35; 10; 99,5; -3,5; -250,25; 123457; 100; 3; 1; 0; 1; 1; E";
    const std::string bad[] = {"2026.02.30; 05:06:07" + line, "2026.13.01; 05:06:07" + line, "2026.03.04; 25:06:07" + line,
                               "2026.03.04; 05:06:07; x" + line.substr(5), "2026.03.04; 05:06:07" + line.substr(0, 40),
                               "2026.03.04; 05:06:07; 1,5; 0,25; 2,75; 12,35; 10; 99,5; -3,5; -250,25; 123457; 100; 101; 1; 0; 1; 1; E",
                               "2026.03.04; 05:06:07; 1,5; 0,25; 2,75; 12,35; 10; 99,5; -3,5; -250,25; 123457; 100; 3; 2; 0; 1; 1; E",
                               std::string(3 << 20, ';')};
    RecordingReader r;
    r.feed("KT740-M1S1\r\n2026.03.04; 05:06:06" + line + "\r\n");
    for (const auto& b : bad) r.feed(b + "\r\n");
    r.feed("2026.03.04; 05:06:08; nan; 0,25; 2,75; inf; 10; 99,5; -3,5; -250,25; 123457; 100; 3; 1; 0; 1; 1; E\r\n");
    ASSERT_TRUE(r.isRecording());
    EXPECT_EQ(r.recording().size(), 2u);
    EXPECT_EQ(r.recording().unreadable, static_cast<long>(std::size(bad)));
    EXPECT_EQ(r.recording().firstUnreadable, 3);
    EXPECT_LE(r.pending(), std::size_t(1) << 17);
    // A value that is no number is kept as written but never drawn or summed.
    EXPECT_TRUE(std::isnan(r.recording().values[FlowVelocity][1]));
    EXPECT_EQ(summarize(r.recording(), FlowVelocity, 0, 2).count, 1u);
    EXPECT_EQ(summarize(r.recording(), VolumeFlow, 0, 2).count, 1u);
}

// A file followed while the recorder appends to it: each read takes the
// whole lines there are; the reader ends where the file ends.
TEST(RecordingReader, FollowsAFileWhileItIsRecorded) {
    qv::test::TempCwd dir;
    const std::string path = (dir.path / "r.csv").string();
    Recorder rec;
    ASSERT_EQ(rec.start(path, 1), 0);
    qv::files::GrowingFile file;
    ASSERT_TRUE(file.open(path).ok());
    RecordingReader reader;
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(rec.writeLine(sample(static_cast<float>(i)), 1, at(kStart + 2 * i), "").written);
        for (;;) {
            const auto piece = file.more(7);  // smaller than a line: lines arrive cut
            ASSERT_TRUE(piece.ok());
            if (piece.bytes.empty()) break;
            reader.feed(piece.bytes);
        }
        ASSERT_EQ(reader.recording().size(), static_cast<std::size_t>(i + 1));
        EXPECT_EQ(reader.recording().values[VolumeFlow][static_cast<std::size_t>(i)], i);
        EXPECT_FALSE(file.replaced());
    }
    rec.stop();
    // Emptied, or another file in its place: what was read is no longer its beginning.
    std::ofstream(path, std::ios::trunc) << "KT740";
    EXPECT_TRUE(file.replaced());
}

// The usual spacing and the gaps longer than twice it: the clock's whole
// seconds alone make none; a pause, an outage, a clock set back.
TEST(RecordingView, GapsAreTheSilencesLongerThanTwiceTheUsualSpacing) {
    struct Case {
        std::vector<std::int64_t> seconds;
        std::int64_t spacing;
        std::vector<std::size_t> gapsAfter;  // the line after each gap
    } cases[] = {
        {{0, 2, 4, 6, 8, 10}, 2, {}},
        {{0, 2, 5, 7, 9, 12, 14}, 2, {}},         // a slow cycle now and then: 3 s, no gap
        {{0, 2, 4, 64, 66, 68, 70, 200}, 2, {3, 7}},
        {{0, 1, 2, 3, 5, 6}, 1, {}},              // 1 s: jitter to 2 s makes no gap
        {{0, 1, 2, 6, 7, 8}, 1, {3}},
        {{0, 10, 20, 30, 41, 50, 80}, 10, {6}},
        {{0}, 1, {}},
    };
    for (const auto& c : cases) {
        Recording r;
        for (auto s : c.seconds) r.time.push_back(kStart + s);
        EXPECT_EQ(usualSpacing(r), c.spacing);
        std::vector<std::size_t> after;
        for (const Gap& g : findGaps(r, usualSpacing(r))) {
            after.push_back(g.after);
            EXPECT_EQ(g.before + 1, g.after);
        }
        EXPECT_EQ(after, c.gapsAfter);
    }
    // Set back: a time axis takes them in order, a converter takes them all.
    const std::string line = "; 1,5; 0,25; 2,75; 12,35; 10; 99,5; -3,5; -250,25; 123457; 100; 3; 1; 0; 1; 1; E\r\n";
    const std::string bytes = "KT740\r\n2026.10.25; 02:59:58" + line + "2026.10.25; 02:00:00" + line +
                              "2026.10.25; 02:00:02" + line + "2026.10.25; 03:00:01" + line;
    const auto inOrder = readRecording(bytes, true);
    EXPECT_EQ(inOrder->size(), 2u);
    EXPECT_EQ(inOrder->backwards, 2);
    EXPECT_EQ(inOrder->firstBackwards, 3);
    EXPECT_EQ(readRecording(bytes)->size(), 4u);
}

// What a viewer draws: per pixel column the first and last line and the
// extremes, so a one-line spike in a week survives at any zoom, and a line
// sits exactly where it is once the columns outnumber the lines.
TEST(RecordingView, EnvelopeKeepsEveryExtremeAndEachLineWhereItIs) {
    Recording r;
    const std::size_t n = 302400;
    for (std::size_t i = 0; i < n; ++i) {
        r.time.push_back(kStart + static_cast<std::int64_t>(2 * i));
        for (auto& v : r.values) v.push_back(i == 123457 ? 1e6 : std::sin(static_cast<double>(i) / 1000));
        r.lowFlow.push_back(0);
        r.contacts.push_back(i >= 200000 ? 1 : 0);
    }
    std::vector<Column> cols;
    const double t0 = static_cast<double>(r.time.front()), t1 = static_cast<double>(r.time.back());
    for (int columns : {1, 7, 1920}) {
        envelope(r, VolumeFlow, t0, t1, columns, cols);
        ASSERT_EQ(cols.size(), static_cast<std::size_t>(columns));
        double top = -1;
        std::size_t lines = 0;
        for (const auto& c : cols) {
            ASSERT_FALSE(c.empty());
            top = std::max(top, c.max);
            lines += c.last - c.first + 1;
        }
        EXPECT_EQ(top, 1e6);
        EXPECT_EQ(lines, n);  // every line in exactly one column
    }
    // Whole blocks from their summaries give the same columns, at every zoom.
    Summaries summaries;
    summaries.update(r);
    std::vector<Column> fast;
    for (double span : {t1 - t0, 86400.0, 3600.0, 100.0}) {
        const double from = t0 + 123457.0 * 2 - span / 3;
        envelope(r, VolumeFlow, from, from + span, 1920, cols);
        envelope(r, VolumeFlow, from, from + span, 1920, fast, &summaries);
        for (std::size_t k = 0; k < cols.size(); ++k) {
            ASSERT_EQ(cols[k].empty(), fast[k].empty()) << span << " " << k;
            if (cols[k].empty()) continue;
            EXPECT_EQ(cols[k].first, fast[k].first);
            EXPECT_EQ(cols[k].last, fast[k].last);
            EXPECT_EQ(cols[k].min, fast[k].min);
            EXPECT_EQ(cols[k].max, fast[k].max);
        }
    }
    envelope(r, Ls1, t0, t1, 1920, cols);
    EXPECT_EQ(cols[1000].min, 0);
    EXPECT_EQ(cols[1919].max, 1);
    // Zoomed in to 10 lines over 1920 columns: each in a column of its own, in order.
    const double z0 = static_cast<double>(r.time[5000]), z1 = static_cast<double>(r.time[5009]);
    envelope(r, VolumeFlow, z0, z1, 1920, cols);
    std::vector<std::size_t> seen;
    for (const auto& c : cols) {
        if (c.empty()) continue;
        EXPECT_EQ(c.first, c.last);
        EXPECT_EQ(c.min, r.values[VolumeFlow][c.first]);
        seen.push_back(c.first);
    }
    ASSERT_EQ(seen.size(), 10u);
    EXPECT_EQ(seen.front(), 5000u);
    EXPECT_EQ(seen.back(), 5009u);
    EXPECT_EQ(linesBetween(r, z0, z1), std::make_pair(std::size_t(5000), std::size_t(5010)));
    EXPECT_EQ(linesBetween(r, z0 - 0.5, z1 + 0.5), std::make_pair(std::size_t(5000), std::size_t(5010)));
    EXPECT_EQ(nearestLine(r, z0 + 0.9), 5000u);
    EXPECT_EQ(nearestLine(r, z0 + 1.1), 5001u);
    EXPECT_EQ(nearestLine(r, t0 - 100), 0u);
    EXPECT_EQ(nearestLine(r, t1 + 100), n - 1);
    const Summary s = summarize(r, Ls1, 0, n);
    EXPECT_EQ(s.count, n);
    EXPECT_DOUBLE_EQ(s.mean, static_cast<double>(n - 200000) / n);
    // Held in at most the values' own bytes twice (the columns, no text).
    EXPECT_LE(r.bytes(), 2 * n * (10 * sizeof(double) + sizeof(std::int64_t)));
}

TEST(RecordingView, CurvesNamedAsTheHeaderNamesThem) {
    const std::pair<int, const char*> names[] = {{FlowVelocity, "Str\xF6mung Akt"}, {TemperatureMax, "Temperatur Max"},
                                                 {Totalizer, "Totalisator"}, {LowFlow, "Schleichmenge"},
                                                 {Ls1, "GK1"}, {ErrorContact, "Fehler"}};
    for (auto [curve, name] : names) EXPECT_EQ(curveName(curve, 0), name);
    EXPECT_EQ(curveName(FlowVelocity, 1), "actual flow velocity");
    EXPECT_EQ(curveName(LowFlow, 2), "suppression du d\xE9" "bit volum\xE9trique rampant");
    EXPECT_EQ(curveName(Availability, 2), "Service");
    EXPECT_EQ(curveName(FlowVelocity, 3), "");
}

TEST(RecordingView, WallTimesReadAsUsersTypeThem) {
    for (std::int64_t s : {std::int64_t(0), kStart, wallSeconds(2024, 2, 29, 23, 59, 59), wallSeconds(1900, 1, 1, 0, 0, 0)}) {
        const WallTime w = wallTime(s);
        EXPECT_EQ(wallSeconds(w.year, w.month, w.day, w.hour, w.minute, w.second), s);
    }
    EXPECT_EQ(wallSeconds(2026, 3, 4, 5, 6, 7) - wallSeconds(2026, 3, 3, 5, 6, 7), 86400);
    EXPECT_EQ(parseWallTime("2026-03-04"), wallSeconds(2026, 3, 4, 0, 0, 0));
    EXPECT_EQ(parseWallTime("2026-03-04T05:06"), wallSeconds(2026, 3, 4, 5, 6, 0));
    EXPECT_EQ(parseWallTime("2026-03-04 05:06:07"), kStart);
    for (const char* no : {"", "2026-3-4", "2026-02-30", "2026-03-04T5:06", "2026-03-04T05:06:07Z", "2026-03-04T24:00",
                           "tomorrow"})
        EXPECT_FALSE(parseWallTime(no)) << no;
}
