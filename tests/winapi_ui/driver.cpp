#include "driver.h"

namespace ui {

void Pump(HWND keyboardWindow)
{
    MSG msg{};
    for (int guard = 0; guard < 100000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++guard) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (keyboardWindow != nullptr && IsWindow(keyboardWindow) && IsDialogMessageA(keyboardWindow, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void PumpFor(DWORD milliseconds, HWND keyboardWindow)
{
    const UINT_PTR stop = SetTimer(nullptr, 0, milliseconds, nullptr);
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == stop) {
            break;
        }
        if (keyboardWindow != nullptr && IsWindow(keyboardWindow) && IsDialogMessageA(keyboardWindow, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    KillTimer(nullptr, stop);
    if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
    }
}

std::string Text(HWND hwnd)
{
    char buffer[512] = {};
    GetWindowTextA(hwnd, buffer, sizeof buffer);
    return buffer;
}

std::string ClassOf(HWND hwnd)
{
    char buffer[256] = {};
    GetClassNameA(hwnd, buffer, sizeof buffer);
    return buffer;
}

ATOM RegisterTestClass(const char* name, WNDPROC proc, HBRUSH background)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    const ATOM atom = RegisterClassA(&wc);
    if (atom != 0) {
        NoteTestClass(name);
    }
    return atom;
}

}  // namespace ui
