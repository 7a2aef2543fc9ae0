// The window inside a Wayland compositor (weston, started and stopped by each test), natively and
// through the compositor's X server. The window cannot be reached from outside here, so the
// program answers on standard input (the window probe): the outer size it sees, the area that
// holds its controls, and the title bar's maximise and close.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "settings/placement_file.h"
#include "tests/support/desktop_session.h"

namespace {

using namespace desktop;

struct Size {
    int w = 0, h = 0;
    bool operator==(const Size& o) const { return w == o.w && h == o.h; }
};

std::ostream& operator<<(std::ostream& out, const Size& s) {
    return out << s.w << "x" << s.h;
}

std::optional<Size> ParseSize(const std::string& text) {
    Size s;
    if (std::sscanf(text.c_str(), "%d %d", &s.w, &s.h) != 2) return std::nullopt;
    return s;
}

// The outer size once the window is shown, as the program reports it.
std::optional<Size> ShownOuterSize(Child& probe) {
    return ParseSize(ShownOuter(probe));
}

// The controls reach x = 633 (the notebook's right edge) and y = 417 (the Clear button's bottom)
// in the area below the menu bar.
constexpr Size kDesignedLayout{633, 417};

struct Platform {
    const char* name;
    bool x;
};

class Wayland : public ::testing::TestWithParam<Platform> {};

// Untouched starts and closes leave the file as the first close wrote it, the size the designed
// 661 x 492 and the controls' area whole. Where the window cannot see its position, the centred
// position it asked for is what is stored.
TEST_P(Wayland, UntouchedStartsAndClosesKeepTheFile) {
    Weston weston(1280, 1024, GetParam().x);
    ASSERT_TRUE(weston.Ready());
    weston.UseX(GetParam().x);
    Installed app(weston, WINDOW_PROBE_PATH);
    app.Own(0644, 0755);
    std::string first;
    for (int run = 1; run <= 4; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const auto probe = app.Start({}, true);
        const auto outer = ShownOuterSize(*probe);
        ASSERT_TRUE(outer.has_value()) << "the window was not shown";
        EXPECT_EQ(*outer, (Size{661, 492}));
        const auto client = ParseSize(probe->Ask("client"));
        ASSERT_TRUE(client.has_value());
        EXPECT_GE(client->w, kDesignedLayout.w) << *client;
        EXPECT_GE(client->h, kDesignedLayout.h) << *client;
        EXPECT_EQ(probe->Ask("close"), "ok");
        ASSERT_EQ(probe->Wait(), std::optional<int>(0));
        const std::string bytes = ReadBytes(app.File());
        if (run == 1) {
            first = bytes;
            const StoredBounds stored = ReadPlacement(app.File());
            EXPECT_EQ(stored.left, (1280 - 661) / 2);
            EXPECT_EQ(stored.top, (1024 - 492) / 2);
            EXPECT_EQ(stored.width, 661);
            EXPECT_EQ(stored.height, 492);
        } else {
            EXPECT_EQ(bytes, first);
        }
    }
}

// A maximised close stores no more than the screen, and the next untouched start and close keep
// what it stored.
TEST_P(Wayland, AMaximisedCloseStaysWithinTheScreen) {
    Weston weston(1280, 1024, GetParam().x);
    ASSERT_TRUE(weston.Ready());
    weston.UseX(GetParam().x);
    Installed app(weston, WINDOW_PROBE_PATH);
    WriteBytes(app.File(), "[form]\nleft=7\ntop=9\n");
    app.Own(0644, 0755);
    Size maximised;
    {
        const auto probe = app.Start({}, true);
        const auto normal = ShownOuterSize(*probe);
        ASSERT_TRUE(normal.has_value());
        EXPECT_EQ(probe->Ask("maximise"), "ok");
        // Maximised in the program's state and in the size it sees.
        const auto now = Until(
            [&] {
                return probe->Ask("state") == "maximised" ? ParseSize(probe->Ask("outer"))
                                                          : std::nullopt;
            },
            [&](const std::optional<Size>& size) { return size && !(*size == *normal); });
        ASSERT_TRUE(now.has_value());
        maximised = *now;
        EXPECT_EQ(probe->Ask("close"), "ok");
        ASSERT_EQ(probe->Wait(), std::optional<int>(0));
    }
    const StoredBounds stored = ReadPlacement(app.File());
    EXPECT_LE(stored.width, 1280);
    EXPECT_LE(stored.height, 1024);
    EXPECT_EQ((Size{stored.width, stored.height}), maximised);
    // The position read is the position kept.
    EXPECT_EQ(stored.left, 7);
    EXPECT_EQ(stored.top, 9);
    const std::string before = ReadBytes(app.File());
    const auto probe = app.Start({}, true);
    const auto reopened = ShownOuterSize(*probe);
    ASSERT_TRUE(reopened.has_value());
    EXPECT_EQ(*reopened, maximised);
    EXPECT_EQ(probe->Ask("close"), "ok");
    ASSERT_EQ(probe->Wait(), std::optional<int>(0));
    EXPECT_EQ(ReadBytes(app.File()), before);
}

INSTANTIATE_TEST_SUITE_P(Weston, Wayland,
                         ::testing::Values(Platform{"Native", false}, Platform{"Xwayland", true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
