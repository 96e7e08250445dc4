// The slave's answers on the wire: worked frames, exceptions, what it ignores, faults,
// restart and the frame log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <random>
#include <sstream>
#include <thread>

#include "sim_harness.h"

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;

// One request and the exact reply; an empty reply means none may come.
struct Exchange {
  const char* what;
  Bytes request;
  Bytes reply;
};

void Play(Master& master, const std::vector<Exchange>& script) {
  for (const Exchange& e : script) {
    if (e.reply.empty()) {
      EXPECT_EQ(Hex(master.Transact(e.request, 1, 150)), "") << e.what;
    } else {
      EXPECT_EQ(Hex(master.Transact(e.request, e.reply.size())), Hex(e.reply)) << e.what;
    }
  }
  EXPECT_EQ(Hex(master.ReceiveAll(100, 50)), "") << "nothing more may come";
}

const std::vector<std::uint16_t> FIXED_VALUES = {2200,   4500, 871, 952,  0x0001,
                                                 0x8BCD, 600,  100, 1000, 0x0800};

TEST(SimFrames, WorkedFramesOfTheTransmitter) {
  // The worked frames are byte strings of their own, not built with our CRC helper.
  EXPECT_EQ(Hex(Request(1, 0x04, 0, 4)), "01 04 00 00 00 04 F1 C9");
  EXPECT_EQ(Hex(Request(1, 0x06, 0x0410, 0x55AA)), "01 06 04 10 55 AA 36 10");
  EXPECT_EQ(Hex(ExceptionReply(1, 0x04, 2)), "01 84 02 C2 C1");

  Rig rig({"--fixed", "--ready"});
  ASSERT_TRUE(rig.sim.Started());
  ASSERT_TRUE(rig.master.IsOpen());
  Play(rig.master,
       {
           {"identity", Request(1, 4, 0, 4), WithCrc({1, 4, 8, 'M', 'E', 'Q', 0, 0, 0, 0, 0})},
           {"firmware and serial", Request(1, 4, 4, 3), ReadReply(1, 4, {0x0102, 0x0012, 0xD687})},
           {"measured values", Request(1, 4, 16, 10), ReadReply(1, 4, FIXED_VALUES)},
           {"own line", Request(1, 3, 512, 3), ReadReply(1, 3, {1, 4, 2})},
           {"co2 settings", Request(1, 3, 272, 3), ReadReply(1, 3, {1000, 1500, 1})},
           {"corrections", Request(1, 3, 256, 6), ReadReply(1, 3, {0, 0, 0, 0, 0, 0})},
       });
}

TEST(SimFrames, ExceptionsFollowTheMapAndTheRanges) {
  Rig rig({"--fixed", "--ready"});
  ASSERT_TRUE(rig.sim.Started());
  const Bytes e01x10 = ExceptionReply(1, 0x10, 1);
  Play(rig.master,
       {
           {"unused input register", Request(1, 4, 7, 1), Bytes{0x01, 0x84, 0x02, 0xC2, 0xC1}},
           {"read running into 7", Request(1, 4, 0, 8), ExceptionReply(1, 4, 2)},
           {"read past 25", Request(1, 4, 25, 2), ExceptionReply(1, 4, 2)},
           {"input register above the map", Request(1, 4, 0xFFFF, 1), ExceptionReply(1, 4, 2)},
           {"holding in the input space", Request(1, 4, 256, 1), ExceptionReply(1, 4, 2)},
           {"write-only 275", Request(1, 3, 275, 1), ExceptionReply(1, 3, 2)},
           {"write-only 1040", Request(1, 3, 1040, 1), ExceptionReply(1, 3, 2)},
           {"read 272..275", Request(1, 3, 272, 4), ExceptionReply(1, 3, 2)},
           {"count 0", Request(1, 4, 0, 0), ExceptionReply(1, 4, 3)},
           {"count 126", Request(1, 4, 0, 126), ExceptionReply(1, 4, 3)},
           {"count 125 over the gap", Request(1, 4, 0, 125), ExceptionReply(1, 4, 2)},
           {"read coils", WithCrc({1, 0x01, 0, 0, 0, 8}), ExceptionReply(1, 0x01, 1)},
           {"write multiple", WithCrc({1, 0x10, 1, 0, 0, 1, 2, 0, 5}), e01x10},
           {"auto calibration 2", Request(1, 6, 274, 2), ExceptionReply(1, 6, 3)},
           {"address 0", Request(1, 6, 512, 0), ExceptionReply(1, 6, 3)},
           {"address 248", Request(1, 6, 512, 248), ExceptionReply(1, 6, 3)},
           {"address with a high byte", Request(1, 6, 512, 0x0105), ExceptionReply(1, 6, 3)},
           {"baud index 8", Request(1, 6, 513, 8), ExceptionReply(1, 6, 3)},
           {"parity 4", Request(1, 6, 514, 4), ExceptionReply(1, 6, 3)},
           {"restart with 1", Request(1, 6, 1040, 1), ExceptionReply(1, 6, 3)},
           {"frc below its range", Request(1, 6, 275, 299), ExceptionReply(1, 6, 3)},
           {"frc above its range", Request(1, 6, 275, 5001), ExceptionReply(1, 6, 3)},
           {"unmapped holding", Request(1, 6, 300, 1), ExceptionReply(1, 6, 2)},
           {"input register written", Request(1, 6, 16, 1), ExceptionReply(1, 6, 2)},
           {"nothing changed", Request(1, 3, 512, 3), ReadReply(1, 3, {1, 4, 2})},
       });
}

TEST(SimFrames, WritesAreEchoedAndTakeEffect) {
  Rig rig({"--fixed", "--ready"});
  ASSERT_TRUE(rig.sim.Started());
  Play(rig.master,
       {
           {"temperature correction -1.00", Request(1, 6, 256, 0xFF9C), Request(1, 6, 256, 0xFF9C)},
           {"corrected temperature", Request(1, 4, 16, 1), ReadReply(1, 4, {2100})},
           {"pressure correction +0.50 hPa", Request(1, 6, 260, 50), Request(1, 6, 260, 50)},
           {"corrected pressure", Request(1, 4, 20, 2), ReadReply(1, 4, {0x0001, 0x8BFF})},
           {"co2 correction +50", Request(1, 6, 261, 50), Request(1, 6, 261, 50)},
           {"corrected co2", Request(1, 4, 22, 1), ReadReply(1, 4, {650})},
           {"forced recalibration to 800", Request(1, 6, 275, 800), Request(1, 6, 275, 800)},
           {"co2 reads the reference plus its correction", Request(1, 4, 22, 1),
            ReadReply(1, 4, {850})},
           {"L1 at the top of the word", Request(1, 6, 272, 0xFFFF), Request(1, 6, 272, 0xFFFF)},
           {"auto calibration off", Request(1, 6, 274, 0), Request(1, 6, 274, 0)},
           {"co2 settings read back", Request(1, 3, 272, 3), ReadReply(1, 3, {0xFFFF, 1500, 0})},
           {"own address 247 written", Request(1, 6, 512, 247), Request(1, 6, 512, 247)},
           {"reads show it before a restart", Request(1, 3, 512, 1), ReadReply(1, 3, {247})},
           {"and address 1 still answers", Request(1, 4, 4, 1), ReadReply(1, 4, {0x0102})},
       });
}

TEST(SimFrames, PlantedAndChosenWordsAreReportedAsGiven) {
  struct Case {
    std::vector<std::string> args;
    Bytes request;
    std::vector<std::uint16_t> words;
  };
  const std::vector<Case> cases = {
      {{"--identity", "MEQ1"}, Request(1, 4, 0, 4), {0x4D45, 0x5131, 0, 0}},
      {{"--identity", "MEQ "}, Request(1, 4, 0, 4), {0x4D45, 0x5120, 0, 0}},
      {{"--identity", "meq"}, Request(1, 4, 0, 4), {0x6D65, 0x7100, 0, 0}},
      {{"--identity", "ABCDEFGH"}, Request(1, 4, 0, 4), {0x4142, 0x4344, 0x4546, 0x4748}},
      {{"--firmware", "0x0203", "--serial", "305419896"},
       Request(1, 4, 4, 3),
       {0x0203, 0x1234, 0x5678}},
      {{"--set", "in:16=0xFF38", "--set", "in:20=0x0001", "--set", "in:21=0x86A0", "--set",
        "in:22=0xFF38", "--set", "hold:256=500"},
       Request(1, 4, 16, 7),
       {0xFF38, 4500, 871, 952, 0x0001, 0x86A0, 0xFF38}},
      {{"--set", "hold:512=0x0105", "--set", "hold:261=-3"}, Request(1, 3, 512, 1), {0x0105}},
      {{"--set", "hold:261=-3"}, Request(1, 3, 261, 1), {0xFFFD}},
      {{"--address", "247"}, Request(247, 4, 4, 1), {0x0102}},
      {{"--hours", "65535", "--set", "in:25=0x0801"}, Request(1, 4, 24, 2), {65535, 0x0801}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("--fixed");
    args.push_back("--ready");
    Rig rig(args);
    ASSERT_TRUE(rig.sim.Started());
    const Bytes expected = ReadReply(c.request[0], c.request[1], c.words);
    EXPECT_EQ(Hex(rig.master.Transact(c.request, expected.size())), Hex(expected))
        << c.args[0] << " " << c.args[1];
  }
}

TEST(SimFrames, WhatIsNotARequestForItIsNotAnswered) {
  Rig rig({"--fixed", "--ready"});
  ASSERT_TRUE(rig.sim.Started());
  const Bytes identity = WithCrc({1, 4, 8, 'M', 'E', 'Q', 0, 0, 0, 0, 0});
  Bytes badCrc = Request(1, 4, 0, 4);
  badCrc.back() ^= 0x01;
  Bytes nineBytes = WithCrc({1, 6, 1, 0, 0, 5, 0});
  Play(rig.master, {
                       {"bad crc", badCrc, {}},
                       {"after it", Request(1, 4, 0, 4), identity},
                       {"another slave", Request(2, 4, 0, 4), {}},
                       {"broadcast read", Request(0, 4, 0, 4), {}},
                       {"two bytes", Bytes{0x01, 0x04}, {}},
                       {"function code with bit 7", WithCrc({1, 0x84, 0, 0, 0, 4}), {}},
                       {"write of 9 bytes", nineBytes, {}},
                       {"broadcast write", Request(0, 6, 256, 5), {}},
                       {"it was carried out", Request(1, 3, 256, 1), ReadReply(1, 3, {5})},
                   });

  // A long garbage stream, then silence: still no answer, and the next request is
  // answered exactly.
  std::mt19937 random(1234);
  Bytes garbage(3000);
  for (std::uint8_t& b : garbage) b = static_cast<std::uint8_t>(random());
  rig.master.Send(garbage);
  EXPECT_EQ(Hex(rig.master.ReceiveAll(300, 100)), "");
  Play(rig.master, {{"after garbage", Request(1, 4, 0, 4), identity}});

  const std::string log = rig.sim.Log();
  EXPECT_NE(log.find(" rx " + Hex(badCrc) + "  # bad crc, ignored\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" rx " + Hex(Request(2, 4, 0, 4)) + "  # not our address\n"),
            std::string::npos);
  EXPECT_NE(log.find("  # broadcast, no reply\n"), std::string::npos);
}

TEST(SimFrames, ModestGarbageBetweenRequestsNeverGetsAnAnswer) {
  Rig rig({"--fixed", "--ready"});
  ASSERT_TRUE(rig.sim.Started());
  const Bytes identity = WithCrc({1, 4, 8, 'M', 'E', 'Q', 0, 0, 0, 0, 0});
  std::mt19937 random(99);
  for (int round = 0; round < 20; ++round) {
    // Frames of 1..20 random bytes that start like a request to us.
    Bytes noise(1 + random() % 20);
    for (std::uint8_t& b : noise) b = static_cast<std::uint8_t>(random());
    noise[0] = 1;
    if (noise.size() > 1) noise[1] = static_cast<std::uint8_t>(1 + random() % 6);
    rig.master.Send(noise);
    EXPECT_EQ(Hex(rig.master.ReceiveAll(60, 30)), "") << Hex(noise);
  }
  EXPECT_EQ(Hex(rig.master.Transact(Request(1, 4, 0, 4), identity.size())), Hex(identity));
}

struct FaultCase {
  std::vector<std::string> args;
  // Per request: the reply expected, "none", or "bad crc" (same length, CRC broken).
  std::vector<std::string> outcomes;
};

TEST(SimFaults, FaultsChangeTheRepliesTheyPick) {
  const Bytes request = Request(1, 4, 0, 4);
  const Bytes good = WithCrc({1, 4, 8, 'M', 'E', 'Q', 0, 0, 0, 0, 0});
  Bytes extra1 = good;
  extra1.push_back(0);
  Bytes extra3 = extra1;
  extra3.insert(extra3.end(), {0, 0});
  Bytes foreign = good;
  foreign[0] = 2;
  foreign = WithCrc(Bytes(foreign.begin(), foreign.end() - 2));
  const std::string g = Hex(good);
  const std::string truncated = Hex(Bytes(good.begin(), good.end() - 1));
  const std::string ex4 = Hex(ExceptionReply(1, 4, 4));

  const std::vector<FaultCase> cases = {
      {{"--fault", "noreply,count=1"}, {"none", g, g}},
      {{"--fault", "noreply,skip=1,count=1"}, {g, "none", g}},
      {{"--fault", "corrupt"}, {"bad crc", "bad crc"}},
      {{"--fault", "corrupt,fc=3"}, {g}},
      {{"--fault", "truncate,count=1"}, {truncated, g}},
      {{"--fault", "truncate=3,count=1"}, {Hex(Bytes(good.begin(), good.begin() + 3)), g}},
      {{"--fault", "extra"}, {Hex(extra1)}},
      {{"--fault", "extra=3"}, {Hex(extra3)}},
      {{"--fault", "foreign"}, {Hex(foreign)}},
      {{"--fault", "exception=4,count=2"}, {ex4, ex4, g}},
      {{"--fault", "noreply,reg=3"}, {"none"}},
      {{"--fault", "noreply,reg=4"}, {g}},
      // Each fault counts on its own: the lost request was the one extra skipped.
      {{"--fault", "noreply,count=1", "--fault", "extra,skip=1"},
       {"none", Hex(extra1), Hex(extra1)}},
  };
  for (const FaultCase& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("--ready");
    Rig rig(args);
    ASSERT_TRUE(rig.sim.Started());
    for (std::size_t i = 0; i < c.outcomes.size(); ++i) {
      const std::string& expected = c.outcomes[i];
      rig.master.Send(request);
      const Bytes got = rig.master.ReceiveAll(expected == "none" ? 150 : 1000, 60);
      const std::string where = c.args[1] + " request " + std::to_string(i);
      if (expected == "none") {
        EXPECT_EQ(Hex(got), "") << where;
      } else if (expected == "bad crc") {
        EXPECT_EQ(got.size(), good.size()) << where;
        EXPECT_NE(Crc(got), 0) << where;
      } else {
        EXPECT_EQ(Hex(got), expected) << where;
      }
    }
    const bool applied = std::any_of(c.outcomes.begin(), c.outcomes.end(),
                                     [&g](const std::string& o) { return o != g; });
    EXPECT_EQ(rig.sim.Log().find("fault: ") != std::string::npos, applied) << c.args[1];
  }
}

TEST(SimFaults, WritesHitByNoReplyOrAnExceptionAreNotCarriedOut) {
  Rig rig({"--fixed", "--ready", "--fault", "noreply,fc=6,count=1", "--fault",
           "exception=4,fc=6,skip=1,count=1"});
  ASSERT_TRUE(rig.sim.Started());
  Play(rig.master, {
                       {"lost write", Request(1, 6, 272, 1111), {}},
                       {"refused write", Request(1, 6, 272, 2222), ExceptionReply(1, 6, 4)},
                       {"level unchanged", Request(1, 3, 272, 1), ReadReply(1, 3, {1000})},
                       {"a write that passes", Request(1, 6, 272, 3333), Request(1, 6, 272, 3333)},
                   });
}

TEST(SimFaults, DelayHoldsTheReplyBack) {
  Rig rig({"--ready", "--fault", "delay=300"});
  ASSERT_TRUE(rig.sim.Started());
  const auto start = Clock::now();
  const Bytes reply = rig.master.Transact(Request(1, 4, 4, 1), 7, 3000);
  const auto elapsed = Clock::now() - start;
  EXPECT_EQ(Hex(reply), Hex(ReadReply(1, 4, {0x0102})));
  EXPECT_GE(elapsed, std::chrono::milliseconds(290));
}

TEST(SimFaults, ARateWithASeedRepeatsItsChoices) {
  const auto pattern = [](const char* seed) {
    Rig rig({"--ready", "--fault", "noreply,rate=0.5", "--seed", seed});
    std::string answered;
    if (!rig.sim.Started()) return answered;
    for (int i = 0; i < 24; ++i)
      answered += rig.master.Transact(Request(1, 4, 4, 1), 7, 120).empty() ? '.' : 'R';
    return answered;
  };
  const std::string first = pattern("7");
  EXPECT_EQ(first, pattern("7"));
  const auto replies = std::count(first.begin(), first.end(), 'R');
  EXPECT_GT(replies, 2) << first;
  EXPECT_LT(replies, 22) << first;
}

TEST(SimRestart, EchoSilenceThenTheNewLineAndANewWarmUp) {
  Rig rig({"--fixed", "--warmup", "1.5", "--restart-time", "500"});
  ASSERT_TRUE(rig.sim.Started());
  const auto started = Clock::now();
  Master& m = rig.master;
  Play(m,
       {
           {"warming up", Request(1, 4, 25, 1), ReadReply(1, 4, {0})},
           {"no recalibration while warming up", Request(1, 6, 275, 800), ExceptionReply(1, 6, 6)},
           {"new address", Request(1, 6, 512, 5), Request(1, 6, 512, 5)},
           {"new baud 9600", Request(1, 6, 513, 3), Request(1, 6, 513, 3)},
           {"new parity odd", Request(1, 6, 514, 1), Request(1, 6, 514, 1)},
       });
  Bytes status;
  while (Clock::now() - started < std::chrono::seconds(10)) {
    status = m.Transact(Request(1, 4, 25, 1), 7);
    if (status == ReadReply(1, 4, {0x0800})) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(Hex(status), Hex(ReadReply(1, 4, {0x0800})));
  EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(1400));

  EXPECT_EQ(Hex(m.Transact(Request(1, 6, 0x0410, 0x55AA), 8)), "01 06 04 10 55 AA 36 10");
  const auto restarted = Clock::now();
  EXPECT_EQ(Hex(m.Transact(Request(1, 4, 25, 1), 1, 150)), "") << "silent while restarting";

  m.SetLine({B9600, PARENB | PARODD});
  Bytes back;
  while (Clock::now() - restarted < std::chrono::seconds(10) && back.empty())
    back = m.Transact(Request(5, 4, 25, 1), 7, 100);
  EXPECT_GE(Clock::now() - restarted, std::chrono::milliseconds(450));
  EXPECT_EQ(Hex(back), Hex(ReadReply(5, 4, {0}))) << "back, warming up again";
  EXPECT_EQ(Hex(m.Transact(Request(1, 4, 25, 1), 1, 150)), "") << "old address";
  m.SetLine({B19200, PARENB});
  EXPECT_EQ(Hex(m.Transact(Request(5, 4, 25, 1), 1, 150)), "") << "old line";

  const std::string log = rig.sim.Log();
  EXPECT_NE(log.find(" tx 01 06 04 10 55 AA 36 10  # restarting\n"), std::string::npos) << log;
  EXPECT_NE(log.find("# restarting, not answered"), std::string::npos) << log;
}

TEST(SimValues, LiveValuesArePlausibleAndAgreeWithEachOther) {
  Rig rig({"--ready"});
  ASSERT_TRUE(rig.sim.Started());
  const Bytes reply = rig.master.Transact(Request(1, 4, 16, 10), 25);
  ASSERT_EQ(reply.size(), 25u);
  ASSERT_EQ(Crc(reply), 0);
  const std::vector<std::uint16_t> w = Words(reply);
  const double t = static_cast<std::int16_t>(w[0]) / 100.0;
  const double rh = static_cast<std::int16_t>(w[1]) / 100.0;
  const double ah = static_cast<std::int16_t>(w[2]) / 100.0;
  const double dew = static_cast<std::int16_t>(w[3]) / 100.0;
  const double hpa = (w[4] * 65536.0 + w[5]) / 100.0;
  EXPECT_NEAR(t, 22.0, 3.0);
  EXPECT_NEAR(rh, 45.0, 12.0);
  EXPECT_NEAR(hpa, 1013.25, 5.0);
  EXPECT_NEAR(w[6], 600, 200);
  EXPECT_NEAR(w[7], 100, 40);
  EXPECT_EQ(w[8], 1000);
  EXPECT_EQ(w[9], 0x0800);
  // Absolute humidity and dew point belong to that temperature and humidity.
  const double vapour = rh / 100.0 * 6.112 * std::exp(17.62 * t / (243.12 + t));
  EXPECT_NEAR(ah, 216.7 * vapour / (273.15 + t), 0.05);
  const double gamma = std::log(vapour / 6.112);
  EXPECT_NEAR(dew, 243.12 * gamma / (17.62 - gamma), 0.1);
}

// "<seconds with 6 decimals> <rx|tx> <uppercase hex bytes>[  # note]"
bool ParseLogLine(const std::string& line, double& seconds) {
  const std::size_t point = line.find('.');
  const std::size_t space = line.find(' ');
  if (point == 0 || point == std::string::npos || space != point + 7) return false;
  for (std::size_t i = 0; i < space; ++i)
    if (i != point && !std::isdigit(static_cast<unsigned char>(line[i]))) return false;
  seconds = std::stod(line.substr(0, space));
  const std::string direction = line.substr(space + 1, 2);
  if (direction != "rx" && direction != "tx") return false;
  const std::size_t noteAt = line.find("  # ");
  const std::string hex =
      line.substr(space + 3, noteAt == std::string::npos ? std::string::npos : noteAt - space - 3);
  if (hex.empty() || hex.size() % 3 != 0) return false;
  for (std::size_t i = 0; i < hex.size(); i += 3) {
    if (hex[i] != ' ') return false;
    for (std::size_t k = 1; k <= 2; ++k)
      if (!std::isdigit(static_cast<unsigned char>(hex[i + k])) &&
          (hex[i + k] < 'A' || hex[i + k] > 'F'))
        return false;
  }
  return noteAt == std::string::npos || line.size() > noteAt + 4;
}

TEST(SimLog, OneFlushedLinePerFrame) {
  Rig rig({"--fixed", "--ready"});
  ASSERT_TRUE(rig.sim.Started());
  Master& m = rig.master;
  const Bytes identity = WithCrc({1, 4, 8, 'M', 'E', 'Q', 0, 0, 0, 0, 0});
  ASSERT_EQ(Hex(m.Transact(Request(1, 4, 0, 4), identity.size())), Hex(identity));
  ASSERT_EQ(Hex(m.Transact(Request(1, 4, 7, 1), 5)), "01 84 02 C2 C1");
  EXPECT_EQ(Hex(m.Transact(Request(3, 4, 0, 4), 1, 150)), "");

  // Read while the simulator still runs: every line is there already.
  std::istringstream log(rig.sim.Log());
  std::vector<std::string> lines;
  double previous = 0.0;
  for (std::string line; std::getline(log, line);) {
    double seconds = 0.0;
    ASSERT_TRUE(ParseLogLine(line, seconds)) << line;
    EXPECT_GE(seconds, previous) << line;
    previous = seconds;
    lines.push_back(line.substr(line.find(' ') + 1));
  }
  const std::vector<std::string> expected = {
      "rx 01 04 00 00 00 04 F1 C9",
      "tx " + Hex(identity),
      "rx " + Hex(Request(1, 4, 7, 1)),
      "tx 01 84 02 C2 C1  # exception 02",
      "rx " + Hex(Request(3, 4, 0, 4)) + "  # not our address",
  };
  EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace simtest
