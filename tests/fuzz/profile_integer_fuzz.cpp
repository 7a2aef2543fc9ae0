// The placement file's integer grammar on any bytes: it returns or declines, and a decimal
// value it returns prints back to the digits it read.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/placement_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto value = ParseProfileInteger(text);
    if (!value) return 0;
    // Whatever converted, its "%d" form converts back to the same value.
    const auto again = ParseProfileInteger(std::to_string(*value));
    if (!again || *again != *value) std::abort();
    return 0;
}
