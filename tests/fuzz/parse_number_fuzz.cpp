// ParseNumber on any bytes: it returns a finite value or raises the invalid-number failure
// quoting the text, and a value it returns survives a format and a second parse.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "convert/number_text.h"
#include "failure/failure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = (SetArithmeticEnvironment(), true);
    (void)ready;
    SetDecimalMark(size > 0 && (data[0] & 1) ? ',' : '.');
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Extended value;
    try {
        value = ParseNumber(text);
    } catch (const Failure& failure) {
        if (failure.Kind() != FailureKind::InvalidNumber) std::abort();
        if (failure.Message().find(text) == std::string::npos) std::abort();
        return 0;
    }
    if (!std::isfinite(value)) std::abort();
    // The shown text of a parsed value is itself a number, within 15 digits of the value.
    const std::string shown = FormatNumber(value);
    const Extended again = ParseNumber(shown);
    if (value != 0 && std::fabs(value) >= 1e-4900L &&
        std::fabs(again - value) > std::fabs(value) * 1e-14L) {
        std::abort();
    }
    return 0;
}
