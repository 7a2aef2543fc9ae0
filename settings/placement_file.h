// The window placement file: the file that remembers the main window's outer rectangle. Where
// it lies is settings_location's decision; reading and writing here take the path they are
// given. Plain C++: no toolkit here, so it is tested on its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// A stored value equal to this leaves the bound as designed; a missing key or a value that
// does not convert reads as it too.
inline constexpr int NotChanged = -1;

// The integer grammar of the file's values; std::nullopt when the text does not convert.
std::optional<int> ParseProfileInteger(std::string_view text);

// Reads one key of section "form" as an integer; NotChanged when missing or not convertible.
int ReadPlacementValue(const std::string& fileName, std::string_view key);

struct WindowBounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// What the file holds; each member is NotChanged where the bound stays as designed.
struct StoredBounds {
    int left = NotChanged;
    int top = NotChanged;
    int width = NotChanged;
    int height = NotChanged;
};

StoredBounds ReadPlacement(const std::string& fileName);

// Writes left, top, width and height, in that order, one write each. An advisory lock on the
// file's folder keeps the four writes of two copies closing together from interleaving; it is
// best effort and never waits more than a few seconds. Throws the settings-write Failure
// (failure/failure.h) naming fileName when a write fails; the keys written before the failing one
// stay written.
void WritePlacement(const std::string& fileName, const WindowBounds& bounds);
