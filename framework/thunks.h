// Instance thunks and object binding: how a message to a window handle finds its object.
// Every window object owns a thunk, a few bytes of generated code whose address is the
// object's window procedure; it brings the object and the four arguments to ThunkEntry.
// The registered message "OwlObjectPtr" asks a window's procedure for its object, and the
// creation hook (the class procedure of "OwlWindow") binds a new window to the object
// that is creating it, on the window's first message.
#pragma once

#include "message.h"
#include "thunk_layout.h"

class WindowObject;

// Thunks in one page, and the thunk byte layout of this build.
#if defined(__i386__)
inline constexpr std::size_t THUNKS_PER_PAGE = I386_THUNK_COUNT;
inline constexpr std::size_t FIRST_THUNK_OFFSET = I386_FIRST_THUNK;
inline constexpr std::size_t THUNK_SIZE = I386_THUNK_SIZE;
#elif defined(__x86_64__)
inline constexpr std::size_t THUNKS_PER_PAGE = X64_THUNK_COUNT;
inline constexpr std::size_t FIRST_THUNK_OFFSET = X64_FIRST_THUNK;
inline constexpr std::size_t THUNK_SIZE = X64_THUNK_SIZE;
#else
#  error "instance thunks exist for 32-bit x86 and x86-64 only"
#endif

extern UINT objectQueryMessage;           // "OwlObjectPtr"; 0 until registered
extern WindowObject* objectBeingCreated;  // the object the creation hook is to bind
extern void* thunkPages;                  // newest page; each links to the one before
extern void* freeThunks;                  // first free thunk; each links to the next

// Registers the object query (once); runs at program start, before main.
void RegisterObjectQuery();

// A thunk whose slot holds `object`. Makes a page when none is free; the program ends
// with a message when the system cannot give one.
WNDPROC TakeThunk(WindowObject* object);
// Puts the thunk back on the free list (nothing for nil).
void GiveBackThunk(WNDPROC thunk);

// The shared entry behind every thunk; only thunks call it.
#if defined(__i386__)
// The slot address arrives in ECX, the four arguments on the stack, which it clears.
LRESULT __attribute__((thiscall)) ThunkEntry(const unsigned char* slot, HWND window,
                                             UINT message, WPARAM wParam, LPARAM lParam);
#else
// The slot address arrives as a fifth argument, after the four of a window procedure.
LRESULT ThunkEntry(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                   const unsigned char* slot);
#endif

// The object query, or the object's Dispatch.
void DeliverMessage(WindowObject* object, Message& message);

// The object bound to the window, or nil (0, no window, or a window of no object).
WindowObject* ObjectFromHandle(HWND window);

// The window procedure of the class "OwlWindow".
LRESULT CALLBACK CreationHookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
