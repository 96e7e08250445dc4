#include "sim_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace simtest {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Starts meq-sim with stdout to a pipe and stderr to `errPath`.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
            const std::string& errPath, int& outFd) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err >= 0) ::dup2(err, STDERR_FILENO);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    for (const std::string& e : env) {
      const std::size_t eq = e.find('=');
      if (eq == std::string::npos) {
        ::unsetenv(e.c_str());
      } else {
        ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
      }
    }
    std::vector<char*> argv;
    std::string program = MEQ_SIM_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (std::string& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  if (pid < 0) {
    ::close(pipeFds[0]);
    return -1;
  }
  outFd = pipeFds[0];
  return pid;
}

}  // namespace

std::uint16_t Crc(const Bytes& bytes) {
  std::uint16_t crc = 0xFFFF;
  for (std::uint8_t b : bytes) {
    crc ^= b;
    for (int i = 0; i < 8; ++i)
      crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                      : static_cast<std::uint16_t>(crc >> 1);
  }
  return crc;
}

Bytes WithCrc(Bytes bytes) {
  const std::uint16_t crc = Crc(bytes);
  bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
  return bytes;
}

Bytes Request(std::uint8_t address, std::uint8_t code, std::uint16_t reg, std::uint16_t value) {
  return WithCrc({address, code, static_cast<std::uint8_t>(reg >> 8),
                  static_cast<std::uint8_t>(reg), static_cast<std::uint8_t>(value >> 8),
                  static_cast<std::uint8_t>(value)});
}

Bytes ExceptionReply(std::uint8_t address, std::uint8_t code, std::uint8_t exception) {
  return WithCrc({address, static_cast<std::uint8_t>(code | 0x80), exception});
}

Bytes ReadReply(std::uint8_t address, std::uint8_t code, const std::vector<std::uint16_t>& words) {
  Bytes bytes{address, code, static_cast<std::uint8_t>(2 * words.size())};
  for (std::uint16_t w : words) {
    bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    bytes.push_back(static_cast<std::uint8_t>(w));
  }
  return WithCrc(bytes);
}

std::string Hex(const Bytes& bytes) {
  std::string text;
  char part[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(part, sizeof part, i == 0 ? "%02X" : " %02X", bytes[i]);
    text += part;
  }
  return text;
}

std::vector<std::uint16_t> Words(const Bytes& reply) {
  std::vector<std::uint16_t> words;
  for (std::size_t i = 3; i + 3 < reply.size(); i += 2)
    words.push_back(static_cast<std::uint16_t>(reply[i] << 8 | reply[i + 1]));
  return words;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "meq-sim-test.XXXXXX").string();
  if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

ExitResult RunToExit(const std::vector<std::string>& args) {
  ExitResult result;
  TempDir dir;
  const std::string errPath = dir.Path() + "/stderr";
  int outFd = -1;
  const pid_t pid = Spawn(args, {}, errPath, outFd);
  if (pid < 0) return result;
  char buffer[4096];
  for (ssize_t n; (n = ::read(outFd, buffer, sizeof buffer)) > 0;)
    result.out.append(buffer, static_cast<std::size_t>(n));
  ::close(outFd);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.err = ReadFile(errPath);
  return result;
}

Sim::Sim(const TempDir& dir, std::vector<std::string> args, std::vector<std::string> env) {
  logPath_ = dir.Path() + "/frames.log";
  args.push_back("--log");
  args.push_back(logPath_);
  int outFd = -1;
  pid_ = Spawn(args, env, dir.Path() + "/stderr", outFd);
  if (pid_ < 0) return;
  // The first line names the port; it comes once the port (and its link) exist.
  std::string line;
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (line.find('\n') == std::string::npos) {
    pollfd pfd{outFd, POLLIN, 0};
    if (::poll(&pfd, 1, RemainingMs(deadline)) <= 0) break;
    char buffer[256];
    const ssize_t n = ::read(outFd, buffer, sizeof buffer);
    if (n <= 0) break;
    line.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(outFd);
  const std::size_t end = line.find('\n');
  if (end != std::string::npos) path_ = line.substr(0, end);
}

Sim::~Sim() {
  Stop(SIGTERM);
}

std::string Sim::Log() const {
  return ReadFile(logPath_);
}

int Sim::Stop(int signal) {
  if (pid_ < 0) return -1;
  ::kill(pid_, signal);
  int status = 0;
  // Give it a few seconds to clean up; a hung simulator must not hang the suite.
  for (int i = 0; i < 500; ++i) {
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  return -1;
}

double Sim::CpuSeconds() const {
  // Fields 14 and 15 of /proc/PID/stat: user and system time in clock ticks.
  const std::string stat = ReadFile("/proc/" + std::to_string(pid_) + "/stat");
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1.0;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  unsigned long long user = 0;
  unsigned long long system = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) user = std::stoull(field);
    if (i == 15) system = std::stoull(field);
  }
  return static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

Master::Master(const std::string& path, MasterLine line) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd_ >= 0) SetLine(line);
}

Master Master::OnFd(int fd) {
  Master master;
  master.fd_ = fd;
  master.owned_ = false;
  return master;
}

Master::~Master() {
  if (fd_ >= 0 && owned_) ::close(fd_);
}

void Master::SetLine(MasterLine line) {
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) return;
  cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
  tio.c_cflag |= CS8 | CLOCAL | CREAD | line.parity | line.extraCflag;
  tio.c_lflag |= line.extraLflag;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  cfsetispeed(&tio, line.speed);
  cfsetospeed(&tio, line.speed);
  ::tcsetattr(fd_, TCSANOW, &tio);
  ::tcflush(fd_, TCIOFLUSH);
}

void Master::Send(const Bytes& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + sent, bytes.size() - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return;
    } else {
      pollfd pfd{fd_, POLLOUT, 0};
      ::poll(&pfd, 1, 100);
    }
  }
}

Bytes Master::Receive(std::size_t expected, int timeoutMs) {
  Bytes bytes;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (bytes.size() < expected) {
    pollfd pfd{fd_, POLLIN, 0};
    if (::poll(&pfd, 1, RemainingMs(deadline)) <= 0) break;
    std::uint8_t buffer[512];
    const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, expected - bytes.size()));
    if (n > 0)
      bytes.insert(bytes.end(), buffer, buffer + n);
    else if (n < 0 && errno != EAGAIN && errno != EINTR)
      break;
  }
  return bytes;
}

Bytes Master::ReceiveAll(int timeoutMs, int quietMs) {
  Bytes bytes;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const int wait =
        bytes.empty() ? RemainingMs(deadline) : std::min(quietMs, RemainingMs(deadline));
    pollfd pfd{fd_, POLLIN, 0};
    if (wait <= 0 || ::poll(&pfd, 1, wait) <= 0) break;
    std::uint8_t buffer[512];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0)
      bytes.insert(bytes.end(), buffer, buffer + n);
    else if (n < 0 && errno != EAGAIN && errno != EINTR)
      break;
  }
  return bytes;
}

Bytes Master::Transact(const Bytes& request, std::size_t expected, int timeoutMs) {
  Send(request);
  return Receive(expected, timeoutMs);
}

}  // namespace simtest
