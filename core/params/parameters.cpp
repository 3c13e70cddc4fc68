#include "core/params/parameters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>

#include "core/text/settings.h"
#include "core/protocol/measurement.h"
#include "core/protocol/tables.h"

namespace qv::params {

namespace {
using Strings = std::vector<std::string>;

const std::array<Row, 33> kRows = {{
    {Model, ModelCaption, 1025, 1026, Kind::Combo, "HW-Version"},
    {Language, 1005, 1021, 1028, Kind::Combo, "Sprache"},
    {Sensor, 1015, 1020, 1032, Kind::Combo, "Sensortyp"},
    {TValue, 1018, 1019, 1035, Kind::Edit, "T-Wert"},
    {CValue, 1023, 1024, 1036, Kind::Edit, "C-Wert Sensor"},
    {PipeSize, 1030, 1031, 1037, Kind::Edit, "Rohrgroesse"},
    {VelocityUnit, 1007, 1027, 1038, Kind::Combo, "Einheit Geschw."},
    {TemperatureUnit, 1009, 1039, 1040, Kind::Combo, "Einheit Temp."},
    {VolumeUnit, 1013, 1041, 1042, Kind::Combo, "Einheit VolStrom."},
    {TotalUnit, 1151, 1044, 1045, Kind::Combo, "EinheitTotaliator"},
    {Line1, 1047, 1048, 1049, Kind::Combo, "Display Line 1"},
    {Line2, 1051, 1052, 1053, Kind::Combo, "Display Line 2"},
    {Backlight, 1054, 1056, 1057, Kind::Check, "Displ. Beleucht."},
    {FlowOffset, 1058, 1060, 1061, Kind::Check, "An.FlowOffset"},
    {FlowStart, 1067, 1068, 1069, Kind::Edit, "An.FlowAnfWert"},
    {FlowEnd, 1071, 1072, 1073, Kind::Edit, "An.FlowEndWert"},
    {TempOffset, 1074, 1076, 1077, Kind::Check, "An.TempOffset"},
    {TempStart, 1079, 1080, 1081, Kind::Edit, "An.TempAnfWert"},
    {TempEnd, 1083, 1084, 1085, Kind::Edit, "An.TempEndWert"},
    {Assignment, 1087, 1088, 1089, Kind::Combo, "GrenzK.Zuord"},
    {Gk1On, 1095, 1096, 1097, Kind::Edit, "GKein 1"},
    {Gk1Off, 1099, 1100, 1101, Kind::Edit, "GKAus 1"},
    {Gk2On, 1103, 1104, 1105, Kind::Edit, "GKein 2"},
    // The contact 2 switch-off row, not a second contact 1 row.
    {Gk2Off, 1107, 1108, 1109, Kind::Edit, "GKAus 2"},
    {FreqOutput, 1110, 1112, 1113, Kind::Check, "FrequenzAusgang"},
    {PulseFrequency, 1115, 1116, 1117, Kind::Edit, "ImpulsFrequenz"},
    {MeasuringTime, 1119, 1120, 1121, Kind::Edit, "Messzeit"},
    {MultFactor, 1123, 1124, 1125, Kind::Edit, "Mult.-Faktor"},
    {TpFitting, 1127, 1128, 1129, Kind::Combo, "TPanschlZRN"},
    {BvFitting, 1131, 1132, 1133, Kind::Combo, "BVanschlZRN"},
    {Medium, 1135, 1136, 1137, Kind::Combo, "Medium"},
    {Pressure, 1139, 1140, 1141, Kind::Edit, "Druck"},
    {Mode, 1143, 1144, 1145, Kind::Combo, "Betriebsart"},
}};

// Index bytes: position in the block and the offset per family (-1: not in
// that family's block).
struct IndexField {
    int control;
    std::size_t at;
    int offset[3];
};
const IndexField kIndexFields[] = {
    {Language, 0, {11, 11, 11}},          {Sensor, 1, {21, 21, 21}},
    {VelocityUnit, 11, {90, 150, 90}},    {TemperatureUnit, 12, {100, 155, 100}},
    {VolumeUnit, 13, {110, 160, 110}},    {TotalUnit, 14, {120, 175, 120}},
    {Line1, 15, {140, 180, 140}},         {Line2, 16, {150, 185, 150}},
    {Assignment, 36, {190, 200, 190}},    {TpFitting, 63, {-1, 140, 30}},
    {BvFitting, 64, {-1, 135, 40}},       {Medium, 65, {-1, 31, -1}},
    {Mode, 70, {-1, 0, -1}},
};
struct FlagField {
    int control;
    std::size_t at;
};
const FlagField kFlags[] = {{Backlight, 17}, {FlowOffset, 18}, {TempOffset, 27}, {FreqOutput, 53}};
// Reals common to all families, with their display format; the pressure
// only in family 1.
struct RealField {
    int control;
    std::size_t at;
    const char* format;
    bool gxOnly;
};
const RealField kReals[] = {
    {PipeSize, 7, "%5.1f", false},    {FlowStart, 19, "%6.2f", false}, {FlowEnd, 23, "%6.2f", false},
    {TempStart, 28, "%6.2f", false},  {TempEnd, 32, "%6.2f", false},   {Gk1On, 37, "%6.2f", false},
    {Gk1Off, 41, "%6.2f", false},     {Gk2On, 45, "%6.2f", false},     {Gk2Off, 49, "%6.2f", false},
    {PulseFrequency, 54, "%5.1f", false}, {MultFactor, 59, "%4.2f", false}, {Pressure, 66, "%6.2f", true},
};

std::vector<BlockField> makeLayout(int family) {
    std::vector<BlockField> out;
    for (const auto& f : kIndexFields)
        if (f.offset[family] >= 0) out.push_back({f.control, f.at, 1, FieldType::ListIndex, f.offset[family], nullptr});
    for (const auto& f : kFlags) out.push_back({f.control, f.at, 1, FieldType::Flag, 0, nullptr});
    for (const auto& f : kReals)
        if (!f.gxOnly || family == 1) out.push_back({f.control, f.at, 4, FieldType::Real, 0, f.format});
    out.push_back({MeasuringTime, 58, 1, FieldType::Byte, 0, "%2ld"});
    if (family == 1) {
        // Two-byte integers; byte 6 is reserved.
        out.push_back({CValue, 2, 2, FieldType::Word, 0, "%3ld"});
        out.push_back({TValue, 4, 2, FieldType::Word, 0, "%3ld"});
    } else {
        out.push_back({TValue, 2, 1, FieldType::Byte, 0, "%2ld"});
        out.push_back({CValue, 3, 4, FieldType::Thousandths, 0, "%ld"});
    }
    std::sort(out.begin(), out.end(), [](const BlockField& a, const BlockField& b) { return a.offset < b.offset; });
    return out;
}

std::string format(const char* fmt, double v) {
    char buf[400];  // "%f" of the largest float is about 50 characters
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}
std::string formatInt(const char* fmt, long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

locale_t cLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

int listSize(int control, int family) { return static_cast<int>(listOf(control, family, 0).size()); }

}  // namespace

const std::array<Row, 33>& rows() { return kRows; }

const Row* rowOf(int control) {
    for (const auto& r : kRows)
        if (r.control == control) return &r;
    return nullptr;
}

int ControlValues::sel(int control) const {
    auto it = index.find(control);
    return it == index.end() ? -1 : it->second;
}

std::string ControlValues::txt(int control) const {
    auto it = text.find(control);
    return it == text.end() ? std::string() : it->second.substr(0, kEditTextLimit);
}

// --- lists -------------------------------------------------------------------

std::vector<std::string> listOf(int control, int family, int ui) {
    if (ui < 0 || ui > 2) ui = 0;
    auto byLanguage = [ui](Strings de, Strings en, Strings fr) { return ui == 1 ? en : ui == 2 ? fr : de; };
    switch (control) {
        case Language: return {"English", "Deutsch", "Francais"};
        case VelocityUnit: return {"%", "m/s", "fps"};
        case TemperatureUnit: return {"°C", "°F", "K"};
        case VolumeUnit:
            if (family == 0 || family == 2) return {"l/s", "l/min", "m³/h", "Gallons/min"};
            if (family == 1)
                return {"l/s",  "l/min",  "m³/h",     "ft³/s",      "ft³/min", "kg/s",
                        "kg/min", "kg/h", "pounds/s", "pounds/min", "pounds/h"};
            return {"l/sec", "l/min", "m³/h", "Ft³/s", "Ft³/min", "kg/s",
                    "kg/min", "Kg/h", "pounds/s", "pounds/min", "pounds/h"};
        case TotalUnit:
            if (family == 0 || family == 2) return {"l", "m³", "Gallons"};
            if (family == 1) return {"l", "m³", "ft³", "kg", "pounds"};
            return {"liter", "m³", "Ft³", "kg", "pounds"};
        case Line1:
        case Line2:
            return byLanguage({"Flow + Temp", "Volumenstrom", "Totalisator"},
                              {"flow + temp", "volume flow", "totalizer"},
                              {"vitesse + temp", "débit volume", "totalisateur"});
        case Assignment: return {"GK1FLOW_GK2FLOW", "GK1TEMP_GK2FLOW", "GK1FLOW_GK2TEMP", "GK1TEMP_GK2TEMP"};
        case TpFitting:
            return {"TP01 (DN15)", "TP02 (DN20)", "TP03 (DN25) ", "TP04 (DN32)", "TP05 (DN40)", "TP06 (DN50)"};
        case BvFitting: return {"BV03 (DN25) ", "BV04 (DN32)", "BV05 (DN40) ", "BV06 (DN50)"};
        case Medium:
            return byLanguage({"Luft", "Stickstoff", "Sauerstoff", "Argon", "CO2", "Methan", "Wasserstoff"},
                              {"air", "nitrogen", "oxygen", "argon", "CO2", "methane", "hydrogen"},
                              {"air", "azote", "oxygène", "argon", "CO2", "méthane", "hydrogène"});
        case Mode:
            return byLanguage({"Normvolumenstrom", "Betriebsvolumenstrom "}, {"standard flow", "operating flow"},
                              {"volume norme", "volume actuel"});
        case Sensor:
            if (family == 0)
                return {"ZRK21GM1", "ZRK21GM2", "ZRK21HM1", "ZRK21HM2", "ZRK22GM1", "ZRK22HM1", "ZRK23GM1", "ZRK23HM1",
                        "ZRK24GM1", "ZRK24HM1", "ZRL21GM1", "ZRL22GM1", "ZRL22HM1", "ZRL23HM1", "SONDERTYP"};
            if (family == 1) return {"ZRK31GM1", "ZRN31GM1BV", "ZRN31GM1", "ZRL31GM1", "SONDERTYP"};
            if (family == 2) return {"ZRN31HM1", "ZRN31HM1BV", "ZRL31HM1", "SONDERTYP"};
            return {"ZRK21GM1", "ZRK21GM2", "ZRK21HM1", "ZRK21HM1", "ZRK22GM1", "ZRK22HM1", "ZRK23GM1", "ZRK23HM1",
                    "ZRK24GM1", "ZRK24HM1", "ZRL21GM1", "ZRL21GM1", "ZRL22GM1", "ZRL22HM1", "ZLR23HM1", "Sondertyp"};
        case Model: {
            Strings out;
            for (const auto& t : qv::protocol::modelCodeTable()) {
                if (t.empty()) break;
                out.push_back(t);
            }
            return out;
        }
        default: return {};
    }
}

bool isFamilyList(int control) { return control == Sensor || control == VolumeUnit || control == TotalUnit; }

// --- conversions -------------------------------------------------------------

float textToFloat(const std::string& text) {
    // atof in the C locale, whatever locale the program runs in.
    const double d = strtod_l(text.c_str(), nullptr, cLocale());
    if (std::isnan(d)) return std::numeric_limits<float>::quiet_NaN();
    constexpr double fmax = std::numeric_limits<float>::max();
    if (d > fmax) return std::numeric_limits<float>::infinity();
    if (d < -fmax) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(d);
}

int textToInt(const std::string& text) { return qv::text::cDecimal(text); }

// --- block -------------------------------------------------------------------

std::size_t blockSize(int family) {
    switch (family) {
        case 0: return 63;
        case 1: return 71;
        case 2: return 65;
        default: return 0;
    }
}

std::size_t readBlockCopySize(int family) { return family == 1 ? 74 : family == 0 || family == 2 ? 66 : 0; }

const std::vector<BlockField>& blockLayout(int family) {
    static const std::vector<BlockField> layouts[4] = {makeLayout(0), makeLayout(1), makeLayout(2), {}};
    return family >= 0 && family <= 2 ? layouts[family] : layouts[3];
}

const BlockField* fieldOf(int family, int control) {
    for (const BlockField& f : blockLayout(family))
        if (f.control == control) return &f;
    return nullptr;
}

std::vector<std::uint8_t> encodeBlock(int family, const ControlValues& v) {
    std::vector<std::uint8_t> b(blockSize(family), 0);
    for (const BlockField& f : blockLayout(family)) {
        std::uint8_t* at = &b[f.offset];
        switch (f.type) {
            // No selection (-1) becomes offset - 1, as the sum does by itself.
            case FieldType::ListIndex: *at = static_cast<std::uint8_t>(v.sel(f.control) + f.listOffset); break;
            case FieldType::Flag: *at = v.sel(f.control) == 1 ? 1 : 0; break;
            case FieldType::Real: qv::protocol::encodeFloatBE(textToFloat(v.txt(f.control)), at); break;
            case FieldType::Byte: *at = static_cast<std::uint8_t>(textToInt(v.txt(f.control))); break;
            case FieldType::Word: {
                const int n = textToInt(v.txt(f.control));
                at[0] = static_cast<std::uint8_t>(n >> 8);
                at[1] = static_cast<std::uint8_t>(n);
                break;
            }
            case FieldType::Thousandths: {
                const double n = textToInt(v.txt(f.control));
                qv::protocol::encodeFloatBE(static_cast<float>(n / 1000.0), at);
                break;
            }
        }
    }
    return b;
}

ControlValues decodeBlock(int family, const std::uint8_t* data, std::size_t size) {
    ControlValues v;
    const std::size_t n = blockSize(family);
    if (n == 0) return v;
    std::vector<std::uint8_t> b(n, 0);
    std::memcpy(b.data(), data, std::min(n, size));
    for (const BlockField& f : blockLayout(family)) {
        const std::uint8_t* at = &b[f.offset];
        switch (f.type) {
            case FieldType::ListIndex: {
                const int index = static_cast<std::uint8_t>(*at - f.listOffset);
                v.index[f.control] = index < listSize(f.control, family) ? index : -1;
                break;
            }
            case FieldType::Flag: v.index[f.control] = *at != 0; break;  // a check box is on or off
            case FieldType::Real: v.text[f.control] = format(f.format, qv::protocol::decodeFloatBE(at)); break;
            case FieldType::Byte: v.text[f.control] = formatInt(f.format, *at); break;
            case FieldType::Word: v.text[f.control] = formatInt(f.format, at[0] << 8 | at[1]); break;
            case FieldType::Thousandths: {
                const double c = (static_cast<double>(qv::protocol::decodeFloatBE(at)) + 0.0005) * 1000.0;
                // A real that is no whole number of thousandths in range shows as
                // what it is rather than as an undefined integer.
                v.text[f.control] = std::isfinite(c) && std::fabs(c) < 2e9 ? formatInt(f.format, static_cast<long>(c))
                                                                           : format("%.0f", c);
                break;
            }
        }
    }
    return v;
}

bool blockPlausible(int family, const std::uint8_t* b) {
    if (blockSize(family) == 0) return false;
    for (const BlockField& f : blockLayout(family)) {
        const std::uint8_t* at = &b[f.offset];
        switch (f.type) {
            case FieldType::ListIndex: {
                const int index = static_cast<std::uint8_t>(*at - f.listOffset);
                if (index >= listSize(f.control, family) && index != 0xFF) return false;
                break;
            }
            case FieldType::Flag:
                if (*at > 1) return false;
                break;
            case FieldType::Real:
            case FieldType::Thousandths:
                if (!std::isfinite(qv::protocol::decodeFloatBE(at))) return false;
                break;
            case FieldType::Byte:
            case FieldType::Word: break;
        }
    }
    return true;
}

ReadValues readValuesOf(const ControlValues& decoded) {
    ReadValues r;
    r.index = decoded.index;
    for (const auto& [id, t] : decoded.text) {
        if (id == MeasuringTime)
            r.index[id] = textToInt(t);
        else
            r.number[id] = textToFloat(t);
    }
    return r;
}

bool differsFromRead(int control, const ControlValues& current, const ReadValues& read) {
    const Row* row = rowOf(control);
    if (!row) return false;
    auto stored = [](const auto& m, int id) {
        auto it = m.find(id);
        return it == m.end() ? typename std::decay_t<decltype(m)>::mapped_type{} : it->second;
    };
    if (row->kind != Kind::Edit) return current.sel(control) != stored(read.index, control);
    if (control == MeasuringTime) return textToInt(current.txt(control)) != stored(read.index, control);
    const float now = textToFloat(current.txt(control));
    const float then = stored(read.number, control);
    // A meter that holds NaN is unchanged as long as the edit still says so.
    if (std::isnan(now) && std::isnan(then)) return false;
    return now != then;
}

// --- variants ----------------------------------------------------------------

const std::array<int, 18>& availabilityControls() {
    static const std::array<int, 18> ids = {FlowOffset, FlowStart, FlowEnd, TempOffset, TempStart, TempEnd,
                                            Assignment, Gk1On,     Gk1Off,  Gk2On,      Gk2Off,    FreqOutput,
                                            PulseFrequency, TpFitting, BvFitting, Medium, Pressure, Mode};
    return ids;
}

std::string configurationAvailability(int code) {
    const int g = qv::protocol::familyOfCode(code);
    if (g < 0) return {};
    const int k = code - 15 * g;
    const char* output = k == 1                ? "1111111111111"
                         : k == 2              ? "1111110000011"
                         : k == 3              ? "1111110000000"
                         : k >= 4 && k <= 7    ? "0000001111111"
                         : k >= 8 && k <= 11   ? "0000000000011"
                                               : "0000000000000";
    static const char* const familyPart[3] = {"11111", "00000", "00111"};
    return std::string(output) + familyPart[g];
}

bool tableUnavailable(int code, int control) {
    const std::string row = configurationAvailability(code);
    if (row.empty()) return false;
    const auto& ids = availabilityControls();
    auto it = std::find(ids.begin(), ids.end(), control);
    return it != ids.end() && row[static_cast<std::size_t>(it - ids.begin())] == '1';
}

bool isUnavailable(int code, int control, int s) {
    if (control == TpFitting || control == BvFitting || control == PipeSize) {
        const int g = std::max(0, qv::protocol::familyOfCode(code));
        switch (control) {
            case TpFitting: return g == 0 || (g == 1 ? s != 2 : s != 0);
            case BvFitting: return g == 0 || s != 1;
            default: return g == 1 ? (s == 1 || s == 2) : g == 2 ? (s == 0 || s == 1) : false;
        }
    }
    return tableUnavailable(code, control);
}

const std::vector<VariantRow>& variantRows() {
    // The pulse frequency takes its unit static along: left behind it would
    // name a unit beside nothing.
    static const std::vector<VariantRow> rows = {
        {FlowOffset, {1059, 1058}},     {FlowStart, {1066, 1067, 1142}},      {FlowEnd, {1070, 1071, 1147}},
        {TempOffset, {1075, 1074}},     {TempStart, {1078, 1079, 1148}},      {TempEnd, {1082, 1083, 1149}},
        {Assignment, {1086, 1087}},     {Gk1On, {1094, 1095, 1090}},          {Gk1Off, {1098, 1099, 1091}},
        {Gk2On, {1102, 1103, 1093}},    {Gk2Off, {1106, 1107, 1092}},         {FreqOutput, {1111, 1110}},
        {PulseFrequency, {1114, 1115, 1156}}, {TpFitting, {1126, 1127}},      {BvFitting, {1130, 1131}},
        {Medium, {1134, 1135}},         {Pressure, {1138, 1139, 1150}},       {Mode, {1146, 1143}},
        {PipeSize, {1029, 1030}},
    };
    return rows;
}

// --- file --------------------------------------------------------------------

std::vector<std::uint8_t> configurationFile(int code, int family, const std::vector<std::uint8_t>& block) {
    const bool withBlock = family >= 0 && family <= 2;
    std::vector<std::uint8_t> out(withBlock ? kFileSize : 1, 0);
    // No model chosen is stored as code 0, the "----" entry.
    out[0] = static_cast<std::uint8_t>(code < 0 ? 0 : code);
    if (withBlock)
        for (std::size_t i = 0; i < block.size() && i < kFileBlockBytes; ++i) out[1 + i] = block[i];
    return out;
}

LoadedFile parseConfigurationFile(const std::uint8_t* data, std::size_t size) {
    LoadedFile f;
    const std::size_t n = std::min<std::size_t>(size, kFileBlockBytes);  // the one read of 100 bytes
    if (n == 0) return f;
    f.code = static_cast<std::int8_t>(data[0]);
    std::copy_n(data + 1, n - 1, f.block.begin());
    return f;
}

}  // namespace qv::params
