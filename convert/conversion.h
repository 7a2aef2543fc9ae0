// The five pages' conversions as pure functions of (page, from row, to row, text, state).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "convert/extended.h"
#include "convert/page.h"

// The two program-wide numbers: the last parsed input, and that input in the page's base unit.
struct ConversionState {
    double InputValue = 0;
    double BaseValue = 0;
};

inline namespace RUNAMIKA_CORE_NAMESPACE {

// Converts `text` from unit row `fromRow` to unit row `toRow` of `page`. A row outside the
// page's table is an impossible state (failure/impossible.h): the program stops.
// Returns std::nullopt for the empty text (nothing changes), the result text otherwise.
// Throws Failure (failure/failure.h): the invalid-number failure for text that does not parse,
// the floating-point overflow failure when the input or the base value does not fit a double.
// On a failure, `state` keeps exactly what was stored before the failing step.
std::optional<std::string> Convert(Page page, int fromRow, int toRow, std::string_view text,
                                   ConversionState& state);

} // namespace RUNAMIKA_CORE_NAMESPACE
