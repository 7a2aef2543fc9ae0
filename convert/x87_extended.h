// The 80-bit extended format computed by the x87 unit: the compiler's long double, where it is
// that format (GCC and Clang on x86 and x86-64). Everything that depends on the unit itself
// (its reset and control word) lives here and in x87_extended.cpp.
#pragma once

#include <cstdint>
#include <cstring>

#include "convert/extended_bits.h"

#if !(defined(__i386__) || defined(__x86_64__)) || __LDBL_MANT_DIG__ != 64
#error "x87_extended.h needs a long double in the x87 80-bit format"
#endif

namespace x87 {

using Extended = long double;

// Exactly significand × 2^exponent; the value must be a normal extended number.
constexpr Extended ExtendedConstant(std::uint64_t significand, int exponent) {
    RequireNormalConstant(significand, exponent);
    Extended scale = 1.0L;
    Extended factor = exponent < 0 ? 0.5L : 2.0L;
    for (unsigned n = static_cast<unsigned>(exponent < 0 ? -exponent : exponent); n != 0;) {
        if ((n & 1) != 0) scale *= factor;
        n >>= 1;
        if (n != 0) factor *= factor;
    }
    return static_cast<Extended>(significand) * scale;
}

constexpr Extended ExtendedFromInt(std::int64_t n) {
    return static_cast<Extended>(n);
}
constexpr Extended ExtendedFromUnsigned(std::uint64_t n) {
    return static_cast<Extended>(n);
}

inline Extended ExtendedFromBits(ExtendedBits bits) {
    Extended x = 0;
    std::memcpy(&x, &bits.significand, 8);
    std::memcpy(reinterpret_cast<unsigned char*>(&x) + 8, &bits.signExponent, 2);
    return x;
}

inline ExtendedBits BitsOf(Extended x) {
    ExtendedBits bits{};
    std::memcpy(&bits.significand, &x, 8);
    std::memcpy(&bits.signExponent, reinterpret_cast<const unsigned char*>(&x) + 8, 2);
    return bits;
}

inline Extended ExtendedFromDouble(double d) {
    return d;
}
inline double RoundToDouble(Extended x) {
    return static_cast<double>(x);
}
inline Extended RoundToInteger(Extended x) {
    return __builtin_rintl(x);
}
inline std::uint64_t WholeNumber(Extended x) {
    return static_cast<std::uint64_t>(x);
}
inline Extended Magnitude(Extended x) {
    return __builtin_fabsl(x);
}
inline bool IsInfinite(Extended x) {
    // Compared with an infinity that the unit loads as a 4-byte constant.
    return __builtin_fabsl(x) == __builtin_huge_valf();
}

// The working control word: 64-bit precision, round to nearest even, all six exceptions
// masked.
inline constexpr std::uint16_t kWorkingControlWord = 0x037F;

// The unit's control word, read and loaded with its own two instructions (no C library header,
// so every x86 compiler and C library builds this, MinGW-w64 included).
inline std::uint16_t ControlWord() {
    std::uint16_t word = 0;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}
// The status word: its six low bits are the exception flags raised since they were last cleared.
inline std::uint16_t StatusWord() {
    std::uint16_t word = 0;
    asm volatile("fnstsw %0" : "=m"(word));
    return word;
}
inline void SetControlWord(std::uint16_t word) {
    asm volatile("fldcw %0" : : "m"(word) : "memory");
}

// Resets the unit (empties its register stack, clears every condition flag) and loads the
// working control word. A process may start with another precision (53 bits on 64-bit
// Windows) or rounding: every digit depends on this word.
void SetArithmeticEnvironment();

} // namespace x87
