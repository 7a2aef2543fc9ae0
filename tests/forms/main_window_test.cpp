#include <QAccessible>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>

#include "convert/units.h"
#include "forms/placement.h"
#include "tests/forms/window_fixture.h"

namespace {

constexpr int kFrom = 0;
constexpr int kTo = 1;

struct Click {
    int side; // kFrom or kTo
    int item;
};

RadioGroup* Group(TForm1& form, Page page, int side) {
    return side == kFrom ? form.FromGroup(page) : form.ToGroup(page);
}

TEST_F(WindowTest, StartsOnTheLengthPageWithInputOneSelectedAndNothingConverted) {
    EXPECT_EQ(Str(form->windowTitle()), "ルナミカ99年版");
    EXPECT_EQ(form->TabbedNotebook1->currentIndex(), 0);
    EXPECT_EQ(Str(form->Edit11->text()), "1");
    EXPECT_EQ(Str(form->Edit11->selectedText()), "1");
    EXPECT_TRUE(form->Edit11->hasFocus());
    EXPECT_EQ(Str(form->Label5->text()), "");
    EXPECT_EQ(Str(form->Label16->text()), "ｍ");
    EXPECT_EQ(Str(form->Label17->text()), "ｍ");
    for (Page page : {Page::Length, Page::Weight, Page::Volume, Page::Area, Page::Temperature}) {
        EXPECT_EQ(form->FromGroup(page)->ItemIndex(), 0);
        EXPECT_EQ(form->ToGroup(page)->ItemIndex(), 0);
    }
    EXPECT_EQ(form->State().InputValue, 0.0);
    EXPECT_TRUE(notices.empty());
}

TEST_F(WindowTest, AUnitClickSetsTheLabelAndConvertsAtOnceOnEachPage) {
    struct Case {
        Page page;
        const char* input;
        std::vector<Click> clicks;
        const char* from;
        const char* to;
        const char* result;
    };
    const Case cases[] = {
        {Page::Length, "1", {{kTo, 3}}, "ｍ", "インチ", "39.37"},
        {Page::Weight, "1", {{kFrom, 5}}, "英トン", "Kg", "1111.11111111111"},
        {Page::Volume, "1", {{kFrom, 5}, {kTo, 2}}, "升", "ﾘｯﾄﾙ", "1.80390798626144"},
        {Page::Area, "1", {{kFrom, 5}}, "坪", "平方ｍ", "3.30579"},
        {Page::Temperature, "100", {{kTo, 1}}, "℃", "F", "212"},
        {Page::Length, "", {{kFrom, 2}}, "ｋｍ", "ｍ", ""}, // empty input: only the label changes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from + std::string(" to ") + c.to);
        Open();
        ClickTab(static_cast<int>(c.page));
        form->Edit11->setText(QString::fromUtf8(c.input));
        for (const Click& click : c.clicks) ClickItem(Group(*form, c.page, click.side), click.item);
        EXPECT_EQ(Group(*form, c.page, c.clicks.back().side)->ItemIndex(), c.clicks.back().item);
        EXPECT_EQ(Str(form->Label16->text()), c.from);
        EXPECT_EQ(Str(form->Label17->text()), c.to);
        EXPECT_EQ(Str(form->Label5->text()), c.result);
    }
    EXPECT_TRUE(notices.empty());
}

TEST_F(WindowTest, ClickingTheSelectedUnitDoesNothing) {
    ClickItem(form->RadioGroup2, 3);
    ASSERT_EQ(Str(form->Label5->text()), "39.37");
    form->Edit11->setText(QStringLiteral("2"));
    form->Label17->setText(QStringLiteral("marker"));
    ClickItem(form->RadioGroup2, 3);
    QRadioButton* selected = form->RadioGroup2->Item(3);
    QTest::mouseDClick(selected, Qt::LeftButton, {}, QPoint(8, selected->height() / 2));
    EXPECT_EQ(Str(form->Label5->text()), "39.37");
    EXPECT_EQ(Str(form->Label17->text()), "marker");
    EXPECT_EQ(form->State().InputValue, 1.0);
}

TEST_F(WindowTest, FailedUnitClickKeepsNewSelectionAndLabelAndOldResult) {
    ClickItem(form->RadioGroup2, 3);
    ASSERT_EQ(Str(form->Label5->text()), "39.37");
    form->Edit11->setText(QStringLiteral("abc"));
    ClickItem(form->RadioGroup1, 2);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].text, "'abc' は浮動小数点数ではありません.");
    EXPECT_EQ(form->RadioGroup1->ItemIndex(), 2);
    EXPECT_EQ(Str(form->Label16->text()), "ｋｍ");
    EXPECT_EQ(Str(form->Label5->text()), "39.37");

    // The group is usable at once.
    form->Edit11->setText(QStringLiteral("1"));
    ClickItem(form->RadioGroup1, 1);
    EXPECT_EQ(notices.size(), 1u);
    EXPECT_EQ(Str(form->Label16->text()), "ｃｍ");
    EXPECT_EQ(Str(form->Label5->text()), "0.3937");
}

TEST_F(WindowTest, CalculateConvertsBetweenTheSelectedUnitsOfTheCurrentPage) {
    struct Case {
        Page page;
        int from;
        int to;
        const char* input;
        const char* result;
    };
    const Case cases[] = {{Page::Length, 8, 0, "1", "3927.72977219167"},
                          {Page::Weight, 7, 1, "1", "3.749999953125"},
                          {Page::Volume, 4, 5, "10", "1"},
                          {Page::Area, 7, 6, "1", "9.99998023666593"},
                          {Page::Temperature, 1, 0, "212", "100"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        ClickTab(static_cast<int>(c.page));
        form->Edit11->clear();
        ClickItem(form->FromGroup(c.page), c.from);
        ClickItem(form->ToGroup(c.page), c.to);
        const QString from = form->Label16->text();
        const QString to = form->Label17->text();
        form->Edit11->setText(QString::fromUtf8(c.input));
        QTest::mouseClick(form->Button11, Qt::LeftButton);
        EXPECT_EQ(Str(form->Label5->text()), c.result);
        EXPECT_EQ(form->Label16->text(), from);
        EXPECT_EQ(form->Label17->text(), to);
    }
    EXPECT_TRUE(notices.empty());
}

TEST_F(WindowTest, CalculateWithEmptyInputChangesNothing) {
    ClickItem(form->RadioGroup2, 3);
    form->Edit11->clear();
    QTest::mouseClick(form->Button11, Qt::LeftButton);
    EXPECT_EQ(Str(form->Label5->text()), "39.37");
}

TEST_F(WindowTest, ClearResetsInputAndResultOnly) {
    ClickTab(1);
    ClickItem(form->RadioGroup3, 4);
    ASSERT_FALSE(form->Label5->text().isEmpty());
    form->Edit11->setText(QStringLiteral("123"));
    const double input = form->State().InputValue;
    QTest::mouseClick(form->Button12, Qt::LeftButton);
    EXPECT_EQ(Str(form->Edit11->text()), "1");
    EXPECT_EQ(Str(form->Edit11->selectedText()), "1");
    EXPECT_TRUE(form->Edit11->hasFocus());
    EXPECT_EQ(Str(form->Label5->text()), "");
    EXPECT_EQ(form->TabbedNotebook1->currentIndex(), 1);
    EXPECT_EQ(form->RadioGroup3->ItemIndex(), 4);
    EXPECT_EQ(Str(form->Label16->text()), "ポンド");
    EXPECT_EQ(Str(form->Label17->text()), "Kg");
    EXPECT_EQ(form->State().InputValue, input);
}

TEST_F(WindowTest, PageChangeResetsInputAndResultAndLabelsShowTheSelectedUnits) {
    ClickTab(1);
    ClickItem(form->RadioGroup3, 4);
    ClickItem(form->RadioGroup4, 2);
    ClickTab(0);
    ClickTab(1);
    EXPECT_EQ(form->TabbedNotebook1->currentIndex(), 1);
    EXPECT_EQ(Str(form->Edit11->text()), "1");
    EXPECT_EQ(Str(form->Edit11->selectedText()), "1");
    EXPECT_TRUE(form->Edit11->hasFocus());
    EXPECT_EQ(Str(form->Label5->text()), "");
    EXPECT_EQ(form->RadioGroup3->ItemIndex(), 4);
    EXPECT_EQ(form->RadioGroup4->ItemIndex(), 2);
    // The labels name what Calculate converts between, not the page's first unit.
    EXPECT_EQ(Str(form->Label16->text()), std::string(UnitTable(Page::Weight)[4].label));
    EXPECT_EQ(Str(form->Label17->text()), std::string(UnitTable(Page::Weight)[2].label));
    EXPECT_NE(Str(form->Label17->text()), "Kg");
    QTest::mouseClick(form->Button11, Qt::LeftButton);
    EXPECT_FALSE(form->Label5->text().isEmpty());
}

TEST_F(WindowTest, ClickOnTheCurrentTabOrTheBareStripResetsAsAPageChange) {
    QTabBar* bar = form->TabbedNotebook1->tabBar();
    const QPoint strip(form->TabbedNotebook1->width() - 20, bar->height() / 2);
    for (int attempt = 0; attempt < 2; ++attempt) {
        ClickItem(form->RadioGroup2, attempt == 0 ? 3 : 4);
        form->Edit11->setText(QStringLiteral("5"));
        form->Label16->setText(QStringLiteral("marker"));
        ASSERT_FALSE(form->Label5->text().isEmpty());
        if (attempt == 0) {
            ClickTab(0);
        } else {
            ASSERT_FALSE(bar->geometry().contains(strip));
            QTest::mouseClick(form->TabbedNotebook1, Qt::LeftButton, {}, strip);
        }
        EXPECT_EQ(Str(form->Edit11->text()), "1") << attempt;
        EXPECT_EQ(Str(form->Label5->text()), "") << attempt;
        EXPECT_EQ(Str(form->Label16->text()), "ｍ") << attempt;
    }
}

TEST_F(WindowTest, ThePageChangesOnPressAndTheClickFollowsOnRelease) {
    QTabBar* bar = form->TabbedNotebook1->tabBar();
    form->Edit11->setText(QStringLiteral("5"));
    QTest::mousePress(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    EXPECT_EQ(form->TabbedNotebook1->currentIndex(), 2);
    EXPECT_EQ(Str(form->Edit11->text()), "5");
    QTest::mouseRelease(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    EXPECT_EQ(Str(form->Edit11->text()), "1");
    EXPECT_EQ(Str(form->Label16->text()), "立方ｍ");
}

TEST_F(WindowTest, APressInsideThePageIsNoNotebookClick) {
    form->Edit11->setText(QStringLiteral("5"));
    QWidget* sheet = form->TabbedNotebook1->currentWidget();
    QTest::mouseClick(sheet, Qt::LeftButton, {}, QPoint(300, 10));
    EXPECT_EQ(Str(form->Edit11->text()), "5");
}

TEST_F(WindowTest, AFailedCalculateShowsTheMessageWithFullStopUnderTheApplicationTitle) {
    const std::pair<const char*, const char*> cases[] = {
        {"abc", "'abc' は浮動小数点数ではありません."},
        {" 1.2.3 ", "' 1.2.3 ' は浮動小数点数ではありません."},
        {"1e400", "浮動小数点数のオーバーフロー."}};
    for (const auto& [input, text] : cases) {
        SCOPED_TRACE(input);
        Open();
        notices.clear();
        ClickItem(form->RadioGroup2, 1);
        ASSERT_EQ(Str(form->Label5->text()), "100");
        form->Edit11->setText(QString::fromUtf8(input));
        QTest::mouseClick(form->Button11, Qt::LeftButton);
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].text, text);
        EXPECT_EQ(notices[0].caption, "Runamika");
        EXPECT_EQ(Str(form->Label5->text()), "100");

        // The next conversion works normally.
        form->Edit11->setText(QStringLiteral("2"));
        QTest::mouseClick(form->Button11, Qt::LeftButton);
        EXPECT_EQ(Str(form->Label5->text()), "200");
        EXPECT_EQ(notices.size(), 1u);
    }
}

TEST_F(WindowTest, OverflowOfTheBaseValueKeepsTheNewInputAndTheOldResult) {
    ClickItem(form->RadioGroup1, 2); // ｋｍ
    ASSERT_EQ(Str(form->Label5->text()), "1000");
    form->Edit11->setText(QStringLiteral("1e308"));
    QTest::mouseClick(form->Button11, Qt::LeftButton);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].text, "浮動小数点数のオーバーフロー.");
    EXPECT_EQ(form->State().InputValue, 1e308);
    EXPECT_EQ(Str(form->Label5->text()), "1000");
}

struct Bounds {
    const char* name;
    QRect rect;
};

TEST_F(WindowTest, ControlsStandWhereDesigned) {
    const Bounds bounds[] = {
        {"label1", {24, 360, 48, 18}},         {"Label2", {384, 360, 48, 17}},
        {"Label5", {388, 385, 164, 25}},       {"Bevel1", {387, 384, 166, 25}},
        {"TabbedNotebook1", {8, 8, 625, 337}}, {"Edit11", {24, 384, 166, 26}},
        {"Button11", {280, 352, 75, 33}},      {"Button12", {280, 384, 75, 33}},
        {"RadioGroup1", {8, 16, 256, 281}},    {"RadioGroup2", {344, 16, 256, 281}},
        {"RadioGroup3", {8, 16, 256, 281}},    {"RadioGroup4", {344, 16, 265, 281}},
        {"RadioGroup5", {8, 16, 256, 281}},    {"RadioGroup6", {344, 16, 256, 281}},
        {"RadioGroup7", {8, 16, 256, 281}},    {"RadioGroup8", {344, 16, 256, 281}},
        {"RadioGroup9", {48, 104, 185, 106}},  {"RadioGroup10", {377, 104, 184, 106}},
        {"Label3", {296, 152, 18, 18}},        {"Label13", {296, 152, 18, 18}},
    };
    for (const auto& [name, rect] : bounds) {
        const auto* widget = form->findChild<QWidget*>(QLatin1String(name));
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_EQ(widget->geometry(), rect) << name;
    }
    EXPECT_EQ(form->Label16->pos(), QPoint(196, 389));
    EXPECT_EQ(form->Label17->pos(), QPoint(560, 389));
    EXPECT_EQ(form->Label16->height(), 18);
    EXPECT_EQ(form->Label16->width(), form->Label16->fontMetrics().horizontalAdvance("ｍ"));
    EXPECT_EQ(form->frameGeometry().size(), QSize(661, 492));
    for (const char* name : {"MainMenu1", "KV1", "K1", "N1", "e1"}) {
        EXPECT_NE(form->findChild<QObject*>(QLatin1String(name)), nullptr) << name;
    }
}

// Where the column formula puts the items, worked out by hand for the line heights of the fonts
// that the window gets here (DejaVu Sans 15, IPA Gothic 14): the first item, the first of the
// second column and the last item of each group. Only the one-column temperature groups differ
// between the two fonts.
TEST_F(WindowTest, RadioItemsStandWhereTheColumnFormulaPutsThem) {
    struct Expected {
        const char* group;
        QRect first;
        QRect secondColumn; // empty for one column
        QRect last15;
        int lineShift; // how much the rows move up with a 14-pixel line
    };
    const Expected cases[] = {
        {"RadioGroup1", {8, 17, 123, 43}, {131, 17, 123, 43}, {131, 232, 123, 43}, 0},
        {"RadioGroup2", {8, 17, 123, 43}, {131, 17, 123, 43}, {131, 232, 123, 43}, 0},
        {"RadioGroup3", {8, 16, 123, 52}, {131, 16, 123, 52}, {131, 224, 123, 52}, 0},
        {"RadioGroup4", {8, 16, 127, 52}, {135, 16, 127, 52}, {135, 224, 127, 52}, 0},
        {"RadioGroup5", {8, 16, 123, 65}, {131, 16, 123, 65}, {131, 211, 123, 65}, 0},
        {"RadioGroup6", {8, 16, 123, 65}, {131, 16, 123, 65}, {131, 211, 123, 65}, 0},
        {"RadioGroup7", {8, 16, 123, 52}, {131, 16, 123, 52}, {131, 172, 123, 52}, 0},
        {"RadioGroup8", {8, 16, 123, 52}, {131, 16, 123, 52}, {131, 172, 123, 52}, 0},
        {"RadioGroup9", {8, 16, 175, 43}, {}, {8, 59, 175, 43}, 1},
        {"RadioGroup10", {8, 16, 174, 43}, {}, {8, 59, 174, 43}, 1},
    };
    for (const auto& c : cases) {
        const auto* group = form->findChild<RadioGroup*>(QLatin1String(c.group));
        ASSERT_NE(group, nullptr) << c.group;
        const int line = QFontMetrics(group->font()).height();
        if (line != 14 && line != 15) GTEST_SKIP() << "a font with line height " << line;
        const int up = line == 14 ? c.lineShift : 0;
        const int count = group->Count();
        EXPECT_EQ(group->Item(0)->geometry(), c.first.translated(0, -up)) << c.group;
        EXPECT_EQ(group->Item(count - 1)->geometry(), c.last15.translated(0, -up)) << c.group;
        if (!c.secondColumn.isEmpty()) {
            EXPECT_EQ(group->Item((count + 1) / 2)->geometry(), c.secondColumn) << c.group;
        }
    }
}

TEST_F(WindowTest, EachGroupListsItsPagesUnitsInTableOrder) {
    for (Page page : {Page::Length, Page::Weight, Page::Volume, Page::Area, Page::Temperature}) {
        const auto table = UnitTable(page);
        for (RadioGroup* group : {form->FromGroup(page), form->ToGroup(page)}) {
            ASSERT_EQ(group->Count(), static_cast<int>(table.size()));
            for (int i = 0; i < group->Count(); ++i) {
                EXPECT_EQ(Str(group->Item(i)->text()),
                          std::string(table[static_cast<std::size_t>(i)].caption));
            }
        }
    }
}

TEST_F(WindowTest, ResizingMovesNoControl) {
    const QRect before = form->Button12->geometry();
    form->resize(900, 700);
    QApplication::processEvents();
    EXPECT_EQ(form->Button12->geometry(), before);
    EXPECT_EQ(form->TabbedNotebook1->geometry(), QRect(8, 8, 625, 337));
}

TEST_F(WindowTest, ScreenReadersNameControlsAndReadTheResult) {
    ClickItem(form->RadioGroup2, 3);
    auto name = [](QObject* object, QAccessible::Text text = QAccessible::Name) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
        return face ? Str(face->text(text)) : std::string("<none>");
    };
    EXPECT_EQ(name(form->Label5), "39.37");
    EXPECT_EQ(name(form->Label5, QAccessible::Description), "変換後の数値です。");
    EXPECT_EQ(name(form->Edit11), "ここに変換したい数値を入れてください。");
    EXPECT_EQ(name(form->Button11), "計算");
    EXPECT_EQ(name(form->RadioGroup1), "変換前の単位");
    EXPECT_EQ(name(form->RadioGroup2->Item(3)), "インチ");
}

} // namespace

namespace {

// Where ink is drawn in a picture of the result box: the first and last column that differ
// clearly from the box's background (the bevel's lower edge, in the last rows, left out).
std::pair<int, int> InkColumns(const QImage& picture) {
    const QRgb background = picture.pixel(picture.width() - 1, picture.height() - 1);
    int first = picture.width(), last = -1;
    for (int y = 0; y < picture.height() - 2; ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            if (std::abs(qGray(p) - qGray(background)) > 96) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    return {first, last};
}

} // namespace

// The whole result is visible in its box: the designed 19-pixel font while the text fits, the
// largest smaller one that fits when it does not; never cut, never elided.
TEST_F(WindowTest, TheWholeResultIsVisibleInItsBox) {
    struct Case {
        const char* input;
        bool designedFont;
    };
    const Case cases[] = {
        {"1", true},
        {"30.3030303030303", false},
        {"6.213727366498E-6", false},
        {"-1.23456789012345E-300", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        form->Edit11->setText(QString::fromLatin1(c.input));
        QTest::mouseClick(form->Button11, Qt::LeftButton); // ｍ to ｍ: the number as it is
        const QString shown = form->Label5->text();
        EXPECT_EQ(Str(shown), c.input);
        const QFont font = form->Label5->font();
        EXPECT_EQ(font.pixelSize() == 19, c.designedFont) << font.pixelSize();
        EXPECT_LE(QFontMetrics(font).horizontalAdvance(shown), form->Label5->width() - 1);
        EXPECT_EQ(form->Label5->geometry(), QRect(388, 385, 164, 25));
        // On the picture: ink from the left edge to short of the right one.
        const auto [first, last] = InkColumns(form->Label5->grab().toImage());
        EXPECT_LT(first, 4);
        EXPECT_LT(last, form->Label5->width() - 1) << "cut at the right edge";
        if (!c.designedFont) {
            EXPECT_GT(last, form->Label5->width() * 2 / 3);
        }
    }
}

// The result can be selected with the mouse and copied, and Tab never stops on it.
TEST_F(WindowTest, TheResultCanBeSelectedAndCopiedButIsNoTabStop) {
    form->Edit11->setText(QStringLiteral("12345.678"));
    QTest::mouseClick(form->Button11, Qt::LeftButton);
    ASSERT_EQ(Str(form->Label5->text()), "12345.678");
    QLabel* result = form->Label5;
    QTest::mousePress(result, Qt::LeftButton, {}, QPoint(1, 10));
    QTest::mouseMove(result, QPoint(result->width() / 2, 10));
    QTest::mouseMove(result, QPoint(result->width() - 2, 10));
    QTest::mouseRelease(result, Qt::LeftButton, {}, QPoint(result->width() - 2, 10));
    EXPECT_EQ(Str(result->selectedText()), "12345.678");
    QTest::keyClick(result, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Str(QGuiApplication::clipboard()->text()), "12345.678");

    form->Edit11->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_NE(QApplication::focusWidget(), result);
    }
}
