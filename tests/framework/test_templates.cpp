#include "test_templates.h"

#include "driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class TemplateWriter {
public:
    void Word(WORD value)
    {
        bytes.push_back(static_cast<BYTE>(value & 0xFF));
        bytes.push_back(static_cast<BYTE>(value >> 8));
    }
    void Dword(DWORD value)
    {
        Word(static_cast<WORD>(value & 0xFFFF));
        Word(static_cast<WORD>(value >> 16));
    }
    void Short(short value) { Word(static_cast<WORD>(value)); }
    // ASCII only, widened the way the resource compiler stores texts.
    void Text(const std::string& text)
    {
        for (char c : text) {
            Word(static_cast<WORD>(static_cast<unsigned char>(c)));
        }
        Word(0);
    }
    void AlignToDword()
    {
        while (bytes.size() % 4 != 0) {
            bytes.push_back(0);
        }
    }
    std::vector<BYTE> bytes;
};

struct Item {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    WORD classAtom;  // 0x0080 button
    const char* text;
};

std::vector<BYTE> Build(const char* title, const std::vector<Item>& items)
{
    TemplateWriter w;
    w.Dword(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    w.Dword(0);
    w.Word(static_cast<WORD>(items.size()));
    w.Short(20);
    w.Short(20);
    w.Short(160);
    w.Short(80);
    w.Word(0);  // no menu
    w.Word(0);  // the dialog class
    w.Text(title);
    w.Word(8);
    w.Text("MS Sans Serif");
    for (const Item& item : items) {
        w.AlignToDword();
        w.Dword(item.style);
        w.Dword(0);
        w.Short(item.x);
        w.Short(item.y);
        w.Short(item.cx);
        w.Short(item.cy);
        w.Word(item.id);
        w.Word(0xFFFF);
        w.Word(item.classAtom);
        w.Text(item.text);
        w.Word(0);  // no creation data
    }
    return w.bytes;
}

constexpr DWORD BUTTON = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

}  // namespace

std::vector<BYTE> TestTemplate(WORD id)
{
    const Item ok{BUTTON | BS_DEFPUSHBUTTON, 10, 50, 40, 14, IDOK, 0x0080, "OK"};
    const Item cancel{BUTTON | BS_PUSHBUTTON, 60, 50, 40, 14, IDCANCEL, 0x0080, "Cancel"};
    const Item forObjects{BUTTON | BS_PUSHBUTTON, 110, 50, 40, 14, ITEM_FOR_OBJECTS, 0x0080, "Item"};
    if (id == TEMPLATE_OK_CANCEL) {
        return Build("Test dialog", {ok, cancel, forObjects});
    }
    return Build("Without cancel", {ok, forObjects});
}

void InstallTestTemplates()
{
    for (WORD id : {TEMPLATE_OK_CANCEL, TEMPLATE_OK_ONLY}) {
        const std::vector<BYTE> bytes = TestTemplate(id);
        // On Windows they are linked in (framework_templates.rc): this checks they match.
        EXPECT_TRUE(ui::AddResource(RT_DIALOG, MAKEINTRESOURCEA(id), bytes.data(), static_cast<DWORD>(bytes.size())))
            << id;
    }
}
