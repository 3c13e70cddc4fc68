#include "core/journal/wording.h"

#include <cerrno>

#include "core/params/verdict.h"
#include "core/text/text_numbers.h"
#include "platform/files/files.h"

namespace qv::journal {
namespace {

namespace cli = qv::text::cli;

std::string text(const qv::text::Words& w, int id, const std::vector<std::string>& args = {}) {
    return qv::text::fillWords(w.label(qv::text::kCliTexts, id), args);
}

}  // namespace

std::string operationWords(const qv::text::Words& w, const Record& r) {
    const auto op = operationOf(r.operation);
    if (!op) return r.operation;
    switch (*op) {
        case Operation::ParameterWrite: return text(w, cli::OpWrite);
        case Operation::LowFlow: return text(w, cli::OpLowFlow, {std::to_string(r.lowFlowPercent)});
        case Operation::ZeroPoint: return text(w, cli::OpZeroPoint);
        case Operation::ResetTotalizer: return text(w, cli::OpResetTotalizer);
        case Operation::ResetMinima: return text(w, cli::OpResetMinima);
        case Operation::ResetMaxima: return text(w, cli::OpResetMaxima);
        case Operation::ResetError: return text(w, cli::OpResetError);
        case Operation::StartMeasurement: return text(w, cli::OpStart);
        case Operation::StopMeasurement: return text(w, cli::OpStop);
    }
    return r.operation;
}

std::string outcomeWords(const qv::text::Words& w, const std::optional<Record>& o) {
    if (!o) return text(w, cli::OutcomeUnknown);
    if (const auto v = qv::params::verdictOf(o->verdict)) {
        qv::params::WriteJudgement j;
        j.verdict = *v;
        // The page's title, without the colon its list follows on the page.
        std::string title = w.label(qv::text::kConfigurationLabels, qv::params::verdictWords(j).title);
        while (!title.empty() && (title.back() == ':' || title.back() == ' ')) title.pop_back();
        return title;
    }
    if (o->answer == "answered") return text(w, cli::Answered);
    if (o->answer == "no-reply") return text(w, cli::NoReply);
    if (o->answer == "acknowledged") return text(w, cli::Acknowledged);
    if (o->answer == "not-acknowledged") return text(w, cli::NotAcknowledged);
    return o->answer;  // the low-flow exchange's and zero point's own words
}

std::string entryLine(const qv::text::Words& w, const Entry& e) {
    const auto& r = e.intent;
    std::string line = r.time + "  " + r.user + "  " +
                       (r.target.port ? "COM" + std::to_string(r.target.port) : r.target.reached) + "  " +
                       (r.target.model.empty() ? "-" : r.target.model) + "  " + operationWords(w, r) + ": " +
                       outcomeWords(w, e.outcome);
    if (e.outcome)
        for (const auto& c : e.outcome->changes) line += "; " + c.caption + ": " + c.from + " \u2192 " + c.to;
    return line;
}

std::string troubleWords(const qv::text::Words& w, int error) {
    switch (error) {
        case 0: return {};
        case kNotRegularFile: return w.message(qv::text::msg::NotRegularFile);
        case kLocked: return w.message(qv::text::msg::JournalLocked);
        case kLastLineTooLong: return w.message(qv::text::msg::JournalLastLine);
        case EFBIG: return qv::text::fillWords(w.message(qv::text::msg::FileTooLarge), {std::to_string(kMaxJournalBytes)});
        default: return qv::files::reason(error);
    }
}

std::string verificationWords(const qv::text::Words& w, const Verification& v) {
    using F = Verification::Fault;
    const std::string n = std::to_string(v.badLine);
    const std::string before = std::to_string(v.badLine > 1 ? v.badLine - 1 : 1);
    if (v.error) return troubleWords(w, v.error);
    switch (v.fault) {
        case F::None:
            return text(w, qv::text::counted(v.lines, w.language(), cli::JournalIntact, cli::JournalIntactOne),
                        {std::to_string(v.lines)});
        case F::Changed: return text(w, cli::LineChanged, {before});
        case F::Removed: return text(w, cli::LineRemoved, {n});
        case F::Inserted: return text(w, cli::LineInserted, {before});
        case F::NotALine: return text(w, cli::NoJournalLine, {n});
    }
    return {};
}

std::string unreadableWords(const qv::text::Words& w, const Reading& r) {
    if (!r.unreadable) return {};
    return text(w, qv::text::counted(r.unreadable, w.language(), cli::UnreadableLines, cli::UnreadableLinesOne),
                {std::to_string(r.unreadable), std::to_string(r.firstUnreadable)});
}

}  // namespace qv::journal
