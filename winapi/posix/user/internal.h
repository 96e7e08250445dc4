// The window "server" of the stand-in: every window, class, timer, queued message and
// the focus and activation state live here, reached by the Win32 calls and the testing
// interface only. Windows are shared objects so that a window procedure that destroys
// its own window (or its parent) still runs on memory that stays valid until it returns;
// the handle itself is dead from the moment the window is gone.
#pragma once

#include "winapi.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace winapi_posix::user {

// Per-window state of a standard control, owned by its window.
struct ControlData {
    virtual ~ControlData() = default;
};

// One recorded drawing operation, in the window's client coordinates. The list of a
// paint is a display list: a later screen renders the same operations into pixels.
struct PaintOp {
    enum class Kind { Fill, Frame, Edge, Text, Icon, FocusRect, Glyph };
    Kind kind = Kind::Fill;
    RECT rect{};
    std::string text;
    COLORREF textColor = 0;
    COLORREF bkColor = 0;
    int bkMode = OPAQUE;
    HBRUSH brush = nullptr;
    COLORREF brushColor = 0;
    UINT format = 0;  // DrawText's format, DrawEdge's edge and flags, or the glyph's kind
    HICON icon = nullptr;
};

// What a Glyph operation draws in its rectangle, in its text colour.
enum GlyphKind : UINT { GLYPH_COMBO_ARROW = 1, GLYPH_CHECK_MARK = 2 };

struct ClassData {
    std::string name;
    WNDCLASSA wc{};
    std::string menuName;
    bool system = false;
    ATOM atom = 0;
};

struct DialogData {
    DLGPROC proc = nullptr;
    LRESULT msgResult = 0;
    LONG_PTR user = 0;
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;
    HWND savedFocus = nullptr;
    WORD defId = 0;
    HFONT font = nullptr;
    bool messageBox = false;
    bool ownerDisabled = false;  // the modal loop disabled the owner and gives it back
};

struct Window {
    HWND hwnd = nullptr;
    std::shared_ptr<ClassData> cls;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;
    HWND parent = nullptr;
    HWND owner = nullptr;
    std::vector<HWND> children;  // z-order, top first; creation order unless moved
    std::string text;
    RECT rect{};        // outer rectangle: parent's client coordinates for a child, screen otherwise
    RECT normalRect{};  // placement to go back to after minimize or maximize
    bool minimized = false;
    bool maximized = false;
    bool destroying = false;
    bool alive = true;
    LONG_PTR userData = 0;
    std::vector<BYTE> extra;
    bool invalid = false;
    bool erase = false;
    RECT update{};
    std::shared_ptr<ControlData> control;
    std::unique_ptr<DialogData> dialog;
    std::vector<PaintOp> lastPaint;
    bool painted = false;
};
using WindowRef = std::shared_ptr<Window>;

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT elapse = 0;
    std::int64_t due = 0;
    TIMERPROC proc = nullptr;
};

// A user's input, routed to a window only when it is taken from the queue.
struct InputEvent {
    UINT message = 0;  // WM_KEYDOWN, WM_KEYUP, WM_LBUTTONDOWN, WM_LBUTTONUP...
    UINT vk = 0;
    BYTE character = 0;  // the byte a VK_PACKET key stands for
    POINT pt{};          // screen coordinates of a mouse event
};

struct State {
    std::map<std::uintptr_t, WindowRef> windows;
    std::vector<HWND> topLevels;  // z-order of the top-level windows, top first
    std::vector<std::shared_ptr<ClassData>> classes;
    std::map<std::string, UINT> registeredMessages;
    std::deque<MSG> posted;
    std::deque<InputEvent> input;
    bool quitPending = false;
    int quitCode = 0;
    std::vector<Timer> timers;
    UINT_PTR nextThreadTimer = 1;
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND capture = nullptr;
    BYTE keyState[256]{};
    POINT cursor{};
    DWORD lastMessageTime = 0;
    std::uintptr_t nextHandle = 0x10020;
    int defaultPlacements = 0;
    ATOM nextAtom = 0xC000;
    std::vector<HWND> modalStack;
    // testing hooks
    std::deque<std::function<void(HWND)>> modalHooks;
    std::vector<std::function<bool()>> idleHooks;
    std::function<void()> stallHandler;
};

State& St();

// Live windows only: nullptr for 0, for a handle never made and for a destroyed window.
Window* Find(HWND hwnd);
WindowRef Ref(HWND hwnd);
HWND Root(HWND hwnd);
bool IsVisibleTree(HWND hwnd);  // the window and all its ancestors are visible
bool IsEnabledTree(HWND hwnd);

std::int64_t NowMs();

// Geometry
RECT Insets(DWORD style, DWORD exStyle, const ClassData* cls);
RECT WindowRectScreen(const Window& w);
RECT ClientRectScreen(const Window& w);
int ClientWidth(HWND hwnd);
int ClientHeight(HWND hwnd);

// The stand-in's one font (font.cpp): the same metrics serve the system font and every
// other font, widths are per code page 1250 byte.
int FontHeight();
int FontAscent();
int FontAveWidth();
int FontMaxWidth();
int CharWidth(unsigned char c);
int TextWidth(std::string_view text);

// Activation and focus internals
void Activate(HWND hwnd, bool byMouse);
void ActivateOther(HWND leaving);
HWND HitTest(POINT screen);

// Messages to a control's parent
void NotifyParent(HWND control, WORD code);
HBRUSH ControlColor(HWND control, HDC dc, UINT message);

// Painting
void InvalidateTree(HWND hwnd);
HBRUSH SysBrush(int index);
void ClosePaintRecord(HWND hwnd, std::vector<PaintOp>&& ops);
bool BrushToColor(HBRUSH brush, COLORREF& color);  // a brush or a system colour index plus one
// Appends an operation of the stand-in's own (a glyph) to the device context's list.
bool RecordPaintOp(HDC dc, PaintOp op);
void DrawGlyph(HDC dc, const RECT& rect, UINT glyph);  // in the context's text colour

// The system classes and their procedures
void RegisterSystemClasses();
LRESULT ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ComboLBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT DialogClassProc(HWND, UINT, WPARAM, LPARAM);

// Listbox internals the combo box builds on
void ListSetComboOwner(HWND list, HWND combo);

// Whether a message, input, a paint or a due timer waits in the queue.
bool HasPendingWork();

// Stand-in icons: one handle per kind (a stock icon id, or a resource of the program).
HICON MakeIcon(int kind);
int IconKind(HICON icon);

// The modal loop shared by dialogs and message boxes; returns when the dialog ended.
void RunModalLoop(HWND dialog, HWND owner);

// Texts: Win32 compares class names and list prefixes without regard to case.
bool EqualNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b);
unsigned char FoldCase(unsigned char c);

// Control state of a window, made on first use.
template <typename T>
std::shared_ptr<T> Data(HWND hwnd)
{
    Window* w = Find(hwnd);
    if (w == nullptr) {
        return nullptr;
    }
    auto data = std::dynamic_pointer_cast<T>(w->control);
    if (!data) {
        data = std::make_shared<T>();
        w->control = data;
    }
    return data;
}

// What the text controls answer alike: the font messages (a redraw when lParam asks for
// it), no separate background erase (their painting fills it), the rest to DefWindowProcA.
LRESULT ControlDefaultProc(HWND hwnd, HFONT& font, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace winapi_posix::user
