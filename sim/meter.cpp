#include "sim/meter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace qv::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint64_t kStepMs = 100;   // the measurement advances in fixed steps, whatever the call pattern
constexpr double kStepS = kStepMs / 1000.0;
constexpr uint64_t kGarbageSlotMs = 100;
constexpr std::size_t kMaxFrame = 256;   // a runaway write is swallowed, not stored

// Offsets into the parameter block (the same for all families unless noted).
constexpr std::size_t kSensor = 1;
constexpr std::size_t kPipe = 7;
constexpr std::size_t kVelocityUnit = 11;
constexpr std::size_t kTemperatureUnit = 12;
constexpr std::size_t kFlowUnit = 13;
constexpr std::size_t kTotalUnit = 14;
constexpr std::size_t kAssignment = 36;
constexpr std::size_t kContact1On = 37, kContact1Off = 41, kContact2On = 45, kContact2Off = 49;
constexpr std::size_t kMultFactor = 59;
constexpr std::size_t kTpFitting = 63, kBvFitting = 64;   // families 1 and 2
constexpr std::size_t kMedium = 65, kPressure = 66, kMode = 70;   // family 1 only

constexpr double kGallon = 3.785411784e-3;    // m³
constexpr double kCubicFoot = 0.028316846592;  // m³
constexpr double kPound = 0.45359237;          // kg
constexpr double kAtm = 1.01325;               // bar

void putReal(std::vector<uint8_t>& b, std::size_t off, float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  b[off] = uint8_t(u >> 24);
  b[off + 1] = uint8_t(u >> 16);
  b[off + 2] = uint8_t(u >> 8);
  b[off + 3] = uint8_t(u);
}

void appendReal(std::vector<uint8_t>& b, double value) {
  b.resize(b.size() + 4);
  putReal(b, b.size() - 4, float(value));
}

uint8_t byteSum(const uint8_t* p, std::size_t n) {
  unsigned s = 0;
  for (std::size_t i = 0; i < n; ++i) s += p[i];
  return uint8_t(s);
}

// Limit contacts sit on the P2 and D4 output options, alone or combined.
bool hasLimitContacts(int code) {
  if (code < 1 || code > 45) return false;
  int k = (code - 1) % 15 + 1;
  return k == 2 || k == 3 || k >= 8;
}

// A contact with hysteresis: on above its switch-on value when that lies above
// the switch-off value (a maximum contact), on below it otherwise.
bool switchContact(bool state, double x, double on, double off) {
  if (on >= off) {
    if (x >= on) return true;
    if (x <= off) return false;
  } else {
    if (x <= on) return true;
    if (x >= off) return false;
  }
  return state;
}

}  // namespace

namespace detail {

uint64_t Rng::next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double Rng::uniform() { return double(next() >> 11) * 0x1.0p-53; }

int Rng::range(int lo, int hi) { return lo + int(next() % uint64_t(hi - lo + 1)); }

double Rng::normal() {
  double u1 = 1.0 - uniform();   // (0, 1], keeps log finite
  double u2 = uniform();
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
}

}  // namespace detail

int familyOfModel(int code) {
  if (code >= 1 && code <= 15) return 0;
  if (code >= 16 && code <= 30) return 1;
  if (code >= 31 && code <= 45) return 2;
  return -1;
}

std::size_t blockSize(int family) {
  switch (family) {
    case 0: return 63;
    case 1: return 71;
    case 2: return 65;
    default: return 0;
  }
}

uint8_t familyLetter(int family) {
  switch (family) {
    case 0: return 'B';
    case 1: return 'J';
    case 2: return 'D';
    default: return 0;
  }
}

std::vector<uint8_t> factoryBlock(int family) {
  std::vector<uint8_t> b(blockSize(family), 0);
  if (b.empty()) return b;
  const bool gx = family == 1;
  b[0] = 1 + 11;   // meter display in German
  b[kSensor] = 0 + 21;
  if (gx) {
    b[2] = 0x01; b[3] = 0xF4;   // C value 500
    b[4] = 0x00; b[5] = 0x64;   // T value 100
  } else {
    b[2] = 50;                  // T value
    putReal(b, 3, 1.0f);        // C value 1000, stored as 1000 / 1000
  }
  putReal(b, kPipe, 50.0f);
  b[kVelocityUnit] = gx ? 151 : 91;      // m/s
  b[kTemperatureUnit] = gx ? 155 : 100;  // °C
  b[kFlowUnit] = gx ? 162 : 112;         // m³/h
  b[kTotalUnit] = gx ? 176 : 121;        // m³
  b[15] = gx ? 180 : 140;                // display line 1: flow + temperature
  b[16] = gx ? 186 : 151;                // display line 2: volume flow
  b[17] = 1;                             // backlight on
  putReal(b, 19, 0.0f);
  putReal(b, 23, family == 2 ? 4.0f : 20.0f);   // FX sensors end at 4 m/s
  putReal(b, 28, 0.0f);
  putReal(b, 32, 100.0f);
  b[kAssignment] = gx ? 200 : 190;       // both contacts on flow velocity
  putReal(b, kContact1On, 2.0f);         // contact 1: flow above 2 m/s
  putReal(b, kContact1Off, 1.8f);
  putReal(b, kContact2On, 0.5f);         // contact 2: flow below 0.5 m/s
  putReal(b, kContact2Off, 0.7f);
  putReal(b, 54, 10.0f);                 // pulse frequency
  b[58] = 5;                             // measuring time, s
  putReal(b, kMultFactor, 1.0f);
  if (gx) {
    b[kTpFitting] = 0 + 140;
    b[kBvFitting] = 0 + 135;
    b[kMedium] = 0 + 31;                 // air
    putReal(b, kPressure, 1.013f);
    b[kMode] = 1;                        // operating flow
  } else if (family == 2) {
    b[kTpFitting] = 5 + 30;              // TP06 (DN50)
    b[kBvFitting] = 3 + 40;              // BV06 (DN50)
  }
  return b;
}

Meter::Meter(const MeterConfig& config, uint64_t startMs)
    : config_(config),
      modelCode_(config.modelCode),
      family_(std::max(0, familyOfModel(config.modelCode))),
      processRng_(config.seed),
      faultRng_(uint64_t(config.seed) ^ (0xFA017ull << 32)),
      garbageRng_(uint64_t(config.seed) ^ (0x6A5BA6Eull << 32)),
      lastStepMs_(startMs),
      errorCode_(uint8_t(config.errorCode)),
      nextGarbageMs_(startMs + kGarbageSlotMs) {
  for (int f = 0; f < 3; ++f) blocks_[f] = factoryBlock(f);
  for (const auto& [at, value] : config.plantedBytes)
    if (at >= 0 && std::size_t(at) < blocks_[family_].size()) blocks_[family_][std::size_t(at)] = value;
  // Start from a settled state so the first reply already looks like a measurement.
  step();
  minV_ = maxV_ = velocity_;
  minQ_ = maxQ_ = volumeFlow_;
  minT_ = maxT_ = temperature_;
}

void Meter::setModelCode(int code) {
  modelCode_ = code;
  family_ = std::max(0, familyOfModel(code));
  rx_ = Rx::Idle;
  rxBuf_.clear();
}

const std::vector<uint8_t>& Meter::block(int family) const {
  static const std::vector<uint8_t> none;
  return family >= 0 && family < 3 ? blocks_[family] : none;
}

float Meter::blockReal(std::size_t off) const {
  const auto& b = ownBlock();
  if (off + 4 > b.size()) return 0.0f;
  uint32_t u = uint32_t(b[off]) << 24 | uint32_t(b[off + 1]) << 16 | uint32_t(b[off + 2]) << 8 | b[off + 3];
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

int Meter::blockIndex(std::size_t off, int base) const {
  const auto& b = ownBlock();
  return off < b.size() ? uint8_t(b[off] - base) : -1;
}

// Velocity that the "%" unit calls 100 %, per family, sensor and gas; the
// PC's upper limits (e.g. 133.3 % = 4 m/s) follow from these.
double Meter::fullScaleVelocity() const {
  int sensor = blockIndex(kSensor, 21);
  switch (family_) {
    case 0: {
      static const int liquid[] = {2, 3, 5, 7, 9, 12, 13};
      return std::find(std::begin(liquid), std::end(liquid), sensor) != std::end(liquid) ? 3.0 : 20.0;
    }
    case 1: {
      int medium = blockIndex(kMedium, 31);
      return medium == 5 ? 50.0 : medium == 6 ? 40.0 : 68.0;
    }
    default: return 3.0;
  }
}

// Inline sensors in a fitting measure in the fitting's bore; the others in the
// pipe size set by the user (mm).
double Meter::pipeDiameterMm() const {
  static const double tp[] = {15, 20, 25, 32, 40, 50};
  static const double bv[] = {25, 32, 40, 50};
  int sensor = blockIndex(kSensor, 21);
  int tpIdx = -1, bvIdx = -1;
  if (family_ == 1) {
    if (sensor == 2) tpIdx = blockIndex(kTpFitting, 140);
    if (sensor == 1) bvIdx = blockIndex(kBvFitting, 135);
  } else if (family_ == 2) {
    if (sensor == 0) tpIdx = blockIndex(kTpFitting, 30);
    if (sensor == 1) bvIdx = blockIndex(kBvFitting, 40);
  }
  if (tpIdx >= 0) return tpIdx < 6 ? tp[tpIdx] : 0.0;
  if (bvIdx >= 0) return bvIdx < 4 ? bv[bvIdx] : 0.0;
  double d = blockReal(kPipe);
  return std::isfinite(d) && d > 0 && d < 100000 ? d : 0.0;
}

// kg/m³ of the medium in the basis of the reported flow (family 1 gases).
double Meter::density() const {
  static const double standard[] = {1.293, 1.2506, 1.429, 1.784, 1.977, 0.717, 0.0899};
  int medium = blockIndex(kMedium, 31);
  double rho = medium >= 0 && medium < 7 ? standard[medium] : standard[0];
  if (blockIndex(kMode, 0) == 1) {
    double p = blockReal(kPressure);
    if (std::isfinite(p) && p > 0) rho *= p / kAtm * 273.15 / (temperature_ + 273.15);
  }
  return rho;
}

double Meter::velocityIn(double mps) const {
  int base = family_ == 1 ? 150 : 90;
  switch (blockIndex(kVelocityUnit, base)) {
    case 0: return mps / fullScaleVelocity() * 100.0;
    case 2: return mps / 0.3048;
    default: return mps;
  }
}

double Meter::volumeFlowIn(double q) const {
  if (family_ == 1) {
    switch (blockIndex(kFlowUnit, 160)) {
      case 0: return q * 1000.0;
      case 1: return q * 60000.0;
      case 3: return q / kCubicFoot;
      case 4: return q / kCubicFoot * 60.0;
      case 5: return q * density();
      case 6: return q * density() * 60.0;
      case 7: return q * density() * 3600.0;
      case 8: return q * density() / kPound;
      case 9: return q * density() / kPound * 60.0;
      case 10: return q * density() / kPound * 3600.0;
      default: return q * 3600.0;
    }
  }
  switch (blockIndex(kFlowUnit, 110)) {
    case 0: return q * 1000.0;
    case 1: return q * 60000.0;
    case 3: return q / kGallon * 60.0;
    default: return q * 3600.0;
  }
}

double Meter::temperatureIn(double c) const {
  switch (blockIndex(kTemperatureUnit, family_ == 1 ? 155 : 100)) {
    case 1: return c * 9.0 / 5.0 + 32.0;
    case 2: return c + 273.15;
    default: return c;
  }
}

double Meter::totalizerIn(double v) const {
  if (family_ == 1) {
    switch (blockIndex(kTotalUnit, 175)) {
      case 0: return v * 1000.0;
      case 2: return v / kCubicFoot;
      case 3: return v * density();
      case 4: return v * density() / kPound;
      default: return v;
    }
  }
  switch (blockIndex(kTotalUnit, 120)) {
    case 0: return v * 1000.0;
    case 2: return v / kGallon;
    default: return v;
  }
}

Readings Meter::readings() const {
  Readings r;
  r.velocity = float(velocityIn(velocity_));
  r.volumeFlow = float(volumeFlowIn(volumeFlow_));
  r.temperature = float(temperatureIn(temperature_));
  r.totalizer = float(totalizerIn(total_));
  r.velocityMin = float(velocityIn(minV_));
  r.volumeFlowMin = float(volumeFlowIn(minQ_));
  r.temperatureMin = float(temperatureIn(minT_));
  r.velocityMax = float(velocityIn(maxV_));
  r.volumeFlowMax = float(volumeFlowIn(maxQ_));
  r.temperatureMax = float(temperatureIn(maxT_));
  return r;
}

uint8_t Meter::contacts() const {
  uint8_t c = 0;
  if (contact1_) c |= 0x01;
  if (contact2_) c |= 0x02;
  if (running_ && !zeroPending_) c |= 0x04;
  if (errorCode_ == 0) c |= 0x08;   // error contact is active low
  return c;
}

void Meter::updateContacts() {
  if (!hasLimitContacts(modelCode_)) {
    contact1_ = contact2_ = false;
    return;
  }
  // The thresholds are in the units the parameter set selects.
  int assignment = blockIndex(kAssignment, family_ == 1 ? 200 : 190);
  if (assignment < 0 || assignment > 3) {
    contact1_ = contact2_ = false;
    return;
  }
  double v = velocityIn(velocity_), t = temperatureIn(temperature_);
  double x1 = (assignment == 1 || assignment == 3) ? t : v;
  double x2 = (assignment >= 2) ? t : v;
  contact1_ = switchContact(contact1_, x1, blockReal(kContact1On), blockReal(kContact1Off));
  contact2_ = switchContact(contact2_, x2, blockReal(kContact2On), blockReal(kContact2Off));
}

void Meter::step() {
  if (!running_) return;   // a stopped meter holds its values
  double t = double(steps_++) * kStepS;
  double fs = fullScaleVelocity();
  double base = std::min(2.5, 0.6 * fs);
  // Slow mean-reverting drift (about 50 s) on a slow swing, plus a little noise.
  velocityDrift_ += -0.002 * velocityDrift_ + 0.004 * processRng_.normal();
  double v = base * (1.0 + 0.08 * std::sin(2 * kPi * t / 240.0) + velocityDrift_ +
                     0.01 * processRng_.normal());
  double mult = blockReal(kMultFactor);
  if (std::isfinite(mult) && mult >= 0) v *= mult;
  v = std::max(0.0, v);
  if (lowFlow_ > 0 && v < lowFlow_ / 100.0 * fs) v = 0.0;
  velocity_ = v;

  temperatureDrift_ += -0.001 * temperatureDrift_ + 0.01 * processRng_.normal();
  temperature_ = 20.0 + 1.5 * std::sin(2 * kPi * t / 900.0) + temperatureDrift_ +
                 0.02 * processRng_.normal();

  double r = pipeDiameterMm() / 2000.0;
  double q = v * kPi * r * r;
  if (family_ == 1 && blockIndex(kMode, 0) == 0) {
    // Standard flow: referred to 0 °C and 1.01325 bar.
    double p = blockReal(kPressure);
    if (std::isfinite(p) && p > 0) q *= p / kAtm * 273.15 / (temperature_ + 273.15);
  }
  volumeFlow_ = q;
  total_ += q * kStepS;

  minV_ = std::min(minV_, velocity_);
  maxV_ = std::max(maxV_, velocity_);
  minQ_ = std::min(minQ_, volumeFlow_);
  maxQ_ = std::max(maxQ_, volumeFlow_);
  minT_ = std::min(minT_, temperature_);
  maxT_ = std::max(maxT_, temperature_);
  updateContacts();
}

uint64_t Meter::rxDeadline() const {
  return rxLastMs_ + (rxBuf_.empty() ? kFirstBlockByteMs : kBlockGapMs);
}

void Meter::advance(uint64_t now) {
  while (lastStepMs_ + kStepMs <= now) {
    lastStepMs_ += kStepMs;
    step();
  }
  if (zeroPending_ && now >= zeroDoneMs_) zeroPending_ = false;
  if (rx_ != Rx::Idle && now >= rxDeadline()) {
    // The line fell silent mid-block: a started parameter write is refused,
    // a broken low-flow block is simply forgotten.
    if (rx_ == Rx::ParameterFrame && !rxBuf_.empty()) reply({kStatus9D}, rxDeadline());
    rx_ = Rx::Idle;
    rxBuf_.clear();
  }
  if ((config_.garbageRate > 0 || config_.babbleBytesPerSecond > 0) && !config_.silent) {
    for (; nextGarbageMs_ <= now; nextGarbageMs_ += kGarbageSlotMs) {
      const bool babble = config_.babbleBytesPerSecond > 0;
      if (!babble && garbageRng_.uniform() >= config_.garbageRate) continue;
      std::vector<uint8_t> junk(babble ? std::max<std::size_t>(1, std::size_t(config_.babbleBytesPerSecond) * kGarbageSlotMs / 1000)
                                       : std::size_t(garbageRng_.range(1, 6)));
      for (auto& b : junk) b = uint8_t(garbageRng_.next());
      queue(std::move(junk), nextGarbageMs_);
    }
  } else {
    nextGarbageMs_ = now;  // a babble switched on later starts now, not in the past
  }
}

void Meter::receive(const uint8_t* data, std::size_t n, uint64_t now) {
  advance(now);
  if (config_.loseRate > 0 && faultRng_.uniform() < config_.loseRate) return;
  for (std::size_t i = 0; i < n; ++i) handleByte(data[i], now);
}

void Meter::handleByte(uint8_t b, uint64_t now) {
  switch (rx_) {
    case Rx::Idle:
      handleCommand(b, now);
      return;
    case Rx::LowFlowBlock:
      if (rxBuf_.empty() && b != 0x04) {
        // Not a block at all: the PC gave up and sent a command.
        rx_ = Rx::Idle;
        handleCommand(b, now);
        return;
      }
      rxBuf_.push_back(b);
      rxLastMs_ = now;
      if (rxBuf_.size() == 3) finishLowFlowBlock(now);
      return;
    case Rx::ParameterFrame: {
      if (rxBuf_.size() < kMaxFrame) rxBuf_.push_back(b);
      rxLastMs_ = now;
      const std::size_t expected = blockSize(family_) + 2;   // letter, block, checksum
      if (rxBuf_.size() == expected && rxBuf_[0] == familyLetter(family_) &&
          uint8_t(0x60 + byteSum(rxBuf_.data(), expected - 1)) == rxBuf_.back()) {
        rx_ = Rx::Idle;
        if (!config_.refuseWrite) {
          blocks_[family_].assign(rxBuf_.begin() + 1, rxBuf_.end() - 1);
          if (config_.storeFaultAt >= 0 && std::size_t(config_.storeFaultAt) < blocks_[family_].size())
            blocks_[family_][std::size_t(config_.storeFaultAt)] ^= 0x01;
          reply({kAck}, now);
        }
        rxBuf_.clear();
      }
      // Anything else waits for the line to fall silent and is refused then.
      return;
    }
  }
}

void Meter::finishLowFlowBlock(uint64_t now) {
  const uint8_t value = rxBuf_[1];
  const bool ok = uint8_t(0x76 + 0x04 + value) == rxBuf_[2] && value <= 10;
  rx_ = Rx::Idle;
  rxBuf_.clear();
  // A meter that swallows the block changes nothing.
  if (config_.lowFlowSilence == LowFlowSilence::Block) return;
  if (!ok) {
    reply({kStatus9D}, now);
    return;
  }
  reply({kAck}, now);
  if (value == 0) {
    // Zero-point adjustment: the meter reports its result a few hundred ms later.
    zeroPending_ = true;
    zeroDoneMs_ = now + uint64_t(processRng_.range(300, 500));
    if (config_.zeroResult >= 0) reply({uint8_t(config_.zeroResult)}, zeroDoneMs_);
  } else {
    lowFlow_ = value;
  }
}

std::vector<uint8_t> Meter::frame(uint8_t cmd, const std::vector<uint8_t>& payload) const {
  // Every data reply: command echo, total length, payload, byte sum of all before.
  std::vector<uint8_t> f;
  f.reserve(payload.size() + 3);
  f.push_back(cmd);
  f.push_back(uint8_t(payload.size() + 3));
  f.insert(f.end(), payload.begin(), payload.end());
  f.push_back(byteSum(f.data(), f.size()));
  return f;
}

void Meter::handleCommand(uint8_t cmd, uint64_t now) {
  const auto& b = ownBlock();
  std::vector<uint8_t> p;
  switch (cmd) {
    case 0x50:
      reply(frame(cmd, {uint8_t(modelCode_)}), now);
      return;
    case 0x51:
      appendReal(p, config_.softwareVersion);
      reply(frame(cmd, p), now);
      return;
    case 0x10: appendReal(p, velocityIn(velocity_)); p.push_back(b[kVelocityUnit]); break;
    case 0x11: appendReal(p, volumeFlowIn(volumeFlow_)); p.push_back(b[kFlowUnit]); break;
    case 0x12: appendReal(p, totalizerIn(total_)); p.push_back(b[kTotalUnit]); break;
    case 0x13:
      appendReal(p, config_.iacTemperature ? 127.5 : temperatureIn(temperature_));
      p.push_back(b[kTemperatureUnit]);
      break;
    case 0x20:
    case 0x21: {
      const bool min = cmd == 0x20;
      appendReal(p, velocityIn(min ? minV_ : maxV_));
      p.push_back(b[kVelocityUnit]);
      appendReal(p, volumeFlowIn(min ? minQ_ : maxQ_));
      p.push_back(b[kFlowUnit]);
      appendReal(p, temperatureIn(min ? minT_ : maxT_));
      p.push_back(b[kTemperatureUnit]);
      break;
    }
    case 0x40: p.push_back(contacts()); break;
    case 0x41: p.push_back(errorCode_); break;
    case 0x77:
      if (family_ != 1) return;   // only GX meters have the query
      p.push_back(uint8_t(lowFlow_));
      break;
    case 0x30:
      reply(frame(cmd, b), now);
      return;
    case 0x70: minV_ = velocity_; minQ_ = volumeFlow_; minT_ = temperature_; reply({kAck}, now); return;
    case 0x71: maxV_ = velocity_; maxQ_ = volumeFlow_; maxT_ = temperature_; reply({kAck}, now); return;
    case 0x72: errorCode_ = 0; reply({kAck}, now); return;
    case 0x73: total_ = 0; reply({kAck}, now); return;
    case 0x74: running_ = false; reply({kAck}, now); return;
    case 0x75: running_ = true; reply({kAck}, now); return;
    case 0x76:
      if (config_.lowFlowSilence == LowFlowSilence::Command) return;
      [[fallthrough]];
    case 0x60:
      rx_ = cmd == 0x76 ? Rx::LowFlowBlock : Rx::ParameterFrame;
      rxBuf_.clear();
      rxLastMs_ = now;
      reply({kAck}, now);
      return;
    default:
      return;   // unknown bytes are ignored, as line noise would be
  }
  reply(frame(cmd, p), now);
}

void Meter::reply(std::vector<uint8_t> bytes, uint64_t baseMs) {
  if (config_.silent) return;
  lastReply_ = bytes;
  if (config_.dropRate > 0 && faultRng_.uniform() < config_.dropRate) return;
  if (config_.wrongLengthRate > 0 && faultRng_.uniform() < config_.wrongLengthRate) {
    const int sign = config_.wrongLengthSign != 0 ? config_.wrongLengthSign : faultRng_.uniform() < 0.5 ? -1 : 1;
    if (sign < 0)
      bytes.pop_back();
    else
      bytes.push_back(uint8_t(faultRng_.next()));
  }
  if (config_.flood && faultRng_.uniform() < 0.25) {
    std::size_t n = std::size_t(faultRng_.range(81, 120));
    while (bytes.size() < n) bytes.push_back(uint8_t(faultRng_.next()));
  }
  if (bytes.empty()) return;
  queue(std::move(bytes), baseMs + kLatencyMs + uint64_t(std::max(0, config_.replyDelayMs)));
}

void Meter::toggleFaults() {
  MeterConfig& a = config_;
  MeterConfig& b = heldFaults_;
  std::swap(a.silent, b.silent);
  std::swap(a.dropRate, b.dropRate);
  std::swap(a.loseRate, b.loseRate);
  std::swap(a.wrongLengthRate, b.wrongLengthRate);
  std::swap(a.wrongLengthSign, b.wrongLengthSign);
  std::swap(a.garbageRate, b.garbageRate);
  std::swap(a.babbleBytesPerSecond, b.babbleBytesPerSecond);
  std::swap(a.flood, b.flood);
  std::swap(a.replyDelayMs, b.replyDelayMs);
}

void Meter::queue(std::vector<uint8_t> bytes, uint64_t due) {
  auto at = std::upper_bound(out_.begin(), out_.end(), due,
                             [](uint64_t d, const Pending& p) { return d < p.due; });
  out_.insert(at, Pending{due, std::move(bytes)});
}

void Meter::collectDue(uint64_t now, std::vector<uint8_t>& out) {
  advance(now);
  auto end = out_.begin();
  while (end != out_.end() && end->due <= now) {
    out.insert(out.end(), end->bytes.begin(), end->bytes.end());
    ++end;
  }
  out_.erase(out_.begin(), end);
}

uint64_t Meter::nextDue() const {
  uint64_t next = out_.empty() ? kNever : out_.front().due;
  if (rx_ != Rx::Idle) next = std::min(next, rxDeadline());
  if ((config_.garbageRate > 0 || config_.babbleBytesPerSecond > 0) && !config_.silent)
    next = std::min(next, nextGarbageMs_);
  return next;
}

}  // namespace qv::sim
