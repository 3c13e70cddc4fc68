#include "core/protocol/tables.h"

namespace qv::protocol {

const std::array<std::string, kModelCodeCount>& modelCodeTable() {
    static const std::array<std::string, kModelCodeCount> table = [] {
        static const char* const options[15] = {"",     "P2",   "D4",   "A1",   "A2",
                                                "I1",   "I2",   "P2A1", "P2A2", "P2I1",
                                                "P2I2", "D4A1", "D4A2", "D4I1", "D4I2"};
        static const char* const families[3] = {"", "GX-", "FX-"};
        std::array<std::string, kModelCodeCount> t;
        t[0] = "----";
        for (int g = 0; g < 3; ++g)
            for (int k = 1; k <= 15; ++k)
                t[15 * g + k] = std::string("KT740-") + families[g] + "M1" + options[k - 1] + "S1";
        return t;
    }();
    return table;
}

const std::array<std::string, kUnitTextCount>& unitTextTable() {
    static const std::array<std::string, kUnitTextCount> table = {
        "l/s",     "l/min",   "m\xB3/h",  "ft\xB3/s", "ft\xB3/min", "kg/s",   "kg/min",
        "kg/h",    "pounds/s", "pounds/min", "pounds/h", "l",       "m\xB3",  "ft\xB3",
        "kg",      "lb",      "l/s",      "l/min",    "m\xB3/h",   "gallons/min",
        "\xB0" "C", "\xB0" "F", "K",       "%",        "m/s",       "fps",    "l",
        "m\xB3",   "gallons"};
    return table;
}

int familyOfCode(int code) {
    if (code >= 1 && code <= 15) return 0;
    if (code >= 16 && code <= 30) return 1;
    if (code >= 31 && code <= 45) return 2;
    return -1;
}

void updateFamily(int code, int& family) {
    int f = familyOfCode(code);
    if (f >= 0) family = f;
}

const std::string& modelCodeText(int code) {
    const auto& t = modelCodeTable();
    return (code >= 0 && code < kModelCodeCount) ? t[code] : t[0];
}

int unitIndex(Quantity q, int family, int unitCode) {
    // One subtraction into the one table, per quantity and family; the
    // quantity's own range is deliberately not checked.
    int offset = 0;
    const bool f1 = family == 1;
    switch (q) {
        case Quantity::FlowVelocity: offset = f1 ? 127 : 67; break;
        case Quantity::VolumeFlow: offset = f1 ? 160 : 94; break;
        case Quantity::Totalizer: offset = f1 ? 164 : 94; break;
        case Quantity::Temperature: offset = f1 ? 135 : 80; break;
    }
    int index = unitCode - offset;
    return (index >= 0 && index < kUnitTextCount) ? index : -1;
}

std::string unitText(Quantity q, int family, int unitCode) {
    int i = unitIndex(q, family, unitCode);
    return i < 0 ? std::string() : unitTextTable()[i];
}

const char* operationAvailability(int v) {
    // Built once from the rule: low-flow only on family 1, the contacts by option.
    static const auto table = [] {
        std::array<std::array<char, 6>, kModelCodeCount> t{};
        for (int code = 1; code <= 45; ++code) {
            const int k = (code - 1) % 15 + 1, g = (code - 1) / 15;
            const char* contacts = (k == 1 || (k >= 4 && k <= 7))    ? "1111"
                                   : (k == 2 || (k >= 8 && k <= 11)) ? "0011"
                                                                     : "0000";
            auto& row = t[static_cast<std::size_t>(code)];
            row[0] = g == 1 ? '0' : '1';
            for (int c = 0; c < 4; ++c) row[static_cast<std::size_t>(c + 1)] = contacts[c];
            row[5] = '\0';
        }
        return t;
    }();
    if (v < 1 || v > 45) return nullptr;
    return table[static_cast<std::size_t>(v)].data();
}

bool groupAvailable(int deviceCode, Group group) {
    const char* row = operationAvailability(deviceCode);
    return !row || row[static_cast<int>(group)] != '1';
}

}  // namespace qv::protocol
