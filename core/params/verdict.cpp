#include "core/params/verdict.h"

#include <algorithm>

#include "core/text/text_numbers.h"

namespace qv::params {

WriteJudgement judgeWrite(const WriteRequest& req, const WriteResult& res, int ui) {
    WriteJudgement j;
    if (!res.linked) return j;
    const bool acked = res.line.acknowledged;
    if (!req.readBack || !res.back) {
        j.verdict = acked ? WriteVerdict::Acknowledged : WriteVerdict::NotAcknowledged;
        j.holdsSet = acked;
        return j;
    }
    const SetRead& back = *res.back;
    const ParameterSet& sent = req.set;
    if (!back.whole() || back.set.family != sent.family) {
        // Nothing to compare: not verified, or, unacknowledged, not known either way.
        j.verdict = acked ? WriteVerdict::NotVerified : WriteVerdict::Unknown;
        j.readBack = back.state == ReadState::Damaged ? ReadState::Damaged : ReadState::Incomplete;
        return j;
    }
    // Byte for byte: every byte of the block, reserved ones included.
    j.differences = compareBlocks(sent.family, sent.code, ui, sent.block.data(), back.set.block.data(), true);
    if (j.differences.empty()) {
        j.verdict = acked ? WriteVerdict::Verified : WriteVerdict::HeldAfterAll;
        j.holdsSet = true;
        return j;
    }
    const auto& old = req.before;
    if (!acked && old && old->family == sent.family && old->block == back.set.block) {
        j.verdict = WriteVerdict::KeptOld;
        j.differences.clear();
        return j;
    }
    j.verdict = acked ? WriteVerdict::NotVerifiedOther : WriteVerdict::NotWrittenOther;
    return j;
}

VerdictWords verdictWords(const WriteJudgement& j) {
    namespace l = qv::text::label;
    const int reason = j.readBack == ReadState::Damaged ? l::ReadBackDamaged : l::NoWholeBlock;
    switch (j.verdict) {
        case WriteVerdict::NotSent: return {l::NotSent, 0};
        case WriteVerdict::Verified: return {l::Verified, 0};
        case WriteVerdict::HeldAfterAll: return {l::HeldAfterAll, 0};
        case WriteVerdict::KeptOld: return {l::KeptOld, 0};
        case WriteVerdict::NotVerifiedOther: return {l::NotVerifiedOther, 0};
        case WriteVerdict::NotWrittenOther: return {l::NotWrittenOther, 0};
        case WriteVerdict::NotVerified: return {l::NotVerified, reason};
        case WriteVerdict::Unknown: return {l::Unknown, reason};
        case WriteVerdict::Acknowledged: return {l::Acknowledged, 0};
        case WriteVerdict::NotAcknowledged: return {l::NotAcknowledged, 0};
    }
    return {};
}

const char* verdictName(WriteVerdict v) {
    switch (v) {
        case WriteVerdict::NotSent: return "not-sent";
        case WriteVerdict::Verified: return "verified";
        case WriteVerdict::HeldAfterAll: return "held-after-all";
        case WriteVerdict::KeptOld: return "kept-old";
        case WriteVerdict::NotVerifiedOther: return "not-verified-other";
        case WriteVerdict::NotWrittenOther: return "not-written-other";
        case WriteVerdict::NotVerified: return "not-verified";
        case WriteVerdict::Unknown: return "unknown";
        case WriteVerdict::Acknowledged: return "acknowledged";
        case WriteVerdict::NotAcknowledged: return "not-acknowledged";
    }
    return "";
}

std::optional<WriteVerdict> verdictOf(const std::string& name) {
    for (int v = 0; v <= static_cast<int>(WriteVerdict::NotAcknowledged); ++v)
        if (name == verdictName(static_cast<WriteVerdict>(v))) return static_cast<WriteVerdict>(v);
    return std::nullopt;
}

}  // namespace qv::params
