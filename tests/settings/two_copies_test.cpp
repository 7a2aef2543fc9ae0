// Two copies of the program closing at the same moment: each writes its four values to the
// same placement file. Whatever the interleaving, the file must stay valid and hold the four
// values of one copy, never a mix of both.
#include <gtest/gtest.h>

#include <string>

#include "settings/placement_file.h"
#include "tests/support/files.h"
#include "tests/support/process.h"

using namespace test_support;

namespace {

// A running copy of the write helper: one byte on its input releases one write, and it answers
// "0" (written) or "3" (failed).
class Writer {
public:
    Writer(const std::string& file, const WindowBounds& b)
        : helper_(
              {.args = {SETTINGS_WRITE_HELPER, file, std::to_string(b.left), std::to_string(b.top),
                        std::to_string(b.width), std::to_string(b.height), "each"}},
              true) {}

    bool Release() { return helper_.Write("g"); }
    std::string Answer() { return helper_.ReadLine().value_or("no answer"); }

private:
    Process helper_;
};

std::string FileHolding(const WindowBounds& b) {
    return "[form]\nleft=" + std::to_string(b.left) + "\ntop=" + std::to_string(b.top) +
           "\nwidth=" + std::to_string(b.width) + "\nheight=" + std::to_string(b.height) + "\n";
}

} // namespace

TEST(TwoCopies, ClosingTogetherLeavesTheValuesOfOneCopy) {
    const WindowBounds first{10, 20, 800, 600};
    const WindowBounds second{-7, 3000, 1024, 77};
    const std::string oneOrOther[] = {FileHolding(first), FileHolding(second)};
    constexpr int kRounds = 300;

    TempFolder folder;
    const std::string file = folder / "runamika.ini";
    Writer a(file, first);
    Writer b(file, second);
    int mixed = 0;
    int wins[2] = {0, 0};
    for (int round = 0; round < kRounds; ++round) {
        // From round 1 on the file already holds all four keys; round 0 starts without one.
        ASSERT_TRUE(a.Release() && b.Release());
        ASSERT_EQ(a.Answer(), "0") << "round " << round;
        ASSERT_EQ(b.Answer(), "0") << "round " << round;
        const std::string content = ReadBytes(file);
        if (content == oneOrOther[0]) {
            ++wins[0];
        } else if (content == oneOrOther[1]) {
            ++wins[1];
        } else {
            ++mixed;
            ADD_FAILURE() << "round " << round << ":\n" << content;
        }
    }
    EXPECT_EQ(FolderEntries(folder.Path()), std::set<std::string>{"runamika.ini"});
    std::printf("two copies, %d rounds: first copy's values %d, second's %d, mixed %d\n", kRounds,
                wins[0], wins[1], mixed);
}
