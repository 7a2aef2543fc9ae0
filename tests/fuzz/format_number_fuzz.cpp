// FormatNumber on any 80-bit pattern, including patterns that arithmetic never produces:
// every pattern returns a short text, and the text of a normal value parses back close to it.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "convert/number_text.h"
#include "failure/failure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = (SetArithmeticEnvironment(), true);
    (void)ready;
    if (size < 10) return 0;
    unsigned char bytes[sizeof(Extended)] = {};
    std::memcpy(bytes, data, 10);
    Extended value;
    std::memcpy(&value, bytes, sizeof value);
    SetDecimalMark('.');
    const std::string shown = FormatNumber(value);
    if (shown.empty() || shown.size() > 24) std::abort();
    const bool normal = std::isnormal(value) && (bytes[7] & 0x80) != 0;
    if (normal && std::fabs(value) >= 1e-4900L) {
        const Extended again = ParseNumber(shown);
        if (std::fabs(again - value) > std::fabs(value) * 1e-14L) std::abort();
    }
    return 0;
}
