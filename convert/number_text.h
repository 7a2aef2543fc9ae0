// Number text: the arithmetic environment, text to extended number (ParseNumber) and extended
// number to result text (FormatNumber), with one decimal mark for both. Every rounding step
// here is part of what the user sees, digit for digit.
#pragma once

#include <string>
#include <string_view>

// Extended and its operations; SetArithmeticEnvironment puts the arithmetic into its working
// state (64-bit precision, round to nearest even, every exception masked: failures are found by
// looking at values).
#include "convert/extended.h"

inline namespace RUNAMIKA_CORE_NAMESPACE {

// Text as typed -> extended number. Throws the invalid-number Failure (failure/failure.h)
// whose message quotes the text exactly as given.
Extended ParseNumber(std::string_view text);

// Extended number -> result text: general format, at most 15 significant digits.
std::string FormatNumber(Extended value);

// x times 10^n through the small, middle and large power-of-ten tables, one rounded operation
// per table.
Extended ScaleByPowerOfTen(Extended x, int n);

// The one decimal separator (one byte) that ParseNumber and FormatNumber use.
char DecimalMark();
void SetDecimalMark(char mark);

// The decimal mark a locale's decimal point text gives: its single byte when it is exactly one
// ASCII character, "." otherwise.
char DecimalMarkFromLocaleText(std::string_view decimalPoint);

} // namespace RUNAMIKA_CORE_NAMESPACE
