// The "..." button: the dialog "MODBUS RTU" shows the tool's own link settings, OK takes
// the new ones and reconnects at once with them, Escape and the close box change nothing.
// The user acts inside the running dialog one step per idle moment of its modal loop, so
// that each click has been handled before the next one is aimed.
#include "tool_fixture.h"

#include <deque>
#include <functional>

namespace {

class LinkDialog : public ToolTest {
protected:
    using Step = std::function<void(HWND dialog)>;

    // Clicks "..." and runs the steps while the dialog is open; returns once it has ended.
    void RunDialog(std::vector<Step> steps)
    {
        auto pending = std::make_shared<std::deque<Step>>(steps.begin(), steps.end());
        dialogsSeen = 0;
        ui::WhenIdle([this, pending] {
            const HWND modal = ui::ModalWindow();
            if (modal == nullptr || ui::Inspect(modal).text != "MODBUS RTU") {
                return !pending->empty();
            }
            if (modal != lastDialog) {
                lastDialog = modal;
                ++dialogsSeen;
            }
            if (pending->empty()) {
                return false;
            }
            const Step step = pending->front();
            pending->pop_front();
            step(modal);
            return true;
        });
        // A step that only looks posts nothing; the timer wakes the loop for the next one.
        const UINT_PTR waker = SetTimer(nullptr, 0, 20, nullptr);
        ClickOn(Item(102));
        KillTimer(nullptr, waker);
        EXPECT_EQ(ui::ModalWindow(), nullptr) << "the dialog has ended";
        EXPECT_EQ(dialogsSeen, 1);
    }

    // Two steps: drop the list of item `id`, then click its entry `text`.
    static void Choose(std::vector<Step>& steps, int id, std::string text)
    {
        steps.push_back([id](HWND dialog) { ui::Click(GetDlgItem(dialog, id)); });
        steps.push_back([id, text](HWND dialog) {
            const std::vector<std::string> items = ui::Inspect(GetDlgItem(dialog, id)).items;
            int position = -1;
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (items[i] == text) {
                    position = static_cast<int>(i);
                }
            }
            const HWND list = DroppedList();
            ASSERT_NE(list, nullptr);
            ASSERT_GE(position, 0) << text;
            SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(position), 0);
            RECT row{};
            SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&row));
            POINT point{(row.left + row.right) / 2, (row.top + row.bottom) / 2};
            ClientToScreen(list, &point);
            ui::ClickAt(point);
        });
    }

    // What the three lists show, as texts.
    static std::vector<std::string> Shown(HWND dialog)
    {
        std::vector<std::string> shown;
        for (int id : {101, 102, 103}) {
            const ui::WindowState state = ui::Inspect(GetDlgItem(dialog, id));
            shown.push_back(state.selection >= 0 ? state.items[static_cast<std::size_t>(state.selection)] : "");
        }
        return shown;
    }

    int dialogsSeen = 0;
    HWND lastDialog = nullptr;
};

TEST_F(LinkDialog, OkTakesTheNewSettingsAndReconnectsAtOnce)
{
    // A transmitter at 9600 Bd, no parity, slave 5: the tool's first settings miss it.
    Start({"--ready", "--fixed", "--baud", "9600", "--parity", "none", "--address", "5"});
    ChoosePort();
    EXPECT_EQ(Text(window->identityField), "");

    std::vector<std::string> first;
    std::vector<Step> steps;
    steps.push_back([&](HWND dialog) {
        first = Shown(dialog);
        // The dialog and its labels are the main window's grey.
        const HWND label = GetDlgItem(dialog, 0);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(ui::Painted(dialog).brush, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
        EXPECT_EQ(ui::Painted(label).bkColor, RGB(192, 192, 192));
        EXPECT_EQ(ui::Painted(label).brush, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    });
    Choose(steps, 101, "9600");
    Choose(steps, 102, "None");
    Choose(steps, 103, "5");
    steps.push_back([](HWND dialog) { ui::Click(GetDlgItem(dialog, IDOK)); });
    RunDialog(steps);

    EXPECT_EQ(first, (std::vector<std::string>{"19200", "Even", "1"}));
    EXPECT_EQ(window->commSettings.baudIndex, 3);
    EXPECT_EQ(window->commSettings.parityIndex, 0);
    EXPECT_EQ(window->commSettings.address, 5);
    EXPECT_EQ(Text(window->identityField), "MEQ") << "reconnected with the new line";
    EXPECT_EQ(Text(window->temperatureField), "22.00");
    for (const FrameLogLine& line : sim->Log()) {
        if (line.direction == "tx") {
            EXPECT_EQ(line.hex.substr(0, 2), "05") << "every answer comes from slave 5";
        }
    }
    const std::vector<std::string> received = sim->ReceivedFrames();
    EXPECT_EQ(received.back().substr(0, 2), "05");

    // The next opening shows them; Escape leaves them and makes no reconnection.
    std::vector<std::string> second;
    const std::size_t frames = sim->ReceivedFrames().size();
    RunDialog({[&](HWND dialog) { second = Shown(dialog); }, [](HWND) { ui::PressKey(VK_ESCAPE); }});
    EXPECT_EQ(second, (std::vector<std::string>{"9600", "None", "5"}));
    EXPECT_EQ(sim->ReceivedFrames().size(), frames);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LinkDialog, EscapeAndTheCloseBoxChangeNothing)
{
    StartConnected();
    const std::size_t frames = sim->ReceivedFrames().size();
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Escape");
        std::vector<Step> steps;
        Choose(steps, 101, "1200");
        Choose(steps, 103, "9");
        if (closeBox) {
            steps.push_back([](HWND dialog) { ui::ClickAt(ui::CloseBoxOf(dialog)); });
        } else {
            steps.push_back([](HWND) { ui::PressKey(VK_ESCAPE); });
        }
        RunDialog(steps);
        EXPECT_EQ(window->commSettings.baudIndex, 4);
        EXPECT_EQ(window->commSettings.parityIndex, 2);
        EXPECT_EQ(window->commSettings.address, 1);
        EXPECT_EQ(sim->ReceivedFrames().size(), frames) << "no reconnection";
        EXPECT_EQ(Text(window->identityField), "MEQ");
    }
}

TEST_F(LinkDialog, OkWithNoPortChosenClearsTheIdentityFields)
{
    Start();
    window->identityField->WriteText("MEQ");
    window->firmwareField->WriteText("1.02");
    window->serialNumberField->WriteText("1");
    window->co2Field->WriteText("600");
    RunDialog({[](HWND) { ui::PressKey(VK_RETURN); }});
    EXPECT_EQ(Text(window->identityField), "");
    EXPECT_EQ(Text(window->firmwareField), "");
    EXPECT_EQ(Text(window->serialNumberField), "");
    EXPECT_EQ(Text(window->co2Field), "600");
    EXPECT_TRUE(sim->ReceivedFrames().empty());
    EXPECT_EQ(window->commSettings.baudIndex, 4) << "OK stored what was shown";
    EXPECT_EQ(window->commSettings.address, 1);
}

}  // namespace
