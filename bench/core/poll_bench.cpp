// One full poll cycle against kt740-sim, as a ratio of its duration to the
// protocol's floor: every exchange's flush window, fixed wait and reply
// window, which no implementation can shorten. The meter is reached over its
// pseudo terminal, or through Debian's ser2net on 127.0.0.1 over RFC 2217 or
// raw TCP, in the same run.
#include <benchmark/benchmark.h>

#include <chrono>

#include "core/protocol/poll.h"
#include "tests/support/poll_step.h"
#include "tests/support/ser2net_process.h"
#include "tests/support/sim_process.h"

using namespace qv::link;
using namespace qv::protocol;

namespace {

struct Sink : PollListener {
    int deliveries = 0;
    void deviceTypeReceived(std::optional<int>) override {}
    void deliver(const MeasurementRecord&) override { ++deliveries; }
};

void pollCycle(benchmark::State& state) {
    const int model = static_cast<int>(state.range(0));
    const int transport = static_cast<int>(state.range(1));  // 0 terminal, 1 RFC 2217, 2 raw TCP
    state.SetLabel(transport == 0 ? "pty" : transport == 1 ? "rfc2217" : "tcp");
    char tmpl[] = "/tmp/qvbenchXXXXXX";
    const std::string dir = mkdtemp(tmpl);
    {
        qv::test::SimProcess sim(dir + "/meter", {"--model", std::to_string(model)});
        std::unique_ptr<qv::test::Ser2net> server;
        std::string path = dir + "/meter";
        if (transport != 0) {
            server = std::make_unique<qv::test::Ser2net>(dir, "serialdev," + path + ",9600n81,local");
            path = transport == 1 ? server->rfc2217() : server->tcp();
        }
        LinkSlot slot = std::make_unique<SerialLink>();
        if (!sim.linked() || slot->openPath(path, 1) != 0) {
            state.SkipWithError("simulator not reachable");
            return;
        }
        int family = -1;
        MeasurementRecord record;
        Sink sink;
        PollMachine poll(family, record, sink);
        // One cycle first, so the family (and with it the cycle length) is known.
        poll.start();
        while (!poll.idle()) qv::test::runPollStep(poll, slot);
        const double exchangeMs = kReadSize + 40 + kReadSize;
        const double floorMs = 9 * exchangeMs + (family == 1 ? kReadSize + 60 + kReadSize : 0);
        double totalMs = 0;
        int cycles = 0;
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            poll.start();
            while (!poll.idle()) qv::test::runPollStep(poll, slot);
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            state.SetIterationTime(took.count() / 1000.0);
            totalMs += took.count();
            ++cycles;
        }
        state.counters["floor_ms"] = floorMs;
        state.counters["ratio_to_floor"] = cycles ? totalMs / cycles / floorMs : 0;
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

}  // namespace

BENCHMARK(pollCycle)
    ->ArgsProduct({{3, 20}, {0, 1, 2}})
    ->ArgNames({"model", "via"})
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
