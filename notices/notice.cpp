#include "notices/notice.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>
#include <QWidget>

#include <exception>
#include <new>

#include "convert/number_text.h"

namespace {

NoticePresenter& Presenter() {
    static NoticePresenter presenter;
    return presenter;
}

FrameQuery& FrameQueryInUse() {
    static FrameQuery query;
    return query;
}

// Text shown for a caught exception that carries no message of ours.
constexpr std::string_view kUnknownFailureMessage = "不明なエラーが発生しました";

// The most a notice box lays out. A message can quote a whole input field, and laying out a
// megabyte of text takes seconds and gives a box many times the height of the screen.
constexpr qsizetype kMaxShownLength = 400; // UTF-16 units
constexpr int kMaxShownLines = 20;
// Longer runs without a break opportunity get one, so that the box can wrap them.
constexpr qsizetype kMaxUnbrokenRun = 40;

constexpr QChar kEllipsis(0x2026);
constexpr QChar kZeroWidthSpace(0x200B);

// The text with [headEnd, tailStart) replaced by "…", the cut moved outward where it would split
// a character that takes two UTF-16 units.
QString CutMiddle(const QString& text, qsizetype headEnd, qsizetype tailStart) {
    if (headEnd > 0 && text.at(headEnd).isLowSurrogate()) --headEnd;
    if (tailStart < text.size() && text.at(tailStart).isLowSurrogate()) ++tailStart;
    return text.left(headEnd) + kEllipsis + text.mid(tailStart);
}

// The text as the box shows it. One within the limits is shown as it is. A longer one keeps its
// first and last lines and then its first and last characters, with "…" in place of the rest;
// long unbroken runs in what is kept get invisible break points (U+200B).
QString ShownText(QString text) {
    if (text.size() <= kMaxShownLength && text.count(QLatin1Char('\n')) < kMaxShownLines) {
        return text;
    }
    if (text.count(QLatin1Char('\n')) >= kMaxShownLines) {
        // Up to and including the tenth line break, and from the tenth last one on.
        qsizetype headEnd = -1;
        for (int i = 0; i < kMaxShownLines / 2; ++i) {
            headEnd = text.indexOf(QLatin1Char('\n'), headEnd + 1);
        }
        qsizetype tailStart = text.size();
        for (int i = 0; i < kMaxShownLines / 2; ++i) {
            tailStart = text.lastIndexOf(QLatin1Char('\n'), tailStart - 1);
        }
        text = text.left(headEnd + 1) + kEllipsis + text.mid(tailStart);
    }
    if (text.size() > kMaxShownLength) {
        text = CutMiddle(text, kMaxShownLength / 2, text.size() - kMaxShownLength / 2);
    }
    QString shown;
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > kMaxUnbrokenRun && !c.isLowSurrogate()) {
            shown.append(kZeroWidthSpace);
            run = 1;
        }
        shown.append(c);
    }
    return shown;
}

// The notice box. Its size is final only once it is being shown; then, before it is mapped,
// its outer rectangle is centred on the given area, halves truncated.
class NoticeBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

    void CentreOn(const QRect& area, const QMargins& frame) {
        area_ = area;
        frame_ = frame;
    }

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        if (!area_.isValid()) return;
        const QSize outer = size().grownBy(frame_);
        const QPoint at(area_.left() + (area_.width() - outer.width()) / 2,
                        area_.top() + (area_.height() - outer.height()) / 2);
        // The client rectangle inside the outer one: the toolkit asks the manager to keep it.
        setGeometry(QRect(at + QPoint(frame_.left(), frame_.top()), size()));
    }

private:
    QRect area_;
    QMargins frame_;
};

} // namespace

std::string WithFullStop(std::string message) {
    if (message.empty()) return message;
    const auto last = static_cast<unsigned char>(message.back());
    // Bytes of a multi-byte UTF-8 character are all above 0x7F, so a non-ASCII last character
    // is caught by the same comparison.
    if (last > static_cast<unsigned char>('.')) message.push_back('.');
    return message;
}

void SetFrameQuery(FrameQuery query) {
    FrameQueryInUse() = std::move(query);
}

NoticePresenter SetNoticePresenter(NoticePresenter presenter) {
    return std::exchange(Presenter(), std::move(presenter));
}

int ShowNoticeBox(const std::string& text, const std::string& caption) {
    const QPointer<QWidget> active = QApplication::activeWindow();
    // Whatever happens while the box is up, the window that was active is active again.
    struct ReactivateOnExit {
        const QPointer<QWidget>& window;
        ~ReactivateOnExit() {
            if (window && window->isVisible()) {
                window->activateWindow();
                window->raise();
            }
        }
    } reactivate{active};

    try {
        // A title bar with the close box only: no minimise or maximise box. It belongs to the
        // window that was active: a manager that minimises a modal box anyway (by its own
        // policy) minimises that window with it, and restoring the window brings the box back.
        NoticeBox box(QMessageBox::Critical, QString::fromStdString(caption),
                      ShownText(QString::fromStdString(text)), QMessageBox::Ok, active.data(),
                      Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        box.setObjectName(QStringLiteral("NoticeBox"));
        box.setWindowModality(Qt::ApplicationModal);
        box.setTextFormat(Qt::PlainText);
        if (QScreen* screen = active ? active->screen() : QGuiApplication::primaryScreen()) {
            // The box keeps a fixed size once shown; a manager that is asked about a window
            // that can still be resized answers with a frame that has resize handles.
            box.setFixedSize(box.sizeHint());
            std::optional<QMargins> frame;
            if (FrameQueryInUse()) frame = FrameQueryInUse()(&box);
            box.CentreOn(screen->geometry(), frame.value_or(QMargins()));
        }
        return box.exec();
    } catch (...) {
        return 0;
    }
}

std::string ApplicationTitle() {
    return QCoreApplication::applicationName().toStdString();
}

void ShowFailureNotice(const Failure& failure) {
    ShowFailureMessage(failure.Message());
}

void ShowFailureMessage(const std::string& message) {
    const std::string text = WithFullStop(message);
    const std::string caption = ApplicationTitle();
    if (Presenter()) {
        Presenter()(text, caption);
    } else {
        ShowNoticeBox(text, caption);
    }
}

void HandleEventFailure(std::exception_ptr caught) noexcept {
    try {
        if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
        if (!caught) {
            ShowFailureMessage(std::string(kUnknownFailureMessage));
            return;
        }
        try {
            std::rethrow_exception(caught);
        } catch (const Failure& failure) {
            if (failure.FromArithmetic()) SetArithmeticEnvironment();
            ShowFailureNotice(failure);
        } catch (const std::bad_alloc&) {
            ShowFailureNotice(OutOfMemoryFailure());
        } catch (const std::exception& other) {
            ShowFailureMessage(other.what());
        } catch (...) {
            ShowFailureMessage(std::string(kUnknownFailureMessage));
        }
    } catch (...) {
        // Showing the notice failed as well (no memory left for the box): the event ends
        // without one rather than unwinding into the toolkit.
    }
}
