// A megabyte of text pasted into the input field, then Calculate: the real notice box must come
// up promptly, fit on the screen with its OK button reachable, and the window must answer again
// once it is dismissed. The times are printed, and only a generous hang guard is asserted.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "convert/number_text.h"
#include "forms/runamika95.h"
#include "notices/notice.h"

namespace {

constexpr qint64 kGuardMs = 10'000;

std::string Repeated(std::string_view piece, std::size_t size) {
    std::string text;
    while (text.size() < size) text.append(piece);
    return text;
}

struct BoxSeen {
    qint64 shownMs = -1;
    QString text;
    QString detailed;
    QRect frame;
    QRect okButton;
    int buttons = 0;
};

TEST(MegabyteInput, NoticeComesPromptlyFitsTheScreenAndTheWindowAnswersAfterwards) {
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"words and numbers", Repeated("12.5e3 abc 長さ ｍ 1,000 ", 1u << 20)},
        {"digits only", std::string(1u << 20, '7') + "x"},
        {"one unbroken word", Repeated("ｱbc", 1u << 20)},
        {"short lines", Repeated("12.5 m\r\n", 1u << 20)},
    };
    QTemporaryDir folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TForm1 form(folder.filePath("runamika.ini").toStdString());
        Form1 = &form;
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

        // Pasted, as a user would: through the clipboard into the focused field.
        QGuiApplication::clipboard()->setText(QString::fromStdString(c.text));
        form.Edit11->setFocus();
        form.Edit11->selectAll();
        QTest::keyClick(form.Edit11, Qt::Key_V, Qt::ControlModifier);
        ASSERT_EQ(form.Edit11->text().size(), QString::fromStdString(c.text).size());
        form.Label5->setText(QStringLiteral("keep"));

        QElapsedTimer clock;
        BoxSeen seen;
        QTimer::singleShot(0, [&] {
            QMessageBox* box = nullptr;
            const bool shown = QTest::qWaitFor(
                [&] {
                    box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    return box != nullptr && box->isVisible();
                },
                static_cast<int>(kGuardMs));
            if (!shown) return;
            seen.shownMs = clock.elapsed();
            seen.text = box->text();
            seen.detailed = box->detailedText();
            seen.frame = box->frameGeometry();
            seen.buttons = static_cast<int>(box->buttons().size());
            QAbstractButton* ok = box->button(QMessageBox::Ok);
            if (ok != nullptr) {
                seen.okButton = QRect(ok->mapTo(box, QPoint(0, 0)), ok->size())
                                    .translated(box->geometry().topLeft());
                QTest::mouseClick(ok, Qt::LeftButton);
            }
        });
        clock.start();
        QTest::mouseClick(form.Button11, Qt::LeftButton);
        const qint64 dismissedMs = clock.elapsed();

        ASSERT_GE(seen.shownMs, 0);
        // Shortened or not, the message shows how the input begins and how it ends.
        const QString input = QString::fromStdString(c.text);
        EXPECT_TRUE(seen.text.startsWith(QLatin1Char('\'') + input.left(5)));
        EXPECT_TRUE(
            seen.text.endsWith(input.right(3) + QStringLiteral("' は浮動小数点数ではありません.")));
        EXPECT_LT(seen.shownMs, kGuardMs);
        EXPECT_EQ(form.Label5->text(), QStringLiteral("keep"));
        const QRect screen = form.screen()->geometry();
        EXPECT_TRUE(screen.contains(seen.frame))
            << seen.frame.width() << "x" << seen.frame.height() << " on " << screen.width() << "x"
            << screen.height();
        EXPECT_TRUE(screen.contains(seen.okButton));

        // The window answers at once afterwards.
        QElapsedTimer after;
        after.start();
        QTest::mouseClick(form.Button12, Qt::LeftButton);
        EXPECT_LE(form.Edit11->text().size(), 1);
        const qint64 answerMs = after.elapsed();

        std::printf("%-18s box shown after %5lld ms (%dx%d, %d buttons, %lld characters shown); "
                    "dismissed after %5lld ms; Clear took %lld ms\n",
                    c.name, static_cast<long long>(seen.shownMs), seen.frame.width(),
                    seen.frame.height(), seen.buttons, static_cast<long long>(seen.text.size()),
                    static_cast<long long>(dismissedMs), static_cast<long long>(answerMs));
        Form1 = nullptr;
    }
}

} // namespace
