#include "convert/soft_extended.h"

#include <bit>
#include <cstdint>
#include <utility>

namespace soft {

namespace {

using Wide = Wide128;

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

// value ≈ q × 2^unit
struct Rounded {
    std::uint64_t q;
    int unit;
};

// The one rounding step of the unit: m × 2^e (m not zero) rounded to nearest, ties to even, to
// `bits` significant bits (1..64), on a grid no finer than 2^minUnit (the subnormal grid of a
// format, or 2^0 for a whole number). A carry out of the top bit moves the unit up by one.
Rounded RoundNearestEven(Wide m, int e, int bits, int minUnit) {
    const int top = e + 127 - wide::LeadingZeros(m); // m's leading bit stands for 2^top
    int unit = top - (bits - 1);
    if (unit < minUnit) unit = minUnit;
    const int right = unit - e;
    if (right <= 0) return {static_cast<std::uint64_t>(m << -right), unit}; // exact
    if (right > 128) return {0, unit}; // below half a unit: m < 2^128
    const Wide half = Wide{1} << (right - 1);
    const Wide rest = right == 128 ? m : m & ((half << 1) - 1);
    std::uint64_t q = right == 128 ? 0 : static_cast<std::uint64_t>(m >> right);
    if (rest > half || (rest == half && (q & 1) != 0)) {
        ++q;
        if (q == 0 || (bits < 64 && q == std::uint64_t{1} << bits)) {
            q = std::uint64_t{1} << (bits - 1);
            ++unit;
        }
    }
    return {q, unit};
}

// The extended number nearest to ±m × 2^e: zero when m is, a subnormal or zero below the
// normal range, an infinity beyond the largest finite number.
Extended RoundPack(bool negative, Wide m, int e) {
    if (!m) return Zero(negative);
    const Rounded r = RoundNearestEven(m, e, 64, kSubnormalExponent);
    if ((r.q & kExtendedIntegerBit) == 0) return Make(negative, 0, r.q); // subnormal or zero
    const int biased = r.unit + 63 + kBias;
    if (biased >= static_cast<int>(kExtendedMaxBiasedExponent)) return Infinity(negative);
    return Make(negative, static_cast<unsigned>(biased), r.q);
}

Extended AddSigned(Extended a, Extended b, bool negateB) {
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
    if (ub.kind == Kind::Zero) return RoundPack(ua.negative, ua.significand, ua.exponent);
    if (ua.kind == Kind::Zero) return RoundPack(ub.negative, ub.significand, ub.exponent);

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
        const bool sticky = !!(small & ((Wide{1} << difference) - 1));
        small = (small >> difference) | Wide{sticky ? 1u : 0u};
    }
    const int e = ua.exponent - 62;
    if (ua.negative == ub.negative) return RoundPack(ua.negative, big + small, e);
    if (big == small) return Zero(false); // exact cancellation gives +0 when rounding to nearest
    if (big > small) return RoundPack(ua.negative, big - small, e);
    return RoundPack(ub.negative, small - big, e);
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

Extended operator+(Extended a, Extended b) {
    return AddSigned(a, b, false);
}

Extended operator-(Extended a, Extended b) {
    return AddSigned(a, b, true);
}

int Compare(Extended a, Extended b) {
    const Unpacked ua = Unpack(a);
    const Unpacked ub = Unpack(b);
    if (ua.kind >= Kind::NaN || ub.kind >= Kind::NaN) return -2;
    return CompareOrdered(ua, ub);
}

Extended operator*(Extended a, Extended b) {
    const Unpacked ua = Unpack(a);
    const Unpacked ub = Unpack(b);
    if (ua.kind >= Kind::NaN || ub.kind >= Kind::NaN) return PropagateNaN(a, ua, b, ub);
    const bool negative = ua.negative != ub.negative;
    if (ua.kind == Kind::Infinite || ub.kind == Kind::Infinite) {
        if (ua.kind == Kind::Zero || ub.kind == Kind::Zero) return Indefinite();
        return Infinity(negative);
    }
    // A zero operand (significand 0) gives a zero product, which RoundPack packs with its sign.
    return RoundPack(negative, Wide::Product(ua.significand, ub.significand),
                     ua.exponent + ub.exponent);
}

Extended operator/(Extended a, Extended b) {
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

    // A 64-bit quotient q with 2^63 <= q < 2^64 and its remainder r. Every rounding happens at
    // bit 64 of (q, low) or above, so the low half need only say how r compares with half the
    // divisor: above, exactly half, below but not zero, or zero.
    const std::uint64_t ma = ua.significand;
    const std::uint64_t mb = ub.significand;
    const int up = ma >= mb ? 63 : 64;
    std::uint64_t r = 0;
    const std::uint64_t q = Wide::Divide(Wide{ma} << up, mb, r);
    const std::uint64_t low = r > mb - r    ? kExtendedIntegerBit | 1
                              : r == mb - r ? kExtendedIntegerBit
                              : r != 0      ? 1
                                            : 0;
    return RoundPack(negative, Wide::FromHalves(q, low), ua.exponent - ub.exponent - up - 64);
}

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
    if (biased == 0) return RoundPack(negative, fraction, -1074);
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
    // 53 bits on the grid of the double's subnormals (2^-1074).
    const Rounded r = RoundNearestEven(u.significand, u.exponent, 53, -1074);
    constexpr std::uint64_t kDoubleIntegerBit = std::uint64_t{1} << 52;
    if (r.q < kDoubleIntegerBit) return std::bit_cast<double>(sign | r.q); // subnormal or zero
    const int biased = r.unit + 52 + 1023;
    if (biased > 2046) return std::bit_cast<double>(sign | 0x7FF0000000000000ull);
    return std::bit_cast<double>(sign | static_cast<std::uint64_t>(biased) << 52 |
                                 (r.q & (kDoubleIntegerBit - 1)));
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
    const Rounded r = RoundNearestEven(u.significand, u.exponent, 64, 0);
    return RoundPack(u.negative, r.q, r.unit);
}

std::uint64_t WholeNumber(Extended x) {
    const Unpacked u = Unpack(x);
    if (u.kind != Kind::Finite || u.negative || u.exponent <= -64 || u.exponent > 0) return 0;
    return u.exponent == 0 ? u.significand : u.significand >> -u.exponent;
}

} // namespace soft
