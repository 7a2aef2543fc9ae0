// The extended arithmetic of the conversion core: one type and one set of operations, computed
// by the x87 unit where the compiler's long double is its 80-bit format and in software
// everywhere else (or wherever the build asks for it with RUNAMIKA_SOFTWARE_EXTENDED=1). Both
// give the same bits for every operation, so every result text is the same on every processor.
//
//   Extended                        the 80-bit extended number (+ - * /, unary -, comparisons)
//   ExtendedConstant(m, e)          exactly m × 2^e
//   ExtendedFromFraction(p, q)      the extended number nearest to p / q
//   ExtendedFromDecimal("39.37")    the extended number nearest to a decimal text
//   ExtendedFromInt, ExtendedFromUnsigned, ExtendedFromDouble, RoundToDouble, RoundToInteger,
//   WholeNumber, Magnitude, IsInfinite, BitsOf, ExtendedFromBits, SetArithmeticEnvironment
//
// The choice is made here, from what the compiler says about long double, so any program that
// includes these headers sees the unit its core was built with. The core's own functions and
// types live in an inline namespace named after the unit (RUNAMIKA_CORE_NAMESPACE): a program
// whose headers chose the other unit than its core library fails to link instead of mixing
// them, and both cores can be linked into one program side by side.
#pragma once

#include <string_view>

#include "convert/extended_bits.h"

#if (defined(__i386__) || defined(__x86_64__)) && __LDBL_MANT_DIG__ == 64
#define RUNAMIKA_X87_AVAILABLE 1
#else
#define RUNAMIKA_X87_AVAILABLE 0
#endif

#ifndef RUNAMIKA_SOFTWARE_EXTENDED
#define RUNAMIKA_SOFTWARE_EXTENDED !RUNAMIKA_X87_AVAILABLE
#endif

#if RUNAMIKA_SOFTWARE_EXTENDED
#include "convert/soft_extended.h"
namespace extended_unit = soft;
#define RUNAMIKA_CORE_NAMESPACE core_soft
#else
#include "convert/x87_extended.h"
namespace extended_unit = x87;
#define RUNAMIKA_CORE_NAMESPACE core_x87
#endif

using Extended = extended_unit::Extended;
using extended_unit::BitsOf;
using extended_unit::ExtendedConstant;
using extended_unit::ExtendedFromBits;
using extended_unit::ExtendedFromDouble;
using extended_unit::ExtendedFromInt;
using extended_unit::ExtendedFromUnsigned;
using extended_unit::IsInfinite;
using extended_unit::Magnitude;
using extended_unit::RoundToDouble;
using extended_unit::RoundToInteger;
using extended_unit::SetArithmeticEnvironment;
using extended_unit::WholeNumber;

inline namespace RUNAMIKA_CORE_NAMESPACE {

// The nearest extended numbers to a fraction and to a decimal text, found with exact integer
// arithmetic at compile time, so that both units start from the same constants.
constexpr Extended ExtendedFromFraction(Wide128 numerator, Wide128 denominator) {
    const ExactSignificand s = NearestToFraction(numerator, denominator);
    return ExtendedConstant(s.significand, s.exponent);
}

constexpr Extended ExtendedFromDecimal(std::string_view text) {
    const ExactSignificand s = NearestToDecimal(text);
    return ExtendedConstant(s.significand, s.exponent);
}

// True when the x87 unit computes Extended.
inline constexpr bool kHardwareExtended = !RUNAMIKA_SOFTWARE_EXTENDED;

} // namespace RUNAMIKA_CORE_NAMESPACE
