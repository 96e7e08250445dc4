// The port side: the pty's line check, the named link, a real device, wire timing,
// and the command line.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "sim_harness.h"

namespace simtest {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const Bytes IDENTITY_REQUEST = Request(1, 4, 0, 4);
const Bytes IDENTITY_REPLY = WithCrc({1, 4, 8, 'M', 'E', 'Q', 0, 0, 0, 0, 0});

TEST(SimLine, APtySetToAnotherLineIsOnlyNoise) {
  struct Case {
    std::vector<std::string> args;
    MasterLine line;
    const char* note;  // nullptr: answered
  };
  const std::vector<Case> cases = {
      {{}, {B19200, PARENB}, nullptr},
      {{}, {B9600, PARENB}, "line mismatch: 9600 8E1, expected 19200 8E1"},
      {{}, {B19200, PARENB | PARODD}, "line mismatch: 19200 8O1, expected 19200 8E1"},
      {{}, {B19200, PARENB | PARODD | CMSPAR}, "line mismatch: 19200 8M1, expected 19200 8E1"},
      {{}, {B19200, PARENB, CSTOPB}, "line mismatch: 19200 8E2, expected 19200 8E1"},
      {{},
       {B19200, PARENB, 0, ICANON | ISIG},
       "line mismatch: 19200 8E1 not raw (ICANON ISIG), expected 19200 8E1"},
      {{"--parity", "odd"}, {B19200, PARENB}, "line mismatch: 19200 8N1, expected 19200 8O1"},
      {{"--parity", "odd"}, {B19200, PARENB | PARODD}, nullptr},
      {{"--parity", "mark", "--baud", "115200"}, {B115200, PARENB | PARODD | CMSPAR}, nullptr},
      {{"--parity", "none", "--baud", "1200"}, {B1200, 0}, nullptr},
      {{"--any-line"}, {B9600, PARENB | PARODD, CSTOPB}, nullptr},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("--fixed");
    args.push_back("--ready");
    Rig rig(args, c.line);
    ASSERT_TRUE(rig.sim.Started());
    const std::string what = c.note != nullptr ? c.note : "answered";
    if (c.note == nullptr) {
      EXPECT_EQ(Hex(rig.master.Transact(IDENTITY_REQUEST, IDENTITY_REPLY.size())),
                Hex(IDENTITY_REPLY))
          << what;
    } else {
      EXPECT_EQ(Hex(rig.master.Transact(IDENTITY_REQUEST, 1, 150)), "") << what;
      EXPECT_NE(rig.sim.Log().find(std::string("  # ") + c.note + "\n"), std::string::npos)
          << rig.sim.Log();
    }
  }
}

TEST(SimPort, LinkIsMadeReplacedAndRemoved) {
  struct Case {
    const char* what;
    bool underHome;
    bool staleLink;
    int signal;
  };
  const Case cases[] = {
      {"folder made when missing", false, false, SIGTERM},
      {"stale link replaced", false, true, SIGINT},
      {"under HOME without MEQ_PORT_DIR", true, false, SIGHUP},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const fs::path folder = c.underHome ? fs::path(dir.Path()) / ".meq-config/ports"
                                        : fs::path(dir.Path()) / "deep/er/ports";
    const std::vector<std::string> env =
        c.underHome ? std::vector<std::string>{"MEQ_PORT_DIR", "HOME=" + dir.Path()}
                    : std::vector<std::string>{"MEQ_PORT_DIR=" + folder.string()};
    if (c.staleLink) {
      fs::create_directories(folder);
      fs::create_symlink("/dev/pts/no-such-pty", folder / "COM7");
    }
    Sim sim(dir, {"--fixed", "--ready", "--link", "COM7"}, env);
    ASSERT_TRUE(sim.Started()) << c.what;
    std::error_code error;
    EXPECT_EQ(fs::read_symlink(folder / "COM7", error).string(), sim.Path()) << c.what;
    {
      Master master((folder / "COM7").string());
      EXPECT_EQ(Hex(master.Transact(IDENTITY_REQUEST, IDENTITY_REPLY.size())), Hex(IDENTITY_REPLY))
          << c.what;
    }
    EXPECT_EQ(sim.Stop(c.signal), 0) << c.what;
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder / "COM7"))) << c.what;
  }
}

TEST(SimPort, AFileOfTheLinkNameIsNotReplaced) {
  TempDir dir;
  { std::ofstream(dir.Path() + "/COM7") << "keep"; }
  Sim sim(dir, {"--link", "COM7"}, {"MEQ_PORT_DIR=" + dir.Path()});
  EXPECT_FALSE(sim.Started());
  EXPECT_EQ(sim.Stop(SIGTERM), 1);
  EXPECT_TRUE(fs::is_regular_file(dir.Path() + "/COM7"));
}

TEST(SimPort, OutlivesTheToolOpeningAndClosingThePty) {
  TempDir dir;
  Sim sim(dir, {"--fixed", "--ready"});
  ASSERT_TRUE(sim.Started());
  for (int i = 0; i < 20; ++i) {
    Master master(sim.Path());
    ASSERT_TRUE(master.IsOpen());
    EXPECT_EQ(Hex(master.Transact(IDENTITY_REQUEST, IDENTITY_REPLY.size())), Hex(IDENTITY_REPLY))
        << i;
  }
  {
    // One that leaves without waiting for its reply.
    Master master(sim.Path());
    master.Send(IDENTITY_REQUEST);
  }
  // With nobody on the slave side it must idle, not spin.
  const double before = sim.CpuSeconds();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_LT(sim.CpuSeconds() - before, 0.3);
  Master master(sim.Path());
  EXPECT_EQ(Hex(master.Transact(IDENTITY_REQUEST, IDENTITY_REPLY.size())), Hex(IDENTITY_REPLY));
}

TEST(SimPort, ServesASerialDeviceWithItsOwnLineSettings) {
  int masterFd = -1;
  int slaveFd = -1;
  char name[256] = {};
  ASSERT_EQ(::openpty(&masterFd, &slaveFd, name, nullptr, nullptr), 0);
  TempDir dir;
  {
    Sim sim(dir, {"--device", name, "--baud", "9600", "--parity", "odd", "--fixed", "--ready"});
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(sim.Path(), name);
    termios tio{};
    ASSERT_EQ(::tcgetattr(slaveFd, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_NE(tio.c_cflag & PARODD, 0u);
    EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
    Master master = Master::OnFd(masterFd);
    EXPECT_EQ(Hex(master.Transact(IDENTITY_REQUEST, IDENTITY_REPLY.size())), Hex(IDENTITY_REPLY));
  }
  ::close(slaveFd);
  ::close(masterFd);
}

TEST(SimWire, RepliesTakeTheirTimeOnTheLine) {
  Rig rig({"--wire-time", "--baud", "1200", "--turnaround", "20", "--fixed", "--ready"},
          {B1200, PARENB});
  ASSERT_TRUE(rig.sim.Started());
  const auto start = Clock::now();
  const Bytes reply = rig.master.Transact(IDENTITY_REQUEST, IDENTITY_REPLY.size(), 3000);
  const auto elapsed = Clock::now() - start;
  EXPECT_EQ(Hex(reply), Hex(IDENTITY_REPLY));
  // 13 characters of 11 bits at 1200 Bd are 119 ms, plus the turnaround.
  EXPECT_GE(elapsed, std::chrono::milliseconds(130));
}

TEST(SimOptions, BadValuesAreRefusedWithAMessage) {
  const std::vector<std::vector<std::string>> cases = {
      {"--baud", "1234"},
      {"--baud"},
      {"--parity", "space"},
      {"--address", "0"},
      {"--address", "248"},
      {"--address", "1x"},
      {"--identity", "MEQMEQMEQ"},
      {"--firmware", "0x10000"},
      {"--serial", "-1"},
      {"--warmup", "-1"},
      {"--restart-time", "abc"},
      {"--turnaround", "10001"},
      {"--set", "in:7=1"},
      {"--set", "hold:275=1"},
      {"--set", "in:16=65536"},
      {"--set", "x:1=1"},
      {"--set", "in:16"},
      {"--fault", "bogus"},
      {"--fault", "delay"},
      {"--fault", "noreply=3"},
      {"--fault", "noreply,rate=2"},
      {"--fault", "corrupt,fc=0"},
      {"--fault", "noreply,when=1"},
      {"--link", "COM12345"},
      {"--link", "a/b"},
      {"--link", ""},
      {"--frobnicate"},
      {"--ready=1"},
  };
  for (const std::vector<std::string>& args : cases) {
    const ExitResult result = RunToExit(args);
    const std::string what = args[0] + (args.size() > 1 ? " " + args[1] : "");
    EXPECT_EQ(result.status, 2) << what;
    EXPECT_EQ(result.err.rfind("meq-sim: ", 0), 0u) << what << ": " << result.err;
    EXPECT_EQ(result.out, "") << what;
  }
  EXPECT_NE(RunToExit({"--link", "COM12345"}).err.find("1..7 characters"), std::string::npos);
}

TEST(SimOptions, HelpNamesEveryOptionAndTheRules) {
  const ExitResult result = RunToExit({"--help"});
  EXPECT_EQ(result.status, 0);
  for (const char* word :
       {"--device",    "--link",       "--baud",       "--parity",       "--address", "--any-line",
        "--wire-time", "--turnaround", "--identity",   "--firmware",     "--serial",  "--hours",
        "--warmup",    "--ready",      "--fixed",      "--restart-time", "--set",     "--fault",
        "--seed",      "--log",        "MEQ_PORT_DIR", "1..247",         "21930",     "0x0800",
        "300..5000",   "exception 06", "noreply",      "corrupt",        "truncate",  "extra",
        "foreign",     "delay=MS",     "exception=C",  "skip=N",         "count=N",   "rate=R"})
    EXPECT_NE(result.out.find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace simtest
