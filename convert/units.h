// The unit tables of the five pages: one source for the core's factors and the window's radio
// items and unit labels.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "convert/number_text.h"
#include "convert/page.h"

inline namespace RUNAMIKA_CORE_NAMESPACE {

// How a row's factor turns a value of this unit into the page's base unit; the way back uses
// the same factor the other way round.
enum class ToBase {
    Same,       // the base unit itself: copied unchanged both ways
    Multiply,   // base = value × factor, value = base ÷ factor
    Divide,     // base = value ÷ factor, value = base × factor
    Fahrenheit, // base = (value − kFahrenheitOffset) × kFahrenheitToCelsius,
                // value = base × factor + kFahrenheitOffset
};

// The two constants of the Fahrenheit rule besides the row's factor (1.8): the freezing point
// of water in degrees Fahrenheit, and the extended value nearest to 5/9 (not 1 ÷ 1.8).
inline constexpr Extended kFahrenheitOffset = ExtendedFromInt(32);
inline constexpr Extended kFahrenheitToCelsius = ExtendedFromDecimal("0.55555555555555555556");

struct UnitRow {
    std::string_view caption; // the radio item's text (UTF-8)
    std::string_view label;   // the short label beside the input or the result (UTF-8)
    ToBase rule;
    Extended factor;
};

// The rows of a page, row 0 being the base unit.
std::span<const UnitRow> UnitTable(Page page);

// The caption of a page's tab.
std::string_view PageCaption(Page page);

} // namespace RUNAMIKA_CORE_NAMESPACE
