// The number rules on their own, where typing cannot reach: every rounding mode of the
// processor, the halves on both sides of zero, and values no field can hold.
#include "scaling.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>

namespace {

constexpr float INF = std::numeric_limits<float>::infinity();
constexpr float NAN_VALUE = std::numeric_limits<float>::quiet_NaN();

TEST(Scaling, RegisterValuesDoNotDependOnTheRoundingMode)
{
    const struct {
        float entry;
        int correction;  // of corrections 1 to 5
        int co2;         // of correction 6
    } cases[] = {
        {0.125f, 12, 0},         {-0.125f, -12, 0},     {0.375f, 38, 0},   {2.5f, 250, 2},
        {-2.5f, -250, -2},       {3.5f, 350, 4},        {-3.5f, -350, -4}, {0.165f, 17, 0},
        {327.67f, 32767, 328},   {-327.68f, -32768, -328}, {1000.0f, 32767, 1000},
        {-1000.0f, -32768, -1000}, {32767.5f, 32767, 32767}, {-32768.5f, -32768, -32768},
        {1e30f, 32767, 32767},   {INF, 32767, 32767},   {-INF, -32768, -32768},
        {NAN_VALUE, 0, 0},       {-NAN_VALUE, 0, 0},    {-0.0f, 0, 0},
    };
    for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (const auto& c : cases) {
            EXPECT_EQ(CorrectionRegister(c.entry), c.correction) << c.entry << " mode " << mode;
            EXPECT_EQ(Co2CorrectionRegister(c.entry), c.co2) << c.entry << " mode " << mode;
        }
    }
    std::fesetround(FE_TONEAREST);
}

TEST(Scaling, LimitsAndHundredths)
{
    EXPECT_EQ(LimitCorrection(327.68f), CORRECTION_MAX);
    EXPECT_EQ(LimitCorrection(327.67f), CORRECTION_MAX);
    EXPECT_EQ(LimitCorrection(327.66f), 327.66f);
    EXPECT_EQ(LimitCorrection(-327.69f), CORRECTION_MIN);
    EXPECT_EQ(LimitCorrection(-327.68f), CORRECTION_MIN);
    EXPECT_EQ(LimitCorrection(NAN_VALUE), 0.0f);
    EXPECT_EQ(LimitToWord(-1), 0);
    EXPECT_EQ(LimitToWord(65536), 65535);
    EXPECT_EQ(LimitToWord(std::numeric_limits<std::int32_t>::min()), 0);
    EXPECT_EQ(LimitToWord(1234), 1234);
    // The quotient goes through double precision and is then rounded once to single.
    EXPECT_EQ(Hundredths(std::int32_t{-200}), -2.0f);
    EXPECT_EQ(Hundredths(std::int32_t{1}), static_cast<float>(0.01));
    EXPECT_EQ(Hundredths(std::uint32_t{4294967295u}), static_cast<float>(42949672.95));
}

}  // namespace
