// The testing interface: input events into the queue, modal and idle hooks, inspection.
#include "internal.h"
#include "posix/testing_ui.h"

#include <algorithm>

namespace winapi_posix::testing {

using namespace winapi_posix::user;

namespace {

void Push(UINT message, UINT vk, BYTE character, POINT pt)
{
    InputEvent e;
    e.message = message;
    e.vk = vk;
    e.character = character;
    e.pt = pt;
    St().input.push_back(e);
}

void WithModifiers(unsigned modifiers, bool down)
{
    const UINT keys[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
    for (int i = 0; i < 3; ++i) {
        const int index = down ? i : 2 - i;
        if ((modifiers & (1u << index)) != 0) {
            if (down) {
                KeyDown(keys[index]);
            } else {
                KeyUp(keys[index]);
            }
        }
    }
}

// The key and shift state that type a character on a US keyboard, or false.
bool KeyFor(unsigned char c, UINT& vk, bool& shift)
{
    shift = false;
    if (c >= 'a' && c <= 'z') {
        vk = static_cast<UINT>(c - 'a' + 'A');
        return true;
    }
    if (c >= 'A' && c <= 'Z') {
        vk = c;
        shift = true;
        return true;
    }
    if (c >= '0' && c <= '9') {
        vk = c;
        return true;
    }
    struct Punct {
        char normal;
        char shifted;
        UINT vk;
    };
    static const Punct table[] = {
        {';', ':', VK_OEM_1},  {'=', '+', VK_OEM_PLUS},   {',', '<', VK_OEM_COMMA}, {'-', '_', VK_OEM_MINUS},
        {'.', '>', VK_OEM_PERIOD}, {'/', '?', VK_OEM_2}, {'`', '~', VK_OEM_3},     {'[', '{', VK_OEM_4},
        {'\\', '|', VK_OEM_5}, {']', '}', VK_OEM_6},     {'\'', '"', VK_OEM_7},
    };
    for (const Punct& p : table) {
        if (c == static_cast<unsigned char>(p.normal) || c == static_cast<unsigned char>(p.shifted)) {
            vk = p.vk;
            shift = c == static_cast<unsigned char>(p.shifted);
            return true;
        }
    }
    static const char shiftedDigits[] = ")!@#$%^&*(";
    for (int i = 0; i < 10; ++i) {
        if (c == static_cast<unsigned char>(shiftedDigits[i])) {
            vk = static_cast<UINT>('0' + i);
            shift = true;
            return true;
        }
    }
    if (c == ' ') {
        vk = VK_SPACE;
        return true;
    }
    return false;
}

void Collect(HWND hwnd, std::vector<HWND>& out)
{
    out.push_back(hwnd);
    if (Window* w = Find(hwnd)) {
        for (HWND child : w->children) {
            Collect(child, out);
        }
    }
}

}  // namespace

void KeyDown(UINT vk)
{
    Push(WM_KEYDOWN, vk, 0, St().cursor);
}

void KeyUp(UINT vk)
{
    Push(WM_KEYUP, vk, 0, St().cursor);
}

void PressKey(UINT vk, unsigned modifiers)
{
    WithModifiers(modifiers, true);
    KeyDown(vk);
    KeyUp(vk);
    WithModifiers(modifiers, false);
}

void TypeText(const char* text)
{
    for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        UINT vk = 0;
        bool shift = false;
        if (KeyFor(c, vk, shift)) {
            PressKey(vk, shift ? Shift : NoModifier);
        } else {
            Push(WM_KEYDOWN, VK_PACKET, c, St().cursor);
            Push(WM_KEYUP, VK_PACKET, c, St().cursor);
        }
    }
}

void MouseDown(POINT screen)
{
    Push(WM_LBUTTONDOWN, 0, 0, screen);
}

void MouseUp(POINT screen)
{
    Push(WM_LBUTTONUP, 0, 0, screen);
}

void ClickAt(POINT screen)
{
    MouseDown(screen);
    MouseUp(screen);
}

POINT CenterOf(HWND hwnd)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return POINT{-1, -1};
    }
    RECT r = ClientRectScreen(*w);
    if (IsRectEmpty(&r)) {
        r = WindowRectScreen(*w);
    }
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

POINT CloseBoxOf(HWND hwnd)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return POINT{-1, -1};
    }
    const RECT client = ClientRectScreen(*w);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    return POINT{client.right - 4, client.top - caption / 2};
}

void Click(HWND hwnd)
{
    ClickAt(CenterOf(hwnd));
}

void OnNextModal(std::function<void(HWND)> action)
{
    St().modalHooks.push_back(std::move(action));
}

void WhenIdle(std::function<bool()> action)
{
    St().idleHooks.push_back(std::move(action));
}

void OnStall(std::function<void()> action)
{
    St().stallHandler = std::move(action);
}

HWND ModalWindow()
{
    const auto& stack = St().modalStack;
    return stack.empty() ? nullptr : stack.back();
}

std::vector<HWND> TopLevelWindows()
{
    return St().topLevels;
}

std::vector<HWND> Children(HWND hwnd)
{
    Window* w = Find(hwnd);
    return w == nullptr ? std::vector<HWND>{} : w->children;
}

WindowState Inspect(HWND hwnd)
{
    WindowState s;
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return s;
    }
    s.hwnd = hwnd;
    s.className = w->cls->name;
    char text[1024] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    s.text = text;
    w = Find(hwnd);
    if (w == nullptr) {
        return WindowState{};
    }
    s.style = w->style;
    s.exStyle = w->exStyle;
    s.id = static_cast<int>(w->id);
    s.rect = WindowRectScreen(*w);
    s.client = ClientRectScreen(*w);
    s.visible = IsVisibleTree(hwnd);
    s.enabled = (w->style & WS_DISABLED) == 0;
    s.focused = GetFocus() == hwnd;
    s.active = GetActiveWindow() == hwnd;
    s.children = w->children;
    const bool button = EqualNoCase(s.className, "Button");
    const bool listBox = EqualNoCase(s.className, "ListBox") || EqualNoCase(s.className, "ComboLBox");
    const bool combo = EqualNoCase(s.className, "ComboBox");
    if (button) {
        s.check = static_cast<int>(SendMessageA(hwnd, BM_GETCHECK, 0, 0));
    }
    if (listBox || combo) {
        const UINT count = listBox ? LB_GETCOUNT : CB_GETCOUNT;
        const UINT length = listBox ? LB_GETTEXTLEN : CB_GETLBTEXTLEN;
        const UINT get = listBox ? LB_GETTEXT : CB_GETLBTEXT;
        s.selection = static_cast<int>(SendMessageA(hwnd, listBox ? LB_GETCURSEL : CB_GETCURSEL, 0, 0));
        const auto n = SendMessageA(hwnd, count, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            std::string item(static_cast<std::size_t>(std::max<LRESULT>(0, SendMessageA(hwnd, length, static_cast<WPARAM>(i), 0))) + 1, '\0');
            SendMessageA(hwnd, get, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
            item.resize(std::char_traits<char>::length(item.c_str()));
            s.items.push_back(item);
        }
        if (combo) {
            s.dropped = SendMessageA(hwnd, CB_GETDROPPEDSTATE, 0, 0) != 0;
        }
    }
    return s;
}

HWND FindByText(HWND parent, const char* text, const char* className)
{
    std::vector<HWND> all;
    if (parent == nullptr) {
        for (HWND top : St().topLevels) {
            Collect(top, all);
        }
    } else {
        Collect(parent, all);
        all.erase(all.begin());
    }
    for (HWND hwnd : all) {
        Window* w = Find(hwnd);
        if (w != nullptr && text != nullptr && w->text == text &&
            (className == nullptr || EqualNoCase(w->cls->name, className))) {
            return hwnd;
        }
    }
    return nullptr;
}

std::vector<DrawOp> LastPaint(HWND hwnd)
{
    std::vector<DrawOp> ops;
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return ops;
    }
    for (const PaintOp& p : w->lastPaint) {
        DrawOp d;
        d.kind = static_cast<DrawOp::Kind>(static_cast<int>(p.kind));
        d.rect = p.rect;
        d.text = p.text;
        d.textColor = p.textColor;
        d.bkColor = p.bkColor;
        d.bkMode = p.bkMode;
        d.brush = p.brush;
        d.brushColor = p.brushColor;
        d.icon = p.icon;
        ops.push_back(d);
    }
    return ops;
}

PaintSummary Painted(HWND hwnd)
{
    PaintSummary s;
    Window* w = Find(hwnd);
    if (w == nullptr || !w->painted) {
        return s;
    }
    s.painted = true;
    bool haveFill = false;
    for (const PaintOp& p : w->lastPaint) {
        if (p.kind == PaintOp::Kind::Fill && !haveFill) {
            haveFill = true;
            s.brush = p.brush;
            s.brushColor = p.brushColor;
        } else if (p.kind == PaintOp::Kind::Text) {
            s.text = p.text;
            s.textColor = p.textColor;
            s.bkColor = p.bkColor;
            s.bkMode = p.bkMode;
        } else if (p.kind == PaintOp::Kind::Icon) {
            s.iconKind = IconKind(p.icon);
        }
    }
    return s;
}

void Reset()
{
    State& s = St();
    s.modalHooks.clear();
    s.idleHooks.clear();
    s.stallHandler = nullptr;
    for (int round = 0; round < 4 && !s.windows.empty(); ++round) {
        for (HWND top : std::vector<HWND>(s.topLevels)) {
            DestroyWindow(top);
        }
    }
    // Whatever a procedure made while it was being destroyed goes too, unannounced.
    s.windows.clear();
    s.topLevels.clear();
    s.posted.clear();
    s.input.clear();
    s.quitPending = false;
    s.quitCode = 0;
    s.timers.clear();
    s.focus = s.active = s.capture = nullptr;
    std::fill(std::begin(s.keyState), std::end(s.keyState), BYTE{0});
    s.cursor = POINT{};
    s.modalStack.clear();
    s.defaultPlacements = 0;
    s.modalHooks.clear();
    s.idleHooks.clear();
    s.stallHandler = nullptr;
    s.classes.erase(std::remove_if(s.classes.begin(), s.classes.end(),
                                   [](const std::shared_ptr<ClassData>& c) { return !c->system; }),
                    s.classes.end());
}

}  // namespace winapi_posix::testing
