#include "convert/conversion.h"

#include <cmath>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "convert/number_text.h"
#include "convert/units.h"
#include "failure/failure.h"

namespace {

struct Row {
    int from;
    int to;
    const char* text;
    const char* shown;
};

// Length: 0 m, 1 cm, 2 km, 3 inch, 4 foot, 5 yard, 6 尺, 7 間, 8 里, 9 鯨尺, 10 海里, 11 mile.
// Weight: 0 Kg, 1 g, 2 t, 3 オンス, 4 ポンド, 5 英トン, 6 米トン, 7 匁, 8 貫, 9 斤.
// Volume: 0 立方ｍ, 1 立方ｃｍ, 2 リットル, 3 ガロン, 4 合, 5 升, 6 石, 7 バレル.
// Area: 0 平方ｍ, 1 平方ｋｍ, 2 アール, 3 ヘクタール, 4 平方ヤード, 5 坪, 6 反, 7 町, 8 エーカー.
// Temperature: 0 ℃, 1 F.
TEST(Convert, EveryPage) {
    // clang-format off
    const std::pair<Page, std::vector<Row>> pages[] = {
        {Page::Length, {{0, 1, "2", "200"}, {0, 3, "1", "39.37"}, {3, 0, "1", "0.0254000508001016"},
            {8, 0, "1", "3927.72977219167"}, {8, 2, "1", "3.92772977219167"},
            {10, 0, "1", "1852.18"}, {11, 2, "1", "1.60934"}, {6, 0, "100", "30.3030303030303"},
            {4, 0, "1", "0.304794416166296"}, {3, 3, "1", "1"}, {0, 1, "1e308", "1E310"},
            {5, 7, "0", "0"}, {5, 7, "-0", "0"}, {5, 7, "0.0", "0"}, {5, 7, "1e-400", "0"}}},
        {Page::Weight, {{5, 0, "1", "1111.11111111111"}, {6, 0, "1", "909.090909090909"},
            {7, 1, "1", "3.749999953125"}, {8, 0, "1", "3.74999953125006"},
            {9, 0, "1", "0.599999988"}, {4, 1, "1", "453.59702440352"}, {2, 1, "1", "1000000"},
            {3, 3, "0", "0"}}},
        {Page::Volume, {{5, 2, "1", "1.80390798626144"}, {6, 2, "1", "180.390798626144"},
            {4, 5, "10", "1"}, {3, 2, "1", "3.78529790294496"}, {7, 2, "1", "158.934503091276"},
            {0, 1, "0", "0"}}},
        {Page::Area, {{5, 0, "1", "3.30579"}, {3, 5, "1", "3024.99553813158"},
            {7, 6, "1", "9.99998023666593"}, {4, 0, "1", "0.836127357414052"}, {8, 8, "0", "0"}}},
        {Page::Temperature, {{0, 1, "0", "32"}, {0, 1, "100", "212"}, {0, 1, "37", "98.6"},
            {0, 1, "-40", "-40"}, {0, 1, "-273.15", "-459.67"}, {0, 1, "-18", "-0.4"},
            {1, 0, "100", "37.7777777777778"}, {1, 0, "212", "100"}, {1, 0, "32", "0"},
            {1, 0, "0", "-17.7777777777778"}, {1, 0, "451", "232.777777777778"}, {1, 1, "0", "0"},
            {1, 1, "98.6", "98.6"}, {0, 0, "-273.15", "-273.15"}, {1, 1, "1e308", "1E308"}}},
    };
    // clang-format on
    for (const auto& [page, rows] : pages) {
        for (const Row& r : rows) {
            ConversionState state;
            EXPECT_EQ(Convert(page, r.from, r.to, r.text, state).value_or("<nothing>"), r.shown)
                << "page " << static_cast<int>(page) << " row " << r.from << " -> " << r.to
                << " of '" << r.text << "'";
        }
    }
}

TEST(Convert, CommaDecimalMark) {
    SetDecimalMark(',');
    ConversionState state;
    EXPECT_EQ(Convert(Page::Length, 0, 0, "2,5", state), "2,5");
    EXPECT_THROW(Convert(Page::Length, 0, 0, "2.5", state), Failure);
    SetDecimalMark('.');
}

TEST(Convert, EmptyTextChangesNothing) {
    for (int page = 0; page < kPageCount; ++page) {
        ConversionState state{3.0, 4.0};
        EXPECT_FALSE(Convert(static_cast<Page>(page), 0, 1, "", state).has_value());
        EXPECT_EQ(state.InputValue, 3.0);
        EXPECT_EQ(state.BaseValue, 4.0);
    }
}

TEST(Convert, ZeroShortcutKeepsBaseValue) {
    ConversionState state{3.0, 4.0};
    EXPECT_EQ(Convert(Page::Area, 2, 3, "-0", state), "0");
    EXPECT_TRUE(std::signbit(state.InputValue));
    EXPECT_EQ(state.BaseValue, 4.0);
    // The temperature page has no zero shortcut: the base value is written.
    EXPECT_EQ(Convert(Page::Temperature, 0, 1, "0", state), "32");
    EXPECT_EQ(state.BaseValue, 0.0);
}

TEST(Convert, FahrenheitToFahrenheitLeavesBaseValue) {
    ConversionState state{3.0, 4.0};
    EXPECT_EQ(Convert(Page::Temperature, 1, 1, "50", state), "50");
    EXPECT_EQ(state.InputValue, 50.0);
    EXPECT_EQ(state.BaseValue, 4.0);
}

// What each failure leaves stored.
struct FailureCase {
    Page page;
    int from;
    int to;
    const char* text;
    FailureKind kind;
    const char* message;
    double input;
    double base;
};

TEST(Convert, FailuresLeaveTheDesignedState) {
    const FailureCase cases[] = {
        {Page::Length, 0, 1, "2x", FailureKind::InvalidNumber, "'2x' は浮動小数点数ではありません",
         3.0, 4.0},
        {Page::Length, 0, 1, "   ", FailureKind::InvalidNumber,
         "'   ' は浮動小数点数ではありません", 3.0, 4.0},
        {Page::Length, 0, 1, "1e400", FailureKind::FloatingPointOverflow,
         "浮動小数点数のオーバーフロー", 3.0, 4.0},
        {Page::Length, 2, 0, "1e308", FailureKind::FloatingPointOverflow,
         "浮動小数点数のオーバーフロー", 1e308, 4.0},
        {Page::Area, 1, 0, "1e305", FailureKind::FloatingPointOverflow,
         "浮動小数点数のオーバーフロー", 1e305, 4.0},
        {Page::Temperature, 0, 1, "1e4000", FailureKind::FloatingPointOverflow,
         "浮動小数点数のオーバーフロー", 3.0, 4.0},
    };
    for (const auto& c : cases) {
        ConversionState state{3.0, 4.0};
        try {
            Convert(c.page, c.from, c.to, c.text, state);
            ADD_FAILURE() << c.text << " converted";
        } catch (const Failure& f) {
            EXPECT_EQ(f.Kind(), c.kind) << c.text;
            EXPECT_STREQ(f.what(), c.message);
        }
        EXPECT_EQ(state.InputValue, c.input) << c.text;
        EXPECT_EQ(state.BaseValue, c.base) << c.text;
    }
}

TEST(Convert, ResultBeyondDoubleRangeIsShown) {
    ConversionState state;
    EXPECT_EQ(Convert(Page::Area, 0, 1, "-1e308", state), "-1E302");
    EXPECT_EQ(Convert(Page::Volume, 0, 1, "1.7e308", state), "1.7E314");
    EXPECT_EQ(Convert(Page::Temperature, 0, 1, "1.7e308", state), "3.06E308");
}

// A row or page outside the tables is a programming error: the program stops with a message
// instead of raising something a notice would show.
TEST(ConvertDeathTest, RowsOutsideTheTableStopTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ConversionState state;
    EXPECT_DEATH(Convert(Page::Length, 12, 0, "1", state), "impossible state");
    EXPECT_DEATH(Convert(Page::Temperature, 0, -1, "", state), "impossible state");
    EXPECT_DEATH(Convert(static_cast<Page>(7), 0, 0, "1", state), "impossible state");
}

// Every row of the five tables as written in the design: list caption, short label (half-width
// katakana, ASCII and full-width letters exactly), rule and factor, in radio-item order. The 里
// factor is the extended value one unit in the last place above the one nearest to 0.0002546.
TEST(UnitTables, EveryRowAsDesigned) {
    struct Row {
        Page page;
        std::string_view caption;
        std::string_view label;
        ToBase rule;
        Extended factor;
    };
    const Row rows[] = {
        {Page::Length, "ｍ", "ｍ", ToBase::Same, ExtendedFromInt(1)},
        {Page::Length, "ｃｍ", "ｃｍ", ToBase::Divide, ExtendedFromInt(100)},
        {Page::Length, "ｋｍ", "ｋｍ", ToBase::Multiply, ExtendedFromInt(1000)},
        {Page::Length, "インチ", "インチ", ToBase::Divide, ExtendedFromDecimal("39.37")},
        {Page::Length, "フィート", "ﾌｨｰﾄ", ToBase::Divide, ExtendedFromDecimal("3.2809")},
        {Page::Length, "ヤード", "ヤード", ToBase::Divide, ExtendedFromDecimal("1.0936")},
        {Page::Length, "尺", "尺", ToBase::Divide, ExtendedFromDecimal("3.3")},
        {Page::Length, "間", "間", ToBase::Divide, ExtendedFromDecimal("0.55")},
        {Page::Length, "里", "里", ToBase::Divide, ExtendedConstant(0x857BD56374439EBCu, -75)},
        {Page::Length, "鯨尺", "鯨尺", ToBase::Divide, ExtendedFromDecimal("2.64")},
        {Page::Length, "海里", "海里", ToBase::Multiply, ExtendedFromDecimal("1852.18")},
        {Page::Length, "マイル", "マイル", ToBase::Multiply, ExtendedFromDecimal("1609.34")},
        {Page::Weight, "Kg", "Kg", ToBase::Same, ExtendedFromInt(1)},
        {Page::Weight, "g", "g", ToBase::Divide, ExtendedFromInt(1000)},
        {Page::Weight, "t（トン）", "t", ToBase::Multiply, ExtendedFromInt(1000)},
        {Page::Weight, "オンス", "オンス", ToBase::Divide, ExtendedFromDecimal("35.273")},
        {Page::Weight, "ポンド", "ポンド", ToBase::Divide, ExtendedFromDecimal("2.2046")},
        {Page::Weight, "英トン", "英トン", ToBase::Divide, ExtendedFromDecimal("0.0009")},
        {Page::Weight, "米トン", "米トン", ToBase::Divide, ExtendedFromDecimal("0.0011")},
        {Page::Weight, "匁（もんめ）", "匁", ToBase::Divide, ExtendedFromDecimal("266.66667")},
        {Page::Weight, "貫（かん）", "貫", ToBase::Divide, ExtendedFromDecimal("0.2666667")},
        {Page::Weight, "斤（きん）", "斤", ToBase::Divide, ExtendedFromDecimal("1.6666667")},
        {Page::Volume, "立方ｍ", "立方ｍ", ToBase::Same, ExtendedFromInt(1)},
        {Page::Volume, "立方ｃｍ", "立方cm", ToBase::Divide, ExtendedFromInt(1000000)},
        {Page::Volume, "リットル", "ﾘｯﾄﾙ", ToBase::Divide, ExtendedFromInt(1000)},
        {Page::Volume, "ガロン", "ガロン", ToBase::Divide, ExtendedFromDecimal("264.18")},
        {Page::Volume, "合", "合", ToBase::Divide, ExtendedFromDecimal("5543.52")},
        {Page::Volume, "升", "升", ToBase::Divide, ExtendedFromDecimal("554.352")},
        {Page::Volume, "石", "石", ToBase::Divide, ExtendedFromDecimal("5.54352")},
        {Page::Volume, "バレル", "バレル", ToBase::Divide, ExtendedFromDecimal("6.2919")},
        {Page::Area, "平方ｍ", "平方ｍ", ToBase::Same, ExtendedFromInt(1)},
        {Page::Area, "平方ｋｍ", "平方km", ToBase::Multiply, ExtendedFromInt(1000000)},
        {Page::Area, "アール", "アール", ToBase::Multiply, ExtendedFromInt(100)},
        {Page::Area, "ヘクタール", "ﾍｸﾀｰﾙ", ToBase::Multiply, ExtendedFromInt(10000)},
        {Page::Area, "平方ヤード", "平方ﾔｰﾄﾞ", ToBase::Divide, ExtendedFromDecimal("1.19599005")},
        {Page::Area, "坪", "坪", ToBase::Multiply, ExtendedFromDecimal("3.30579")},
        {Page::Area, "反", "反", ToBase::Multiply, ExtendedFromDecimal("991.7355")},
        {Page::Area, "町", "町", ToBase::Multiply, ExtendedFromDecimal("9917.3354")},
        {Page::Area, "エーカー", "ｴｰｶｰ", ToBase::Multiply, ExtendedFromDecimal("4046.8")},
        {Page::Temperature, "摂氏(℃)", "℃", ToBase::Same, ExtendedFromInt(1)},
        {Page::Temperature, "華氏(F)", "F", ToBase::Fahrenheit, ExtendedFromDecimal("1.8")},
    };
    std::size_t at[kPageCount] = {};
    for (const Row& r : rows) {
        const auto table = UnitTable(r.page);
        const std::size_t i = at[static_cast<int>(r.page)]++;
        ASSERT_LT(i, table.size()) << r.caption;
        EXPECT_EQ(table[i].caption, r.caption) << i;
        EXPECT_EQ(table[i].label, r.label) << r.caption;
        EXPECT_EQ(table[i].rule, r.rule) << r.caption;
        // The base unit's factor is never read.
        if (r.rule != ToBase::Same) {
            EXPECT_EQ(table[i].factor, r.factor) << r.caption;
        }
    }
    for (int page = 0; page < kPageCount; ++page) {
        EXPECT_EQ(UnitTable(static_cast<Page>(page)).size(), at[page]) << page;
    }
    EXPECT_EQ(std::size(rows), 41u);
}

TEST(UnitTables, PageCaptions) {
    EXPECT_EQ(PageCaption(Page::Length), "長さ");
    EXPECT_EQ(PageCaption(Page::Weight), "重さ");
    EXPECT_EQ(PageCaption(Page::Volume), "体積");
    EXPECT_EQ(PageCaption(Page::Area), "面積");
    EXPECT_EQ(PageCaption(Page::Temperature), "温度");
}

TEST(UnitTables, RiFactorIsOneUnitAboveNearest) {
    const Extended ri = UnitTable(Page::Length)[8].factor;
    const ExtendedBits nearest = BitsOf(ExtendedFromDecimal("0.0002546"));
    EXPECT_EQ(BitsOf(ri), (ExtendedBits{nearest.significand + 1, nearest.signExponent}));
}

} // namespace
