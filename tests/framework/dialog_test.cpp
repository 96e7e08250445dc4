// Dialog objects run modally from templates: how they end, what their dialog procedure
// answers, the attached items, and what a command without a control does.
#include "test_objects.h"
#include "test_support.h"
#include "test_templates.h"

#include "driver.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr UINT ACT = WM_APP + 20;    // the test's turn inside the modal loop
constexpr UINT CHECK = WM_APP + 21;  // a second turn, after the first one's effects

// A click on a button of the dialog, through the button's own procedure.
void Click(TestDialog& dialog, int id)
{
    SendMessageA(GetDlgItem(dialog.handle, id), BM_CLICK, 0, 0);
}

class Dialogs : public FrameworkTest {
protected:
    static void SetUpTestSuite() { InstallTestTemplates(); }
    void SetUp() override
    {
        FrameworkTest::SetUp();
        owner = new TestWindow(nullptr, "owner");
        owner->log = &ownerLog;
        ASSERT_TRUE(owner->Create());
        ShowWindow(owner->handle, SW_SHOWNORMAL);
    }
    void TearDown() override
    {
        delete owner;
        FrameworkTest::TearDown();
    }

    // Runs a dialog of `templateId` whose ACT (posted at WM_INITDIALOG) runs `act`.
    INT_PTR Run(WORD templateId, const std::function<void(TestDialog&)>& act, bool mayClose = true,
                const std::function<void(TestDialog&)>& check = {})
    {
        auto* dialog = new TestDialog(owner, MAKEINTRESOURCEA(templateId));
        dialog->mayClose = mayClose;
        dialog->destroyed = &destroyed;
        dialog->onInit = [](TestDialog& self, Message&) { PostMessageA(self.handle, ACT, 0, 0); };
        dialog->hook = [act, check](auto& self, Message& m) {
            auto& testDialog = static_cast<TestDialog&>(self);
            if (m.message == ACT) {
                act(testDialog);
                PostMessageA(self.handle, CHECK, 0, 0);
                return true;
            }
            if (m.message == CHECK) {
                if (check) check(testDialog);
                return true;
            }
            return false;
        };
        destroyed = false;
        return RunModally(dialog);
    }

    INT_PTR RunModally(Dialog* dialog)
    {
        Application* const previous = application;
        // RunDialog is the application's; these tests need no main window of their own.
        struct NoMain : Application {
            NoMain() : Application("dialogs", StartUpLater{}) {}
        };
        if (previous != nullptr) {
            return previous->RunDialog(dialog);
        }
        NoMain app;
        return app.RunDialog(dialog);
    }

    TestWindow* owner = nullptr;
    VisitLog ownerLog;
    bool destroyed = false;
};

struct EndCase {
    const char* name;
    bool mayClose;
    std::function<void(TestDialog&)> act;
    INT_PTR expected;
};

void PrintTo(const EndCase& c, std::ostream* os)
{
    *os << c.name;
}

class DialogEnds : public Dialogs, public ::testing::WithParamInterface<EndCase> {};

TEST_P(DialogEnds, WithTheValueOfItsWay)
{
    const EndCase& c = GetParam();
    EXPECT_EQ(Run(TEMPLATE_OK_CANCEL, c.act, c.mayClose), c.expected);
    EXPECT_TRUE(destroyed);  // RunDialog destroyed the object
    EXPECT_EQ(owner->lastChild, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, DialogEnds,
    ::testing::Values(
        EndCase{"OkWhenItMayClose", true, [](TestDialog& d) { ui::Click(GetDlgItem(d.handle, IDOK)); }, IDOK},
        EndCase{"EnterKey", true, [](TestDialog&) { ui::Key(VK_RETURN); }, IDOK},
        EndCase{"CancelWithoutAsking", false, [](TestDialog& d) { ui::Click(GetDlgItem(d.handle, IDCANCEL)); },
                IDCANCEL},
        EndCase{"CloseBox", false, [](TestDialog& d) { ui::ClickCloseBox(d.handle); }, IDCANCEL},
        EndCase{"AltF4", false, [](TestDialog&) { ui::Key(VK_F4, ui::Alt); }, IDCANCEL},
        EndCase{"CloseMessage", true, [](TestDialog& d) { SendMessageA(d.handle, WM_CLOSE, 0, 0); }, IDCANCEL},
        EndCase{"EscapeKey", true, [](TestDialog&) { ui::Key(VK_ESCAPE); }, IDCANCEL},
        EndCase{"OwnValue", false, [](TestDialog& d) { d.FinishDialog(1234); }, 1234}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST_F(Dialogs, OkStaysOpenWhileMayCloseRefuses)
{
    bool openAfterOk = false;
    const INT_PTR result = Run(
        TEMPLATE_OK_CANCEL, [](TestDialog& d) { Click(d, IDOK); }, false,
        [&](TestDialog& d) {
            openAfterOk = d.handle != nullptr && IsWindow(d.handle);
            Click(d, IDCANCEL);
        });
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(Dialogs, TheDialogProcedureAnswersByWhatTheHandlersDid)
{
    struct Answers {
        LRESULT defaultProcessing = -1;
        LRESULT endSessionAllowed = -1;
        LRESULT endSessionRefused = -1;
        LRESULT managerAllowed = -1;
        LRESULT managerRefused = -1;
        bool focusOnProposedControl = false;
    } answers;
    Run(TEMPLATE_OK_CANCEL, [&](TestDialog& d) {
        const auto procedure = d.thunk;  // the dialog procedure itself
        answers.focusOnProposedControl = GetFocus() == GetDlgItem(d.handle, IDOK);
        answers.defaultProcessing = CallWindowProcA(procedure, d.handle, WM_APP + 50, 0, 0);
        answers.endSessionAllowed = CallWindowProcA(procedure, d.handle, WM_QUERYENDSESSION, 0, 0);
        answers.managerAllowed = SendMessageA(d.handle, WM_QUERYENDSESSION, 0, 0);
        d.mayClose = false;
        answers.endSessionRefused = CallWindowProcA(procedure, d.handle, WM_QUERYENDSESSION, 0, 0);
        answers.managerRefused = SendMessageA(d.handle, WM_QUERYENDSESSION, 0, 0);
        d.FinishDialog(IDCANCEL);
    });
    EXPECT_TRUE(answers.focusOnProposedControl);  // WM_INITDIALOG answered 1
    EXPECT_EQ(answers.defaultProcessing, 0);
    EXPECT_EQ(answers.endSessionAllowed, 0);
    EXPECT_EQ(answers.endSessionRefused, 1);
    // Through the dialog manager: its default lets the session end; a refusal says 0.
    EXPECT_EQ(answers.managerAllowed, 1);
    EXPECT_EQ(answers.managerRefused, 0);
}

TEST_F(Dialogs, ACommandTwoWithoutAControlIsNotACancel)
{
    bool stillOpen = false;
    const INT_PTR result = Run(
        TEMPLATE_OK_ONLY,
        [](TestDialog& d) {
            // Escape without a Cancel button: the dialog manager sends IDCANCEL with lParam 0.
            ui::Key(VK_ESCAPE);
            PostMessageA(d.handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        },
        true,
        [&](TestDialog& d) {
            stillOpen = IsWindow(d.handle) != 0;
            d.FinishDialog(7);
        });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, 7);
    // It climbed to the owner and ended in its default processing, for the dialog's window.
    std::vector<std::string> route;
    for (const Visit& v : ownerLog) {
        if (v.message == WM_COMMAND) route.push_back(v.what + " " + std::to_string(v.argument));
    }
    ASSERT_FALSE(route.empty());
    EXPECT_EQ(route[0], "HandleCommand 2");
    EXPECT_EQ(route[1], "DefaultProc 0");
}

TEST_F(Dialogs, AMissingTemplateReturnsTheFailureValueAndStillDestroysTheObject)
{
    auto* dialog = new TestDialog(owner, MAKEINTRESOURCEA(TEMPLATE_MISSING));
    dialog->destroyed = &destroyed;
    EXPECT_EQ(RunModally(dialog), -1);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(owner->lastChild, nullptr);
}

TEST_F(Dialogs, ANamedTemplateIsCopiedAndAnEmptyNameIsNone)
{
    char name[] = "SOMEDIALOG";
    Dialog named(nullptr, name);
    name[0] = 'X';
    EXPECT_STREQ(named.templateName, "SOMEDIALOG");
    Dialog empty(nullptr, "");
    EXPECT_EQ(empty.templateName, nullptr);
    Dialog numbered(nullptr, MAKEINTRESOURCEA(42));
    EXPECT_EQ(numbered.templateName, MAKEINTRESOURCEA(42));
}

TEST_F(Dialogs, ItemsAreAttachedAtInitAndLetGoWhenTheDialogEnds)
{
    auto* dialog = new TestDialog(owner, MAKEINTRESOURCEA(TEMPLATE_OK_CANCEL));
    auto* item = new TestControl(dialog, ITEM_FOR_OBJECTS);
    auto* second = new TestControl(dialog, ITEM_FOR_OBJECTS);
    std::vector<HWND> seen;
    dialog->handlesAtDestroy = &seen;
    item->handlesAtDestroy = &seen;
    struct {
        bool attached = false;
        bool secondNotBound = false;
        int itemAfterCreate = -1;
        int secondAfterCreate = -1;
    } state;
    dialog->onInit = [&](TestDialog& self, Message&) {
        const HWND itemWindow = GetDlgItem(self.handle, ITEM_FOR_OBJECTS);
        state.attached = item->handle == itemWindow && ObjectFromHandle(itemWindow) == item;
        state.secondNotBound = second->handle == itemWindow;
        state.itemAfterCreate = item->afterCreateCalls;
        state.secondAfterCreate = second->afterCreateCalls;
        self.FinishDialog(IDOK);
    };
    dialog->destroyed = &destroyed;
    EXPECT_EQ(RunModally(dialog), IDOK);
    EXPECT_TRUE(state.attached);
    EXPECT_TRUE(state.secondNotBound);
    EXPECT_EQ(state.itemAfterCreate, 1);
    EXPECT_EQ(state.secondAfterCreate, 0);
    EXPECT_TRUE(destroyed);
    // The dialog manager destroyed the windows; the objects had let go of their handles.
    EXPECT_EQ(seen, (std::vector<HWND>{nullptr, nullptr}));
}

TEST_F(Dialogs, TheKeyboardWindowIsClearedWhileAModalDialogRuns)
{
    delete owner;  // the application's main window is the owner here
    owner = nullptr;
    TestWindow* main = nullptr;
    TestApplication app([&] {
        main = new TestWindow(nullptr, "main");
        main->EnableKeyboardNavigation();
        return main;
    });
    ASSERT_EQ(app.keyboardWindow, main);
    WindowObject* during = main;
    auto* dialog = new TestDialog(main, MAKEINTRESOURCEA(TEMPLATE_OK_CANCEL));
    dialog->onInit = [](TestDialog& self, Message&) { PostMessageA(self.handle, ACT, 0, 0); };
    dialog->hook = [&](auto& self, Message& m) {
        if (m.message != ACT) return false;
        during = app.keyboardWindow;
        self.FinishDialog(IDOK);
        return true;
    };
    EXPECT_EQ(app.RunDialog(dialog), IDOK);
    EXPECT_EQ(during, nullptr);
    EXPECT_EQ(app.keyboardWindow, main);
}

}  // namespace
