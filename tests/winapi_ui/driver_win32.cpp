// The Windows half of the driver, for the suites run on real Win32 (under Wine on CI).
//
// Input is posted to the window that real input would reach (the focus window for keys,
// the window under the point or the capture for the mouse), as the hardware queue would
// deliver it. Posting rather than SendInput keeps the suites independent of which window
// the display's foreground is: a headless X server has no window manager to give it, and a
// keystroke that lands in another program's window would fail a test for no fault of ours.
// A message hook keeps the thread's key state as the hardware queue does, so GetKeyState
// sees Shift while the Tab it came with is handled, and hands out one input message at a
// time: the next is posted once the last is taken, so a WM_CHAR that TranslateMessage
// makes of a key comes before the keys typed after it, as with real input.
//
// Modal loops are met through WM_ENTERIDLE, which a dialog's or message box's loop sends
// its owner before it waits; a thread timer covers a modal window without an owner.
#include "driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace ui {
namespace {

std::deque<std::function<void(HWND)>> modalActions;
std::vector<std::function<bool()>> idleActions;
HHOOK messageHook = nullptr;
HHOOK sentHook = nullptr;
UINT_PTR idleTimer = 0;
bool running = false;

bool IsDialogWindow(HWND hwnd)
{
    char name[16] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return std::string(name) == "#32770";
}

void StopIdleTimerWhenDone();

// A loop is about to wait: the next modal action gets its window, or the idle actions run.
void Idle(HWND modal)
{
    if (running) {
        return;
    }
    running = true;
    if (modal != nullptr && !modalActions.empty()) {
        auto action = std::move(modalActions.front());
        modalActions.pop_front();
        action(modal);
    } else if (!idleActions.empty()) {
        auto actions = std::move(idleActions);
        idleActions.clear();
        for (auto& action : actions) {
            if (action()) {
                idleActions.push_back(std::move(action));
            }
        }
    }
    running = false;
    StopIdleTimerWhenDone();
}

void CALLBACK IdleTick(HWND, UINT, UINT_PTR, DWORD)
{
    const HWND active = GetActiveWindow();
    Idle(active != nullptr && IsDialogWindow(active) ? active : nullptr);
}

void UpdateKeyState(UINT vk, bool down)
{
    BYTE state[256] = {};
    if (!GetKeyboardState(state)) {
        return;
    }
    auto set = [&](UINT key) {
        state[key] = static_cast<BYTE>(down ? (state[key] | 0x80) : (state[key] & 0x7F));
        if (down) {
            state[key] ^= 0x01;  // the toggle bit
        }
    };
    set(vk);
    switch (vk) {
    case VK_SHIFT: set(VK_LSHIFT); break;
    case VK_CONTROL: set(VK_LCONTROL); break;
    case VK_MENU: set(VK_LMENU); break;
    default: break;
    }
    SetKeyboardState(state);
}

std::deque<MSG> pendingInput;
bool inputInFlight = false;
MSG inFlight{};

void PostNextInput()
{
    inputInFlight = false;
    while (!pendingInput.empty()) {
        inFlight = pendingInput.front();
        pendingInput.pop_front();
        if (PostMessageA(inFlight.hwnd, inFlight.message, inFlight.wParam, inFlight.lParam)) {
            inputInFlight = true;
            return;
        }
    }
}

void QueueInput(HWND target, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg{};
    msg.hwnd = target;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    pendingInput.push_back(msg);
    // A window destroyed with its message still queued takes that message with it.
    if (!inputInFlight || !IsWindow(inFlight.hwnd)) {
        PostNextInput();
    }
}

LRESULT CALLBACK MessageHook(int code, WPARAM removal, LPARAM lParam)
{
    if (code == HC_ACTION && removal == PM_REMOVE) {
        const MSG& msg = *reinterpret_cast<const MSG*>(lParam);
        if (inputInFlight && ((msg.hwnd == inFlight.hwnd && msg.message == inFlight.message &&
                               msg.wParam == inFlight.wParam && msg.lParam == inFlight.lParam) ||
                              !IsWindow(inFlight.hwnd))) {
            PostNextInput();
        }
        switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: UpdateKeyState(static_cast<UINT>(msg.wParam), true); break;
        case WM_KEYUP:
        case WM_SYSKEYUP: UpdateKeyState(static_cast<UINT>(msg.wParam), false); break;
        case WM_LBUTTONDOWN:
        case WM_NCLBUTTONDOWN: UpdateKeyState(VK_LBUTTON, true); break;
        case WM_LBUTTONUP:
        case WM_NCLBUTTONUP: UpdateKeyState(VK_LBUTTON, false); break;
        default: break;
        }
    }
    return CallNextHookEx(messageHook, code, removal, lParam);
}

LRESULT CALLBACK SentHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const CWPSTRUCT& sent = *reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (sent.message == WM_ENTERIDLE && sent.wParam == MSGF_DIALOGBOX) {
            Idle(reinterpret_cast<HWND>(sent.lParam));
        }
    }
    return CallNextHookEx(sentHook, code, wParam, lParam);
}

void InstallHooks()
{
    if (messageHook == nullptr) {
        messageHook = SetWindowsHookExA(WH_GETMESSAGE, MessageHook, nullptr, GetCurrentThreadId());
        sentHook = SetWindowsHookExA(WH_CALLWNDPROC, SentHook, nullptr, GetCurrentThreadId());
    }
}

// The timer runs only while an action waits, so it wakes no loop a test measures.
void StartIdleTimer()
{
    if (idleTimer == 0) {
        idleTimer = SetTimer(nullptr, 0, 20, IdleTick);
    }
}

void StopIdleTimerWhenDone()
{
    if (idleTimer != 0 && modalActions.empty() && idleActions.empty()) {
        KillTimer(nullptr, idleTimer);
        idleTimer = 0;
    }
}

std::set<std::string> testClasses;

LPARAM KeyData(UINT vk, bool up, bool alt)
{
    LPARAM data = 1 | static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) & 0xFF) << 16;
    switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
    case VK_PRIOR: case VK_NEXT: case VK_INSERT: case VK_DELETE: data |= 1 << 24; break;
    default: break;
    }
    if (alt) {
        data |= 1 << 29;
    }
    if (up) {
        data |= static_cast<LPARAM>(3u << 30);
    }
    return data;
}

void PostKey(HWND target, UINT vk, bool up, bool alt)
{
    const bool system = alt || vk == VK_MENU || vk == VK_F10;
    const UINT message = up ? (system ? WM_SYSKEYUP : WM_KEYUP) : (system ? WM_SYSKEYDOWN : WM_KEYDOWN);
    QueueInput(target, message, vk, KeyData(vk, up, alt && vk != VK_MENU));
}

HWND KeyTarget()
{
    const HWND focus = GetFocus();
    return focus != nullptr ? focus : GetActiveWindow();
}

// The window real mouse input at `screen` reaches, or none when it would go nowhere
// (a window that is, or sits in, a disabled one).
HWND MouseTarget(POINT screen)
{
    HWND target = GetCapture();
    if (target == nullptr) {
        target = WindowFromPoint(screen);
    }
    for (HWND w = target; w != nullptr; w = GetAncestor(w, GA_PARENT)) {
        if (w == GetDesktopWindow()) {
            break;
        }
        if (!IsWindowEnabled(w)) {
            return nullptr;
        }
    }
    return target;
}

void PostMouse(HWND target, POINT screen, UINT clientMessage, UINT ncMessage, WPARAM buttons)
{
    const auto hit = GetCapture() == target
                         ? static_cast<LRESULT>(HTCLIENT)
                         : SendMessageA(target, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
    if (hit == HTCLIENT) {
        POINT client = screen;
        ScreenToClient(target, &client);
        QueueInput(target, clientMessage, buttons, MAKELPARAM(client.x, client.y));
    } else {
        QueueInput(target, ncMessage, static_cast<WPARAM>(hit), MAKELPARAM(screen.x, screen.y));
    }
}

BOOL CALLBACK DestroyEach(HWND hwnd, LPARAM)
{
    DestroyWindow(hwnd);
    return TRUE;
}

POINT CenterOf(HWND hwnd)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

}  // namespace

void Key(UINT vk, unsigned modifiers)
{
    InstallHooks();
    const HWND target = KeyTarget();
    if (target == nullptr) {
        return;
    }
    const bool alt = (modifiers & Alt) != 0;
    if (modifiers & Shift) PostKey(target, VK_SHIFT, false, alt);
    if (modifiers & Control) PostKey(target, VK_CONTROL, false, alt);
    if (alt) PostKey(target, VK_MENU, false, alt);
    PostKey(target, vk, false, alt);
    PostKey(target, vk, true, alt);
    if (alt) PostKey(target, VK_MENU, true, false);
    if (modifiers & Control) PostKey(target, VK_CONTROL, true, false);
    if (modifiers & Shift) PostKey(target, VK_SHIFT, true, false);
}

void Type(const char* text)
{
    InstallHooks();
    // ASCII through its keys (TranslateMessage makes the WM_CHAR when its key is taken);
    // a letter the layout may lack as the character itself, in its turn all the same.
    for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        const SHORT key = c >= 0x20 && c < 0x7F ? VkKeyScanA(*p) : static_cast<SHORT>(-1);
        const bool plain = key != -1 && (key & 0x0600) == 0;
        if (plain) {
            Key(static_cast<UINT>(key & 0xFF), (key & 0x0100) != 0 ? Shift : NoModifier);
        } else if (const HWND target = KeyTarget(); target != nullptr) {
            QueueInput(target, WM_CHAR, static_cast<unsigned char>(*p), 1);
        }
    }
}

void MouseDown(POINT screen)
{
    InstallHooks();
    SetCursorPos(screen.x, screen.y);
    const HWND target = MouseTarget(screen);
    if (target == nullptr) {
        return;
    }
    // A click activates the window it lands in, unless the window declines.
    const HWND root = GetAncestor(target, GA_ROOT);
    if (GetCapture() == nullptr && root != GetActiveWindow()) {
        const LRESULT answer =
            SendMessageA(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
        if (answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT) {
            SetForegroundWindow(root);
            SetActiveWindow(root);
        }
        if (answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT) {
            return;
        }
    }
    PostMouse(target, screen, WM_LBUTTONDOWN, WM_NCLBUTTONDOWN, MK_LBUTTON);
}

void MouseUp(POINT screen)
{
    InstallHooks();
    SetCursorPos(screen.x, screen.y);
    const HWND target = MouseTarget(screen);
    if (target != nullptr) {
        PostMouse(target, screen, WM_LBUTTONUP, WM_NCLBUTTONUP, 0);
    }
}

void ClickAt(POINT screen)
{
    MouseDown(screen);
    MouseUp(screen);
}

void Click(HWND hwnd)
{
    ClickAt(CenterOf(hwnd));
}

// What the window's own handling of a click on its close box ends in.
void ClickCloseBox(HWND hwnd)
{
    InstallHooks();
    if (IsWindowEnabled(hwnd)) {
        RECT r{};
        GetWindowRect(hwnd, &r);
        QueueInput(hwnd, WM_SYSCOMMAND, SC_CLOSE, MAKELPARAM(r.right - 8, r.top + 8));
    }
}

void OnNextModal(std::function<void(HWND)> action)
{
    InstallHooks();
    modalActions.push_back(std::move(action));
    StartIdleTimer();
}

void WhenIdle(std::function<bool()> action)
{
    InstallHooks();
    idleActions.push_back(std::move(action));
    StartIdleTimer();
}

// The templates and icons are linked in (win32_resources.rc); this only makes sure the
// one the test is about to use is there and has the same header as the test's own.
bool AddResource(LPCSTR type, LPCSTR name, const void* data, DWORD size)
{
    const HMODULE self = GetModuleHandleA(nullptr);
    const HRSRC found = FindResourceA(self, name, type);
    if (found == nullptr) {
        return false;
    }
    if (type == RT_DIALOG) {
        constexpr DWORD header = 18;  // style, extended style, item count, position, size
        const void* linked = LockResource(LoadResource(self, found));
        if (linked == nullptr || size < header || SizeofResource(self, found) < header ||
            std::memcmp(linked, data, header) != 0) {
            ADD_FAILURE() << "the linked dialog template differs from the test's";
            return false;
        }
    }
    return true;
}

void RemoveResource(LPCSTR, LPCSTR) {}

void Reset()
{
    InstallHooks();
    modalActions.clear();
    idleActions.clear();
    StopIdleTimerWhenDone();
    pendingInput.clear();
    inputInFlight = false;
    ReleaseCapture();
    EnumThreadWindows(GetCurrentThreadId(), DestroyEach, 0);
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT) {
            DispatchMessageA(&msg);
        }
    }
    BYTE state[256] = {};
    SetKeyboardState(state);
    for (const std::string& name : testClasses) {
        UnregisterClassA(name.c_str(), GetModuleHandleA(nullptr));
    }
    testClasses.clear();
}

void NoteTestClass(const char* name)
{
    testClasses.insert(name);
}

bool UnderWine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool WineDeviation(const char* reason)
{
    static std::set<std::string> noted;
    if (!UnderWine()) {
        return false;
    }
    if (noted.insert(reason).second) {
        std::printf("[ WINE     ] %s: %s\n", ::testing::UnitTest::GetInstance()->current_test_info()->name(), reason);
    }
    return true;
}

}  // namespace ui
