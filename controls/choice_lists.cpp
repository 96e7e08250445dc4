#include "choice_lists.h"

#include "baud_rate_table.h"
#include "value_text.h"

namespace {

constexpr LPCSTR PARITY_TEXTS[] = {"None", "Odd", "Even", "Mark"};

}  // namespace

// No base AfterCreate in these: a combo box has no children, and the capacity is 0.

void AddressComboBox::AfterCreate()
{
    ValueText text;
    for (int address = 1; address <= ADDRESS_COUNT; ++address) {
        FormatInteger(address, text);
        InsertItem(text, -1);
    }
}

void BaudComboBox::AfterCreate()
{
    ValueText text;
    for (const std::uint32_t rate : BaudRateTable) {
        FormatInteger(static_cast<std::int32_t>(rate), text);
        InsertItem(text, -1);
    }
}

void ParityComboBox::AfterCreate()
{
    for (const LPCSTR text : PARITY_TEXTS) {
        InsertItem(text, -1);
    }
}

PortComboBox::PortComboBox(WindowObject* parentObject, int left, int top, int outerWidth, int outerHeight,
                           int controlId)
    : ComboBox(parentObject, left, top, outerWidth, outerHeight, controlId, 0, false)
{
}

PortComboBox::~PortComboBox()
{
    // The window goes while the object is whole; `ports` after it.
    DestroyHandleAndChildren();
}

void PortComboBox::AfterCreate()
{
    for (std::size_t index = 0; index < ports.Count(); ++index) {
        InsertItem(ports.Name(index), -1);
    }
}
