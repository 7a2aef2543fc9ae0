#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>

#include "tests/forms/window_fixture.h"

namespace {

// The result's context menu opens with Copy (access key C) and Select all; Copy takes the
// selection, or the whole result when nothing is selected.
TEST_F(WindowTest, TheResultsContextMenuCopies) {
    struct Case {
        const char* name;
        int selectFrom;
        int selectLength;
        const char* copied;
    };
    const Case cases[] = {
        {"nothing selected", -1, 0, "12345.678"},
        {"part selected", 0, 5, "12345"},
        {"all selected", 0, 9, "12345.678"},
    };
    form->Edit11->setText(QStringLiteral("12345.678"));
    QTest::mouseClick(form->Button11, Qt::LeftButton);
    ResultLabel* result = form->Label5;
    ASSERT_EQ(Str(result->text()), "12345.678");
    for (const Case& c : cases) {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        result->setSelection(0, 0);
        if (c.selectFrom >= 0) result->setSelection(c.selectFrom, c.selectLength);
        const QPoint at(10, 10);
        QContextMenuEvent press(QContextMenuEvent::Mouse, at, result->mapToGlobal(at));
        QApplication::sendEvent(result, &press);
        ASSERT_TRUE(QTest::qWaitFor([] {
            return QApplication::activePopupWidget() != nullptr &&
                   QApplication::activePopupWidget()->objectName() == "ResultMenu";
        })) << c.name;
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        ASSERT_GE(menu->actions().size(), 1);
        EXPECT_EQ(Str(menu->actions().first()->text()), "コピー(&C)");
        QTest::keyClick(menu, Qt::Key_C);
        EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }));
        EXPECT_EQ(Str(QGuiApplication::clipboard()->text()), c.copied) << c.name;
    }
}

} // namespace
