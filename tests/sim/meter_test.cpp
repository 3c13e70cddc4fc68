// The simulated meter, driven in-process with a fake clock: every exchange
// below follows the PC program's pattern (flush read, command, fixed wait,
// read window of 80 ms) without sleeping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <numeric>
#include <vector>

#include "sim/meter.h"

using qv::sim::Meter;
using qv::sim::MeterConfig;
using Bytes = std::vector<uint8_t>;

namespace {

float realAt(const Bytes& b, std::size_t off) {
  uint32_t u = uint32_t(b[off]) << 24 | uint32_t(b[off + 1]) << 16 | uint32_t(b[off + 2]) << 8 | b[off + 3];
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

void putReal(Bytes& b, std::size_t off, float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  for (int i = 0; i < 4; ++i) b[off + std::size_t(i)] = uint8_t(u >> (24 - 8 * i));
}

uint8_t sum(const Bytes& b, std::size_t n) { return uint8_t(std::accumulate(b.begin(), b.begin() + long(n), 0u)); }

// A meter plus the PC's clock.
struct Line {
  explicit Line(MeterConfig c = {}) : meter(c, 0) {}

  // Bytes that arrive between now and now + ms.
  Bytes readFor(uint64_t ms) {
    Bytes out;
    t += ms;
    meter.collectDue(t, out);
    return out;
  }
  void write(std::initializer_list<uint8_t> bytes) { write(Bytes(bytes)); }
  void write(const Bytes& bytes) { meter.receive(bytes.data(), bytes.size(), t); }

  // The PC's exchange: flush, command, wait, read window.
  Bytes exchange(uint8_t cmd, uint64_t waitMs = 40) {
    readFor(80);
    write({cmd});
    t += waitMs;
    return readFor(80);
  }
  // Writes a full parameter frame the way the PC does: 0x60 alone, then the rest.
  Bytes writeBlock(uint8_t letter, const Bytes& block, int checksumDelta = 0) {
    Bytes ack = exchange(0x60, 200);
    EXPECT_EQ(ack, Bytes{0x96});
    Bytes rest{letter};
    rest.insert(rest.end(), block.begin(), block.end());
    rest.push_back(uint8_t(0x60 + sum(rest, rest.size()) + checksumDelta));
    write(rest);
    t += 200;
    return readFor(80);
  }

  Meter meter;
  uint64_t t = 0;
};

MeterConfig model(int code) {
  MeterConfig c;
  c.modelCode = code;
  return c;
}

}  // namespace

// --- identification -------------------------------------------------------

TEST(MeterIdentification, TypeReplyIsFourBytesWithModelCode) {
  for (int code : {1, 16, 45}) {
    Line line(model(code));
    Bytes r = line.exchange(0x50, 100);
    ASSERT_EQ(r.size(), 4u) << code;
    EXPECT_EQ(r[0], 0x50);
    EXPECT_EQ(r[2], code);
    EXPECT_EQ(r[3], sum(r, 3));
  }
}

TEST(MeterIdentification, BadModelCodesGoOutAsRawBytes) {
  EXPECT_EQ(Line(model(0)).exchange(0x50)[2], 0);
  EXPECT_EQ(Line(model(46)).exchange(0x50)[2], 46);
  EXPECT_EQ(Line(model(-3)).exchange(0x50)[2], 0xFD);
  // Without a family the meter still answers in family 0 terms.
  Line bad(model(99));
  EXPECT_EQ(bad.meter.family(), 0);
  EXPECT_EQ(bad.exchange(0x10)[6], 91);
}

TEST(MeterIdentification, SoftwareVersionBigEndianInBytesTwoToFive) {
  MeterConfig c;
  c.softwareVersion = 2.5f;
  Line line(c);
  Bytes r = line.exchange(0x51, 50);
  ASSERT_EQ(r.size(), 7u);
  EXPECT_EQ(r[0], 0x51);
  EXPECT_EQ((Bytes{r[2], r[3], r[4], r[5]}), (Bytes{0x40, 0x20, 0x00, 0x00}));
}

// --- measurement poll ----------------------------------------------------------

TEST(MeterPoll, SingleValuesFamily0CarryFactoryUnitCodes) {
  Line line(model(1));
  const std::pair<uint8_t, uint8_t> expected[] = {{0x10, 91}, {0x11, 112}, {0x12, 121}, {0x13, 100}};
  for (auto [cmd, unit] : expected) {
    Bytes r = line.exchange(cmd);
    ASSERT_EQ(r.size(), 8u) << int(cmd);
    EXPECT_EQ(r[0], cmd);
    EXPECT_EQ(r[6], unit) << int(cmd);
    EXPECT_EQ(r[7], sum(r, 7));
  }
  // The PC's lookup (code minus a family offset into its unit table) must land on
  // "m/s" (24), "m³/h" (18), "m³" (27) and "°C" (20).
  EXPECT_EQ(91 - 67, 24);
  EXPECT_EQ(112 - 94, 18);
  EXPECT_EQ(121 - 94, 27);
  EXPECT_EQ(100 - 80, 20);
}

TEST(MeterPoll, SingleValuesFamily1And2UnitCodes) {
  Line gx(model(20));
  EXPECT_EQ(gx.exchange(0x10)[6], 151);   // 151 - 127 = 24 "m/s"
  EXPECT_EQ(gx.exchange(0x11)[6], 162);   // 162 - 160 = 2 "m³/h"
  EXPECT_EQ(gx.exchange(0x12)[6], 176);   // 176 - 164 = 12 "m³"
  EXPECT_EQ(gx.exchange(0x13)[6], 155);   // 155 - 135 = 20 "°C"
  Line fx(model(31));
  EXPECT_EQ(fx.exchange(0x10)[6], 91);
  EXPECT_EQ(fx.exchange(0x11)[6], 112);
  EXPECT_EQ(fx.exchange(0x12)[6], 121);
  EXPECT_EQ(fx.exchange(0x13)[6], 100);
}

TEST(MeterPoll, ValuesArePlausibleAndMove) {
  Line line;
  float first = realAt(line.exchange(0x10), 2);
  bool moved = false;
  for (int i = 0; i < 600; ++i) {   // ten minutes of polling once a second
    line.readFor(1000);
    float v = realAt(line.exchange(0x10), 2);
    float temp = realAt(line.exchange(0x13), 2);
    ASSERT_GT(v, 1.0f);
    ASSERT_LT(v, 4.0f);
    ASSERT_GT(temp, 15.0f);
    ASSERT_LT(temp, 25.0f);
    moved |= v != first;
  }
  EXPECT_TRUE(moved);
}

TEST(MeterPoll, VolumeFlowIsVelocityTimesPipeSection) {
  Line line;   // factory pipe 50 mm, m³/h
  auto r = line.meter.readings();
  const double area = 3.14159265358979 * 0.025 * 0.025;
  EXPECT_NEAR(r.volumeFlow, r.velocity * area * 3600.0, 1e-3 * r.volumeFlow);
  EXPECT_FLOAT_EQ(realAt(line.exchange(0x11), 2), line.meter.readings().volumeFlow);
}

TEST(MeterPoll, TotalizerIntegratesVolumeFlow) {
  Line line;
  line.exchange(0x73);   // start from zero
  double expected = 0;
  for (int i = 0; i < 600; ++i) {   // one minute, sampling the flow every 100 ms
    expected += line.meter.readings().volumeFlow / 3600.0 * 0.1;
    line.readFor(100);
  }
  float total = realAt(line.exchange(0x12), 2);
  EXPECT_NEAR(total, expected, 0.05 * expected);
  EXPECT_GT(total, 0.0f);
}

TEST(MeterPoll, MinimaAndMaximaEighteenBytes) {
  Line line;
  line.readFor(30000);
  Bytes lo = line.exchange(0x20), hi = line.exchange(0x21);
  ASSERT_EQ(lo.size(), 18u);
  ASSERT_EQ(hi.size(), 18u);
  EXPECT_EQ(lo[17], sum(lo, 17));
  auto r = line.meter.readings();
  EXPECT_LE(realAt(lo, 2), r.velocity);
  EXPECT_GE(realAt(hi, 2), r.velocity);
  EXPECT_LE(realAt(lo, 7), r.volumeFlow);
  EXPECT_GE(realAt(hi, 7), r.volumeFlow);
  EXPECT_LE(realAt(lo, 12), r.temperature);
  EXPECT_GE(realAt(hi, 12), r.temperature);
  EXPECT_LT(realAt(lo, 2), realAt(hi, 2));   // 30 s of noise spread them
  EXPECT_EQ((Bytes{lo[6], lo[11], lo[16]}), (Bytes{91, 112, 100}));
}

TEST(MeterPoll, ContactsAndErrorByteTwo) {
  MeterConfig c = model(2);   // P2: has limit contacts; contact 1 on above 2 m/s
  c.errorCode = 7;
  Line line(c);
  Bytes contacts = line.exchange(0x40);
  ASSERT_GE(contacts.size(), 3u);
  EXPECT_EQ(contacts[2], 0x01 | 0x04);   // contact 1, ready, error contact active (bit 3 = 0)
  Bytes error = line.exchange(0x41);
  ASSERT_GE(error.size(), 3u);
  EXPECT_EQ(error[2], 7);

  EXPECT_EQ(line.exchange(0x72), Bytes{0x96});
  EXPECT_EQ(line.exchange(0x41)[2], 0);
  EXPECT_EQ(line.exchange(0x40)[2], 0x01 | 0x04 | 0x08);

  // A model without relay outputs never reports a limit contact.
  EXPECT_EQ(Line(model(1)).exchange(0x40)[2], 0x04 | 0x08);
}

TEST(MeterPoll, LowFlowQueryOnlyOnFamily1) {
  Line gx(model(16));
  Bytes r = gx.exchange(0x77, 60);
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[2], 0);
  EXPECT_TRUE(Line(model(1)).exchange(0x77, 60).empty());
}

TEST(MeterPoll, UnknownCommandIsIgnored) {
  Line line;
  EXPECT_TRUE(line.exchange(0x99).empty());
  EXPECT_EQ(line.exchange(0x50).size(), 4u);
}

// --- operating commands -----------------------------------------------------

TEST(MeterOperation, StopHoldsValuesStartResumes) {
  Line line;
  EXPECT_EQ(line.exchange(0x74), Bytes{0x96});
  EXPECT_FALSE(line.meter.running());
  Bytes v1 = line.exchange(0x10), tot1 = line.exchange(0x12), temp1 = line.exchange(0x13);
  EXPECT_EQ(line.exchange(0x40)[2] & 0x04, 0);   // not ready while stopped
  line.readFor(20000);
  EXPECT_EQ(line.exchange(0x10), v1);
  EXPECT_EQ(line.exchange(0x12), tot1);
  EXPECT_EQ(line.exchange(0x13), temp1);

  EXPECT_EQ(line.exchange(0x75), Bytes{0x96});
  line.readFor(5000);
  EXPECT_NE(line.exchange(0x10), v1);
  EXPECT_GT(realAt(line.exchange(0x12), 2), realAt(tot1, 2));
}

TEST(MeterOperation, Resets) {
  Line line;
  line.readFor(60000);
  EXPECT_GT(realAt(line.exchange(0x12), 2), 0.0f);
  EXPECT_EQ(line.exchange(0x73), Bytes{0x96});
  EXPECT_LT(realAt(line.exchange(0x12), 2), 0.001f);   // at most one step since the reset

  line.exchange(0x74);   // hold values so current, minimum and maximum can be compared exactly
  EXPECT_EQ(line.exchange(0x70), Bytes{0x96});
  auto r = line.meter.readings();
  Bytes lo = line.exchange(0x20);
  EXPECT_FLOAT_EQ(realAt(lo, 2), r.velocity);
  EXPECT_FLOAT_EQ(realAt(lo, 7), r.volumeFlow);
  EXPECT_FLOAT_EQ(realAt(lo, 12), r.temperature);
  EXPECT_GT(realAt(line.exchange(0x21), 2), r.velocity) << "maxima must be left alone";
}

// The maxima test is separate so a broken minimum reset does not hide it.
TEST(MeterOperation, ResetMaxima) {
  Line line;
  line.readFor(60000);
  line.exchange(0x74);
  float before = realAt(line.exchange(0x21), 2);
  EXPECT_EQ(line.exchange(0x71), Bytes{0x96});
  auto r = line.meter.readings();
  Bytes hi = line.exchange(0x21);
  EXPECT_FLOAT_EQ(realAt(hi, 2), r.velocity);
  EXPECT_FLOAT_EQ(realAt(hi, 12), r.temperature);
  EXPECT_LT(realAt(hi, 2), before);
}

// --- low-flow suppression and zero point ---------------------------------------

TEST(MeterLowFlow, BlockAcknowledgedAndStored) {
  Line line(model(16));
  EXPECT_EQ(line.exchange(0x76, 50), Bytes{0x96});
  line.write({0x04, 0x05, 0x7F});
  line.t += 50;
  EXPECT_EQ(line.readFor(80), Bytes{0x96});
  EXPECT_EQ(line.meter.lowFlowPercent(), 5);
  EXPECT_EQ(line.exchange(0x77, 60)[2], 5);
}

TEST(MeterLowFlow, SuppressesFlowBelowThreshold) {
  // GX full scale is 68 m/s, so 5 % (3.4 m/s) lies above the ~2.5 m/s flowing.
  Line line(model(16));
  line.exchange(0x76, 50);
  line.write({0x04, 0x05, 0x7F});
  line.readFor(200);
  EXPECT_EQ(realAt(line.exchange(0x10), 2), 0.0f);
  EXPECT_EQ(realAt(line.exchange(0x11), 2), 0.0f);
  // A standard meter (full scale 20 m/s) keeps its ~2.5 m/s at 1 % (0.2 m/s).
  Line std0;
  std0.exchange(0x76, 50);
  std0.write({0x04, 0x01, 0x7B});
  std0.readFor(200);
  EXPECT_GT(realAt(std0.exchange(0x10), 2), 1.0f);
}

TEST(MeterLowFlow, WrongChecksumOrValueRejected) {
  Line line;
  line.exchange(0x76, 50);
  line.write({0x04, 0x05, 0x80});
  Bytes r = line.readFor(50);
  ASSERT_FALSE(r.empty());
  EXPECT_NE(r[0], 0x96);
  EXPECT_EQ(line.meter.lowFlowPercent(), 0);

  line.exchange(0x76, 50);
  line.write({0x04, 11, uint8_t(0x76 + 0x04 + 11)});   // checksum right, value out of range
  r = line.readFor(50);
  ASSERT_FALSE(r.empty());
  EXPECT_NE(r[0], 0x96);
  EXPECT_EQ(line.meter.lowFlowPercent(), 0);
}

TEST(MeterLowFlow, PauseMidBlockDropsIt) {
  Line line;
  line.exchange(0x76, 50);
  line.write({0x04});
  line.t += 200;
  line.write({0x05, 0x7F});
  EXPECT_TRUE(line.readFor(80).empty());
  EXPECT_EQ(line.meter.lowFlowPercent(), 0);
  EXPECT_EQ(line.exchange(0x50).size(), 4u);   // back to answering commands
}

TEST(MeterLowFlow, PcTimingIsAccepted) {
  // The PC waits 50 ms and reads for 80 ms before its block: 130 ms and more.
  Line line;
  line.exchange(0x76, 50);
  line.t += 100;
  line.write({0x04, 0x0A, 0x84});
  line.t += 50;
  EXPECT_EQ(line.readFor(80), Bytes{0x96});
  EXPECT_EQ(line.meter.lowFlowPercent(), 10);
}

TEST(MeterLowFlow, CommandInsteadOfBlockIsServed) {
  Line line;
  line.exchange(0x76, 50);
  EXPECT_EQ(line.exchange(0x50).size(), 4u);
}

TEST(MeterZeroPoint, ResultFollowsAckAfterThreeToFiveHundredMs) {
  for (int result : {0x9E, 0x9D, 0x9F}) {
    MeterConfig c;
    c.zeroResult = result;
    c.seed = uint32_t(result);
    Line line(c);
    line.exchange(0x76, 50);
    line.write({0x04, 0x00, 0x7A});
    EXPECT_EQ(line.readFor(50), Bytes{0x96});
    EXPECT_TRUE(line.meter.zeroAdjusting());
    EXPECT_TRUE(line.readFor(250).empty()) << "result too early";   // t+300
    Bytes r = line.readFor(205);                                        // up to t+505
    EXPECT_EQ(r, Bytes{uint8_t(result)});
    EXPECT_FALSE(line.meter.zeroAdjusting());
    EXPECT_EQ(line.meter.lowFlowPercent(), 0);
  }
}

TEST(MeterZeroPoint, ResultReadByThePcAfterItsWait) {
  Line line;
  line.exchange(0x76, 50);
  line.write({0x04, 0x00, 0x7A});
  line.t += 50;
  EXPECT_EQ(line.readFor(80), Bytes{0x96});
  line.t += 700;
  EXPECT_EQ(line.readFor(80), Bytes{0x9E});
}

TEST(MeterZeroPoint, NoResultConfigured) {
  MeterConfig c;
  c.zeroResult = qv::sim::kNoZeroResult;
  Line line(c);
  line.exchange(0x76, 50);
  line.write({0x04, 0x00, 0x7A});
  EXPECT_EQ(line.readFor(50), Bytes{0x96});
  EXPECT_TRUE(line.readFor(2000).empty());
}

TEST(MeterZeroPoint, ReadyContactOffWhileAdjusting) {
  Line line;
  line.exchange(0x76, 50);
  line.write({0x04, 0x00, 0x7A});
  line.readFor(50);
  line.write({0x40});
  Bytes r = line.readFor(40);
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[2] & 0x04, 0);
}

// --- parameter block transfer -----------------------------------------------

TEST(MeterBlock, ReadReplyHoldsStoredBlock) {
  for (int code : {1, 16, 31}) {
    Line line(model(code));
    int fam = qv::sim::familyOfModel(code);
    Bytes r = line.exchange(0x30, 100);
    const std::size_t n = qv::sim::blockSize(fam);
    ASSERT_EQ(r.size(), n + 3) << code;
    ASSERT_LE(r.size(), 80u);
    EXPECT_EQ(r[0], 0x30);
    EXPECT_EQ(Bytes(r.begin() + 2, r.begin() + 2 + long(n)), line.meter.block(fam));
    EXPECT_EQ(r.back(), sum(r, r.size() - 1));
  }
  EXPECT_EQ(qv::sim::blockSize(0), 63u);
  EXPECT_EQ(qv::sim::blockSize(1), 71u);
  EXPECT_EQ(qv::sim::blockSize(2), 65u);
}

TEST(MeterBlock, WriteAcceptedAndRead) {
  Line line(model(1));
  Bytes block = qv::sim::factoryBlock(0);
  block[12] = 101;   // °F
  EXPECT_EQ(line.writeBlock('B', block), Bytes{0x96});
  EXPECT_EQ(line.meter.block(0), block);
  Bytes r = line.exchange(0x30, 100);
  EXPECT_EQ(Bytes(r.begin() + 2, r.end() - 1), block);
  // The new unit takes effect at once.
  Bytes temp = line.exchange(0x13);
  EXPECT_EQ(temp[6], 101);
  EXPECT_GT(realAt(temp, 2), 59.0f);   // about 68 °F
  EXPECT_LT(realAt(temp, 2), 77.0f);
}

TEST(MeterBlock, WriteArrivingInPiecesAccepted) {
  Line line(model(20));
  Bytes block = qv::sim::factoryBlock(1);
  putReal(block, 7, 80.0f);
  EXPECT_EQ(line.exchange(0x60, 200), Bytes{0x96});
  Bytes frame{'J'};
  frame.insert(frame.end(), block.begin(), block.end());
  frame.push_back(uint8_t(0x60 + sum(frame, frame.size())));
  ASSERT_EQ(frame.size(), 73u);
  for (std::size_t at = 0; at < frame.size(); at += 20) {
    const std::size_t end = std::min(at + 20, frame.size());
    line.write(Bytes(frame.begin() + long(at), frame.begin() + long(end)));
    Bytes r = line.readFor(30);   // pieces 30 ms apart, well inside the meter's patience
    if (end < frame.size())
      EXPECT_TRUE(r.empty()) << "answered before the frame was complete";
    else
      EXPECT_EQ(r, Bytes{0x96});
  }
  EXPECT_EQ(line.meter.block(1), block);
}

TEST(MeterBlock, WrongChecksumRefusedAfterSilence) {
  Line line(model(1));
  Bytes block = qv::sim::factoryBlock(0);
  block[2] = 60;
  EXPECT_EQ(line.exchange(0x60, 200), Bytes{0x96});
  Bytes frame{'B'};
  frame.insert(frame.end(), block.begin(), block.end());
  frame.push_back(uint8_t(0x60 + sum(frame, frame.size()) + 1));
  line.write(frame);
  EXPECT_TRUE(line.readFor(140).empty());
  EXPECT_EQ(line.readFor(20), Bytes{0x9D});
  EXPECT_EQ(line.meter.block(0), qv::sim::factoryBlock(0));
  EXPECT_EQ(line.exchange(0x50).size(), 4u);
}

TEST(MeterBlock, ChecksumMustCoverTheLeadingCommand) {
  // A frame whose checksum leaves out the 0x60 is one the meter must refuse.
  Line line(model(1));
  EXPECT_EQ(line.writeBlock('B', qv::sim::factoryBlock(0), -0x60), Bytes{0x9D});
}

TEST(MeterBlock, WrongLetterRefused) {
  Line line(model(1));
  Bytes gx = qv::sim::factoryBlock(1);   // a GX block to a standard meter
  EXPECT_EQ(line.writeBlock('J', gx), Bytes{0x9D});
  Bytes own = qv::sim::factoryBlock(0);
  own[2] = 60;
  EXPECT_EQ(line.writeBlock('D', own), Bytes{0x9D});   // right length, wrong letter
  EXPECT_EQ(line.meter.block(0), qv::sim::factoryBlock(0));
  EXPECT_EQ(line.meter.block(1), qv::sim::factoryBlock(1));
}

TEST(MeterBlock, ShortFrameRefused) {
  Line line(model(1));
  Bytes block = qv::sim::factoryBlock(0);
  block.pop_back();
  EXPECT_EQ(line.writeBlock('B', block), Bytes{0x9D});
  EXPECT_EQ(line.meter.block(0), qv::sim::factoryBlock(0));
}

TEST(MeterBlock, AllZeroFamily2BlockHasChecksumA4) {
  Line line(model(31));
  Bytes zero(65, 0);
  EXPECT_EQ(line.exchange(0x60, 200), Bytes{0x96});
  Bytes frame{'D'};
  frame.insert(frame.end(), zero.begin(), zero.end());
  frame.push_back(0xA4);
  line.write(frame);
  line.t += 200;
  EXPECT_EQ(line.readFor(80), Bytes{0x96});
  EXPECT_EQ(line.meter.block(2), zero);
  // Nonsense settings still give well-formed replies.
  Bytes r = line.exchange(0x11);
  ASSERT_EQ(r.size(), 8u);
  EXPECT_TRUE(std::isfinite(realAt(r, 2)));
}

TEST(MeterBlock, ModelSwitchUsesOtherFamilyBlock) {
  Line line(model(1));
  Bytes block = qv::sim::factoryBlock(0);
  block[11] = 92;   // fps
  EXPECT_EQ(line.writeBlock('B', block), Bytes{0x96});
  line.meter.setModelCode(20);
  EXPECT_EQ(line.exchange(0x50)[2], 20);
  EXPECT_EQ(line.exchange(0x10)[6], 151);
  EXPECT_EQ(line.exchange(0x30, 100).size(), 74u);
  line.meter.setModelCode(1);
  EXPECT_EQ(line.exchange(0x10)[6], 92);
}

TEST(MeterBlock, UnitConversions) {
  Line line(model(1));
  line.exchange(0x74);   // hold the values
  auto si = line.meter.readings();
  Bytes block = qv::sim::factoryBlock(0);
  block[11] = 92;    // fps
  block[12] = 102;   // K
  block[13] = 110;   // l/s
  block[14] = 120;   // l
  EXPECT_EQ(line.writeBlock('B', block), Bytes{0x96});
  auto r = line.meter.readings();
  EXPECT_NEAR(r.velocity, si.velocity / 0.3048, 1e-3);
  EXPECT_NEAR(r.temperature, si.temperature + 273.15, 1e-3);
  EXPECT_NEAR(r.volumeFlow, si.volumeFlow / 3.6, 1e-3);
  EXPECT_NEAR(r.totalizer, si.totalizer * 1000.0, 1e-2);
  block[11] = 90;   // %: 2.5 m/s of a 20 m/s sensor is 12.5 %
  EXPECT_EQ(line.writeBlock('B', block), Bytes{0x96});
  EXPECT_NEAR(line.meter.readings().velocity, si.velocity / 20.0 * 100.0, 1e-3);
}

TEST(MeterBlock, ContactThresholdsFollowStoredBlock) {
  Line line(model(2));
  EXPECT_EQ(line.exchange(0x40)[2] & 0x03, 0x01);
  Bytes block = qv::sim::factoryBlock(0);
  putReal(block, 59, 0.0f);   // multiplication factor 0: no flow
  EXPECT_EQ(line.writeBlock('B', block), Bytes{0x96});
  line.readFor(200);
  EXPECT_EQ(realAt(line.exchange(0x10), 2), 0.0f);
  EXPECT_EQ(line.exchange(0x40)[2] & 0x03, 0x02);   // contact 1 off, low-flow contact 2 on
  // Both contacts on temperature (assignment 3), contact 1 above 10 °C.
  block = qv::sim::factoryBlock(0);
  block[36] = 193;
  putReal(block, 37, 10.0f);
  putReal(block, 41, 9.0f);
  putReal(block, 45, 50.0f);
  putReal(block, 49, 45.0f);
  EXPECT_EQ(line.writeBlock('B', block), Bytes{0x96});
  line.readFor(200);
  EXPECT_EQ(line.exchange(0x40)[2] & 0x03, 0x01);
}

// The factory set has to pass the PC program's configuration check, or a
// technician could not write back what was just read.
TEST(MeterBlock, FactorySetsPassTheLimits) {
  for (int fam = 0; fam < 3; ++fam) {
    SCOPED_TRACE(fam);
    Bytes b = qv::sim::factoryBlock(fam);
    ASSERT_EQ(b.size(), qv::sim::blockSize(fam));
    const bool gx = fam == 1;
    int t = gx ? b[4] << 8 | b[5] : b[2];
    double c = gx ? double(b[2] << 8 | b[3]) : std::floor((realAt(b, 3) + 0.0005) * 1000.0);
    EXPECT_GE(t, gx ? 10 : 1);
    EXPECT_LE(t, gx ? 999 : 99);
    EXPECT_GE(c, gx ? 1 : 700);
    EXPECT_LE(c, gx ? 999 : 1300);
    EXPECT_GE(realAt(b, 7), 10.0f);
    EXPECT_LE(realAt(b, 7), 999.9f);
    // Units m/s, °C, m³/h, m³.
    EXPECT_EQ(b[11], gx ? 151 : 91);
    EXPECT_EQ(b[12], gx ? 155 : 100);
    EXPECT_EQ(b[13], gx ? 162 : 112);
    EXPECT_EQ(b[14], gx ? 176 : 121);
    const float vmax = fam == 2 ? 4.0f : 99.99f;   // factory sensor index 0, medium air
    EXPECT_EQ(b[1], 21);
    EXPECT_GE(realAt(b, 19), 0.0f);
    EXPECT_LE(realAt(b, 23), vmax);
    EXPECT_GT(realAt(b, 23), realAt(b, 19));
    EXPECT_GE(realAt(b, 28), -40.0f);
    EXPECT_LE(realAt(b, 32), 130.0f);
    EXPECT_GT(realAt(b, 32), realAt(b, 28));
    EXPECT_EQ(b[36], gx ? 200 : 190);   // both contacts on flow velocity
    for (std::size_t off : {37u, 41u, 45u, 49u}) {
      EXPECT_GE(realAt(b, off), 0.0f);
      EXPECT_LE(realAt(b, off), vmax);
    }
    EXPECT_NE(realAt(b, 37), realAt(b, 41));
    EXPECT_NE(realAt(b, 45), realAt(b, 49));
    EXPECT_GE(realAt(b, 54), 0.1f);
    EXPECT_LE(realAt(b, 54), 999.9f);
    EXPECT_GE(b[58], 1);
    EXPECT_LE(b[58], 30);
    EXPECT_GE(realAt(b, 59), 0.0f);
    // Every list selection is a position of its list.
    EXPECT_LT(b[0] - 11, 3);
    EXPECT_LT(b[15] - (gx ? 180 : 140), 3);
    EXPECT_LT(b[16] - (gx ? 185 : 150), 3);
    if (gx) {
      EXPECT_LT(b[63] - 140, 6);
      EXPECT_LT(b[64] - 135, 4);
      EXPECT_LT(b[65] - 31, 7);
      EXPECT_GE(realAt(b, 66), 0.1f);
      EXPECT_LE(realAt(b, 66), 250.0f);
      EXPECT_LT(b[70], 2);
    } else if (fam == 2) {
      EXPECT_LT(b[63] - 30, 6);
      EXPECT_LT(b[64] - 40, 4);
    }
  }
}

// --- faults and timing --------------------------------------------------------

TEST(MeterTiming, ReplyDueAfterLatency) {
  Line line;
  line.write({0x50});
  EXPECT_EQ(line.meter.nextDue(), uint64_t(Meter::kLatencyMs));
  Bytes out;
  line.meter.collectDue(Meter::kLatencyMs - 1, out);
  EXPECT_TRUE(out.empty());
  line.meter.collectDue(Meter::kLatencyMs, out);
  EXPECT_EQ(out.size(), 4u);
  EXPECT_EQ(line.meter.nextDue(), Meter::kNever);
}

TEST(MeterFaults, SilentNeverAnswers) {
  MeterConfig c;
  c.silent = true;
  Line line(c);
  for (uint8_t cmd : {0x50, 0x51, 0x10, 0x20, 0x40, 0x30, 0x60, 0x75})
    EXPECT_TRUE(line.exchange(cmd, 200).empty()) << int(cmd);
}

TEST(MeterFaults, DropRate) {
  MeterConfig c;
  c.dropRate = 0.5;
  Line line(c);
  int answered = 0;
  for (int i = 0; i < 200; ++i) answered += !line.exchange(0x50).empty();
  EXPECT_GT(answered, 70);
  EXPECT_LT(answered, 130);
  c.dropRate = 1.0;
  EXPECT_TRUE(Line(c).exchange(0x50).empty());
}

TEST(MeterFaults, WrongLengthCutsOrLengthens) {
  MeterConfig c;
  c.wrongLengthRate = 1.0;
  Line line(c);
  bool shorter = false, longer = false;
  for (int i = 0; i < 50; ++i) {
    std::size_t n = line.exchange(0x10).size();
    ASSERT_TRUE(n == 7 || n == 9) << n;
    shorter |= n == 7;
    longer |= n == 9;
  }
  EXPECT_TRUE(shorter);
  EXPECT_TRUE(longer);
  // One-sided, and switched off and on while the line runs.
  for (int sign : {-1, 1}) {
    c.wrongLengthSign = sign;
    Line one(c);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(one.exchange(0x10).size(), std::size_t(8 + sign));
    one.meter.toggleFaults();
    EXPECT_EQ(one.exchange(0x10).size(), 8u);
    one.meter.toggleFaults();
    EXPECT_EQ(one.exchange(0x10).size(), std::size_t(8 + sign));
  }
}

TEST(MeterFaults, GarbageArrivesUnasked) {
  MeterConfig c;
  c.garbageRate = 0.5;
  Line line(c);
  EXPECT_NE(line.meter.nextDue(), Meter::kNever);
  EXPECT_FALSE(line.readFor(5000).empty());
  EXPECT_TRUE(Line().readFor(5000).empty());
}

TEST(MeterFaults, FloodSendsOverlongRepliesNowAndThen) {
  MeterConfig c;
  c.flood = true;
  Line line(c);
  int overlong = 0, normal = 0;
  for (int i = 0; i < 100; ++i) {
    std::size_t n = line.exchange(0x10).size();
    overlong += n > 80;
    normal += n == 8;
  }
  EXPECT_GT(overlong, 5);
  EXPECT_GT(normal, 50);
  EXPECT_EQ(overlong + normal, 100);
}

TEST(MeterFaults, DelayedReplyMissesTheReadWindow) {
  MeterConfig c;
  c.replyDelayMs = 150;
  Line line(c);
  line.write({0x10});
  line.t += 40;
  EXPECT_TRUE(line.readFor(80).empty());   // the PC gives up at 120 ms
  EXPECT_EQ(line.readFor(40).size(), 8u);  // the next exchange's flush swallows it
}

TEST(MeterFaults, SameSeedSameBytes) {
  MeterConfig c;
  c.seed = 42;
  c.dropRate = 0.3;
  c.garbageRate = 0.2;
  Line a(c), b(c);
  c.seed = 43;
  Line other(c);
  bool differs = false;
  for (int i = 0; i < 50; ++i) {
    for (uint8_t cmd : {0x10, 0x11, 0x13}) {
      Bytes ra = a.exchange(cmd), rb = b.exchange(cmd), ro = other.exchange(cmd);
      ASSERT_EQ(ra, rb);
      differs |= ra != ro;
    }
  }
  EXPECT_TRUE(differs);
}

// --- a meter that does not acknowledge the low-flow exchange ------------------------

TEST(MeterLowFlowSilence, SilentAtTheCommand) {
  MeterConfig c = model(16);
  c.lowFlowSilence = qv::sim::LowFlowSilence::Command;
  Line line(c);
  EXPECT_TRUE(line.exchange(0x76, 50).empty());
  // Not waiting for a block: the next byte is a command again.
  EXPECT_EQ(line.exchange(0x77, 60)[2], 0);
  EXPECT_EQ(line.meter.lowFlowPercent(), 0);
}

TEST(MeterLowFlowSilence, SilentAtTheBlockStoresNothing) {
  MeterConfig c = model(16);
  c.lowFlowSilence = qv::sim::LowFlowSilence::Block;
  Line line(c);
  EXPECT_EQ(line.exchange(0x76, 50), Bytes{0x96});
  line.write({0x04, 0x05, 0x7F});
  line.t += 50;
  EXPECT_TRUE(line.readFor(80).empty());
  EXPECT_EQ(line.meter.lowFlowPercent(), 0);
  // No zero-point adjustment starts either.
  line.exchange(0x76, 50);
  line.write({0x04, 0x00, 0x7A});
  EXPECT_TRUE(line.readFor(1000).empty());
  EXPECT_FALSE(line.meter.zeroAdjusting());
  EXPECT_EQ(line.exchange(0x50).size(), 4u);
}

TEST(MeterLowFlowSilence, ValueHeldWhileStoppedAndQueriedOnFamily1) {
  // The stored suppression survives a stop and is what 0x77 reports.
  Line line(model(16));
  line.exchange(0x76, 50);
  line.write({0x04, 0x07, 0x81});
  line.readFor(200);
  line.exchange(0x74);
  line.readFor(5000);
  EXPECT_EQ(line.exchange(0x77, 60)[2], 7);
  EXPECT_FALSE(line.meter.running());
}
