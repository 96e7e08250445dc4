#include "comm_settings_dialog.h"

namespace {

constexpr COLORREF LIGHT_GREY = RGB(192, 192, 192);

LRESULT LightGreyBrush()
{
    return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
}

// A selection as the record holds it: its low 8 bits; no selection keeps what was there.
void StoreSelection(std::uint8_t& field, int selection, int offset)
{
    if (selection >= 0) {
        field = static_cast<std::uint8_t>(selection + offset);
    }
}

}  // namespace

void GreyDialog::Dispatch(Message& message)
{
    switch (message.message) {
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(message.wParam), LIGHT_GREY);
        message.result = LightGreyBrush();
        break;
    case WM_CTLCOLORDLG: message.result = LightGreyBrush(); break;
    default: Dialog::Dispatch(message); break;
    }
}

void GreyDialog::HandleCommand(Message& message, int commandId)
{
    // Escape arrives as IDCANCEL from no control; without this it would go to the parent.
    if (commandId == IDCANCEL) {
        OnCancel(message);
    } else {
        Dialog::HandleCommand(message, commandId);
    }
}

CommSettingsDialog::CommSettingsDialog(WindowObject* parentObject, CommSettings* editedSettings)
    : GreyDialog(parentObject, MAKEINTRESOURCEA(TEMPLATE_ID))
{
    baudCombo = new BaudComboBox(this, BAUD_ITEM, 0);
    parityCombo = new ParityComboBox(this, PARITY_ITEM, 0);
    addressCombo = new AddressComboBox(this, ADDRESS_ITEM, 0);
    settings = editedSettings;
}

void CommSettingsDialog::AfterCreate()
{
    GreyDialog::AfterCreate();
    if (settings != nullptr) {
        baudCombo->SetSelection(settings->baudIndex);
        parityCombo->SetSelection(settings->parityIndex);
        addressCombo->SetSelection(static_cast<int>(settings->address) - 1);
    }
}

void CommSettingsDialog::OnOk(Message& message)
{
    if (settings != nullptr) {
        StoreSelection(settings->baudIndex, baudCombo->GetSelection(), 0);
        StoreSelection(settings->parityIndex, parityCombo->GetSelection(), 0);
        StoreSelection(settings->address, addressCombo->GetSelection(), 1);
    }
    GreyDialog::OnOk(message);
}
