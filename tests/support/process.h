// Programs that the tests start: the program itself, helpers that play a second copy or an
// unprivileged user, servers. A test never hangs on one: every wait has a guard, and a program
// still running when its object ends is killed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

// The one guard length of the suite: how long a test waits for a state that a program or a
// server reports before it gives up.
inline constexpr std::chrono::milliseconds kGuard{30000};

// Permission bits stop no write of root: a case that needs a refusal runs its program as the
// unprivileged user "nobody" when the tests run as root.
bool RunningAsRoot();

struct Command {
    std::vector<std::string> args{}; // the program (looked up in PATH) and its arguments
    // "NAME=value" entries added to the test's own environment, or with cleanEnvironment the
    // whole environment besides a standard PATH.
    std::vector<std::string> env{};
    bool cleanEnvironment = false;
    bool unprivileged = false; // as "nobody" when the tests run as root
    // A process group of its own, killed with it: what it starts in turn (a window manager
    // under its message bus, a compositor's helpers) ends with it.
    bool ownGroup = false;
    bool quiet = false; // its standard error to /dev/null instead of the test's
};

// A started program. Its standard input and output are pipes to the test when asked, else
// /dev/null; its standard error is the test's. It dies with the test.
class Process {
public:
    explicit Process(Command command, bool talk = false);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const { return pid_; }
    // To its standard input; false when it no longer reads.
    bool Write(std::string_view bytes);
    // The next line of its standard output without the line break; std::nullopt when its output
    // ended or no whole line came within the guard.
    std::optional<std::string> ReadLine(std::chrono::milliseconds guard = kGuard);
    // One line to it and one line back (empty when none came).
    std::string Ask(std::string_view question);
    // Its exit code (-N when signal N ended it) once it has ended within the guard, calling idle
    // while it runs; std::nullopt when it still runs.
    std::optional<int> Wait(std::chrono::milliseconds guard = kGuard,
                            const std::function<void()>& idle = {});
    // Asks it to end (SIGTERM), as a server that cleans up after itself wants, and kills it when
    // it has not ended within the guard.
    void End(std::chrono::milliseconds guard = kGuard);
    void Kill();

private:
    pid_t pid_ = -1;
    bool ownGroup_ = false;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string pending_; // read but not yet returned as a line
    std::optional<int> code_;
};

struct Finished {
    bool inTime = false; // false: the guard ended it
    int exitCode = -1;   // -N when signal N ended it
    std::string out;
    std::string err;
    std::chrono::steady_clock::time_point start;
    std::vector<std::chrono::steady_clock::time_point> lineTimes; // when each line of out came
};

// Runs a program to its end, collecting what it writes, and kills it when it has not ended
// within the guard.
Finished Run(const Command& command, std::chrono::milliseconds guard = kGuard);

// Runs body in a forked copy of the test, its address space limited to what the test uses at
// the fork plus spareBytes (no limit when 0), and returns body's result as the copy's exit code:
// -N when signal N ended it, -1000 when the limit could not be set or the fork failed.
int InChild(const std::function<int()>& body, std::size_t spareBytes = 0);

} // namespace test_support
