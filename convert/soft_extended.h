// The 80-bit extended format computed in software: 64-bit significand with an explicit integer
// bit, 15-bit exponent, round to nearest with ties to even, gradual underflow, signed zeros,
// infinities and overflow to infinity, every exception masked. Its results are bit for bit those
// of the x87 unit at 64-bit precision, so the digits the user sees do not depend on the processor.
#pragma once

#include <bit>
#include <cstdint>

#include "convert/extended_bits.h"

namespace soft {

class Extended {
public:
    constexpr Extended() = default;

    static constexpr Extended FromBits(ExtendedBits bits) {
        Extended x;
        x.bits_ = bits;
        return x;
    }
    constexpr ExtendedBits Bits() const { return bits_; }

private:
    ExtendedBits bits_{0, 0};
};

Extended operator+(Extended a, Extended b);
Extended operator-(Extended a, Extended b);
Extended operator*(Extended a, Extended b);
Extended operator/(Extended a, Extended b);

constexpr Extended operator-(Extended a) {
    const ExtendedBits b = a.Bits();
    return Extended::FromBits(
        {b.significand, static_cast<std::uint16_t>(b.signExponent ^ 0x8000u)});
}

// -1, 0 or 1 as a is below, equal to or above b; -2 when they are unordered (a NaN).
int Compare(Extended a, Extended b);

inline bool operator==(Extended a, Extended b) {
    return Compare(a, b) == 0;
}
inline bool operator<(Extended a, Extended b) {
    return Compare(a, b) == -1;
}
inline bool operator<=(Extended a, Extended b) {
    const int c = Compare(a, b);
    return c == -1 || c == 0;
}
inline bool operator>(Extended a, Extended b) {
    return b < a;
}
inline bool operator>=(Extended a, Extended b) {
    return b <= a;
}

// Exactly significand × 2^exponent; the value must be a normal extended number.
constexpr Extended ExtendedConstant(std::uint64_t significand, int exponent) {
    const int leading = RequireNormalConstant(significand, exponent);
    significand <<= std::countl_zero(significand);
    const int biased = leading + static_cast<int>(kExtendedExponentBias);
    return Extended::FromBits({significand, static_cast<std::uint16_t>(biased)});
}

constexpr Extended ExtendedFromInt(std::int64_t n) {
    if (n == 0) return Extended{};
    const bool negative = n < 0;
    const std::uint64_t magnitude =
        negative ? ~static_cast<std::uint64_t>(n) + 1 : static_cast<std::uint64_t>(n);
    const Extended x = ExtendedConstant(magnitude, 0);
    return negative ? -x : x;
}

constexpr Extended ExtendedFromUnsigned(std::uint64_t n) {
    return n == 0 ? Extended{} : ExtendedConstant(n, 0);
}

constexpr Extended ExtendedFromBits(ExtendedBits bits) {
    return Extended::FromBits(bits);
}
constexpr ExtendedBits BitsOf(Extended x) {
    return x.Bits();
}

// The double's value, exactly.
Extended ExtendedFromDouble(double d);
// Rounded to a double, nearest with ties to even: a value beyond the double range becomes an
// infinity, one below its normal range a subnormal or zero.
double RoundToDouble(Extended x);
// Rounded to an integer, nearest with ties to even; the sign of a zero result is kept.
Extended RoundToInteger(Extended x);
// The integer value of x, which must be a whole number in 0 .. 2^64 - 1.
std::uint64_t WholeNumber(Extended x);

constexpr Extended Magnitude(Extended x) {
    const ExtendedBits b = x.Bits();
    return Extended::FromBits(
        {b.significand, static_cast<std::uint16_t>(b.signExponent & 0x7FFFu)});
}

constexpr bool IsInfinite(Extended x) {
    const ExtendedBits b = x.Bits();
    return (b.signExponent & 0x7FFFu) == kExtendedMaxBiasedExponent &&
           b.significand == kExtendedIntegerBit;
}

// Nothing to set up: the software unit has no state.
inline void SetArithmeticEnvironment() {}

} // namespace soft
