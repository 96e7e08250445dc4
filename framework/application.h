// Application: the one application object. Constructing it makes, creates and shows the
// main window; Run takes and dispatches messages until WM_QUIT, offering each one first to
// the dialog keyboard handling of the active window that has KeyboardNavigation.
//
// A derived application overrides CreateMainWindow. C++ reaches that override only once
// the derived object exists, so a derived application constructs its base with
// StartUpLater and calls StartUp at the end of its own constructor:
//     MyApplication() : Application("name", StartUpLater{}) { StartUp(); }
#pragma once

#include "framework_winapi.h"

class Window;
class WindowObject;
class Dialog;

class Application {
public:
    struct StartUpLater {};

    // Stores the name (not copied), becomes the framework's `application`, then StartUp.
    explicit Application(LPCSTR applicationName);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    // Nothing of its own: the main window is gone by now, or is not this object's to end.
    virtual ~Application();

    // The virtual operations, in slot order.
    virtual void StartUp();
    virtual void CreateMainWindow();
    // Work for an empty queue; true asks to be called again without waiting.
    virtual bool IdleWork();
    virtual bool MayClose();

    void Run();
    bool ProcessOneMessage(MSG& msg);
    bool FilterMessage(MSG& msg);
    void SetKeyboardWindow(WindowObject* window) { keyboardWindow = window; }
    // The window when its Create succeeds; otherwise it is destroyed and the result is nil.
    Window* CreateOrDiscard(Window* window);
    // Runs the dialog modally and destroys it; 2 (IDCANCEL) for nil.
    INT_PTR RunDialog(Dialog* dialog);

    LPCSTR name = nullptr;
    Window* mainWindow = nullptr;
    WindowObject* keyboardWindow = nullptr;
    bool quitReceived = false;

protected:
    // Stores the name and becomes `application`; the derived constructor calls StartUp.
    Application(LPCSTR applicationName, StartUpLater);
};

// The one application object; nil until one is constructed.
extern Application* application;
