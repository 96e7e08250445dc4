// Message: one window message on its way through an object's handlers. The thunk entry
// builds it on its own stack; handlers read the parameters and may write `result`, which
// is what the window procedure (or dialog procedure) returns to the system.
#pragma once

#include "framework_winapi.h"

struct Message {
    HWND window;     // the window the message was sent to
    UINT message;
    WPARAM wParam;   // low word: command or control id, state, scroll code; high word: code
    LPARAM lParam;   // for WM_COMMAND and the scroll messages: the sending control, or 0
    LRESULT result;  // 1 when built: a handler that does nothing reports "processed"
};
