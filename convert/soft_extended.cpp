#include "convert/soft_extended.h"

#include <bit>
#include <cstdint>
#include <utility>

namespace soft {

namespace {

using Wide = ExtendedWide;

constexpr int kBias = static_cast<int>(kExtendedExponentBias);
constexpr std::uint16_t kSignBit = 0x8000u;
constexpr std::uint64_t kQuietBit = 0x4000000000000000ull;
// value = units × 2^kSubnormalExponent for a number whose biased exponent is 0.
constexpr int kSubnormalExponent = 1 - kBias - 63;

enum class Kind { Zero, Finite, Infinite, NaN, Unsupported };

// An operand taken apart: for a finite one, value = significand × 2^exponent with the
// significand's top bit set (subnormals are normalised here, beyond the format's exponent range).
struct Unpacked {
    Kind kind;
    bool negative;
    int exponent;
    std::uint64_t significand;
};

Unpacked Unpack(Extended x) {
    const ExtendedBits b = x.Bits();
    const bool negative = (b.signExponent & kSignBit) != 0;
    const int biased = b.signExponent & 0x7FFF;
    const std::uint64_t m = b.significand;
    if (biased == static_cast<int>(kExtendedMaxBiasedExponent)) {
        if ((m & kExtendedIntegerBit) == 0) return {Kind::Unsupported, negative, 0, m};
        return {m == kExtendedIntegerBit ? Kind::Infinite : Kind::NaN, negative, 0, m};
    }
    if (biased == 0) {
        // Zero, a subnormal, or a subnormal pattern with its integer bit set (read with the
        // smallest normal exponent, as the hardware reads it).
        if (m == 0) return {Kind::Zero, negative, 0, 0};
        const int shift = std::countl_zero(m);
        return {Kind::Finite, negative, kSubnormalExponent - shift, m << shift};
    }
    if ((m & kExtendedIntegerBit) == 0) return {Kind::Unsupported, negative, 0, m};
    return {Kind::Finite, negative, biased - kBias - 63, m};
}

constexpr Extended Make(bool negative, unsigned biased, std::uint64_t significand) {
    return Extended::FromBits(
        {significand, static_cast<std::uint16_t>((negative ? kSignBit : 0u) | biased)});
}

constexpr Extended Zero(bool negative) {
    return Make(negative, 0, 0);
}
constexpr Extended Infinity(bool negative) {
    return Make(negative, kExtendedMaxBiasedExponent, kExtendedIntegerBit);
}
// The result of an invalid operation with the exception masked: the negative quiet NaN with
// the smallest payload.
constexpr Extended Indefinite() {
    return Make(true, kExtendedMaxBiasedExponent, kExtendedIntegerBit | kQuietBit);
}
Extended Quiet(Extended x) {
    const ExtendedBits b = x.Bits();
    return Extended::FromBits({b.significand | kQuietBit, b.signExponent});
}

// The NaN that an operation with at least one NaN or unsupported operand gives.
Extended PropagateNaN(Extended a, const Unpacked& ua, Extended b, const Unpacked& ub) {
    if (ua.kind == Kind::Unsupported || ub.kind == Kind::Unsupported) return Indefinite();
    if (ua.kind == Kind::NaN && ub.kind == Kind::NaN) {
        // The larger significand as stored (before quieting) wins.
        const std::uint64_t ma = ua.significand;
        const std::uint64_t mb = ub.significand;
        if (ma != mb) return Quiet(ma > mb ? a : b);
        // Same payload: the positive one.
        return Quiet(ua.negative ? b : a);
    }
    return Quiet(ua.kind == Kind::NaN ? a : b);
}

int LeadingZeros(Wide m) {
    const auto high = static_cast<std::uint64_t>(m >> 64);
    return high != 0 ? std::countl_zero(high)
                     : 64 + std::countl_zero(static_cast<std::uint64_t>(m));
}

// The extended number nearest to ±m × 2^e (m ≠ 0), ties to even. Below the normal range the
// exact value is rounded once to the subnormal grid; beyond the largest finite number the
// result is an infinity.
Extended RoundAndPack(bool negative, Wide m, int e) {
    const int shift = LeadingZeros(m);
    m <<= shift;
    e -= shift;
    // Now bit 127 is set: the leading bit stands for 2^(e + 127).
    int biased = e + 127 + kBias;
    if (biased >= 1) {
        auto q = static_cast<std::uint64_t>(m >> 64);
        const auto rest = static_cast<std::uint64_t>(m);
        fast::RoundToNearestEven(q, biased, rest > fast::kHalf, rest == fast::kHalf);
        if (biased >= static_cast<int>(kExtendedMaxBiasedExponent)) return Infinity(negative);
        return Make(negative, static_cast<unsigned>(biased), q);
    }
    // Subnormal: count in units of 2^kSubnormalExponent. Here the right shift is at least 65.
    const int right = kSubnormalExponent - e;
    std::uint64_t q;
    if (right > 128) {
        q = 0; // below half a unit (m < 2^128)
    } else if (right == 128) {
        constexpr Wide half = Wide{1} << 127;
        q = m > half ? 1 : 0;
    } else {
        q = static_cast<std::uint64_t>(m >> right);
        const Wide rest = m & ((Wide{1} << right) - 1);
        const Wide half = Wide{1} << (right - 1);
        if (rest > half || (rest == half && (q & 1) != 0)) ++q;
    }
    // A carry into the integer bit makes the smallest normal number (biased exponent 1).
    return Make(negative, (q & kExtendedIntegerBit) != 0 ? 1u : 0u, q);
}

Extended AddExact(Extended a, Extended b, bool negateB) {
    Unpacked ua = Unpack(a);
    Unpacked ub = Unpack(b);
    if (ua.kind >= Kind::NaN || ub.kind >= Kind::NaN) return PropagateNaN(a, ua, b, ub);
    ub.negative ^= negateB;
    if (ua.kind == Kind::Infinite || ub.kind == Kind::Infinite) {
        if (ua.kind == Kind::Infinite && ub.kind == Kind::Infinite && ua.negative != ub.negative) {
            return Indefinite();
        }
        return Infinity(ua.kind == Kind::Infinite ? ua.negative : ub.negative);
    }
    if (ua.kind == Kind::Zero && ub.kind == Kind::Zero) return Zero(ua.negative && ub.negative);
    if (ub.kind == Kind::Zero) return RoundAndPack(ua.negative, ua.significand, ua.exponent);
    if (ua.kind == Kind::Zero) return RoundAndPack(ub.negative, ub.significand, ub.exponent);

    if (ua.exponent < ub.exponent) std::swap(ua, ub);
    // Both significands sit at bits 125..62, the smaller operand shifted right by the exponent
    // difference; bits shifted out below bit 0 are kept as one sticky bit, which cannot change
    // a rounding made at bit 60 or higher.
    const Wide big = Wide{ua.significand} << 62;
    Wide small = Wide{ub.significand} << 62;
    const int difference = ua.exponent - ub.exponent;
    if (difference >= 127) {
        small = 1;
    } else if (difference > 0) {
        const bool sticky = (small & ((Wide{1} << difference) - 1)) != 0;
        small = (small >> difference) | (sticky ? 1 : 0);
    }
    const int e = ua.exponent - 62;
    if (ua.negative == ub.negative) return RoundAndPack(ua.negative, big + small, e);
    if (big == small) return Zero(false); // exact cancellation gives +0 when rounding to nearest
    if (big > small) return RoundAndPack(ua.negative, big - small, e);
    return RoundAndPack(ub.negative, small - big, e);
}

// Ordering of two non-NaN operands: -1, 0 or 1.
int CompareOrdered(const Unpacked& a, const Unpacked& b) {
    auto magnitudeRank = [](const Unpacked& u) {
        return u.kind == Kind::Zero ? 0 : u.kind == Kind::Finite ? 1 : 2;
    };
    const bool aZero = a.kind == Kind::Zero;
    const bool bZero = b.kind == Kind::Zero;
    if (aZero && bZero) return 0;
    const bool aNegative = a.negative && !aZero;
    const bool bNegative = b.negative && !bZero;
    if (aNegative != bNegative) return aNegative ? -1 : 1;
    int magnitude = 0;
    const int ra = magnitudeRank(a);
    const int rb = magnitudeRank(b);
    if (ra != rb) {
        magnitude = ra < rb ? -1 : 1;
    } else if (ra == 1) {
        if (a.exponent != b.exponent) {
            magnitude = a.exponent < b.exponent ? -1 : 1;
        } else if (a.significand != b.significand) {
            magnitude = a.significand < b.significand ? -1 : 1;
        }
    }
    return aNegative ? -magnitude : magnitude;
}

} // namespace

namespace complete {

int Compare(Extended a, Extended b) {
    const Unpacked ua = Unpack(a);
    const Unpacked ub = Unpack(b);
    if (ua.kind >= Kind::NaN || ub.kind >= Kind::NaN) return -2;
    return CompareOrdered(ua, ub);
}

Extended Add(Extended a, Extended b, bool negateB) {
    return AddExact(a, b, negateB);
}

Extended Multiply(Extended a, Extended b) {
    const Unpacked ua = Unpack(a);
    const Unpacked ub = Unpack(b);
    if (ua.kind >= Kind::NaN || ub.kind >= Kind::NaN) return PropagateNaN(a, ua, b, ub);
    const bool negative = ua.negative != ub.negative;
    if (ua.kind == Kind::Infinite || ub.kind == Kind::Infinite) {
        if (ua.kind == Kind::Zero || ub.kind == Kind::Zero) return Indefinite();
        return Infinity(negative);
    }
    if (ua.kind == Kind::Zero || ub.kind == Kind::Zero) return Zero(negative);
    return RoundAndPack(negative, Wide{ua.significand} * ub.significand, ua.exponent + ub.exponent);
}

Extended Divide(Extended a, Extended b) {
    const Unpacked ua = Unpack(a);
    const Unpacked ub = Unpack(b);
    if (ua.kind >= Kind::NaN || ub.kind >= Kind::NaN) return PropagateNaN(a, ua, b, ub);
    const bool negative = ua.negative != ub.negative;
    if (ua.kind == Kind::Infinite) {
        return ub.kind == Kind::Infinite ? Indefinite() : Infinity(negative);
    }
    if (ub.kind == Kind::Infinite) return Zero(negative);
    if (ub.kind == Kind::Zero) return ua.kind == Kind::Zero ? Indefinite() : Infinity(negative);
    if (ua.kind == Kind::Zero) return Zero(negative);

    // A 64-bit quotient q1 with 2^63 <= q1 < 2^64, then 64 more quotient bits and a sticky bit
    // from the remainders.
    const std::uint64_t ma = ua.significand;
    const std::uint64_t mb = ub.significand;
    const int up = ma >= mb ? 63 : 64;
    const Wide numerator = Wide{ma} << up;
    const auto q1 = static_cast<std::uint64_t>(numerator / mb);
    const auto r1 = static_cast<std::uint64_t>(numerator % mb);
    const int e = ua.exponent - ub.exponent - up;
    const int biased = e + 63 + kBias;
    if (biased >= 1 && biased < static_cast<int>(kExtendedMaxBiasedExponent)) {
        // A normal result: the remainder alone decides the rounding.
        std::uint64_t q = q1;
        const Wide twice = Wide{r1} << 1;
        if (twice > mb || (twice == mb && (q & 1) != 0)) {
            if (++q == 0) return RoundAndPack(negative, Wide{1} << 64, e);
        }
        return Make(negative, static_cast<unsigned>(biased), q);
    }
    const Wide rest = Wide{r1} << 64;
    const auto q2 = static_cast<std::uint64_t>(rest / mb);
    const bool sticky = rest % mb != 0;
    return RoundAndPack(negative, (Wide{q1} << 64) | q2 | (sticky ? 1 : 0), e - 64);
}

} // namespace complete

Extended ExtendedFromDouble(double d) {
    const auto bits = std::bit_cast<std::uint64_t>(d);
    const bool negative = (bits >> 63) != 0;
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & 0xFFFFFFFFFFFFFull;
    if (biased == 0x7FF) {
        if (fraction == 0) return Infinity(negative);
        return Make(negative, kExtendedMaxBiasedExponent,
                    kExtendedIntegerBit | kQuietBit | (fraction << 11));
    }
    if (biased == 0) {
        if (fraction == 0) return Zero(negative);
        return RoundAndPack(negative, fraction, -1074);
    }
    return Make(negative, static_cast<unsigned>(biased - 1023 + kBias),
                kExtendedIntegerBit | (fraction << 11));
}

double RoundToDouble(Extended x) {
    const Unpacked u = Unpack(x);
    const std::uint64_t sign = u.negative ? 0x8000000000000000ull : 0;
    switch (u.kind) {
    case Kind::Zero:
        return std::bit_cast<double>(sign);
    case Kind::Infinite:
        return std::bit_cast<double>(sign | 0x7FF0000000000000ull);
    case Kind::NaN:
        return std::bit_cast<double>(sign | 0x7FF8000000000000ull |
                                     ((u.significand >> 11) & 0xFFFFFFFFFFFFFull));
    case Kind::Unsupported:
        return std::bit_cast<double>(0xFFF8000000000000ull);
    case Kind::Finite:
        break;
    }
    const int leading = u.exponent + 63; // the leading bit stands for 2^leading
    std::uint64_t q;
    std::uint64_t rest;
    std::uint64_t half;
    int right;
    if (leading >= -1022) {
        right = 11;
    } else {
        // Subnormal double: units of 2^-1074.
        right = -1074 - u.exponent;
        if (right > 64) return std::bit_cast<double>(sign);
        if (right == 64) {
            return std::bit_cast<double>(sign | (u.significand > kExtendedIntegerBit ? 1u : 0u));
        }
    }
    q = u.significand >> right;
    rest = u.significand & ((std::uint64_t{1} << right) - 1);
    half = std::uint64_t{1} << (right - 1);
    if (rest > half || (rest == half && (q & 1) != 0)) ++q;
    if (leading < -1022)
        return std::bit_cast<double>(sign | q); // a carry gives the smallest normal
    int exponent = leading;
    if (q == (std::uint64_t{1} << 53)) {
        q >>= 1;
        ++exponent;
    }
    if (exponent > 1023) return std::bit_cast<double>(sign | 0x7FF0000000000000ull);
    return std::bit_cast<double>(sign | (static_cast<std::uint64_t>(exponent + 1023) << 52) |
                                 (q & 0xFFFFFFFFFFFFFull));
}

Extended RoundToInteger(Extended x) {
    const Unpacked u = Unpack(x);
    switch (u.kind) {
    case Kind::Zero:
    case Kind::Infinite:
        return x;
    case Kind::NaN:
        return Quiet(x);
    case Kind::Unsupported:
        return Indefinite();
    case Kind::Finite:
        break;
    }
    if (u.exponent >= 0) return x; // already a whole number
    const int right = -u.exponent; // fraction bits, 1 or more
    std::uint64_t q;
    if (right > 64) {
        q = 0;
    } else if (right == 64) {
        q = u.significand > kExtendedIntegerBit ? 1 : 0;
    } else {
        q = u.significand >> right;
        const std::uint64_t rest = u.significand & ((std::uint64_t{1} << right) - 1);
        const std::uint64_t half = std::uint64_t{1} << (right - 1);
        if (rest > half || (rest == half && (q & 1) != 0)) ++q;
    }
    if (q == 0) return Zero(u.negative);
    return RoundAndPack(u.negative, q, 0);
}

std::uint64_t WholeNumber(Extended x) {
    const Unpacked u = Unpack(x);
    if (u.kind != Kind::Finite || u.negative || u.exponent <= -64 || u.exponent > 0) return 0;
    return u.exponent == 0 ? u.significand : u.significand >> -u.exponent;
}

} // namespace soft
