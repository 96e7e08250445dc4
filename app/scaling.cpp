#include "scaling.h"

#include <cmath>

float Hundredths(std::int32_t value)
{
    return static_cast<float>(static_cast<double>(value) / 100.0);
}

float Hundredths(std::uint32_t value)
{
    return static_cast<float>(static_cast<double>(value) / 100.0);
}

double RoundHalfEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5) {
        return below + 1.0;
    }
    if (fraction < 0.5) {
        return below;
    }
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

float LimitCorrection(float entry)
{
    // The limits are decimal; no single-precision number lies between them and their
    // double-precision neighbours, so comparing in double is comparing exactly.
    if (std::isnan(entry)) {
        return 0.0f;
    }
    if (static_cast<double>(entry) > 327.67) {
        return CORRECTION_MAX;
    }
    if (static_cast<double>(entry) < -327.68) {
        return CORRECTION_MIN;
    }
    return entry;
}

std::int16_t CorrectionRegister(float limited)
{
    // 24 bits of the float times 7 bits of 100 fit a double's 53: the product is exact.
    const double rounded = RoundHalfEven(static_cast<double>(LimitCorrection(limited)) * 100.0);
    return static_cast<std::int16_t>(rounded);
}

std::int16_t Co2CorrectionRegister(float entry)
{
    if (std::isnan(entry)) {
        return 0;
    }
    // Rounding is monotonic and the limits are integers, so limiting first is the same
    // as limiting the rounded value, and it takes the infinities.
    double value = static_cast<double>(entry);
    if (value > 32767.0) {
        value = 32767.0;
    } else if (value < -32768.0) {
        value = -32768.0;
    }
    return static_cast<std::int16_t>(RoundHalfEven(value));
}

std::uint16_t LimitToWord(std::int32_t entry)
{
    if (entry < 0) {
        return 0;
    }
    if (entry > 65535) {
        return 65535;
    }
    return static_cast<std::uint16_t>(entry);
}
