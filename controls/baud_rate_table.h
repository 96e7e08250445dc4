// BaudRateTable: the eight line speeds the tool and the transmitter know, by index. The
// tool's own link settings and the transmitter's baud-rate register both hold an index
// into it; the baud combo boxes list it in this order, and the main window turns an index
// into the rate it hands the transmitter. Header-only, so that any room can take it.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t BAUD_RATE_COUNT = 8;

inline constexpr std::uint32_t BaudRateTable[BAUD_RATE_COUNT] = {
    1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200,
};
