// The application object: start-up, the message loop, dialog keys for the active window,
// idle work, and the keyboard window across a modal box.
#include "test_objects.h"
#include "test_support.h"

#include "driver.h"

#include <functional>
#include <memory>
#include <string>

namespace {

// A main window with two tab stops, the way the tool's main window is built.
struct MainWithButtons {
    TestWindow* Make()
    {
        main = new TestWindow(nullptr, "main");
        main->EnableKeyboardNavigation();
        first = new TestControl(main, "Button", 11, 10);
        second = new TestControl(main, "Button", 12, 80);
        return main;
    }
    TestWindow* main = nullptr;
    TestControl* first = nullptr;
    TestControl* second = nullptr;
};

using Applications = FrameworkTest;

TEST_F(Applications, StartUpMakesCreatesAndShowsTheDerivedMainWindow)
{
    MainWithButtons made;
    TestApplication app([&] { return made.Make(); });
    EXPECT_EQ(application, &app);
    ASSERT_EQ(app.mainWindow, made.main);
    ASSERT_NE(made.main->handle, nullptr);
    EXPECT_NE(made.second->handle, nullptr);
    EXPECT_FALSE(made.main->visibleAtAfterCreate);  // shown only once it exists whole
    EXPECT_TRUE(IsWindowVisible(made.main->handle));
    EXPECT_FALSE(IsIconic(made.main->handle));
    EXPECT_FALSE(IsZoomed(made.main->handle));
    EXPECT_EQ(GetActiveWindow(), made.main->handle);
    EXPECT_EQ(app.keyboardWindow, made.main);  // it became active
}

TEST_F(Applications, ThePlainApplicationMakesAWindowCaptionedWithItsName)
{
    auto app = std::make_unique<Application>("Plain name");
    ASSERT_NE(app->mainWindow, nullptr);
    char caption[32] = {};
    GetWindowTextA(app->mainWindow->handle, caption, sizeof caption);
    EXPECT_STREQ(caption, "Plain name");
    EXPECT_STREQ(app->name, "Plain name");
    delete app->mainWindow;
    EXPECT_EQ(app->mainWindow, nullptr);
    app.reset();
}

TEST_F(Applications, WithoutAMainWindowRunReturnsAtOnceAndLeavesTheQueue)
{
    bool destroyed = false;
    TestApplication app([&] {
        auto* main = new TestWindow(nullptr, "fails");
        main->destroyed = &destroyed;
        main->hook = [](auto&, Message& m) {
            if (m.message != WM_CREATE) return false;
            m.result = -1;  // refuse the creation
            return true;
        };
        return main;
    });
    EXPECT_EQ(app.mainWindow, nullptr);
    EXPECT_TRUE(destroyed);

    auto* bystander = new TestWindow(nullptr, "bystander");
    ASSERT_TRUE(bystander->Create());
    PostMessageA(bystander->handle, WM_APP, 0, 0);
    app.Run();
    MSG msg{};
    EXPECT_TRUE(PeekMessageA(&msg, bystander->handle, WM_APP, WM_APP, PM_NOREMOVE));
    EXPECT_FALSE(bystander->Received(WM_APP));
    delete bystander;
}

TEST_F(Applications, WMQuitEndsTheLoopAfterThePassThatTookIt)
{
    MainWithButtons made;
    TestApplication app([&] { return made.Make(); });
    ASSERT_NE(app.mainWindow, nullptr);
    std::vector<UINT> taken;
    made.main->hook = [&](auto&, Message& m) {
        if (m.message >= WM_APP) taken.push_back(m.message);
        return false;
    };
    const HWND main = made.main->handle;
    PostMessageA(main, WM_APP + 1, 0, 0);
    PostMessageA(main, WM_QUIT, 0, 0);
    PostMessageA(main, WM_APP + 2, 0, 0);
    app.Run();
    EXPECT_TRUE(app.quitReceived);
    EXPECT_EQ(taken, std::vector<UINT>{WM_APP + 1});
    MSG msg{};
    EXPECT_TRUE(PeekMessageA(&msg, main, WM_APP + 2, WM_APP + 2, PM_REMOVE));
}

TEST_F(Applications, ClosingTheMainWindowEndsRun)
{
    MainWithButtons made;
    bool destroyed = false;
    TestApplication app([&] {
        made.Make()->destroyed = &destroyed;
        return made.main;
    });
    app.mayClose = false;
    PostMessageA(made.main->handle, WM_CLOSE, 0, 0);
    PostMessageA(made.main->handle, WM_APP, 0, 0);
    // The application refuses, so the window stays; then it agrees.
    made.main->hook = [&](auto&, Message& m) {
        if (m.message == WM_APP) {
            app.mayClose = true;
            PostMessageA(m.window, WM_CLOSE, 0, 0);
        }
        return false;
    };
    app.Run();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(app.mainWindow, nullptr);
    EXPECT_EQ(app.keyboardWindow, nullptr);
}

TEST_F(Applications, TheMainWindowAsksTheApplicationAtTheEndOfTheSession)
{
    MainWithButtons made;
    TestApplication app([&] { return made.Make(); });
    const HWND main = made.main->handle;
    app.mayClose = false;
    EXPECT_EQ(SendMessageA(main, WM_QUERYENDSESSION, 0, 0), 0);
    app.mayClose = true;
    EXPECT_EQ(SendMessageA(main, WM_QUERYENDSESSION, 0, 0), 1);
    made.second->mayClose = false;  // the application asks the main window, which asks its children
    EXPECT_EQ(SendMessageA(main, WM_QUERYENDSESSION, 0, 0), 0);
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(app.mainWindow, made.main);
}

TEST_F(Applications, ADialogKeyForTheActiveWindowIsNeitherTranslatedNorDispatched)
{
    MainWithButtons made;
    TestApplication app([&] { return made.Make(); });
    ASSERT_EQ(app.keyboardWindow, made.main);
    SetFocus(made.first->handle);
    MSG msg{};
    ui::Key(VK_TAB);
    while (app.ProcessOneMessage(msg)) {
    }
    EXPECT_FALSE(made.first->Received(WM_KEYDOWN));
    EXPECT_EQ(GetFocus(), made.second->handle);

    PostMessageA(made.main->handle, WM_APP, 0, 0);  // not a dialog key: dispatched
    EXPECT_TRUE(app.ProcessOneMessage(msg));
    EXPECT_TRUE(made.main->Received(WM_APP));

    app.SetKeyboardWindow(nullptr);  // without a keyboard window the loop dispatches keys
    PostMessageA(made.second->handle, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_TRUE(app.ProcessOneMessage(msg));
    EXPECT_TRUE(made.second->Received(WM_KEYDOWN));
}

TEST_F(Applications, TheKeyboardWindowFollowsActivationAcrossAModalBox)
{
    MainWithButtons made;
    TestApplication app([&] { return made.Make(); });
    ASSERT_EQ(app.keyboardWindow, made.main);
    WindowObject* duringBox = made.main;
    int ticks = 0;
    made.main->hook = [&](auto&, Message& m) {
        if (m.message != WM_TIMER) return false;
        // The box's own loop dispatches the main window's timer.
        if (++ticks == 1) {
            duringBox = app.keyboardWindow;
            KillTimer(m.window, 1);
            PostMessageA(GetActiveWindow(), WM_KEYDOWN, VK_RETURN, 0);
        }
        return true;
    };
    SetTimer(made.main->handle, 1, 10, nullptr);
    EXPECT_EQ(MessageBoxA(made.main->handle, "text", "caption", MB_OK), IDOK);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(duringBox, nullptr);
    EXPECT_EQ(app.keyboardWindow, made.main);
}

TEST_F(Applications, IdleWorkThatAsksAgainIsCalledAgainWithoutWaiting)
{
    MainWithButtons made;
    int idleCalls = 0;
    bool waited = false;
    TestApplication app([&] { return made.Make(); },
                        [&] {
                            if (++idleCalls == 100) {
                                PostMessageA(application->mainWindow->handle, WM_QUIT, 0, 0);
                            }
                            return true;
                        });
    // Only a loop that waits in between would see this timer fire first.
    made.main->hook = [&](auto&, Message& m) {
        if (m.message != WM_TIMER) return false;
        waited = true;
        PostMessageA(m.window, WM_QUIT, 0, 0);
        return true;
    };
    SetTimer(made.main->handle, 1, 5000, nullptr);
    app.Run();
    KillTimer(made.main->handle, 1);
    EXPECT_FALSE(waited);
    EXPECT_GE(idleCalls, 100);
}

TEST_F(Applications, RunDialogOfNothingIsACancel)
{
    MainWithButtons made;
    TestApplication app([&] { return made.Make(); });
    EXPECT_EQ(app.RunDialog(nullptr), IDCANCEL);
}

}  // namespace
