// Fault injection: each --fault SPEC picks requests (by function code, register, skip,
// count and rate) and changes what happens to them.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace meqsim {

enum class FaultKind { NO_REPLY, CORRUPT, TRUNCATE, EXTRA, FOREIGN, DELAY, EXCEPTION };

struct FaultSpec {
  FaultKind kind = FaultKind::NO_REPLY;
  bool hasValue = false;
  std::uint32_t value = 0;  // meaning depends on the kind, see the help text
  int functionCode = -1;    // -1: any
  long reg = -1;            // -1: any; else the request must touch this register
  double rate = 1.0;
  std::uint32_t skip = 0;
  std::uint32_t count = 0;  // 0: no limit
  std::string text;         // as given, for the log
  // running state
  std::uint32_t seen = 0;
  std::uint32_t applied = 0;
};

// Parses KIND[=VALUE][,fc=N][,reg=N][,rate=R][,skip=N][,count=N].
bool ParseFault(const std::string& text, FaultSpec& spec, std::string& error);

// What the selected faults do to one request, merged.
struct FaultPlan {
  bool any = false;
  bool noReply = false;
  bool exception = false;
  std::uint8_t exceptionCode = 0;
  bool corrupt = false;
  std::size_t corruptIndex = SIZE_MAX;  // SIZE_MAX: the last byte before the CRC
  bool truncate = false;
  std::size_t truncateTo = SIZE_MAX;  // SIZE_MAX: all but the last byte
  std::size_t extraBytes = 0;
  bool foreign = false;
  std::uint8_t foreignAddress = 0;  // 0: own address + 1 (wrapping within 1..247)
  std::uint32_t delayMs = 0;
  std::string note;  // "fault: delay=300, corrupt"
};

class FaultInjector {
 public:
  FaultInjector(std::vector<FaultSpec> specs, std::uint64_t seed);

  // Called once for each request addressed to this slave (not broadcasts).
  // `first` and `last` are the registers the request touches.
  FaultPlan Select(std::uint8_t functionCode, std::uint32_t first, std::uint32_t last);

  // Changes a finished reply (with its CRC) as the plan says; returns the new length.
  static std::size_t Apply(const FaultPlan& plan, std::uint8_t* reply, std::size_t length,
                           std::uint8_t ownAddress);

 private:
  double NextUniform();

  std::vector<FaultSpec> specs_;
  std::mt19937_64 rng_;
};

}  // namespace meqsim
