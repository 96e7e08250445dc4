// The texts of the value fields: how ValueLabel and NumberEdit write integers, two-decimal
// numbers, firmware versions and hexadecimal words, and how NumberEdit reads the user's
// integers and decimals back. Plain functions on caller buffers, so the field classes only
// move text in and out of their windows; nothing here allocates or looks at the locale.
#pragma once

#include <cstddef>
#include <cstdint>

// A field's text is read into, and built in, 16 bytes: 15 characters and the terminator.
inline constexpr std::size_t VALUE_TEXT_SIZE = 16;
inline constexpr std::size_t VALUE_TEXT_MAX_CHARS = VALUE_TEXT_SIZE - 1;

using ValueText = char[VALUE_TEXT_SIZE];

// Each format writes a zero-terminated text into `text` and returns its length.

// Decimal, "-" for a negative value, no spaces or grouping: at most 11 characters.
std::size_t FormatInteger(std::int32_t value, ValueText& text);

// Rounded to hundredths (an exact half goes to the even hundredth) and written with "."
// and two decimals: 0.5 -> "0.50", -12.3 -> "-12.30". A value that rounds to zero has no
// sign. A value whose text would pass 14 characters is written as "d.ddE+xx" (three
// significant digits); infinities as "Inf" and "-Inf", not-a-number as "Nan". Every text
// it writes reads back through ParseDecimal.
std::size_t FormatDecimal(float value, ValueText& text);

// High byte in one hex digit when it is 9 or less, else two; ".", low byte in two digits:
// 0x0105 -> "1.05", 0x0A00 -> "0A.00", 0xFFFF -> "FF.FF".
std::size_t FormatFirmware(std::uint16_t word, ValueText& text);

// Always four upper-case hex digits: 0x0800 -> "0800".
std::size_t FormatHex(std::uint16_t word, ValueText& text);

// Writes exactly `count` upper-case hex digits of the low 4 * count bits of `value`, most
// significant first, with leading zeros, and no terminator. Returns the end of the digits.
char* HexDigits(std::uint32_t value, std::size_t count, char* destination);

// What a parse rule makes of a text. An invalid text reads 0, the same as a text that
// reads zero; `valid` tells the two apart for callers that care.
struct IntegerReading {
    std::int32_t value;
    bool valid;
};

struct DecimalReading {
    float value;
    bool valid;
};

// Both rules take the text up to its terminator, but never more than its first 15
// characters, so an unterminated 16-byte buffer is safe. A null text is invalid.

// `GetInteger`: leading spaces and tabs, an optional sign, an optional base prefix ("$",
// "x", "X", "0x", "0X" hex; "%" binary; "&" octal), then digits of that base to the end.
// Decimal texts must lie in the 32-bit signed range; other bases may reach 0xFFFFFFFF,
// taken as two's complement ("$FFFFFFFF" reads -1) and negated after a "-".
IntegerReading ParseInteger(const char* text);

// `GetDecimal`: every "," counts as ".", leading spaces (not tabs), an optional sign, then
// "Inf" or "Nan" in any case as the whole rest, or digits with an optional point and an
// optional exponent; digits may be missing on either side of the point ("5.", ".5", and
// "." reads 0). The value is the nearest single-precision number; beyond the float range
// it is an infinity, below the smallest subnormal a zero, with the text's sign.
DecimalReading ParseDecimal(const char* text);
