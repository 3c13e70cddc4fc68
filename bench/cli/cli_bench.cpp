// Reading and writing with read-back through qv-cli's work: sixteen simulated
// meters at once against one, as a ratio measured in the same run (the goal:
// at most 1.3, since each meter's time is its protocol's waits).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "cli/cli.h"
#include "core/link/serial_link.h"
#include "tests/support/sim_process.h"

namespace {

double oneMeterMs = 0;

void readAndWriteVerified(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    char tmpl[] = "/tmp/qvclibenchXXXXXX";
    const std::string dir = mkdtemp(tmpl);
    {
        std::vector<std::unique_ptr<qv::test::SimProcess>> sims;
        for (int k = 0; k < n; ++k)
            sims.push_back(std::make_unique<qv::test::SimProcess>(dir + "/m" + std::to_string(k), std::vector<std::string>{"--model", "12"}));
        qv::cli::Context base;
        base.words.load(QV_RUN_DIR, 1);
        base.verify = true;
        base.output = dir + "/set.kt740";
        if (!qv::cli::readSet(base, dir + "/m0").ok) {
            state.SkipWithError("simulator not reachable");
            return;
        }
        double totalMs = 0;
        int runs = 0;
        for (auto _ : state) {
            int failed = 0;
            const auto start = std::chrono::steady_clock::now();
            std::vector<std::thread> threads;
            std::atomic<int> failures{0};
            for (int k = 0; k < n; ++k) {
                threads.emplace_back([&, k] {
                    qv::cli::Context c = base;
                    const std::string port = dir + "/m" + std::to_string(k);
                    c.output = dir + "/back" + std::to_string(k) + ".kt740";
                    if (!qv::cli::readSet(c, port).ok || !qv::cli::writeSet(c, base.output, port).ok) ++failures;
                });
            }
            for (auto& t : threads) t.join();
            failed += failures;
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            state.SetIterationTime(took.count() / 1000.0);
            totalMs += took.count();
            ++runs;
            if (failed) state.SkipWithError("a meter failed");
        }
        const double mean = runs ? totalMs / runs : 0;
        if (n == 1) oneMeterMs = mean;
        state.counters["ratio_to_one"] = oneMeterMs > 0 ? mean / oneMeterMs : 0;
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

}  // namespace

BENCHMARK(readAndWriteVerified)->ArgName("meters")->Arg(1)->Arg(16)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
