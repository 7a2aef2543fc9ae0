// Read-only cases. Permission bits do not stop root, so when the tests run as root the write
// runs in a helper process as the unprivileged user "nobody".
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "settings/placement_file.h"
#include "test_files.h"

namespace {

struct Outcome {
    int exitCode = -1;
    std::string output;
};

Outcome RunWriteHelper(const std::string& helper, const std::string& file) {
    std::vector<std::string> args;
    if (geteuid() == 0) {
        args = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    }
    for (const char* arg : {helper.c_str(), file.c_str(), "10", "20", "800", "600"}) {
        args.push_back(arg);
    }
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    Outcome outcome;
    char buffer[512];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        outcome.output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        outcome.exitCode = WEXITSTATUS(status);
    }
    return outcome;
}

} // namespace

TEST(PlacementReadOnly, ReadOnlyFileOrFolderFailsUntilMadeWritable) {
    for (const bool folderReadOnly : {false, true}) {
        SCOPED_TRACE(folderReadOnly ? "read-only folder" : "read-only file");
        TempFolder root;
        const std::string dir = root / "app";
        const std::string file = dir + "/CONV.ini";
        const std::string helper = root / "helper";
        ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
        const std::string before = "; kept\n[form]\nleft=1\n";
        WriteBytes(file, before);
        // A copy of the helper that the unprivileged user can reach and run.
        std::filesystem::copy_file(SETTINGS_WRITE_HELPER, helper);
        ASSERT_EQ(chmod(helper.c_str(), 0755), 0);
        ASSERT_EQ(chmod(root.Path().c_str(), 0755), 0);
        if (geteuid() == 0) {
            ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
            ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
        }
        const std::string& readOnly = folderReadOnly ? dir : file;
        ASSERT_EQ(chmod(readOnly.c_str(), folderReadOnly ? 0555 : 0444), 0);

        for (int attempt = 0; attempt < 2; ++attempt) {
            const Outcome outcome = RunWriteHelper(helper, file);
            EXPECT_EQ(outcome.exitCode, 3);
            EXPECT_EQ(outcome.output, file + " に書き込めません");
            EXPECT_EQ(ReadBytes(file), before);
            EXPECT_EQ(FolderEntries(dir), std::set<std::string>{"CONV.ini"});
        }

        ASSERT_EQ(chmod(readOnly.c_str(), folderReadOnly ? 0755 : 0644), 0);
        const Outcome outcome = RunWriteHelper(helper, file);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
        EXPECT_EQ(ReadBytes(file), "; kept\n[form]\nleft=10\ntop=20\nwidth=800\nheight=600\n");
    }
}
