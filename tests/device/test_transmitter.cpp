// The transmitter's register map against meq-sim on a real pseudo-terminal.
#include "transmitter.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A connected transmitter the way the tool connects: Open, SetLink, then talk.
struct Connected {
    explicit Connected(std::vector<std::string> simArgs, const char* link = "MEQT1")
        : sim(link, std::move(simArgs))
    {
        ok = transmitter.Open(link);
        transmitter.SetLink(19200, EVENPARITY, 1);
    }
    SimProcess sim;
    Transmitter transmitter;
    bool ok = false;
};

TEST(Transmitter, RecordsTakeWidthsSignsAndWordOrderFromTheMap)
{
    Connected c({"--fixed", "--ready", "--serial", "1234567",
                 "--set", "in:16=0xFF38", "--set", "in:17=4500", "--set", "in:18=0x8000",
                 "--set", "in:19=0x7FFF", "--set", "in:20=0x0001", "--set", "in:21=0x86A0",
                 "--set", "in:22=0xFF38", "--set", "in:23=150", "--set", "in:24=65535",
                 "--set", "in:25=0x0801", "--set", "in:4=0x0A05",
                 "--set", "hold:512=5", "--set", "hold:513=3", "--set", "hold:514=0",
                 "--set", "hold:272=800", "--set", "hold:273=65535", "--set", "hold:274=1",
                 "--set", "hold:256=0xFFFE", "--set", "hold:261=0x8000"});
    ASSERT_TRUE(c.ok);
    Transmitter& t = c.transmitter;

    MeasuredValues v{};
    ASSERT_TRUE(t.ReadMeasuredValues(v));
    EXPECT_EQ(v.temperature, -200);
    EXPECT_EQ(v.relativeHumidity, 4500);
    EXPECT_EQ(v.absoluteHumidity, -32768);
    EXPECT_EQ(v.dewPoint, 32767);
    EXPECT_EQ(v.absolutePressure, 100000u) << "register 20 is the high word";
    EXPECT_EQ(v.co2, 65336u) << "CO2 is unsigned";
    EXPECT_EQ(v.vocIndex, 150u);
    EXPECT_EQ(v.operatingHours, 65535u);
    EXPECT_EQ(v.status, 0x0801u);

    std::uint16_t status = 0;
    ASSERT_TRUE(t.ReadStatus(status));
    EXPECT_EQ(status, 0x0801u);

    std::uint16_t firmware = 0;
    ASSERT_TRUE(t.ReadFirmware(firmware));
    EXPECT_EQ(firmware, 0x0A05u);

    std::uint32_t serial = 0;
    ASSERT_TRUE(t.ReadSerialNumber(serial));
    EXPECT_EQ(serial, 1234567u);

    TransmitterCommSettings comm{};
    ASSERT_TRUE(t.ReadCommSettings(comm));
    EXPECT_EQ(comm.address, 5);
    EXPECT_EQ(comm.baudIndex, 3);
    EXPECT_EQ(comm.parityIndex, 0);

    Co2Settings co2{};
    ASSERT_TRUE(t.ReadCo2Settings(co2));
    EXPECT_EQ(co2.level1, 800u);
    EXPECT_EQ(co2.level2, 65535u);
    EXPECT_EQ(co2.autoCalibration, 1u);

    CorrectionValues corr{};
    ASSERT_TRUE(t.ReadCorrections(corr));
    EXPECT_EQ(corr.values[0], -2);
    EXPECT_EQ(corr.values[5], -32768);

    // The requests that went out, one per operation, in order.
    const auto rx = c.sim.WaitForFrames("rx", 7);
    ASSERT_GE(rx.size(), 7u);
    EXPECT_EQ(rx[0].substr(0, 17), "01 04 00 10 00 0A");
    EXPECT_EQ(rx[1].substr(0, 17), "01 04 00 19 00 01");
    EXPECT_EQ(rx[2].substr(0, 17), "01 04 00 04 00 01");
    EXPECT_EQ(rx[3].substr(0, 17), "01 04 00 05 00 02");
    EXPECT_EQ(rx[4].substr(0, 17), "01 03 02 00 00 03");
    EXPECT_EQ(rx[5].substr(0, 17), "01 03 01 10 00 03");
    EXPECT_EQ(rx[6].substr(0, 17), "01 03 01 00 00 06");
}

TEST(Transmitter, CommSettingsAreTheLowBytes)
{
    Connected c({"--fixed", "--ready", "--set", "hold:512=0x0105"});
    ASSERT_TRUE(c.ok);
    TransmitterCommSettings comm{};
    ASSERT_TRUE(c.transmitter.ReadCommSettings(comm));
    EXPECT_EQ(comm.address, 5);
}

TEST(Transmitter, IdentityText)
{
    struct Case {
        const char* reported;
        const char* text;
    } cases[] = {
        {"MEQ", "MEQ"},
        {"MEQ ", "MEQ "},
        {"meq", "meq"},
        {"ABCDEFGH", "ABCDEFGH"},  // eight characters, still terminated
    };
    for (const auto& k : cases) {
        Connected c({"--identity", k.reported});
        ASSERT_TRUE(c.ok);
        const char* text = c.transmitter.ReadIdentity();
        ASSERT_NE(text, nullptr) << k.reported;
        EXPECT_STREQ(text, k.text);
        EXPECT_EQ(c.sim.WaitForFrames("rx", 1).at(0), "01 04 00 00 00 04 F1 C9");
    }
}

TEST(Transmitter, FailedIdentityReadKeepsTheEarlierText)
{
    Connected c({});
    ASSERT_TRUE(c.ok);
    const char* text = c.transmitter.ReadIdentity();
    ASSERT_NE(text, nullptr);
    c.sim.Stop();
    EXPECT_EQ(c.transmitter.ReadIdentity(), nullptr);
    EXPECT_STREQ(text, "MEQ");
    EXPECT_EQ(c.transmitter.LastException(), 0u);
}

TEST(Transmitter, WritesGoToTheirRegisters)
{
    Connected c({"--fixed", "--ready"});
    ASSERT_TRUE(c.ok);
    Transmitter& t = c.transmitter;
    struct Case {
        bool (*write)(Transmitter&);
        const char* frame;  // without CRC
    } cases[] = {
        {[](Transmitter& x) { return x.WriteCorrection(0, -2); }, "01 06 01 00 FF FE"},
        {[](Transmitter& x) { return x.WriteCorrection(5, -32768); }, "01 06 01 05 80 00"},
        {[](Transmitter& x) { return x.WriteCo2Level1(65535); }, "01 06 01 10 FF FF"},
        {[](Transmitter& x) { return x.WriteCo2Level2(1000); }, "01 06 01 11 03 E8"},
        {[](Transmitter& x) { return x.WriteAutoCalibration(1); }, "01 06 01 12 00 01"},
        {[](Transmitter& x) { return x.WriteForcedRecalibration(450); }, "01 06 01 13 01 C2"},
        {[](Transmitter& x) { return x.WriteAddress(247); }, "01 06 02 00 00 F7"},
        {[](Transmitter& x) { return x.WriteBaud(7); }, "01 06 02 01 00 07"},
        {[](Transmitter& x) { return x.WriteParity(3); }, "01 06 02 02 00 03"},
        {[](Transmitter& x) { return x.Restart(); }, "01 06 04 10 55 AA"},
    };
    std::size_t n = 0;
    for (const auto& k : cases) {
        EXPECT_TRUE(k.write(t)) << k.frame;
        const auto rx = c.sim.WaitForFrames("rx", ++n);
        ASSERT_EQ(rx.size(), n);
        EXPECT_EQ(rx.back().substr(0, 17), k.frame);
    }
    EXPECT_EQ(c.sim.WaitForFrames("rx", n).back(), "01 06 04 10 55 AA 36 10");
    EXPECT_FALSE(t.WriteCorrection(6, 1)) << "there is no seventh correction";
}

TEST(Transmitter, ExceptionCodeTellsWhyAWriteFailed)
{
    Connected c({"--fixed"});  // not warmed up: the sensor is not ready for a recalibration
    ASSERT_TRUE(c.ok);
    EXPECT_FALSE(c.transmitter.WriteAddress(0));
    EXPECT_EQ(c.transmitter.LastException(), 3u) << "address 0 is out of range";
    EXPECT_FALSE(c.transmitter.WriteForcedRecalibration(450));
    EXPECT_NE(c.transmitter.LastException(), 0u);
}

TEST(Transmitter, OpenRules)
{
    SimProcess sim("MEQT2", {"--fixed", "--ready"});
    Transmitter t;
    std::uint16_t word = 0;

    EXPECT_FALSE(t.Open(""));
    EXPECT_FALSE(t.ReadFirmware(word)) << "closed from the start";

    ASSERT_TRUE(t.Open("MEQT2"));
    t.SetLink(19200, EVENPARITY, 1);
    EXPECT_FALSE(t.Open("")) << "an empty name";
    EXPECT_TRUE(t.ReadFirmware(word)) << "the open port stays open after an empty name";

    EXPECT_FALSE(t.Open("NOSUCH"));
    EXPECT_FALSE(t.ReadFirmware(word)) << "the port was closed before the failed open";
    EXPECT_EQ(t.LastException(), 0u);

    ASSERT_TRUE(t.Open("MEQT2"));
    t.SetLink(19200, EVENPARITY, 1);
    EXPECT_FALSE(t.Open("ABCDEFGHIJKL")) << "twelve characters do not fit the device path";
    EXPECT_FALSE(t.ReadFirmware(word));

    ASSERT_TRUE(t.Open("MEQT2"));
    t.SetLink(19200, EVENPARITY, 1);
    Transmitter other;
    EXPECT_FALSE(other.Open("MEQT2")) << "a port held by another handle";
    t.Close();
    EXPECT_TRUE(other.Open("MEQT2")) << "free again once closed";
}

TEST(Transmitter, PortHeldByAnotherProgramCannotBeOpened)
{
    SimProcess sim("MEQT3", {});
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        Transmitter t;
        _exit(t.Open("MEQT3") ? (sleep(2), 0) : 1);
    }
    usleep(300 * 1000);
    Transmitter t;
    EXPECT_FALSE(t.Open("MEQT3"));
    int status = 0;
    waitpid(holder, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the holder could open it";
    EXPECT_TRUE(t.Open("MEQT3"));
}

TEST(Transmitter, LineSettingsReachTheLine)
{
    // meq-sim answers only on its own line; a master on another line gets no answer.
    Connected c({"--baud", "9600", "--parity", "none", "--address", "5"});
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.transmitter.ReadIdentity(), nullptr) << "19200 8E1 to a 9600 8N1 device";
    c.transmitter.SetLink(9600, NOPARITY, 5);
    const char* text = c.transmitter.ReadIdentity();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "MEQ");
    EXPECT_EQ(c.sim.WaitForFrames("rx", 2).back(), "05 04 00 00 00 04 F0 4D");
}

TEST(Transmitter, SimulatorGoneAndBack)
{
    auto sim = std::make_unique<SimProcess>("MEQT4", std::vector<std::string>{"--ready"});
    Transmitter t;
    ASSERT_TRUE(t.Open("MEQT4"));
    t.SetLink(19200, EVENPARITY, 1);
    MeasuredValues v{};
    EXPECT_TRUE(t.ReadMeasuredValues(v));
    sim.reset();
    const double start = NowMs();
    EXPECT_FALSE(t.ReadMeasuredValues(v));
    EXPECT_FALSE(t.WriteCo2Level1(1));
    EXPECT_LT(NowMs() - start, 2000.0);

    sim = std::make_unique<SimProcess>("MEQT4", std::vector<std::string>{"--ready"});
    ASSERT_TRUE(t.Open("MEQT4"));
    t.SetLink(19200, EVENPARITY, 1);
    EXPECT_TRUE(t.ReadMeasuredValues(v));
}

TEST(Transmitter, ClosedTransmitterFailsEverything)
{
    Transmitter t;
    MeasuredValues v{};
    v.co2 = 123;
    EXPECT_FALSE(t.ReadMeasuredValues(v));
    EXPECT_EQ(v.co2, 123u) << "outputs stay as they were";
    EXPECT_EQ(t.ReadIdentity(), nullptr);
    EXPECT_FALSE(t.Restart());
    EXPECT_EQ(t.LastException(), 0u);
}

}  // namespace
