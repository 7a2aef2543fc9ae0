// The desktops that the desktop tests start for themselves, one per test: an X server (Xvfb) with a
// window manager of the test's choice, or a Wayland compositor (weston) natively or through its
// X server; the program copied into a folder of its own and started there; and the small tools
// around them (a child process, the clock, files).
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
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

// Reads until `done` accepts what was read or the suite's guard has run out, and returns the
// last read: every wait of the desktop tests is one for a state that a program or a server
// reports (a property, a window's rectangle, the focus, a probe's line, a file), never a pause
// of a length chosen in advance. The reads are 10 ms apart.
template <class Read, class Done> auto Until(Read read, Done done) {
    const auto deadline = std::chrono::steady_clock::now() + test_support::kGuard;
    auto value = read();
    while (!done(value) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        value = read();
    }
    return value;
}

// Whether `state` has come to hold within the guard.
template <class State> bool Eventually(State state) {
    return Until(state, [](bool now) { return now; });
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

    std::optional<int> Wait(int guardMs = kGuardMs, const std::function<void()>& idle = {}) {
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

// "x y w h", as the probe answers where a control is.
inline std::optional<Rect> ParseRect(const std::string& text) {
    Rect r;
    if (std::sscanf(text.c_str(), "%d %d %d %d", &r.x, &r.y, &r.w, &r.h) != 4) return std::nullopt;
    return r;
}

// The probe's answer to a question once it is `expected`; the last answer when it did not
// come to that within the guard.
inline std::string AnswerOnce(Child& probe, const std::string& question,
                              const std::string& expected) {
    return Until([&] { return probe.Ask(question); },
                 [&](const std::string& answer) { return answer == expected; });
}

// The outer size ("w h") that the probe reports once its window is shown and exposed.
inline std::string ShownOuter(Child& probe) {
    return Until([&] { return probe.Ask("outer"); },
                 [](const std::string& answer) { return answer != "-"; });
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

    // A property's 32-bit values, or its text.
    std::vector<unsigned long> Longs(Window w, const char* property, Atom type) {
        const std::string bytes = Property(w, property, type, 32);
        std::vector<unsigned long> values(bytes.size() / sizeof(unsigned long));
        std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(values.data()));
        return values;
    }
    std::string Utf8(Window w, const char* property) {
        return Property(w, property, A("UTF8_STRING"), 8);
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

    // The managed window of a process with the given title, once the manager lists it; idle
    // runs between the looks.
    std::optional<Window> WaitForClient(pid_t pid, const std::string& title,
                                        const std::function<void()>& idle = {}) {
        const auto look = [&]() -> std::optional<Window> {
            if (idle) idle();
            for (const auto& [w, name] : ClientsOf(pid)) {
                if (name == title) return w;
            }
            return std::nullopt;
        };
        return Until(look, [](const std::optional<Window>& w) { return w.has_value(); });
    }

    // The shown popups of a process: its tooltips, or its menus (its override-redirect windows
    // that are not tooltips: the toolkit gives its menus no window type of their own).
    enum class Popup { ToolTip, Menu };
    std::vector<Window> PopupsOf(pid_t pid, Popup kind) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        std::vector<Window> shown;
        if (!XQueryTree(x_, DefaultRootWindow(x_), &root, &parent, &children, &count)) return {};
        for (unsigned int i = 0; i < count; ++i) {
            const auto owner = Longs(children[i], "_NET_WM_PID", XA_CARDINAL);
            const auto type = Longs(children[i], "_NET_WM_WINDOW_TYPE", XA_ATOM);
            const bool tip = !type.empty() && type[0] == A("_NET_WM_WINDOW_TYPE_TOOLTIP");
            XWindowAttributes a{};
            if (owner.size() == 1 && static_cast<pid_t>(owner[0]) == pid &&
                XGetWindowAttributes(x_, children[i], &a) && a.map_state == IsViewable &&
                (kind == Popup::ToolTip ? tip : !tip && a.override_redirect)) {
                shown.push_back(children[i]);
            }
        }
        if (children != nullptr) XFree(children);
        return shown;
    }

    bool Viewable(Window w) {
        XWindowAttributes a{};
        return XGetWindowAttributes(x_, w, &a) && a.map_state == IsViewable;
    }

    // Where a window is on the screen.
    Rect RectOf(Window w) {
        XWindowAttributes a{};
        int x = 0, y = 0;
        Window child = 0;
        if (!XGetWindowAttributes(x_, w, &a) ||
            !XTranslateCoordinates(x_, w, DefaultRootWindow(x_), 0, 0, &x, &y, &child)) {
            return {};
        }
        return {x, y, a.width, a.height};
    }

    // The client's rectangle on the screen with the frame that the manager declares for it
    // (_NET_FRAME_EXTENTS) around it: the outer rectangle as the manager means it, whatever
    // windows it builds the frame from (some hold invisible borders for resizing).
    Rect DeclaredOuterOf(Window client) {
        const Rect r = RectOf(client);
        const auto extents = Longs(client, "_NET_FRAME_EXTENTS", XA_CARDINAL);
        if (extents.size() != 4) return r;
        const int left = static_cast<int>(extents[0]), right = static_cast<int>(extents[1]);
        const int top = static_cast<int>(extents[2]), bottom = static_cast<int>(extents[3]);
        return {r.x - left, r.y - top, r.w + left + right, r.h + top + bottom};
    }

    // The declared outer rectangle once the manager has framed the window and it stands where
    // `placed` wants it; the last one read when that did not come within the guard.
    template <class Placed> Rect OuterOnce(Window client, Placed placed) {
        return Until([&] { return DeclaredOuterOf(client); },
                     [&](const Rect& r) { return Framed(client) && placed(r); });
    }
    bool Framed(Window client) {
        return Longs(client, "_NET_FRAME_EXTENTS", XA_CARDINAL).size() == 4;
    }

    // Centred on the screen, within the 2 pixels that rounding at a scale factor may cost: where
    // the program puts a window that the user has not moved.
    bool Centred(const Rect& r) const {
        const Rect centred = CentredRect(r.w, r.h);
        return std::abs(r.x - centred.x) <= 2 && std::abs(r.y - centred.y) <= 2;
    }
    Rect CentredRect(int w, int h) const {
        return {std::max(0, (width_ - w) / 2), std::max(0, (height_ - h) / 2), w, h};
    }

    // The declared outer rectangle of a window the user has not moved, once it is framed and
    // centred (a window shown before the manager knew its frame is not centred yet).
    Rect PlacedOuterOf(Window client) {
        return OuterOnce(client, [&](const Rect& r) { return Centred(r); });
    }

    // Maximises the window as its title bar's button does; its declared outer rectangle once the
    // manager reports it maximised and filling the work area.
    Rect MaximisedOuterOf(Window client) {
        Maximise(client);
        return OuterOnce(client, [&](const Rect& r) {
            const auto state = Longs(client, "_NET_WM_STATE", XA_ATOM);
            const auto has = [&](const char* name) {
                return std::find(state.begin(), state.end(), A(name)) != state.end();
            };
            return has("_NET_WM_STATE_MAXIMIZED_VERT") && has("_NET_WM_STATE_MAXIMIZED_HORZ") &&
                   r == WorkArea();
        });
    }

    // The part of the screen that the manager gives to windows (all of it without panels).
    Rect WorkArea() {
        const auto area = Longs(DefaultRootWindow(x_), "_NET_WORKAREA", XA_CARDINAL);
        if (area.size() < 4) return {0, 0, width_, height_};
        return {static_cast<int>(area[0]), static_cast<int>(area[1]), static_cast<int>(area[2]),
                static_cast<int>(area[3])};
    }

    // Whether the keyboard focus is in w: on it or on a window inside it.
    bool Focused(Window w) {
        Window at = None;
        int revert = 0;
        XGetInputFocus(x_, &at, &revert);
        while (at != None && at != PointerRoot && at != w) {
            Window root = 0, parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(x_, at, &root, &parent, &children, &count)) return false;
            if (children != nullptr) XFree(children);
            at = at == root ? None : parent;
        }
        return at == w;
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

    // Presses keys or types text in w as a user at the keyboard, through the X server, once the
    // keyboard focus is in w; false when it did not come there.
    bool KeysTo(Window w, const std::vector<std::string>& args) {
        if (!Eventually([&] { return Focused(w); })) return false;
        Xdotool(args);
        return true;
    }
    // What the pointer does (mousemove, click) and keys that go where the focus is.
    void Xdotool(const std::vector<std::string>& args) {
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
    // The bytes of a property of the given type and format (32-bit values are longs here).
    std::string Property(Window w, const char* property, Atom type, int wanted) {
        Atom actual = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::string bytes;
        if (XGetWindowProperty(x_, w, A(property), 0, 1024, False, type, &actual, &format, &count,
                               &after, &data) == Success &&
            data != nullptr) {
            if (format == wanted) {
                bytes.assign(reinterpret_cast<const char*>(data),
                             count * (format == 32 ? sizeof(unsigned long) : 1));
            }
            XFree(data);
        }
        return bytes;
    }
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
    int width_ = 0, height_ = 0;
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

// A program started, and its main window once the manager has framed and placed it.
struct Shown {
    std::unique_ptr<Child> program;
    Window window = None; // None: not framed and centred within the guard
    Rect outer;           // the outer rectangle that the manager declares
};

// Starts the installed program (the probe answers the test on its standard input) and waits
// until the manager has framed its main window and the program has centred it.
Shown StartShown(Desktop& desktop, Installed& app, std::vector<std::string> env = {});

} // namespace desktop
