#include <gtest/gtest.h>

#include "forms/placement.h"
#include "forms/radio_group.h"

namespace {

struct ItemCase {
    QSize group;
    int line;
    int count;
    int columns;
    int index;
    QRect expected;
};

TEST(RadioItemGeometry, ColumnFormula) {
    const ItemCase cases[] = {
        // 12 length items, DejaVu line 15: rows of 261/6 = 43, remainder 3 -> first top 17.
        {{256, 281}, 15, 12, 2, 0, {8, 17, 123, 43}},
        {{256, 281}, 15, 12, 2, 5, {8, 17 + 5 * 43, 123, 43}},
        {{256, 281}, 15, 12, 2, 6, {131, 17, 123, 43}},
        // Area: 9 items in 2 columns, 5 + 4; IPA line 14: 262/5 = 52, remainder 2.
        {{256, 281}, 14, 9, 2, 4, {8, 16 + 4 * 52, 123, 52}},
        {{256, 281}, 14, 9, 2, 5, {131, 16, 123, 52}},
        // The 265-wide weight group: columns of 127.
        {{265, 281}, 15, 10, 2, 5, {135, 16, 127, 52}},
        // Temperature: one column, 2 rows of (106 - 19 - 5) / 2 = 41.
        {{185, 106}, 19, 2, 1, 1, {8, 20 + 41, 175, 41}},
    };
    for (const auto& c : cases) {
        const auto rects = RadioItemGeometry(c.group, c.line, c.count, c.columns);
        ASSERT_EQ(static_cast<int>(rects.size()), c.count);
        EXPECT_EQ(rects[static_cast<std::size_t>(c.index)], c.expected)
            << c.count << " items, index " << c.index;
    }
    EXPECT_TRUE(RadioItemGeometry({256, 281}, 15, 0, 2).empty());
}

struct PlaceCase {
    QRect primary;
    QRect mainMonitor;
    QSize outer;
    QPoint expected;
};

TEST(Placement, CentredClampedAndOnTheMainWindowsMonitor) {
    const QRect primary(0, 0, 1280, 1024);
    const PlaceCase cases[] = {
        {primary, primary, {413, 370}, {433, 327}},
        {primary, QRect(), {661, 492}, {309, 266}},
        // Odd differences truncate.
        {primary, primary, {414, 371}, {433, 326}},
        // Larger than the screen: clamped at 0 on the primary screen.
        {{0, 0, 640, 480}, {0, 0, 640, 480}, {800, 600}, {0, 0}},
        // Main window on a second monitor: centred there, no clamp.
        {primary, {1280, 0, 300, 200}, {413, 370}, {1280 - 56, -85}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DialogFirstPosition(c.primary, c.mainMonitor, c.outer), c.expected);
    }
    EXPECT_EQ(CentredPosition(QRect(0, 0, 640, 480), QSize(700, 400), true), QPoint(0, 40));
}

// What a close stores: the maximised rectangle within the screen's area for windows (a rounded
// side may pass it), every size within the desktop, and the kept position where the window
// cannot see its own (maximised, only the size counts).
TEST(Placement, StoredRectangleStaysOnTheScreen) {
    struct StoreCase {
        const char* name;
        QRect outer;
        bool maximised;
        bool positionVisible;
        QRect expected;
    };
    const QRect available(0, 0, 640, 400);
    const QSize desktop(640, 400);
    const QPoint kept(309, 266);
    const StoreCase cases[] = {
        {"normal, as it stands", {10, 20, 300, 200}, false, true, {10, 20, 300, 200}},
        {"maximised, one side past", {0, 0, 640, 401}, true, true, {0, 0, 640, 400}},
        {"maximised, negative corner", {-1, -1, 642, 402}, true, true, {0, 0, 640, 400}},
        {"normal, beyond the desktop", {-50, -50, 900, 700}, false, true, {-50, -50, 640, 400}},
        {"position not seen: kept", {-3, -30, 300, 200}, false, false, {309, 266, 300, 200}},
        {"unseen, maximised: size", {-3, -30, 640, 392}, true, false, {309, 266, 640, 392}},
    };
    for (const StoreCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(
            StoredRectangle(c.outer, c.maximised, available, desktop, c.positionVisible, kept),
            c.expected);
    }
}

} // namespace
