// The extended arithmetic of the conversion core: one type and one set of operations, computed
// by the x87 unit where the compiler offers it and in software everywhere else (or wherever the
// build asks for it with RUNAMIKA_SOFTWARE_EXTENDED). Both give the same bits for every
// operation, so every result text is the same on every processor.
//
//   Extended                        the 80-bit extended number (+ - * /, unary -, comparisons)
//   ExtendedConstant(m, e)          exactly m × 2^e
//   ExtendedFromFraction(p, q)      the extended number nearest to p / q
//   ExtendedFromDecimal("39.37")    the extended number nearest to a decimal text
//   ExtendedFromInt, ExtendedFromDouble, RoundToDouble, RoundToInteger, WholeNumber,
//   Magnitude, IsInfinite, BitsOf, ExtendedFromBits, SetArithmeticEnvironment
#pragma once

#include <string_view>

#include "convert/extended_bits.h"

#ifndef RUNAMIKA_SOFTWARE_EXTENDED
#define RUNAMIKA_SOFTWARE_EXTENDED 0
#endif

#if RUNAMIKA_SOFTWARE_EXTENDED
#include "convert/soft_extended.h"
namespace extended_unit = soft;
#else
#include "convert/x87_extended.h"
namespace extended_unit = x87;
#endif

using Extended = extended_unit::Extended;
using extended_unit::BitsOf;
using extended_unit::ExtendedConstant;
using extended_unit::ExtendedFromBits;
using extended_unit::ExtendedFromDouble;
using extended_unit::ExtendedFromInt;
using extended_unit::IsInfinite;
using extended_unit::Magnitude;
using extended_unit::RoundToDouble;
using extended_unit::RoundToInteger;
using extended_unit::SetArithmeticEnvironment;
using extended_unit::WholeNumber;

// The nearest extended numbers to a fraction and to a decimal text, found with exact integer
// arithmetic at compile time, so that both units start from the same constants.
constexpr Extended ExtendedFromFraction(ExtendedWide numerator, ExtendedWide denominator) {
    const ExactSignificand s = NearestToFraction(numerator, denominator);
    return ExtendedConstant(s.significand, s.exponent);
}

constexpr Extended ExtendedFromDecimal(std::string_view text) {
    const ExactSignificand s = NearestToDecimal(text);
    return ExtendedConstant(s.significand, s.exponent);
}

// True when the x87 unit computes Extended.
inline constexpr bool kHardwareExtended = !RUNAMIKA_SOFTWARE_EXTENDED;
