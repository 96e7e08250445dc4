// The transmitter itself: its registers, live measured values, warm-up, corrections,
// forced recalibration and restart. Knows nothing of ports or timing of the line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "options.h"

namespace meqsim {

struct ExecuteResult {
  std::size_t length = 0;  // reply bytes with CRC in the caller's buffer; 0: no reply
  bool restart = false;    // a restart was asked for: after the reply, go silent
  std::uint8_t exception = 0;
};

class TransmitterModel {
 public:
  // `now` is in seconds since the program started, here and below.
  TransmitterModel(const SimOptions& options, double now);

  // Carries out one intact request of `length` bytes (CRC included) whose address is
  // this slave's or 0 (broadcast: carried out, no reply). The reply goes to `reply`,
  // which holds REPLY_CAPACITY bytes.
  ExecuteResult Execute(const std::uint8_t* request, std::size_t length, double now,
                        std::uint8_t* reply);

  // Builds the exception reply to function code `functionCode`; returns its length.
  std::size_t BuildException(std::uint8_t functionCode, std::uint8_t code,
                             std::uint8_t* reply) const;

  // Comes back from a restart: the written line settings take effect, warm-up starts.
  void Restart(double now);

  const LineSettings& Line() const { return line_; }
  bool Ready(double now) const;

 private:
  enum class Access { NONE, READ_WRITE, WRITE_ONLY };
  static Access InputAccess(std::uint32_t reg);
  static Access HoldingAccess(std::uint32_t reg);

  std::uint16_t InputRegister(std::uint16_t reg, double now);
  void Measure(double now, std::uint16_t* values);  // registers 16..25
  double Co2Base(double now) const;
  std::uint8_t WriteHolding(std::uint16_t reg, std::uint16_t value, double now, bool& restart);

  LineSettings line_;
  bool fixed_;
  bool alwaysReady_;
  double warmupSeconds_;
  std::uint16_t hours_;
  double bootTime_;
  double co2Offset_ = 0.0;  // set by a forced recalibration

  std::array<std::uint16_t, 26> input_{};
  std::array<bool, 26> planted_{};
  std::array<std::uint16_t, 1041> holding_{};
};

}  // namespace meqsim
