// The dialog manager: dialogs built from the standard in-memory template, the default
// dialog procedure, the dialog keyboard handling of IsDialogMessageA (for dialogs and for
// any window with controls), the modal loop, and message boxes.
#include "internal.h"
#include "surface.h"

#include <algorithm>
#include <cstring>

namespace winapi_posix::user {

namespace {

// Dialog base units: the font's average character width and its height.
int BaseX()
{
    return FontAveWidth();
}

int BaseY()
{
    return FontHeight();
}

// Template texts are UTF-16; the system's texts are code page 1250 ("?" for the rest).
char ToCp1250(WORD unit)
{
    if (unit < 0x80) {
        return static_cast<char>(unit);
    }
    for (int c = 0x80; c < 0x100; ++c) {
        if (Cp1250ToUnicode(static_cast<unsigned char>(c)) == unit) {
            return static_cast<char>(c);
        }
    }
    return '?';
}

struct Reader {
    const BYTE* base;
    std::size_t size;
    std::size_t at = 0;
    bool ok = true;

    WORD Word()
    {
        if (at + 2 > size) {
            ok = false;
            return 0;
        }
        WORD v = 0;
        std::memcpy(&v, base + at, 2);
        at += 2;
        return v;
    }
    DWORD Dword()
    {
        const WORD lo = Word();
        const WORD hi = Word();
        return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16);
    }
    std::string String()
    {
        std::string s;
        for (WORD w = Word(); ok && w != 0; w = Word()) {
            s.push_back(ToCp1250(w));
        }
        return s;
    }
    // A text or an ordinal (0xFFFF and a number); an empty text is none.
    void TextOrOrdinal(std::string& text, WORD& ordinal)
    {
        const WORD first = Word();
        ordinal = 0;
        if (!ok || first == 0) {
            return;
        }
        if (first == 0xFFFF) {
            ordinal = Word();
            return;
        }
        at -= 2;
        text = String();
    }
    void AlignDword() { at = (at + 3) & ~static_cast<std::size_t>(3); }
};

struct ItemTemplate {
    DLGITEMTEMPLATE head{};
    std::string cls;
    WORD clsAtom = 0;
    std::string text;
    WORD textOrdinal = 0;
    std::vector<BYTE> data;
};

struct DialogTemplate {
    DLGTEMPLATE head{};
    std::string menu;
    WORD menuId = 0;
    std::string cls;
    WORD clsAtom = 0;
    std::string caption;
    WORD pointSize = 0;
    std::string face;
    std::vector<ItemTemplate> items;
};

bool Parse(const void* data, std::size_t size, DialogTemplate& out)
{
    if (data == nullptr || size < sizeof(DLGTEMPLATE)) {
        return false;
    }
    Reader r{static_cast<const BYTE*>(data), size};
    out.head.style = r.Dword();
    out.head.dwExtendedStyle = r.Dword();
    if ((out.head.style & 0xFFFF0000u) == 0xFFFF0000u && (out.head.style & 0xFFFF) == 1) {
        return false;  // the extended form is not read
    }
    out.head.cdit = r.Word();
    out.head.x = static_cast<short>(r.Word());
    out.head.y = static_cast<short>(r.Word());
    out.head.cx = static_cast<short>(r.Word());
    out.head.cy = static_cast<short>(r.Word());
    r.TextOrOrdinal(out.menu, out.menuId);
    r.TextOrOrdinal(out.cls, out.clsAtom);
    out.caption = r.String();
    if ((out.head.style & DS_SETFONT) != 0) {
        out.pointSize = r.Word();
        out.face = r.String();
    }
    for (WORD i = 0; r.ok && i < out.head.cdit; ++i) {
        r.AlignDword();
        ItemTemplate item;
        item.head.style = r.Dword();
        item.head.dwExtendedStyle = r.Dword();
        item.head.x = static_cast<short>(r.Word());
        item.head.y = static_cast<short>(r.Word());
        item.head.cx = static_cast<short>(r.Word());
        item.head.cy = static_cast<short>(r.Word());
        item.head.id = r.Word();
        r.TextOrOrdinal(item.cls, item.clsAtom);
        r.TextOrOrdinal(item.text, item.textOrdinal);
        const WORD extra = r.Word();
        if (r.ok && extra > 0) {
            if (r.at + extra > r.size) {
                return false;
            }
            item.data.assign(r.base + r.at, r.base + r.at + extra);
            r.at += extra;
        }
        out.items.push_back(std::move(item));
    }
    return r.ok;
}

const char* PredefinedClass(WORD atom)
{
    switch (atom) {
    case 0x0080: return "Button";
    case 0x0081: return "Edit";
    case 0x0082: return "Static";
    case 0x0083: return "ListBox";
    case 0x0084: return "ScrollBar";
    case 0x0085: return "ComboBox";
    default: return nullptr;
    }
}

bool WantsFocusSelect(HWND hwnd)
{
    return (SendMessageA(hwnd, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0;
}

void FocusControl(HWND dialog, HWND control, bool selectAll)
{
    if (control == nullptr) {
        return;
    }
    SetFocus(control);
    if (selectAll && GetFocus() == control && WantsFocusSelect(control)) {
        SendMessageA(control, EM_SETSEL, 0, -1);
    }
    (void)dialog;
}

bool IsTabItem(HWND hwnd)
{
    Window* w = Find(hwnd);
    return w != nullptr && (w->style & WS_TABSTOP) != 0 && (w->style & WS_VISIBLE) != 0 &&
           (w->style & WS_DISABLED) == 0;
}

bool IsGroupCandidate(HWND hwnd)
{
    Window* w = Find(hwnd);
    return w != nullptr && (w->style & WS_VISIBLE) != 0 && (w->style & WS_DISABLED) == 0;
}

// The dialog's direct child that holds the window, or 0.
HWND DirectChild(HWND dialog, HWND hwnd)
{
    for (Window* w = Find(hwnd); w != nullptr; w = Find(w->parent)) {
        if (w->parent == dialog && (w->style & WS_CHILD) != 0) {
            return w->hwnd;
        }
        if ((w->style & WS_CHILD) == 0) {
            break;
        }
    }
    return nullptr;
}

HWND DefaultFocus(HWND dialog)
{
    return GetNextDlgTabItem(dialog, nullptr, FALSE);
}

void SendCommand(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool IsSpecialDialogResult(UINT message)
{
    return message == WM_CTLCOLORMSGBOX || message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX ||
           message == WM_CTLCOLORBTN || message == WM_CTLCOLORDLG || message == WM_CTLCOLORSCROLLBAR ||
           message == WM_CTLCOLORSTATIC || message == WM_COMPAREITEM || message == WM_VKEYTOITEM ||
           message == WM_CHARTOITEM || message == WM_QUERYDRAGICON || message == WM_INITDIALOG;
}

LRESULT DefaultDialogProcessing(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(dialog);
    DialogData* d = w != nullptr ? w->dialog.get() : nullptr;
    switch (message) {
    case WM_ERASEBKGND: {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageA(dialog, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(dialog)));
        if (brush == nullptr) {
            brush = reinterpret_cast<HBRUSH>(DefWindowProcA(dialog, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(dialog)));
        }
        RECT rc{};
        GetClientRect(dialog, &rc);
        FillRect(dc, &rc, brush);
        return 1;
    }
    case WM_CLOSE: {
        const HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (cancel == nullptr || IsWindowEnabled(cancel)) {
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        } else {
            MessageBeep(0);
        }
        return 0;
    }
    case WM_ACTIVATE:
        if (d == nullptr) {
            return 0;
        }
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (IsChild(dialog, GetFocus())) {
                d->savedFocus = GetFocus();
            }
        } else if (!IsIconic(dialog)) {
            const HWND target = IsChild(dialog, d->savedFocus) ? d->savedFocus : DefaultFocus(dialog);
            if (target != nullptr) {
                SetFocus(target);
            } else {
                SetFocus(dialog);
            }
        }
        return 0;
    case WM_SETFOCUS:
        if (d != nullptr) {
            const HWND target = IsChild(dialog, d->savedFocus) ? d->savedFocus : DefaultFocus(dialog);
            if (target != nullptr) {
                SetFocus(target);
            }
        }
        return 0;
    case WM_NEXTDLGCTL: {
        HWND target = nullptr;
        if (LOWORD(lParam) != 0) {
            target = reinterpret_cast<HWND>(wParam);
        } else {
            target = GetNextDlgTabItem(dialog, GetFocus(), wParam != 0 ? TRUE : FALSE);
        }
        FocusControl(dialog, target, true);
        return 0;
    }
    case DM_GETDEFID:
        if (d != nullptr && d->defId != 0) {
            return MAKELRESULT(d->defId, DC_HASDEFID);
        }
        return 0;
    case DM_SETDEFID:
        if (d != nullptr) {
            d->defId = static_cast<WORD>(wParam);
        }
        return TRUE;
    case WM_GETFONT:
        return d != nullptr ? reinterpret_cast<LRESULT>(d->font) : 0;
    case WM_SETFONT:
        if (d != nullptr) {
            d->font = reinterpret_cast<HFONT>(wParam);
        }
        return 0;
    case WM_QUERYENDSESSION:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    default:
        return DefWindowProcA(dialog, message, wParam, lParam);
    }
}

RECT DialogUnitsToPixels(short x, short y, short cx, short cy)
{
    RECT r{x, y, x + cx, y + cy};
    MapDialogRect(nullptr, &r);
    return r;
}

HWND CreateFromTemplate(const DialogTemplate& t, HINSTANCE instance, HWND owner, DLGPROC proc, LPARAM param,
                        bool modal, bool& failed)
{
    failed = false;
    if (owner != nullptr && Find(owner) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const bool child = (t.head.style & WS_CHILD) != 0;
    const HWND parentOrOwner = child ? owner : Root(owner);
    DWORD style = t.head.style;
    DWORD exStyle = t.head.dwExtendedStyle;
    if ((style & DS_MODALFRAME) != 0) {
        exStyle |= WS_EX_DLGMODALFRAME;
    }
    if ((style & DS_CONTROL) != 0) {
        style = (style & ~(WS_CAPTION | WS_SYSMENU)) | WS_CHILD;
        exStyle |= WS_EX_CONTROLPARENT;
    }
    RECT client = DialogUnitsToPixels(t.head.x, t.head.y, t.head.cx, t.head.cy);
    RECT frame{0, 0, client.right - client.left, client.bottom - client.top};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const LONG width = frame.right - frame.left;
    const LONG height = frame.bottom - frame.top;
    LONG x = client.left;
    LONG y = client.top;
    if ((style & DS_CENTER) != 0) {
        x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    } else if (!child && (style & DS_ABSALIGN) == 0 && parentOrOwner != nullptr) {
        POINT origin{0, 0};
        ClientToScreen(parentOrOwner, &origin);
        x += origin.x;
        y += origin.y;
    }
    if (!child) {
        x = std::clamp<LONG>(x, 0, std::max<LONG>(0, GetSystemMetrics(SM_CXSCREEN) - width));
        y = std::clamp<LONG>(y, 0, std::max<LONG>(0, GetSystemMetrics(SM_CYSCREEN) - height));
    }
    const char* cls = t.clsAtom != 0 ? nullptr : (t.cls.empty() ? "#32770" : t.cls.c_str());
    LPCSTR className = cls != nullptr ? cls : MAKEINTATOM(t.clsAtom);
    const HWND hwnd = CreateWindowExA(exStyle, className, t.caption.c_str(), style & ~WS_VISIBLE,
                                      static_cast<int>(x), static_cast<int>(y), static_cast<int>(width),
                                      static_cast<int>(height), parentOrOwner, nullptr, instance, nullptr);
    if (hwnd == nullptr) {
        failed = true;
        return nullptr;
    }
    Window* w = Find(hwnd);
    if (!w->dialog) {
        w->dialog = std::make_unique<DialogData>();
    }
    w->dialog->proc = proc;
    w->dialog->modal = modal;
    HFONT font = nullptr;
    if ((t.head.style & DS_SETFONT) != 0) {
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        w->dialog->font = font;
        SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    }
    for (const ItemTemplate& item : t.items) {
        if (Find(hwnd) == nullptr) {
            failed = true;
            return nullptr;
        }
        const char* itemClass = item.clsAtom != 0 ? PredefinedClass(item.clsAtom) : item.cls.c_str();
        if (itemClass == nullptr) {
            itemClass = "";
        }
        std::string text = item.text;
        LPCSTR name = text.c_str();
        if (item.textOrdinal != 0) {
            name = MAKEINTRESOURCEA(item.textOrdinal);
        }
        const RECT r = DialogUnitsToPixels(item.head.x, item.head.y, item.head.cx, item.head.cy);
        const HWND control = CreateWindowExA(
            item.head.dwExtendedStyle | WS_EX_NOPARENTNOTIFY, itemClass, name, item.head.style | WS_CHILD,
            static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right - r.left),
            static_cast<int>(r.bottom - r.top), hwnd,
            reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(item.head.id)), instance,
            item.data.empty() ? nullptr : const_cast<BYTE*>(item.data.data()));
        if (control == nullptr) {
            if ((t.head.style & DS_NOFAILCREATE) == 0) {
                DestroyWindow(hwnd);
                failed = true;
                return nullptr;
            }
            continue;
        }
        if (font != nullptr) {
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
        }
        if (Window* c = Find(control); c != nullptr && EqualNoCase(c->cls->name, "Button") &&
                                       (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && Find(hwnd) != nullptr) {
            Find(hwnd)->dialog->defId = item.head.id;
        }
    }
    if (Find(hwnd) == nullptr) {
        failed = true;
        return nullptr;
    }
    const HWND proposed = DefaultFocus(hwnd);
    const LRESULT r = SendMessageA(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(proposed), param);
    w = Find(hwnd);
    if (w == nullptr) {
        failed = true;
        return nullptr;
    }
    if (r != 0 && proposed != nullptr && IsChild(hwnd, proposed)) {
        w->dialog->savedFocus = proposed;
    }
    if (!modal && (t.head.style & WS_VISIBLE) != 0) {
        ShowWindow(hwnd, SW_SHOWNORMAL);
    }
    return hwnd;
}

bool LoadTemplate(LPCSTR name, DialogTemplate& t)
{
    const HRSRC res = FindResourceA(nullptr, name, RT_DIALOG);
    if (res == nullptr) {
        return false;
    }
    const void* data = LockResource(LoadResource(nullptr, res));
    if (!Parse(data, SizeofResource(nullptr, res), t)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

INT_PTR RunModal(const DialogTemplate& t, HINSTANCE instance, HWND owner, DLGPROC proc, LPARAM param)
{
    if (owner != nullptr && Find(owner) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const HWND ownerRoot = (t.head.style & WS_CHILD) != 0 ? owner : Root(owner);
    bool failed = false;
    const HWND dialog = CreateFromTemplate(t, instance, owner, proc, param, true, failed);
    if (dialog == nullptr) {
        return -1;
    }
    RunModalLoop(dialog, ownerRoot);
    Window* w = Find(dialog);
    const INT_PTR result = w != nullptr && w->dialog ? w->dialog->result : 0;
    if (w != nullptr) {
        DestroyWindow(dialog);
    }
    return result;
}

}  // namespace

void RunModalLoop(HWND dialog, HWND owner)
{
    State& s = St();
    Window* w = Find(dialog);
    if (w == nullptr || !w->dialog) {
        return;
    }
    WindowRef keep = Ref(dialog);
    if (!keep->dialog->ended) {
        ShowWindow(dialog, SW_SHOWNORMAL);
    }
    // The owner is disabled once the dialog has the activation, and enabled by EndDialog.
    bool ownerWasEnabled = false;
    if (owner != nullptr && Find(owner) != nullptr && !keep->dialog->ended) {
        ownerWasEnabled = IsWindowEnabled(owner) != FALSE;
        if (ownerWasEnabled) {
            EnableWindow(owner, FALSE);
            keep->dialog->ownerDisabled = true;
        }
    }
    s.modalStack.push_back(dialog);
    bool firstIdle = true;
    MSG msg{};
    while (keep->alive && !keep->dialog->ended) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (firstIdle) {
                firstIdle = false;
                if (!s.modalHooks.empty()) {
                    auto hook = std::move(s.modalHooks.front());
                    s.modalHooks.pop_front();
                    hook(dialog);
                    continue;
                }
            }
            if (owner != nullptr && (keep->style & DS_NOIDLEMSG) == 0) {
                SendMessageA(owner, WM_ENTERIDLE, 0, reinterpret_cast<LPARAM>(dialog));
                if (!keep->alive || keep->dialog->ended || HasPendingWork()) {
                    continue;
                }
            }
            WaitMessage();
            continue;
        }
        if (msg.message == WM_QUIT) {
            // The quit request ends the dialog and goes on to the loop outside.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    s.modalStack.erase(std::remove(s.modalStack.begin(), s.modalStack.end(), dialog), s.modalStack.end());
    if (ownerWasEnabled && keep->dialog->ownerDisabled && Find(owner) != nullptr && !IsWindowEnabled(owner)) {
        keep->dialog->ownerDisabled = false;
        EnableWindow(owner, TRUE);
    }
    if (keep->alive && (keep->style & WS_VISIBLE) != 0) {
        ShowWindow(dialog, SW_HIDE);
    }
}

LRESULT DialogClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefDlgProcA(hwnd, message, wParam, lParam);
}

}  // namespace winapi_posix::user

using namespace winapi_posix::user;

LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowRef keep = Ref(dialog);
    if (!keep) {
        return 0;
    }
    if (!keep->dialog) {
        keep->dialog = std::make_unique<DialogData>();
    }
    const DLGPROC proc = keep->dialog->proc;
    keep->dialog->msgResult = 0;
    INT_PTR handled = 0;
    if (proc != nullptr) {
        handled = proc(dialog, message, wParam, lParam);
    }
    if (!keep->alive) {
        return handled;
    }
    if (handled != 0) {
        return IsSpecialDialogResult(message) ? handled : keep->dialog->msgResult;
    }
    return DefaultDialogProcessing(dialog, message, wParam, lParam);
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous)
{
    Window* d = Find(dialog);
    if (d == nullptr) {
        return nullptr;
    }
    const std::vector<HWND> items = d->children;
    if (items.empty()) {
        return nullptr;
    }
    const HWND from = DirectChild(dialog, control);
    const auto n = static_cast<long>(items.size());
    long start = previous ? n : -1;
    if (from != nullptr) {
        start = static_cast<long>(std::find(items.begin(), items.end(), from) - items.begin());
    }
    for (long k = 1; k <= n; ++k) {
        const long i = previous ? ((start - k) % n + n) % n : (start + k) % n;
        if (IsTabItem(items[static_cast<std::size_t>(i)])) {
            return items[static_cast<std::size_t>(i)];
        }
    }
    return from != nullptr ? from : nullptr;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous)
{
    Window* d = Find(dialog);
    if (d == nullptr) {
        return nullptr;
    }
    const std::vector<HWND> items = d->children;
    const HWND from = DirectChild(dialog, control);
    if (from == nullptr) {
        return items.empty() ? nullptr : items.front();
    }
    const auto pos = static_cast<std::size_t>(std::find(items.begin(), items.end(), from) - items.begin());
    // The group: from the closest WS_GROUP at or before the control to the next one.
    std::size_t first = pos;
    while (first > 0 && (Find(items[first])->style & WS_GROUP) == 0) {
        --first;
    }
    std::size_t last = pos + 1;
    while (last < items.size() && (Find(items[last])->style & WS_GROUP) == 0) {
        ++last;
    }
    const std::size_t count = last - first;
    for (std::size_t k = 1; k < count; ++k) {
        const std::size_t offset = previous ? (pos - first + count - k) % count : (pos - first + k) % count;
        const HWND candidate = items[first + offset];
        if (IsGroupCandidate(candidate)) {
            return candidate;
        }
    }
    return from;
}

BOOL IsDialogMessageA(HWND dialog, LPMSG msg)
{
    if (msg == nullptr || Find(dialog) == nullptr) {
        return FALSE;
    }
    if (msg->hwnd != dialog && IsChild(dialog, msg->hwnd) == FALSE) {
        return FALSE;
    }
    const bool isDialog = Find(dialog)->dialog != nullptr;
    if (msg->message == WM_KEYDOWN) {
        const LRESULT code = SendMessageA(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
        if ((code & DLGC_WANTMESSAGE) == 0) {
            const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
            switch (msg->wParam) {
            case VK_TAB:
                if ((code & DLGC_WANTTAB) == 0) {
                    if (isDialog) {
                        SendMessageA(dialog, WM_NEXTDLGCTL, shift ? 1 : 0, 0);
                    } else {
                        FocusControl(dialog, GetNextDlgTabItem(dialog, GetFocus(), shift ? TRUE : FALSE), true);
                    }
                    return TRUE;
                }
                break;
            case VK_LEFT:
            case VK_UP:
            case VK_RIGHT:
            case VK_DOWN:
                if ((code & DLGC_WANTARROWS) == 0) {
                    const BOOL back = msg->wParam == VK_LEFT || msg->wParam == VK_UP ? TRUE : FALSE;
                    const HWND next = GetNextDlgGroupItem(dialog, GetFocus(), back);
                    if (next != nullptr && next != GetFocus()) {
                        FocusControl(dialog, next, false);
                        if ((SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0) {
                            SendMessageA(next, BM_CLICK, 0, 0);
                        }
                    }
                    return TRUE;
                }
                break;
            case VK_RETURN: {
                // A focused push button answers Enter itself; otherwise the default button.
                const HWND focus = GetFocus();
                const LRESULT focusCode = focus != nullptr ? SendMessageA(focus, WM_GETDLGCODE, 0, 0) : 0;
                if (IsChild(dialog, focus) && (focusCode & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0) {
                    if (IsWindowEnabled(focus)) {
                        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(focus)), BN_CLICKED),
                                     reinterpret_cast<LPARAM>(focus));
                    }
                    return TRUE;
                }
                const LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
                const int id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
                const HWND button = GetDlgItem(dialog, id);
                if (button == nullptr || IsWindowEnabled(button)) {
                    SendCommand(dialog, id);
                } else {
                    MessageBeep(0);
                }
                return TRUE;
            }
            case VK_ESCAPE:
                SendMessageA(dialog, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
                return TRUE;
            default:
                break;
            }
        }
    }
    TranslateMessage(msg);
    DispatchMessageA(msg);
    return TRUE;
}

INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND owner, DLGPROC proc,
                                LPARAM param)
{
    DialogTemplate t;
    // The in-memory form carries no size: it is read until its last item.
    if (!Parse(dialogTemplate, 0x10000, t)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    return RunModal(t, instance, owner, proc, param);
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    DialogTemplate t;
    if (!LoadTemplate(templateName, t)) {
        return -1;
    }
    return RunModal(t, instance, owner, proc, param);
}

HWND CreateDialogIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND owner, DLGPROC proc,
                                LPARAM param)
{
    DialogTemplate t;
    if (!Parse(dialogTemplate, 0x10000, t)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    bool failed = false;
    return CreateFromTemplate(t, instance, owner, proc, param, false, failed);
}

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    DialogTemplate t;
    if (!LoadTemplate(templateName, t)) {
        return nullptr;
    }
    bool failed = false;
    return CreateFromTemplate(t, instance, owner, proc, param, false, failed);
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    Window* w = Find(dialog);
    if (w == nullptr || !w->dialog) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    w->dialog->ended = true;
    w->dialog->result = result;
    // The owner comes back before the dialog goes, so that it takes the activation.
    const HWND owner = w->owner;
    if (w->dialog->ownerDisabled && owner != nullptr && Find(owner) != nullptr && !IsWindowEnabled(owner)) {
        w->dialog->ownerDisabled = false;
        EnableWindow(owner, TRUE);
    }
    if (Find(dialog) != nullptr && IsWindowVisible(dialog)) {
        ShowWindow(dialog, SW_HIDE);
    }
    return TRUE;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND item = GetDlgItem(dialog, id);
    return item == nullptr ? 0 : SendMessageA(item, message, wParam, lParam);
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text)
{
    const HWND item = GetDlgItem(dialog, id);
    return item == nullptr ? FALSE : SetWindowTextA(item, text);
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int capacity)
{
    if (buffer != nullptr && capacity > 0) {
        buffer[0] = '\0';
    }
    const HWND item = GetDlgItem(dialog, id);
    return item == nullptr ? 0 : static_cast<UINT>(GetWindowTextA(item, buffer, capacity));
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check)
{
    const HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) {
        return FALSE;
    }
    SendMessageA(item, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id)
{
    const HWND item = GetDlgItem(dialog, id);
    return item == nullptr ? 0 : static_cast<UINT>(SendMessageA(item, BM_GETCHECK, 0, 0));
}

LONG GetDialogBaseUnits()
{
    return MAKELONG(BaseX(), BaseY());
}

BOOL MapDialogRect(HWND, LPRECT rect)
{
    if (rect == nullptr) {
        return FALSE;
    }
    // Rounded to the nearest pixel, as MulDiv(units, base, 4 or 8) does.
    const auto scale = [](LONG units, LONG base, LONG per) {
        const LONG product = units * base;
        return (product >= 0 ? product + per / 2 : product - per / 2) / per;
    };
    rect->left = scale(rect->left, BaseX(), 4);
    rect->right = scale(rect->right, BaseX(), 4);
    rect->top = scale(rect->top, BaseY(), 8);
    rect->bottom = scale(rect->bottom, BaseY(), 8);
    return TRUE;
}

// ---- Message boxes -------------------------------------------------------------------

namespace {

constexpr int BOX_BUTTON_WIDTH = 80;
constexpr int BOX_BUTTON_HEIGHT = 24;
constexpr int BOX_MARGIN = 12;
constexpr WORD BOX_TEXT_ID = 0xFFFF;
constexpr WORD BOX_ICON_ID = 20;

struct BoxButtons {
    int ids[3];
    int count;
};

BoxButtons ButtonsFor(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, IDCANCEL, 0}, 2};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, IDRETRY, IDIGNORE}, 3};
    case MB_YESNOCANCEL: return {{IDYES, IDNO, IDCANCEL}, 3};
    case MB_YESNO: return {{IDYES, IDNO, 0}, 2};
    case MB_RETRYCANCEL: return {{IDRETRY, IDCANCEL, 0}, 2};
    default: return {{IDOK, 0, 0}, 1};
    }
}

const char* ButtonText(int id)
{
    switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "&Abort";
    case IDRETRY: return "&Retry";
    case IDIGNORE: return "&Ignore";
    case IDYES: return "&Yes";
    case IDNO: return "&No";
    default: return "";
    }
}

INT_PTR MessageBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message == WM_COMMAND) {
        int id = LOWORD(wParam);
        const auto buttons = static_cast<UINT>(GetWindowLongA(box, GWL_USERDATA));
        const BoxButtons b = ButtonsFor(buttons);
        bool known = false;
        bool hasCancel = false;
        for (int i = 0; i < b.count; ++i) {
            known = known || b.ids[i] == id;
            hasCancel = hasCancel || b.ids[i] == IDCANCEL;
        }
        if (id == IDCANCEL && !hasCancel) {
            // Escape or the close box: a box with only OK answers OK; others have no way out.
            if (b.count == 1) {
                id = IDOK;
                known = true;
            }
        }
        if (known) {
            EndDialog(box, id);
        }
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    if (owner != nullptr && Find(owner) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const HWND ownerRoot = Root(owner);
    const std::string message = text != nullptr ? text : "";
    const std::string title = caption != nullptr ? caption : "Error";
    const UINT iconKind = type & MB_ICONMASK;
    const BoxButtons buttons = ButtonsFor(type);

    int textWidth = 0;
    int lines = 0;
    std::size_t begin = 0;
    while (begin <= message.size()) {
        std::size_t end = message.find('\n', begin);
        if (end == std::string::npos) {
            end = message.size();
        }
        textWidth = std::max(textWidth, TextWidth(std::string_view(message).substr(begin, end - begin)));
        ++lines;
        begin = end + 1;
    }
    const int iconSpace = iconKind != 0 ? 32 + BOX_MARGIN : 0;
    const int textHeight = std::max(lines * FontHeight(), iconKind != 0 ? 32 : 0);
    const int buttonsWidth = buttons.count * BOX_BUTTON_WIDTH + (buttons.count - 1) * 8;
    const int clientWidth = std::max(BOX_MARGIN * 2 + iconSpace + textWidth, BOX_MARGIN * 2 + buttonsWidth);
    const int clientHeight = BOX_MARGIN * 3 + textHeight + BOX_BUTTON_HEIGHT;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    const LONG width = frame.right - frame.left;
    const LONG height = frame.bottom - frame.top;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (ownerRoot != nullptr) {
        GetWindowRect(ownerRoot, &area);
    }
    const LONG x = std::clamp<LONG>(area.left + (area.right - area.left - width) / 2, 0,
                                    std::max<LONG>(0, GetSystemMetrics(SM_CXSCREEN) - width));
    const LONG y = std::clamp<LONG>(area.top + (area.bottom - area.top - height) / 2, 0,
                                    std::max<LONG>(0, GetSystemMetrics(SM_CYSCREEN) - height));

    const HWND box = CreateWindowExA(WS_EX_DLGMODALFRAME, "#32770", title.c_str(), style, static_cast<int>(x),
                                     static_cast<int>(y), static_cast<int>(width), static_cast<int>(height),
                                     ownerRoot, nullptr, nullptr, nullptr);
    if (box == nullptr) {
        return 0;
    }
    Window* w = Find(box);
    w->dialog = std::make_unique<DialogData>();
    w->dialog->proc = MessageBoxProc;
    w->dialog->modal = true;
    w->dialog->messageBox = true;
    SetWindowLongA(box, GWL_USERDATA, static_cast<LONG_PTR>(type));
    if (iconKind != 0) {
        const int id = iconKind == MB_ICONHAND ? 32513 : iconKind == MB_ICONQUESTION ? 32514
                       : iconKind == MB_ICONEXCLAMATION ? 32515 : 32516;
        const HWND icon = CreateWindowExA(0, "Static", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, BOX_MARGIN,
                                          BOX_MARGIN, 32, 32, box,
                                          reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(BOX_ICON_ID)), nullptr, nullptr);
        SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(MakeIcon(id)), 0);
    }
    CreateWindowExA(0, "Static", message.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                    BOX_MARGIN + iconSpace, BOX_MARGIN, textWidth + 1, textHeight, box,
                    reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(BOX_TEXT_ID)), nullptr, nullptr);
    int defIndex = static_cast<int>((type & MB_DEFMASK) >> 8);
    if (defIndex >= buttons.count) {
        defIndex = 0;
    }
    int bx = (clientWidth - buttonsWidth) / 2;
    const int by = BOX_MARGIN * 2 + textHeight;
    HWND first = nullptr;
    for (int i = 0; i < buttons.count; ++i) {
        const DWORD buttonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == 0 ? WS_GROUP : 0u) |
                                  (i == defIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        const HWND b = CreateWindowExA(0, "Button", ButtonText(buttons.ids[i]), buttonStyle, bx, by,
                                       BOX_BUTTON_WIDTH, BOX_BUTTON_HEIGHT, box,
                                       reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(buttons.ids[i])), nullptr,
                                       nullptr);
        if (i == defIndex) {
            first = b;
            Find(box)->dialog->defId = static_cast<WORD>(buttons.ids[i]);
        }
        bx += BOX_BUTTON_WIDTH + 8;
    }
    Find(box)->dialog->savedFocus = first;
    RunModalLoop(box, ownerRoot);
    Window* after = Find(box);
    const int result = after != nullptr && after->dialog ? static_cast<int>(after->dialog->result) : 0;
    if (after != nullptr) {
        DestroyWindow(box);
    }
    return result;
}
