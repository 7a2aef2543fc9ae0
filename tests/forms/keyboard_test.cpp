#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTimer>

#include <memory>
#include <vector>

#include "tests/forms/window_fixture.h"

namespace {

TEST_F(WindowTest, ArrowKeysOnTheNotebookStepPagesWrappingAndReset) {
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
        const char* label;
    };
    const Step steps[] = {
        {Qt::Key_Left, Qt::NoModifier, 4, "℃"},
        {Qt::Key_Right, Qt::NoModifier, 0, "ｍ"},
        {Qt::Key_Down, Qt::ShiftModifier, 1, "Kg"},
        {Qt::Key_Up, Qt::ControlModifier, 0, "ｍ"},
    };
    for (const Step& step : steps) {
        form->TabbedNotebook1->setFocus(Qt::TabFocusReason);
        form->Edit11->setText(QStringLiteral("7"));
        QTest::keyClick(form->TabbedNotebook1->tabBar(), step.key, step.modifiers);
        EXPECT_EQ(form->TabbedNotebook1->currentIndex(), step.page);
        EXPECT_EQ(Str(form->Label16->text()), step.label);
        EXPECT_EQ(Str(form->Edit11->text()), "1");
        EXPECT_TRUE(form->Edit11->hasFocus());
        EXPECT_EQ(Str(form->Edit11->selectedText()), "1");
    }
}

TEST_F(WindowTest, CtrlTabChangesNoPage) {
    ClickItem(form->RadioGroup1, 0);
    Press(form->RadioGroup1->Item(0), Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(form->RadioGroup1->Item(0), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form->TabbedNotebook1->currentIndex(), 0);
}

TEST_F(WindowTest, ArrowKeysOnAnItemSelectWrapAndConvert) {
    RadioGroup* to = form->RadioGroup2;
    Press(to->Item(0), Qt::Key_Up);
    EXPECT_EQ(to->ItemIndex(), 11);
    EXPECT_EQ(Str(form->Label17->text()), "マイル");
    QTest::keyClick(to->Item(11), Qt::Key_Right);
    EXPECT_EQ(to->ItemIndex(), 0);
    QTest::keyClick(to->Item(0), Qt::Key_Down);
    EXPECT_EQ(to->ItemIndex(), 1);
    EXPECT_TRUE(to->Item(1)->hasFocus());
    EXPECT_EQ(Str(form->Label17->text()), "ｃｍ");
    EXPECT_EQ(Str(form->Label5->text()), "100");
}

TEST_F(WindowTest, EnterPressesTheDefaultButtonOrTheFocusedOne) {
    ClickItem(form->RadioGroup2, 1);
    form->Edit11->setFocus(Qt::TabFocusReason);
    form->Edit11->setText(QStringLiteral("3"));
    for (auto modifier : {Qt::ShiftModifier, Qt::ControlModifier}) {
        QTest::keyClick(form->Edit11, Qt::Key_Return, modifier);
        EXPECT_EQ(Str(form->Label5->text()), "100");
    }
    QTest::keyClick(form->Edit11, Qt::Key_Return);
    EXPECT_EQ(Str(form->Label5->text()), "300");

    form->Button12->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(form->Button11->isDefault());
    QTest::keyClick(form->Button12, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(Str(form->Label5->text()), "300");
    QTest::keyClick(form->Button12, Qt::Key_Return);
    EXPECT_EQ(Str(form->Label5->text()), "");
    EXPECT_TRUE(form->Button11->isDefault());
    EXPECT_TRUE(form->Edit11->hasFocus());
}

TEST_F(WindowTest, TabOrderRunsThroughInputTabsSelectedItemsAndButtons) {
    ClickItem(form->RadioGroup1, 3);
    form->Edit11->setFocus(Qt::TabFocusReason);
    const QWidget* expected[] = {form->TabbedNotebook1->tabBar(),
                                 form->RadioGroup1->Item(3),
                                 form->RadioGroup2->Item(0),
                                 form->Button11,
                                 form->Button12,
                                 form->Edit11};
    for (const QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next)
            << Str(QApplication::focusWidget()->objectName());
    }
    EXPECT_EQ(Str(form->Edit11->selectedText()), "1");
}

// Backward from a fresh start the focus stops on each group's selected item only, on every
// page: the other items are no tab stops before any of them has had the focus either.
TEST_F(WindowTest, ShiftTabFromAFreshStartStopsOnTheSelectedItemsOnly) {
    const std::pair<RadioGroup*, RadioGroup*> groups[] = {{form->RadioGroup1, form->RadioGroup2},
                                                          {form->RadioGroup3, form->RadioGroup4},
                                                          {form->RadioGroup5, form->RadioGroup6},
                                                          {form->RadioGroup7, form->RadioGroup8},
                                                          {form->RadioGroup9, form->RadioGroup10}};
    for (int page = 0; page < 5; ++page) {
        ClickTab(page);
        ASSERT_TRUE(form->Edit11->hasFocus()) << page;
        const auto [from, to] = groups[page];
        const QWidget* expected[] = {form->Button12,
                                     form->Button11,
                                     to->Item(to->ItemIndex()),
                                     from->Item(from->ItemIndex()),
                                     form->TabbedNotebook1->tabBar(),
                                     form->Edit11};
        for (const QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            EXPECT_EQ(QApplication::focusWidget(), next)
                << "page " << page << ": " << Str(QApplication::focusWidget()->objectName()) << " "
                << Str(QApplication::focusWidget()->property("text").toString());
        }
    }
    // An arrow key moves the selection, and the tab stop with it.
    Press(form->RadioGroup10->Item(0), Qt::Key_Down);
    Press(form->Button11, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), form->RadioGroup10->Item(1));
}

TEST_F(WindowTest, ArrowsOnAButtonMoveAmongTheWindowsOwnControls) {
    Press(form->Button12, Qt::Key_Right);
    EXPECT_TRUE(form->Edit11->hasFocus());
    Press(form->Button11, Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), form->TabbedNotebook1->tabBar());
}

TEST_F(WindowTest, VersionMenuShowsTheAboutDialogModally) {
    TAboutBox about(form.get());
    AboutBox = &about;
    bool checked = false;
    QTimer::singleShot(0, [&] {
        about.activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &about; }));
        EXPECT_TRUE(about.isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), &about);
        EXPECT_EQ(about.windowModality(), Qt::ApplicationModal);
        EXPECT_TRUE(about.OKButton->hasFocus())
            << (QApplication::focusWidget() ? Str(QApplication::focusWidget()->objectName())
                                            : std::string("none"));
        QTest::keyClick(&about, Qt::Key_Escape);
        EXPECT_TRUE(about.isVisible());
        checked = true;
        QTest::keyClick(about.OKButton, Qt::Key_Return);
    });
    form->Edit11->setText(QStringLiteral("9"));
    form->K1->trigger();
    EXPECT_TRUE(checked);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_EQ(Str(form->Edit11->text()), "9");
    AboutBox = nullptr;
}

TEST_F(WindowTest, TheAboutDialogMadeOnFirstUseIsKeptAndGoesWithItsOwner) {
    // Made by the first opening, owned by the window, and the same dialog at the next opening
    // (it reopens where it was left).
    MakeAboutBoxOnFirstUse(form.get());
    std::vector<TAboutBox*> shown;
    for (int opening = 0; opening < 2; ++opening) {
        QTimer::singleShot(0, [&] {
            shown.push_back(AboutBox);
            if (AboutBox != nullptr) AboutBox->accept();
        });
        form->K1->trigger();
    }
    ASSERT_EQ(shown.size(), 2u);
    ASSERT_NE(shown[0], nullptr);
    EXPECT_EQ(shown[1], shown[0]);
    EXPECT_EQ(shown[0]->parentWidget(), form.get());

    // Once its owner is gone, nothing refers to it and no new one is made.
    auto owner = std::make_unique<QWidget>();
    AboutBox = nullptr;
    MakeAboutBoxOnFirstUse(owner.get());
    ASSERT_NE(AboutBoxToShow(), nullptr);
    owner.reset();
    EXPECT_EQ(AboutBox, nullptr);
    EXPECT_EQ(AboutBoxToShow(), nullptr);
}

TEST_F(WindowTest, ExitClosesTheWindow) {
    form->e1->trigger();
    EXPECT_FALSE(form->isVisible());
}

// Alt+V opens the menu; V then chooses the version item and E the exit item.
TEST_F(WindowTest, AltVOpensTheMenuAndVOrEChoosesItsItems) {
    QSignalSpy version(form->K1, &QAction::triggered);
    Press(form->Edit11, Qt::Key_V, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == form->KV1; }));
    QTest::keyClick(form->KV1, Qt::Key_V);
    EXPECT_EQ(version.count(), 1);
    EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }));
    EXPECT_EQ(Str(form->Edit11->text()), "1");

    QTest::keyClick(form->Edit11, Qt::Key_V, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == form->KV1; }));
    QTest::keyClick(form->KV1, Qt::Key_E);
    EXPECT_EQ(version.count(), 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(notices.empty());
}

TEST_F(WindowTest, EscapeDoesNothing) {
    ClickItem(form->RadioGroup2, 1);
    for (QWidget* control :
         {static_cast<QWidget*>(form->Edit11), static_cast<QWidget*>(form->RadioGroup2->Item(1)),
          static_cast<QWidget*>(form->Button12)}) {
        Press(control, Qt::Key_Escape);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), control);
        EXPECT_EQ(Str(form->Label5->text()), "100");
        EXPECT_EQ(Str(form->Edit11->text()), "1");
    }
}

// The input field selects its whole text whenever the focus comes to it other than by a mouse
// press inside it; a mouse press places the caret.
TEST_F(WindowTest, TheInputSelectsAllUnlessFocusedByAMousePressInsideIt) {
    struct FocusCase {
        const char* how;
        std::function<void()> focus;
        bool selectsAll;
    };
    const FocusCase cases[] = {
        {"Tab from Button12", [&] { Press(form->Button12, Qt::Key_Tab); }, true},
        {"Shift+Tab from the tabs",
         [&] { Press(form->TabbedNotebook1->tabBar(), Qt::Key_Backtab, Qt::ShiftModifier); }, true},
        {"arrow from Button12", [&] { Press(form->Button12, Qt::Key_Down); }, true},
        {"Clear", [&] { QTest::mouseClick(form->Button12, Qt::LeftButton); }, true},
        {"page step", [&] { Press(form->TabbedNotebook1->tabBar(), Qt::Key_Right); }, true},
        {"mouse press inside",
         [&] {
             form->Button11->setFocus(Qt::TabFocusReason);
             QTest::mouseClick(form->Edit11, Qt::LeftButton, {}, QPoint(3, 13));
         },
         false},
        // The menu opened and closed again (Alt+V, Esc, Esc): the focus never went elsewhere.
        {"back from the menu",
         [&] {
             form->Edit11->setFocus(Qt::MouseFocusReason);
             form->Edit11->deselect();
             QTest::keyClick(form->Edit11, Qt::Key_V, Qt::AltModifier);
             ASSERT_TRUE(
                 QTest::qWaitFor([&] { return QApplication::activePopupWidget() == form->KV1; }));
             QTest::keyClick(form->KV1, Qt::Key_Escape);
             QTest::keyClick(form->MainMenu1, Qt::Key_Escape);
             ASSERT_TRUE(
                 QTest::qWaitFor([] { return QApplication::activePopupWidget() == nullptr; }));
         },
         false},
    };
    for (const FocusCase& c : cases) {
        form->Edit11->setText(QStringLiteral("1"));
        form->Edit11->deselect();
        c.focus();
        ASSERT_TRUE(form->Edit11->hasFocus()) << c.how;
        EXPECT_EQ(form->Edit11->hasSelectedText(), c.selectsAll) << c.how;
        if (c.selectsAll) {
            // The next key typed replaces the text.
            QTest::keyClick(form->Edit11, Qt::Key_7);
            EXPECT_EQ(Str(form->Edit11->text()), "7") << c.how;
        }
    }
}

// After the About dialog, the main window is active again with the focus where it was.
TEST_F(WindowTest, AfterTheAboutDialogTheFocusIsWhereItWas) {
    TAboutBox about(form.get());
    AboutBox = &about;
    form->Button12->setFocus(Qt::TabFocusReason);
    QTimer::singleShot(0, [&] { QTest::keyClick(about.OKButton, Qt::Key_Return); });
    form->K1->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form.get(); }));
    EXPECT_EQ(QApplication::focusWidget(), form->Button12);
    AboutBox = nullptr;
}

// A press on the tab of the page shown changes no page, so it moves no focus; the release
// that follows is the notebook's click (the input takes the focus).
TEST_F(WindowTest, APressOnTheCurrentTabKeepsTheFocus) {
    ClickItem(form->RadioGroup1, 3);
    QRadioButton* item = form->RadioGroup1->Item(3);
    ASSERT_EQ(QApplication::focusWidget(), item);
    QTabBar* bar = form->TabbedNotebook1->tabBar();
    QTest::mousePress(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    EXPECT_EQ(QApplication::focusWidget(), item);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    EXPECT_TRUE(form->Edit11->hasFocus());
}

} // namespace
