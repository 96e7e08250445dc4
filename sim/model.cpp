#include "model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "modbus.h"

namespace meqsim {

namespace {

constexpr std::uint16_t STATUS_READY = 0x0800;
constexpr std::uint16_t RESTART_KEY = 0x55AA;
constexpr std::uint16_t FRC_MIN = 300;
constexpr std::uint16_t FRC_MAX = 5000;
constexpr std::uint8_t EX_ILLEGAL_FUNCTION = 0x01;
constexpr std::uint8_t EX_ILLEGAL_ADDRESS = 0x02;
constexpr std::uint8_t EX_ILLEGAL_VALUE = 0x03;
constexpr std::uint8_t EX_BUSY = 0x06;

// A repeatable value in [-1, 1] for step number k of one quantity (channel); step 0
// is 0, so t = 0 gives the start values exactly.
double Step(std::uint64_t k, std::uint64_t channel) {
  if (k == 0) return 0.0;
  std::uint64_t z = (k * 8 + channel) * 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) / 4503599627370496.0 - 1.0;
}

double Wave(double t, double period) {
  return std::sin(2.0 * std::numbers::pi * t / period);
}

std::uint16_t SignedWord(double value) {
  const long v = std::lround(std::clamp(value, -32768.0, 32767.0));
  return static_cast<std::uint16_t>(static_cast<std::int16_t>(v));
}

std::uint16_t UnsignedWord(double value) {
  return static_cast<std::uint16_t>(std::lround(std::clamp(value, 0.0, 65535.0)));
}

std::int16_t AsSigned(std::uint16_t word) {
  return static_cast<std::int16_t>(word);
}

}  // namespace

TransmitterModel::TransmitterModel(const SimOptions& options, double now)
    : line_(options.line),
      fixed_(options.fixed),
      alwaysReady_(options.ready),
      warmupSeconds_(options.warmupSeconds),
      hours_(options.hours),
      bootTime_(now) {
  for (std::size_t i = 0; i < 8 && i < options.identity.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(options.identity[i]);
    std::uint16_t& word = input_[i / 2];
    word = static_cast<std::uint16_t>(i % 2 == 0 ? (word & 0x00FF) | (byte << 8)
                                                 : (word & 0xFF00) | byte);
  }
  input_[4] = options.firmware;
  input_[5] = static_cast<std::uint16_t>(options.serial >> 16);
  input_[6] = static_cast<std::uint16_t>(options.serial & 0xFFFF);

  holding_[272] = 1000;
  holding_[273] = 1500;
  holding_[274] = 1;
  holding_[512] = line_.address;
  holding_[513] = line_.baudIndex;
  holding_[514] = line_.parityIndex;

  for (const PlantedWord& word : options.planted) {
    if (word.holding) {
      holding_[word.reg] = word.value;
    } else {
      input_[word.reg] = word.value;
      planted_[word.reg] = true;
    }
  }
}

TransmitterModel::Access TransmitterModel::InputAccess(std::uint32_t reg) {
  return reg <= 6 || (reg >= 16 && reg <= 25) ? Access::READ_WRITE : Access::NONE;
}

TransmitterModel::Access TransmitterModel::HoldingAccess(std::uint32_t reg) {
  if ((reg >= 256 && reg <= 261) || (reg >= 272 && reg <= 274) || (reg >= 512 && reg <= 514))
    return Access::READ_WRITE;
  if (reg == 275 || reg == 1040) return Access::WRITE_ONLY;
  return Access::NONE;
}

bool TransmitterModel::Ready(double now) const {
  return alwaysReady_ || now - bootTime_ >= warmupSeconds_;
}

double TransmitterModel::Co2Base(double now) const {
  const double t = fixed_ ? 0.0 : now;
  const double steps = Step(static_cast<std::uint64_t>(t / 3.0), 3);
  return 600.0 + 90.0 * Wave(t, 700.0) + 25.0 * Wave(t, 131.0) + 4.0 * steps + co2Offset_;
}

void TransmitterModel::Measure(double now, std::uint16_t* values) {
  const double t = fixed_ ? 0.0 : now;
  const auto k = static_cast<std::uint64_t>(t / 5.0);
  const double temperature = 22.0 + 1.2 * Wave(t, 900.0) + 0.4 * Wave(t, 233.0) + 0.03 * Step(k, 0);
  const double rh = std::clamp(
      45.0 + 4.0 * Wave(t, 1300.0) - 1.5 * (temperature - 22.0) + 0.1 * Step(k, 1), 1.0, 100.0);
  // Magnus formula over water: saturation pressure in hPa, dew point in degrees C.
  constexpr double B = 17.62;
  constexpr double C = 243.12;
  const double gamma = std::log(rh / 100.0) + B * temperature / (C + temperature);
  const double vapour = 6.112 * std::exp(gamma);
  const double absolute = 216.7 * vapour / (273.15 + temperature);
  const double dewPoint = C * gamma / (B - gamma);
  const double pressure = 1013.25 + 1.2 * Wave(t, 5400.0) + 0.05 * Step(k, 2);
  const double voc = 100.0 + 20.0 * Wave(t, 1100.0) + 3.0 * Step(k, 4);
  const double hours = hours_ + (fixed_ ? 0.0 : std::floor(now / 3600.0));

  const auto correction = [this](int index) { return AsSigned(holding_[256 + index]); };
  values[0] = SignedWord(temperature * 100.0 + correction(0));
  values[1] = SignedWord(rh * 100.0 + correction(1));
  values[2] = SignedWord(absolute * 100.0 + correction(2));
  values[3] = SignedWord(dewPoint * 100.0 + correction(3));
  const double p = std::clamp(std::round(pressure * 100.0) + correction(4), 0.0, 4294967295.0);
  const auto pressureWord = static_cast<std::uint32_t>(p);
  values[4] = static_cast<std::uint16_t>(pressureWord >> 16);
  values[5] = static_cast<std::uint16_t>(pressureWord & 0xFFFF);
  values[6] = UnsignedWord(std::round(Co2Base(now)) + correction(5));
  values[7] = UnsignedWord(voc);
  values[8] = UnsignedWord(hours);
  values[9] = Ready(now) ? STATUS_READY : 0;
}

std::uint16_t TransmitterModel::InputRegister(std::uint16_t reg, double now) {
  if (reg >= 16 && reg <= 25 && !planted_[reg]) {
    std::uint16_t values[10];
    Measure(now, values);
    return values[reg - 16];
  }
  return input_[reg];
}

std::size_t TransmitterModel::BuildException(std::uint8_t functionCode, std::uint8_t code,
                                             std::uint8_t* reply) const {
  reply[0] = line_.address;
  reply[1] = static_cast<std::uint8_t>(functionCode | 0x80);
  reply[2] = code;
  return AppendCrc(reply, 3);
}

std::uint8_t TransmitterModel::WriteHolding(std::uint16_t reg, std::uint16_t value, double now,
                                            bool& restart) {
  switch (HoldingAccess(reg)) {
    case Access::NONE: return EX_ILLEGAL_ADDRESS;
    case Access::READ_WRITE:
    case Access::WRITE_ONLY: break;
  }
  bool valid = true;
  if (reg == 274)
    valid = value <= 1;
  else if (reg == 275)
    valid = value >= FRC_MIN && value <= FRC_MAX;
  else if (reg == 512)
    valid = value >= 1 && value <= 247;
  else if (reg == 513)
    valid = value <= 7;
  else if (reg == 514)
    valid = value <= 3;
  else if (reg == 1040)
    valid = value == RESTART_KEY;
  if (!valid) return EX_ILLEGAL_VALUE;

  if (reg == 275) {
    // The sensor reports the reference from now on; its correction still applies.
    if (!(planted_[25] ? (input_[25] & STATUS_READY) != 0 : Ready(now))) return EX_BUSY;
    co2Offset_ += value - std::round(Co2Base(now));
  }
  if (reg == 1040) restart = true;
  holding_[reg] = value;
  return 0;
}

ExecuteResult TransmitterModel::Execute(const std::uint8_t* request, std::size_t length, double now,
                                        std::uint8_t* reply) {
  ExecuteResult result;
  const bool broadcast = request[0] == 0;
  const std::uint8_t functionCode = request[1];
  std::uint8_t exception = 0;
  std::size_t replyLength = 0;

  if ((functionCode == 0x03 || functionCode == 0x04) && length == 8) {
    const std::uint16_t first = GetWord(request + 2);
    const std::uint16_t count = GetWord(request + 4);
    if (count == 0 || count > 125) {
      exception = EX_ILLEGAL_VALUE;
    } else {
      for (std::uint32_t r = first; r < std::uint32_t{first} + count && exception == 0; ++r) {
        const Access access = functionCode == 0x04 ? InputAccess(r) : HoldingAccess(r);
        if (access != Access::READ_WRITE) exception = EX_ILLEGAL_ADDRESS;
      }
    }
    if (exception == 0 && !broadcast) {
      reply[0] = line_.address;
      reply[1] = functionCode;
      reply[2] = static_cast<std::uint8_t>(2 * count);
      for (std::uint16_t i = 0; i < count; ++i) {
        const auto reg = static_cast<std::uint16_t>(first + i);
        PutWord(reply + 3 + 2 * i, functionCode == 0x04 ? InputRegister(reg, now) : holding_[reg]);
      }
      replyLength = AppendCrc(reply, 3 + 2 * std::size_t{count});
    }
  } else if (functionCode == 0x06 && length == 8) {
    exception = WriteHolding(GetWord(request + 2), GetWord(request + 4), now, result.restart);
    if (exception == 0 && !broadcast) {
      std::copy(request, request + 8, reply);
      reply[0] = line_.address;
      replyLength = 8;
    }
  } else {
    exception = EX_ILLEGAL_FUNCTION;
  }

  result.exception = exception;
  if (broadcast) return result;
  result.length = exception != 0 ? BuildException(functionCode, exception, reply) : replyLength;
  return result;
}

void TransmitterModel::Restart(double now) {
  const auto low = [this](int reg) { return static_cast<std::uint8_t>(holding_[reg] & 0xFF); };
  if (low(512) >= 1 && low(512) <= 247) line_.address = low(512);
  if (low(513) <= 7) line_.baudIndex = low(513);
  if (low(514) <= 3) line_.parityIndex = low(514);
  bootTime_ = now;
}

}  // namespace meqsim
