// The software extended unit gives the x87's bits for every operation the core uses.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/convert/differential.h"

namespace {

class Differential : public testing::TestWithParam<differential::Operation> {};

TEST_P(Differential, SoftwareMatchesX87) {
    x87::SetArithmeticEnvironment();
    // RUNAMIKA_DIFFERENTIAL_CASES and RUNAMIKA_DIFFERENTIAL_SEED make a longer or another run
    // (scripts/differential-long-run.sh).
    const char* cases = std::getenv("RUNAMIKA_DIFFERENTIAL_CASES");
    const char* seed = std::getenv("RUNAMIKA_DIFFERENTIAL_SEED");
    const std::uint64_t count = cases != nullptr ? std::strtoull(cases, nullptr, 10) : 1000000;
    const std::uint64_t runSeed = seed != nullptr ? std::strtoull(seed, nullptr, 10) : 1;
    int shown = 0;
    const auto outcome =
        differential::Run(GetParam(), count, runSeed, [&](const std::string& what) {
            if (++shown <= 10) ADD_FAILURE() << what;
        });
    EXPECT_EQ(outcome.compared, count);
    EXPECT_EQ(outcome.mismatches, 0u);
    const auto n = [](std::uint64_t v) { return static_cast<unsigned long long>(v); };
    std::printf("%s: %llu compared, %llu mismatches; %llu overflows, %llu underflows, %llu "
                "cancellations, %llu ties\n",
                differential::Name(GetParam()), n(outcome.compared), n(outcome.mismatches),
                n(outcome.overflows), n(outcome.underflows), n(outcome.cancellations),
                n(outcome.ties));

    // The hard cases must come up often enough to mean something (at least 0.1 % each).
    using differential::Operation;
    const std::uint64_t often = count / 1000;
    const Operation op = GetParam();
    const bool arithmetic = op == Operation::Add || op == Operation::Subtract ||
                            op == Operation::Multiply || op == Operation::Divide;
    if (arithmetic || op == Operation::ToDouble) {
        EXPECT_GE(outcome.overflows, often);
        EXPECT_GE(outcome.underflows, often);
    }
    if (op == Operation::Add || op == Operation::Subtract) {
        EXPECT_GE(outcome.cancellations, often);
    }
    if (op == Operation::Add || op == Operation::Subtract || op == Operation::Multiply ||
        op == Operation::RoundToInteger || op == Operation::ToDouble) {
        EXPECT_GE(outcome.ties, often);
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, Differential, testing::ValuesIn(differential::kOperations),
                         [](const auto& info) {
                             std::string name = differential::Name(info.param);
                             for (auto& c : name)
                                 if (c == ' ') c = '_';
                             return name;
                         });

} // namespace
