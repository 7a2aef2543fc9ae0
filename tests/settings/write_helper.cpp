// settings_write_helper FILE LEFT TOP WIDTH HEIGHT [each]: writes the placement; on a failure
// prints its message and exits with 3. A write past the file size limit fails instead of ending
// the helper. With "each" it writes once for every byte read from standard input instead and
// answers each with one line ("0" written, "3" failed): two copies, released by their parent at
// the same moment, play two copies of the program closing together.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

#include "failure/failure.h"
#include "settings/placement_file.h"

int main(int argc, char** argv) {
    const bool each = argc == 7 && std::string_view(argv[6]) == "each";
    if (argc != 6 && !each) return 2;
    const WindowBounds bounds{std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                              std::atoi(argv[5])};
    std::signal(SIGXFSZ, SIG_IGN);
    const auto writePlacement = [&] {
        try {
            WritePlacement(argv[1], bounds);
            return 0;
        } catch (const Failure& failure) {
            if (!each) std::fputs(failure.what(), stdout);
            return 3;
        }
    };
    if (!each) return writePlacement();
    for (char go = 0; read(STDIN_FILENO, &go, 1) == 1;) {
        const char answer[] = {static_cast<char>('0' + writePlacement()), '\n'};
        if (write(STDOUT_FILENO, answer, 2) != 2) return 1;
    }
    return 0;
}
