// Convert on any page, rows and text: it returns a text, or raises a failure, or rejects rows
// outside the page's table; nothing else.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "convert/conversion.h"
#include "convert/number_text.h"
#include "notices/failure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = (SetArithmeticEnvironment(), true);
    (void)ready;
    if (size < 3) return 0;
    const auto page = static_cast<Page>(data[0] % 6);
    const int from = static_cast<int>(data[1] % 14) - 1;
    const int to = static_cast<int>(data[2] % 14) - 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);
    ConversionState state;
    try {
        const auto shown = Convert(page, from, to, text, state);
        if (shown && shown->empty()) std::abort();
        if (!shown && !text.empty()) std::abort();
    } catch (const Failure&) {
    } catch (const std::out_of_range&) {
    }
    return 0;
}
