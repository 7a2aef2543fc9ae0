// The window under the X11 window managers that users run besides openbox (xfwm4, mutter and
// kwin_x11), each started with its own X server. These run in CI (.ci/run sets
// RUNAMIKA_DESKTOP_MATRIX=1); ./test skips them, for they take a while to start.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "settings/placement_file.h"
#include "tests/support/desktop_session.h"

namespace {

using namespace desktop;

class Manager : public ::testing::TestWithParam<WindowManager> {
protected:
    void SetUp() override {
        const char* matrix = std::getenv("RUNAMIKA_DESKTOP_MATRIX");
        if (matrix == nullptr || std::string(matrix) != "1") {
            GTEST_SKIP() << "the window manager matrix runs in CI (RUNAMIKA_DESKTOP_MATRIX=1)";
        }
    }
};

// Untouched starts and closes: the outer rectangle that the manager declares is the designed
// size, centred, and the file stays byte for byte what the first close wrote. Then a maximised
// close stores the maximised rectangle, within the screen.
TEST_P(Manager, UntouchedCyclesAndAMaximisedClose) {
    Desktop desktop(1280, 1024, GetParam());
    ASSERT_TRUE(desktop.Ready());
    Installed app(desktop, RUNAMIKA_PATH);
    std::string first;
    for (int run = 1; run <= 4; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const bool maximise = run == 4;
        const Shown shown = StartShown(desktop, app);
        std::printf("[ %s ] run %d: %dx%d+%d+%d\n", ManagerName(GetParam()), run, shown.outer.w,
                    shown.outer.h, shown.outer.x, shown.outer.y);
        ASSERT_NE(shown.window, None) << "not framed and centred: " << shown.outer;
        EXPECT_EQ(shown.outer, desktop.CentredRect(661, 492));
        Rect expected = shown.outer;
        if (maximise) {
            expected = desktop.MaximisedOuterOf(shown.window);
            std::printf("[ %s ] maximised: %dx%d+%d+%d\n", ManagerName(GetParam()), expected.w,
                        expected.h, expected.x, expected.y);
            EXPECT_EQ(expected, desktop.WorkArea());
        }
        desktop.Close(shown.window);
        ASSERT_EQ(shown.program->Wait(), std::optional<int>(0));
        const StoredBounds stored = ReadPlacement(app.File());
        EXPECT_EQ((Rect{stored.left, stored.top, stored.width, stored.height}), expected);
        if (run == 1) first = ReadBytes(app.File());
        if (run > 1 && !maximise) {
            EXPECT_EQ(ReadBytes(app.File()), first);
        }
    }
}

// The About dialog appears centred on the screen, its frame included.
TEST_P(Manager, TheAboutDialogIsCentred) {
    Desktop desktop(1280, 1024, GetParam());
    ASSERT_TRUE(desktop.Ready());
    Installed app(desktop, RUNAMIKA_PATH);
    const Shown main = StartShown(desktop, app);
    ASSERT_NE(main.window, None) << "not framed and centred: " << main.outer;
    const pid_t pid = main.program->Pid();
    // The menu by its access key, then the version command in it.
    ASSERT_TRUE(desktop.KeysTo(main.window, {"key", "--clearmodifiers", "alt+v"}));
    ASSERT_TRUE(Eventually([&] { return !desktop.PopupsOf(pid, Desktop::Popup::Menu).empty(); }));
    desktop.Xdotool({"key", "--clearmodifiers", "v"});
    const auto about = desktop.WaitForClient(pid, "バージョン情報");
    ASSERT_TRUE(about.has_value()) << "no About dialog";
    const Rect shown = desktop.OuterOnce(*about, [&](const Rect& r) { return desktop.Centred(r); });
    std::printf("[ %s ] About: %dx%d+%d+%d\n", ManagerName(GetParam()), shown.w, shown.h, shown.x,
                shown.y);
    EXPECT_EQ(shown, desktop.CentredRect(shown.w, shown.h));
    ASSERT_TRUE(desktop.KeysTo(*about, {"key", "--clearmodifiers", "Return"}));
    desktop.Close(main.window);
    EXPECT_EQ(main.program->Wait(), std::optional<int>(0));
}

INSTANTIATE_TEST_SUITE_P(X11, Manager,
                         ::testing::Values(WindowManager::Openbox, WindowManager::Xfwm4,
                                           WindowManager::Mutter, WindowManager::KWin),
                         [](const auto& info) {
                             std::string name = ManagerName(info.param);
                             name.erase(std::remove(name.begin(), name.end(), '_'), name.end());
                             return name;
                         });

} // namespace
