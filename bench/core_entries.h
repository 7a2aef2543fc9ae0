// The conversion core of one build, reached through plain function pointers, so that one
// benchmark run can time the x87 core (linked in) beside the software core (a shared library
// loaded at run time, built from the same sources with the software arithmetic).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "convert/extended_bits.h"

struct CoreEntries {
    const char* arithmetic; // "x87" or "software"
    void (*setEnvironment)();
    // False when the text is rejected.
    bool (*parse)(std::string_view text, ExtendedBits& value);
    std::string (*format)(ExtendedBits value);
    // state[0] is InputValue, state[1] BaseValue.
    std::optional<std::string> (*convert)(int page, int fromRow, int toRow, std::string_view text,
                                          double* state);
};

// The core this translation unit was built against.
const CoreEntries& CoreEntriesOfThisBuild();

// Exported by the software core library.
extern "C" const CoreEntries* RunamikaSoftwareCore();
