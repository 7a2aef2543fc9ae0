#include "convert/number_text.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fpu_control.h>

#include "failure/failure.h"

namespace {

#include "convert/power_tables.inc"

// 64-bit precision, round to nearest even, all six exceptions masked.
constexpr fpu_control_t kWorkingControlWord = 0x037F;

char g_decimalMark = '.';

// The parts of an 80-bit extended number.
struct ExtendedBits {
    std::uint64_t significand; // integer bit included
    unsigned biasedExponent;   // 0 .. 32767
    bool negative;
};

ExtendedBits Decompose(Extended x) {
    unsigned char bytes[sizeof(Extended)];
    std::memcpy(bytes, &x, sizeof bytes);
    ExtendedBits bits{};
    std::memcpy(&bits.significand, bytes, 8);
    const unsigned top = static_cast<unsigned>(bytes[8]) | (static_cast<unsigned>(bytes[9]) << 8);
    bits.biasedExponent = top & 0x7FFFu;
    bits.negative = (top & 0x8000u) != 0;
    return bits;
}

constexpr std::uint64_t kIntegerBit = 0x8000000000000000ull;

// Rounds to an integer, nearest with ties to even (the working rounding mode).
inline Extended RoundToInteger(Extended x) {
    return __builtin_rintl(x);
}

} // namespace

void SetArithmeticEnvironment() {
    // Reset the unit (empties the register stack, clears every condition flag), then load the
    // working control word.
    asm volatile("fninit" ::: "memory");
    fpu_control_t word = kWorkingControlWord;
    _FPU_SETCW(word);
}

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
    if (n <= -5120) return 0.0L;
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

    Extended v = 0.0L;
    while (p != end && *p == ' ') ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // Once the value is infinite the text is rejected whatever follows, and arithmetic on an
    // infinity is slow on this unit; so a long run of digits stops early once it has overflowed.
    std::size_t sinceCheck = 0;
    auto overflowed = [&] { return (++sinceCheck & 1023u) == 0 && std::isinf(v); };
    bool consumed = false;
    while (p != end && isDigit(*p)) {
        v = v * 10.0L;
        v = v + static_cast<Extended>(*p - '0');
        ++p;
        consumed = true;
        if (overflowed()) throw InvalidNumberFailure(text);
    }
    std::int64_t fractionDigits = 0;
    if (p != end && *p == mark) {
        ++p;
        consumed = true;
        while (p != end && isDigit(*p)) {
            v = v * 10.0L;
            v = v + static_cast<Extended>(*p - '0');
            ++fractionDigits;
            ++p;
            if (overflowed()) throw InvalidNumberFailure(text);
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
    if (std::isinf(v)) throw InvalidNumberFailure(text);

    const std::int64_t scale = static_cast<std::int64_t>(exponent) - fractionDigits;
    v = ScaleByPowerOfTen(v, scale <= -5120 ? -5120 : static_cast<int>(scale));
    if (negative) v = -v;
    if (std::isinf(v)) throw InvalidNumberFailure(text);
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
        if (s >= 1e18L) {
            s = s / 10.0L;
            ++e10;
        }
        s = RoundToInteger(s);
        // Below 1e17 the estimate was one too large; this happens only for magnitudes below
        // 1e-205, and a second estimate always fits. The bound keeps a value that arithmetic
        // never produces from looping.
        if (s >= 1e17L || attempt == 2) break;
        --e10;
    }
    std::uint64_t n =
        s >= 1e17L && s < 1e18L ? static_cast<std::uint64_t>(s) : 100000000000000000ull;

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
    const ExtendedBits bits = Decompose(value);
    if (bits.biasedExponent == 0) return "0";
    if (bits.biasedExponent == 0x7FFF) {
        if ((bits.significand & ~kIntegerBit) == 0) return bits.negative ? "-INF" : "INF";
        return "NAN";
    }
    if ((bits.significand & kIntegerBit) == 0) {
        // An unnormal: a pattern that arithmetic never produces and that the unit rejects as
        // an invalid operand, which yields a NaN.
        return "NAN";
    }

    const DecimalRecord r =
        ToDecimal(std::fabs(value), static_cast<int>(bits.biasedExponent) - 16383);
    const char mark = g_decimalMark;
    std::string out;
    out.reserve(24);
    if (bits.negative) out.push_back('-');
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
