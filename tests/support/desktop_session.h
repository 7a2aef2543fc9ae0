// The desktops that the desktop tests start for themselves, one per test: an X server (Xvfb) with a
// window manager of the test's choice, or a Wayland compositor (weston) natively or through its
// X server; the program copied into a folder of its own and started there; and the small tools
// around them (a child process, the clock, files).
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/process.h"

namespace desktop {

namespace fs = std::filesystem;

constexpr int kGuardMs = static_cast<int>(test_support::kGuard.count());
constexpr uid_t kNobody = 65534;

inline long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

inline void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

inline bool AsNobody() {
    return geteuid() == 0;
}

using test_support::ReadBytes;
using test_support::WriteBytes;

// A program that a desktop test starts: a clean environment (the given entries and a standard
// PATH), a process group of its own that ends with it, and its standard input and output piped
// to the test when asked.
class Child : public test_support::Process {
public:
    Child(std::vector<std::string> args, std::vector<std::string> env, bool unprivileged,
          bool talk = false)
        : Process(Clean(std::move(args), std::move(env), unprivileged), talk) {}

    std::optional<int> Wait(int guardMs, const std::function<void()>& idle = {}) {
        return Process::Wait(std::chrono::milliseconds(guardMs), idle);
    }

private:
    static test_support::Command Clean(std::vector<std::string> args, std::vector<std::string> env,
                                       bool unprivileged) {
        // Leaks at the exit of a program that talked to an X server are the libraries'.
        env.push_back("ASAN_OPTIONS=detect_leaks=0");
        return {.args = std::move(args),
                .env = std::move(env),
                .cleanEnvironment = true,
                .unprivileged = unprivileged,
                .ownGroup = true};
    }
};

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Rect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << r.w << "x" << r.h << "+" << r.x << "+" << r.y;
}

// Where a program under test shows its windows.
class Session {
public:
    virtual ~Session() = default;
    // What a client needs in its environment to reach this desktop.
    virtual std::vector<std::string> ClientEnvironment() const = 0;
    // A folder of the session's own, removed with it.
    virtual const fs::path& Folder() const = 0;
};

enum class WindowManager { Openbox, Xfwm4, Mutter, KWin, IceWM };

// The manager's name as a test names it.
const char* ManagerName(WindowManager manager);

// An X server of its own (Xvfb picks a free display: parallel tests never collide) with a window
// manager of the test's choice.
class Desktop : public Session {
public:
    // An X server of width x height pixels with `manager` running on it, once Ready(); with
    // `startManager` false, bare until StartManager().
    explicit Desktop(int width, int height, WindowManager manager = WindowManager::Openbox,
                     bool startManager = true);
    void StartManager(WindowManager manager);
    bool ServerReady() const { return x_ != nullptr; }
    // The window manager's process (-1 before StartManager), for a test that holds it up.
    pid_t ManagerPid() const { return manager_ ? manager_->Pid() : -1; }
    ~Desktop() override;

    std::vector<std::string> ClientEnvironment() const override {
        return {"DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb"};
    }
    const fs::path& Folder() const override { return folder_; }

    bool Ready() { return x_ != nullptr && ManagerRunning(); }
    const std::string& DisplayName() const { return display_; }
    Display* X() { return x_; }

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

    // The client's rectangle on the screen with the frame that the manager declares for it
    // (_NET_FRAME_EXTENTS) around it: the outer rectangle as the manager means it, whatever
    // windows it builds the frame from (some hold invisible borders for resizing).
    Rect DeclaredOuterOf(Window client) {
        XWindowAttributes a{};
        int x = 0, y = 0;
        Window child = 0;
        if (!XGetWindowAttributes(x_, client, &a) ||
            !XTranslateCoordinates(x_, client, DefaultRootWindow(x_), 0, 0, &x, &y, &child)) {
            return {};
        }
        const auto extents = Longs(client, "_NET_FRAME_EXTENTS", XA_CARDINAL);
        if (extents.size() != 4) return {x, y, a.width, a.height};
        const int left = static_cast<int>(extents[0]), right = static_cast<int>(extents[1]);
        const int top = static_cast<int>(extents[2]), bottom = static_cast<int>(extents[3]);
        return {x - left, y - top, a.width + left + right, a.height + top + bottom};
    }

    // The declared outer rectangle once it has stopped changing.
    Rect SettledDeclaredOuterOf(Window client) {
        return Settled([&] { return DeclaredOuterOf(client); });
    }

    // The frame once it has stopped changing.
    Rect SettledFrameOf(Window client) {
        return Settled([&] { return FrameOf(client); });
    }

    // What read gives once three reads 30 ms apart have agreed.
    template <class Read> static Rect Settled(Read read) {
        Rect last = read();
        for (int same = 0, i = 0; same < 3 && i < 200; ++i) {
            Sleep(30);
            const Rect now = read();
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
        tool.Wait(kGuardMs);
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
    std::unique_ptr<test_support::Process> xvfb_;
    std::string display_;
    Display* x_ = nullptr;
    std::unique_ptr<Child> manager_;
};

// A Wayland compositor of its own (weston, headless, one output of width x height pixels with
// the desktop shell and its panel), run as the unprivileged user when the tests run as root, and
// with `xwayland` its X server, started by weston when the first X client connects.
class Weston : public Session {
public:
    Weston(int width, int height, bool xwayland);
    ~Weston() override;

    // The compositor listens, and with X its X server's display is known.
    bool Ready();
    // Through X (the compositor's X server) or natively.
    void UseX(bool x) { useX_ = x; }
    std::vector<std::string> ClientEnvironment() const override;
    const fs::path& Folder() const override { return folder_; }

private:
    fs::path folder_;
    fs::path runtime_;
    std::string socket_;
    std::string xDisplay_;
    bool xwayland_ = false;
    bool useX_ = false;
    std::unique_ptr<Child> weston_;
};

inline const std::string kTitle = "ルナミカ99年版";

// A copy of the program in a folder of its own, so that its placement file lies beside it, and
// what the program needs to run there (as the unprivileged user when the tests run as root).
class Installed {
public:
    Installed(Session& session, const char* program);
    std::string File() const { return (folder_ / "runamika.ini").string(); }
    const fs::path& Folder() const { return folder_; }

    std::unique_ptr<Child> Start(std::vector<std::string> env = {}, bool talk = false);

    // Hands the file to the user the program runs as, with the given modes.
    void Own(mode_t fileMode, mode_t folderMode);

private:
    static inline int count_ = 0;
    Session& session_;
    fs::path folder_;
    std::string runtime_;
    std::string configHome_; // empty where the file lies beside the program
    std::string program_;
};

} // namespace desktop
