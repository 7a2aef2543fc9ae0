#include "forms/placement.h"

#include <QWidget>
#include <QWindow>

#include <algorithm>

#include "forms/frame.h"

QPoint CentredPosition(const QRect& screen, QSize outer, bool clampAtZero) {
    int x = screen.left() + (screen.width() - outer.width()) / 2;
    int y = screen.top() + (screen.height() - outer.height()) / 2;
    if (clampAtZero) {
        if (x < screen.left()) x = screen.left();
        if (y < screen.top()) y = screen.top();
    }
    return {x, y};
}

QPoint DialogFirstPosition(const QRect& primary, const QRect& mainWindowMonitor, QSize outer) {
    if (mainWindowMonitor.isValid() && mainWindowMonitor != primary) {
        return CentredPosition(mainWindowMonitor, outer, false);
    }
    return CentredPosition(primary, outer, true);
}

QSize ClampedOuterSize(QSize wanted, QSize smallest, QSize largest) {
    const auto clamp = [](int value, int low, int high) {
        return std::max(low, std::min(value, high));
    };
    return {clamp(wanted.width(), smallest.width(), largest.width()),
            clamp(wanted.height(), smallest.height(), largest.height())};
}

QSize OuterSize(QWidget* window) {
    window->winId(); // the frame is known once the native window exists
    return window->size().grownBy(KnownFrameMargins(window));
}

QRect StoredRectangle(QRect outer, bool maximised, const QRect& available, QSize desktop,
                      bool positionVisible, QPoint kept) {
    if (maximised && available.isValid()) {
        // Rounding the frame at a scale factor can put a side one pixel past the screen. Where
        // the position is not seen, only the size means anything.
        const QRect inside = outer.intersected(available);
        if (!positionVisible) {
            outer.setSize(outer.size().boundedTo(available.size()));
        } else if (!inside.isEmpty()) {
            outer = inside;
        }
    }
    if (desktop.isValid()) outer.setSize(outer.size().boundedTo(desktop));
    if (!positionVisible) outer.moveTopLeft(kept);
    return outer;
}
