// The link settings dialog "MODBUS RTU" (dialog resource 1), in which the user sets the
// baud rate, parity and slave address the tool talks with. GreyDialog gives it the main
// window's light grey and lets Escape cancel it.
#pragma once

#include "comm_settings.h"

#include "choice_lists.h"
#include "dialog.h"

class GreyDialog : public Dialog {
public:
    using Dialog::Dialog;

    void Dispatch(Message& message) override;
    void HandleCommand(Message& message, int commandId) override;
};

class CommSettingsDialog : public GreyDialog {
public:
    static constexpr int TEMPLATE_ID = 1;
    static constexpr int BAUD_ITEM = 101;
    static constexpr int PARITY_ITEM = 102;
    static constexpr int ADDRESS_ITEM = 103;

    // `settings` may be null: the lists then show no selection and OK stores nothing.
    CommSettingsDialog(WindowObject* parent, CommSettings* settings);

    void AfterCreate() override;
    void OnOk(Message& message) override;

    BaudComboBox* baudCombo = nullptr;
    ParityComboBox* parityCombo = nullptr;
    AddressComboBox* addressCombo = nullptr;
    CommSettings* settings = nullptr;
};
