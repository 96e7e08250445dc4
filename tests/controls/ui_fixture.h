// A parent window for the control suites, input through the stand-in's queue, and a clean
// desktop and a fixed (empty) port list around every test, so the machine's own serial
// ports never reach a control.
#pragma once

#include "framework.h"

#include "posix/testing_ports.h"
#include "posix/testing_ui.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace ui = winapi_posix::testing;

// Takes and dispatches every queued message, as the application's loop does; with a
// `dialogWindow` each message is first offered to its dialog keyboard handling.
inline void Pump(HWND dialogWindow = nullptr)
{
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            continue;
        }
        if (dialogWindow != nullptr && IsDialogMessageA(dialogWindow, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// What a control told its parent: the id of HandleChildCommand and the notification code.
struct ChildCommand {
    int id;
    int code;
    bool operator==(const ChildCommand&) const = default;
};

// A top-level window of the framework's class that logs the commands of its children.
class TestParent : public Window {
public:
    TestParent() : Window(nullptr, "controls")
    {
        style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        x = 20;
        y = 20;
        width = 585;
        height = 423;
    }
    ~TestParent() override { DestroyHandleAndChildren(); }

    void HandleChildCommand(Message& message, int controlId) override
    {
        commands.push_back({controlId, HIWORD(message.wParam)});
        if (onCommand) {
            onCommand(commands.back());
        }
        Window::HandleChildCommand(message, controlId);
    }

    std::vector<ChildCommand> commands;
    std::function<void(const ChildCommand&)> onCommand;
};

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::Reset();
        testing_ports::SetPortList({});
        parent = new TestParent;
    }
    void TearDown() override
    {
        delete parent;
        Pump();
        ui::Reset();
        testing_ports::ResetPortSources();
    }

    // Creates the parent's window, and with it the controls constructed so far, and shows it.
    void Show()
    {
        ASSERT_TRUE(parent->Create());
        ShowWindow(parent->handle, SW_SHOWNORMAL);
        Pump();
        parent->commands.clear();
    }

    // A click in the middle of the window, through the queue.
    static void ClickOn(HWND window)
    {
        ui::Click(window);
        Pump();
    }

    static void Type(HWND window, const char* text)
    {
        ClickOn(window);
        ui::TypeText(text);
        Pump();
    }

    static std::string TextOf(HWND window) { return ui::Inspect(window).text; }

    TestParent* parent = nullptr;
};
