// What the window manager puts around a top-level window. The toolkit learns a window's frame
// only once the manager has framed the mapped window, and does not follow later changes of it
// (a maximised window loses its borders); these ask the window system directly.
#pragma once

#include <QMargins>

#include <optional>

class QWidget;

// The frame around the window as the window system has it now, in the window's own
// (device-independent) pixels, each side rounded on its own. Zero margins when nothing frames
// the window; std::nullopt when the platform cannot be asked (then the toolkit's
// frameMargins() are all there is) or while the manager is still putting the frame together.
std::optional<QMargins> CurrentFrameMargins(QWidget* window);

// Before the window is first mapped: asks the window manager which frame it will put around the
// window, and waits a short moment for the answer. std::nullopt when no window manager that
// answers such requests is running, or the platform cannot be asked.
std::optional<QMargins> RequestFrameMargins(QWidget* window);

// True once the window manager has put the window into a frame of its own, or when there is
// no window manager to do so. Always true where the platform cannot be asked.
bool FramedByManager(QWidget* window);

// Asks the window manager to offer only moving and closing for a dialog: no minimise and no
// maximise box, no resizing; title bar, border and window menu stay. Call it once the dialog's
// native window exists and before it is mapped. Does nothing where the platform cannot be asked.
void OfferMoveAndCloseOnly(QWidget* dialog);
