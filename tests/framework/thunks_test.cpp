// Instance thunks and binding: pages and the free list, one object per window, the object
// query, and the creation hook of the class "OwlWindow".
#include "test_objects.h"
#include "test_support.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Thunks = FrameworkTest;

bool InPage(const void* page, WNDPROC thunk)
{
    const auto* start = static_cast<const unsigned char*>(page);
    const auto* at = reinterpret_cast<const unsigned char*>(thunk);
    return at >= start + FIRST_THUNK_OFFSET && at < start + THUNK_PAGE_SIZE;
}

TEST_F(Thunks, ThePageAfterAFullOneServesTheNextObjectsFromItsTop)
{
    std::vector<std::unique_ptr<Bare>> objects;
    for (std::size_t free = FreeThunkCount(); free > 0; --free) {
        objects.push_back(std::make_unique<Bare>(nullptr));
    }
    void* const fullPage = thunkPages;
    ASSERT_EQ(freeThunks, nullptr);

    // The first object beyond a full page: a new page, linked to the one before.
    objects.push_back(std::make_unique<Bare>(nullptr));
    void* const secondPage = thunkPages;
    ASSERT_NE(secondPage, fullPage);
    void* link = nullptr;
    std::memcpy(&link, secondPage, sizeof link);
    EXPECT_EQ(link, fullPage);
    const auto* top = static_cast<unsigned char*>(secondPage) + FIRST_THUNK_OFFSET +
                      (THUNKS_PER_PAGE - 1) * THUNK_SIZE;
    EXPECT_EQ(reinterpret_cast<unsigned char*>(objects.back()->thunk), top);
    EXPECT_EQ(SlotOf(reinterpret_cast<void*>(objects.back()->thunk)), objects.back().get());

    // The page serves exactly its share, downwards, before another is made.
    for (std::size_t k = 1; k < THUNKS_PER_PAGE; ++k) {
        objects.push_back(std::make_unique<Bare>(nullptr));
        ASSERT_TRUE(InPage(secondPage, objects.back()->thunk)) << "object " << k;
        ASSERT_EQ(reinterpret_cast<unsigned char*>(objects.back()->thunk), top - k * THUNK_SIZE);
    }
    EXPECT_EQ(thunkPages, secondPage);
    objects.push_back(std::make_unique<Bare>(nullptr));
    EXPECT_NE(thunkPages, secondPage);
    EXPECT_TRUE(InPage(thunkPages, objects.back()->thunk));
}

TEST_F(Thunks, AThunkGivenBackIsTheNextHandedOutAcrossPages)
{
    auto first = std::make_unique<Bare>(nullptr);
    auto second = std::make_unique<Bare>(nullptr);
    const WNDPROC firstThunk = first->thunk;
    const WNDPROC secondThunk = second->thunk;
    first.reset();
    second.reset();
    // Last in, first out.
    Bare a(nullptr);
    Bare b(nullptr);
    EXPECT_EQ(a.thunk, secondThunk);
    EXPECT_EQ(b.thunk, firstThunk);

    GiveBackThunk(nullptr);  // nothing
    Bare c(nullptr);
    EXPECT_NE(c.thunk, nullptr);
    EXPECT_NE(c.thunk, a.thunk);
    EXPECT_NE(c.thunk, b.thunk);
}

TEST_F(Thunks, EachObjectReceivesOnlyItsOwnWindowsMessages)
{
    auto* one = new TestWindow(nullptr, "one");
    auto* two = new TestWindow(nullptr, "two");
    ASSERT_TRUE(one->Create());
    ASSERT_TRUE(two->Create());
    ASSERT_NE(one->thunk, two->thunk);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongA(one->handle, GWL_WNDPROC)), one->thunk);

    std::vector<HWND> oneSaw;
    std::vector<HWND> twoSaw;
    one->hook = [&](auto&, Message& m) {
        if (m.message == WM_APP) oneSaw.push_back(m.window);
        return false;
    };
    two->hook = [&](auto&, Message& m) {
        if (m.message == WM_APP) twoSaw.push_back(m.window);
        return false;
    };
    PostMessageA(two->handle, WM_APP, 0, 0);
    PostMessageA(one->handle, WM_APP, 0, 0);
    SendMessageA(two->handle, WM_APP, 0, 0);
    PumpMessages();
    EXPECT_EQ(oneSaw, std::vector<HWND>{one->handle});
    EXPECT_EQ(twoSaw, (std::vector<HWND>{two->handle, two->handle}));
    delete one;
    delete two;
}

TEST_F(Thunks, TheFourArgumentsArriveUnchangedAndTheResultGoesBack)
{
    auto* window = new TestWindow(nullptr, "arguments");
    ASSERT_TRUE(window->Create());
    Message seen{};
    window->hook = [&](auto&, Message& m) {
        if (m.message != WM_APP + 3) return false;
        seen = m;
        m.result = -7;
        return true;
    };
    const WPARAM wParam = static_cast<WPARAM>(-2);  // every bit that a WPARAM holds
    const LPARAM lParam = static_cast<LPARAM>(0x7654321F);
    EXPECT_EQ(SendMessageA(window->handle, WM_APP + 3, wParam, lParam), -7);
    EXPECT_EQ(seen.window, window->handle);
    EXPECT_EQ(seen.message, static_cast<UINT>(WM_APP + 3));
    EXPECT_EQ(seen.wParam, wParam);
    EXPECT_EQ(seen.lParam, lParam);
    EXPECT_EQ(seen.result, 1);  // as the record was built
    delete window;
}

TEST_F(Thunks, AnObjectThatDestroysItselfInAHandlerStillReturnsItsResult)
{
    bool destroyed = false;
    auto* window = new TestWindow(nullptr, "self");
    window->destroyed = &destroyed;
    ASSERT_TRUE(window->Create());
    const HWND handle = window->handle;
    window->hook = [](auto& self, Message& m) {
        if (m.message != WM_APP) return false;
        m.result = 42;
        delete &self;
        return true;
    };
    EXPECT_EQ(SendMessageA(handle, WM_APP, 0, 0), 42);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(handle));
}

TEST_F(Thunks, ObjectFromHandleFindsOnlyBoundWindows)
{
    auto* parent = new TestWindow(nullptr, "parent");
    ASSERT_TRUE(parent->Create());
    const HWND plainButton = CreateWindowExA(0, "Button", "plain", WS_CHILD, 0, 0, 10, 10, parent->handle,
                                             reinterpret_cast<HMENU>(7), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(plainButton, nullptr);
    auto* control = new TestControl(parent, "Button", 8);
    ASSERT_TRUE(control->Create());

    EXPECT_EQ(ObjectFromHandle(nullptr), nullptr);
    EXPECT_EQ(ObjectFromHandle(parent->handle), parent);
    EXPECT_EQ(ObjectFromHandle(plainButton), nullptr);  // a control no object has subclassed
    EXPECT_EQ(ObjectFromHandle(control->handle), control);

    // The query is a direct call of the procedure: nothing goes through the queue.
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_FALSE(control->Received(objectQueryMessage));
    delete parent;
    EXPECT_FALSE(IsWindow(plainButton));
}

TEST_F(Thunks, SubclassingKeepsTheClassProcedureForDefaultProcessing)
{
    auto* parent = new TestWindow(nullptr, "parent");
    ASSERT_TRUE(parent->Create());
    auto* control = new TestControl(parent, "Button", 8);
    ASSERT_TRUE(control->Create());
    WNDCLASSA button{};
    ASSERT_TRUE(GetClassInfoA(nullptr, "Button", &button));
    EXPECT_EQ(control->previousProc, button.lpfnWndProc);
    EXPECT_EQ(control->afterCreateCalls, 1);
    // The control's own procedure still answers through DefaultProc.
    SendMessageA(control->handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("changed"));
    char text[16] = {};
    GetWindowTextA(control->handle, text, sizeof text);
    EXPECT_STREQ(text, "changed");
    delete parent;
}

TEST_F(Thunks, TheCreationHookBindsTheWindowOnItsFirstMessage)
{
    auto* window = new TestWindow(nullptr, "hooked");
    bool boundAtFirst = false;
    window->hook = [&](auto& self, Message& m) {
        if (self.messages.size() == 1) {
            boundAtFirst = self.handle == m.window &&
                           reinterpret_cast<WNDPROC>(GetWindowLongA(m.window, GWL_WNDPROC)) == self.thunk;
        }
        return false;
    };
    ASSERT_TRUE(window->Create());
    EXPECT_TRUE(boundAtFirst);
    EXPECT_EQ(objectBeingCreated, nullptr);
    EXPECT_TRUE(window->Received(WM_NCCREATE));
    EXPECT_TRUE(window->Received(WM_CREATE));
    EXPECT_EQ(window->afterCreateCalls, 1);
    EXPECT_EQ(window->previousProc, reinterpret_cast<WNDPROC>(DefWindowProcA));

    WNDCLASSA frameworkClass{};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "OwlWindow", &frameworkClass));
    EXPECT_EQ(frameworkClass.lpfnWndProc, reinterpret_cast<WNDPROC>(CreationHookProc));
    EXPECT_EQ(frameworkClass.style, static_cast<UINT>(CS_VREDRAW | CS_HREDRAW));
    EXPECT_EQ(frameworkClass.hbrBackground, reinterpret_cast<HBRUSH>(6));
    delete window;
}

TEST_F(Thunks, TheHookGivesDefaultProcessingWhenNoObjectIsBeingCreated)
{
    auto* anyWindow = new TestWindow(nullptr, "registers the class");
    ASSERT_TRUE(anyWindow->Create());
    delete anyWindow;

    ASSERT_EQ(objectBeingCreated, nullptr);
    const HWND stray = CreateWindowExA(0, "OwlWindow", "stray", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(stray, nullptr);
    char text[16] = {};
    GetWindowTextA(stray, text, sizeof text);
    EXPECT_STREQ(text, "stray");  // DefWindowProcA kept the creation text
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongA(stray, GWL_WNDPROC)),
              reinterpret_cast<WNDPROC>(CreationHookProc));
    EXPECT_EQ(ObjectFromHandle(stray), nullptr);
    EXPECT_EQ(CreationHookProc(stray, WM_APP, 1, 2), 0);
    DestroyWindow(stray);
}

TEST_F(Thunks, TheObjectQueryIsRegisteredBeforeMain)
{
    EXPECT_NE(objectQueryMessage, 0u);
    EXPECT_EQ(objectQueryMessage, RegisterWindowMessageA("OwlObjectPtr"));
    const UINT before = objectQueryMessage;
    RegisterObjectQuery();  // once only
    EXPECT_EQ(objectQueryMessage, before);
}

}  // namespace

#if defined(__i386__)
namespace {

std::uint32_t Read32(const unsigned char* at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// The 32-bit code the program runs, read back from a page the system gave and executed by
// a message: the header pops the slot into ECX and jumps to the entry, each thunk calls
// the header.
TEST_F(Thunks, ALivePageHoldsTheI386CodeAndRunsIt)
{
    const auto object = std::make_unique<TestWindow>(nullptr, "live");
    ASSERT_TRUE(object->Create());
    const auto* page = static_cast<const unsigned char*>(thunkPages);
    ASSERT_TRUE(InPage(page, object->thunk));
    const auto pageAt = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(page));
    const auto* thunk = reinterpret_cast<const unsigned char*>(object->thunk);
    const auto thunkAt = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(thunk));

    EXPECT_EQ(page[4], 0x59);  // pop ecx
    EXPECT_EQ(page[5], 0xE9);  // jmp rel32 to ThunkEntry
    const auto entry = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&ThunkEntry));
    EXPECT_EQ(Read32(page + 6), entry - (pageAt + 10));
    EXPECT_EQ((thunkAt - pageAt - FIRST_THUNK_OFFSET) % THUNK_SIZE, 0u);
    EXPECT_EQ(thunk[0], 0xE8);  // call rel32 to the header
    EXPECT_EQ(Read32(thunk + 1), (pageAt + 4) - (thunkAt + 5));
    EXPECT_EQ(SlotOf(thunk), object.get());

    MEMORY_BASIC_INFORMATION region{};
    ASSERT_NE(VirtualQuery(page, &region, sizeof region), 0u);
    EXPECT_TRUE(region.Protect == PAGE_EXECUTE_READWRITE || region.Protect == PAGE_EXECUTE_READ) << region.Protect;

    object->messages.clear();
    SendMessageA(object->handle, WM_USER + 9, 3, 4);
    EXPECT_EQ(object->messages, std::vector<UINT>{WM_USER + 9});
}

}  // namespace
#endif
