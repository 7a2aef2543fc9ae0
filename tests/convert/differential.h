// The software extended unit against the x87, operation by operation, on operands weighted
// towards the hard cases: ties, carries out of the significand, cancellation, exponent
// differences around the width of the significand, results near the largest and smallest
// numbers, subnormals, signed zeros, infinities, and (rarely) NaNs and unsupported patterns.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <utility>

#include "convert/soft_extended.h"
#include "convert/x87_extended.h"

namespace differential {

using ExtendedWide = Wide128;

enum class Operation {
    Add,
    Subtract,
    Multiply,
    Divide,
    RoundToInteger,
    Compare,
    FromDouble,
    ToDouble,
    FromInt,
};

inline constexpr Operation kOperations[] = {
    Operation::Add,        Operation::Subtract,       Operation::Multiply,
    Operation::Divide,     Operation::RoundToInteger, Operation::Compare,
    Operation::FromDouble, Operation::ToDouble,       Operation::FromInt,
};

inline const char* Name(Operation op) {
    static const char* const kNames[] = {"add",         "subtract",         "multiply",
                                         "divide",      "round to integer", "compare",
                                         "from double", "to double",        "from integer"};
    return kNames[static_cast<int>(op)];
}

inline std::string Hex(ExtendedBits b) {
    char out[40];
    std::snprintf(out, sizeof out, "%04X:%016llX", b.signExponent,
                  static_cast<unsigned long long>(b.significand));
    return out;
}

class Generator {
public:
    explicit Generator(std::uint64_t seed) : rng_(seed) {}

    std::uint64_t Next() { return rng_(); }
    unsigned Below(unsigned n) { return static_cast<unsigned>(rng_() % n); }

    // A significand with its integer bit set, often with few bits in use (ties, exact results)
    // or runs of ones (carries).
    std::uint64_t Significand() {
        std::uint64_t m = rng_();
        const unsigned kind = Below(8);
        if (kind == 0) m &= ~((std::uint64_t{1} << Below(64)) - 1); // trailing zeros
        if (kind == 1) m |= (std::uint64_t{1} << Below(64)) - 1;    // trailing ones
        if (kind == 2) m = ~std::uint64_t{0} << Below(64);          // ones, then zeros
        if (kind == 3) m = (m & 0xFFFF) << Below(49);               // few bits
        return m | kExtendedIntegerBit;
    }

    unsigned Exponent() {
        const unsigned kind = Below(6);
        if (kind == 0) return 1 + Below(140);          // near the smallest normals
        if (kind == 1) return 32766 - Below(140);      // near the largest numbers
        if (kind == 2) return 16383 - 70 + Below(140); // around 1 (integers, rounding)
        return 1 + Below(32766);
    }

    ExtendedBits Operand() {
        const std::uint16_t sign = (rng_() & 1) != 0 ? 0x8000 : 0;
        const unsigned pick = Below(1000);
        if (pick < 30) return {0, sign};                                           // zeros
        if (pick < 45) return {kExtendedIntegerBit, std::uint16_t(sign | 0x7FFF)}; // infinities
        if (pick < 120) {                                                          // subnormals
            return {Significand() >> Below(64), sign};
        }
        if (pick < 124) { // NaNs
            std::uint64_t m = Significand() | (rng_() & 1 ? 0x4000000000000000ull : 0);
            if (m == kExtendedIntegerBit) m |= 1;
            return {m, std::uint16_t(sign | 0x7FFF)};
        }
        if (pick < 127) { // unnormals, pseudo-denormals, pseudo-infinities
            const std::uint64_t m = Significand() & ~kExtendedIntegerBit;
            const unsigned kind = Below(3);
            if (kind == 0) return {m, std::uint16_t(sign | Exponent())};
            if (kind == 1) return {m | kExtendedIntegerBit, sign};
            return {m, std::uint16_t(sign | 0x7FFF)};
        }
        return {Significand(), std::uint16_t(sign | Exponent())};
    }

    // A second operand related to the first so that hard cases come up often.
    ExtendedBits Partner(ExtendedBits a, Operation op) {
        const unsigned biased = a.signExponent & 0x7FFF;
        if (biased == 0x7FFF && a.significand != kExtendedIntegerBit && Below(2) == 0) {
            // The same NaN (or its signalling twin) with the other sign.
            return {a.significand ^ (Below(2) != 0 ? 0x4000000000000000ull : 0),
                    std::uint16_t(a.signExponent ^ 0x8000)};
        }
        if (biased == 0 || biased == 0x7FFF || Below(4) == 0) return Operand();
        const std::uint16_t sign = (rng_() & 1) != 0 ? 0x8000 : 0;
        auto clamp = [](long e) {
            return static_cast<std::uint16_t>(e < 0 ? 0 : e > 0x7FFE ? 0x7FFE : e);
        };
        switch (op) {
        case Operation::Add:
        case Operation::Subtract:
        case Operation::Compare: {
            // Exponent differences around 0, 1, 62..66, 127..129; significands equal or
            // next to each other (cancellation).
            static constexpr int kSteps[] = {0, 0, 0, 1, 2, 62, 63, 64, 65, 66, 127, 128, 129, 200};
            const int step = kSteps[Below(sizeof kSteps / sizeof kSteps[0])];
            const long e = static_cast<long>(biased) - (Below(2) != 0 ? step : -step);
            std::uint64_t m = Below(3) == 0 ? a.significand + Below(5) - 2 : Significand();
            m |= kExtendedIntegerBit;
            if (Below(4) == 0) m = (a.significand >> Below(3)) | kExtendedIntegerBit;
            return {m, std::uint16_t(sign | clamp(e))};
        }
        case Operation::Multiply:
        case Operation::Divide: {
            // Products near the edges of the range: exponents summing to about 0 or 2 × bias;
            // quotients likewise. The last kind is around 1.
            const long b = static_cast<long>(biased);
            const unsigned kind = Below(3);
            const long r = static_cast<long>(Below(kind == 0 ? 5 : kind == 1 ? 140 : 128));
            const bool multiply = op == Operation::Multiply;
            const long e = kind == 2   ? 16383 + r - 64
                           : kind == 0 ? (multiply ? 2 * 16383 - b : b - 16383) + r - 2
                           : multiply  ? -b + 16383 - 63 + r - 70 + 1
                                       : b + 16383 - 32766 + 63 - r + 70;
            if (multiply) return {Significand(), std::uint16_t(sign | clamp(e))};
            // Often a divisor that divides the dividend's significand (exact or tie quotients).
            std::uint64_t m = Significand();
            if (Below(3) == 0) m = kExtendedIntegerBit | (std::uint64_t{1} << Below(63));
            return {m, std::uint16_t(sign | clamp(e))};
        }
        default:
            return Operand();
        }
    }

    // An operand for the operations with one argument.
    ExtendedBits Single(Operation op) {
        ExtendedBits x = Operand();
        const unsigned biased = x.signExponent & 0x7FFF;
        if (biased == 0 || biased == 0x7FFF || Below(2) == 0) return x;
        const std::uint16_t sign = x.signExponent & 0x8000;
        if (op == Operation::RoundToInteger) {
            // Around 0.5 .. 2^65, with halves and near-halves.
            x.signExponent = std::uint16_t(sign | (16383 - 2 + Below(68)));
            if (Below(3) == 0) x.significand = ~std::uint64_t{0} << Below(64);
            if (Below(3) == 0) x.significand ^= std::uint64_t{1} << Below(64);
            x.significand |= kExtendedIntegerBit;
        } else if (op == Operation::ToDouble) {
            // Around the double's largest and smallest numbers; ties at bit 10.
            static constexpr int kCentres[] = {16383 + 1023, 16383 - 1022, 16383 - 1074, 16383};
            const int centre = kCentres[Below(4)];
            x.signExponent = std::uint16_t(sign | (centre - 60 + static_cast<int>(Below(120))));
            if (Below(2) == 0) {
                x.significand =
                    (x.significand & ~std::uint64_t{0x7FF}) | (Below(2) ? 0x400 : 0x3FF + Below(3));
            }
            if (Below(4) == 0) x.significand |= ~std::uint64_t{0} << Below(64);
        }
        return x;
    }

    double Double() {
        std::uint64_t bits = rng_();
        const unsigned kind = Below(4);
        if (kind == 0) bits &= 0x800FFFFFFFFFFFFFull; // subnormals and zeros
        if (kind == 1) {                              // infinities and NaNs
            bits |= 0x7FF0000000000000ull;
            if (Below(4)) bits &= 0xFFF0000000000000ull;
        }
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

    std::int64_t Integer() {
        const std::uint64_t v = rng_() >> Below(64);
        return Below(2) != 0 ? static_cast<std::int64_t>(v) : -static_cast<std::int64_t>(v >> 1);
    }

private:
    std::mt19937_64 rng_;
};

struct Outcome {
    std::uint64_t compared = 0;
    std::uint64_t mismatches = 0;
    // How often the hard cases came up (counted on the x87's results).
    std::uint64_t overflows = 0;     // finite operands, infinite result
    std::uint64_t underflows = 0;    // finite non-zero operands, subnormal or zero result
    std::uint64_t cancellations = 0; // sum 32 or more binades below the larger operand
    std::uint64_t ties = 0;          // exact result halfway between two neighbours
};

inline unsigned BiasedOf(ExtendedBits b) {
    return b.signExponent & 0x7FFFu;
}
inline bool FiniteNonZero(ExtendedBits b) {
    return BiasedOf(b) != 0x7FFF && (BiasedOf(b) != 0 || b.significand != 0);
}
inline bool Normal(ExtendedBits b) {
    return BiasedOf(b) - 1u < 0x7FFEu && (b.significand & kExtendedIntegerBit) != 0;
}

// Whether the exact sum of two normal numbers (exponents at most 63 apart) lies halfway between
// two 64-bit significands.
inline bool SumIsTie(ExtendedBits a, ExtendedBits b, bool subtract) {
    if (BiasedOf(a) < BiasedOf(b)) std::swap(a, b);
    const unsigned difference = BiasedOf(a) - BiasedOf(b);
    if (difference > 63) return false;
    const ExtendedWide big = ExtendedWide{a.significand} << 63;
    const ExtendedWide small = (ExtendedWide{b.significand} << 63) >> difference;
    const bool same = ((a.signExponent ^ b.signExponent) & 0x8000u) == 0;
    ExtendedWide sum = same != subtract ? big + small : big > small ? big - small : small - big;
    if (!sum) return false;
    while (!(sum >> 127)) sum = sum << 1;
    return static_cast<std::uint64_t>(sum) == kExtendedIntegerBit;
}

// Whether the exact product of two normal numbers lies halfway between two 64-bit significands.
inline bool ProductIsTie(ExtendedBits a, ExtendedBits b) {
    const ExtendedWide p = ExtendedWide::Product(a.significand, b.significand);
    const int below = !!(p >> 127) ? 64 : 63; // bits below the result's last place
    const ExtendedWide mask = (ExtendedWide{1} << below) - 1;
    return (p & mask) == ExtendedWide{1} << (below - 1);
}

inline bool SameDouble(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Runs `count` cases of one operation; `report` hears about each mismatch (text).
inline Outcome Run(Operation op, std::uint64_t count, std::uint64_t seed,
                   const std::function<void(const std::string&)>& report) {
    Generator g(seed * 0x9E3779B97F4A7C15ull + static_cast<std::uint64_t>(op));
    Outcome out;
    auto fail = [&](const std::string& what) {
        ++out.mismatches;
        if (report) report(std::string(Name(op)) + ": " + what);
    };
    for (std::uint64_t i = 0; i < count; ++i) {
        ++out.compared;
        switch (op) {
        case Operation::Add:
        case Operation::Subtract:
        case Operation::Multiply:
        case Operation::Divide:
        case Operation::Compare: {
            const ExtendedBits a = g.Operand();
            const ExtendedBits b = g.Partner(a, op);
            const x87::Extended ha = x87::ExtendedFromBits(a);
            const x87::Extended hb = x87::ExtendedFromBits(b);
            const soft::Extended sa = soft::ExtendedFromBits(a);
            const soft::Extended sb = soft::ExtendedFromBits(b);
            if (op == Operation::Compare) {
                const int hw = (ha < hb) | (ha <= hb) << 1 | (ha == hb) << 2 | (ha > hb) << 3 |
                               (ha >= hb) << 4;
                const int sw = (sa < sb) | (sa <= sb) << 1 | (sa == sb) << 2 | (sa > sb) << 3 |
                               (sa >= sb) << 4;
                if (hw != sw) fail(Hex(a) + " ? " + Hex(b));
                break;
            }
            const int k = static_cast<int>(op); // Add, Subtract, Multiply, Divide
            const auto apply = [k](auto x, auto y) {
                return k == 0 ? x + y : k == 1 ? x - y : k == 2 ? x * y : x / y;
            };
            const ExtendedBits hr = x87::BitsOf(apply(ha, hb));
            const ExtendedBits sr = soft::BitsOf(apply(sa, sb));
            static constexpr const char* kSymbols[] = {" + ", " - ", " * ", " / "};
            const char* sym = kSymbols[k];
            if (hr != sr)
                fail(Hex(a) + sym + Hex(b) + ": x87 " + Hex(hr) + ", software " + Hex(sr));
            if (FiniteNonZero(a) && FiniteNonZero(b)) {
                out.overflows += BiasedOf(hr) == 0x7FFF;
                out.underflows += BiasedOf(hr) == 0;
                if ((op == Operation::Add || op == Operation::Subtract) && Normal(a) && Normal(b) &&
                    FiniteNonZero(hr)) {
                    const unsigned larger = BiasedOf(a) > BiasedOf(b) ? BiasedOf(a) : BiasedOf(b);
                    out.cancellations += BiasedOf(hr) + 32 <= larger;
                }
                if (op == Operation::Multiply && Normal(a) && Normal(b)) {
                    out.ties += ProductIsTie(a, b);
                }
                if ((op == Operation::Add || op == Operation::Subtract) && Normal(a) && Normal(b)) {
                    out.ties += SumIsTie(a, b, op == Operation::Subtract);
                }
            }
            break;
        }
        case Operation::RoundToInteger: {
            const ExtendedBits a = g.Single(op);
            const ExtendedBits hr = x87::BitsOf(x87::RoundToInteger(x87::ExtendedFromBits(a)));
            const ExtendedBits sr = soft::BitsOf(soft::RoundToInteger(soft::ExtendedFromBits(a)));
            if (hr != sr) fail(Hex(a) + ": x87 " + Hex(hr) + ", software " + Hex(sr));
            if (Normal(a)) {
                const int fraction = 16383 + 63 - static_cast<int>(BiasedOf(a));
                if (fraction >= 1 && fraction <= 63) {
                    const std::uint64_t mask = (std::uint64_t{1} << fraction) - 1;
                    out.ties += (a.significand & mask) == std::uint64_t{1} << (fraction - 1);
                }
            }
            break;
        }
        case Operation::ToDouble: {
            const ExtendedBits a = g.Single(op);
            const double hr = x87::RoundToDouble(x87::ExtendedFromBits(a));
            const double sr = soft::RoundToDouble(soft::ExtendedFromBits(a));
            if (!SameDouble(hr, sr))
                fail(Hex(a) + ": x87 " + std::to_string(hr) + ", software " + std::to_string(sr));
            if (FiniteNonZero(a)) {
                std::uint64_t bits;
                std::memcpy(&bits, &hr, sizeof bits);
                out.overflows += ((bits >> 52) & 0x7FF) == 0x7FF;
                out.underflows += ((bits >> 52) & 0x7FF) == 0;
                if (Normal(a)) out.ties += (a.significand & 0x7FF) == 0x400;
            }
            break;
        }
        case Operation::FromDouble: {
            const double d = g.Double();
            const ExtendedBits hr = x87::BitsOf(x87::ExtendedFromDouble(d));
            const ExtendedBits sr = soft::BitsOf(soft::ExtendedFromDouble(d));
            if (hr != sr) fail(std::to_string(d) + ": x87 " + Hex(hr) + ", software " + Hex(sr));
            break;
        }
        case Operation::FromInt: {
            const std::int64_t n = g.Integer();
            const ExtendedBits hr = x87::BitsOf(x87::ExtendedFromInt(n));
            const ExtendedBits sr = soft::BitsOf(soft::ExtendedFromInt(n));
            if (hr != sr) fail(std::to_string(n) + ": x87 " + Hex(hr) + ", software " + Hex(sr));
            break;
        }
        }
    }
    return out;
}

} // namespace differential
