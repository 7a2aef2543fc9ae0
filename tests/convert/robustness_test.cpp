#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "convert/conversion.h"
#include "convert/number_text.h"
#include "failure/failure.h"

namespace {

// Runs a parse and reports whether it was accepted; any other exception fails the test.
bool Accepts(std::string_view text) {
    try {
        ParseNumber(text);
        return true;
    } catch (const Failure&) {
        return false;
    }
}

TEST(Robustness, HugeInputs) {
    EXPECT_FALSE(Accepts(std::string(1 << 20, '7'))); // beyond the extended range
    EXPECT_FALSE(Accepts("0." + std::string(1 << 20, '7')));
    EXPECT_FALSE(Accepts("1" + std::string(1 << 20, '0') + "e-4999"));
    EXPECT_TRUE(Accepts("0." + std::string(1 << 20, '0')));
    EXPECT_FALSE(Accepts("1e" + std::string(5000, '9')));
    EXPECT_TRUE(Accepts("1e-" + std::string(5000, '0') + "5"));
    EXPECT_FALSE(Accepts(std::string(1 << 20, ' ') + "x"));
}

TEST(Robustness, ArbitraryBytesNeverCrash) {
    std::mt19937 rng(12345);
    const char alphabet[] = "0123456789+-eE., \t\x80\xff\xe3";
    for (int i = 0; i < 20000; ++i) {
        std::string text(rng() % 24, ' ');
        for (auto& ch : text) ch = alphabet[rng() % (sizeof alphabet - 1)];
        ConversionState state;
        try {
            const auto shown = Convert(static_cast<Page>(rng() % 5), 0, 1, text, state);
            if (shown) {
                EXPECT_FALSE(shown->empty());
            }
        } catch (const Failure&) {
        }
    }
}

TEST(Robustness, EveryBitPatternFormats) {
    std::mt19937_64 rng(777);
    for (int i = 0; i < 50000; ++i) {
        const std::uint64_t low = rng();
        const auto high = static_cast<std::uint16_t>(rng());
        const Extended x = ExtendedFromBits({low, high});
        const std::string text = FormatNumber(x);
        EXPECT_FALSE(text.empty());
        EXPECT_LE(text.size(), 24u);
    }
}

} // namespace
