#include "convert/units.h"

#include <array>

#include "failure/impossible.h"

inline namespace RUNAMIKA_CORE_NAMESPACE {

namespace {

// The 里 factor is deliberately one unit in the last place above the extended value nearest
// to 0.0002546 ri per metre; the published results depend on exactly this value.
constexpr Extended kRiPerMetre = ExtendedConstant(0x857BD56374439EBCu, -75);

constexpr std::array kLength{
    UnitRow{"ｍ", "ｍ", ToBase::Same, ExtendedFromInt(1)},
    UnitRow{"ｃｍ", "ｃｍ", ToBase::Divide, ExtendedFromInt(100)},
    UnitRow{"ｋｍ", "ｋｍ", ToBase::Multiply, ExtendedFromInt(1000)},
    UnitRow{"インチ", "インチ", ToBase::Divide, ExtendedFromDecimal("39.37")},
    UnitRow{"フィート", "ﾌｨｰﾄ", ToBase::Divide, ExtendedFromDecimal("3.2809")},
    UnitRow{"ヤード", "ヤード", ToBase::Divide, ExtendedFromDecimal("1.0936")},
    UnitRow{"尺", "尺", ToBase::Divide, ExtendedFromDecimal("3.3")},
    UnitRow{"間", "間", ToBase::Divide, ExtendedFromDecimal("0.55")},
    UnitRow{"里", "里", ToBase::Divide, kRiPerMetre},
    UnitRow{"鯨尺", "鯨尺", ToBase::Divide, ExtendedFromDecimal("2.64")},
    UnitRow{"海里", "海里", ToBase::Multiply, ExtendedFromDecimal("1852.18")},
    UnitRow{"マイル", "マイル", ToBase::Multiply, ExtendedFromDecimal("1609.34")},
};

constexpr std::array kWeight{
    UnitRow{"Kg", "Kg", ToBase::Same, ExtendedFromInt(1)},
    UnitRow{"g", "g", ToBase::Divide, ExtendedFromInt(1000)},
    UnitRow{"t（トン）", "t", ToBase::Multiply, ExtendedFromInt(1000)},
    UnitRow{"オンス", "オンス", ToBase::Divide, ExtendedFromDecimal("35.273")},
    UnitRow{"ポンド", "ポンド", ToBase::Divide, ExtendedFromDecimal("2.2046")},
    UnitRow{"英トン", "英トン", ToBase::Divide, ExtendedFromDecimal("0.0009")},
    UnitRow{"米トン", "米トン", ToBase::Divide, ExtendedFromDecimal("0.0011")},
    UnitRow{"匁（もんめ）", "匁", ToBase::Divide, ExtendedFromDecimal("266.66667")},
    UnitRow{"貫（かん）", "貫", ToBase::Divide, ExtendedFromDecimal("0.2666667")},
    UnitRow{"斤（きん）", "斤", ToBase::Divide, ExtendedFromDecimal("1.6666667")},
};

constexpr std::array kVolume{
    UnitRow{"立方ｍ", "立方ｍ", ToBase::Same, ExtendedFromInt(1)},
    UnitRow{"立方ｃｍ", "立方cm", ToBase::Divide, ExtendedFromInt(1000000)},
    UnitRow{"リットル", "ﾘｯﾄﾙ", ToBase::Divide, ExtendedFromInt(1000)},
    UnitRow{"ガロン", "ガロン", ToBase::Divide, ExtendedFromDecimal("264.18")},
    UnitRow{"合", "合", ToBase::Divide, ExtendedFromDecimal("5543.52")},
    UnitRow{"升", "升", ToBase::Divide, ExtendedFromDecimal("554.352")},
    UnitRow{"石", "石", ToBase::Divide, ExtendedFromDecimal("5.54352")},
    UnitRow{"バレル", "バレル", ToBase::Divide, ExtendedFromDecimal("6.2919")},
};

constexpr std::array kArea{
    UnitRow{"平方ｍ", "平方ｍ", ToBase::Same, ExtendedFromInt(1)},
    UnitRow{"平方ｋｍ", "平方km", ToBase::Multiply, ExtendedFromInt(1000000)},
    UnitRow{"アール", "アール", ToBase::Multiply, ExtendedFromInt(100)},
    UnitRow{"ヘクタール", "ﾍｸﾀｰﾙ", ToBase::Multiply, ExtendedFromInt(10000)},
    UnitRow{"平方ヤード", "平方ﾔｰﾄﾞ", ToBase::Divide, ExtendedFromDecimal("1.19599005")},
    UnitRow{"坪", "坪", ToBase::Multiply, ExtendedFromDecimal("3.30579")},
    UnitRow{"反", "反", ToBase::Multiply, ExtendedFromDecimal("991.7355")},
    UnitRow{"町", "町", ToBase::Multiply, ExtendedFromDecimal("9917.3354")},
    UnitRow{"エーカー", "ｴｰｶｰ", ToBase::Multiply, ExtendedFromDecimal("4046.8")},
};

constexpr std::array kTemperature{
    UnitRow{"摂氏(℃)", "℃", ToBase::Same, ExtendedFromInt(1)},
    UnitRow{"華氏(F)", "F", ToBase::Fahrenheit, ExtendedFromDecimal("1.8")},
};

} // namespace

std::span<const UnitRow> UnitTable(Page page) {
    switch (page) {
    case Page::Length:
        return kLength;
    case Page::Weight:
        return kWeight;
    case Page::Volume:
        return kVolume;
    case Page::Area:
        return kArea;
    case Page::Temperature:
        return kTemperature;
    }
    ImpossibleState("unknown page");
}

std::string_view PageCaption(Page page) {
    switch (page) {
    case Page::Length:
        return "長さ";
    case Page::Weight:
        return "重さ";
    case Page::Volume:
        return "体積";
    case Page::Area:
        return "面積";
    case Page::Temperature:
        return "温度";
    }
    ImpossibleState("unknown page");
}

} // namespace RUNAMIKA_CORE_NAMESPACE
