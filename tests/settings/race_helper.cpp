// settings_race_helper FILE LEFT TOP WIDTH HEIGHT: for every byte read from standard input,
// writes the placement once and answers with one line on standard output ("0" written, "3" the
// write failed). Two copies of it, released by their parent at the same moment, play two copies
// of the program closing together.
#include <cstdlib>
#include <unistd.h>

#include "failure/failure.h"
#include "settings/placement_file.h"

int main(int argc, char** argv) {
    if (argc != 6) return 2;
    const WindowBounds bounds{std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                              std::atoi(argv[5])};
    char go = 0;
    while (read(STDIN_FILENO, &go, 1) == 1) {
        char answer[] = "0\n";
        try {
            WritePlacement(argv[1], bounds);
        } catch (const Failure&) {
            answer[0] = '3';
        }
        if (write(STDOUT_FILENO, answer, 2) != 2) return 1;
    }
    return 0;
}
