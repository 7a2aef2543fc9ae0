#include "settings/ini_file.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
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

// Opens a regular file, for reading or (flags O_RDWR) for reading and writing. Anything else (a
// folder, a FIFO, a device) is not opened at all where that can be seen beforehand, and never
// waited on: O_NONBLOCK keeps the open of a FIFO from blocking, and fstat decides on what was
// actually opened (st receives it). Not open, with errno set, on failure.
Descriptor OpenRegularFile(const std::string& path, int flags, struct stat& st) {
    if (stat(path.c_str(), &st) != 0) return {};
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return {};
    }
    Descriptor fd(open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.IsOpen()) return {};
    // Only a file swapped for something else since the stat above fails here.
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

// Feeds an open file to sink block by block until the sink has what it needs (sink returns
// true) or the file ends. False when a read fails.
template <class Sink> bool ReadBlocks(const Descriptor& fd, Sink&& sink) {
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

// Flushes a folder's entries, so that a rename in it survives a crash. Best effort: the rename
// has happened all the same, so its result is the write's result whatever this one does.
void SyncFolder(const std::string& folder) {
    const Descriptor fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.IsOpen()) (void)fsync(fd.Get());
}

// The start of every temporary file name of writes to the file called base:
// ".<base>.tmp-<process id>-<count>". The base is cut to 200 bytes, so that the name stays within
// the 255-byte limit of a file name.
std::string TemporaryPrefix(const std::string& target) {
    const auto slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string prefix(1, '.');
    prefix.append(base, 0, 200);
    prefix += ".tmp-";
    return prefix;
}

std::string FolderPrefix(const std::string& target) {
    const auto slash = target.rfind('/');
    return slash == std::string::npos ? "" : target.substr(0, slash + 1);
}

// What replacing a file came to. No member is zero: a result that was never set is none of them
// and reads as a failure.
enum class Replaced {
    Written = 1,       // the file holds the new content
    FolderRefused = 2, // the folder may not take a new file (permission); nothing changed
    Failed = 3,        // anything else; nothing changed
};

// Replaces target by a file holding data: written to a temporary file in the same folder,
// flushed, and renamed over target. old describes the file being replaced, if there is one; its
// permissions (and, where we may, its owner) carry over, and are set before any content is
// written. The temporary file never outlives a failure, and it is locked while it lives, so that
// RemoveLeftoverTemporaryFiles can tell it from one whose writer is gone.
Replaced ReplaceFile(const std::string& target, std::string_view data, const struct stat* old) {
    static std::atomic<unsigned> counter{0};
    const std::string stem =
        FolderPrefix(target) + TemporaryPrefix(target) + std::to_string(getpid()) + "-";
    // Owner only until the final mode is set, before anything is written.
    const mode_t createMode = old != nullptr ? 0600 : 0666;

    std::string temporary;
    Descriptor fd;
    for (int attempt = 0; attempt < 100 && !fd.IsOpen(); ++attempt) {
        temporary = stem + std::to_string(counter.fetch_add(1));
        fd = Descriptor(open(temporary.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, createMode));
        if (fd.IsOpen() || errno == EEXIST) continue;
        return errno == EACCES || errno == EPERM ? Replaced::FolderRefused : Replaced::Failed;
    }
    if (!fd.IsOpen()) return Replaced::Failed;

    // From here on the temporary file exists: every way out that does not rename it removes it.
    struct RemoveUnlessRenamed {
        const std::string& path;
        bool renamed = false;
        ~RemoveUnlessRenamed() {
            if (!renamed) unlink(path.c_str());
        }
    } cleanup{temporary};

    (void)flock(fd.Get(), LOCK_EX | LOCK_NB);
    bool ok = true;
    if (old != nullptr) {
        if (geteuid() == 0) (void)!fchown(fd.Get(), old->st_uid, old->st_gid);
        ok = fchmod(fd.Get(), old->st_mode & 07777) == 0;
    }
    ok = ok && WriteAll(fd, data) && fsync(fd.Get()) == 0;
    ok = fd.Close() && ok;
    if (!ok || rename(temporary.c_str(), target.c_str()) != 0) return Replaced::Failed;
    cleanup.renamed = true;
    SyncFolder(ContainingFolder(target));
    return Replaced::Written;
}

// Writes data over an existing file, open for writing, for a file that may be written in a
// folder where no file may be made. Not atomic, so it does what can fail first: the file is sized
// to its final length (a full disk or a size limit shows here, and the content is then as it
// was), then written from the start, then flushed.
bool WriteInPlace(const Descriptor& fd, off_t oldLength, std::string_view data) {
    const auto length = static_cast<off_t>(data.size());
    if (length > oldLength && posix_fallocate(fd.Get(), oldLength, length - oldLength) != 0) {
        (void)!ftruncate(fd.Get(), oldLength);
        return false;
    }
    return ftruncate(fd.Get(), length) == 0 && lseek(fd.Get(), 0, SEEK_SET) == 0 &&
           WriteAll(fd, data) && fsync(fd.Get()) == 0;
}

// True when the process with this id is gone (on this machine, as far as this process sees).
bool ProcessIsGone(std::string_view digits) {
    if (digits.empty() || digits.size() > 9) return false;
    pid_t pid = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        pid = pid * 10 + (c - '0');
    }
    return pid > 0 && kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

std::string ContainingFolder(const std::string& fileName) {
    const auto slash = fileName.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : fileName.substr(0, slash);
}

IniValueReader::IniValueReader(std::string_view section, std::string_view key)
    : IniValueReader(section, std::span<const std::string_view>(&key, 1)) {}

IniValueReader::IniValueReader(std::string_view section, std::span<const std::string_view> keys)
    : section_(section), keys_(keys.begin(), keys.end()), values_(keys.size()) {}

void IniValueReader::TakeLine(std::string_view raw) {
    const Line line = ClassifyLine(raw, firstLine_);
    firstLine_ = false;
    if (line.kind == LineKind::Section) {
        if (inSection_) {
            done_ = true; // the first section of that name has ended
        } else {
            inSection_ = EqualsIgnoringAsciiCase(line.name, section_);
        }
        return;
    }
    if (!inSection_ || line.kind != LineKind::Key) return;
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        // The first occurrence of a key counts.
        if (values_[i] || !EqualsIgnoringAsciiCase(line.name, keys_[i])) continue;
        values_[i] = std::string(line.value);
        done_ = ++found_ == keys_.size();
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

std::vector<std::string> IniValueReader::FinishAll() {
    if (!done_ && !tooLong_ && !line_.empty()) TakeLine(line_);
    line_.clear();
    done_ = true;
    std::vector<std::string> values;
    for (auto& value : values_) values.push_back(value.value_or(""));
    return values;
}

std::string IniValueReader::Finish() {
    std::vector<std::string> values = FinishAll();
    return values.empty() ? std::string() : std::move(values.front());
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

std::optional<std::string> WithIniValues(std::string_view content, std::string_view section,
                                         std::span<const IniEntry> entries) {
    std::string result(content);
    for (const auto& [key, value] : entries) {
        auto next = WithIniValue(result, section, key, value);
        if (!next) return std::nullopt;
        result = std::move(*next);
    }
    return result;
}

std::vector<std::string> ReadIniStrings(const std::string& fileName, std::string_view section,
                                        std::span<const std::string_view> keys) {
    try {
        IniValueReader reader(section, keys);
        struct stat st {};
        const Descriptor fd = OpenRegularFile(fileName, O_RDONLY, st);
        if (!fd.IsOpen() ||
            !ReadBlocks(fd, [&](std::string_view block) { return reader.Feed(block); })) {
            return std::vector<std::string>(keys.size());
        }
        return reader.FinishAll();
    } catch (const std::bad_alloc&) {
        return std::vector<std::string>(keys.size());
    }
}

std::string ReadIniString(const std::string& fileName, std::string_view section,
                          std::string_view key) {
    return ReadIniStrings(fileName, section, std::span<const std::string_view>(&key, 1)).front();
}

std::optional<std::string> WriteTarget(const std::string& fileName) {
    std::string current = fileName;
    for (int link = 0; link <= 40; ++link) {
        struct stat st {};
        if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        char text[PATH_MAX];
        const ssize_t length = readlink(current.c_str(), text, sizeof text);
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof text) return std::nullopt;
        std::string next(text, static_cast<std::size_t>(length));
        // A relative link names a place seen from the link's own folder.
        if (next.front() != '/') next.insert(0, FolderPrefix(current));
        current = std::move(next);
    }
    return std::nullopt;
}

void RemoveLeftoverTemporaryFiles(const std::string& fileName) {
    try {
        const auto target = WriteTarget(fileName);
        if (!target) return;
        const std::string folder = ContainingFolder(*target);
        const std::string prefix = TemporaryPrefix(*target);
        DIR* dir = opendir(folder.c_str());
        if (dir == nullptr) return;
        std::vector<std::string> gone;
        while (const dirent* entry = readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name.substr(0, prefix.size()) != prefix) continue;
            const std::string_view rest = name.substr(prefix.size());
            const auto dash = rest.find('-');
            if (dash != std::string_view::npos && ProcessIsGone(rest.substr(0, dash))) {
                gone.emplace_back(name);
            }
        }
        closedir(dir);
        for (const std::string& name : gone) {
            const std::string path = FolderPrefix(*target) + name;
            // A live writer holds a lock on its temporary file (one in another process
            // namespace may look gone by its process id).
            const Descriptor fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
            struct stat st {};
            if (!fd.IsOpen() || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            if (flock(fd.Get(), LOCK_EX | LOCK_NB) == 0) unlink(path.c_str());
        }
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
}

bool WriteIniStrings(const std::string& fileName, std::string_view section,
                     std::span<const IniEntry> entries) {
    try {
        const auto target = WriteTarget(fileName);
        if (!target) return false;

        // Opened for writing as well as reading: a file we may not write must fail the write
        // (the rename below would replace a read-only file in a writable folder), and the same
        // descriptor serves a write in place.
        struct stat st {};
        const Descriptor file = OpenRegularFile(*target, O_RDWR, st);
        if (!file.IsOpen() && errno != ENOENT) return false;
        const bool exists = file.IsOpen();

        std::string content;
        const auto append = [&](std::string_view block) {
            content.append(block);
            return false;
        };
        if (exists && !ReadBlocks(file, append)) return false;
        const auto updated = WithIniValues(content, section, entries);
        if (!updated) return false;
        const Replaced replaced = ReplaceFile(*target, *updated, exists ? &st : nullptr);
        if (replaced == Replaced::Written) return true;
        // A writable file in a folder that takes no new file (a read-only folder) is written in
        // place; every other failure leaves the file as it was.
        return replaced == Replaced::FolderRefused && exists &&
               WriteInPlace(file, st.st_size, *updated);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

bool WriteIniString(const std::string& fileName, std::string_view section, std::string_view key,
                    std::string_view value) {
    const IniEntry entry{key, value};
    return WriteIniStrings(fileName, section, std::span<const IniEntry>(&entry, 1));
}
