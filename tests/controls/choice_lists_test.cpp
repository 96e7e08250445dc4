// The choice lists: the fixed lists fill themselves in their given order and the user's
// choice comes back as a position; the port list shows the registry's ports shorter names
// first, read when the object is built. Created as the main window makes them, and
// attached to dialog items as the settings dialog does.
#include "baud_rate_table.h"
#include "choice_lists.h"

#include "posix/user_resources.h"
#include "ui_fixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using testing_ports::SzValue;

std::vector<std::string> Items(const ListBox& list)
{
    return ui::Inspect(list.handle).items;
}

// The ids of the CBN_SELCHANGE among a parent's child commands (a combo box also tells
// of focus, dropping and closing).
std::vector<int> SelectionChanges(const std::vector<ChildCommand>& commands)
{
    std::vector<int> ids;
    for (const ChildCommand& command : commands) {
        if (command.code == CBN_SELCHANGE) {
            ids.push_back(command.id);
        }
    }
    return ids;
}

// The dropped-down list of a combo box, or 0 while it is closed.
HWND DroppedList()
{
    for (HWND window : ui::TopLevelWindows()) {
        const ui::WindowState state = ui::Inspect(window);
        if (state.className == "ComboLBox" && state.visible) {
            return window;
        }
    }
    return nullptr;
}

// Opens the combo box with a click and clicks the item at `position` in its list.
void ChooseWithMouse(ComboBox& combo, int position)
{
    ui::Click(combo.handle);
    Pump();
    const HWND list = DroppedList();
    ASSERT_NE(list, nullptr) << "the click drops the list";
    RECT row{};
    SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(position), 0);
    ASSERT_NE(SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(&row)),
              LB_ERR);
    POINT point{(row.left + row.right) / 2, (row.top + row.bottom) / 2};
    ClientToScreen(list, &point);
    ui::ClickAt(point);
    Pump();
    EXPECT_EQ(DroppedList(), nullptr) << "choosing closes the list";
}

using ChoiceLists = ControlTest;

TEST_F(ChoiceLists, FixedListsFillInTheirOwnOrderUnderSort)
{
    std::vector<std::string> addresses;
    for (int n = 1; n <= 247; ++n) {
        addresses.push_back(std::to_string(n));
    }
    std::vector<std::string> rates;
    for (std::uint32_t rate : BaudRateTable) {
        rates.push_back(std::to_string(rate));
    }
    auto* address = new AddressComboBox(parent, 95, 115, 75, 200, 104, 0, false);
    auto* baud = new BaudComboBox(parent, 95, 145, 75, 200, 105, 0, false);
    auto* parity = new ParityComboBox(parent, 95, 175, 75, 200, 106, 0, false);
    Show();
    for (ComboBox* combo : {static_cast<ComboBox*>(address), static_cast<ComboBox*>(baud),
                            static_cast<ComboBox*>(parity)}) {
        EXPECT_NE(combo->style & CBS_SORT, 0u);
        EXPECT_EQ(combo->GetSelection(), -1) << "the fill selects nothing";
    }
    EXPECT_EQ(Items(*address), addresses);
    EXPECT_EQ(Items(*baud), (std::vector<std::string>{"1200", "2400", "4800", "9600", "19200", "38400", "57600",
                                                       "115200"}));
    EXPECT_EQ(Items(*baud), rates);
    EXPECT_EQ(Items(*parity), (std::vector<std::string>{"None", "Odd", "Even", "Mark"}));
    EXPECT_TRUE(parent->commands.empty());
}

TEST_F(ChoiceLists, PositionsAreTheValues)
{
    auto* address = new AddressComboBox(parent, 95, 115, 75, 200, 104, 0, false);
    auto* baud = new BaudComboBox(parent, 95, 145, 75, 200, 105, 0, false);
    auto* parity = new ParityComboBox(parent, 95, 175, 75, 200, 106, 0, false);
    Show();
    const struct {
        ComboBox* combo;
        int position;
        const char* text;  // null: nothing selected
    } cases[] = {
        {address, 0, "1"},    {address, 246, "247"}, {address, 4, "5"},   {address, 247, nullptr},
        {address, -1, nullptr}, {baud, 4, "19200"},  {baud, 7, "115200"}, {baud, 8, nullptr},
        {parity, 2, "Even"},  {parity, 0, "None"},   {parity, 3, "Mark"}, {parity, 4, nullptr},
    };
    for (const auto& c : cases) {
        c.combo->SetSelection(c.position);
        char text[8] = "#######";
        if (c.text == nullptr) {
            EXPECT_EQ(c.combo->GetSelection(), -1) << c.position;
            EXPECT_EQ(c.combo->GetSelectedText(text, 7), -1) << c.position;
            EXPECT_STREQ(text, "#######");
        } else {
            EXPECT_EQ(c.combo->GetSelection(), c.position);
            EXPECT_EQ(c.combo->GetSelectedText(text, 7), static_cast<int>(std::strlen(c.text)));
            EXPECT_STREQ(text, c.text);
            EXPECT_EQ(TextOf(c.combo->handle), c.text) << "the field shows it";
        }
    }
}

TEST_F(ChoiceLists, TheUsersChoiceReachesTheParent)
{
    auto* address = new AddressComboBox(parent, 95, 115, 75, 200, 104, 0, false);
    auto* baud = new BaudComboBox(parent, 95, 145, 75, 200, 105, 0, false);
    auto* parity = new ParityComboBox(parent, 95, 175, 75, 200, 106, 0, false);
    Show();

    ChooseWithMouse(*baud, 4);
    EXPECT_EQ(baud->GetSelection(), 4);
    EXPECT_EQ(TextOf(baud->handle), "19200");
    EXPECT_EQ(SelectionChanges(parent->commands), (std::vector<int>{105}));

    // The keyboard on a closed list: Down from nothing takes the first item, a digit the
    // next item that starts with it.
    parent->commands.clear();
    ClickOn(parity->handle);
    ui::PressKey(VK_ESCAPE);
    ui::PressKey(VK_DOWN);
    ui::PressKey(VK_DOWN);
    ui::PressKey(VK_DOWN);
    Pump();
    EXPECT_EQ(parity->GetSelection(), 2);
    EXPECT_EQ(SelectionChanges(parent->commands), (std::vector<int>{106, 106, 106}));

    parent->commands.clear();
    ClickOn(address->handle);
    ui::PressKey(VK_ESCAPE);
    ui::TypeText("2");
    Pump();
    EXPECT_EQ(address->GetSelection(), 1);
    EXPECT_EQ(TextOf(address->handle), "2");
    ui::PressKey(VK_END);
    Pump();
    EXPECT_EQ(address->GetSelection(), 246);
    EXPECT_EQ(SelectionChanges(parent->commands), (std::vector<int>{104, 104}));
}

// ---- Attached to the items of a dialog ----------------------------------------------------

constexpr WORD CHOICE_TEMPLATE = 300;

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
    void Text(const char* text)
    {
        for (; *text != '\0'; ++text) {
            Word(static_cast<BYTE>(*text));
        }
        Word(0);
    }
    void Align()
    {
        while (bytes.size() % 4 != 0) {
            bytes.push_back(0);
        }
    }
    std::vector<BYTE> bytes;
};

// Three drop-down lists without CBS_SORT (101, 102, 103) and their labels, in dialog units.
void InstallChoiceTemplate()
{
    struct Item {
        DWORD style;
        short x, y, cx, cy;
        WORD id;
        WORD classAtom;
        const char* text;
    };
    const DWORD combo = 0x50210003;  // WS_CHILD, WS_VISIBLE, WS_VSCROLL, WS_TABSTOP, CBS_DROPDOWNLIST
    const DWORD label = 0x50020000;
    const Item items[] = {
        {label, 5, 7, 32, 10, 0, 0x0082, "Rychlost"}, {combo, 42, 5, 40, 80, 101, 0x0085, ""},
        {label, 5, 22, 32, 10, 0, 0x0082, "Parita"},  {combo, 42, 20, 40, 80, 102, 0x0085, ""},
        {label, 5, 37, 32, 10, 0, 0x0082, "Adresa"},  {combo, 42, 35, 40, 80, 103, 0x0085, ""},
    };
    TemplateWriter w;
    w.Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    w.Dword(0);
    w.Word(static_cast<WORD>(std::size(items)));
    for (int v : {100, 20, 87, 72}) {
        w.Word(static_cast<WORD>(v));
    }
    w.Word(0);
    w.Word(0);
    w.Text("MODBUS RTU");
    for (const Item& item : items) {
        w.Align();
        w.Dword(item.style);
        w.Dword(0);
        for (short v : {item.x, item.y, item.cx, item.cy}) {
            w.Word(static_cast<WORD>(v));
        }
        w.Word(item.id);
        w.Word(0xFFFF);
        w.Word(item.classAtom);
        w.Text(item.text);
        w.Word(0);
    }
    winapi_posix::AddResource(RT_DIALOG, MAKEINTRESOURCEA(CHOICE_TEMPLATE), 0, w.bytes.data(),
                              static_cast<DWORD>(w.bytes.size()));
}

class ChoiceDialog : public Dialog {
public:
    explicit ChoiceDialog(WindowObject* owner) : Dialog(owner, MAKEINTRESOURCEA(CHOICE_TEMPLATE))
    {
        baud = new BaudComboBox(this, 101, 0);
        parity = new ParityComboBox(this, 102, 0);
        address = new AddressComboBox(this, 103, 0);
    }
    ~ChoiceDialog() override { DestroyHandleAndChildren(); }

    void AfterCreate() override
    {
        Dialog::AfterCreate();
        baud->SetSelection(4);
        parity->SetSelection(2);
        address->SetSelection(0);
    }
    void HandleChildCommand(Message& message, int controlId) override
    {
        commands.push_back({controlId, HIWORD(message.wParam)});
        Dialog::HandleChildCommand(message, controlId);
    }

    BaudComboBox* baud;
    ParityComboBox* parity;
    AddressComboBox* address;
    std::vector<ChildCommand> commands;
};

TEST_F(ChoiceLists, AttachedToDialogItemsTheyFillAndKeepTheTemplateStyle)
{
    InstallChoiceTemplate();
    Show();
    auto* dialog = new ChoiceDialog(parent);
    bool ran = false;
    ui::OnNextModal([&](HWND modal) {
        ran = true;
        EXPECT_EQ(modal, dialog->handle);
        EXPECT_EQ(dialog->baud->handle, GetDlgItem(modal, 101));
        EXPECT_EQ(ui::Inspect(dialog->baud->handle).style, 0x50210003u);
        EXPECT_EQ(Items(*dialog->baud), (std::vector<std::string>{"1200", "2400", "4800", "9600", "19200", "38400",
                                                                   "57600", "115200"}));
        EXPECT_EQ(Items(*dialog->parity), (std::vector<std::string>{"None", "Odd", "Even", "Mark"}));
        EXPECT_EQ(Items(*dialog->address).size(), 247u);
        EXPECT_EQ(TextOf(dialog->baud->handle), "19200");
        EXPECT_EQ(TextOf(dialog->parity->handle), "Even");
        EXPECT_EQ(TextOf(dialog->address->handle), "1");

        // 9600, None and 5, by the keyboard.
        SetFocus(dialog->baud->handle);
        ui::PressKey(VK_UP);
        Pump(modal);
        SetFocus(dialog->parity->handle);
        ui::PressKey(VK_HOME);
        Pump(modal);
        SetFocus(dialog->address->handle);
        ui::TypeText("5");
        Pump(modal);
        EXPECT_EQ(dialog->baud->GetSelection(), 3);
        EXPECT_EQ(dialog->parity->GetSelection(), 0);
        EXPECT_EQ(dialog->address->GetSelection(), 4);
        EXPECT_EQ(SelectionChanges(dialog->commands), (std::vector<int>{101, 102, 103}));
        dialog->FinishDialog(IDOK);
    });
    EXPECT_EQ(dialog->RunModal(), IDOK);
    EXPECT_TRUE(ran);
    EXPECT_EQ(ui::ModalWindow(), nullptr);
    delete dialog;
}

// ---- The port list ------------------------------------------------------------------------

class PortList : public ControlTest {
protected:
    PortComboBox* MakePortCombo() { return new PortComboBox(parent, 448, 10, 80, 160, 101); }
};

TEST_F(PortList, ShorterNamesFirstWhateverTheRegistryOrder)
{
    const std::vector<std::vector<testing_ports::PortValue>> registries = {
        {SzValue("Serial0", "COM10"), SzValue("Serial1", "COM3"), SzValue("Serial2", "COM1"),
         SzValue("Serial3", "COM2")},
        {SzValue("Serial0", "COM2"), SzValue("Serial1", "COM1"), SzValue("Serial2", "COM10"),
         SzValue("Serial3", "COM3")},
    };
    Show();
    for (const auto& registry : registries) {
        testing_ports::SetPortList(registry);
        PortComboBox* combo = MakePortCombo();
        ASSERT_TRUE(combo->Create());
        EXPECT_EQ(Items(*combo), (std::vector<std::string>{"COM1", "COM2", "COM3", "COM10"}));
        EXPECT_EQ(combo->GetSelection(), -1);
        delete combo;
    }
}

TEST_F(PortList, EqualLengthsByTheirBytesAndOneItemPerName)
{
    const struct {
        std::vector<testing_ports::PortValue> registry;
        std::vector<std::string> items;
    } cases[] = {
        {{SzValue("Serial0", "COM12"), SzValue("Serial1", "COM10")}, {"COM10", "COM12"}},
        {{SzValue("Serial0", "COM3"), SzValue("VirtualCom", "COM3")}, {"COM3"}},
        // A value that cannot name a port is not offered.
        {{SzValue("Serial0", "COM12345"), {"Number", REG_DWORD, {1, 0, 0, 0}}, SzValue("Serial1", "COM4")},
         {"COM4"}},
    };
    Show();
    for (const auto& c : cases) {
        testing_ports::SetPortList(c.registry);
        PortComboBox* combo = MakePortCombo();
        ASSERT_TRUE(combo->Create());
        EXPECT_EQ(Items(*combo), c.items);
        delete combo;
    }
}

TEST_F(PortList, NoKeyGivesAnEmptyListAndNoMessage)
{
    testing_ports::SetSerialCommKeyMissing(true);
    PortComboBox* combo = MakePortCombo();
    Show();
    EXPECT_TRUE(Items(*combo).empty());
    EXPECT_EQ(combo->ports.Count(), 0u);
    EXPECT_EQ(ui::ModalWindow(), nullptr);
    for (HWND window : ui::TopLevelWindows()) {
        EXPECT_TRUE(window == parent->handle || !ui::Inspect(window).visible) << ui::Inspect(window).text;
    }
    char name[8] = "#######";
    EXPECT_EQ(combo->GetSelectedText(name, 7), -1);
    ui::Click(combo->handle);
    ui::PressKey(VK_DOWN);
    Pump();
    EXPECT_EQ(combo->GetSelection(), -1);
}

// Read when the object is built, before its window exists; the user's first choice is
// what the main window hears, and reads back as a name of at most 7 characters.
TEST_F(PortList, ReadOnceAtConstructionAndChosenByTheUser)
{
    testing_ports::SetPortList({SzValue("Serial0", "COM3"), SzValue("Serial1", "COM10")});
    PortComboBox* combo = MakePortCombo();
    testing_ports::SetPortList({SzValue("Serial0", "COM7")});
    Show();
    EXPECT_EQ(Items(*combo), (std::vector<std::string>{"COM3", "COM10"}));
    EXPECT_EQ(combo->GetSelection(), -1);

    ChooseWithMouse(*combo, 1);
    EXPECT_EQ(SelectionChanges(parent->commands), (std::vector<int>{101}));
    char name[8];
    EXPECT_EQ(combo->GetSelectedText(name, 7), 5);
    EXPECT_STREQ(name, "COM10");
}

}  // namespace
