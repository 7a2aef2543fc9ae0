// The conversion core of one arithmetic unit, reached through plain function pointers, so that
// one benchmark run can time the x87 core beside the software core: both are linked in, each
// in its own inline namespace, and core_entries.cpp is compiled once against each.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "convert/extended_bits.h"

struct CoreEntries {
    const char* arithmetic; // "x87" or "software"
    void (*setEnvironment)();
    // False when the text is rejected.
    bool (*parse)(std::string_view text);
    std::string (*format)(ExtendedBits value);
    // state[0] is InputValue, state[1] BaseValue.
    std::optional<std::string> (*convert)(int page, int fromRow, int toRow, std::string_view text,
                                          double* state);
};

// Defined by the copy of core_entries.cpp that is built against that unit's core.
const CoreEntries& X87CoreEntries();
const CoreEntries& SoftwareCoreEntries();
