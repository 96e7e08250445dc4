// The program's resources as the native build registers them: the same bytes as windres
// makes of the same script, and the dialog, icon and version block that the program needs.
#include "res_file.h"
#include "resource_table.h"

#include "posix/testing_ui.h"
#include "winapi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

namespace ui = winapi_posix::testing;
using res_file::Bytes;
using res_file::Get16;
using res_file::Get32;

constexpr WORD ENGLISH_US = 0x0409;

Bytes Registered(WORD type, WORD name)
{
    const HRSRC r = FindResourceA(nullptr, MAKEINTRESOURCEA(name), MAKEINTRESOURCEA(type));
    if (r == nullptr) {
        return {};
    }
    const auto* p = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, r)));
    return Bytes(p, p + SizeofResource(nullptr, r));
}

TEST(Resources, RegisteredDataIsWhatWindresMakesOfTheScript)
{
    const auto reference = res_file::Parse(res_file::ReadFile(MEQ_REFERENCE_RES));
    ASSERT_TRUE(reference.has_value()) << MEQ_REFERENCE_RES;

    // windres's own list is the one the program carries on Windows.
    std::vector<std::tuple<std::uint16_t, std::uint16_t, std::uint16_t>> keys;
    for (const auto& e : *reference) {
        keys.push_back(e.Key());
    }
    std::sort(keys.begin(), keys.end());
    const decltype(keys) expected = {
        {3, 1, ENGLISH_US}, {5, 1, ENGLISH_US}, {14, 1, ENGLISH_US}, {16, 1, ENGLISH_US}};
    EXPECT_EQ(keys, expected);

    const auto table = meq_resources::Table();
    EXPECT_EQ(table.size(), reference->size());
    for (const auto& e : *reference) {
        SCOPED_TRACE("type " + std::to_string(e.type) + ", name " + std::to_string(e.name));
        const auto it = std::find_if(table.begin(), table.end(), [&](const meq_resources::Resource& r) {
            return r.type == e.type && r.name == e.name;
        });
        ASSERT_NE(it, table.end());
        EXPECT_EQ(it->language, e.language);
        EXPECT_EQ(Bytes(it->data, it->data + it->size), e.data);
        // And the stand-in hands out exactly these bytes.
        EXPECT_EQ(Registered(e.type, e.name), e.data);
    }
}

// ---- Dialog 1 ------------------------------------------------------------------------

struct ItemSpec {
    WORD classAtom;
    const char* className;
    WORD id;
    const char* text;
    short x, y, cx, cy;
    DWORD style;
};

const ItemSpec ITEMS[] = {
    {0x0080, "Button", 1, "OK", 18, 53, 50, 12, 0x50030000},
    {0x0082, "Static", 0, "Rychlost", 5, 7, 32, 10, 0x50020000},
    {0x0085, "ComboBox", 101, "", 42, 5, 40, 80, 0x50210003},
    {0x0082, "Static", 0, "Parita", 5, 22, 32, 10, 0x50020000},
    {0x0085, "ComboBox", 102, "", 42, 20, 40, 80, 0x50210003},
    {0x0082, "Static", 0, "Adresa", 5, 37, 32, 10, 0x50020000},
    {0x0085, "ComboBox", 103, "", 42, 35, 40, 80, 0x50210003},
};

// Reads the standard in-memory template field by field.
struct TemplateReader {
    const Bytes& b;
    std::size_t at = 0;
    bool ok = true;

    std::uint32_t W()
    {
        if (at + 2 > b.size()) {
            ok = false;
            return 0;
        }
        at += 2;
        return Get16(b, at - 2);
    }
    std::uint32_t D()
    {
        const std::uint32_t lo = W();
        return lo | (W() << 16);
    }
    std::string Text()
    {
        std::string s;
        for (std::uint32_t c = W(); ok && c != 0; c = W()) {
            s.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        }
        return s;
    }
};

TEST(DialogTemplate, HoldsExactlyTheItemsOfTheSettingsDialog)
{
    const Bytes t = Registered(5, 1);
    ASSERT_FALSE(t.empty());
    TemplateReader r{t};
    EXPECT_EQ(r.D(), 0x00C80080u) << "WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, nothing else";
    EXPECT_EQ(r.D(), 0u);
    EXPECT_EQ(r.W(), std::size(ITEMS));
    EXPECT_EQ(r.W(), 100u);
    EXPECT_EQ(r.W(), 20u);
    EXPECT_EQ(r.W(), 87u);
    EXPECT_EQ(r.W(), 72u);
    EXPECT_EQ(r.W(), 0u) << "no menu";
    EXPECT_EQ(r.W(), 0u) << "the default class";
    EXPECT_EQ(r.Text(), "MODBUS RTU");
    // No DS_SETFONT, so no font follows.
    for (const ItemSpec& item : ITEMS) {
        SCOPED_TRACE(std::string("item ") + std::to_string(item.id) + " " + item.text);
        r.at = (r.at + 3) & ~std::size_t{3};
        EXPECT_EQ(r.D(), item.style);
        EXPECT_EQ(r.D(), 0u);
        EXPECT_EQ(static_cast<short>(r.W()), item.x);
        EXPECT_EQ(static_cast<short>(r.W()), item.y);
        EXPECT_EQ(static_cast<short>(r.W()), item.cx);
        EXPECT_EQ(static_cast<short>(r.W()), item.cy);
        EXPECT_EQ(r.W(), item.id);
        EXPECT_EQ(r.W(), 0xFFFFu) << "a predefined class by its atom";
        EXPECT_EQ(r.W(), item.classAtom);
        EXPECT_EQ(r.Text(), item.text);
        EXPECT_EQ(r.W(), 0u) << "no creation data";
    }
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.at, t.size());
}

struct Seen {
    ui::WindowState dialog;
    std::vector<ui::WindowState> items;
    std::vector<RECT> dropped;
};

Seen* seen = nullptr;

INT_PTR CALLBACK Inspecting(HWND hwnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG) {
        return FALSE;
    }
    seen->dialog = ui::Inspect(hwnd);
    for (const HWND child : ui::Children(hwnd)) {
        seen->items.push_back(ui::Inspect(child));
        RECT dropped{};
        SendMessageA(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        seen->dropped.push_back(dropped);
    }
    EndDialog(hwnd, 42);
    return TRUE;
}

bool SameName(const std::string& a, const char* b)
{
    return a.size() == std::strlen(b) &&
           std::equal(a.begin(), a.end(), b, [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

RECT Pixels(short x, short y, short cx, short cy)
{
    RECT r{x, y, x + cx, y + cy};
    MapDialogRect(nullptr, &r);
    return r;
}

TEST(DialogTemplate, DialogBoxBuildsItFromTheResource)
{
    ASSERT_NE(FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), RT_DIALOG), nullptr);
    Seen s;
    seen = &s;
    ui::OnStall([] {
        ADD_FAILURE() << "the dialog did not end";
        EndDialog(ui::ModalWindow(), -2);
    });
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), nullptr, Inspecting, 0);
    seen = nullptr;
    ui::Reset();
    ASSERT_EQ(result, 42);

    EXPECT_EQ(s.dialog.text, "MODBUS RTU");
    EXPECT_EQ(s.dialog.style & 0x00C80080u, 0x00C80080u);
    EXPECT_EQ(s.dialog.style & static_cast<DWORD>(DS_SETFONT), 0u);
    const RECT size = Pixels(0, 0, 87, 72);
    EXPECT_EQ(s.dialog.client.right - s.dialog.client.left, size.right);
    EXPECT_EQ(s.dialog.client.bottom - s.dialog.client.top, size.bottom);

    ASSERT_EQ(s.items.size(), std::size(ITEMS));
    for (std::size_t i = 0; i < s.items.size(); ++i) {
        const ItemSpec& spec = ITEMS[i];
        const ui::WindowState& w = s.items[i];
        SCOPED_TRACE(std::string("item ") + std::to_string(spec.id) + " " + spec.text);
        EXPECT_TRUE(SameName(w.className, spec.className)) << w.className;
        EXPECT_EQ(w.id, spec.id);
        EXPECT_EQ(w.text, spec.text);
        EXPECT_EQ(w.style, spec.style);
        const RECT px = Pixels(spec.x, spec.y, spec.cx, spec.cy);
        EXPECT_EQ(w.rect.left - s.dialog.client.left, px.left);
        EXPECT_EQ(w.rect.top - s.dialog.client.top, px.top);
        EXPECT_EQ(w.rect.right - w.rect.left, px.right - px.left);
        if (spec.classAtom == 0x0085) {
            // The window is the selection field; the template's height reaches to the
            // bottom of the dropped list.
            EXPECT_EQ(s.dropped[i].bottom - w.rect.top, px.bottom - px.top);
        } else {
            EXPECT_EQ(w.rect.bottom - w.rect.top, px.bottom - px.top);
        }
    }
}

// ---- Icon 1 --------------------------------------------------------------------------

TEST(Icon, IsOne32x32ImageIn16Colours)
{
    EXPECT_NE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(2)), nullptr);

    const Bytes group = Registered(14, 1);
    ASSERT_EQ(group.size(), 6u + 14u);
    EXPECT_EQ(Get16(group, 0), 0u);
    EXPECT_EQ(Get16(group, 2), 1u) << "icons, not cursors";
    EXPECT_EQ(Get16(group, 4), 1u) << "one image";
    EXPECT_EQ(group[6], 32);
    EXPECT_EQ(group[7], 32);
    EXPECT_EQ(group[8], 16) << "colours";
    EXPECT_EQ(Get16(group, 10), 1u) << "planes";
    EXPECT_EQ(Get16(group, 12), 4u) << "bits per pixel";

    const Bytes image = Registered(3, static_cast<WORD>(Get16(group, 18)));
    ASSERT_FALSE(image.empty()) << "the group's image is registered under its nId";
    EXPECT_EQ(Get32(group, 14), image.size());
    // BITMAPINFOHEADER, 16 palette entries, the colour bits and the AND mask.
    ASSERT_EQ(image.size(), 40u + 16 * 4 + 32 * 32 / 2 + 32 * 32 / 8);
    EXPECT_EQ(Get32(image, 0), 40u);
    EXPECT_EQ(Get32(image, 4), 32u);
    EXPECT_EQ(Get32(image, 8), 64u) << "colour bits and mask, one above the other";
    EXPECT_EQ(Get16(image, 12), 1u);
    EXPECT_EQ(Get16(image, 14), 4u);
    EXPECT_EQ(Get32(image, 16), 0u) << "uncompressed";
    const std::uint32_t vga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                   0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                   0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(Get32(image, 40 + 4 * i), vga[i]) << "palette entry " << i;  // stored B, G, R, 0
    }
    // Something is drawn, and some of it is see-through: the mask is neither empty nor full.
    const std::size_t mask = 40 + 64 + 512;
    const auto opaque = std::count(image.begin() + static_cast<std::ptrdiff_t>(mask), image.end(), 0x00);
    const auto clear = std::count(image.begin() + static_cast<std::ptrdiff_t>(mask), image.end(), 0xFF);
    EXPECT_GT(opaque, 0);
    EXPECT_GT(clear, 0);
}

// ---- Version 1 -----------------------------------------------------------------------

struct VersionNode {
    std::string key;
    std::uint32_t type = 0;
    Bytes value;
    std::vector<VersionNode> children;
};

// One node at `at`, its children within its wLength; false when a length does not fit.
bool ReadNode(const Bytes& b, std::size_t at, std::size_t limit, VersionNode& n)
{
    if (limit > b.size() || at + 6 > limit) {
        return false;
    }
    const std::size_t length = Get16(b, at);
    const std::size_t valueLength = Get16(b, at + 2);
    n.type = Get16(b, at + 4);
    const std::size_t end = at + length;
    if (length < 6 || end > limit) {
        return false;
    }
    std::size_t p = at + 6;
    for (; p + 2 <= end && Get16(b, p) != 0; p += 2) {
        n.key.push_back(static_cast<char>(Get16(b, p)));
    }
    p = (p + 2 + 3) & ~std::size_t{3};
    const std::size_t valueBytes = n.type == 1 ? valueLength * 2 : valueLength;
    if (p + valueBytes > end) {
        return false;
    }
    n.value.assign(b.begin() + static_cast<std::ptrdiff_t>(p), b.begin() + static_cast<std::ptrdiff_t>(p + valueBytes));
    p = (p + valueBytes + 3) & ~std::size_t{3};
    while (p < end) {
        VersionNode child;
        if (!ReadNode(b, p, end, child)) {
            return false;
        }
        p = (p + Get16(b, p) + 3) & ~std::size_t{3};
        n.children.push_back(std::move(child));
    }
    return true;
}

std::string Utf16Text(const Bytes& v)
{
    std::string s;
    for (std::size_t i = 0; i + 1 < v.size() && Get16(v, i) != 0; i += 2) {
        s.push_back(static_cast<char>(Get16(v, i)));
    }
    return s;
}

TEST(VersionBlock, NamesVersion1020AndTheProduct)
{
    const Bytes v = Registered(16, 1);
    VersionNode root;
    ASSERT_TRUE(ReadNode(v, 0, v.size(), root));
    EXPECT_EQ(Get16(v, 0), v.size());
    EXPECT_EQ(root.key, "VS_VERSION_INFO");
    ASSERT_EQ(root.value.size(), 52u);
    EXPECT_EQ(Get32(root.value, 0), 0xFEEF04BDu);
    EXPECT_EQ(Get32(root.value, 8), 0x00010000u) << "file version 1.0";
    EXPECT_EQ(Get32(root.value, 12), 0x00020000u) << "file version .2.0";
    EXPECT_EQ(Get32(root.value, 16), 0x00010000u) << "product version 1.0";
    EXPECT_EQ(Get32(root.value, 20), 0x00020000u) << "product version .2.0";
    EXPECT_EQ(Get32(root.value, 32), 0x00040004u) << "VOS_NT_WINDOWS32";
    EXPECT_EQ(Get32(root.value, 36), 1u) << "VFT_APP";

    ASSERT_EQ(root.children.size(), 2u);
    const VersionNode& strings = root.children[0];
    const VersionNode& vars = root.children[1];
    EXPECT_EQ(strings.key, "StringFileInfo");
    ASSERT_EQ(strings.children.size(), 1u);
    const VersionNode& table = strings.children[0];
    EXPECT_EQ(table.key, "040904B0");
    std::map<std::string, std::string> values;
    for (const VersionNode& s : table.children) {
        EXPECT_EQ(s.type, 1u) << s.key;
        values[s.key] = Utf16Text(s.value);
    }
    const std::map<std::string, std::string> expected = {
        {"FileVersion", "1.0.2.0"},
        {"ProductVersion", "1.0.2.0"},
        {"ProductName", "MEQ config"},
        {"FileDescription", "MEQ configuration tool"},
    };
    EXPECT_EQ(values, expected);

    EXPECT_EQ(vars.key, "VarFileInfo");
    ASSERT_EQ(vars.children.size(), 1u);
    EXPECT_EQ(vars.children[0].key, "Translation");
    ASSERT_EQ(vars.children[0].value.size(), 4u);
    // The translation names the string table: language 0409, code page 04B0.
    char name[9];
    std::snprintf(name, sizeof name, "%04X%04X", Get16(vars.children[0].value, 0), Get16(vars.children[0].value, 2));
    EXPECT_EQ(name, table.key);
}

}  // namespace
