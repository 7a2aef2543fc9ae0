// Showing failures: the one handler that every catch point calls, the notice text and the
// message box. The box goes through a replaceable presenter so that tests can record notices
// instead of blocking on a modal box.
#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <QMargins>

#include "failure/failure.h"

class QWidget;

// The event notice's full-stop rule on UTF-8 text: a message whose last character is not
// ASCII, or is an ASCII character above ".", gets "." appended; the empty message stays empty.
std::string WithFullStop(std::string message);

// Shows a notice: text, caption; returns what the box returned. The default presenter is
// ShowNoticeBox.
using NoticePresenter = std::function<int(const std::string& text, const std::string& caption)>;

// Replaces the presenter; an empty presenter restores the message box. Returns the old one.
NoticePresenter SetNoticePresenter(NoticePresenter presenter);

// Tells the notices how to learn, before a box is first shown, the frame that the window
// manager will put around it (the window layer knows how to ask; an empty query, the default,
// counts no frame). The frame is part of what is centred.
using FrameQuery = std::function<std::optional<QMargins>(QWidget* window)>;
void SetFrameQuery(FrameQuery query);

// The message box: application-modal, stop icon, one OK button, a title bar with the close box
// only, its outer rectangle centred on the monitor of the window that is active when it is
// called; that window is active again afterwards, also when
// the box could not be shown. Returns the button pressed, 0 when nothing was shown. A text of
// more than 400 characters (a message quoting a whole pasted input, say) is shown with its
// middle replaced by "…", so that the box stays quick and fits the screen.
int ShowNoticeBox(const std::string& text, const std::string& caption);

// The caption of every notice: the application title fixed at start-up.
std::string ApplicationTitle();

// Composes the notice for a failure (full-stop rule, application title) and presents it.
void ShowFailureNotice(const Failure& failure);
// The same for a bare message (exceptions that are not Failure).
void ShowFailureMessage(const std::string& message);

// Called by a catch point with the exception it caught: ends any mouse grab and shows the
// failure. A failure of the arithmetic sets the arithmetic environment again first. Exceptions
// that are not Failure are shown too: std::bad_alloc as the out-of-memory failure, others with
// their own text; an empty pointer as the unknown failure. Never throws.
void HandleEventFailure(std::exception_ptr caught) noexcept;

// Runs one piece of event handling under a catch-all. Returns false when it failed (the
// failure has then been shown).
template <class Handler> bool RunGuarded(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (...) {
        HandleEventFailure(std::current_exception());
        return false;
    }
}
