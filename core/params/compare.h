#pragma once
// Two parameter sets side by side: the page's and the meter's, or a file's,
// or what was written and what the meter then holds. No Qt.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/params/parameters.h"
#include "core/params/transfer.h"
#include "core/text/words.h"

namespace qv::params {

struct Difference {
    int control = 0;  // the row's control; 0 for a byte no row holds
    int byte = -1;    // a byte whose values show alike, or that no row holds: its block offset
    std::string mine, other;  // as the page shows them, unit included (UTF-8); a byte in hex
    bool missing = false;     // a row the model lacks (listed by a byte-for-byte comparison only)
};

// The rows in which two blocks of a family differ, in the page's row order.
// code: the model, whose missing rows are left out unless allRows; lists are
// named in uiLanguage. With allRows, bytes that differ but show alike come
// after the rows, named by their row (or as a bare byte for a reserved one),
// so a byte-for-byte comparison misses nothing and names nothing twice.
std::vector<Difference> compareBlocks(int family, int code, int uiLanguage, const std::uint8_t* mine,
                                      const std::uint8_t* other, bool allRows);

// The page's set against the meter's or a file's, as the Configuration page
// and qv-cli compare them: a second model is a row of its own; blocks of one
// family are compared row by row, the rows the first set's model lacks left
// out; blocks of two families have nothing more in common.
std::vector<Difference> compareSets(const ParameterSet& mine, const ParameterSet& other, int uiLanguage);

// A value as the page shows it, with its unit, from a decoded set.
std::string displayValue(int control, const ControlValues& values, int family, int uiLanguage);
// The unit beside an edit, by the same rules as the page's unit labels; empty for none.
std::string valueUnit(int control, const ControlValues& values, int family, int uiLanguage);

// A row's caption as the page shows it, in the words' language: the labels
// file's, else the dialog's own; without its access key and colon.
std::string rowCaption(const qv::text::Words& words, int control);

// One line of the differences list (UTF-8): "caption: mine ↔ other", a byte
// as byteWord with its offset for %1 ("Rohrgröße (Byte 9): …"), a row the
// model lacks with missingWord after a dash.
std::string differenceLine(const Difference& d, const std::string& caption, const std::string& byteWord,
                           const std::string& missingWord);

}  // namespace qv::params
