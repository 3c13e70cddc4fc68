#pragma once
// The journal in a language: an entry's one line, a verification's result,
// why a line could not be appended. qv-cli and the window say the same.
#include <string>

#include "core/journal/journal.h"
#include "core/text/words.h"

namespace qv::journal {

std::string operationWords(const qv::text::Words& w, const Record& intent);
// The verdict in the Configuration page's words, a command's answer, or
// "outcome unknown" for an intent without outcome.
std::string outcomeWords(const qv::text::Words& w, const std::optional<Record>& outcome);
// time, user, port, model, operation: outcome; changes old -> new.
std::string entryLine(const qv::text::Words& w, const Entry& e);
std::string verificationWords(const qv::text::Words& w, const Verification& v);
// An errno or one of the journal's own troubles.
std::string troubleWords(const qv::text::Words& w, int error);
// "3 lines could not be read, the first is line 7"; empty when none.
std::string unreadableWords(const qv::text::Words& w, const Reading& r);

}  // namespace qv::journal
