// The window where users meet it: an X server (Xvfb) with a real window manager (openbox),
// both started and stopped by each test, the real program, and real X events (the window
// manager's close, maximise and minimise requests, key presses through xdotool, a session
// manager of our own speaking the session protocol). What the offscreen platform cannot show is
// checked here: the frame around the window, what a close stores, clamped sizes, the session's
// end, the close on a placement file that cannot be written, and the pixels on the screen.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
extern "C" {
#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>
}

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "settings/placement_file.h"

// The session protocol library keeps a little of each connection that the test's session manager
// has accepted after its client has gone; the leak checker of sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libICE.so\n";
}

namespace {

namespace fs = std::filesystem;

constexpr int kGuardMs = 20000;
constexpr uid_t kNobody = 65534;

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool AsNobody() {
    return geteuid() == 0;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return in ? all.str() : all.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A child process with a clean environment; its standard input and output are pipes when asked.
class Child {
public:
    Child(std::vector<std::string> args, const std::vector<std::string>& env, bool unprivileged,
          bool talk = false) {
        if (unprivileged && AsNobody()) {
            args.insert(args.begin(),
                        {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
        }
        int in[2] = {-1, -1}, out[2] = {-1, -1};
        if (talk && (pipe(in) != 0 || pipe(out) != 0)) return;
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (talk) {
                dup2(in[0], STDIN_FILENO);
                dup2(out[1], STDOUT_FILENO);
                for (const int fd : {in[0], in[1], out[0], out[1]}) close(fd);
            } else {
                const int null = open("/dev/null", O_RDWR);
                dup2(null, STDIN_FILENO);
                dup2(null, STDOUT_FILENO);
            }
            std::vector<char*> argv, envp;
            for (auto& arg : args) argv.push_back(arg.data());
            argv.push_back(nullptr);
            std::vector<std::string> environment = env;
            environment.push_back("PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin");
            // Leaks at the exit of a program that talked to an X server are the libraries'.
            environment.push_back("ASAN_OPTIONS=detect_leaks=0");
            for (auto& entry : environment) envp.push_back(entry.data());
            envp.push_back(nullptr);
            execvpe(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        if (talk) {
            close(in[0]);
            close(out[1]);
            toChild_ = fdopen(in[1], "w");
            fromChild_ = fdopen(out[0], "r");
        }
    }
    ~Child() {
        if (toChild_ != nullptr) fclose(toChild_);
        if (fromChild_ != nullptr) fclose(fromChild_);
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return pid_; }

    // The exit code once the child has ended within timeoutMs, running idle meanwhile;
    // std::nullopt when it is still running (or was ended by a signal: -signal).
    std::optional<int> Wait(int timeoutMs, const std::function<void()>& idle = {}) {
        const long long deadline = NowMs() + timeoutMs;
        while (!exited_) {
            int status = 0;
            const pid_t got = waitpid(pid_, &status, WNOHANG);
            if (got == pid_) {
                exited_ = true;
                code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
                break;
            }
            if (NowMs() > deadline) return std::nullopt;
            if (idle) idle();
            Sleep(10);
        }
        return code_;
    }

    // One question to the window probe, one line back.
    std::string Ask(const std::string& question) {
        if (toChild_ == nullptr) return {};
        std::fprintf(toChild_, "%s\n", question.c_str());
        std::fflush(toChild_);
        char line[4096];
        if (std::fgets(line, sizeof line, fromChild_) == nullptr) return {};
        std::string answer(line);
        while (!answer.empty() && answer.back() == '\n') answer.pop_back();
        return answer;
    }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int code_ = -1;
    FILE* toChild_ = nullptr;
    FILE* fromChild_ = nullptr;
};

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << r.w << "x" << r.h << "+" << r.x << "+" << r.y;
}

// An X server of its own (Xvfb picks a free display: parallel tests never collide) with openbox
// managing its windows.
class Desktop {
public:
    Desktop(int width, int height) : folder_(fs::temp_directory_path() / MakeName()) {
        fs::create_directories(folder_);
        int ready[2];
        if (pipe(ready) != 0) return;
        const pid_t server = fork();
        if (server == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(ready[0]);
            const std::string fd = std::to_string(ready[1]);
            const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
            const int null = open("/dev/null", O_RDWR);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                   "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        xvfb_ = server;
        close(ready[1]);
        std::string number;
        pollfd wait{ready[0], POLLIN, 0};
        char c = 0;
        while (poll(&wait, 1, 10000) > 0 && read(ready[0], &c, 1) == 1 && c != '\n') number += c;
        close(ready[0]);
        if (number.empty()) return;
        display_ = ":" + number;
        x_ = XOpenDisplay(display_.c_str());
        if (x_ == nullptr) return;
        // Windows come and go while they are looked at: a failed request is no failure here.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        const fs::path config = folder_ / "config";
        fs::create_directories(config);
        openbox_ = std::make_unique<Child>(
            std::vector<std::string>{"openbox", "--sm-disable"},
            std::vector<std::string>{"DISPLAY=" + display_, "HOME=" + folder_.string(),
                                     "XDG_CONFIG_HOME=" + config.string()},
            false);
        const long long deadline = NowMs() + 10000;
        while (!ManagerRunning() && NowMs() < deadline) Sleep(20);
    }
    ~Desktop() {
        openbox_.reset();
        if (x_ != nullptr) XCloseDisplay(x_);
        if (xvfb_ > 0) {
            kill(xvfb_, SIGTERM);
            waitpid(xvfb_, nullptr, 0);
        }
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    bool Ready() { return x_ != nullptr && ManagerRunning(); }
    const std::string& DisplayName() const { return display_; }
    Display* X() { return x_; }
    const fs::path& Folder() const { return folder_; }

    Atom A(const char* name) { return XInternAtom(x_, name, False); }

    std::vector<unsigned long> Longs(Window w, const char* property, Atom type) {
        Atom actual = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<unsigned long> values;
        if (XGetWindowProperty(x_, w, A(property), 0, 1024, False, type, &actual, &format, &count,
                               &after, &data) == Success &&
            data != nullptr) {
            if (format == 32) {
                const auto* longs = reinterpret_cast<const unsigned long*>(data);
                values.assign(longs, longs + count);
            }
            XFree(data);
        }
        return values;
    }

    std::string Utf8(Window w, const char* property) {
        Atom actual = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::string text;
        if (XGetWindowProperty(x_, w, A(property), 0, 1024, False, A("UTF8_STRING"), &actual,
                               &format, &count, &after, &data) == Success &&
            data != nullptr) {
            text.assign(reinterpret_cast<const char*>(data), count);
            XFree(data);
        }
        return text;
    }

    // The managed windows of a process, by their titles.
    std::map<Window, std::string> ClientsOf(pid_t pid) {
        std::map<Window, std::string> clients;
        for (const unsigned long w : Longs(DefaultRootWindow(x_), "_NET_CLIENT_LIST", XA_WINDOW)) {
            const auto owner = Longs(w, "_NET_WM_PID", XA_CARDINAL);
            if (owner.size() == 1 && static_cast<pid_t>(owner[0]) == pid) {
                clients[w] = Utf8(w, "_NET_WM_NAME");
            }
        }
        return clients;
    }

    std::optional<Window> WaitForClient(pid_t pid, const std::string& title, int timeoutMs,
                                        const std::function<void()>& idle = {}) {
        const long long deadline = NowMs() + timeoutMs;
        while (NowMs() < deadline) {
            for (const auto& [w, name] : ClientsOf(pid)) {
                if (name == title) return w;
            }
            if (idle) idle();
            Sleep(10);
        }
        return std::nullopt;
    }

    // How many tooltip windows of a process are on the screen.
    int ToolTipsOf(pid_t pid) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        int tips = 0;
        if (!XQueryTree(x_, DefaultRootWindow(x_), &root, &parent, &children, &count)) return 0;
        for (unsigned int i = 0; i < count; ++i) {
            const auto owner = Longs(children[i], "_NET_WM_PID", XA_CARDINAL);
            const auto type = Longs(children[i], "_NET_WM_WINDOW_TYPE", XA_ATOM);
            XWindowAttributes a{};
            if (owner.size() == 1 && static_cast<pid_t>(owner[0]) == pid && !type.empty() &&
                type[0] == A("_NET_WM_WINDOW_TYPE_TOOLTIP") &&
                XGetWindowAttributes(x_, children[i], &a) && a.map_state == IsViewable) {
                ++tips;
            }
        }
        if (children != nullptr) XFree(children);
        return tips;
    }

    // The window manager's frame around a client: the client's ancestor below the root.
    Rect FrameOf(Window client) {
        Window at = client;
        for (;;) {
            Window root = 0, parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(x_, at, &root, &parent, &children, &count)) break;
            if (children != nullptr) XFree(children);
            if (parent == root || parent == 0) break;
            at = parent;
        }
        XWindowAttributes a{};
        XGetWindowAttributes(x_, at, &a);
        return {a.x, a.y, a.width + 2 * a.border_width, a.height + 2 * a.border_width};
    }

    // The frame once it has stopped changing.
    Rect SettledFrameOf(Window client) {
        Rect last = FrameOf(client);
        for (int same = 0, i = 0; same < 3 && i < 200; ++i) {
            Sleep(30);
            const Rect now = FrameOf(client);
            same = now == last ? same + 1 : 0;
            last = now;
        }
        return last;
    }

    void SendRequest(Window w, const char* type, std::vector<long> data) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = A(type);
        e.xclient.format = 32;
        for (std::size_t i = 0; i < data.size() && i < 5; ++i) e.xclient.data.l[i] = data[i];
        XSendEvent(x_, DefaultRootWindow(x_), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &e);
        XFlush(x_);
    }

    // What a user's close box, maximise box and taskbar minimise do: requests to the manager.
    void Close(Window w) { SendRequest(w, "_NET_CLOSE_WINDOW", {CurrentTime, 2}); }
    void Maximise(Window w) {
        SendRequest(w, "_NET_WM_STATE",
                    {1, static_cast<long>(A("_NET_WM_STATE_MAXIMIZED_VERT")),
                     static_cast<long>(A("_NET_WM_STATE_MAXIMIZED_HORZ")), 2});
    }
    void Minimise(Window w) {
        XIconifyWindow(x_, w, DefaultScreen(x_));
        XFlush(x_);
    }
    bool Iconic(Window w) {
        const auto state = Longs(w, "WM_STATE", A("WM_STATE"));
        return !state.empty() && state[0] == IconicState;
    }

    // Presses keys or types text as a user at the keyboard, through the X server.
    void Keys(const std::vector<std::string>& args) {
        std::vector<std::string> command{"xdotool"};
        command.insert(command.end(), args.begin(), args.end());
        Child tool(command, {"DISPLAY=" + display_}, false);
        tool.Wait(10000);
    }

    // A screenshot of a rectangle of the screen, as 0xRRGGBB values.
    std::vector<unsigned> Pixels(const Rect& r) {
        std::vector<unsigned> pixels;
        XImage* image = XGetImage(x_, DefaultRootWindow(x_), r.x, r.y, static_cast<unsigned>(r.w),
                                  static_cast<unsigned>(r.h), AllPlanes, ZPixmap);
        if (image == nullptr) return pixels;
        for (int y = 0; y < r.h; ++y) {
            for (int x = 0; x < r.w; ++x) {
                pixels.push_back(static_cast<unsigned>(XGetPixel(image, x, y)) & 0xFFFFFF);
            }
        }
        XDestroyImage(image);
        return pixels;
    }

private:
    static std::string MakeName() {
        return "runamika-desktop-" + std::to_string(getpid()) + "-" + std::to_string(NowMs());
    }
    bool ManagerRunning() {
        return x_ != nullptr &&
               !Longs(DefaultRootWindow(x_), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty();
    }

    fs::path folder_;
    pid_t xvfb_ = -1;
    std::string display_;
    Display* x_ = nullptr;
    std::unique_ptr<Child> openbox_;
};

const std::string kTitle = "ルナミカ99年版";

// A copy of the program in a folder of its own, so that its placement file lies beside it, and
// what the program needs to run there (as the unprivileged user when the tests run as root).
class Installed {
public:
    Installed(Desktop& desktop, const char* program) : desktop_(desktop) {
        const fs::path own = desktop.Folder() / ("app-" + std::to_string(++count_));
#if RUNAMIKA_PER_USER_SETTINGS
        // The installed build keeps its file in $XDG_CONFIG_HOME/runamika: that folder holds
        // the copy of the program too, so both builds find the file at the same place here.
        configHome_ = own.string();
        folder_ = own / "runamika";
#else
        folder_ = own;
#endif
        runtime_ = own.string() + "-runtime";
        fs::create_directories(folder_);
        fs::create_directories(runtime_);
        program_ = (folder_ / "runamika").string();
        fs::copy_file(program, program_);
        for (const fs::path& folder : {own, folder_}) chmod(folder.c_str(), 0755);
        chmod(runtime_.c_str(), 0700);
        chmod(desktop.Folder().c_str(), 0755);
        if (AsNobody()) {
            for (const fs::path& folder : {own, folder_}) chown(folder.c_str(), kNobody, kNobody);
            chown(runtime_.c_str(), kNobody, kNobody);
        }
    }
    std::string File() const {
        return (folder_ / "runamika.ini").string();
    }
    const fs::path& Folder() const {
        return folder_;
    }

    std::unique_ptr<Child> Start(std::vector<std::string> env = {}, bool talk = false) {
        env.push_back("DISPLAY=" + desktop_.DisplayName());
        env.push_back("XDG_RUNTIME_DIR=" + runtime_);
        env.push_back("HOME=" + runtime_);
        env.push_back("QT_QPA_PLATFORM=xcb");
        const bool configGiven = std::any_of(env.begin(), env.end(), [](const std::string& e) {
            return e.starts_with("XDG_CONFIG_HOME=");
        });
        if (!configHome_.empty() && !configGiven) env.push_back("XDG_CONFIG_HOME=" + configHome_);
        return std::make_unique<Child>(std::vector<std::string>{program_}, env, true, talk);
    }

    // Hands the file to the user the program runs as, with the given modes.
    void Own(mode_t fileMode, mode_t folderMode) {
        if (AsNobody() && fs::exists(File())) chown(File().c_str(), kNobody, kNobody);
        if (fs::exists(File())) chmod(File().c_str(), fileMode);
        chmod(folder_.c_str(), folderMode);
    }

private:
    static inline int count_ = 0;
    Desktop& desktop_;
    fs::path folder_;
    std::string runtime_;
    std::string configHome_; // empty where the file lies beside the program
    std::string program_;
};

Rect CentredOn1280x1024(int w, int h) {
    return {std::max(0, (1280 - w) / 2), std::max(0, (1024 - h) / 2), w, h};
}

// ---- Placement ------------------------------------------------------------------------------

enum class Action { Nothing, Maximise, Minimise };

TEST(Desktop, WhatACloseStoresAndTheNextStartShows) {
    struct Case {
        const char* name;
        std::optional<std::pair<int, int>> stored; // width, height in the file at the start
        Action action;
        int runs;
    };
    const Case cases[] = {
        {"designed size, start and close again and again", std::nullopt, Action::Nothing, 4},
        {"stored 800x600", std::pair{800, 600}, Action::Nothing, 2},
        {"maximised", std::nullopt, Action::Maximise, 1},
        {"minimised", std::pair{700, 500}, Action::Minimise, 1},
    };
    Desktop desktop(1280, 1024);
    ASSERT_TRUE(desktop.Ready());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Installed app(desktop, RUNAMIKA_PATH);
        const auto [width, height] = c.stored.value_or(std::pair{661, 492});
        if (c.stored) {
            WriteBytes(app.File(), "[form]\nwidth=" + std::to_string(width) +
                                       "\nheight=" + std::to_string(height) + "\n");
        }
        app.Own(0644, 0755);
        std::string previous;
        for (int run = 0; run < c.runs; ++run) {
            SCOPED_TRACE("run " + std::to_string(run + 1));
            const auto program = app.Start();
            const auto window = desktop.WaitForClient(program->Pid(), kTitle, kGuardMs);
            ASSERT_TRUE(window.has_value());
            // The outer rectangle on the screen is the stored size, centred.
            const Rect shown = desktop.SettledFrameOf(*window);
            EXPECT_EQ(shown, CentredOn1280x1024(width, height));
            Rect expected = shown;
            if (c.action == Action::Maximise) {
                desktop.Maximise(*window);
                const long long deadline = NowMs() + 5000;
                while (desktop.FrameOf(*window) == shown && NowMs() < deadline) Sleep(20);
                expected = desktop.SettledFrameOf(*window);
                EXPECT_EQ(expected, (Rect{0, 0, 1280, 1024}));
            } else if (c.action == Action::Minimise) {
                desktop.Minimise(*window);
                const long long deadline = NowMs() + 5000;
                while (!desktop.Iconic(*window) && NowMs() < deadline) Sleep(20);
                EXPECT_TRUE(desktop.Iconic(*window));
            }
            desktop.Close(*window);
            EXPECT_EQ(program->Wait(kGuardMs), std::optional<int>(0));
            const StoredBounds stored = ReadPlacement(app.File());
            EXPECT_EQ(stored.left, expected.x);
            EXPECT_EQ(stored.top, expected.y);
            EXPECT_EQ(stored.width, expected.w);
            EXPECT_EQ(stored.height, expected.h);
            // Nothing touched: the next run leaves every byte as it was.
            const std::string now = ReadBytes(app.File());
            if (run > 0) {
                EXPECT_EQ(now, previous);
            }
            previous = now;
        }
    }
}

TEST(Desktop, StoredSizesAreKeptToWhatTheScreenCanShow) {
    struct Case {
        const char* width;
        const char* height;
    };
    const Case cases[] = {
        {"0", "0"}, {"-5", "-5"}, {"-2147483648", "-2147483648"}, {"661", "0"}, {"40000", "30000"}};
    Desktop desktop(1280, 1024);
    ASSERT_TRUE(desktop.Ready());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        Installed app(desktop, RUNAMIKA_PATH);
        WriteBytes(app.File(),
                   std::string("[form]\nwidth=") + c.width + "\nheight=" + c.height + "\n");
        app.Own(0644, 0755);
        const long long start = NowMs();
        const auto program = app.Start();
        // The guard only catches a window that never comes; the time is reported.
        const auto window = desktop.WaitForClient(program->Pid(), kTitle, 5000);
        ASSERT_TRUE(window.has_value()) << "no window within 5 s";
        std::printf("[ timing ] %s x %s: window managed after %lld ms\n", c.width, c.height,
                    NowMs() - start);
        const Rect shown = desktop.SettledFrameOf(*window);
        // A title bar with its buttons and the whole menu, never more than the screen.
        EXPECT_GE(shown.w, 100) << shown;
        EXPECT_GE(shown.h, 40) << shown;
        EXPECT_LE(shown.w, 1280) << shown;
        EXPECT_LE(shown.h, 1024) << shown;
        EXPECT_GE(shown.x, 0);
        EXPECT_GE(shown.y, 0);
        if (std::string(c.width) == "40000") {
            EXPECT_EQ(shown, (Rect{0, 0, 1280, 1024}));
        }
        desktop.Close(*window);
        EXPECT_EQ(program->Wait(kGuardMs), std::optional<int>(0));
        const StoredBounds stored = ReadPlacement(app.File());
        EXPECT_EQ(stored.width, shown.w);
        EXPECT_EQ(stored.height, shown.h);
    }
}

// ---- The session's end ----------------------------------------------------------------------

// A session manager for one client: it registers it, asks it to save itself for a shutdown,
// and tells it to die.
class SessionManager {
public:
    SessionManager() {
        // A client that goes away is what the test waits for: neither the broken connection's
        // signal nor the protocol library's default (which exits) may end the test.
        signal(SIGPIPE, SIG_IGN);
        IceSetIOErrorHandler([](IceConn) {});
        char error[256] = {};
        if (!SmsInitialize("runamika-test", "1.0", &SessionManager::NewClient, this,
                           &SessionManager::AnyHost, sizeof error, error)) {
            return;
        }
        if (!IceListenForConnections(&count_, &listen_, sizeof error, error)) return;
        for (int i = 0; i < count_; ++i) IceSetHostBasedAuthProc(listen_[i], &AnyHost);
        char* ids = IceComposeNetworkIdList(count_, listen_);
        address_ = ids;
        std::free(ids);
    }
    ~SessionManager() {
        for (IceConn c : connections_) Drop(c);
        if (listen_ != nullptr) IceFreeListenObjs(count_, listen_);
    }

    const std::string& Address() const { return address_; }
    bool Registered() const { return registered_; }
    bool SaveDone() const { return saveDone_; }

    // Handles what has arrived: new connections, the client's messages.
    void Pump() {
        std::vector<pollfd> fds;
        for (int i = 0; i < count_; ++i) {
            fds.push_back({IceGetListenConnectionNumber(listen_[i]), POLLIN, 0});
        }
        for (IceConn c : connections_) fds.push_back({IceConnectionNumber(c), POLLIN, 0});
        if (poll(fds.data(), fds.size(), 0) <= 0) return;
        // New connections join after the ones polled above have been served.
        std::vector<IceConn> accepted;
        for (int i = 0; i < count_; ++i) {
            if (!(fds[static_cast<std::size_t>(i)].revents & POLLIN)) continue;
            IceAcceptStatus status{};
            if (IceConn c = IceAcceptConnection(listen_[i], &status)) accepted.push_back(c);
        }
        std::vector<IceConn> alive;
        for (std::size_t i = 0; i < connections_.size(); ++i) {
            IceConn c = connections_[i];
            if (fds[static_cast<std::size_t>(count_) + i].revents & (POLLIN | POLLHUP)) {
                const IceProcessMessagesStatus status = IceProcessMessages(c, nullptr, nullptr);
                if (status == IceProcessMessagesIOError) {
                    Drop(c);
                    continue;
                }
                if (status == IceProcessMessagesConnectionClosed) continue;
            }
            alive.push_back(c);
        }
        alive.insert(alive.end(), accepted.begin(), accepted.end());
        connections_ = alive;
    }

    void PumpUntil(const std::function<bool()>& done, int timeoutMs) {
        const long long deadline = NowMs() + timeoutMs;
        while (!done() && NowMs() < deadline) {
            Pump();
            Sleep(5);
        }
    }

    // Log-off: save yourself for a shutdown, then die.
    void SaveYourselfForShutdown() {
        SmsSaveYourself(client_, SmSaveGlobal, True, SmInteractStyleAny, False);
    }
    void Die() { SmsDie(client_); }

private:
    static Bool AnyHost(char*) { return True; }

    // A connection whose client has gone: closed and freed without a goodbye.
    static void Drop(IceConn c) {
        IceSetShutdownNegotiation(c, False);
        IceCloseConnection(c);
    }

    static Status NewClient(SmsConn conn, SmPointer data, unsigned long* mask, SmsCallbacks* cb,
                            char** /*failureReason*/) {
        auto* self = static_cast<SessionManager*>(data);
        self->client_ = conn;
        *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
                SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask |
                SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask |
                SmsSetPropertiesProcMask | SmsDeletePropertiesProcMask | SmsGetPropertiesProcMask;
        cb->register_client.callback = [](SmsConn c, SmPointer d, char* previous) -> Status {
            std::free(previous);
            char* id = SmsGenerateClientID(c);
            SmsRegisterClientReply(c, id);
            std::free(id);
            static_cast<SessionManager*>(d)->registered_ = true;
            return 1;
        };
        cb->register_client.manager_data = self;
        cb->interact_request.callback = [](SmsConn c, SmPointer, int) { SmsInteract(c); };
        cb->interact_done.callback = [](SmsConn, SmPointer, Bool) {};
        cb->save_yourself_request.callback = [](SmsConn, SmPointer, int, Bool, int, Bool, Bool) {};
        cb->save_yourself_phase2_request.callback = [](SmsConn c, SmPointer) {
            SmsSaveYourselfPhase2(c);
        };
        cb->save_yourself_done.callback = [](SmsConn, SmPointer d, Bool) {
            static_cast<SessionManager*>(d)->saveDone_ = true;
        };
        cb->save_yourself_done.manager_data = self;
        cb->close_connection.callback = [](SmsConn c, SmPointer, int count, char** reasons) {
            SmFreeReasons(count, reasons);
            SmsCleanUp(c);
        };
        cb->set_properties.callback = [](SmsConn, SmPointer, int count, SmProp** props) {
            for (int i = 0; i < count; ++i) SmFreeProperty(props[i]);
            std::free(props);
        };
        cb->delete_properties.callback = [](SmsConn, SmPointer, int count, char** names) {
            for (int i = 0; i < count; ++i) std::free(names[i]);
            std::free(names);
        };
        cb->get_properties.callback = [](SmsConn c, SmPointer) {
            SmsReturnProperties(c, 0, nullptr);
        };
        return 1;
    }

    IceListenObj* listen_ = nullptr;
    int count_ = 0;
    std::string address_;
    std::vector<IceConn> connections_;
    SmsConn client_ = nullptr;
    bool registered_ = false;
    bool saveDone_ = false;
};

TEST(Desktop, TheSessionsEndLeavesWithoutClosingTheWindow) {
    struct Case {
        const char* name;
        mode_t fileMode;
    };
    // With a file that cannot be written, a close would hold up the log-off with its notice.
    const Case cases[] = {{"writable file", 0644}, {"read-only file", 0444}};
    Desktop desktop(1280, 1024);
    ASSERT_TRUE(desktop.Ready());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SessionManager manager;
        ASSERT_FALSE(manager.Address().empty());
        Installed app(desktop, RUNAMIKA_PATH);
        const std::string before = "[form]\nwidth=800\nheight=600\n";
        WriteBytes(app.File(), before);
        app.Own(c.fileMode, 0755);
        const auto program = app.Start({"SESSION_MANAGER=" + manager.Address()});
        // The program registers with the session manager while it starts.
        const auto window =
            desktop.WaitForClient(program->Pid(), kTitle, kGuardMs, [&] { manager.Pump(); });
        ASSERT_TRUE(window.has_value());
        manager.PumpUntil([&] { return manager.Registered(); }, kGuardMs);
        ASSERT_TRUE(manager.Registered());
        manager.SaveYourselfForShutdown();
        manager.PumpUntil([&] { return manager.SaveDone(); }, 5000);
        EXPECT_TRUE(manager.SaveDone());
        std::set<std::string> titles;
        manager.Die();
        const auto code = program->Wait(kGuardMs, [&] {
            manager.Pump();
            for (const auto& [w, title] : desktop.ClientsOf(program->Pid())) titles.insert(title);
        });
        EXPECT_EQ(code, std::optional<int>(0)) << "the loop did not end";
        EXPECT_EQ(ReadBytes(app.File()), before) << "the file was written";
        titles.erase(kTitle);
        titles.erase(""); // a window before its title is set
        std::string others;
        for (const auto& title : titles) others += " \"" + title + "\"";
        EXPECT_TRUE(titles.empty()) << "a notice appeared:" << others;
    }
}

// ---- A placement file that cannot be written ------------------------------------------------

TEST(Desktop, TheCloseEndsTheProgramWhetherTheFileCanBeWrittenOrNot) {
    struct Case {
        const char* name;
        mode_t fileMode;
        mode_t folderMode;
        bool written;
    };
    const Case cases[] = {
        {"read-only file: notice, then the program ends", 0444, 0755, false},
        {"writable file in a read-only folder: written in place", 0644, 0555, true},
    };
    Desktop desktop(1280, 1024);
    ASSERT_TRUE(desktop.Ready());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Installed app(desktop, RUNAMIKA_PATH);
        const std::string before = "; kept\n[form]\nwidth=700\nheight=500\n";
        WriteBytes(app.File(), before);
        app.Own(c.fileMode, c.folderMode);
        const auto program = app.Start();
        const auto window = desktop.WaitForClient(program->Pid(), kTitle, kGuardMs);
        ASSERT_TRUE(window.has_value());
        const Rect shown = desktop.SettledFrameOf(*window);
        desktop.Close(*window);
        if (!c.written) {
            // The notice is captioned with the application title; Enter dismisses it.
            const auto notice = desktop.WaitForClient(program->Pid(), "runamika", kGuardMs);
            ASSERT_TRUE(notice.has_value()) << "no notice";
            desktop.SettledFrameOf(*notice);
            desktop.Keys({"key", "--clearmodifiers", "Return"});
        }
        EXPECT_EQ(program->Wait(kGuardMs), std::optional<int>(0));
        if (c.written) {
            EXPECT_EQ(ReadBytes(app.File()),
                      "; kept\n[form]\nwidth=700\nheight=500\nleft=" + std::to_string(shown.x) +
                          "\ntop=" + std::to_string(shown.y) + "\n");
        } else {
            EXPECT_EQ(ReadBytes(app.File()), before);
        }
        std::set<std::string> entries;
        for (const auto& entry : fs::directory_iterator(app.Folder())) {
            entries.insert(entry.path().filename().string());
        }
        EXPECT_EQ(entries, (std::set<std::string>{"runamika", "runamika.ini"}));
        chmod(app.Folder().c_str(), 0755);
    }
}

// ---- Pixels ---------------------------------------------------------------------------------

double Luminance(unsigned rgb) {
    const auto channel = [](unsigned v) {
        const double c = v / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel((rgb >> 16) & 0xFF) + 0.7152 * channel((rgb >> 8) & 0xFF) +
           0.0722 * channel(rgb & 0xFF);
}

double Contrast(unsigned a, unsigned b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of a text on a screenshot: its background is the region's most frequent colour,
// its text colour the pixel that stands out most from it (the middle of a stroke).
double TextContrast(const std::vector<unsigned>& pixels) {
    std::map<unsigned, int> counts;
    for (const unsigned p : pixels) ++counts[p];
    unsigned background = 0;
    int most = 0;
    for (const auto& [colour, n] : counts) {
        if (n > most) {
            most = n;
            background = colour;
        }
    }
    double best = 1.0;
    for (const auto& [colour, n] : counts) best = std::max(best, Contrast(colour, background));
    return best;
}

std::optional<Rect> ParseRect(const std::string& text) {
    Rect r;
    if (std::sscanf(text.c_str(), "%d %d %d %d", &r.x, &r.y, &r.w, &r.h) != 4) return std::nullopt;
    return r;
}

Rect Inset(Rect r, int by) {
    return {r.x + by, r.y + by, r.w - 2 * by, r.h - 2 * by};
}

TEST(Desktop, TheWholeResultAndEveryTextReadableInLightAndDarkSchemes) {
    struct Case {
        const char* name;
        bool dark;
        int scale;
    };
    const Case cases[] = {{"light", false, 1}, {"dark", true, 1}, {"dark, scale 2", true, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desktop desktop(1280 * c.scale, 1024 * c.scale);
        ASSERT_TRUE(desktop.Ready());
        Installed app(desktop, WINDOW_PROBE_PATH);
        app.Own(0644, 0755);
        std::vector<std::string> env{"QT_SCALE_FACTOR=" + std::to_string(c.scale)};
        if (c.dark) {
            // What a user does for a dark desktop without a desktop environment: the Qt
            // configuration tool with its dark colour scheme.
            const fs::path config = app.Folder() / "config";
            fs::create_directories(config / "qt6ct");
            WriteBytes((config / "qt6ct" / "qt6ct.conf").string(),
                       "[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\n"
                       "custom_palette=true\nstyle=Fusion\n");
            if (AsNobody()) {
                for (const auto& p : {config, config / "qt6ct", config / "qt6ct" / "qt6ct.conf"}) {
                    chown(p.c_str(), kNobody, kNobody);
                }
            }
            env.push_back("QT_QPA_PLATFORMTHEME=qt6ct");
            env.push_back("XDG_CONFIG_HOME=" + config.string());
        }
        const auto probe = app.Start(env, true);
        const auto window = desktop.WaitForClient(probe->Pid(), kTitle, kGuardMs);
        ASSERT_TRUE(window.has_value());
        desktop.SettledFrameOf(*window);

        // The longest kind of result: typed, then Enter.
        const std::string longest = "-1.23456789012345E-300";
        desktop.Keys({"type", "--delay", "5", "--", longest});
        desktop.Keys({"key", "Return"});
        const long long deadline = NowMs() + 5000;
        while (probe->Ask("text Label5") != longest && NowMs() < deadline) Sleep(20);
        ASSERT_EQ(probe->Ask("text Label5"), longest);
        Sleep(300);

        // Fully visible: the ink stays inside the box with room to spare on the right, and
        // spans most of it (nothing cut off, nothing shrunk to a dot).
        const auto box = ParseRect(probe->Ask("rect Label5"));
        ASSERT_TRUE(box.has_value());
        const auto pixels = desktop.Pixels(*box);
        const unsigned background = pixels.at(pixels.size() - 1);
        // The bevel's lower edge runs through the box's last rows.
        int left = box->w, right = -1;
        for (int y = 0; y < box->h - 2 * c.scale; ++y) {
            for (int x = 0; x < box->w; ++x) {
                if (Contrast(pixels[static_cast<std::size_t>(y * box->w + x)], background) > 2.0) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        EXPECT_LT(right, box->w - 1) << "the text reaches the box's right edge: cut off";
        EXPECT_GT(right - left, box->w / 2) << "the text is not drawn across the box";

        // Every text at 4.5:1 or more. Frames and borders are left out of the regions.
        const std::vector<std::pair<std::string, int>> texts{
            {"rect Label16", 0},      {"rect Label17", 0},
            {"rect Label5", 2},       {"rect Edit11", 3 * c.scale},
            {"rect Label3", 0},       {"rect label1", 0},
            {"rect Label2", 0},       {"rect Button11", 5 * c.scale},
            {"item RadioGroup1 0", 0}};
        for (const auto& [question, inset] : texts) {
            const auto rect = ParseRect(probe->Ask(question));
            ASSERT_TRUE(rect.has_value()) << question;
            const double contrast = TextContrast(desktop.Pixels(Inset(*rect, inset)));
            std::printf("[ contrast ] %s, %s: %.2f\n", c.name, question.c_str(), contrast);
            EXPECT_GE(contrast, 4.5) << question;
        }
        desktop.Close(*window);
        EXPECT_EQ(probe->Wait(kGuardMs), std::optional<int>(0));
    }
}

// Moving the pointer from one item of a group to the next keeps the group's hint showing.
TEST(Desktop, TheGroupsHintStaysWhileThePointerMovesAmongItsItems) {
    Desktop desktop(1280, 1024);
    ASSERT_TRUE(desktop.Ready());
    Installed app(desktop, WINDOW_PROBE_PATH);
    app.Own(0644, 0755);
    const auto probe = app.Start({}, true);
    const auto window = desktop.WaitForClient(probe->Pid(), kTitle, kGuardMs);
    ASSERT_TRUE(window.has_value());
    desktop.SettledFrameOf(*window);
    const auto at = [&](int item) {
        const auto r = ParseRect(probe->Ask("item RadioGroup1 " + std::to_string(item)));
        return r ? std::to_string(r->x + 30) + " " + std::to_string(r->y + r->h / 2) : "0 0";
    };
    const auto move = [&](const std::string& where) {
        std::istringstream xy(where);
        std::string x, y;
        xy >> x >> y;
        desktop.Keys({"mousemove", x, y});
    };
    move(at(0));
    const long long deadline = NowMs() + 5000;
    while (desktop.ToolTipsOf(probe->Pid()) == 0 && NowMs() < deadline) Sleep(20);
    ASSERT_EQ(desktop.ToolTipsOf(probe->Pid()), 1) << "no hint over the first item";
    for (const int item : {1, 2}) {
        move(at(item));
        Sleep(700); // past the toolkit's 300 ms grace for a pointer that has left
        EXPECT_EQ(desktop.ToolTipsOf(probe->Pid()), 1) << "no hint over item " << item;
    }
    desktop.Close(*window);
    EXPECT_EQ(probe->Wait(kGuardMs), std::optional<int>(0));
}

} // namespace
