#include "thunks.h"

#include "window_object.h"
#include "window_proc.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

UINT objectQueryMessage = 0;
WindowObject* objectBeingCreated = nullptr;
void* thunkPages = nullptr;
void* freeThunks = nullptr;

namespace {

// Registered before main: the application, constructed later, finds it ready.
struct ObjectQueryAtStart {
    ObjectQueryAtStart() { RegisterObjectQuery(); }
} objectQueryAtStart;

// Slots sit at odd addresses; they are read and written bytewise.
void* ReadSlot(const unsigned char* slot)
{
    void* value = nullptr;
    std::memcpy(&value, slot, sizeof value);
    return value;
}

void WriteSlot(unsigned char* slot, const void* value)
{
    std::memcpy(slot, &value, sizeof value);
}

[[noreturn]] void NoThunkPage()
{
    // Without a page no window can get a procedure; going on would leave objects that
    // can never receive their messages.
#ifdef _WIN32
    MessageBoxA(nullptr, "Nedostatek pam\xECti pro okna programu.", "MEQ config",
                MB_OK | MB_ICONERROR);
#else
    std::fputs("meq-config: VirtualAlloc gave no page for window procedures; the program "
               "cannot go on\n",
               stderr);
#endif
    std::_Exit(EXIT_FAILURE);
}

std::uintptr_t EntryAddress()
{
    return reinterpret_cast<std::uintptr_t>(&ThunkEntry);
}

void MakeThunkPage()
{
    void* page = VirtualAlloc(nullptr, THUNK_PAGE_SIZE, MEM_COMMIT, PAGE_EXECUTE_READWRITE);
    if (page == nullptr) {
        NoThunkPage();
    }
    auto* bytes = static_cast<unsigned char*>(page);
    const auto at = reinterpret_cast<std::uintptr_t>(page);
    const auto previous = reinterpret_cast<std::uintptr_t>(thunkPages);
    const auto free = reinterpret_cast<std::uintptr_t>(freeThunks);
#if defined(__i386__)
    const std::uintptr_t head = BuildI386ThunkPage(bytes, at, previous, EntryAddress(), free);
#else
    const std::uintptr_t head = BuildX64ThunkPage(bytes, at, previous, EntryAddress(), free);
#endif
    freeThunks = reinterpret_cast<void*>(head);
    thunkPages = page;
}

}  // namespace

void RegisterObjectQuery()
{
    if (objectQueryMessage == 0) {
        objectQueryMessage = RegisterWindowMessageA("OwlObjectPtr");
    }
}

WNDPROC TakeThunk(WindowObject* object)
{
    if (freeThunks == nullptr) {
        MakeThunkPage();
    }
    auto* thunk = static_cast<unsigned char*>(freeThunks);
    freeThunks = ReadSlot(thunk + THUNK_SLOT_OFFSET);
    WriteSlot(thunk + THUNK_SLOT_OFFSET, object);
    return reinterpret_cast<WNDPROC>(thunk);
}

void GiveBackThunk(WNDPROC thunk)
{
    if (thunk == nullptr) {
        return;
    }
    auto* bytes = reinterpret_cast<unsigned char*>(thunk);
    WriteSlot(bytes + THUNK_SLOT_OFFSET, freeThunks);
    freeThunks = bytes;
}

namespace {

LRESULT Enter(const unsigned char* slot, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* object = static_cast<WindowObject*>(ReadSlot(slot));
    if (object == nullptr) {
        // Only while a bare WindowObject's destructor takes its window down: nothing of
        // the object is left to handle the messages.
        return DefWindowProcA(window, message, wParam, lParam);
    }
    Message record{window, message, wParam, lParam, 1};
    DeliverMessage(object, record);
    // The object may be gone by now; the record lives here.
    return record.result;
}

}  // namespace

#if defined(__i386__)
LRESULT __attribute__((thiscall)) ThunkEntry(const unsigned char* slot, HWND window,
                                             UINT message, WPARAM wParam, LPARAM lParam)
{
    return Enter(slot, window, message, wParam, lParam);
}
#else
LRESULT ThunkEntry(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                   const unsigned char* slot)
{
    return Enter(slot, window, message, wParam, lParam);
}
#endif

void DeliverMessage(WindowObject* object, Message& message)
{
    if (objectQueryMessage != 0 && message.message == objectQueryMessage) {
        message.result = reinterpret_cast<LRESULT>(object);
        return;
    }
    if (message.message == WM_NCDESTROY && object->handle == message.window) {
        // The window's last message: let go of the handle now, so that no later
        // DestroyHandle is called with a handle that names nothing (or someone else).
        object->handle = nullptr;
    }
    object->Dispatch(message);
}

WindowObject* ObjectFromHandle(HWND window)
{
    if (window == nullptr) {
        return nullptr;
    }
    const WNDPROC procedure = WindowProcOf(window);
    if (procedure == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<WindowObject*>(
        CallWindowProcA(procedure, window, objectQueryMessage, 0, 0));
}

LRESULT CALLBACK CreationHookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowObject* const object = objectBeingCreated;
    if (object == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    object->handle = window;
    ReplaceWindowProc(window, object->thunk);
    const LRESULT result = object->thunk(window, message, wParam, lParam);
    objectBeingCreated = nullptr;
    return result;
}
