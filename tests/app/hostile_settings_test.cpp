// Hostile things where the placement file should be. For each one the real program starts with
// the thing beside a copy of it and must show its window without hanging; then the main window
// is opened on the same file by a helper process and closed. The close either writes a valid
// file that keeps every other byte of the old one, or shows the write notice and then closes,
// leaving the thing as it was. Every process runs under a generous hang guard; the times are
// printed, not asserted.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "settings/placement_file.h"
#include "tests/support/files.h"
#include "tests/support/process.h"

namespace {

using namespace test_support;

constexpr uid_t kNobody = 65534;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Compares two possibly huge byte strings without printing them whole.
testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected) return testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    const std::size_t from = at < 40 ? 0 : at - 40;
    return testing::AssertionFailure()
           << "sizes " << actual.size() << " and " << expected.size() << ", first difference at "
           << at << "\n  actual:   " << testing::PrintToString(actual.substr(from, 120))
           << "\n  expected: " << testing::PrintToString(expected.substr(from, 120));
}

// What stands at a path: its kind and, for a file, its bytes; for a folder, its entries; for
// a link, its target. Used to show that a refused write left the thing as it was.
std::string Describe(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return "missing";
    if (S_ISLNK(st.st_mode)) return "link to " + std::filesystem::read_symlink(path).string();
    if (S_ISFIFO(st.st_mode)) return "fifo";
    if (S_ISDIR(st.st_mode)) {
        std::string entries = "folder:";
        for (const auto& name : FolderEntries(path)) entries += " " + name;
        return entries;
    }
    if (S_ISREG(st.st_mode)) {
        return "file mode " + std::to_string(st.st_mode & 07777) + ": " + ReadBytes(path);
    }
    return "other";
}

struct Bounds {
    int left = 0;
    int top = 0;
};

std::string FormSection(const Bounds& b, std::string_view e = "\n") {
    std::string s = "[form]";
    s.append(e).append("left=" + std::to_string(b.left)).append(e);
    s.append("top=" + std::to_string(b.top)).append(e);
    s.append("width=661").append(e).append("height=492").append(e);
    return s;
}

// The old bytes, a line break if they lack a final one, and the new section after them.
std::string WithSectionAppended(const std::string& old, const Bounds& b) {
    const auto newline = old.find('\n');
    const std::string_view e =
        newline != std::string::npos && newline > 0 && old[newline - 1] == '\r' ? "\r\n" : "\n";
    std::string expected = old;
    if (!expected.empty() && expected.back() != '\n') expected.append(e);
    return expected + FormSection(b, e);
}

std::string RandomBytes(std::size_t size) {
    std::mt19937 random(5);
    std::string bytes(size, '\0');
    for (auto& byte : bytes) byte = static_cast<char>(random() & 0xFF);
    return bytes;
}

// About 100 MiB of comment lines, then a form section whose value does not convert.
std::string HugeFiller() {
    std::string block;
    for (int i = 0; block.size() < (1u << 20); ++i) {
        block += "; line " + std::to_string(i) + " of filler text that nobody reads ............\n";
    }
    std::string filler;
    filler.reserve(100 * block.size());
    for (int i = 0; i < 100; ++i) filler += block;
    return filler;
}

constexpr std::string_view kInvalidUtf8 = "[form]\nwidth=\xC3\x28\nheight=800\xFF\n"
                                          "; \xC0\xAF comment\n[\xFE\xFF]\nkey=\xED\xA0\x80\n";
const std::string kLongLine(10u << 20, '8');

// A file of settings whose permission bits are then set to `mode`. An unreadable one asks for a
// width that would show were it read.
std::function<void(const std::string& path)> WithMode(mode_t mode) {
    return [mode](const std::string& p) {
        WriteBytes(p, (mode & 0400) != 0 ? "; kept\n[other]\nkey = value\n\n[form]\nleft=1\n"
                                         : "; secret\n[form]\nwidth=800\n");
        chmod(p.c_str(), mode);
    };
}

enum class Expect { Kept, Refused };

struct HostileCase {
    const char* name;
    std::function<void(const std::string& path)> make;
    Expect expect;
    // The file after a kept close, from the old bytes and the written left and top.
    std::function<std::string(const std::string& old, const Bounds& b)> after;
    bool unprivileged = false; // run as nobody: permission bits do not stop root
};

std::vector<HostileCase> Cases() {
    return {
        {"binary garbage", [](const std::string& p) { WriteBytes(p, RandomBytes(1u << 20)); },
         Expect::Kept, WithSectionAppended},
        {"invalid UTF-8", [](const std::string& p) { WriteBytes(p, std::string(kInvalidUtf8)); },
         Expect::Kept,
         [](const std::string&, const Bounds& b) {
             return "[form]\nwidth=661\nheight=492\nleft=" + std::to_string(b.left) +
                    "\ntop=" + std::to_string(b.top) +
                    "\n; \xC0\xAF comment\n[\xFE\xFF]\nkey=\xED\xA0\x80\n";
         }},
        {"100 MiB file",
         [](const std::string& p) { WriteBytes(p, HugeFiller() + "[form]\nwidth=wide\n"); },
         Expect::Kept,
         [](const std::string& old, const Bounds& b) {
             return old.substr(0, old.size() - 11) + "width=661\nleft=" + std::to_string(b.left) +
                    "\ntop=" + std::to_string(b.top) + "\nheight=492\n";
         }},
        {"one 10 MiB line, no line break",
         [](const std::string& p) { WriteBytes(p, "[form] width=" + kLongLine); }, Expect::Kept,
         WithSectionAppended},
        {"10 MiB line inside the section",
         [](const std::string& p) { WriteBytes(p, "[form]\nwidth=" + kLongLine + "\nheight=x\n"); },
         Expect::Kept,
         [](const std::string&, const Bounds& b) {
             return "[form]\nwidth=" + kLongLine + "\nheight=492\nleft=" + std::to_string(b.left) +
                    "\ntop=" + std::to_string(b.top) + "\nwidth=661\n";
         }},
        {"folder",
         [](const std::string& p) {
             mkdir(p.c_str(), 0755);
             WriteBytes(p + "/inside", "kept");
         },
         Expect::Refused, nullptr},
        {"FIFO", [](const std::string& p) { mkfifo(p.c_str(), 0644); }, Expect::Refused, nullptr},
        {"link to /dev/zero", [](const std::string& p) { symlink("/dev/zero", p.c_str()); },
         Expect::Refused, nullptr},
        {"link to /dev/null", [](const std::string& p) { symlink("/dev/null", p.c_str()); },
         Expect::Refused, nullptr},
        {"read-only file", WithMode(0444), Expect::Refused, nullptr, true},
        {"file without read permission, writable", WithMode(0200), Expect::Refused, nullptr, true},
        {"file without any permission", WithMode(0000), Expect::Refused, nullptr, true},
    };
}

class HostileSettings : public testing::TestWithParam<std::size_t> {};

TEST_P(HostileSettings, StartsAtDesignedSizeAndClosesWithoutLosingAnything) {
    const HostileCase c = Cases()[GetParam()];
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string program = folder / "runamika";
    const std::string helper = folder / "hostile_window_helper";
    const std::string file = folder / "runamika.ini";
    std::filesystem::copy_file(RUNAMIKA_PATH, program);
    std::filesystem::copy_file(HOSTILE_WINDOW_HELPER, helper);
    ASSERT_EQ(chmod(folder.Path().c_str(), 0755), 0);
    c.make(file);
    if (c.unprivileged && geteuid() == 0) {
        ASSERT_EQ(chown(folder.Path().c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(lchown(file.c_str(), kNobody, kNobody), 0);
    }
    const std::string before = Describe(file);
    const std::string old = c.expect == Expect::Kept ? ReadBytes(file) : std::string();

    // The real program, beside a copy of which the thing lies: it reports the moment its window
    // is shown and leaves at once, without a close.
    const Finished start =
        test_support::Run({.args = {program},
                           .env = {"QT_QPA_PLATFORM=offscreen", "RUNAMIKA_STARTUP_PROBE=1"},
                           .unprivileged = c.unprivileged});
    ASSERT_TRUE(start.inTime) << "the program hung at start";
    ASSERT_EQ(start.exitCode, 0) << start.err;
    const long long startNs = start.start.time_since_epoch().count();
    const long long shownNs = std::atoll(start.out.c_str());
    ASSERT_GT(shownNs, startNs) << start.out;
    EXPECT_EQ(Describe(file), before) << "the start changed the file";

    const Finished run =
        test_support::Run({.args = {helper, file}, .unprivileged = c.unprivileged});
    ASSERT_TRUE(run.inTime) << "the window hung\n" << run.out;
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const auto lines = Lines(run.out);
    ASSERT_GE(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0], "shown 661 492");
    Bounds bounds;
    ASSERT_EQ(std::sscanf(lines[1].c_str(), "bounds %d %d", &bounds.left, &bounds.top), 2);

    long long closeMs = -1;
    if (c.expect == Expect::Kept) {
        ASSERT_EQ(lines.size(), 3u) << run.out;
        ASSERT_EQ(std::sscanf(lines[2].c_str(), "close 1 %lld", &closeMs), 1) << lines[2];
        EXPECT_TRUE(SameBytes(ReadBytes(file), c.after(old, bounds)));
        const StoredBounds stored = ReadPlacement(file);
        EXPECT_EQ(stored.width, 661);
        EXPECT_EQ(stored.height, 492);
    } else {
        const std::string notice = "notice " + file + " に書き込めません.";
        // The notice, then the window closes all the same.
        ASSERT_EQ(lines.size(), 4u) << run.out;
        EXPECT_EQ(lines[2], notice);
        EXPECT_EQ(std::sscanf(lines[3].c_str(), "close 1 %lld", &closeMs), 1) << lines[3];
        EXPECT_EQ(Describe(file), before);
    }
    EXPECT_EQ(FolderEntries(folder.Path()),
              (std::set<std::string>{"hostile_window_helper", "runamika", "runamika.ini"}));

    std::printf("%-40s program shown after %4lld ms; window shown after %4lld ms; close %s in "
                "%lld ms\n",
                c.name, (shownNs - startNs) / 1'000'000,
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           run.lineTimes[0] - run.start)
                                           .count()),
                c.expect == Expect::Kept ? "wrote the file" : "refused with the notice", closeMs);
}

INSTANTIATE_TEST_SUITE_P(Kinds, HostileSettings, testing::Range<std::size_t>(0, Cases().size()),
                         [](const testing::TestParamInfo<std::size_t>& info) {
                             std::string name = Cases()[info.param].name;
                             for (auto& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             }
                             return name;
                         });

} // namespace
