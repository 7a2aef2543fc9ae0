// The software extended unit gives the x87's bits for every operation the core uses.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/convert/differential.h"

namespace {

class Differential : public testing::TestWithParam<differential::Operation> {};

TEST_P(Differential, SoftwareMatchesX87) {
    x87::SetArithmeticEnvironment();
    // RUNAMIKA_DIFFERENTIAL_CASES raises the count for a longer run.
    const char* env = std::getenv("RUNAMIKA_DIFFERENTIAL_CASES");
    const std::uint64_t count = env != nullptr ? std::strtoull(env, nullptr, 10) : 1000000;
    int shown = 0;
    const auto outcome = differential::Run(GetParam(), count, 1, [&](const std::string& what) {
        if (++shown <= 10) ADD_FAILURE() << what;
    });
    EXPECT_EQ(outcome.compared, count);
    EXPECT_EQ(outcome.mismatches, 0u);
}

INSTANTIATE_TEST_SUITE_P(Operations, Differential, testing::ValuesIn(differential::kOperations),
                         [](const auto& info) {
                             std::string name = differential::Name(info.param);
                             for (auto& c : name)
                                 if (c == ' ') c = '_';
                             return name;
                         });

} // namespace
