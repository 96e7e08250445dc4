// The writes: what each "Zápis", check box, list and "Restart" sends, the range checks of
// the entries, what the field shows afterwards, and the boxes of refused writes.
#include "tool_fixture.h"

namespace {

using Writing = ToolTest;

int Word(int value)
{
    return value & 0xFFFF;
}

TEST_F(Writing, Co2LevelsAreClampedToAWordAndAnEmptyFieldWritesZero)
{
    StartConnected();
    const struct {
        NumberEdit* MainWindow::*field;
        int button;
        const char* entry;
        WriteFrame sent;
        const char* shown;
    } cases[] = {
        {&MainWindow::level1Edit, 108, "70000", {272, 65535}, "65535"},
        {&MainWindow::level1Edit, 108, "", {272, 0}, "0"},
        {&MainWindow::level2Edit, 109, "1200", {273, 1200}, "1200"},
        {&MainWindow::level2Edit, 109, "65536", {273, 65535}, "65535"},
    };
    std::size_t count = Writes().size();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        NumberEdit* field = window->*c.field;
        TypeInto(field, c.entry);
        ASSERT_EQ(Text(field), c.entry);
        ClickOn(Item(c.button));
        const std::vector<WriteFrame> writes = WaitForWrites(++count);
        ASSERT_EQ(writes.size(), count);
        EXPECT_EQ(writes.back(), c.sent);
        EXPECT_EQ(Text(field), c.shown);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Writing, CorrectionsWriteHundredthsRoundedHalfToEven)
{
    StartConnected();
    const struct {
        unsigned correction;  // 1 to 6
        const char* entry;
        int sent;
        const char* shown;
    } cases[] = {
        {1, "1,5", 150, "1.50"},
        {2, "400", 32767, "327.67"},
        {3, "-400", -32768, "-327.68"},
        {4, "0.125", 12, "0.12"},
        {5, "0.375", 38, "0.38"},
        // The entry is first the nearest single-precision number, a little above these.
        {1, "0.165", 17, "0.17"},
        {2, "0.025", 3, "0.03"},
        {3, "327.67", 32767, "327.67"},
        {4, "-327.68", -32768, "-327.68"},
        {5, "-0.005", 0, "0.00"},
        // "Nan" reads as a number but is none: like a text that is no number, 0.
        {1, "Nan", 0, "0.00"},
        {2, "-inf", -32768, "-327.68"},
        {3, "abc", 0, "0.00"},
        {6, "12.5", 12, "12"},
        {6, "13.5", 14, "14"},
        {6, "-40000", -32768, "-32768"},
        {6, "Inf", 32767, "32767"},
        {6, "Nan", 0, "0"},
        {6, "1e9", 32767, "32767"},
        {6, "-0,5", 0, "0"},
    };
    std::size_t count = Writes().size();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.entry) + " in correction " + std::to_string(c.correction));
        NumberEdit* field = window->correctionEdits[c.correction - 1];
        TypeInto(field, c.entry);
        ASSERT_EQ(Text(field), c.entry);
        ClickOn(Item(112 + static_cast<int>(c.correction)));
        const std::vector<WriteFrame> writes = WaitForWrites(++count);
        ASSERT_EQ(writes.size(), count);
        EXPECT_EQ(writes.back(), (WriteFrame{255 + static_cast<int>(c.correction), Word(c.sent)}));
        EXPECT_EQ(Text(field), c.shown);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Writing, AnExceptionAnswerIsReportedAndSilenceIsNot)
{
    // The first write is refused with exception 3, the second goes unanswered, the third
    // goes through.
    StartConnected({"--ready", "--fixed", "--fault", "exception=3,fc=6,count=1", "--fault",
                    "noreply,fc=6,skip=1,count=1"});
    TypeInto(window->level1Edit, "1234");
    ClickOn(Item(108));
    ExpectBox("Hodnota mimo rozsah.", "Chyba", IDI_WARNING);
    EXPECT_EQ(Text(window->level1Edit), "1234") << "the field keeps the typed text";

    boxes.clear();
    TypeInto(window->correctionEdits[0], "2,5");
    ClickOn(Item(113));
    EXPECT_TRUE(boxes.empty()) << "no answer shows nothing";
    EXPECT_EQ(Text(window->correctionEdits[0]), "2,5");

    ClickOn(Item(113));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Text(window->correctionEdits[0]), "2.50");
    EXPECT_EQ(WaitForWrites(3).size(), 3u);
}

TEST_F(Writing, TheForcedRecalibrationWaitsForTheSensor)
{
    StartConnected({"--warmup", "600", "--fixed"});
    TypeInto(window->frcEdit, "400");
    const std::size_t reads = Requests(0x04);
    ClickOn(Item(110));
    ExpectBox("Senzor není připraven.", "Rekalibrace", IDI_WARNING);
    EXPECT_EQ(Requests(0x04), reads + 1) << "the status is read";
    EXPECT_TRUE(Writes().empty()) << "nothing is written";
    EXPECT_EQ(Text(window->frcEdit), "400");
}

TEST_F(Writing, TheForcedRecalibrationGoesOutWhenTheSensorIsReady)
{
    StartConnected({"--ready", "--fixed"});
    TypeInto(window->frcEdit, "99999");
    ClickOn(Item(110));
    // Clamped to a word, which the transmitter refuses (it takes 300 to 5000 ppm).
    ASSERT_EQ(WaitForWrites(1), (std::vector<WriteFrame>{{275, 65535}}));
    ExpectBox("Hodnota mimo rozsah.", "Chyba", IDI_WARNING);
    EXPECT_EQ(Text(window->frcEdit), "99999");

    boxes.clear();
    TypeInto(window->frcEdit, "400");
    ClickOn(Item(110));
    EXPECT_EQ(WaitForWrites(2).back(), (WriteFrame{275, 400}));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Text(window->frcEdit), "400");
}

TEST_F(Writing, TheTransmittersOwnSettingsLeaveTheToolsLinkAsItWas)
{
    StartConnected({"--ready", "--fixed"});
    ASSERT_EQ(window->autoCalibrationCheck->CheckState(), 1);
    Choose(window->addressCombo, "5");
    Choose(window->baudCombo, "9600");
    Choose(window->parityCombo, "None");
    ClickOn(window->autoCalibrationCheck->handle);
    ClickOn(Item(107));
    EXPECT_EQ(WaitForWrites(5), (std::vector<WriteFrame>{{512, 5}, {513, 3}, {514, 0}, {274, 0}, {1040, 21930}}));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(window->commSettings.baudIndex, 4);
    EXPECT_EQ(window->commSettings.parityIndex, 2);
    EXPECT_EQ(window->commSettings.address, 1);

    // The next request still goes to slave 1 (the tool's own settings): "Číst" reads once.
    ClickOn(window->pollCheck->handle);
    const std::vector<std::string> frames = sim->ReceivedFrames();
    EXPECT_EQ(frames.back().substr(0, 17), "01 04 00 10 00 0A");
}

}  // namespace
