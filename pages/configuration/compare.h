#pragma once
// Two parameter sets side by side: the page's and the meter's, or a file's,
// or what was written and what the meter then holds. No Qt.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pages/configuration/parameters.h"

namespace qv::configuration {

struct Difference {
    int control = 0;  // the row's control; 0 for a byte no row holds
    int byte = -1;    // with control 0: the block offset
    std::string mine, other;  // as the page shows them, unit included (UTF-8)
};

// The rows in which two blocks of a family differ, in the page's row order.
// code: the model, whose missing rows are left out unless allRows; lists are
// named in uiLanguage. Bytes that differ but belong to no row (the reserved
// byte) come last, so a byte-for-byte comparison misses nothing.
std::vector<Difference> compareBlocks(int family, int code, int uiLanguage, const std::uint8_t* mine,
                                      const std::uint8_t* other, bool allRows);

// A value as the page shows it, with its unit, from a decoded set.
std::string displayValue(int control, const ControlValues& values, int family, int uiLanguage);

}  // namespace qv::configuration
