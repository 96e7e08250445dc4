// WindowObject: the root of every framework window, control and dialog. It owns an
// instance thunk from construction to destruction (the thunk is its window procedure),
// keeps its child objects in a circular list, switches messages to virtual handlers and
// routes commands from controls to their objects and parents. It makes no window itself:
// Window (a window the framework creates) and Dialog (one made from a template) do.
#pragma once

#include "message.h"

class WindowObject {
public:
    // Bits of `flags`.
    static constexpr DWORD KeyboardNavigation = 1;  // dialog keys while active; focus memory
    static constexpr DWORD AttachToDialogItem = 2;  // Create takes the parent's dialog item

    explicit WindowObject(WindowObject* parent);
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    // Destroys the window, then the child objects, unlinks from the parent, clears the
    // application's references and gives the thunk back.
    virtual ~WindowObject();

    // The virtual operations, in slot order.
    virtual void DefaultProc(Message& message) = 0;
    virtual void DefaultCommand(Message& message);
    virtual void DefaultChildCommand(Message& message);
    virtual void DefaultNotification(Message& message);
    virtual void Dispatch(Message& message);
    virtual void HandleCommand(Message& message, int commandId);
    virtual void HandleChildCommand(Message& message, int controlId);
    virtual void HandleNotification(Message& message, int notificationCode);
    virtual int ControlId();
    virtual LPCSTR ClassName();
    virtual void FillClassInfo(WNDCLASSA& windowClass) = 0;
    virtual bool RegisterClass();
    virtual bool Create() = 0;
    virtual void AfterCreate();
    virtual void DestroyHandle();
    virtual bool MayClose();
    virtual void OnActivate(Message& message);
    virtual void OnCommand(Message& message);
    virtual void OnHScroll(Message& message);
    virtual void OnVScroll(Message& message);
    virtual void OnClose(Message& message);
    virtual void OnDestroy(Message& message);
    virtual void OnQueryEndSession(Message& message);

    // The child list: circular, `lastChild` is the tail, children stay in link order.
    void LinkChild(WindowObject* child);
    void UnlinkChild(WindowObject* child);
    // Visits the children first to tail; the action may unlink and destroy its child.
    template <class Action>
    void EachChild(Action&& action);
    // The first child, first to tail, for which the test is true; nil when none is.
    template <class Test>
    WindowObject* FindChild(Test&& test);

    void AddFlags(DWORD mask) { flags |= mask; }
    bool HasFlags(DWORD mask) const { return (flags & mask) == mask; }
    void EnableKeyboardNavigation() { AddFlags(KeyboardNavigation); }

    // Creates the children in list order; stops at the first that fails.
    bool CreateAllChildren();
    void ShowHandle(int showCommand);
    // Destroys this object (memory released) when it and the application agree.
    void CloseIfAllowed();
    // WM_HSCROLL / WM_VSCROLL from a scroll-bar control: to its object or by its id.
    void RouteChildMessage(Message& message);

    WindowObject* parent = nullptr;       // owner of this object; nil at the top
    WindowObject* lastChild = nullptr;    // tail of the child list; nil without children
    WindowObject* nextSibling = nullptr;  // successor in the parent's list
    WNDPROC thunk = nullptr;              // this object's window procedure
    HWND handle = nullptr;                // the window; 0 until created, and once it is gone
    DWORD flags = 0;

protected:
    // The first two destruction steps: the window (DestroyHandle, virtually) and then the
    // child objects. The destructors of Window and Dialog run them, so that the messages
    // of the destruction reach those classes' handlers. A derived class whose own handlers
    // or DestroyHandle must see its destruction, or that must free something only after
    // its window and children are gone, calls this itself in its destructor; later calls
    // find nothing left to do.
    void DestroyHandleAndChildren();

private:
    // Whether closing is allowed: the application decides for its main window.
    bool ClosingAllowed();
};

template <class Action>
void WindowObject::EachChild(Action&& action)
{
    if (lastChild == nullptr) {
        return;
    }
    WindowObject* child = lastChild->nextSibling;
    for (;;) {
        // Read before the action, which may unlink and destroy the child.
        WindowObject* const next = child->nextSibling;
        const bool tail = child == lastChild;
        action(child);
        if (tail || lastChild == nullptr) {
            return;
        }
        child = next;
    }
}

template <class Test>
WindowObject* WindowObject::FindChild(Test&& test)
{
    if (lastChild == nullptr) {
        return nullptr;
    }
    WindowObject* child = lastChild->nextSibling;
    for (;;) {
        WindowObject* const next = child->nextSibling;
        const bool tail = child == lastChild;
        if (test(child)) {
            return child;
        }
        if (tail || lastChild == nullptr) {
            return nullptr;
        }
        child = next;
    }
}
