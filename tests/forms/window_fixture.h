// A shown main window with notices recorded instead of shown.
#pragma once

#include <QApplication>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "forms/About.h"
#include "forms/runamika95.h"
#include "notices/notice.h"

struct RecordedNotice {
    std::string text;
    std::string caption;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = SetNoticePresenter([this](const std::string& text, const std::string& caption) {
            notices.push_back({text, caption});
            return 1;
        });
        Open();
    }
    // A fresh window in place of the one shown, for table-driven cases that each start anew.
    void Open() {
        form = std::make_unique<TForm1>(PlacementFile());
        Form1 = form.get();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void TearDown() override {
        Form1 = nullptr;
        form.reset();
        SetNoticePresenter(previous_);
    }

    // Clicks an item on its indicator: a click in the middle of a wide item can miss.
    static void ClickItem(RadioGroup* group, int index) {
        QRadioButton* item = group->Item(index);
        QStyleOptionButton option;
        option.initFrom(item);
        const QRect indicator =
            item->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, item);
        QTest::mouseClick(item, Qt::LeftButton, {}, indicator.center());
    }

    // Gives `control` the focus as the Tab key would, then presses `key` on it.
    static void Press(QWidget* control, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        control->setFocus(Qt::TabFocusReason);
        QTest::keyClick(control, key, modifiers);
    }

    void ClickTab(int index) {
        QTabBar* bar = form->TabbedNotebook1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }

    std::string PlacementFile() const { return folder_.filePath("runamika.ini").toStdString(); }

    static std::string Str(const QString& text) { return text.toStdString(); }

    std::unique_ptr<TForm1> form;
    std::vector<RecordedNotice> notices;

private:
    QTemporaryDir folder_;
    NoticePresenter previous_;
};
