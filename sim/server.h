// The slave's event loop on one port: frames requests out of the byte stream, hands
// them to the model, and sends replies, with faults, wire timing and restarts.
#pragma once

#include <array>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <string>

#include "faults.h"
#include "framelog.h"
#include "modbus.h"
#include "model.h"
#include "options.h"

namespace meqsim {

struct Port {
  int fd = -1;          // pty master, or the serial device
  int ownSlaveFd = -1;  // pty only: kept open so the pty outlives the tool's opens
  std::string path;     // slave path, or the device path
  bool pty = true;
};

class SlaveServer {
 public:
  SlaveServer(const SimOptions& options, Port port, FrameLog& log);
  ~SlaveServer();
  SlaveServer(const SlaveServer&) = delete;
  SlaveServer& operator=(const SlaveServer&) = delete;

  // Serves until `stop` becomes non-zero. SIGINT, SIGTERM and SIGHUP must be blocked
  // by the caller; they are let through only while waiting, in `waitMask`.
  void Run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask);

 private:
  using Clock = std::chrono::steady_clock;

  double Seconds(Clock::time_point t) const;
  Clock::duration Silence() const;
  void ReadInput(Clock::time_point now);
  void ProcessInput(Clock::time_point now);
  void HandleFrame(const std::uint8_t* bytes, std::size_t length, std::size_t overflow,
                   Clock::time_point now);
  void Schedule(const std::uint8_t* bytes, std::size_t length, std::uint32_t delayMs,
                std::string note, bool restart, Clock::time_point now);
  void Transmit(Clock::time_point now);
  void BeginRestart(Clock::time_point now);
  void EndRestart(Clock::time_point now);
  void Recover(Clock::time_point now);
  bool ApplyDeviceLine();

  const SimOptions& options_;
  Port port_;
  FrameLog& log_;
  TransmitterModel model_;
  FaultInjector faults_;
  Clock::time_point start_;

  std::array<std::uint8_t, MAX_FRAME> rx_{};
  std::size_t rxLength_ = 0;
  std::size_t rxOverflow_ = 0;
  Clock::time_point rxLast_{};

  std::array<std::uint8_t, REPLY_CAPACITY> tx_{};
  std::size_t txLength_ = 0;
  std::size_t txSent_ = 0;
  Clock::time_point txStart_{};
  Clock::duration txCharTime_{};
  Clock::time_point txProgress_{};
  std::string txNote_;
  bool txLogged_ = false;
  bool txBlocked_ = false;
  bool restartAfterTx_ = false;

  bool restarting_ = false;
  Clock::time_point restartEnd_{};
  Clock::time_point pauseUntil_{};  // after a hang-up: leave the port alone a while
};

}  // namespace meqsim
