#include <gtest/gtest.h>

#include <chrono>
#include <climits>

#include "failure/failure.h"
#include "settings/placement_file.h"
#include "tests/support/files.h"

using namespace test_support;

TEST(ProfileInteger, AcceptsDecimalAndHexadecimalForms) {
    const std::pair<std::string_view, int> cases[] = {
        {"800", 800},
        {"+800", 800},
        {"-800", -800},
        {"0", 0},
        {"-0", 0},
        {"9", 9}, // both ends of the decimal digits
        {"+190", 190},
        {"007", 7},
        {"0x320", 800},
        {"0X320", 800},
        {"$320", 800},
        {"x320", 800},
        {"X320", 800},
        {"$fF", 255},
        {"$A", 10}, // both ends of each digit range, in both cases
        {"0xa", 10},
        {"x9", 9},
        {"$0", 0},
        {"$aBcDeF", 0xABCDEF},
        {"   800", 800},
        {"  $10", 16},
        {"  0x10", 16},
        {"0x0", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"00000000002147483647", INT_MAX},
        {"$7FFFFFFF", INT_MAX},
        {"$80000000", INT_MIN},
        {"$FFFFFFFF", -1},
        {"$0000000000ffffffff", -1},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseProfileInteger(text), expected) << text;
}

TEST(ProfileInteger, RejectsEverythingElse) {
    const std::string_view cases[] = {
        "",
        " ",
        "+",
        "-",
        "$",
        "x",
        "0x",
        "0X",
        "\t800",
        "800 ",
        "800px",
        "800.0",
        "8e2",
        "-$320",
        "+0x10",
        "+$10",
        "- 5",
        "0x 5",
        "$-5",
        "2147483648",
        "-2147483649",
        "$100000000",
        "99999999999999999999",
        "$G",
        "$g",
        "$@", // the characters just outside the digit ranges
        "$`",
        "$:",
        "$/",
        "/",
        ":",
        "\xef\xbc\x98\xef\xbc\x90\xef\xbc\x90",
        std::string_view("8\0", 2),
        "\xff",
    };
    for (const auto text : cases) EXPECT_EQ(ParseProfileInteger(text), std::nullopt) << text;
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
    const StoredBounds stored = ReadPlacement(file);
    EXPECT_EQ(stored.left, -8);
    EXPECT_EQ(stored.top, -31);
    EXPECT_EQ(stored.width, 800);
    EXPECT_EQ(stored.height, 600);
}

TEST(Placement, KeepsTheRestOfTheFileAndReadsWhatConverts) {
    TempFolder folder;
    const std::string file = folder / "CONV.ini";
    WriteBytes(file, "; mine\r\n[Other]\r\nwidth=1\r\n\r\n[FORM]\r\nLeft =  0x10 \r\n"
                     "top=800px\r\nwidth=$FFFFFFFF\r\n\r\n[last]\r\nx=y");
    const StoredBounds stored = ReadPlacement(file);
    EXPECT_EQ(stored.left, 16);
    EXPECT_EQ(stored.top, NotChanged);
    EXPECT_EQ(stored.width, NotChanged);
    EXPECT_EQ(stored.height, NotChanged);

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
