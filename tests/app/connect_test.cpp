// Choosing the port: the identity check, everything the tool then shows with its formats,
// the refusals and failures that clear only the identity fields; and the polling of the
// measured values, also while a box is open and while the transmitter is gone.
#include "tool_fixture.h"

#include <unistd.h>

namespace {

using Connecting = ToolTest;

// Every measured value planted as a raw word, so the formats can be read off exactly.
const std::vector<std::string> PLANTED = {
    "--ready",
    "--set", "in:16=0xFF38",   // temperature -200
    "--set", "in:17=4550",     // relative humidity
    "--set", "in:18=871",      // absolute humidity
    "--set", "in:19=-5",       // dew point
    "--set", "in:20=0x0001",   // pressure, high word
    "--set", "in:21=0x86A0",   //           low word: 100000
    "--set", "in:22=612",      // CO2
    "--set", "in:23=65535",    // VOC index
    "--set", "in:24=1000",     // operating hours
    "--set", "in:25=0x0A05",   // status: ready and more
    "--set", "hold:256=150",   "--set", "hold:257=-5",  "--set", "hold:258=0",
    "--set", "hold:259=32767", "--set", "hold:260=-32768", "--set", "hold:261=-20",
    "--set", "hold:272=800",   "--set", "hold:273=65535", "--set", "hold:274=1",
    "--serial", "4000000000",  "--firmware", "0x0A07",
};

TEST_F(Connecting, AnMeqFillsEveryFieldInItsFormat)
{
    Start(PLANTED);
    ChoosePort();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Text(window->identityField), "MEQ");
    EXPECT_EQ(Text(window->firmwareField), "0A.07");
    EXPECT_EQ(Text(window->serialNumberField), "-294967296") << "the 32-bit number taken as signed";
    EXPECT_EQ(ui::Inspect(window->addressCombo->handle).selection, 0);
    EXPECT_EQ(ui::Inspect(window->baudCombo->handle).selection, 4);
    EXPECT_EQ(ui::Inspect(window->parityCombo->handle).selection, 2);
    EXPECT_EQ(Text(window->level1Edit), "800");
    EXPECT_EQ(Text(window->level2Edit), "65535");
    EXPECT_EQ(window->autoCalibrationCheck->CheckState(), 1);

    EXPECT_EQ(Text(window->temperatureField), "-2.00");
    EXPECT_EQ(Text(window->relativeHumidityField), "45.50");
    EXPECT_EQ(Text(window->absoluteHumidityField), "8.71");
    EXPECT_EQ(Text(window->dewPointField), "-0.05");
    EXPECT_EQ(Text(window->pressureField), "1000.00");
    EXPECT_EQ(Text(window->co2Field), "612");
    EXPECT_EQ(Text(window->vocIndexField), "65535");
    EXPECT_EQ(Text(window->operatingHoursField), "1000");
    EXPECT_EQ(Text(window->statusField), "0A05");

    const char* corrections[] = {"1.50", "-0.05", "0.00", "327.67", "-327.68", "-20"};
    for (unsigned k = 0; k < 6; ++k) {
        EXPECT_EQ(Text(window->correctionEdits[k]), corrections[k]) << "correction " << k + 1;
    }

    // Identity first (slave 1, function 04, registers 0 to 3), then the six reads.
    const std::vector<std::string> frames = sim->ReceivedFrames();
    ASSERT_EQ(frames.size(), 7u);
    EXPECT_EQ(frames[0], "01 04 00 00 00 04 F1 C9");
    EXPECT_EQ(window->pollTimerActive, 0u) << "connecting does not start the polling";
}

TEST_F(Connecting, AnotherDeviceIsRefusedWithItsOwnTextAsCaption)
{
    for (const char* identity : {"MEQ1", "MEQ ", "meq"}) {
        SCOPED_TRACE(identity);
        boxes.clear();
        answeredBox = heldBox = nullptr;
        Start({"--ready", "--fixed", "--identity", identity});
        // What an earlier MEQ left behind stays, except the three identity fields.
        window->identityField->WriteText("MEQ");
        window->firmwareField->WriteText("1.02");
        window->serialNumberField->WriteText("7");
        window->co2Field->WriteText("555");
        ChoosePort();
        ExpectBox("Převodník není kompatibilní s tímto nástrojem.", identity, IDI_ERROR);
        EXPECT_EQ(Text(window->identityField), "");
        EXPECT_EQ(Text(window->firmwareField), "");
        EXPECT_EQ(Text(window->serialNumberField), "");
        EXPECT_EQ(Text(window->co2Field), "555");
        EXPECT_EQ(sim->ReceivedFrames().size(), 1u) << "nothing but the identity is read";

        // The port is closed again: it can be opened exclusively.
        const HANDLE port =
            CreateFileA("\\\\.\\COM7", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(port, INVALID_HANDLE_VALUE);
        if (port != INVALID_HANDLE_VALUE) {
            CloseHandle(port);
        }
        delete app->mainWindow;
        Pump();
        app.reset();
        sim.reset();
    }
}

TEST_F(Connecting, NoAnswerOrNoPortClearsTheIdentityFieldsAndNothingElse)
{
    Start({"--ready", "--fixed"}, true);
    EXPECT_EQ(ui::Inspect(window->portCombo->handle).items, (std::vector<std::string>{PORT, OTHER_PORT}));
    ChoosePort();
    ASSERT_EQ(Text(window->identityField), "MEQ");
    const std::string temperature = Text(window->temperatureField);
    const std::string level1 = Text(window->level1Edit);
    const std::string correction = Text(window->correctionEdits[0]);
    ASSERT_FALSE(temperature.empty());

    const auto expectOnlyIdentityCleared = [&] {
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(Text(window->identityField), "");
        EXPECT_EQ(Text(window->firmwareField), "");
        EXPECT_EQ(Text(window->serialNumberField), "");
        EXPECT_EQ(Text(window->temperatureField), temperature);
        EXPECT_EQ(Text(window->level1Edit), level1);
        EXPECT_EQ(Text(window->correctionEdits[0]), correction);
        EXPECT_EQ(ui::Inspect(window->baudCombo->handle).selection, 4);
    };

    // COM8 leaves the identity request unanswered.
    ChoosePort(OTHER_PORT);
    expectOnlyIdentityCleared();
    EXPECT_EQ(other->ReceivedFrames().size(), 1u);

    // Back on COM7; then COM8 has gone and cannot be opened at all.
    ChoosePort();
    ASSERT_EQ(Text(window->identityField), "MEQ");
    other.reset();
    ChoosePort(OTHER_PORT);
    expectOnlyIdentityCleared();
}

using Polling = ToolTest;

TEST_F(Polling, CistReadsAtOnceThenEverySecondUntilItIsCleared)
{
    StartConnected({"--ready"});
    const std::size_t before = Requests(0x04);
    ClickOn(window->pollCheck->handle);
    ASSERT_EQ(window->pollCheck->CheckState(), 1);
    EXPECT_EQ(Requests(0x04), before + 1) << "the first read comes at once";

    PumpFor(2600);
    const std::size_t ticks = Requests(0x04) - before - 1;
    EXPECT_GE(ticks, 2u);
    EXPECT_LE(ticks, 3u);
    // Nothing but the measured values is read on a tick: input registers 16 to 25.
    const std::vector<std::string> frames = sim->ReceivedFrames();
    EXPECT_EQ(frames.back().substr(0, 17), "01 04 00 10 00 0A");

    ClickOn(window->pollCheck->handle);
    EXPECT_EQ(window->pollTimerActive, 0u);
    const std::size_t stopped = Requests(0x04);
    PumpFor(1500);
    EXPECT_EQ(Requests(0x04), stopped) << "clearing it stops the refresh";
}

TEST_F(Polling, TicksGoOnWhileAMessageBoxIsOpen)
{
    // The sensor is not ready, so FRC opens its box; it stays open for a while.
    StartConnected({"--warmup", "600", "--hours", "7"});
    ClickOn(window->pollCheck->handle);
    window->operatingHoursField->WriteText("x");
    const std::size_t before = Requests(0x04);
    holdBoxesMs = 2300;
    ui::Click(Item(110));
    Pump();
    ExpectBox("Senzor není připraven.", "Rekalibrace", IDI_WARNING);
    // The status read, and two ticks or more during the box.
    EXPECT_GE(Requests(0x04), before + 3);
    EXPECT_EQ(Text(window->operatingHoursField), "7") << "the ticks showed their values";
}

TEST_F(Polling, AGoneTransmitterCostsOneTimeoutPerTickAndComesBackWhenChosenAgain)
{
    Start({"--ready", "--fixed"}, true);
    ChoosePort();
    ClickOn(window->pollCheck->handle);
    const std::string temperature = Text(window->temperatureField);
    ASSERT_EQ(temperature, "22.00");

    sim->Stop();
    PumpFor(2600);
    EXPECT_GE(ticksSeen, 2);
    // One read timeout at 19200 Bd is about a tenth of a second.
    EXPECT_LT(longestTickMs, 900.0) << "the window answers between ticks";
    EXPECT_EQ(Text(window->temperatureField), temperature) << "the fields keep their last texts";
    EXPECT_EQ(Text(window->identityField), "MEQ");

    // Typing still works between the failing ticks.
    TypeInto(window->level1Edit, "1234");
    EXPECT_EQ(Text(window->level1Edit), "1234");

    // Started again; the user picks the port anew (by way of the other one).
    sim = std::make_unique<SimProcess>(PORT, std::vector<std::string>{"--ready", "--set", "in:16=-1234"});
    ChoosePort(OTHER_PORT);
    ChoosePort();
    EXPECT_EQ(Text(window->identityField), "MEQ");
    EXPECT_EQ(Text(window->temperatureField), "-12.34");
    window->temperatureField->WriteText("");
    PumpFor(1300);
    EXPECT_EQ(Text(window->temperatureField), "-12.34") << "the ticks read again";
    EXPECT_NE(window->pollTimerActive, 0u) << "the polling went on across it all";
}

}  // namespace
