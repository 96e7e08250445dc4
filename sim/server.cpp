#include "server.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "line.h"

namespace meqsim {

namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

constexpr auto MIN_SILENCE = milliseconds(10);
constexpr auto HANGUP_PAUSE = milliseconds(200);
constexpr auto WRITE_GIVE_UP = milliseconds(2000);

std::uint64_t SeedOf(const SimOptions& options) {
  if (options.seed) return *options.seed;
  std::random_device device;
  return (std::uint64_t{device()} << 32) ^ device();
}

bool IsRequestCode(std::uint8_t code) {
  return code == 0x03 || code == 0x04 || code == 0x06;
}

}  // namespace

SlaveServer::SlaveServer(const SimOptions& options, Port port, FrameLog& log)
    : options_(options),
      port_(std::move(port)),
      log_(log),
      model_(options, 0.0),
      faults_(options.faults, SeedOf(options)),
      start_(Clock::now()) {}

SlaveServer::~SlaveServer() {
  if (port_.ownSlaveFd >= 0) ::close(port_.ownSlaveFd);
  if (port_.fd >= 0) ::close(port_.fd);
}

double SlaveServer::Seconds(Clock::time_point t) const {
  return std::chrono::duration<double>(t - start_).count();
}

SlaveServer::Clock::duration SlaveServer::Silence() const {
  // 3.5 characters of 11 bits, but never shorter than a pty's scheduling jitter.
  const auto t35 = std::chrono::duration<double>(38.5 / BAUD_RATES[model_.Line().baudIndex & 7]);
  return std::max<Clock::duration>(duration_cast<Clock::duration>(t35), MIN_SILENCE);
}

bool SlaveServer::ApplyDeviceLine() {
  termios tio{};
  if (::tcgetattr(port_.fd, &tio) != 0) return false;
  MakeLine(tio, model_.Line());
  return ::tcsetattr(port_.fd, TCSANOW, &tio) == 0;
}

void SlaveServer::ReadInput(Clock::time_point now) {
  std::uint8_t buffer[512];
  for (;;) {
    const ssize_t n = ::read(port_.fd, buffer, sizeof buffer);
    if (n > 0) {
      const auto count = static_cast<std::size_t>(n);
      const std::size_t room = rx_.size() - rxLength_;
      const std::size_t take = std::min(room, count);
      std::memcpy(rx_.data() + rxLength_, buffer, take);
      rxLength_ += take;
      rxOverflow_ += count - take;
      rxLast_ = now;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    // 0 or EIO: the other side hung up (or the device went away).
    Recover(now);
    return;
  }
}

void SlaveServer::Recover(Clock::time_point now) {
  pauseUntil_ = now + HANGUP_PAUSE;
  if (port_.pty) {
    // Only a vhangup of the slave gets here, since we hold a slave open; a fresh open
    // of it brings the pty back.
    const int fd = ::open(port_.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
      if (port_.ownSlaveFd >= 0) ::close(port_.ownSlaveFd);
      port_.ownSlaveFd = fd;
    }
    return;
  }
  const int fd = ::open(port_.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return;
  ::close(port_.fd);
  port_.fd = fd;
  ApplyDeviceLine();
}

void SlaveServer::ProcessInput(Clock::time_point now) {
  while ((rxLength_ > 0 || rxOverflow_ > 0) && txLength_ == 0) {
    // Requests of 03/04/06 have a fixed length: answer them at once, as a master that
    // keeps no silence after its request expects.
    if (rxOverflow_ == 0 && rxLength_ >= 8 && IsRequestCode(rx_[1]) &&
        ComputeCrc(rx_.data(), 8) == 0) {
      HandleFrame(rx_.data(), 8, 0, now);
      std::memmove(rx_.data(), rx_.data() + 8, rxLength_ - 8);
      rxLength_ -= 8;
      continue;
    }
    if (now - rxLast_ < Silence()) return;
    HandleFrame(rx_.data(), rxLength_, rxOverflow_, now);
    rxLength_ = 0;
    rxOverflow_ = 0;
  }
}

void SlaveServer::HandleFrame(const std::uint8_t* bytes, std::size_t length, std::size_t overflow,
                              Clock::time_point now) {
  const double t = Seconds(now);
  const auto drop = [&](const std::string& note) { log_.Write(t, "rx", bytes, length, note); };

  if (restarting_) return drop("restarting, not answered");
  if (overflow > 0) {
    return drop("overlong frame (" + std::to_string(length + overflow) + " bytes), dropped");
  }
  if (port_.pty) {
    termios tio{};
    if (::tcgetattr(port_.ownSlaveFd, &tio) == 0) {
      if (!options_.anyLine) {
        const std::string mismatch = CheckLine(tio, model_.Line());
        if (!mismatch.empty()) return drop(mismatch);
      } else if (Echoes(tio)) {
        return drop("terminal echoes, not answered");
      }
    }
  }
  if (length < 4) return drop("short frame, ignored");
  if (ComputeCrc(bytes, length) != 0) return drop("bad crc, ignored");
  const std::uint8_t address = bytes[0];
  const std::uint8_t code = bytes[1];
  if (address != 0 && address != model_.Line().address) return drop("not our address");
  if (code == 0 || code >= 0x80) return drop("bad function code, ignored");
  if (IsRequestCode(code) && length != 8) return drop("bad length, ignored");

  std::uint8_t reply[REPLY_CAPACITY];
  if (address == 0) {
    const ExecuteResult result = model_.Execute(bytes, length, t, reply);
    drop(result.restart ? "broadcast, no reply; restarting" : "broadcast, no reply");
    if (result.restart) BeginRestart(now);
    return;
  }

  // The registers a request touches, for the faults' reg= filter.
  std::uint32_t first = UINT32_MAX;
  std::uint32_t last = UINT32_MAX;
  if (IsRequestCode(code)) {
    first = GetWord(bytes + 2);
    const std::uint16_t count = code == 0x06 ? 1 : GetWord(bytes + 4);
    last = first + (count == 0 ? 0 : count - 1u);
  }
  const FaultPlan plan = faults_.Select(code, first, last);
  if (plan.noReply) return drop(plan.note);

  ExecuteResult result;
  if (plan.exception) {
    result.length = model_.BuildException(code, plan.exceptionCode, reply);
    result.exception = plan.exceptionCode;
  } else {
    result = model_.Execute(bytes, length, t, reply);
  }
  const std::size_t replyLength =
      FaultInjector::Apply(plan, reply, result.length, model_.Line().address);
  if (replyLength == 0) {
    drop(plan.note);
    if (result.restart) BeginRestart(now);
    return;
  }
  log_.Write(t, "rx", bytes, length);

  std::string note;
  const auto add = [&note](const std::string& part) {
    if (part.empty()) return;
    if (!note.empty()) note += "; ";
    note += part;
  };
  if (result.exception != 0) {
    char text[24];
    std::snprintf(text, sizeof text, "exception %02X", result.exception);
    add(text);
  }
  if (result.restart) add("restarting");
  add(plan.note);
  Schedule(reply, replyLength, plan.delayMs, note, result.restart, now);
}

void SlaveServer::Schedule(const std::uint8_t* bytes, std::size_t length, std::uint32_t delayMs,
                           std::string note, bool restart, Clock::time_point now) {
  std::memcpy(tx_.data(), bytes, length);
  txLength_ = length;
  txSent_ = 0;
  txNote_ = std::move(note);
  txLogged_ = false;
  txBlocked_ = false;
  restartAfterTx_ = restart;
  txStart_ = now + milliseconds(delayMs);
  txCharTime_ = Clock::duration::zero();
  if (options_.wireTime) {
    txStart_ += milliseconds(options_.turnaroundMs);
    txCharTime_ =
        duration_cast<Clock::duration>(std::chrono::duration<double>(CharacterTime(model_.Line())));
  }
  txProgress_ = now;
  Transmit(now);
}

void SlaveServer::Transmit(Clock::time_point now) {
  if (txLength_ == 0 || now < txStart_) return;
  std::size_t due = txLength_;
  if (txCharTime_ > Clock::duration::zero()) {
    // Each character is on the other side once all of its bits have gone.
    due =
        std::min<std::size_t>(txLength_, static_cast<std::size_t>((now - txStart_) / txCharTime_));
  }
  while (txSent_ < due) {
    const ssize_t n = ::write(port_.fd, tx_.data() + txSent_, due - txSent_);
    if (n > 0) {
      if (!txLogged_) {
        log_.Write(Seconds(now), "tx", tx_.data(), txLength_, txNote_);
        txLogged_ = true;
      }
      txSent_ += static_cast<std::size_t>(n);
      txProgress_ = now;
      txBlocked_ = false;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && now - txProgress_ < WRITE_GIVE_UP) {
      txBlocked_ = true;
      return;
    }
    // Nobody takes the bytes: give the reply up rather than stall the slave.
    if (!txLogged_)
      log_.Write(Seconds(now), "tx", tx_.data(), txLength_, "not sent: output blocked");
    txSent_ = txLength_;
    break;
  }
  if (txSent_ < txLength_) return;
  txLength_ = 0;
  txBlocked_ = false;
  if (restartAfterTx_) {
    restartAfterTx_ = false;
    BeginRestart(now);
  }
}

void SlaveServer::BeginRestart(Clock::time_point now) {
  restarting_ = true;
  restartEnd_ = now + milliseconds(options_.restartMs);
}

void SlaveServer::EndRestart(Clock::time_point now) {
  restarting_ = false;
  model_.Restart(Seconds(now));
  if (!port_.pty) ApplyDeviceLine();
}

void SlaveServer::Run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask) {
  while (stop == 0) {
    Clock::time_point now = Clock::now();
    Transmit(now);
    if (restarting_ && now >= restartEnd_ && txLength_ == 0) EndRestart(now);
    ProcessInput(now);

    // Sleep until the next thing that is due.
    Clock::time_point wake = Clock::time_point::max();
    if (txLength_ > 0 && !txBlocked_) {
      const Clock::time_point next = now < txStart_
                                         ? txStart_ + txCharTime_
                                         : txStart_ + txCharTime_ * static_cast<long>(txSent_ + 1);
      wake = std::min(wake, next);
    }
    if (txBlocked_) wake = std::min(wake, txProgress_ + WRITE_GIVE_UP);
    if ((rxLength_ > 0 || rxOverflow_ > 0) && txLength_ == 0)
      wake = std::min(wake, rxLast_ + Silence());
    if (restarting_) wake = std::min(wake, restartEnd_);
    const bool paused = now < pauseUntil_;
    if (paused) wake = std::min(wake, pauseUntil_);

    pollfd pfd{};
    pfd.fd = paused ? -1 : port_.fd;
    pfd.events = static_cast<short>(POLLIN | (txBlocked_ ? POLLOUT : 0));
    timespec timeout{};
    timespec* timeoutPtr = nullptr;
    if (wake != Clock::time_point::max()) {
      const auto wait = std::max<Clock::duration>(wake - now, Clock::duration::zero());
      const auto ns = duration_cast<nanoseconds>(wait).count();
      timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
      timeout.tv_nsec = static_cast<long>(ns % 1000000000);
      timeoutPtr = &timeout;
    }
    const int ready = ::ppoll(&pfd, 1, timeoutPtr, &waitMask);
    if (ready < 0) continue;  // EINTR: a signal; the loop condition looks at it
    now = Clock::now();
    if (ready == 0 || paused) continue;
    if ((pfd.revents & POLLIN) != 0) {
      ReadInput(now);
    } else if ((pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
      Recover(now);
    }
    if ((pfd.revents & POLLOUT) != 0) txBlocked_ = false;
  }
}

}  // namespace meqsim
