// Window classes and windows: creation and destruction with their message sequences,
// window data, placement, visibility, enabling, focus and activation, and the default
// window procedure.
#include "internal.h"
#include "x11.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace winapi_posix::user {

State& St()
{
    static State state;
    return state;
}

std::int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Window* Find(HWND hwnd)
{
    if (hwnd == nullptr) {
        return nullptr;
    }
    auto& windows = St().windows;
    const auto it = windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    return it == windows.end() ? nullptr : it->second.get();
}

WindowRef Ref(HWND hwnd)
{
    if (hwnd == nullptr) {
        return nullptr;
    }
    auto& windows = St().windows;
    const auto it = windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    return it == windows.end() ? nullptr : it->second;
}

HWND Root(HWND hwnd)
{
    Window* w = Find(hwnd);
    while (w != nullptr && (w->style & WS_CHILD) != 0 && Find(w->parent) != nullptr) {
        w = Find(w->parent);
    }
    return w == nullptr ? nullptr : w->hwnd;
}

bool IsVisibleTree(HWND hwnd)
{
    for (Window* w = Find(hwnd); w != nullptr; w = Find(w->parent)) {
        if ((w->style & WS_VISIBLE) == 0) {
            return false;
        }
    }
    return Find(hwnd) != nullptr;
}

bool IsEnabledTree(HWND hwnd)
{
    for (Window* w = Find(hwnd); w != nullptr; w = Find(w->parent)) {
        if ((w->style & WS_DISABLED) != 0) {
            return false;
        }
    }
    return Find(hwnd) != nullptr;
}

unsigned char FoldCase(unsigned char c)
{
    if (c >= 'a' && c <= 'z') {
        return static_cast<unsigned char>(c - 'a' + 'A');
    }
    // The lower-case letters of code page 1250 that have an upper-case partner.
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || c == 0x9A || c == 0x9C || c == 0x9D || c == 0x9E ||
        c == 0x9F) {
        return static_cast<unsigned char>(c - (c >= 0xE0 ? 0x20 : 0x10));
    }
    if (c == 0xB3 || c == 0xB9 || c == 0xBA || c == 0xBF) {
        return static_cast<unsigned char>(c == 0xB3 ? 0xA3 : c == 0xB9 ? 0xA5 : c == 0xBA ? 0xAA : 0xAF);
    }
    if (c == 0xBE) {
        return 0xBC;
    }
    return c;
}

int CompareNoCase(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = FoldCase(static_cast<unsigned char>(a[i]));
        const int cb = FoldCase(static_cast<unsigned char>(b[i]));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return CompareNoCase(a, b) == 0;
}

namespace {

constexpr int SCREEN_WIDTH = 1024;
constexpr int SCREEN_HEIGHT = 768;
constexpr int CAPTION_HEIGHT = 19;
constexpr int FIXED_FRAME = 3;
constexpr int SIZING_FRAME = 4;
constexpr int EDGE = 2;

HWND NewHandle()
{
    State& s = St();
    const std::uintptr_t value = s.nextHandle;
    s.nextHandle += 4;
    return reinterpret_cast<HWND>(value);
}

std::shared_ptr<ClassData> FindClass(LPCSTR name)
{
    RegisterSystemClasses();
    if (name == nullptr) {
        return nullptr;
    }
    for (const auto& cls : St().classes) {
        if (IS_INTRESOURCE(name) ? cls->atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name))
                                 : EqualNoCase(cls->name, name)) {
            return cls;
        }
    }
    return nullptr;
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(hwnd, message, wParam, lParam);
}

void RemoveFromVector(std::vector<HWND>& list, HWND hwnd)
{
    list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
}

bool InSubtree(HWND root, HWND hwnd)
{
    for (Window* w = Find(hwnd); w != nullptr; w = Find(w->parent)) {
        if (w->hwnd == root) {
            return true;
        }
        if ((w->style & WS_CHILD) == 0) {
            break;
        }
    }
    return false;
}

void MarkDestroying(HWND hwnd)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return;
    }
    w->destroying = true;
    for (HWND child : std::vector<HWND>(w->children)) {
        MarkDestroying(child);
    }
}

void SendDestroy(HWND hwnd)
{
    if (Find(hwnd) == nullptr) {
        return;
    }
    Send(hwnd, WM_DESTROY, 0, 0);
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return;
    }
    for (HWND child : std::vector<HWND>(w->children)) {
        SendDestroy(child);
    }
}

void Unregister(HWND hwnd)
{
    State& s = St();
    const auto it = s.windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    if (it == s.windows.end()) {
        return;
    }
    WindowRef keep = it->second;
    keep->alive = false;
    s.windows.erase(it);
    RemoveFromVector(s.topLevels, hwnd);
    if (Window* parent = Find(keep->parent)) {
        RemoveFromVector(parent->children, hwnd);
    }
    s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(),
                                  [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
                   s.timers.end());
    s.posted.erase(std::remove_if(s.posted.begin(), s.posted.end(),
                                  [hwnd](const MSG& m) { return m.hwnd == hwnd; }),
                   s.posted.end());
    if (s.focus == hwnd) {
        s.focus = nullptr;
    }
    if (s.active == hwnd) {
        s.active = nullptr;
    }
    if (s.capture == hwnd) {
        s.capture = nullptr;
    }
}

void SendNcDestroy(HWND hwnd)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return;
    }
    for (HWND child : std::vector<HWND>(w->children)) {
        SendNcDestroy(child);
    }
    // The window's timers die with it; its procedure hears WM_NCDESTROY last.
    State& s = St();
    s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(),
                                  [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
                   s.timers.end());
    Send(hwnd, WM_NCDESTROY, 0, 0);
    Unregister(hwnd);
}

// WM_WINDOWPOSCHANGING / WM_WINDOWPOSCHANGED for a new placement; the default procedure
// turns the second into WM_MOVE and WM_SIZE.
void Reposition(HWND hwnd, const RECT& rect, UINT flags)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return;
    }
    WINDOWPOS pos{hwnd, nullptr, static_cast<int>(rect.left), static_cast<int>(rect.top),
                  static_cast<int>(rect.right - rect.left), static_cast<int>(rect.bottom - rect.top), flags};
    Send(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    w = Find(hwnd);
    if (w == nullptr) {
        return;
    }
    const RECT old = w->rect;
    if ((flags & SWP_NOMOVE) == 0) {
        OffsetRect(&w->rect, pos.x - w->rect.left, pos.y - w->rect.top);
    }
    if ((flags & SWP_NOSIZE) == 0) {
        w->rect.right = w->rect.left + std::max(0, pos.cx);
        w->rect.bottom = w->rect.top + std::max(0, pos.cy);
    }
    if (!EqualRect(&old, &w->rect)) {
        if (Window* parent = Find(w->parent); parent != nullptr && (w->style & WS_CHILD) != 0) {
            InvalidateRect(parent->hwnd, &old, TRUE);
        }
        InvalidateTree(hwnd);
    }
    pos.x = static_cast<int>(w->rect.left);
    pos.y = static_cast<int>(w->rect.top);
    pos.cx = static_cast<int>(w->rect.right - w->rect.left);
    pos.cy = static_cast<int>(w->rect.bottom - w->rect.top);
    Send(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

void SendSizeAndMove(HWND hwnd)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return;
    }
    const WPARAM kind = w->minimized ? SIZE_MINIMIZED : w->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED;
    Send(hwnd, WM_SIZE, kind, MAKELPARAM(ClientWidth(hwnd), ClientHeight(hwnd)));
    w = Find(hwnd);
    if (w == nullptr) {
        return;
    }
    RECT client = ClientRectScreen(*w);
    POINT origin{client.left, client.top};
    if ((w->style & WS_CHILD) != 0) {
        ScreenToClient(w->parent, &origin);
    }
    Send(hwnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
}

bool CanActivate(HWND hwnd)
{
    Window* w = Find(hwnd);
    return w != nullptr && (w->style & WS_CHILD) == 0 && (w->style & WS_VISIBLE) != 0 &&
           (w->style & WS_DISABLED) == 0 && !w->destroying;
}

void SetFocusInternal(HWND hwnd)
{
    State& s = St();
    const HWND previous = s.focus;
    if (previous == hwnd) {
        return;
    }
    if (previous != nullptr && Find(previous) != nullptr) {
        Send(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
        if (s.focus != previous) {
            return;  // the handler moved the focus itself
        }
    }
    s.focus = Find(hwnd) != nullptr ? hwnd : nullptr;
    if (s.focus != nullptr) {
        Send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    }
}

}  // namespace

RECT Insets(DWORD style, DWORD exStyle, const ClassData* cls)
{
    (void)cls;
    int frame = 0;
    if ((style & WS_THICKFRAME) != 0) {
        frame = SIZING_FRAME;
    } else if ((style & WS_DLGFRAME) != 0 || (exStyle & WS_EX_DLGMODALFRAME) != 0) {
        frame = FIXED_FRAME;
    } else if ((style & WS_BORDER) != 0) {
        frame = 1;
    }
    if ((exStyle & WS_EX_CLIENTEDGE) != 0) {
        frame += EDGE;
    }
    if ((exStyle & WS_EX_STATICEDGE) != 0) {
        frame += 1;
    }
    RECT insets{frame, frame, frame, frame};
    if ((style & WS_CAPTION) == WS_CAPTION) {
        insets.top += CAPTION_HEIGHT;
    }
    return insets;
}

RECT WindowRectScreen(const Window& w)
{
    RECT r = w.rect;
    if ((w.style & WS_CHILD) != 0) {
        if (const Window* parent = Find(w.parent)) {
            const RECT pc = ClientRectScreen(*parent);
            OffsetRect(&r, pc.left, pc.top);
        }
    }
    return r;
}

RECT ClientRectScreen(const Window& w)
{
    RECT r = WindowRectScreen(w);
    if (w.minimized) {
        return RECT{r.left, r.top, r.left, r.top};
    }
    const RECT in = Insets(w.style, w.exStyle, w.cls.get());
    r.left += in.left;
    r.top += in.top;
    r.right -= in.right;
    r.bottom -= in.bottom;
    if (r.right < r.left) {
        r.right = r.left;
    }
    if (r.bottom < r.top) {
        r.bottom = r.top;
    }
    return r;
}

int ClientWidth(HWND hwnd)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return 0;
    }
    const RECT r = ClientRectScreen(*w);
    return static_cast<int>(r.right - r.left);
}

int ClientHeight(HWND hwnd)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return 0;
    }
    const RECT r = ClientRectScreen(*w);
    return static_cast<int>(r.bottom - r.top);
}

void Activate(HWND hwnd, bool byMouse)
{
    State& s = St();
    const HWND old = s.active;
    if (old == hwnd) {
        return;
    }
    if (Window* o = Find(old)) {
        const bool wasMinimized = o->minimized;
        Send(old, WM_NCACTIVATE, FALSE, 0);
        Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, wasMinimized ? 1 : 0), reinterpret_cast<LPARAM>(hwnd));
    }
    if (hwnd != nullptr && !CanActivate(hwnd)) {
        hwnd = nullptr;
    }
    s.active = hwnd;
    if (hwnd == nullptr) {
        SetFocusInternal(nullptr);
        return;
    }
    RemoveFromVector(s.topLevels, hwnd);
    s.topLevels.insert(s.topLevels.begin(), hwnd);
    const bool minimized = Find(hwnd)->minimized;
    Send(hwnd, WM_NCACTIVATE, TRUE, 0);
    Send(hwnd, WM_ACTIVATE, MAKEWPARAM(byMouse ? WA_CLICKACTIVE : WA_ACTIVE, minimized ? 1 : 0),
         reinterpret_cast<LPARAM>(Find(old) != nullptr ? old : nullptr));
    if (s.active == hwnd && !InSubtree(hwnd, s.focus)) {
        Window* w = Find(hwnd);
        SetFocusInternal(w != nullptr && !w->minimized ? hwnd : nullptr);
    }
}

void ActivateOther(HWND leaving)
{
    State& s = St();
    if (s.active != leaving) {
        return;
    }
    Window* w = Find(leaving);
    HWND next = nullptr;
    if (w != nullptr && CanActivate(w->owner) && !Find(w->owner)->minimized) {
        next = w->owner;
    } else {
        for (HWND candidate : s.topLevels) {
            Window* c = Find(candidate);
            if (candidate != leaving && CanActivate(candidate) && !c->minimized &&
                (c->exStyle & WS_EX_TOOLWINDOW) == 0) {
                next = candidate;
                break;
            }
        }
    }
    Activate(next, false);
}

HWND HitTest(POINT screen)
{
    State& s = St();
    std::function<HWND(HWND)> descend = [&](HWND parent) -> HWND {
        Window* p = Find(parent);
        for (HWND child : p->children) {
            Window* c = Find(child);
            if (c == nullptr || (c->style & WS_VISIBLE) == 0) {
                continue;
            }
            const RECT r = WindowRectScreen(*c);
            if (!PtInRect(&r, screen)) {
                continue;
            }
            if ((c->style & WS_DISABLED) != 0) {
                return parent;
            }
            const LRESULT hit = Send(child, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
            if (hit == HTTRANSPARENT) {
                continue;
            }
            const RECT cr = ClientRectScreen(*c);
            return PtInRect(&cr, screen) ? descend(child) : child;
        }
        return parent;
    };
    for (HWND top : std::vector<HWND>(s.topLevels)) {
        Window* t = Find(top);
        if (t == nullptr || (t->style & WS_VISIBLE) == 0) {
            continue;
        }
        const RECT r = WindowRectScreen(*t);
        if (PtInRect(&r, screen)) {
            const RECT cr = ClientRectScreen(*t);
            return PtInRect(&cr, screen) ? descend(top) : top;
        }
    }
    return nullptr;
}

void NotifyParent(HWND control, WORD code)
{
    Window* w = Find(control);
    if (w == nullptr) {
        return;
    }
    const HWND parent = (w->style & WS_CHILD) != 0 ? w->parent : w->owner;
    Send(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), code), reinterpret_cast<LPARAM>(control));
}

HBRUSH ControlColor(HWND control, HDC dc, UINT message)
{
    Window* w = Find(control);
    const HWND parent = w == nullptr ? nullptr : ((w->style & WS_CHILD) != 0 ? w->parent : w->owner);
    HBRUSH brush = nullptr;
    if (Find(parent) != nullptr) {
        brush = reinterpret_cast<HBRUSH>(
            Send(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    }
    if (brush == nullptr) {
        brush = reinterpret_cast<HBRUSH>(
            DefWindowProcA(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    }
    return brush;
}

}  // namespace winapi_posix::user

using namespace winapi_posix::user;

// ---- Classes -------------------------------------------------------------------------

ATOM RegisterClassA(const WNDCLASSA* wndClass)
{
    RegisterSystemClasses();
    if (wndClass == nullptr || wndClass->lpszClassName == nullptr || wndClass->lpfnWndProc == nullptr ||
        wndClass->cbClsExtra < 0 || wndClass->cbWndExtra < 0 || wndClass->cbWndExtra > 40000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (IS_INTRESOURCE(wndClass->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (const auto& cls : St().classes) {
        if (!cls->system && EqualNoCase(cls->name, wndClass->lpszClassName)) {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS);
            return 0;
        }
    }
    auto cls = std::make_shared<ClassData>();
    cls->name = wndClass->lpszClassName;
    cls->wc = *wndClass;
    if (wndClass->lpszMenuName != nullptr && !IS_INTRESOURCE(wndClass->lpszMenuName)) {
        cls->menuName = wndClass->lpszMenuName;
        cls->wc.lpszMenuName = nullptr;
    }
    cls->wc.lpszClassName = nullptr;
    cls->atom = St().nextAtom++;
    // A program's class hides a system class of the same name for that program.
    St().classes.insert(St().classes.begin(), cls);
    return cls->atom;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE)
{
    auto& classes = St().classes;
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        const auto& cls = *it;
        if (cls->system) {
            continue;
        }
        const bool match = IS_INTRESOURCE(className)
                               ? cls->atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(className))
                               : (className != nullptr && EqualNoCase(cls->name, className));
        if (match) {
            for (const auto& entry : St().windows) {
                if (entry.second->cls == cls) {
                    SetLastError(ERROR_CLASS_HAS_WINDOWS);
                    return FALSE;
                }
            }
            classes.erase(it);
            return TRUE;
        }
    }
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR className, LPWNDCLASSA wndClass)
{
    const auto cls = FindClass(className);
    if (!cls || wndClass == nullptr) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *wndClass = cls->wc;
    wndClass->lpszClassName = IS_INTRESOURCE(className) ? cls->name.c_str() : className;
    wndClass->lpszMenuName = cls->menuName.empty() ? cls->wc.lpszMenuName : cls->menuName.c_str();
    return TRUE;
}

int GetClassNameA(HWND hwnd, LPSTR buffer, int capacity)
{
    Window* w = Find(hwnd);
    if (w == nullptr || buffer == nullptr || capacity <= 0) {
        SetLastError(w == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t n = std::min(w->cls->name.size(), static_cast<std::size_t>(capacity - 1));
    std::memcpy(buffer, w->cls->name.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

// ---- Creation and destruction --------------------------------------------------------

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    State& s = St();
    const auto cls = FindClass(className);
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (parent != nullptr && Find(parent) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const bool child = (style & WS_CHILD) != 0;
    if (child && parent == nullptr) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    if (!child && (style & WS_POPUP) == 0) {
        // Overlapped windows always have a caption.
        style |= WS_CAPTION | WS_CLIPSIBLINGS;
        exStyle |= WS_EX_WINDOWEDGE;
    }
    if ((exStyle & WS_EX_DLGMODALFRAME) != 0 || ((style & WS_DLGFRAME) != 0 && (style & WS_THICKFRAME) == 0)) {
        exStyle |= WS_EX_WINDOWEDGE;
    }

    auto w = std::make_shared<Window>();
    w->hwnd = NewHandle();
    w->cls = cls;
    w->proc = cls->wc.lpfnWndProc;
    w->instance = instance;
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    w->extra.assign(static_cast<std::size_t>(cls->wc.cbWndExtra), 0);
    if (child) {
        w->parent = parent;
        w->id = reinterpret_cast<LONG_PTR>(menu);
        if (x == CW_USEDEFAULT) {
            x = y = 0;
        }
        if (width == CW_USEDEFAULT) {
            width = height = 0;
        }
    } else {
        w->owner = Root(parent);
        if (x == CW_USEDEFAULT || width == CW_USEDEFAULT) {
            const int step = 26 * (1 + s.defaultPlacements++ % 8);
            if (x == CW_USEDEFAULT) {
                x = y = step;
            }
            if (width == CW_USEDEFAULT) {
                width = SCREEN_WIDTH * 3 / 4 - step;
                height = SCREEN_HEIGHT * 3 / 4 - step;
            }
        }
    }
    w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
    w->normalRect = w->rect;
    const HWND hwnd = w->hwnd;
    s.windows.emplace(reinterpret_cast<std::uintptr_t>(hwnd), w);
    if (child) {
        Find(parent)->children.push_back(hwnd);
    } else {
        s.topLevels.insert(s.topLevels.begin(), hwnd);
    }

    CREATESTRUCTA cs{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style),
                     windowName, className, exStyle};
    if (!child && ((style & WS_THICKFRAME) != 0 || (style & WS_POPUP) == 0)) {
        MINMAXINFO mmi{};
        mmi.ptMaxSize = POINT{SCREEN_WIDTH, SCREEN_HEIGHT};
        mmi.ptMaxTrackSize = POINT{SCREEN_WIDTH, SCREEN_HEIGHT};
        mmi.ptMinTrackSize = POINT{112, 27};
        Send(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    }
    if (Find(hwnd) == nullptr) {
        return nullptr;
    }
    if (Send(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) == 0) {
        if (Find(hwnd) != nullptr) {
            MarkDestroying(hwnd);
            SendNcDestroy(hwnd);
        }
        return nullptr;
    }
    if (Find(hwnd) == nullptr) {
        return nullptr;
    }
    NCCALCSIZE_PARAMS calc{};
    calc.rgrc[0] = Find(hwnd)->rect;
    Send(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&calc.rgrc[0]));
    if (Find(hwnd) == nullptr) {
        return nullptr;
    }
    if (Send(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (Find(hwnd) == nullptr) {
        return nullptr;
    }
    SendSizeAndMove(hwnd);
    if (Find(hwnd) == nullptr) {
        return nullptr;
    }
    if (child && (exStyle & WS_EX_NOPARENTNOTIFY) == 0) {
        Send(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, static_cast<WORD>(w->id)),
             reinterpret_cast<LPARAM>(hwnd));
    }
    if ((style & WS_VISIBLE) != 0 && Find(hwnd) != nullptr) {
        ShowWindow(hwnd, SW_SHOW);
    }
    return Find(hwnd) != nullptr ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd)
{
    State& s = St();
    Window* w = Find(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (w->destroying) {
        return TRUE;
    }
    // Owned windows go first.
    if ((w->style & WS_CHILD) == 0) {
        for (const auto& entry : std::map<std::uintptr_t, WindowRef>(s.windows)) {
            if (entry.second->alive && entry.second->owner == hwnd && (entry.second->style & WS_CHILD) == 0) {
                DestroyWindow(entry.second->hwnd);
            }
        }
    }
    w = Find(hwnd);
    if (w == nullptr) {
        return TRUE;
    }
    MarkDestroying(hwnd);
    WindowRef keep = Ref(hwnd);
    const bool child = (w->style & WS_CHILD) != 0;
    if ((w->style & WS_VISIBLE) != 0) {
        w->style &= ~WS_VISIBLE;
        if (child) {
            InvalidateRect(w->parent, &w->rect, TRUE);
        }
    }
    if (InSubtree(hwnd, s.capture)) {
        s.capture = nullptr;
    }
    if (!child) {
        ActivateOther(hwnd);
        if (s.active == hwnd) {
            Activate(nullptr, false);
        }
    }
    if (InSubtree(hwnd, s.focus)) {
        Window* parent = child ? Find(w->parent) : nullptr;
        SetFocusInternal(parent != nullptr && !parent->destroying ? parent->hwnd : nullptr);
    }
    SendDestroy(hwnd);
    SendNcDestroy(hwnd);
    return TRUE;
}

// ---- Window data ---------------------------------------------------------------------

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (proc == nullptr) {
        return 0;
    }
    WindowRef keep = Ref(hwnd);
    return proc(hwnd, message, wParam, lParam);
}

LONG_PTR GetWindowLongA(HWND hwnd, int index)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (w->dialog && index >= 0 && index < DWLP_USER + static_cast<int>(sizeof(LONG_PTR)) &&
        w->extra.size() < static_cast<std::size_t>(DWLP_USER) + sizeof(LONG_PTR)) {
        if (index == DWLP_MSGRESULT) {
            return w->dialog->msgResult;
        }
        if (index == DWLP_DLGPROC) {
            return reinterpret_cast<LONG_PTR>(w->dialog->proc);
        }
        if (index == DWLP_USER) {
            return w->dialog->user;
        }
    }
    switch (index) {
    case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWL_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWL_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) != 0 ? w->parent : w->owner);
    case GWL_ID: return w->id;
    case GWL_STYLE: return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->exStyle);
    case GWL_USERDATA: return w->userData;
    default: break;
    }
    if (index >= 0 && static_cast<std::size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
        LONG_PTR value = 0;
        std::memcpy(&value, w->extra.data() + index, sizeof value);
        return value;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR SetWindowLongA(HWND hwnd, int index, LONG_PTR value)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR old = 0;
    if (w->dialog && index >= 0 && index < DWLP_USER + static_cast<int>(sizeof(LONG_PTR)) &&
        w->extra.size() < static_cast<std::size_t>(DWLP_USER) + sizeof(LONG_PTR)) {
        if (index == DWLP_MSGRESULT) {
            old = w->dialog->msgResult;
            w->dialog->msgResult = value;
            return old;
        }
        if (index == DWLP_DLGPROC) {
            old = reinterpret_cast<LONG_PTR>(w->dialog->proc);
            w->dialog->proc = reinterpret_cast<DLGPROC>(value);
            return old;
        }
        if (index == DWLP_USER) {
            old = w->dialog->user;
            w->dialog->user = value;
            return old;
        }
    }
    switch (index) {
    case GWL_WNDPROC:
        if (value == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(value);
        return old;
    case GWL_HINSTANCE:
        old = reinterpret_cast<LONG_PTR>(w->instance);
        w->instance = reinterpret_cast<HINSTANCE>(value);
        return old;
    case GWL_ID:
        old = w->id;
        w->id = value;
        return old;
    case GWL_STYLE: {
        old = static_cast<LONG_PTR>(w->style);
        // Visibility changes only through ShowWindow; the rest is taken as given.
        const DWORD keepVisible = w->style & WS_VISIBLE;
        w->style = (static_cast<DWORD>(value) & ~WS_VISIBLE) | keepVisible;
        return old;
    }
    case GWL_EXSTYLE:
        old = static_cast<LONG_PTR>(w->exStyle);
        w->exStyle = static_cast<DWORD>(value);
        return old;
    case GWL_USERDATA:
        old = w->userData;
        w->userData = value;
        return old;
    case GWL_HWNDPARENT:
        if ((w->style & WS_CHILD) == 0) {
            old = reinterpret_cast<LONG_PTR>(w->owner);
            w->owner = Root(reinterpret_cast<HWND>(value));
            return old;
        }
        break;
    default: break;
    }
    if (index >= 0 && static_cast<std::size_t>(index) + sizeof(LONG_PTR) <= w->extra.size()) {
        std::memcpy(&old, w->extra.data() + index, sizeof old);
        std::memcpy(w->extra.data() + index, &value, sizeof value);
        return old;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index)
{
    return GetWindowLongA(hwnd, index);
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value)
{
    return SetWindowLongA(hwnd, index, value);
}

HWND GetDlgItem(HWND dialog, int id)
{
    Window* w = Find(dialog);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (HWND child : w->children) {
        if (Window* c = Find(child); c != nullptr && static_cast<int>(c->id) == id) {
            return child;
        }
    }
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd)
{
    Window* w = Find(hwnd);
    return w == nullptr ? 0 : static_cast<int>(w->id);
}

BOOL IsWindow(HWND hwnd)
{
    return Find(hwnd) != nullptr ? TRUE : FALSE;
}

BOOL IsChild(HWND parent, HWND hwnd)
{
    if (Find(parent) == nullptr) {
        return FALSE;
    }
    Window* w = Find(hwnd);
    while (w != nullptr && (w->style & WS_CHILD) != 0) {
        if (w->parent == parent) {
            return TRUE;
        }
        w = Find(w->parent);
    }
    return FALSE;
}

BOOL IsWindowVisible(HWND hwnd)
{
    return IsVisibleTree(hwnd) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    Window* w = Find(hwnd);
    return w != nullptr && (w->style & WS_DISABLED) == 0 ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    State& s = St();
    Window* w = Find(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const BOOL wasDisabled = (w->style & WS_DISABLED) != 0 ? TRUE : FALSE;
    if (enable != FALSE && wasDisabled) {
        w->style &= ~WS_DISABLED;
        Send(hwnd, WM_ENABLE, TRUE, 0);
        InvalidateTree(hwnd);
    } else if (enable == FALSE && !wasDisabled) {
        Send(hwnd, WM_CANCELMODE, 0, 0);
        w = Find(hwnd);
        if (w == nullptr) {
            return FALSE;
        }
        w->style |= WS_DISABLED;
        if (hwnd == s.focus || IsChild(hwnd, s.focus)) {
            SetFocusInternal(nullptr);
        }
        if (InSubtree(hwnd, s.capture)) {
            s.capture = nullptr;
        }
        Send(hwnd, WM_ENABLE, FALSE, 0);
        InvalidateTree(hwnd);
    }
    return wasDisabled;
}

BOOL ShowWindow(HWND hwnd, int command)
{
    State& s = St();
    Window* w = Find(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    WindowRef keep = Ref(hwnd);
    const bool wasVisible = (w->style & WS_VISIBLE) != 0;
    const bool wasMinimized = w->minimized;
    const bool child = (w->style & WS_CHILD) != 0;

    auto show = [&] {
        if ((keep->style & WS_VISIBLE) == 0 && keep->alive) {
            Send(hwnd, WM_SHOWWINDOW, TRUE, 0);
            if (!keep->alive) {
                return;
            }
            keep->style |= WS_VISIBLE;
            Reposition(hwnd, keep->rect, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
            InvalidateTree(hwnd);
            if (child) {
                InvalidateRect(keep->parent, &keep->rect, TRUE);
            }
        }
    };
    auto place = [&](bool minimize, bool maximize) {
        if (!keep->alive || (keep->minimized == minimize && keep->maximized == maximize)) {
            return;
        }
        if (!keep->minimized && !keep->maximized) {
            keep->normalRect = keep->rect;
        }
        RECT target = keep->normalRect;
        if (minimize) {
            target = RECT{-32000, -32000, -32000 + 160, -32000 + 24};
        } else if (maximize) {
            RECT frame{0, 0, SCREEN_WIDTH, SCREEN_HEIGHT};
            const RECT in = Insets(keep->style, keep->exStyle, keep->cls.get());
            frame.left -= in.left;
            frame.right += in.right;
            frame.top -= in.left;
            frame.bottom += in.bottom;
            target = frame;
        }
        keep->minimized = minimize;
        keep->maximized = maximize;
        keep->style = (keep->style & ~(WS_MINIMIZE | WS_MAXIMIZE)) | (minimize ? WS_MINIMIZE : 0u) |
                      (maximize ? WS_MAXIMIZE : 0u);
        Reposition(hwnd, target, SWP_NOZORDER | SWP_FRAMECHANGED);
    };

    switch (command) {
    case SW_HIDE:
        if (!wasVisible) {
            return FALSE;
        }
        Send(hwnd, WM_SHOWWINDOW, FALSE, 0);
        if (!keep->alive) {
            return TRUE;
        }
        keep->style &= ~WS_VISIBLE;
        Reposition(hwnd, keep->rect, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_HIDEWINDOW);
        if (child) {
            InvalidateRect(keep->parent, &keep->rect, TRUE);
            if (InSubtree(hwnd, s.focus)) {
                SetFocusInternal(keep->parent);
            }
        } else {
            ActivateOther(hwnd);
            if (s.active == hwnd) {
                Activate(nullptr, false);
            }
        }
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        place(true, false);
        show();
        if (!child && keep->alive) {
            if (command == SW_SHOWMINIMIZED) {
                Activate(hwnd, false);
            } else if (s.active == hwnd) {
                ActivateOther(hwnd);
                if (s.active == hwnd) {
                    // Nothing else to activate: the minimized window stays active without focus.
                    SetFocusInternal(nullptr);
                }
            }
        }
        break;
    case SW_SHOWMAXIMIZED:
        place(false, true);
        show();
        if (!child && keep->alive) {
            Activate(hwnd, false);
        }
        break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
    case SW_SHOWNOACTIVATE:
        place(false, false);
        show();
        if (!child && keep->alive && command != SW_SHOWNOACTIVATE) {
            if (s.active == hwnd && wasMinimized) {
                // Restoring the active window gives it back the focus it could not hold.
                s.active = nullptr;
            }
            Activate(hwnd, false);
        }
        break;
    case SW_SHOW:
        show();
        if (!child && keep->alive) {
            Activate(hwnd, false);
        }
        break;
    case SW_SHOWNA:
        show();
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd)
{
    Window* w = Find(hwnd);
    return w != nullptr && w->minimized ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd)
{
    Window* w = Find(hwnd);
    return w != nullptr && w->maximized ? TRUE : FALSE;
}

// ---- Placement -----------------------------------------------------------------------

BOOL GetWindowRect(HWND hwnd, LPRECT rect)
{
    Window* w = Find(hwnd);
    if (w == nullptr || rect == nullptr) {
        SetLastError(w == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *rect = WindowRectScreen(*w);
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect)
{
    Window* w = Find(hwnd);
    if (w == nullptr || rect == nullptr) {
        SetLastError(w == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const RECT r = ClientRectScreen(*w);
    *rect = RECT{0, 0, r.right - r.left, r.bottom - r.top};
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point)
{
    Window* w = Find(hwnd);
    if (w == nullptr || point == nullptr) {
        return FALSE;
    }
    const RECT r = ClientRectScreen(*w);
    point->x -= r.left;
    point->y -= r.top;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point)
{
    Window* w = Find(hwnd);
    if (w == nullptr || point == nullptr) {
        return FALSE;
    }
    const RECT r = ClientRectScreen(*w);
    point->x += r.left;
    point->y += r.top;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count)
{
    POINT offset{0, 0};
    if (from != nullptr) {
        Window* w = Find(from);
        if (w == nullptr) {
            return 0;
        }
        const RECT r = ClientRectScreen(*w);
        offset.x += r.left;
        offset.y += r.top;
    }
    if (to != nullptr) {
        Window* w = Find(to);
        if (w == nullptr) {
            return 0;
        }
        const RECT r = ClientRectScreen(*w);
        offset.x -= r.left;
        offset.y -= r.top;
    }
    for (UINT i = 0; points != nullptr && i < count; ++i) {
        points[i].x += offset.x;
        points[i].y += offset.y;
    }
    return static_cast<int>(MAKELONG(static_cast<WORD>(offset.x), static_cast<WORD>(offset.y)));
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if ((flags & SWP_NOZORDER) == 0 && (w->style & WS_CHILD) == 0 && insertAfter != HWND_BOTTOM) {
        RemoveFromVector(St().topLevels, hwnd);
        St().topLevels.insert(St().topLevels.begin(), hwnd);
    } else if ((flags & SWP_NOZORDER) == 0 && (w->style & WS_CHILD) == 0) {
        RemoveFromVector(St().topLevels, hwnd);
        St().topLevels.push_back(hwnd);
    }
    if ((flags & SWP_NOZORDER) == 0 && (w->style & WS_CHILD) != 0 && Find(w->parent) != nullptr) {
        Window* parent = Find(w->parent);
        std::vector<HWND>& list = parent->children;
        RemoveFromVector(list, hwnd);
        if (insertAfter == HWND_BOTTOM) {
            list.push_back(hwnd);
        } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
            list.insert(list.begin(), hwnd);
        } else {
            auto it = std::find(list.begin(), list.end(), insertAfter);
            list.insert(it == list.end() ? list.end() : it + 1, hwnd);
        }
    }
    w = Find(hwnd);
    RECT target{x, y, x + width, y + height};
    if (w->minimized || w->maximized) {
        // Moving a minimized or maximized window changes where it goes back to.
        if ((flags & SWP_NOMOVE) == 0) {
            OffsetRect(&w->normalRect, x - w->normalRect.left, y - w->normalRect.top);
        }
        if ((flags & SWP_NOSIZE) == 0) {
            w->normalRect.right = w->normalRect.left + width;
            w->normalRect.bottom = w->normalRect.top + height;
        }
        flags |= SWP_NOMOVE | SWP_NOSIZE;
        target = w->rect;
    }
    Reposition(hwnd, target, flags & ~(SWP_SHOWWINDOW | SWP_HIDEWINDOW));
    if ((flags & SWP_SHOWWINDOW) != 0) {
        ShowWindow(hwnd, (flags & SWP_NOACTIVATE) != 0 ? SW_SHOWNA : SW_SHOW);
    } else if ((flags & SWP_HIDEWINDOW) != 0) {
        ShowWindow(hwnd, SW_HIDE);
    }
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL)
{
    return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL, DWORD exStyle)
{
    if (rect == nullptr) {
        return FALSE;
    }
    const RECT in = Insets(style, exStyle, nullptr);
    rect->left -= in.left;
    rect->top -= in.top;
    rect->right += in.right;
    rect->bottom += in.bottom;
    return TRUE;
}

// ---- Texts ---------------------------------------------------------------------------

BOOL SetWindowTextA(HWND hwnd, LPCSTR text)
{
    if (Find(hwnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // The control's own answer, as it is: a list's CB_ERR is a non-zero result too.
    return static_cast<BOOL>(Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int capacity)
{
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    if (Find(hwnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(Send(hwnd, WM_GETTEXT, static_cast<WPARAM>(capacity), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND hwnd)
{
    if (Find(hwnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(Send(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

// ---- Relations -----------------------------------------------------------------------

HWND GetParent(HWND hwnd)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return (w->style & WS_CHILD) != 0 ? w->parent : ((w->style & WS_POPUP) != 0 ? w->owner : nullptr);
}

HWND GetWindow(HWND hwnd, UINT relation)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (relation == GW_CHILD) {
        return w->children.empty() ? nullptr : w->children.front();
    }
    if (relation == GW_OWNER) {
        return (w->style & WS_CHILD) != 0 ? nullptr : w->owner;
    }
    Window* parent = (w->style & WS_CHILD) != 0 ? Find(w->parent) : nullptr;
    if ((w->style & WS_CHILD) != 0 && parent == nullptr) {
        return nullptr;
    }
    const std::vector<HWND>& list = parent != nullptr ? parent->children : St().topLevels;
    const auto it = std::find(list.begin(), list.end(), hwnd);
    switch (relation) {
    case GW_HWNDFIRST: return list.empty() ? nullptr : list.front();
    case GW_HWNDLAST: return list.empty() ? nullptr : list.back();
    case GW_HWNDNEXT: return it == list.end() || it + 1 == list.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == list.begin() || it == list.end() ? nullptr : *(it - 1);
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

HWND GetAncestor(HWND hwnd, UINT kind)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return nullptr;
    }
    switch (kind) {
    case GA_PARENT: return (w->style & WS_CHILD) != 0 ? w->parent : nullptr;
    case GA_ROOT: return Root(hwnd);
    case GA_ROOTOWNER: {
        HWND root = Root(hwnd);
        for (Window* r = Find(root); r != nullptr && Find(r->owner) != nullptr; r = Find(root)) {
            root = Root(r->owner);
        }
        return root;
    }
    default: return nullptr;
    }
}

HWND GetDesktopWindow()
{
    // The desktop is no window of ours; its handle only names the screen.
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10010));
}

HWND WindowFromPoint(POINT point)
{
    return HitTest(point);
}

UINT RegisterWindowMessageA(LPCSTR name)
{
    if (name == nullptr || *name == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    State& s = St();
    std::string key;
    for (const char* p = name; *p != '\0'; ++p) {
        key.push_back(static_cast<char>(FoldCase(static_cast<unsigned char>(*p))));
    }
    const auto it = s.registeredMessages.find(key);
    if (it != s.registeredMessages.end()) {
        return it->second;
    }
    const UINT number = 0xC000u + static_cast<UINT>(s.registeredMessages.size());
    if (number > 0xFFFFu) {
        return 0;
    }
    s.registeredMessages.emplace(key, number);
    return number;
}

int GetSystemMetrics(int index)
{
    switch (index) {
    // Asking how many screens there are is what turns the screen on: the X connection
    // opens here, once, and none is ever made for a program that never asks.
    case SM_CMONITORS: return ScreenConnect();
    case SM_CXSCREEN: case SM_CXFULLSCREEN: return SCREEN_WIDTH;
    case SM_CYSCREEN: return SCREEN_HEIGHT;
    case SM_CYFULLSCREEN: return SCREEN_HEIGHT - CAPTION_HEIGHT;
    case SM_CXVSCROLL: case SM_CYHSCROLL: return 16;
    case SM_CYCAPTION: return CAPTION_HEIGHT;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return FIXED_FRAME;
    case SM_CXFRAME: case SM_CYFRAME: return SIZING_FRAME;
    case SM_CXEDGE: case SM_CYEDGE: return EDGE;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CYMENU: return 19;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXSIZE: case SM_CYSIZE: return 18;
    case SM_CXMINIMIZED: return 160;
    case SM_CYMINIMIZED: return 24;
    default: return 0;
    }
}

// ---- Focus and activation ------------------------------------------------------------

HWND GetFocus()
{
    return St().focus;
}

HWND SetFocus(HWND hwnd)
{
    State& s = St();
    const HWND previous = s.focus;
    if (hwnd == nullptr) {
        SetFocusInternal(nullptr);
        return previous;
    }
    Window* w = Find(hwnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (Window* a = Find(w->parent); a != nullptr && (w->style & WS_CHILD) != 0; a = Find(a->parent)) {
        if (a->minimized) {
            return nullptr;
        }
        if ((a->style & WS_CHILD) == 0) {
            break;
        }
    }
    const HWND root = Root(hwnd);
    Window* r = Find(root);
    if ((r->style & WS_VISIBLE) == 0 && r->dialog) {
        // A dialog being built: the focus goes where it said once it is shown and active.
        r->dialog->savedFocus = hwnd;
        return previous;
    }
    if (s.active != root) {
        if (!CanActivate(root)) {
            return nullptr;
        }
        Activate(root, false);
        if (s.active != root || Find(hwnd) == nullptr) {
            return nullptr;
        }
    }
    SetFocusInternal(hwnd);
    return previous;
}

HWND GetActiveWindow()
{
    return St().active;
}

HWND SetActiveWindow(HWND hwnd)
{
    const HWND previous = St().active;
    if (hwnd != nullptr && !CanActivate(Root(hwnd))) {
        return nullptr;
    }
    Activate(Root(hwnd), false);
    return previous;
}

HWND GetForegroundWindow()
{
    return St().active;
}

BOOL SetForegroundWindow(HWND hwnd)
{
    if (!CanActivate(Root(hwnd))) {
        return FALSE;
    }
    Activate(Root(hwnd), false);
    return TRUE;
}

HWND GetCapture()
{
    return St().capture;
}

HWND SetCapture(HWND hwnd)
{
    State& s = St();
    const HWND previous = s.capture;
    if (Find(hwnd) == nullptr) {
        return previous;
    }
    s.capture = hwnd;
    if (previous != nullptr && previous != hwnd) {
        Send(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    }
    return previous;
}

BOOL ReleaseCapture()
{
    State& s = St();
    const HWND previous = s.capture;
    s.capture = nullptr;
    if (previous != nullptr) {
        Send(previous, WM_CAPTURECHANGED, 0, 0);
    }
    return TRUE;
}

SHORT GetKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey > 255) {
        return 0;
    }
    const BYTE state = St().keyState[virtualKey];
    return static_cast<SHORT>(((state & 0x80) != 0 ? 0xFF80 : 0) | (state & 0x01));
}

// ---- The default window procedure ----------------------------------------------------

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(hwnd);
    switch (message) {
    case WM_NCCREATE:
        if (w != nullptr && lParam != 0) {
            const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            if (cs->lpszName != nullptr && !IS_INTRESOURCE(cs->lpszName)) {
                w->text = cs->lpszName;
            }
        }
        return TRUE;
    case WM_NCCALCSIZE:
        if (w != nullptr && lParam != 0) {
            auto* r = reinterpret_cast<RECT*>(lParam);
            const RECT in = Insets(w->style, w->exStyle, w->cls.get());
            r->left += in.left;
            r->top += in.top;
            r->right -= in.right;
            r->bottom -= in.bottom;
        }
        return 0;
    case WM_NCHITTEST: {
        if (w == nullptr) {
            return HTNOWHERE;
        }
        const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const RECT outer = WindowRectScreen(*w);
        const RECT client = ClientRectScreen(*w);
        if (!PtInRect(&outer, pt)) {
            return HTNOWHERE;
        }
        if (PtInRect(&client, pt)) {
            return HTCLIENT;
        }
        if ((w->style & WS_CAPTION) == WS_CAPTION && pt.y < client.top && pt.y >= client.top - CAPTION_HEIGHT) {
            const LONG buttonSize = CAPTION_HEIGHT - 2;
            if ((w->style & WS_SYSMENU) != 0 && pt.x >= client.right - buttonSize) {
                return HTCLOSE;
            }
            if ((w->style & WS_SYSMENU) != 0 && (w->style & WS_MINIMIZEBOX) != 0 &&
                pt.x >= client.right - 3 * buttonSize && pt.x < client.right - 2 * buttonSize) {
                return HTMINBUTTON;
            }
            return HTCAPTION;
        }
        return HTBORDER;
    }
    case WM_NCLBUTTONUP:
        if (wParam == HTCLOSE) {
            return Send(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
        }
        if (wParam == HTMINBUTTON) {
            return Send(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, lParam);
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: Send(hwnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        default: break;
        }
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (GetKeyState(VK_MENU) & 0x8000) != 0) {
            PostMessageA(Root(hwnd), WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        return 0;
    case WM_SETTEXT:
        if (w == nullptr) {
            return FALSE;
        }
        w->text = lParam != 0 ? reinterpret_cast<LPCSTR>(lParam) : "";
        return TRUE;
    case WM_GETTEXT: {
        if (w == nullptr || wParam == 0 || lParam == 0) {
            return 0;
        }
        auto* buffer = reinterpret_cast<char*>(lParam);
        const std::size_t n = std::min(w->text.size(), static_cast<std::size_t>(wParam - 1));
        std::memcpy(buffer, w->text.data(), n);
        buffer[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return w == nullptr ? 0 : static_cast<LRESULT>(w->text.size());
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR: {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        const bool windowColours = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
        if (message == WM_CTLCOLORSCROLLBAR) {
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_SCROLLBAR));
        }
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(windowColours ? COLOR_WINDOW : COLOR_3DFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(windowColours ? COLOR_WINDOW : COLOR_3DFACE));
    }
    case WM_QUERYENDSESSION:
    case WM_QUERYOPEN:
        return TRUE;
    case WM_ERASEBKGND: {
        if (w == nullptr || w->cls->wc.hbrBackground == nullptr) {
            return 0;
        }
        RECT r{};
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, w->cls->wc.hbrBackground);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps{};
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && w != nullptr && !w->minimized) {
            SetFocus(hwnd);
        }
        return 0;
    case WM_MOUSEACTIVATE:
        if (w != nullptr && (w->style & WS_CHILD) != 0) {
            const LRESULT fromParent = Send(w->parent, WM_MOUSEACTIVATE, wParam, lParam);
            if (fromParent != 0) {
                return fromParent;
            }
        }
        return MA_ACTIVATE;
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (pos != nullptr && (pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
            SendSizeAndMove(hwnd);
        } else if (pos != nullptr && (pos->flags & SWP_FRAMECHANGED) != 0) {
            SendSizeAndMove(hwnd);
        }
        return 0;
    }
    case WM_SETCURSOR:
    case WM_GETDLGCODE:
    case WM_GETFONT:
        return 0;
    default:
        return 0;
    }
}
