#include "window_object.h"

#include "application.h"
#include "thunks.h"
#include "window.h"
#include "window_proc.h"

#include <cstring>

namespace {

bool IsMainWindow(const WindowObject* object)
{
    return application != nullptr && application->mainWindow != nullptr &&
           static_cast<const WindowObject*>(application->mainWindow) == object;
}

}  // namespace

WindowObject::WindowObject(WindowObject* parentObject) : parent(parentObject)
{
    if (parent != nullptr) {
        parent->LinkChild(this);
    }
    thunk = TakeThunk(this);
}

WindowObject::~WindowObject()
{
    if (handle != nullptr) {
        // Only an object that is neither a Window nor a Dialog gets here with its window:
        // its handlers are gone already, so the window's messages get plain default
        // processing while it goes.
        std::memset(reinterpret_cast<unsigned char*>(thunk) + THUNK_SLOT_OFFSET, 0, sizeof(void*));
    }
    DestroyHandleAndChildren();
    if (parent != nullptr) {
        parent->UnlinkChild(this);
    }
    if (application != nullptr) {
        if (IsMainWindow(this)) {
            application->mainWindow = nullptr;
        }
        if (application->keyboardWindow == this) {
            application->SetKeyboardWindow(nullptr);
        }
    }
    if (objectBeingCreated == this) {
        objectBeingCreated = nullptr;
    }
    GiveBackThunk(thunk);
}

void WindowObject::DestroyHandleAndChildren()
{
    DestroyHandle();
    // Whatever DestroyHandle did, the window is no longer this object's: never destroy
    // it a second time.
    handle = nullptr;
    EachChild([](WindowObject* child) { delete child; });
}

void WindowObject::DefaultCommand(Message& message)
{
    if (parent != nullptr) {
        parent->HandleCommand(message, LOWORD(message.wParam));
    } else {
        DefaultProc(message);
    }
}

void WindowObject::DefaultChildCommand(Message& message)
{
    DefaultProc(message);
}

void WindowObject::DefaultNotification(Message& message)
{
    if (parent != nullptr) {
        parent->HandleChildCommand(message, static_cast<int>(GetWindowLongA(handle, GWL_ID)));
    }
}

void WindowObject::Dispatch(Message& message)
{
    switch (message.message) {
    case WM_DESTROY: OnDestroy(message); break;
    case WM_ACTIVATE: OnActivate(message); break;
    case WM_CLOSE: OnClose(message); break;
    case WM_QUERYENDSESSION: OnQueryEndSession(message); break;
    case WM_COMMAND: OnCommand(message); break;
    case WM_HSCROLL: OnHScroll(message); break;
    case WM_VSCROLL: OnVScroll(message); break;
    default: DefaultProc(message); break;
    }
}

void WindowObject::HandleCommand(Message& message, int)
{
    DefaultCommand(message);
}

void WindowObject::HandleChildCommand(Message& message, int)
{
    DefaultChildCommand(message);
}

void WindowObject::HandleNotification(Message& message, int)
{
    DefaultNotification(message);
}

int WindowObject::ControlId()
{
    return -1;
}

LPCSTR WindowObject::ClassName()
{
    return "OwlWindow";
}

bool WindowObject::RegisterClass()
{
    WNDCLASSA windowClass{};
    if (GetClassInfoA(ModuleInstance(), ClassName(), &windowClass)) {
        // A system class, or one registered before: the first registration decides.
        return true;
    }
    windowClass = WNDCLASSA{};
    FillClassInfo(windowClass);
    return RegisterClassA(&windowClass) != 0;
}

void WindowObject::AfterCreate()
{
    CreateAllChildren();
}

void WindowObject::DestroyHandle()
{
    if (handle != nullptr) {
        DestroyWindow(handle);
    }
}

bool WindowObject::MayClose()
{
    return FindChild([](WindowObject* child) { return !child->MayClose(); }) == nullptr;
}

void WindowObject::OnActivate(Message& message)
{
    DefaultProc(message);
    if (HasFlags(KeyboardNavigation) && application != nullptr) {
        application->SetKeyboardWindow(LOWORD(message.wParam) != WA_INACTIVE ? this : nullptr);
    }
}

void WindowObject::OnCommand(Message& message)
{
    if (message.lParam == 0) {
        HandleCommand(message, LOWORD(message.wParam));
        return;
    }
    WindowObject* const control = ObjectFromHandle(reinterpret_cast<HWND>(message.lParam));
    if (control != nullptr) {
        control->HandleNotification(message, HIWORD(message.wParam));
    } else {
        HandleChildCommand(message, LOWORD(message.wParam));
    }
}

void WindowObject::OnHScroll(Message& message)
{
    if (message.lParam != 0) {
        RouteChildMessage(message);
    } else {
        DefaultProc(message);
    }
}

void WindowObject::OnVScroll(Message& message)
{
    if (message.lParam != 0) {
        RouteChildMessage(message);
    } else {
        DefaultProc(message);
    }
}

void WindowObject::OnClose(Message&)
{
    CloseIfAllowed();
}

void WindowObject::OnDestroy(Message& message)
{
    if (IsMainWindow(this)) {
        PostQuitMessage(0);
    }
    DefaultProc(message);
}

void WindowObject::OnQueryEndSession(Message& message)
{
    message.result = ClosingAllowed() ? 1 : 0;
}

void WindowObject::LinkChild(WindowObject* child)
{
    if (child == nullptr) {
        return;
    }
    if (lastChild == nullptr) {
        child->nextSibling = child;
    } else {
        child->nextSibling = lastChild->nextSibling;
        lastChild->nextSibling = child;
    }
    lastChild = child;
}

void WindowObject::UnlinkChild(WindowObject* child)
{
    if (child == nullptr || lastChild == nullptr) {
        return;
    }
    WindowObject* predecessor = lastChild;
    while (predecessor->nextSibling != child) {
        predecessor = predecessor->nextSibling;
        if (predecessor == lastChild) {
            return;  // not one of ours
        }
    }
    if (predecessor == child) {
        lastChild = nullptr;  // it was the only child
        return;
    }
    if (child == lastChild) {
        lastChild = predecessor;
    }
    predecessor->nextSibling = child->nextSibling;
}

bool WindowObject::CreateAllChildren()
{
    return FindChild([](WindowObject* child) { return !child->Create(); }) == nullptr;
}

void WindowObject::ShowHandle(int showCommand)
{
    if (handle != nullptr) {
        ShowWindow(handle, showCommand);
    }
}

bool WindowObject::ClosingAllowed()
{
    return IsMainWindow(this) ? application->MayClose() : MayClose();
}

void WindowObject::CloseIfAllowed()
{
    if (ClosingAllowed()) {
        delete this;
    }
}

void WindowObject::RouteChildMessage(Message& message)
{
    const HWND control = reinterpret_cast<HWND>(message.lParam);
    WindowObject* const object = ObjectFromHandle(control);
    if (object != nullptr) {
        object->HandleNotification(message, LOWORD(message.wParam));
    } else {
        HandleChildCommand(message, static_cast<int>(GetWindowLongA(control, GWL_ID)));
    }
}
