// The drawing subset: device contexts with their colours and selected objects, stock and
// solid brushes, update regions with BeginPaint / EndPaint, and a display list per paint.
// Every drawing call appends an operation to the list of the device context; when the
// context is closed the list becomes what its window last painted.
#include "internal.h"

#include <algorithm>
#include <cstring>

namespace winapi_posix::user {
namespace {

enum class ObjectKind { Brush, Pen, Font, Icon };

struct GdiObject {
    ObjectKind kind = ObjectKind::Brush;
    COLORREF color = 0;
    bool null = false;
    bool stock = false;
    int sysColor = -1;
};

struct DeviceContext {
    HWND hwnd = nullptr;
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
    int bkMode = OPAQUE;
    HGDIOBJ brush = nullptr;
    HGDIOBJ pen = nullptr;
    HGDIOBJ font = nullptr;
    bool paint = false;
    std::vector<PaintOp> ops;
};

struct Gdi {
    std::map<std::uintptr_t, GdiObject> objects;
    std::map<std::uintptr_t, DeviceContext> contexts;
    std::uintptr_t nextObject = 0x20000;
    std::uintptr_t nextContext = 0x30000;
    HGDIOBJ stock[20]{};
    HBRUSH sysBrushes[25]{};
    std::map<std::uintptr_t, int> icons;  // icon handle -> what it shows
};

Gdi& G()
{
    static Gdi gdi;
    return gdi;
}

HGDIOBJ NewObject(const GdiObject& object)
{
    Gdi& g = G();
    const std::uintptr_t value = g.nextObject;
    g.nextObject += 4;
    g.objects.emplace(value, object);
    return reinterpret_cast<HGDIOBJ>(value);
}

GdiObject* FindObject(HGDIOBJ handle)
{
    const auto it = G().objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == G().objects.end() ? nullptr : &it->second;
}

DeviceContext* FindDc(HDC dc)
{
    const auto it = G().contexts.find(reinterpret_cast<std::uintptr_t>(dc));
    return it == G().contexts.end() ? nullptr : &it->second;
}

COLORREF SysColor(int index)
{
    switch (index) {
    case COLOR_SCROLLBAR: return RGB(212, 208, 200);
    case COLOR_BACKGROUND: return RGB(58, 110, 165);
    case COLOR_ACTIVECAPTION: return RGB(10, 36, 106);
    case COLOR_INACTIVECAPTION: return RGB(128, 128, 128);
    case COLOR_MENU: return RGB(212, 208, 200);
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME: return RGB(0, 0, 0);
    case COLOR_MENUTEXT: return RGB(0, 0, 0);
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case COLOR_CAPTIONTEXT: return RGB(255, 255, 255);
    case COLOR_ACTIVEBORDER: return RGB(212, 208, 200);
    case COLOR_INACTIVEBORDER: return RGB(212, 208, 200);
    case COLOR_APPWORKSPACE: return RGB(128, 128, 128);
    case COLOR_HIGHLIGHT: return RGB(10, 36, 106);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(212, 208, 200);
    case COLOR_BTNSHADOW: return RGB(128, 128, 128);
    case COLOR_GRAYTEXT: return RGB(128, 128, 128);
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_INACTIVECAPTIONTEXT: return RGB(212, 208, 200);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW: return RGB(64, 64, 64);
    case COLOR_3DLIGHT: return RGB(212, 208, 200);
    case COLOR_INFOTEXT: return RGB(0, 0, 0);
    case COLOR_INFOBK: return RGB(255, 255, 225);
    default: return 0;
    }
}

void MakeStock()
{
    Gdi& g = G();
    if (g.stock[WHITE_BRUSH] != nullptr) {
        return;
    }
    auto brush = [](COLORREF c, bool null = false) {
        GdiObject o;
        o.kind = ObjectKind::Brush;
        o.color = c;
        o.null = null;
        o.stock = true;
        return NewObject(o);
    };
    g.stock[WHITE_BRUSH] = brush(RGB(255, 255, 255));
    g.stock[LTGRAY_BRUSH] = brush(RGB(192, 192, 192));
    g.stock[GRAY_BRUSH] = brush(RGB(128, 128, 128));
    g.stock[DKGRAY_BRUSH] = brush(RGB(64, 64, 64));
    g.stock[BLACK_BRUSH] = brush(RGB(0, 0, 0));
    g.stock[NULL_BRUSH] = brush(0, true);
    g.stock[DC_BRUSH] = brush(RGB(255, 255, 255));
    for (int pen : {WHITE_PEN, BLACK_PEN, NULL_PEN, DC_PEN}) {
        GdiObject o;
        o.kind = ObjectKind::Pen;
        o.color = pen == WHITE_PEN ? RGB(255, 255, 255) : 0;
        o.null = pen == NULL_PEN;
        o.stock = true;
        g.stock[pen] = NewObject(o);
    }
    for (int font : {OEM_FIXED_FONT, ANSI_FIXED_FONT, ANSI_VAR_FONT, SYSTEM_FONT, DEVICE_DEFAULT_FONT,
                     SYSTEM_FIXED_FONT, DEFAULT_GUI_FONT}) {
        GdiObject o;
        o.kind = ObjectKind::Font;
        o.stock = true;
        g.stock[font] = NewObject(o);
    }
    for (int i = 0; i < 25; ++i) {
        GdiObject o;
        o.kind = ObjectKind::Brush;
        o.color = SysColor(i);
        o.stock = true;
        o.sysColor = i;
        g.sysBrushes[i] = static_cast<HBRUSH>(NewObject(o));
    }
}

// A brush argument: a brush handle, or a system colour index plus one.
bool BrushColor(HBRUSH brush, COLORREF& color)
{
    MakeStock();
    const auto value = reinterpret_cast<std::uintptr_t>(brush);
    if (value >= 1 && value <= 25) {
        color = SysColor(static_cast<int>(value - 1));
        return true;
    }
    GdiObject* o = FindObject(brush);
    if (o == nullptr || o->kind != ObjectKind::Brush || o->null) {
        return false;
    }
    color = o->color;
    return true;
}

void Record(HDC dc, PaintOp op)
{
    if (DeviceContext* d = FindDc(dc)) {
        d->ops.push_back(std::move(op));
    }
}

HDC NewDc(HWND hwnd, bool paint)
{
    MakeStock();
    Gdi& g = G();
    const std::uintptr_t value = g.nextContext;
    g.nextContext += 4;
    DeviceContext dc;
    dc.hwnd = hwnd;
    dc.paint = paint;
    dc.brush = g.stock[WHITE_BRUSH];
    dc.pen = g.stock[BLACK_PEN];
    dc.font = g.stock[SYSTEM_FONT];
    g.contexts.emplace(value, std::move(dc));
    return reinterpret_cast<HDC>(value);
}

void CloseDc(HDC dc)
{
    Gdi& g = G();
    const auto it = g.contexts.find(reinterpret_cast<std::uintptr_t>(dc));
    if (it == g.contexts.end()) {
        return;
    }
    const HWND hwnd = it->second.hwnd;
    std::vector<PaintOp> ops = std::move(it->second.ops);
    const bool paint = it->second.paint;
    g.contexts.erase(it);
    if (paint || !ops.empty()) {
        ClosePaintRecord(hwnd, std::move(ops));
    }
}

void Union(RECT& into, const RECT& r)
{
    if (IsRectEmpty(&into)) {
        into = r;
    } else if (!IsRectEmpty(&r)) {
        RECT out{};
        UnionRect(&out, &into, &r);
        into = out;
    }
}

}  // namespace

HBRUSH SysBrush(int index)
{
    MakeStock();
    return index >= 0 && index < 25 ? G().sysBrushes[index] : nullptr;
}

void ClosePaintRecord(HWND hwnd, std::vector<PaintOp>&& ops)
{
    if (Window* w = Find(hwnd)) {
        w->lastPaint = std::move(ops);
        w->painted = true;
    }
}

bool BrushToColor(HBRUSH brush, COLORREF& color)
{
    return BrushColor(brush, color);
}

bool RecordPaintOp(HDC dc, PaintOp op)
{
    if (FindDc(dc) == nullptr) {
        return false;
    }
    Record(dc, std::move(op));
    return true;
}

void DrawGlyph(HDC dc, const RECT& rect, UINT glyph)
{
    PaintOp op;
    op.kind = PaintOp::Kind::Glyph;
    op.rect = rect;
    op.format = glyph;
    op.textColor = GetTextColor(dc);
    RecordPaintOp(dc, std::move(op));
}

void InvalidateTree(HWND hwnd)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return;
    }
    InvalidateRect(hwnd, nullptr, TRUE);
    for (HWND child : std::vector<HWND>(w->children)) {
        InvalidateTree(child);
    }
}

// Stand-in icons: the handle names the resource or stock icon; what it shows is its kind.
HICON MakeIcon(int kind)
{
    MakeStock();
    Gdi& g = G();
    for (const auto& [handle, k] : g.icons) {
        if (k == kind) {
            return reinterpret_cast<HICON>(handle);
        }
    }
    GdiObject o;
    o.kind = ObjectKind::Icon;
    o.stock = true;
    HGDIOBJ handle = NewObject(o);
    g.icons.emplace(reinterpret_cast<std::uintptr_t>(handle), kind);
    return static_cast<HICON>(handle);
}

int IconKind(HICON icon)
{
    const auto it = G().icons.find(reinterpret_cast<std::uintptr_t>(icon));
    return it == G().icons.end() ? 0 : it->second;
}

}  // namespace winapi_posix::user

using namespace winapi_posix::user;

DWORD GetSysColor(int index)
{
    return SysColor(index);
}

HBRUSH GetSysColorBrush(int index)
{
    return SysBrush(index);
}

HGDIOBJ GetStockObject(int index)
{
    MakeStock();
    if (index < 0 || index >= 20) {
        return nullptr;
    }
    return G().stock[index];
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    GdiObject o;
    o.kind = ObjectKind::Brush;
    o.color = color & 0x00FFFFFFu;
    return static_cast<HBRUSH>(NewObject(o));
}

BOOL DeleteObject(HGDIOBJ object)
{
    GdiObject* o = FindObject(object);
    if (o == nullptr) {
        return FALSE;
    }
    if (o->stock) {
        return TRUE;  // stock objects stay
    }
    for (const auto& [handle, dc] : G().contexts) {
        if (dc.brush == object || dc.pen == object || dc.font == object) {
            return FALSE;  // still selected
        }
    }
    G().objects.erase(reinterpret_cast<std::uintptr_t>(object));
    return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    DeviceContext* d = FindDc(dc);
    GdiObject* o = FindObject(object);
    if (d == nullptr || o == nullptr) {
        return nullptr;
    }
    HGDIOBJ previous = nullptr;
    switch (o->kind) {
    case ObjectKind::Brush: previous = d->brush; d->brush = object; break;
    case ObjectKind::Pen: previous = d->pen; d->pen = object; break;
    case ObjectKind::Font: previous = d->font; d->font = object; break;
    case ObjectKind::Icon: return nullptr;
    }
    return previous;
}

COLORREF SetBkColor(HDC dc, COLORREF color)
{
    DeviceContext* d = FindDc(dc);
    if (d == nullptr) {
        return CLR_INVALID;
    }
    const COLORREF previous = d->bkColor;
    d->bkColor = color;
    return previous;
}

COLORREF GetBkColor(HDC dc)
{
    DeviceContext* d = FindDc(dc);
    return d == nullptr ? CLR_INVALID : d->bkColor;
}

COLORREF SetTextColor(HDC dc, COLORREF color)
{
    DeviceContext* d = FindDc(dc);
    if (d == nullptr) {
        return CLR_INVALID;
    }
    const COLORREF previous = d->textColor;
    d->textColor = color;
    return previous;
}

COLORREF GetTextColor(HDC dc)
{
    DeviceContext* d = FindDc(dc);
    return d == nullptr ? CLR_INVALID : d->textColor;
}

int SetBkMode(HDC dc, int mode)
{
    DeviceContext* d = FindDc(dc);
    if (d == nullptr || (mode != OPAQUE && mode != TRANSPARENT)) {
        return 0;
    }
    const int previous = d->bkMode;
    d->bkMode = mode;
    return previous;
}

int GetBkMode(HDC dc)
{
    DeviceContext* d = FindDc(dc);
    return d == nullptr ? 0 : d->bkMode;
}

int FillRect(HDC dc, LPCRECT rect, HBRUSH brush)
{
    COLORREF color = 0;
    if (FindDc(dc) == nullptr || rect == nullptr || !BrushColor(brush, color)) {
        return 0;
    }
    PaintOp op;
    op.kind = PaintOp::Kind::Fill;
    op.rect = *rect;
    const auto value = reinterpret_cast<std::uintptr_t>(brush);
    op.brush = value >= 1 && value <= 25 ? SysBrush(static_cast<int>(value - 1)) : brush;
    op.brushColor = color;
    Record(dc, std::move(op));
    return 1;
}

int FrameRect(HDC dc, LPCRECT rect, HBRUSH brush)
{
    COLORREF color = 0;
    if (FindDc(dc) == nullptr || rect == nullptr || !BrushColor(brush, color)) {
        return 0;
    }
    PaintOp op;
    op.kind = PaintOp::Kind::Frame;
    op.rect = *rect;
    op.brush = brush;
    op.brushColor = color;
    Record(dc, std::move(op));
    return 1;
}

BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags)
{
    if (FindDc(dc) == nullptr || rect == nullptr) {
        return FALSE;
    }
    PaintOp op;
    op.kind = PaintOp::Kind::Edge;
    op.rect = *rect;
    op.format = edge | (flags << 16);
    Record(dc, std::move(op));
    return TRUE;
}

BOOL DrawFocusRect(HDC dc, LPCRECT rect)
{
    if (FindDc(dc) == nullptr || rect == nullptr) {
        return FALSE;
    }
    PaintOp op;
    op.kind = PaintOp::Kind::FocusRect;
    op.rect = *rect;
    Record(dc, std::move(op));
    return TRUE;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, LPCRECT rect, LPCSTR text, UINT length, const INT*)
{
    DeviceContext* d = FindDc(dc);
    if (d == nullptr || (text == nullptr && length != 0)) {
        return FALSE;
    }
    const std::string s(text == nullptr ? "" : text, length);
    if ((options & ETO_OPAQUE) != 0 && rect != nullptr) {
        PaintOp fill;
        fill.kind = PaintOp::Kind::Fill;
        fill.rect = *rect;
        fill.brushColor = d->bkColor;
        Record(dc, std::move(fill));
    }
    if (s.empty()) {
        return TRUE;
    }
    PaintOp op;
    op.kind = PaintOp::Kind::Text;
    op.rect = RECT{x, y, x + TextWidth(s), y + FontHeight()};
    op.text = s;
    op.textColor = d->textColor;
    op.bkColor = d->bkColor;
    op.bkMode = d->bkMode;
    Record(dc, std::move(op));
    return TRUE;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length)
{
    if (length < 0) {
        return FALSE;
    }
    return ExtTextOutA(dc, x, y, 0, nullptr, text, static_cast<UINT>(length), nullptr);
}

int DrawTextA(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format)
{
    DeviceContext* d = FindDc(dc);
    if (d == nullptr || rect == nullptr || text == nullptr) {
        return 0;
    }
    std::string s = length < 0 ? std::string(text) : std::string(text, static_cast<std::size_t>(length));
    if ((format & DT_NOPREFIX) == 0) {
        // "&x" marks a mnemonic and is drawn as "x"; "&&" is one "&".
        std::string shown;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '&' && i + 1 < s.size()) {
                ++i;
            }
            shown.push_back(s[i]);
        }
        s = shown;
    }
    const int width = TextWidth(s);
    if ((format & DT_CALCRECT) != 0) {
        rect->right = rect->left + width;
        rect->bottom = rect->top + FontHeight();
        return FontHeight();
    }
    LONG x = rect->left;
    if ((format & DT_RIGHT) != 0) {
        x = rect->right - width;
    } else if ((format & DT_CENTER) != 0) {
        x = rect->left + (rect->right - rect->left - width) / 2;
    }
    LONG y = rect->top;
    if ((format & DT_SINGLELINE) != 0 && (format & DT_VCENTER) != 0) {
        y = rect->top + (rect->bottom - rect->top - FontHeight()) / 2;
    } else if ((format & DT_SINGLELINE) != 0 && (format & DT_BOTTOM) != 0) {
        y = rect->bottom - FontHeight();
    }
    if (!s.empty()) {
        PaintOp op;
        op.kind = PaintOp::Kind::Text;
        op.rect = RECT{x, y, x + width, y + FontHeight()};
        op.text = s;
        op.textColor = d->textColor;
        op.bkColor = d->bkColor;
        op.bkMode = d->bkMode;
        op.format = format;
        Record(dc, std::move(op));
    }
    return FontHeight();
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, LPSIZE size)
{
    if (FindDc(dc) == nullptr || size == nullptr || length < 0 || (text == nullptr && length > 0)) {
        return FALSE;
    }
    size->cx = TextWidth(std::string_view(text == nullptr ? "" : text, static_cast<std::size_t>(length)));
    size->cy = FontHeight();
    return TRUE;
}

BOOL GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics)
{
    if (FindDc(dc) == nullptr || metrics == nullptr) {
        return FALSE;
    }
    *metrics = TEXTMETRICA{};
    metrics->tmHeight = FontHeight();
    metrics->tmAscent = FontAscent();
    metrics->tmDescent = FontHeight() - FontAscent();
    metrics->tmAveCharWidth = FontAveWidth();
    metrics->tmMaxCharWidth = FontMaxWidth();
    metrics->tmWeight = 400;
    metrics->tmFirstChar = 0x20;
    metrics->tmLastChar = 0xFF;
    metrics->tmDefaultChar = 0x80;
    metrics->tmBreakChar = 0x20;
    metrics->tmCharSet = 238;  // EASTEUROPE_CHARSET: code page 1250
    return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon)
{
    if (FindDc(dc) == nullptr || icon == nullptr) {
        return FALSE;
    }
    PaintOp op;
    op.kind = PaintOp::Kind::Icon;
    op.rect = RECT{x, y, x + 32, y + 32};
    op.icon = icon;
    Record(dc, std::move(op));
    return TRUE;
}

// ---- Update regions and paint --------------------------------------------------------

BOOL InvalidateRect(HWND hwnd, LPCRECT rect, BOOL erase)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return hwnd == nullptr ? TRUE : FALSE;
    }
    RECT client{};
    GetClientRect(hwnd, &client);
    RECT area = client;
    if (rect != nullptr) {
        IntersectRect(&area, rect, &client);
    }
    if (IsRectEmpty(&area) && rect != nullptr) {
        return TRUE;
    }
    Union(w->update, area);
    w->invalid = true;
    w->erase = w->erase || erase != FALSE;
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, LPCRECT)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return FALSE;
    }
    // The update region is kept as one rectangle, so any validation clears all of it.
    w->invalid = false;
    w->erase = false;
    w->update = RECT{};
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return FALSE;
    }
    if (rect != nullptr) {
        *rect = w->invalid ? w->update : RECT{};
    }
    return w->invalid ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return FALSE;
    }
    if (w->invalid && IsVisibleTree(hwnd)) {
        SendMessageA(hwnd, WM_PAINT, 0, 0);
    }
    w = Find(hwnd);
    if (w != nullptr) {
        for (HWND child : std::vector<HWND>(w->children)) {
            UpdateWindow(child);
        }
    }
    return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint)
{
    Window* w = Find(hwnd);
    if (w == nullptr || paint == nullptr) {
        return nullptr;
    }
    *paint = PAINTSTRUCT{};
    const HDC dc = NewDc(hwnd, true);
    paint->hdc = dc;
    RECT client{};
    GetClientRect(hwnd, &client);
    paint->rcPaint = w->invalid ? w->update : RECT{};
    const bool erase = w->erase;
    w->invalid = false;
    w->erase = false;
    w->update = RECT{};
    if (erase) {
        paint->fErase = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0 ? TRUE : FALSE;
    }
    return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint)
{
    if (paint == nullptr) {
        return FALSE;
    }
    CloseDc(paint->hdc);
    return TRUE;
}

HDC GetDC(HWND hwnd)
{
    if (hwnd != nullptr && Find(hwnd) == nullptr) {
        return nullptr;
    }
    return NewDc(hwnd, false);
}

int ReleaseDC(HWND, HDC dc)
{
    if (FindDc(dc) == nullptr) {
        return 0;
    }
    CloseDc(dc);
    return 1;
}

HWND WindowFromDC(HDC dc)
{
    DeviceContext* d = FindDc(dc);
    return d == nullptr ? nullptr : d->hwnd;
}

// ---- Rectangles ----------------------------------------------------------------------

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    if (rect == nullptr) {
        return FALSE;
    }
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT rect)
{
    return SetRect(rect, 0, 0, 0, 0);
}

BOOL CopyRect(LPRECT to, LPCRECT from)
{
    if (to == nullptr || from == nullptr) {
        return FALSE;
    }
    *to = *from;
    return TRUE;
}

BOOL OffsetRect(LPRECT rect, int dx, int dy)
{
    if (rect == nullptr) {
        return FALSE;
    }
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL InflateRect(LPRECT rect, int dx, int dy)
{
    if (rect == nullptr) {
        return FALSE;
    }
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL IsRectEmpty(LPCRECT rect)
{
    return rect == nullptr || rect->right <= rect->left || rect->bottom <= rect->top ? TRUE : FALSE;
}

BOOL IntersectRect(LPRECT out, LPCRECT a, LPCRECT b)
{
    if (out == nullptr || a == nullptr || b == nullptr) {
        return FALSE;
    }
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r)) {
        *out = RECT{};
        return FALSE;
    }
    *out = r;
    return TRUE;
}

BOOL UnionRect(LPRECT out, LPCRECT a, LPCRECT b)
{
    if (out == nullptr || a == nullptr || b == nullptr) {
        return FALSE;
    }
    if (IsRectEmpty(a)) {
        *out = *b;
    } else if (IsRectEmpty(b)) {
        *out = *a;
    } else {
        *out = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                    std::max(a->bottom, b->bottom)};
    }
    return IsRectEmpty(out) ? FALSE : TRUE;
}

BOOL PtInRect(LPCRECT rect, POINT point)
{
    return rect != nullptr && point.x >= rect->left && point.x < rect->right && point.y >= rect->top &&
                   point.y < rect->bottom
               ? TRUE
               : FALSE;
}

BOOL EqualRect(LPCRECT a, LPCRECT b)
{
    return a != nullptr && b != nullptr && a->left == b->left && a->top == b->top && a->right == b->right &&
                   a->bottom == b->bottom
               ? TRUE
               : FALSE;
}
