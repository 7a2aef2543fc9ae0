// Two copies of the program closing at the same moment: each writes its four values to the
// same placement file. Whatever the interleaving, the file must stay valid and hold the four
// values of one copy, never a mix of both.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "settings/placement_file.h"
#include "test_files.h"

namespace {

// A running copy of the race helper, driven through two pipes.
class Writer {
public:
    Writer(const std::string& file, const WindowBounds& b) {
        int in[2];
        int out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            for (const int fd : {in[0], in[1], out[0], out[1]}) close(fd);
            const std::string args[] = {std::to_string(b.left), std::to_string(b.top),
                                        std::to_string(b.width), std::to_string(b.height)};
            execl(SETTINGS_RACE_HELPER, SETTINGS_RACE_HELPER, file.c_str(), args[0].c_str(),
                  args[1].c_str(), args[2].c_str(), args[3].c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        go_ = in[1];
        done_ = out[0];
    }
    ~Writer() {
        close(go_);
        close(done_);
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    bool Release() const { return write(go_, "g", 1) == 1; }

    // The helper's answer: '0' written, '3' failed; 0 when none came within ten seconds.
    char Answer() const {
        pollfd wait{done_, POLLIN, 0};
        char answer = 0;
        if (poll(&wait, 1, 10'000) != 1 || read(done_, &answer, 1) != 1) return 0;
        return answer;
    }

private:
    pid_t pid_ = -1;
    int go_ = -1;
    int done_ = -1;
};

std::string FileHolding(const WindowBounds& b) {
    return "[form]\nleft=" + std::to_string(b.left) + "\ntop=" + std::to_string(b.top) +
           "\nwidth=" + std::to_string(b.width) + "\nheight=" + std::to_string(b.height) + "\n";
}

} // namespace

TEST(TwoCopies, ClosingTogetherLeavesTheValuesOfOneCopy) {
    const WindowBounds first{10, 20, 800, 600};
    const WindowBounds second{-7, 3000, 1024, 77};
    const std::string oneOrOther[] = {FileHolding(first), FileHolding(second)};
    constexpr int kRounds = 300;

    TempFolder folder;
    const std::string file = folder / "runamika.ini";
    Writer a(file, first);
    Writer b(file, second);
    int mixed = 0;
    int wins[2] = {0, 0};
    for (int round = 0; round < kRounds; ++round) {
        // From round 1 on the file already holds all four keys; round 0 starts without one.
        ASSERT_TRUE(a.Release() && b.Release());
        ASSERT_EQ(a.Answer(), '0') << "round " << round;
        ASSERT_EQ(b.Answer(), '0') << "round " << round;
        const std::string content = ReadBytes(file);
        if (content == oneOrOther[0]) {
            ++wins[0];
        } else if (content == oneOrOther[1]) {
            ++wins[1];
        } else {
            ++mixed;
            ADD_FAILURE() << "round " << round << ":\n" << content;
        }
    }
    EXPECT_EQ(FolderEntries(folder.Path()), std::set<std::string>{"runamika.ini"});
    std::printf("two copies, %d rounds: first copy's values %d, second's %d, mixed %d\n", kRounds,
                wins[0], wins[1], mixed);
}
