// Window objects for the framework's tests: they log what reaches them and let a test
// decide a handler's answer, MayClose and Create, without changing the framework's paths.
#pragma once

#include "framework.h"

#include <functional>
#include <utility>
#include <string>
#include <vector>

// What reached an object, in order: "Dispatch", "HandleCommand", "HandleChildCommand",
// "HandleNotification", "DefaultProc"; with the argument and the record's window.
struct Visit {
    std::string what;
    const void* object;
    int argument;
    HWND window;
    UINT message;
};
using VisitLog = std::vector<Visit>;

// A handler hook: returns true when it took the message (Dispatch goes no further).
template <class Object>
using Hook = std::function<bool(Object&, Message&)>;

template <class Base>
class Logging : public Base {
public:
    using Base::Base;
    ~Logging() override
    {
        // The teardown here, so that the logging overrides see the destruction.
        this->DestroyHandleAndChildren();
        if (destroyed != nullptr) {
            *destroyed = true;
        }
    }

    void Dispatch(Message& message) override
    {
        messages.push_back(message.message);
        if (hook && hook(*this, message)) {
            return;
        }
        Base::Dispatch(message);
    }
    void DefaultProc(Message& message) override
    {
        Log("DefaultProc", 0, message);
        Base::DefaultProc(message);
    }
    void HandleCommand(Message& message, int commandId) override
    {
        Log("HandleCommand", commandId, message);
        Base::HandleCommand(message, commandId);
    }
    void HandleChildCommand(Message& message, int controlId) override
    {
        Log("HandleChildCommand", controlId, message);
        Base::HandleChildCommand(message, controlId);
    }
    void HandleNotification(Message& message, int code) override
    {
        Log("HandleNotification", code, message);
        Base::HandleNotification(message, code);
    }
    bool MayClose() override { return mayClose && Base::MayClose(); }
    void DestroyHandle() override
    {
        if (handlesAtDestroy != nullptr) {
            handlesAtDestroy->push_back(this->handle);
        }
        Base::DestroyHandle();
    }

    bool Received(UINT message) const
    {
        for (UINT m : messages) {
            if (m == message) {
                return true;
            }
        }
        return false;
    }

    Hook<Logging> hook;
    bool mayClose = true;
    VisitLog* log = nullptr;     // shared by the objects of one test
    bool* destroyed = nullptr;   // set by the destructor
    std::vector<UINT> messages;  // every message that reached Dispatch
    std::vector<HWND>* handlesAtDestroy = nullptr;  // the handle each DestroyHandle saw

private:
    void Log(const char* what, int argument, const Message& message)
    {
        if (log != nullptr) {
            log->push_back({what, this, argument, message.window, message.message});
        }
    }
};

// A window of the framework's class, or of one named by the test.
class TestWindow : public Logging<Window> {
public:
    using Logging<Window>::Logging;
    LPCSTR ClassName() override { return className != nullptr ? className : Window::ClassName(); }
    void FillClassInfo(WNDCLASSA& windowClass) override
    {
        ++fillClassInfoCalls;
        Window::FillClassInfo(windowClass);
        if (background != nullptr) {
            windowClass.hbrBackground = background;
        }
    }
    void AfterCreate() override
    {
        ++afterCreateCalls;
        visibleAtAfterCreate = IsWindowVisible(handle) != 0;
        Window::AfterCreate();
    }

    LPCSTR className = nullptr;
    HBRUSH background = nullptr;
    int fillClassInfoCalls = 0;
    int afterCreateCalls = 0;
    bool visibleAtAfterCreate = false;
};

// A system control subclassed by its object, the way the control wrappers are.
class TestControl : public Logging<Window> {
public:
    TestControl(WindowObject* parentObject, LPCSTR classText, int controlId, int left = 10)
        : Logging<Window>(parentObject, "control"), className(classText)
    {
        style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
        x = left;
        y = 10;
        width = 60;
        height = 20;
        id = controlId;
    }
    // Attached to the dialog item `itemId`.
    TestControl(WindowObject* parentObject, int itemId) : Logging<Window>(parentObject, itemId) {}

    LPCSTR ClassName() override { return className; }
    bool RegisterClass() override { return true; }
    void AfterCreate() override
    {
        ++afterCreateCalls;
        Window::AfterCreate();
    }
    void OnPaint(Message& message) override { DefaultProc(message); }

    LPCSTR className = "Button";
    int afterCreateCalls = 0;
};

// A window object without a window, for the child list and creation order.
class Bare : public WindowObject {
public:
    explicit Bare(WindowObject* parentObject, bool createResult = true)
        : WindowObject(parentObject), result(createResult)
    {
    }
    void DefaultProc(Message& message) override { message.result = 0; }
    void FillClassInfo(WNDCLASSA&) override {}
    bool Create() override
    {
        if (order != nullptr) {
            order->push_back(this);
        }
        return result;
    }

    bool result;
    std::vector<WindowObject*>* order = nullptr;
};

class TestDialog : public Logging<Dialog> {
public:
    using Logging<Dialog>::Logging;
    void OnInitDialog(Message& message) override
    {
        Dialog::OnInitDialog(message);
        if (onInit) {
            onInit(*this, message);
        }
    }
    std::function<void(TestDialog&, Message&)> onInit;
};

// An application whose main window, idle work and MayClose the test decides.
class TestApplication : public Application {
public:
    explicit TestApplication(std::function<Window*()> make, std::function<bool()> idle = {})
        : Application("Test application", StartUpLater{}), makeMain(std::move(make)), idleWork(std::move(idle))
    {
        StartUp();
    }
    ~TestApplication() override { delete mainWindow; }

    void CreateMainWindow() override { mainWindow = makeMain(); }
    bool IdleWork() override { return idleWork ? idleWork() : Application::IdleWork(); }
    bool MayClose() override { return mayClose && Application::MayClose(); }

    std::function<Window*()> makeMain;
    std::function<bool()> idleWork;
    bool mayClose = true;
};
