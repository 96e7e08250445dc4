// The system classes, and the "Button" and "Static" controls with their own procedures.
#include "internal.h"

namespace winapi_posix::user {

namespace {

struct ButtonData : ControlData {
    UINT state = 0;  // BST_ bits: check state, pushed, focus
    HFONT font = nullptr;
};

struct StaticData : ControlData {
    HFONT font = nullptr;
    HICON icon = nullptr;
};

bool Checkable(UINT type)
{
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_3STATE ||
           type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
}

bool PushType(UINT type)
{
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

void Click(HWND hwnd)
{
    Window* w = Find(hwnd);
    auto d = Data<ButtonData>(hwnd);
    if (w == nullptr || !d) {
        return;
    }
    const UINT type = w->style & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX) {
        d->state = (d->state & ~3u) | ((d->state & BST_CHECKED) != 0 ? 0u : static_cast<UINT>(BST_CHECKED));
        InvalidateRect(hwnd, nullptr, TRUE);
    } else if (type == BS_AUTO3STATE) {
        d->state = (d->state & ~3u) | (((d->state & 3u) + 1) % 3);
        InvalidateRect(hwnd, nullptr, TRUE);
    } else if (type == BS_AUTORADIOBUTTON) {
        const HWND parent = w->parent;
        HWND other = GetNextDlgGroupItem(parent, hwnd, FALSE);
        while (other != nullptr && other != hwnd) {
            if (Window* o = Find(other); o != nullptr && (o->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON) {
                SendMessageA(other, BM_SETCHECK, BST_UNCHECKED, 0);
            }
            other = GetNextDlgGroupItem(parent, other, FALSE);
        }
        SendMessageA(hwnd, BM_SETCHECK, BST_CHECKED, 0);
    }
    // The parent hears of the click after the state has changed.
    NotifyParent(hwnd, BN_CLICKED);
}

void PaintButton(HWND hwnd, ButtonData& d)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return;
    }
    const UINT type = w->style & BS_TYPEMASK;
    const std::string text = w->text;
    const bool enabled = (w->style & WS_DISABLED) == 0;
    PAINTSTRUCT ps{};
    const HDC dc = BeginPaint(hwnd, &ps);
    RECT rc{};
    GetClientRect(hwnd, &rc);
    const HBRUSH brush = ControlColor(hwnd, dc, PushType(type) ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC);
    if (!enabled) {
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    }
    // A group box leaves its inside to the controls in it and to its parent.
    if (type != BS_GROUPBOX) {
        FillRect(dc, &rc, brush);
    }
    if (PushType(type)) {
        // The default button has a black frame around its edge; a pushed one is flat
        // inside that frame and its text moves a pixel down and to the right.
        const bool pushed = (d.state & BST_PUSHED) != 0;
        RECT face = rc;
        if (type == BS_DEFPUSHBUTTON || pushed) {
            FrameRect(dc, &face, GetSysColorBrush(COLOR_WINDOWFRAME));
            InflateRect(&face, -1, -1);
        }
        if (pushed) {
            FrameRect(dc, &face, GetSysColorBrush(COLOR_BTNSHADOW));
        } else {
            DrawEdge(dc, &face, EDGE_RAISED, BF_RECT);
        }
        InflateRect(&face, -2, -2);
        FillRect(dc, &face, GetSysColorBrush(COLOR_3DFACE));
        SetBkMode(dc, TRANSPARENT);
        RECT textRect = face;
        if (pushed) {
            OffsetRect(&textRect, 1, 1);
        }
        DrawTextA(dc, text.c_str(), -1, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        if ((d.state & BST_FOCUS) != 0) {
            InflateRect(&face, -1, -1);
            DrawFocusRect(dc, &face);
        }
    } else if (type == BS_GROUPBOX) {
        RECT frame = rc;
        frame.top += FontHeight() / 2;
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        // The caption stands on the box's line, with a little of the background around it.
        RECT label{7, 0, 7 + TextWidth(text) + 4, FontHeight()};
        FillRect(dc, &label, brush);
        RECT caption{label.left + 2, label.top, label.right, label.bottom};
        DrawTextA(dc, text.c_str(), -1, &caption, DT_LEFT | DT_SINGLELINE);
    } else {
        const LONG box = 13;
        RECT check{0, (rc.bottom - box) / 2, box, (rc.bottom - box) / 2 + box};
        DrawEdge(dc, &check, EDGE_SUNKEN, BF_RECT);
        RECT inner = check;
        InflateRect(&inner, -2, -2);
        FillRect(dc, &inner, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_3DFACE));
        if ((d.state & 3u) != 0) {
            const COLORREF textColor = GetTextColor(dc);
            const bool grey = (d.state & 3u) != BST_CHECKED || !enabled;
            SetTextColor(dc, GetSysColor(grey ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
            DrawGlyph(dc, inner, GLYPH_CHECK_MARK);
            SetTextColor(dc, textColor);
        }
        RECT label{box + 4, 0, rc.right, rc.bottom};
        DrawTextA(dc, text.c_str(), -1, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        if ((d.state & BST_FOCUS) != 0) {
            // Around the caption itself, one pixel out.
            const LONG top = (rc.bottom - FontHeight()) / 2;
            RECT focus{label.left - 1, top - 1, label.left + TextWidth(text) + 1, top + FontHeight() + 1};
            IntersectRect(&focus, &focus, &rc);
            DrawFocusRect(dc, &focus);
        }
    }
    EndPaint(hwnd, &ps);
}

void PaintStatic(HWND hwnd, StaticData& d)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return;
    }
    const std::string text = w->text;
    const DWORD style = w->style;
    PAINTSTRUCT ps{};
    const HDC dc = BeginPaint(hwnd, &ps);
    RECT rc{};
    GetClientRect(hwnd, &rc);
    const HBRUSH brush = ControlColor(hwnd, dc, WM_CTLCOLORSTATIC);
    FillRect(dc, &rc, brush);
    const DWORD type = style & SS_TYPEMASK;
    if (type == SS_ICON) {
        if (d.icon != nullptr) {
            DrawIcon(dc, 0, 0, d.icon);
        }
    } else {
        if ((style & WS_DISABLED) != 0) {
            SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        }
        UINT format = type == SS_RIGHT ? DT_RIGHT : type == SS_CENTER ? DT_CENTER : DT_LEFT;
        if (type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE) {
            format |= DT_WORDBREAK;
        }
        if ((style & SS_NOPREFIX) != 0) {
            format |= DT_NOPREFIX;
        }
        DrawTextA(dc, text.c_str(), -1, &rc, format);
    }
    EndPaint(hwnd, &ps);
}

}  // namespace

LRESULT ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(hwnd);
    auto d = Data<ButtonData>(hwnd);
    if (w == nullptr || !d) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    const UINT type = w->style & BS_TYPEMASK;
    switch (message) {
    case WM_GETDLGCODE:
        switch (type) {
        case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_PUSHBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
        case BS_GROUPBOX: return DLGC_STATIC;
        default: return DLGC_BUTTON;
        }
    case WM_NCHITTEST:
        if (type == BS_GROUPBOX) {
            return HTTRANSPARENT;  // clicks reach the controls inside the box
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (type == BS_GROUPBOX) {
            return 0;
        }
        SetFocus(hwnd);
        SetCapture(hwnd);
        d->state |= BST_PUSHED;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_LBUTTONUP: {
        const bool pushed = (d->state & BST_PUSHED) != 0;
        const bool captured = GetCapture() == hwnd;
        d->state &= ~static_cast<UINT>(BST_PUSHED);
        if (captured) {
            ReleaseCapture();
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        RECT rc{};
        GetClientRect(hwnd, &rc);
        const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (pushed && captured && PtInRect(&rc, pt)) {
            Click(hwnd);
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != hwnd && (d->state & BST_PUSHED) != 0) {
            d->state &= ~static_cast<UINT>(BST_PUSHED);
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && type != BS_GROUPBOX) {
            d->state |= BST_PUSHED;
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        }
        break;
    case WM_KEYUP:
        if (wParam == VK_SPACE && (d->state & BST_PUSHED) != 0) {
            d->state &= ~static_cast<UINT>(BST_PUSHED);
            InvalidateRect(hwnd, nullptr, TRUE);
            Click(hwnd);
            return 0;
        }
        break;
    case WM_CHAR:
        return 0;
    case WM_SETFOCUS:
        d->state |= BST_FOCUS;
        InvalidateRect(hwnd, nullptr, TRUE);
        if ((w->style & BS_NOTIFY) != 0) {
            NotifyParent(hwnd, BN_SETFOCUS);
        }
        return 0;
    case WM_KILLFOCUS:
        d->state &= ~static_cast<UINT>(BST_FOCUS | BST_PUSHED);
        if (GetCapture() == hwnd) {
            ReleaseCapture();
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        if ((w->style & BS_NOTIFY) != 0) {
            NotifyParent(hwnd, BN_KILLFOCUS);
        }
        return 0;
    case BM_GETCHECK:
        return Checkable(type) ? static_cast<LRESULT>(d->state & 3u) : 0;
    case BM_SETCHECK: {
        if (!Checkable(type)) {
            return 0;
        }
        UINT check = static_cast<UINT>(wParam) & 3u;
        if (check == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE) {
            check = BST_CHECKED;
        }
        if ((d->state & 3u) != check) {
            d->state = (d->state & ~3u) | check;
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return 0;
    }
    case BM_GETSTATE:
        return static_cast<LRESULT>(d->state);
    case BM_SETSTATE:
        if (wParam != 0) {
            d->state |= BST_PUSHED;
        } else {
            d->state &= ~static_cast<UINT>(BST_PUSHED);
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case BM_SETSTYLE:
        w->style = (w->style & 0xFFFF0000u) | (static_cast<DWORD>(wParam) & 0xFFFFu);
        if (lParam != 0) {
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return 0;
    case BM_CLICK: {
        RECT rc{};
        GetClientRect(hwnd, &rc);
        SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        SendMessageA(hwnd, WM_LBUTTONUP, 0, 0);
        return 0;
    }
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcA(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_PAINT:
        PaintButton(hwnd, *d);
        return 0;
    default:
        break;
    }
    return ControlDefaultProc(hwnd, d->font, message, wParam, lParam);
}

LRESULT StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(hwnd);
    auto d = Data<StaticData>(hwnd);
    if (w == nullptr || !d) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    const DWORD type = w->style & SS_TYPEMASK;
    switch (message) {
    case WM_NCCREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (type == SS_ICON && cs != nullptr && cs->lpszName != nullptr) {
            d->icon = LoadIconA(cs->hInstance, cs->lpszName);
            return TRUE;
        }
        break;
    }
    case WM_NCHITTEST:
        return (w->style & SS_NOTIFY) != 0 ? HTCLIENT : HTTRANSPARENT;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcA(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case STM_SETICON: {
        const HICON old = d->icon;
        d->icon = reinterpret_cast<HICON>(wParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON:
        return reinterpret_cast<LRESULT>(d->icon);
    case WM_PAINT:
        PaintStatic(hwnd, *d);
        return 0;
    default:
        break;
    }
    return ControlDefaultProc(hwnd, d->font, message, wParam, lParam);
}

void RegisterSystemClasses()
{
    State& s = St();
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    struct Entry {
        const char* name;
        WNDPROC proc;
        ATOM atom;
        UINT style;
    };
    const Entry entries[] = {
        {"Button", ButtonProc, 0x8100, CS_DBLCLKS | CS_PARENTDC},
        {"Static", StaticProc, 0x8101, CS_DBLCLKS | CS_PARENTDC},
        {"Edit", EditProc, 0x8102, CS_DBLCLKS | CS_PARENTDC},
        {"ListBox", ListBoxProc, 0x8103, CS_DBLCLKS | CS_PARENTDC},
        {"ComboBox", ComboBoxProc, 0x8104, CS_DBLCLKS | CS_PARENTDC | CS_VREDRAW | CS_HREDRAW},
        {"ComboLBox", ComboLBoxProc, 0x8105, CS_DBLCLKS | CS_SAVEBITS},
        {"#32770", DialogClassProc, 0x8002, CS_SAVEBITS | CS_DBLCLKS},
    };
    for (const Entry& e : entries) {
        auto cls = std::make_shared<ClassData>();
        cls->name = e.name;
        cls->system = true;
        cls->atom = e.atom;
        cls->wc.style = e.style | CS_GLOBALCLASS;
        cls->wc.lpfnWndProc = e.proc;
        cls->wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        s.classes.push_back(cls);
    }
}

LRESULT ControlDefaultProc(HWND hwnd, HFONT& font, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETFONT:
        font = reinterpret_cast<HFONT>(wParam);
        if (lParam != 0) {
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font);
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace winapi_posix::user
