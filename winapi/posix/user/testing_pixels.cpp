// The testing interface's pixels: snapshots of top-level windows and of the desktop.
#include "posix/testing_ui.h"
#include "surface.h"

namespace winapi_posix::testing {

using namespace winapi_posix::user;

namespace {

// What a screen would do before it shows the windows: the pending paints.
void PaintPending(HWND hwnd)
{
    if (Find(hwnd) != nullptr) {
        UpdateWindow(hwnd);
    }
}

void PaintAllPending()
{
    for (HWND top : std::vector<HWND>(St().topLevels)) {
        PaintPending(top);
    }
}

}  // namespace

COLORREF Picture::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return CLR_INVALID;
    }
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
}

Picture Snapshot(HWND topLevel)
{
    Picture p;
    Window* w = Find(topLevel);
    if (w == nullptr || (w->style & WS_CHILD) != 0) {
        return p;
    }
    PaintPending(topLevel);
    w = Find(topLevel);
    if (w == nullptr) {
        return p;
    }
    const Surface s = RenderTopLevel(topLevel);
    const RECT outer = WindowRectScreen(*w);
    const RECT client = ClientRectScreen(*w);
    p.width = s.width;
    p.height = s.height;
    p.client = POINT{client.left - outer.left, client.top - outer.top};
    p.pixels.reserve(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height));
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            p.pixels.push_back(s.At(x, y));
        }
    }
    return p;
}

bool SnapshotPng(HWND topLevel, const std::string& path)
{
    Window* w = Find(topLevel);
    if (w == nullptr || (w->style & WS_CHILD) != 0) {
        return false;
    }
    PaintPending(topLevel);
    return Find(topLevel) != nullptr && WritePng(RenderTopLevel(topLevel), path);
}

COLORREF PixelAt(HWND topLevel, POINT client)
{
    return Snapshot(topLevel).AtClient(client);
}

bool ScreenshotPng(const std::string& path)
{
    PaintAllPending();
    return WritePng(RenderScreen(), path);
}

}  // namespace winapi_posix::testing
