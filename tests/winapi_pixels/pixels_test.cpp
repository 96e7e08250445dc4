// What the stand-in's windows look like in pixels: the main window's table of controls
// (laid out here with the standard classes, as the tool lays them out), the colours its
// parent gives, the Czech glyphs, a dialog from its template. Every picture is taken from
// a snapshot of the top-level window after its paints went through the queue; the PNG
// files are left in the test's temporary folder for a person to look at.
#include "winapi.h"
#include "posix/testing_ui.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace t = winapi_posix::testing;

namespace {

constexpr COLORREF GREY = RGB(192, 192, 192);
constexpr COLORREF WHITE = RGB(255, 255, 255);

LRESULT CALLBACK GreyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CTLCOLORSTATIC) {
        SetBkColor(reinterpret_cast<HDC>(wParam), 0x00C0C0C0);
        return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void Pump()
{
    MSG msg{};
    for (int guard = 0; guard < 100000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++guard) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::string PngPath(const std::string& name)
{
    return ::testing::TempDir() + "meq-pixels-" + name + ".png";
}

bool IsDark(COLORREF c)
{
    return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128;
}

// The pixels of a rectangle of the client area, row by row.
std::vector<COLORREF> Block(const t::Picture& p, const RECT& r)
{
    std::vector<COLORREF> out;
    for (LONG y = r.top; y < r.bottom; ++y) {
        for (LONG x = r.left; x < r.right; ++x) {
            out.push_back(p.AtClient(POINT{x, y}));
        }
    }
    return out;
}

int CountDark(const t::Picture& p, const RECT& r)
{
    int n = 0;
    for (const COLORREF c : Block(p, r)) {
        n += IsDark(c) ? 1 : 0;
    }
    return n;
}

enum class Kind { Label, Value, Combo, Button, Group, Edit, Check };

struct Control {
    Kind kind;
    int id;
    const char* text;
    int x, y, width, height;
};

// The main window's table, in its order.
const Control TABLE[] = {
    {Kind::Label, 0, "Port:", 403, 14, 35, 18},
    {Kind::Combo, 101, "", 448, 10, 80, 160},
    {Kind::Button, 102, "...", 538, 10, 32, 24},
    {Kind::Label, 0, "Převodník:", 10, 10, 90, 20},
    {Kind::Value, 0, "", 110, 10, 100, 20},
    {Kind::Label, 0, "Firmware:", 10, 35, 90, 20},
    {Kind::Value, 0, "", 110, 35, 100, 20},
    {Kind::Label, 0, "Výrobní číslo:", 10, 60, 90, 20},
    {Kind::Value, 0, "", 110, 60, 100, 20},
    {Kind::Group, 0, "Komunikace:", 10, 90, 170, 155},
    {Kind::Label, 0, "Adresa", 20, 117, 65, 20},
    {Kind::Combo, 104, "", 95, 115, 75, 200},
    {Kind::Label, 0, "Rychlost", 20, 147, 65, 20},
    {Kind::Combo, 105, "", 95, 145, 75, 200},
    {Kind::Label, 0, "Parita", 20, 177, 65, 20},
    {Kind::Combo, 106, "", 95, 175, 75, 200},
    {Kind::Button, 107, "Restart", 20, 212, 150, 22},
    {Kind::Group, 0, "CO2:", 10, 255, 170, 130},
    {Kind::Label, 0, "L1", 20, 280, 30, 20},
    {Kind::Edit, 0, "", 60, 280, 50, 20},
    {Kind::Button, 108, "Zápis", 120, 280, 50, 20},
    {Kind::Label, 0, "L2", 20, 305, 30, 20},
    {Kind::Edit, 0, "", 60, 305, 50, 20},
    {Kind::Button, 109, "Zápis", 120, 305, 50, 20},
    {Kind::Label, 0, "FRC", 20, 330, 30, 20},
    {Kind::Edit, 0, "", 60, 330, 50, 20},
    {Kind::Button, 110, "Zápis", 120, 330, 50, 20},
    {Kind::Check, 111, "Auto kalibrace", 20, 355, 150, 20},
    {Kind::Group, 0, "Hodnoty včetně korekce:", 190, 90, 230, 295},
    {Kind::Label, 0, "Teplota [°C]", 200, 115, 130, 20},
    {Kind::Value, 0, "", 340, 115, 70, 20},
    {Kind::Label, 0, "Rel. vlhkost [%]", 200, 140, 130, 20},
    {Kind::Value, 0, "", 340, 140, 70, 20},
    {Kind::Label, 0, "Abs. vlhkost [g/m3]", 200, 165, 130, 20},
    {Kind::Value, 0, "", 340, 165, 70, 20},
    {Kind::Label, 0, "Rosný bod [°C]", 200, 190, 130, 20},
    {Kind::Value, 0, "", 340, 190, 70, 20},
    {Kind::Label, 0, "Abs. tlak [hPa]", 200, 215, 130, 20},
    {Kind::Value, 0, "", 340, 215, 70, 20},
    {Kind::Label, 0, "CO2 [ppm]", 200, 240, 130, 20},
    {Kind::Value, 0, "", 340, 240, 70, 20},
    {Kind::Label, 0, "VOC index", 200, 280, 130, 20},
    {Kind::Value, 0, "", 340, 280, 70, 20},
    {Kind::Label, 0, "Doba provozu [hod]", 200, 305, 130, 20},
    {Kind::Value, 0, "", 340, 305, 70, 20},
    {Kind::Label, 0, "Status", 200, 330, 130, 20},
    {Kind::Value, 0, "", 340, 330, 70, 20},
    {Kind::Check, 112, "Číst", 200, 355, 60, 20},
    {Kind::Group, 0, "Korekce:", 430, 90, 140, 295},
    {Kind::Edit, 0, "", 440, 115, 60, 20},
    {Kind::Button, 113, "Zápis", 510, 115, 50, 20},
    {Kind::Edit, 0, "", 440, 140, 60, 20},
    {Kind::Button, 114, "Zápis", 510, 140, 50, 20},
    {Kind::Edit, 0, "", 440, 165, 60, 20},
    {Kind::Button, 115, "Zápis", 510, 165, 50, 20},
    {Kind::Edit, 0, "", 440, 190, 60, 20},
    {Kind::Button, 116, "Zápis", 510, 190, 50, 20},
    {Kind::Edit, 0, "", 440, 215, 60, 20},
    {Kind::Button, 117, "Zápis", 510, 215, 50, 20},
    {Kind::Edit, 0, "", 440, 240, 60, 20},
    {Kind::Button, 118, "Zápis", 510, 240, 50, 20},
};

class Pixels : public ::testing::Test {
protected:
    void SetUp() override
    {
        t::Reset();
        WNDCLASSA wc{};
        wc.lpfnWndProc = GreyProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
        wc.lpszClassName = "GreyWindow";
        ASSERT_NE(RegisterClassA(&wc), 0);
        window = CreateWindowExA(0, "GreyWindow", "MEQ config", 0x00CA0000, CW_USEDEFAULT, 0, 585, 423, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOWNORMAL);
    }
    void TearDown() override { t::Reset(); }

    HWND Make(const Control& c)
    {
        const DWORD child = WS_CHILD | WS_VISIBLE;
        const char* cls = "Static";
        DWORD style = child;
        DWORD ex = 0;
        switch (c.kind) {
        case Kind::Label: style |= WS_GROUP | SS_LEFT; break;
        case Kind::Value: style |= WS_GROUP | SS_RIGHT; ex = WS_EX_CLIENTEDGE; break;
        case Kind::Combo: cls = "ComboBox"; style |= WS_GROUP | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST; break;
        case Kind::Button: cls = "Button"; style |= WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON; break;
        case Kind::Group: cls = "Button"; style |= BS_GROUPBOX; break;
        case Kind::Edit: cls = "Edit"; style |= WS_GROUP | WS_TABSTOP | ES_RIGHT; ex = WS_EX_CLIENTEDGE; break;
        case Kind::Check: cls = "Button"; style |= WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX; break;
        }
        return CreateWindowExA(ex, cls, c.text, style, c.x, c.y, c.width, c.height, window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), nullptr, nullptr);
    }

    std::vector<HWND> MakeTable()
    {
        std::vector<HWND> made;
        for (const Control& c : TABLE) {
            made.push_back(Make(c));
        }
        Pump();
        return made;
    }

    // The control's outer rectangle in the main window's client area.
    RECT Outer(HWND control) const
    {
        RECT r{};
        GetWindowRect(control, &r);
        POINT corner{r.left, r.top};
        ScreenToClient(window, &corner);
        return RECT{corner.x, corner.y, corner.x + (r.right - r.left), corner.y + (r.bottom - r.top)};
    }

    HWND window = nullptr;
};

// The corners of a raised edge, of a sunken one, and the background just outside.
void ExpectRaised(const t::Picture& p, const RECT& r, const char* what)
{
    EXPECT_EQ(p.AtClient(POINT{r.left + 1, r.top + 1}), WHITE) << what;
    EXPECT_EQ(p.AtClient(POINT{r.right - 1, r.bottom - 1}), GetSysColor(COLOR_3DDKSHADOW)) << what;
    EXPECT_EQ(p.AtClient(POINT{r.right - 2, r.bottom - 2}), GetSysColor(COLOR_BTNSHADOW)) << what;
    EXPECT_EQ(p.AtClient(POINT{r.right, r.bottom}), GREY) << what;
}

void ExpectSunken(const t::Picture& p, const RECT& r, const char* what)
{
    EXPECT_EQ(p.AtClient(POINT{r.left, r.top}), GetSysColor(COLOR_BTNSHADOW)) << what;
    EXPECT_EQ(p.AtClient(POINT{r.left + 1, r.top + 1}), GetSysColor(COLOR_3DDKSHADOW)) << what;
    EXPECT_EQ(p.AtClient(POINT{r.right - 1, r.bottom - 1}), WHITE) << what;
    EXPECT_EQ(p.AtClient(POINT{r.left - 1, r.top - 1}), GREY) << what;
    EXPECT_EQ(p.AtClient(POINT{r.right, r.bottom}), GREY) << what;
}

TEST_F(Pixels, EveryControlOfTheMainWindowIsDrawnAtItsPlaceAndSize)
{
    const std::vector<HWND> controls = MakeTable();
    SendMessageA(controls[19], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("1000"));
    Pump();
    ASSERT_TRUE(t::SnapshotPng(window, PngPath("main-window")));
    const t::Picture p = t::Snapshot(window);
    ASSERT_EQ(p.width, 585);
    ASSERT_EQ(p.height, 423);
    const int fontHeight = [this] {
        TEXTMETRICA tm{};
        const HDC dc = GetDC(window);
        GetTextMetricsA(dc, &tm);
        ReleaseDC(window, dc);
        return static_cast<int>(tm.tmHeight);
    }();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const Control& c = TABLE[i];
        const RECT r = Outer(controls[i]);
        const std::string what = std::to_string(i + 1) + " " + c.text;
        switch (c.kind) {
        case Kind::Label: {
            // Grey all round the text, and the text itself drawn.
            EXPECT_EQ(p.AtClient(POINT{r.right - 1, r.bottom - 1}), GREY) << what;
            EXPECT_GT(CountDark(p, r), 10) << what;
            break;
        }
        case Kind::Value: {
            ExpectSunken(p, r, what.c_str());
            const RECT inside{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
            for (const COLORREF c2 : Block(p, inside)) {
                ASSERT_EQ(c2, GREY) << what;
            }
            break;
        }
        case Kind::Edit: {
            ExpectSunken(p, r, what.c_str());
            const RECT inside{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
            EXPECT_EQ(p.AtClient(POINT{inside.left, inside.bottom - 1}), WHITE) << what;
            EXPECT_EQ(CountDark(p, inside) > 10, i == 19) << what;  // only L1 has text
            break;
        }
        case Kind::Button:
            ExpectRaised(p, r, what.c_str());
            EXPECT_GT(CountDark(p, RECT{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2}), 4) << what;
            break;
        case Kind::Group: {
            // The etched frame: a grey line with a white one inside it, the caption on the line.
            const LONG line = r.top + fontHeight / 2;
            EXPECT_EQ(p.AtClient(POINT{r.left, line + 4}), GetSysColor(COLOR_BTNSHADOW)) << what;
            EXPECT_EQ(p.AtClient(POINT{r.left + 1, line + 4}), WHITE) << what;
            EXPECT_EQ(p.AtClient(POINT{r.right - 1, r.bottom - 1}), WHITE) << what;
            EXPECT_EQ(p.AtClient(POINT{r.right - 2, r.bottom - 2}), GetSysColor(COLOR_BTNSHADOW)) << what;
            EXPECT_EQ(p.AtClient(POINT{r.right - 3, r.bottom - 3}), GREY) << what;
            EXPECT_GT(CountDark(p, RECT{r.left + 8, r.top, r.right - 8, r.top + fontHeight}), 10) << what;
            break;
        }
        case Kind::Check: {
            const LONG top = r.top + (r.bottom - r.top - 13) / 2;
            const RECT box{r.left, top, r.left + 13, top + 13};
            EXPECT_EQ(p.AtClient(POINT{box.left, box.top}), GetSysColor(COLOR_BTNSHADOW)) << what;
            EXPECT_EQ(p.AtClient(POINT{box.right - 1, box.bottom - 1}), WHITE) << what;
            for (const COLORREF c2 : Block(p, RECT{box.left + 2, box.top + 2, box.right - 2, box.bottom - 2})) {
                ASSERT_EQ(c2, WHITE) << what;  // unchecked
            }
            break;
        }
        case Kind::Combo: {
            // The field's height is the font's; the sunken border, then the button with its arrow.
            EXPECT_EQ(r.bottom - r.top, fontHeight + 6) << what;
            ExpectSunken(p, r, what.c_str());
            const RECT button{r.right - 2 - 16, r.top + 2, r.right - 2, r.bottom - 2};
            EXPECT_EQ(p.AtClient(POINT{button.left + 1, button.top + 1}), WHITE) << what;
            EXPECT_EQ(p.AtClient(POINT{button.right - 1, button.bottom - 1}), GetSysColor(COLOR_3DDKSHADOW)) << what;
            EXPECT_GE(CountDark(p, RECT{button.left + 2, button.top + 2, button.right - 2, button.bottom - 2}), 16) << what;
            EXPECT_EQ(p.AtClient(POINT{r.left + 3, r.top + 3}), WHITE) << what;
            break;
        }
        }
    }
}

TEST_F(Pixels, TheBackgroundTheParentGivesIsDrawnAndWithoutItTheDefault)
{
    const HWND label = Make(TABLE[0]);
    const HWND value = Make(TABLE[4]);
    Pump();
    EXPECT_EQ(t::PixelAt(window, POINT{439, 31}), GREY);  // below "Port:", inside the window
    for (const HWND hwnd : {label, value}) {
        const RECT r = Outer(hwnd);
        EXPECT_EQ(t::PixelAt(window, POINT{r.right - 3, r.bottom - 3}), GREY);
    }
    // A parent that does not answer: the static draws on the button face colour.
    const HWND plain = CreateWindowExA(0, "#32770", "Plain", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 200, 100,
                                       nullptr, nullptr, nullptr, nullptr);
    CreateWindowExA(0, "Static", "x", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, plain, nullptr, nullptr, nullptr);
    Pump();
    EXPECT_EQ(t::PixelAt(plain, POINT{55, 25}), GetSysColor(COLOR_3DFACE));
}

TEST_F(Pixels, ACheckBoxShowsItsTickAndAPushedButtonItsPressedState)
{
    const HWND check = Make(TABLE[47]);  // "Číst"
    const HWND button = Make(TABLE[20]);
    Pump();
    const RECT c = Outer(check);
    const RECT inner{c.left + 2, c.top + 5, c.left + 11, c.top + 14};
    EXPECT_EQ(CountDark(t::Snapshot(window), inner), 0);
    t::Click(check);
    Pump();
    ASSERT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
    const t::Picture ticked = t::Snapshot(window);
    EXPECT_EQ(CountDark(ticked, inner), 21);  // seven columns of three
    EXPECT_TRUE(t::SnapshotPng(window, PngPath("checked")));
    // The focus went to the box with the click: a dotted rectangle around its caption.
    const int dotted = CountDark(ticked, RECT{c.left + 16, c.top, c.right, c.bottom});
    t::Click(check);
    Pump();
    SetFocus(nullptr);
    Pump();
    EXPECT_EQ(CountDark(t::Snapshot(window), inner), 0);
    EXPECT_GT(dotted, CountDark(t::Snapshot(window), RECT{c.left + 16, c.top, c.right, c.bottom}));

    const RECT b = Outer(button);
    SendMessageA(button, BM_SETSTATE, TRUE, 0);
    Pump();
    const t::Picture pushed = t::Snapshot(window);
    EXPECT_TRUE(t::SnapshotPng(window, PngPath("pushed")));
    EXPECT_EQ(pushed.AtClient(POINT{b.left, b.top}), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(pushed.AtClient(POINT{b.left + 1, b.top + 1}), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(pushed.AtClient(POINT{b.left + 2, b.top + 2}), GetSysColor(COLOR_BTNFACE));
}

TEST_F(Pixels, AnOpenDropDownListShowsItsItemsBelowTheField)
{
    const HWND combo = Make(TABLE[13]);  // the baud rates
    for (const char* rate : {"1200", "2400", "4800", "9600", "19200"}) {
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rate));
    }
    SendMessageA(combo, CB_SETCURSEL, 4, 0);
    Pump();
    const RECT field = Outer(combo);
    EXPECT_GT(CountDark(t::Snapshot(window), RECT{field.left + 2, field.top + 2, field.right - 20, field.bottom - 2}), 10);
    t::Click(combo);
    Pump();
    ASSERT_TRUE(t::Inspect(combo).dropped);
    HWND list = nullptr;
    for (const HWND top : t::TopLevelWindows()) {
        if (t::Inspect(top).className == "ComboLBox" && IsWindowVisible(top)) {
            list = top;
        }
    }
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(t::SnapshotPng(list, PngPath("dropped-list")));
    EXPECT_TRUE(t::ScreenshotPng(PngPath("screen-dropped")));
    const t::Picture open = t::Snapshot(list);
    RECT lr{};
    GetWindowRect(list, &lr);
    RECT fr{};
    GetWindowRect(combo, &fr);
    EXPECT_EQ(lr.top, fr.bottom);
    EXPECT_EQ(lr.right - lr.left, fr.right - fr.left);
    ASSERT_EQ(open.width, lr.right - lr.left);
    EXPECT_EQ(open.At(0, 0), GetSysColor(COLOR_WINDOWFRAME));  // its one-pixel border
    // Five rows of text, the chosen one on the highlight colour.
    const int row = static_cast<int>(SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(row, 0);
    int highlighted = 0;
    for (int i = 0; i < 5; ++i) {
        const RECT cell{0, i * row, open.width - 2, (i + 1) * row};
        const std::vector<COLORREF> px = Block(open, cell);
        int hi = 0;
        for (const COLORREF c : px) {
            hi += c == GetSysColor(COLOR_HIGHLIGHT) ? 1 : 0;
        }
        if (hi > static_cast<int>(px.size()) / 2) {
            ++highlighted;
            EXPECT_EQ(i, 4);
        } else {
            EXPECT_GT(CountDark(open, cell), 10) << i;
        }
    }
    EXPECT_EQ(highlighted, 1);
    // While it is open the field's button is pushed: flat, with its arrow a pixel lower.
    const t::Picture main = t::Snapshot(window);
    EXPECT_EQ(main.AtClient(POINT{field.right - 18, field.top + 2}), GetSysColor(COLOR_BTNSHADOW));
}

// The font's notdef box, a plain letter and the same letter with its accent all differ.
TEST_F(Pixels, CzechLettersShowTheirOwnGlyphs)
{
    struct Pair {
        const char* accented;
        const char* plain;
    };
    const Pair pairs[] = {{"Č", "C"}, {"č", "c"}, {"ř", "r"}, {"í", "i"}, {"ý", "y"},
                          {"á", "a"}, {"ě", "e"}, {"°", "o"}, {"ů", "u"}, {"Ž", "Z"}};
    const char* notdef = "\x81";  // a byte code page 1250 leaves out
    auto glyph = [this](const char* text, int row) {
        const HWND label = CreateWindowExA(0, "Static", text, WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10 + row * 20, 20,
                                           20, window, nullptr, nullptr, nullptr);
        Pump();
        const std::vector<COLORREF> px = Block(t::Snapshot(window), Outer(label));
        DestroyWindow(label);
        return px;
    };
    const std::vector<COLORREF> box = glyph(notdef, 0);
    for (const Pair& pair : pairs) {
        const std::vector<COLORREF> accented = glyph(pair.accented, 0);
        EXPECT_NE(accented, box) << pair.plain;
        EXPECT_NE(accented, glyph(pair.plain, 0)) << pair.plain;
        EXPECT_NE(accented, glyph("", 0)) << pair.plain;
    }
    // The tool's own texts, whole: none of their letters is the notdef box.
    const HWND texts[] = {Make(TABLE[3]), Make(TABLE[7]), Make(TABLE[35]), Make(TABLE[47])};
    Pump();
    EXPECT_TRUE(t::SnapshotPng(window, PngPath("czech")));
    for (const HWND label : texts) {
        std::string text(256, '\0');
        text.resize(static_cast<std::size_t>(GetWindowTextA(label, text.data(), 256)));
        for (const char c : text) {
            EXPECT_NE(glyph(std::string(1, c).c_str(), 5), glyph(notdef, 5)) << static_cast<int>(static_cast<unsigned char>(c));
        }
    }
}

// ---- The dialog ------------------------------------------------------------------------

class Template {
public:
    Template(DWORD style, short x, short y, short cx, short cy, const char* caption)
    {
        Dword(style);
        Dword(0);
        countAt = bytes.size();
        Word(0);
        for (short v : {x, y, cx, cy}) {
            Word(static_cast<WORD>(v));
        }
        Word(0);
        Word(0);
        Text(caption);
    }
    Template& Item(WORD atom, WORD id, const char* text, DWORD style, short x, short y, short cx, short cy)
    {
        while (bytes.size() % 4 != 0) {
            bytes.push_back(0);
        }
        Dword(style);
        Dword(0);
        for (short v : {x, y, cx, cy}) {
            Word(static_cast<WORD>(v));
        }
        Word(id);
        Word(0xFFFF);
        Word(atom);
        Text(text);
        Word(0);
        ++count;
        std::memcpy(bytes.data() + countAt, &count, sizeof count);
        return *this;
    }
    LPCDLGTEMPLATEA Get() const { return reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()); }

private:
    void Word(WORD w)
    {
        bytes.push_back(static_cast<BYTE>(w & 0xFF));
        bytes.push_back(static_cast<BYTE>(w >> 8));
    }
    void Dword(DWORD d)
    {
        Word(static_cast<WORD>(d & 0xFFFF));
        Word(static_cast<WORD>(d >> 16));
    }
    void Text(const char* text)
    {
        for (const char* p = text; *p != '\0'; ++p) {
            Word(static_cast<unsigned char>(*p));  // the ASCII texts of this template
        }
        Word(0);
    }
    std::vector<BYTE> bytes;
    std::size_t countAt = 0;
    WORD count = 0;
};

INT_PTR CALLBACK GreyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        for (const int id : {101, 102, 103}) {
            SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("19200"));
            SendDlgItemMessageA(dialog, id, CB_SETCURSEL, 0, 0);
        }
        return TRUE;
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), 0x00C0C0C0);
        return reinterpret_cast<INT_PTR>(GetStockObject(LTGRAY_BRUSH));
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(GetStockObject(LTGRAY_BRUSH));
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
        }
        return TRUE;
    default:
        return FALSE;
    }
}

TEST_F(Pixels, TheSettingsDialogMatchesItsTemplate)
{
    const Template tpl = Template(0x00C80080, 100, 20, 87, 72, "MODBUS RTU")
                             .Item(0x80, 1, "OK", 0x50030000, 18, 53, 50, 12)
                             .Item(0x82, 0, "Rychlost", 0x50020000, 5, 7, 32, 10)
                             .Item(0x85, 101, "", 0x50210003, 42, 5, 40, 80)
                             .Item(0x82, 0, "Parita", 0x50020000, 5, 22, 32, 10)
                             .Item(0x85, 102, "", 0x50210003, 42, 20, 40, 80)
                             .Item(0x82, 0, "Adresa", 0x50020000, 5, 37, 32, 10)
                             .Item(0x85, 103, "", 0x50210003, 42, 35, 40, 80);
    bool seen = false;
    t::OnNextModal([&seen](HWND dialog) {
        seen = true;
        EXPECT_TRUE(t::SnapshotPng(dialog, PngPath("dialog")));
        EXPECT_TRUE(t::ScreenshotPng(PngPath("screen-dialog")));
        const t::Picture p = t::Snapshot(dialog);
        auto units = [](short x, short y, short cx, short cy) {
            RECT r{x, y, x + cx, y + cy};
            MapDialogRect(nullptr, &r);
            return r;
        };
        const RECT size = units(0, 0, 87, 72);
        EXPECT_EQ(p.width - 2 * p.client.x, size.right);
        EXPECT_EQ(p.height - p.client.y - p.client.x, size.bottom);
        // The caption bar in the active colour, with its text.
        EXPECT_EQ(p.At(p.client.x, p.client.y - GetSystemMetrics(SM_CYCAPTION) + 1), GetSysColor(COLOR_ACTIVECAPTION));
        // The grey client area and labels, the OK button and the three lists at their places.
        EXPECT_EQ(p.AtClient(POINT{1, size.bottom - 2}), GREY);
        const RECT ok = units(18, 53, 50, 12);
        EXPECT_EQ(p.AtClient(POINT{ok.left - 1, ok.top - 1}), GREY);
        EXPECT_EQ(p.AtClient(POINT{ok.right - 1, ok.bottom - 1}), GetSysColor(COLOR_3DDKSHADOW));
        EXPECT_EQ(p.AtClient(POINT{ok.right, ok.bottom}), GREY);
        for (const short y : {short{5}, short{20}, short{35}}) {
            const RECT combo = units(42, y, 40, 0);
            EXPECT_EQ(p.AtClient(POINT{combo.left, combo.top}), GetSysColor(COLOR_BTNSHADOW)) << y;
            EXPECT_EQ(p.AtClient(POINT{combo.left - 1, combo.top}), GREY) << y;
            EXPECT_EQ(p.AtClient(POINT{combo.right - 1, combo.top + 1}), WHITE) << y;
            EXPECT_EQ(p.AtClient(POINT{combo.right, combo.top + 1}), GREY) << y;
            const RECT label = units(5, static_cast<short>(y + 2), 32, 10);
            EXPECT_GT(CountDark(p, label), 10) << y;
            EXPECT_EQ(p.AtClient(POINT{label.right - 1, label.bottom - 1}), GREY) << y;
        }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    t::OnStall([] { EndDialog(t::ModalWindow(), -2); });
    EXPECT_EQ(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), tpl.Get(), window, GreyDialogProc, 0), IDCANCEL);
    EXPECT_TRUE(seen);
}

TEST_F(Pixels, AMessageBoxShowsItsIconTextAndButton)
{
    t::OnNextModal([](HWND box) {
        EXPECT_TRUE(t::SnapshotPng(box, PngPath("message-box")));
        const t::Picture p = t::Snapshot(box);
        EXPECT_EQ(p.AtClient(POINT{12 + 16, 12 + 4}), RGB(255, 0, 0));  // the error icon's disc
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    t::OnStall([] { EndDialog(t::ModalWindow(), -2); });
    EXPECT_EQ(MessageBoxA(window, "Senzor není připraven.", "MEQ config", MB_OK | MB_ICONHAND), IDOK);
}

// ---- Metrics and bad calls -------------------------------------------------------------

TEST_F(Pixels, TheFontsMetricsAreTheDialogUnitsAndSuitTwentyPixelRows)
{
    TEXTMETRICA tm{};
    const HDC dc = GetDC(window);
    ASSERT_TRUE(GetTextMetricsA(dc, &tm));
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32A(dc, "Doba provozu [hod]", 18, &size));
    ReleaseDC(window, dc);
    const LONG units = GetDialogBaseUnits();
    EXPECT_EQ(LOWORD(units), tm.tmAveCharWidth);
    EXPECT_EQ(HIWORD(units), tm.tmHeight);
    EXPECT_GE(tm.tmHeight, 13);
    EXPECT_LE(tm.tmHeight, 16);  // two pixels or more of room in a 20-pixel row
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    EXPECT_LE(size.cx, 130);  // the longest label of its column fits
    EXPECT_EQ(size.cy, tm.tmHeight);
}

TEST_F(Pixels, SnapshotsOfWhatIsNoTopLevelWindowFailCleanly)
{
    const HWND child = Make(TABLE[0]);
    EXPECT_FALSE(t::SnapshotPng(nullptr, PngPath("none")));
    EXPECT_FALSE(t::SnapshotPng(child, PngPath("child")));
    EXPECT_FALSE(t::SnapshotPng(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7777)), PngPath("bogus")));
    EXPECT_EQ(t::Snapshot(child).width, 0);
    EXPECT_EQ(t::PixelAt(nullptr, POINT{0, 0}), CLR_INVALID);
    EXPECT_EQ(t::PixelAt(window, POINT{-50, 0}), CLR_INVALID);
    EXPECT_EQ(t::PixelAt(window, POINT{5000, 5}), CLR_INVALID);
    EXPECT_FALSE(t::SnapshotPng(window, "/nonexistent-dir/x.png"));
    EXPECT_FALSE(t::SnapshotPng(window, ""));
    // A minimized window is its caption only.
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_GT(t::Snapshot(window).width, 0);
    EXPECT_TRUE(t::SnapshotPng(window, PngPath("minimized")));
}

}  // namespace
