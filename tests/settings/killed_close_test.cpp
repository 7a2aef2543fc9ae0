// A close killed at a random moment: a child process writes the placement over and over,
// alternating two records, and is killed with SIGKILL. After each kill the file must hold one
// whole record, old or new, with every other line as it was, and the next start must leave no
// temporary file behind. SETTINGS_KILLS sets the number of kills (100 by default).
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include "settings/placement_file.h"
#include "settings/settings_location.h"
#include "tests/support/files.h"

using namespace test_support;

namespace {

// Other sections, comments, blank lines, CRLF line ends and a byte order mark around the
// record: all of it must come through every kill unchanged.
std::string RecordAmongOtherLines(const WindowBounds& b) {
    return "\xEF\xBB\xBF; my settings\r\n[other]\r\nwidth=5\r\n\r\n[form]\r\n; the "
           "window\r\nleft=" +
           std::to_string(b.left) + "\r\ntop=" + std::to_string(b.top) +
           "\r\nwidth=" + std::to_string(b.width) + "\r\nheight=" + std::to_string(b.height) +
           "\r\n\r\n[last]\r\nx=y";
}

int Kills() {
    const char* text = std::getenv("SETTINGS_KILLS");
    const int kills = text != nullptr ? std::atoi(text) : 0;
    return kills > 0 ? kills : 100;
}

} // namespace

TEST(KilledClose, LeavesTheWholeOldOrNewRecordAndTheNextStartCleansUp) {
    const WindowBounds records[] = {{10, 20, 800, 600}, {-7, 3000, 1024, 77777}};
    TempFolder folder;
    const std::string file = folder / "runamika.ini";
    WriteBytes(file, RecordAmongOtherLines(records[0]));
    std::mt19937 random(16);
    const int kills = Kills();
    int holding[2] = {0, 0};
    int leftovers = 0;
    for (int round = 0; round < kills; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            for (;;) {
                for (const WindowBounds& record : {records[1], records[0]}) {
                    PreparePlacementFolder(file);
                    WritePlacement(file, record);
                    if (write(ready[1], "c", 1) != 1) _exit(1);
                }
            }
        }
        close(ready[1]);
        // The child reports each close it ends. Two reports measure how long one close takes;
        // the kill then falls at a random moment of the next two closes.
        const auto closed = [&] {
            pollfd wait{ready[0], POLLIN, 0};
            char byte = 0;
            return poll(&wait, 1, 30'000) == 1 && read(ready[0], &byte, 1) == 1;
        };
        const bool started = closed();
        const auto first = std::chrono::steady_clock::now();
        const bool measured = started && closed();
        if (measured) {
            const auto oneClose = std::chrono::steady_clock::now() - first;
            std::this_thread::sleep_for(oneClose * 2 * (random() % 1000) / 1000);
        }
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(ready[0]);
        ASSERT_TRUE(measured) << "round " << round;

        const std::string content = ReadBytes(file);
        const int which = content == RecordAmongOtherLines(records[0])   ? 0
                          : content == RecordAmongOtherLines(records[1]) ? 1
                                                                         : -1;
        ASSERT_NE(which, -1) << "round " << round << ":\n" << content;
        ++holding[which];
        if (FolderEntries(folder.Path()).size() > 1) ++leftovers;

        ReadPlacement(file); // the next start, which removes what the killed close left
        ASSERT_EQ(FolderEntries(folder.Path()), std::set<std::string>{"runamika.ini"})
            << "round " << round;
    }
    std::printf("%d kills: first record whole %d, second record whole %d, mixed 0; temporary "
                "files left by the killed close and removed by the next start: %d\n",
                kills, holding[0], holding[1], leftovers);
}
