#pragma once
// A KT740 flow meter as the PC sees it over the serial line: commands in,
// replies out at the times a real meter would send them. Time is injected and
// randomness seeded, so tests drive it in-process with a fake clock and get
// the same bytes on every run.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace qv::sim {

// Status bytes of the block commands (low-flow exchange, parameter write).
inline constexpr uint8_t kAck = 0x96;
inline constexpr uint8_t kStatus9D = 0x9D;
inline constexpr uint8_t kStatus9E = 0x9E;
inline constexpr uint8_t kStatus9F = 0x9F;
// zeroResult value for a meter that never reports the end of a zero-point adjustment.
inline constexpr int kNoZeroResult = -1;

// Where a meter stays silent in the low-flow exchange, so the PC's "no
// acknowledge" paths can be tried: not at all, at the 0x76, or at the block.
enum class LowFlowSilence { None, Command, Block };

struct MeterConfig {
  int modelCode = 1;        // sent as its low 8 bits, so 0, >45 or negative codes can be tried;
                            // kt740-sim starts with a default of its own
  float softwareVersion = 1.23f;
  uint32_t seed = 1;
  // Faults of the line and of a misbehaving meter.
  bool silent = false;           // nothing ever goes out
  double dropRate = 0;           // probability that a reply is lost
  double loseRate = 0;           // probability that bytes from the PC are lost on the way
  double wrongLengthRate = 0;    // probability that a reply loses or gains one byte
  int wrongLengthSign = 0;       // -1: the byte is always lost, +1: always gained, 0: either
  double garbageRate = 0;        // probability per 100 ms of a burst of unsolicited bytes
  int babbleBytesPerSecond = 0;  // a babbling line: that many unsolicited bytes a second, without pause
  bool flood = false;            // now and then a reply longer than the PC's 80-byte read
  int replyDelayMs = 0;          // added to every reply's latency
  int zeroResult = kStatus9E;    // byte that ends a zero-point adjustment, or kNoZeroResult
  int errorCode = 0;             // error the meter reports from the start
  LowFlowSilence lowFlowSilence = LowFlowSilence::None;
  // Byte offset of the model's parameter block set to a value at start:
  // a stored set that differs from the factory one.
  std::vector<std::pair<int, uint8_t>> plantedBytes;
  // A meter that acknowledges a parameter write but stores the byte at this
  // block offset with its lowest bit flipped; -1: it stores what it got.
  int storeFaultAt = -1;
  // The temperature reply carries 127.5 (42 FF 00 00): a byte 0xFF, Telnet's
  // IAC, inside a float, for the network servers' escaping.
  bool iacTemperature = false;
  // A meter that takes a whole parameter frame without a word and keeps its set.
  bool refuseWrite = false;
};

// Live values in the units the stored parameter set selects.
struct Readings {
  float velocity = 0, volumeFlow = 0, temperature = 0, totalizer = 0;
  float velocityMin = 0, volumeFlowMin = 0, temperatureMin = 0;
  float velocityMax = 0, volumeFlowMax = 0, temperatureMax = 0;
};

// Family 0, 1 or 2 of a model code number 1 to 45; -1 for any other number.
int familyOfModel(int modelCode);
// Parameter block length of a family: 63, 71 or 65 bytes (0 for no family).
std::size_t blockSize(int family);
// Letter that introduces a parameter write for the family: 'B', 'J' or 'D'.
uint8_t familyLetter(int family);
// The parameter set a meter of the family leaves the factory with. It passes
// the PC program's configuration check and selects m/s, m³/h, m³ and °C.
std::vector<uint8_t> factoryBlock(int family);

namespace detail {
// splitmix64: tiny, fast, and the same sequence on every platform and library.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t next();
  double uniform();               // [0, 1)
  int range(int lo, int hi);      // lo..hi inclusive
  double normal();                // mean 0, deviation 1
 private:
  uint64_t state_;
};
}  // namespace detail

class Meter {
 public:
  static constexpr uint64_t kNever = std::numeric_limits<uint64_t>::max();
  static constexpr int kLatencyMs = 2;            // a meter answers within a few ms
  static constexpr int kFirstBlockByteMs = 1000;  // the PC waits ~130-280 ms before its block
  static constexpr int kBlockGapMs = 150;         // silence that ends a block

  explicit Meter(const MeterConfig& config = {}, uint64_t startMs = 0);

  // Bytes from the PC, arriving at nowMs (never earlier than a previous call's time).
  void receive(const uint8_t* data, std::size_t n, uint64_t nowMs);
  // Appends every byte due to go out by nowMs.
  void collectDue(uint64_t nowMs, std::vector<uint8_t>& out);
  // When the next output is due or a block time-out falls; kNever when nothing is pending.
  uint64_t nextDue() const;

  int modelCode() const { return modelCode_; }
  // Family used for the protocol; a model code without family behaves as family 0.
  int family() const { return family_; }
  // Another meter on the same line: new model code, the stored blocks stay.
  void setModelCode(int code);
  const std::vector<uint8_t>& block(int family) const;
  bool running() const { return running_; }
  int lowFlowPercent() const { return lowFlow_; }
  uint8_t errorCode() const { return errorCode_; }
  uint8_t contacts() const;
  bool zeroAdjusting() const { return zeroPending_; }
  Readings readings() const;
  // The last reply as composed, before any fault touched it.
  const std::vector<uint8_t>& lastReply() const { return lastReply_; }
  // Switches the line's faults off, and on again at the next call: a line
  // that fails and mends while the PC keeps polling.
  void toggleFaults();

 private:
  enum class Rx { Idle, LowFlowBlock, ParameterFrame };
  struct Pending {
    uint64_t due;
    std::vector<uint8_t> bytes;
  };

  void advance(uint64_t nowMs);
  void step();
  void handleByte(uint8_t b, uint64_t nowMs);
  void handleCommand(uint8_t cmd, uint64_t nowMs);
  void finishLowFlowBlock(uint64_t nowMs);
  uint64_t rxDeadline() const;
  void reply(std::vector<uint8_t> bytes, uint64_t baseMs);
  void queue(std::vector<uint8_t> bytes, uint64_t due);
  std::vector<uint8_t> frame(uint8_t cmd, const std::vector<uint8_t>& payload) const;

  // Views of the stored parameter set of the meter's own family.
  const std::vector<uint8_t>& ownBlock() const { return blocks_[family_]; }
  float blockReal(std::size_t offset) const;
  int blockIndex(std::size_t offset, int base) const;
  double fullScaleVelocity() const;
  double pipeDiameterMm() const;
  double density() const;
  double velocityIn(double mps) const;
  double volumeFlowIn(double m3s) const;
  double temperatureIn(double celsius) const;
  double totalizerIn(double m3) const;
  void updateContacts();

  MeterConfig config_;
  MeterConfig heldFaults_;   // the faults while they are switched off; none at first
  int modelCode_;
  int family_;
  std::vector<uint8_t> blocks_[3];
  detail::Rng processRng_, faultRng_, garbageRng_;

  // Measurement, kept in m/s, m³/s (in the flow basis of the operating mode) and °C.
  uint64_t lastStepMs_;
  uint64_t steps_ = 0;
  bool running_ = true;
  double velocityDrift_ = 0, temperatureDrift_ = 0;
  double velocity_ = 0, volumeFlow_ = 0, temperature_ = 20, total_ = 0;
  double minV_ = 0, maxV_ = 0, minQ_ = 0, maxQ_ = 0, minT_ = 20, maxT_ = 20;
  bool contact1_ = false, contact2_ = false;
  int lowFlow_ = 0;
  uint8_t errorCode_;
  bool zeroPending_ = false;
  uint64_t zeroDoneMs_ = 0;

  Rx rx_ = Rx::Idle;
  std::vector<uint8_t> rxBuf_;
  uint64_t rxLastMs_ = 0;

  std::vector<Pending> out_;   // sorted by due time, equal times in queueing order
  uint64_t nextGarbageMs_;
  std::vector<uint8_t> lastReply_;
};

}  // namespace qv::sim
