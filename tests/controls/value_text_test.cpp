// The value fields' texts: every format and both parse rules, on tables of the cases that
// matter to the main window (its register values, its correction limits) and to a user
// typing into a field.
#include "value_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr float INF = std::numeric_limits<float>::infinity();
constexpr float FLOAT_MAX = std::numeric_limits<float>::max();
constexpr float SMALLEST_SUBNORMAL = std::numeric_limits<float>::denorm_min();

std::string Integer(std::int32_t value) {
    ValueText text;
    const std::size_t length = FormatInteger(value, text);
    EXPECT_EQ(length, std::strlen(text));
    return text;
}

std::string Decimal(float value) {
    ValueText text;
    const std::size_t length = FormatDecimal(value, text);
    EXPECT_EQ(length, std::strlen(text));
    EXPECT_LE(length, 14u);
    return text;
}

std::string Firmware(std::uint16_t word) {
    ValueText text;
    const std::size_t length = FormatFirmware(word, text);
    EXPECT_EQ(length, std::strlen(text));
    return text;
}

std::string Hex(std::uint16_t word) {
    ValueText text;
    const std::size_t length = FormatHex(word, text);
    EXPECT_EQ(length, std::strlen(text));
    return text;
}

TEST(IntegerFormat, WritesPlainDecimalWithMinusOnly) {
    const struct {
        std::int32_t value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {-5, "-5"},
        {42, "42"},
        {65535, "65535"},
        {2147483647, "2147483647"},
        {std::numeric_limits<std::int32_t>::min(), "-2147483648"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Integer(c.value), c.text) << c.value;
    }
}

TEST(DecimalFormat, RoundsToHundredthsWithPointAndTwoDigits) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {0.5f, "0.50"},
        {-12.3f, "-12.30"},
        {21.5f, "21.50"},
        {23.456f, "23.46"},
        {-0.5f, "-0.50"},
        {100.0f, "100.00"},
        {0.0f, "0.00"},
        {0.999f, "1.00"},
        {-9.996f, "-10.00"},
        // Rounded from the float's exact value: 0.165f lies a little above the half,
        // 0.005f a little below.
        {0.165f, "0.17"},
        {0.005f, "0.00"},
        // The correction limits and the largest pressure the device can send.
        {327.67f, "327.67"},
        {-327.68f, "-327.68"},
        {static_cast<float>(4294967295.0 / 100.0), "42949672.00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decimal(c.value), c.text) << c.value;
    }
}

// These floats lie exactly between two hundredths; the even one is taken, the same way
// the main window rounds a correction into its register.
TEST(DecimalFormat, ExactHalfGoesToTheEvenHundredth) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {0.125f, "0.12"}, {0.375f, "0.38"},   {-0.125f, "-0.12"},
        {2.625f, "2.62"}, {-1.875f, "-1.88"}, {131072.125f, "131072.12"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decimal(c.value), c.text) << c.value;
    }
}

TEST(DecimalFormat, ValuesThatRoundToZeroHaveNoSign) {
    EXPECT_EQ(Decimal(-0.0f), "0.00");
    EXPECT_EQ(Decimal(-0.004f), "0.00");
    EXPECT_EQ(Decimal(-SMALLEST_SUBNORMAL), "0.00");
    EXPECT_EQ(Decimal(-0.006f), "-0.01");
}

TEST(DecimalFormat, TextsPastFourteenCharactersTurnScientific) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        // The largest floats whose fixed text has 14 characters, and the next ones.
        {99999997952.0f, "99999997952.00"},
        {100000006144.0f, "1.00E+11"},
        {-9999998976.0f, "-9999998976.00"},
        {-1e10f, "-1.00E+10"},
        {1e10f, "10000000000.00"},
        {FLOAT_MAX, "3.40E+38"},
        {-FLOAT_MAX, "-3.40E+38"},
        {1.235e20f, "1.23E+20"},  // the float lies below 1.235e20
        {1.2351e20f, "1.24E+20"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decimal(c.value), c.text) << c.value;
    }
}

TEST(DecimalFormat, InfinitiesAndNotANumberUseTheWordsTheParserTakes) {
    EXPECT_EQ(Decimal(INF), "Inf");
    EXPECT_EQ(Decimal(-INF), "-Inf");
    EXPECT_EQ(Decimal(std::numeric_limits<float>::quiet_NaN()), "Nan");
    EXPECT_EQ(Decimal(-std::numeric_limits<float>::quiet_NaN()), "Nan");
}

// A register value divided by 100 and held as a float shows its exact hundredths, for
// every signed 16-bit value and for larger ones up to 131072.00, where floats stop being
// closer than a hundredth; reading the text back and showing it again changes nothing.
TEST(DecimalFormat, RegisterValuesDividedByOneHundredShowTheirExactHundredths) {
    auto check = [](std::int64_t hundredths) {
        const auto value = static_cast<float>(static_cast<double>(hundredths) / 100.0);
        char expected[32];
        const std::int64_t magnitude = hundredths < 0 ? -hundredths : hundredths;
        std::snprintf(expected, sizeof expected, "%s%lld.%02lld", hundredths < 0 ? "-" : "",
                      static_cast<long long>(magnitude / 100),
                      static_cast<long long>(magnitude % 100));
        const std::string text = Decimal(value);
        ASSERT_EQ(text, expected);
        const DecimalReading back = ParseDecimal(text.c_str());
        ASSERT_TRUE(back.valid);
        ASSERT_EQ(Decimal(back.value), text);
    };
    for (std::int64_t k = -32768; k <= 32767; ++k) {
        check(k);
    }
    for (std::int64_t k = 32768; k < 13107200; k += 97) {
        check(k);
    }
}

TEST(FirmwareFormat, MajorInOneOrTwoHexDigitsMinorInTwo) {
    const struct {
        std::uint16_t word;
        const char* text;
    } cases[] = {
        {0x0105, "1.05"},  {0x0A00, "0A.00"}, {0x1203, "12.03"}, {0xFFFF, "FF.FF"},
        {0x0009, "0.09"},  {0x0900, "9.00"},  {0x1000, "10.00"}, {0x0000, "0.00"},
        {0x09AB, "9.AB"},  {0x0A0F, "0A.0F"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Firmware(c.word), c.text) << std::hex << c.word;
    }
}

TEST(HexFormat, AlwaysFourUpperCaseDigits) {
    EXPECT_EQ(Hex(0), "0000");
    EXPECT_EQ(Hex(0xABCD), "ABCD");
    EXPECT_EQ(Hex(0x0800), "0800");
    EXPECT_EQ(Hex(0x00F1), "00F1");
    EXPECT_EQ(Hex(0xFFFF), "FFFF");
}

TEST(HexDigits, WritesExactlyCountDigitsAndNothingElse) {
    char buffer[12];
    const auto digits = [&](std::uint32_t value, std::size_t count) {
        std::memset(buffer, '#', sizeof buffer);
        char* end = HexDigits(value, count, buffer);
        EXPECT_EQ(end, buffer + count);
        EXPECT_EQ(*end, '#');
        return std::string(buffer, count);
    };
    EXPECT_EQ(digits(0x1F, 1), "F");
    EXPECT_EQ(digits(0x1F, 2), "1F");
    EXPECT_EQ(digits(0xDEADBEEF, 8), "DEADBEEF");
    EXPECT_EQ(digits(0xDEADBEEF, 10), "00DEADBEEF");
    EXPECT_EQ(digits(0xABC, 0), "");
}

struct IntegerCase {
    const char* text;
    std::int32_t value;
    bool valid;
};

TEST(IntegerParse, ReadsTheRuleAndRejectsEverythingElse) {
    const IntegerCase cases[] = {
        {"42", 42, true},
        {"  42", 42, true},
        {"\t \t7", 7, true},
        {"42 ", 0, false},
        {"+7", 7, true},
        {"-7", -7, true},
        {"-0", 0, true},
        {"0", 0, true},
        {"$1F", 31, true},
        {"x1f", 31, true},
        {"X1F", 31, true},
        {"0x1F", 31, true},
        {"0Xff", 255, true},
        {"-0x10", -16, true},
        {"%101", 5, true},
        {"-%1", -1, true},
        {"&17", 15, true},
        {"2147483647", 2147483647, true},
        {"2147483648", 0, false},
        {"-2147483648", std::numeric_limits<std::int32_t>::min(), true},
        {"-2147483649", 0, false},
        {"$7FFFFFFF", 2147483647, true},
        {"$80000000", std::numeric_limits<std::int32_t>::min(), true},
        {"$FFFFFFFF", -1, true},
        {"-$FFFFFFFF", 1, true},
        {"$100000000", 0, false},
        {"%11111111111111", 16383, true},
        {"0000000000042", 42, true},
        // Only the first 15 characters take part.
        {"1234567890123456", 0, false},
        {"0000000000000042", 4, true},
        {"", 0, false},
        {"   ", 0, false},
        {"-", 0, false},
        {"$", 0, false},
        {"0x", 0, false},
        {"-x", 0, false},
        {"12.5", 0, false},
        {"1,5", 0, false},
        {"1e3", 0, false},
        {"ff", 0, false},
        {"&8", 0, false},
        {"%2", 0, false},
        {"$G", 0, false},
        {"+-1", 0, false},
        {"- 1", 0, false},
        {"$-1", 0, false},
        {"0x0x1", 0, false},
        {"$$1", 0, false},
        {"1\t", 0, false},
    };
    for (const auto& c : cases) {
        const IntegerReading reading = ParseInteger(c.text);
        EXPECT_EQ(reading.valid, c.valid) << '"' << c.text << '"';
        EXPECT_EQ(reading.value, c.value) << '"' << c.text << '"';
    }
}

TEST(IntegerParse, NullTextIsInvalid) {
    const IntegerReading reading = ParseInteger(nullptr);
    EXPECT_FALSE(reading.valid);
    EXPECT_EQ(reading.value, 0);
}

// A field's read buffer holds 16 bytes; the rule must not look past its 15th character
// even when no terminator follows (the sanitizer build catches a read of the 17th byte).
TEST(IntegerParse, StopsAfterFifteenCharactersOfAnUnterminatedBuffer) {
    char buffer[VALUE_TEXT_SIZE];
    std::memcpy(buffer, "000000000000001X", VALUE_TEXT_SIZE);
    const IntegerReading reading = ParseInteger(buffer);
    EXPECT_TRUE(reading.valid);
    EXPECT_EQ(reading.value, 1);
}

TEST(IntegerParse, EveryFormattedIntegerReadsBack) {
    for (std::int64_t v = std::numeric_limits<std::int32_t>::min();
         v <= std::numeric_limits<std::int32_t>::max(); v += 65521) {
        const auto value = static_cast<std::int32_t>(v);
        const IntegerReading reading = ParseInteger(Integer(value).c_str());
        ASSERT_TRUE(reading.valid) << value;
        ASSERT_EQ(reading.value, value);
    }
}

struct DecimalCase {
    const char* text;
    float value;
    bool valid;
};

// Exact comparison: the nearest float, with its sign; every NaN counts as equal.
void ExpectReads(const DecimalReading& reading, const DecimalCase& c) {
    EXPECT_EQ(reading.valid, c.valid) << '"' << c.text << '"';
    if (std::isnan(c.value)) {
        EXPECT_TRUE(std::isnan(reading.value)) << '"' << c.text << '"';
    } else {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(reading.value), std::bit_cast<std::uint32_t>(c.value))
            << '"' << c.text << "\" read " << reading.value << " not " << c.value;
    }
}

TEST(DecimalParse, ReadsTheRuleAndRejectsEverythingElse) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const DecimalCase cases[] = {
        {"12.5", 12.5f, true},
        {"12,5", 12.5f, true},
        {"  1.5", 1.5f, true},
        {"1e2", 100.0f, true},
        {"1E+2", 100.0f, true},
        {"1.5e-3", 1.5e-3f, true},
        {"-.25", -0.25f, true},
        {"+2", 2.0f, true},
        {"5.", 5.0f, true},
        {".5", 0.5f, true},
        {",5", 0.5f, true},
        {".", 0.0f, true},
        {"-.", -0.0f, true},
        {".e5", 0.0f, true},
        {"007.50", 7.5f, true},
        {"0.165", 0.165f, true},
        {"327.67", 327.67f, true},
        {"-327.68", -327.68f, true},
        {"inf", INF, true},
        {"INF", INF, true},
        {"-Inf", -INF, true},
        {"  +iNf", INF, true},
        {"Nan", nan, true},
        {"nAN", nan, true},
        {"-nan", nan, true},
        {"1,234.5", 0.0f, false},
        {"12.5 ", 0.0f, false},
        {"\t3", 0.0f, false},
        {" \t3", 0.0f, false},
        {"", 0.0f, false},
        {"   ", 0.0f, false},
        {"-", 0.0f, false},
        {"+", 0.0f, false},
        {"1e", 0.0f, false},
        {"1e+", 0.0f, false},
        {"e5", 0.0f, false},
        {"-e5", 0.0f, false},
        {"1.2.3", 0.0f, false},
        {"1e2.5", 0.0f, false},
        {"1e2e3", 0.0f, false},
        {"--1", 0.0f, false},
        {"- 1", 0.0f, false},
        {"0x10", 0.0f, false},
        {"1f", 0.0f, false},
        {"infinity", 0.0f, false},
        {"in", 0.0f, false},
        {"inf ", 0.0f, false},
        {"nan(1)", 0.0f, false},
    };
    for (const auto& c : cases) {
        ExpectReads(ParseDecimal(c.text), c);
    }
}

// The conversion is to the nearest float, ties to even, and the float range ends in an
// infinity above and a zero below, whatever the length of the exponent.
TEST(DecimalParse, ConvertsToTheNearestFloat) {
    const DecimalCase cases[] = {
        {"0.1", 0.1f, true},
        {"16777217", 16777216.0f, true},
        {"16777219", 16777220.0f, true},
        {"16777218.999999", 16777218.0f, true},
        {"3.4028235e38", FLOAT_MAX, true},
        {"3.4028236e38", INF, true},
        {"1e39", INF, true},
        {"-1e39", -INF, true},
        {"1e99999999999", INF, true},
        {"1e-45", SMALLEST_SUBNORMAL, true},
        {"7.1e-46", SMALLEST_SUBNORMAL, true},
        {"7.0e-46", 0.0f, true},
        {"-1e-46", -0.0f, true},
        {"1e-99999999999", 0.0f, true},
        {"0e99999", 0.0f, true},
        {"0.00000001e8", 1.0f, true},
        {"100000000e-8", 1.0f, true},
        // Only the first 15 characters take part.
        {"1234567890123456", 123456789012345.0f, true},
        {"0.1234567890123X", 0.12345678901234f, true},
    };
    for (const auto& c : cases) {
        ExpectReads(ParseDecimal(c.text), c);
    }
}

TEST(DecimalParse, NullAndUnterminatedBuffers) {
    ExpectReads(ParseDecimal(nullptr), {"(null)", 0.0f, false});
    char buffer[VALUE_TEXT_SIZE];
    std::memcpy(buffer, "     -0000,0025X", VALUE_TEXT_SIZE);
    ExpectReads(ParseDecimal(buffer), {"     -0000,0025", -0.0025f, true});
}

}  // namespace
