#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "settings/ini_file.h"
#include "tests/support/files.h"
#include "tests/support/process.h"

using namespace test_support;

using namespace std::string_literals;

namespace {

// The value as the one reader finds it, fed the content whole, one byte at a time, and from a
// real file through ReadIniString; a mismatch between the three shows as a text of its own.
std::string Read(const std::string& content, std::string_view section, std::string_view key) {
    IniValueReader whole(section, key);
    whole.Feed(content);
    const std::string value = whole.Finish();
    IniValueReader bytewise(section, key);
    for (const char c : content) {
        if (bytewise.Feed(std::string_view(&c, 1))) break;
    }
    if (bytewise.Finish() != value) return "<differs when fed byte by byte>";
    TempFolder folder;
    WriteBytes(folder / "r.ini", content);
    if (ReadIniString(folder / "r.ini", section, key) != value) return "<differs from a file>";
    return value;
}

// A sparse file: `tail` at offset `at`, NUL bytes before it that cost no disk.
void WriteSparse(const std::string& path, off_t at, std::string_view tail) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, at), 0);
    ASSERT_EQ(pwrite(fd, tail.data(), tail.size(), at), static_cast<ssize_t>(tail.size()));
    close(fd);
}

struct WriteCase {
    std::string before;
    std::string key;
    std::string after;
};
} // namespace

TEST(IniText, WriteChangesOnlyItsOwnLineAndReadsBack) {
    const std::string longLine = "left=" + std::string(kMaxIniLineLength, '7');
    const WriteCase cases[] = {
        {"", "left", "[form]\nleft=5\n"},
        {"; c\r\n[Other]\r\nleft=1\r\n\r\n[form]\r\nleft=2\r\ntop=3\r\n", "left",
         "; c\r\n[Other]\r\nleft=1\r\n\r\n[form]\r\nleft=5\r\ntop=3\r\n"},
        {"[ FORM ] x\n  Left =  7  \t\n", "left", "[ FORM ] x\n  Left =  5\n"},
        {"[form]\nleft=\n", "left", "[form]\nleft=5\n"},
        {"[form]\nleft=1", "top", "[form]\nleft=1\ntop=5\n"},
        {"[form]\nleft=1\n\n; next\n[x]\ntop=b\n", "top",
         "[form]\nleft=1\ntop=5\n\n; next\n[x]\ntop=b\n"},
        {"[form]\n; only a comment\n", "top", "[form]\ntop=5\n; only a comment\n"},
        {"[x]\r\na=b", "left", "[x]\r\na=b\r\n[form]\r\nleft=5\r\n"},
        {"x", "left", "x\n[form]\nleft=5\n"},
        {"\xEF\xBB\xBF[form]\nleft=1\n", "left", "\xEF\xBB\xBF[form]\nleft=5\n"},
        {"[form]\na=1\n[form]\nleft=1\n", "left", "[form]\na=1\nleft=5\n[form]\nleft=1\n"},
        {"[form]\n;left=1\nleft\n", "left", "[form]\n;left=1\nleft\nleft=5\n"},
        {"\0\xff\n[form]\n\xff\x80=\x80\n"s, "left", "\0\xff\n[form]\n\xff\x80=\x80\nleft=5\n"s},
        {"[form]\n" + longLine + "\n", "left", "[form]\n" + longLine + "\nleft=5\n"},
    };
    for (const auto& [before, key, after] : cases) {
        EXPECT_EQ(WithIniValue(before, "form", key, "5"), after) << before;
        EXPECT_EQ(Read(after, "form", key), "5") << after;
    }
}

// The line end of new lines follows the file's first line; a file that starts with a line break
// looks at nothing before its first byte (here a carriage return just outside the text).
TEST(IniText, NewLinesEndLikeTheFirstLine) {
    const std::string buffer = "\r\n[x]\r\na=b\r\n";
    const std::string_view afterReturn = std::string_view(buffer).substr(1);
    EXPECT_EQ(WithIniValue(afterReturn, "form", "left", "5"), "\n[x]\r\na=b\r\n[form]\nleft=5\n");
    EXPECT_EQ(WithIniValue(buffer, "form", "left", "5"), "\r\n[x]\r\na=b\r\n[form]\r\nleft=5\r\n");
}

TEST(IniText, WriteRefusesWhatTheFormatCannotHold) {
    using namespace std::string_view_literals;
    const std::string_view bad[][3] = {
        {"form", "a=b", "1"},    {"form", "", "1"},        {"form", " a", "1"},
        {"form", "a\n", "1"},    {"form", "[a", "1"},      {"form", ";a", "1"},
        {"a]", "left", "1"},     {"", "left", "1"},        {"form", "left", "1\n[x]"},
        {"form", "left", "1\r"}, {"form", "left", "1\0"sv}};
    for (const auto& [section, key, value] : bad) {
        EXPECT_EQ(WithIniValue("", section, key, value), std::nullopt) << section << key << value;
    }
}

TEST(IniText, ReadFindsTheFirstKeyOfTheFirstSection) {
    const std::string longValue(kMaxIniLineLength, '7');
    const std::tuple<std::string, std::string_view, std::string> cases[] = {
        {"[form]\nleft= 12 \t\r\n", "left", "12"},
        {"[Form]\r\nLEFT=3", "left", "3"}, // the last line has no line break
        {"[FORM]\nZA=7\n", "za", "7"},     // A to Z, both ends, match without case
        {"[form]\nleft=a=b", "left", "a=b"},
        {"[form]\nleft=1\nleft=2\n", "left", "1"},
        {"[other]\nleft=1\n[form]\ntop=2\n", "left", ""},
        {"[form]\na=1\n[form]\nleft=1\n", "left", ""}, // only the first [form] counts
        {"[formx]\nleft=1\n[form]\nleft=2\n", "left", "2"},
        {"[form]\nleft=1\n", "le", ""},   // a prefix of a name is not the name
        {"[norm]\nleft=1\n", "left", ""}, // names of the same length compare every byte
        {"[form]\nlift=1\nleft=2\n", "left", "2"},
        {"[form]\nlefty=1\nleft=2\n", "left", "2"},
        {"left=1\n[form]\n", "left", ""},
        {"[form]\n[x]\nleft=1\n", "left", ""},
        {"[form]\n;left=1\n", "left", ""},
        {"[form\nleft=1\n", "left", ""},
        {"\xEF\xBB\xBF[form]\nleft=4", "left", "4"},
        {"[form]\nleft=" + longValue + "\nleft=5", "left", "5"},
        {"[form]\nleft=" + longValue, "left", ""},
        // A byte order mark counts only at the start of the file, also after a long first line.
        {longValue + "\n\xEF\xBB\xBF[form]\nleft=6\n", "left", ""},
        {"[x]\n\xEF\xBB\xBF[form]\nleft=6\n", "left", ""},
        {"[form]\nleft=" + longValue.substr(5) + "\n", "left", longValue.substr(5)},
        // An overlong line is skipped whole: its tail, in a later block of a read, is no key.
        {"[form]\n;" + std::string(2 * 65536 - 8, 'x') + "left=9\nleft=1\n", "left", "1"},
    };
    for (const auto& [content, key, expected] : cases) {
        EXPECT_EQ(Read(content, "form", key), expected) << content.substr(0, 80);
    }
}

// The reader says when it knows the answer, so that a reader of a large file can stop early.
TEST(IniText, ReaderSaysWhenTheRestCannotChangeTheAnswer) {
    const std::pair<std::string_view, bool> cases[] = {
        {"[form]\nleft=1\n", true},
        {"[form]\ntop=1\n[x]\n", true},
        {"[form]\nleft=1", false}, // the line may go on
        {"[x]\nleft=1\n[form]\n", false},
    };
    for (const auto& [content, known] : cases) {
        IniValueReader reader("form", "left");
        EXPECT_EQ(reader.Feed(content), known) << content;
    }
}

TEST(IniText, ContainingFolder) {
    const std::pair<std::string, std::string> cases[] = {
        {"/a/b/CONV.ini", "/a/b"}, {"/CONV.ini", "/"}, {"CONV.ini", "."}, {"a/CONV.ini", "a"}};
    for (const auto& [file, folder] : cases) EXPECT_EQ(ContainingFolder(file), folder) << file;
}

TEST(IniFile, WhatIsNotARegularFileReadsAsEmptyAndIsNeverReplaced) {
    TempFolder folder;
    const std::string fifo = folder / "fifo.ini";
    const std::string dir = folder / "dir.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    ASSERT_EQ(mkdir(dir.c_str(), 0777), 0);
    for (const std::string& path : {fifo, dir, folder / "missing.ini", std::string("/dev/zero")}) {
        EXPECT_EQ(ReadIniString(path, "form", "left"), "") << path;
    }
    // A regular file whose read fails: nothing is read from it, and no write replaces it.
    EXPECT_EQ(ReadIniString("/proc/self/mem", "form", "left"), "");
    EXPECT_FALSE(WriteIniString("/proc/self/mem", "form", "left", "1"));
    EXPECT_FALSE(WriteIniString(fifo, "form", "left", "1"));
    EXPECT_FALSE(WriteIniString(dir, "form", "left", "1"));
    struct stat st {};
    EXPECT_TRUE(stat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    EXPECT_EQ(FolderEntries(folder.Path()), (std::set<std::string>{"fifo.ini", "dir.ini"}));
}

TEST(IniFile, ReadsPastHugeFilesAndLongLines) {
    TempFolder folder;
    const std::string file = folder / "huge.ini";
    // 100 MB of NUL bytes: one line without a line end.
    WriteSparse(file, 100'000'000,
                "\n[form]\nleft=" + std::string(10'000'000, '7') + "\nleft=800\n");
    EXPECT_EQ(ReadIniString(file, "form", "left"), "800");
}

TEST(IniFile, WriteKeepsTheModeAndWritesThroughALink) {
    TempFolder folder;
    const std::string file = folder / "real.ini";
    const std::string link = folder / "link.ini";
    WriteBytes(file, "[form]\nleft=1\n");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    ASSERT_EQ(symlink("real.ini", link.c_str()), 0);
    ASSERT_TRUE(WriteIniString(link, "form", "left", "2"));
    EXPECT_EQ(ReadBytes(file), "[form]\nleft=2\n");
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(folder.Path()), (std::set<std::string>{"real.ini", "link.ini"}));
}

// A symbolic link stays a link: the file at the end of its chain is written, and made when it is
// missing and its folder exists. A chain that cannot end in a file fails and changes nothing.
namespace {
// link.ini -> l1 -> ... -> real.ini: a chain of n links.
std::vector<std::pair<std::string, std::string>> Chain(int n) {
    std::vector<std::pair<std::string, std::string>> links;
    for (int i = 0; i < n; ++i) {
        links.emplace_back(i == 0 ? "link.ini" : "l" + std::to_string(i),
                           i == n - 1 ? "real.ini" : "l" + std::to_string(i + 1));
    }
    return links;
}
} // namespace

TEST(IniFile, LinksStayLinks) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> links; // link, what it points at
        std::string real;                                       // the file at the chain's end
        bool realFileExists;
        bool written;
    };
    // A second link is relative to its own folder; "@" stands for the folder's absolute path.
    // Links are followed as far as the system follows them in a path, and no further.
    const Case cases[] = {
        {{{"link.ini", "real.ini"}}, "real.ini", true, true},
        {{{"link.ini", "sub/real.ini"}}, "sub/real.ini", false, true},
        {{{"link.ini", "@/sub/real.ini"}}, "sub/real.ini", false, true},
        {{{"link.ini", "sub/mid.ini"}, {"sub/mid.ini", "real.ini"}}, "sub/real.ini", true, true},
        {Chain(40), "real.ini", true, true},
        {{{"link.ini", "missing/real.ini"}}, "missing/real.ini", false, false},
        {{{"link.ini", "mid.ini"}, {"mid.ini", "link.ini"}}, "real.ini", false, false},
        {Chain(41), "real.ini", true, false},
        {{{"link.ini", "sub"}}, "real.ini", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.links.front().second + ", " + std::to_string(c.links.size()) + " links");
        TempFolder folder;
        ASSERT_EQ(mkdir((folder / "sub").c_str(), 0755), 0);
        if (c.realFileExists) WriteBytes(folder / c.real, "; kept\n[form]\nleft=1\n");
        for (const auto& [link, to] : c.links) {
            const std::string target = to[0] == '@' ? folder.Path() + to.substr(1) : to;
            ASSERT_EQ(symlink(target.c_str(), (folder / link).c_str()), 0);
        }
        auto expected = FolderEntries(folder.Path());
        auto expectedSub = FolderEntries(folder / "sub");
        EXPECT_EQ(WriteIniString(folder / "link.ini", "form", "left", "2"), c.written);
        for (const auto& [link, to] : c.links) {
            struct stat st {};
            EXPECT_TRUE(lstat((folder / link).c_str(), &st) == 0 && S_ISLNK(st.st_mode)) << link;
        }
        if (c.written) {
            EXPECT_EQ(ReadBytes(folder / c.real),
                      c.realFileExists ? "; kept\n[form]\nleft=2\n" : "[form]\nleft=2\n");
            (c.real.starts_with("sub/") ? expectedSub : expected)
                .insert(c.real.substr(c.real.rfind('/') + 1));
        } else if (c.realFileExists) {
            EXPECT_EQ(ReadBytes(folder / c.real), "; kept\n[form]\nleft=1\n");
        }
        EXPECT_EQ(FolderEntries(folder.Path()), expected);
        EXPECT_EQ(FolderEntries(folder / "sub"), expectedSub);
    }
}

// The temporary files of writers that were killed go at the next start; those of a writer that
// still runs, and files that only look alike, stay.
TEST(IniFile, LeftoverTemporaryFilesOfGoneWritersAreRemoved) {
    const pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) _exit(0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string dead = std::to_string(gone);
    const std::string alive = std::to_string(getpid());
    const std::pair<std::string, bool> cases[] = {
        {".CONV.ini.tmp-" + dead + "-0", false},
        {".CONV.ini.tmp-" + dead + "-17", false},
        {".CONV.ini.tmp-" + alive + "-0", true},
        {".CONV.ini.tmp-1-0", true},
        {".CONV.ini.tmp-" + dead, true}, // not the whole pattern
        {".CONV.ini.tmp--0", true},      // no process id
        {".CONV.ini.tmp-x" + dead + "-0", true},
        {".OTHER.ini.tmp-" + dead + "-0", true},
        // A process id too long to be one, whose low 32 bits name the gone writer.
        {".CONV.ini.tmp-" + std::to_string((1LL << 32) + gone) + "-0", true},
        {"CONV.ini.tmp-" + dead + "-0", true},
    };
    TempFolder folder;
    WriteBytes(folder / "CONV.ini", "[form]\nleft=1\n");
    for (const auto& [name, kept] : cases) WriteBytes(folder / name, "x");
    // A file that a live writer still holds stays, whatever its name says.
    const std::string held = ".CONV.ini.tmp-" + dead + "-99";
    WriteBytes(folder / held, "x");
    const int holder = open((folder / held).c_str(), O_RDONLY);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);

    RemoveLeftoverTemporaryFiles(folder / "CONV.ini");
    close(holder);
    const auto entries = FolderEntries(folder.Path());
    for (const auto& [name, kept] : cases) EXPECT_EQ(entries.count(name), kept ? 1u : 0u) << name;
    EXPECT_EQ(entries.count(held), 1u);
    EXPECT_EQ(ReadBytes(folder / "CONV.ini"), "[form]\nleft=1\n");
}

// A new file gets the usual mode for the user's file mode mask.
TEST(IniFile, ANewFileIsReadableByAllAndWritableByItsOwner) {
    TempFolder folder;
    const std::string file = folder / "new.ini";
    const mode_t oldMask = umask(022);
    const bool written = WriteIniString(file, "form", "left", "1");
    umask(oldMask);
    ASSERT_TRUE(written);
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

// Root saving someone else's file leaves it theirs.
TEST(IniFile, RootKeepsTheFilesOwner) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root";
    TempFolder folder;
    const std::string file = folder / "theirs.ini";
    WriteBytes(file, "[form]\nleft=1\n");
    ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(WriteIniString(file, "form", "left", "2"));
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(ReadBytes(file), "[form]\nleft=2\n");
}

// A write that fails halfway (here: the file size limit) keeps the old file and removes its
// temporary file.
TEST(IniFile, FailedWriteRemovesItsTemporaryFile) {
    TempFolder folder;
    const std::string file = folder / "CONV.ini";
    WriteBytes(file, "[form]\nleft=1\n");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteIniString(file, "form", "left", std::string(10000, '7'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(file), "[form]\nleft=1\n");
    EXPECT_EQ(FolderEntries(folder.Path()), (std::set<std::string>{"CONV.ini"}));
}

// Writes that run out of memory while reading a large file close what they opened. Not under
// AddressSanitizer, which cannot run with an address-space limit.
TEST(IniFile, WritesThatRunOutOfMemoryLeaveNoDescriptorOpen) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address-space limit under AddressSanitizer";
#endif
    TempFolder folder;
    const std::string file = folder / "big.ini";
    WriteSparse(file, 200'000'000, "");
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    const int code = InChild(
        [&] {
            const auto before = openDescriptors();
            bool anyWritten = false;
            for (int i = 0; i < 5; ++i) anyWritten |= WriteIniString(file, "form", "left", "1");
            return anyWritten ? 3 : openDescriptors() == before ? 0 : 1;
        },
        64 << 20);
    EXPECT_EQ(code, 0) << "1: descriptors left open, 3: a write succeeded";
}

// Reading keeps one line at most, never the whole file nor a whole overlong line: a start reads
// its values past 200 MB on one line with 64 MB of memory to spare. Not under AddressSanitizer
// nor qemu's user mode (its name keeps it out there), which need the address space themselves.
TEST(IniFile, ReadingAHugeLineDoesNotRunOutOfMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "address-space limit under AddressSanitizer";
#endif
    TempFolder folder;
    const std::string file = folder / "big.ini";
    WriteSparse(file, 200'000'000, "\n[form]\nleft=800\ntop=-1\n");
    const int code = InChild(
        [&] {
            const std::string_view keys[] = {"top", "left"};
            const auto values = ReadIniStrings(file, "form", keys);
            return values == std::vector<std::string>{"-1", "800"} ? 0 : 1;
        },
        64 << 20);
    EXPECT_EQ(code, 0);
}

// A writer killed at random moments leaves the old or the new file, never a mix; at most the
// killed writer's own temporary file is left over, and it does not disturb reading.
TEST(IniFile, KilledWriteLeavesTheOldOrTheNewFile) {
    TempFolder folder;
    const std::string file = folder / "CONV.ini";
    const std::string filler = "; " + std::string(100'000, '-') + "\n";
    const std::string a(1000, 'a'), b(2000, 'b');
    const std::string withA = *WithIniValue(filler, "form", "left", a);
    const std::string withB = *WithIniValue(withA, "form", "left", b);
    WriteBytes(file, withA);
    std::mt19937 random(12345);
    for (int round = 0; round < 40; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                WriteIniString(file, "form", "left", b);
                WriteIniString(file, "form", "left", a);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);

        const std::string now = ReadBytes(file);
        ASSERT_TRUE(now == withA || now == withB) << "round " << round << ", " << now.size();
        const std::string value = ReadIniString(file, "form", "left");
        EXPECT_TRUE(value == a || value == b);
        auto entries = FolderEntries(folder.Path());
        entries.erase("CONV.ini");
        ASSERT_LE(entries.size(), 1u);
        for (const auto& name : entries) {
            EXPECT_EQ(name.rfind(".CONV.ini.tmp-", 0), 0u) << name;
            std::filesystem::remove(folder / name);
        }
    }
}

// A folder that has no room for the new file, and a temporary file name past the path limit:
// the write fails and the file stays exactly as it was, never written in place. The full disks
// are small memory file systems mounted in a mount namespace of this test process's own, so
// they go when it ends; without the right to make one, those cases are skipped.
TEST(IniFile, NoRoomOrNoNameForTheNewFileFailsAndKeepsTheOldOne) {
    const std::string before = "; kept\n[form]\nleft=1\n";
    TempFolder root;
    const bool mountable = unshare(CLONE_NEWNS) == 0 &&
                           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    struct Case {
        const char* name;
        const char* mountOptions; // nullptr: no file system of its own
        bool fill;                // fill the disk with a file of its own first
        bool deep;                // the file lies so deep that no longer name fits the path
    };
    const Case cases[] = {
        {"no file entry left", "size=1m,nr_inodes=2", false, false},
        {"no block left", "size=64k", true, false},
        {"the temporary name too long for a path", nullptr, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string dir = root / c.name;
        ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
        if (c.mountOptions != nullptr) {
            if (!mountable) {
                std::printf("skipped (no mount namespace): %s\n", c.name);
                continue;
            }
            ASSERT_EQ(mount("tmpfs", dir.c_str(), "tmpfs", 0, c.mountOptions), 0);
        }
        if (c.deep) {
            // Folders down to a path of 4080 bytes: "/CONV.ini" still fits in the path
            // limit (4095 bytes), "/.CONV.ini.tmp-<id>-0" no longer does.
            constexpr std::size_t kDepth = PATH_MAX - 16;
            while (dir.size() + 201 < kDepth) {
                dir += "/" + std::string(200, 'd');
                ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
            }
            dir += "/" + std::string(kDepth - dir.size() - 1, 'e');
            ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
        }
        const std::string file = dir + "/CONV.ini";
        WriteBytes(file, before);
        if (c.fill) {
            const int fd = open((dir + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
            ASSERT_GE(fd, 0);
            const std::string block(4096, 'f');
            while (write(fd, block.data(), block.size()) > 0) {
            }
            close(fd);
        }
        const auto entries = FolderEntries(dir);
        EXPECT_FALSE(WriteIniString(file, "form", "left", std::string(5000, '7')));
        EXPECT_EQ(ReadBytes(file), before);
        EXPECT_EQ(FolderEntries(dir), entries);
        if (c.mountOptions != nullptr) {
            EXPECT_EQ(umount(dir.c_str()), 0);
        }
    }
}
