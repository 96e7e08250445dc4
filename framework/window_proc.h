// Reading and replacing a window's procedure through GetWindowLongA / SetWindowLongA,
// whose value type is as wide as a pointer on both targets.
#pragma once

#include "framework_winapi.h"

using WindowLongValue = decltype(GetWindowLongA(nullptr, 0));
static_assert(sizeof(WindowLongValue) == sizeof(void*), "window longs carry pointers");

inline WNDPROC WindowProcOf(HWND window)
{
    return reinterpret_cast<WNDPROC>(static_cast<LONG_PTR>(GetWindowLongA(window, GWL_WNDPROC)));
}

// Installs `procedure` and returns the one it replaced.
inline WNDPROC ReplaceWindowProc(HWND window, WNDPROC procedure)
{
    const auto value = static_cast<WindowLongValue>(reinterpret_cast<LONG_PTR>(procedure));
    return reinterpret_cast<WNDPROC>(static_cast<LONG_PTR>(SetWindowLongA(window, GWL_WNDPROC, value)));
}

inline HINSTANCE ModuleInstance()
{
    return GetModuleHandleA(nullptr);
}
