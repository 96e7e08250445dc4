// meq-sim: one MEQ transmitter as a MODBUS RTU slave on a pseudo-terminal or a serial
// port, for tests, demos and work without hardware. See --help.

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "framelog.h"
#include "line.h"
#include "options.h"
#include "portlink.h"
#include "server.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void OnStopSignal(int) {
  stopRequested = 1;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "meq-sim: %s\n", message.c_str());
  return 1;
}

bool OpenPty(const meqsim::LineSettings& line, meqsim::Port& port, std::string& error) {
  int master = -1;
  int slave = -1;
  char name[256] = {};
  if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    error = std::string("openpty: ") + std::strerror(errno);
    return false;
  }
  // The slave starts with the own line, so a master that sets nothing still matches.
  termios tio{};
  if (::tcgetattr(slave, &tio) == 0) {
    meqsim::MakeLine(tio, line);
    ::tcsetattr(slave, TCSANOW, &tio);
  }
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  ::fcntl(master, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave, F_SETFD, FD_CLOEXEC);
  port.fd = master;
  port.ownSlaveFd = slave;
  port.path = name;
  port.pty = true;
  return true;
}

bool OpenDevice(const std::string& path, const meqsim::LineSettings& line, meqsim::Port& port,
                std::string& error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    error = path + " is not a serial port: " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  meqsim::MakeLine(tio, line);
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    error = "cannot set the line of " + path + ": " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  ::tcflush(fd, TCIOFLUSH);
  port.fd = fd;
  port.path = path;
  port.pty = false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  meqsim::SimOptions options;
  std::string error;
  switch (meqsim::ParseOptions(argc, argv, options, error)) {
    case meqsim::ParseResult::HELP: std::fputs(meqsim::HelpText(), stdout); return 0;
    case meqsim::ParseResult::FAILED:
      std::fprintf(stderr, "meq-sim: %s\n", error.c_str());
      return 2;
    case meqsim::ParseResult::RUN: break;
  }

  // The stop signals are taken only inside the wait of the loop, so none is lost
  // between a check and the wait.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  sigset_t waitMask;
  sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  meqsim::FrameLog log;
  if (!options.logPath.empty() && !log.Open(options.logPath, error)) return Fail(error);

  meqsim::Port port;
  const bool opened = options.device.empty()
                          ? OpenPty(options.line, port, error)
                          : OpenDevice(options.device, options.line, port, error);
  if (!opened) return Fail(error);

  meqsim::PortLink link;
  if (!options.linkName.empty() && !link.Create(options.linkName, port.path, error)) {
    ::close(port.fd);
    if (port.ownSlaveFd >= 0) ::close(port.ownSlaveFd);
    return Fail(error);
  }

  std::printf("%s\n", port.path.c_str());
  std::fflush(stdout);

  meqsim::SlaveServer server(options, std::move(port), log);
  server.Run(stopRequested, waitMask);
  link.Remove();
  return 0;
}
