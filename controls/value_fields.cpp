#include "value_fields.h"

#include "value_text.h"

void WriteIntegerText(HWND window, std::int32_t value)
{
    ValueText text;
    FormatInteger(value, text);
    SetWindowTextA(window, text);
}

void WriteDecimalText(HWND window, float value)
{
    ValueText text;
    FormatDecimal(value, text);
    SetWindowTextA(window, text);
}

ValueLabel::ValueLabel(WindowObject* parentObject, LPCSTR captionText, int left, int top, int outerWidth,
                       int outerHeight)
    : StaticText(parentObject, captionText, left, top, outerWidth, outerHeight, 0, 0)
{
    style = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_RIGHT;
    exStyle = WS_EX_CLIENTEDGE;
}

void ValueLabel::ShowInteger(std::int32_t value)
{
    WriteIntegerText(handle, value);
}

void ValueLabel::ShowDecimal(float value)
{
    WriteDecimalText(handle, value);
}

void ValueLabel::ShowFirmware(std::uint16_t word)
{
    ValueText text;
    FormatFirmware(word, text);
    WriteText(text);
}

void ValueLabel::ShowHex(std::uint16_t word)
{
    ValueText text;
    FormatHex(word, text);
    WriteText(text);
}

NumberEdit::NumberEdit(WindowObject* parentObject, LPCSTR captionText, int left, int top, int outerWidth,
                       int outerHeight, int controlId)
    : EditField(parentObject, captionText, left, top, outerWidth, outerHeight, controlId, 0, false)
{
    style = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_RIGHT;
    exStyle = WS_EX_CLIENTEDGE;
}

void NumberEdit::SetInteger(std::int32_t value)
{
    WriteIntegerText(handle, value);
}

void NumberEdit::SetDecimal(float value)
{
    WriteDecimalText(handle, value);
}

std::int32_t NumberEdit::GetInteger()
{
    // Zeroed first: a field without a window copies nothing.
    ValueText text{};
    ReadText(text, static_cast<int>(VALUE_TEXT_SIZE));
    return ParseInteger(text).value;
}

float NumberEdit::GetDecimal()
{
    ValueText text{};
    ReadText(text, static_cast<int>(VALUE_TEXT_SIZE));
    return ParseDecimal(text).value;
}
