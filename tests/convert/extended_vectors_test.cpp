// Hand-picked operands and their results as bit patterns, the same on every processor: ties,
// carries into the exponent, the smallest and largest normals, subnormal results, pseudo-
// denormals, unnormals, NaN payloads, signed zeros. The results are those of the x87 at 64-bit
// precision; where the x87 exists both units are checked against them, elsewhere the software
// unit alone.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "convert/number_text.h"
#include "convert/soft_extended.h"
#include "failure/failure.h"
#if defined(__i386__) || defined(__x86_64__)
#include "convert/x87_extended.h"
#define HAVE_X87_UNIT 1
#endif

namespace {

enum class Op { add, sub, mul, div, rint, todouble, fromdouble, cmp, whole, mag, isinf, constant };

struct Vector {
    Op op;
    const char* a;
    const char* b;
    const char* result;
};

ExtendedBits Bits(const char* text) {
    unsigned se = 0;
    unsigned long long m = 0;
    std::sscanf(text, "%x:%llx", &se, &m);
    return {static_cast<std::uint64_t>(m), static_cast<std::uint16_t>(se)};
}

std::uint64_t Hex(const char* text) {
    return std::strtoull(text, nullptr, 16);
}

std::string Text(ExtendedBits b) {
    char out[40];
    std::snprintf(out, sizeof out, "%04X:%016llX", b.signExponent,
                  static_cast<unsigned long long>(b.significand));
    return out;
}

std::string Text(std::uint64_t n) {
    char out[40];
    std::snprintf(out, sizeof out, "%016llX", static_cast<unsigned long long>(n));
    return out;
}

// One arithmetic unit seen through its bit patterns.
struct Unit {
    const char* name;
    std::string (*apply)(const Vector&);
};

// clang-format off
#define UNIT_OF(ns)                                                                                \
    Unit{#ns, [](const Vector& v) -> std::string {                                                 \
        const auto a = ns::ExtendedFromBits(Bits(v.a));                                           \
        const auto b = ns::ExtendedFromBits(Bits(v.b));                                           \
        switch (v.op) {                                                                            \
        case Op::add: return Text(ns::BitsOf(a + b));                                              \
        case Op::sub: return Text(ns::BitsOf(a - b));                                              \
        case Op::mul: return Text(ns::BitsOf(a * b));                                              \
        case Op::div: return Text(ns::BitsOf(a / b));                                              \
        case Op::rint: return Text(ns::BitsOf(ns::RoundToInteger(a)));                             \
        case Op::todouble: {                                                                       \
            const double d = ns::RoundToDouble(a);                                                 \
            std::uint64_t u = 0;                                                                   \
            std::memcpy(&u, &d, 8);                                                                \
            return Text(u);                                                                        \
        }                                                                                          \
        case Op::fromdouble: {                                                                     \
            const std::uint64_t u = Hex(v.a);                                                      \
            double d = 0;                                                                          \
            std::memcpy(&d, &u, 8);                                                                \
            return Text(ns::BitsOf(ns::ExtendedFromDouble(d)));                                    \
        }                                                                                          \
        case Op::cmp: return a < b ? "-1" : a == b ? "0" : a > b ? "1" : "unordered";              \
        case Op::whole: return Text(ns::WholeNumber(a));                                           \
        case Op::mag: return Text(ns::BitsOf(ns::Magnitude(a)));                                   \
        case Op::isinf: return ns::IsInfinite(a) ? "infinite" : "not infinite";                    \
        case Op::constant:                                                                         \
            return Text(ns::BitsOf(ns::ExtendedConstant(Hex(v.a), std::atoi(v.b))));              \
        }                                                                                          \
        return "?";                                                                                \
    }}
// clang-format on

const Unit kUnits[] = {
    UNIT_OF(soft),
#ifdef HAVE_X87_UNIT
    UNIT_OF(x87),
#endif
};

constexpr const char* kNone = "0000:0000000000000000";

const Vector kVectors[] = {
    // Products: a pseudo-denormal whose product carries into the normal range, ties to even,
    // overflow, results that become subnormal or round to zero, signed zeros, NaNs.
    {Op::mul, "0000:FFFFFFFFFFFFFFFE", "3FFF:8000000000000001", "0002:8000000000000000"},
    {Op::mul, "3FFF:C000000000000000", "3FFF:8000000000000001", "3FFF:C000000000000002"},
    {Op::mul, "3FFF:C000000000000001", "3FFF:8000000000000001", "3FFF:C000000000000003"},
    {Op::mul, "7FFE:FFFFFFFFFFFFFFFF", "3FFF:8000000000000000", "7FFE:FFFFFFFFFFFFFFFF"},
    {Op::mul, "7FFE:FFFFFFFFFFFFFFFF", "4000:8000000000000000", "7FFF:8000000000000000"},
    {Op::mul, "0001:8000000000000000", "3FFE:8000000000000000", "0000:4000000000000000"},
    {Op::mul, "0001:8000000000000000", "3FFE:FFFFFFFFFFFFFFFF", "0001:8000000000000000"},
    {Op::mul, "0001:FFFFFFFFFFFFFFFF", "3FFE:8000000000000000", "0001:8000000000000000"},
    {Op::mul, "0000:0000000000000001", "3FFE:8000000000000000", "0000:0000000000000000"},
    {Op::mul, "0000:0000000000000003", "3FFE:8000000000000000", "0000:0000000000000002"},
    {Op::mul, "0000:0000000000000001", "3FFE:C000000000000000", "0000:0000000000000001"},
    {Op::mul, "0000:8000000000000000", "3FFF:8000000000000000", "0001:8000000000000000"},
    {Op::mul, "8000:0000000000000000", "3FFF:8000000000000000", "8000:0000000000000000"},
    {Op::mul, "8000:0000000000000000", "C000:8000000000000000", "0000:0000000000000000"},
    {Op::mul, "7FFF:C000000000001234", "3FFF:8000000000000000", "7FFF:C000000000001234"},
    {Op::mul, "7FFF:8000000000001234", "3FFF:8000000000000000", "7FFF:C000000000001234"},
    {Op::mul, "FFFF:C000000000000005", "7FFF:C000000000000007", "7FFF:C000000000000007"},
    {Op::mul, "7FFF:C000000000000005", "FFFF:C000000000000005", "7FFF:C000000000000005"},
    {Op::mul, "3FFF:4000000000000000", "3FFF:8000000000000000", "FFFF:C000000000000000"},
    {Op::mul, "7FFF:8000000000000000", "0000:0000000000000000", "FFFF:C000000000000000"},
    {Op::mul, "7FFF:8000000000000000", "BFFF:8000000000000000", "FFFF:8000000000000000"},
    {Op::mul, "0001:8000000000000000", "0001:8000000000000000", "0000:0000000000000000"},
    // Sums and differences: ties, a carry into the exponent, far-apart operands, overflow,
    // signed zeros, cancellation, subnormal results, infinities.
    {Op::add, "3FFF:8000000000000000", "3FBF:8000000000000000", "3FFF:8000000000000000"},
    {Op::add, "3FFF:8000000000000001", "3FBF:8000000000000000", "3FFF:8000000000000002"},
    {Op::add, "3FFF:FFFFFFFFFFFFFFFF", "3FBF:8000000000000000", "4000:8000000000000000"},
    {Op::add, "3FFF:FFFFFFFFFFFFFFFF", "3FBF:8000000000000001", "4000:8000000000000000"},
    {Op::add, "3FFF:8000000000000000", "3F00:8000000000000000", "3FFF:8000000000000000"},
    {Op::add, "7FFE:FFFFFFFFFFFFFFFF", "7FFE:FFFFFFFFFFFFFFFF", "7FFF:8000000000000000"},
    {Op::add, "7FFE:FFFFFFFFFFFFFFFF", "7FBE:8000000000000000", "7FFF:8000000000000000"},
    {Op::add, "8000:0000000000000000", "8000:0000000000000000", "8000:0000000000000000"},
    {Op::add, "0000:0000000000000000", "8000:0000000000000000", "0000:0000000000000000"},
    {Op::add, "0000:8000000000000000", "0000:0000000000000000", "0001:8000000000000000"},
    {Op::add, "0000:4000000000000000", "0000:4000000000000000", "0001:8000000000000000"},
    {Op::add, "7FFF:8000000000000000", "FFFF:8000000000000000", "FFFF:C000000000000000"},
    {Op::add, "7FFF:8000000000000000", "7FFF:8000000000000000", "7FFF:8000000000000000"},
    {Op::sub, "3FFF:8000000000000000", "3FFF:8000000000000000", "0000:0000000000000000"},
    {Op::sub, "3FFF:8000000000000000", "3FFE:FFFFFFFFFFFFFFFF", "3FBF:8000000000000000"},
    {Op::sub, "0001:8000000000000000", "0000:0000000000000001", "0000:7FFFFFFFFFFFFFFF"},
    {Op::sub, "4000:8000000000000000", "3FBE:8000000000000001", "4000:8000000000000000"},
    {Op::sub, "8000:0000000000000000", "0000:0000000000000000", "8000:0000000000000000"},
    // Quotients: thirds, division by zero, subnormal quotients, overflow, infinities.
    {Op::div, "3FFF:8000000000000000", "4000:C000000000000000", "3FFD:AAAAAAAAAAAAAAAB"},
    {Op::div, "4000:8000000000000000", "4000:C000000000000000", "3FFE:AAAAAAAAAAAAAAAB"},
    {Op::div, "3FFF:8000000000000000", "0000:0000000000000000", "7FFF:8000000000000000"},
    {Op::div, "BFFF:8000000000000000", "0000:0000000000000000", "FFFF:8000000000000000"},
    {Op::div, "0000:0000000000000000", "0000:0000000000000000", "FFFF:C000000000000000"},
    {Op::div, "0001:8000000000000000", "403E:8000000000000000", "0000:0000000000000001"},
    {Op::div, "0001:8000000000000000", "3FFF:FFFFFFFFFFFFFFFF", "0000:4000000000000000"},
    {Op::div, "0001:C000000000000000", "4000:8000000000000000", "0000:6000000000000000"},
    {Op::div, "7FFE:FFFFFFFFFFFFFFFF", "3FFE:8000000000000000", "7FFF:8000000000000000"},
    {Op::div, "3FFF:FFFFFFFFFFFFFFFF", "3FFF:FFFFFFFFFFFFFFFE", "3FFF:8000000000000001"},
    {Op::div, "7FFF:8000000000000000", "7FFF:8000000000000000", "FFFF:C000000000000000"},
    {Op::div, "3FFF:8000000000000000", "7FFF:8000000000000000", "0000:0000000000000000"},
    // Whole numbers: ties to even, a negative half, a carry to 2^63, NaN quieted.
    {Op::rint, "4000:A000000000000000", kNone, "4000:8000000000000000"},
    {Op::rint, "4000:E000000000000000", kNone, "4001:8000000000000000"},
    {Op::rint, "BFFE:8000000000000000", kNone, "8000:0000000000000000"},
    {Op::rint, "3FFE:8000000000000001", kNone, "3FFF:8000000000000000"},
    {Op::rint, "403D:FFFFFFFFFFFFFFFF", kNone, "403E:8000000000000000"},
    {Op::rint, "3FFD:FFFFFFFFFFFFFFFF", kNone, "0000:0000000000000000"},
    {Op::rint, "0000:8000000000000000", kNone, "0000:0000000000000000"},
    {Op::rint, "7FFF:8000000000000001", kNone, "7FFF:C000000000000001"},
    {Op::rint, "403E:8000000000000001", kNone, "403E:8000000000000001"},
    // Doubles: ties, the largest double and overflow, the double's subnormals, NaN payloads.
    {Op::todouble, "3FFF:8000000000000400", kNone, "3FF0000000000000"},
    {Op::todouble, "3FFF:8000000000000C00", kNone, "3FF0000000000002"},
    {Op::todouble, "3FFF:8000000000000401", kNone, "3FF0000000000001"},
    {Op::todouble, "43FE:FFFFFFFFFFFFF800", kNone, "7FEFFFFFFFFFFFFF"},
    {Op::todouble, "43FE:FFFFFFFFFFFFFC00", kNone, "7FF0000000000000"},
    {Op::todouble, "C3FF:8000000000000000", kNone, "FFF0000000000000"},
    {Op::todouble, "3BCC:8000000000000000", kNone, "0000000000000000"},
    {Op::todouble, "3BCC:8000000000000001", kNone, "0000000000000001"},
    {Op::todouble, "3C00:FFFFFFFFFFFFFFFF", kNone, "0010000000000000"},
    {Op::todouble, "7FFF:C000000000001800", kNone, "7FF8000000000003"},
    {Op::todouble, "8000:0000000000000000", kNone, "8000000000000000"},
    {Op::fromdouble, "0000000000000001", kNone, "3BCD:8000000000000000"},
    {Op::fromdouble, "800FFFFFFFFFFFFF", kNone, "BC00:FFFFFFFFFFFFF000"},
    {Op::fromdouble, "7FF0000000000001", kNone, "7FFF:C000000000000800"},
    // Comparisons: signed zeros, a pseudo-denormal and the smallest normal, NaN.
    {Op::cmp, "8000:0000000000000000", "0000:0000000000000000", "0"},
    {Op::cmp, "0000:8000000000000000", "0001:8000000000000000", "0"},
    {Op::cmp, "7FFF:C000000000000000", "3FFF:8000000000000000", "unordered"},
    {Op::cmp, "BFFF:8000000000000000", "3FFF:8000000000000000", "-1"},
    {Op::cmp, "3FFF:8000000000000001", "3FFF:8000000000000000", "1"},
    {Op::cmp, "0000:0000000000000001", "8000:0000000000000000", "1"},
    {Op::cmp, "FFFF:8000000000000000", "FFFE:FFFFFFFFFFFFFFFF", "-1"},
    {Op::whole, "403E:FFFFFFFFFFFFFFFF", kNone, "FFFFFFFFFFFFFFFF"},
    {Op::whole, "3FFF:8000000000000000", kNone, "0000000000000001"},
    {Op::whole, "4037:DE0B6B3A76400000", kNone, "01BC16D674EC8000"},
    {Op::whole, "3FFE:8000000000000000", kNone, "0000000000000000"},
    {Op::whole, "3FBE:8000000000000000", kNone, "0000000000000000"},
    {Op::mag, "FFFF:C000000000000000", kNone, "7FFF:C000000000000000"},
    {Op::mag, "8000:0000000000000000", kNone, "0000:0000000000000000"},
    {Op::isinf, "FFFF:8000000000000000", kNone, "infinite"},
    {Op::isinf, "7FFF:C000000000000000", kNone, "not infinite"},
    {Op::isinf, "7FFE:FFFFFFFFFFFFFFFF", kNone, "not infinite"},
    // Constants: significand × 2^exponent, normalised, at both ends of the normal range.
    {Op::constant, "1", "0", "3FFF:8000000000000000"},
    {Op::constant, "3", "-1", "3FFF:C000000000000000"},
    {Op::constant, "1", "-16382", "0001:8000000000000000"},
    {Op::constant, "FFFFFFFFFFFFFFFF", "16320", "7FFE:FFFFFFFFFFFFFFFF"},
};

TEST(ExtendedVectors, EveryUnitGivesTheListedBits) {
    for (const Unit& unit : kUnits) {
#ifdef HAVE_X87_UNIT
        x87::SetArithmeticEnvironment();
#endif
        for (const Vector& v : kVectors) {
            EXPECT_EQ(unit.apply(v), v.result)
                << unit.name << " op " << static_cast<int>(v.op) << " on " << v.a << ", " << v.b;
        }
    }
}

// Constants that are not normal extended numbers fail (at compile time they do not compile).
TEST(ExactConstants, RefuseWhatIsNoNormalNumber) {
    const char* const texts[] = {"0",   "0.000", "",
                                 ".",   "1.2.3", "-1",
                                 "1e5", " 1",    "123456789012345678901234567890123456789"};
    for (const char* text : texts) {
        EXPECT_THROW(NearestToDecimal(text), Failure) << text;
    }
    const Wide128 limit = Wide128::FromHalves(std::uint64_t{1} << 63, 0);
    EXPECT_THROW(NearestToFraction(0, 1), Failure);
    EXPECT_THROW(NearestToFraction(1, 0), Failure);
    EXPECT_THROW(NearestToFraction(limit, 1), Failure);
    EXPECT_THROW(NearestToFraction(1, limit), Failure);
    EXPECT_THROW(soft::ExtendedConstant(0, 0), Failure);
    EXPECT_THROW(soft::ExtendedConstant(1, 16384), Failure);
    EXPECT_THROW(soft::ExtendedConstant(1, -16383), Failure);
#ifdef HAVE_X87_UNIT
    EXPECT_THROW(x87::ExtendedConstant(0, 5), Failure);
    EXPECT_THROW(x87::ExtendedConstant(1, 16384), Failure);
#endif
    // The longest text taken, 38 digits, and the largest fraction terms.
    const ExactSignificand most = NearestToDecimal("99999999999999999999999999999999999999");
    EXPECT_EQ(most.significand, 0x96769950B50D88F4u);
    EXPECT_EQ(most.exponent, 63);
    const ExactSignificand ninth = NearestToDecimal("0.5555555555555555555555555555555555555");
    EXPECT_EQ(ninth.significand, 0x8E38E38E38E38E39u);
    EXPECT_EQ(ninth.exponent, -64);
    const ExactSignificand top = NearestToFraction(limit - 1, limit - 2);
    EXPECT_EQ(top.significand, 0x8000000000000000u);
    EXPECT_EQ(top.exponent, -63);
}

#ifdef __SIZEOF_INT128__
// The two halves against the compiler's 128-bit integer, on edge and random operands.
TEST(Wide128, HalvesAgreeWithTheNativeType) {
    using wide::Native128;
    using wide::Portable128;
    // clang-format off
    const std::uint64_t edges[] = {0, 1, 2, 0xFFFFFFFFu, 0x100000000u, 0x8000000000000000u,
                                   0xFFFFFFFFFFFFFFFFu, 0xFFFFFFFF00000001u};
    // clang-format on
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    auto next = [&] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    auto same = [](Portable128 p, Native128 n) {
        return p.High() == n.High() && p.Low() == n.Low();
    };
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t a = i < 64 ? edges[i % 8] : next();
        const std::uint64_t b = i < 64 ? edges[i / 8] : next() >> (i % 64);
        const std::uint64_t c = next();
        const Portable128 pa = Portable128::FromHalves(a, c);
        const Native128 na = Native128::FromHalves(a, c);
        const Portable128 pb = Portable128::FromHalves(c, b);
        const Native128 nb = Native128::FromHalves(c, b);
        const int shift = static_cast<int>(next() % 128);
        ASSERT_TRUE(same(Portable128::Product(a, b), Native128::Product(a, b))) << a << " " << b;
        ASSERT_TRUE(same(pa + pb, na + nb));
        ASSERT_TRUE(same(pa - pb, na - nb));
        ASSERT_TRUE(same(pa * b, na * b));
        ASSERT_TRUE(same(pa << shift, na << shift)) << shift;
        ASSERT_TRUE(same(pa >> shift, na >> shift)) << shift;
        ASSERT_EQ(pa < pb, na < nb);
        ASSERT_EQ(pa == pb, na == nb);
        ASSERT_EQ(wide::LeadingZeros(pa >> shift), wide::LeadingZeros(na >> shift));
        if (b != 0) {
            // A dividend whose quotient fits 64 bits: high half below the divisor.
            const std::uint64_t high = a % b;
            std::uint64_t pr = 0;
            std::uint64_t nr = 0;
            ASSERT_EQ(Portable128::Divide(Portable128::FromHalves(high, c), b, pr),
                      Native128::Divide(Native128::FromHalves(high, c), b, nr))
                << high << " " << c << " " << b;
            ASSERT_EQ(pr, nr);
        }
    }
}
#endif

#if defined(HAVE_X87_UNIT) && !RUNAMIKA_SOFTWARE_EXTENDED
// A process may start with another precision (53 bits on 64-bit Windows) or rounding: setting
// the environment restores the working word, and with it every digit.
TEST(ArithmeticEnvironment, RestoresPrecisionAndRoundingWhateverTheProcessStartsWith) {
    const std::uint16_t starts[] = {0x027F /* 53 bits */, 0x0A7F /* 53 bits, upward */,
                                    0x0B7F /* upward */, 0x0F7F /* toward zero */};
    for (const std::uint16_t word : starts) {
        x87::SetControlWord(word);
        SetArithmeticEnvironment();
        EXPECT_EQ(x87::ControlWord(), x87::kWorkingControlWord);
        EXPECT_EQ(Text(BitsOf(ParseNumber("0.1"))), "3FFB:CCCCCCCCCCCCCCCD") << word;
        EXPECT_EQ(Text(BitsOf(ParseNumber("2") / ParseNumber("3"))), "3FFE:AAAAAAAAAAAAAAAB");
        EXPECT_EQ(FormatNumber(ParseNumber("1") / ParseNumber("3")), "0.333333333333333");
    }
    // The reset also clears the exception flags that earlier work left raised.
    EXPECT_TRUE(IsInfinite(ParseNumber("1") / ParseNumber("0")));
    EXPECT_NE(x87::StatusWord() & 0x3F, 0);
    SetArithmeticEnvironment();
    EXPECT_EQ(x87::StatusWord() & 0x3F, 0);
}
#endif

} // namespace
