// Taking buffers and drawing, each reported as a ratio to a baseline that
// runs in the same process: a plain copy of the same bytes, and a plain loop
// that maps as many values through a 256-entry colour table into a QImage;
// and the history's peak memory against the bytes it holds.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "waterfall/gfmultiwaterfall.h"

// Every allocation through operator new is counted, so the peak that the
// history reaches can be set against the bytes it holds.
namespace heap {
std::atomic<long long> live{0}, peak{0};
void* take(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    const long long now = live += (long long)malloc_usable_size(p);
    long long top = peak.load();
    while (now > top && !peak.compare_exchange_weak(top, now)) {
    }
    return p;
}
void give(void* p) {
    if (!p) return;
    live -= (long long)malloc_usable_size(p);
    std::free(p);
}
}  // namespace heap
void* operator new(std::size_t n) { return heap::take(n); }
void* operator new[](std::size_t n) { return heap::take(n); }
void operator delete(void* p) noexcept { heap::give(p); }
void operator delete[](void* p) noexcept { heap::give(p); }
void operator delete(void* p, std::size_t) noexcept { heap::give(p); }
void operator delete[](void* p, std::size_t) noexcept { heap::give(p); }

namespace {
constexpr int kChannels = 4;
constexpr std::size_t kSamples = 1024;
constexpr int kDepth = 1000;

std::vector<ITZRealBuffer> noiseBuffers(int count, std::size_t samples) {
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<ITZRealBuffer> out;
    for (int i = 0; i < count; ++i) {
        auto b = std::make_shared<TTZRealBuffer>(samples);
        for (std::size_t k = 0; k < samples; ++k) (*b)[k] = u(rng);
        out.push_back(b);
    }
    return out;
}

// The same bytes, from the same 64 buffers in the same order as AddBuffer
// takes them, copied into a ring as large as the four histories, so the copy
// reads memory as warm and writes memory as cold as the history's own.
void PlainCopy(benchmark::State& state) {
    auto input = noiseBuffers(64, kSamples);
    std::vector<std::vector<double>> ring(std::size_t(kChannels * kDepth), std::vector<double>(kSamples));
    std::size_t i = 0;
    for (auto _ : state) {
        auto& dst = ring[i % ring.size()];
        std::memcpy(dst.data(), input[i % 64]->Data(), kSamples * sizeof(double));
        ++i;
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations());
}

// Four channels with full histories; buffers go round the channels.
void AddBuffer(benchmark::State& state) {
    TGFMultiWaterfall w;
    w.XAxis().SetBufferCapacity(kDepth);
    auto input = noiseBuffers(64, kSamples);
    for (int c = 0; c < kChannels; ++c) {
        auto* ch = w.Channels().Add();
        for (int i = 0; i < kDepth; ++i) ch->AddBuffer(input[std::size_t(i % 64)]);
    }
    std::size_t i = 0;
    for (auto _ : state) {
        w.Channels().GetItem(int(i % kChannels))->AddBuffer(input[i % 64]);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}

// Every buffer's maximum below the one before: with a rescan of the queue
// each time the oldest leaves, the cost would grow with the depth.
void AddFallingMaxima(benchmark::State& state) {
    TGFMultiWaterfall w;
    const int depth = int(state.range(0));
    w.XAxis().SetBufferCapacity(depth);
    auto* ch = w.Channels().Add();
    std::vector<double> values(kSamples, -1e12);
    double peak = 0;
    for (int i = 0; i < depth; ++i) {
        values[0] = peak--;
        ch->GetVC_Data()->IntAddData(values.data(), values.size());
    }
    auto b = std::make_shared<TTZRealBuffer>(kSamples, -1e12);
    for (auto _ : state) {
        (*b)[0] = peak--;
        ch->AddBuffer(b);
    }
    state.SetItemsProcessed(state.iterations());
}

// The baseline for the depth: the same buffer copied into a ring of as many
// buffers as the history holds. A deeper history no longer fits the caches,
// and every copy then writes to colder memory; this shows how much of the
// depth's cost is the memory's and not the bookkeeping's.
void PlainCopyRing(benchmark::State& state) {
    std::vector<std::vector<double>> ring(std::size_t(state.range(0)), std::vector<double>(kSamples));
    std::vector<double> src(kSamples, -1e12);
    std::size_t i = 0;
    for (auto _ : state) {
        auto& dst = ring[i++ % ring.size()];
        std::memcpy(dst.data(), src.data(), kSamples * sizeof(double));
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations());
}

// A waterfall whose data view is exactly 1000 x 600, full channels.
struct Scene {
    TGFMultiWaterfall w;
    QImage target;
    std::vector<ITZRealBuffer> input = noiseBuffers(64, kSamples);
    std::size_t next = 0;
    int channels;
    explicit Scene(int channelCount = kChannels, int depth = kDepth) : channels(channelCount) {
        w.XAxis().SetBufferCapacity(depth);
        for (int c = 0; c < channels; ++c) {
            auto* ch = w.Channels().Add();
            ch->Levels()->SetAutomatic(false);  // levels that do not move with the data
            ch->Levels()->SetRange(0, 1);
            for (int i = 0; i < depth; ++i) ch->AddBuffer(input[next++ % 64]);
        }
        w.resize(1400, 800);
        Draw();
        QRect r = w.GetDataView()->Rect();
        w.resize(w.width() + 1000 - r.width(), w.height() + 600 - r.height());
        Draw();
    }
    void Draw() {
        if (target.size() != w.size()) target = QImage(w.size(), QImage::Format_RGB32);
        QPainter p(&target);
        w.Render(p, w.size());
    }
    void AddOneEach() {
        for (int c = 0; c < channels; ++c) w.Channels().GetItem(c)->AddBuffer(input[next++ % 64]);
    }
};

void FullRepaint(benchmark::State& state) {
    Scene s;
    if (s.w.GetDataView()->Width() != 1000 || s.w.GetDataView()->Height() != 600) state.SkipWithError("view size");
    for (auto _ : state) {
        s.w.RequestFullRedraw();
        s.Draw();
    }
}

// The full repaint by channel count and history depth.
void Repaint(benchmark::State& state) {
    Scene s(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        s.w.RequestFullRedraw();
        s.Draw();
    }
}

void UpdateOneBuffer(benchmark::State& state) {
    Scene s;
    for (auto _ : state) {
        s.AddOneEach();
        s.Draw();
    }
    if (!s.w.GetDataView()->LastComposeWasIncremental()) state.SkipWithError("not an update");
}

// The same number of values as the channels hold (4 x 1000 x 1024), each
// mapped through a colour table into an image.
void ReferenceMap(benchmark::State& state) {
    auto input = noiseBuffers(64, kSamples);
    std::uint32_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = 0xFF000000u | std::uint32_t(i) << 16;
    QImage img(int(kSamples), kDepth, QImage::Format_RGB32);
    for (auto _ : state) {
        for (int c = 0; c < kChannels; ++c)
            for (int row = 0; row < kDepth; ++row) {
                const double* d = input[std::size_t(row % 64)]->Data();
                auto* out = reinterpret_cast<std::uint32_t*>(img.scanLine(row));
                for (std::size_t k = 0; k < kSamples; ++k) {
                    int idx = int(d[k] * 255.0);
                    out[k] = table[idx < 0 ? 0 : idx > 255 ? 255 : idx];
                }
            }
        benchmark::DoNotOptimize(img.bits());
    }
}

// Each figure is the median of five runs, and the runs of all benchmarks
// are interleaved (unless the command line says otherwise), so a spell in
// which a neighbour on the machine slows everything down moves a figure and
// its baseline alike.
constexpr int kRuns = 5;
BENCHMARK(PlainCopy)->Repetitions(kRuns)->ReportAggregatesOnly(true);
BENCHMARK(AddBuffer)->Repetitions(kRuns)->ReportAggregatesOnly(true);
BENCHMARK(AddFallingMaxima)->Arg(1000)->Arg(10000)->Repetitions(kRuns)->ReportAggregatesOnly(true);
BENCHMARK(PlainCopyRing)->Arg(1000)->Arg(10000)->Repetitions(kRuns)->ReportAggregatesOnly(true);
BENCHMARK(ReferenceMap)->Unit(benchmark::kMillisecond)->Repetitions(kRuns)->ReportAggregatesOnly(true);
BENCHMARK(FullRepaint)->Unit(benchmark::kMillisecond)->Repetitions(kRuns)->ReportAggregatesOnly(true);
BENCHMARK(UpdateOneBuffer)->Unit(benchmark::kMillisecond)->Repetitions(kRuns)->ReportAggregatesOnly(true);
BENCHMARK(Repaint)
    ->Args({1, 1000})
    ->Args({2, 1000})
    ->Args({4, 1000})
    ->Args({1, 10000})
    ->Args({4, 10000})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRuns)
    ->ReportAggregatesOnly(true);

// Peak heap while four channels fill their histories and take as many
// buffers again, over the bytes the histories then hold.
double PeakHistoryMemory() {
    auto input = noiseBuffers(64, kSamples);
    const long long before = heap::live.load();
    heap::peak.store(before);
    double ratio = 0;
    {
        TGFMultiWaterfall w;
        w.XAxis().SetBufferCapacity(kDepth);
        for (int c = 0; c < kChannels; ++c) w.Channels().Add();
        for (int i = 0; i < 2 * kDepth; ++i)
            for (int c = 0; c < kChannels; ++c) w.Channels().GetItem(c)->AddBuffer(input[std::size_t(i % 64)]);
        const double held = double(kChannels) * kDepth * kSamples * sizeof(double);
        ratio = double(heap::peak.load() - before) / held;
    }
    return ratio;
}

// Keeps the times per run so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs) {
            if (r.error_occurred) continue;
            const double t = r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
            if (r.run_type == Run::RT_Aggregate) {
                const auto& n = r.run_name;
                if (r.aggregate_name == "median") seconds[n.function_name + (n.args.empty() ? "" : "/" + n.args)] = t;
            } else if (r.iterations > 0 && !r.run_name.repetitions.size()) {
                seconds[r.benchmark_name()] = t;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};
}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    bool given = false;
    for (char* a : args) given = given || std::string(a).rfind("--benchmark_enable_random_interleaving", 0) == 0;
    if (!given) args.insert(args.begin() + 1, interleave.data());
    int count = int(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& t = reporter.seconds;
    auto ratio = [&](const char* a, const char* b, const char* what) {
        if (t.count(a) && t.count(b)) std::printf("%-66s %8.3f\n", what, t[a] / t[b]);
    };
    std::printf("\nRatios (same run; goal in brackets)\n");
    auto inverse = [&](const char* a, const char* b, const char* what) {
        if (t.count(a) && t.count(b)) std::printf("%-66s %8.3f\n", what, t[b] / t[a]);
    };
    inverse("AddBuffer", "PlainCopy", "AddBuffer rate / plain copy rate [>= 0.5]");
    ratio("FullRepaint", "ReferenceMap", "full repaint / reference colour-table loop [<= 2.0]");
    ratio("AddFallingMaxima/10000", "AddFallingMaxima/1000", "buffer cost at depth 10000 / depth 1000 [as the copy's]");
    ratio("PlainCopyRing/10000", "PlainCopyRing/1000", "plain copy into 10000 buffers / into 1000 [the memory's share]");
    if (t.count("AddFallingMaxima/10000") && t.count("AddFallingMaxima/1000") && t.count("PlainCopyRing/10000") &&
        t.count("PlainCopyRing/1000"))
        std::printf("%-66s %8.3f\n", "buffer cost at depth 10000 / depth 1000, over the copy's [<= 1.1]",
                    (t["AddFallingMaxima/10000"] / t["AddFallingMaxima/1000"]) /
                        (t["PlainCopyRing/10000"] / t["PlainCopyRing/1000"]));
    ratio("UpdateOneBuffer", "FullRepaint", "update for one new buffer / full repaint [small, one row]");
    // Against the reference scaled to the values the repaint maps.
    for (const auto& [ch, depth] : {std::pair{1, 1000}, {2, 1000}, {4, 1000}, {1, 10000}, {4, 10000}}) {
        const std::string name = "Repaint/" + std::to_string(ch) + "/" + std::to_string(depth);
        if (!t.count(name) || !t.count("ReferenceMap")) continue;
        const double scale = double(ch) * depth / (double(kChannels) * kDepth);
        std::printf("%-66s %8.3f\n",
                    ("repaint " + std::to_string(ch) + " ch, depth " + std::to_string(depth) +
                     " / reference for as many values [<= 2.0]").c_str(),
                    t[name] / (t["ReferenceMap"] * scale));
    }
    std::printf("%-66s %8.3f\n", "peak history memory / bytes held [<= 1.2]", PeakHistoryMemory());
    return 0;
}
