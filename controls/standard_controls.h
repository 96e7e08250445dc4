// The standard Windows child controls as window objects. Each wrapper fixes its control's
// system class and style and offers the control's few messages as plain operations, so
// that the windows of the tool never send control messages themselves. A control is made
// as a new child of its parent's window, or (list and combo boxes) attached to an item of
// a dialog template; either way the framework subclasses it, and whatever a wrapper does
// not handle goes on to the system class's own procedure.
//
// Before its window exists an operation sends to a null handle, which the system refuses:
// it returns 0 (GetSelectedText returns -1 and leaves the buffer alone).
#pragma once

#include "window.h"

// The common base: a visible child in its own tab group with a tab stop. It names a
// system class, so nothing is registered, and the control paints itself.
class Control : public Window {
public:
    Control(WindowObject* parent, LPCSTR caption, int x, int y, int width, int height, int id);

    LPCSTR ClassName() override = 0;
    bool RegisterClass() override;
    void OnPaint(Message& message) override;

protected:
    // The parent dialog's item `itemId`; position, size and style come from the template.
    Control(WindowObject* parent, int itemId);

    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);
};

// A frame with a title around a group of controls; it takes no focus.
class GroupBox : public Control {
public:
    GroupBox(WindowObject* parent, LPCSTR caption, int x, int y, int width, int height, int id);
    LPCSTR ClassName() override;
};

class Button : public Control {
public:
    Button(WindowObject* parent, LPCSTR caption, int x, int y, int width, int height, int id);
    LPCSTR ClassName() override;
};

// Ticks and clears itself on a click, before its parent hears of the click.
class CheckBox : public Button {
public:
    CheckBox(WindowObject* parent, LPCSTR caption, int x, int y, int width, int height, int id);

    int CheckState();  // 0 clear, 1 ticked
    void SetCheckState(int state);
};

// A left-aligned label; it takes no focus.
class StaticText : public Control {
public:
    StaticText(WindowObject* parent, LPCSTR caption, int x, int y, int width, int height, int id,
               int textCapacity);

    LPCSTR ClassName() override;

    // Copies at most capacity - 1 characters and a zero; returns how many it copied.
    int ReadText(char* buffer, int capacity);
    void WriteText(LPCSTR text);
    void ClearText();

    // Size in bytes of the text with its zero; for an edit field it limits typing to
    // textCapacity - 1 characters. 0: no limit is set.
    int textCapacity = 0;
};

class EditField : public StaticText {
public:
    EditField(WindowObject* parent, LPCSTR caption, int x, int y, int width, int height, int id,
              int textCapacity, bool multiline);

    LPCSTR ClassName() override;
    void AfterCreate() override;
};

// The list operations, shared with ComboBox, which answers them with its own messages.
class ListBox : public Control {
public:
    // List operation codes, the index into both message tables.
    static constexpr int LIST_ADD_STRING = 0;
    static constexpr int LIST_INSERT_STRING = 1;
    static constexpr int LIST_DELETE_STRING = 2;
    static constexpr int LIST_RESET_CONTENT = 3;
    static constexpr int LIST_GET_COUNT = 4;
    static constexpr int LIST_GET_TEXT = 5;
    static constexpr int LIST_GET_TEXT_LENGTH = 6;
    static constexpr int LIST_SELECT_STRING = 7;
    static constexpr int LIST_GET_SELECTION = 8;
    static constexpr int LIST_SET_SELECTION = 9;
    static constexpr int LIST_GET_ITEM_DATA = 10;
    static constexpr int LIST_SET_ITEM_DATA = 11;
    static constexpr int LIST_OPERATION_COUNT = 12;

    ListBox(WindowObject* parent, int x, int y, int width, int height, int id);
    // Attached to the parent dialog's item `itemId`.
    ListBox(WindowObject* parent, int itemId);

    LPCSTR ClassName() override;

    // ListBox's own virtual operation, after Window's: the message of a list operation
    // code, or 0 (WM_NULL) for a code outside the table.
    virtual UINT ListMessageCode(int code);

    // Inserts at `position` (-1: at the end) without sorting, whatever the style; returns
    // the new item's position.
    int InsertItem(LPCSTR text, int position);
    // Copies the item's text and zero into `buffer`, which must hold ItemTextLength + 1
    // bytes; returns its length, or -1 for a bad position.
    int ItemText(char* buffer, int position);
    int ItemTextLength(int position);
    int GetSelection();  // -1 when nothing is selected
    // -1 or a position past the last item leaves nothing selected.
    void SetSelection(int position);
    // The selected item's text, cut to `maxLength` characters; `buffer` holds maxLength + 1
    // bytes. Returns the characters copied, or -1 (buffer untouched) when nothing is
    // selected or the text cannot be read.
    int GetSelectedText(char* buffer, int maxLength);
};

class ComboBox : public ListBox {
public:
    // `height` is that of the dropped-down list. Not `editable`: a sorted drop-down list;
    // `editable`: a sorted drop-down with an edit field.
    ComboBox(WindowObject* parent, int x, int y, int width, int height, int id, int textCapacity,
             bool editable);
    // Attached to the parent dialog's item `itemId`.
    ComboBox(WindowObject* parent, int itemId, int textCapacity);

    LPCSTR ClassName() override;
    void AfterCreate() override;
    UINT ListMessageCode(int code) override;

    int textCapacity = 0;  // as StaticText's: limits typing in the edit field
};
