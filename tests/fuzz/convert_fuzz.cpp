// Convert on any page, rows of its table and text: it returns a text or raises a failure;
// nothing else.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "convert/conversion.h"
#include "convert/number_text.h"
#include "convert/units.h"
#include "failure/failure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = (SetArithmeticEnvironment(), true);
    (void)ready;
    if (size < 3) return 0;
    const auto page = static_cast<Page>(data[0] % kPageCount);
    const auto rows = static_cast<int>(UnitTable(page).size());
    const int from = data[1] % rows;
    const int to = data[2] % rows;
    const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);
    ConversionState state;
    try {
        const auto shown = Convert(page, from, to, text, state);
        if (shown && shown->empty()) std::abort();
        if (!shown && !text.empty()) std::abort();
    } catch (const Failure&) {
    }
    return 0;
}
