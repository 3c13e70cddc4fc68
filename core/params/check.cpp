#include "core/params/check.h"

#include <algorithm>
#include <cmath>

#include "core/protocol/tables.h"

namespace qv::params {

namespace {
std::string trimmed(std::string s) {
    if (s.size() > kEditTextLimit) s.resize(kEditTextLimit);
    const auto blank = [](char ch) { return ch == ' ' || ch == '\t'; };
    while (!s.empty() && blank(s.back())) s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && blank(s[i])) ++i;
    return s.substr(i);
}

class Checker {
public:
    Checker(int code, ControlValues& v, CheckOutcome& out) : code_(code), v_(v), out_(out) {}

    void show(int marker) {
        if (std::find(out_.errorMarkers.begin(), out_.errorMarkers.end(), marker) == out_.errorMarkers.end())
            out_.errorMarkers.push_back(marker);
    }
    void fail(int marker) {
        show(marker);
        ++out_.errors;
    }
    bool unavailable(int control) const { return isUnavailable(code_, control, v_.sel(Sensor)); }

    void selection(int control, int marker) {
        if (v_.sel(control) < 0) fail(marker);
    }
    void optionalSelection(int control, int marker) {
        if (!unavailable(control)) selection(control, marker);
    }
    void integer(int control, int marker, Pair p) {
        if (unavailable(control)) return;
        const std::string t = trimmed(v_.txt(control));
        const int value = textToInt(t);
        if (t.empty() || value < p.min || value > p.max) fail(marker);
    }
    // The cleaned value of an edit, written back as the page shows it.
    float cleaned(int control) {
        auto& t = v_.text[control];
        t = cleanNumberText(t);
        return textToFloat(trimmed(t));
    }
    void real(int control, int marker, Pair p) {
        if (unavailable(control)) return;
        const float value = cleaned(control);
        // NaN compares false with every bound: it must fail by itself.
        if (trimmed(v_.txt(control)).empty() || !std::isfinite(value) || value < p.min || value > p.max)
            fail(marker);
    }

private:
    int code_;
    ControlValues& v_;
    CheckOutcome& out_;
};

Pair temperatureRange(int unit) {
    switch (unit) {
        case 1: return {-40.0f, 266.0f};
        case 2: return {233.2f, 403.1f};
        default: return {-40.0f, 130.0f};
    }
}
}  // namespace

std::string cleanNumberText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        if (static_cast<unsigned char>(ch) < 32) continue;
        out += ch == ',' ? '.' : ch;
    }
    return out;
}

float flowVelocityMax(int family, const ControlValues& v) {
    struct Max {
        float percent, metres, feet;
    };
    Max m{};
    switch (family) {
        case 0: {
            static const int hm[] = {2, 3, 5, 7, 9, 12, 13};
            const bool liquid = std::find(std::begin(hm), std::end(hm), v.sel(Sensor)) != std::end(hm);
            // SONDERTYP or no sensor has no range of its own: the gas
            // sensors' range is the one a special sensor can at most have.
            m = liquid ? Max{133.13333f, 4.0f, 13.12f} : Max{500.0f, 99.99f, 328.0f};
            break;
        }
        case 1: {
            const int medium = v.sel(Medium);
            m = medium == 5 ? Max{150.0f, 75.0f, 246.0f}
                : medium == 6 ? Max{215.0f, 86.0f, 282.08f}
                              : Max{147.04f, 99.99f, 327.97f};
            break;
        }
        default: m = Max{133.3333f, 4.0f, 13.12f}; break;
    }
    switch (v.sel(VelocityUnit)) {
        case 0: return m.percent;
        case 2: return m.feet;
        default: return m.metres;
    }
}

CheckLimits checkLimits(int family, const ControlValues& v) {
    CheckLimits l;
    const bool gx = family == 1;
    l.t = gx ? Pair{10, 999} : Pair{1, 99};
    l.c = gx ? Pair{1, 999} : Pair{700, 1300};
    l.pipe = gx ? Pair{10, 9999.9f} : Pair{10, 999.9f};
    l.flow = {0, flowVelocityMax(family, v)};
    l.temp = temperatureRange(v.sel(TemperatureUnit));
    const int a = v.sel(Assignment);
    const bool contact1OnTemperature = a == 1 || a == 3 || a < 0 || a > 3;
    const bool contact2OnTemperature = a == 2 || a == 3 || a < 0 || a > 3;
    l.gk1On = l.gk1Off = contact1OnTemperature ? l.temp : l.flow;
    l.gk2On = l.gk2Off = contact2OnTemperature ? l.temp : l.flow;
    l.freq = {0.1f, 999.9f};
    l.time = {1, 30};
    l.press = {0.1f, 250};
    return l;
}

namespace {
// The rows held to a range: control, marker, its limits, whole numbers or not.
struct RangeRow {
    int control, marker;
    Pair CheckLimits::*pair;
    bool integer;
};
constexpr RangeRow kRangeRows[] = {
    {TValue, 1035, &CheckLimits::t, true},          {CValue, 1036, &CheckLimits::c, true},
    {PipeSize, 1037, &CheckLimits::pipe, false},    {FlowStart, 1069, &CheckLimits::flow, false},
    {FlowEnd, 1073, &CheckLimits::flow, false},     {TempStart, 1081, &CheckLimits::temp, false},
    {TempEnd, 1085, &CheckLimits::temp, false},     {Gk1On, 1097, &CheckLimits::gk1On, false},
    {Gk1Off, 1101, &CheckLimits::gk1Off, false},    {Gk2On, 1105, &CheckLimits::gk2On, false},
    {Gk2Off, 1109, &CheckLimits::gk2Off, false},    {PulseFrequency, 1117, &CheckLimits::freq, false},
    {MeasuringTime, 1121, &CheckLimits::time, true}, {Pressure, 1141, &CheckLimits::press, false},
};
}  // namespace

std::optional<Pair> allowedRange(int control, const CheckLimits& limits) {
    for (const RangeRow& r : kRangeRows)
        if (r.control == control) return limits.*r.pair;
    return std::nullopt;
}

CheckOutcome checkConfiguration(int code, int knownFamily, ControlValues& v) {
    CheckOutcome out;
    Checker c(code, v, out);
    const int model = v.sel(Model);
    if (model <= 0) {
        c.show(ModelErrorMarker);
        return out;
    }
    // The family of the model that will be written, so limits and block agree.
    const int codeFamily = qv::protocol::familyOfCode(code);
    const int family = codeFamily >= 0 ? codeFamily : knownFamily;

    if (v.sel(TemperatureUnit) < 0) c.fail(1040);
    if (v.sel(VelocityUnit) < 0) c.fail(1038);
    if (out.errors > 0) return out;

    const CheckLimits l = checkLimits(family, v);
    c.selection(Language, 1028);
    c.selection(Sensor, 1032);
    c.selection(VolumeUnit, 1042);
    c.selection(TotalUnit, 1045);
    c.selection(Line1, 1049);
    c.selection(Line2, 1053);

    const int medium = v.sel(Medium), sensor = v.sel(Sensor), tp = v.sel(TpFitting);
    const bool argonOrCo2 = family == 1 && (medium == 3 || medium == 4);
    if (argonOrCo2 && sensor == 0 && (tp == 4 || tp == 5)) {
        c.show(1129);
        c.show(1032);
        c.show(1137);
    }
    c.optionalSelection(Assignment, 1089);
    c.optionalSelection(TpFitting, 1129);
    c.optionalSelection(BvFitting, 1133);
    c.optionalSelection(Medium, 1137);
    c.optionalSelection(Mode, 1145);

    for (const RangeRow& r : kRangeRows) {
        if (r.integer)
            c.integer(r.control, r.marker, l.*r.pair);
        else
            c.real(r.control, r.marker, l.*r.pair);
    }

    if (argonOrCo2) {
        if (sensor != 2) c.fail(1032);
        const bool tpAvailable = !c.unavailable(TpFitting);
        if ((tpAvailable && tp > 3) || (!tpAvailable && sensor > 3)) c.fail(1129);
    }

    struct Cross {
        int first, second, firstMarker, secondMarker;
        bool ordered;  // true: the second must be above the first; false: they must differ
    };
    const Cross crosses[] = {
        {FlowStart, FlowEnd, 1069, 1073, true},
        {TempStart, TempEnd, 1081, 1085, true},
        {Gk1On, Gk1Off, 1097, 1101, false},
        {Gk2On, Gk2Off, 1105, 1109, false},
    };
    for (const auto& x : crosses) {
        if (tableUnavailable(code, x.first)) continue;
        const float a = c.cleaned(x.first), b = c.cleaned(x.second);
        const bool bad = x.ordered ? !(b > a) : a == b;
        if (bad) {
            c.show(x.firstMarker);
            c.show(x.secondMarker);
            ++out.errors;
        }
    }

    const float factor = c.cleaned(MultFactor);
    // An empty factor reads 0 and passes; an infinite or NaN one is no factor.
    if (factor < 0 || !std::isfinite(factor)) c.fail(1125);

    out.changedMarkersHidden = true;
    out.result = out.errors == 0 ? 1 : -1;
    return out;
}

}  // namespace qv::params
