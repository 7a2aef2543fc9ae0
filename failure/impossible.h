// Impossible states: a programming error, never a failure that the user could cause or
// correct. The program stops at once with a message on the standard error stream, in every
// build (NDEBUG does not remove the check), instead of showing the user an English text in a
// notice or carrying on with a value from outside a table.
#pragma once

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void ImpossibleState(const char* what) noexcept {
    std::fprintf(stderr, "runamika: impossible state: %s\n", what);
    std::abort();
}
