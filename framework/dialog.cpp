#include "dialog.h"

#include "window_proc.h"

#include <cstring>

namespace {

bool IsName(LPCSTR templateName)
{
    return (reinterpret_cast<ULONG_PTR>(templateName) >> 16) != 0;
}

}  // namespace

Dialog::Dialog(WindowObject* parentObject, LPCSTR templateArgument) : WindowObject(parentObject)
{
    if (!IsName(templateArgument)) {
        templateName = templateArgument;
    } else if (templateArgument[0] != '\0') {
        const std::size_t size = std::strlen(templateArgument) + 1;
        char* copy = new char[size];
        std::memcpy(copy, templateArgument, size);
        templateName = copy;
    }
}

Dialog::~Dialog()
{
    // The dialog manager has normally taken the window down already (WM_NCDESTROY let go
    // of the handle); the children go while this is still a Dialog.
    DestroyHandleAndChildren();
    if (IsName(templateName)) {
        delete[] templateName;
    }
}

void Dialog::DefaultProc(Message& message)
{
    message.result = 0;
}

void Dialog::Dispatch(Message& message)
{
    if (message.message == WM_INITDIALOG) {
        OnInitDialog(message);
    } else {
        WindowObject::Dispatch(message);
    }
}

void Dialog::HandleChildCommand(Message& message, int controlId)
{
    switch (controlId) {
    case IDOK: OnOk(message); break;
    case IDCANCEL: OnCancel(message); break;
    default: WindowObject::HandleChildCommand(message, controlId); break;
    }
}

void Dialog::FillClassInfo(WNDCLASSA&)
{
    // The template names the dialog's class; nothing is registered for it.
}

bool Dialog::Create()
{
    // RunModal makes the window; as someone's child a dialog never fails its siblings.
    return true;
}

void Dialog::OnClose(Message& message)
{
    OnCancel(message);
}

void Dialog::OnQueryEndSession(Message& message)
{
    // 0 leaves the answer to the dialog manager, which lets the session end; 1 with the
    // dialog's own result left at 0 refuses.
    WindowObject::OnQueryEndSession(message);
    message.result = message.result != 0 ? 0 : 1;
}

void Dialog::OnInitDialog(Message& message)
{
    handle = message.window;
    AfterCreate();
}

void Dialog::OnOk(Message&)
{
    if (MayClose()) {
        FinishDialog(IDOK);
    }
}

void Dialog::OnCancel(Message&)
{
    FinishDialog(IDCANCEL);
}

INT_PTR Dialog::RunModal()
{
    const HWND parentHandle = parent != nullptr ? parent->handle : nullptr;
    return DialogBoxParamA(ModuleInstance(), templateName, parentHandle,
                           reinterpret_cast<DLGPROC>(thunk), initParam);
}

void Dialog::FinishDialog(INT_PTR result)
{
    EndDialog(handle, result);
}
