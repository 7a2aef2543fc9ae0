#include "convert/number_text.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "failure/failure.h"

namespace {

// Compares two extended numbers bit for bit (so +0 and -0 differ).
bool SameBits(Extended a, Extended b) {
    return BitsOf(a) == BitsOf(b);
}

std::string Bits(Extended x) {
    const ExtendedBits b = BitsOf(x);
    char out[32];
    std::snprintf(out, sizeof out, "%04X:%016llX", b.signExponent,
                  static_cast<unsigned long long>(b.significand));
    return out;
}

// Test values written the way they read: the extended number nearest to a decimal text, an
// integer, a double's value, a pattern, and the power-of-ten table entry for 10^k.
const auto D = [](std::string_view decimal) { return ExtendedFromDecimal(decimal); };
const auto I = [](std::int64_t n) { return ExtendedFromInt(n); };
const auto Dbl = [](double d) { return ExtendedFromDouble(d); };
const auto Pattern = [](std::uint16_t signExponent, std::uint64_t significand) {
    return ExtendedFromBits({significand, signExponent});
};
const auto Power = [](int k) { return ScaleByPowerOfTen(ExtendedFromInt(1), k); };

// Sets the decimal mark for one test and puts "." back afterwards.
class MarkScope {
public:
    explicit MarkScope(char mark) { SetDecimalMark(mark); }
    ~MarkScope() { SetDecimalMark('.'); }
};

struct FormatCase {
    Extended value;
    const char* text;
};

TEST(FormatNumber, WorkedExamples) {
    // clang-format off
    const FormatCase cases[] = {
        {I(1), "1"}, {Dbl(0.1), "0.1"}, {I(100), "100"}, {D("0.5"), "0.5"}, {-D("2.5"), "-2.5"},
        {Dbl(12345.678), "12345.678"}, {I(1) / I(3), "0.333333333333333"},
        {I(2) / I(3), "0.666666666666667"}, {I(999999999999999), "999999999999999"},
        {D("999999999999999.5"), "1E15"}, {I(1000000000000000), "1E15"},
        {I(10000000000000000), "1E16"}, {I(1234567890123456), "1.23456789012346E15"},
        {Dbl(123456789012345678.0), "1.23456789012346E17"}, {Dbl(0.001), "0.001"},
        {Dbl(0.0001), "0.0001"}, {Dbl(0.00001), "1E-5"}, {Dbl(-0.00001), "-1E-5"},
        {Dbl(2.5e-7), "2.5E-7"}, {Dbl(DBL_MAX), "1.79769313486232E308"},
        {Dbl(9.99e-206), "9.99E-206"}, {I(0), "0"}, {-I(0), "0"},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(FormatNumber(c.value), c.text) << "value bits " << Bits(c.value);
    }
}

TEST(FormatNumber, LayoutBoundaries) {
    // clang-format off
    const FormatCase cases[] = {
        // Fixed notation from 1E-4 up to 15 integer digits; scientific outside.
        {I(123456789012345), "123456789012345"}, {I(100000000000000), "100000000000000"},
        {D("0.0001"), "0.0001"}, {D("0.000099999"), "9.9999E-5"}, {D("0.00012345"), "0.00012345"},
        {D("0.000000000000000000015"), "1.5E-20"},
        {Pattern(0x43E4, 0x8F596B3002C1A5E2u), "1.5E300"},
        // Half-up carry through nines, moving the exponent.
        {D("0.99999999999999995"), "1"}, {D("9.9999999999999996"), "10"},
        {D("99999.999999999999"), "100000"}, {D("0.000099999999999999999"), "0.0001"},
        {D("12.3450000000000005"), "12.345"},
        // Trailing zeros dropped only after rounding down.
        {D("1.10000000000000004"), "1.1"},
        // Extreme finite values of the extended range.
        {Pattern(0x7FFE, 0xFFFFFFFFFFFFFFFFu), "1.18973149535723E4932"},
        {Pattern(0xFFFE, 0xFFFFFFFFFFFFFFFFu), "-1.18973149535723E4932"},
        {Pattern(0x0001, 0x8000000000000000u), "3.36210314311209E-4932"},
        {Dbl(DBL_MIN), "2.2250738585072E-308"},
        {Dbl(std::numeric_limits<double>::denorm_min()), "4.94065645841247E-324"},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(FormatNumber(c.value), c.text) << "value bits " << Bits(c.value);
    }
}

TEST(FormatNumber, SpecialPatterns) {
    // Decided from the bits alone, so both arithmetic units give the same texts; patterns that
    // arithmetic never produces included.
    const FormatCase cases[] = {
        {Pattern(0x7FFF, 0x8000000000000000u), "INF"},
        {Pattern(0xFFFF, 0x8000000000000000u), "-INF"},
        {Pattern(0x7FFF, 0xC000000000000000u), "NAN"},
        {Pattern(0xFFFF, 0xC000000000000000u), "NAN"},
        {Pattern(0x7FFF, 0x8000000000000001u), "NAN"}, // signalling NaN
        {Pattern(0x7FFF, 0x0000000000000000u), "INF"}, // pseudo-infinity
        {Pattern(0xFFFF, 0x4000000000000000u), "NAN"}, // pseudo-NaN
        {Pattern(0x3FFF, 0x4000000000000000u), "NAN"}, // unnormal
        {Pattern(0x0000, 1), "0"},                     // smallest subnormal
        {Pattern(0x8000, 1), "0"},
        {Pattern(0x0000, 0x8000000000000000u), "0"}, // pseudo-denormal
        {Pattern(0x0001, 0x8000000000000000u), "3.36210314311209E-4932"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatNumber(c.value), c.text) << "value bits " << Bits(c.value);
    }
}

TEST(FormatNumber, CommaDecimalMark) {
    MarkScope mark(',');
    EXPECT_EQ(FormatNumber(D("2.5")), "2,5");
    EXPECT_EQ(FormatNumber(Dbl(0.001)), "0,001");
    EXPECT_EQ(FormatNumber(I(1234567890123456)), "1,23456789012346E15");
    EXPECT_EQ(FormatNumber(I(100)), "100");
}

// Outcome of a parse: the value's bits, or a rejection.
struct ParseCase {
    const char* text;
    bool accepted;
    Extended value;
};

void CheckParse(const ParseCase& c) {
    try {
        const Extended v = ParseNumber(c.text);
        EXPECT_TRUE(c.accepted && SameBits(v, c.value))
            << "'" << c.text << "' gave " << Bits(v) << ", expected "
            << (c.accepted ? Bits(c.value) : "a rejection");
    } catch (const Failure& f) {
        EXPECT_TRUE(!c.accepted) << "'" << c.text << "' rejected: " << f.what();
        EXPECT_EQ(f.Kind(), FailureKind::InvalidNumber);
        EXPECT_EQ(std::string(f.what()),
                  std::string("'") + c.text + "' は浮動小数点数ではありません");
    }
}

TEST(ParseNumber, Grammar) {
    const std::pair<Extended, std::vector<std::string>> accepted[] = {
        {I(12), {"12", "  12  "}},
        {I(1), {"1.", "1e", "1e+", "1E-"}},
        {I(0), {".", "+0", ".e5", "1e-4999", "0e4999"}},
        {-I(0), {"-.", "-0"}},
        {D("0.5"), {".5"}},
        {I(-125), {"-1.25e+2"}},
        {I(7), {"007"}},
        {I(100), {"1e0000000000000002"}},
        {I(1) / I(100), {"1e-0000000000000002"}},
        {Power(19) * Power(480), {"1e499"}},
        {Power(20) * Power(480), {"1e500"}},
        {Power(7) * Power(480) * Power(512), {"1e999"}},
        {Power(4) * Power(320) * Power(4608), {"1e4932"}},
        {I(1) / Power(16) / Power(384), {"1e-400"}}};
    for (const auto& [value, texts] : accepted) {
        for (const auto& text : texts) CheckParse({text.c_str(), true, value});
    }
    // The full-width digits and full stop are no ASCII ones.
    const char* const rejected[] = {
        "\t12",   "12\t",   "1 2",    "- 1",     "1 e5",  "+",     "-",     "e5",
        "E",      "..5",    "   ",    "1,5",     "1,000", "0x10",  "$10",   "INF",
        "NAN",    "１２",   "1.2.3",  "+-1",     "--1",   "1e5.5", "1e--5", "1\xef\xbc\x8e\x35",
        "1e4933", "1e4999", "1e5000", "1e10000", "0e5000"};
    for (const char* text : rejected) CheckParse({text, false, {}});
}

// Known answers, worked out with exact rational arithmetic (tests/convert/exact_model.py): each
// digit is folded in by a rounded multiply and a rounded add, the decimal exponent is applied by
// at most three divisions or multiplications by table powers (small, middle, large), never by a
// formed power such as 10^45. A correctly rounded reader gives other bits for some of these.
TEST(ParseNumber, KnownAnswersOfTheDigitFoldAndTheScaling) {
    const ParseCase cases[] = {
        {"123456789012345678901234567890", true, ExtendedConstant(0xC77487FB61B9F076u, 33)},
        {"1.23456789012345678901234567890", true, ExtendedConstant(0x9E06521462CFDB8Du, -63)},
        {"3e-45", true, ExtendedConstant(0x89040A0F4C80569Du, -211)},
        {"3e700", true, ExtendedConstant(0xF4A8B86B77786E56u, 2263)},
        {"7e-4000", true, ExtendedConstant(0x88B5C51585510507u, -13348)},
        // Around 2^64, where the digits stop being exact: the first rounded fold, its add of
        // 0 and of 9, a tie to even just above 2^64, and a fraction digit beyond it.
        {"18446744073709551610", true, Pattern(0x403E, 0xFFFFFFFFFFFFFFFAu)},
        {"18446744073709551615", true, Pattern(0x403E, 0xFFFFFFFFFFFFFFFFu)},
        {"18446744073709551619", true, Pattern(0x403F, 0x8000000000000002u)},
        {"184467440737095516199", true, Pattern(0x4042, 0xA000000000000003u)},
        {"1844674407370955161.9", true, Pattern(0x403B, 0xCCCCCCCCCCCCCCD0u)},
        {"99999999999999999999", true, Pattern(0x4041, 0xAD78EBC5AC620000u)},
    };
    for (const auto& c : cases) CheckParse(c);
}

TEST(ParseNumber, OverflowOfDigitsAloneRejects) {
    // Digits whose value alone leaves the extended range are rejected even when a negative
    // exponent would bring the value back into range.
    std::string text(4940, '9');
    text += "e-400";
    CheckParse({text.c_str(), false, {}});
    std::string fraction = "0." + std::string(6000, '9');
    CheckParse({fraction.c_str(), false, {}});
    // A long run of fraction zeros keeps the value small: 1 followed by 6000 zeros scaled away.
    std::string tiny = "0." + std::string(6000, '0') + "1";
    CheckParse({tiny.c_str(), true, I(0)});
}

TEST(ParseNumber, CommaDecimalMark) {
    MarkScope mark(',');
    CheckParse({"1,5", true, D("1.5")});
    CheckParse({"1.5", false, {}});
    CheckParse({",25", true, D("0.25")});
    CheckParse({"-,", true, -I(0)});
}

TEST(ParseNumber, MessageKeepsTextExactlyAsTyped) {
    using namespace std::string_literals;
    const std::string texts[] = {" abc ", "%s%d", "1,5 ", "あ", "1\0002"s};
    for (const auto& t : texts) {
        try {
            ParseNumber(t);
            ADD_FAILURE() << "accepted";
        } catch (const Failure& f) {
            EXPECT_EQ(f.Message(), "'" + t + "' は浮動小数点数ではありません");
        }
    }
}

TEST(PowerTables, EntriesAreNearestToTheirPowers) {
    // glibc's strtold rounds correctly; where long double is the 80-bit format, each scaling by a
    // single table entry must agree with it. (Elsewhere the exact model checks the tables.)
#if LDBL_MANT_DIG == 64
    auto nearest = [](int k) {
        const long double v = std::strtold(("1e" + std::to_string(k)).c_str(), nullptr);
        ExtendedBits bits{};
        std::memcpy(&bits.significand, &v, 8);
        std::memcpy(&bits.signExponent, reinterpret_cast<const char*>(&v) + 8, 2);
        return ExtendedFromBits(bits);
    };
    std::vector<int> powers;
    for (int k = 0; k < 32; ++k) powers.push_back(k);
    for (int j = 1; j < 16; ++j) powers.push_back(32 * j);
    for (int k = 1; k < 10; ++k) powers.push_back(512 * k);
    for (const int k : powers) {
        EXPECT_TRUE(SameBits(Power(k), nearest(k))) << "1e" << k << ": " << Bits(Power(k));
    }
#else
    GTEST_SKIP() << "long double is not the 80-bit format here";
#endif
}

TEST(ScaleByPowerOfTen, Limits) {
    EXPECT_TRUE(SameBits(ScaleByPowerOfTen(I(5), 0), I(5)));
    EXPECT_TRUE(SameBits(ScaleByPowerOfTen(I(5), -5120), I(0)));
    EXPECT_TRUE(SameBits(ScaleByPowerOfTen(I(5), -100000), I(0)));
    EXPECT_TRUE(IsInfinite(ScaleByPowerOfTen(I(5), 6000)));
    EXPECT_TRUE(IsInfinite(ScaleByPowerOfTen(I(1), 5120))); // the first power past the tables
    EXPECT_TRUE(IsInfinite(ScaleByPowerOfTen(I(1), 4933)));
    EXPECT_FALSE(IsInfinite(ScaleByPowerOfTen(I(1), 4932)));
    EXPECT_TRUE(SameBits(ScaleByPowerOfTen(I(0), 6000), I(0)));
}

TEST(DecimalMark, FromLocaleText) {
    EXPECT_EQ(DecimalMarkFromLocaleText("."), '.');
    EXPECT_EQ(DecimalMarkFromLocaleText(","), ',');
    EXPECT_EQ(DecimalMarkFromLocaleText(""), '.');
    EXPECT_EQ(DecimalMarkFromLocaleText("٫"), '.'); // more than one byte
    EXPECT_EQ(DecimalMarkFromLocaleText(".."), '.');
    EXPECT_EQ(DecimalMarkFromLocaleText("\xB7"), '.'); // one byte, not ASCII
    EXPECT_EQ(DecimalMarkFromLocaleText(std::string_view("\0", 1)), '.');
    // The mark that SetDecimalMark stores is the one DecimalMark gives back.
    {
        MarkScope mark(',');
        EXPECT_EQ(DecimalMark(), ',');
    }
    EXPECT_EQ(DecimalMark(), '.');
}

} // namespace
