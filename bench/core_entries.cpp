#include "bench/core_entries.h"

#include <benchmark/benchmark.h>

#include "convert/conversion.h"
#include "convert/number_text.h"
#include "failure/failure.h"

namespace {

// The value is kept as the C library's strtold result is kept by its benchmark: in a register
// the optimiser must assume is read, without a copy through memory.
bool Parse(std::string_view text) {
    try {
        benchmark::DoNotOptimize(ParseNumber(text));
        return true;
    } catch (const Failure&) {
        return false;
    }
}

std::string Format(ExtendedBits value) {
    return FormatNumber(ExtendedFromBits(value));
}

std::optional<std::string> ConvertText(int page, int fromRow, int toRow, std::string_view text,
                                       double* state) {
    ConversionState s{state[0], state[1]};
    auto shown = Convert(static_cast<Page>(page), fromRow, toRow, text, s);
    state[0] = s.InputValue;
    state[1] = s.BaseValue;
    return shown;
}

const CoreEntries kEntries{kHardwareExtended ? "x87" : "software", SetArithmeticEnvironment, Parse,
                           Format, ConvertText};

} // namespace

#if RUNAMIKA_SOFTWARE_EXTENDED
const CoreEntries& SoftwareCoreEntries() {
    return kEntries;
}
#else
const CoreEntries& X87CoreEntries() {
    return kEntries;
}
#endif
