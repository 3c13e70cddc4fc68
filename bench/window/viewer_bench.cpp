// A week of a recording at a 2-second refresh (302,400 lines, as the
// recorder writes them): opened in the viewer, against a plain read and
// split of the same file (the least any reader does); one frame of its
// curves at 1920 pixels, whole week, a day and an hour, against the 16 ms
// of a frame at 60 per second; and the memory its columns take against the
// values' own bytes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTableWidget>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/recording/reading.h"
#include "core/recording/recording.h"
#include "core/text/text_numbers.h"
#include "platform/files/files.h"
#include "window/services/recording_plot.h"
#include "window/services/recording_viewer.h"

namespace rec = qv::recording;

namespace {

constexpr std::size_t kLines = 302400;

const std::string& weekFile() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::current_path() / "viewer_bench_week.csv").string();
        qv::protocol::MeasurementRecord r;
        r.flowVelocityUnit = "m/s";
        r.volumeFlowUnit = "m\xB3/h";
        r.temperatureUnit = "\xB0" "C";
        r.totalizerUnit = "m\xB3";
        std::string bytes = rec::modelLine(1) + "\r\n" + *rec::recordingHeader(0, r) + "\r\n";
        std::int64_t t = rec::wallSeconds(2026, 3, 2, 0, 0, 0);
        for (std::size_t i = 0; i < kLines; ++i, t += 2) {
            const double h = static_cast<double>(t % 86400) / 3600;
            r.volumeFlow = static_cast<float>(12 + 6 * std::sin(h / 24 * 6.283) + (i % 7) * 0.05);
            r.volumeFlowMin = r.volumeFlow - 1, r.volumeFlowMax = r.volumeFlow + 1;
            r.flowVelocity = r.volumeFlow / 10, r.flowVelocityMin = r.flowVelocity - 0.1f, r.flowVelocityMax = r.flowVelocity + 0.1f;
            r.temperature = static_cast<float>(18 + 4 * std::sin(static_cast<double>(i) / 43200 * 6.283));
            r.temperatureMin = r.temperature - 0.2f, r.temperatureMax = r.temperature + 0.2f;
            r.totalizer = static_cast<float>(1000 + static_cast<double>(i) / 100);
            r.contactStates = r.volumeFlow > 16 ? 0x05 : 0x04;
            r.lowFlowCutoff = 3;
            const rec::WallTime w = rec::wallTime(t);
            std::tm tm{};
            tm.tm_year = w.year - 1900, tm.tm_mon = w.month - 1, tm.tm_mday = w.day;
            tm.tm_hour = w.hour, tm.tm_min = w.minute, tm.tm_sec = w.second;
            bytes += rec::recordingDataLine(r, tm, "Kein Fehler") + "\r\n";
        }
        std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
        return p;
    }();
    return path;
}

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The least a reader does: every piece read, every line and field found.
double plainReadAndSplit(const std::string& path, std::size_t& fields) {
    const auto start = std::chrono::steady_clock::now();
    qv::files::GrowingFile f;
    f.open(path);
    fields = 0;
    for (;;) {
        const auto piece = f.more(std::size_t(4) << 20);
        if (piece.bytes.empty()) break;
        for (char c : piece.bytes) fields += c == ';' || c == '\n';
    }
    return msSince(start);
}

QString texts(int n) {
    // The viewer's own words are not what is measured; formats are.
    if (n == qv::text::msg::ViewerTimeFormat) return QStringLiteral("dd.MM.yyyy HH:mm:ss");
    if (n == qv::text::msg::ViewerDayFormat) return QStringLiteral("dd.MM.");
    return QStringLiteral("%1 %2 %3 %4");
}

void openWeek(benchmark::State& state) {
    const std::string& path = weekFile();
    double baseline = 0, opened = 0;
    std::size_t fields = 0, bytes = 0, lines = 0;
    int n = 0;
    for (auto _ : state) {
        baseline += plainReadAndSplit(path, fields);
        qv::window::RecordingViewer viewer(texts, [] { return 0; });
        const auto start = std::chrono::steady_clock::now();
        viewer.open(path);
        viewer.finishReading();
        const double took = msSince(start);
        state.SetIterationTime(took / 1000);
        opened += took;
        lines = viewer.shown() ? viewer.shown()->size() : 0;
        bytes = viewer.shown() ? viewer.shown()->bytes() : 0;
        ++n;
        benchmark::DoNotOptimize(fields);
    }
    if (lines != kLines) state.SkipWithError("not every line was read");
    state.counters["open_ms"] = opened / n;
    state.counters["ratio_to_read_and_split"] = opened / baseline;
    state.counters["memory_to_values"] = static_cast<double>(bytes) / (static_cast<double>(lines) * (10 * sizeof(double) + sizeof(std::int64_t)));
}

// One frame at 1920 x 1080 of what the range shows; arg 0: the two curves
// the viewer starts with, 1: every curve and every contact lane.
void frame(benchmark::State& state, double span) {
    static std::optional<rec::Recording> week;
    if (!week) {
        std::string bytes = qv::files::readWhole(weekFile(), rec::kMaxRecordingBytes).bytes;
        week = rec::readRecording(bytes, true);
    }
    qv::window::RecordingPlot plot;
    plot.resize(1920, 1080);
    static rec::Summaries summaries;
    summaries.update(*week);
    plot.setRecording(&*week, rec::findGaps(*week, rec::usualSpacing(*week)), &summaries);
    std::vector<qv::window::RecordingPlot::Line> lines;
    for (int c = 0; c < rec::kCurves; ++c)
        if (state.range(0) || c == rec::VolumeFlow || c == rec::Temperature) lines.push_back({c, c >= rec::Temperature, Qt::blue});
    plot.setLines(lines);
    QImage image(plot.size(), QImage::Format_RGB32);
    const double start = static_cast<double>(week->time.front());
    double total = 0, worst = 0;
    int n = 0;
    for (auto _ : state) {
        // Panning: a new range each frame.
        const double at = start + std::fmod(n * span * 0.05, std::max(1.0, static_cast<double>(week->time.back()) - start - span));
        plot.setRange(at, at + span);
        const auto t0 = std::chrono::steady_clock::now();
        QPainter p(&image);
        plot.render(&p);
        p.end();
        const double took = msSince(t0);
        state.SetIterationTime(took / 1000);
        total += took;
        worst = std::max(worst, took);
        ++n;
    }
    state.counters["frame_ms"] = total / n;
    state.counters["ratio_to_16ms_frame"] = total / n / 16.0;
    state.counters["worst_to_16ms_frame"] = worst / 16.0;
}

void frameWeek(benchmark::State& s) { frame(s, 604800); }
void frameDay(benchmark::State& s) { frame(s, 86400); }
void frameHour(benchmark::State& s) { frame(s, 3600); }

}  // namespace

BENCHMARK(openWeek)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(frameWeek)->Arg(0)->Arg(1)->UseManualTime()->Iterations(60)->Unit(benchmark::kMillisecond);
BENCHMARK(frameDay)->Arg(0)->Arg(1)->UseManualTime()->Iterations(60)->Unit(benchmark::kMillisecond);
BENCHMARK(frameHour)->Arg(0)->Arg(1)->UseManualTime()->Iterations(60)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::error_code ec;
    std::filesystem::remove(weekFile(), ec);
    return 0;
}
