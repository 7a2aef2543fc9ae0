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

// Reads the four keys in one pass over the file. First removes the temporary files that a copy
// killed while it wrote the file left behind.
StoredBounds ReadPlacement(const std::string& fileName);

// Writes left, top, width and height (new keys in that order) in one replacement of the file, so
// that the file always holds one whole record: the old one or this one, whatever stops the write
// and however many copies write at once. Throws the settings-write Failure (failure/failure.h)
// naming fileName when the write fails; the file is then as it was.
void WritePlacement(const std::string& fileName, const WindowBounds& bounds);
