// Windows and classes: creation and destruction sequences, window data and subclassing,
// placement, texts and the default window procedure.
#include "driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {

struct Entry {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
};

std::vector<Entry> journal;
LRESULT answerNcCreate = TRUE;
LRESULT answerCreate = 0;

LRESULT CALLBACK JournalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    journal.push_back({hwnd, message, wParam});
    if (message == WM_NCCREATE) {
        DefWindowProcA(hwnd, message, wParam, lParam);
        return answerNcCreate;
    }
    if (message == WM_CREATE) {
        return answerCreate;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The journal's messages that are among `wanted`, in order.
std::vector<UINT> Messages(std::initializer_list<UINT> wanted, HWND only = nullptr)
{
    std::vector<UINT> out;
    for (const Entry& e : journal) {
        if ((only == nullptr || e.hwnd == only) && std::find(wanted.begin(), wanted.end(), e.message) != wanted.end()) {
            out.push_back(e.message);
        }
    }
    return out;
}

std::vector<HWND> Receivers(UINT message)
{
    std::vector<HWND> out;
    for (const Entry& e : journal) {
        if (e.message == message) {
            out.push_back(e.hwnd);
        }
    }
    return out;
}

class Windows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::Reset();
        journal.clear();
        answerNcCreate = TRUE;
        answerCreate = 0;
        ASSERT_NE(ui::RegisterTestClass("JournalWindow", JournalProc), 0);
    }
    void TearDown() override { ui::Reset(); }

    static HWND TopLevel(DWORD style = WS_OVERLAPPEDWINDOW)
    {
        return CreateWindowExA(0, "JournalWindow", "top", style, CW_USEDEFAULT, 0, 300, 200, nullptr, nullptr,
                               nullptr, nullptr);
    }
    static HWND Child(HWND parent, int id, int x = 0, int y = 0)
    {
        return CreateWindowExA(0, "JournalWindow", "child", WS_CHILD | WS_VISIBLE, x, y, 50, 40, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }
};

const std::initializer_list<UINT> CREATION = {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE,
                                               WM_MOVE};

TEST_F(Windows, CreationSendsItsSequenceAndTheFirstMessageNamesTheNewWindow)
{
    const HWND top = TopLevel();
    ASSERT_NE(top, nullptr);
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.front().hwnd, top);
    // A hidden top-level window gets its first WM_SIZE and WM_MOVE at creation or, at the
    // latest, when it is first shown.
    std::vector<UINT> sequence = Messages(CREATION, top);
    ASSERT_GE(sequence.size(), 4u);
    EXPECT_EQ(std::vector<UINT>(sequence.begin(), sequence.begin() + 4),
              (std::vector<UINT>{WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}));
    ShowWindow(top, SW_SHOWNORMAL);
    sequence = Messages({WM_SIZE, WM_MOVE}, top);
    ASSERT_GE(sequence.size(), 2u);
    EXPECT_EQ(std::vector<UINT>(sequence.begin(), sequence.begin() + 2), (std::vector<UINT>{WM_SIZE, WM_MOVE}));

    journal.clear();
    const HWND child = Child(top, 7);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(journal.front().hwnd, child);
    EXPECT_EQ(journal.front().message, static_cast<UINT>(WM_NCCREATE));
    EXPECT_EQ(Messages(CREATION, child), (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}));
    EXPECT_EQ(ui::Text(top), "top");
}

TEST_F(Windows, CreationFailsWhenNcCreateOrCreateRefuses)
{
    struct Case {
        LRESULT ncCreate;
        LRESULT create;
        bool destroyExpected;
    };
    for (const Case c : {Case{FALSE, 0, false}, Case{TRUE, -1, true}}) {
        journal.clear();
        answerNcCreate = c.ncCreate;
        answerCreate = c.create;
        EXPECT_EQ(TopLevel(), nullptr);
        ASSERT_FALSE(journal.empty());
        const HWND attempted = journal.front().hwnd;
        EXPECT_FALSE(IsWindow(attempted));
        EXPECT_EQ(Receivers(WM_NCDESTROY), std::vector<HWND>{attempted});
        if (!c.destroyExpected || !ui::WineDeviation("a window whose WM_CREATE refuses gets no WM_DESTROY")) {
            EXPECT_EQ(Receivers(WM_DESTROY).size(), c.destroyExpected ? 1u : 0u);
        }
        EXPECT_TRUE(Messages({WM_SIZE, WM_MOVE}).empty());
    }
}

TEST_F(Windows, CreationRejectsBadArguments)
{
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    if (!ui::WineDeviation("an unknown class is ERROR_CLASS_DOES_NOT_EXIST, not ERROR_CANNOT_FIND_WND_CLASS")) {
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    }
    EXPECT_EQ(CreateWindowExA(0, "JournalWindow", "", WS_CHILD, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    const HWND bogus = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7777));
    EXPECT_EQ(CreateWindowExA(0, "JournalWindow", "", WS_CHILD, 0, 0, 10, 10, bogus, nullptr, nullptr, nullptr),
              nullptr);
}

TEST_F(Windows, TheMenuArgumentOfAChildIsItsIdAndCoordinatesAreInTheParentsClientArea)
{
    const HWND top = TopLevel(0x00CA0000);
    const HWND child = Child(top, 55, 10, 20);
    EXPECT_EQ(GetDlgItem(top, 55), child);
    EXPECT_EQ(GetDlgCtrlID(child), 55);
    EXPECT_EQ(GetWindowLongA(child, GWL_ID), 55);
    EXPECT_EQ(GetDlgItem(top, 56), nullptr);

    RECT outer{};
    RECT client{};
    GetWindowRect(top, &outer);
    GetClientRect(top, &client);
    EXPECT_EQ(outer.right - outer.left, 300);
    EXPECT_EQ(outer.bottom - outer.top, 200);
    EXPECT_EQ(client.left, 0);
    EXPECT_LT(client.right, 300);
    EXPECT_LT(client.bottom, 200 - GetSystemMetrics(SM_CYCAPTION) + 1);
    EXPECT_GE(outer.left, 0);

    RECT childRect{};
    GetWindowRect(child, &childRect);
    POINT expected{10, 20};
    ClientToScreen(top, &expected);
    EXPECT_EQ(childRect.left, expected.x);
    EXPECT_EQ(childRect.top, expected.y);
    POINT back{childRect.left, childRect.top};
    ScreenToClient(top, &back);
    EXPECT_EQ(back.x, 10);
    EXPECT_EQ(back.y, 20);
    EXPECT_TRUE(IsChild(top, child));
    EXPECT_FALSE(IsChild(child, top));
    EXPECT_EQ(GetParent(child), top);
}

TEST_F(Windows, SystemClassesExistUnderAnyLetterCase)
{
    for (const char* name : {"Button", "STATIC", "edit", "ListBox", "combobox"}) {
        WNDCLASSA wc{};
        EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), name, &wc)) << name;
        EXPECT_NE(wc.lpfnWndProc, nullptr) << name;
    }
    WNDCLASSA wc{};
    EXPECT_FALSE(GetClassInfoA(nullptr, "NoSuchClass", &wc));
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "journalwindow", &wc));
    EXPECT_EQ(wc.lpfnWndProc, &JournalProc);
    EXPECT_EQ(ui::RegisterTestClass("JOURNALWINDOW", JournalProc), 0);

    const HWND top = TopLevel();
    const HWND button = CreateWindowExA(0, "bUtToN", "b", WS_CHILD, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(ui::ClassOf(button), "Button");
}

TEST_F(Windows, DestructionSendsDestroyParentFirstAndNcDestroyChildrenFirst)
{
    const HWND top = TopLevel();
    const HWND first = Child(top, 1);
    const HWND grandchild = Child(first, 3);
    const HWND second = Child(top, 2);
    ASSERT_NE(SetTimer(top, 1, 10, nullptr), 0u);
    journal.clear();

    EXPECT_TRUE(DestroyWindow(top));
    EXPECT_EQ(Receivers(WM_DESTROY), (std::vector<HWND>{top, first, grandchild, second}));
    EXPECT_EQ(Receivers(WM_NCDESTROY), (std::vector<HWND>{grandchild, first, second, top}));
    for (HWND hwnd : {top, first, grandchild, second}) {
        EXPECT_FALSE(IsWindow(hwnd));
    }
    EXPECT_FALSE(KillTimer(top, 1));
    EXPECT_FALSE(DestroyWindow(top));
    EXPECT_EQ(SendMessageA(top, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_FALSE(PostMessageA(top, WM_USER, 0, 0));
}

TEST_F(Windows, DestroyingAChildLeavesItsParent)
{
    const HWND top = TopLevel();
    const HWND child = Child(top, 1);
    EXPECT_TRUE(DestroyWindow(child));
    EXPECT_TRUE(IsWindow(top));
    EXPECT_EQ(GetDlgItem(top, 1), nullptr);
    EXPECT_EQ(GetWindow(top, GW_CHILD), nullptr);
}

WNDPROC previousProc = nullptr;
std::vector<UINT> subclassSaw;

// The program is 32-bit and calls the LONG forms; the suites' 64-bit build (for a Wine that
// runs no 32-bit programs) needs the pointer-sized ones for a procedure or user data.
#ifdef _WIN64
LONG_PTR GetLong(HWND hwnd, int index) { return GetWindowLongPtrA(hwnd, index); }
LONG_PTR SetLong(HWND hwnd, int index, LONG_PTR value) { return SetWindowLongPtrA(hwnd, index, value); }
constexpr int PROC_INDEX = GWLP_WNDPROC;
constexpr int USERDATA_INDEX = GWLP_USERDATA;
#else
using LongValue = decltype(GetWindowLongA(nullptr, 0));
LongValue GetLong(HWND hwnd, int index) { return GetWindowLongA(hwnd, index); }
LongValue SetLong(HWND hwnd, int index, LONG_PTR value)
{
    return SetWindowLongA(hwnd, index, static_cast<LongValue>(value));
}
constexpr int PROC_INDEX = GWL_WNDPROC;
constexpr int USERDATA_INDEX = GWL_USERDATA;
#endif

LRESULT CALLBACK Subclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    subclassSaw.push_back(message);
    if (message == WM_USER + 5) {
        return 1234;
    }
    return CallWindowProcA(previousProc, hwnd, message, wParam, lParam);
}

TEST_F(Windows, SubclassingThroughSetWindowLongReturnsThePreviousProcedure)
{
    const HWND top = TopLevel();
    const HWND check = CreateWindowExA(0, "Button", "c", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 50, 20, top, nullptr,
                                       nullptr, nullptr);
    WNDCLASSA buttonClass{};
    GetClassInfoA(nullptr, "Button", &buttonClass);
    previousProc = reinterpret_cast<WNDPROC>(SetLong(check, PROC_INDEX, reinterpret_cast<LONG_PTR>(&Subclass)));
    EXPECT_EQ(previousProc, buttonClass.lpfnWndProc);
    EXPECT_EQ(GetLong(check, PROC_INDEX), reinterpret_cast<LONG_PTR>(&Subclass));

    subclassSaw.clear();
    EXPECT_EQ(SendMessageA(check, WM_USER + 5, 0, 0), 1234);
    SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);  // reached the class procedure
    EXPECT_EQ(subclassSaw, (std::vector<UINT>{WM_USER + 5, BM_SETCHECK, BM_GETCHECK}));

    EXPECT_EQ(SetLong(check, PROC_INDEX, reinterpret_cast<LONG_PTR>(previousProc)),
              reinterpret_cast<LONG_PTR>(&Subclass));
    EXPECT_EQ(SetLong(nullptr, PROC_INDEX, reinterpret_cast<LONG_PTR>(&Subclass)), 0);
}

TEST_F(Windows, WindowDataReadsBackWhatWasSet)
{
    const HWND top = TopLevel(WS_OVERLAPPEDWINDOW);
    const HWND child = Child(top, 9);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(top, GWL_STYLE)) & WS_OVERLAPPEDWINDOW,
              static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)) & (WS_CHILD | WS_VISIBLE),
              static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(SetWindowLongA(child, GWL_ID, 42), 9);
    EXPECT_EQ(GetDlgItem(top, 42), child);
    SetWindowLongA(child, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
    EXPECT_EQ(GetWindowLongA(child, GWL_EXSTYLE), WS_EX_CLIENTEDGE);
    SetLong(child, USERDATA_INDEX, 77);
    EXPECT_EQ(GetLong(child, USERDATA_INDEX), 77);
    EXPECT_EQ(GetWindowLongA(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234)), GWL_STYLE), 0);
}

TEST_F(Windows, TextsAreCopiedWithinTheBuffer)
{
    const HWND top = TopLevel();
    EXPECT_TRUE(SetWindowTextA(top, "MEQ config"));
    EXPECT_EQ(GetWindowTextLengthA(top), 10);
    char small[5] = "xxxx";
    EXPECT_EQ(GetWindowTextA(top, small, 5), 4);
    EXPECT_STREQ(small, "MEQ ");
    EXPECT_EQ(GetWindowTextA(top, small, 0), 0);
    SetWindowTextA(top, nullptr);
    EXPECT_EQ(ui::Text(top), "");
}

TEST_F(Windows, RegisteredMessagesKeepTheirNumber)
{
    const UINT first = RegisterWindowMessageA("OwlObjectPtr");
    EXPECT_GE(first, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageA("OwlObjectPtr"), first);
    EXPECT_NE(RegisterWindowMessageA("SomethingElse"), first);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
}

TEST_F(Windows, DefaultProcedureClosesMinimizesAndRestores)
{
    const HWND closed = TopLevel();
    journal.clear();
    SendMessageA(closed, WM_SYSCOMMAND, SC_CLOSE | 0x3, 0);  // the low four bits do not matter
    EXPECT_EQ(Messages({WM_CLOSE, WM_DESTROY}), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(closed));

    const HWND top = TopLevel();
    ShowWindow(top, SW_SHOWNORMAL);
    journal.clear();
    SendMessageA(top, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(top));
    SendMessageA(top, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(top));
    std::vector<WPARAM> sizes;
    for (const Entry& e : journal) {
        if (e.message == WM_SIZE) {
            sizes.push_back(e.wParam);
        }
    }
    EXPECT_EQ(sizes, (std::vector<WPARAM>{SIZE_MINIMIZED, SIZE_RESTORED}));
    RECT r{};
    GetWindowRect(top, &r);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_FALSE(IsZoomed(top));
    EXPECT_EQ(DefWindowProcA(top, WM_QUERYENDSESSION, 0, 0), TRUE);
}

TEST_F(Windows, DefaultControlColoursAreTheSystemColours)
{
    const HWND top = TopLevel();
    const HDC dc = GetDC(top);
    struct Case {
        UINT message;
        int colour;
    };
    for (const Case c : {Case{WM_CTLCOLORSTATIC, COLOR_3DFACE}, Case{WM_CTLCOLORDLG, COLOR_3DFACE},
                         Case{WM_CTLCOLORBTN, COLOR_3DFACE}, Case{WM_CTLCOLOREDIT, COLOR_WINDOW},
                         Case{WM_CTLCOLORLISTBOX, COLOR_WINDOW}}) {
        SetBkColor(dc, RGB(1, 2, 3));
        const auto brush = reinterpret_cast<HBRUSH>(
            DefWindowProcA(top, c.message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(top)));
        EXPECT_EQ(brush, GetSysColorBrush(c.colour)) << c.message;
        EXPECT_EQ(GetBkColor(dc), GetSysColor(c.colour)) << c.message;
        EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT)) << c.message;
    }
    ReleaseDC(top, dc);
}

TEST_F(Windows, IconsComeFromTheSystemAndFromTheProgramsResources)
{
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    const HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(LoadIconA(self, MAKEINTRESOURCEA(902)), nullptr);
    const BYTE group[] = {0, 0, 1, 0, 1, 0};
    ASSERT_TRUE(ui::AddResource(RT_GROUP_ICON, MAKEINTRESOURCEA(901), group, sizeof group));
    const HICON icon = LoadIconA(self, MAKEINTRESOURCEA(901));
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(self, "#901"), icon);
    EXPECT_NE(icon, LoadIconA(nullptr, IDI_APPLICATION));
    ui::RemoveResource(RT_GROUP_ICON, MAKEINTRESOURCEA(901));
}

}  // namespace
