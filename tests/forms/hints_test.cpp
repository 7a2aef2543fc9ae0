#include <QElapsedTimer>
#include <QHelpEvent>
#include <QToolTip>

#include "forms/hints.h"
#include "tests/forms/window_fixture.h"

namespace {

const char kNone[] = "";

// Hides the hint that shows, if any, and waits until it is gone.
void HideHint() {
    QToolTip::hideText();
    ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
}

// Asks `widget` for its hint at `at` as the toolkit does once the pointer has rested there,
// and returns the hint that shows ("" for none).
std::string HintAt(QWidget* widget, QPoint at) {
    QHelpEvent event(QEvent::ToolTip, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &event);
    return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
}

struct HintCase {
    const char* name;
    int page;
    std::function<QWidget*(TForm1&)> control;
    const char* hint;
};

class Hint : public WindowTest, public ::testing::WithParamInterface<HintCase> {};

TEST_P(Hint, ShowsTheControlsOwnOrItsGroupsHintOrNone) {
    const HintCase& c = GetParam();
    if (c.page != 0) ClickTab(c.page);
    HideHint();
    QWidget* control = c.control(*form);
    ASSERT_TRUE(control->isVisible());
    // A point of the control that no child covers.
    QPoint at(2, 2);
    if (auto* group = qobject_cast<RadioGroup*>(control)) at = QPoint(group->width() / 2, 2);
    if (auto* bar = qobject_cast<QTabBar*>(control)) at = bar->tabRect(0).center();
    if (control == form->TabbedNotebook1) at = QPoint(control->width() - 20, 8);
    ASSERT_EQ(control->childAt(at), nullptr);
    EXPECT_EQ(HintAt(control, at), c.hint);
    HideHint();
}

std::string HintCaseName(const ::testing::TestParamInfo<HintCase>& info) {
    return info.param.name;
}

QWidget* Tabs(TForm1& f) {
    return f.TabbedNotebook1->tabBar();
}

INSTANTIATE_TEST_SUITE_P(
    EachControl, Hint,
    ::testing::Values(
        HintCase{"Edit11", 0, [](TForm1& f) -> QWidget* { return f.Edit11; },
                 "ここに変換したい数値を入れてください。"},
        HintCase{"Label5", 0, [](TForm1& f) -> QWidget* { return f.Label5; }, "変換後の数値です。"},
        HintCase{"Button11", 0, [](TForm1& f) -> QWidget* { return f.Button11; },
                 "「計算」ボタンを押すと変換します。"},
        HintCase{"Button12", 0, [](TForm1& f) -> QWidget* { return f.Button12; },
                 "「クリア」ボタンを押すと数値を消します。"},
        HintCase{"RadioGroup1", 0, [](TForm1& f) -> QWidget* { return f.RadioGroup1; },
                 "変換前の単位を選択してください。"},
        HintCase{"RadioGroup1Item7", 0,
                 [](TForm1& f) -> QWidget* { return f.RadioGroup1->Item(7); },
                 "変換前の単位を選択してください。"},
        HintCase{"RadioGroup2Item0", 0,
                 [](TForm1& f) -> QWidget* { return f.RadioGroup2->Item(0); },
                 "変換後の単位を選択してください。"},
        HintCase{"RadioGroup4Item9", 1,
                 [](TForm1& f) -> QWidget* { return f.RadioGroup4->Item(9); },
                 "変換後の単位を選択してください。"},
        HintCase{"RadioGroup9Item1", 4,
                 [](TForm1& f) -> QWidget* { return f.RadioGroup9->Item(1); },
                 "変換前の単位を選択してください。"},
        HintCase{"RadioGroup10", 4, [](TForm1& f) -> QWidget* { return f.RadioGroup10; },
                 "変換後の単位を選択してください。"},
        HintCase{"label1", 0, [](TForm1& f) -> QWidget* { return f.label1; }, kNone},
        HintCase{"Label2", 0, [](TForm1& f) -> QWidget* { return f.Label2; }, kNone},
        HintCase{"Label16", 0, [](TForm1& f) -> QWidget* { return f.Label16; }, kNone},
        HintCase{"Label17", 0, [](TForm1& f) -> QWidget* { return f.Label17; }, kNone},
        HintCase{"Label3", 0, [](TForm1& f) -> QWidget* { return f.Label3; }, kNone},
        HintCase{"Label13", 4, [](TForm1& f) -> QWidget* { return f.Label13; }, kNone},
        HintCase{"Notebook", 0, [](TForm1& f) -> QWidget* { return f.TabbedNotebook1; }, kNone},
        HintCase{"Tabs", 3, Tabs, kNone}),
    HintCaseName);

TEST_F(WindowTest, HintStyleGivesTheRestAndDisplayTimes) {
    for (QWidget* control :
         {static_cast<QWidget*>(form->Edit11), static_cast<QWidget*>(form->RadioGroup1->Item(0))}) {
        EXPECT_EQ(control->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, control),
                  500);
        EXPECT_EQ(control->style()->styleHint(QStyle::SH_ToolTip_FallAsleepDelay, nullptr, control),
                  2500);
    }
    EXPECT_EQ(form->Button12->toolTipDuration(), 2500);
}

// The pointer rests on the input field: its hint comes after the rest delay and goes after the
// display time; moving onto a button while a hint shows brings the button's hint at once.
TEST_F(WindowTest, HintTimingFollowsThePointer) {
    HideHint();
    const std::string input = "ここに変換したい数値を入れてください。";
    const std::string calculate = "「計算」ボタンを押すと変換します。";
    const auto shows = [](const std::string& text) {
        return QToolTip::isVisible() && QToolTip::text().toStdString() == text;
    };
    QElapsedTimer clock;
    QTest::mouseMove(form->Edit11, QPoint(20, 10));
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shows(input); }, 3000));
    // Timers may fire a little early; they never fire far too early.
    EXPECT_GE(clock.elapsed(), 450);

    QTest::mouseMove(form->Button11, QPoint(20, 10));
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shows(calculate); }, 3000));
    EXPECT_LT(clock.elapsed(), 300);

    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 6000));
    EXPECT_GE(clock.elapsed(), 2000);
    EXPECT_LT(clock.elapsed(), 3500);
}

} // namespace
