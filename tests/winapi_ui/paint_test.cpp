// Painting with the colours the parent gives, as the stand-in records it, and the testing
// interface's inspection. These suites read the stand-in's paint records, so they run
// against the stand-in only.
#include "dialog_template.h"
#include "driver.h"
#include "posix/testing_ui.h"
#include "posix/user_resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace t = winapi_posix::testing;

namespace {

struct ColourRequest {
    UINT message;
    HWND control;
};
std::vector<ColourRequest> requests;
bool greyStatics = true;

LRESULT CALLBACK GreyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        requests.push_back({message, reinterpret_cast<HWND>(lParam)});
        if (message == WM_CTLCOLORSTATIC && greyStatics) {
            SetBkColor(reinterpret_cast<HDC>(wParam), 0x00C0C0C0);
            return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class Paint : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::Reset();
        requests.clear();
        greyStatics = true;
        ASSERT_NE(ui::RegisterTestClass("GreyWindow", GreyProc, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH))), 0);
        window = CreateWindowExA(0, "GreyWindow", "MEQ config", 0x00CA0000, CW_USEDEFAULT, 0, 585, 423, nullptr,
                                 nullptr, nullptr, nullptr);
        ShowWindow(window, SW_SHOWNORMAL);
    }
    void TearDown() override { ui::Reset(); }

    HWND Make(const char* cls, const char* text, DWORD style, DWORD ex = 0, int width = 100)
    {
        return CreateWindowExA(ex, cls, text, WS_CHILD | WS_VISIBLE | style, 110, 10, width, 20, window, nullptr,
                               nullptr, nullptr);
    }

    HWND window = nullptr;
};

TEST_F(Paint, StaticsPaintWithTheBrushAndBackgroundTheirParentGives)
{
    const HWND label = Make("Static", "Port:", SS_LEFT);
    const HWND value = Make("Static", "23.46", SS_RIGHT, WS_EX_CLIENTEDGE, 70);
    ui::Pump();
    for (HWND hwnd : {label, value}) {
        const t::PaintSummary p = t::Painted(hwnd);
        ASSERT_TRUE(p.painted);
        EXPECT_EQ(p.brush, GetStockObject(LTGRAY_BRUSH));
        EXPECT_EQ(p.brushColor, RGB(192, 192, 192));
        EXPECT_EQ(p.bkColor, 0x00C0C0C0u);
        EXPECT_EQ(p.textColor, GetSysColor(COLOR_WINDOWTEXT));  // not changed by the parent
        EXPECT_EQ(p.text, ui::Text(hwnd));
    }
    // Right-aligned text ends at the client area's right edge, inside the sunken edge.
    RECT client{};
    GetClientRect(value, &client);
    RECT outer{};
    GetWindowRect(value, &outer);
    EXPECT_EQ(client.right, outer.right - outer.left - 2 * GetSystemMetrics(SM_CXEDGE));
    bool found = false;
    for (const t::DrawOp& op : t::LastPaint(value)) {
        if (op.kind == t::DrawOp::Kind::Text) {
            EXPECT_EQ(op.rect.right, client.right);
            found = true;
        }
    }
    EXPECT_TRUE(found);

    SetWindowTextA(value, "24.00");
    ui::Pump();
    EXPECT_EQ(t::Painted(value).text, "24.00");
}

TEST_F(Paint, WithoutAnAnswerFromTheParentAStaticUsesTheDefaultColours)
{
    greyStatics = false;
    const HWND label = Make("Static", "Port:", SS_LEFT);
    ui::Pump();
    EXPECT_EQ(t::Painted(label).brush, GetSysColorBrush(COLOR_3DFACE));
    EXPECT_EQ(t::Painted(label).bkColor, GetSysColor(COLOR_3DFACE));
}

TEST_F(Paint, EachControlAsksItsParentWithItsOwnColourMessage)
{
    struct Case {
        const char* cls;
        DWORD style;
        UINT message;
    };
    for (const Case c : {Case{"Button", BS_PUSHBUTTON, WM_CTLCOLORBTN}, Case{"Button", BS_AUTOCHECKBOX, WM_CTLCOLORSTATIC},
                         Case{"Button", BS_GROUPBOX, WM_CTLCOLORSTATIC}, Case{"Static", SS_RIGHT, WM_CTLCOLORSTATIC},
                         Case{"Edit", ES_RIGHT, WM_CTLCOLOREDIT}, Case{"Edit", ES_READONLY, WM_CTLCOLORSTATIC},
                         Case{"ListBox", LBS_NOTIFY, WM_CTLCOLORLISTBOX},
                         Case{"ComboBox", CBS_DROPDOWNLIST, WM_CTLCOLOREDIT}}) {
        const HWND control = Make(c.cls, "x", c.style);
        requests.clear();
        ui::Pump();
        ASSERT_FALSE(requests.empty()) << c.cls << " " << c.style;
        EXPECT_EQ(requests.front().message, c.message) << c.cls << " " << c.style;
        EXPECT_EQ(requests.front().control, control);
        const t::PaintSummary p = t::Painted(control);
        EXPECT_TRUE(p.painted);
        if (c.message == WM_CTLCOLORSTATIC) {
            EXPECT_EQ(p.brush, GetStockObject(LTGRAY_BRUSH)) << c.cls << " " << c.style;
        }
        DestroyWindow(control);
    }
}

TEST_F(Paint, AWindowErasesWithItsClassBrush)
{
    ui::Pump();
    EXPECT_EQ(t::Painted(window).brush, GetStockObject(LTGRAY_BRUSH));
    ASSERT_NE(ui::RegisterTestClass("WhiteWindow", DefWindowProcA, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)), 0);
    const HWND white = CreateWindowExA(0, "WhiteWindow", "w", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100,
                                       nullptr, nullptr, nullptr, nullptr);
    ui::Pump();
    EXPECT_EQ(t::Painted(white).brushColor, RGB(255, 255, 255));
}

INT_PTR CALLBACK GreyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), 0x00C0C0C0);
        return reinterpret_cast<INT_PTR>(GetStockObject(LTGRAY_BRUSH));
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(GetStockObject(LTGRAY_BRUSH));
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

TEST_F(Paint, ADialogUsesTheBrushesItsProcedureReturns)
{
    TemplateBuilder grey(0x00C80080, 100, 20, 87, 72, "T");
    grey.Item(STATIC, 0, "P", 0x50020000, 5, 7, 32, 10);
    const std::vector<BYTE> bytes = grey.Bytes();
    ASSERT_TRUE(winapi_posix::AddResource(RT_DIALOG, MAKEINTRESOURCEA(40), 0, bytes.data(), static_cast<DWORD>(bytes.size())));
    t::PaintSummary dialogPaint;
    t::PaintSummary labelPaint;
    std::string labelText;
    t::OnNextModal([&](HWND dialog) {
        dialogPaint = t::Painted(dialog);
        const HWND label = GetWindow(dialog, GW_CHILD);
        labelPaint = t::Painted(label);
        labelText = ui::Text(label);
        t::PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(40), window, GreyDialogProc, 0), IDCANCEL);
    EXPECT_EQ(labelText, "P");
    EXPECT_EQ(dialogPaint.brush, GetStockObject(LTGRAY_BRUSH));
    EXPECT_EQ(labelPaint.brush, GetStockObject(LTGRAY_BRUSH));
    EXPECT_EQ(labelPaint.bkColor, 0x00C0C0C0u);
    winapi_posix::RemoveResource(RT_DIALOG, MAKEINTRESOURCEA(40));
}

TEST_F(Paint, AMessageBoxShowsItsTextAndIcon)
{
    t::WindowState text;
    int icon = 0;
    t::OnNextModal([&](HWND box) {
        EXPECT_EQ(t::ModalWindow(), box);
        text = t::Inspect(t::FindByText(box, "Chyba", "Static"));
        for (HWND child : t::Children(box)) {
            if (t::Painted(child).iconKind != 0) {
                icon = t::Painted(child).iconKind;
            }
        }
        t::Click(t::FindByText(box, "OK", "Button"));
    });
    EXPECT_EQ(MessageBoxA(window, "Chyba", "MEQ config", MB_OK | MB_ICONHAND), IDOK);
    EXPECT_TRUE(text.visible);
    EXPECT_EQ(text.text, "Chyba");
    EXPECT_EQ(icon, 32513);  // the error icon
    EXPECT_EQ(t::ModalWindow(), nullptr);
}

TEST_F(Paint, InspectionShowsTheStateOfEachControl)
{
    const HWND combo = Make("ComboBox", nullptr, WS_TABSTOP | CBS_DROPDOWNLIST);
    for (const char* item : {"None", "Odd"}) {
        SendMessageA(combo, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(item));
    }
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    const HWND check = Make("Button", "Číst", BS_AUTOCHECKBOX | WS_DISABLED);
    SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    SetFocus(combo);

    const t::WindowState c = t::Inspect(combo);
    EXPECT_EQ(c.className, "ComboBox");
    EXPECT_EQ(c.items, (std::vector<std::string>{"None", "Odd"}));
    EXPECT_EQ(c.selection, 1);
    EXPECT_EQ(c.text, "Odd");
    EXPECT_TRUE(c.focused);
    EXPECT_TRUE(c.visible);
    EXPECT_FALSE(c.dropped);
    const t::WindowState b = t::Inspect(check);
    EXPECT_EQ(b.check, BST_CHECKED);
    EXPECT_FALSE(b.enabled);
    EXPECT_EQ(t::FindByText(nullptr, "Číst"), check);
    const t::WindowState top = t::Inspect(window);
    EXPECT_TRUE(top.active);
    EXPECT_EQ(top.children.size(), 2u);
    const auto tops = t::TopLevelWindows();
    EXPECT_NE(std::find(tops.begin(), tops.end(), window), tops.end());
    EXPECT_EQ(t::Inspect(nullptr).hwnd, nullptr);
}

TEST_F(Paint, StockObjectsAndDeviceContextColours)
{
    EXPECT_NE(GetStockObject(LTGRAY_BRUSH), nullptr);
    EXPECT_NE(GetStockObject(LTGRAY_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetStockObject(LTGRAY_BRUSH), GetStockObject(LTGRAY_BRUSH));
    EXPECT_EQ(GetStockObject(-1), nullptr);
    const HDC dc = GetDC(window);
    EXPECT_EQ(SetBkColor(dc, RGB(1, 2, 3)), RGB(255, 255, 255));
    EXPECT_EQ(SetBkColor(dc, RGB(4, 5, 6)), RGB(1, 2, 3));
    const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r{0, 0, 10, 10};
    EXPECT_EQ(FillRect(dc, &r, red), 1);
    EXPECT_TRUE(TextOutA(dc, 1, 1, "hi", 2));
    ReleaseDC(window, dc);
    EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID);  // released
    const t::PaintSummary p = t::Painted(window);
    EXPECT_EQ(p.brush, red);
    EXPECT_EQ(p.brushColor, RGB(255, 0, 0));
    EXPECT_EQ(p.text, "hi");
    EXPECT_EQ(p.bkColor, RGB(4, 5, 6));
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_FALSE(DeleteObject(red));
}

}  // namespace
