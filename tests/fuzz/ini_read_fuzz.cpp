// The INI reader and the in-memory write on any file content: a write of one key reads back
// as written and leaves the other keys of the section as they read before.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const std::string leftBefore = FindIniValue(content, "form", "left");
    const std::string otherBefore = FindIniValue(content, "other", "width");
    (void)FindIniValue(content, "FORM", "Width");

    const auto written = WithIniValue(content, "form", "width", "800");
    if (!written) std::abort(); // a well-formed entry can always be stored
    if (FindIniValue(*written, "form", "width") != "800") std::abort();
    if (FindIniValue(*written, "form", "left") != leftBefore) std::abort();
    if (FindIniValue(*written, "other", "width") != otherBefore) std::abort();
    return 0;
}
