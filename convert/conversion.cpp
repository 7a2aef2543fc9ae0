#include "convert/conversion.h"

#include <cmath>
#include <stdexcept>

#include "convert/number_text.h"
#include "convert/units.h"
#include "notices/failure.h"

namespace {

// 5/9 and 1.8 as extended constants, as the temperature formulas use them.
constexpr Extended kFiveNinths = 0.55555555555555555556L;
constexpr Extended kNineFifths = 1.8L;
constexpr Extended kFreezingFahrenheit = 32.0L;

// Stores an extended value into a double, rounding to nearest. A finite value that becomes
// infinite is the floating-point overflow failure, and the destination keeps its old value.
void StoreDouble(Extended value, double& destination) {
    const double rounded = static_cast<double>(value);
    if (std::isinf(rounded) && !std::isinf(value)) throw FloatingPointOverflowFailure();
    destination = rounded;
}

const UnitRow& RowOf(std::span<const UnitRow> table, int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= table.size()) {
        throw std::out_of_range("unit row out of range");
    }
    return table[static_cast<std::size_t>(row)];
}

std::string ConvertLinear(const UnitRow& from, const UnitRow& to, Extended parsed,
                          ConversionState& state) {
    StoreDouble(parsed, state.InputValue);
    if (state.InputValue == 0) return "0";

    const Extended input = state.InputValue;
    switch (from.rule) {
    case ToBase::Multiply:
        StoreDouble(input * from.factor, state.BaseValue);
        break;
    case ToBase::Divide:
        StoreDouble(input / from.factor, state.BaseValue);
        break;
    default:
        state.BaseValue = state.InputValue;
        break;
    }

    const Extended base = state.BaseValue;
    Extended result = base;
    switch (to.rule) {
    case ToBase::Multiply:
        result = base / to.factor;
        break;
    case ToBase::Divide:
        result = base * to.factor;
        break;
    default:
        break;
    }
    return FormatNumber(result);
}

std::string ConvertTemperature(int fromRow, int toRow, Extended parsed, ConversionState& state) {
    StoreDouble(parsed, state.InputValue);
    // Fahrenheit to Fahrenheit shows the input itself; it never passes through Celsius.
    if (fromRow == 1 && toRow == 1) return FormatNumber(state.InputValue);

    if (fromRow == 1) {
        const Extended difference = static_cast<Extended>(state.InputValue) - kFreezingFahrenheit;
        StoreDouble(difference * kFiveNinths, state.BaseValue);
    } else {
        state.BaseValue = state.InputValue;
    }

    Extended result = state.BaseValue;
    if (toRow == 1) {
        result = result * kNineFifths;
        result = result + kFreezingFahrenheit;
    }
    return FormatNumber(result);
}

} // namespace

std::optional<std::string> Convert(Page page, int fromRow, int toRow, std::string_view text,
                                   ConversionState& state) {
    const std::span<const UnitRow> table = UnitTable(page);
    const UnitRow& from = RowOf(table, fromRow);
    const UnitRow& to = RowOf(table, toRow);
    if (text.empty()) return std::nullopt;

    const Extended parsed = ParseNumber(text);
    if (page == Page::Temperature) return ConvertTemperature(fromRow, toRow, parsed, state);
    return ConvertLinear(from, to, parsed, state);
}
