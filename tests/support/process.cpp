#include "tests/support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <thread>

namespace test_support {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long long>(left.count(), 0));
}

// The standard streams of a child: the descriptor to put in place, or -1 for /dev/null.
struct Streams {
    int in = -1;
    int out = -1;
    int err = STDERR_FILENO;
};

// Forks and executes the command with the given streams; every other descriptor of the pipes
// is the parent's business (they are opened close-on-exec). Returns the child's id, or -1.
pid_t Start(Command command, const Streams& streams) {
    if (command.unprivileged && RunningAsRoot()) {
        command.args.insert(command.args.begin(),
                            {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
    }
    std::vector<char*> argv;
    for (auto& arg : command.args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    if (command.cleanEnvironment) {
        environment = command.env;
        environment.push_back("PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin");
    } else {
        for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
        // A later entry of the same name wins: the command's entries replace the test's own.
        for (const auto& entry : command.env) {
            const auto name = entry.substr(0, entry.find('=') + 1);
            std::erase_if(environment, [&](const std::string& e) { return e.starts_with(name); });
            environment.push_back(entry);
        }
    }
    std::vector<char*> envp;
    for (auto& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child != 0) return child;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127); // the test ended before the child was ready
    if (command.ownGroup) setpgid(0, 0);
    signal(SIGPIPE, SIG_DFL); // the test's own choice is not the program's
    const int null = open("/dev/null", O_RDWR);
    dup2(streams.in >= 0 ? streams.in : null, STDIN_FILENO);
    dup2(streams.out >= 0 ? streams.out : null, STDOUT_FILENO);
    dup2(streams.err >= 0 ? streams.err : null, STDERR_FILENO);
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
}

int ExitCode(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

} // namespace

bool RunningAsRoot() {
    return geteuid() == 0;
}

Process::Process(Command command, bool talk) {
    // A write to a program that has ended fails instead of ending the test.
    signal(SIGPIPE, SIG_IGN);
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    if (talk && (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)) return;
    ownGroup_ = command.ownGroup;
    const int err = command.quiet ? -1 : STDERR_FILENO;
    pid_ = Start(std::move(command), {in[0], out[1], err});
    if (talk) {
        close(in[0]);
        close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
    }
}

Process::~Process() {
    if (toChild_ >= 0) close(toChild_);
    if (fromChild_ >= 0) close(fromChild_);
    Kill();
}

bool Process::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t done = write(toChild_, bytes.data(), bytes.size());
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(done));
    }
    return true;
}

std::optional<std::string> Process::ReadLine(std::chrono::milliseconds guard) {
    const auto deadline = Clock::now() + guard;
    for (;;) {
        const auto end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        pollfd wait{fromChild_, POLLIN, 0};
        if (fromChild_ < 0 || poll(&wait, 1, MillisecondsLeft(deadline)) != 1) return std::nullopt;
        char buffer[4096];
        const ssize_t got = read(fromChild_, buffer, sizeof buffer);
        if (got <= 0) return std::nullopt;
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string Process::Ask(std::string_view question) {
    if (!Write(std::string(question) + "\n")) return {};
    return ReadLine().value_or("");
}

std::optional<int> Process::Wait(std::chrono::milliseconds guard,
                                 const std::function<void()>& idle) {
    const auto deadline = Clock::now() + guard;
    while (!code_ && pid_ > 0) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            code_ = ExitCode(status);
            break;
        }
        if (Clock::now() > deadline) return std::nullopt;
        if (idle) idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return code_;
}

void Process::End(std::chrono::milliseconds guard) {
    if (pid_ > 0 && !code_) kill(pid_, SIGTERM);
    Wait(guard);
    Kill();
}

void Process::Kill() {
    if (pid_ > 0 && ownGroup_) kill(-pid_, SIGKILL);
    if (pid_ <= 0 || code_) return;
    kill(pid_, SIGKILL);
    int status = 0;
    if (waitpid(pid_, &status, 0) == pid_) code_ = ExitCode(status);
}

Finished Run(const Command& command, std::chrono::milliseconds guard) {
    Finished result;
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0) return result;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return result;
    }
    result.start = Clock::now();
    const auto deadline = result.start + guard;
    const pid_t child = Start(command, {-1, out[1], err[1]});
    close(out[1]);
    close(err[1]);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    for (int open = child > 0 ? 2 : 0; open > 0;) {
        if (poll(fds, 2, MillisecondsLeft(deadline)) <= 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            std::string& into = i == 0 ? result.out : result.err;
            into.append(buffer, static_cast<std::size_t>(got));
            if (i == 0) {
                const auto lines = std::count(result.out.begin(), result.out.end(), '\n');
                result.lineTimes.resize(static_cast<std::size_t>(lines), Clock::now());
            }
        }
    }
    for (const auto& fd : fds) {
        if (fd.fd >= 0) close(fd.fd);
    }
    if (child <= 0) return result;
    // The output has ended; the program gets what is left of the guard to exit.
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(child, &status, WNOHANG)) == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (ended != child) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        return result;
    }
    result.inTime = true;
    result.exitCode = ExitCode(status);
    return result;
}

int InChild(const std::function<int()>& body, std::size_t spareBytes) {
    const pid_t child = fork();
    if (child < 0) return -1000;
    if (child == 0) {
        if (spareBytes > 0) {
            long pages = 0;
            std::ifstream("/proc/self/statm") >> pages;
            const rlimit limit{static_cast<rlim_t>(pages * sysconf(_SC_PAGESIZE)) + spareBytes,
                               RLIM_INFINITY};
            if (pages <= 0 || setrlimit(RLIMIT_AS, &limit) != 0) _exit(200);
        }
        _exit(body());
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) return -1000;
    const int code = ExitCode(status);
    return code == 200 && spareBytes > 0 ? -1000 : code;
}

} // namespace test_support
