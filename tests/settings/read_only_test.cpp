// Read-only cases. Permission bits do not stop root, so when the tests run as root the write
// runs in a helper process as the unprivileged user "nobody".
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "settings/placement_file.h"
#include "tests/support/files.h"
#include "tests/support/process.h"

using namespace test_support;

// A write needs the file to be writable, and a new file needs a writable folder; a writable
// file in a read-only folder (where no temporary file can be made) is written in place, unless it
// cannot take the new content whole. A link to a file is judged by the file.
TEST(PlacementReadOnly, WritesWhereTheFileMayBeWrittenAndFailsElsewhere) {
    struct Case {
        const char* name;
        mode_t fileMode; // 0: no file
        mode_t folderMode;
        bool written;
        bool throughLink = false;
        int fileSizeLimit = 0; // bytes; 0: none
    };
    const Case cases[] = {
        {"read-only file", 0444, 0755, false},
        {"write-only file: what it holds cannot be kept", 0200, 0755, false},
        {"writable file in a read-only folder", 0644, 0555, true},
        {"read-only file in a read-only folder", 0444, 0555, false},
        {"no file in a read-only folder", 0, 0555, false},
        // The temporary file goes into the file's own folder, not the one above it.
        {"no file in a writable folder below one that is not", 0, 0755, true},
        {"link to a read-only file", 0444, 0755, false, true},
        {"link to a writable file in a read-only folder", 0644, 0555, true, true},
        // Sized before it is written: the file stays whole when it cannot grow.
        {"writable file in a read-only folder, past the file size limit", 0644, 0555, false, false,
         30},
    };
    const std::string before = "; kept\n[form]\nleft=1\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder root;
        const std::string dir = root / "app";
        const std::string file = dir + "/CONV.ini";
        const std::string link = root / "CONV-link.ini";
        if (c.throughLink) {
            ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
        }
        const std::string helper = root / "helper";
        ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
        if (c.fileMode != 0) WriteBytes(file, before);
        // A copy of the helper that the unprivileged user can reach and run.
        std::filesystem::copy_file(SETTINGS_WRITE_HELPER, helper);
        ASSERT_EQ(chmod(helper.c_str(), 0755), 0);
        ASSERT_EQ(chmod(root.Path().c_str(), 0755), 0);
        if (geteuid() == 0) {
            ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
            if (c.fileMode != 0) {
                ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
            }
        }
        if (c.fileMode != 0) {
            ASSERT_EQ(chmod(file.c_str(), c.fileMode), 0);
        }
        ASSERT_EQ(chmod(dir.c_str(), c.folderMode), 0);

        // The helper writes as the unprivileged user, under a file size limit when one is given.
        std::vector<std::string> args;
        if (c.fileSizeLimit > 0) args = {"prlimit", "--fsize=" + std::to_string(c.fileSizeLimit)};
        args.insert(args.end(), {helper, c.throughLink ? link : file, "10", "20", "800", "600"});
        const Finished outcome = test_support::Run({.args = args, .unprivileged = true});
        EXPECT_TRUE(outcome.inTime);
        const std::set<std::string> entries = c.fileMode != 0 || c.written
                                                  ? std::set<std::string>{"CONV.ini"}
                                                  : std::set<std::string>{};
        EXPECT_EQ(FolderEntries(dir), entries);
        if (c.written) {
            EXPECT_EQ(outcome.exitCode, 0) << outcome.out;
            const std::string kept = c.fileMode != 0 ? "; kept\n" : "";
            EXPECT_EQ(ReadBytes(file), kept + "[form]\nleft=10\ntop=20\nwidth=800\nheight=600\n");
        } else {
            EXPECT_EQ(outcome.exitCode, 3);
            EXPECT_EQ(outcome.out, (c.throughLink ? link : file) + " に書き込めません");
            if (c.fileMode != 0) {
                EXPECT_EQ(ReadBytes(file), before);
            }
        }
        struct stat st {};
        if (c.throughLink) {
            EXPECT_TRUE(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
        }
        ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    }
}
