#include "pages/configuration/compare.h"

#include <cstdio>
#include <map>
#include <set>

namespace qv::configuration {

namespace {
std::string trimmed(const std::string& s) {
    const auto a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

std::string listText(int control, int index, int family, int ui) {
    const auto list = listOf(control, isFamilyList(control) ? family : -1, ui);
    return index >= 0 && index < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(index)] : "\u2013";
}

// The unit beside an edit, by the same rules as the page's unit labels.
std::string unitOf(int control, const ControlValues& v, int family, int ui) {
    const auto unit = [&](int combo) { return v.sel(combo) >= 0 ? listText(combo, v.sel(combo), family, ui) : ""; };
    const int a = v.sel(Assignment);
    switch (control) {
        case FlowStart:
        case FlowEnd: return unit(VelocityUnit);
        case TempStart:
        case TempEnd: return unit(TemperatureUnit);
        case PulseFrequency: return unit(TotalUnit);
        case Gk1On:
        case Gk1Off: return unit(a == 0 || a == 2 ? VelocityUnit : TemperatureUnit);
        case Gk2On:
        case Gk2Off: return unit(a == 0 || a == 1 ? VelocityUnit : TemperatureUnit);
        case MeasuringTime: return "s";
        case Pressure: return "bar";
        default: return "";
    }
}

// The bytes each row occupies, found by encoding a set that differs from
// the empty one in that row alone.
std::map<int, std::set<std::size_t>> rowBytes(int family) {
    std::map<int, std::set<std::size_t>> out;
    const auto zero = encodeBlock(family, ControlValues{});
    for (const auto& r : rows()) {
        if (r.control == Model) continue;
        ControlValues v;
        if (r.kind == Kind::Edit) v.text[r.control] = "1";
        else v.index[r.control] = 1;
        const auto one = encodeBlock(family, v);
        for (std::size_t i = 0; i < one.size(); ++i)
            if (one[i] != zero[i]) out[r.control].insert(i);
    }
    return out;
}
}  // namespace

std::string displayValue(int control, const ControlValues& v, int family, int ui) {
    const Row* r = rowOf(control);
    if (!r) return {};
    switch (r->kind) {
        case Kind::Combo: return listText(control, v.sel(control), family, ui);
        case Kind::Check: return v.sel(control) ? "\u2611" : "\u2610";
        case Kind::Edit: {
            std::string s = trimmed(v.txt(control));
            const std::string unit = unitOf(control, v, family, ui);
            return unit.empty() ? s : s + " " + unit;
        }
    }
    return {};
}

std::vector<Difference> compareBlocks(int family, int code, int ui, const std::uint8_t* mine,
                                      const std::uint8_t* other, bool allRows) {
    std::vector<Difference> out;
    const std::size_t n = blockSize(family);
    if (n == 0) return out;
    const ControlValues a = decodeBlock(family, mine, n), b = decodeBlock(family, other, n);
    const int sensor = a.sel(Sensor);
    std::set<int> differing;
    for (const auto& r : rows()) {
        if (r.control == Model) continue;
        const bool differs = r.kind == Kind::Edit ? a.txt(r.control) != b.txt(r.control)
                                                  : a.sel(r.control) != b.sel(r.control);
        if (!differs) continue;
        differing.insert(r.control);
        if (!allRows && isUnavailable(code, r.control, sensor)) continue;
        out.push_back({r.control, -1, displayValue(r.control, a, family, ui), displayValue(r.control, b, family, ui)});
    }
    // A byte that no decoded row tells apart (a reserved byte, a real whose
    // two encodings show alike) is still a difference to a byte comparison.
    if (allRows) {
        std::set<std::size_t> explained;
        for (const auto& [control, bytes] : rowBytes(family))
            if (differing.count(control)) explained.insert(bytes.begin(), bytes.end());
        for (std::size_t i = 0; i < n; ++i) {
            if (mine[i] == other[i] || explained.count(i)) continue;
            char x[8], y[8];
            std::snprintf(x, sizeof x, "0x%02X", mine[i]);
            std::snprintf(y, sizeof y, "0x%02X", other[i]);
            out.push_back({0, static_cast<int>(i), x, y});
        }
    }
    return out;
}

}  // namespace qv::configuration
