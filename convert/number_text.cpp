#include "convert/number_text.h"

#include <cstdint>
#include <cstring>

#include "failure/failure.h"

inline namespace RUNAMIKA_CORE_NAMESPACE {

namespace {

#include "convert/power_tables.inc"

char g_decimalMark = '.';

constexpr Extended kTen = ExtendedFromInt(10);
constexpr Extended kDigitValues[] = {
    ExtendedFromInt(0), ExtendedFromInt(1), ExtendedFromInt(2), ExtendedFromInt(3),
    ExtendedFromInt(4), ExtendedFromInt(5), ExtendedFromInt(6), ExtendedFromInt(7),
    ExtendedFromInt(8), ExtendedFromInt(9),
};
constexpr Extended kTenPower17 = ExtendedFromInt(100000000000000000);
constexpr Extended kTenPower18 = ExtendedFromInt(1000000000000000000);

// v := v × 10 + digit, two rounded operations. False once v has overflowed: an infinity stays
// infinite and every text that reaches one is rejected, while arithmetic on it is slow on this
// unit; so a long run of digits stops early (checked every 1024 digits). Kept out of line: texts
// of up to 19 digits never come here, and their parse need not load its constants.
[[gnu::noinline]] bool FoldDigit(Extended& v, unsigned digit, std::size_t& folded) {
    v = v * kTen;
    v = v + kDigitValues[digit];
    return (++folded & 1023u) != 0 || !IsInfinite(v);
}

} // namespace

char DecimalMark() {
    return g_decimalMark;
}

void SetDecimalMark(char mark) {
    g_decimalMark = mark;
}

char DecimalMarkFromLocaleText(std::string_view decimalPoint) {
    if (decimalPoint.size() == 1 && static_cast<unsigned char>(decimalPoint[0]) < 0x80 &&
        decimalPoint[0] != '\0') {
        return decimalPoint[0];
    }
    return '.';
}

Extended ScaleByPowerOfTen(Extended x, int n) {
    if (n == 0) return x;
    if (n > 0) {
        if (n >= 5120) {
            // Beyond anything a parse or a format produces: the result is out of range for
            // every non-zero x.
            return x * kLargePowers[9] * kLargePowers[9];
        }
        const unsigned a = static_cast<unsigned>(n);
        x = x * kSmallPowers[a % 32];
        const unsigned m = a / 32;
        if (m % 16 != 0) x = x * kMiddlePowers[m % 16];
        if (m / 16 != 0) x = x * kLargePowers[m / 16];
        return x;
    }
    if (n <= -5120) return ExtendedFromInt(0);
    const unsigned a = static_cast<unsigned>(-n);
    x = x / kSmallPowers[a % 32];
    const unsigned m = a / 32;
    if (m % 16 != 0) x = x / kMiddlePowers[m % 16];
    if (m / 16 != 0) x = x / kLargePowers[m / 16];
    return x;
}

Extended ParseNumber(std::string_view text) {
    // Under round to nearest, an operation overflows exactly when it turns finite operands
    // into an infinity, and an infinity stays infinite through every later step here; so the
    // value itself records the sticky overflow condition. No operation below can be invalid.
    const char mark = g_decimalMark;
    const char* p = text.data();
    const char* const end = p + text.size();
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };

    Extended v{}; // set from the gathered digits before its first use
    while (p != end && *p == ' ') ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // Digits are gathered in a whole number while one more digit still fits below 2^64: every
    // step v × 10 + digit of the extended arithmetic is exact there, so the value is the same
    // and only found faster. From the first digit that would not fit on, each digit is folded
    // in with a rounded multiply and a rounded add.
    constexpr std::uint64_t kExactLimit = (~std::uint64_t{0} - 9) / 10;
    std::uint64_t whole = 0;
    bool gathered = true;
    std::size_t folded = 0;
    auto foldDigit = [&](char c) {
        const auto digit = static_cast<unsigned>(c - '0');
        if (gathered) {
            // Either path gives the same value (the fold is exact here too), so a change of this
            // test changes only the speed.
            if (whole <= kExactLimit) { // mutate: skip ROR
                whole = whole * 10 + digit;
                return;
            }
            v = ExtendedFromUnsigned(whole);
            gathered = false;
        }
        if (!FoldDigit(v, digit, folded)) throw InvalidNumberFailure(text);
    };
    bool consumed = false;
    while (p != end && isDigit(*p)) {
        foldDigit(*p);
        ++p;
        consumed = true;
    }
    std::int64_t fractionDigits = 0;
    if (p != end && *p == mark) {
        ++p;
        consumed = true;
        while (p != end && isDigit(*p)) {
            foldDigit(*p);
            ++fractionDigits;
            ++p;
        }
    }
    if (!consumed) throw InvalidNumberFailure(text);

    int exponent = 0;
    if (p != end && (*p == 'E' || *p == 'e')) {
        ++p;
        bool exponentNegative = false;
        if (p != end && (*p == '+' || *p == '-')) {
            exponentNegative = *p == '-';
            ++p;
        }
        while (p != end && isDigit(*p)) {
            exponent = exponent * 10 + (*p - '0');
            ++p;
            if (exponent >= 500) break;
        }
        if (exponentNegative) exponent = -exponent;
    }
    while (p != end && *p == ' ') ++p;
    if (p != end) throw InvalidNumberFailure(text);
    if (gathered) {
        v = ExtendedFromUnsigned(whole);
    } else if (IsInfinite(v)) {
        throw InvalidNumberFailure(text);
    }

    const std::int64_t scale = static_cast<std::int64_t>(exponent) - fractionDigits;
    // Every n at or below -5120 scales to zero.
    const int n = scale <= -5120 ? -5120 : static_cast<int>(scale); // mutate: skip ROR,LIT
    v = ScaleByPowerOfTen(v, n);
    if (negative) v = -v;
    if (IsInfinite(v)) throw InvalidNumberFailure(text);
    return v;
}

namespace {

// The decimal record of a finite non-zero value: digits d1.. (no trailing zeros, at most 15)
// and the exponent E, so that the value reads 0.d1d2... × 10^E.
struct DecimalRecord {
    char digits[18];
    int count;
    int exponent;
};

DecimalRecord ToDecimal(Extended magnitude, int binaryExponent) {
    // Estimate of the decimal exponent: floor(e × 19728 / 65536) + 1, rounding toward minus
    // infinity as an arithmetic shift does.
    int e10 = ((binaryExponent * 19728) >> 16) + 1;
    Extended s;
    for (int attempt = 0;; ++attempt) {
        s = RoundToInteger(ScaleByPowerOfTen(magnitude, 18 - e10));
        if (s >= kTenPower18) {
            s = s / kTen;
            ++e10;
        }
        s = RoundToInteger(s);
        // Below 1e17 the estimate was one too large; this happens only for magnitudes below
        // 1e-205, and a second estimate always fits. The bound keeps a value that arithmetic
        // never produces from looping.
        if (s >= kTenPower17 || attempt == 2) break;
        --e10;
    }
    std::uint64_t n = s >= kTenPower17 && s < kTenPower18 ? WholeNumber(s) : 100000000000000000ull;

    char raw[18];
    for (int i = 17; i >= 0; --i) {
        raw[i] = static_cast<char>('0' + n % 10);
        n /= 10;
    }

    DecimalRecord record{};
    record.exponent = e10;
    int count = 15;
    std::memcpy(record.digits, raw, 15);
    if (raw[15] >= '5') {
        // Half-up on the digit string: add one to d15, dropping every digit that the carry
        // turns from 9 into 10.
        while (count > 0 && record.digits[count - 1] == '9') --count;
        if (count == 0) {
            record.digits[0] = '1';
            count = 1;
            ++record.exponent;
        } else {
            ++record.digits[count - 1];
        }
    } else {
        while (count > 0 && record.digits[count - 1] == '0') --count;
    }
    record.count = count;
    return record;
}

} // namespace

std::string FormatNumber(Extended value) {
    const ExtendedBits bits = BitsOf(value);
    const unsigned biasedExponent = bits.signExponent & 0x7FFFu;
    const bool negative = (bits.signExponent & 0x8000u) != 0;
    if (biasedExponent == 0) return "0";
    if (biasedExponent == kExtendedMaxBiasedExponent) {
        if ((bits.significand & ~kExtendedIntegerBit) == 0) return negative ? "-INF" : "INF";
        return "NAN";
    }
    if ((bits.significand & kExtendedIntegerBit) == 0) {
        // An unnormal: a pattern that arithmetic never produces and that the unit rejects as
        // an invalid operand, which yields a NaN.
        return "NAN";
    }

    const DecimalRecord r = ToDecimal(Magnitude(value), static_cast<int>(biasedExponent) - 16383);
    const char mark = g_decimalMark;
    std::string out;
    out.reserve(24);
    if (negative) out.push_back('-');
    const int E = r.exponent;
    if (E > 15 || E < -3) {
        out.push_back(r.digits[0]);
        if (r.count > 1) {
            out.push_back(mark);
            out.append(r.digits + 1, static_cast<std::size_t>(r.count - 1));
        }
        out.push_back('E');
        int x = E - 1;
        if (x < 0) {
            out.push_back('-');
            x = -x;
        }
        char buf[8];
        int len = 0;
        do {
            buf[len++] = static_cast<char>('0' + x % 10);
            x /= 10;
        } while (x != 0);
        while (len > 0) out.push_back(buf[--len]);
    } else if (E <= 0) {
        out.push_back('0');
        out.push_back(mark);
        out.append(static_cast<std::size_t>(-E), '0');
        out.append(r.digits, static_cast<std::size_t>(r.count));
    } else if (r.count <= E) {
        out.append(r.digits, static_cast<std::size_t>(r.count));
        out.append(static_cast<std::size_t>(E - r.count), '0');
    } else {
        out.append(r.digits, static_cast<std::size_t>(E));
        out.push_back(mark);
        out.append(r.digits + E, static_cast<std::size_t>(r.count - E));
    }
    return out;
}

} // namespace RUNAMIKA_CORE_NAMESPACE
