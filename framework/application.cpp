#include "application.h"

#include "dialog.h"
#include "thunks.h"
#include "window.h"

Application* application = nullptr;

Application::Application(LPCSTR applicationName) : Application(applicationName, StartUpLater{})
{
    StartUp();
}

Application::Application(LPCSTR applicationName, StartUpLater) : name(applicationName)
{
    // Already done at program start; this only covers an application constructed during
    // static initialisation, before that start-up step.
    RegisterObjectQuery();
    application = this;
}

Application::~Application()
{
    if (application == this) {
        application = nullptr;
    }
}

void Application::StartUp()
{
    CreateMainWindow();
    mainWindow = CreateOrDiscard(mainWindow);
    if (mainWindow != nullptr) {
        mainWindow->ShowHandle(SW_SHOWNORMAL);
    }
}

void Application::CreateMainWindow()
{
    mainWindow = new Window(nullptr, name);
}

bool Application::IdleWork()
{
    return false;
}

bool Application::MayClose()
{
    return mainWindow == nullptr || mainWindow->MayClose();
}

void Application::Run()
{
    if (mainWindow == nullptr) {
        return;
    }
    MSG msg{};
    do {
        if (!ProcessOneMessage(msg) && !IdleWork()) {
            WaitMessage();
        }
    } while (!quitReceived);
}

bool Application::ProcessOneMessage(MSG& msg)
{
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    }
    if (msg.message == WM_QUIT) {
        quitReceived = true;
    } else if (!FilterMessage(msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

bool Application::FilterMessage(MSG& msg)
{
    const HWND dialogWindow = keyboardWindow != nullptr ? keyboardWindow->handle : nullptr;
    return dialogWindow != nullptr && IsDialogMessageA(dialogWindow, &msg) != 0;
}

Window* Application::CreateOrDiscard(Window* window)
{
    if (window == nullptr) {
        return nullptr;
    }
    if (window->Create()) {
        return window;
    }
    delete window;
    return nullptr;
}

INT_PTR Application::RunDialog(Dialog* dialog)
{
    if (dialog == nullptr) {
        return IDCANCEL;
    }
    const INT_PTR result = dialog->RunModal();
    delete dialog;
    return result;
}
