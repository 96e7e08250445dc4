#include "standard_controls.h"

#include <cstring>
#include <new>

namespace {

constexpr DWORD CONTROL_STYLE = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP;
constexpr DWORD UNFOCUSED_STYLE = WS_CHILD | WS_VISIBLE | WS_GROUP;

constexpr UINT LIST_BOX_MESSAGES[ListBox::LIST_OPERATION_COUNT] = {
    LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
    LB_GETCOUNT,  LB_GETTEXT,      LB_GETTEXTLEN,   LB_SELECTSTRING,
    LB_GETCURSEL, LB_SETCURSEL,    LB_GETITEMDATA,  LB_SETITEMDATA,
};

constexpr UINT COMBO_BOX_MESSAGES[ListBox::LIST_OPERATION_COUNT] = {
    CB_ADDSTRING,  CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT,
    CB_GETCOUNT,   CB_GETLBTEXT,    CB_GETLBTEXTLEN, CB_SELECTSTRING,
    CB_GETCURSEL,  CB_SETCURSEL,    CB_GETITEMDATA,  CB_SETITEMDATA,
};

UINT MessageOf(const UINT (&table)[ListBox::LIST_OPERATION_COUNT], int code)
{
    return code >= 0 && code < ListBox::LIST_OPERATION_COUNT ? table[code] : WM_NULL;
}

// A position as the list messages take it: -1 stays -1 in the control's signed reading.
WPARAM PositionParam(int position)
{
    return static_cast<WPARAM>(static_cast<INT_PTR>(position));
}

}  // namespace

// ---- Control ----------------------------------------------------------------------------

Control::Control(WindowObject* parentObject, LPCSTR captionText, int left, int top, int outerWidth,
                 int outerHeight, int controlId)
    : Window(parentObject, captionText)
{
    style = CONTROL_STYLE;
    x = left;
    y = top;
    width = outerWidth;
    height = outerHeight;
    id = controlId;
}

Control::Control(WindowObject* parentObject, int itemId) : Window(parentObject, itemId)
{
}

bool Control::RegisterClass()
{
    return true;  // the standard classes exist
}

void Control::OnPaint(Message& message)
{
    DefaultProc(message);
}

LRESULT Control::Send(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(handle, message, wParam, lParam);
}

// ---- GroupBox, Button, CheckBox -------------------------------------------------------------

GroupBox::GroupBox(WindowObject* parentObject, LPCSTR captionText, int left, int top, int outerWidth,
                   int outerHeight, int controlId)
    : Control(parentObject, captionText, left, top, outerWidth, outerHeight, controlId)
{
    style = UNFOCUSED_STYLE | BS_GROUPBOX;
}

LPCSTR GroupBox::ClassName()
{
    return "Button";
}

Button::Button(WindowObject* parentObject, LPCSTR captionText, int left, int top, int outerWidth,
               int outerHeight, int controlId)
    : Control(parentObject, captionText, left, top, outerWidth, outerHeight, controlId)
{
    style = CONTROL_STYLE | BS_PUSHBUTTON;
}

LPCSTR Button::ClassName()
{
    return "Button";
}

CheckBox::CheckBox(WindowObject* parentObject, LPCSTR captionText, int left, int top, int outerWidth,
                   int outerHeight, int controlId)
    : Button(parentObject, captionText, left, top, outerWidth, outerHeight, controlId)
{
    style = CONTROL_STYLE | BS_AUTOCHECKBOX;
}

int CheckBox::CheckState()
{
    return static_cast<int>(Send(BM_GETCHECK, 0, 0));
}

void CheckBox::SetCheckState(int state)
{
    Send(BM_SETCHECK, static_cast<WPARAM>(static_cast<INT_PTR>(state)), 0);
}

// ---- StaticText, EditField ------------------------------------------------------------------

StaticText::StaticText(WindowObject* parentObject, LPCSTR captionText, int left, int top, int outerWidth,
                       int outerHeight, int controlId, int capacity)
    : Control(parentObject, captionText, left, top, outerWidth, outerHeight, controlId)
{
    style = UNFOCUSED_STYLE | SS_LEFT;
    textCapacity = capacity;
}

LPCSTR StaticText::ClassName()
{
    return "Static";
}

int StaticText::ReadText(char* buffer, int capacity)
{
    return GetWindowTextA(handle, buffer, capacity);
}

void StaticText::WriteText(LPCSTR text)
{
    SetWindowTextA(handle, text);
}

void StaticText::ClearText()
{
    SetWindowTextA(handle, "");
}

EditField::EditField(WindowObject* parentObject, LPCSTR captionText, int left, int top, int outerWidth,
                     int outerHeight, int controlId, int capacity, bool multiline)
    : StaticText(parentObject, captionText, left, top, outerWidth, outerHeight, controlId, capacity)
{
    style = multiline ? (CONTROL_STYLE | WS_VSCROLL | WS_HSCROLL | ES_WANTRETURN | ES_MULTILINE)
                      : (CONTROL_STYLE | ES_AUTOHSCROLL);
    exStyle = WS_EX_CLIENTEDGE;
}

LPCSTR EditField::ClassName()
{
    return "Edit";
}

void EditField::AfterCreate()
{
    StaticText::AfterCreate();
    // 0 keeps the control's own limit; a negative capacity is no size at all and is
    // treated the same, rather than sent on as a huge unsigned limit.
    if (textCapacity > 0) {
        Send(EM_LIMITTEXT, static_cast<WPARAM>(textCapacity - 1), 0);
    }
}

// ---- ListBox ----------------------------------------------------------------------------------

ListBox::ListBox(WindowObject* parentObject, int left, int top, int outerWidth, int outerHeight, int controlId)
    : Control(parentObject, nullptr, left, top, outerWidth, outerHeight, controlId)
{
    style = CONTROL_STYLE | WS_VSCROLL | LBS_NOTIFY | LBS_SORT;
    exStyle = WS_EX_CLIENTEDGE;
}

ListBox::ListBox(WindowObject* parentObject, int itemId) : Control(parentObject, itemId)
{
}

LPCSTR ListBox::ClassName()
{
    return "Listbox";
}

UINT ListBox::ListMessageCode(int code)
{
    return MessageOf(LIST_BOX_MESSAGES, code);
}

int ListBox::InsertItem(LPCSTR text, int position)
{
    // The system would read through a null text.
    const LPCSTR itemText = text != nullptr ? text : "";
    return static_cast<int>(
        Send(ListMessageCode(LIST_INSERT_STRING), PositionParam(position), reinterpret_cast<LPARAM>(itemText)));
}

int ListBox::ItemText(char* buffer, int position)
{
    if (buffer == nullptr) {
        return -1;
    }
    return static_cast<int>(
        Send(ListMessageCode(LIST_GET_TEXT), PositionParam(position), reinterpret_cast<LPARAM>(buffer)));
}

int ListBox::ItemTextLength(int position)
{
    return static_cast<int>(Send(ListMessageCode(LIST_GET_TEXT_LENGTH), PositionParam(position), 0));
}

int ListBox::GetSelection()
{
    return static_cast<int>(Send(ListMessageCode(LIST_GET_SELECTION), 0, 0));
}

void ListBox::SetSelection(int position)
{
    Send(ListMessageCode(LIST_SET_SELECTION), PositionParam(position), 0);
}

int ListBox::GetSelectedText(char* buffer, int maxLength)
{
    // Without a window every message reads 0, which would pass for item 0 of length 0
    // and leave the buffer as it was.
    if (handle == nullptr || buffer == nullptr || maxLength < 0) {
        return -1;
    }
    const int position = GetSelection();
    if (position < 0) {
        return -1;
    }
    const int length = ItemTextLength(position);
    if (length < 0) {
        return -1;
    }
    if (maxLength >= length) {
        return ItemText(buffer, position);
    }
    char* const whole = new (std::nothrow) char[static_cast<std::size_t>(length) + 1];
    if (whole == nullptr) {
        return -1;
    }
    whole[0] = '\0';
    ItemText(whole, position);
    whole[length] = '\0';
    std::memcpy(buffer, whole, static_cast<std::size_t>(maxLength));
    buffer[maxLength] = '\0';
    delete[] whole;
    return maxLength;
}

// ---- ComboBox ---------------------------------------------------------------------------------

ComboBox::ComboBox(WindowObject* parentObject, int left, int top, int outerWidth, int outerHeight,
                   int controlId, int capacity, bool editable)
    : ListBox(parentObject, left, top, outerWidth, outerHeight, controlId)
{
    style = editable ? (CONTROL_STYLE | WS_VSCROLL | CBS_SORT | CBS_AUTOHSCROLL | CBS_DROPDOWN)
                     : (CONTROL_STYLE | WS_VSCROLL | CBS_SORT | CBS_DROPDOWNLIST);
    textCapacity = capacity;
}

ComboBox::ComboBox(WindowObject* parentObject, int itemId, int capacity) : ListBox(parentObject, itemId)
{
    textCapacity = capacity;
}

LPCSTR ComboBox::ClassName()
{
    return "Combobox";
}

void ComboBox::AfterCreate()
{
    ListBox::AfterCreate();
    if (textCapacity > 0) {
        Send(CB_LIMITTEXT, static_cast<WPARAM>(textCapacity - 1), 0);
    }
}

UINT ComboBox::ListMessageCode(int code)
{
    return MessageOf(COMBO_BOX_MESSAGES, code);
}
