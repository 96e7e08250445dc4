// What a behaviour test does the way a user or a message loop would. Everything here is
// plain Win32 except the input and modal hooks, which driver_posix.cpp takes from the
// stand-in's testing interface; a Windows build of the same suites supplies them from
// real input instead.
#pragma once

#include "winapi.h"

#include <functional>
#include <string>
#include <vector>

namespace ui {

enum Modifier : unsigned { NoModifier = 0, Shift = 1, Control = 2, Alt = 4 };

// ---- input, as a user gives it (driver_posix.cpp) --------------------------------------
void Key(UINT vk, unsigned modifiers = NoModifier);
void Type(const char* text);
void Click(HWND hwnd);
void ClickAt(POINT screen);
void MouseDown(POINT screen);
void MouseUp(POINT screen);
void ClickCloseBox(HWND hwnd);
// Acting while a modal loop runs: the action gets the modal window once it waits.
void OnNextModal(std::function<void(HWND)> action);
// Runs whenever a loop is about to wait, until it returns false.
void WhenIdle(std::function<bool()> action);
// A clean desktop for the next test.
void Reset();
// Classes of a test's own, unregistered by the next Reset where the platform keeps them.
void NoteTestClass(const char* name);
// Whether the suites run on Wine, and a case where Wine departs from documented Windows
// behaviour: true under Wine (once noted in the output with its reason), false elsewhere.
bool UnderWine();
bool WineDeviation(const char* reason);
// The program's resources: the stand-in takes them at run time; a Windows build of the
// suites links the same ones in.
bool AddResource(LPCSTR type, LPCSTR name, const void* data, DWORD size);
void RemoveResource(LPCSTR type, LPCSTR name);

// ---- loops (driver.cpp, plain Win32) ---------------------------------------------------
// Takes and dispatches messages until none is left; with a keyboard window each message
// is first offered to IsDialogMessageA, as the application's loop does.
void Pump(HWND keyboardWindow = nullptr);
// The same for a while, waiting in between (for timers).
void PumpFor(DWORD milliseconds, HWND keyboardWindow = nullptr);

// ---- small helpers ---------------------------------------------------------------------
std::string Text(HWND hwnd);
std::string ClassOf(HWND hwnd);
// A window class with a procedure of the test's own, registered once per test.
ATOM RegisterTestClass(const char* name, WNDPROC proc, HBRUSH background = nullptr);

}  // namespace ui
