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

#include "core/protocol/commands.h"
#include "core/protocol/measurement.h"
#include "core/protocol/tables.h"
#include "fuzz/fuzz_common.h"
#include "core/params/check.h"
#include "core/params/parameters.h"

namespace cfg = qv::params;

namespace {
// Which limit judges each real; where it travels comes from the block's layout.
struct RealLimit {
    int control;
    cfg::Pair cfg::CheckLimits::*limit;
};
const RealLimit kReals[] = {
    {cfg::PipeSize, &cfg::CheckLimits::pipe},   {cfg::FlowStart, &cfg::CheckLimits::flow},
    {cfg::FlowEnd, &cfg::CheckLimits::flow},    {cfg::TempStart, &cfg::CheckLimits::temp},
    {cfg::TempEnd, &cfg::CheckLimits::temp},    {cfg::Gk1On, &cfg::CheckLimits::gk1On},
    {cfg::Gk1Off, &cfg::CheckLimits::gk1Off},   {cfg::Gk2On, &cfg::CheckLimits::gk2On},
    {cfg::Gk2Off, &cfg::CheckLimits::gk2Off},   {cfg::PulseFrequency, &cfg::CheckLimits::freq},
    {cfg::Pressure, &cfg::CheckLimits::press},
};

bool within(double v, cfg::Pair p) { return std::isfinite(v) && v >= p.min && v <= p.max; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const cfg::LoadedFile loaded = cfg::parseConfigurationFile(data, size);
    const int code = loaded.code;
    int family = -1;
    qv::protocol::updateFamily(code, family);

    cfg::ControlValues values;
    if (family >= 0) values = cfg::decodeBlock(family, loaded.block.data(), loaded.block.size());
    values.index[cfg::Model] = code >= 0 && code < qv::protocol::kModelCodeCount ? code : -1;

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
    const auto frame = qv::protocol::writeFrame(family, block);
    QV_FUZZ_CHECK(frame.size() == block.size() + 3 && frame[1] == qv::protocol::familyLetter(family));

    const cfg::CheckLimits limits = cfg::checkLimits(family, values);
    const int sensor = values.sel(cfg::Sensor);
    auto has = [&](int control) { return !cfg::isUnavailable(code, control, sensor); };
    auto at = [&](int control) { return &block[cfg::fieldOf(family, control)->offset]; };
    for (const auto& r : kReals) {
        if (!cfg::fieldOf(family, r.control)) continue;  // not in this family's block
        if (has(r.control)) QV_FUZZ_CHECK(within(qv::protocol::decodeFloatBE(at(r.control)), limits.*r.limit));
    }
    QV_FUZZ_CHECK(within(*at(cfg::MeasuringTime), limits.time));
    // The integers as the layout says they travel.
    auto number = [&](int control) -> double {
        const cfg::BlockField& f = *cfg::fieldOf(family, control);
        const std::uint8_t* p = &block[f.offset];
        switch (f.type) {
            case cfg::FieldType::Word: return p[0] << 8 | p[1];
            case cfg::FieldType::Thousandths: return std::round(double(qv::protocol::decodeFloatBE(p)) * 1000.0);
            default: return *p;
        }
    };
    QV_FUZZ_CHECK(within(number(cfg::CValue), limits.c));
    QV_FUZZ_CHECK(within(number(cfg::TValue), limits.t));
    const float factor = qv::protocol::decodeFloatBE(at(cfg::MultFactor));
    QV_FUZZ_CHECK(std::isfinite(factor) && factor >= 0);
    return 0;
}
