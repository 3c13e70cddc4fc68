#include <gtest/gtest.h>

#include <cmath>

#include "core/protocol/commands.h"
#include "core/protocol/measurement.h"
#include "core/protocol/tables.h"

using namespace qv::protocol;

TEST(ModelCodes, AllFortyFiveFollowTheRule) {
    const auto& t = modelCodeTable();
    EXPECT_EQ(t[0], "----");
    EXPECT_EQ(t[1], "KT740-M1S1");
    EXPECT_EQ(t[2], "KT740-M1P2S1");
    EXPECT_EQ(t[15], "KT740-M1D4I2S1");
    EXPECT_EQ(t[16], "KT740-GX-M1S1");
    EXPECT_EQ(t[23], "KT740-GX-M1P2A1S1");
    EXPECT_EQ(t[31], "KT740-FX-M1S1");
    EXPECT_EQ(t[45], "KT740-FX-M1D4I2S1");
    for (int code = 1; code <= 45; ++code) {
        SCOPED_TRACE(code);
        const std::string& s = t[code];
        ASSERT_EQ(s.rfind("KT740-", 0), 0u);
        ASSERT_EQ(s.substr(s.size() - 2), "S1");
        const int family = familyOfCode(code);
        EXPECT_EQ(s.rfind("KT740-GX-", 0) == 0, family == 1);
        EXPECT_EQ(s.rfind("KT740-FX-", 0) == 0, family == 2);
        for (int other = 1; other < code; ++other) EXPECT_NE(t[other], s);
    }
}

TEST(ModelCodes, FamilyRuleAndCodesWithoutEntry) {
    EXPECT_EQ(familyOfCode(15), 0);
    EXPECT_EQ(familyOfCode(16), 1);
    EXPECT_EQ(familyOfCode(30), 1);
    EXPECT_EQ(familyOfCode(31), 2);
    int family = 1;
    for (int code : {0, 46, 255, -3}) {
        updateFamily(code, family);
        EXPECT_EQ(family, 1) << code;
        EXPECT_EQ(modelCodeText(code), "----") << code;
    }
    updateFamily(40, family);
    EXPECT_EQ(family, 2);
}

TEST(UnitTexts, LookupPerFamily) {
    // Families 0 and 2 (and no family yet) share the codes 90.., family 1 uses 150..
    for (int f : {0, 2, -1}) {
        EXPECT_EQ(unitText(Quantity::FlowVelocity, f, 91), "m/s");
        EXPECT_EQ(unitText(Quantity::VolumeFlow, f, 112), "m\xB3/h");
        EXPECT_EQ(unitText(Quantity::VolumeFlow, f, 113), "gallons/min");
        EXPECT_EQ(unitText(Quantity::Totalizer, f, 122), "gallons");
        EXPECT_EQ(unitText(Quantity::Temperature, f, 100), "\xB0" "C");
    }
    EXPECT_EQ(unitText(Quantity::FlowVelocity, 1, 152), "fps");
    EXPECT_EQ(unitText(Quantity::VolumeFlow, 1, 160), "l/s");
    EXPECT_EQ(unitText(Quantity::VolumeFlow, 1, 170), "pounds/h");
    EXPECT_EQ(unitText(Quantity::Totalizer, 1, 177), "ft\xB3");
    EXPECT_EQ(unitText(Quantity::Totalizer, 1, 179), "lb");
    EXPECT_EQ(unitText(Quantity::Temperature, 1, 157), "K");
}

TEST(UnitTexts, CodesOutsideTheTableGiveNothing) {
    EXPECT_EQ(unitIndex(Quantity::FlowVelocity, 0, 66), -1);
    EXPECT_EQ(unitIndex(Quantity::FlowVelocity, 0, 67 + 29), -1);
    EXPECT_EQ(unitIndex(Quantity::Temperature, 1, 0), -1);
    EXPECT_EQ(unitIndex(Quantity::VolumeFlow, 1, 255), -1);
    EXPECT_EQ(unitText(Quantity::Totalizer, 0, 255), "");
    // The subtraction is not checked against the quantity's own run.
    EXPECT_EQ(unitText(Quantity::FlowVelocity, 0, 87), "\xB0" "C");
}

TEST(FloatDecoding, BigEndianSinglePrecision) {
    const std::uint8_t b25[] = {0x40, 0x20, 0x00, 0x00};
    EXPECT_EQ(decodeFloatBE(b25), 2.5f);
    const std::uint8_t b15[] = {0x3F, 0xC0, 0x00, 0x00};
    EXPECT_EQ(decodeFloatBE(b15), 1.5f);
    const std::uint8_t neg[] = {0xC1, 0x48, 0x00, 0x00};
    EXPECT_EQ(decodeFloatBE(neg), -12.5f);
    std::uint8_t out[4];
    encodeFloatBE(-12.5f, out);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + 4), std::vector<std::uint8_t>(neg, neg + 4));
    const std::uint8_t nan[] = {0x7F, 0xC0, 0x00, 0x00};
    EXPECT_TRUE(std::isnan(decodeFloatBE(nan)));
}

TEST(Availability, RowsByFamilyAndOption) {
    EXPECT_STREQ(operationAvailability(1), "11111");
    EXPECT_STREQ(operationAvailability(2), "10011");
    EXPECT_STREQ(operationAvailability(3), "10000");
    EXPECT_STREQ(operationAvailability(7), "11111");
    EXPECT_STREQ(operationAvailability(11), "10011");
    EXPECT_STREQ(operationAvailability(12), "10000");
    EXPECT_STREQ(operationAvailability(16), "01111");
    EXPECT_STREQ(operationAvailability(17), "00011");
    EXPECT_STREQ(operationAvailability(30), "00000");
    EXPECT_STREQ(operationAvailability(33), "10000");
    EXPECT_STREQ(operationAvailability(45), "10000");
    for (int code : {0, -1, -128, 46, 127}) {
        EXPECT_EQ(operationAvailability(code), nullptr) << code;
        EXPECT_TRUE(groupAvailable(code, Group::LowFlow)) << code;
        EXPECT_TRUE(groupAvailable(code, Group::ErrorContact)) << code;
    }
    EXPECT_FALSE(groupAvailable(17, Group::Ready));
    EXPECT_TRUE(groupAvailable(17, Group::Limit2));
    EXPECT_TRUE(groupAvailable(17, Group::LowFlow));
}

TEST(LowFlowBlock, ChecksumIsTheByteSumWithTheCommand) {
    EXPECT_EQ(lowFlowBlock(0), (std::array<std::uint8_t, 3>{0x04, 0x00, 0x7A}));
    EXPECT_EQ(lowFlowBlock(5), (std::array<std::uint8_t, 3>{0x04, 0x05, 0x7F}));
    EXPECT_EQ(lowFlowBlock(10), (std::array<std::uint8_t, 3>{0x04, 0x0A, 0x84}));
}
