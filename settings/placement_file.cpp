#include "settings/placement_file.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <limits>
#include <string>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "failure/failure.h"
#include "settings/descriptor.h"
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

// An advisory lock on the folder that holds the placement file, held while one copy of the
// program writes its four values. Two copies closing together then write one after the other
// instead of interleaving their keys, and the file holds the values of the copy that wrote last.
// Readers never take it. The lock is best effort and bounded in time: when the folder cannot be
// opened or locked, or another copy still holds the lock after a few seconds, the write goes
// ahead without it rather than wait.
class FolderLock {
public:
    explicit FolderLock(const std::string& fileName)
        : folder_(open(ContainingFolder(fileName).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (!folder_.IsOpen()) return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (flock(folder_.Get(), LOCK_EX | LOCK_NB) != 0) {
            const bool busy = errno == EWOULDBLOCK || errno == EINTR;
            if (!busy || std::chrono::steady_clock::now() >= deadline) {
                folder_.Close();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    Descriptor folder_; // closing it releases the lock
};

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

int ReadPlacementValue(const std::string& fileName, std::string_view key) {
    return ParseProfileInteger(ReadIniString(fileName, kSection, key)).value_or(NotChanged);
}

StoredBounds ReadPlacement(const std::string& fileName) {
    StoredBounds stored;
    stored.left = ReadPlacementValue(fileName, "left");
    stored.top = ReadPlacementValue(fileName, "top");
    stored.width = ReadPlacementValue(fileName, "width");
    stored.height = ReadPlacementValue(fileName, "height");
    return stored;
}

void WritePlacement(const std::string& fileName, const WindowBounds& bounds) {
    const std::pair<std::string_view, int> entries[] = {
        {"left", bounds.left},
        {"top", bounds.top},
        {"width", bounds.width},
        {"height", bounds.height},
    };
    const FolderLock lock(fileName);
    for (const auto& [key, value] : entries) {
        if (!WriteIniString(fileName, kSection, key, std::to_string(value))) {
            throw SettingsWriteFailure(fileName);
        }
    }
}
