#include "failure/failure.h"

#include <gtest/gtest.h>

#include "failure/impossible.h"

// Each failure's message and the name the last-resort notice gives its kind.
TEST(Failure, MessagesAndKindNames) {
    struct Case {
        Failure failure;
        const char* message;
        const char* kindName;
        bool fromArithmetic;
    };
    const Case cases[] = {
        {InvalidNumberFailure("2x"), "'2x' は浮動小数点数ではありません", "InvalidNumberFailure",
         false},
        {InvalidNumberFailure("%s%d"), "'%s%d' は浮動小数点数ではありません",
         "InvalidNumberFailure", false},
        {InvalidNumberFailure(""), "'' は浮動小数点数ではありません", "InvalidNumberFailure",
         false},
        {FloatingPointOverflowFailure(), "浮動小数点数のオーバーフロー",
         "FloatingPointOverflowFailure", true},
        {SettingsWriteFailure("/a/b.ini"), "/a/b.ini に書き込めません", "SettingsWriteFailure",
         false},
        {OutOfMemoryFailure(), "メモリが足りません", "OutOfMemoryFailure", false},
    };
    for (const auto& [failure, message, kindName, fromArithmetic] : cases) {
        EXPECT_EQ(failure.Message(), message);
        EXPECT_STREQ(failure.what(), message);
        EXPECT_STREQ(FailureKindName(failure.Kind()), kindName);
        EXPECT_EQ(failure.FromArithmetic(), fromArithmetic) << message;
    }
    EXPECT_EQ(FillMessage("no argument", "x"), "no argument");
}

TEST(FailureDeathTest, ImpossibleStateStopsWithItsMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(ImpossibleState("unit row 12"), "impossible state: unit row 12");
}
