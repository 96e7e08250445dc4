// The stand-in half of the driver: input and modal hooks from the testing interface.
#include "driver.h"
#include "posix/testing_ui.h"
#include "posix/user_resources.h"

#include <gtest/gtest.h>

namespace t = winapi_posix::testing;

namespace ui {

void Key(UINT vk, unsigned modifiers)
{
    t::PressKey(vk, modifiers);
}

void Type(const char* text)
{
    t::TypeText(text);
}

void Click(HWND hwnd)
{
    t::Click(hwnd);
}

void ClickAt(POINT screen)
{
    t::ClickAt(screen);
}

void MouseDown(POINT screen)
{
    t::MouseDown(screen);
}

void MouseUp(POINT screen)
{
    t::MouseUp(screen);
}

void ClickCloseBox(HWND hwnd)
{
    t::ClickAt(t::CloseBoxOf(hwnd));
}

void OnNextModal(std::function<void(HWND)> action)
{
    t::OnNextModal(std::move(action));
}

void WhenIdle(std::function<bool()> action)
{
    t::WhenIdle(std::move(action));
}

bool AddResource(LPCSTR type, LPCSTR name, const void* data, DWORD size)
{
    return winapi_posix::AddResource(type, name, 1033, data, size);
}

void RemoveResource(LPCSTR type, LPCSTR name)
{
    winapi_posix::RemoveResource(type, name);
}

void NoteTestClass(const char*) {}  // Reset clears every class of the program

bool UnderWine()
{
    return false;
}

bool WineDeviation(const char*)
{
    return false;
}

void Reset()
{
    t::Reset();
    // A loop left with nothing that could wake it fails the test instead of hanging.
    t::OnStall([] {
        ADD_FAILURE() << "a message loop waits for something that can never come";
        PostQuitMessage(99);
    });
}

}  // namespace ui
