// The dialog manager: keyboard handling in a window with controls and in a dialog, dialogs
// from a template in the program's resources, and message boxes as modal windows.
#include "dialog_template.h"
#include "driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The communication settings dialog: no Cancel button, OK first.
std::vector<BYTE> SettingsTemplate()
{
    TemplateBuilder t(0x00C80080, 100, 20, 87, 72, "MODBUS RTU");
    t.Item(BUTTON, 1, "OK", 0x50030000, 18, 53, 50, 12)
        .Item(STATIC, 0, "Rychlost", 0x50020000, 5, 7, 32, 10)
        .Item(COMBOBOX, 101, "", 0x50210003, 42, 5, 40, 80)
        .Item(STATIC, 0, "Parita", 0x50020000, 5, 22, 32, 10)
        .Item(COMBOBOX, 102, "", 0x50210003, 42, 20, 40, 80)
        .Item(STATIC, 0, "Adresa", 0x50020000, 5, 37, 32, 10)
        .Item(COMBOBOX, 103, "", 0x50210003, 42, 35, 40, 80);
    return t.Bytes();
}

// ---- a window with controls, as the main window uses the dialog keyboard ---------------

struct Command {
    WORD id;
    WORD code;
    HWND from;
};
std::vector<Command> commands;
std::vector<std::pair<HWND, WORD>> activations;
int ticks = 0;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        commands.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
        return 0;
    case WM_TIMER:
        ++ticks;
        return 0;
    case WM_ACTIVATE:
        activations.emplace_back(hwnd, LOWORD(wParam));
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK WantsTabProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETDLGCODE) {
        return DLGC_WANTTAB | DLGC_WANTCHARS;
    }
    if (message == WM_KEYDOWN && wParam == VK_TAB) {
        SetWindowTextA(hwnd, "got tab");
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::Reset();
        commands.clear();
        activations.clear();
        ticks = 0;
        ASSERT_NE(ui::RegisterTestClass("OwnerWindow", OwnerProc), 0);
        ASSERT_NE(ui::RegisterTestClass("WantsTab", WantsTabProc), 0);
        owner = CreateWindowExA(0, "OwnerWindow", "MEQ config", 0x00CA0000, CW_USEDEFAULT, 0, 585, 423, nullptr,
                                nullptr, nullptr, nullptr);
        ASSERT_NE(owner, nullptr);
    }
    void TearDown() override
    {
        ui::RemoveResource(RT_DIALOG, MAKEINTRESOURCEA(1));
        ui::Reset();
    }

    HWND Make(const char* cls, const char* text, DWORD style, int y, int id)
    {
        return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 10, y, 100, 20, owner,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }
    void Show()
    {
        ShowWindow(owner, SW_SHOWNORMAL);
        ui::Pump(owner);
        commands.clear();
        activations.clear();
    }

    HWND owner = nullptr;
};

TEST_F(Dialogs, TabAndShiftTabGoOverTheTabStopsInCreationOrder)
{
    Make("Static", "Port:", WS_GROUP | SS_LEFT, 10, 0);
    const HWND combo = Make("ComboBox", "", WS_GROUP | WS_TABSTOP | CBS_DROPDOWNLIST, 40, 101);
    const HWND button = Make("Button", "...", WS_GROUP | WS_TABSTOP, 70, 102);
    Make("Button", "CO2:", WS_GROUP | BS_GROUPBOX, 100, 0);
    const HWND edit = Make("Edit", "1500", WS_GROUP | WS_TABSTOP | ES_NUMBER, 130, 0);
    const HWND disabled = Make("Button", "off", WS_GROUP | WS_TABSTOP | WS_DISABLED, 160, 108);
    const HWND check = Make("Button", "Číst", WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX, 190, 112);
    (void)disabled;
    Show();
    SetFocus(combo);

    const std::vector<HWND> forward{button, edit, check, combo, button};
    for (HWND expected : forward) {
        ui::Key(VK_TAB);
        ui::Pump(owner);
        EXPECT_EQ(GetFocus(), expected);
    }
    const std::vector<HWND> backward{combo, check, edit};
    for (HWND expected : backward) {
        ui::Key(VK_TAB, ui::Shift);
        ui::Pump(owner);
        EXPECT_EQ(GetFocus(), expected);
    }
    // Tabbing into an edit field selects its text; no Tab character reaches it.
    DWORD start = 9;
    DWORD end = 9;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 4u);
    EXPECT_EQ(ui::Text(edit), "1500");
    EXPECT_TRUE(commands.empty() || commands.front().code != BN_CLICKED);
}

TEST_F(Dialogs, AControlThatWantsTabKeepsIt)
{
    const HWND first = Make("WantsTab", "", WS_TABSTOP, 10, 1);
    Make("Button", "next", WS_TABSTOP, 40, 2);
    Show();
    SetFocus(first);
    ui::Key(VK_TAB);
    ui::Pump(owner);
    EXPECT_EQ(GetFocus(), first);
    EXPECT_EQ(ui::Text(first), "got tab");
}

TEST_F(Dialogs, EnterAndEscapeBecomeCommands)
{
    const HWND edit = Make("Edit", "", WS_TABSTOP, 10, 30);
    Show();
    struct Case {
        UINT vk;
        WORD id;
        bool withButtons;
    };
    HWND ok = nullptr;
    HWND cancel = nullptr;
    for (const Case c : {Case{VK_RETURN, IDOK, false}, Case{VK_ESCAPE, IDCANCEL, false},
                         Case{VK_RETURN, IDOK, true}, Case{VK_ESCAPE, IDCANCEL, true}}) {
        if (c.withButtons && ok == nullptr) {
            ok = Make("Button", "OK", WS_TABSTOP, 40, IDOK);
            cancel = Make("Button", "Cancel", WS_TABSTOP, 70, IDCANCEL);
        }
        SetFocus(edit);
        commands.clear();
        ui::Key(c.vk);
        ui::Pump(owner);
        ASSERT_EQ(commands.size(), 1u) << c.vk;
        EXPECT_EQ(commands[0].id, c.id);
        const HWND expected = !c.withButtons ? nullptr : (c.id == IDOK ? ok : cancel);
        EXPECT_EQ(commands[0].from, expected);
        EXPECT_EQ(ui::Text(edit), "");  // the key did not reach the field
    }
    // A push button the user tabbed to answers Enter with its own id: the dialog keyboard
    // makes it the default button while it has the focus.
    const HWND other = Make("Button", "Restart", WS_TABSTOP, 100, 107);
    SetFocus(cancel);
    ui::Key(VK_TAB);
    ui::Pump(owner);
    ASSERT_EQ(GetFocus(), other);
    commands.clear();
    ui::Key(VK_RETURN);
    ui::Pump(owner);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].id, 107);
    EXPECT_EQ(commands[0].from, other);
}

TEST_F(Dialogs, ArrowKeysMoveWithinAGroupOnly)
{
    const HWND r1 = Make("Button", "1", WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, 10, 1);
    const HWND r2 = Make("Button", "2", BS_AUTORADIOBUTTON, 40, 2);
    const HWND r3 = Make("Button", "3", BS_AUTORADIOBUTTON, 70, 3);
    const HWND after = Make("Button", "next", WS_GROUP | WS_TABSTOP, 100, 4);
    Show();
    SetFocus(r1);
    for (HWND expected : {r2, r3, r1}) {
        ui::Key(VK_DOWN);
        ui::Pump(owner);
        EXPECT_EQ(GetFocus(), expected);
        EXPECT_EQ(SendMessageA(expected, BM_GETCHECK, 0, 0), BST_CHECKED);
    }
    ui::Key(VK_UP);
    ui::Pump(owner);
    EXPECT_EQ(GetFocus(), r3);
    EXPECT_EQ(SendMessageA(r1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SetFocus(after);
    ui::Key(VK_DOWN);
    ui::Pump(owner);
    EXPECT_EQ(GetFocus(), after);  // a group of one
}

TEST_F(Dialogs, IsDialogMessageTakesOnlyTheWindowsOwnMessages)
{
    Show();
    const HWND other = CreateWindowExA(0, "OwnerWindow", "other", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                       nullptr, nullptr, nullptr);
    MSG msg{other, WM_USER, 0, 0, 0, {}};
    EXPECT_FALSE(IsDialogMessageA(owner, &msg));
    msg.hwnd = owner;
    EXPECT_TRUE(IsDialogMessageA(owner, &msg));
    EXPECT_FALSE(IsDialogMessageA(nullptr, &msg));
}

// ---- dialogs from templates --------------------------------------------------------------

struct DialogRun {
    HWND proposedFocus = nullptr;
    int initCalls = 0;
    std::vector<std::pair<WORD, HWND>> commands;
    HBRUSH dialogBrush = nullptr;
};
DialogRun run;

INT_PTR CALLBACK SettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        ++run.initCalls;
        run.proposedFocus = reinterpret_cast<HWND>(wParam);
        EXPECT_EQ(lParam, 0x77);
        for (const char* rate : {"9600", "19200"}) {
            SendDlgItemMessageA(dialog, 101, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(rate));
        }
        SendDlgItemMessageA(dialog, 101, CB_SETCURSEL, 1, 0);
        return TRUE;
    case WM_COMMAND:
        // The combo boxes' own notifications are no concern here.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            run.commands.emplace_back(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
            EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 2);
        }
        return TRUE;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(run.dialogBrush);
    default:
        return FALSE;
    }
}

// Dialog units to pixels, rounded to the nearest as MulDiv does.
LONG DialogUnits(LONG units, LONG base, LONG per)
{
    return (units * base + per / 2) / per;
}

INT_PTR CALLBACK FocusThirdProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetFocus(GetDlgItem(dialog, 103));
        return FALSE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 55);
        return TRUE;
    }
    return FALSE;
}

class TemplateDialogs : public Dialogs {
protected:
    void SetUp() override
    {
        Dialogs::SetUp();
        run = DialogRun{};
        const std::vector<BYTE> bytes = SettingsTemplate();
        ASSERT_TRUE(ui::AddResource(RT_DIALOG, MAKEINTRESOURCEA(1), bytes.data(),
                                              static_cast<DWORD>(bytes.size())));
        Show();
    }
};

TEST_F(TemplateDialogs, ADialogIsBuiltFromItsTemplateAndEndsWithTheGivenValue)
{
    struct Case {
        UINT key;
        INT_PTR expected;
        WORD command;
        bool fromOk;
    };
    for (const Case c : {Case{VK_ESCAPE, 2, IDCANCEL, false}, Case{VK_RETURN, 1, IDOK, true}}) {
        run.commands.clear();
        HWND seen = nullptr;
        HWND seenOk = nullptr;
        ui::OnNextModal([&](HWND dialog) {
            seen = dialog;
            seenOk = GetDlgItem(dialog, 1);
            EXPECT_EQ(ui::ClassOf(dialog), "#32770");
            EXPECT_EQ(ui::Text(dialog), "MODBUS RTU");
            EXPECT_EQ(GetActiveWindow(), dialog);
            EXPECT_FALSE(IsWindowEnabled(owner));
            const HWND okButton = GetDlgItem(dialog, 1);
            ASSERT_NE(okButton, nullptr);
            EXPECT_EQ(run.proposedFocus, okButton);  // the first tab stop
            EXPECT_EQ(GetFocus(), okButton);
            const HWND baud = GetDlgItem(dialog, 101);
            EXPECT_EQ(ui::ClassOf(baud), "ComboBox");
            EXPECT_EQ(ui::Text(baud), "19200");
            // Dialog units: 4 per average character width, 8 per character height, rounded.
            const LONG units = GetDialogBaseUnits();
            RECT r{};
            GetWindowRect(baud, &r);
            POINT corner{r.left, r.top};
            ScreenToClient(dialog, &corner);
            EXPECT_EQ(corner.x, DialogUnits(42, LOWORD(units), 4));
            EXPECT_EQ(corner.y, DialogUnits(5, HIWORD(units), 8));
            RECT client{};
            GetClientRect(dialog, &client);
            EXPECT_EQ(client.right, DialogUnits(87, LOWORD(units), 4));
            EXPECT_EQ(client.bottom, DialogUnits(72, HIWORD(units), 8));
            SetFocus(baud);
            ui::Key(c.key);
        });
        const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), owner, SettingsProc, 0x77);
        EXPECT_EQ(result, c.expected);
        ASSERT_EQ(run.commands.size(), 1u);
        EXPECT_EQ(run.commands[0].first, c.command);
        // Escape names the child with id 2, and this template has none.
        EXPECT_EQ(run.commands[0].second, c.fromOk ? seenOk : nullptr);
        EXPECT_FALSE(IsWindow(seen));
        EXPECT_TRUE(IsWindowEnabled(owner));
        EXPECT_EQ(GetActiveWindow(), owner);
    }
    EXPECT_EQ(run.initCalls, 2);
    ASSERT_GE(activations.size(), 2u);
    EXPECT_EQ(activations[0], std::make_pair(owner, static_cast<WORD>(WA_INACTIVE)));
    EXPECT_NE(activations[1].second, WA_INACTIVE);
}

TEST_F(TemplateDialogs, TheCloseBoxLeavesWmCloseToTheDialogManager)
{
    ui::OnNextModal([](HWND dialog) { ui::ClickCloseBox(dialog); });
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(1), owner, SettingsProc, 0x77), 2);
    ASSERT_EQ(run.commands.size(), 1u);
    EXPECT_EQ(run.commands[0].first, IDCANCEL);
}

TEST_F(TemplateDialogs, FocusSetDuringInitDialogStays)
{
    HWND focused = nullptr;
    HWND expected = nullptr;
    ui::OnNextModal([&](HWND dialog) {
        focused = GetFocus();
        expected = GetDlgItem(dialog, 103);
        ui::Key(VK_ESCAPE);
    });
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(1), owner, FocusThirdProc, 0), 55);
    EXPECT_NE(expected, nullptr);
    EXPECT_EQ(focused, expected);
}

TEST_F(TemplateDialogs, TemplatesAreFoundByNameAndAMissingOneFails)
{
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(2), owner, SettingsProc, 0), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, "NOSUCH", owner, SettingsProc, 0), -1);
    EXPECT_EQ(run.initCalls, 0);
    EXPECT_TRUE(IsWindowEnabled(owner));

    const std::vector<BYTE> bytes = SettingsTemplate();
    ASSERT_TRUE(ui::AddResource(RT_DIALOG, "Settings", bytes.data(), static_cast<DWORD>(bytes.size())));
    ui::OnNextModal([](HWND) { ui::Key(VK_RETURN); });
    EXPECT_EQ(DialogBoxParamA(nullptr, "SETTINGS", owner, SettingsProc, 0x77), 1);
    ui::RemoveResource(RT_DIALOG, "Settings");

    // The same template straight from memory.
    ui::OnNextModal([](HWND) { ui::Key(VK_ESCAPE); });
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), owner, SettingsProc,
                                      0x77),
              2);
}

TEST_F(TemplateDialogs, ATruncatedTemplateFails)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows reads a template without bounding it by its resource's size";
#endif
    std::vector<BYTE> broken = SettingsTemplate();
    broken.resize(30);
    ASSERT_TRUE(ui::AddResource(RT_DIALOG, MAKEINTRESOURCEA(3), broken.data(),
                                          static_cast<DWORD>(broken.size())));
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(3), owner, SettingsProc, 0), -1);
    ui::RemoveResource(RT_DIALOG, MAKEINTRESOURCEA(3));
}

INT_PTR CALLBACK RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        for (const char* parity : {"None", "Odd", "Even", "Mark"}) {
            SendDlgItemMessageA(dialog, 102, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(parity));
        }
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        run.commands.emplace_back(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 9);
        }
        return TRUE;
    }
    return FALSE;
}

TEST_F(TemplateDialogs, EnterGoesToTheDefaultButtonUnlessAnOpenListTakesIt)
{
    TemplateBuilder t(0x00C80080, 10, 10, 120, 60, "Default");
    t.Item(COMBOBOX, 102, "", 0x50210003, 5, 5, 50, 80)
        .Item(BUTTON, 7, "Zápis", 0x50010001, 60, 5, 40, 12)  // BS_DEFPUSHBUTTON
        .Item(BUTTON, IDCANCEL, "Cancel", 0x50010000, 60, 25, 40, 12);
    const std::vector<BYTE> bytes = t.Bytes();
    ASSERT_TRUE(ui::AddResource(RT_DIALOG, MAKEINTRESOURCEA(5), bytes.data(), static_cast<DWORD>(bytes.size())));
    HWND combo = nullptr;
    LRESULT selection = -2;
    bool stillOpen = false;
    ui::OnNextModal([&](HWND dialog) {
        combo = GetDlgItem(dialog, 102);
        EXPECT_EQ(GetFocus(), combo);
        ui::Key(VK_F4);
        ui::Key(VK_DOWN);
        ui::Key(VK_DOWN);
        ui::Key(VK_RETURN);  // closes the list, not the dialog
        ui::WhenIdle([&, dialog] {
            selection = SendMessageA(combo, CB_GETCURSEL, 0, 0);
            stillOpen = IsWindow(dialog) && !SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0);
            ui::Key(VK_RETURN);  // now the default button
            ui::Key(VK_ESCAPE);
            return false;
        });
    });
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(5), owner, RecordingProc, 0), 9);
    EXPECT_EQ(selection, 1);
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(run.commands.size(), 2u);
    EXPECT_EQ(run.commands[0].first, 7);
    EXPECT_NE(run.commands[0].second, nullptr);
    EXPECT_EQ(run.commands[1].first, IDCANCEL);
    ui::RemoveResource(RT_DIALOG, MAKEINTRESOURCEA(5));
}

// ---- message boxes -----------------------------------------------------------------------

HWND ChildWithText(HWND parent, const char* text)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ui::Text(child) == text) {
            return child;
        }
    }
    return nullptr;
}

TEST_F(Dialogs, AMessageBoxIsModalAndTheOwnersTimerKeepsRunning)
{
    const HWND field = Make("Edit", "", WS_TABSTOP, 10, 1);
    Show();
    SetFocus(field);
    ASSERT_NE(SetTimer(owner, 1, 20, nullptr), 0u);
    enum class Way { Enter, Escape, ClickOk, CloseBox };
    bool skipped = false;
    for (const Way way : {Way::Enter, Way::Escape, Way::ClickOk, Way::CloseBox}) {
        // Windows answers Escape and the close box of a box with only OK with IDOK.
        if ((way == Way::Escape || way == Way::CloseBox) &&
            ui::WineDeviation("Escape or the close box on an OK-only message box gives IDCANCEL")) {
            skipped = true;
            continue;
        }
        ticks = 0;
        activations.clear();
        HWND box = nullptr;
        ui::OnNextModal([&](HWND modal) {
            box = modal;
            EXPECT_EQ(GetActiveWindow(), modal);
            EXPECT_FALSE(IsWindowEnabled(owner));
            EXPECT_EQ(ui::Text(modal), "MEQ config");
            EXPECT_NE(ChildWithText(modal, "Převodník není kompatibilní s tímto nástrojem."), nullptr);
            ASSERT_NE(ChildWithText(modal, "OK"), nullptr);
            EXPECT_EQ(GetDlgCtrlID(ChildWithText(modal, "OK")), IDOK);
            // A click on the disabled owner goes nowhere.
            ui::Click(field);
        });
        ui::WhenIdle([&] {
            if (ticks < 3) {
                return true;
            }
            switch (way) {
            case Way::Enter: ui::Key(VK_RETURN); break;
            case Way::Escape: ui::Key(VK_ESCAPE); break;
            case Way::ClickOk: ui::Click(ChildWithText(box, "OK")); break;
            case Way::CloseBox: ui::ClickCloseBox(box); break;
            }
            return false;
        });
        const int result = MessageBoxA(owner, "Převodník není kompatibilní s tímto nástrojem.", "MEQ config",
                                       MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(result, IDOK);
        EXPECT_GE(ticks, 3);
        EXPECT_FALSE(IsWindow(box));
        EXPECT_TRUE(IsWindowEnabled(owner));
        EXPECT_EQ(GetActiveWindow(), owner);
        ASSERT_GE(activations.size(), 2u);
        EXPECT_EQ(activations.front().second, WA_INACTIVE);
        EXPECT_EQ(activations.back().second, WA_ACTIVE);
    }
    KillTimer(owner, 1);
    if (skipped) {
        GTEST_SKIP() << "Escape and the close box: Wine answers IDCANCEL where Windows gives IDOK";
    }
}

TEST_F(TemplateDialogs, AQuitRequestEndsTheDialogAndReachesTheOuterLoop)
{
    HWND dialog = nullptr;
    ui::OnNextModal([&](HWND modal) {
        dialog = modal;
        PostQuitMessage(5);
    });
    DialogBoxParamA(nullptr, MAKEINTRESOURCEA(1), owner, SettingsProc, 0x77);
    EXPECT_FALSE(IsWindow(dialog));
    if (!ui::WineDeviation("a dialog ended by WM_QUIT leaves its owner disabled")) {
        EXPECT_TRUE(IsWindowEnabled(owner));
    }
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 5u);
}

INT_PTR CALLBACK AsksProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        // A box over the dialog: the dialog is its owner now.
        const HWND mainWindow = GetWindow(dialog, GW_OWNER);
        ui::OnNextModal([dialog, mainWindow](HWND) {
            EXPECT_FALSE(IsWindowEnabled(dialog));
            EXPECT_FALSE(IsWindowEnabled(mainWindow));
            ui::Key(VK_RETURN);
        });
        EXPECT_EQ(MessageBoxA(dialog, "Zápis", "MEQ config", MB_OK), IDOK);
        EXPECT_TRUE(IsWindowEnabled(dialog));
        EXPECT_FALSE(IsWindowEnabled(mainWindow));
        EXPECT_EQ(GetActiveWindow(), dialog);
        EndDialog(dialog, 4);
        return TRUE;
    }
    return FALSE;
}

TEST_F(TemplateDialogs, ModalWindowsNestAndEachGivesBackWhatItTook)
{
    ui::OnNextModal([](HWND) { ui::Key(VK_RETURN); });
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(1), owner, AsksProc, 0), 4);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);

    // An owner that was disabled before stays disabled.
    if (ui::WineDeviation("a message box enables an owner that was disabled before it")) {
        GTEST_SKIP() << "Wine enables the owner a message box found disabled";
    }
    EnableWindow(owner, FALSE);
    ui::OnNextModal([](HWND) { ui::Key(VK_RETURN); });
    EXPECT_EQ(MessageBoxA(owner, "x", "y", MB_OK), IDOK);
    EXPECT_FALSE(IsWindowEnabled(owner));
}

TEST_F(Dialogs, AMessageBoxWithAnInvalidOwnerFails)
{
    if (ui::WineDeviation("a message box with an invalid owner gives -1, not the documented 0")) {
        GTEST_SKIP() << "Wine answers -1";
    }
    EXPECT_EQ(MessageBoxA(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x4444)), "x", "y", MB_OK), 0);
}

}  // namespace
