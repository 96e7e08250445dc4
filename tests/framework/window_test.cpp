// Window objects: handler results, closing, class registration, command routing, the
// child list, placement and focus memory, and destruction without stale handles.
#include "test_objects.h"
#include "test_support.h"

#include "driver.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

// Win32 values the stand-in does not name (yet).
constexpr WPARAM SCROLL_LINE_UP = 0;    // SCROLL_LINE_UP
constexpr WPARAM SCROLL_LINE_DOWN = 1;  // SCROLL_LINE_DOWN
constexpr WPARAM SIZE_OTHER_SHOWN = 3;  // SIZE_OTHER_SHOWN
constexpr WPARAM SIZE_OTHER_HIDDEN = 4; // SIZE_OTHER_HIDDEN

using Windows = FrameworkTest;

// A top-level window of the framework's class with two button children.
struct Family {
    Family()
    {
        top = new TestWindow(nullptr, "top");
        top->log = &log;
        first = new TestControl(top, "Button", 301, 10);
        second = new TestControl(top, "Button", 302, 80);
        first->log = &log;
        second->log = &log;
        created = top->Create();
    }
    ~Family() { delete top; }
    Family(const Family&) = delete;
    Family& operator=(const Family&) = delete;

    VisitLog log;
    TestWindow* top;
    TestControl* first;
    TestControl* second;
    bool created;
};

struct ResultCase {
    const char* name;
    UINT message;
    bool mayClose;
    LRESULT expected;
};

void PrintTo(const ResultCase& c, std::ostream* os)
{
    *os << c.name;
}

class HandlerResults : public Windows, public ::testing::WithParamInterface<ResultCase> {};

TEST_P(HandlerResults, AreWhatTheWindowProcedureReturns)
{
    const ResultCase& c = GetParam();
    bool destroyed = false;
    auto* window = new TestWindow(nullptr, "results");
    window->destroyed = &destroyed;
    window->mayClose = c.mayClose;
    window->hook = [](auto&, Message& m) { return m.message == WM_APP; };  // takes it, sets nothing
    ASSERT_TRUE(window->Create());
    const HWND handle = window->handle;

    EXPECT_EQ(SendMessageA(handle, c.message, 0, 0), c.expected);
    // Neither a refused close nor the end-of-session question destroys anything.
    EXPECT_FALSE(destroyed);
    EXPECT_TRUE(IsWindow(handle));
    EXPECT_EQ(window->handle, handle);
    delete window;
}

INSTANTIATE_TEST_SUITE_P(
    Window, HandlerResults,
    ::testing::Values(ResultCase{"HandledWithoutAnswer", WM_APP, true, 1},
                      ResultCase{"RefusedClose", WM_CLOSE, false, 1},
                      ResultCase{"Paint", WM_PAINT, true, 1},
                      ResultCase{"EndSessionAllowed", WM_QUERYENDSESSION, true, 1},
                      ResultCase{"EndSessionRefused", WM_QUERYENDSESSION, false, 0}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST_F(Windows, CloseDestroysTheObjectWhenEveryChildAgrees)
{
    Family family;
    ASSERT_TRUE(family.created);
    bool destroyed = false;
    family.top->destroyed = &destroyed;
    family.second->mayClose = false;
    const HWND handle = family.top->handle;
    EXPECT_EQ(SendMessageA(handle, WM_CLOSE, 0, 0), 1);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(SendMessageA(handle, WM_QUERYENDSESSION, 0, 0), 0);

    family.second->mayClose = true;
    family.top = nullptr;  // the close below destroys it
    EXPECT_EQ(SendMessageA(handle, WM_CLOSE, 0, 0), 1);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(handle));
}

TEST_F(Windows, TheFirstRegistrationDecidesTheClass)
{
    const HBRUSH firstBrush = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    auto* first = new TestWindow(nullptr, "first");
    first->className = "FrameworkTestClass";
    first->background = firstBrush;
    auto* second = new TestWindow(nullptr, "second");
    second->className = "FrameworkTestClass";
    second->background = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    ASSERT_TRUE(first->Create());
    ASSERT_TRUE(second->Create());
    EXPECT_EQ(first->fillClassInfoCalls, 1);
    EXPECT_EQ(second->fillClassInfoCalls, 0);
    WNDCLASSA registered{};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "FrameworkTestClass", &registered));
    EXPECT_EQ(registered.hbrBackground, firstBrush);
    delete first;
    delete second;

    // The same for the framework's own class, whoever registered it first.
    auto* one = new TestWindow(nullptr, "one");
    auto* another = new TestWindow(nullptr, "another");
    ASSERT_TRUE(one->Create());
    ASSERT_TRUE(another->Create());
    EXPECT_LE(one->fillClassInfoCalls, 1);
    EXPECT_EQ(another->fillClassInfoCalls, 0);
    delete one;
    delete another;
}

// ---- Command routing ---------------------------------------------------------------

TEST_F(Windows, ANotificationGoesToTheControlsObjectThenToTheParentWithTheWindowsId)
{
    Family family;
    ASSERT_TRUE(family.created);
    family.log.clear();
    // The low word says 999: the parent must hear the id that the control's window has.
    SendMessageA(family.top->handle, WM_COMMAND, MAKEWPARAM(999, 7),
                 reinterpret_cast<LPARAM>(family.second->handle));
    ASSERT_EQ(family.log.size(), 3u);
    EXPECT_EQ(family.log[0].what, "HandleNotification");
    EXPECT_EQ(family.log[0].object, family.second);
    EXPECT_EQ(family.log[0].argument, 7);
    EXPECT_EQ(family.log[1].what, "HandleChildCommand");
    EXPECT_EQ(family.log[1].object, family.top);
    EXPECT_EQ(family.log[1].argument, 302);
    EXPECT_EQ(family.log[2].what, "DefaultProc");
    EXPECT_EQ(family.log[2].object, family.top);
}

TEST_F(Windows, ACommandFromAControlWithoutAnObjectGoesToTheParentByTheWparamId)
{
    Family family;
    ASSERT_TRUE(family.created);
    const HWND plain = CreateWindowExA(0, "Button", "plain", WS_CHILD | WS_VISIBLE, 150, 10, 50, 20,
                                       family.top->handle, reinterpret_cast<HMENU>(303),
                                       GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(plain, nullptr);
    family.log.clear();
    SendMessageA(family.top->handle, WM_COMMAND, MAKEWPARAM(303, BN_CLICKED), reinterpret_cast<LPARAM>(plain));
    ASSERT_EQ(family.log.size(), 2u);
    EXPECT_EQ(family.log[0].what, "HandleChildCommand");
    EXPECT_EQ(family.log[0].argument, 303);
    EXPECT_EQ(family.log[1].what, "DefaultProc");
}

TEST_F(Windows, ACommandWithoutAControlClimbsToTheTopLevelDefaultProc)
{
    VisitLog log;
    auto* top = new TestWindow(nullptr, "top");
    auto* middle = new TestWindow(top, "middle");
    top->log = &log;
    middle->log = &log;
    ASSERT_TRUE(top->Create());
    ASSERT_NE(middle->handle, nullptr);
    log.clear();
    SendMessageA(middle->handle, WM_COMMAND, MAKEWPARAM(77, 1), 0);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].what, "HandleCommand");
    EXPECT_EQ(log[0].object, middle);
    EXPECT_EQ(log[1].what, "HandleCommand");
    EXPECT_EQ(log[1].object, top);
    EXPECT_EQ(log[1].argument, 77);
    EXPECT_EQ(log[2].what, "DefaultProc");
    EXPECT_EQ(log[2].object, top);
    EXPECT_EQ(log[2].window, middle->handle);  // the record is unchanged on the way
    delete top;
}

TEST_F(Windows, AClickOnAButtonReachesItsObjectAndThenItsParent)
{
    Family family;
    ASSERT_TRUE(family.created);
    family.log.clear();
    family.top->ShowHandle(SW_SHOWNORMAL);
    ui::Click(family.first->handle);
    PumpMessages();
    VisitLog route;
    for (const Visit& v : family.log) {
        if (v.message == WM_COMMAND) route.push_back(v);
    }
    ASSERT_GE(route.size(), 2u);
    EXPECT_EQ(route[0].what, "HandleNotification");
    EXPECT_EQ(route[0].object, family.first);
    EXPECT_EQ(route[0].argument, BN_CLICKED);
    EXPECT_EQ(route[1].what, "HandleChildCommand");
    EXPECT_EQ(route[1].object, family.top);
    EXPECT_EQ(route[1].argument, 301);
}

TEST_F(Windows, ScrollMessagesFromAControlGoToItsObjectOtherwiseToDefaultProcessing)
{
    Family family;
    ASSERT_TRUE(family.created);
    family.log.clear();
    SendMessageA(family.top->handle, WM_HSCROLL, MAKEWPARAM(SCROLL_LINE_DOWN, 0),
                 reinterpret_cast<LPARAM>(family.first->handle));
    SendMessageA(family.top->handle, WM_VSCROLL, SCROLL_LINE_UP, 0);
    ASSERT_GE(family.log.size(), 3u);
    EXPECT_EQ(family.log[0].what, "HandleNotification");
    EXPECT_EQ(family.log[0].argument, SCROLL_LINE_DOWN);
    EXPECT_EQ(family.log[1].what, "HandleChildCommand");
    EXPECT_EQ(family.log[1].argument, 301);
    EXPECT_EQ(family.log.back().what, "DefaultProc");
    EXPECT_EQ(family.log.back().message, static_cast<UINT>(WM_VSCROLL));
}

// ---- The child list ------------------------------------------------------------------

std::vector<WindowObject*> Children(WindowObject& parent)
{
    std::vector<WindowObject*> children;
    parent.EachChild([&](WindowObject* child) { children.push_back(child); });
    return children;
}

TEST_F(Windows, ChildrenStayInLinkOrder)
{
    Bare parent(nullptr);
    auto* a = new Bare(&parent);
    auto* b = new Bare(&parent);
    auto* c = new Bare(&parent);
    EXPECT_EQ(Children(parent), (std::vector<WindowObject*>{a, b, c}));
    EXPECT_EQ(parent.lastChild, c);
    EXPECT_EQ(parent.FindChild([&](WindowObject* child) { return child != a; }), b);
    EXPECT_EQ(parent.FindChild([](WindowObject*) { return false; }), nullptr);

    parent.LinkChild(nullptr);
    EXPECT_EQ(Children(parent), (std::vector<WindowObject*>{a, b, c}));

    Bare otherParent(nullptr);
    Bare stranger(&otherParent);
    parent.UnlinkChild(&stranger);
    parent.UnlinkChild(nullptr);
    EXPECT_EQ(Children(parent), (std::vector<WindowObject*>{a, b, c}));
    EXPECT_EQ(Children(otherParent), std::vector<WindowObject*>{&stranger});

    delete c;  // the tail: its predecessor becomes the tail
    EXPECT_EQ(parent.lastChild, b);
    EXPECT_EQ(Children(parent), (std::vector<WindowObject*>{a, b}));
    delete a;
    EXPECT_EQ(Children(parent), std::vector<WindowObject*>{b});
}

TEST_F(Windows, UnlinkingTheOnlyChildEmptiesTheList)
{
    Bare parent(nullptr);
    Bare only(nullptr);
    parent.LinkChild(&only);
    EXPECT_EQ(only.nextSibling, &only);
    parent.UnlinkChild(&only);
    EXPECT_EQ(parent.lastChild, nullptr);
    EXPECT_TRUE(Children(parent).empty());
    EXPECT_EQ(parent.FindChild([](WindowObject*) { return true; }), nullptr);
}

TEST_F(Windows, EachChildMayDestroyTheChildItIsGiven)
{
    Bare parent(nullptr);
    std::vector<WindowObject*> made;
    for (int k = 0; k < 4; ++k) {
        made.push_back(new Bare(&parent));
    }
    std::vector<WindowObject*> visited;
    parent.EachChild([&](WindowObject* child) {
        visited.push_back(child);
        delete child;
    });
    EXPECT_EQ(visited, made);
    EXPECT_EQ(parent.lastChild, nullptr);
}

TEST_F(Windows, CreateAllChildrenStopsAtTheFirstFailure)
{
    Bare parent(nullptr);
    std::vector<WindowObject*> order;
    auto* a = new Bare(&parent, true);
    auto* b = new Bare(&parent, false);
    auto* c = new Bare(&parent, true);
    for (Bare* child : {a, b, c}) {
        child->order = &order;
    }
    EXPECT_FALSE(parent.CreateAllChildren());
    EXPECT_EQ(order, (std::vector<WindowObject*>{a, b}));
    b->result = true;
    order.clear();
    EXPECT_TRUE(parent.CreateAllChildren());
    EXPECT_EQ(order, (std::vector<WindowObject*>{a, b, c}));
}

TEST_F(Windows, AChildThatFailsLeavesTheParentCreated)
{
    auto* top = new TestWindow(nullptr, "top");
    auto* good = new TestControl(top, "Button", 1);
    auto* bad = new TestControl(top, "NoSuchClass", 2);
    auto* late = new TestControl(top, "Button", 3);
    EXPECT_TRUE(top->Create());
    EXPECT_NE(good->handle, nullptr);
    EXPECT_EQ(bad->handle, nullptr);
    EXPECT_EQ(late->handle, nullptr);  // never tried
    EXPECT_EQ(late->afterCreateCalls, 0);
    delete top;
}

// ---- Placement and focus memory ------------------------------------------------------

class SizeTypes : public Windows, public ::testing::WithParamInterface<WPARAM> {};

TEST_P(SizeTypes, OnlyARestoredSizeIsTaken)
{
    auto* window = new TestWindow(nullptr, "size");
    ASSERT_TRUE(window->Create());
    RECT rect{};
    GetWindowRect(window->handle, &rect);
    window->width = 12345;
    window->height = 23456;
    SendMessageA(window->handle, WM_SIZE, GetParam(), MAKELPARAM(10, 10));
    EXPECT_EQ(window->width, 12345);
    EXPECT_EQ(window->height, 23456);
    SendMessageA(window->handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(10, 10));
    EXPECT_EQ(window->width, rect.right - rect.left);
    EXPECT_EQ(window->height, rect.bottom - rect.top);
    delete window;
}

INSTANTIATE_TEST_SUITE_P(Window, SizeTypes,
                         ::testing::Values(SIZE_MINIMIZED, SIZE_MAXIMIZED, SIZE_OTHER_SHOWN, SIZE_OTHER_HIDDEN));

class MoveStates : public Windows, public ::testing::WithParamInterface<int> {};

TEST_P(MoveStates, AMoveWhileMinimizedOrMaximizedLeavesThePlacement)
{
    auto* window = new TestWindow(nullptr, "move");
    window->x = 40;
    window->y = 30;
    window->width = 200;
    window->height = 100;
    ASSERT_TRUE(window->Create());
    ShowWindow(window->handle, SW_SHOWNORMAL);
    ShowWindow(window->handle, GetParam());
    window->x = 4321;
    window->width = 5432;
    SendMessageA(window->handle, WM_MOVE, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(window->x, 4321);
    EXPECT_EQ(window->width, 5432);
    ShowWindow(window->handle, SW_RESTORE);
    SendMessageA(window->handle, WM_MOVE, 0, 0);
    EXPECT_EQ(window->x, 40);
    EXPECT_EQ(window->width, 200);
    delete window;
}

INSTANTIATE_TEST_SUITE_P(Window, MoveStates, ::testing::Values(SW_MINIMIZE, SW_MAXIMIZE));

TEST_F(Windows, AChildsPlacementIsInItsParentsClientArea)
{
    Family family;
    ASSERT_TRUE(family.created);
    EXPECT_EQ(family.second->x, 80);
    EXPECT_EQ(family.second->y, 10);
    EXPECT_EQ(family.second->width, 60);
    EXPECT_EQ(family.second->height, 20);
}

struct SysCommandCase {
    const char* name;
    WPARAM minimize;
    WPARAM restore;
};

void PrintTo(const SysCommandCase& c, std::ostream* os)
{
    *os << c.name;
}

class FocusMemory : public Windows, public ::testing::WithParamInterface<SysCommandCase> {};

TEST_P(FocusMemory, MinimizeRemembersAndRestoreGivesBackTheFocusedChild)
{
    Family family;
    ASSERT_TRUE(family.created);
    family.top->EnableKeyboardNavigation();
    family.top->ShowHandle(SW_SHOWNORMAL);
    SetFocus(family.second->handle);
    SendMessageA(family.top->handle, WM_SYSCOMMAND, GetParam().minimize, 0);
    EXPECT_EQ(family.top->savedFocus, family.second->handle);
    EXPECT_TRUE(IsIconic(family.top->handle));

    SendMessageA(family.top->handle, WM_SYSCOMMAND, GetParam().restore, 0);
    EXPECT_FALSE(IsIconic(family.top->handle));
    // Default processing restores after the handler; once it is restored, activation
    // or the handler itself puts the focus back.
    family.top->RestoreFocus();
    EXPECT_EQ(GetFocus(), family.second->handle);
}

INSTANTIATE_TEST_SUITE_P(Window, FocusMemory,
                         ::testing::Values(SysCommandCase{"Plain", SC_MINIMIZE, SC_RESTORE},
                                           SysCommandCase{"LowBitsSet", SC_MINIMIZE | 0x000F,
                                                          SC_RESTORE | 0x0003}),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST_F(Windows, FocusMemoryIgnoresFocusElsewhereAMinimizedWindowAndAGoneChild)
{
    Family family;
    ASSERT_TRUE(family.created);
    family.top->EnableKeyboardNavigation();
    family.top->ShowHandle(SW_SHOWNORMAL);
    auto* other = new TestWindow(nullptr, "other");
    ASSERT_TRUE(other->Create());
    ShowWindow(other->handle, SW_SHOWNORMAL);

    SetFocus(family.first->handle);
    family.top->RememberFocus();
    ASSERT_EQ(family.top->savedFocus, family.first->handle);
    SetFocus(other->handle);
    family.top->RememberFocus();  // the focus is outside the window: nothing changes
    EXPECT_EQ(family.top->savedFocus, family.first->handle);

    ShowWindow(family.top->handle, SW_MINIMIZE);
    SetFocus(other->handle);
    family.top->RestoreFocus();  // minimized: nothing
    EXPECT_EQ(GetFocus(), other->handle);
    ShowWindow(family.top->handle, SW_RESTORE);

    const HWND gone = family.first->handle;
    delete family.first;
    EXPECT_FALSE(IsWindow(gone));
    family.top->savedFocus = gone;
    SetFocus(other->handle);
    family.top->RestoreFocus();  // the remembered window is gone: nothing
    EXPECT_EQ(GetFocus(), other->handle);
    delete other;
}

// ---- Destruction ---------------------------------------------------------------------

TEST_F(Windows, DestructionLetsGoOfHandlesAsTheWindowsGo)
{
    auto* top = new TestWindow(nullptr, "top");
    auto* child = new TestWindow(top, "child");
    auto* control = new TestControl(child, "Button", 5);
    ASSERT_TRUE(top->Create());
    const HWND topWindow = top->handle;
    const HWND controlWindow = control->handle;
    ASSERT_NE(controlWindow, nullptr);

    std::vector<HWND> seen;
    bool childDestroyed = false;
    bool controlDestroyed = false;
    bool controlWholeAtChildsDestroy = false;
    for (auto* object : std::vector<Logging<Window>*>{top, child, control}) {
        object->handlesAtDestroy = &seen;
    }
    child->destroyed = &childDestroyed;
    control->destroyed = &controlDestroyed;
    child->hook = [&](auto&, Message& m) {
        if (m.message == WM_DESTROY) {
            controlWholeAtChildsDestroy = !controlDestroyed && control->handle == controlWindow;
        }
        return false;
    };
    delete top;
    EXPECT_TRUE(controlWholeAtChildsDestroy);
    EXPECT_TRUE(childDestroyed);
    EXPECT_TRUE(controlDestroyed);
    EXPECT_FALSE(IsWindow(controlWindow));
    // Only the top window is destroyed by its object; the others went with it and let go.
    EXPECT_EQ(seen, (std::vector<HWND>{topWindow, nullptr, nullptr}));
}

TEST_F(Windows, DestroyingTheWindowFirstLeavesTheObjectWithoutAHandle)
{
    auto* window = new TestWindow(nullptr, "window");
    ASSERT_TRUE(window->Create());
    DestroyWindow(window->handle);
    EXPECT_EQ(window->handle, nullptr);
    std::vector<HWND> seen;
    window->handlesAtDestroy = &seen;
    delete window;
    EXPECT_EQ(seen, std::vector<HWND>{nullptr});
}

}  // namespace
