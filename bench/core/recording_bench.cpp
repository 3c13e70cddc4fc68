// One recorded line, made durable before the next (written and synced), as
// ratios against the same line written without the sync (the cost of
// durability) and against the shortest poll cycle the protocol allows (what
// the recording may take from the pacing: far below one).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "core/protocol/poll.h"
#include "core/recording/format.h"
#include "core/recording/recording.h"

using namespace qv::recording;

namespace {

qv::protocol::MeasurementRecord sample() {
    qv::protocol::MeasurementRecord r;
    r.flowVelocity = 1.5f;
    r.volumeFlow = 12.345f;
    r.temperature = 21.5f;
    r.totalizer = 1234.5f;
    r.flowVelocityUnit = "m/s";
    r.volumeFlowUnit = "m\xB3/h";
    r.temperatureUnit = "\xB0" "C";
    r.totalizerUnit = "m\xB3";
    return r;
}

void recordedLine(benchmark::State& state) {
    // In the build folder, not /tmp: that may be memory, where a sync is free.
    const std::string dir = std::filesystem::current_path() / "recording_bench.d";
    std::filesystem::create_directories(dir);
    const auto record = sample();
    std::tm t{};
    t.tm_year = 126;
    t.tm_mday = 1;
    const std::string line = recordingDataLine(record, t, "") + "\r\n";

    // Baseline: the same bytes, appended without a sync.
    const int fd = ::open((dir + "/plain.csv").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
    double plainMs = 0;
    int plainN = 0;
    for (int i = 0; i < 200; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
        plainMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ++plainN;
    }
    ::close(fd);

    Recorder rec;
    if (rec.start(dir + "/synced.csv", 1) != 0) {
        state.SkipWithError("cannot create the recording");
        return;
    }
    double syncedMs = 0;
    double worstMs = 0;
    int n = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!rec.writeLine(record, 0, t, "").written) {
            state.SkipWithError("line not written");
            break;
        }
        const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(took / 1000.0);
        syncedMs += took;
        worstMs = std::max(worstMs, took);
        ++n;
    }
    rec.stop();
    // As the poll benchmark: nine exchanges of flush window, wait and reply
    // window (the 80-byte read waits a millisecond a byte).
    const double floorMs = 9 * (qv::protocol::kReadSize + 40 + qv::protocol::kReadSize);
    if (n && plainN) {
        state.counters["ratio_to_unsynced"] = syncedMs / n / (plainMs / plainN);
        state.counters["ratio_to_cycle_floor"] = syncedMs / n / floorMs;
        state.counters["worst_to_cycle_floor"] = worstMs / floorMs;
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

}  // namespace

BENCHMARK(recordedLine)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
