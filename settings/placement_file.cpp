#include "settings/placement_file.h"

#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "failure/failure.h"
#include "settings/ini_file.h"

static_assert(std::numeric_limits<int>::digits == 31, "the stored values are 32-bit integers");

namespace {

constexpr std::string_view kSection = "form";

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// At most 32 significant bits; leading zeros do not count. From 80000000 upward the value is a
// negative number in two's complement.
std::optional<int> ParseHexDigits(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint32_t value = 0;
    int significant = 0;
    for (const char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        if (value == 0 && digit == 0) continue;
        if (++significant > 8) return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return static_cast<int>(static_cast<std::int32_t>(value));
}

std::optional<int> ParseDecimalDigits(std::string_view digits, bool negative) {
    if (digits.empty()) return std::nullopt;
    const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
    std::int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit) return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

} // namespace

std::optional<int> ParseProfileInteger(std::string_view text) {
    // A text that starts with "0x" needs no rewriting to "$" first: "0x" is itself one of the
    // hexadecimal prefixes below.
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    const char first = text.front();
    if (first == '$' || first == 'x' || first == 'X') return ParseHexDigits(text.substr(1));
    if (first == '0' && text.size() > 1 && (text[1] == 'x' || text[1] == 'X')) {
        return ParseHexDigits(text.substr(2));
    }
    if (first == '+' || first == '-') return ParseDecimalDigits(text.substr(1), first == '-');
    return ParseDecimalDigits(text, false);
}

StoredBounds ReadPlacement(const std::string& fileName) {
    // A start is where the temporary files of a copy that was killed while closing go.
    RemoveLeftoverTemporaryFiles(fileName);
    const std::string_view keys[] = {"left", "top", "width", "height"};
    const std::vector<std::string> texts = ReadIniStrings(fileName, kSection, keys);
    const auto value = [&](std::size_t i) {
        return ParseProfileInteger(texts[i]).value_or(NotChanged);
    };
    return {value(0), value(1), value(2), value(3)};
}

void WritePlacement(const std::string& fileName, const WindowBounds& bounds) {
    const std::array<std::string, 4> texts = {
        std::to_string(bounds.left), std::to_string(bounds.top), std::to_string(bounds.width),
        std::to_string(bounds.height)};
    const IniEntry entries[] = {
        {"left", texts[0]}, {"top", texts[1]}, {"width", texts[2]}, {"height", texts[3]}};
    if (!WriteIniStrings(fileName, kSection, entries)) throw SettingsWriteFailure(fileName);
}
