#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <climits>
#include <vector>

#include "failure/failure.h"
#include "settings/placement_file.h"
#include "tests/support/files.h"

using namespace test_support;

TEST(ProfileInteger, AcceptsDecimalAndHexadecimalForms) {
    // Each digit range is tried at both ends, in both cases.
    const std::pair<int, std::vector<std::string_view>> cases[] = {
        {800, {"800", "+800", "0x320", "0X320", "$320", "x320", "X320", "   800"}},
        {-800, {"-800"}},
        {0, {"0", "-0", "0x0", "$0"}},
        {190, {"+190"}},
        {7, {"007"}},
        {9, {"9", "x9"}},
        {10, {"$A", "0xa"}},
        {16, {"  $10", "  0x10"}},
        {255, {"$fF"}},
        {0xABCDEF, {"$aBcDeF"}},
        {INT_MAX, {"2147483647", "00000000002147483647", "$7FFFFFFF"}},
        {INT_MIN, {"-2147483648", "$80000000"}},
        {-1, {"$FFFFFFFF", "$0000000000ffffffff"}}};
    for (const auto& [expected, texts] : cases) {
        for (const auto text : texts) EXPECT_EQ(ParseProfileInteger(text), expected) << text;
    }
}

// Rows: no digits, more than digits, misplaced signs, out of range, the characters just outside
// the digit ranges, what is no ASCII digit.
TEST(ProfileInteger, RejectsEverythingElse) {
    using namespace std::string_view_literals;
    const std::vector<std::string_view> cases[] = {
        {"", " ", "+", "-", "$", "x", "0x", "0X"},
        {"\t800", "800 ", "800px", "800.0", "8e2"},
        {"-$320", "+0x10", "+$10", "- 5", "0x 5", "$-5"},
        {"2147483648", "-2147483649", "$100000000", "99999999999999999999"},
        {"$G", "$g", "$@", "$`", "$:", "$/", "/", ":"},
        {"\xef\xbc\x98\xef\xbc\x90\xef\xbc\x90", "8\0"sv, "\xff"}};
    for (const auto& row : cases) {
        for (const auto text : row) EXPECT_EQ(ParseProfileInteger(text), std::nullopt) << text;
    }
}

TEST(ProfileInteger, TakesLinearTimeOnLongTexts) {
    const std::string zeros(10'000'000, '0');
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ParseProfileInteger(zeros + "800"), 800);
    EXPECT_EQ(ParseProfileInteger("$" + zeros + "1"), 1);
    EXPECT_EQ(ParseProfileInteger(std::string(10'000'000, '9')), std::nullopt);
    EXPECT_EQ(ParseProfileInteger(std::string(10'000'000, ' ') + "x"), std::nullopt);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST(Placement, WriteCreatesTheFileWithTheFourKeysAndReadsThemBack) {
    TempFolder folder;
    const std::string file = folder / "CONV.ini";
    WritePlacement(file, {-8, -31, 800, 600});
    EXPECT_EQ(ReadBytes(file), "[form]\nleft=-8\ntop=-31\nwidth=800\nheight=600\n");
    const StoredBounds s = ReadPlacement(file);
    EXPECT_EQ((std::array{s.left, s.top, s.width, s.height}), (std::array{-8, -31, 800, 600}));
}

TEST(Placement, KeepsTheRestOfTheFileAndReadsWhatConverts) {
    TempFolder folder;
    const std::string file = folder / "CONV.ini";
    WriteBytes(file, "; mine\r\n[Other]\r\nwidth=1\r\n\r\n[FORM]\r\nLeft =  0x10 \r\n"
                     "top=800px\r\nwidth=$FFFFFFFF\r\n\r\n[last]\r\nx=y");
    const StoredBounds s = ReadPlacement(file);
    EXPECT_EQ((std::array{s.left, s.top, s.width, s.height}),
              (std::array{16, NotChanged, NotChanged, NotChanged}));

    WritePlacement(file, {1, 2, 3, 4});
    EXPECT_EQ(ReadBytes(file), "; mine\r\n[Other]\r\nwidth=1\r\n\r\n[FORM]\r\nLeft =  1\r\n"
                               "top=2\r\nwidth=3\r\nheight=4\r\n\r\n[last]\r\nx=y");
}

TEST(Placement, FailedWriteNamesTheFile) {
    TempFolder folder;
    const std::string file = folder / "missing/CONV.ini";
    try {
        WritePlacement(file, {1, 2, 3, 4});
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Kind(), FailureKind::SettingsWrite);
        EXPECT_EQ(failure.Message(), file + " に書き込めません");
    }
}
