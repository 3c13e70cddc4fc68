// The parameter set without Qt: block codec, variants, check, file, a read
// judged and the write's verdict.
#include <gtest/gtest.h>

#include <cmath>

#include "core/protocol/measurement.h"
#include "core/params/check.h"
#include "core/params/compare.h"
#include "core/params/parameters.h"
#include "core/params/transfer.h"
#include "core/params/verdict.h"
#include "core/text/text_numbers.h"
#include "tests/support/print.h"

using namespace qv::params;
using qv::protocol::ParameterReplies;
using qv::protocol::Reply;
using qv::protocol::writeFrame;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A set that passes the check for a model of the family (code picks the options).
ControlValues validSet(int code) {
    ControlValues v;
    const int family = (code - 1) / 15;
    v.index = {{Model, code},     {Language, 1},  {Sensor, 0},     {VelocityUnit, 1}, {TemperatureUnit, 0},
               {VolumeUnit, 2},   {TotalUnit, 1}, {Line1, 0},      {Line2, 1},        {Backlight, 1},
               {FlowOffset, 0},   {TempOffset, 1}, {Assignment, 0}, {FreqOutput, 1},  {TpFitting, 0},
               {BvFitting, 0},    {Medium, 0},    {Mode, 1}};
    v.text = {{TValue, family == 1 ? "100" : "50"}, {CValue, family == 1 ? "500" : "1000"},
              {PipeSize, "50.0"},  {FlowStart, "0.00"}, {FlowEnd, "4.00"},  {TempStart, "-10.00"},
              {TempEnd, "100.00"}, {Gk1On, "2.00"},     {Gk1Off, "1.80"},   {Gk2On, "0.50"},
              {Gk2Off, "0.70"},    {PulseFrequency, "10.0"}, {MeasuringTime, " 5"}, {MultFactor, "1.00"},
              {Pressure, "1.01"}};
    return v;
}

float realAt(const std::vector<std::uint8_t>& b, std::size_t at) { return qv::protocol::decodeFloatBE(&b[at]); }

CheckOutcome check(ControlValues& v) { return checkConfiguration(v.sel(Model), -1, v); }
bool marked(const CheckOutcome& o, int marker) {
    return std::find(o.errorMarkers.begin(), o.errorMarkers.end(), marker) != o.errorMarkers.end();
}

}  // namespace

// --- codec ---------------------------------------------------------------------

TEST(ParameterBlock, IndexBytesCarryTheirFamilyOffsets) {
    struct Field {
        int control;
        std::size_t at;
        int offset[3];  // by family; -1: not in that family's block
    };
    const Field fields[] = {
        {Language, 0, {11, 11, 11}},         {Sensor, 1, {21, 21, 21}},        {VelocityUnit, 11, {90, 150, 90}},
        {TemperatureUnit, 12, {100, 155, 100}}, {VolumeUnit, 13, {110, 160, 110}}, {TotalUnit, 14, {120, 175, 120}},
        {Line1, 15, {140, 180, 140}},        {Line2, 16, {150, 185, 150}},     {Assignment, 36, {190, 200, 190}},
        {TpFitting, 63, {-1, 140, 30}},      {BvFitting, 64, {-1, 135, 40}},   {Medium, 65, {-1, 31, -1}},
        {Mode, 70, {-1, 0, -1}}};
    ControlValues v = validSet(16);
    // Different indexes, so a field written to its neighbour's place shows.
    int index = 1;
    for (const Field& f : fields) v.index[f.control] = index++ % 4 + 1;
    const std::size_t sizes[3] = {63, 71, 65};
    for (int family = 0; family < 3; ++family) {
        const auto b = encodeBlock(family, v);
        ASSERT_EQ(b.size(), sizes[family]);
        for (const Field& f : fields) {
            if (f.offset[family] < 0) continue;
            EXPECT_EQ(b[f.at], (v.sel(f.control) + f.offset[family]) % 256) << family << " at " << f.at;
        }
    }
    EXPECT_EQ(encodeBlock(1, v)[6], 0);  // reserved
    v.index[Sensor] = -1;                // no selection: offset - 1
    EXPECT_EQ(encodeBlock(1, v)[1], 20);
    EXPECT_TRUE(encodeBlock(-1, v).empty());
}

TEST(ParameterBlock, NumbersAsTheMeterWantsThem) {
    ControlValues v = validSet(1);
    v.text[PipeSize] = "1.5";
    v.text[CValue] = "1000";
    v.text[TValue] = "300";
    auto b = encodeBlock(0, v);
    EXPECT_EQ((Bytes{b[7], b[8], b[9], b[10]}), (Bytes{0x3F, 0xC0, 0x00, 0x00}));
    EXPECT_EQ((Bytes{b[3], b[4], b[5], b[6]}), (Bytes{0x3F, 0x80, 0x00, 0x00}));  // 1000 as 1.0
    EXPECT_EQ(b[2], 44);                                                         // low 8 bits of 300
    EXPECT_EQ(decodeBlock(0, b.data(), b.size()).txt(CValue), "1000");

    b = encodeBlock(1, v);
    EXPECT_EQ(b[4], 0x01);
    EXPECT_EQ(b[5], 0x2C);
    EXPECT_EQ(b[2], 0x03);  // C 1000 as u16
    EXPECT_EQ(b[3], 0xE8);
    EXPECT_EQ(decodeBlock(1, b.data(), b.size()).txt(TValue), "300");

    // An empty edit gives 0; text after the number is ignored, as atof does.
    v.text[PulseFrequency] = "";
    v.text[MultFactor] = "2.5kg";
    b = encodeBlock(2, v);
    EXPECT_EQ(realAt(b, 54), 0.0f);
    EXPECT_EQ(realAt(b, 59), 2.5f);
}

TEST(ParameterBlock, RoundTripEveryFieldOfEachFamily) {
    for (int code : {12, 27, 42}) {
        const int family = (code - 1) / 15;
        SCOPED_TRACE(family);
        ControlValues v = validSet(code);
        v.index[Sensor] = 2;
        v.index[VolumeUnit] = 3;
        v.index[TotalUnit] = 2;
        v.index[Assignment] = 3;
        v.index[Line2] = 2;
        v.index[FlowOffset] = 1;
        v.index[TpFitting] = 3;
        v.index[BvFitting] = 2;
        v.index[Medium] = 6;
        v.text[PipeSize] = "123.4";
        v.text[MeasuringTime] = "17";
        const auto first = encodeBlock(family, v);
        const ControlValues decoded = decodeBlock(family, first.data(), first.size());
        EXPECT_EQ(encodeBlock(family, decoded), first);
        EXPECT_EQ(decoded.txt(PipeSize), "123.4");
        EXPECT_EQ(decoded.txt(FlowEnd), "  4.00");
        EXPECT_EQ(decoded.txt(MultFactor), "1.00");
        EXPECT_EQ(decoded.txt(MeasuringTime), "17");
        EXPECT_EQ(decoded.sel(Assignment), 3);
        EXPECT_EQ(decoded.sel(Backlight), 1);
        EXPECT_EQ(decoded.index.count(Medium), family == 1 ? 1u : 0u);
        EXPECT_EQ(decoded.index.count(TpFitting), family == 0 ? 0u : 1u);
        EXPECT_EQ(decoded.text.count(Pressure), family == 1 ? 1u : 0u);
        EXPECT_EQ(decoded.txt(TValue), family == 1 ? "100" : "50");
    }
}

// Every parameter of every family changed alone is named once, by its own
// row, and no byte is left over; a byte that shows alike (a real's last bit)
// is named by its row too, and a row the model lacks says so.
TEST(ParameterBlock, EachParameterChangedAloneIsItsOwnDifferenceAndNothingElse) {
    for (int code : {1, 16, 31}) {
        const int family = (code - 1) / 15;
        const ControlValues base = validSet(code);
        const auto before = encodeBlock(family, base);
        for (const BlockField& f : blockLayout(family)) {
            ControlValues changed = base;
            switch (f.type) {
                case FieldType::ListIndex:
                case FieldType::Flag: changed.index[f.control] = base.sel(f.control) == 0 ? 1 : 0; break;
                case FieldType::Real: changed.text[f.control] = "45.6"; break;
                default: changed.text[f.control] = base.txt(f.control) == "200" ? "201" : "200"; break;
            }
            const auto after = encodeBlock(family, changed);
            for (bool allRows : {false, true}) {
                const auto d = compareBlocks(family, code, 0, before.data(), after.data(), allRows);
                const bool shown = !isUnavailable(code, f.control, 0) || allRows;
                ASSERT_EQ(d.size(), shown ? 1u : 0u) << code << " " << f.control;
                if (!shown) continue;
                EXPECT_EQ(d[0].control, f.control);
                EXPECT_EQ(d[0].byte, -1) << f.control;
                EXPECT_EQ(d[0].missing, isUnavailable(code, f.control, 0)) << f.control;
            }
            if (f.type != FieldType::Real) continue;
            auto flipped = before;
            flipped[f.offset + 3] ^= 1;
            const auto d = compareBlocks(family, code, 0, before.data(), flipped.data(), true);
            ASSERT_EQ(d.size(), 1u) << f.control;
            EXPECT_EQ(d[0].control, f.control);
            EXPECT_EQ(d[0].byte, static_cast<int>(f.offset + 3));
        }
        // The reserved byte of family 1 alone is a bare byte.
        if (family != 1) continue;
        auto reserved = before;
        reserved[6] = 9;
        const auto d = compareBlocks(family, code, 0, before.data(), reserved.data(), true);
        ASSERT_EQ(d.size(), 1u);
        EXPECT_EQ(d[0].control, 0);
        EXPECT_EQ(d[0].byte, 6);
    }
}

TEST(ParameterBlock, BytesThatNameNoEntryLeaveTheComboEmpty) {
    std::vector<std::uint8_t> b(71, 0);  // all zero: no offset matches
    auto v = decodeBlock(1, b.data(), b.size());
    EXPECT_EQ(v.sel(Language), -1);
    EXPECT_EQ(v.sel(Sensor), -1);
    EXPECT_EQ(v.sel(Mode), 0);  // offset 0: zero is the first mode
    b[1] = 21 + 5;               // family 1 has 5 sensors
    b[13] = 160 + 10;            // and 11 volume units
    v = decodeBlock(1, b.data(), b.size());
    EXPECT_EQ(v.sel(Sensor), -1);
    EXPECT_EQ(v.sel(VolumeUnit), 10);
    b[13] = 110 + 4;             // family 0 has only 4
    EXPECT_EQ(decodeBlock(0, b.data(), b.size()).sel(VolumeUnit), -1);
    // A short buffer reads its missing bytes as 0 instead of beyond its end.
    std::uint8_t one = 12;
    EXPECT_EQ(decodeBlock(0, &one, 1).sel(Language), 1);
}

TEST(ParameterBlock, NonFiniteRealsShowAsSuchAndCompareToThemselves) {
    std::vector<std::uint8_t> b = encodeBlock(0, validSet(3));
    const std::uint8_t nan[4] = {0x7F, 0xC0, 0, 0}, inf[4] = {0x7F, 0x80, 0, 0};
    std::copy_n(nan, 4, b.begin() + 54);
    std::copy_n(inf, 4, b.begin() + 3);  // C value
    std::copy_n(nan, 4, b.begin() + 7);  // pipe size
    const ControlValues v = decodeBlock(0, b.data(), b.size());
    EXPECT_EQ(v.txt(PulseFrequency), "  nan");
    EXPECT_EQ(v.txt(CValue), "inf");
    const ReadValues read = readValuesOf(v);
    EXPECT_FALSE(differsFromRead(PulseFrequency, v, read));
    ControlValues edited = v;
    edited.text[PulseFrequency] = "10";
    EXPECT_TRUE(differsFromRead(PulseFrequency, edited, read));
    // The check rejects what the meter holds.
    ControlValues c = v;
    c.index[Model] = 3;
    const auto o = check(c);
    EXPECT_TRUE(marked(o, 1117));
    EXPECT_TRUE(marked(o, 1036));
    EXPECT_TRUE(marked(o, 1037));
}

TEST(ParameterBlock, ReadValuesCompareWithTheirOwnDisplay) {
    ControlValues v = validSet(1);
    v.text[FlowEnd] = "1.23456";
    const auto b = encodeBlock(0, v);
    const ControlValues shown = decodeBlock(0, b.data(), b.size());
    EXPECT_EQ(shown.txt(FlowEnd), "  1.23");
    const ReadValues read = readValuesOf(shown);
    ControlValues now = shown;
    for (const char* same : {"  1.23", "1.230", "1.23"}) {
        now.text[FlowEnd] = same;
        EXPECT_FALSE(differsFromRead(FlowEnd, now, read)) << same;
    }
    now.text[FlowEnd] = "1.24";
    EXPECT_TRUE(differsFromRead(FlowEnd, now, read));
    now.text[MeasuringTime] = "05";  // compared as the integer
    EXPECT_FALSE(differsFromRead(MeasuringTime, now, read));
    now.index[Sensor] = 1;
    EXPECT_TRUE(differsFromRead(Sensor, now, read));
    // Before any read every value is compared with zero.
    EXPECT_FALSE(differsFromRead(FlowStart, ControlValues{{}, {{FlowStart, "0"}}}, ReadValues{}));
}

TEST(ParameterBlock, WriteFrameAndChecksum) {
    const std::vector<std::uint8_t> zeros(65, 0);
    const auto f = writeFrame(2, zeros);
    ASSERT_EQ(f.size(), 68u);
    EXPECT_EQ(f.front(), 0x60);
    EXPECT_EQ(f[1], 'D');
    EXPECT_EQ(f.back(), 0xA4);
    EXPECT_EQ(writeFrame(0, encodeBlock(0, validSet(1))).size(), 66u);
    const auto gx = writeFrame(1, encodeBlock(1, validSet(16)));
    ASSERT_EQ(gx.size(), 74u);
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i + 1 < gx.size(); ++i) sum = std::uint8_t(sum + gx[i]);
    EXPECT_EQ(gx.back(), sum);
}

TEST(ParameterBlock, FamilyListsAndLanguageLists) {
    EXPECT_EQ(listOf(Sensor, -1, 0).size(), 16u);
    EXPECT_EQ(listOf(Sensor, 0, 0).size(), 15u);
    EXPECT_EQ(listOf(Sensor, 1, 0).size(), 5u);
    EXPECT_EQ(listOf(Sensor, 2, 0).size(), 4u);
    EXPECT_EQ(listOf(VolumeUnit, 1, 0).size(), 11u);
    EXPECT_EQ(listOf(VolumeUnit, 2, 0).size(), 4u);
    EXPECT_EQ(listOf(TotalUnit, 1, 0).size(), 5u);
    EXPECT_EQ(listOf(TotalUnit, 0, 0).size(), 3u);
    EXPECT_EQ(listOf(Medium, -1, 1).front(), "air");
    EXPECT_EQ(listOf(Medium, -1, 1).back(), "hydrogen");
    EXPECT_EQ(listOf(Mode, -1, 1), (std::vector<std::string>{"standard flow", "operating flow"}));
    EXPECT_EQ(listOf(Mode, -1, 0)[1], "Betriebsvolumenstrom ");
    EXPECT_EQ(listOf(Line1, -1, 2)[1], "débit volume");
    EXPECT_EQ(listOf(Medium, -1, 7), listOf(Medium, -1, 0));
    EXPECT_EQ(listOf(Model, -1, 0).size(), 46u);
}

// --- variants --------------------------------------------------------------------

TEST(Variants, TableRowsOfTheOptions) {
    EXPECT_EQ(configurationAvailability(1), "111111111111111111");
    EXPECT_EQ(configurationAvailability(2), "111111000001111111");
    EXPECT_EQ(configurationAvailability(19), "000000111111100000");
    EXPECT_EQ(configurationAvailability(42), "000000000000000111");
    EXPECT_EQ(configurationAvailability(0), "");
    EXPECT_EQ(configurationAvailability(46), "");
    EXPECT_TRUE(isUnavailable(1, FlowStart, 0));
    EXPECT_FALSE(isUnavailable(12, PulseFrequency, 0));
    EXPECT_TRUE(isUnavailable(31, Medium, 0));
    // Controls outside the table and codes outside 1 to 45 are always there.
    EXPECT_FALSE(isUnavailable(1, TValue, 0));
    EXPECT_FALSE(isUnavailable(0, FlowStart, 0));
    EXPECT_FALSE(isUnavailable(-3, Medium, 0));
}

TEST(Variants, SensorRuleForFittingsAndPipe) {
    // Family 0 and codes without a family: no fittings, always the pipe.
    for (int code : {0, 5, 99})
        for (int s : {-1, 0, 1, 2}) {
            EXPECT_TRUE(isUnavailable(code, TpFitting, s));
            EXPECT_TRUE(isUnavailable(code, BvFitting, s));
            EXPECT_FALSE(isUnavailable(code, PipeSize, s));
        }
    // GX: "ZRN31GM1" (2) sits in a TP fitting, "ZRN31GM1BV" (1) in a BV fitting.
    EXPECT_FALSE(isUnavailable(16, TpFitting, 2));
    EXPECT_TRUE(isUnavailable(16, BvFitting, 2));
    EXPECT_TRUE(isUnavailable(16, PipeSize, 2));
    EXPECT_TRUE(isUnavailable(16, TpFitting, 0));
    EXPECT_TRUE(isUnavailable(16, BvFitting, 0));
    EXPECT_FALSE(isUnavailable(16, PipeSize, 0));
    EXPECT_FALSE(isUnavailable(16, BvFitting, 1));
    // FX: "ZRN31HM1" (0) on TP, "ZRN31HM1BV" (1) on BV.
    EXPECT_FALSE(isUnavailable(31, TpFitting, 0));
    EXPECT_TRUE(isUnavailable(31, PipeSize, 0));
    EXPECT_FALSE(isUnavailable(31, BvFitting, 1));
    EXPECT_TRUE(isUnavailable(31, PipeSize, 1));
    EXPECT_FALSE(isUnavailable(31, PipeSize, 2));
    EXPECT_TRUE(isUnavailable(31, TpFitting, -1));
}

// --- check -------------------------------------------------------------------------

TEST(Check, ValidSetsPassForEveryFamily) {
    for (int code : {1, 3, 12, 16, 27, 31, 42}) {
        ControlValues v = validSet(code);
        const auto o = check(v);
        EXPECT_EQ(o.result, 1) << code << " markers " << o.errorMarkers.size();
        EXPECT_TRUE(o.changedMarkersHidden);
    }
}

TEST(Check, NoModelShowsOnlyTheModelMarker) {
    for (int model : {-1, 0}) {
        ControlValues v = validSet(1);
        v.index[Model] = model;
        v.text[TValue] = "";
        const auto o = check(v);
        EXPECT_EQ(o.result, -1);
        EXPECT_EQ(o.errorMarkers, std::vector<int>{ModelErrorMarker});
        EXPECT_FALSE(o.changedMarkersHidden);
    }
}

TEST(Check, MissingUnitsStopTheCheckAtOnce) {
    ControlValues v = validSet(12);
    v.index[TemperatureUnit] = -1;
    v.index[VelocityUnit] = -1;
    v.text[TValue] = "";
    const auto o = check(v);
    EXPECT_EQ(o.result, -1);
    EXPECT_EQ(o.errorMarkers, (std::vector<int>{1040, 1038}));
}

TEST(Check, LimitPairsAtTheirBounds) {
    struct Case {
        int code, control, marker;
        const char *inLow, *inHigh, *outLow, *outHigh;
    };
    const Case cases[] = {
        {12, TValue, 1035, "1", "99", "0", "100"},
        {27, TValue, 1035, "10", "999", "9", "1000"},
        {12, CValue, 1036, "700", "1300", "699", "1301"},
        {27, CValue, 1036, "1", "999", "0", "1000"},
        {12, PipeSize, 1037, "10", "999.9", "9.9", "1000"},
        {16, PipeSize, 1037, "10", "9999.9", "9.9", "10000"},
        {12, PulseFrequency, 1117, "0.1", "999.9", "0.09", "1000"},
        {12, MeasuringTime, 1121, "1", "30", "0", "31"},
        {16, Pressure, 1141, "0.1", "250", "0.09", "250.1"},
        {12, TempStart, 1081, "-40", "99", "-40.1", "130.1"},
    };
    for (const auto& c : cases) {
        for (const char* t : {c.inLow, c.inHigh, c.outLow, c.outHigh}) {
            ControlValues v = validSet(c.code);
            v.text[c.control] = t;
            const bool expectPass = t == c.inLow || t == c.inHigh;
            EXPECT_EQ(marked(check(v), c.marker), !expectPass) << c.control << " = " << t;
        }
    }
}

TEST(Check, FlowLimitFollowsSensorUnitAndFamily) {
    ControlValues v = validSet(12);
    v.index[Sensor] = 2;  // "ZRK21HM1"
    v.text[FlowEnd] = "4.5";
    EXPECT_TRUE(marked(check(v), 1073));
    v.text[FlowEnd] = "4.0";
    EXPECT_EQ(check(v).result, 1);
    v.index[Sensor] = 0;  // "ZRK21GM1"
    v.text[FlowEnd] = "99.99";
    EXPECT_EQ(check(v).result, 1);
    v.index[Sensor] = 14;  // SONDERTYP: the gas sensors' range
    EXPECT_EQ(check(v).result, 1);
    // "%": 133.13333 for family 0's HM sensors, 133.3333 for family 2.
    v.index[Sensor] = 2;
    v.index[VelocityUnit] = 0;
    v.text[FlowEnd] = "133.2";
    EXPECT_TRUE(marked(check(v), 1073));
    ControlValues fx = validSet(42);
    fx.index[VelocityUnit] = 0;
    fx.text[FlowEnd] = "133.2";
    EXPECT_EQ(check(fx).result, 1);
    fx.index[VelocityUnit] = 2;  // fps
    fx.text[FlowEnd] = "13.2";
    EXPECT_TRUE(marked(check(fx), 1073));
    // GX by medium: methane 75 m/s.
    ControlValues gx = validSet(27);
    gx.index[Medium] = 5;
    gx.text[FlowEnd] = "80";
    EXPECT_TRUE(marked(check(gx), 1073));
    gx.index[Medium] = 6;
    EXPECT_EQ(check(gx).result, 1);
}

TEST(Check, TemperatureUnitsAndContactAssignment) {
    ControlValues v = validSet(27);
    v.index[TemperatureUnit] = 2;  // K
    v.text[TempStart] = "233.2";
    v.text[TempEnd] = "400";
    EXPECT_EQ(check(v).result, 1);
    v.text[TempStart] = "233.1";
    EXPECT_TRUE(marked(check(v), 1081));

    // 120 is no flow velocity in m/s of a GX meter, but a temperature in °C.
    ControlValues c = validSet(27);
    c.text[Gk1On] = "120";
    EXPECT_TRUE(marked(check(c), 1097));
    c.index[Assignment] = 1;  // contact 1 on temperature
    c.text[Gk1Off] = "110";
    EXPECT_EQ(check(c).result, 1);
    c.text[Gk2On] = "120";  // contact 2 is still on flow
    EXPECT_TRUE(marked(check(c), 1105));
    c.index[Assignment] = 3;
    EXPECT_EQ(check(c).result, 1);
}

TEST(Check, CrossChecks) {
    ControlValues v = validSet(12);
    v.text[FlowStart] = "10";
    v.text[FlowEnd] = "10";
    v.index[Sensor] = 0;
    auto o = check(v);
    EXPECT_TRUE(marked(o, 1069));
    EXPECT_TRUE(marked(o, 1073));
    EXPECT_EQ(o.errors, 1);
    v.text[FlowStart] = "0";
    EXPECT_EQ(check(v).result, 1);
    v.text[Gk1On] = "5";
    v.text[Gk1Off] = "5";
    o = check(v);
    EXPECT_TRUE(marked(o, 1097));
    EXPECT_TRUE(marked(o, 1101));
    v.text[Gk1Off] = "4";
    EXPECT_EQ(check(v).result, 1);
    v.text[TempEnd] = "-10";
    EXPECT_TRUE(marked(check(v), 1085));
    // A model without the analog outputs skips their cross check.
    ControlValues none = validSet(1);
    none.text[FlowStart] = "10";
    none.text[FlowEnd] = "abc";
    EXPECT_EQ(check(none).result, 1);
}

TEST(Check, CleanedTextsCommasAndBlanks) {
    ControlValues v = validSet(3);  // D4: frequency output
    v.text[PulseFrequency] = "12,5";
    EXPECT_EQ(check(v).result, 1);
    EXPECT_EQ(v.txt(PulseFrequency), "12.5");
    v.text[PipeSize] = "5\t0";  // characters below the blank go
    EXPECT_EQ(check(v).result, 1);
    EXPECT_EQ(v.txt(PipeSize), "50");
    v.text[TValue] = "";
    EXPECT_TRUE(marked(check(v), 1035));
    v.text[TValue] = " 50 ";
    EXPECT_EQ(check(v).result, 1);
    v.text[TValue] = "   ";
    EXPECT_TRUE(marked(check(v), 1035));
    v.text[TValue] = std::string(10000, '7');  // saturates, never overflows
    EXPECT_TRUE(marked(check(v), 1035));
    // What passes the check is what is sent: both read the same characters.
    v.text[TValue] = std::string(99, '0') + "5" + "00";
    EXPECT_EQ(check(v).result, 1);
    EXPECT_EQ(encodeBlock(0, v)[2], 5);
    v.text[PipeSize] = std::string(98, '0') + "20" + "000";
    EXPECT_EQ(check(v).result, 1);
    EXPECT_EQ(realAt(encodeBlock(0, v), 7), 20.0f);
}

TEST(Check, MultiplicationFactor) {
    ControlValues v = validSet(1);
    for (const char* bad : {"-0.5", "nan", "inf", "1e39"}) {
        v.text[MultFactor] = bad;
        EXPECT_TRUE(marked(check(v), 1125)) << bad;
    }
    for (const char* good : {"", "0", "2,5"}) {
        v.text[MultFactor] = good;
        EXPECT_EQ(check(v).result, 1) << good;
    }
}

TEST(Check, NotANumberFailsRealsWhereverItHides) {
    for (const char* bad : {"nan", "-nan", "inf", "-inf", "1e39"}) {
        ControlValues v = validSet(12);
        v.text[FlowEnd] = bad;
        EXPECT_TRUE(marked(check(v), 1073)) << bad;
    }
}

TEST(Check, GxMediumRules) {
    ControlValues v = validSet(27);
    v.index[Medium] = 4;  // CO2
    v.index[Sensor] = 0;  // "ZRK31GM1"
    EXPECT_TRUE(marked(check(v), 1032));
    v.index[Sensor] = 2;  // "ZRN31GM1" in a TP fitting
    v.index[TpFitting] = 3;
    EXPECT_EQ(check(v).result, 1);
    v.index[TpFitting] = 4;
    EXPECT_TRUE(marked(check(v), 1129));
    // Sensor 0 with a large fitting marks all three rows.
    v.index[Sensor] = 0;
    auto o = check(v);
    EXPECT_TRUE(marked(o, 1129));
    EXPECT_TRUE(marked(o, 1137));
    EXPECT_TRUE(marked(o, 1032));
    // Argon with the fitting unavailable and a sensor index above 3.
    v.index[Medium] = 3;
    v.index[Sensor] = 4;
    v.index[TpFitting] = 0;
    o = check(v);
    EXPECT_TRUE(marked(o, 1129));
    EXPECT_EQ(o.errors, 2);
    // Other families ignore the medium.
    ControlValues fx = validSet(42);
    fx.index[Medium] = 4;
    EXPECT_EQ(check(fx).result, 1);
}

TEST(Check, OptionalSelectionsOnlyWhereTheModelHasThem) {
    ControlValues v = validSet(1);
    for (int id : {Assignment, TpFitting, BvFitting, Medium, Mode}) v.index[id] = -1;
    EXPECT_EQ(check(v).result, 1);
    ControlValues gx = validSet(27);
    gx.index[Medium] = -1;
    gx.index[Mode] = -1;
    gx.index[Assignment] = -1;
    auto o = check(gx);
    EXPECT_TRUE(marked(o, 1137));
    EXPECT_TRUE(marked(o, 1145));
    EXPECT_TRUE(marked(o, 1089));
    EXPECT_FALSE(marked(o, 1129));  // sensor 0 has no TP fitting
    for (int id : {Language, Sensor, VolumeUnit, TotalUnit, Line1, Line2}) {
        ControlValues w = validSet(12);
        w.index[id] = -1;
        EXPECT_EQ(check(w).errors, 1) << id;
    }
}

TEST(Check, LimitsFollowTheModelNotAStaleFamily) {
    ControlValues v = validSet(27);
    v.text[CValue] = "500";
    // The program's family may still say 0 from another meter: the GX limits hold.
    EXPECT_EQ(checkConfiguration(27, 0, v).result, 1);
}

// --- file --------------------------------------------------------------------------

TEST(ConfigurationFile, LayoutAndShortFiles) {
    const auto block = encodeBlock(0, validSet(5));
    std::vector<std::uint8_t> send(100, 0);
    std::copy(block.begin(), block.end(), send.begin());
    const auto file = configurationFile(5, 0, send);
    ASSERT_EQ(file.size(), 101u);
    EXPECT_EQ(file[0], 5);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), file.begin() + 1));
    EXPECT_TRUE(std::all_of(file.begin() + 64, file.end(), [](auto b) { return b == 0; }));
    EXPECT_EQ(configurationFile(0, -1, send), Bytes{0});
    EXPECT_EQ(configurationFile(-1, -1, send), Bytes{0});
    EXPECT_EQ(configurationFile(300, -1, send), Bytes{44});

    const auto back = parseConfigurationFile(file.data(), file.size());
    EXPECT_EQ(back.code, 5);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), back.block.begin()));
    EXPECT_EQ(parseConfigurationFile(nullptr, 0).code, 0);
    const std::uint8_t one = 0xFF;
    const auto single = parseConfigurationFile(&one, 1);
    EXPECT_EQ(single.code, -1);
    EXPECT_TRUE(std::all_of(single.block.begin(), single.block.end(), [](auto b) { return b == 0; }));
    std::vector<std::uint8_t> huge(1 << 20, 0xAB);
    const auto big = parseConfigurationFile(huge.data(), huge.size());
    EXPECT_EQ(big.block[98], 0xAB);
    EXPECT_EQ(big.block[99], 0);  // the 101st byte is beyond the one read of 100
}

// --- a read judged ---------------------------------------------------------------

TEST(Transfer, ARepliedBlockIsUsedOnlyWhenWholeLedByItsEchoAndHoldable) {
    ControlValues v;
    for (const auto& r : rows())
        if (r.kind == Kind::Edit) v.text[r.control].assign(1, '1'); else v.index[r.control] = 0;
    const auto block = encodeBlock(0, v);
    ASSERT_TRUE(blockPlausible(0, block.data()));
    auto reply = [](const Bytes& bytes) {
        Reply r;
        std::copy(bytes.begin(), bytes.end(), r.bytes.begin());
        r.received = static_cast<int>(bytes.size());
        return r;
    };
    Bytes whole{0x30, 66};
    whole.insert(whole.end(), block.begin(), block.end());
    auto with = [&](std::size_t at, std::uint8_t b) {
        Bytes w = whole;
        w[at] = b;
        return w;
    };
    Bytes nan = whole;
    nan[2 + 7] = 0x7F, nan[2 + 8] = 0xC0;  // the pipe size
    Bytes led = whole;
    led.insert(led.begin(), 0x00);
    const Bytes type{0x50, 4, 5, 0};
    struct Case {
        const char* name;
        Bytes type, block;
        ReadState state;
    } cases[] = {
        {"whole, bytes after it", type, [&] { Bytes w = whole; w.push_back(0xAA); return w; }(), ReadState::Whole},
        {"no type answer: the page's model", {}, whole, ReadState::Whole},
        {"cut", type, Bytes(whole.begin(), whole.end() - 1), ReadState::Incomplete},
        {"nothing", type, {}, ReadState::Incomplete},
        {"type reply not led by its echo", {0x41, 4, 5, 0}, whole, ReadState::Damaged},
        {"block reply not led by its echo", type, led, ReadState::Damaged},
        {"a real no meter holds", type, nan, ReadState::Damaged},
        {"a list byte outside its list", type, with(2 + 11, 0), ReadState::Damaged},
        {"a flag that is neither 0 nor 1", type, with(2 + 17, 7), ReadState::Damaged},
    };
    for (const auto& c : cases) {
        const ParameterReplies r{reply(c.type), reply(c.block)};
        const SetRead out = judgeRead(&r, 0, 3);
        EXPECT_EQ(out.state, c.state) << c.name;
        if (out.state == ReadState::Whole) {
            EXPECT_EQ(out.set.code, c.type.empty() ? 3 : 5) << c.name;
            EXPECT_EQ(out.set.block, block) << c.name;
            EXPECT_EQ(out.typeAnswered, !c.type.empty()) << c.name;
        }
    }
    EXPECT_EQ(judgeRead(nullptr, 0, 3).state, ReadState::NoLink);
}


// --- the write's verdict -------------------------------------------------------------

TEST(WriteVerdict, OneJudgementOfWhatWasSentAcknowledgedHeldBeforeAndReadBack) {
    namespace l = qv::text::label;
    const ParameterSet sent{1, 0, encodeBlock(0, validSet(1))};
    ParameterSet old = sent, other = sent;
    old.block[58] = 7;    // the measuring time the meter held
    other.block[58] = 9;  // neither the old set nor the new one
    auto read = [](const ParameterSet& s, ReadState state = ReadState::Whole) {
        SetRead r;
        r.state = state;
        r.typeAnswered = true;
        r.set = s;
        if (state != ReadState::Whole) r.set.block.clear();
        return r;
    };
    ParameterSet gx = sent;
    gx.family = 1;
    struct Case {
        const char* name;
        bool linked, acked, readBack;
        std::optional<ParameterSet> before;
        std::optional<SetRead> back;
        WriteVerdict verdict;
        bool holds;
        std::size_t differences;
        VerdictWords words;
    } cases[] = {
        {"no link", false, false, true, old, std::nullopt, WriteVerdict::NotSent, false, 0, {l::NotSent, 0}},
        {"acknowledged, not read back", true, true, false, old, std::nullopt, WriteVerdict::Acknowledged, true, 0,
         {l::Acknowledged, 0}},
        {"refused, not read back", true, false, false, old, std::nullopt, WriteVerdict::NotAcknowledged, false, 0,
         {l::NotAcknowledged, 0}},
        {"verified", true, true, true, old, read(sent), WriteVerdict::Verified, true, 0, {l::Verified, 0}},
        {"late acknowledge: held after all", true, false, true, old, read(sent), WriteVerdict::HeldAfterAll, true, 0,
         {l::HeldAfterAll, 0}},
        {"refused, kept its old set", true, false, true, old, read(old), WriteVerdict::KeptOld, false, 0, {l::KeptOld, 0}},
        {"refused, old set unknown", true, false, true, std::nullopt, read(old), WriteVerdict::NotWrittenOther, false, 1,
         {l::NotWrittenOther, 0}},
        {"refused, holds another", true, false, true, old, read(other), WriteVerdict::NotWrittenOther, false, 1,
         {l::NotWrittenOther, 0}},
        {"acknowledged, a byte flipped", true, true, true, old, read(other), WriteVerdict::NotVerifiedOther, false, 1,
         {l::NotVerifiedOther, 0}},
        {"acknowledged, read-back damaged", true, true, true, old, read(sent, ReadState::Damaged),
         WriteVerdict::NotVerified, false, 0, {l::NotVerified, l::ReadBackDamaged}},
        {"refused, read-back cut", true, false, true, old, read(sent, ReadState::Incomplete), WriteVerdict::Unknown,
         false, 0, {l::Unknown, l::NoWholeBlock}},
        {"read-back of another family", true, true, true, old, read(gx), WriteVerdict::NotVerified, false, 0,
         {l::NotVerified, l::NoWholeBlock}},
        {"read-back without a link", true, true, true, old, read(sent, ReadState::NoLink), WriteVerdict::NotVerified,
         false, 0, {l::NotVerified, l::NoWholeBlock}},
    };
    for (const auto& c : cases) {
        WriteRequest request{sent, c.before, c.readBack};
        WriteResult result{c.linked, {c.linked, c.acked}, c.back};
        const WriteJudgement j = judgeWrite(request, result, 1);
        EXPECT_EQ(j.verdict, c.verdict) << c.name;
        EXPECT_EQ(j.holdsSet, c.holds) << c.name;
        ASSERT_EQ(j.differences.size(), c.differences) << c.name;
        if (c.differences) {
            EXPECT_EQ(j.differences[0].control, MeasuringTime) << c.name;
        }
        const VerdictWords w = verdictWords(j);
        EXPECT_EQ(w.title, c.words.title) << c.name;
        EXPECT_EQ(w.reason, c.words.reason) << c.name;
        EXPECT_STRNE(verdictName(j.verdict), "") << c.name;
    }
}
