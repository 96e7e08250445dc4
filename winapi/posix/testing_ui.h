// The user-interface stand-in's testing interface, for tests only: input the way a user
// gives it (it goes through the queue and is routed when taken, like a real key or click),
// a way to act while a modal loop runs, and inspection of windows and of what they last
// painted. The system code never includes this header.
#pragma once

#include "winapi.h"

#include <functional>
#include <string>
#include <vector>

namespace winapi_posix::testing {

// ---- Input ---------------------------------------------------------------------------

enum Modifier : unsigned { NoModifier = 0, Shift = 1, Control = 2, Alt = 4 };

void KeyDown(UINT vk);
void KeyUp(UINT vk);
// Down and up, with the modifiers held around it (Tab with Shift is Shift+Tab).
void PressKey(UINT vk, unsigned modifiers = NoModifier);
// One key press per character: letters, digits and the usual punctuation by their keys,
// any other code page 1250 character as a VK_PACKET key that carries it.
void TypeText(const char* text);
void MouseDown(POINT screen);
void MouseUp(POINT screen);
void ClickAt(POINT screen);
// A click in the middle of the window's client area (or of its outer rectangle when the
// client area is empty).
void Click(HWND hwnd);
POINT CenterOf(HWND hwnd);
// The point of the close box in a window's caption.
POINT CloseBoxOf(HWND hwnd);

// ---- Modal loops and waiting ---------------------------------------------------------

// Runs once, when the next modal loop (a dialog or a message box) first has nothing to
// do; it gets the modal window. Several queued actions serve successive modal loops.
void OnNextModal(std::function<void(HWND modal)> action);
// Runs every time a message loop is about to wait; returning false removes it.
void WhenIdle(std::function<bool()> action);
// Runs when a loop would wait with nothing that could ever wake it (no timer, no input):
// a test can fail and post WM_QUIT instead of hanging.
void OnStall(std::function<void()> action);
// The innermost modal window that is running, or 0.
HWND ModalWindow();

// ---- Inspection ----------------------------------------------------------------------

struct DrawOp {
    enum class Kind { Fill, Frame, Edge, Text, Icon, FocusRect, Glyph };  // a glyph: an arrow, a tick
    Kind kind = Kind::Fill;
    RECT rect{};
    std::string text;
    COLORREF textColor = 0;
    COLORREF bkColor = 0;
    int bkMode = OPAQUE;
    HBRUSH brush = nullptr;
    COLORREF brushColor = 0;
    HICON icon = nullptr;
};

// What a window drew last: the background brush of its first fill, and the text with
// the colours of its last text. `painted` is false before its first paint.
struct PaintSummary {
    bool painted = false;
    HBRUSH brush = nullptr;
    COLORREF brushColor = 0;
    std::string text;
    COLORREF textColor = 0;
    COLORREF bkColor = 0;
    int bkMode = 0;
    int iconKind = 0;
};

struct WindowState {
    HWND hwnd = nullptr;
    std::string className;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    int id = 0;
    RECT rect{};    // on the screen
    RECT client{};  // on the screen
    bool visible = false;
    bool enabled = false;
    bool focused = false;
    bool active = false;
    int check = 0;        // buttons
    int selection = -1;   // list and combo boxes
    std::vector<std::string> items;
    bool dropped = false;
    std::vector<HWND> children;
};

std::vector<HWND> TopLevelWindows();  // z-order, top first
std::vector<HWND> Children(HWND hwnd);
WindowState Inspect(HWND hwnd);
// The first window under `parent` (or among all windows for 0) of the class (any for 0)
// whose text is `text`.
HWND FindByText(HWND parent, const char* text, const char* className = nullptr);
std::vector<DrawOp> LastPaint(HWND hwnd);
PaintSummary Painted(HWND hwnd);

// ---- Pixels --------------------------------------------------------------------------

// A top-level window as the screen would show it now, its pending paints done first: the
// frame and caption, its own paint and every child's. Coordinates are the window's own,
// with (0, 0) at its outer top-left corner; `client` is where its client area starts.
struct Picture {
    int width = 0;
    int height = 0;
    POINT client{};
    std::vector<COLORREF> pixels;  // rows top first
    COLORREF At(int x, int y) const;  // CLR_INVALID outside
    COLORREF AtClient(POINT p) const { return At(p.x + client.x, p.y + client.y); }
};

// An empty picture for what is not a live top-level window.
Picture Snapshot(HWND topLevel);
// The same picture as a PNG file; false when there is no picture or the file cannot be written.
bool SnapshotPng(HWND topLevel, const std::string& path);
// One pixel of the picture, in client coordinates; CLR_INVALID outside it.
COLORREF PixelAt(HWND topLevel, POINT client);
// The whole desktop, every visible top-level window in z-order (an open drop-down list
// over its window), as a PNG file.
bool ScreenshotPng(const std::string& path);

// ---- Between tests -------------------------------------------------------------------

// Destroys every window, forgets the program's classes, the queue, timers, key state and
// hooks: the next test starts from an empty desktop.
void Reset();

}  // namespace winapi_posix::testing
