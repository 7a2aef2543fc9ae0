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

// Every operation has a short path for normal operands with a normal result, inline here, and
// the complete one (zeros, subnormals, infinities, NaNs, unsupported patterns, results out of
// the normal range) in soft_extended.cpp.
namespace complete {
Extended Add(Extended a, Extended b, bool negateB);
Extended Multiply(Extended a, Extended b);
Extended Divide(Extended a, Extended b);
// -1, 0, 1; -2 when unordered.
int Compare(Extended a, Extended b);
} // namespace complete

namespace fast {

inline constexpr std::uint64_t kHalf = 0x8000000000000000ull;

inline bool IsNormal(ExtendedBits b) {
    const unsigned biased = b.signExponent & 0x7FFFu;
    return biased - 1u < 0x7FFEu && (b.significand & kExtendedIntegerBit) != 0;
}

inline bool FitsNormal(int biased) {
    return biased >= 1 && biased < static_cast<int>(kExtendedMaxBiasedExponent);
}

inline Extended Pack(std::uint16_t sign, int biased, std::uint64_t significand) {
    return Extended::FromBits({significand, static_cast<std::uint16_t>(sign | biased)});
}

// Rounds the 64-bit significand q to nearest even: up by one unit when the part cut off is more
// than half a unit, or exactly half with q odd. A carry out of the significand raises the
// exponent.
inline void RoundToNearestEven(std::uint64_t& q, int& biased, bool moreThanHalf, bool exactlyHalf) {
    if (moreThanHalf || (exactlyHalf && (q & 1) != 0)) {
        if (++q == 0) {
            q = kExtendedIntegerBit;
            ++biased;
        }
    }
}

} // namespace fast

inline Extended AddSigned(Extended a, Extended b, bool negateB) {
    ExtendedBits x = a.Bits();
    ExtendedBits y = b.Bits();
    if (fast::IsNormal(x) && fast::IsNormal(y)) {
        y.signExponent ^= negateB ? 0x8000u : 0u;
        if ((x.signExponent & 0x7FFFu) < (y.signExponent & 0x7FFFu) ||
            ((x.signExponent & 0x7FFFu) == (y.signExponent & 0x7FFFu) &&
             x.significand < y.significand)) {
            const ExtendedBits t = x;
            x = y;
            y = t;
        }
        const int ex = x.signExponent & 0x7FFF;
        const int difference = ex - (y.signExponent & 0x7FFF);
        if (difference < 64) {
            // Exact: the larger at bits 126..63, the smaller shifted right by at most 63.
            const ExtendedWide big = ExtendedWide{x.significand} << 63;
            const ExtendedWide small = (ExtendedWide{y.significand} << 63) >> difference;
            const bool same = ((x.signExponent ^ y.signExponent) & 0x8000u) == 0;
            ExtendedWide sum = same ? big + small : big - small;
            if (sum != 0) {
                const auto high = static_cast<std::uint64_t>(sum >> 64);
                const int shift = high != 0
                                      ? std::countl_zero(high)
                                      : 64 + std::countl_zero(static_cast<std::uint64_t>(sum));
                sum <<= shift;
                int biased = ex + 1 - shift;
                auto q = static_cast<std::uint64_t>(sum >> 64);
                const auto rest = static_cast<std::uint64_t>(sum);
                fast::RoundToNearestEven(q, biased, rest > fast::kHalf, rest == fast::kHalf);
                if (fast::FitsNormal(biased)) {
                    return fast::Pack(x.signExponent & 0x8000u, biased, q);
                }
            }
        }
    }
    return complete::Add(a, b, negateB);
}

inline Extended operator+(Extended a, Extended b) {
    return AddSigned(a, b, false);
}
inline Extended operator-(Extended a, Extended b) {
    return AddSigned(a, b, true);
}

inline Extended operator*(Extended a, Extended b) {
    const ExtendedBits x = a.Bits();
    const ExtendedBits y = b.Bits();
    if (fast::IsNormal(x) && fast::IsNormal(y)) {
        const ExtendedWide product = ExtendedWide{x.significand} * y.significand;
        auto q = static_cast<std::uint64_t>(product >> 64);
        auto rest = static_cast<std::uint64_t>(product);
        int biased = (x.signExponent & 0x7FFF) + (y.signExponent & 0x7FFF) -
                     static_cast<int>(kExtendedExponentBias) + 1;
        if ((q & kExtendedIntegerBit) == 0) {
            q = q << 1 | rest >> 63;
            rest <<= 1;
            --biased;
        }
        fast::RoundToNearestEven(q, biased, rest > fast::kHalf, rest == fast::kHalf);
        if (fast::FitsNormal(biased)) {
            return fast::Pack((x.signExponent ^ y.signExponent) & 0x8000u, biased, q);
        }
    }
    return complete::Multiply(a, b);
}

inline Extended operator/(Extended a, Extended b) {
    const ExtendedBits x = a.Bits();
    const ExtendedBits y = b.Bits();
    if (fast::IsNormal(x) && fast::IsNormal(y)) {
        const std::uint64_t ma = x.significand;
        const std::uint64_t mb = y.significand;
        const int up = ma >= mb ? 63 : 64;
        int biased = (x.signExponent & 0x7FFF) - (y.signExponent & 0x7FFF) +
                     static_cast<int>(kExtendedExponentBias) + 63 - up;
        if (fast::FitsNormal(biased)) {
            const ExtendedWide numerator = ExtendedWide{ma} << up;
            auto q = static_cast<std::uint64_t>(numerator / mb);
            const auto r = static_cast<std::uint64_t>(numerator - ExtendedWide{q} * mb);
            const ExtendedWide twice = ExtendedWide{r} << 1;
            fast::RoundToNearestEven(q, biased, twice > mb, twice == mb);
            if (fast::FitsNormal(biased)) {
                return fast::Pack((x.signExponent ^ y.signExponent) & 0x8000u, biased, q);
            }
        }
    }
    return complete::Divide(a, b);
}

constexpr Extended operator-(Extended a) {
    const ExtendedBits b = a.Bits();
    return Extended::FromBits(
        {b.significand, static_cast<std::uint16_t>(b.signExponent ^ 0x8000u)});
}

inline int Compare(Extended a, Extended b) {
    const ExtendedBits x = a.Bits();
    const ExtendedBits y = b.Bits();
    if (fast::IsNormal(x) && fast::IsNormal(y)) {
        const bool xNegative = (x.signExponent & 0x8000u) != 0;
        if (xNegative != ((y.signExponent & 0x8000u) != 0)) return xNegative ? -1 : 1;
        const unsigned ex = x.signExponent & 0x7FFFu;
        const unsigned ey = y.signExponent & 0x7FFFu;
        int magnitude = 0;
        if (ex != ey) {
            magnitude = ex < ey ? -1 : 1;
        } else if (x.significand != y.significand) {
            magnitude = x.significand < y.significand ? -1 : 1;
        }
        return xNegative ? -magnitude : magnitude;
    }
    return complete::Compare(a, b);
}

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
    const int shift = std::countl_zero(significand);
    significand <<= shift;
    exponent -= shift;
    const int biased = exponent + 63 + static_cast<int>(kExtendedExponentBias);
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
