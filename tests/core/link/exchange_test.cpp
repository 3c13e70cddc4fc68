#include <gtest/gtest.h>

#include "core/link/exchange.h"
#include "core/params/parameters.h"
#include "core/protocol/tables.h"
#include "core/protocol/commands.h"
#include "tests/support/scripted_link.h"

using namespace qv::link;
using namespace qv::protocol;
using qv::test::Bytes;
using qv::test::ScriptedLink;

namespace {
struct Identify : ::testing::Test {
    ScriptedLink link;
    Bytes typeReply{0x50, 0x04, 17, 0x00};
    Bytes versionReply{0x51, 0x07, 0x3F, 0x9D, 0x70, 0xA4, 0x00};  // 1.23
    Identification id;
    void SetUp() override {
        link.respond = [this](const Bytes& w) { return w[0] == 0x50 ? typeReply : versionReply; };
    }
};
}  // namespace

TEST_F(Identify, AcceptsFourBytesStartingWithP) {
    ASSERT_TRUE(identifyMeter(link, id));
    EXPECT_EQ(id.deviceCode, 17);
    ASSERT_TRUE(id.version.has_value());
    EXPECT_NEAR(*id.version, 1.23f, 1e-6);
    // No flush reads: write, wait, read, twice, with the identification waits.
    EXPECT_EQ(link.log, (std::vector<std::string>{"W 50", "S 100", "R", "W 51", "S 50", "R"}));
}

TEST_F(Identify, RejectsOtherLengthsAndFirstBytes) {
    for (const Bytes& reply : {Bytes{0x50, 0x04, 17, 0x00, 0x00}, Bytes{0x51, 0x04, 17, 0x00}, Bytes{0x50, 4, 17},
                               Bytes{}}) {
        typeReply = reply;
        id.deviceCode = 99;
        EXPECT_FALSE(identifyMeter(link, id));
        EXPECT_EQ(id.deviceCode, 99);
    }
    EXPECT_EQ(link.commandsSent(), (std::vector<std::uint8_t>(4, 0x50)));
}

TEST_F(Identify, VersionNeedsItsFourBytes) {
    versionReply = {0x51, 0x07, 0x3F};
    ASSERT_TRUE(identifyMeter(link, id));
    EXPECT_FALSE(id.version.has_value());
    versionReply = {};
    ASSERT_TRUE(identifyMeter(link, id));
    EXPECT_FALSE(id.version.has_value());
}

TEST_F(Identify, CodeIsASignedByte) {
    typeReply = {0x50, 0x04, 0xF0, 0x00};
    ASSERT_TRUE(identifyMeter(link, id));
    EXPECT_EQ(id.deviceCode, -16);
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

// --- the set's exchanges ----------------------------------------------------------

TEST(Transfer, ReadFlushesOnceThenTypeAndBlockRequestsAndWaitsOnceForTheRestOfACutBlock) {
    int family = -1;
    updateFamily(20, family);
    const int whole = 2 + static_cast<int>(qv::params::blockSize(family));
    const struct Case {
        const char* name;
        std::vector<Bytes> block;  // what the reads after the block request bring, one a read
        int received;
        bool readAgain;
    } cases[] = {
        {"whole in one read", {Bytes(whole, 0x30)}, whole, false},
        {"cut, the rest in the next read", {Bytes(40, 0x30), Bytes(whole - 40, 0x31)}, whole, true},
        {"cut, nothing more", {Bytes(40, 0x30), {}}, 40, true},
        {"cut, but not the block's answer", {Bytes(40, 0x55)}, 40, false},
    };
    for (const auto& c : cases) {
        ScriptedLink link;
        link.respond = [&](const Bytes& w) {
            if (w[0] == 0x50) return Bytes{0x50, 0x01, 20, 0x71};
            for (const auto& b : c.block) link.pending.push_back(b);
            return Bytes{};
        };
        link.pending.push_back({0xEE});  // late bytes: flushed
        const auto r = requestParameters(link);
        std::vector<std::string> log{"R", "W 50", "S 100", "R", "W 30", "S 100", "R"};
        if (c.readAgain) log.push_back("R");
        EXPECT_EQ(link.log, log) << c.name;
        EXPECT_EQ(r.type.received, 4);
        EXPECT_EQ(r.type.bytes[2], 20);
        EXPECT_EQ(r.block.received, c.received) << c.name;
        if (c.received == whole) {
            EXPECT_EQ(r.block.bytes[whole - 1], c.readAgain ? 0x31 : 0x30) << c.name;
        }
    }
}

TEST(Transfer, WriteSendsTheFirstByteAloneWaitsForAQuietLineThenTheRest) {
    for (const std::size_t blockSize : {63u, 71u, 65u}) {
        const int family = blockSize == 63 ? 0 : blockSize == 71 ? 1 : 2;
        ScriptedLink link;
        std::vector<std::size_t> writes;
        link.respond = [&](const Bytes& w) {
            writes.push_back(w.size());
            return Bytes{0x96};
        };
        const auto frame = writeFrame(family, std::vector<std::uint8_t>(blockSize, 0));
        const WriteOutcome out = sendParameterFrame(link, frame);
        EXPECT_TRUE(out.sent && out.acknowledged);
        EXPECT_EQ(writes, (std::vector<std::size_t>{1, blockSize + 2}));
        EXPECT_EQ(link.log, (std::vector<std::string>{"R", "W 60", "S 200", "R", "R", link.log[5], "S 200", "R"}));
    }
}

TEST(Transfer, AWriteIsAcknowledgedOnlyByTheFramesOwnAnswer) {
    const auto frame = writeFrame(0, std::vector<std::uint8_t>(63, 0));
    struct Case {
        const char* name;
        std::vector<Bytes> afterLoneByte;  // what the reads after the lone 0x60 bring, one a read
        Bytes toFrame;
        bool sent, acknowledged;
    } cases[] = {
        {"refused", {{0x96}}, {0x9D}, true, false},
        {"acknowledged, more after", {}, {0x96, 0x00}, true, true},
        {"no answer at all", {}, {}, true, false},
        // The answer to 0x60 comes a window late and the frame is lost: that
        // answer must not pass for the frame's.
        {"late answer, frame lost", {{}, {0x96}}, {}, true, false},
        {"never quiet", std::vector<Bytes>(10, Bytes{0x55}), {0x96}, false, false},
    };
    for (const auto& c : cases) {
        ScriptedLink link;
        link.respond = [&](const Bytes& w) {
            if (w.size() == 1)
                for (const auto& b : c.afterLoneByte) link.pending.push_back(b);
            return w.size() == 1 ? Bytes{} : c.toFrame;
        };
        const WriteOutcome out = sendParameterFrame(link, frame);
        EXPECT_EQ(out.sent, c.sent) << c.name;
        EXPECT_EQ(out.acknowledged, c.acknowledged) << c.name;
    }
    // A closed port: nothing written, nothing read, not sent.
    ScriptedLink link;
    link.open = false;
    EXPECT_FALSE(sendParameterFrame(link, frame).sent);
    EXPECT_EQ(requestParameters(link).block.received, 0);
    EXPECT_EQ(link.log, (std::vector<std::string>{"S 100", "S 100"}));
}
