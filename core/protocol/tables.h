#pragma once
// Model codes, families, the unit texts of the measurement replies and the
// Operation page's controls each model has.
// Texts are Windows-1252 bytes, as the meter and the files use them.
#include <array>
#include <cstdint>
#include <string>

namespace qv::protocol {

constexpr int kModelCodeCount = 46;  // entry 0 "----" and the models 1 to 45
constexpr int kUnitTextCount = 29;

const std::array<std::string, kModelCodeCount>& modelCodeTable();
const std::array<std::string, kUnitTextCount>& unitTextTable();

// Family 0, 1 or 2 of model code 1 to 45; -1 for any other code.
int familyOfCode(int code);
// Applies the family rule: codes outside 1 to 45 leave family as it was.
void updateFamily(int code, int& family);
// Text of a model code; codes without an entry show the entry of code 0.
const std::string& modelCodeText(int code);

enum class Quantity { FlowVelocity, VolumeFlow, Totalizer, Temperature };
// Index into unitTextTable for a reply's unit code, or -1 outside the table.
int unitIndex(Quantity q, int family, int unitCode);
// The unit text, empty for codes outside the table.
std::string unitText(Quantity q, int family, int unitCode);

// The Operation page's controls by model: the columns of its availability mask.
enum class Group { LowFlow = 0, Limit1 = 1, Limit2 = 2, Ready = 3, ErrorContact = 4 };
// Five characters '0'/'1' for model code 1 to 45 ('1': the model lacks that
// group); nullptr for any other code, whose meters get every control.
const char* operationAvailability(int deviceCode);
bool groupAvailable(int deviceCode, Group group);

}  // namespace qv::protocol
