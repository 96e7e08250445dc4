// Runs the real meq-sim and talks to it as a tiny MODBUS RTU master over its pty.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace simtest {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t Crc(const Bytes& bytes);
// The bytes with their CRC appended (low byte first).
Bytes WithCrc(Bytes bytes);
Bytes Request(std::uint8_t address, std::uint8_t code, std::uint16_t reg, std::uint16_t value);
Bytes ExceptionReply(std::uint8_t address, std::uint8_t code, std::uint8_t exception);
// A read reply carrying `words`.
Bytes ReadReply(std::uint8_t address, std::uint8_t code, const std::vector<std::uint16_t>& words);
std::string Hex(const Bytes& bytes);
// The register words of a read reply (no checks).
std::vector<std::uint16_t> Words(const Bytes& reply);

// A fresh folder, removed with everything in it at destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

struct ExitResult {
  int status = -1;  // exit code, or -1 when killed by a signal or not started
  std::string err;  // standard error
  std::string out;  // standard output
};

// Runs meq-sim to its end (for option errors and --help).
ExitResult RunToExit(const std::vector<std::string>& args);

class Sim {
 public:
  // Starts meq-sim with `args` plus --log into `dir`, and waits for its port line.
  // `env` entries ("NAME=VALUE", or "NAME" to unset) change its environment.
  Sim(const TempDir& dir, std::vector<std::string> args, std::vector<std::string> env = {});
  ~Sim();
  Sim(const Sim&) = delete;
  Sim& operator=(const Sim&) = delete;

  bool Started() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }
  pid_t Pid() const { return pid_; }
  std::string Log() const;
  // Sends `signal` and waits; the exit code, or -1 when it did not exit by itself.
  int Stop(int signal);
  // CPU seconds the process has used so far.
  double CpuSeconds() const;

 private:
  pid_t pid_ = -1;
  std::string path_;
  std::string logPath_;
};

struct MasterLine {
  speed_t speed = B19200;
  tcflag_t parity = PARENB;  // PARENB, PARENB|PARODD, PARENB|PARODD|CMSPAR, 0
  tcflag_t extraCflag = 0;   // e.g. CSTOPB
  tcflag_t extraLflag = 0;   // e.g. ICANON to leave the terminal cooked
};

class Master {
 public:
  explicit Master(const std::string& path, MasterLine line = {});
  // Acts on an fd it does not own (for example the master side of a pty).
  static Master OnFd(int fd);
  ~Master();
  Master(Master&& other) noexcept : fd_(std::exchange(other.fd_, -1)), owned_(other.owned_) {}
  Master& operator=(Master&&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  void SetLine(MasterLine line);
  void Send(const Bytes& bytes);
  // Reads until `expected` bytes came or `timeoutMs` passed.
  Bytes Receive(std::size_t expected, int timeoutMs);
  // Reads whatever comes until `quietMs` pass without a byte (at most `timeoutMs`).
  Bytes ReceiveAll(int timeoutMs, int quietMs);
  Bytes Transact(const Bytes& request, std::size_t expected, int timeoutMs = 1000);

 private:
  Master() = default;
  int fd_ = -1;
  bool owned_ = true;
};

// A simulator and a master on its port, with a folder for its files.
struct Rig {
  explicit Rig(std::vector<std::string> args, MasterLine line = {})
      : sim(dir, std::move(args)), master(sim.Path(), line) {}
  TempDir dir;
  Sim sim;
  Master master;
};

}  // namespace simtest
