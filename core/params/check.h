#pragma once
// The configuration check: every parameter the model has against its limits,
// the selections, the cross checks and the GX gas rules. It runs before each
// write to the meter and on "Konfig-Check".
#include <optional>
#include <string>
#include <vector>

#include "core/params/parameters.h"

namespace qv::params {

struct Pair {
    float min = 0, max = 0;
};

// The limits of one check run, from the family, the units and the selections.
struct CheckLimits {
    Pair t, c, pipe, flow, temp, gk1On, gk1Off, gk2On, gk2Off, freq, time, press;
};
CheckLimits checkLimits(int family, const ControlValues& values);

// The range the check holds an edit to (a number row), or nothing for a
// selection and a row checked only against another.
std::optional<Pair> allowedRange(int control, const CheckLimits& limits);

// The largest flow velocity of the family, sensor and medium, in the unit
// of 1006 (0 "%", 1 "m/s", 2 "fps").
float flowVelocityMax(int family, const ControlValues& values);

// Drops the characters below the blank and reads a comma as a decimal point.
std::string cleanNumberText(const std::string& text);

struct CheckOutcome {
    int result = -1;                // 1 passed, -1 failed
    int errors = 0;
    std::vector<int> errorMarkers;  // the markers to show, each once
    bool changedMarkersHidden = false;
};

// Checks the values for model code `code` (the model combo's selection);
// family is the one known to the program, used only when code names none.
// Edit texts that the check reads as numbers come back cleaned in values,
// as the page writes them back into its edits.
CheckOutcome checkConfiguration(int code, int family, ControlValues& values);

}  // namespace qv::params
