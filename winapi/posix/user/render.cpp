// The renderer: a top-level window's frame, caption and close box, then its recorded
// paint and its children's, bottom of the z-order first, into one surface. Each window
// draws inside its own client area and its parent's, as a real screen clips it.
#include "surface.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace winapi_posix::user {

// ---- Surface ---------------------------------------------------------------------------

Surface::Surface(int w, int h, COLORREF fill)
    : width(std::max(0, w)), height(std::max(0, h)),
      pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
             (static_cast<std::uint32_t>(GetRValue(fill)) << 16) | (static_cast<std::uint32_t>(GetGValue(fill)) << 8) |
                 GetBValue(fill))
{
}

COLORREF Surface::At(int x, int y) const
{
    if (!Contains(x, y)) {
        return 0;
    }
    const std::uint32_t p = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

void Surface::Put(int x, int y, COLORREF color, const RECT& clip)
{
    if (!Contains(x, y) || x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) {
        return;
    }
    pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
        (static_cast<std::uint32_t>(GetRValue(color)) << 16) | (static_cast<std::uint32_t>(GetGValue(color)) << 8) |
        GetBValue(color);
}

void Surface::Fill(const RECT& r, COLORREF color, const RECT& clip)
{
    const LONG left = std::max({r.left, clip.left, LONG{0}});
    const LONG right = std::min({r.right, clip.right, static_cast<LONG>(width)});
    const LONG top = std::max({r.top, clip.top, LONG{0}});
    const LONG bottom = std::min({r.bottom, clip.bottom, static_cast<LONG>(height)});
    for (LONG y = top; y < bottom; ++y) {
        for (LONG x = left; x < right; ++x) {
            Put(static_cast<int>(x), static_cast<int>(y), color, clip);
        }
    }
}

void Surface::HLine(int x0, int x1, int y, COLORREF color, const RECT& clip)
{
    Fill(RECT{x0, y, x1, y + 1}, color, clip);
}

void Surface::VLine(int x, int y0, int y1, COLORREF color, const RECT& clip)
{
    Fill(RECT{x, y0, x + 1, y1}, color, clip);
}

void Surface::Frame(const RECT& r, COLORREF color, const RECT& clip)
{
    if (r.right <= r.left || r.bottom <= r.top) {
        return;
    }
    const int l = static_cast<int>(r.left);
    const int t = static_cast<int>(r.top);
    const int rr = static_cast<int>(r.right);
    const int b = static_cast<int>(r.bottom);
    HLine(l, rr, t, color, clip);
    HLine(l, rr, b - 1, color, clip);
    VLine(l, t, b, color, clip);
    VLine(rr - 1, t, b, color, clip);
}

void Surface::Invert(int x, int y, const RECT& clip)
{
    if (!Contains(x, y) || x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) {
        return;
    }
    pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] ^= 0x00FFFFFFu;
}

// ---- Edges -----------------------------------------------------------------------------

namespace {

COLORREF Sys(int index)
{
    return GetSysColor(index);
}

// One ring of an edge: its top-left and bottom-right colours.
void Ring(Surface& s, const RECT& r, COLORREF topLeft, COLORREF bottomRight, UINT flags, const RECT& clip)
{
    const int l = static_cast<int>(r.left);
    const int t = static_cast<int>(r.top);
    const int rr = static_cast<int>(r.right);
    const int b = static_cast<int>(r.bottom);
    if ((flags & BF_TOP) != 0) {
        s.HLine(l, rr - 1, t, topLeft, clip);
    }
    if ((flags & BF_LEFT) != 0) {
        s.VLine(l, t, b - 1, topLeft, clip);
    }
    if ((flags & BF_BOTTOM) != 0) {
        s.HLine(l, rr, b - 1, bottomRight, clip);
    }
    if ((flags & BF_RIGHT) != 0) {
        s.VLine(rr - 1, t, b, bottomRight, clip);
    }
}

}  // namespace

void DrawEdgeInto(Surface& s, RECT r, UINT edge, UINT flags, const RECT& clip)
{
    const UINT outer = edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER);
    const UINT inner = edge & (BDR_RAISEDINNER | BDR_SUNKENINNER);
    if (outer == BDR_RAISEDOUTER) {
        Ring(s, r, Sys(COLOR_3DLIGHT), Sys(COLOR_3DDKSHADOW), flags, clip);
    } else if (outer == BDR_SUNKENOUTER) {
        Ring(s, r, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT), flags, clip);
    }
    if (outer != 0) {
        InflateRect(&r, -1, -1);
    }
    if (inner == BDR_RAISEDINNER) {
        Ring(s, r, Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_BTNSHADOW), flags, clip);
    } else if (inner == BDR_SUNKENINNER) {
        Ring(s, r, Sys(COLOR_3DDKSHADOW), Sys(COLOR_3DLIGHT), flags, clip);
    }
}

namespace {

// ---- Glyphs and icons ------------------------------------------------------------------

void DrawComboArrow(Surface& s, const RECT& r, COLORREF color, const RECT& clip)
{
    // A 7-pixel-wide triangle pointing down, centred in the button.
    const int x = static_cast<int>(r.left + (r.right - r.left - 7) / 2);
    const int y = static_cast<int>(r.top + (r.bottom - r.top - 4) / 2);
    for (int row = 0; row < 4; ++row) {
        s.HLine(x + row, x + 7 - row, y + row, color, clip);
    }
}

void DrawCheckMark(Surface& s, const RECT& r, COLORREF color, const RECT& clip)
{
    // The classic 7x7 tick: three pixels a column, down to the third column, then up.
    static const int start[7] = {2, 3, 4, 3, 2, 1, 0};
    const int x = static_cast<int>(r.left + (r.right - r.left - 7) / 2);
    const int y = static_cast<int>(r.top + (r.bottom - r.top - 7) / 2);
    for (int col = 0; col < 7; ++col) {
        s.VLine(x + col, y + start[col], y + start[col] + 3, color, clip);
    }
}

void Disc(Surface& s, int cx, int cy, double radius, COLORREF color, const RECT& clip)
{
    for (int y = cy - static_cast<int>(radius) - 1; y <= cy + static_cast<int>(radius) + 1; ++y) {
        for (int x = cx - static_cast<int>(radius) - 1; x <= cx + static_cast<int>(radius) + 1; ++x) {
            const double dx = x - cx + 0.5;
            const double dy = y - cy + 0.5;
            if (dx * dx + dy * dy <= radius * radius) {
                s.Put(x, y, color, clip);
            }
        }
    }
}

void CenteredSymbol(Surface& s, int cx, int cy, const char* text, COLORREF color, const RECT& clip)
{
    const int width = BoldTextWidth(text);
    const int baseline = cy - FontHeight() / 2 + FontAscent();
    DrawTextLine(s, cx - width / 2, baseline, text, color, clip, true);
}

// The program's icon from its resources: the 32x32 image of the group, 4 or 8 bits a pixel.
bool DrawResourceIcon(Surface& s, int x, int y, int id, const RECT& clip)
{
    const HRSRC group = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_GROUP_ICON);
    if (group == nullptr) {
        return false;
    }
    const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, group)));
    const DWORD dirSize = SizeofResource(nullptr, group);
    if (dir == nullptr || dirSize < 6) {
        return false;
    }
    const int count = dir[4] | (dir[5] << 8);
    int imageId = -1;
    for (int i = 0; i < count && 6u + static_cast<unsigned>(i + 1) * 14u <= dirSize; ++i) {
        const BYTE* e = dir + 6 + i * 14;
        const int width = e[0] == 0 ? 256 : e[0];
        if (width == 32 || imageId < 0) {
            imageId = e[12] | (e[13] << 8);
        }
    }
    const HRSRC image = imageId < 0 ? nullptr : FindResourceA(nullptr, MAKEINTRESOURCEA(imageId), RT_ICON);
    if (image == nullptr) {
        return false;
    }
    const auto* bits = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, image)));
    const DWORD size = SizeofResource(nullptr, image);
    auto u32 = [bits](DWORD at) {
        return static_cast<std::uint32_t>(bits[at] | (bits[at + 1] << 8) | (bits[at + 2] << 16)) |
               (static_cast<std::uint32_t>(bits[at + 3]) << 24);
    };
    if (bits == nullptr || size < 40 || u32(0) < 40) {
        return false;
    }
    const auto header = u32(0);
    const auto width = static_cast<int>(u32(4));
    const auto height = static_cast<int>(u32(8)) / 2;
    const int bitCount = bits[14] | (bits[15] << 8);
    if (width <= 0 || width > 256 || height <= 0 || height > 256 || (bitCount != 4 && bitCount != 8)) {
        return false;
    }
    std::uint32_t colors = u32(32);
    if (colors == 0 || colors > (1u << bitCount)) {
        colors = 1u << bitCount;
    }
    const std::size_t palette = header;
    const std::size_t xorBits = palette + colors * 4;
    const std::size_t xorStride = ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32) * 4;
    const std::size_t andBits = xorBits + xorStride * static_cast<std::size_t>(height);
    const std::size_t andStride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    if (andBits + andStride * static_cast<std::size_t>(height) > size) {
        return false;
    }
    for (int row = 0; row < height; ++row) {
        const std::size_t src = static_cast<std::size_t>(height - 1 - row);  // bottom-up
        for (int col = 0; col < width; ++col) {
            const auto c = static_cast<std::size_t>(col);
            const bool transparent = ((bits[andBits + src * andStride + c / 8] >> (7 - c % 8)) & 1) != 0;
            if (transparent) {
                continue;
            }
            std::size_t index = 0;
            if (bitCount == 4) {
                const BYTE b = bits[xorBits + src * xorStride + c / 2];
                index = c % 2 == 0 ? (b >> 4) : (b & 0x0F);
            } else {
                index = bits[xorBits + src * xorStride + c];
            }
            if (index >= colors) {
                continue;
            }
            const std::size_t p = palette + index * 4;
            s.Put(x + col, y + row, RGB(bits[p + 2], bits[p + 1], bits[p]), clip);
        }
    }
    return true;
}

void DrawIconKind(Surface& s, int x, int y, int kind, const RECT& clip)
{
    const int cx = x + 16;
    const int cy = y + 16;
    switch (kind) {
    case 32513:  // IDI_HAND: a red disc with a white cross
        Disc(s, cx, cy, 14.5, RGB(128, 0, 0), clip);
        Disc(s, cx, cy, 13.5, RGB(255, 0, 0), clip);
        for (int i = -6; i <= 6; ++i) {
            for (int t = -1; t <= 1; ++t) {
                s.Put(cx + i + t, cy + i, RGB(255, 255, 255), clip);
                s.Put(cx + i + t, cy - i - 1, RGB(255, 255, 255), clip);
            }
        }
        break;
    case 32515:  // IDI_EXCLAMATION: a yellow triangle with a black mark
        for (int row = 0; row < 28; ++row) {
            const int half = row / 2 + 1;
            s.HLine(cx - half - 1, cx + half + 1, y + 2 + row, RGB(0, 0, 0), clip);
            if (row > 1 && row < 27) {
                s.HLine(cx - half, cx + half, y + 2 + row, RGB(255, 255, 0), clip);
            }
        }
        CenteredSymbol(s, cx, cy + 4, "!", RGB(0, 0, 0), clip);
        break;
    case 32514:  // IDI_QUESTION
    case 32516:  // IDI_ASTERISK
        Disc(s, cx, cy, 14.5, RGB(0, 0, 128), clip);
        Disc(s, cx, cy, 13.5, RGB(255, 255, 255), clip);
        CenteredSymbol(s, cx, cy, kind == 32514 ? "?" : "i", RGB(0, 0, 255), clip);
        break;
    default:
        if (kind > 0x10000 && kind < 0x20000 && DrawResourceIcon(s, x, y, kind - 0x10000, clip)) {
            break;
        }
        // An icon the stand-in cannot show: a plain framed square keeps its place visible.
        s.Fill(RECT{x + 2, y + 2, x + 30, y + 30}, RGB(255, 255, 255), clip);
        s.Frame(RECT{x + 2, y + 2, x + 30, y + 30}, RGB(0, 0, 0), clip);
        break;
    }
}

// ---- Recorded operations ---------------------------------------------------------------

RECT Shift(RECT r, int dx, int dy)
{
    OffsetRect(&r, dx, dy);
    return r;
}

RECT Clip(const RECT& a, const RECT& b)
{
    RECT r{};
    IntersectRect(&r, &a, &b);
    return r;
}

void DrawFocus(Surface& s, const RECT& r, const RECT& clip)
{
    // Every other pixel of the outline, inverted, as the focus rectangle's pattern draws it.
    for (LONG x = r.left; x < r.right; ++x) {
        if (((x - r.left) & 1) == 0) {
            s.Invert(static_cast<int>(x), static_cast<int>(r.top), clip);
            if (r.bottom - 1 > r.top) {
                s.Invert(static_cast<int>(x), static_cast<int>(r.bottom - 1), clip);
            }
        }
    }
    for (LONG y = r.top + 1; y < r.bottom - 1; ++y) {
        if (((y - r.top) & 1) == 0) {
            s.Invert(static_cast<int>(r.left), static_cast<int>(y), clip);
            if (r.right - 1 > r.left) {
                s.Invert(static_cast<int>(r.right - 1), static_cast<int>(y), clip);
            }
        }
    }
}

void RunOp(Surface& s, const PaintOp& op, int dx, int dy, const RECT& clip)
{
    const RECT r = Shift(op.rect, dx, dy);
    switch (op.kind) {
    case PaintOp::Kind::Fill: s.Fill(r, op.brushColor, clip); break;
    case PaintOp::Kind::Frame: s.Frame(r, op.brushColor, clip); break;
    case PaintOp::Kind::Edge: DrawEdgeInto(s, r, op.format & 0xFFFFu, op.format >> 16, clip); break;
    case PaintOp::Kind::FocusRect: DrawFocus(s, r, clip); break;
    case PaintOp::Kind::Icon: DrawIconKind(s, static_cast<int>(r.left), static_cast<int>(r.top), IconKind(op.icon), clip); break;
    case PaintOp::Kind::Glyph:
        if (op.format == GLYPH_COMBO_ARROW) {
            DrawComboArrow(s, r, op.textColor, clip);
        } else if (op.format == GLYPH_CHECK_MARK) {
            DrawCheckMark(s, r, op.textColor, clip);
        }
        break;
    case PaintOp::Kind::Text: {
        if (op.bkMode == OPAQUE) {
            s.Fill(r, op.bkColor, clip);
        }
        // Line breaks start a new line at the text's left edge.
        int line = 0;
        std::size_t begin = 0;
        while (begin <= op.text.size()) {
            std::size_t end = op.text.find('\n', begin);
            if (end == std::string::npos) {
                end = op.text.size();
            }
            std::string_view part(op.text.data() + begin, end - begin);
            if (!part.empty() && part.back() == '\r') {
                part.remove_suffix(1);
            }
            const int baseline = static_cast<int>(r.top) + FontAscent() + line * FontHeight();
            DrawTextLine(s, static_cast<int>(r.left), baseline, part, op.textColor, clip);
            ++line;
            begin = end + 1;
        }
        break;
    }
    }
}

// ---- Frames ----------------------------------------------------------------------------

constexpr int CAPTION_BUTTON_WIDTH = 16;
constexpr int CAPTION_BUTTON_HEIGHT = 14;

COLORREF Mix(COLORREF a, COLORREF b, int at, int span)
{
    auto one = [at, span](int x, int y) { return span <= 0 ? x : x + (y - x) * at / span; };
    return RGB(one(GetRValue(a), GetRValue(b)), one(GetGValue(a), GetGValue(b)), one(GetBValue(a), GetBValue(b)));
}

enum class CaptionButton { Close, Maximize, Minimize };

void DrawCaptionButton(Surface& s, const RECT& r, CaptionButton kind, bool enabled, const RECT& clip)
{
    DrawEdgeInto(s, r, EDGE_RAISED, BF_RECT, clip);
    RECT face = r;
    InflateRect(&face, -2, -2);
    s.Fill(face, Sys(COLOR_BTNFACE), clip);
    const int x = static_cast<int>(r.left);
    const int y = static_cast<int>(r.top);
    auto mark = [&](int ox, int oy, COLORREF color) {
        switch (kind) {
        case CaptionButton::Close:
            for (int i = 0; i < 6; ++i) {
                s.Fill(RECT{ox + 4 + i, oy + 3 + i, ox + 6 + i, oy + 4 + i}, color, clip);
                s.Fill(RECT{ox + 4 + i, oy + 8 - i, ox + 6 + i, oy + 9 - i}, color, clip);
            }
            break;
        case CaptionButton::Maximize:
            s.Frame(RECT{ox + 3, oy + 2, ox + 12, oy + 11}, color, clip);
            s.HLine(ox + 3, ox + 12, oy + 3, color, clip);
            break;
        case CaptionButton::Minimize:
            s.Fill(RECT{ox + 4, oy + 9, ox + 10, oy + 11}, color, clip);
            break;
        }
    };
    if (enabled) {
        mark(x, y, Sys(COLOR_BTNTEXT));
    } else {
        mark(x + 1, y + 1, Sys(COLOR_BTNHIGHLIGHT));
        mark(x, y, Sys(COLOR_BTNSHADOW));
    }
}

// Draws the window's frame and caption inside `outer` and returns what is left inside them.
RECT DrawNonClient(Surface& s, const Window& w, RECT outer, const RECT& clip)
{
    const DWORD style = w.style;
    const DWORD ex = w.exStyle;
    if ((style & WS_THICKFRAME) != 0) {
        DrawEdgeInto(s, outer, EDGE_RAISED, BF_RECT, clip);
        InflateRect(&outer, -2, -2);
        s.Frame(outer, Sys(COLOR_ACTIVEBORDER), clip);
        InflateRect(&outer, -1, -1);
        s.Frame(outer, Sys(COLOR_ACTIVEBORDER), clip);
        InflateRect(&outer, -1, -1);
    } else if ((style & WS_DLGFRAME) != 0 || (ex & WS_EX_DLGMODALFRAME) != 0) {
        DrawEdgeInto(s, outer, EDGE_RAISED, BF_RECT, clip);
        InflateRect(&outer, -2, -2);
        s.Frame(outer, Sys(COLOR_BTNFACE), clip);
        InflateRect(&outer, -1, -1);
    } else if ((style & WS_BORDER) != 0) {
        s.Frame(outer, Sys(COLOR_WINDOWFRAME), clip);
        InflateRect(&outer, -1, -1);
    }
    if ((style & WS_CAPTION) == WS_CAPTION) {
        const RECT band{outer.left, outer.top, outer.right, outer.top + GetSystemMetrics(SM_CYCAPTION) - 1};
        const bool active = GetActiveWindow() == w.hwnd;
        const COLORREF from = active ? Sys(COLOR_ACTIVECAPTION) : Sys(COLOR_INACTIVECAPTION);
        const COLORREF to = active ? RGB(166, 202, 240) : RGB(192, 192, 192);
        const int span = static_cast<int>(band.right - band.left);
        for (LONG x = band.left; x < band.right; ++x) {
            s.VLine(static_cast<int>(x), static_cast<int>(band.top), static_cast<int>(band.bottom),
                    Mix(from, to, static_cast<int>(x - band.left), span), clip);
        }
        s.HLine(static_cast<int>(band.left), static_cast<int>(band.right), static_cast<int>(band.bottom),
                Sys(COLOR_BTNFACE), clip);
        // The caption buttons: close, then maximize and minimize when either box is asked for.
        LONG textRight = band.right - 2;
        if ((style & WS_SYSMENU) != 0) {
            const int top = static_cast<int>(band.top) + 2;
            RECT close{band.right - 2 - CAPTION_BUTTON_WIDTH, top, band.right - 2, top + CAPTION_BUTTON_HEIGHT};
            DrawCaptionButton(s, close, CaptionButton::Close, true, clip);
            textRight = close.left - 2;
            if ((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) != 0) {
                const RECT max{close.left - 2 - CAPTION_BUTTON_WIDTH, close.top, close.left - 2, close.bottom};
                const RECT min{max.left - CAPTION_BUTTON_WIDTH, close.top, max.left, close.bottom};
                DrawCaptionButton(s, max, CaptionButton::Maximize, (style & WS_MAXIMIZEBOX) != 0, clip);
                DrawCaptionButton(s, min, CaptionButton::Minimize, (style & WS_MINIMIZEBOX) != 0, clip);
                textRight = min.left - 2;
            }
        }
        const RECT textClip = Clip(clip, RECT{band.left, band.top, textRight, band.bottom});
        const int baseline = static_cast<int>(band.top + (band.bottom - band.top - FontHeight()) / 2) + FontAscent();
        DrawTextLine(s, static_cast<int>(band.left) + 3, baseline, w.text,
                     active ? Sys(COLOR_CAPTIONTEXT) : Sys(COLOR_INACTIVECAPTIONTEXT), textClip, true);
        outer.top += GetSystemMetrics(SM_CYCAPTION);
    }
    if ((ex & WS_EX_CLIENTEDGE) != 0) {
        DrawEdgeInto(s, outer, EDGE_SUNKEN, BF_RECT, clip);
        InflateRect(&outer, -2, -2);
    }
    if ((ex & WS_EX_STATICEDGE) != 0) {
        DrawEdgeInto(s, outer, BDR_SUNKENOUTER, BF_RECT, clip);
        InflateRect(&outer, -1, -1);
    }
    return outer;
}

// One window and its children: `origin` is the screen point at the surface's corner.
void RenderWindow(Surface& s, HWND hwnd, POINT origin, const RECT& parentClip)
{
    const WindowRef keep = Ref(hwnd);
    if (!keep || (keep->style & WS_VISIBLE) == 0) {
        return;
    }
    const Window& w = *keep;
    const RECT outer = Shift(WindowRectScreen(w), static_cast<int>(-origin.x), static_cast<int>(-origin.y));
    const RECT clip = Clip(outer, parentClip);
    if (IsRectEmpty(&clip)) {
        return;
    }
    DrawNonClient(s, w, outer, clip);
    if (w.minimized) {
        return;
    }
    const RECT client = Shift(ClientRectScreen(w), static_cast<int>(-origin.x), static_cast<int>(-origin.y));
    const RECT clientClip = Clip(client, clip);
    if (IsRectEmpty(&clientClip)) {
        return;
    }
    if (!w.painted && w.cls) {
        COLORREF background = 0;
        if (BrushToColor(w.cls->wc.hbrBackground, background)) {
            s.Fill(client, background, clientClip);
        }
    }
    for (const PaintOp& op : w.lastPaint) {
        RunOp(s, op, static_cast<int>(client.left), static_cast<int>(client.top), clientClip);
    }
    const std::vector<HWND> children = w.children;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        RenderWindow(s, *it, origin, clientClip);
    }
}

bool IsTopLevel(const Window& w)
{
    return (w.style & WS_CHILD) == 0;
}

}  // namespace

Surface RenderTopLevel(HWND topLevel)
{
    Window* w = Find(topLevel);
    if (w == nullptr || !IsTopLevel(*w)) {
        return Surface();
    }
    const RECT outer = WindowRectScreen(*w);
    Surface s(static_cast<int>(outer.right - outer.left), static_cast<int>(outer.bottom - outer.top), Sys(COLOR_BTNFACE));
    const RECT all{0, 0, s.width, s.height};
    RenderWindow(s, topLevel, POINT{outer.left, outer.top}, all);
    return s;
}

Surface RenderScreen()
{
    Surface s(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), Sys(COLOR_BACKGROUND));
    const RECT all{0, 0, s.width, s.height};
    const std::vector<HWND> tops = St().topLevels;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        RenderWindow(s, *it, POINT{0, 0}, all);
    }
    return s;
}

}  // namespace winapi_posix::user
