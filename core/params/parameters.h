#pragma once
// The meter's parameter set as the Configuration page holds it: the values
// of its controls as plain data, the lists they choose from, the byte block
// they travel in, the variant table that says which rows a model has, and
// the configuration file. No Qt here; the page only moves values in and out.
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qv::params {

// Control identifiers, as the text files address them.
enum Id : int {
    Model = 1033, ModelCaption = 1034,
    Language = 1004, Sensor = 1014, TValue = 1017, CValue = 1022, PipeSize = 1029,
    VelocityUnit = 1006, TemperatureUnit = 1008, VolumeUnit = 1010, TotalUnit = 1016,
    Line1 = 1046, Line2 = 1050, Backlight = 1055, FlowOffset = 1059, FlowStart = 1066, FlowEnd = 1070,
    TempOffset = 1075, TempStart = 1078, TempEnd = 1082, Assignment = 1086,
    Gk1On = 1094, Gk1Off = 1098, Gk2On = 1102, Gk2Off = 1106, FreqOutput = 1111, PulseFrequency = 1114,
    MeasuringTime = 1118, MultFactor = 1122, TpFitting = 1126, BvFitting = 1130, Medium = 1134,
    Pressure = 1138, Mode = 1146,
    // Buttons.
    ReadButton = 1011, WriteButton = 1012, ClearButton = 1062, LoadButton = 1063, SaveButton = 1064,
    CheckButton = 1065,
    // Unit statics beside the values that follow a unit selection.
    FlowStartUnit = 1142, FlowEndUnit = 1147, TempStartUnit = 1148, TempEndUnit = 1149,
    Gk1OnUnit = 1090, Gk1OffUnit = 1091, Gk2OnUnit = 1093, Gk2OffUnit = 1092, PulseUnit = 1156,
    PressureUnit = 1150, TimeUnit = 1152,
    ModelErrorMarker = 1026, ModelChangedMarker = 1025,
};

enum class Kind { Combo, Check, Edit };

// One parameter row: its control, caption static, marker pair and the
// caption the page starts with before the label file replaces it.
struct Row {
    int control;
    int caption;
    int changedMarker;
    int errorMarker;
    Kind kind;
    const char* caption0;  // UTF-8
};
// The 33 rows, the model first.
const std::array<Row, 33>& rows();
const Row* rowOf(int control);

// The characters an edit holds: the check and the encoding read the same
// text, so what passed the check is what is sent.
constexpr std::size_t kEditTextLimit = 100;

// The values of the page's controls: combo selections (-1 none) and check
// states (0, 1) by control, edit texts by control (txt: at most kEditTextLimit).
struct ControlValues {
    std::map<int, int> index;
    std::map<int, std::string> text;
    int sel(int control) const;
    std::string txt(int control) const;
};

// The list a combo offers. family -1: the lists the page starts with before
// any model; uiLanguage 0 German, 1 English, 2 French (others: German).
// UTF-8 texts.
std::vector<std::string> listOf(int control, int family, int uiLanguage);
// The lists that follow the family.
bool isFamilyList(int control);

// --- the parameter block -----------------------------------------------------

constexpr std::size_t kMaxBlock = 71;
std::size_t blockSize(int family);          // 63, 71, 65; 0 for no family
// Bytes the read keeps of a reply from its block on (block plus what follows).
std::size_t readBlockCopySize(int family);  // 66, 74, 66

// Where each parameter travels in a family's block: encode, decode, the
// plausibility rule and the comparisons all read this one table.
enum class FieldType {
    ListIndex,    // one byte: list position + listOffset
    Flag,         // one byte: 0 or 1
    Real,         // four bytes: big-endian single-precision real
    Byte,         // one byte: an unsigned integer
    Word,         // two bytes: a big-endian unsigned integer
    Thousandths,  // four bytes: a real holding the value in thousandths
};
struct BlockField {
    int control;
    std::size_t offset;
    std::size_t width;
    FieldType type;
    int listOffset;      // ListIndex only
    const char* format;  // how the page shows a number
};
// The fields of a family's block in block order; empty for no family. Bytes
// no field covers are reserved (sent as 0).
const std::vector<BlockField>& blockLayout(int family);
const BlockField* fieldOf(int family, int control);

// The family's block from the controls; every field, whether or not the
// model has it (an empty edit gives 0).
std::vector<std::uint8_t> encodeBlock(int family, const ControlValues& values);
// The controls from a block of the family (size bytes available, missing
// ones read as 0), texts in the page's display formats. A byte that names
// no list position leaves its combo without a selection.
ControlValues decodeBlock(int family, const std::uint8_t* block, std::size_t size);
// Whether a block can be a set a meter of the family holds: every list byte
// names a list position (or "no selection", as a write of an empty list
// sends it), every flag is 0 or 1 and every real is finite. A reply whose
// block fails this is damaged, not a set to show.
bool blockPlausible(int family, const std::uint8_t* block);

// What the page last decoded, to tell a changed control from an unchanged
// one: selections and states as integers, numbers as single-precision reals
// taken back from their displayed text.
struct ReadValues {
    std::map<int, int> index;
    std::map<int, float> number;
};
ReadValues readValuesOf(const ControlValues& decoded);
// Whether a control's current value differs from its read value.
bool differsFromRead(int control, const ControlValues& current, const ReadValues& read);

// C library conversions as the page uses them: atof rounded to single
// precision (beyond its range gives an infinity, not undefined behaviour),
// and atoi saturating.
float textToFloat(const std::string& text);
int textToInt(const std::string& text);

// --- variants ----------------------------------------------------------------

// The controls the columns of the availability table stand for.
const std::array<int, 18>& availabilityControls();
// The 18 characters of a model ('1': not available); empty outside 1 to 45.
std::string configurationAvailability(int code);
// The table alone: true when code 1 to 45 marks the control's column '1'.
bool tableUnavailable(int code, int control);
// The table with the sensor rule for 1029, 1126 and 1130 (sensor: the
// selection of 1014, -1 none).
bool isUnavailable(int code, int control, int sensor);

// The controls a column shows, hides or greys, led by the one it stands for.
struct VariantRow {
    int control;
    std::vector<int> ids;
};
const std::vector<VariantRow>& variantRows();

// --- configuration file ------------------------------------------------------

constexpr std::size_t kFileBlockBytes = 100;
constexpr std::size_t kFileSize = 1 + kFileBlockBytes;
// The file: the code's low 8 bits (0 for no model), then, for a family 0 to 2, the 100 bytes
// of the send block (the family's block and zero bytes).
std::vector<std::uint8_t> configurationFile(int code, int family, const std::vector<std::uint8_t>& block);
struct LoadedFile {
    int code = 0;                                // byte 0 as a signed 8-bit number
    std::array<std::uint8_t, kFileBlockBytes> block{};  // from offset 1; missing bytes 0
};
// Takes the first 100 bytes of data; what the file lacks counts as 0.
LoadedFile parseConfigurationFile(const std::uint8_t* data, std::size_t size);

}  // namespace qv::params
