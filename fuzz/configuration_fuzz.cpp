// The configuration file load, the block decode and the check, as "Laden"
// then "PC-->KT740" run them. The input is a configuration file (the model
// code, then the block; the load reads its first 100 bytes); bytes after the
// 101st replace the edits' texts, one line each in row order, as a user
// typing into the page would (longer than the edits hold, too). Property: what passes the check is what is
// sent, so every value the model has lies within its limits in the encoded
// block too.
#include <cmath>
#include <cstdint>
#include <string>

#include "device/measurement.h"
#include "device/tables.h"
#include "fuzz/fuzz_common.h"
#include "pages/configuration/check.h"
#include "pages/configuration/parameters.h"

namespace cfg = qv::configuration;

namespace {
struct RealAt {
    int control;
    std::size_t at;
    cfg::Pair cfg::CheckLimits::*limit;
};
const RealAt kReals[] = {
    {cfg::PipeSize, 7, &cfg::CheckLimits::pipe},   {cfg::FlowStart, 19, &cfg::CheckLimits::flow},
    {cfg::FlowEnd, 23, &cfg::CheckLimits::flow},   {cfg::TempStart, 28, &cfg::CheckLimits::temp},
    {cfg::TempEnd, 32, &cfg::CheckLimits::temp},   {cfg::Gk1On, 37, &cfg::CheckLimits::gk1On},
    {cfg::Gk1Off, 41, &cfg::CheckLimits::gk1Off},  {cfg::Gk2On, 45, &cfg::CheckLimits::gk2On},
    {cfg::Gk2Off, 49, &cfg::CheckLimits::gk2Off},  {cfg::PulseFrequency, 54, &cfg::CheckLimits::freq},
    {cfg::Pressure, 66, &cfg::CheckLimits::press},
};

bool within(double v, cfg::Pair p) { return std::isfinite(v) && v >= p.min && v <= p.max; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const cfg::LoadedFile loaded = cfg::parseConfigurationFile(data, size);
    const int code = loaded.code;
    int family = -1;
    qv::device::updateFamily(code, family);

    cfg::ControlValues values;
    if (family >= 0) values = cfg::decodeBlock(family, loaded.block.data(), loaded.block.size());
    values.index[cfg::Model] = code >= 0 && code < qv::device::kModelCodeCount ? code : -1;

    // The edits the user typed over the loaded values.
    if (size > cfg::kFileSize) {
        std::string typed(reinterpret_cast<const char*>(data + cfg::kFileSize), size - cfg::kFileSize);
        std::size_t pos = 0;
        for (const auto& row : cfg::rows()) {
            if (row.kind != cfg::Kind::Edit || pos > typed.size()) continue;
            const auto nl = typed.find('\n', pos);
            const auto end = nl == std::string::npos ? typed.size() : nl;
            values.text[row.control] = typed.substr(pos, end - pos);
            pos = end + 1;
        }
    }

    const cfg::CheckOutcome outcome = cfg::checkConfiguration(code, family, values);
    QV_FUZZ_CHECK(outcome.result == 1 || outcome.result == -1);
    QV_FUZZ_CHECK(outcome.result != 1 || outcome.errors == 0);
    if (outcome.result != 1) return 0;

    // Passed: the model names a family, and the block that goes out holds
    // exactly the values the check judged.
    QV_FUZZ_CHECK(family >= 0 && family <= 2);
    const auto block = cfg::encodeBlock(family, values);
    QV_FUZZ_CHECK(block.size() == cfg::blockSize(family));
    const auto frame = cfg::writeFrame(family, block);
    QV_FUZZ_CHECK(frame.size() == block.size() + 3 && frame[1] == cfg::familyLetter(family));

    const cfg::CheckLimits limits = cfg::checkLimits(family, values);
    const int sensor = values.sel(cfg::Sensor);
    auto has = [&](int control) { return !cfg::isUnavailable(code, control, sensor); };
    for (const auto& r : kReals) {
        if (r.control == cfg::Pressure && family != 1) continue;
        if (has(r.control)) QV_FUZZ_CHECK(within(qv::device::decodeFloatBE(&block[r.at]), limits.*r.limit));
    }
    QV_FUZZ_CHECK(within(block[58], limits.time));
    if (family == 1) {
        QV_FUZZ_CHECK(within(block[2] << 8 | block[3], limits.c));
        QV_FUZZ_CHECK(within(block[4] << 8 | block[5], limits.t));
    } else {
        QV_FUZZ_CHECK(within(block[2], limits.t));
        QV_FUZZ_CHECK(within(std::round(double(qv::device::decodeFloatBE(&block[3])) * 1000.0), limits.c));
    }
    const float factor = qv::device::decodeFloatBE(&block[59]);
    QV_FUZZ_CHECK(std::isfinite(factor) && factor >= 0);
    return 0;
}
