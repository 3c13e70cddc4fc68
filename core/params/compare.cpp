#include "core/params/compare.h"

#include <cstdio>
#include <map>
#include <set>

#include "core/protocol/tables.h"

namespace qv::params {

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

}  // namespace

std::string valueUnit(int control, const ControlValues& v, int family, int ui) {
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

std::string displayValue(int control, const ControlValues& v, int family, int ui) {
    const Row* r = rowOf(control);
    if (!r) return {};
    switch (r->kind) {
        case Kind::Combo: return listText(control, v.sel(control), family, ui);
        case Kind::Check: return v.sel(control) ? "\u2611" : "\u2610";
        case Kind::Edit: {
            std::string s = trimmed(v.txt(control));
            const std::string unit = valueUnit(control, v, family, ui);
            return unit.empty() ? s : s + " " + unit;
        }
    }
    return {};
}

std::string differenceLine(const Difference& d, const std::string& caption, const std::string& byteWord,
                           const std::string& missingWord) {
    std::string byte = byteWord;
    if (const auto at = byte.find("%1"); at != std::string::npos) byte.replace(at, 2, std::to_string(d.byte));
    std::string what = !d.control ? byte : d.byte >= 0 ? caption + " (" + byte + ")" : caption;
    if (d.missing) what += " \u2013 " + missingWord;
    return what + ": " + d.mine + " \u2194 " + d.other;
}

std::vector<Difference> compareSets(const ParameterSet& mine, const ParameterSet& other, int ui) {
    std::vector<Difference> out;
    if (mine.code != other.code) {
        auto name = [](int c) {
            return c >= 0 && c < qv::protocol::kModelCodeCount ? qv::protocol::modelCodeText(c) : std::to_string(c);
        };
        out.push_back({Model, -1, name(mine.code), name(other.code)});
    }
    const std::size_t n = blockSize(mine.family);
    if (n == 0 || mine.family != other.family || mine.block.size() < n || other.block.size() < n) return out;
    const auto more = compareBlocks(mine.family, mine.code, ui, mine.block.data(), other.block.data(), false);
    out.insert(out.end(), more.begin(), more.end());
    return out;
}

std::vector<Difference> compareBlocks(int family, int code, int ui, const std::uint8_t* mine,
                                      const std::uint8_t* other, bool allRows) {
    std::vector<Difference> out;
    const std::size_t n = blockSize(family);
    if (n == 0) return out;
    const ControlValues a = decodeBlock(family, mine, n), b = decodeBlock(family, other, n);
    const int sensor = a.sel(Sensor);
    std::set<int> listed;
    for (const auto& r : rows()) {
        if (r.control == Model) continue;
        const bool differs = r.kind == Kind::Edit ? a.txt(r.control) != b.txt(r.control)
                                                  : a.sel(r.control) != b.sel(r.control);
        if (!differs) continue;
        const bool missing = isUnavailable(code, r.control, sensor);
        if (!allRows && missing) continue;
        listed.insert(r.control);
        out.push_back({r.control, -1, displayValue(r.control, a, family, ui), displayValue(r.control, b, family, ui), missing});
    }
    if (!allRows) return out;
    // A byte that differs where the rows show alike (a real's last bits, a
    // reserved byte) is still a difference to a byte comparison: named by
    // its row when it has one.
    std::vector<const BlockField*> owner(n, nullptr);
    for (const BlockField& f : blockLayout(family))
        for (std::size_t i = f.offset; i < f.offset + f.width && i < n; ++i) owner[i] = &f;
    for (std::size_t i = 0; i < n; ++i) {
        if (mine[i] == other[i]) continue;
        const int control = owner[i] ? owner[i]->control : 0;
        if (control && listed.count(control)) continue;
        char x[8], y[8];
        std::snprintf(x, sizeof x, "0x%02X", mine[i]);
        std::snprintf(y, sizeof y, "0x%02X", other[i]);
        out.push_back({control, static_cast<int>(i), x, y, control && isUnavailable(code, control, sensor)});
    }
    return out;
}

std::string rowCaption(const qv::text::Words& words, int control) {
    const Row* r = rowOf(control);
    if (!r) return {};
    std::string text = words.label(qv::text::kConfigurationLabels, r->caption);
    if (text == qv::text::missingText(r->caption)) text = r->caption0;
    std::erase(text, '&');
    while (!text.empty() && (text.back() == ' ' || text.back() == ':')) text.pop_back();
    return text;
}

}  // namespace qv::params
