// The frame around a top-level window, for any top-level widget (the main window and dialogs
// alike): what the X11 window manager adds, or the toolkit's own decorations on Wayland.
//
// After mapping, KnownFrameMargins() gives the frame. It is the toolkit's
// QWindow::frameMargins() (which follows the manager's _NET_FRAME_EXTENTS on X11 and knows its
// own decorations on Wayland), except under an X11 manager that declares no frame extents: the
// toolkit then measures the manager's frame window, and that window may hold invisible shadow
// margins, so no frame is counted there. No call here talks to the X server on a move or a
// resize.
//
// Before the first mapping only the manager knows the frame. RequestFrame() asks it and never
// blocks: the request goes out, the answer is caught by a native event filter, and the callback
// runs once, on the window's thread and from the event loop, with the frame (the manager
// answered), or std::nullopt (no answer within a short time, nothing that could be asked, or the
// window is gone). Place and show the window in the callback:
//
//     RequestFrame(dialog, [dialog](std::optional<QMargins> frame) {
//         dialog->move(WherePlaced(dialog->size().grownBy(frame.value_or(QMargins()))));
//         dialog->show();
//     });
//
// A modal dialog about to run its own loop can use AwaitFrame(), which runs a local event loop
// (user input excluded) until the callback would run, and returns its argument.
//
// On Wayland nothing can be asked before showing: the toolkit makes its decorations when the
// window is shown, so KnownFrameMargins() is right once show() has returned, before the first
// picture is drawn; a size that depends on the frame is fixed there. The position of a window
// is the compositor's and cannot be seen (WindowPositionIsVisible()), nor on an X server inside a
// compositor that does not act as a full window manager.
#pragma once

#include <QMargins>
#include <QObject>
#include <QPoint>

#include <functional>
#include <optional>

class QWidget;
class QWindow;

// The frame around the window as far as it can be trusted (see above); zero margins where
// nothing frames the window or the frame cannot be told from its shadows.
QMargins KnownFrameMargins(QWidget* window);

// Asks the window manager for the frame it will put around `window` once mapped; see above.
// The native window is created if it does not exist yet. `done` runs exactly once.
void RequestFrame(QWidget* window, std::function<void(std::optional<QMargins>)> done);

// True where RequestFrame() can get an answer at all (an X11 manager that answers frame
// requests); elsewhere a caller can show its window at once instead of going through the loop.
bool FrameCanBeAsked();

// RequestFrame() for callers that must have the answer before going on.
std::optional<QMargins> AwaitFrame(QWidget* window);

// Where the window's client area is on the screen as the window system has it now, in the
// window's own pixels (one round trip on X11). Some managers tell the toolkit a position that
// is off by the height of their title bar; this is the one to keep. std::nullopt where the
// platform cannot be asked.
std::optional<QPoint> ClientPositionNow(QWidget* window);

// False where the platform keeps a window's position from the window (Wayland).
bool WindowPositionIsVisible();

// Reports changes of a mapped window's frame that the window system announces (an X11 manager
// framing the window, or changing the frame when it maximises it). The signal comes after the
// toolkit has taken the change in, so KnownFrameMargins() already gives the new frame.
class FrameChangeNotifier : public QObject {
    Q_OBJECT
signals:
    void FrameChanged(QWindow* window);
};
FrameChangeNotifier* FrameChanges();
