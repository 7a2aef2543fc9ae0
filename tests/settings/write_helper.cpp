// settings_write_helper FILE LEFT TOP WIDTH HEIGHT: writes the placement; on a failure prints
// its message and exits with 3. A write past the file size limit fails instead of ending the
// helper.
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "failure/failure.h"
#include "settings/placement_file.h"

int main(int argc, char** argv) {
    if (argc != 6) return 2;
    const WindowBounds bounds{std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                              std::atoi(argv[5])};
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        WritePlacement(argv[1], bounds);
    } catch (const Failure& failure) {
        std::fputs(failure.what(), stdout);
        return 3;
    }
    return 0;
}
