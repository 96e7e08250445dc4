// The fields that show and take numbers. ValueLabel is a read-only, right-aligned, sunken
// text that shows an integer, a two-decimal number, a firmware version or a hexadecimal
// word; NumberEdit is a right-aligned one-line edit field that shows integers and
// two-decimal numbers and reads the user's text back as either, 0 for a text that is no
// number. The texts themselves are value_text's; both classes write the same ones.
#pragma once

#include "standard_controls.h"

#include <cstdint>

// Set the window's text to the integer or the decimal format of `value`; nothing is
// allocated.
void WriteIntegerText(HWND window, std::int32_t value);
void WriteDecimalText(HWND window, float value);

class ValueLabel : public StaticText {
public:
    ValueLabel(WindowObject* parent, LPCSTR caption, int x, int y, int width, int height);

    void ShowInteger(std::int32_t value);
    void ShowDecimal(float value);
    void ShowFirmware(std::uint16_t word);
    void ShowHex(std::uint16_t word);
};

// Without ES_AUTOHSCROLL: the user can type only as much as the field shows.
class NumberEdit : public EditField {
public:
    NumberEdit(WindowObject* parent, LPCSTR caption, int x, int y, int width, int height, int id);

    void SetInteger(std::int32_t value);
    void SetDecimal(float value);
    // From the field's first 15 characters; an invalid text reads 0.
    std::int32_t GetInteger();
    float GetDecimal();
};
