// The main window as the program starts it: every control at its place in the client area,
// the window's frame and class, the Tab order, the grey behind the labels, the digit-only
// fields; and the program's life from start to the close box.
#include "tool_fixture.h"

#include <algorithm>

namespace {

struct Expected {
    const char* className;
    int id;
    const char* text;
    int x, y, width, height;
};

// In construction order; a combo box's height is that of its dropped-down list.
const Expected CONTROLS[] = {
    {"Static", 0, "Port:", 403, 14, 35, 18},
    {"ComboBox", 101, "", 448, 10, 80, 160},
    {"Button", 102, "...", 538, 10, 32, 24},
    {"Static", 0, "Převodník:", 10, 10, 90, 20},
    {"Static", 0, "", 110, 10, 100, 20},
    {"Static", 0, "Firmware:", 10, 35, 90, 20},
    {"Static", 0, "", 110, 35, 100, 20},
    {"Static", 0, "Výrobní číslo:", 10, 60, 90, 20},
    {"Static", 0, "", 110, 60, 100, 20},
    {"Button", 0, "Komunikace:", 10, 90, 170, 155},
    {"Static", 0, "Adresa", 20, 117, 65, 20},
    {"ComboBox", 104, "", 95, 115, 75, 200},
    {"Static", 0, "Rychlost", 20, 147, 65, 20},
    {"ComboBox", 105, "", 95, 145, 75, 200},
    {"Static", 0, "Parita", 20, 177, 65, 20},
    {"ComboBox", 106, "", 95, 175, 75, 200},
    {"Button", 107, "Restart", 20, 212, 150, 22},
    {"Button", 0, "CO2:", 10, 255, 170, 130},
    {"Static", 0, "L1", 20, 280, 30, 20},
    {"Edit", 0, "", 60, 280, 50, 20},
    {"Button", 108, "Zápis", 120, 280, 50, 20},
    {"Static", 0, "L2", 20, 305, 30, 20},
    {"Edit", 0, "", 60, 305, 50, 20},
    {"Button", 109, "Zápis", 120, 305, 50, 20},
    {"Static", 0, "FRC", 20, 330, 30, 20},
    {"Edit", 0, "", 60, 330, 50, 20},
    {"Button", 110, "Zápis", 120, 330, 50, 20},
    {"Button", 111, "Auto kalibrace", 20, 355, 150, 20},
    {"Button", 0, "Hodnoty včetně korekce:", 190, 90, 230, 295},
    {"Static", 0, "Teplota [°C]", 200, 115, 130, 20},
    {"Static", 0, "", 340, 115, 70, 20},
    {"Static", 0, "Rel. vlhkost [%]", 200, 140, 130, 20},
    {"Static", 0, "", 340, 140, 70, 20},
    {"Static", 0, "Abs. vlhkost [g/m3]", 200, 165, 130, 20},
    {"Static", 0, "", 340, 165, 70, 20},
    {"Static", 0, "Rosný bod [°C]", 200, 190, 130, 20},
    {"Static", 0, "", 340, 190, 70, 20},
    {"Static", 0, "Abs. tlak [hPa]", 200, 215, 130, 20},
    {"Static", 0, "", 340, 215, 70, 20},
    {"Static", 0, "CO2 [ppm]", 200, 240, 130, 20},
    {"Static", 0, "", 340, 240, 70, 20},
    {"Static", 0, "VOC index", 200, 280, 130, 20},
    {"Static", 0, "", 340, 280, 70, 20},
    {"Static", 0, "Doba provozu [hod]", 200, 305, 130, 20},
    {"Static", 0, "", 340, 305, 70, 20},
    {"Static", 0, "Status", 200, 330, 130, 20},
    {"Static", 0, "", 340, 330, 70, 20},
    {"Button", 112, "Číst", 200, 355, 60, 20},
    {"Button", 0, "Korekce:", 430, 90, 140, 295},
    {"Edit", 0, "", 440, 115, 60, 20},
    {"Button", 113, "Zápis", 510, 115, 50, 20},
    {"Edit", 0, "", 440, 140, 60, 20},
    {"Button", 114, "Zápis", 510, 140, 50, 20},
    {"Edit", 0, "", 440, 165, 60, 20},
    {"Button", 115, "Zápis", 510, 165, 50, 20},
    {"Edit", 0, "", 440, 190, 60, 20},
    {"Button", 116, "Zápis", 510, 190, 50, 20},
    {"Edit", 0, "", 440, 215, 60, 20},
    {"Button", 117, "Zápis", 510, 215, 50, 20},
    {"Edit", 0, "", 440, 240, 60, 20},
    {"Button", 118, "Zápis", 510, 240, 50, 20},
};
constexpr std::size_t CONTROL_COUNT = sizeof CONTROLS / sizeof CONTROLS[0];

class Layout : public ToolTest {
protected:
    void SetUp() override
    {
        ToolTest::SetUp();
        Start();
        main = ui::Inspect(window->handle);
        children = main.children;
    }

    // The control's rectangle in the main window's client area.
    RECT ClientPlace(HWND control) const
    {
        const RECT r = ui::Inspect(control).rect;
        return RECT{r.left - main.client.left, r.top - main.client.top, r.right - main.client.left,
                    r.bottom - main.client.top};
    }

    ui::WindowState main;
    std::vector<HWND> children;
};

TEST_F(Layout, TheWindowIsAFixedSizeCaptionedFrameWithTheToolsClass)
{
    EXPECT_EQ(main.text, "MEQ config");
    EXPECT_TRUE(main.visible);
    EXPECT_EQ(main.style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), DWORD{WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX});
    EXPECT_EQ(main.style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u) << "neither sizable nor maximizable";
    EXPECT_EQ(main.rect.right - main.rect.left, 585);
    EXPECT_EQ(main.rect.bottom - main.rect.top, 423);

    WNDCLASSA windowClass{};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "OwlWindow", &windowClass));
    const HICON programIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
    ASSERT_NE(programIcon, nullptr) << "icon 1 is among the program's resources";
    EXPECT_EQ(windowClass.hIcon, programIcon);
    EXPECT_EQ(windowClass.hbrBackground, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
}

TEST_F(Layout, EveryControlStandsAtItsPlaceInConstructionOrder)
{
    ASSERT_EQ(children.size(), CONTROL_COUNT);
    for (std::size_t i = 0; i < CONTROL_COUNT; ++i) {
        const Expected& e = CONTROLS[i];
        const ui::WindowState state = ui::Inspect(children[i]);
        SCOPED_TRACE("control " + std::to_string(i + 1) + " " + e.text);
        EXPECT_EQ(state.className, e.className);
        EXPECT_EQ(state.id, e.id);
        EXPECT_EQ(state.text, e.text);
        EXPECT_TRUE(state.visible);
        RECT place = ClientPlace(children[i]);
        if (state.className == "ComboBox") {
            // Closed, a combo box is one line high; its given height reaches to the bottom
            // of the dropped list.
            RECT dropped{};
            SendMessageA(children[i], CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
            place.bottom = dropped.bottom - main.client.top;
        }
        EXPECT_EQ(place.left, e.x);
        EXPECT_EQ(place.top, e.y);
        EXPECT_EQ(place.right - place.left, e.width);
        EXPECT_EQ(place.bottom - place.top, e.height);
    }
    // The group boxes are frames, the value fields sunken right-aligned labels.
    EXPECT_EQ(ui::Inspect(children[9]).style & BS_TYPEMASK, DWORD{BS_GROUPBOX});
    EXPECT_EQ(ui::Inspect(children[27]).style & BS_TYPEMASK, DWORD{BS_AUTOCHECKBOX});
    EXPECT_EQ(ui::Inspect(children[47]).style & BS_TYPEMASK, DWORD{BS_AUTOCHECKBOX});
}

TEST_F(Layout, OnlyDigitsGoIntoTheCo2FieldsAndAnythingIntoTheCorrections)
{
    for (NumberEdit* field : {window->level1Edit, window->level2Edit, window->frcEdit}) {
        EXPECT_NE(ui::Inspect(field->handle).style & ES_NUMBER, 0u);
        TypeInto(field, "1,5-a");
        EXPECT_EQ(Text(field), "15");
    }
    for (NumberEdit* field : window->correctionEdits) {
        EXPECT_EQ(ui::Inspect(field->handle).style & ES_NUMBER, 0u);
        TypeInto(field, "-1,5e");
        EXPECT_EQ(Text(field), "-1,5e");
    }
}

TEST_F(Layout, TabWalksTheFocusableControlsInTableOrder)
{
    std::vector<HWND> expected;
    for (std::size_t i = 0; i < CONTROL_COUNT; ++i) {
        if ((ui::Inspect(children[i]).style & WS_TABSTOP) != 0) {
            expected.push_back(children[i]);
        }
    }
    // Buttons, check boxes, combo boxes and number fields: 2 on top, 4 + 7 in the left
    // groups, "Číst" and the 12 of the corrections.
    ASSERT_EQ(expected.size(), 26u);
    for (std::size_t i = 0; i < CONTROL_COUNT; ++i) {
        const std::string kind = CONTROLS[i].className;
        const bool label = kind == "Static" || (kind == "Button" && CONTROLS[i].id == 0);
        EXPECT_EQ(std::find(expected.begin(), expected.end(), children[i]) == expected.end(), label) << i + 1;
    }

    ClickOn(window->level1Edit->handle);  // a field: a click there drops nothing
    std::vector<HWND> walk;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ui::PressKey(VK_TAB);
        Pump();
        walk.push_back(GetFocus());
    }
    // Once round from the field after L1's: the same cycle, shifted.
    const auto start = std::find(expected.begin(), expected.end(), window->level1Edit->handle) - expected.begin();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(walk[i], expected[(static_cast<std::size_t>(start) + 1 + i) % expected.size()]) << i;
    }
    // Round and back at L1's field; Shift+Tab goes back one.
    ASSERT_EQ(GetFocus(), window->level1Edit->handle);
    ui::PressKey(VK_TAB, ui::Shift);
    Pump();
    EXPECT_EQ(GetFocus(), expected[static_cast<std::size_t>(start) - 1]) << "Shift+Tab goes back";
}

TEST_F(Layout, LabelsAndValueFieldsDrawOnTheWindowsGrey)
{
    Pump();
    const HBRUSH grey = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    const ui::PaintSummary background = ui::Painted(window->handle);
    ASSERT_TRUE(background.painted);
    EXPECT_EQ(background.brush, grey);
    std::size_t statics = 0;
    for (std::size_t i = 0; i < CONTROL_COUNT; ++i) {
        if (std::string(CONTROLS[i].className) != "Static") {
            continue;
        }
        ++statics;
        const ui::PaintSummary paint = ui::Painted(children[i]);
        SCOPED_TRACE(std::to_string(i + 1) + " " + CONTROLS[i].text);
        ASSERT_TRUE(paint.painted);
        EXPECT_EQ(paint.brush, grey);
        if (CONTROLS[i].text[0] != '\0') {
            EXPECT_EQ(paint.bkColor, RGB(192, 192, 192));
        }
    }
    EXPECT_EQ(statics, 31u);
    // A value written later is drawn on the same grey.
    window->temperatureField->ShowDecimal(21.5f);
    Pump();
    EXPECT_EQ(ui::Painted(window->temperatureField->handle).text, "21.50");
    EXPECT_EQ(ui::Painted(window->temperatureField->handle).bkColor, RGB(192, 192, 192));
}

using ProgramLife = ToolTest;

TEST_F(ProgramLife, StartsWithEverythingEmptyAndEndsAtTheCloseBoxWhilePolling)
{
    Start({"--ready"});
    const HWND mainHandle = window->handle;
    EXPECT_EQ(ui::Inspect(window->portCombo->handle).items, std::vector<std::string>{PORT});
    for (ComboBox* combo : {static_cast<ComboBox*>(window->portCombo), static_cast<ComboBox*>(window->addressCombo),
                            static_cast<ComboBox*>(window->baudCombo), static_cast<ComboBox*>(window->parityCombo)}) {
        EXPECT_EQ(combo->GetSelection(), -1);
    }
    EXPECT_EQ(ui::Inspect(window->addressCombo->handle).items.size(), 247u);
    EXPECT_EQ(ui::Inspect(window->parityCombo->handle).items,
              (std::vector<std::string>{"None", "Odd", "Even", "Mark"}));
    EXPECT_EQ(Text(window->temperatureField), "");
    EXPECT_EQ(Text(window->correctionEdits[5]), "");
    EXPECT_EQ(window->pollCheck->CheckState(), 0);
    EXPECT_TRUE(sim->ReceivedFrames().empty()) << "nothing is sent before a port is chosen";

    ChoosePort();
    ClickOn(window->pollCheck->handle);
    ASSERT_NE(window->pollTimerActive, 0u);

    // The close box, then the application's own loop until it ends.
    ui::ClickAt(ui::CloseBoxOf(mainHandle));
    app->Run();
    EXPECT_TRUE(app->quitReceived);
    EXPECT_EQ(app->mainWindow, nullptr);
    EXPECT_FALSE(IsWindow(mainHandle));
    EXPECT_TRUE(ui::TopLevelWindows().empty()) << "no window or dialog stays";

    // The port is free again: another program can open it exclusively.
    const HANDLE port = CreateFileA("\\\\.\\COM7", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(port, INVALID_HANDLE_VALUE);
    if (port != INVALID_HANDLE_VALUE) {
        CloseHandle(port);
    }
    const std::size_t reads = Requests(0x04);
    usleep(1200 * 1000);
    EXPECT_EQ(Requests(0x04), reads) << "no tick after the close";
}

}  // namespace
