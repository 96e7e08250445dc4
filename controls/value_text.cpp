#include "value_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

constexpr char HEX_DIGITS[] = "0123456789ABCDEF";

// Writes the decimal digits of `magnitude`, returns the end.
char* WriteUnsigned(std::uint64_t magnitude, char* out) {
    char reversed[20];
    std::size_t count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (count != 0) {
        *out++ = reversed[--count];
    }
    return out;
}

std::size_t Finish(ValueText& text, char* end) {
    *end = '\0';
    return static_cast<std::size_t>(end - text);
}

std::size_t CopyWord(ValueText& text, const char* word) {
    char* out = text;
    while (*word != '\0') {
        *out++ = *word++;
    }
    return Finish(text, out);
}

// The length of a field text: up to its terminator, never past 15 characters.
std::size_t FieldTextLength(const char* text) {
    std::size_t length = 0;
    while (length < VALUE_TEXT_MAX_CHARS && text[length] != '\0') {
        ++length;
    }
    return length;
}

// The value of a digit in bases up to 16, or 16 for a character that is none.
unsigned DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<unsigned>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<unsigned>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<unsigned>(c - 'A' + 10);
    }
    return 16;
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// True when `text` of `length` characters is `lowerWord` in any letter case.
bool EqualsIgnoringCase(const char* text, std::size_t length, const char* lowerWord) {
    std::size_t i = 0;
    for (; i < length && lowerWord[i] != '\0'; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != lowerWord[i]) {
            return false;
        }
    }
    return i == length && lowerWord[i] == '\0';
}

// Texts of 14 characters at most: "99999999999.99" and "-9999999999.99", in hundredths.
constexpr std::uint64_t POSITIVE_HUNDREDTHS_LIMIT = 10'000'000'000'000u;
constexpr std::uint64_t NEGATIVE_HUNDREDTHS_LIMIT = 1'000'000'000'000u;

// Three significant digits with an exponent, for values too large for the fixed text.
// to_chars rounds exactly and ignores the locale.
std::size_t FormatScientific(float value, ValueText& text) {
    auto result = std::to_chars(text, text + VALUE_TEXT_MAX_CHARS, value,
                                std::chars_format::scientific, 2);
    if (result.ec != std::errc()) {
        return CopyWord(text, value < 0 ? "-Inf" : "Inf");  // cannot happen: at most 9 characters
    }
    for (char* p = text; p != result.ptr; ++p) {
        if (*p == 'e') {
            *p = 'E';
        }
    }
    return Finish(text, result.ptr);
}

}  // namespace

char* HexDigits(std::uint32_t value, std::size_t count, char* destination) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t shift = 4 * i;
        const std::uint32_t nibble = shift < 32 ? (value >> shift) & 0xFu : 0u;
        destination[count - 1 - i] = HEX_DIGITS[nibble];
    }
    return destination + count;
}

std::size_t FormatInteger(std::int32_t value, ValueText& text) {
    char* out = text;
    std::uint32_t magnitude = static_cast<std::uint32_t>(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0u - magnitude;
    }
    return Finish(text, WriteUnsigned(magnitude, out));
}

std::size_t FormatDecimal(float value, ValueText& text) {
    if (std::isnan(value)) {
        return CopyWord(text, "Nan");
    }
    if (std::isinf(value)) {
        return CopyWord(text, value < 0 ? "-Inf" : "Inf");
    }
    // A float has 24 significant bits and 100 needs 7, so the product is exact in a double.
    const double scaled = std::fabs(static_cast<double>(value) * 100.0);
    const bool negative = value < 0;
    const std::uint64_t limit = negative ? NEGATIVE_HUNDREDTHS_LIMIT : POSITIVE_HUNDREDTHS_LIMIT;
    if (scaled >= static_cast<double>(limit)) {
        return FormatScientific(value, text);
    }
    const double whole = std::floor(scaled);
    const double rest = scaled - whole;  // exact: both are below 2^53
    std::uint64_t hundredths = static_cast<std::uint64_t>(whole);
    if (rest > 0.5 || (rest == 0.5 && (hundredths & 1u) != 0)) {
        ++hundredths;
    }
    if (hundredths >= limit) {
        return FormatScientific(value, text);
    }
    char* out = text;
    if (negative && hundredths != 0) {
        *out++ = '-';
    }
    out = WriteUnsigned(hundredths / 100, out);
    *out++ = '.';
    const auto cents = static_cast<unsigned>(hundredths % 100);
    *out++ = static_cast<char>('0' + cents / 10);
    *out++ = static_cast<char>('0' + cents % 10);
    return Finish(text, out);
}

std::size_t FormatFirmware(std::uint16_t word, ValueText& text) {
    const std::uint32_t major = word >> 8;
    const std::uint32_t minor = word & 0xFFu;
    char* out = HexDigits(major, major <= 9 ? 1 : 2, text);
    *out++ = '.';
    return Finish(text, HexDigits(minor, 2, out));
}

std::size_t FormatHex(std::uint16_t word, ValueText& text) {
    return Finish(text, HexDigits(word, 4, text));
}

IntegerReading ParseInteger(const char* text) {
    constexpr IntegerReading INVALID{0, false};
    if (text == nullptr) {
        return INVALID;
    }
    const std::size_t length = FieldTextLength(text);
    std::size_t i = 0;
    while (i < length && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i < length) {
        switch (text[i]) {
        case '$':
        case 'x':
        case 'X':
            base = 16;
            ++i;
            break;
        case '%':
            base = 2;
            ++i;
            break;
        case '&':
            base = 8;
            ++i;
            break;
        case '0':
            if (i + 1 < length && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
                base = 16;
                i += 2;
            }
            break;
        default:
            break;
        }
    }
    if (i == length) {
        return INVALID;  // no digit
    }
    const std::uint64_t limit =
        base != 10 ? 0xFFFF'FFFFu : (negative ? 2'147'483'648u : 2'147'483'647u);
    std::uint64_t magnitude = 0;
    for (; i < length; ++i) {
        const unsigned digit = DigitValue(text[i]);
        if (digit >= base) {
            return INVALID;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > limit) {
            return INVALID;
        }
    }
    // Within the limit the low 32 bits are the two's complement of the result, for a
    // negated decimal too; the conversion to a signed value is modular.
    auto bits = static_cast<std::uint32_t>(magnitude);
    if (negative) {
        bits = 0u - bits;
    }
    return {static_cast<std::int32_t>(bits), true};
}

DecimalReading ParseDecimal(const char* text) {
    constexpr DecimalReading INVALID{0.0f, false};
    if (text == nullptr) {
        return INVALID;
    }
    const std::size_t length = FieldTextLength(text);
    char copy[VALUE_TEXT_SIZE];
    for (std::size_t k = 0; k < length; ++k) {
        copy[k] = text[k] == ',' ? '.' : text[k];
    }
    std::size_t i = 0;
    while (i < length && copy[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < length && (copy[i] == '+' || copy[i] == '-')) {
        negative = copy[i] == '-';
        ++i;
    }
    const char* rest = copy + i;
    const std::size_t restLength = length - i;
    if (EqualsIgnoringCase(rest, restLength, "inf")) {
        const float infinity = std::numeric_limits<float>::infinity();
        return {negative ? -infinity : infinity, true};
    }
    if (EqualsIgnoringCase(rest, restLength, "nan")) {
        return {std::numeric_limits<float>::quiet_NaN(), true};
    }

    // The significant digits without leading zeros, and where the point stands among them:
    // the value is 0.<digits> times 10 to the power of (pointPosition + exponent).
    char digits[VALUE_TEXT_SIZE];
    std::size_t digitCount = 0;
    int pointPosition = 0;
    bool mantissaSeen = false;  // a digit or the point
    for (; i < length && IsDecimalDigit(copy[i]); ++i) {
        mantissaSeen = true;
        if (digitCount != 0 || copy[i] != '0') {
            digits[digitCount++] = copy[i];
            ++pointPosition;
        }
    }
    if (i < length && copy[i] == '.') {
        mantissaSeen = true;
        for (++i; i < length && IsDecimalDigit(copy[i]); ++i) {
            if (digitCount != 0 || copy[i] != '0') {
                digits[digitCount++] = copy[i];
            } else {
                --pointPosition;
            }
        }
    }
    if (!mantissaSeen) {
        return INVALID;  // empty, only a sign, or a bare exponent
    }
    int exponent = 0;
    if (i < length && (copy[i] == 'e' || copy[i] == 'E')) {
        ++i;
        bool exponentNegative = false;
        if (i < length && (copy[i] == '+' || copy[i] == '-')) {
            exponentNegative = copy[i] == '-';
            ++i;
        }
        if (i == length) {
            return INVALID;  // the exponent has no digits
        }
        for (; i < length && IsDecimalDigit(copy[i]); ++i) {
            if (exponent < 100'000) {  // far past the float range either way
                exponent = exponent * 10 + (copy[i] - '0');
            }
        }
        if (exponentNegative) {
            exponent = -exponent;
        }
    }
    if (i != length) {
        return INVALID;
    }

    float magnitude = 0.0f;
    if (digitCount != 0) {
        const int scale = pointPosition + exponent;
        if (scale > 40) {  // at least 1e39
            magnitude = std::numeric_limits<float>::infinity();
        } else if (scale >= -46) {  // below that, under half the smallest subnormal
            // The same number, normalised, for the correctly rounded conversion.
            char normal[VALUE_TEXT_SIZE + 8];
            char* out = normal;
            *out++ = '0';
            *out++ = '.';
            for (std::size_t k = 0; k < digitCount; ++k) {
                *out++ = digits[k];
            }
            *out++ = 'e';
            if (scale < 0) {
                *out++ = '-';
            }
            out = WriteUnsigned(static_cast<std::uint64_t>(scale < 0 ? -scale : scale), out);
            auto result = std::from_chars(normal, out, magnitude);
            if (result.ec == std::errc::result_out_of_range) {
                magnitude = scale > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
            } else if (result.ec != std::errc() || result.ptr != out) {
                return INVALID;  // cannot happen: the text was built above
            }
        }
    }
    return {negative ? -magnitude : magnitude, true};
}
