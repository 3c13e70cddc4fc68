#include <gtest/gtest.h>

#include "device/identify.h"
#include "tests/support/scripted_link.h"

using namespace qv::device;
using qv::test::Bytes;
using qv::test::ScriptedLink;

namespace {
struct Identify : ::testing::Test {
    ScriptedLink link;
    Bytes typeReply{0x50, 0x04, 17, 0x00};
    Bytes versionReply{0x51, 0x07, 0x3F, 0x9D, 0x70, 0xA4, 0x00};  // 1.23
    int family = -1;
    Identification id;
    void SetUp() override {
        link.respond = [this](const Bytes& w) { return w[0] == 0x50 ? typeReply : versionReply; };
    }
};
}  // namespace

TEST_F(Identify, AcceptsFourBytesStartingWithP) {
    ASSERT_EQ(identifyMeter(link, family, id), 0);
    EXPECT_EQ(id.deviceCode, 17);
    EXPECT_EQ(family, 1);
    ASSERT_TRUE(id.version.has_value());
    EXPECT_NEAR(*id.version, 1.23f, 1e-6);
    // No flush reads: write, wait, read, twice, with the identification waits.
    EXPECT_EQ(link.log, (std::vector<std::string>{"W 50", "S 100", "R", "W 51", "S 50", "R"}));
}

TEST_F(Identify, RejectsOtherLengthsAndFirstBytes) {
    for (const Bytes& reply : {Bytes{0x50, 0x04, 17, 0x00, 0x00}, Bytes{0x51, 0x04, 17, 0x00}, Bytes{0x50, 4, 17},
                               Bytes{}}) {
        typeReply = reply;
        family = 2;
        id.deviceCode = 99;
        EXPECT_EQ(identifyMeter(link, family, id), -1);
        EXPECT_EQ(family, 2);
        EXPECT_EQ(id.deviceCode, 99);
    }
    EXPECT_EQ(link.commandsSent(), (std::vector<std::uint8_t>(4, 0x50)));
}

TEST_F(Identify, VersionNeedsItsFourBytes) {
    versionReply = {0x51, 0x07, 0x3F};
    ASSERT_EQ(identifyMeter(link, family, id), 0);
    EXPECT_FALSE(id.version.has_value());
    versionReply = {};
    ASSERT_EQ(identifyMeter(link, family, id), 0);
    EXPECT_FALSE(id.version.has_value());
}

TEST_F(Identify, CodeIsASignedByte) {
    typeReply = {0x50, 0x04, 0xF0, 0x00};
    ASSERT_EQ(identifyMeter(link, family, id), 0);
    EXPECT_EQ(id.deviceCode, -16);
    EXPECT_EQ(family, -1);
}

TEST(SerialLinkClosed, DoesNothingAndReportsFailure) {
    SerialLink link;
    std::uint8_t buf[kReadSize];
    int received = 7;
    EXPECT_EQ(link.read(buf, received), -1);
    EXPECT_EQ(received, 0);
    const std::uint8_t b = 0x50;
    EXPECT_EQ(link.write(&b, 1), -1);
    EXPECT_FALSE(link.isOpen());
}
