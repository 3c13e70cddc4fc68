// The simulator's command parser over a fuzzed byte stream from the PC.
// Input: model code, fault switches, seed, then chunks: a header byte (low 6
// bits: how many bytes follow; high 2 bits: how long the line was quiet
// before them) and the bytes. Properties: the stored parameter sets keep
// their family's size, and the meter's output stays bounded.
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "sim/meter.h"

namespace sim = qv::sim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    sim::MeterConfig config;
    config.modelCode = static_cast<std::int8_t>(data[0]);
    const std::uint8_t faults = data[1];
    config.dropRate = faults & 0x01 ? 0.3 : 0;
    config.wrongLengthRate = faults & 0x02 ? 0.3 : 0;
    config.garbageRate = faults & 0x04 ? 0.3 : 0;
    config.flood = faults & 0x08;
    config.silent = faults & 0x10;
    config.replyDelayMs = faults & 0x20 ? 30 : 0;
    config.zeroResult = faults & 0x40 ? sim::kNoZeroResult : sim::kStatus9E;
    config.lowFlowSilence = faults & 0x80 ? sim::LowFlowSilence::Block : sim::LowFlowSilence::None;
    config.seed = data[2];

    sim::Meter meter(config, 0);
    static constexpr std::uint64_t kQuiet[4] = {0, 40, 200, 1200};
    std::uint64_t now = 0;
    std::size_t received = 0, sent = 0;
    std::vector<std::uint8_t> out;
    std::size_t pos = 3;
    while (pos < size) {
        const std::uint8_t header = data[pos++];
        now += kQuiet[header >> 6];
        const std::size_t n = std::min<std::size_t>(header & 0x3F, size - pos);
        meter.receive(data + pos, n, now);
        pos += n;
        received += n;
        out.clear();
        meter.collectDue(now, out);
        sent += out.size();
        QV_FUZZ_CHECK(meter.nextDue() == sim::Meter::kNever || meter.nextDue() > now);
    }
    now += 5000;
    out.clear();
    meter.collectDue(now, out);
    sent += out.size();

    for (int f = 0; f < 3; ++f) QV_FUZZ_CHECK(meter.block(f).size() == sim::blockSize(f));
    // At most one reply of a flooded length per byte, plus one zero-point
    // result each, plus the garbage bursts of the time that passed.
    QV_FUZZ_CHECK(sent <= received * (120 + 1) + (now / 100 + 1) * 6);
    return 0;
}
