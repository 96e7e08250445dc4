// The standard control wrappers: the windows they make, the tab stops a user meets, the
// text limit, the list operations through both message tables, and the selected text as
// the main window reads a port name.
#include "standard_controls.h"
#include "value_fields.h"

#include "ui_fixture.h"

#include <cstring>
#include <functional>
#include <memory>
#include <strings.h>
#include <utility>

namespace {

// A control that notes the limit messages that reach its own procedure.
template <class Base>
class RecordingLimits : public Base {
public:
    using Base::Base;
    void Dispatch(Message& message) override
    {
        if (message.message == EM_LIMITTEXT || message.message == CB_LIMITTEXT) {
            limits.push_back({message.message, message.wParam});
        }
        Base::Dispatch(message);
    }
    std::vector<std::pair<UINT, WPARAM>> limits;
};

using StandardControls = ControlTest;

TEST_F(StandardControls, EachWrapperMakesItsClassAndStyle)
{
    struct Case {
        const char* what;
        std::function<Window*(WindowObject*)> make;
        const char* className;
        DWORD style;
        DWORD exStyle;
    };
    const Case cases[] = {
        {"GroupBox", [](WindowObject* p) { return new GroupBox(p, "Group", 10, 90, 170, 155, 0); }, "Button",
         0x50020007, 0},
        {"Button", [](WindowObject* p) { return new Button(p, "...", 538, 10, 32, 24, 102); }, "Button",
         0x50030000, 0},
        {"CheckBox", [](WindowObject* p) { return new CheckBox(p, "Auto", 20, 355, 150, 20, 111); }, "Button",
         0x50030003, 0},
        {"StaticText", [](WindowObject* p) { return new StaticText(p, "Port:", 403, 14, 35, 18, 0, 0); },
         "Static", 0x50020000, 0},
        {"EditField", [](WindowObject* p) { return new EditField(p, "", 10, 10, 80, 20, 7, 0, false); }, "Edit",
         0x50030080, 0x200},
        {"EditField multiline",
         [](WindowObject* p) { return new EditField(p, "", 10, 10, 80, 60, 7, 0, true); }, "Edit", 0x50331004,
         0x200},
        {"ListBox", [](WindowObject* p) { return new ListBox(p, 10, 10, 80, 100, 8); }, "ListBox", 0x50230003,
         0x200},
        {"ComboBox", [](WindowObject* p) { return new ComboBox(p, 10, 10, 80, 160, 9, 0, false); }, "ComboBox",
         0x50230103, 0x200},
        {"ComboBox editable", [](WindowObject* p) { return new ComboBox(p, 10, 10, 80, 160, 9, 0, true); },
         "ComboBox", 0x50230142, 0x200},
        {"ValueLabel", [](WindowObject* p) { return new ValueLabel(p, "", 340, 115, 70, 20); }, "Static",
         0x50020002, 0x200},
        {"NumberEdit", [](WindowObject* p) { return new NumberEdit(p, "", 60, 280, 50, 20, 0); }, "Edit",
         0x50030002, 0x200},
    };
    Show();
    for (const Case& c : cases) {
        Window* control = c.make(parent);
        EXPECT_EQ(control->style, c.style) << c.what;
        ASSERT_TRUE(control->Create()) << c.what;
        const ui::WindowState state = ui::Inspect(control->handle);
        EXPECT_EQ(strcasecmp(state.className.c_str(), c.className), 0) << c.what << ": " << state.className;
        EXPECT_EQ(state.style, c.style) << c.what;
        EXPECT_EQ(state.exStyle, c.exStyle) << c.what;
        EXPECT_EQ(GetParent(control->handle), parent->handle) << c.what;
        // Subclassed: the object's thunk is the window's procedure.
        EXPECT_EQ(ObjectFromHandle(control->handle), control) << c.what;
        delete control;
    }
}

// Tab as the application's loop hands it to the dialog keyboard handling.
TEST_F(StandardControls, TabSkipsGroupBoxesAndTexts)
{
    new StaticText(parent, "Port:", 10, 10, 40, 20, 0, 0);
    auto* button = new Button(parent, "...", 60, 10, 40, 20, 102);
    new GroupBox(parent, "Group", 10, 40, 300, 300, 0);
    auto* check = new CheckBox(parent, "Auto", 20, 60, 100, 20, 111);
    new ValueLabel(parent, "", 20, 90, 70, 20);
    auto* edit = new NumberEdit(parent, "", 20, 120, 60, 20, 0);
    auto* combo = new ComboBox(parent, 20, 150, 80, 160, 104, 0, false);
    auto* list = new ListBox(parent, 120, 60, 80, 100, 120);
    auto* field = new EditField(parent, "", 120, 180, 80, 20, 121, 0, false);
    new StaticText(parent, "end", 120, 210, 40, 20, 0, 0);
    Show();
    SetFocus(button->handle);
    std::vector<HWND> visited;
    for (int k = 0; k < 6; ++k) {
        ui::PressKey(VK_TAB);
        Pump(parent->handle);
        visited.push_back(GetFocus());
    }
    EXPECT_EQ(visited, (std::vector<HWND>{check->handle, edit->handle, combo->handle, list->handle, field->handle,
                                          button->handle}));
}

TEST_F(StandardControls, CheckBoxHasTickedBeforeItsParentHears)
{
    auto* check = new CheckBox(parent, "Auto kalibrace", 20, 20, 150, 20, 111);
    std::vector<int> statesHeard;
    parent->onCommand = [&](const ChildCommand&) { statesHeard.push_back(check->CheckState()); };
    Show();
    EXPECT_EQ(check->CheckState(), 0);
    ClickOn(check->handle);
    ClickOn(check->handle);
    EXPECT_EQ(parent->commands, (std::vector<ChildCommand>{{111, BN_CLICKED}, {111, BN_CLICKED}}));
    EXPECT_EQ(statesHeard, (std::vector<int>{1, 0}));
    check->SetCheckState(1);
    EXPECT_EQ(check->CheckState(), 1);
    EXPECT_EQ(ui::Inspect(check->handle).check, 1);
    EXPECT_EQ(parent->commands.size(), 2u) << "setting the state is no click";
}

TEST_F(StandardControls, TextOperations)
{
    auto* text = new StaticText(parent, "Firmware:", 10, 10, 90, 20, 0, 0);
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(text->ReadText(buffer, sizeof buffer), 0) << "no window yet";
    Show();
    EXPECT_EQ(text->ReadText(buffer, sizeof buffer), 9);
    EXPECT_STREQ(buffer, "Firmware:");
    EXPECT_EQ(text->ReadText(buffer, 4), 3);
    EXPECT_STREQ(buffer, "Fir");
    text->WriteText("MEQ");
    EXPECT_EQ(TextOf(text->handle), "MEQ");
    text->ClearText();
    EXPECT_EQ(TextOf(text->handle), "");
}

TEST_F(StandardControls, TextCapacityLimitsTyping)
{
    using Limits = std::vector<std::pair<UINT, WPARAM>>;
    const struct {
        int capacity;
        Limits limits;
        std::string typed;
    } cases[] = {
        {16, {{EM_LIMITTEXT, 15}}, "123456789012345"},
        {4, {{EM_LIMITTEXT, 3}}, "123"},
        {0, {}, "12345678901234567890"},
    };
    Show();
    for (const auto& c : cases) {
        auto* edit = new RecordingLimits<EditField>(parent, "", 10, 10, 400, 20, 7, c.capacity, false);
        ASSERT_TRUE(edit->Create());
        Type(edit->handle, "12345678901234567890");
        EXPECT_EQ(edit->limits, c.limits) << c.capacity;
        EXPECT_EQ(TextOf(edit->handle), c.typed) << c.capacity;
        delete edit;
    }
    // A combo box limits its edit field the same way.
    for (const auto& [capacity, limits] : {std::pair<int, Limits>{8, {{CB_LIMITTEXT, 7}}}, {0, {}}}) {
        auto* combo = new RecordingLimits<ComboBox>(parent, 10, 10, 80, 160, 9, capacity, true);
        ASSERT_TRUE(combo->Create());
        EXPECT_EQ(combo->limits, limits) << capacity;
        delete combo;
    }
}

TEST_F(StandardControls, BothCodeTables)
{
    const UINT listMessages[] = {0x180, 0x181, 0x182, 0x184, 0x18B, 0x189,
                                 0x18A, 0x18C, 0x188, 0x186, 0x199, 0x19A};
    const UINT comboMessages[] = {0x143, 0x14A, 0x144, 0x14B, 0x146, 0x148,
                                  0x149, 0x14D, 0x147, 0x14E, 0x150, 0x151};
    ListBox list(parent, 0, 0, 10, 10, 1);
    ComboBox combo(parent, 0, 0, 10, 10, 2, 0, false);
    ListBox& comboAsList = combo;
    for (int code = 0; code < ListBox::LIST_OPERATION_COUNT; ++code) {
        EXPECT_EQ(list.ListMessageCode(code), listMessages[code]) << code;
        EXPECT_EQ(comboAsList.ListMessageCode(code), comboMessages[code]) << code;
    }
    for (int code : {-1, 12, 1000}) {
        EXPECT_EQ(list.ListMessageCode(code), 0u) << code;
        EXPECT_EQ(comboAsList.ListMessageCode(code), 0u) << code;
    }
}

// The same operations on a sorted list box and a sorted combo box: each must reach its
// control through its own table.
class ListOperations : public ControlTest, public ::testing::WithParamInterface<bool> {
protected:
    ListBox* Make()
    {
        if (GetParam()) {
            return new ComboBox(parent, 10, 10, 120, 200, 104, 0, false);
        }
        return new ListBox(parent, 10, 10, 120, 200, 104);
    }
};

TEST_P(ListOperations, InsertedItemsKeepTheirPlaceUnderSort)
{
    ListBox* list = Make();
    Show();
    EXPECT_EQ(list->InsertItem("2", -1), 0);
    EXPECT_EQ(list->InsertItem("10", -1), 1);
    EXPECT_EQ(list->InsertItem("115200", -1), 2);
    EXPECT_EQ(list->InsertItem("B", 0), 0);
    EXPECT_EQ(list->InsertItem("x", 9), -1) << "past the end";
    EXPECT_EQ(ui::Inspect(list->handle).items, (std::vector<std::string>{"B", "2", "10", "115200"}));
    char buffer[8];
    EXPECT_EQ(list->ItemTextLength(3), 6);
    EXPECT_EQ(list->ItemText(buffer, 3), 6);
    EXPECT_STREQ(buffer, "115200");
    EXPECT_EQ(list->ItemTextLength(4), -1);
    EXPECT_EQ(list->ItemText(buffer, -1), -1);
}

TEST_P(ListOperations, SetSelectionOutsideTheItemsSelectsNothing)
{
    ListBox* list = Make();
    Show();
    for (const char* text : {"None", "Odd", "Even"}) {
        list->InsertItem(text, -1);
    }
    EXPECT_EQ(list->GetSelection(), -1);
    for (int position : {-1, 3, 100}) {
        list->SetSelection(2);
        ASSERT_EQ(list->GetSelection(), 2);
        list->SetSelection(position);
        EXPECT_EQ(list->GetSelection(), -1) << position;
        EXPECT_EQ(ui::Inspect(list->handle).selection, -1) << position;
    }
    EXPECT_TRUE(parent->commands.empty()) << "a program's selection notifies no one";
}

TEST_P(ListOperations, GetSelectedTextCutsToTheCallersLength)
{
    ListBox* list = Make();
    Show();
    list->InsertItem("COM10", -1);
    list->InsertItem("COM12345", -1);
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(list->GetSelectedText(buffer, 7), -1) << "nothing selected";
    EXPECT_EQ(std::string(buffer, sizeof buffer), "########");

    // The user picks with the keyboard, the way a choice normally arrives.
    ClickOn(list->handle);
    if (GetParam()) {
        ui::PressKey(VK_ESCAPE);  // close the list the click dropped
    }
    ui::PressKey(VK_HOME);
    Pump();
    ASSERT_EQ(list->GetSelection(), 0);
    EXPECT_EQ(list->GetSelectedText(buffer, 7), 5);
    EXPECT_STREQ(buffer, "COM10");

    ui::PressKey(VK_DOWN);
    Pump();
    ASSERT_EQ(list->GetSelection(), 1);
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(list->GetSelectedText(buffer, 7), 7);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string("COM1234\0", 8));
    char exact[9];
    EXPECT_EQ(list->GetSelectedText(exact, 8), 8);
    EXPECT_STREQ(exact, "COM12345");
    EXPECT_EQ(list->GetSelectedText(exact, 0), 0);
    EXPECT_STREQ(exact, "");
    EXPECT_EQ(list->GetSelectedText(exact, -1), -1);
}

INSTANTIATE_TEST_SUITE_P(ListAndCombo, ListOperations, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "ComboBox" : "ListBox";
                         });

// Before its window exists a control answers 0 and touches no buffer.
TEST_F(StandardControls, OperationsWithoutAWindow)
{
    ComboBox combo(parent, 10, 10, 80, 160, 104, 0, false);
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(combo.InsertItem("COM1", -1), 0);
    EXPECT_EQ(combo.GetSelection(), 0);
    EXPECT_EQ(combo.GetSelectedText(buffer, 7), -1);
    EXPECT_EQ(std::string(buffer, sizeof buffer), "########");
    CheckBox check(parent, "x", 0, 0, 10, 10, 1);
    EXPECT_EQ(check.CheckState(), 0);
}

}  // namespace
