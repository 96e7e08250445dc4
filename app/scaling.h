// Between register values and the numbers the main window shows and takes. The device link
// moves raw words; these few rules are all the scaling there is.
#pragma once

#include <cstdint>

// Display limits of corrections 1 to 5, as single-precision numbers.
inline constexpr float CORRECTION_MAX = 327.67f;
inline constexpr float CORRECTION_MIN = -327.68f;

// A register value in hundredths as the number shown: the quotient by 100 rounded to
// single precision.
float Hundredths(std::int32_t value);
float Hundredths(std::uint32_t value);

// Nearest integer, an exact half to the even neighbour, whatever the FPU's rounding mode.
double RoundHalfEven(double value);

// An entry limited to the correction range; not-a-number reads 0, like a text that is no
// number.
float LimitCorrection(float entry);

// The register value of a limited decimal correction: the entry times 100, formed exactly,
// rounded half to even.
std::int16_t CorrectionRegister(float limited);

// The register value of the CO2 correction: rounded half to even, then limited to the
// 16-bit range (an infinity to its limit); not-a-number gives 0.
std::int16_t Co2CorrectionRegister(float entry);

// An integer entry limited to a 16-bit word.
std::uint16_t LimitToWord(std::int32_t entry);
