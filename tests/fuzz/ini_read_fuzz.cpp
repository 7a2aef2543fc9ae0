// The INI reader and the in-memory write on any file content: the reader finds the same value
// whether the content arrives whole or split anywhere, and a write of one key reads back as
// written and leaves the other keys of the section as they read before.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/ini_file.h"

namespace {

std::string Find(std::string_view content, std::string_view section, std::string_view key) {
    IniValueReader reader(section, key);
    reader.Feed(content);
    return reader.Finish();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte says where the reader's input is split in two.
    const std::string_view content(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string leftBefore = Find(content, "form", "left");
    const std::string otherBefore = Find(content, "other", "width");
    (void)Find(content, "FORM", "Width");

    IniValueReader split("form", "left");
    const std::size_t at = content.empty() ? 0 : data[0] % content.size();
    if (!split.Feed(content.substr(0, at))) split.Feed(content.substr(at));
    if (split.Finish() != leftBefore) std::abort();

    const auto written = WithIniValue(content, "form", "width", "800");
    if (!written) std::abort(); // a well-formed entry can always be stored
    if (Find(*written, "form", "width") != "800") std::abort();
    if (Find(*written, "form", "left") != leftBefore) std::abort();
    if (Find(*written, "other", "width") != otherBefore) std::abort();
    return 0;
}
