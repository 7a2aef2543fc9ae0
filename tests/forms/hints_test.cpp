#include <QElapsedTimer>
#include <QHelpEvent>
#include <QToolTip>

#include <string_view>

#include "forms/hints.h"
#include "tests/forms/window_fixture.h"

namespace {

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

TEST_F(WindowTest, EachControlShowsItsOwnHintItsGroupsOrNone) {
    const char* const from = "変換前の単位を選択してください。";
    const char* const to = "変換後の単位を選択してください。";
    struct HintCase {
        int page;
        const char* control; // object name; "tabs" for the notebook's tab row
        int item;            // a radio item of the group, or -1 for the control itself
        const char* hint;    // "" for none
    };
    // clang-format off
    const HintCase cases[] = {
        {0, "Edit11", -1, "ここに変換したい数値を入れてください。"},
        {0, "Label5", -1, "変換後の数値です。"},
        {0, "Button11", -1, "「計算」ボタンを押すと変換します。"},
        {0, "Button12", -1, "「クリア」ボタンを押すと数値を消します。"},
        {0, "RadioGroup1", -1, from}, {0, "RadioGroup1", 7, from}, {0, "RadioGroup2", 0, to},
        {1, "RadioGroup4", 9, to}, {4, "RadioGroup9", 1, from}, {4, "RadioGroup10", -1, to},
        {0, "label1", -1, ""}, {0, "Label2", -1, ""}, {0, "Label16", -1, ""}, {0, "Label17", -1, ""},
        {0, "Label3", -1, ""}, {4, "Label13", -1, ""}, {0, "TabbedNotebook1", -1, ""},
        {3, "tabs", -1, ""},
    };
    // clang-format on
    for (const HintCase& c : cases) {
        SCOPED_TRACE(std::string(c.control) + " " + std::to_string(c.item));
        if (c.page != form->TabbedNotebook1->currentIndex()) ClickTab(c.page);
        HideHint();
        QWidget* control = std::string_view(c.control) == "tabs"
                               ? form->TabbedNotebook1->tabBar()
                               : form->findChild<QWidget*>(QLatin1String(c.control));
        ASSERT_NE(control, nullptr);
        if (c.item >= 0) control = static_cast<RadioGroup*>(control)->Item(c.item);
        ASSERT_TRUE(control->isVisible());
        // A point of the control that no child covers.
        QPoint at(2, 2);
        if (qobject_cast<RadioGroup*>(control)) at = QPoint(control->width() / 2, 2);
        if (auto* bar = qobject_cast<QTabBar*>(control)) at = bar->tabRect(0).center();
        if (control == form->TabbedNotebook1) at = QPoint(control->width() - 20, 8);
        ASSERT_EQ(control->childAt(at), nullptr);
        EXPECT_EQ(HintAt(control, at), c.hint);
    }
    HideHint();
}

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
    EXPECT_LT(clock.elapsed(), 400); // without the rest delay, which is 500 ms

    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 6000));
    EXPECT_GE(clock.elapsed(), 2000);
    EXPECT_LT(clock.elapsed(), 5000); // the toolkit alone keeps a hint 10 s
}

} // namespace
