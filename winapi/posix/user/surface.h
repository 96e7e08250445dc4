// Pixels of the stand-in: a 32-bit surface per top-level window, the few primitives the
// classic look is made of, text through the stand-in's font, and the renderer that runs
// the windows' recorded paints (and draws their frames) into a surface. A surface is made
// anew whenever it is asked for, so it needs no screen; a presenter only copies it out.
#pragma once

#include "internal.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace winapi_posix::user {

struct Surface {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top first

    Surface() = default;
    Surface(int w, int h, COLORREF fill);

    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    COLORREF At(int x, int y) const;  // 0 outside
    // Every drawing call is clipped to `clip` and to the surface.
    void Put(int x, int y, COLORREF color, const RECT& clip);
    void Fill(const RECT& r, COLORREF color, const RECT& clip);
    void Frame(const RECT& r, COLORREF color, const RECT& clip);
    void HLine(int x0, int x1, int y, COLORREF color, const RECT& clip);  // x0 up to x1 exclusive
    void VLine(int x, int y0, int y1, COLORREF color, const RECT& clip);
    void Invert(int x, int y, const RECT& clip);
};

// Text: code page 1250 bytes, one line from the pen at (x, baseline); returns the pen's end.
int DrawTextLine(Surface& s, int x, int baseline, std::string_view text, COLORREF color, const RECT& clip,
                 bool bold = false);
int BoldTextWidth(std::string_view text);
bool HasGlyph(unsigned char c);  // the font has a real glyph for the byte
bool FontLoaded();
char16_t Cp1250ToUnicode(unsigned char c);  // 0 for the bytes the code page leaves out

// The classic edges of DrawEdge: `edge` is BDR_ bits, `flags` BF_ bits.
void DrawEdgeInto(Surface& s, RECT r, UINT edge, UINT flags, const RECT& clip);

// The top-level window with its frame and caption, its own paint and its children's in
// z-order, each clipped to its parent's client area. Empty for a window that is not a
// live top-level window.
Surface RenderTopLevel(HWND topLevel);
// All visible top-level windows on the desktop, bottom first, as the screen shows them.
Surface RenderScreen();

bool WritePng(const Surface& s, const std::string& path);

}  // namespace winapi_posix::user
