#include <fstream>

#include "settings/placement_file.h"
#include "tests/forms/window_fixture.h"

namespace {

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
    // Centred whatever left and top were stored.
    const QRect screen = next.screen()->geometry();
    EXPECT_EQ(next.frameGeometry().topLeft(), QPoint(std::max(0, (screen.width() - 800) / 2),
                                                     std::max(0, (screen.height() - 600) / 2)));
}

TEST_F(WindowTest, AFailedWriteShowsTheNoticeAndKeepsTheWindowOpenEachTime) {
    TForm1 blocked("/nonexistent-folder/runamika.ini");
    blocked.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&blocked));
    for (int attempt = 1; attempt <= 2; ++attempt) {
        EXPECT_FALSE(blocked.close());
        EXPECT_TRUE(blocked.isVisible());
        ASSERT_EQ(notices.size(), static_cast<std::size_t>(attempt));
        EXPECT_EQ(notices.back().text, "/nonexistent-folder/runamika.ini に書き込めません.");
    }
}

TEST_F(WindowTest, AnUnreadableOrMissingFileLeavesTheDesignedSize) {
    {
        std::ofstream file(PlacementFile());
        file << "[form]\nwidth=800px\nheight=$FFFFFFFF\n";
    }
    TForm1 next(PlacementFile());
    next.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&next));
    EXPECT_EQ(next.frameGeometry().size(), QSize(661, 492));
    EXPECT_TRUE(notices.empty());
}

} // namespace
