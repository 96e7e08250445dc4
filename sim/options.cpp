#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace meqsim {

namespace {

const char HELP[] = R"(Usage: meq-sim [OPTION]...

Plays one MEQ air-quality transmitter, a MODBUS RTU slave, on a new pseudo-terminal
(or on a serial port with --device). The first line on standard output is the path
of the port to open, e.g. /dev/pts/3. It serves until SIGINT, SIGTERM or SIGHUP.

Port
  --device PATH        serve this serial port instead of a pseudo-terminal
  --link NAME          also make the link NAME -> port in the port folder
                       ($MEQ_PORT_DIR when set, else $HOME/.meq-config/ports,
                       created when missing); NAME has 1..7 characters and no '/',
                       e.g. COM7; a link of that name is replaced; removed on exit

Own line (8 data bits, 1 stop bit)
  --baud N             1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200 (19200)
  --parity P           none, odd, even, mark (even)
  --address N          slave address 1..247 (1)
  --any-line           on a pseudo-terminal, answer whatever the other side set.
                       By default the terminal's settings are read when a request
                       comes; if its baud rate, parity or stop bits differ from the
                       own line, or it is not raw (echo, canonical mode, signals,
                       CR/NL or output processing, XON/XOFF, stripping), the bytes
                       count as line noise: not answered, logged with "line
                       mismatch". A pseudo-terminal keeps neither the data size nor
                       PARENB: 8 data bits are taken, none and even parity look
                       alike, odd and mark are told by PARODD and CMSPAR. A
                       terminal that echoes is never answered.
  --wire-time          pace replies like a real line: per character a start bit,
                       8 data bits, the parity bit if any and one stop bit
  --turnaround MS      with --wire-time, silence before the first reply byte,
                       0..10000 (5)

Transmitter
  --identity TEXT      identity text, input registers 0..3, up to 8 characters,
                       NUL-padded ("MEQ")
  --firmware N         firmware word, input register 4, 0..0xFFFF (0x0102 = 1.02)
  --serial N           serial number, input registers 5 (high) and 6, 0..4294967295
                       (1234567)
  --hours N            operating hours at start, input register 24, 0..65535 (1000)
  --warmup SECONDS     time after start and after each restart until the sensor is
                       ready (status bit 0x0800), 0..86400, fractions allowed (20)
  --ready              ready at once, also after a restart
  --fixed              freeze the measured values at their start values: 22.00 C,
                       45.00 %RH, 8.71 g/m3, dew point 9.52 C, 1013.25 hPa,
                       600 ppm CO2, VOC index 100 (corrections still apply)
  --restart-time MS    silence after a restart request, 0..600000 (1000)
  --set in:REG=VALUE   plant a raw input register word (REG 0..6, 16..25); a planted
                       measured value (16..25) stays fixed and is reported as is,
                       without corrections; repeatable
  --set hold:REG=VALUE plant the start value of a readable holding register
                       (256..261, 272..274, 512..514), stored as is without range
                       checks; repeatable. REG and VALUE: decimal or 0x hex, VALUE
                       a 16-bit word (-32768..65535, negative as two's complement)

Faults and log
  --fault SPEC         inject a fault; repeatable, each SPEC counts on its own.
                       SPEC is KIND[=VALUE][,KEY=VALUE]...  Kinds:
                         noreply        no reply; the request is not carried out
                         corrupt[=I]    change reply byte I (default, and when I is
                                        past the end: the last one before the
                                        CRC), so the CRC is bad
                         truncate[=N]   send only the first N bytes (default: all
                                        but the last)
                         extra[=N]      append N zero bytes (1..255, default 1)
                                        behind a good reply
                         foreign[=A]    reply as slave A with a good CRC (default:
                                        own address + 1)
                         delay=MS       reply MS (0..600000) milliseconds later
                         exception=C    reply with exception code C (1..255); the
                                        request is not carried out
                       Keys that select requests (all must match):
                         fc=N           only function code N
                         reg=N          only requests touching register N
                         skip=N         let the first N selected requests pass
                         count=N        apply N times, then stop
                         rate=R         apply with probability R (0..1)
                       Only requests to the own address count (not broadcasts, not
                       frames that are ignored anyway). Several faults that match
                       one request all apply.
                       Examples: --fault noreply  --fault corrupt,fc=4
                                 --fault truncate,count=1  --fault delay=300,rate=0.2
  --seed N             seed of the random choices of rate=R (default: random)
  --log FILE           frame log, "-" for standard error; one line per frame,
                       flushed at once: "<seconds> rx|tx <hex bytes>[  # note]"
  --help               show this text

Register map (function 04: input registers, 03: holding registers, 06: write one)
  input    0..3    identity text, 2 characters a register, earlier one high
           4       firmware version, high byte . low byte
           5..6    serial number, 5 = high word
           16..19  temperature, RH, absolute humidity, dew point (signed, 0.01)
           20..21  pressure, 32-bit, 0.01 hPa, 20 = high word
           22..25  CO2 ppm, VOC index, operating hours, status (0x0800 = ready)
  holding  256..261 corrections (signed), each added to the value it corrects:
                   temperature, RH, absolute humidity, dew point (0.01 units),
                   pressure (0.01 hPa), CO2 (ppm); any 16-bit value
           272, 273 CO2 levels L1, L2, any 16-bit value (1000, 1500)
           274     automatic calibration 0 or 1 (1); stored only
           275     forced recalibration reference, write-only, 300..5000 ppm;
                   only while the sensor is ready, else exception 06 (busy);
                   the CO2 value then reads the reference (plus its correction)
           512     own address 1..247
           513     own baud index 0..7 (1200..115200 Bd)
           514     own parity 0 none, 1 odd, 2 even, 3 mark
                   512..514: reads show the written values; they take effect
                   at the next restart (a planted value gives its low byte, and
                   the setting stays as it was when that is out of range)
           1040    restart, write-only: 21930 (0x55AA) restarts. The echo is
                   sent, then nothing is answered for --restart-time, then it
                   comes back with the new line settings and a new warm-up

Replies
  Requests to another address are ignored; address 0 (broadcast) carries out
  writes without a reply. A frame with a bad CRC, too short, of a function code
  0 or above 127, or a request of 03/04/06 whose length is not 8, is ignored.
  Exceptions: 01 any other function code; 02 a register outside the map (also a
  read that runs past its end or touches a write-only register); 03 a count of 0
  or above 125, or a value out of its range; 06 a recalibration while the sensor
  is warming up. Requests of 03/04/06 end after 8 bytes; other frames end with a
  silence of 3.5 characters, at least 10 ms.
)";

bool ParseDouble(const std::string& text, double min, double max, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text.c_str(), &end);
  return errno == 0 && end != nullptr && *end == '\0' && value >= min && value <= max;
}

bool ReadableHolding(long long reg) {
  return (reg >= 256 && reg <= 261) || (reg >= 272 && reg <= 274) || (reg >= 512 && reg <= 514);
}

bool PlantableInput(long long reg) {
  return (reg >= 0 && reg <= 6) || (reg >= 16 && reg <= 25);
}

bool ParsePlanted(const std::string& text, PlantedWord& word, std::string& error) {
  const std::size_t colon = text.find(':');
  const std::size_t eq = text.find('=');
  if (colon == std::string::npos || eq == std::string::npos || eq < colon) {
    error = "--set: '" + text + "' is not in:REG=VALUE or hold:REG=VALUE";
    return false;
  }
  const std::string space = text.substr(0, colon);
  if (space != "in" && space != "hold") {
    error = "--set: register space '" + space + "' is neither in nor hold";
    return false;
  }
  word.holding = space == "hold";
  long long reg = 0;
  long long value = 0;
  if (!ParseNumber(text.substr(colon + 1, eq - colon - 1), 0, 65535, reg)) {
    error = "--set: bad register number in '" + text + "'";
    return false;
  }
  if (word.holding ? !ReadableHolding(reg) : !PlantableInput(reg)) {
    error = "--set: " + space + ":" + std::to_string(reg) + " is not a " +
            (word.holding ? "readable holding register (256..261, 272..274, 512..514)"
                          : "mapped input register (0..6, 16..25)");
    return false;
  }
  if (!ParseNumber(text.substr(eq + 1), -32768, 65535, value)) {
    error = "--set: value of '" + text + "' is not a 16-bit word (-32768..65535)";
    return false;
  }
  word.reg = static_cast<std::uint16_t>(reg);
  word.value = static_cast<std::uint16_t>(value & 0xFFFF);
  return true;
}

}  // namespace

const char* HelpText() {
  return HELP;
}

bool ParseNumber(const std::string& text, long long min, long long max, long long& value) {
  if (text.empty() || text.size() > 24) return false;
  const char* s = text.c_str();
  bool negative = false;
  if (*s == '-') {
    negative = true;
    ++s;
  }
  int base = 10;
  if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s += 2;
  }
  // strtoll itself would take blanks, a second sign or an empty number.
  if (*s == '\0') return false;
  for (const char* p = s; *p != '\0'; ++p) {
    const bool digit = base == 16 ? std::strchr("0123456789abcdefABCDEF", *p) != nullptr
                                  : (*p >= '0' && *p <= '9');
    if (!digit) return false;
  }
  errno = 0;
  char* end = nullptr;
  const long long magnitude = std::strtoll(s, &end, base);
  if (errno != 0 || end == nullptr || *end != '\0') return false;
  value = negative ? -magnitude : magnitude;
  return value >= min && value <= max;
}

std::string DescribeLine(std::uint8_t baudIndex, std::uint8_t parityIndex) {
  static const char LETTERS[] = "NOEM";
  std::string text = std::to_string(BAUD_RATES[baudIndex & 7]);
  text += " 8";
  text += LETTERS[parityIndex & 3];
  text += "1";
  return text;
}

ParseResult ParseOptions(int argc, char** argv, SimOptions& options, std::string& error) {
  static const char* const WITH_VALUE[] = {
      "--device",   "--link",     "--baud",   "--parity", "--address", "--turnaround",
      "--identity", "--firmware", "--serial", "--hours",  "--warmup",  "--restart-time",
      "--set",      "--fault",    "--seed",   "--log"};
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    std::string value;
    bool hasValue = false;
    const std::size_t eq = name.find('=');
    if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      hasValue = true;
    }
    bool needsValue = false;
    for (const char* n : WITH_VALUE)
      if (name == n) needsValue = true;
    if (needsValue && !hasValue) {
      if (i + 1 >= argc) {
        error = name + " needs a value";
        return ParseResult::FAILED;
      }
      value = argv[++i];
    } else if (!needsValue && hasValue) {
      error = name + " takes no value";
      return ParseResult::FAILED;
    }

    long long n = 0;
    if (name == "--help" || name == "-h") {
      return ParseResult::HELP;
    } else if (name == "--device") {
      if (value.empty()) {
        error = "--device needs a path";
        return ParseResult::FAILED;
      }
      options.device = value;
    } else if (name == "--link") {
      if (value.empty() || value.size() > MAX_LINK_NAME || value.find('/') != std::string::npos ||
          value == "." || value == "..") {
        error = "--link: '" + value + "' is not a port name of 1.." +
                std::to_string(MAX_LINK_NAME) + " characters without '/' (e.g. COM7)";
        return ParseResult::FAILED;
      }
      options.linkName = value;
    } else if (name == "--baud") {
      bool found = false;
      if (ParseNumber(value, 1, 4000000, n))
        for (std::uint8_t k = 0; k < 8; ++k)
          if (BAUD_RATES[k] == n) {
            options.line.baudIndex = k;
            found = true;
          }
      if (!found) {
        error = "--baud: '" + value +
                "' is not one of 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200";
        return ParseResult::FAILED;
      }
    } else if (name == "--parity") {
      bool found = false;
      for (std::uint8_t k = 0; k < 4; ++k)
        if (value == PARITY_NAMES[k]) {
          options.line.parityIndex = k;
          found = true;
        }
      if (!found) {
        error = "--parity: '" + value + "' is not one of none, odd, even, mark";
        return ParseResult::FAILED;
      }
    } else if (name == "--address") {
      if (!ParseNumber(value, 1, 247, n)) {
        error = "--address: '" + value + "' is not a slave address 1..247";
        return ParseResult::FAILED;
      }
      options.line.address = static_cast<std::uint8_t>(n);
    } else if (name == "--any-line") {
      options.anyLine = true;
    } else if (name == "--wire-time") {
      options.wireTime = true;
    } else if (name == "--turnaround") {
      if (!ParseNumber(value, 0, 10000, n)) {
        error = "--turnaround: '" + value + "' is not 0..10000 ms";
        return ParseResult::FAILED;
      }
      options.turnaroundMs = static_cast<std::uint32_t>(n);
    } else if (name == "--identity") {
      if (value.size() > 8) {
        error = "--identity: '" + value + "' is longer than 8 characters";
        return ParseResult::FAILED;
      }
      options.identity = value;
    } else if (name == "--firmware") {
      if (!ParseNumber(value, 0, 0xFFFF, n)) {
        error = "--firmware: '" + value + "' is not a word 0..0xFFFF (e.g. 0x0102)";
        return ParseResult::FAILED;
      }
      options.firmware = static_cast<std::uint16_t>(n);
    } else if (name == "--serial") {
      if (!ParseNumber(value, 0, 0xFFFFFFFFll, n)) {
        error = "--serial: '" + value + "' is not 0..4294967295";
        return ParseResult::FAILED;
      }
      options.serial = static_cast<std::uint32_t>(n);
    } else if (name == "--hours") {
      if (!ParseNumber(value, 0, 65535, n)) {
        error = "--hours: '" + value + "' is not 0..65535";
        return ParseResult::FAILED;
      }
      options.hours = static_cast<std::uint16_t>(n);
    } else if (name == "--warmup") {
      if (!ParseDouble(value, 0.0, 86400.0, options.warmupSeconds)) {
        error = "--warmup: '" + value + "' is not 0..86400 seconds";
        return ParseResult::FAILED;
      }
    } else if (name == "--ready") {
      options.ready = true;
    } else if (name == "--fixed") {
      options.fixed = true;
    } else if (name == "--restart-time") {
      if (!ParseNumber(value, 0, 600000, n)) {
        error = "--restart-time: '" + value + "' is not 0..600000 ms";
        return ParseResult::FAILED;
      }
      options.restartMs = static_cast<std::uint32_t>(n);
    } else if (name == "--set") {
      PlantedWord word;
      if (!ParsePlanted(value, word, error)) return ParseResult::FAILED;
      options.planted.push_back(word);
    } else if (name == "--fault") {
      FaultSpec spec;
      std::string why;
      if (!ParseFault(value, spec, why)) {
        error = "--fault '" + value + "': " + why;
        return ParseResult::FAILED;
      }
      options.faults.push_back(spec);
    } else if (name == "--seed") {
      if (!ParseNumber(value, 0, 0x7FFFFFFFFFFFFFFFll, n)) {
        error = "--seed: '" + value + "' is not a non-negative number";
        return ParseResult::FAILED;
      }
      options.seed = static_cast<std::uint64_t>(n);
    } else if (name == "--log") {
      if (value.empty()) {
        error = "--log needs a file name or -";
        return ParseResult::FAILED;
      }
      options.logPath = value;
    } else {
      error = "unknown option '" + std::string(argv[i]) + "' (see --help)";
      return ParseResult::FAILED;
    }
  }
  return ParseResult::RUN;
}

}  // namespace meqsim
