// Window: a window object that the framework creates from its creation attributes, in the
// framework's own class "OwlWindow" or (for controls) in a system class that it then
// subclasses, or that it attaches to an item of its parent dialog. It keeps its placement
// up to date and, with KeyboardNavigation, remembers and restores its focused child.
#pragma once

#include "window_object.h"

class Window : public WindowObject {
public:
    // A window to create: top-level (WS_OVERLAPPEDWINDOW) without a parent, a visible child
    // with one; the caption is copied (nil or empty: none).
    Window(WindowObject* parent, LPCSTR captionText);
    // The parent dialog's item `itemId`, attached by Create.
    Window(WindowObject* parent, int itemId);
    ~Window() override;

    void DefaultProc(Message& message) override;
    void Dispatch(Message& message) override;
    int ControlId() override;
    void FillClassInfo(WNDCLASSA& windowClass) override;
    bool Create() override;
    void OnActivate(Message& message) override;

    // Window's own virtual operations, after WindowObject's.
    virtual void CreateHandle(HWND parentHandle);
    virtual void PaintContent(PAINTSTRUCT& paint);
    virtual void OnCreate(Message& message);
    virtual void OnPaint(Message& message);
    virtual void OnMove(Message& message);
    virtual void OnSize(Message& message);
    virtual void OnSysCommand(Message& message);

    void RememberFocus();
    void RestoreFocus();
    void UpdatePlacement();

    char* caption = nullptr;  // owned copy; nil for none
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0;  // parent's client coordinates for WS_CHILD, else screen coordinates
    int y = 0;
    int width = 0;  // outer size
    int height = 0;
    LPARAM createParam = 0;
    int id = 0;  // control id, or the dialog item to attach
    WNDPROC previousProc = nullptr;  // what default processing calls
    HWND savedFocus = nullptr;       // focused child when last deactivated or minimized
};
