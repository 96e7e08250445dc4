// The whole tool on the stand-in: the real ConfigApplication with its MainWindow, meq-sim
// serving on a pseudo-terminal that the port list offers as COM7, and a user who acts only
// through the stand-in's input. Message boxes are watched from the loops' idle moments:
// each one is recorded (text, caption, icon, buttons, owner) and answered with Enter, so
// an unexpected box shows up in `boxes` instead of hanging the test.
#pragma once

#include "config_application.h"
#include "main_window.h"
#include "sim_process.h"

#include "posix/testing_ports.h"
#include "posix/testing_ui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace ui = winapi_posix::testing;

struct BoxSeen {
    std::string text;
    std::string caption;
    HICON icon = nullptr;
    std::vector<std::string> buttons;
    HWND owner = nullptr;
};

// A box as a user sees it: MB_OK | MB_ICONERROR is one "OK" button beside the system's
// error icon.
inline HICON SystemIcon(LPCSTR id)
{
    return LoadIconA(nullptr, id);
}

struct WriteFrame {
    int reg;
    int value;  // the word as sent, 0 to 65535
    bool operator==(const WriteFrame&) const = default;
};

inline std::vector<int> Bytes(const std::string& hex)
{
    std::vector<int> bytes;
    for (std::size_t i = 0; i < hex.size(); i += 3) {
        bytes.push_back(static_cast<int>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16)));
    }
    return bytes;
}

class ToolTest : public ::testing::Test {
protected:
    static constexpr const char* PORT = "COM7";
    static constexpr const char* OTHER_PORT = "COM8";

    void SetUp() override
    {
        ui::Reset();
        testing_ports::SetPortFolder(SimProcess::PortFolder());
        // The machine's own serial ports never reach the list.
        testing_ports::SetTtyClassFolder(EmptyFolder());
        testing_ports::SetDeviceFolder(EmptyFolder());
        WatchBoxes();
    }

    void TearDown() override
    {
        if (app != nullptr) {
            delete app->mainWindow;  // nil once closed
            Pump();
        }
        app.reset();
        sim.reset();
        other.reset();
        ui::Reset();
        testing_ports::ResetPortSources();
    }

    static const std::string& EmptyFolder()
    {
        static const std::string folder = [] {
            const std::string path = SimProcess::PortFolder() + "-empty";
            std::filesystem::create_directories(path);
            return path;
        }();
        return folder;
    }

    // meq-sim on COM7 (before the tool, whose port list is read once at start), then the
    // tool itself.
    // With `secondPort`, the list also offers COM8, where a transmitter never answers.
    void Start(std::vector<std::string> simArgs = {"--ready", "--fixed"}, bool secondPort = false)
    {
        sim = std::make_unique<SimProcess>(PORT, std::move(simArgs));
        if (secondPort) {
            other = std::make_unique<SimProcess>(OTHER_PORT, std::vector<std::string>{"--fault", "noreply"});
        }
        StartToolOnly();
    }

    void StartToolOnly()
    {
        app = std::make_unique<ConfigApplication>();
        ASSERT_NE(app->mainWindow, nullptr);
        window = static_cast<MainWindow*>(app->mainWindow);
        Pump();
    }

    // ---- the loop -----------------------------------------------------------------------

    // Takes and handles every message that is there, as the application's loop does.
    void Pump()
    {
        MSG msg{};
        for (int guard = 0; guard < 100000 && app->ProcessOneMessage(msg); ++guard) {
        }
    }

    // The application's loop for a while, waiting in between (for ticks).
    void PumpFor(DWORD milliseconds)
    {
        const double end = NowMs() + milliseconds;
        const UINT_PTR stop = SetTimer(nullptr, 0, milliseconds, nullptr);
        MSG msg{};
        while (NowMs() < end && !app->quitReceived && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == stop) {
                break;
            }
            const bool tick = msg.message == WM_TIMER && msg.hwnd == window->handle;
            const double begin = NowMs();
            if (!app->FilterMessage(msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            if (tick) {
                ++ticksSeen;
                longestTickMs = std::max(longestTickMs, NowMs() - begin);
            }
        }
        KillTimer(nullptr, stop);
    }

    // ---- message boxes ------------------------------------------------------------------

    void WatchBoxes()
    {
        ui::WhenIdle([this] {
            const HWND modal = ui::ModalWindow();
            if (modal == nullptr || modal == answeredBox || GetDlgItem(modal, 0xFFFF) == nullptr) {
                return true;  // none, already answered, or a dialog of the tool's own
            }
            if (modal != heldBox) {
                heldBox = modal;
                heldSince = NowMs();
                boxes.push_back(Describe(modal));
                if (holdBoxesMs > 0) {
                    SetTimer(nullptr, 0, holdBoxesMs, nullptr);  // wakes the box's loop
                }
            }
            if (NowMs() - heldSince >= holdBoxesMs) {
                answeredBox = modal;
                ui::PressKey(VK_RETURN);
            }
            return true;
        });
    }

    static BoxSeen Describe(HWND box)
    {
        BoxSeen seen;
        seen.caption = ui::Inspect(box).text;
        seen.text = ui::Inspect(GetDlgItem(box, 0xFFFF)).text;
        const HWND icon = GetDlgItem(box, 20);
        if (icon != nullptr) {
            seen.icon = reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0));
        }
        for (HWND child : ui::Children(box)) {
            const ui::WindowState state = ui::Inspect(child);
            if (state.className == "Button") {
                seen.buttons.push_back(state.text);
            }
        }
        seen.owner = GetWindow(box, GW_OWNER);
        return seen;
    }

    void ExpectBox(const char* text, const char* caption, LPCSTR icon)
    {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, text);
        EXPECT_EQ(boxes[0].caption, caption);
        EXPECT_EQ(boxes[0].icon, SystemIcon(icon));
        EXPECT_EQ(boxes[0].buttons, std::vector<std::string>{"OK"});
        EXPECT_EQ(boxes[0].owner, window->handle);
    }

    // ---- the user ------------------------------------------------------------------------

    void ClickOn(HWND control)
    {
        ui::Click(control);
        Pump();
    }

    // Replaces the field's text the way a user does: click, select all, type.
    void TypeInto(WindowObject* field, const char* text)
    {
        ClickOn(field->handle);
        ui::PressKey(VK_END);
        ui::PressKey(VK_HOME, ui::Shift);
        if (text[0] == '\0') {
            ui::PressKey(VK_DELETE);
        } else {
            ui::TypeText(text);
        }
        Pump();
    }

    static HWND DroppedList()
    {
        for (HWND candidate : ui::TopLevelWindows()) {
            const ui::WindowState state = ui::Inspect(candidate);
            if (state.className == "ComboLBox" && state.visible) {
                return candidate;
            }
        }
        return nullptr;
    }

    // Drops the list with a click and clicks the item.
    void Choose(ComboBox* combo, const std::string& item)
    {
        const std::vector<std::string> items = ui::Inspect(combo->handle).items;
        int position = -1;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i] == item) {
                position = static_cast<int>(i);
            }
        }
        ASSERT_GE(position, 0) << item << " is not in the list";
        ClickOn(combo->handle);
        const HWND list = DroppedList();
        ASSERT_NE(list, nullptr) << "the click drops the list";
        SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(position), 0);
        RECT row{};
        ASSERT_NE(SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&row)),
                  LB_ERR);
        POINT point{(row.left + row.right) / 2, (row.top + row.bottom) / 2};
        ClientToScreen(list, &point);
        ui::ClickAt(point);
        Pump();
    }

    void ChoosePort(const char* name = PORT) { Choose(window->portCombo, name); }

    // Starts the tool on a sim and connects; the fields are then filled.
    void StartConnected(std::vector<std::string> simArgs = {"--ready", "--fixed"})
    {
        Start(std::move(simArgs));
        ChoosePort();
        ASSERT_EQ(Text(window->identityField), "MEQ");
    }

    // A control of the main window by its id.
    HWND Item(int id) const { return GetDlgItem(window->handle, id); }

    static std::string Text(const WindowObject* field) { return ui::Inspect(field->handle).text; }

    // ---- what meq-sim received -----------------------------------------------------------

    // Every function 06 request, in order.
    std::vector<WriteFrame> Writes() const
    {
        std::vector<WriteFrame> writes;
        for (const std::string& frame : sim->ReceivedFrames()) {
            const std::vector<int> b = Bytes(frame);
            if (b.size() == 8 && b[1] == 0x06) {
                writes.push_back({b[2] * 256 + b[3], b[4] * 256 + b[5]});
            }
        }
        return writes;
    }

    // Waits (up to a second) until `count` writes have come.
    std::vector<WriteFrame> WaitForWrites(std::size_t count) const
    {
        const double deadline = NowMs() + 1000;
        std::vector<WriteFrame> writes = Writes();
        while (writes.size() < count && NowMs() < deadline) {
            writes = Writes();
        }
        return writes;
    }

    // How many requests of a function code reached the sim.
    std::size_t Requests(int functionCode) const
    {
        std::size_t count = 0;
        for (const std::string& frame : sim->ReceivedFrames()) {
            const std::vector<int> b = Bytes(frame);
            count += b.size() >= 2 && b[1] == functionCode ? 1 : 0;
        }
        return count;
    }

    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<SimProcess> other;
    std::unique_ptr<ConfigApplication> app;
    MainWindow* window = nullptr;

    // The ticks PumpFor handed to the main window, and the longest one.
    int ticksSeen = 0;
    double longestTickMs = 0;

    std::vector<BoxSeen> boxes;
    DWORD holdBoxesMs = 0;  // how long a box stays open before it is answered
    HWND heldBox = nullptr;
    HWND answeredBox = nullptr;
    double heldSince = 0;
};
