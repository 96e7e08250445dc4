// Any field text (the input's first bytes, cut where a 16-byte read buffer would cut it)
// goes through both parse rules, and any float and word through the formats. Besides
// running clean under the sanitizers, the results must hold these properties:
// - an invalid text reads +0; an accepted text reads what an independent conversion of
//   the same characters gives (std::from_chars on the digits once sign, prefix and spaces
//   are taken off);
// - every integer text read back through the integer rule gives the same value;
// - every decimal text the format writes is accepted by the decimal rule, and:
//   fixed texts are the value's nearest hundredths (an exact half to the even one);
//   below 2^17, where floats lie closer than a hundredth, the text is stable: reading it
//   back and formatting again gives the same text (the value itself may move by up to
//   half a hundredth); scientific texts read back within half a unit of their third
//   significant digit; "Inf", "-Inf" and "Nan" read back as themselves;
// - hex and firmware texts read back as their word.
#include "value_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool SameFloat(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b);
    }
    std::uint32_t bitsA = 0;
    std::uint32_t bitsB = 0;
    std::memcpy(&bitsA, &a, sizeof a);
    std::memcpy(&bitsB, &b, sizeof b);
    return bitsA == bitsB;
}

void CheckInteger(const char* text, std::size_t length) {
    const IntegerReading reading = ParseInteger(text);
    if (!reading.valid) {
        Require(reading.value == 0);
    } else {
        ValueText written;
        FormatInteger(reading.value, written);
        const IntegerReading back = ParseInteger(written);
        Require(back.valid && back.value == reading.value);
    }

    // The same text taken apart by other means.
    std::size_t i = 0;
    while (i < length && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < length && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i < length && text[i] == '%') {
        base = 2;
        ++i;
    } else if (i < length && text[i] == '&') {
        base = 8;
        ++i;
    } else if (i + 1 < length && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    // Unsigned from_chars takes no sign and no prefix: only the digits remain.
    std::uint64_t magnitude = 0;
    const auto result = std::from_chars(text + i, text + length, magnitude, base);
    const bool whole = i < length && result.ec == std::errc() && result.ptr == text + length;
    const std::uint64_t limit = base != 10 ? 0xFFFFFFFFu : (negative ? 2147483648u : 2147483647u);
    const bool expectedValid = whole && magnitude <= limit;
    Require(reading.valid == expectedValid);
    if (expectedValid) {
        const std::int64_t wide =
            base == 10 ? (negative ? -static_cast<std::int64_t>(magnitude)
                                   : static_cast<std::int64_t>(magnitude))
                       : static_cast<std::int32_t>(static_cast<std::uint32_t>(
                             negative ? 0u - static_cast<std::uint32_t>(magnitude)
                                      : static_cast<std::uint32_t>(magnitude)));
        Require(reading.value == wide);
    }
}

// The fixed text's value in hundredths, sign included.
std::int64_t Hundredths(const char* text) {
    std::int64_t magnitude = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p >= '0' && *p <= '9') {
            magnitude = magnitude * 10 + (*p - '0');
        }
    }
    return text[0] == '-' ? -magnitude : magnitude;
}

void CheckDecimalFormat(float value) {
    ValueText text;
    const std::size_t length = FormatDecimal(value, text);
    Require(length == std::strlen(text) && length <= 14);
    const DecimalReading back = ParseDecimal(text);
    Require(back.valid);
    if (std::isnan(value)) {
        Require(std::strcmp(text, "Nan") == 0 && std::isnan(back.value));
        return;
    }
    if (std::isinf(value)) {
        Require(std::strcmp(text, value < 0 ? "-Inf" : "Inf") == 0 && back.value == value);
        return;
    }
    const double exact = static_cast<double>(value);
    if (std::strchr(text, 'E') != nullptr) {
        Require(std::fabs(static_cast<double>(back.value) - exact) <= 0.005 * std::fabs(exact));
        Require(std::signbit(back.value) == std::signbit(value));
        return;
    }
    const char* point = std::strchr(text, '.');
    Require(point != nullptr && point != text && point[1] != '\0' && point[2] != '\0' &&
            point[3] == '\0');
    const std::int64_t hundredths = Hundredths(text);
    const double distance = std::fabs(exact * 100.0 - static_cast<double>(hundredths));
    Require(distance < 0.5 || (distance == 0.5 && hundredths % 2 == 0));
    Require(text[0] != '-' || hundredths != 0);
    if (std::fabs(value) < 131072.0f) {
        ValueText again;
        FormatDecimal(back.value, again);
        Require(std::strcmp(again, text) == 0);
    }
}

void CheckDecimal(const char* text, std::size_t length) {
    const DecimalReading reading = ParseDecimal(text);
    if (!reading.valid) {
        Require(SameFloat(reading.value, 0.0f));
        return;
    }
    CheckDecimalFormat(reading.value);

    // The accepted text, commas as points, without leading spaces or its sign, converted
    // by the library's correctly rounded reader.
    char copy[VALUE_TEXT_SIZE];
    std::size_t n = 0;
    std::size_t i = 0;
    while (i < length && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    for (; i < length; ++i) {
        copy[n++] = text[i] == ',' ? '.' : text[i];
    }
    float magnitude = 0.0f;
    const auto result = std::from_chars(copy, copy + n, magnitude);
    if (result.ec == std::errc::result_out_of_range) {
        Require(reading.value == 0.0f || std::isinf(reading.value));
        Require(std::signbit(reading.value) == negative);
    } else if (result.ec == std::errc() && result.ptr == copy + n) {
        Require(SameFloat(reading.value, negative ? -magnitude : magnitude));
    } else {
        // Only a lone point, with or without an exponent, reads 0 here and nothing there.
        Require(n >= 1 && copy[0] == '.' && (n == 1 || copy[1] == 'e' || copy[1] == 'E'));
        Require(reading.value == 0.0f && std::signbit(reading.value) == negative);
    }
}

void CheckWord(std::uint16_t word) {
    ValueText hex;
    Require(FormatHex(word, hex) == 4);
    char prefixed[VALUE_TEXT_SIZE] = "$";
    std::memcpy(prefixed + 1, hex, 5);
    const IntegerReading back = ParseInteger(prefixed);
    Require(back.valid && back.value == word);

    ValueText firmware;
    const std::size_t length = FormatFirmware(word, firmware);
    const char* point = std::strchr(firmware, '.');
    Require(point != nullptr && std::strlen(point) == 3 && length <= 5);
    char major[VALUE_TEXT_SIZE] = "$";
    std::memcpy(major + 1, firmware, static_cast<std::size_t>(point - firmware));
    major[1 + (point - firmware)] = '\0';
    char minor[VALUE_TEXT_SIZE] = "$";
    std::memcpy(minor + 1, point + 1, 3);
    const IntegerReading high = ParseInteger(major);
    const IntegerReading low = ParseInteger(minor);
    Require(high.valid && low.valid && high.value * 256 + low.value == word);
    Require((point - firmware == 1) == (word >> 8 <= 9));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A field text: no zero byte inside, at most the 15 characters a read buffer holds.
    // The parse rules get the longer text too, to show that they cut it themselves.
    char text[VALUE_TEXT_SIZE + 4];
    std::size_t length = 0;
    while (length < size && length + 1 < sizeof text && data[length] != 0) {
        text[length] = static_cast<char>(data[length]);
        ++length;
    }
    text[length] = '\0';
    const std::size_t fieldLength = length < VALUE_TEXT_MAX_CHARS ? length : VALUE_TEXT_MAX_CHARS;
    CheckInteger(text, fieldLength);
    CheckDecimal(text, fieldLength);

    if (size >= 4) {
        float value = 0.0f;
        std::memcpy(&value, data, sizeof value);
        CheckDecimalFormat(value);
    }
    if (size >= 2) {
        CheckWord(static_cast<std::uint16_t>(data[0] | data[1] << 8));
    }
    return 0;
}
