// Focus and activation: the messages that move them and where they go when windows are
// shown, minimized, disabled and destroyed.
#include "driver.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Event {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Event> events;

LRESULT CALLBACK FocusProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS || message == WM_ACTIVATE) {
        events.push_back({hwnd, message, wParam, lParam});
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class Focus : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::Reset();
        events.clear();
        ASSERT_NE(ui::RegisterTestClass("FocusWindow", FocusProc), 0);
        first = Top("first", 10);
        a = Child(first, 1);
        b = Child(first, 2);
    }
    void TearDown() override { ui::Reset(); }

    static HWND Top(const char* name, int x)
    {
        return CreateWindowExA(0, "FocusWindow", name, 0x00CA0000, x, 10, 300, 200, nullptr, nullptr, nullptr,
                               nullptr);
    }
    static HWND Child(HWND parent, int id)
    {
        return CreateWindowExA(0, "FocusWindow", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10 + 30 * id, 80, 24,
                               parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }
    static std::vector<Event> Of(UINT message)
    {
        std::vector<Event> out;
        for (const Event& e : events) {
            if (e.message == message) {
                out.push_back(e);
            }
        }
        return out;
    }

    HWND first = nullptr;
    HWND a = nullptr;
    HWND b = nullptr;
};

TEST_F(Focus, ShowingATopLevelWindowActivatesItAndGivesItTheFocus)
{
    EXPECT_EQ(GetActiveWindow(), nullptr);
    ShowWindow(first, SW_SHOWNORMAL);
    EXPECT_EQ(GetActiveWindow(), first);
    EXPECT_EQ(GetFocus(), first);
    ASSERT_EQ(Of(WM_ACTIVATE).size(), 1u);
    EXPECT_EQ(LOWORD(Of(WM_ACTIVATE)[0].wParam), WA_ACTIVE);

    SetFocus(a);
    events.clear();
    const HWND second = Top("second", 400);
    ShowWindow(second, SW_SHOWNORMAL);
    const auto activations = Of(WM_ACTIVATE);
    ASSERT_EQ(activations.size(), 2u);
    EXPECT_EQ(activations[0].hwnd, first);
    EXPECT_EQ(LOWORD(activations[0].wParam), WA_INACTIVE);
    EXPECT_EQ(reinterpret_cast<HWND>(activations[0].lParam), second);
    EXPECT_EQ(activations[1].hwnd, second);
    EXPECT_EQ(LOWORD(activations[1].wParam), WA_ACTIVE);
    EXPECT_EQ(reinterpret_cast<HWND>(activations[1].lParam), first);
    // The focus was still in the old window while it heard it was deactivated.
    ASSERT_FALSE(Of(WM_KILLFOCUS).empty());
    EXPECT_EQ(Of(WM_KILLFOCUS)[0].hwnd, a);
    EXPECT_EQ(GetFocus(), second);
}

TEST_F(Focus, SetFocusKillsTheOldFocusBeforeSettingTheNew)
{
    ShowWindow(first, SW_SHOWNORMAL);
    SetFocus(a);
    events.clear();
    EXPECT_EQ(SetFocus(b), a);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].hwnd, a);
    EXPECT_EQ(events[0].message, static_cast<UINT>(WM_KILLFOCUS));
    EXPECT_EQ(reinterpret_cast<HWND>(events[0].wParam), b);
    EXPECT_EQ(events[1].hwnd, b);
    EXPECT_EQ(events[1].message, static_cast<UINT>(WM_SETFOCUS));
    EXPECT_EQ(reinterpret_cast<HWND>(events[1].wParam), a);
    EXPECT_EQ(SetFocus(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x4444))), nullptr);
    EXPECT_EQ(GetFocus(), b);
}

TEST_F(Focus, MinimizingDeactivatesAndRestoringActivatesAgain)
{
    ShowWindow(first, SW_SHOWNORMAL);
    SetFocus(a);
    events.clear();
    SendMessageA(first, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(first));
    if (!ui::WineDeviation("a minimized window's child keeps the focus")) {
        EXPECT_NE(GetFocus(), a);
        ASSERT_FALSE(Of(WM_KILLFOCUS).empty());
        EXPECT_EQ(Of(WM_KILLFOCUS)[0].hwnd, a);
    }

    events.clear();
    SendMessageA(first, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(first));
    EXPECT_EQ(GetActiveWindow(), first);
    ASSERT_FALSE(Of(WM_ACTIVATE).empty());
    EXPECT_NE(LOWORD(Of(WM_ACTIVATE).back().wParam), WA_INACTIVE);
}

TEST_F(Focus, DisablingOrDestroyingMovesTheFocusOn)
{
    ShowWindow(first, SW_SHOWNORMAL);
    SetFocus(b);
    DestroyWindow(b);
    EXPECT_EQ(GetFocus(), first);

    SetFocus(a);
    EnableWindow(first, FALSE);
    if (!ui::WineDeviation("disabling a window leaves the focus on its child")) {
        EXPECT_EQ(GetFocus(), nullptr);
    }
    EXPECT_FALSE(IsWindowEnabled(first));
    EXPECT_EQ(EnableWindow(first, TRUE), TRUE);  // it was disabled

    const HWND second = Top("second", 400);
    ShowWindow(second, SW_SHOWNORMAL);
    EXPECT_EQ(GetActiveWindow(), second);
    DestroyWindow(second);
    EXPECT_EQ(GetActiveWindow(), first);
}

TEST_F(Focus, AClickActivatesTheWindowAndFocusesAButton)
{
    ShowWindow(first, SW_SHOWNORMAL);
    const HWND second = Top("second", 400);
    ShowWindow(second, SW_SHOWNORMAL);
    const HWND button = CreateWindowExA(0, "Button", "Go", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 100, 10, 80, 24,
                                        first, reinterpret_cast<HMENU>(5), nullptr, nullptr);
    ui::Pump();
    ui::Click(button);
    ui::Pump();
    EXPECT_EQ(GetActiveWindow(), first);
    EXPECT_EQ(GetFocus(), button);
}

}  // namespace
