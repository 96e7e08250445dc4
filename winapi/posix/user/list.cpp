// "ListBox", "ComboBox" and the combo box's dropped list, "ComboLBox". A combo box keeps
// its items in its list, a real list box in a popup window, and turns its CB_ messages
// into the list's LB_ messages, as the real control does.
#include "internal.h"

#include <algorithm>
#include <cstring>

namespace winapi_posix::user {
namespace {

struct ListItem {
    std::string text;
    LONG_PTR data = 0;
};

struct ListData : ControlData {
    std::vector<ListItem> items;
    int selection = -1;
    int top = 0;
    int itemHeight = FontHeight();
    HFONT font = nullptr;
    HWND combo = nullptr;  // the combo box whose dropped list this is
    bool focused = false;
};

struct ComboData : ControlData {
    HWND list = nullptr;
    bool dropped = false;
    int droppedHeight = 0;
    bool focused = false;
    HFONT font = nullptr;
};

int ComboFieldHeight()
{
    return FontHeight() + 6;
}
constexpr int COMBO_BUTTON_WIDTH = 16;

int Count(const ListData& d)
{
    return static_cast<int>(d.items.size());
}

int VisibleRows(HWND hwnd, const ListData& d)
{
    return std::max(1, ClientHeight(hwnd) / std::max(1, d.itemHeight));
}

void EnsureVisible(HWND hwnd, ListData& d, int index)
{
    if (index < 0) {
        return;
    }
    const int rows = VisibleRows(hwnd, d);
    if (index < d.top) {
        d.top = index;
    } else if (index >= d.top + rows) {
        d.top = index - rows + 1;
    }
}

int Search(const ListData& d, int start, std::string_view text, bool exact)
{
    const int n = Count(d);
    if (n == 0) {
        return LB_ERR;
    }
    const int first = start < 0 || start >= n ? 0 : start + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (first + k) % n;
        const std::string& item = d.items[static_cast<std::size_t>(i)].text;
        if (exact ? EqualNoCase(item, text)
                  : (item.size() >= text.size() && EqualNoCase(std::string_view(item).substr(0, text.size()), text))) {
            return i;
        }
    }
    return LB_ERR;
}

void ComboListEvent(HWND combo, int event);
enum { LIST_SELCHANGE = 1, LIST_CHOSEN = 2, LIST_OUTSIDE = 3 };

void ListNotify(HWND hwnd, ListData& d, WORD code)
{
    if (d.combo != nullptr) {
        if (code == LBN_SELCHANGE) {
            ComboListEvent(d.combo, LIST_SELCHANGE);
        }
        return;
    }
    Window* w = Find(hwnd);
    if (w != nullptr && (w->style & LBS_NOTIFY) != 0) {
        NotifyParent(hwnd, code);
    }
}

// A selection made by the user: it notifies only when it changes.
void UserSelect(HWND hwnd, ListData& d, int index)
{
    if (index < 0 || index >= Count(d) || index == d.selection) {
        return;
    }
    d.selection = index;
    EnsureVisible(hwnd, d, index);
    InvalidateRect(hwnd, nullptr, TRUE);
    ListNotify(hwnd, d, LBN_SELCHANGE);
}

int KeyTarget(HWND hwnd, const ListData& d, WPARAM key)
{
    const int n = Count(d);
    if (n == 0) {
        return -1;
    }
    const int rows = VisibleRows(hwnd, d);
    const int cur = d.selection;
    switch (key) {
    case VK_UP:
    case VK_LEFT: return cur < 0 ? 0 : std::max(0, cur - 1);
    case VK_DOWN:
    case VK_RIGHT: return cur < 0 ? 0 : std::min(n - 1, cur + 1);
    case VK_HOME: return 0;
    case VK_END: return n - 1;
    case VK_PRIOR: return cur < 0 ? 0 : std::max(0, cur - rows + 1);
    case VK_NEXT: return cur < 0 ? 0 : std::min(n - 1, cur + rows - 1);
    default: return -1;
    }
}

int CharTarget(const ListData& d, unsigned char c)
{
    if (c < 0x20) {
        return -1;
    }
    const char key[1] = {static_cast<char>(c)};
    return Search(d, d.selection, std::string_view(key, 1), false);
}

void PaintList(HWND hwnd, ListData& d)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return;
    }
    PAINTSTRUCT ps{};
    const HDC dc = BeginPaint(hwnd, &ps);
    RECT rc{};
    GetClientRect(hwnd, &rc);
    // The dropped list takes the colours that the combo box's parent gives.
    const HWND asker = d.combo != nullptr ? d.combo : hwnd;
    const HBRUSH brush = ControlColor(asker, dc, WM_CTLCOLORLISTBOX);
    FillRect(dc, &rc, brush);
    const COLORREF text = GetTextColor(dc);
    const COLORREF back = GetBkColor(dc);
    for (int i = d.top; i < Count(d); ++i) {
        const LONG y = static_cast<LONG>((i - d.top) * d.itemHeight);
        if (y >= rc.bottom) {
            break;
        }
        RECT row{0, y, rc.right, y + d.itemHeight};
        const bool selected = i == d.selection;
        if (selected) {
            FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
            SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
            SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
        }
        const std::string& item = d.items[static_cast<std::size_t>(i)].text;
        RECT cell = row;
        cell.left += 2;
        DrawTextA(dc, item.c_str(), -1, &cell, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
        if (selected) {
            SetTextColor(dc, text);
            SetBkColor(dc, back);
            if (d.focused) {
                DrawFocusRect(dc, &row);
            }
        }
    }
    EndPaint(hwnd, &ps);
}

LRESULT ListCommon(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = true;
    Window* w = Find(hwnd);
    auto d = Data<ListData>(hwnd);
    if (w == nullptr || !d) {
        handled = false;
        return 0;
    }
    const int n = Count(*d);
    const int index = static_cast<int>(static_cast<LONG_PTR>(wParam));
    const bool valid = index >= 0 && index < n;
    switch (message) {
    case LB_ADDSTRING: {
        ListItem item{lParam != 0 ? reinterpret_cast<LPCSTR>(lParam) : "", 0};
        int at = n;
        if ((w->style & LBS_SORT) != 0) {
            const auto it = std::upper_bound(d->items.begin(), d->items.end(), item,
                                             [](const ListItem& a, const ListItem& b) {
                                                 return CompareNoCase(a.text, b.text) < 0;
                                             });
            at = static_cast<int>(it - d->items.begin());
        }
        d->items.insert(d->items.begin() + at, std::move(item));
        if (d->selection >= at) {
            ++d->selection;
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        return at;
    }
    case LB_INSERTSTRING: {
        if (index < -1 || index > n) {
            return LB_ERR;
        }
        const int at = index == -1 ? n : index;
        d->items.insert(d->items.begin() + at, ListItem{lParam != 0 ? reinterpret_cast<LPCSTR>(lParam) : "", 0});
        if (d->selection >= at) {
            ++d->selection;
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        return at;
    }
    case LB_DELETESTRING:
        if (!valid) {
            return LB_ERR;
        }
        d->items.erase(d->items.begin() + index);
        if (d->selection == index) {
            d->selection = -1;
        } else if (d->selection > index) {
            --d->selection;
        }
        d->top = std::min(d->top, std::max(0, Count(*d) - 1));
        InvalidateRect(hwnd, nullptr, TRUE);
        return Count(*d);
    case LB_RESETCONTENT:
        d->items.clear();
        d->selection = -1;
        d->top = 0;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case LB_GETCOUNT:
        return n;
    case LB_GETTEXT: {
        if (!valid || lParam == 0) {
            return LB_ERR;
        }
        const std::string& text = d->items[static_cast<std::size_t>(index)].text;
        std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
        return static_cast<LRESULT>(text.size());
    }
    case LB_GETTEXTLEN:
        return valid ? static_cast<LRESULT>(d->items[static_cast<std::size_t>(index)].text.size()) : LB_ERR;
    case LB_SELECTSTRING: {
        if (lParam == 0) {
            return LB_ERR;
        }
        const int found = Search(*d, index, reinterpret_cast<LPCSTR>(lParam), false);
        if (found >= 0) {
            d->selection = found;
            EnsureVisible(hwnd, *d, found);
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return found;
    }
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
        if (lParam == 0) {
            return LB_ERR;
        }
        return Search(*d, index, reinterpret_cast<LPCSTR>(lParam), message == LB_FINDSTRINGEXACT);
    case LB_GETCURSEL:
        return d->selection;
    case LB_SETCURSEL:
        // -1 or a position past the end leaves nothing selected; no notification either way.
        d->selection = valid ? index : -1;
        EnsureVisible(hwnd, *d, d->selection);
        InvalidateRect(hwnd, nullptr, TRUE);
        return valid ? index : LB_ERR;
    case LB_GETSEL:
        return valid ? (index == d->selection ? 1 : 0) : LB_ERR;
    case LB_GETITEMDATA:
        return valid ? d->items[static_cast<std::size_t>(index)].data : LB_ERR;
    case LB_SETITEMDATA:
        if (!valid) {
            return LB_ERR;
        }
        d->items[static_cast<std::size_t>(index)].data = lParam;
        return TRUE;
    case LB_GETTOPINDEX:
        return d->top;
    case LB_SETTOPINDEX:
        if (!valid && !(index == 0 && n == 0)) {
            return LB_ERR;
        }
        d->top = index;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case LB_GETITEMHEIGHT:
        return d->itemHeight;
    case LB_SETITEMHEIGHT:
        if (LOWORD(lParam) == 0 || LOWORD(lParam) > 255) {
            return LB_ERR;
        }
        d->itemHeight = LOWORD(lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case LB_GETITEMRECT: {
        if (!valid || lParam == 0) {
            return LB_ERR;
        }
        const LONG y = static_cast<LONG>((index - d->top) * d->itemHeight);
        *reinterpret_cast<RECT*>(lParam) = RECT{0, y, ClientWidth(hwnd), y + d->itemHeight};
        return 1;
    }
    case LB_GETCARETINDEX:
        return d->selection < 0 ? 0 : d->selection;
    case LB_SETCARETINDEX:
        return valid ? 0 : LB_ERR;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN: {
        const int target = KeyTarget(hwnd, *d, wParam);
        if (target >= 0) {
            UserSelect(hwnd, *d, target);
        }
        return 0;
    }
    case WM_CHAR: {
        const int target = CharTarget(*d, static_cast<unsigned char>(wParam & 0xFF));
        if (target >= 0) {
            UserSelect(hwnd, *d, target);
        }
        return 0;
    }
    case WM_SETFONT:
        d->font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(d->font);
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintList(hwnd, *d);
        return 0;
    default:
        handled = false;
        return 0;
    }
}

int RowAt(HWND hwnd, const ListData& d, LPARAM lParam)
{
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT rc{};
    GetClientRect(hwnd, &rc);
    if (!PtInRect(&rc, pt)) {
        return -2;
    }
    const int row = d.top + static_cast<int>(pt.y) / std::max(1, d.itemHeight);
    return row < Count(d) ? row : -1;
}

}  // namespace

void ListSetComboOwner(HWND list, HWND combo)
{
    if (auto d = Data<ListData>(list)) {
        d->combo = combo;
    }
}

LRESULT ListBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    bool handled = false;
    const LRESULT r = ListCommon(hwnd, message, wParam, lParam, handled);
    if (handled) {
        return r;
    }
    auto d = Data<ListData>(hwnd);
    if (!d) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    switch (message) {
    case WM_LBUTTONDOWN: {
        SetFocus(hwnd);
        const int row = RowAt(hwnd, *d, lParam);
        if (row >= 0) {
            UserSelect(hwnd, *d, row);
        }
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        ListNotify(hwnd, *d, LBN_DBLCLK);
        return 0;
    case WM_SETFOCUS:
        d->focused = true;
        InvalidateRect(hwnd, nullptr, TRUE);
        ListNotify(hwnd, *d, LBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        d->focused = false;
        InvalidateRect(hwnd, nullptr, TRUE);
        ListNotify(hwnd, *d, LBN_KILLFOCUS);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT ComboLBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    bool handled = false;
    const LRESULT r = ListCommon(hwnd, message, wParam, lParam, handled);
    if (handled) {
        return r;
    }
    auto d = Data<ListData>(hwnd);
    if (!d) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_LBUTTONDOWN: {
        const int row = RowAt(hwnd, *d, lParam);
        if (row == -2) {
            ComboListEvent(d->combo, LIST_OUTSIDE);
        } else if (row >= 0) {
            UserSelect(hwnd, *d, row);
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        const int row = RowAt(hwnd, *d, lParam);
        if (row >= 0) {
            ComboListEvent(d->combo, LIST_CHOSEN);
        }
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

namespace {

RECT DroppedRect(HWND combo, const ComboData& d)
{
    RECT r{};
    GetWindowRect(combo, &r);
    const LONG height = std::max<LONG>(d.droppedHeight - (r.bottom - r.top), FontHeight() + 2);
    return RECT{r.left, r.bottom, r.right, r.bottom + height};
}

void Drop(HWND combo, ComboData& d)
{
    if (d.dropped || Find(d.list) == nullptr) {
        return;
    }
    NotifyParent(combo, CBN_DROPDOWN);
    if (Find(combo) == nullptr) {
        return;
    }
    const RECT r = DroppedRect(combo, d);
    SetWindowPos(d.list, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (auto list = Data<ListData>(d.list)) {
        EnsureVisible(d.list, *list, list->selection);
        // A list that was scrolled while it had no height shows no empty rows at its end.
        list->top = std::max(0, std::min(list->top, Count(*list) - VisibleRows(d.list, *list)));
    }
    d.dropped = true;
    SetCapture(d.list);
    InvalidateRect(combo, nullptr, TRUE);
}

void Close(HWND combo, ComboData& d, bool ok)
{
    if (!d.dropped) {
        return;
    }
    d.dropped = false;
    if (GetCapture() == d.list) {
        ReleaseCapture();
    }
    NotifyParent(combo, ok ? CBN_SELENDOK : CBN_SELENDCANCEL);
    if (Find(combo) == nullptr) {
        return;
    }
    ShowWindow(d.list, SW_HIDE);
    NotifyParent(combo, CBN_CLOSEUP);
    InvalidateRect(combo, nullptr, TRUE);
}

void ComboListEvent(HWND combo, int event)
{
    auto d = Data<ComboData>(combo);
    if (!d) {
        return;
    }
    switch (event) {
    case LIST_SELCHANGE:
        InvalidateRect(combo, nullptr, TRUE);
        NotifyParent(combo, CBN_SELCHANGE);
        break;
    case LIST_CHOSEN: Close(combo, *d, true); break;
    case LIST_OUTSIDE: Close(combo, *d, false); break;
    default: break;
    }
}

void PaintCombo(HWND hwnd, ComboData& d)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return;
    }
    const bool disabled = (w->style & WS_DISABLED) != 0;
    const int sel = static_cast<int>(SendMessageA(d.list, LB_GETCURSEL, 0, 0));
    std::string text;
    if (sel >= 0) {
        text.resize(static_cast<std::size_t>(std::max<LRESULT>(0, SendMessageA(d.list, LB_GETTEXTLEN, static_cast<WPARAM>(sel), 0))));
        std::vector<char> buffer(text.size() + 1);
        SendMessageA(d.list, LB_GETTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(buffer.data()));
        text = buffer.data();
    }
    PAINTSTRUCT ps{};
    const HDC dc = BeginPaint(hwnd, &ps);
    RECT rc{};
    GetClientRect(hwnd, &rc);
    const HBRUSH brush = ControlColor(hwnd, dc, disabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
    if (disabled) {
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    }
    FillRect(dc, &rc, brush);
    // The control draws its own sunken border, unless its window already has one.
    RECT inside = rc;
    if ((w->exStyle & WS_EX_CLIENTEDGE) == 0) {
        DrawEdge(dc, &inside, EDGE_SUNKEN, BF_RECT);
        InflateRect(&inside, -2, -2);
    }
    RECT button{inside.right - COMBO_BUTTON_WIDTH, inside.top, inside.right, inside.bottom};
    RECT field{inside.left, inside.top, button.left, inside.bottom};
    const bool highlighted = d.focused && !d.dropped && !disabled;
    RECT hi = field;
    InflateRect(&hi, -1, -1);
    const COLORREF textColor = GetTextColor(dc);
    if (highlighted) {
        FillRect(dc, &hi, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
    }
    RECT cell = field;
    cell.left += 2;
    DrawTextA(dc, text.c_str(), -1, &cell, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (highlighted) {
        DrawFocusRect(dc, &hi);
    }
    // The button: raised, or flat and pushed while the list is down; its arrow follows.
    RECT arrow = button;
    if (d.dropped) {
        FrameRect(dc, &button, GetSysColorBrush(COLOR_BTNSHADOW));
        RECT face = button;
        InflateRect(&face, -1, -1);
        FillRect(dc, &face, GetSysColorBrush(COLOR_3DFACE));
        OffsetRect(&arrow, 1, 1);
    } else {
        DrawEdge(dc, &button, EDGE_RAISED, BF_RECT);
        RECT face = button;
        InflateRect(&face, -2, -2);
        FillRect(dc, &face, GetSysColorBrush(COLOR_3DFACE));
    }
    SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : GetSysColor(COLOR_BTNTEXT));
    DrawGlyph(dc, arrow, GLYPH_COMBO_ARROW);
    SetTextColor(dc, textColor);
    EndPaint(hwnd, &ps);
}

// What the list answers, for the CB_ message that stands for an LB_ one.
UINT ListMessageFor(UINT message)
{
    switch (message) {
    case CB_ADDSTRING: return LB_ADDSTRING;
    case CB_INSERTSTRING: return LB_INSERTSTRING;
    case CB_DELETESTRING: return LB_DELETESTRING;
    case CB_RESETCONTENT: return LB_RESETCONTENT;
    case CB_GETCOUNT: return LB_GETCOUNT;
    case CB_GETLBTEXT: return LB_GETTEXT;
    case CB_GETLBTEXTLEN: return LB_GETTEXTLEN;
    case CB_FINDSTRING: return LB_FINDSTRING;
    case CB_FINDSTRINGEXACT: return LB_FINDSTRINGEXACT;
    case CB_GETCURSEL: return LB_GETCURSEL;
    case CB_GETITEMDATA: return LB_GETITEMDATA;
    case CB_SETITEMDATA: return LB_SETITEMDATA;
    default: return 0;
    }
}

void UserSelectCombo(HWND combo, ComboData& d, int index)
{
    const int cur = static_cast<int>(SendMessageA(d.list, LB_GETCURSEL, 0, 0));
    if (index < 0 || index == cur) {
        return;
    }
    SendMessageA(d.list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    InvalidateRect(combo, nullptr, TRUE);
    NotifyParent(combo, CBN_SELCHANGE);
}

}  // namespace

LRESULT ComboBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(hwnd);
    auto d = Data<ComboData>(hwnd);
    if (w == nullptr || !d) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    if (const UINT listMessage = ListMessageFor(message)) {
        const LRESULT r = SendMessageA(d->list, listMessage, wParam, lParam);
        if (message != CB_GETCOUNT && message != CB_GETCURSEL && message != CB_GETLBTEXT &&
            message != CB_GETLBTEXTLEN && message != CB_GETITEMDATA) {
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return Find(d->list) == nullptr ? CB_ERR : r;
    }
    switch (message) {
    case WM_CREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        d->droppedHeight = cs != nullptr ? cs->cy : 0;
        // The window is the selection field; the height given is that of the dropped list.
        w->rect.bottom = w->rect.top + ComboFieldHeight();
        const DWORD listStyle = WS_POPUP | WS_BORDER | LBS_NOTIFY | ((w->style & CBS_SORT) != 0 ? LBS_SORT : 0);
        d->list = CreateWindowExA(WS_EX_TOOLWINDOW, "ComboLBox", nullptr, listStyle, 0, 0,
                                  static_cast<int>(w->rect.right - w->rect.left), 0, hwnd, nullptr,
                                  w->instance, nullptr);
        if (d->list == nullptr) {
            return -1;
        }
        ListSetComboOwner(d->list, hwnd);
        return 0;
    }
    case WM_DESTROY:
        if (Find(d->list) != nullptr) {
            DestroyWindow(d->list);
        }
        return 0;
    case CB_SETCURSEL: {
        const LRESULT r = SendMessageA(d->list, LB_SETCURSEL, wParam, 0);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case CB_SELECTSTRING: {
        const LRESULT r = SendMessageA(d->list, LB_SELECTSTRING, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case CB_LIMITTEXT:
        return TRUE;  // a drop-down list has no edit field to limit
    case CB_GETEDITSEL:
    case CB_SETEDITSEL:
        return CB_ERR;
    case CB_SHOWDROPDOWN:
        if (wParam != 0) {
            Drop(hwnd, *d);
        } else {
            Close(hwnd, *d, false);
        }
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return d->dropped ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT: {
        if (lParam == 0) {
            return CB_ERR;
        }
        // The combo box as it stands dropped: its field and, below it, the list.
        auto* rect = reinterpret_cast<RECT*>(lParam);
        GetWindowRect(hwnd, rect);
        rect->bottom = DroppedRect(hwnd, *d).bottom;
        return TRUE;
    }
    case CB_GETITEMHEIGHT:
        if (static_cast<int>(wParam) == -1) {
            return ComboFieldHeight() - 6;
        }
        return SendMessageA(d->list, LB_GETITEMHEIGHT, wParam, 0);
    case CB_SETITEMHEIGHT:
        return static_cast<int>(wParam) == -1 ? CB_ERR : SendMessageA(d->list, LB_SETITEMHEIGHT, wParam, lParam);
    case WM_GETTEXT: {
        if (wParam == 0 || lParam == 0) {
            return 0;
        }
        auto* buffer = reinterpret_cast<char*>(lParam);
        buffer[0] = '\0';
        const LRESULT sel = SendMessageA(d->list, LB_GETCURSEL, 0, 0);
        if (sel < 0) {
            return 0;
        }
        const LRESULT length = SendMessageA(d->list, LB_GETTEXTLEN, static_cast<WPARAM>(sel), 0);
        std::vector<char> text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1);
        SendMessageA(d->list, LB_GETTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(text.data()));
        const std::size_t n = std::min<std::size_t>(std::strlen(text.data()), wParam - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: {
        const LRESULT sel = SendMessageA(d->list, LB_GETCURSEL, 0, 0);
        return sel < 0 ? 0 : SendMessageA(d->list, LB_GETTEXTLEN, static_cast<WPARAM>(sel), 0);
    }
    case WM_SETTEXT:
        // A drop-down list has no field to hold a text: it shows only its selected item.
        return CB_ERR;
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_WANTARROWS;
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (d->dropped && msg != nullptr && msg->message == WM_KEYDOWN &&
            (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
            code |= DLGC_WANTMESSAGE;
        }
        return code;
    }
    case WM_KEYDOWN: {
        if (wParam == VK_F4) {
            if (d->dropped) {
                Close(hwnd, *d, true);
            } else {
                Drop(hwnd, *d);
            }
            return 0;
        }
        if (d->dropped && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
            Close(hwnd, *d, wParam == VK_RETURN);
            return 0;
        }
        auto list = Data<ListData>(d->list);
        if (list) {
            UserSelectCombo(hwnd, *d, KeyTarget(d->list, *list, wParam));
        }
        return 0;
    }
    case WM_SYSKEYDOWN:
        if (wParam == VK_DOWN || wParam == VK_UP) {
            if (d->dropped) {
                Close(hwnd, *d, true);
            } else {
                Drop(hwnd, *d);
            }
            return 0;
        }
        break;
    case WM_CHAR: {
        auto list = Data<ListData>(d->list);
        if (list) {
            UserSelectCombo(hwnd, *d, CharTarget(*list, static_cast<unsigned char>(wParam & 0xFF)));
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetFocus(hwnd);
        if (Find(hwnd) == nullptr) {
            return 0;
        }
        if (d->dropped) {
            Close(hwnd, *d, false);
        } else {
            Drop(hwnd, *d);
        }
        return 0;
    case WM_SETFOCUS:
        d->focused = true;
        InvalidateRect(hwnd, nullptr, TRUE);
        NotifyParent(hwnd, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        d->focused = false;
        Close(hwnd, *d, false);
        InvalidateRect(hwnd, nullptr, TRUE);
        NotifyParent(hwnd, CBN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        if (wParam == 0) {
            Close(hwnd, *d, false);
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_SETFONT:
        d->font = reinterpret_cast<HFONT>(wParam);
        SendMessageA(d->list, WM_SETFONT, wParam, 0);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(d->font);
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintCombo(hwnd, *d);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace winapi_posix::user
