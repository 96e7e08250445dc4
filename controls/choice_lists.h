// The drop-down lists of fixed choices and of serial ports. Each fills itself as soon as
// its window exists, by appending its items in a fixed order (appending keeps that order
// under CBS_SORT), and selects nothing. The position of an item is the value's index:
// address p + 1, BaudRateTable index p, parity code p.
#pragma once

#include "port_name_list.h"
#include "standard_controls.h"

// "1" to "247".
class AddressComboBox : public ComboBox {
public:
    using ComboBox::ComboBox;
    static constexpr int ADDRESS_COUNT = 247;
    void AfterCreate() override;
};

// The rates of BaudRateTable as decimal texts, in table order.
class BaudComboBox : public ComboBox {
public:
    using ComboBox::ComboBox;
    void AfterCreate() override;
};

// "None", "Odd", "Even", "Mark": the serial line's parity codes 0 to 3.
class ParityComboBox : public ComboBox {
public:
    using ComboBox::ComboBox;
    void AfterCreate() override;
};

// The serial ports Windows lists, shorter names first, read once when the object is built
// (before any window exists); a port added later shows at the next start.
class PortComboBox : public ComboBox {
public:
    // `height` is that of the dropped-down list.
    PortComboBox(WindowObject* parent, int x, int y, int width, int height, int id);
    ~PortComboBox() override;

    void AfterCreate() override;

    PortNameList ports;
};
