// The window where users meet it: an X server (Xvfb) with a real window manager (openbox),
// both started and stopped by each test, the real program, and real X events (the window
// manager's close, maximise and minimise requests, key presses through xdotool, a session
// manager of our own speaking the session protocol). What the offscreen platform cannot show is
// checked here: the frame around the window, what a close stores, clamped sizes, the session's
// end, the close on a placement file that cannot be written, and the pixels on the screen.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
extern "C" {
#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>
}

#include <poll.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "settings/placement_file.h"
#include "tests/support/desktop_session.h"

// The session protocol library keeps a little of each connection that the test's session manager
// has accepted after its client has gone; the leak checker of sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libICE.so\n";
}

namespace {

using namespace desktop;

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
            const Shown shown = StartShown(desktop, app);
            ASSERT_NE(shown.window, None) << "not framed and centred: " << shown.outer;
            // The outer rectangle on the screen is the stored size, centred.
            EXPECT_EQ(shown.outer, desktop.CentredRect(width, height));
            Rect expected = shown.outer;
            if (c.action == Action::Maximise) {
                expected = desktop.MaximisedOuterOf(shown.window);
                EXPECT_EQ(expected, (Rect{0, 0, 1280, 1024}));
            } else if (c.action == Action::Minimise) {
                desktop.Minimise(shown.window);
                EXPECT_TRUE(Eventually([&] { return desktop.Iconic(shown.window); }));
            }
            desktop.Close(shown.window);
            EXPECT_EQ(shown.program->Wait(), std::optional<int>(0));
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

// A window manager that starts after the window is shown (a session still starting, a manager
// replaced) frames it later: once it declares the frame, the stored outer size and the centring
// are applied again, and the close stores them.
TEST(Desktop, AManagerThatComesLaterFramesTheWindowAtItsOuterSize) {
    Desktop desktop(1280, 1024, WindowManager::Openbox, false);
    ASSERT_TRUE(desktop.ServerReady());
    Installed app(desktop, WINDOW_PROBE_PATH);
    const auto probe = app.Start({}, true);
    ASSERT_NE(ShownOuter(*probe), "-") << "the window was not shown";
    desktop.StartManager(WindowManager::Openbox);
    ASSERT_TRUE(desktop.Ready());
    const auto window = desktop.WaitForClient(probe->Pid(), kTitle);
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ(desktop.PlacedOuterOf(*window), desktop.CentredRect(661, 492));
    desktop.Close(*window);
    EXPECT_EQ(probe->Wait(), std::optional<int>(0));
    const StoredBounds stored = ReadPlacement(app.File());
    EXPECT_EQ((Rect{stored.left, stored.top, stored.width, stored.height}),
              desktop.CentredRect(661, 492));
}

// On a busy machine the program may get no time between the manager framing its window and the
// user's close: the toolkit then knows the new frame, but the size has not been applied for it
// yet. The close stores the size the window was given, where the frame is on the screen, never
// that size grown by the frame. Here the program is held (SIGSTOP) while the manager frames it,
// and the close is queued before it runs again; the manager is there from the start but held
// while the program asks it for the frame, or it starts only after the window is shown. A size
// the user chose meanwhile is kept, also once the program has taken the frame in.
TEST(Desktop, ACloseBeforeTheNewFrameIsTakenInStoresTheSizeTheWindowWasGiven) {
    struct Case {
        const char* name;
        bool managerFirst;
        bool resized;     // by the user through the manager, before the program runs again
        bool closedLater; // once the program has taken the frame in
    };
    const Case cases[] = {
        {"the frame request timed out", true, false, false},
        {"the manager started after the window was shown", false, false, false},
        {"resized by the user", false, true, false},
        {"resized by the user, closed once the frame is taken in", false, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desktop desktop(1280, 1024, WindowManager::Openbox, c.managerFirst);
        ASSERT_TRUE(c.managerFirst ? desktop.Ready() : desktop.ServerReady());
        if (c.managerFirst) {
            // Held once it serves requests: what comes during its start-up it may drop. It
            // answers a frame request for a window of the test's own only from then on.
            const Window own = XCreateSimpleWindow(desktop.X(), DefaultRootWindow(desktop.X()), 0,
                                                   0, 1, 1, 0, 0, 0);
            ASSERT_TRUE(Eventually([&] {
                desktop.SendRequest(own, "_NET_REQUEST_FRAME_EXTENTS", {});
                return desktop.Framed(own);
            }));
            kill(desktop.ManagerPid(), SIGSTOP);
        }
        Installed app(desktop, WINDOW_PROBE_PATH);
        const auto probe = app.Start({}, true);
        ASSERT_EQ(AnswerOnce(*probe, "shown", "yes"), "yes");
        kill(probe->Pid(), SIGSTOP);
        if (c.managerFirst) {
            kill(desktop.ManagerPid(), SIGCONT);
        } else {
            desktop.StartManager(WindowManager::Openbox);
        }
        ASSERT_TRUE(desktop.Ready());
        const auto window = desktop.WaitForClient(probe->Pid(), kTitle);
        ASSERT_TRUE(window.has_value());
        ASSERT_TRUE(
            Eventually([&] { return desktop.Viewable(*window) && desktop.Framed(*window); }));
        if (c.resized) {
            // Width and height given, as the user asked them (source 2).
            desktop.SendRequest(*window, "_NET_MOVERESIZE_WINDOW",
                                {(2 << 12) | (0xC << 8), 0, 0, 800, 600});
            ASSERT_TRUE(Eventually([&] {
                const Rect r = desktop.RectOf(*window);
                return r.w == 800 && r.h == 600;
            }));
        }
        const Rect outer = desktop.DeclaredOuterOf(*window);
        if (c.closedLater) {
            kill(probe->Pid(), SIGCONT);
            ASSERT_EQ(AnswerOnce(*probe, "framed", "yes"), "yes");
        }
        // The manager's close request, as the manager passes it on.
        XEvent close{};
        close.xclient.type = ClientMessage;
        close.xclient.window = *window;
        close.xclient.message_type = desktop.A("WM_PROTOCOLS");
        close.xclient.format = 32;
        close.xclient.data.l[0] = static_cast<long>(desktop.A("WM_DELETE_WINDOW"));
        close.xclient.data.l[1] = CurrentTime;
        XSendEvent(desktop.X(), *window, False, NoEventMask, &close);
        XSync(desktop.X(), False);
        if (!c.closedLater) kill(probe->Pid(), SIGCONT);
        EXPECT_EQ(probe->Wait(), std::optional<int>(0));
        const StoredBounds stored = ReadPlacement(app.File());
        EXPECT_EQ((Rect{stored.left, stored.top, stored.width, stored.height}),
                  c.resized ? outer : (Rect{outer.x, outer.y, 661, 492}));
    }
}

// At scale factor 2 the frame's sides are rounded each on its own, and a maximised window can
// report a pixel more than the screen (640 x 513 on a 640 x 512 desktop): a close stores no more
// than the screen, and the next untouched start and close keep it.
TEST(Desktop, AMaximisedCloseAtScaleTwoStaysWithinTheScreen) {
    Desktop desktop(1280, 1024);
    ASSERT_TRUE(desktop.Ready());
    Installed app(desktop, RUNAMIKA_PATH);
    const std::vector<std::string> env{"QT_SCALE_FACTOR=2"};
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const std::string before = ReadBytes(app.File());
        const Shown shown = StartShown(desktop, app, env);
        ASSERT_NE(shown.window, None) << "not framed and centred: " << shown.outer;
        if (run == 1) {
            EXPECT_EQ(desktop.MaximisedOuterOf(shown.window), (Rect{0, 0, 1280, 1024}));
        }
        desktop.Close(shown.window);
        ASSERT_EQ(shown.program->Wait(), std::optional<int>(0));
        if (run == 1) {
            const StoredBounds stored = ReadPlacement(app.File());
            EXPECT_EQ((Rect{stored.left, stored.top, stored.width, stored.height}),
                      (Rect{0, 0, 640, 512}));
        } else {
            EXPECT_EQ(ReadBytes(app.File()), before);
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
        const Shown placed = StartShown(desktop, app);
        ASSERT_NE(placed.window, None) << "not framed and centred: " << placed.outer;
        std::printf("[ timing ] %s x %s: window placed after %lld ms\n", c.width, c.height,
                    NowMs() - start);
        const Rect shown = placed.outer;
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
        desktop.Close(placed.window);
        EXPECT_EQ(placed.program->Wait(), std::optional<int>(0));
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

    bool PumpUntil(const std::function<bool()>& done) {
        return Eventually([&] {
            Pump();
            return done();
        });
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
        const auto window = desktop.WaitForClient(program->Pid(), kTitle, [&] { manager.Pump(); });
        ASSERT_TRUE(window.has_value());
        ASSERT_TRUE(manager.PumpUntil([&] { return manager.Registered(); }));
        manager.SaveYourselfForShutdown();
        EXPECT_TRUE(manager.PumpUntil([&] { return manager.SaveDone(); }));
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
        const Shown shown = StartShown(desktop, app);
        ASSERT_NE(shown.window, None) << "not framed and centred: " << shown.outer;
        desktop.Close(shown.window);
        if (!c.written) {
            // The notice is captioned with the application title; Enter dismisses it.
            const auto notice = desktop.WaitForClient(shown.program->Pid(), "runamika");
            ASSERT_TRUE(notice.has_value()) << "no notice";
            EXPECT_TRUE(desktop.KeysTo(*notice, {"key", "--clearmodifiers", "Return"}));
        }
        EXPECT_EQ(shown.program->Wait(), std::optional<int>(0));
        if (c.written) {
            EXPECT_EQ(ReadBytes(app.File()), "; kept\n[form]\nwidth=700\nheight=500\nleft=" +
                                                 std::to_string(shown.outer.x) +
                                                 "\ntop=" + std::to_string(shown.outer.y) + "\n");
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

// The first and last column of a text's ink in a screenshot of its box, against the colour of
// the box's last pixel; rows whose ink is a bevel's lower edge are left out.
std::pair<int, int> InkColumns(const std::vector<unsigned>& pixels, const Rect& box, int bevel) {
    if (pixels.empty()) return {box.w, -1};
    const unsigned background = pixels.back();
    int left = box.w, right = -1;
    for (int y = 0; y < box.h - bevel; ++y) {
        for (int x = 0; x < box.w; ++x) {
            if (Contrast(pixels[static_cast<std::size_t>(y * box.w + x)], background) > 2.0) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return {left, right};
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
        const Shown shown = StartShown(desktop, app, env);
        ASSERT_NE(shown.window, None) << "not framed and centred: " << shown.outer;
        Child& probe = *shown.program;

        // The longest kind of result: typed, then Enter.
        const std::string longest = "-1.23456789012345E-300";
        ASSERT_TRUE(desktop.KeysTo(shown.window, {"type", "--delay", "5", "--", longest}));
        desktop.Xdotool({"key", "Return"});
        ASSERT_EQ(AnswerOnce(probe, "text Label5", longest), longest);

        // Fully visible: once the result is drawn across most of its box (the screen shows it a
        // little after the program has it), the ink stays inside the box with room to spare on
        // the right (nothing cut off); a text shrunk to a dot is never drawn across.
        const auto box = ParseRect(probe.Ask("rect Label5"));
        ASSERT_TRUE(box.has_value());
        const auto [left, right] = Until(
            [&] { return InkColumns(desktop.Pixels(*box), *box, 2 * c.scale); },
            [&](const std::pair<int, int>& ink) { return ink.second - ink.first > box->w / 2; });
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
            const auto rect = ParseRect(probe.Ask(question));
            ASSERT_TRUE(rect.has_value()) << question;
            const double contrast = TextContrast(desktop.Pixels(Inset(*rect, inset)));
            std::printf("[ contrast ] %s, %s: %.2f\n", c.name, question.c_str(), contrast);
            EXPECT_GE(contrast, 4.5) << question;
        }
        desktop.Close(shown.window);
        EXPECT_EQ(probe.Wait(), std::optional<int>(0));
    }
}

// Moving the pointer from one item of a group to the next keeps the group's hint showing.
TEST(Desktop, TheGroupsHintStaysWhileThePointerMovesAmongItsItems) {
    Desktop desktop(1280, 1024);
    ASSERT_TRUE(desktop.Ready());
    Installed app(desktop, WINDOW_PROBE_PATH);
    const Shown shown = StartShown(desktop, app);
    ASSERT_NE(shown.window, None) << "not framed and centred: " << shown.outer;
    const auto move = [&](int item) {
        const auto r = ParseRect(shown.program->Ask("item RadioGroup1 " + std::to_string(item)));
        ASSERT_TRUE(r.has_value());
        desktop.Xdotool({"mousemove", std::to_string(r->x + 30), std::to_string(r->y + r->h / 2)});
    };
    const auto hints = [&] {
        return desktop.PopupsOf(shown.program->Pid(), Desktop::Popup::ToolTip);
    };
    move(0);
    const auto first = Until(hints, [](const std::vector<Window>& w) { return !w.empty(); });
    ASSERT_EQ(first.size(), 1U) << "no hint over the first item";
    for (const int item : {1, 2}) {
        // A hint that stays is moved to the pointer by the toolkit; one that went away (and
        // perhaps came back as another window) is gone from where it was.
        const Rect before = desktop.RectOf(first[0]);
        move(item);
        Until([&] { return desktop.RectOf(first[0]); },
              [&](const Rect& r) { return !(r == before); });
        EXPECT_EQ(hints(), first) << "the hint did not stay over item " << item;
    }
    desktop.Close(shown.window);
    EXPECT_EQ(shown.program->Wait(), std::optional<int>(0));
}

} // namespace
