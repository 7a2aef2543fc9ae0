#include "settings/ini_file.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "settings/descriptor.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Lines

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct Line {
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed
    std::size_t valueAt = 0; // where the value starts (after "=" and the blanks that follow it)
    std::size_t bodyEnd = 0; // the line's length without a final carriage return
};

// Classifies one line, given without its "\n". The reader and the writer both go through here,
// so they always agree on what a line is.
Line ClassifyLine(std::string_view raw, bool firstLine) {
    Line line;
    if (raw.size() > kMaxIniLineLength) return line;
    std::string_view body = raw;
    if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
    line.bodyEnd = body.size();

    std::size_t at = 0;
    if (firstLine && body.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        at = kByteOrderMark.size();
    }
    while (at < body.size() && IsBlank(body[at])) ++at;
    if (at == body.size()) {
        line.kind = LineKind::Blank;
        return line;
    }
    if (body[at] == ';') {
        line.kind = LineKind::Comment;
        return line;
    }
    if (body[at] == '[') {
        const auto close = body.find(']', at + 1);
        if (close == std::string_view::npos) return line;
        line.kind = LineKind::Section;
        line.name = TrimBlanks(body.substr(at + 1, close - at - 1));
        return line;
    }
    const auto equals = body.find('=', at);
    if (equals == std::string_view::npos) return line;
    line.name = TrimBlanks(body.substr(at, equals - at));
    if (line.name.empty()) return line;
    line.kind = LineKind::Key;
    line.valueAt = equals + 1;
    while (line.valueAt < body.size() && IsBlank(body[line.valueAt])) ++line.valueAt;
    line.value = TrimBlanks(body.substr(line.valueAt));
    return line;
}

bool IsStorableName(std::string_view name) {
    if (name.empty() || IsBlank(name.front()) || IsBlank(name.back())) return false;
    return name.find_first_of(std::string_view("\n\r\0", 3)) == std::string_view::npos;
}

std::string_view LineEnding(std::string_view content) {
    const auto newline = content.find('\n');
    if (newline != std::string_view::npos && newline > 0 && content[newline - 1] == '\r') {
        return "\r\n";
    }
    return "\n";
}

// ---------------------------------------------------------------------------------------------
// Files

// Opens a regular file for reading. Anything else (a folder, a FIFO, a device) is not opened at
// all where that can be seen beforehand, and never waited on: O_NONBLOCK keeps the open of a FIFO
// from blocking, and fstat decides on what was actually opened. Not open, with errno set, on
// failure.
Descriptor OpenRegularFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return {};
    }
    Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.IsOpen()) return {};
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return {};
    }
    return fd;
}

// Reads up to size bytes; 0 at the end of the file, -1 on an error.
ssize_t ReadSome(const Descriptor& fd, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t got = read(fd.Get(), buffer, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

// Feeds the file to sink block by block until the sink has what it needs (sink returns true)
// or the file ends. False when the file cannot be opened or a read fails.
template <class Sink> bool ReadBlocks(const std::string& path, Sink&& sink) {
    const Descriptor fd = OpenRegularFile(path);
    if (!fd.IsOpen()) return false;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ReadSome(fd, buffer, sizeof buffer);
        if (got == 0) return true;
        if (got < 0) return false;
        if (sink(std::string_view(buffer, static_cast<std::size_t>(got)))) return true;
    }
}

bool WriteAll(const Descriptor& fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t put = write(fd.Get(), data.data(), data.size());
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

// Flushes a folder's entries, so that a rename in it survives a crash. A folder that cannot be
// opened for reading cannot be flushed by us; the rename has happened all the same.
bool SyncFolder(const std::string& folder) {
    const Descriptor fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.IsOpen()) return true;
    return fsync(fd.Get()) == 0 || errno == EINVAL;
}

// Replaces target by a file holding data: written to a temporary file in the same folder,
// flushed, and renamed over target. old describes the file being replaced, if there is one; its
// permissions (and, where we may, its owner) carry over. The temporary file never outlives a
// failure.
enum class Replaced { Done, NoTemporary, Failed };
Replaced ReplaceFile(const std::string& target, std::string_view data, const struct stat* old) {
    static std::atomic<unsigned> counter{0};
    const auto slash = target.rfind('/');
    const std::string prefix = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string folder = ContainingFolder(target);
    // Keep the temporary name within the 255-byte limit of a file name.
    const std::string base =
        (slash == std::string::npos ? target : target.substr(slash + 1)).substr(0, 200);

    std::string temporary;
    Descriptor fd;
    for (int attempt = 0; attempt < 100 && !fd.IsOpen(); ++attempt) {
        temporary = prefix + "." + base + ".tmp-" + std::to_string(getpid()) + "-" +
                    std::to_string(counter.fetch_add(1));
        fd = Descriptor(
            open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd.IsOpen() && errno != EEXIST) return Replaced::NoTemporary;
    }
    if (!fd.IsOpen()) return Replaced::NoTemporary;

    // From here on the temporary file exists: every way out that does not rename it removes it.
    struct RemoveUnlessRenamed {
        const std::string& path;
        bool renamed = false;
        ~RemoveUnlessRenamed() {
            if (!renamed) unlink(path.c_str());
        }
    } cleanup{temporary};

    bool ok = WriteAll(fd, data);
    if (ok && old != nullptr) {
        if (geteuid() == 0) (void)!fchown(fd.Get(), old->st_uid, old->st_gid);
        ok = fchmod(fd.Get(), old->st_mode & 07777) == 0;
    }
    ok = ok && fsync(fd.Get()) == 0;
    ok = fd.Close() && ok;
    if (!ok || rename(temporary.c_str(), target.c_str()) != 0) return Replaced::Failed;
    cleanup.renamed = true;
    return SyncFolder(folder) ? Replaced::Done : Replaced::Failed;
}

// Writes data over the existing file target, for a file that may be written in a folder where
// no file may be made. Not atomic: the content is written from the start, then the file is cut
// to its length and flushed.
bool WriteInPlace(const std::string& target, std::string_view data) {
    const Descriptor fd(open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.IsOpen()) return false;
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return WriteAll(fd, data) && ftruncate(fd.Get(), static_cast<off_t>(data.size())) == 0 &&
           fsync(fd.Get()) == 0;
}

} // namespace

std::string ContainingFolder(const std::string& fileName) {
    const auto slash = fileName.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : fileName.substr(0, slash);
}

IniValueReader::IniValueReader(std::string_view section, std::string_view key)
    : section_(section), key_(key) {}

void IniValueReader::TakeLine(std::string_view raw) {
    const Line line = ClassifyLine(raw, firstLine_);
    firstLine_ = false;
    if (line.kind == LineKind::Section) {
        if (inSection_) {
            done_ = true; // the first section of that name has ended
        } else {
            inSection_ = EqualsIgnoringAsciiCase(line.name, section_);
        }
    } else if (inSection_ && line.kind == LineKind::Key &&
               EqualsIgnoringAsciiCase(line.name, key_)) {
        value_ = line.value;
        done_ = true;
    }
}

bool IniValueReader::Feed(std::string_view piece) {
    while (!piece.empty() && !done_) {
        const auto newline = piece.find('\n');
        const std::string_view part = piece.substr(0, newline);
        if (!tooLong_ && line_.size() + part.size() > kMaxIniLineLength) {
            tooLong_ = true;
            line_.clear();
        }
        if (!tooLong_) line_.append(part);
        if (newline == std::string_view::npos) break;
        if (tooLong_) {
            firstLine_ = false; // too long to be looked at: never a section or a key
        } else {
            TakeLine(line_);
        }
        line_.clear();
        tooLong_ = false;
        piece.remove_prefix(newline + 1);
    }
    return done_;
}

std::string IniValueReader::Finish() {
    if (!done_ && !tooLong_ && !line_.empty()) TakeLine(line_);
    line_.clear();
    done_ = true;
    return value_;
}

std::optional<std::string> WithIniValue(std::string_view content, std::string_view section,
                                        std::string_view key, std::string_view value) {
    if (!IsStorableName(section) || section.find(']') != std::string_view::npos) {
        return std::nullopt;
    }
    if (!IsStorableName(key) || key.find('=') != std::string_view::npos || key.front() == '[' ||
        key.front() == ';') {
        return std::nullopt;
    }
    if (value.find_first_of(std::string_view("\n\r\0", 3)) != std::string_view::npos) {
        return std::nullopt;
    }

    const std::string_view ending = LineEnding(content);
    std::string result;
    result.reserve(content.size() + section.size() + key.size() + value.size() + 8);

    bool inSection = false;
    bool sectionFound = false;
    std::size_t insertAt = 0; // just after the section's last line that is not blank or comment
    std::size_t start = 0;
    while (start < content.size()) {
        const auto newline = content.find('\n', start);
        const std::size_t end = newline == std::string_view::npos ? content.size() : newline;
        const std::size_t next = newline == std::string_view::npos ? content.size() : newline + 1;
        const Line line = ClassifyLine(content.substr(start, end - start), start == 0);
        if (line.kind == LineKind::Section) {
            if (inSection) break;
            inSection = EqualsIgnoringAsciiCase(line.name, section);
            if (inSection) {
                sectionFound = true;
                insertAt = next;
            }
        } else if (inSection) {
            if (line.kind == LineKind::Key && EqualsIgnoringAsciiCase(line.name, key)) {
                result.append(content.substr(0, start + line.valueAt));
                result.append(value);
                result.append(content.substr(start + line.bodyEnd));
                return result;
            }
            if (line.kind != LineKind::Blank && line.kind != LineKind::Comment) insertAt = next;
        }
        start = next;
    }

    std::string entry;
    entry.append(key).append("=").append(value).append(ending);
    if (!sectionFound) {
        entry.insert(0, std::string("[").append(section).append("]").append(ending));
        insertAt = content.size();
    }
    result.append(content.substr(0, insertAt));
    if (insertAt > 0 && content[insertAt - 1] != '\n') result.append(ending);
    result.append(entry);
    result.append(content.substr(insertAt));
    return result;
}

std::string ReadIniString(const std::string& fileName, std::string_view section,
                          std::string_view key) {
    try {
        IniValueReader reader(section, key);
        if (!ReadBlocks(fileName, [&](std::string_view block) { return reader.Feed(block); })) {
            return {};
        }
        return reader.Finish();
    } catch (const std::bad_alloc&) {
        return {};
    }
}

bool WriteIniString(const std::string& fileName, std::string_view section, std::string_view key,
                    std::string_view value) {
    try {
        // Write through a symbolic link to the file it names instead of replacing the link.
        std::string target = fileName;
        struct stat st {};
        if (lstat(fileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            std::error_code error;
            const std::filesystem::path resolved = std::filesystem::canonical(fileName, error);
            if (!error) target = resolved.string();
        }

        bool exists = false;
        if (stat(target.c_str(), &st) == 0) {
            if (!S_ISREG(st.st_mode)) return false;
            // The rename below would replace a read-only file in a writable folder; a file we
            // may not write must fail the write just as a read-only folder does.
            if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return false;
            exists = true;
        } else if (errno != ENOENT) {
            return false;
        }

        std::string content;
        const auto append = [&](std::string_view block) {
            content.append(block);
            return false;
        };
        if (exists && !ReadBlocks(target, append)) return false;
        const auto updated = WithIniValue(content, section, key, value);
        if (!updated) return false;
        switch (ReplaceFile(target, *updated, exists ? &st : nullptr)) {
        case Replaced::Done:
            return true;
        case Replaced::NoTemporary:
            // A writable file in a folder that takes no new file (a read-only folder) is
            // written in place.
            return exists && WriteInPlace(target, *updated);
        case Replaced::Failed:
            break;
        }
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}
