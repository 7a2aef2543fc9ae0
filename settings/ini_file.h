// A small INI (private profile) file layer: read the values of some keys of one section in one
// pass, and set them in one replacement of the file.
//
// The text format: lines end in "\n" or "\r\n". A line "[name]" (blanks allowed around it and
// around the name; text after "]" is ignored) starts a section. A line "key=value" inside a
// section sets a key; blanks (space, tab, carriage return) around key and value are not part of
// them. A line starting with ";" is a comment. Section and key names match without regard to
// ASCII case; when a section or a key occurs twice, the first one counts. A UTF-8 byte order mark
// at the start of the file is skipped. A line longer than kMaxIniLineLength bytes is never read
// as a section or a key, so reading stays within a fixed amount of memory whatever the file holds.
//
// A write changes its own keys' lines and nothing else: every other byte of the file stays as it
// was. The file is replaced atomically (temporary file in the same folder, flushed, renamed over
// the old one), so an interrupted write leaves either the whole old or the whole new file, and
// two writers each leave a whole file of their own. Only where the folder refuses a new file for
// want of permission, and the file itself may be written, is it written in place. A symbolic
// link stays a link: the file at the end of its chain is written (made, when it is missing and
// its folder exists).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr std::size_t kMaxIniLineLength = 64 * 1024;

// Finds the values of some keys of one section, blanks around them removed, in INI text that
// arrives in pieces of any size: the whole file at once, or the blocks of a read. Lines are
// assembled across pieces; a line longer than kMaxIniLineLength is skipped without being kept.
// This is the one reader of the format: ReadIniStrings feeds it a file.
class IniValueReader {
public:
    IniValueReader(std::string_view section, std::string_view key);
    IniValueReader(std::string_view section, std::span<const std::string_view> keys);

    // Takes the next piece of the text. True once the answer is known: the rest of the text
    // cannot change it and need not be fed.
    bool Feed(std::string_view piece);

    // The first key's value after the last piece ("" when the section or the key is missing).
    // A last line without a line break counts like any other.
    std::string Finish();
    // Every key's value, in the order of the keys.
    std::vector<std::string> FinishAll();

private:
    void TakeLine(std::string_view raw);

    std::string section_;
    std::vector<std::string> keys_;
    std::vector<std::optional<std::string>> values_;
    std::size_t found_ = 0;
    std::string line_;     // the current line so far, unless it has grown too long
    bool tooLong_ = false; // the current line is longer than kMaxIniLineLength
    bool firstLine_ = true;
    bool inSection_ = false;
    bool done_ = false;
};

// The values of keys in section of the file, read in one pass through IniValueReader; each ""
// when the file, the section or the key is missing, and all "" when the path names something
// other than a regular file (a folder, a FIFO, a device) or when reading the file fails (never
// a value cut short). Never blocks and never fails.
std::vector<std::string> ReadIniStrings(const std::string& fileName, std::string_view section,
                                        std::span<const std::string_view> keys);
std::string ReadIniString(const std::string& fileName, std::string_view section,
                          std::string_view key);

using IniEntry = std::pair<std::string_view, std::string_view>; // key, value

// Sets each key in section to its value, in one replacement of the file, creating the file, the
// section (at the end of the file) and the keys (after the last entry of their section, in the
// order given) when missing. False when the file cannot be written: a read-only file, a new file
// in a read-only or missing folder, a path that is not a regular file, a folder without room or
// beyond a quota or size limit, or a section, key or value that the format cannot hold (see
// WithIniValue). A failed write leaves the file exactly as it was and no temporary file behind.
bool WriteIniStrings(const std::string& fileName, std::string_view section,
                     std::span<const IniEntry> entries);
bool WriteIniString(const std::string& fileName, std::string_view section, std::string_view key,
                    std::string_view value);

// Removes the temporary files that writes to fileName left behind when their process was killed
// (a write's own temporary file is removed whenever the write itself ends). A temporary file is
// removed only when the process that made it is gone. Best effort: nothing is reported.
void RemoveLeftoverTemporaryFiles(const std::string& fileName);

// The file that a write to fileName changes: fileName itself, or, when it is a symbolic link,
// the file at the end of its chain of links (which may not exist yet). std::nullopt for a chain
// that loops, runs longer than 40 links or cannot be read.
std::optional<std::string> WriteTarget(const std::string& fileName);

// The folder that holds fileName: the text before its last "/", "/" for a file in the root
// folder, "." for a bare file name.
std::string ContainingFolder(const std::string& fileName);

// The text-only half of WriteIniStrings, on a file's whole content: the content with key set to
// value; std::nullopt when the entry cannot be stored: an empty section or key, a section holding
// "]", a key holding "=" or starting with "[" or ";", blanks around a name, or a line break or NUL
// byte in any of the three.
std::optional<std::string> WithIniValue(std::string_view content, std::string_view section,
                                        std::string_view key, std::string_view value);
// The same for several entries, set one after the other.
std::optional<std::string> WithIniValues(std::string_view content, std::string_view section,
                                         std::span<const IniEntry> entries);
