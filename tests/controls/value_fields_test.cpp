// The value fields: the texts a ValueLabel and a NumberEdit show, and what a NumberEdit
// reads back from what the user typed into it.
#include "value_fields.h"

#include "ui_fixture.h"

#include <cmath>
#include <limits>

namespace {

class ValueFields : public ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        label = new ValueLabel(parent, "", 340, 115, 70, 20);
        // Wide enough for 15 characters: the field has no horizontal scrolling.
        edit = new NumberEdit(parent, "", 20, 150, 400, 20, 0);
        narrow = new NumberEdit(parent, "", 60, 280, 50, 20, 0);
        Show();
    }

    // Replaces the edit's text the way a user does: select all, type over it.
    void Retype(const char* text)
    {
        ClickOn(edit->handle);
        ui::PressKey(VK_END, ui::NoModifier);
        ui::PressKey(VK_HOME, ui::Shift);
        ui::PressKey(VK_DELETE);
        ui::TypeText(text);
        Pump();
        ASSERT_EQ(TextOf(edit->handle), text) << "typed as it stands";
    }

    ValueLabel* label = nullptr;
    NumberEdit* edit = nullptr;
    NumberEdit* narrow = nullptr;
};

TEST_F(ValueFields, LabelAndEditShowTheSameTexts)
{
    const struct {
        std::int32_t value;
        const char* text;
    } integers[] = {{-5, "-5"}, {0, "0"}, {2147483647, "2147483647"}, {-2147483647 - 1, "-2147483648"}};
    for (const auto& c : integers) {
        label->ShowInteger(c.value);
        edit->SetInteger(c.value);
        EXPECT_EQ(TextOf(label->handle), c.text);
        EXPECT_EQ(TextOf(edit->handle), c.text);
    }
    const struct {
        float value;
        const char* text;
    } decimals[] = {{23.456f, "23.46"}, {-0.5f, "-0.50"}, {100.0f, "100.00"}, {0.5f, "0.50"}, {21.5f, "21.50"}};
    for (const auto& c : decimals) {
        label->ShowDecimal(c.value);
        edit->SetDecimal(c.value);
        EXPECT_EQ(TextOf(label->handle), c.text);
        EXPECT_EQ(TextOf(edit->handle), c.text);
    }
}

TEST_F(ValueFields, LabelShowsFirmwareAndHexWords)
{
    const struct {
        std::uint16_t word;
        const char* firmware;
        const char* hex;
    } cases[] = {
        {0x0009, "0.09", "0009"}, {0x0900, "9.00", "0900"}, {0x1000, "10.00", "1000"},
        {0x0105, "1.05", "0105"}, {0x0A00, "0A.00", "0A00"}, {0xFFFF, "FF.FF", "FFFF"},
        {0x0000, "0.00", "0000"}, {0xABCD, "AB.CD", "ABCD"},
    };
    for (const auto& c : cases) {
        label->ShowFirmware(c.word);
        EXPECT_EQ(TextOf(label->handle), c.firmware);
        label->ShowHex(c.word);
        EXPECT_EQ(TextOf(label->handle), c.hex);
    }
}

TEST_F(ValueFields, TypedIntegers)
{
    const struct {
        const char* typed;
        std::int32_t value;
    } cases[] = {
        {"  42", 42},       {"42 ", 0},           {"$1F", 31},
        {"%101", 5},        {"-0x10", -16},       {"&17", 15},
        {"2147483647", 2147483647}, {"2147483648", 0}, {"-2147483648", -2147483647 - 1},
        {"$FFFFFFFF", -1},  {"12.5", 0},          {"", 0},
        {"-", 0},           {"0x", 0},            {"12a", 0},
    };
    for (const auto& c : cases) {
        Retype(c.typed);
        EXPECT_EQ(edit->GetInteger(), c.value) << '"' << c.typed << '"';
    }
}

TEST_F(ValueFields, TypedDecimals)
{
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* typed;
        float value;
    } cases[] = {
        {"12,5", 12.5f}, {"1e2", 100.0f},  {"-.25", -0.25f}, {"1,234.5", 0.0f}, {"12.5 ", 0.0f},
        {" 7", 7.0f},    {"inf", inf},     {"INF", inf},     {"-Inf", -inf},    {"5.", 5.0f},
        {".", 0.0f},     {"1e", 0.0f},     {"e5", 0.0f},     {"", 0.0f},        {"   ", 0.0f},
        {"0.1", 0.1f},   {"2,5E-1", 0.25f},
    };
    for (const auto& c : cases) {
        Retype(c.typed);
        EXPECT_EQ(edit->GetDecimal(), c.value) << '"' << c.typed << '"';
    }
    Retype("Nan");
    EXPECT_TRUE(std::isnan(edit->GetDecimal()));
}

// Only the field's first 15 characters take part; a tab cannot be typed, so the program
// puts such texts in.
TEST_F(ValueFields, ReadsTheFirstFifteenCharacters)
{
    edit->WriteText("1234567890123456");
    EXPECT_EQ(edit->GetInteger(), 0) << "123456789012345 is out of range";
    edit->WriteText("000000000000042X");
    EXPECT_EQ(edit->GetInteger(), 42);
    edit->WriteText("0000000000002.5x");
    EXPECT_EQ(edit->GetDecimal(), 2.5f);
    edit->WriteText("\t3");
    EXPECT_EQ(edit->GetDecimal(), 0.0f);
    EXPECT_EQ(edit->GetInteger(), 3);
}

// Without ES_AUTOHSCROLL typing stops where the field is full.
TEST_F(ValueFields, NarrowFieldTakesWhatFits)
{
    Type(narrow->handle, "123456789012345");
    const std::string shown = TextOf(narrow->handle);
    EXPECT_FALSE(shown.empty());
    EXPECT_LT(shown.size(), 15u);
    EXPECT_EQ(std::string("123456789012345").substr(0, shown.size()), shown);
}

TEST_F(ValueFields, DigitsOnlyWhenTheCallerAddsEsNumber)
{
    auto* digits = new NumberEdit(parent, "", 60, 330, 200, 20, 0);
    digits->style |= ES_NUMBER;
    ASSERT_TRUE(digits->Create());
    Type(digits->handle, "-12,a3");
    EXPECT_EQ(TextOf(digits->handle), "123");
    EXPECT_EQ(digits->GetInteger(), 123);
}

TEST_F(ValueFields, FieldsWithoutAWindow)
{
    NumberEdit lone(nullptr, "", 0, 0, 10, 10, 0);
    EXPECT_EQ(lone.GetInteger(), 0);
    EXPECT_EQ(lone.GetDecimal(), 0.0f);
    lone.SetDecimal(1.5f);
    ValueLabel loneLabel(nullptr, "", 0, 0, 10, 10);
    loneLabel.ShowFirmware(0x0105);
}

}  // namespace
