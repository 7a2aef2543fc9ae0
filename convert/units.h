// The unit tables of the five pages: one source for the core's factors and the window's radio
// items and unit labels.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "convert/conversion.h"
#include "convert/number_text.h"

// How a row's factor turns a value of this unit into the page's base unit; the way back uses
// the same factor the other way round.
enum class ToBase {
    Same,       // the base unit itself: copied unchanged both ways
    Multiply,   // base = value × factor, value = base ÷ factor
    Divide,     // base = value ÷ factor, value = base × factor
    Fahrenheit, // base = (value − 32) × 5/9, value = base × 1.8 + 32
};

struct UnitRow {
    std::string_view caption; // the radio item's text (UTF-8)
    std::string_view label;   // the short label beside the input or the result (UTF-8)
    ToBase rule;
    Extended factor;
};

inline constexpr int kPageCount = 5;

// The rows of a page, row 0 being the base unit.
std::span<const UnitRow> UnitTable(Page page);

// The caption of a page's tab.
std::string_view PageCaption(Page page);
