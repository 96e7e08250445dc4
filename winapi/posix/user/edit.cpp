// The "Edit" control: one line of text with a caret and a selection, typing through
// WM_CHAR, the editing keys, ES_NUMBER, the text limit, and, without ES_AUTOHSCROLL, no
// more text than the formatting rectangle can show. ES_MULTILINE keeps line breaks in
// its text but is otherwise handled as one line.
#include "internal.h"

#include <algorithm>
#include <cstring>

namespace winapi_posix::user {
namespace {

constexpr int MARGIN = 1;
constexpr std::size_t DEFAULT_LIMIT = 0x7FFF;
constexpr std::size_t MAX_LIMIT = 0x7FFFFFFE;

struct EditData : ControlData {
    std::size_t anchor = 0;
    std::size_t caret = 0;
    std::size_t limit = DEFAULT_LIMIT;
    bool modified = false;
    bool focused = false;
    HFONT font = nullptr;
};

RECT FormatRect(HWND hwnd)
{
    RECT rc{};
    GetClientRect(hwnd, &rc);
    rc.left += MARGIN;
    rc.right -= MARGIN;
    if (rc.right < rc.left) {
        rc.right = rc.left;
    }
    return rc;
}

std::size_t SelStart(const EditData& d)
{
    return std::min(d.anchor, d.caret);
}

std::size_t SelEnd(const EditData& d)
{
    return std::max(d.anchor, d.caret);
}

void Changed(HWND hwnd)
{
    InvalidateRect(hwnd, nullptr, TRUE);
    NotifyParent(hwnd, EN_UPDATE);
    NotifyParent(hwnd, EN_CHANGE);
}

// Replaces the selection with what of the text the limit and the field's width allow.
// Returns whether the whole text went in.
bool ReplaceSelection(HWND hwnd, EditData& d, std::string insert, bool notify)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return false;
    }
    const DWORD style = w->style;
    if ((style & ES_UPPERCASE) != 0 || (style & ES_LOWERCASE) != 0) {
        for (char& c : insert) {
            if ((style & ES_UPPERCASE) != 0) {
                c = static_cast<char>(FoldCase(static_cast<unsigned char>(c)));
            } else if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
    }
    std::string& text = w->text;
    const std::size_t start = std::min(SelStart(d), text.size());
    const std::size_t end = std::min(SelEnd(d), text.size());
    const std::size_t kept = text.size() - (end - start);
    const std::size_t wanted = insert.size();
    if (kept >= d.limit) {
        insert.clear();
    } else if (insert.size() > d.limit - kept) {
        insert.resize(d.limit - kept);
    }
    if ((style & (ES_AUTOHSCROLL | ES_MULTILINE)) == 0) {
        const RECT fr = FormatRect(hwnd);
        const int room = static_cast<int>(fr.right - fr.left);
        const std::string rest = text.substr(0, start) + text.substr(end);
        while (!insert.empty() && TextWidth(rest) + TextWidth(insert) > room) {
            insert.pop_back();
        }
    }
    const bool removed = end > start;
    if (insert.empty() && !removed) {
        if (wanted > 0) {
            MessageBeep(0);
            NotifyParent(hwnd, EN_MAXTEXT);
        }
        return wanted == 0;
    }
    text = text.substr(0, start) + insert + text.substr(end);
    d.caret = d.anchor = start + insert.size();
    d.modified = true;
    if (notify) {
        Changed(hwnd);
    } else {
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    if (insert.size() < wanted) {
        NotifyParent(hwnd, EN_MAXTEXT);
        return false;
    }
    return true;
}

std::size_t CharFromX(const std::string& text, int x)
{
    int at = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int width = CharWidth(static_cast<unsigned char>(text[i]));
        if (x < at + width / 2) {
            return i;
        }
        at += width;
    }
    return text.size();
}

int TextLeft(HWND hwnd, const std::string& text)
{
    Window* w = Find(hwnd);
    const RECT fr = FormatRect(hwnd);
    const int width = TextWidth(text);
    const DWORD align = w == nullptr ? 0 : (w->style & (ES_CENTER | ES_RIGHT));
    if (align == ES_RIGHT) {
        return static_cast<int>(fr.right) - width;
    }
    if (align == ES_CENTER) {
        return static_cast<int>(fr.left + (fr.right - fr.left - width) / 2);
    }
    return static_cast<int>(fr.left);
}

void Paint(HWND hwnd, EditData& d)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return;
    }
    const std::string text = (w->style & ES_PASSWORD) != 0 ? std::string(w->text.size(), '*') : w->text;
    const bool disabled = (w->style & WS_DISABLED) != 0;
    const bool readOnly = (w->style & ES_READONLY) != 0;
    PAINTSTRUCT ps{};
    const HDC dc = BeginPaint(hwnd, &ps);
    RECT rc{};
    GetClientRect(hwnd, &rc);
    const HBRUSH brush = ControlColor(hwnd, dc, disabled || readOnly ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
    FillRect(dc, &rc, brush);
    if (disabled) {
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    }
    const int left = TextLeft(hwnd, text);
    const std::size_t start = std::min(SelStart(d), text.size());
    const std::size_t end = std::min(SelEnd(d), text.size());
    if (d.focused && end > start) {
        const int x0 = left + TextWidth(std::string_view(text).substr(0, start));
        const int x1 = left + TextWidth(std::string_view(text).substr(0, end));
        const RECT sel{x0, 1, x1, 1 + FontHeight()};
        FillRect(dc, &sel, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    TextOutA(dc, left, 1, text.c_str(), static_cast<int>(text.size()));
    EndPaint(hwnd, &ps);
}

void MoveCaret(EditData& d, std::size_t to, bool extend)
{
    d.caret = to;
    if (!extend) {
        d.anchor = to;
    }
}

}  // namespace

LRESULT EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(hwnd);
    auto d = Data<EditData>(hwnd);
    if (w == nullptr || !d) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    const DWORD style = w->style;
    const bool readOnly = (style & ES_READONLY) != 0;
    std::string& text = w->text;
    d->caret = std::min(d->caret, text.size());
    d->anchor = std::min(d->anchor, text.size());
    switch (message) {
    case WM_NCCREATE: {
        const LRESULT r = DefWindowProcA(hwnd, message, wParam, lParam);
        if ((style & ES_MULTILINE) == 0) {
            // One line: a text given at creation loses everything from its first line break.
            const std::size_t cut = text.find_first_of("\r\n");
            if (cut != std::string::npos) {
                text.resize(cut);
            }
        }
        return r;
    }
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if ((style & ES_MULTILINE) != 0 && msg != nullptr && msg->message == WM_KEYDOWN &&
            msg->wParam == VK_RETURN && (style & ES_WANTRETURN) != 0) {
            code |= DLGC_WANTALLKEYS;
        }
        return code;
    }
    case WM_CHAR: {
        const auto c = static_cast<unsigned char>(wParam & 0xFF);
        if (readOnly) {
            return 0;
        }
        if (c == 0x08) {
            if (SelEnd(*d) == SelStart(*d)) {
                if (d->caret == 0) {
                    return 0;
                }
                d->anchor = d->caret - 1;
            }
            ReplaceSelection(hwnd, *d, std::string(), true);
            return 0;
        }
        if (c == '\r' && (style & ES_MULTILINE) != 0) {
            ReplaceSelection(hwnd, *d, "\r\n", true);
            return 0;
        }
        if (c < 0x20 || c == 0x7F) {
            return 0;
        }
        if ((style & ES_NUMBER) != 0 && (c < '0' || c > '9')) {
            MessageBeep(0);
            return 0;
        }
        ReplaceSelection(hwnd, *d, std::string(1, static_cast<char>(c)), true);
        return 0;
    }
    case WM_KEYDOWN: {
        const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        switch (wParam) {
        case VK_LEFT:
        case VK_UP:
            if (!shift && SelEnd(*d) != SelStart(*d)) {
                MoveCaret(*d, SelStart(*d), false);
            } else {
                MoveCaret(*d, d->caret == 0 ? 0 : d->caret - 1, shift);
            }
            break;
        case VK_RIGHT:
        case VK_DOWN:
            if (!shift && SelEnd(*d) != SelStart(*d)) {
                MoveCaret(*d, SelEnd(*d), false);
            } else {
                MoveCaret(*d, std::min(text.size(), d->caret + 1), shift);
            }
            break;
        case VK_HOME: MoveCaret(*d, 0, shift); break;
        case VK_END: MoveCaret(*d, text.size(), shift); break;
        case VK_DELETE:
            if (readOnly) {
                return 0;
            }
            if (SelEnd(*d) == SelStart(*d)) {
                if (d->caret >= text.size()) {
                    return 0;
                }
                d->anchor = d->caret + 1;
            }
            ReplaceSelection(hwnd, *d, std::string(), true);
            return 0;
        default: return 0;
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        SetFocus(hwnd);
        const std::string shown = text;
        const std::size_t at = CharFromX(shown, GET_X_LPARAM(lParam) - TextLeft(hwnd, shown));
        MoveCaret(*d, at, (wParam & MK_SHIFT) != 0);
        SetCapture(hwnd);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (GetCapture() == hwnd) {
            const std::string shown = text;
            MoveCaret(*d, CharFromX(shown, GET_X_LPARAM(lParam) - TextLeft(hwnd, shown)), true);
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == hwnd) {
            ReleaseCapture();
        }
        return 0;
    case WM_SETFOCUS:
        d->focused = true;
        InvalidateRect(hwnd, nullptr, TRUE);
        NotifyParent(hwnd, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        d->focused = false;
        InvalidateRect(hwnd, nullptr, TRUE);
        NotifyParent(hwnd, EN_KILLFOCUS);
        return 0;
    case WM_SETTEXT: {
        std::string value = lParam != 0 ? reinterpret_cast<LPCSTR>(lParam) : "";
        if ((style & ES_MULTILINE) == 0) {
            const std::size_t cut = value.find_first_of("\r\n");
            if (cut != std::string::npos) {
                value.resize(cut);
            }
        }
        text = value;
        d->anchor = d->caret = 0;
        d->modified = false;
        if ((style & ES_MULTILINE) == 0) {
            Changed(hwnd);
        } else {
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return TRUE;
    }
    case EM_GETSEL: {
        const auto start = static_cast<DWORD>(SelStart(*d));
        const auto end = static_cast<DWORD>(SelEnd(*d));
        if (wParam != 0) {
            *reinterpret_cast<DWORD*>(wParam) = start;
        }
        if (lParam != 0) {
            *reinterpret_cast<DWORD*>(lParam) = end;
        }
        return MAKELRESULT(std::min<DWORD>(start, 0xFFFF), std::min<DWORD>(end, 0xFFFF));
    }
    case EM_SETSEL: {
        const auto start = static_cast<LONG_PTR>(static_cast<int>(wParam));
        const auto end = static_cast<LONG_PTR>(static_cast<int>(lParam));
        if (start < 0) {
            d->anchor = d->caret;
        } else {
            d->anchor = std::min(static_cast<std::size_t>(start), text.size());
            d->caret = end < 0 ? text.size() : std::min(static_cast<std::size_t>(end), text.size());
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case EM_REPLACESEL:
        if (lParam != 0) {
            ReplaceSelection(hwnd, *d, reinterpret_cast<LPCSTR>(lParam), true);
        }
        return 0;
    case EM_LIMITTEXT:
        d->limit = wParam == 0 ? MAX_LIMIT : std::min<std::size_t>(wParam, MAX_LIMIT);
        return 0;
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(d->limit);
    case EM_GETRECT:
        if (lParam != 0) {
            *reinterpret_cast<RECT*>(lParam) = FormatRect(hwnd);
        }
        return 0;
    case EM_GETMODIFY:
        return d->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
        d->modified = wParam != 0;
        return 0;
    case EM_SETREADONLY:
        w->style = wParam != 0 ? (w->style | ES_READONLY) : (w->style & ~static_cast<DWORD>(ES_READONLY));
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case EM_GETLINECOUNT:
        return 1 + static_cast<LRESULT>(std::count(text.begin(), text.end(), '\n'));
    case EM_LINEINDEX:
        return 0;
    case EM_LINELENGTH:
        return static_cast<LRESULT>(text.size());
    case EM_GETLINE: {
        if (lParam == 0) {
            return 0;
        }
        auto* buffer = reinterpret_cast<char*>(lParam);
        WORD size = 0;
        std::memcpy(&size, buffer, sizeof size);
        const std::size_t n = std::min<std::size_t>(size, text.size());
        std::memcpy(buffer, text.data(), n);
        return static_cast<LRESULT>(n);
    }
    case EM_CANUNDO:
    case EM_UNDO:
        return FALSE;
    case EM_POSFROMCHAR: {
        const std::size_t at = std::min<std::size_t>(wParam, text.size());
        const int x = TextLeft(hwnd, text) + TextWidth(std::string_view(text).substr(0, at));
        return MAKELRESULT(static_cast<WORD>(x), 1);
    }
    case EM_CHARFROMPOS:
        return static_cast<LRESULT>(CharFromX(text, GET_X_LPARAM(lParam) - TextLeft(hwnd, text)));
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_PAINT:
        Paint(hwnd, *d);
        return 0;
    default:
        break;
    }
    return ControlDefaultProc(hwnd, d->font, message, wParam, lParam);
}

}  // namespace winapi_posix::user
