// The X11 presenter: once the program has asked for the screen, every top-level window
// of the stand-in is an X11 window showing its rendered surface, and the X server's
// pointer and key events join the queue as the user's input. The stand-in stays the one
// that knows the windows; the presenter brings the X windows in line with it whenever the
// queue runs dry, so windows that come and go within one burst of messages never flash.
#include "surface.h"
#include "x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace winapi_posix::user {
namespace {

struct Shown {
    ::Window xid = 0;
    bool mapped = false;
    bool framed = false;  // has a caption: X shows the client area, the window manager the frame
    RECT area{};          // the part of the window shown, on the stand-in's screen
    std::string title;
    bool fixedSize = true;
    bool exposed = true;  // the whole picture goes out at the next sync
    std::vector<std::uint32_t> pixels;  // what the X window shows now
};

struct Presenter {
    Display* display = nullptr;
    bool tried = false;
    Atom wmProtocols = 0;
    Atom wmDelete = 0;
    Atom netWmName = 0;
    Atom utf8 = 0;
    std::map<std::uintptr_t, Shown> shown;
    std::vector<char> buffer;  // image data of the last XPutImage
};

Presenter& P()
{
    static Presenter p;
    return p;
}

int IgnoreErrors(Display*, XErrorEvent*)
{
    // A window can be gone on the server's side before the stand-in has caught up.
    return 0;
}

std::uintptr_t Key(HWND hwnd)
{
    return reinterpret_cast<std::uintptr_t>(hwnd);
}

std::string Utf8(std::string_view cp1250)
{
    std::string out;
    for (const char ch : cp1250) {
        const auto byte = static_cast<unsigned char>(ch);
        char32_t u = byte < 0x80 ? byte : Cp1250ToUnicode(byte);
        if (u == 0) {
            u = U'?';
        }
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

// The code page 1250 byte of a character, or 0 when the code page has none.
unsigned char ToCp1250(char32_t u)
{
    if (u > 0 && u < 0x80) {
        return static_cast<unsigned char>(u);
    }
    for (int b = 0x80; b <= 0xFF; ++b) {
        if (Cp1250ToUnicode(static_cast<unsigned char>(b)) == u) {
            return static_cast<unsigned char>(b);
        }
    }
    return 0;
}

// The character a keysym types: Latin-1 keysyms are their code point, the Unicode ones
// carry it, and the old Latin-2 keysyms of the Central European letters are listed.
char32_t KeysymCharacter(KeySym sym)
{
    if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF)) {
        return static_cast<char32_t>(sym);
    }
    if ((sym & 0xFF000000) == 0x01000000) {
        return static_cast<char32_t>(sym & 0x00FFFFFF);
    }
    static const struct {
        KeySym sym;
        char32_t u;
    } latin2[] = {
        {XK_Ccaron, 0x010C}, {XK_ccaron, 0x010D}, {XK_Dcaron, 0x010E}, {XK_dcaron, 0x010F},
        {XK_Ecaron, 0x011A}, {XK_ecaron, 0x011B}, {XK_Ncaron, 0x0147}, {XK_ncaron, 0x0148},
        {XK_Rcaron, 0x0158}, {XK_rcaron, 0x0159}, {XK_Scaron, 0x0160}, {XK_scaron, 0x0161},
        {XK_Tcaron, 0x0164}, {XK_tcaron, 0x0165}, {XK_Uring, 0x016E}, {XK_uring, 0x016F},
        {XK_Zcaron, 0x017D}, {XK_zcaron, 0x017E}, {XK_Lcaron, 0x013D}, {XK_lcaron, 0x013E},
        {XK_Lacute, 0x0139}, {XK_lacute, 0x013A}, {XK_Racute, 0x0154}, {XK_racute, 0x0155},
    };
    for (const auto& e : latin2) {
        if (e.sym == sym) {
            return e.u;
        }
    }
    return 0;
}

// The virtual key of a key that has one; 0 for the rest (they may still type a character).
UINT VirtualKey(KeySym sym)
{
    if (sym >= XK_a && sym <= XK_z) {
        return static_cast<UINT>('A' + (sym - XK_a));
    }
    if (sym >= XK_A && sym <= XK_Z) {
        return static_cast<UINT>('A' + (sym - XK_A));
    }
    if (sym >= XK_0 && sym <= XK_9) {
        return static_cast<UINT>('0' + (sym - XK_0));
    }
    if (sym >= XK_KP_0 && sym <= XK_KP_9) {
        return static_cast<UINT>(VK_NUMPAD0 + (sym - XK_KP_0));
    }
    if (sym >= XK_F1 && sym <= XK_F12) {
        return static_cast<UINT>(VK_F1 + (sym - XK_F1));
    }
    switch (sym) {
    case XK_Return: case XK_KP_Enter: return VK_RETURN;
    case XK_Tab: case XK_ISO_Left_Tab: return VK_TAB;
    case XK_Escape: return VK_ESCAPE;
    case XK_BackSpace: return VK_BACK;
    case XK_Delete: case XK_KP_Delete: return VK_DELETE;
    case XK_Insert: case XK_KP_Insert: return VK_INSERT;
    case XK_Home: case XK_KP_Home: return VK_HOME;
    case XK_End: case XK_KP_End: return VK_END;
    case XK_Left: case XK_KP_Left: return VK_LEFT;
    case XK_Right: case XK_KP_Right: return VK_RIGHT;
    case XK_Up: case XK_KP_Up: return VK_UP;
    case XK_Down: case XK_KP_Down: return VK_DOWN;
    case XK_Prior: case XK_KP_Prior: return VK_PRIOR;
    case XK_Next: case XK_KP_Next: return VK_NEXT;
    case XK_space: return VK_SPACE;
    case XK_Shift_L: case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L: case XK_Control_R: return VK_CONTROL;
    case XK_Alt_L: case XK_Alt_R: case XK_Meta_L: case XK_Meta_R: return VK_MENU;
    case XK_Caps_Lock: return VK_CAPITAL;
    case XK_KP_Multiply: return VK_MULTIPLY;
    case XK_KP_Add: return VK_ADD;
    case XK_KP_Subtract: return VK_SUBTRACT;
    case XK_KP_Decimal: case XK_KP_Separator: return VK_DECIMAL;
    case XK_KP_Divide: return VK_DIVIDE;
    case XK_semicolon: case XK_colon: return VK_OEM_1;
    case XK_equal: case XK_plus: return VK_OEM_PLUS;
    case XK_comma: case XK_less: return VK_OEM_COMMA;
    case XK_minus: case XK_underscore: return VK_OEM_MINUS;
    case XK_period: case XK_greater: return VK_OEM_PERIOD;
    case XK_slash: case XK_question: return VK_OEM_2;
    case XK_grave: case XK_asciitilde: return VK_OEM_3;
    case XK_bracketleft: case XK_braceleft: return VK_OEM_4;
    case XK_backslash: case XK_bar: return VK_OEM_5;
    case XK_bracketright: case XK_braceright: return VK_OEM_6;
    case XK_apostrophe: case XK_quotedbl: return VK_OEM_7;
    default: return 0;
    }
}

void Push(UINT message, UINT vk, BYTE character, POINT pt)
{
    InputEvent e;
    e.message = message;
    e.vk = vk;
    e.character = character;
    e.pt = pt;
    St().input.push_back(e);
}

void OnKey(XKeyEvent& ev, bool down)
{
    // The unshifted keysym names the key; the shifted one is the character it types.
    const KeySym base = XLookupKeysym(&ev, 0);
    KeySym typed = NoSymbol;
    char ignored[8];
    XLookupString(&ev, ignored, sizeof ignored, &typed, nullptr);
    UINT vk = VirtualKey(base);
    if (vk == 0) {
        vk = VirtualKey(typed);
    }
    if (vk != 0) {
        Push(down ? WM_KEYDOWN : WM_KEYUP, vk, 0, POINT{});
        return;
    }
    const unsigned char c = ToCp1250(KeysymCharacter(typed != NoSymbol ? typed : base));
    if (c != 0) {
        Push(down ? WM_KEYDOWN : WM_KEYUP, VK_PACKET, c, POINT{});
    }
}

void OnPointer(const Shown& shown, UINT message, int x, int y)
{
    const POINT pt{shown.area.left + x, shown.area.top + y};
    auto& input = St().input;
    if (message == WM_MOUSEMOVE && !input.empty() && input.back().message == WM_MOUSEMOVE) {
        input.back().pt = pt;  // only the latest position of a move matters
        return;
    }
    Push(message, 0, 0, pt);
}

HWND Owner(::Window xid)
{
    for (const auto& [key, shown] : P().shown) {
        if (shown.xid == xid) {
            return reinterpret_cast<HWND>(key);
        }
    }
    return nullptr;
}

void OnEvent(XEvent& ev)
{
    Presenter& p = P();
    const HWND hwnd = Owner(ev.xany.window);
    const auto it = p.shown.find(Key(hwnd));
    if (hwnd == nullptr || it == p.shown.end()) {
        return;
    }
    Shown& shown = it->second;
    switch (ev.type) {
    case Expose:
        shown.exposed = true;
        break;
    case KeyPress:
    case KeyRelease:
        OnKey(ev.xkey, ev.type == KeyPress);
        break;
    case ButtonPress:
    case ButtonRelease: {
        const bool down = ev.type == ButtonPress;
        if (ev.xbutton.button == Button1) {
            OnPointer(shown, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, ev.xbutton.x, ev.xbutton.y);
        } else if (ev.xbutton.button == Button3) {
            OnPointer(shown, down ? WM_RBUTTONDOWN : WM_RBUTTONUP, ev.xbutton.x, ev.xbutton.y);
        }
        break;
    }
    case MotionNotify:
        OnPointer(shown, WM_MOUSEMOVE, ev.xmotion.x, ev.xmotion.y);
        break;
    case ConfigureNotify:
        // A window manager's move (sent, in root coordinates) moves the window in the
        // stand-in too, so that a drop-down list still opens under its combo box.
        if (ev.xconfigure.send_event && shown.framed &&
            (ev.xconfigure.x != shown.area.left || ev.xconfigure.y != shown.area.top)) {
            if (Window* w = Find(hwnd)) {
                const RECT outer = WindowRectScreen(*w);
                const int dx = ev.xconfigure.x - shown.area.left;
                const int dy = ev.xconfigure.y - shown.area.top;
                OffsetRect(&shown.area, dx, dy);
                SetWindowPos(hwnd, nullptr, outer.left + dx, outer.top + dy, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
        break;
    case ClientMessage:
        if (ev.xclient.message_type == p.wmProtocols && static_cast<Atom>(ev.xclient.data.l[0]) == p.wmDelete &&
            IsWindowEnabled(hwnd) != FALSE) {
            PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        break;
    default:
        break;
    }
}

void SetTitle(const Shown& shown, const std::string& text)
{
    Presenter& p = P();
    const std::string utf8 = Utf8(text);
    XChangeProperty(p.display, shown.xid, p.netWmName, p.utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
    std::string latin1;
    for (const char ch : text) {
        latin1 += (static_cast<unsigned char>(ch) < 0x80) ? ch : '?';
    }
    XStoreName(p.display, shown.xid, latin1.c_str());
}

void SetSizeHints(const Shown& shown, bool fixed)
{
    XSizeHints* hints = XAllocSizeHints();
    if (hints == nullptr) {
        return;
    }
    const int width = shown.area.right - shown.area.left;
    const int height = shown.area.bottom - shown.area.top;
    hints->flags = USPosition | PPosition | USSize | PSize;
    hints->x = shown.area.left;
    hints->y = shown.area.top;
    hints->width = width;
    hints->height = height;
    if (fixed) {
        hints->flags |= PMinSize | PMaxSize;
        hints->min_width = hints->max_width = width;
        hints->min_height = hints->max_height = height;
    }
    XSetWMNormalHints(P().display, shown.xid, hints);
    XFree(hints);
}

void Create(HWND hwnd, const Window& w, Shown& shown)
{
    Presenter& p = P();
    const int screen = DefaultScreen(p.display);
    XSetWindowAttributes attrs{};
    attrs.background_pixel = BlackPixel(p.display, screen);
    attrs.override_redirect = shown.framed ? False : True;  // an open list is not managed
    attrs.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                       PointerMotionMask | StructureNotifyMask;
    const auto width = static_cast<unsigned>(std::max<LONG>(1, shown.area.right - shown.area.left));
    const auto height = static_cast<unsigned>(std::max<LONG>(1, shown.area.bottom - shown.area.top));
    shown.xid = XCreateWindow(p.display, RootWindow(p.display, screen), shown.area.left, shown.area.top, width,
                              height, 0, CopyFromParent, InputOutput, CopyFromParent,
                              CWBackPixel | CWOverrideRedirect | CWEventMask, &attrs);
    if (shown.framed) {
        XSetWMProtocols(p.display, shown.xid, &p.wmDelete, 1);
        XWMHints* wm = XAllocWMHints();
        if (wm != nullptr) {
            wm->flags = InputHint;
            wm->input = True;
            XSetWMHints(p.display, shown.xid, wm);
            XFree(wm);
        }
        const HWND owner = w.owner != nullptr ? Root(w.owner) : nullptr;
        const auto found = p.shown.find(Key(owner));
        if (owner != nullptr && found != p.shown.end() && found->second.xid != 0) {
            XSetTransientForHint(p.display, shown.xid, found->second.xid);
        }
        shown.fixedSize = (w.style & WS_THICKFRAME) == 0;
        SetSizeHints(shown, shown.fixedSize);
    }
    (void)hwnd;
}

// Copies the rendered window's shown part to its X window.
void Put(Shown& shown, const Surface& surface, const Window& w)
{
    Presenter& p = P();
    const RECT outer = WindowRectScreen(w);
    const int ox = shown.area.left - outer.left;
    const int oy = shown.area.top - outer.top;
    const int width = shown.area.right - shown.area.left;
    const int height = shown.area.bottom - shown.area.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    std::vector<std::uint32_t> part(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int sx = ox + x;
            const int sy = oy + y;
            part[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                surface.Contains(sx, sy)
                    ? surface.pixels[static_cast<std::size_t>(sy) * static_cast<std::size_t>(surface.width) +
                                     static_cast<std::size_t>(sx)]
                    : 0;
        }
    }
    if (!shown.exposed && part == shown.pixels) {
        return;
    }
    const int screen = DefaultScreen(p.display);
    Visual* visual = DefaultVisual(p.display, screen);
    const int depth = DefaultDepth(p.display, screen);
    p.buffer.assign(part.size() * 4, 0);
    XImage* image = XCreateImage(p.display, visual, static_cast<unsigned>(depth), ZPixmap, 0, p.buffer.data(),
                                 static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (image == nullptr) {
        return;
    }
    const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
                        visual->red_mask == 0xFF0000 && visual->green_mask == 0x00FF00 && visual->blue_mask == 0x0000FF;
    if (direct) {
        std::memcpy(p.buffer.data(), part.data(), p.buffer.size());
    } else {
        // Another pixel layout: place each channel under the visual's masks.
        auto scale = [](std::uint32_t value, unsigned long mask) -> unsigned long {
            if (mask == 0) {
                return 0;
            }
            int shift = 0;
            while (((mask >> shift) & 1u) == 0) {
                ++shift;
            }
            const unsigned long max = mask >> shift;
            return ((static_cast<unsigned long>(value) * max / 255u) << shift) & mask;
        };
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::uint32_t px =
                    part[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
                const unsigned long v = scale((px >> 16) & 0xFF, visual->red_mask) |
                                        scale((px >> 8) & 0xFF, visual->green_mask) |
                                        scale(px & 0xFF, visual->blue_mask);
                XPutPixel(image, x, y, v);
            }
        }
    }
    XPutImage(p.display, shown.xid, DefaultGC(p.display, screen), image, 0, 0, 0, 0, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    image->data = nullptr;  // the buffer is ours
    XDestroyImage(image);
    shown.pixels = std::move(part);
    shown.exposed = false;
}

}  // namespace

int ScreenConnect()
{
    Presenter& p = P();
    if (!p.tried) {
        p.tried = true;
        const char* name = std::getenv("DISPLAY");
        if (name != nullptr && *name != '\0') {
            p.display = XOpenDisplay(name);
        }
        if (p.display != nullptr) {
            XSetErrorHandler(IgnoreErrors);
            p.wmProtocols = XInternAtom(p.display, "WM_PROTOCOLS", False);
            p.wmDelete = XInternAtom(p.display, "WM_DELETE_WINDOW", False);
            p.netWmName = XInternAtom(p.display, "_NET_WM_NAME", False);
            p.utf8 = XInternAtom(p.display, "UTF8_STRING", False);
        }
    }
    return p.display != nullptr ? 1 : 0;
}

int ScreenFd()
{
    return P().display != nullptr ? ConnectionNumber(P().display) : -1;
}

void ScreenPump()
{
    Presenter& p = P();
    if (p.display == nullptr) {
        return;
    }
    while (XPending(p.display) > 0) {
        XEvent ev;
        XNextEvent(p.display, &ev);
        OnEvent(ev);
    }
}

bool ScreenSync()
{
    Presenter& p = P();
    if (p.display == nullptr) {
        return false;
    }
    // Windows that are gone take their X windows with them.
    for (auto it = p.shown.begin(); it != p.shown.end();) {
        Window* w = Find(reinterpret_cast<HWND>(it->first));
        if (w == nullptr || w->parent != nullptr || (w->style & WS_CHILD) != 0) {
            XDestroyWindow(p.display, it->second.xid);
            it = p.shown.erase(it);
        } else {
            ++it;
        }
    }
    // Bottom first, so that an owner has its X window before the boxes it owns.
    const std::vector<HWND> tops(St().topLevels.rbegin(), St().topLevels.rend());
    for (const HWND hwnd : tops) {
        Window* w = Find(hwnd);
        if (w == nullptr) {
            continue;
        }
        const bool visible = (w->style & WS_VISIBLE) != 0 && !w->minimized;
        auto found = p.shown.find(Key(hwnd));
        if (found == p.shown.end() && !visible) {
            continue;  // made only when first shown
        }
        const bool framed = (w->style & WS_CAPTION) == WS_CAPTION;
        const RECT area = framed ? ClientRectScreen(*w) : WindowRectScreen(*w);
        if (found == p.shown.end()) {
            Shown fresh;
            fresh.framed = framed;
            fresh.area = area;
            Create(hwnd, *w, fresh);
            found = p.shown.emplace(Key(hwnd), std::move(fresh)).first;
        }
        Shown& shown = found->second;
        if (!EqualRect(&shown.area, &area)) {
            const bool resized = shown.area.right - shown.area.left != area.right - area.left ||
                                 shown.area.bottom - shown.area.top != area.bottom - area.top;
            shown.area = area;
            if (framed) {
                SetSizeHints(shown, shown.fixedSize);
            }
            XMoveResizeWindow(p.display, shown.xid, area.left, area.top,
                              static_cast<unsigned>(std::max<LONG>(1, area.right - area.left)),
                              static_cast<unsigned>(std::max<LONG>(1, area.bottom - area.top)));
            shown.exposed = shown.exposed || resized;
        }
        if (framed && shown.title != w->text) {
            shown.title = w->text;
            SetTitle(shown, shown.title);
        }
        if (visible != shown.mapped) {
            shown.mapped = visible;
            if (visible) {
                XMapRaised(p.display, shown.xid);
                shown.exposed = true;
            } else {
                XUnmapWindow(p.display, shown.xid);
            }
        }
        if (shown.mapped) {
            Put(shown, RenderTopLevel(hwnd), *w);
        }
    }
    XFlush(p.display);
    return XEventsQueued(p.display, QueuedAlready) > 0;
}

}  // namespace winapi_posix::user
