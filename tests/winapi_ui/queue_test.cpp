// The message queue and timers: what comes in which order, how timers repeat, and that
// waiting sleeps until there is something to do.
#include "driver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

std::vector<MSG> seen;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER || message == WM_CHAR || message == WM_KEYDOWN || message >= WM_USER) {
        seen.push_back(MSG{hwnd, message, wParam, lParam, 0, {}});
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class Queue : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::Reset();
        seen.clear();
        ASSERT_NE(ui::RegisterTestClass("RecordingWindow", RecordingProc), 0);
        window = CreateWindowExA(0, "RecordingWindow", "q", WS_OVERLAPPEDWINDOW, 10, 10, 200, 150, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOWNORMAL);
        ui::Pump();
        seen.clear();
    }
    void TearDown() override { ui::Reset(); }

    static int Count(UINT message)
    {
        int n = 0;
        for (const MSG& m : seen) {
            n += m.message == message ? 1 : 0;
        }
        return n;
    }

    HWND window = nullptr;
};

TEST_F(Queue, PostedMessagesComeBeforeQuitThenPaintThenTimers)
{
    ASSERT_NE(SetTimer(window, 1, 10, nullptr), 0u);
    Sleep(30);
    InvalidateRect(window, nullptr, TRUE);
    PostQuitMessage(3);
    PostMessageA(window, WM_USER + 1, 0, 0);
    PostMessageA(window, WM_USER + 2, 0, 0);

    std::vector<UINT> order;
    MSG msg{};
    while (order.size() < 5 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(msg.message);
        if (msg.message == WM_QUIT) {
            EXPECT_EQ(msg.wParam, 3u);
            EXPECT_EQ(msg.hwnd, nullptr);
        }
        DispatchMessageA(&msg);  // the default WM_PAINT validates the window
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_QUIT, WM_PAINT, WM_TIMER}));
}

TEST_F(Queue, PaintStaysUntilTheWindowIsValidatedAndNotRemovingLeavesMessages)
{
    PostMessageA(window, WM_USER + 7, 0, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 7));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 7, WM_USER + 7, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 7, WM_USER + 7, PM_REMOVE));

    InvalidateRect(window, nullptr, FALSE);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));  // nobody painted
    ValidateRect(window, nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, ATimerRepeatsWithAtMostOneMessagePending)
{
    ASSERT_NE(SetTimer(window, 5, 20, nullptr), 0u);
    ui::PumpFor(300);
    // A period of 20 ms gives at most 15 in 300 ms; a busy machine may give fewer.
    EXPECT_GE(Count(WM_TIMER), 2);
    EXPECT_LE(Count(WM_TIMER), 16);
    for (const MSG& m : seen) {
        if (m.message == WM_TIMER) {
            EXPECT_EQ(m.wParam, 5u);
        }
    }

    // Several periods without taking messages still leave one WM_TIMER.
    seen.clear();
    Sleep(100);
    ui::Pump();
    EXPECT_EQ(Count(WM_TIMER), 1);

    EXPECT_TRUE(KillTimer(window, 5));
    EXPECT_FALSE(KillTimer(window, 5));
    seen.clear();
    ui::PumpFor(60);
    EXPECT_EQ(Count(WM_TIMER), 0);
}

TEST_F(Queue, SettingATimerAgainReplacesIt)
{
    ASSERT_NE(SetTimer(window, 1, 10000, nullptr), 0u);
    ASSERT_NE(SetTimer(window, 1, 15, nullptr), 0u);
    ui::PumpFor(100);
    EXPECT_GE(Count(WM_TIMER), 1);
    EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x4444)), 1, 10, nullptr), 0u);
}

TEST_F(Queue, WaitMessageSleepsUntilTheNextTimerIsDue)
{
    ASSERT_NE(SetTimer(window, 1, 80, nullptr), 0u);
    const auto start = std::chrono::steady_clock::now();
    MSG msg{};
    // Other messages of the system may wake the thread first; they are not the timer's.
    for (int guard = 0; guard < 100; ++guard) {
        EXPECT_TRUE(WaitMessage());
        if (PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE)) {
            break;
        }
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(60));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));

    // Something already queued ends the wait at once.
    KillTimer(window, 1);
    PostMessageA(window, WM_USER, 0, 0);
    const auto again = std::chrono::steady_clock::now();
    EXPECT_TRUE(WaitMessage());
    EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::seconds(5));
}

TEST_F(Queue, GetMessageEndsWithTheQuitCode)
{
    PostMessageA(window, WM_USER, 0, 0);
    PostQuitMessage(7);
    MSG msg{};
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(GetMessageA(&msg, reinterpret_cast<HWND>(static_cast<INT_PTR>(0x4444)), 0, 0), -1);
}

TEST_F(Queue, AFilteredGetMessageWaitsForItsOwnWindowOnly)
{
    const HWND other = CreateWindowExA(0, "RecordingWindow", "other", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr,
                                       nullptr, nullptr, nullptr);
    PostMessageA(other, WM_USER + 3, 0, 0);
    ASSERT_NE(SetTimer(window, 2, 40, nullptr), 0u);
    MSG msg{};
    ASSERT_EQ(GetMessageA(&msg, window, 0, 0), TRUE);
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, other);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 3));
}

TEST_F(Queue, TranslateTurnsKeysIntoCharacters)
{
    SetFocus(window);
    struct Case {
        UINT vk;
        unsigned modifiers;
        WPARAM character;
    };
    for (const Case c : {Case{'A', ui::NoModifier, 'a'}, Case{'A', ui::Shift, 'A'}, Case{'7', ui::NoModifier, '7'},
                         Case{VK_RETURN, ui::NoModifier, '\r'}, Case{VK_OEM_PERIOD, ui::NoModifier, '.'},
                         Case{VK_OEM_MINUS, ui::NoModifier, '-'}}) {
        seen.clear();
        ui::Key(c.vk, c.modifiers);
        ui::Pump();
        ASSERT_EQ(Count(WM_CHAR), 1) << c.vk;
        for (const MSG& m : seen) {
            if (m.message == WM_CHAR) {
                EXPECT_EQ(m.wParam, c.character) << c.vk;
                EXPECT_EQ(m.hwnd, window);
            }
        }
    }
    seen.clear();
    ui::Type("x,\xE8");  // a code page 1250 letter comes as it is
    ui::Pump();
    std::string typed;
    for (const MSG& m : seen) {
        if (m.message == WM_CHAR) {
            typed.push_back(static_cast<char>(m.wParam));
        }
    }
    EXPECT_EQ(typed, "x,\xE8");
}

}  // namespace
