#include "tests/support/desktop_session.h"

#include <regex>

namespace desktop {

namespace {

// Each manager by the name a test gives it, and as a user's session starts it; those that want a
// session message bus get one of their own.
struct Manager {
    const char* name;
    std::vector<std::string> command;
};
const Manager& ManagerOf(WindowManager manager) {
    static const std::map<WindowManager, Manager> managers{
        {WindowManager::Openbox, {"openbox", {"openbox", "--sm-disable"}}},
        {WindowManager::Xfwm4,
         {"xfwm4", {"dbus-run-session", "--", "xfwm4", "--compositor=off", "--sm-client-disable"}}},
        {WindowManager::Mutter,
         {"mutter", {"dbus-run-session", "--", "mutter", "--x11", "--sm-disable"}}},
        {WindowManager::KWin, {"kwin_x11", {"dbus-run-session", "--", "kwin_x11"}}},
        {WindowManager::IceWM, {"icewm", {"icewm"}}},
    };
    return managers.at(manager);
}

} // namespace

const char* ManagerName(WindowManager manager) {
    return ManagerOf(manager).name;
}

Desktop::Desktop(int width, int height, WindowManager manager, bool startManager)
    : folder_(fs::temp_directory_path() / MakeName()), width_(width), height_(height) {
    fs::create_directories(folder_);
    // Xvfb picks a free display itself and says which on its standard output.
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    xvfb_ = std::make_unique<test_support::Process>(
        test_support::Command{.args = {"Xvfb", "-displayfd", "1", "-screen", "0", screen,
                                       "-nolisten", "tcp", "-noreset"},
                              .quiet = true},
        true);
    const std::string number = xvfb_->ReadLine().value_or("");
    if (number.empty()) return;
    display_ = ":" + number;
    x_ = XOpenDisplay(display_.c_str());
    if (x_ == nullptr) return;
    // Windows come and go while they are looked at: a failed request is no failure here.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    if (startManager) StartManager(manager);
}

void Desktop::StartManager(WindowManager manager) {
    const fs::path config = folder_ / "config";
    fs::create_directories(config);
    manager_ = std::make_unique<Child>(
        ManagerOf(manager).command,
        std::vector<std::string>{"DISPLAY=" + display_, "HOME=" + folder_.string(),
                                 "XDG_CONFIG_HOME=" + config.string(),
                                 "XDG_RUNTIME_DIR=" + config.string(), "QT_QPA_PLATFORM=xcb"},
        false);
    // The heavier managers take a few seconds to start on a busy machine.
    Eventually([&] { return ManagerRunning(); });
}

Desktop::~Desktop() {
    manager_.reset();
    if (x_ != nullptr) XCloseDisplay(x_);
    if (xvfb_) xvfb_->End();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

Weston::Weston(int width, int height, bool xwayland)
    : folder_(fs::temp_directory_path() /
              ("runamika-weston-" + std::to_string(getpid()) + "-" + std::to_string(NowMs()))),
      xwayland_(xwayland) {
    static int count = 0;
    runtime_ = folder_ / "runtime";
    fs::create_directories(runtime_);
    socket_ = "wayland-runamika-" + std::to_string(getpid()) + "-" + std::to_string(++count);
    chmod(folder_.c_str(), 0755);
    chmod(runtime_.c_str(), 0700);
    if (AsNobody()) {
        chown(folder_.c_str(), kNobody, kNobody);
        chown(runtime_.c_str(), kNobody, kNobody);
    }
    std::vector<std::string> args{"weston",
                                  "--backend=headless-backend.so",
                                  "--width=" + std::to_string(width),
                                  "--height=" + std::to_string(height),
                                  "--socket=" + socket_,
                                  "--idle-time=0",
                                  "--log=" + (folder_ / "weston.log").string()};
    if (xwayland) args.push_back("--xwayland");
    weston_ = std::make_unique<Child>(
        args,
        std::vector<std::string>{"XDG_RUNTIME_DIR=" + runtime_.string(), "HOME=" + folder_.string(),
                                 "XDG_CONFIG_HOME=" + (folder_ / "config").string()},
        true);
}

Weston::~Weston() {
    weston_.reset();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

bool Weston::Ready() {
    // The socket appears once it listens; its X server's display is named in its log.
    const std::regex listening("xserver listening on display (:[0-9]+)");
    bool ended = false;
    const bool ready = Eventually([&] {
        ended = weston_->Wait(0).has_value();
        if (ended || !fs::exists(runtime_ / socket_)) return ended;
        std::smatch match;
        const std::string log = ReadBytes((folder_ / "weston.log").string());
        if (xwayland_ && !std::regex_search(log, match, listening)) return false;
        if (xwayland_) xDisplay_ = match[1];
        return true;
    });
    return ready && !ended;
}

std::vector<std::string> Weston::ClientEnvironment() const {
    if (useX_) return {"DISPLAY=" + xDisplay_, "QT_QPA_PLATFORM=xcb"};
    // A full path: the client's own runtime folder is another.
    return {"WAYLAND_DISPLAY=" + (runtime_ / socket_).string(), "QT_QPA_PLATFORM=wayland"};
}

Installed::Installed(Session& session, const char* program) : session_(session) {
    const fs::path own = session.Folder() / ("app-" + std::to_string(++count_));
#if RUNAMIKA_PER_USER_SETTINGS
    // The installed build keeps its file in $XDG_CONFIG_HOME/runamika: that folder holds the
    // copy of the program too, so both builds find the file at the same place here.
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
    chmod(session.Folder().c_str(), 0755);
    if (AsNobody()) {
        for (const fs::path& folder : {own, folder_}) chown(folder.c_str(), kNobody, kNobody);
        chown(runtime_.c_str(), kNobody, kNobody);
    }
}

std::unique_ptr<Child> Installed::Start(std::vector<std::string> env, bool talk) {
    for (const std::string& entry : session_.ClientEnvironment()) env.push_back(entry);
    env.push_back("XDG_RUNTIME_DIR=" + runtime_);
    env.push_back("HOME=" + runtime_);
    const bool configGiven = std::any_of(env.begin(), env.end(), [](const std::string& e) {
        return e.starts_with("XDG_CONFIG_HOME=");
    });
    if (!configHome_.empty() && !configGiven) env.push_back("XDG_CONFIG_HOME=" + configHome_);
    return std::make_unique<Child>(std::vector<std::string>{program_}, env, true, talk);
}

Shown StartShown(Desktop& desktop, Installed& app, std::vector<std::string> env) {
    Shown shown{.program = app.Start(std::move(env), true), .window = None, .outer = {}};
    if (const auto window = desktop.WaitForClient(shown.program->Pid(), kTitle)) {
        shown.outer = desktop.PlacedOuterOf(*window);
        if (desktop.Framed(*window) && desktop.Centred(shown.outer)) shown.window = *window;
    }
    return shown;
}

void Installed::Own(mode_t fileMode, mode_t folderMode) {
    if (AsNobody() && fs::exists(File())) chown(File().c_str(), kNobody, kNobody);
    if (fs::exists(File())) chmod(File().c_str(), fileMode);
    chmod(folder_.c_str(), folderMode);
}

} // namespace desktop
