// Dialog: a window object made from a dialog template in the program's resources and run
// modally by the dialog manager. Its thunk is the dialog procedure; WM_INITDIALOG binds
// the window and attaches the child objects to their items. OK (1) ends it with 1 when
// MayClose agrees, Cancel (2) and the close box with 2.
#pragma once

#include "window_object.h"

class Dialog : public WindowObject {
public:
    // `templateName`: a name (copied) or an integer resource id below 65536.
    Dialog(WindowObject* parent, LPCSTR templateName);
    ~Dialog() override;

    void DefaultProc(Message& message) override;  // leaves the message to the dialog manager
    void Dispatch(Message& message) override;
    void HandleChildCommand(Message& message, int controlId) override;
    void FillClassInfo(WNDCLASSA& windowClass) override;
    bool Create() override;
    void OnClose(Message& message) override;
    void OnQueryEndSession(Message& message) override;

    // Dialog's own virtual operations, after WindowObject's.
    virtual void OnInitDialog(Message& message);
    virtual void OnOk(Message& message);
    virtual void OnCancel(Message& message);

    // DialogBoxParamA's result: FinishDialog's value, or the dialog manager's failure value.
    INT_PTR RunModal();
    void FinishDialog(INT_PTR result);

    LPCSTR templateName = nullptr;  // owned name, or the id with its high 16 bits zero
    LPARAM initParam = 0;           // lParam of WM_INITDIALOG
};
