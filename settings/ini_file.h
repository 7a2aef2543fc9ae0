// A small INI (private profile) file layer: read one key's value, write one key's value.
//
// The text format: lines end in "\n" or "\r\n". A line "[name]" (blanks allowed around it and
// around the name; text after "]" is ignored) starts a section. A line "key=value" inside a
// section sets a key; blanks (space, tab, carriage return) around key and value are not part of
// them. A line starting with ";" is a comment. Section and key names match without regard to
// ASCII case; when a section or a key occurs twice, the first one counts. A UTF-8 byte order mark
// at the start of the file is skipped. A line longer than kMaxIniLineLength bytes is never read
// as a section or a key, so reading stays within a fixed amount of memory whatever the file holds.
//
// A write changes its own key's line and nothing else: every other byte of the file stays as it
// was. The file is replaced atomically (temporary file in the same folder, flushed, renamed over
// the old one), so an interrupted write leaves either the old or the new file. Only where the
// folder takes no new file but the file itself may be written is it written in place.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxIniLineLength = 64 * 1024;

// Finds the value of key in section, blanks around it removed, in INI text that arrives in
// pieces of any size: the whole file at once, or the blocks of a read. Lines are assembled
// across pieces; a line longer than kMaxIniLineLength is skipped without being kept. This is the
// one reader of the format: ReadIniString feeds it a file.
class IniValueReader {
public:
    IniValueReader(std::string_view section, std::string_view key);

    // Takes the next piece of the text. True once the answer is known: the rest of the text
    // cannot change it and need not be fed.
    bool Feed(std::string_view piece);

    // The value after the last piece ("" when the section or the key is missing). A last line
    // without a line break counts like any other.
    std::string Finish();

private:
    void TakeLine(std::string_view raw);

    std::string section_;
    std::string key_;
    std::string line_;     // the current line so far, unless it has grown too long
    bool tooLong_ = false; // the current line is longer than kMaxIniLineLength
    bool firstLine_ = true;
    bool inSection_ = false;
    bool done_ = false;
    std::string value_;
};

// The value of key in section of the file, read through IniValueReader; "" when the file, the
// section or the key is missing, when the path names something other than a regular file (a
// folder, a FIFO, a device), or when reading the file fails (never a value cut short). Never
// blocks and never fails.
std::string ReadIniString(const std::string& fileName, std::string_view section,
                          std::string_view key);

// Sets key in section to value, creating the file, the section (at the end of the file) and the
// key (after the last entry of its section) when missing. False when the file cannot be
// written: a read-only file, a new file in a read-only or missing folder, a path that is not a
// regular file, or a
// section, key or value that the format cannot hold (see WithIniValue). A failed write leaves
// the file as it was and no temporary file behind.
bool WriteIniString(const std::string& fileName, std::string_view section, std::string_view key,
                    std::string_view value);

// The folder that holds fileName: the text before its last "/", "/" for a file in the root
// folder, "." for a bare file name.
std::string ContainingFolder(const std::string& fileName);

// The text-only half of WriteIniString, on a file's whole content: the content with key set to
// value; std::nullopt when the entry cannot be stored: an empty section or key, a section holding
// "]", a key holding "=" or starting with "[" or ";", blanks around a name, or a line break or NUL
// byte in any of the three.
std::optional<std::string> WithIniValue(std::string_view content, std::string_view section,
                                        std::string_view key, std::string_view value);
