// Where a window goes when it is first shown.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Centres a window of outer size `outer` on `screen` (the whole screen, not its work area),
// halving with truncation toward zero. With `clampAtZero`, a coordinate that would fall left
// of or above the screen's origin becomes that origin's coordinate.
QPoint CentredPosition(const QRect& screen, QSize outer, bool clampAtZero);

// The About dialog's first position: centred on the primary screen, clamped at 0; when the
// main window is on another monitor, centred on that monitor instead, without the clamp.
QPoint DialogFirstPosition(const QRect& primary, const QRect& mainWindowMonitor, QSize outer);

// The wanted outer size with each side kept within [smallest, largest]; smallest wins where the
// two cross.
QSize ClampedOuterSize(QSize wanted, QSize smallest, QSize largest);

// A top-level widget's outer size, frame included, as far as the platform knows its frame.
QSize OuterSize(QWidget* window);

// The rectangle that a close stores for a window whose outer rectangle is `outer`: a maximised
// one kept within `available` (the screen's area for windows), any size kept within `desktop`
// (the virtual desktop's size). Where the platform keeps the position from the window
// (`positionVisible` false), `kept` is stored as its left and top.
QRect StoredRectangle(QRect outer, bool maximised, const QRect& available, QSize desktop,
                      bool positionVisible, QPoint kept);
