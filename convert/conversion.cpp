#include "convert/conversion.h"

#include <cmath>

#include "convert/number_text.h"
#include "convert/units.h"
#include "failure/failure.h"
#include "failure/impossible.h"

inline namespace RUNAMIKA_CORE_NAMESPACE {

namespace {

// Stores an extended value into a double, rounding to nearest. A finite value that becomes
// infinite is the floating-point overflow failure, and the destination keeps its old value.
void StoreDouble(Extended value, double& destination) {
    const double rounded = RoundToDouble(value);
    if (std::isinf(rounded) && !IsInfinite(value)) throw FloatingPointOverflowFailure();
    destination = rounded;
}

const UnitRow& RowOf(std::span<const UnitRow> table, int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= table.size()) {
        ImpossibleState("unit row outside the page's table");
    }
    return table[static_cast<std::size_t>(row)];
}

// The row's to-base rule: one operation with the row's factor (two for Fahrenheit), in extended
// arithmetic.
Extended ToBaseUnit(const UnitRow& row, Extended value) {
    switch (row.rule) {
    case ToBase::Same:
        return value;
    case ToBase::Multiply:
        return value * row.factor;
    case ToBase::Divide:
        return value / row.factor;
    case ToBase::Fahrenheit:
        return (value - kFahrenheitOffset) * kFahrenheitToCelsius;
    }
    ImpossibleState("unknown unit rule");
}

// The row's from-base rule, the inverse of ToBaseUnit with the same factor.
Extended FromBaseUnit(const UnitRow& row, Extended base) {
    switch (row.rule) {
    case ToBase::Same:
        return base;
    case ToBase::Multiply:
        return base / row.factor;
    case ToBase::Divide:
        return base * row.factor;
    case ToBase::Fahrenheit: {
        const Extended scaled = base * row.factor;
        return scaled + kFahrenheitOffset;
    }
    }
    ImpossibleState("unknown unit rule");
}

} // namespace

std::optional<std::string> Convert(Page page, int fromRow, int toRow, std::string_view text,
                                   ConversionState& state) {
    const std::span<const UnitRow> table = UnitTable(page);
    const UnitRow& from = RowOf(table, fromRow);
    const UnitRow& to = RowOf(table, toRow);
    if (text.empty()) return std::nullopt;

    StoreDouble(ParseNumber(text), state.InputValue);
    if (page == Page::Temperature) {
        // No zero shortcut here; Fahrenheit to Fahrenheit shows the input itself and never
        // passes through Celsius.
        if (from.rule == ToBase::Fahrenheit && to.rule == ToBase::Fahrenheit) {
            return FormatNumber(ExtendedFromDouble(state.InputValue));
        }
    } else if (state.InputValue == 0) {
        return "0";
    }
    StoreDouble(ToBaseUnit(from, ExtendedFromDouble(state.InputValue)), state.BaseValue);
    return FormatNumber(FromBaseUnit(to, ExtendedFromDouble(state.BaseValue)));
}

} // namespace RUNAMIKA_CORE_NAMESPACE
