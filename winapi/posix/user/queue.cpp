// The thread's message queue: sent messages are direct calls; posted messages come first,
// then the quit request, then the user's input (routed to a window as it is taken), then
// WM_PAINT for windows with an update region, then due timers. WaitMessage sleeps in
// poll() until one of them is there.
#include "internal.h"
#include "x11.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace winapi_posix::user {
namespace {

DWORD Tick()
{
    return static_cast<DWORD>(static_cast<std::uint64_t>(NowMs()) & 0xFFFFFFFFu);
}

bool MatchesWindow(HWND message, HWND filter)
{
    if (filter == nullptr) {
        return true;
    }
    if (filter == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) {
        return message == nullptr;
    }
    return message == filter || IsChild(filter, message) != FALSE;
}

bool MatchesRange(UINT message, UINT low, UINT high)
{
    return (low == 0 && high == 0) || (message >= low && message <= high);
}

bool PaintMatching(HWND filter, HWND& found)
{
    std::function<bool(HWND)> walk = [&](HWND hwnd) -> bool {
        Window* w = Find(hwnd);
        if (w == nullptr || (w->style & WS_VISIBLE) == 0) {
            return false;
        }
        if (w->invalid && !w->minimized && MatchesWindow(hwnd, filter)) {
            found = hwnd;
            return true;
        }
        for (HWND child : w->children) {
            if (walk(child)) {
                return true;
            }
        }
        return false;
    };
    for (HWND top : St().topLevels) {
        if (walk(top)) {
            return true;
        }
    }
    return false;
}

UINT SystemKeyMessage(UINT message, UINT vk)
{
    const bool alt = (St().keyState[VK_MENU] & 0x80) != 0 || vk == VK_MENU;
    if (!alt || (St().keyState[VK_CONTROL] & 0x80) != 0) {
        return message;
    }
    return message == WM_KEYDOWN ? WM_SYSKEYDOWN : WM_SYSKEYUP;
}

void ApplyKeyState(const InputEvent& e)
{
    BYTE* keys = St().keyState;
    auto set = [keys](UINT vk, bool down) {
        if (down) {
            keys[vk] = static_cast<BYTE>(0x80 | ((keys[vk] & 0x80) != 0 ? (keys[vk] & 1) : ((keys[vk] & 1) ^ 1)));
        } else {
            keys[vk] = static_cast<BYTE>(keys[vk] & 1);
        }
    };
    const bool down = e.message == WM_KEYDOWN || e.message == WM_LBUTTONDOWN || e.message == WM_RBUTTONDOWN;
    UINT vk = e.vk;
    if (e.message == WM_LBUTTONDOWN || e.message == WM_LBUTTONUP) {
        vk = VK_LBUTTON;
    } else if (e.message == WM_RBUTTONDOWN || e.message == WM_RBUTTONUP) {
        vk = VK_RBUTTON;
    }
    if (vk > 255) {
        return;
    }
    set(vk, down);
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) {
        set(VK_SHIFT, down);
    } else if (vk == VK_LCONTROL || vk == VK_RCONTROL) {
        set(VK_CONTROL, down);
    } else if (vk == VK_LMENU || vk == VK_RMENU) {
        set(VK_MENU, down);
    }
}

// Turns the input event at the head of the queue into a message. Returns false when the
// event has nowhere to go; it is then dropped.
bool RouteInput(const InputEvent& e, MSG& out, bool remove, bool& eaten)
{
    State& s = St();
    eaten = false;
    out = MSG{};
    out.time = Tick();
    out.pt = e.pt;
    if (e.message == WM_KEYDOWN || e.message == WM_KEYUP) {
        const HWND target = s.focus != nullptr ? s.focus : s.active;
        if (target == nullptr) {
            return false;
        }
        const bool wasDown = (s.keyState[e.vk & 0xFF] & 0x80) != 0;
        const DWORD scan = e.vk == VK_PACKET ? e.character : (e.vk & 0xFF);
        DWORD flags = 1u | (scan << 16);
        if (e.message == WM_KEYUP) {
            flags |= (1u << 30) | (1u << 31);
        } else if (wasDown) {
            flags |= 1u << 30;
        }
        out.hwnd = target;
        out.message = SystemKeyMessage(e.message, e.vk);
        out.wParam = e.vk;
        out.lParam = static_cast<LPARAM>(flags);
        out.pt = s.cursor;
        return true;
    }
    HWND target = s.capture != nullptr ? s.capture : HitTest(e.pt);
    if (target == nullptr) {
        return false;
    }
    const HWND root = Root(target);
    if (s.capture == nullptr && !IsEnabledTree(root)) {
        return false;  // a window behind a modal box: the click goes nowhere
    }
    LRESULT hit = HTCLIENT;
    if (s.capture == nullptr) {
        hit = SendMessageA(target, WM_NCHITTEST, 0, MAKELPARAM(e.pt.x, e.pt.y));
    }
    const bool buttonDown = e.message == WM_LBUTTONDOWN || e.message == WM_RBUTTONDOWN;
    if (remove && buttonDown && root != s.active && s.capture == nullptr) {
        const LRESULT how = SendMessageA(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root),
                                         MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(e.message)));
        if (how == MA_ACTIVATE || how == MA_ACTIVATEANDEAT) {
            Activate(root, true);
        }
        if (how == MA_ACTIVATEANDEAT || how == MA_NOACTIVATEANDEAT) {
            eaten = true;
        }
        if (Find(target) == nullptr) {
            return false;
        }
    }
    out.hwnd = target;
    if (hit != HTCLIENT && s.capture == nullptr) {
        out.message = e.message - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
        out.wParam = static_cast<WPARAM>(hit);
        out.lParam = MAKELPARAM(e.pt.x, e.pt.y);
        return true;
    }
    POINT local = e.pt;
    ScreenToClient(target, &local);
    WPARAM keys = 0;
    if ((s.keyState[VK_LBUTTON] & 0x80) != 0 || e.message == WM_LBUTTONDOWN) {
        keys |= MK_LBUTTON;
    }
    if (e.message == WM_LBUTTONUP) {
        keys &= ~static_cast<WPARAM>(MK_LBUTTON);
    }
    if ((s.keyState[VK_SHIFT] & 0x80) != 0) {
        keys |= MK_SHIFT;
    }
    if ((s.keyState[VK_CONTROL] & 0x80) != 0) {
        keys |= MK_CONTROL;
    }
    out.message = e.message;
    out.wParam = keys;
    out.lParam = MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(local.x)), static_cast<WORD>(static_cast<SHORT>(local.y)));
    return true;
}

Timer* DueTimer(HWND filter, std::int64_t now)
{
    for (Timer& t : St().timers) {
        if (t.due <= now && MatchesWindow(t.hwnd, filter)) {
            return &t;
        }
    }
    return nullptr;
}

bool HasWork()
{
    State& s = St();
    if (!s.posted.empty() || s.quitPending || !s.input.empty()) {
        return true;
    }
    HWND paint = nullptr;
    if (PaintMatching(nullptr, paint)) {
        return true;
    }
    return DueTimer(nullptr, NowMs()) != nullptr;
}

// Milliseconds until the next timer that the filter lets through is due; -1 for none.
int NextTimerTimeout(HWND filter, UINT low, UINT high)
{
    if (!MatchesRange(WM_TIMER, low, high)) {
        return -1;
    }
    const std::int64_t now = NowMs();
    std::int64_t best = -1;
    for (const Timer& t : St().timers) {
        if (!MatchesWindow(t.hwnd, filter)) {
            continue;
        }
        const std::int64_t wait = std::max<std::int64_t>(0, t.due - now);
        if (best < 0 || wait < best) {
            best = wait;
        }
    }
    return best < 0 ? -1 : static_cast<int>(std::min<std::int64_t>(best, INT_MAX));
}

bool RunIdleHooks()
{
    State& s = St();
    if (s.idleHooks.empty()) {
        return false;
    }
    auto hooks = std::move(s.idleHooks);
    s.idleHooks.clear();
    std::vector<std::function<bool()>> keep;
    for (auto& hook : hooks) {
        if (hook()) {
            keep.push_back(std::move(hook));
        }
    }
    // Hooks added while the others ran stay behind the ones kept.
    keep.insert(keep.end(), std::make_move_iterator(s.idleHooks.begin()),
                std::make_move_iterator(s.idleHooks.end()));
    s.idleHooks = std::move(keep);
    return true;
}

}  // namespace

bool HasPendingWork()
{
    return HasWork();
}

}  // namespace winapi_posix::user

using namespace winapi_posix::user;

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowRef keep = Ref(hwnd);
    if (!keep) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const WNDPROC proc = keep->proc;
    return proc == nullptr ? 0 : proc(hwnd, message, wParam, lParam);
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hwnd != nullptr && Find(hwnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    MSG msg{hwnd, message, wParam, lParam, static_cast<DWORD>(NowMs() & 0xFFFFFFFF), St().cursor};
    St().posted.push_back(msg);
    return TRUE;
}

void PostQuitMessage(int exitCode)
{
    St().quitPending = true;
    St().quitCode = exitCode;
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    State& s = St();
    if (msg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const bool remove = (removeFlags & PM_REMOVE) != 0;
    for (auto it = s.posted.begin(); it != s.posted.end(); ++it) {
        if (MatchesWindow(it->hwnd, hwnd) && MatchesRange(it->message, filterMin, filterMax)) {
            *msg = *it;
            if (remove) {
                s.posted.erase(it);
            }
            s.lastMessageTime = msg->time;
            return TRUE;
        }
    }
    if (s.quitPending && MatchesRange(WM_QUIT, filterMin, filterMax)) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<LONG_PTR>(s.quitCode)), 0, 0, s.cursor};
        msg->time = static_cast<DWORD>(NowMs() & 0xFFFFFFFF);
        if (remove) {
            s.quitPending = false;
        }
        return TRUE;
    }
    while (!s.input.empty()) {
        const InputEvent event = s.input.front();
        MSG routed{};
        bool eaten = false;
        if (!RouteInput(event, routed, remove, eaten)) {
            s.input.pop_front();
            ApplyKeyState(event);
            continue;
        }
        if (eaten) {
            s.input.pop_front();
            ApplyKeyState(event);
            continue;
        }
        if (!MatchesWindow(routed.hwnd, hwnd) || !MatchesRange(routed.message, filterMin, filterMax)) {
            break;
        }
        if (remove) {
            s.input.pop_front();
            ApplyKeyState(event);
            if (event.message != WM_KEYDOWN && event.message != WM_KEYUP) {
                s.cursor = event.pt;
            }
        }
        *msg = routed;
        s.lastMessageTime = msg->time;
        return TRUE;
    }
    HWND paint = nullptr;
    if (MatchesRange(WM_PAINT, filterMin, filterMax) && PaintMatching(hwnd, paint)) {
        *msg = MSG{paint, WM_PAINT, 0, 0, static_cast<DWORD>(NowMs() & 0xFFFFFFFF), s.cursor};
        return TRUE;
    }
    if (MatchesRange(WM_TIMER, filterMin, filterMax)) {
        const std::int64_t now = NowMs();
        if (Timer* t = DueTimer(hwnd, now)) {
            *msg = MSG{t->hwnd, WM_TIMER, t->id, reinterpret_cast<LPARAM>(t->proc),
                       static_cast<DWORD>(now & 0xFFFFFFFF), s.cursor};
            if (remove) {
                // One WM_TIMER at a time: the next one is due a full period after this one.
                t->due = now + t->elapse;
            }
            s.lastMessageTime = msg->time;
            return TRUE;
        }
    }
    return FALSE;
}

namespace winapi_posix::user {
namespace {

// Sleeps until something that the filter lets through is there. Whatever the filter keeps
// out cannot wake the wait, so a filtered GetMessageA does not spin on it.
BOOL WaitFor(HWND filter, UINT low, UINT high, bool filtered)
{
    State& s = St();
    auto ready = [&] {
        if (!filtered) {
            return HasWork();
        }
        MSG msg{};
        return PeekMessageA(&msg, filter, low, high, PM_NOREMOVE) != FALSE;
    };
    for (;;) {
        ScreenPump();
        if (ready()) {
            return TRUE;
        }
        if (RunIdleHooks() && ready()) {
            return TRUE;
        }
        const int timeout = filtered ? NextTimerTimeout(filter, low, high) : NextTimerTimeout(nullptr, 0, 0);
        if (timeout < 0 && s.stallHandler) {
            auto handler = s.stallHandler;
            handler();
            if (ready()) {
                return TRUE;
            }
        }
        // Without a screen nothing else can wake a single-threaded queue but time; with
        // no timer this sleeps for good, as a real thread with nothing to wait for would.
        // With one, the X connection wakes it too, and the screen is brought up to date
        // before the sleep.
        if (ScreenSync()) {
            continue;  // events came in while the screen was brought up to date
        }
        pollfd screen{ScreenFd(), POLLIN, 0};
        const nfds_t count = screen.fd >= 0 ? 1 : 0;
        if (poll(count != 0 ? &screen : nullptr, count, timeout) < 0 && errno != EINTR) {
            return FALSE;
        }
    }
}

}  // namespace
}  // namespace winapi_posix::user

BOOL WaitMessage()
{
    return WaitFor(nullptr, 0, 0, false);
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax)
{
    if (msg == nullptr || (hwnd != nullptr && Find(hwnd) == nullptr)) {
        SetLastError(msg == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    while (!PeekMessageA(msg, hwnd, filterMin, filterMax, PM_REMOVE)) {
        if (hwnd != nullptr && Find(hwnd) == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
        WaitFor(hwnd, filterMin, filterMax, hwnd != nullptr || filterMin != 0 || filterMax != 0);
    }
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

namespace {

int CharacterOf(UINT vk, const BYTE* keys, BYTE packet)
{
    const bool shift = (keys[VK_SHIFT] & 0x80) != 0;
    const bool control = (keys[VK_CONTROL] & 0x80) != 0;
    const bool caps = (keys[VK_CAPITAL] & 0x01) != 0;
    if (vk == VK_PACKET) {
        return packet;
    }
    if (vk >= 'A' && vk <= 'Z') {
        if (control) {
            return static_cast<int>(vk - 'A' + 1);
        }
        return (shift != caps) ? static_cast<int>(vk) : static_cast<int>(vk - 'A' + 'a');
    }
    if (control) {
        return 0;
    }
    if (vk >= '0' && vk <= '9') {
        return shift ? ")!@#$%^&*("[vk - '0'] : static_cast<int>(vk);
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) {
        return static_cast<int>('0' + (vk - VK_NUMPAD0));
    }
    switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_BACK: return 0x08;
    case VK_TAB: return '\t';
    case VK_ESCAPE: return 0x1B;
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    case VK_OEM_1: return shift ? ':' : ';';
    case VK_OEM_PLUS: return shift ? '+' : '=';
    case VK_OEM_COMMA: return shift ? '<' : ',';
    case VK_OEM_MINUS: return shift ? '_' : '-';
    case VK_OEM_PERIOD: return shift ? '>' : '.';
    case VK_OEM_2: return shift ? '?' : '/';
    case VK_OEM_3: return shift ? '~' : '`';
    case VK_OEM_4: return shift ? '{' : '[';
    case VK_OEM_5: return shift ? '|' : '\\';
    case VK_OEM_6: return shift ? '}' : ']';
    case VK_OEM_7: return shift ? '"' : '\'';
    default: return 0;
    }
}

}  // namespace

BOOL TranslateMessage(const MSG* msg)
{
    if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) {
        return FALSE;
    }
    const BYTE packet = static_cast<BYTE>((static_cast<DWORD>(msg->lParam) >> 16) & 0xFF);
    const int c = CharacterOf(static_cast<UINT>(msg->wParam), St().keyState, packet);
    if (c != 0) {
        PostMessageA(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR,
                     static_cast<WPARAM>(static_cast<unsigned char>(c)), msg->lParam);
    }
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg)
{
    if (msg == nullptr) {
        return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        // Only a procedure that a live timer was set with is called.
        for (const Timer& t : St().timers) {
            if (t.hwnd == msg->hwnd && t.id == msg->wParam && reinterpret_cast<LPARAM>(t.proc) == msg->lParam) {
                const TIMERPROC proc = t.proc;
                proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
                return 0;
            }
        }
        return 0;
    }
    if (msg->hwnd == nullptr || Find(msg->hwnd) == nullptr) {
        return 0;
    }
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    State& s = St();
    if (hwnd != nullptr && Find(hwnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    elapse = std::clamp<UINT>(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    if (hwnd == nullptr) {
        id = s.nextThreadTimer++;
    }
    const std::int64_t due = NowMs() + elapse;
    for (Timer& t : s.timers) {
        if (t.hwnd == hwnd && t.id == id) {
            t.elapse = elapse;
            t.due = due;
            t.proc = proc;
            return id == 0 ? 1 : id;
        }
    }
    s.timers.push_back(Timer{hwnd, id, elapse, due, proc});
    return id == 0 ? 1 : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    auto& timers = St().timers;
    const auto it = std::find_if(timers.begin(), timers.end(),
                                 [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == timers.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    timers.erase(it);
    return TRUE;
}

DWORD GetMessageTime()
{
    return St().lastMessageTime;
}

BOOL MessageBeep(UINT)
{
    return TRUE;
}
