#include "settings/placement_file.h"
#include "tests/forms/window_fixture.h"

namespace {

// Where a window of outer size `size` stands when centred on its screen.
QPoint Centred(const QWidget& window, QSize size) {
    const QRect screen = window.screen()->geometry();
    return {std::max(0, (screen.width() - size.width()) / 2),
            std::max(0, (screen.height() - size.height()) / 2)};
}

TEST_F(WindowTest, CloseWritesTheOuterRectangleAndTheNextStartAppliesItsSize) {
    form->SetOuterSize({800, 600});
    form->move(40, 30);
    QApplication::processEvents();
    const QRect outer = form->frameGeometry();
    ASSERT_EQ(outer.size(), QSize(800, 600));
    form->e1->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(notices.empty());
    const StoredBounds stored = ReadPlacement(PlacementFile());
    EXPECT_EQ(stored.left, outer.x());
    EXPECT_EQ(stored.top, outer.y());
    EXPECT_EQ(stored.width, 800);
    EXPECT_EQ(stored.height, 600);

    TForm1 next(PlacementFile());
    next.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&next));
    EXPECT_EQ(next.frameGeometry().size(), QSize(800, 600));
    EXPECT_EQ(next.frameGeometry().topLeft(), Centred(next, {800, 600})); // whatever was stored
}

TEST_F(WindowTest, ClosingWhileMaximisedStoresTheMaximisedRectangleAndReopensNormalAtThatSize) {
    const QRect normal = form->frameGeometry();
    form->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->isMaximized(); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->frameGeometry() != normal; }));
    const QRect maximised = form->frameGeometry();
    EXPECT_TRUE(form->close());
    const StoredBounds stored = ReadPlacement(PlacementFile());
    EXPECT_EQ(QRect(stored.left, stored.top, stored.width, stored.height), maximised);

    TForm1 next(PlacementFile());
    next.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&next));
    EXPECT_FALSE(next.isMaximized());
    EXPECT_EQ(next.frameGeometry().size(), maximised.size());
    EXPECT_EQ(next.frameGeometry().topLeft(), Centred(next, maximised.size()));
}

// A minimised window stores the rectangle it had before it was minimised, whatever the platform
// reports for it while it is an icon.
TEST_F(WindowTest, ClosingWhileMinimisedStoresTheRectangleFromBefore) {
    struct MinimiseCase {
        const char* name;
        bool maximisedFirst;
        bool movedWhileMinimised;
    };
    const MinimiseCase cases[] = {
        {"from the normal state", false, false},
        {"from the maximised state", true, false},
        {"moved away while minimised", false, true},
    };
    for (const MinimiseCase& c : cases) {
        SCOPED_TRACE(c.name);
        TForm1 window(PlacementFile());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.SetOuterSize({700, 500});
        window.move(30, 40);
        QApplication::processEvents();
        if (c.maximisedFirst) {
            window.showMaximized();
            ASSERT_TRUE(QTest::qWaitFor([&] { return window.isMaximized(); }));
            ASSERT_TRUE(QTest::qWaitFor([&] { return window.frameGeometry().width() != 700; }));
        }
        const QRect before = window.frameGeometry();
        window.showMinimized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.isMinimized(); }));
        if (c.movedWhileMinimised) {
            // Some platforms park an icon's window far off the screen.
            window.move(-32000, -32000);
            QApplication::processEvents();
            ASSERT_EQ(window.pos(), QPoint(-32000, -32000));
        }
        EXPECT_TRUE(window.close());
        const StoredBounds stored = ReadPlacement(PlacementFile());
        EXPECT_EQ(QRect(stored.left, stored.top, stored.width, stored.height), before);
    }
    EXPECT_TRUE(notices.empty());
}

} // namespace
