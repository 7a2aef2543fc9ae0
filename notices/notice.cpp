#include "notices/notice.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <exception>
#include <new>

#include "convert/number_text.h"

namespace {

NoticePresenter& Presenter() {
    static NoticePresenter presenter;
    return presenter;
}

// Text shown for a caught exception that carries no message of ours.
constexpr std::string_view kUnknownFailureMessage = "不明なエラーが発生しました";

} // namespace

std::string WithFullStop(std::string message) {
    if (message.empty()) return message;
    const auto last = static_cast<unsigned char>(message.back());
    // Bytes of a multi-byte UTF-8 character are all above 0x7F, so a non-ASCII last character
    // is caught by the same comparison.
    if (last > static_cast<unsigned char>('.')) message.push_back('.');
    return message;
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
        QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption),
                        QString::fromStdString(text), QMessageBox::Ok);
        box.setObjectName(QStringLiteral("NoticeBox"));
        box.setWindowModality(Qt::ApplicationModal);
        box.setTextFormat(Qt::PlainText);
        QScreen* screen = active ? active->screen() : QGuiApplication::primaryScreen();
        if (screen != nullptr) {
            box.adjustSize();
            QRect frame = box.frameGeometry();
            frame.moveCenter(screen->geometry().center());
            box.move(frame.topLeft());
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

void HandleEventFailure() noexcept {
    try {
        if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
        try {
            throw;
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
