// CommSettings: the tool's own link settings, with which it talks to the transmitter. They
// start at 19200 Bd, even parity, slave 1 and are never saved; the link settings dialog
// edits them and Connect reads them. Not the transmitter's own settings, which it keeps in
// its registers (TransmitterCommSettings).
#pragma once

#include <cstdint>

struct CommSettings {
    std::uint8_t baudIndex;    // into BaudRateTable, 0 to 7
    std::uint8_t parityIndex;  // the Win32 parity code: 0 none, 1 odd, 2 even, 3 mark
    std::uint8_t address;      // the slave address of every request, 1 to 247
};

inline constexpr CommSettings INITIAL_COMM_SETTINGS{4, 2, 1};
