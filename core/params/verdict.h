#pragma once
// The one judgement of a parameter write: what went out, whether the meter
// acknowledged it, what it held before and what it holds after, read back
// byte for byte. The Configuration page and qv-cli both call it and word it
// from the same texts.
#include <optional>
#include <string>
#include <vector>

#include "core/params/compare.h"
#include "core/params/transfer.h"

namespace qv::params {

struct WriteRequest {
    ParameterSet set;                   // what is sent
    std::optional<ParameterSet> before; // what the meter held, as last read from it
    bool readBack = true;               // the block is read again right after
};
struct WriteResult {
    bool linked = false;                // there was a link: the frame could go out
    qv::protocol::WriteOutcome line;
    std::optional<SetRead> back;        // the read-back, when one was made
    int journalRefused = 0;             // not sent: the intent could not be journaled (its trouble)
};

enum class WriteVerdict {
    NotSent,          // no link: nothing went out
    Verified,         // acknowledged, and the meter holds the bytes sent
    HeldAfterAll,     // not acknowledged, but the meter holds the new set after all
    KeptOld,          // not acknowledged, and the meter holds the set it held before
    NotVerifiedOther, // acknowledged, but the meter holds something else
    NotWrittenOther,  // not acknowledged, and the meter holds something else
    NotVerified,      // acknowledged; the read-back brought no whole block of the set's family
    Unknown,          // not acknowledged; the read-back brought no whole block either
    Acknowledged,     // acknowledged, not read back
    NotAcknowledged,  // not acknowledged, not read back
};
struct WriteJudgement {
    WriteVerdict verdict = WriteVerdict::NotSent;
    // The meter holds what was sent (as far as the read-back shows, or, not
    // read back, as its acknowledge says).
    bool holdsSet = false;
    // Sent ↔ held, byte for byte, named by their rows (NotVerifiedOther, NotWrittenOther).
    std::vector<Difference> differences;
    // Why a read-back shows nothing: Damaged or Incomplete (NotVerified, Unknown).
    ReadState readBack = ReadState::Whole;
};
// uiLanguage names the differences' list entries.
WriteJudgement judgeWrite(const WriteRequest& request, const WriteResult& result, int uiLanguage);

// The texts of the Configuration page's labels file that word a judgement:
// its title, and, when the read-back showed nothing, why (0: none).
struct VerdictWords {
    int title = 0;
    int reason = 0;
};
VerdictWords verdictWords(const WriteJudgement& judgement);
// A stable name of a verdict for scripts ("verified", "kept-old", ...).
const char* verdictName(WriteVerdict verdict);
std::optional<WriteVerdict> verdictOf(const std::string& name);

}  // namespace qv::params
