// The About dialog and the failure notices under real window managers: where they appear (their
// outer rectangle, frame included), where the About dialog comes back after a drag, which title
// bar actions the manager offers for them, and the result's context menu opened by a real right
// click. Openbox runs with ./test; the other managers run in CI (RUNAMIKA_DESKTOP_MATRIX=1).
#include <gtest/gtest.h>

#include <X11/Xatom.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

#include "tests/support/desktop_session.h"

namespace {

using namespace desktop;

constexpr int kWidth = 1280, kHeight = 1024;

bool NearlyAt(const Rect& shown, int x, int y) {
    return std::abs(shown.x - x) <= 2 && std::abs(shown.y - y) <= 2;
}

// The actions a manager offers for a window, by their short names (MINIMIZE, CLOSE, ...).
std::set<std::string> AllowedActions(Desktop& desktop, Window w) {
    std::set<std::string> names;
    for (const unsigned long atom : desktop.Longs(w, "_NET_WM_ALLOWED_ACTIONS", XA_ATOM)) {
        char* name = XGetAtomName(desktop.X(), static_cast<Atom>(atom));
        if (name == nullptr) continue;
        std::string text(name);
        XFree(name);
        const std::string prefix = "_NET_WM_ACTION_";
        if (text.rfind(prefix, 0) == 0) names.insert(text.substr(prefix.size()));
    }
    return names;
}

// Managers that offer minimising for every dialog by their own policy, whatever the window
// asks for: the box and the window it belongs to are minimised together and come back together.
bool MinimisesDialogsAnyway(WindowManager manager) {
    return manager == WindowManager::Openbox || manager == WindowManager::KWin;
}

class Dialogs : public ::testing::TestWithParam<WindowManager> {
protected:
    void SetUp() override {
        const char* matrix = std::getenv("RUNAMIKA_DESKTOP_MATRIX");
        if (GetParam() != WindowManager::Openbox &&
            (matrix == nullptr || std::string(matrix) != "1")) {
            GTEST_SKIP() << "the other window managers run in CI (RUNAMIKA_DESKTOP_MATRIX=1)";
        }
    }
};

// The About dialog centred at its first opening, at its dragged position at the next two, and
// a notice centred, each within 2 pixels; neither offers maximising, nor minimising where the
// manager lets the window decide.
TEST_P(Dialogs, PlacedAndFramedAsDesigned) {
    const char* manager = ManagerName(GetParam());
    Desktop desktop(kWidth, kHeight, GetParam());
    ASSERT_TRUE(desktop.Ready());
    Installed app(desktop, WINDOW_PROBE_PATH);
    const Shown main = StartShown(desktop, app);
    ASSERT_NE(main.window, None) << "not framed and centred: " << main.outer;
    Child& probe = *main.program;

    struct Step {
        const char* name;
        bool dragFirst; // the dialog is dragged before it is closed
    };
    const Step steps[] = {{"first opening", true}, {"after the drag", false}, {"again", false}};
    std::optional<std::pair<int, int>> expected; // the outer position the next opening has
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_EQ(probe.Ask("about"), "ok");
        const auto about = desktop.WaitForClient(probe.Pid(), "バージョン情報");
        ASSERT_TRUE(about.has_value()) << "no About dialog";
        const auto placed = [&](const Rect& r) {
            return expected ? NearlyAt(r, expected->first, expected->second) : desktop.Centred(r);
        };
        const Rect shown = desktop.OuterOnce(*about, placed);
        std::printf("[ %s ] About, %s: %dx%d+%d+%d\n", manager, step.name, shown.w, shown.h,
                    shown.x, shown.y);
        EXPECT_TRUE(placed(shown))
            << shown << (expected ? " instead of where it was left" : " instead of centred");
        const auto actions = AllowedActions(desktop, *about);
        EXPECT_EQ(actions.count("MAXIMIZE_HORZ") + actions.count("MAXIMIZE_VERT"), 0U);
        EXPECT_EQ(actions.count("MINIMIZE"), MinimisesDialogsAnyway(GetParam()) ? 1U : 0U);
        EXPECT_EQ(actions.count("CLOSE"), 1U);
        if (step.dragFirst) {
            // What a drag by the title bar ends with: the manager moves the frame.
            const int toX = 100, toY = 80;
            desktop.SendRequest(*about, "_NET_MOVERESIZE_WINDOW",
                                {(1 << 8) | (1 << 9) | NorthWestGravity, toX, toY, 0, 0, 2});
            const Rect moved =
                desktop.OuterOnce(*about, [&](const Rect& r) { return NearlyAt(r, toX, toY); });
            EXPECT_TRUE(NearlyAt(moved, toX, toY)) << moved;
            expected = std::pair{moved.x, moved.y};
        } else if (!expected) {
            expected = std::pair{shown.x, shown.y};
        }
        ASSERT_TRUE(desktop.KeysTo(*about, {"key", "--clearmodifiers", "Return"}));
        ASSERT_TRUE(Eventually([&] { return !desktop.Viewable(*about); }));
    }

    ASSERT_EQ(probe.Ask("notice"), "ok");
    const auto notice = desktop.WaitForClient(probe.Pid(), "runamika");
    ASSERT_TRUE(notice.has_value()) << "no notice";
    const Rect shown =
        desktop.OuterOnce(*notice, [&](const Rect& r) { return desktop.Centred(r); });
    std::printf("[ %s ] notice: %dx%d+%d+%d\n", manager, shown.w, shown.h, shown.x, shown.y);
    EXPECT_TRUE(desktop.Centred(shown)) << shown;
    const auto actions = AllowedActions(desktop, *notice);
    EXPECT_EQ(actions.count("MAXIMIZE_HORZ") + actions.count("MAXIMIZE_VERT"), 0U);
    EXPECT_EQ(actions.count("MINIMIZE"), MinimisesDialogsAnyway(GetParam()) ? 1U : 0U);
    if (MinimisesDialogsAnyway(GetParam())) {
        // Minimised, the notice takes the window with it; restoring the window brings it back.
        // The program activates the box once it is mapped: a minimise before that is undone.
        ASSERT_EQ(AnswerOnce(probe, "active", "runamika"), "runamika");
        desktop.Minimise(*notice);
        EXPECT_TRUE(Eventually([&] { return desktop.Iconic(*notice); }));
        desktop.SendRequest(main.window, "_NET_ACTIVE_WINDOW", {2, CurrentTime, 0});
        EXPECT_TRUE(Eventually([&] {
            return !desktop.Iconic(*notice) && !desktop.Iconic(main.window);
        })) << "the notice stays minimised";
    }
    EXPECT_TRUE(desktop.KeysTo(*notice, {"key", "--clearmodifiers", "Return"}));
    desktop.Close(main.window);
    EXPECT_EQ(probe.Wait(), std::optional<int>(0));
}

INSTANTIATE_TEST_SUITE_P(X11, Dialogs,
                         ::testing::Values(WindowManager::Openbox, WindowManager::Xfwm4,
                                           WindowManager::Mutter, WindowManager::KWin,
                                           WindowManager::IceWM),
                         [](const auto& info) {
                             std::string name = ManagerName(info.param);
                             name.erase(std::remove(name.begin(), name.end(), '_'), name.end());
                             return name;
                         });

// A right click on the result opens its context menu; C (Copy's access key) copies the result.
TEST(Desktop, TheResultsContextMenuCopiesWithARealRightClick) {
    Desktop desktop(kWidth, kHeight);
    ASSERT_TRUE(desktop.Ready());
    Installed app(desktop, WINDOW_PROBE_PATH);
    const Shown shown = StartShown(desktop, app);
    ASSERT_NE(shown.window, None) << "not framed and centred: " << shown.outer;
    Child& probe = *shown.program;
    ASSERT_TRUE(desktop.KeysTo(shown.window, {"type", "--delay", "5", "--", "12345"}));
    desktop.Xdotool({"key", "Return"});
    ASSERT_EQ(AnswerOnce(probe, "text Label5", "12345"), "12345");
    const auto box = ParseRect(probe.Ask("rect Label5"));
    ASSERT_TRUE(box.has_value());
    desktop.Xdotool({"mousemove", std::to_string(box->x + 20), std::to_string(box->y + 10)});
    desktop.Xdotool({"click", "3"});
    const auto menus = [&] { return desktop.PopupsOf(probe.Pid(), Desktop::Popup::Menu).size(); };
    ASSERT_EQ(Until(menus, [](std::size_t n) { return n > 0; }), 1U) << "no context menu";
    desktop.Xdotool({"key", "c"});
    EXPECT_EQ(AnswerOnce(probe, "clipboard", "12345"), "12345");
    EXPECT_TRUE(Eventually([&] { return menus() == 0; })) << "the menu stays open";
    desktop.Close(shown.window);
    EXPECT_EQ(probe.Wait(), std::optional<int>(0));
}

} // namespace
