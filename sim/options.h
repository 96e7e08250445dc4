// Command line of meq-sim: what it serves, its own line and the transmitter it plays.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "faults.h"

namespace meqsim {

inline constexpr std::uint32_t BAUD_RATES[8] = {1200,  2400,  4800,  9600,
                                                19200, 38400, 57600, 115200};
inline constexpr const char* PARITY_NAMES[4] = {"none", "odd", "even", "mark"};
inline constexpr std::size_t MAX_LINK_NAME = 7;

// The transmitter's own line: indexes as in its holding registers 512..514.
struct LineSettings {
  std::uint8_t address = 1;
  std::uint8_t baudIndex = 4;    // 19200
  std::uint8_t parityIndex = 2;  // even
};

struct PlantedWord {
  bool holding = false;
  std::uint16_t reg = 0;
  std::uint16_t value = 0;
};

struct SimOptions {
  std::string device;    // empty: a new pseudo-terminal
  std::string linkName;  // empty: no link
  LineSettings line;
  bool anyLine = false;
  bool wireTime = false;
  std::uint32_t turnaroundMs = 5;

  std::string identity = "MEQ";
  std::uint16_t firmware = 0x0102;
  std::uint32_t serial = 1234567;
  std::uint16_t hours = 1000;
  double warmupSeconds = 20.0;
  bool ready = false;
  bool fixed = false;
  std::uint32_t restartMs = 1000;
  std::vector<PlantedWord> planted;

  std::vector<FaultSpec> faults;
  std::optional<std::uint64_t> seed;
  std::string logPath;  // empty: no log; "-": stderr
};

enum class ParseResult { RUN, HELP, FAILED };

// Fills `options`; on FAILED `error` says what was wrong.
ParseResult ParseOptions(int argc, char** argv, SimOptions& options, std::string& error);

const char* HelpText();

// "19200 8E1" for the transmitter's own line settings.
std::string DescribeLine(std::uint8_t baudIndex, std::uint8_t parityIndex);

// Numbers as typed on the command line: decimal or 0x hex, whole text, within [min, max].
bool ParseNumber(const std::string& text, long long min, long long max, long long& value);

}  // namespace meqsim
