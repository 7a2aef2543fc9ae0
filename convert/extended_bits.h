// The stored form of an 80-bit extended number, the same whichever unit computes it.
#pragma once

#include <cstdint>
#include <string_view>

struct ExtendedBits {
    std::uint64_t significand;  // 64 bits, the integer bit (bit 63) included
    std::uint16_t signExponent; // bit 15: sign; bits 0..14: exponent biased by 16383

    friend constexpr bool operator==(const ExtendedBits&, const ExtendedBits&) = default;
};

inline constexpr std::uint64_t kExtendedIntegerBit = 0x8000000000000000ull;
inline constexpr unsigned kExtendedExponentBias = 16383;
inline constexpr unsigned kExtendedMaxBiasedExponent = 0x7FFF;

// Nearest extended number to the fraction numerator / denominator, as a significand with its
// integer bit set and a binary exponent (value = significand × 2^exponent); round to nearest,
// ties to even. Both implementations build their constants from this, so a factor written as
// a fraction is the same number on every processor. The result must be a normal number.
struct ExactSignificand {
    std::uint64_t significand;
    int exponent;
};

__extension__ typedef unsigned __int128 ExtendedWide;

constexpr ExactSignificand NearestToFraction(ExtendedWide numerator, ExtendedWide denominator) {
    // Scale so that 2^63 <= numerator / denominator < 2^64, then one division with its remainder.
    int exponent = 0;
    while (numerator < denominator) {
        numerator <<= 1;
        --exponent;
    }
    while (numerator >= (denominator << 1)) {
        denominator <<= 1;
        ++exponent;
    }
    // Now 1 <= n/d < 2: take 63 more bits one at a time (n < 2d keeps everything in range).
    std::uint64_t q = 0;
    for (int i = 0; i < 64; ++i) {
        q <<= 1;
        if (numerator >= denominator) {
            numerator -= denominator;
            q |= 1;
        }
        numerator <<= 1;
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
    return {q, exponent};
}

// The extended number nearest to a decimal text of digits with an optional point ("39.37"), of
// at most 38 digits in all.
constexpr ExactSignificand NearestToDecimal(std::string_view text) {
    ExtendedWide numerator = 0;
    ExtendedWide denominator = 1;
    bool fraction = false;
    for (const char c : text) {
        if (c == '.') {
            fraction = true;
            continue;
        }
        if (c < '0' || c > '9') throw "not a decimal number";
        numerator = numerator * 10 + static_cast<unsigned>(c - '0');
        if (fraction) denominator *= 10;
    }
    return NearestToFraction(numerator, denominator);
}
