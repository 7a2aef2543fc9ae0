#include "convert/units.h"

#include <array>

#include "failure/impossible.h"

namespace {

// The 里 factor is deliberately one unit in the last place above the extended value nearest
// to 0.0002546 ri per metre; the published results depend on exactly this value.
constexpr Extended kRiPerMetre = 0x857BD56374439EBCp-75L;

constexpr std::array kLength{
    UnitRow{"ｍ", "ｍ", ToBase::Same, 1.0L},
    UnitRow{"ｃｍ", "ｃｍ", ToBase::Divide, 100.0L},
    UnitRow{"ｋｍ", "ｋｍ", ToBase::Multiply, 1000.0L},
    UnitRow{"インチ", "インチ", ToBase::Divide, 39.37L},
    UnitRow{"フィート", "ﾌｨｰﾄ", ToBase::Divide, 3.2809L},
    UnitRow{"ヤード", "ヤード", ToBase::Divide, 1.0936L},
    UnitRow{"尺", "尺", ToBase::Divide, 3.3L},
    UnitRow{"間", "間", ToBase::Divide, 0.55L},
    UnitRow{"里", "里", ToBase::Divide, kRiPerMetre},
    UnitRow{"鯨尺", "鯨尺", ToBase::Divide, 2.64L},
    UnitRow{"海里", "海里", ToBase::Multiply, 1852.18L},
    UnitRow{"マイル", "マイル", ToBase::Multiply, 1609.34L},
};

constexpr std::array kWeight{
    UnitRow{"Kg", "Kg", ToBase::Same, 1.0L},
    UnitRow{"g", "g", ToBase::Divide, 1000.0L},
    UnitRow{"t（トン）", "t", ToBase::Multiply, 1000.0L},
    UnitRow{"オンス", "オンス", ToBase::Divide, 35.273L},
    UnitRow{"ポンド", "ポンド", ToBase::Divide, 2.2046L},
    UnitRow{"英トン", "英トン", ToBase::Divide, 0.0009L},
    UnitRow{"米トン", "米トン", ToBase::Divide, 0.0011L},
    UnitRow{"匁（もんめ）", "匁", ToBase::Divide, 266.66667L},
    UnitRow{"貫（かん）", "貫", ToBase::Divide, 0.2666667L},
    UnitRow{"斤（きん）", "斤", ToBase::Divide, 1.6666667L},
};

constexpr std::array kVolume{
    UnitRow{"立方ｍ", "立方ｍ", ToBase::Same, 1.0L},
    UnitRow{"立方ｃｍ", "立方cm", ToBase::Divide, 1000000.0L},
    UnitRow{"リットル", "ﾘｯﾄﾙ", ToBase::Divide, 1000.0L},
    UnitRow{"ガロン", "ガロン", ToBase::Divide, 264.18L},
    UnitRow{"合", "合", ToBase::Divide, 5543.52L},
    UnitRow{"升", "升", ToBase::Divide, 554.352L},
    UnitRow{"石", "石", ToBase::Divide, 5.54352L},
    UnitRow{"バレル", "バレル", ToBase::Divide, 6.2919L},
};

constexpr std::array kArea{
    UnitRow{"平方ｍ", "平方ｍ", ToBase::Same, 1.0L},
    UnitRow{"平方ｋｍ", "平方km", ToBase::Multiply, 1000000.0L},
    UnitRow{"アール", "アール", ToBase::Multiply, 100.0L},
    UnitRow{"ヘクタール", "ﾍｸﾀｰﾙ", ToBase::Multiply, 10000.0L},
    UnitRow{"平方ヤード", "平方ﾔｰﾄﾞ", ToBase::Divide, 1.19599005L},
    UnitRow{"坪", "坪", ToBase::Multiply, 3.30579L},
    UnitRow{"反", "反", ToBase::Multiply, 991.7355L},
    UnitRow{"町", "町", ToBase::Multiply, 9917.3354L},
    UnitRow{"エーカー", "ｴｰｶｰ", ToBase::Multiply, 4046.8L},
};

constexpr std::array kTemperature{
    UnitRow{"摂氏(℃)", "℃", ToBase::Same, 1.0L},
    UnitRow{"華氏(F)", "F", ToBase::Fahrenheit, 1.8L},
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
