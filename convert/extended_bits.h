// The stored form of an 80-bit extended number, the same whichever unit computes it, and the
// exact constants both units build their tables from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "convert/wide128.h"
#include "failure/failure.h"

struct ExtendedBits {
    std::uint64_t significand;  // 64 bits, the integer bit (bit 63) included
    std::uint16_t signExponent; // bit 15: sign; bits 0..14: exponent biased by 16383

    friend constexpr bool operator==(const ExtendedBits&, const ExtendedBits&) = default;
};

inline constexpr std::uint64_t kExtendedIntegerBit = 0x8000000000000000ull;
inline constexpr unsigned kExtendedExponentBias = 16383;
inline constexpr unsigned kExtendedMaxBiasedExponent = 0x7FFF;

// A constant that is not a normal extended number (zero, a text that is no decimal number, a
// value out of range) fails: at compile time as an error, at run time with the invalid-number
// failure naming it.
[[noreturn]] inline void RefuseConstant(std::string_view what) {
    throw InvalidNumberFailure(what);
}

// significand × 2^exponent as a normal extended number: significand not zero, and its leading
// bit standing for a power of two from 2^-16382 up to 2^16383. Returns that power.
constexpr int RequireNormalConstant(std::uint64_t significand, int exponent) {
    if (significand == 0) RefuseConstant("0");
    int leading = exponent;
    for (std::uint64_t m = significand >> 1; m != 0; m >>= 1) ++leading;
    if (leading < 1 - static_cast<int>(kExtendedExponentBias) ||
        leading > static_cast<int>(kExtendedExponentBias)) {
        RefuseConstant(std::to_string(significand) + "*2^" + std::to_string(exponent));
    }
    return leading;
}

// Nearest extended number to the fraction numerator / denominator, as a significand with its
// integer bit set and a binary exponent (value = significand × 2^exponent); round to nearest,
// ties to even. Both implementations build their constants from this, so a factor written as
// a fraction is the same number on every processor. Both terms lie in 1 .. 2^127 - 1, and the
// result must be a normal number.
struct ExactSignificand {
    std::uint64_t significand;
    int exponent;
};

constexpr ExactSignificand NearestToFraction(Wide128 numerator, Wide128 denominator) {
    constexpr Wide128 kLimit = Wide128::FromHalves(std::uint64_t{1} << 63, 0);
    if (!numerator || !denominator || numerator >= kLimit || denominator >= kLimit) {
        RefuseConstant("fraction");
    }
    // Scale so that 1 <= numerator / denominator < 2; below 2^127 nothing overflows.
    int exponent = 0;
    while (numerator < denominator) {
        numerator = numerator << 1;
        --exponent;
    }
    while (numerator >= (denominator << 1)) {
        denominator = denominator << 1;
        ++exponent;
    }
    // Take 64 quotient bits one at a time (numerator < 2 × denominator throughout).
    std::uint64_t q = 0;
    for (int i = 0; i < 64; ++i) {
        q <<= 1;
        if (numerator >= denominator) {
            numerator = numerator - denominator;
            q |= 1;
        }
        numerator = numerator << 1;
    }
    exponent -= 63;
    // numerator is now twice the remainder: compare it with the divisor for the last bit.
    if (numerator > denominator || (numerator == denominator && (q & 1) != 0)) {
        ++q;
        if (q == 0) {
            q = kExtendedIntegerBit;
            ++exponent;
        }
    }
    RequireNormalConstant(q, exponent);
    return {q, exponent};
}

// The extended number nearest to a decimal text of digits with at most one point ("39.37"), of
// 1 to 38 digits in all and not zero.
constexpr ExactSignificand NearestToDecimal(std::string_view text) {
    Wide128 numerator = 0;
    Wide128 denominator = 1;
    bool fraction = false;
    int digits = 0;
    for (const char c : text) {
        if (c == '.' && !fraction) {
            fraction = true;
            continue;
        }
        if (c < '0' || c > '9' || ++digits > 38) RefuseConstant(text);
        numerator = numerator * 10 + static_cast<std::uint64_t>(c - '0');
        if (fraction) denominator = denominator * 10;
    }
    if (!numerator) RefuseConstant(text);
    return NearestToFraction(numerator, denominator);
}
