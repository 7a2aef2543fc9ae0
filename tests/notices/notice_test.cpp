#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "convert/number_text.h"
#include "notices/notice.h"

namespace {

TEST(WithFullStop, AppendsAfterNonAsciiAndAsciiAboveFullStop) {
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"", ""},
        {"浮動小数点数のオーバーフロー", "浮動小数点数のオーバーフロー."},
        {"終わり。", "終わり。."},
        {"ｱ", "ｱ."}, // half-width katakana is not ASCII
        {"value 9", "value 9."},
        {"a:", "a:."},
        {"why?", "why?."},
        {"done.", "done."},
        {"(note)", "(note)"},
        {"wow!", "wow!"},
        {"quoted'", "quoted'"},
        {"a,", "a,"},
        {"a-", "a-"},
        {"trailing ", "trailing "},
        {"/", "/."},
    };
    for (const auto& c : cases) EXPECT_EQ(WithFullStop(c.message), c.shown) << c.message;
}

class Recorded : public ::testing::Test {
protected:
    void SetUp() override {
        SetNoticePresenter([this](const std::string& text, const std::string& caption) {
            texts.push_back(text);
            captions.push_back(caption);
            return 1;
        });
    }
    void TearDown() override { SetNoticePresenter({}); }
    std::vector<std::string> texts;
    std::vector<std::string> captions;
};

TEST_F(Recorded, EveryKindOfExceptionIsShownAndNoneEscapes) {
    const struct {
        void (*raise)();
        const char* text;
    } cases[] = {
        {[] { throw InvalidNumberFailure("2x"); }, "'2x' は浮動小数点数ではありません."},
        {[] { throw SettingsWriteFailure("/opt/r/runamika.ini"); },
         "/opt/r/runamika.ini に書き込めません."},
        {[] { throw std::bad_alloc(); }, "メモリが足りません."},
        {[] { throw std::runtime_error("disk on fire"); }, "disk on fire."},
        {[] { throw 42; }, "不明なエラーが発生しました."},
    };
    for (const auto& c : cases) {
        texts.clear();
        EXPECT_FALSE(RunGuarded(c.raise));
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0], c.text);
        EXPECT_EQ(captions[0], "Runamika");
    }
    EXPECT_TRUE(RunGuarded([] {}));
    texts.clear();
    HandleEventFailure(nullptr); // a catch point with nothing caught
    EXPECT_EQ(texts, std::vector<std::string>{"不明なエラーが発生しました."});
}

// A failure while a widget holds the mouse ends the grab, so the notice can be answered.
TEST_F(Recorded, AFailureEndsAMouseGrab) {
    QWidget grabbing;
    grabbing.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grabbing));
    grabbing.grabMouse();
    ASSERT_EQ(QWidget::mouseGrabber(), &grabbing);
    RunGuarded([] { throw InvalidNumberFailure("x"); });
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(texts.size(), 1u);
}

#if !RUNAMIKA_SOFTWARE_EXTENDED // only the hardware arithmetic has a control word
TEST_F(Recorded, OnlyArithmeticFailuresSetTheArithmeticEnvironmentAgain) {
    const std::uint16_t towardZero = x87::kWorkingControlWord | 0x0C00;
    x87::SetControlWord(towardZero);
    RunGuarded([] { throw InvalidNumberFailure("x"); });
    EXPECT_EQ(x87::ControlWord(), towardZero);

    RunGuarded([] { throw FloatingPointOverflowFailure(); });
    EXPECT_EQ(x87::ControlWord(), x87::kWorkingControlWord);
    EXPECT_EQ(texts.back(), "浮動小数点数のオーバーフロー.");
}
#endif

TEST(NoticeBox, ShowsAStopBoxWithOneOkButtonAndReactivatesTheWindow) {
    QWidget owner;
    owner.setWindowTitle(QStringLiteral("owner"));
    owner.show();
    owner.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));

    bool seen = false;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = true;
        EXPECT_EQ(box->objectName().toStdString(), "NoticeBox");
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->textFormat(), Qt::PlainText); // typed text such as <b> shows as typed
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(box->windowTitle().toStdString(), "Runamika");
        EXPECT_EQ(box->text().toStdString(), "'abc' は浮動小数点数ではありません.");
        EXPECT_TRUE(box->informativeText().isEmpty());
        ASSERT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->standardButton(box->buttons().front()), QMessageBox::Ok);
        EXPECT_EQ(box->screen(), owner.screen());
        QTest::mouseClick(box->buttons().front(), Qt::LeftButton);
    });
    ShowFailureNotice(InvalidNumberFailure("abc"));
    EXPECT_TRUE(seen);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &owner; }));
}

// The text that the real box shows for a given text; the box is dismissed at once.
QString TextOfShownBox(const std::string& text) {
    QString shown;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    ShowNoticeBox(text, "Notices");
    return shown;
}

std::string Times(std::string_view piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text.append(piece);
    return text;
}

TEST(NoticeBox, ShowsALongTextShortenedInTheMiddleAndWrappable) {
    // Twenty lines that the line cut leaves at exactly 400 characters: no further cut.
    const std::string headLines = Times(std::string(19, 'h') + "\n", 10);
    const std::string tailLines = Times(std::string(21, 't') + "\n", 9);
    const struct {
        const char* name;
        std::string text;
        std::string kept;     // what the box shows, invisible break points aside
        qsizetype firstBreak; // where the first invisible break point stands, -1 for none
    } cases[] = {
        {"400 characters", Times("a b ", 100), Times("a b ", 100), -1},
        {"401 characters", Times("a b ", 100) + "c",
         Times("a b ", 50) + "…" + " b " + Times("a b ", 49) + "c", -1},
        {"short, one unbroken word", Times("x", 100), Times("x", 100), -1},
        {"19 line breaks", Times("1\n", 19) + "end", Times("1\n", 19) + "end", -1},
        {"20 line breaks", Times("1\n", 20) + "end",
         Times("1\n", 10) + "…\n" + Times("1\n", 9) + "end", -1},
        {"lines cut to 400 characters", headLines + Times("m\n", 30) + tailLines,
         headLines + "…\n" + tailLines, -1},
        {"unbroken, 600 characters", Times("x", 300) + Times("y", 300),
         Times("x", 200) + "…" + Times("y", 200), 40},
        {"a blank, then 600 unbroken", " " + Times("x", 300) + Times("y", 300),
         " " + Times("x", 199) + "…" + Times("y", 200), 41},
        {"a cut would split a pair of UTF-16 units", "a" + Times("𠮷", 300),
         "a" + Times("𠮷", 99) + "…" + Times("𠮷", 100), 41},
        {"both cuts would split a pair", "a" + Times("𠮷", 300) + "b",
         "a" + Times("𠮷", 99) + "…" + Times("𠮷", 99) + "b", 41},
        {"1000 short lines", Times("line\n", 1000),
         Times("line\n", 10) + "…\n" + Times("line\n", 9), -1},
        {"quoted megabyte", "'" + Times("12.5 ", 200'000) + "' は浮動小数点数ではありません.",
         "'" + Times("12.5 ", 39) + "12.5….5" + Times(" 12.5", 36) +
             " ' は浮動小数点数ではありません.",
         -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString shown = TextOfShownBox(c.text);
        QString visible = shown;
        visible.remove(QChar(0x200B));
        EXPECT_EQ(visible.toStdString(), c.kept);
        EXPECT_EQ(shown.indexOf(QChar(0x200B)), c.firstBreak);
        if (c.text == c.kept) {
            EXPECT_EQ(shown.toStdString(), c.text); // shown as it is
            continue;
        }
        // In a shortened text every run the box could not break is short, and no character
        // is split.
        qsizetype run = 0;
        for (qsizetype i = 0; i < shown.size(); ++i) {
            run = (shown[i].isSpace() || shown[i] == QChar(0x200B)) ? 0 : run + 1;
            EXPECT_LE(run, 41) << i;
            if (shown[i].isHighSurrogate()) {
                EXPECT_TRUE(i + 1 < shown.size() && shown[i + 1].isLowSurrogate()) << i;
            }
        }
    }
}

} // namespace
