// The standard controls: each one's messages, what the user's input does to it, and the
// notifications it sends its parent (and the ones it must not send).
#include "driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Command {
    WORD id;
    WORD code;
    HWND from;
    LRESULT checkAtNotification;
};
std::vector<Command> commands;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        const auto from = reinterpret_cast<HWND>(lParam);
        commands.push_back({LOWORD(wParam), HIWORD(wParam), from,
                            from != nullptr && ui::ClassOf(from) == "Button" ? SendMessageA(from, BM_GETCHECK, 0, 0) : -1});
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class Controls : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::Reset();
        commands.clear();
        ASSERT_NE(ui::RegisterTestClass("ControlParent", ParentProc), 0);
        parent = CreateWindowExA(0, "ControlParent", "controls", 0x00CA0000, 20, 20, 585, 423, nullptr, nullptr,
                                 nullptr, nullptr);
        ShowWindow(parent, SW_SHOWNORMAL);
        ui::Pump();
    }
    void TearDown() override { ui::Reset(); }

    HWND Make(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id, DWORD ex = 0)
    {
        const HWND hwnd = CreateWindowExA(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        EXPECT_NE(hwnd, nullptr) << cls;
        ui::Pump();
        commands.clear();
        return hwnd;
    }
    static std::vector<WORD> Codes(WORD id)
    {
        std::vector<WORD> out;
        for (const Command& c : commands) {
            if (c.id == id) {
                out.push_back(c.code);
            }
        }
        return out;
    }

    HWND parent = nullptr;
};

TEST_F(Controls, APushButtonNotifiesAClickAndSpace)
{
    const HWND button = Make("Button", "Zápis", WS_TABSTOP | BS_PUSHBUTTON, 120, 280, 50, 20, 108);
    ui::Click(button);
    ui::Pump();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].id, 108);
    EXPECT_EQ(commands[0].code, BN_CLICKED);
    EXPECT_EQ(commands[0].from, button);
    EXPECT_EQ(GetFocus(), button);

    ui::Key(VK_SPACE);
    ui::Pump();
    EXPECT_EQ(Codes(108), (std::vector<WORD>{BN_CLICKED, BN_CLICKED}));
    EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), 0);

    // A press that ends outside the button is no click.
    commands.clear();
    RECT r{};
    GetWindowRect(button, &r);
    ui::MouseDown(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    ui::MouseUp(POINT{r.right + 30, r.bottom + 30});
    ui::Pump();
    EXPECT_TRUE(commands.empty());
}

TEST_F(Controls, AnAutoCheckBoxTogglesBeforeItNotifiesAndSetCheckIsSilent)
{
    const HWND check = Make("Button", "Auto kalibrace", WS_TABSTOP | BS_AUTOCHECKBOX, 20, 355, 150, 20, 111);
    ui::Click(check);
    ui::Pump();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].code, BN_CLICKED);
    EXPECT_EQ(commands[0].checkAtNotification, BST_CHECKED);
    ui::Key(VK_SPACE);
    ui::Pump();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[1].checkAtNotification, BST_UNCHECKED);

    commands.clear();
    SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    ui::Pump();
    EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(commands.empty());
}

TEST_F(Controls, AGroupBoxTakesNoInputAndLetsClicksThroughToTheControlsInside)
{
    const HWND group = Make("Button", "CO2:", BS_GROUPBOX, 10, 255, 170, 130, 0);
    const HWND inside = Make("Button", "Zápis", WS_TABSTOP, 120, 280, 50, 20, 108);
    ui::Click(group);  // its middle is empty box
    ui::Pump();
    EXPECT_TRUE(commands.empty());
    EXPECT_NE(GetFocus(), group);
    ui::Click(inside);
    ui::Pump();
    EXPECT_EQ(Codes(108), std::vector<WORD>{BN_CLICKED});
    EXPECT_EQ(SendMessageA(group, WM_GETDLGCODE, 0, 0) & DLGC_STATIC, DLGC_STATIC);
}

TEST_F(Controls, EveryControlKeepsItsText)
{
    for (const char* cls : {"Button", "Static", "Edit"}) {
        const HWND hwnd = Make(cls, "before", 0, 10, 10, 100, 20, 1);
        EXPECT_EQ(ui::Text(hwnd), "before") << cls;
        EXPECT_TRUE(SetWindowTextA(hwnd, "Převodník:")) << cls;
        EXPECT_EQ(ui::Text(hwnd), "Převodník:") << cls;
        DestroyWindow(hwnd);
    }
}

// ---- Edit ---------------------------------------------------------------------------

class EditControl : public Controls {
protected:
    HWND Field(DWORD style, int width = 200)
    {
        const HWND edit = Make("Edit", "", WS_TABSTOP | style, 60, 280, width, 20, 30, WS_EX_CLIENTEDGE);
        ui::Click(edit);
        ui::Pump();
        commands.clear();
        return edit;
    }
};

TEST_F(EditControl, TypingAndTheEditingKeys)
{
    const HWND edit = Field(ES_AUTOHSCROLL);
    ui::Type("abcd");
    ui::Pump();
    EXPECT_EQ(ui::Text(edit), "abcd");
    struct Step {
        UINT vk;
        unsigned modifiers;
        const char* typed;
        const char* expected;
    };
    const Step steps[] = {
        {VK_HOME, ui::NoModifier, nullptr, "abcd"}, {VK_RIGHT, ui::NoModifier, nullptr, "abcd"},
        {VK_DELETE, ui::NoModifier, nullptr, "acd"}, {VK_END, ui::NoModifier, nullptr, "acd"},
        {VK_BACK, ui::NoModifier, nullptr, "ac"},    {VK_LEFT, ui::NoModifier, "X", "aXc"},
        {VK_HOME, ui::NoModifier, nullptr, "aXc"},   {VK_RIGHT, ui::Shift, "-", "-Xc"},
    };
    for (const Step& s : steps) {
        ui::Key(s.vk, s.modifiers);
        if (s.typed != nullptr) {
            ui::Type(s.typed);
        }
        ui::Pump();
        EXPECT_EQ(ui::Text(edit), s.expected) << s.vk;
    }
    DWORD start = 9;
    DWORD end = 9;
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
}

TEST_F(EditControl, ChangesNotifyUpdateThenChangeAndRefusedKeysNothing)
{
    const HWND edit = Field(ES_NUMBER | ES_RIGHT);
    ui::Type("1a2.-3");
    ui::Pump();
    EXPECT_EQ(ui::Text(edit), "123");
    std::vector<WORD> changes;
    for (const Command& c : commands) {
        if (c.code == EN_UPDATE || c.code == EN_CHANGE) {
            changes.push_back(c.code);
            EXPECT_EQ(c.from, edit);
        }
    }
    EXPECT_EQ(changes, (std::vector<WORD>{EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}));

    commands.clear();
    SetWindowTextA(edit, "42");
    EXPECT_EQ(Codes(30), (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
    commands.clear();
    ui::Key(VK_LEFT);
    ui::Key(VK_HOME);
    ui::Pump();
    EXPECT_TRUE(Codes(30).empty());
}

TEST_F(EditControl, LimitTextStopsTyping)
{
    const HWND edit = Field(ES_AUTOHSCROLL);
    SendMessageA(edit, EM_LIMITTEXT, 15, 0);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 15);
    ui::Type("12345678901234567890");
    ui::Pump();
    EXPECT_EQ(ui::Text(edit), "123456789012345");
    // Setting the text is not typing: the limit does not apply.
    SetWindowTextA(edit, "12345678901234567890");
    EXPECT_EQ(GetWindowTextLengthA(edit), 20);
}

TEST_F(EditControl, WithoutAutoScrollOnlyWhatFitsTheFieldCanBeTyped)
{
    for (const int width : {50, 60}) {
        const HWND edit = Field(ES_RIGHT, width);
        ui::Type("12345678901234567890");
        ui::Pump();
        const std::string text = ui::Text(edit);
        RECT format{};
        SendMessageA(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        const HDC dc = GetDC(edit);
        SIZE shown{};
        SIZE oneMore{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &shown);
        const std::string longer = text + "0";
        GetTextExtentPoint32A(dc, longer.c_str(), static_cast<int>(longer.size()), &oneMore);
        ReleaseDC(edit, dc);
        EXPECT_FALSE(text.empty());
        EXPECT_LT(text.size(), 20u) << width;
        EXPECT_EQ(text, std::string("12345678901234567890").substr(0, text.size()));
        EXPECT_LE(shown.cx, format.right - format.left) << width;
        EXPECT_GT(oneMore.cx, format.right - format.left) << width;
        DestroyWindow(edit);
    }
    const HWND scrolling = Field(ES_AUTOHSCROLL, 50);
    ui::Type("12345678901234567890");
    ui::Pump();
    EXPECT_EQ(ui::Text(scrolling), "12345678901234567890");
}

TEST_F(EditControl, AMultiLineFieldKeepsLineBreaks)
{
    const HWND edit = Field(ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL);
    ui::Type("L1");
    ui::Key(VK_RETURN);
    ui::Type("L2");
    ui::Pump(parent);  // through the dialog keyboard handling, which leaves Enter to the field
    EXPECT_EQ(ui::Text(edit), "L1\r\nL2");
    EXPECT_EQ(SendMessageA(edit, EM_GETLINECOUNT, 0, 0), 2);
    for (const Command& c : commands) {
        EXPECT_NE(c.id, IDOK);
    }
}

// ---- List box and combo box: one table, each control's own messages ---------------

struct ListMessages {
    const char* cls;
    DWORD sorted;
    UINT add, insert, remove, reset, count, text, textLength, select, getSel, setSel, getData, setData;
};

const ListMessages LISTBOX{"ListBox", LBS_SORT, LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
                           LB_GETCOUNT, LB_GETTEXT, LB_GETTEXTLEN, LB_SELECTSTRING, LB_GETCURSEL, LB_SETCURSEL,
                           LB_GETITEMDATA, LB_SETITEMDATA};
const ListMessages COMBOBOX{"ComboBox", CBS_SORT, CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT,
                            CB_GETCOUNT, CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_SELECTSTRING, CB_GETCURSEL, CB_SETCURSEL,
                            CB_GETITEMDATA, CB_SETITEMDATA};

class Lists : public Controls, public ::testing::WithParamInterface<ListMessages> {
protected:
    HWND List(bool sorted)
    {
        const ListMessages& m = GetParam();
        const DWORD kind = std::string(m.cls) == "ComboBox" ? CBS_DROPDOWNLIST : LBS_NOTIFY;
        return Make(m.cls, nullptr, WS_TABSTOP | WS_VSCROLL | kind | (sorted ? m.sorted : 0), 95, 115, 75, 200, 104,
                    WS_EX_CLIENTEDGE);
    }
    static LRESULT Send(HWND list, UINT message, WPARAM wParam = 0, const char* text = nullptr)
    {
        return SendMessageA(list, message, wParam, reinterpret_cast<LPARAM>(text));
    }
    static std::vector<std::string> Items(HWND list)
    {
        const ListMessages& m = GetParam();
        std::vector<std::string> items;
        const auto n = Send(list, m.count);
        for (LRESULT i = 0; i < n; ++i) {
            char buffer[64] = {};
            EXPECT_EQ(SendMessageA(list, m.text, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer)),
                      Send(list, m.textLength, static_cast<WPARAM>(i)));
            items.emplace_back(buffer);
        }
        return items;
    }
};

TEST_P(Lists, AddSortsUnderTheSortStyleAndInsertNever)
{
    const ListMessages& m = GetParam();
    const HWND sorted = List(true);
    for (const char* item : {"1200", "115200", "9600", "19200"}) {
        Send(sorted, m.add, 0, item);
    }
    EXPECT_EQ(Items(sorted), (std::vector<std::string>{"115200", "1200", "19200", "9600"}));
    EXPECT_EQ(Send(sorted, m.insert, static_cast<WPARAM>(-1), "2400"), 4);
    EXPECT_EQ(Send(sorted, m.insert, 0, "57600"), 0);
    EXPECT_EQ(Items(sorted), (std::vector<std::string>{"57600", "115200", "1200", "19200", "9600", "2400"}));

    const HWND plain = List(false);
    for (const char* item : {"COM3", "COM1"}) {
        Send(plain, m.add, 0, item);
    }
    EXPECT_EQ(Items(plain), (std::vector<std::string>{"COM3", "COM1"}));
}

TEST_P(Lists, BadPositionsGiveErrAndChangeNothing)
{
    const ListMessages& m = GetParam();
    const HWND list = List(false);
    for (const char* item : {"None", "Odd", "Even"}) {
        Send(list, m.insert, static_cast<WPARAM>(-1), item);
    }
    char buffer[16] = "untouched";
    struct Case {
        UINT message;
        WPARAM position;
    };
    for (const Case c : {Case{m.text, 3}, Case{m.textLength, 3}, Case{m.textLength, static_cast<WPARAM>(-1)},
                         Case{m.remove, 3}, Case{m.getData, 5}, Case{m.insert, 5}}) {
        EXPECT_EQ(SendMessageA(list, c.message, c.position, reinterpret_cast<LPARAM>(buffer)), -1) << c.message;
    }
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(Send(list, m.count), 3);
    EXPECT_EQ(Send(list, m.remove, 1), 2);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"None", "Even"}));
    EXPECT_NE(SendMessageA(list, m.setData, 1, 0x5A5A), -1);
    EXPECT_EQ(Send(list, m.getData, 1), 0x5A5A);
    Send(list, m.reset);
    EXPECT_EQ(Send(list, m.count), 0);
    EXPECT_EQ(Send(list, m.getSel), -1);
}

TEST_P(Lists, SelectionFromTheProgramNeverNotifies)
{
    const ListMessages& m = GetParam();
    const HWND list = List(false);
    for (const char* item : {"None", "Odd", "Even", "Mark"}) {
        Send(list, m.insert, static_cast<WPARAM>(-1), item);
    }
    EXPECT_EQ(Send(list, m.getSel), -1);
    EXPECT_EQ(Send(list, m.setSel, 2), 2);
    EXPECT_EQ(Send(list, m.getSel), 2);
    EXPECT_EQ(Send(list, m.setSel, static_cast<WPARAM>(-1)), -1);
    EXPECT_EQ(Send(list, m.getSel), -1);
    Send(list, m.setSel, 1);
    EXPECT_EQ(Send(list, m.setSel, 4), -1);  // past the end
    if (!ui::WineDeviation("a selection past the end keeps the old one, where CB_SETCURSEL clears it")) {
        EXPECT_EQ(Send(list, m.getSel), -1);
    }
    Send(list, m.setSel, static_cast<WPARAM>(-1));
    EXPECT_EQ(Send(list, m.select, static_cast<WPARAM>(-1), "ma"), 3);  // a prefix, any case
    EXPECT_EQ(Send(list, m.getSel), 3);
    EXPECT_EQ(Send(list, m.select, static_cast<WPARAM>(-1), "x"), -1);
    EXPECT_EQ(Send(list, m.getSel), 3);
    ui::Pump();
    EXPECT_TRUE(commands.empty());
}

TEST_P(Lists, TheUsersChoiceByKeyboardNotifies)
{
    const ListMessages& m = GetParam();
    const HWND list = List(false);
    for (const char* item : {"None", "Odd", "Even", "Mark"}) {
        Send(list, m.insert, static_cast<WPARAM>(-1), item);
    }
    SetFocus(list);
    commands.clear();
    ui::Key(VK_DOWN);
    ui::Key(VK_DOWN);
    ui::Type("e");
    ui::Key(VK_END);
    ui::Key(VK_END);  // no change, no notification
    ui::Pump();
    EXPECT_EQ(Send(list, m.getSel), 3);
    const WORD change = std::string(m.cls) == "ComboBox" ? CBN_SELCHANGE : LBN_SELCHANGE;
    std::vector<WORD> changes;
    for (const Command& c : commands) {
        if (c.code == change) {
            changes.push_back(c.code);
            EXPECT_EQ(c.from, list);
        }
    }
    // The documentation does not say whether a key that moves nothing notifies; Wine does.
    if (ui::UnderWine()) {
        EXPECT_GE(changes.size(), 4u);
    } else {
        EXPECT_EQ(changes.size(), 4u);
    }
}

INSTANTIATE_TEST_SUITE_P(BothKinds, Lists, ::testing::Values(LISTBOX, COMBOBOX),
                         [](const auto& param) { return std::string(param.param.cls); });

TEST_F(Controls, AClickOnAListBoxItemSelectsItAndNotifies)
{
    const HWND list = Make("ListBox", nullptr, WS_TABSTOP | LBS_NOTIFY, 10, 10, 100, 120, 60, WS_EX_CLIENTEDGE);
    for (const char* item : {"COM1", "COM2", "COM3"}) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    RECT item{};
    ASSERT_NE(SendMessageA(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item)), LB_ERR);
    POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(list, &at);
    ui::ClickAt(at);
    ui::Pump();
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(GetFocus(), list);
    const auto codes = Codes(60);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), LBN_SELCHANGE), 1);
}

TEST_F(Controls, AComboBoxIsChosenFromByOpeningTheListAndPickingAnItem)
{
    const HWND combo = Make("ComboBox", nullptr, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_SORT, 95, 145, 75,
                            200, 105, WS_EX_CLIENTEDGE);
    for (const char* item : {"1200", "2400", "4800", "9600", "19200"}) {
        SendMessageA(combo, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(item));
    }
    RECT field{};
    GetWindowRect(combo, &field);
    EXPECT_LT(field.bottom - field.top, 200);  // the window is the field; 200 was the dropped height
    EXPECT_EQ(SendMessageA(combo, CB_LIMITTEXT, 5, 0), TRUE);

    ui::Click(combo);
    ui::Pump();
    EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
    const auto opening = Codes(105);
    EXPECT_EQ(std::count(opening.begin(), opening.end(), CBN_DROPDOWN), 1);
    EXPECT_EQ(std::count(opening.begin(), opening.end(), CBN_SELCHANGE), 0);
    RECT dropped{};
    SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    const auto itemHeight = static_cast<LONG>(SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(itemHeight, 0);
    commands.clear();
    // The dropped rectangle is the whole combo box, its field on top of the list.
    EXPECT_EQ(dropped.top, field.top);
    EXPECT_GT(dropped.bottom, field.bottom);
    ui::ClickAt(POINT{(dropped.left + dropped.right) / 2, field.bottom + 2 + itemHeight * 3 + itemHeight / 2});
    ui::Pump();
    EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(ui::Text(combo), "9600");
    const auto codes = Codes(105);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CBN_SELCHANGE), 1);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CBN_CLOSEUP), 1);

    // Opening and closing without a pick changes nothing.
    commands.clear();
    ui::Click(combo);
    ui::Click(combo);
    ui::Pump();
    EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 3);
    const auto after = Codes(105);
    EXPECT_EQ(std::count(after.begin(), after.end(), CBN_SELCHANGE), 0);

    // Its text names the selected item; having no field, it takes no text of its own.
    for (const char* text : {"2400", "300"}) {
        EXPECT_EQ(SendMessageA(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)), CB_ERR) << text;
        EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 3) << text;
        EXPECT_EQ(ui::Text(combo), "9600");
    }
}

}  // namespace
