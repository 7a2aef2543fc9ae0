// The main window: the input field, five pages of unit groups, the result display, the
// Calculate and Clear buttons and the menu.
#pragma once

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRect>
#include <QTabWidget>

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "convert/conversion.h"
#include "convert/units.h"
#include "forms/radio_group.h"
#include "forms/result_label.h"

// The input field: whenever it takes the focus other than by a mouse press inside it, its
// whole text is selected.
class InputEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // `placementFile` is the window placement file that FormCreate reads and FormClose writes.
    explicit TForm1(std::string placementFile = DefaultPlacementFile(), QWidget* parent = nullptr);

    // The placement file of the running program.
    static std::string DefaultPlacementFile();

    // Controls, in their declared order.
    QTabWidget* TabbedNotebook1;
    RadioGroup* RadioGroup1;
    RadioGroup* RadioGroup2;
    QLabel* Label3;
    RadioGroup* RadioGroup3;
    RadioGroup* RadioGroup4;
    QLabel* Label4;
    RadioGroup* RadioGroup5;
    RadioGroup* RadioGroup6;
    QLabel* Label7;
    RadioGroup* RadioGroup7;
    RadioGroup* RadioGroup8;
    QLabel* Label10;
    RadioGroup* RadioGroup9;
    RadioGroup* RadioGroup10;
    QLabel* Label13;
    QMenuBar* MainMenu1;
    QMenu* KV1;
    QAction* K1;
    InputEdit* Edit11;
    QPushButton* Button11;
    QPushButton* Button12;
    QLabel* Label16;
    QLabel* Label17;
    QLabel* Label2;
    QLabel* label1;
    ResultLabel* Label5;
    QFrame* Bevel1;
    QAction* N1;
    QAction* e1;

    // Handlers. None of them reads its sender.
    void RadioGroup1Click(QObject* Sender);
    void RadioGroup2Click(QObject* Sender);
    void RadioGroup3Click(QObject* Sender);
    void RadioGroup4Click(QObject* Sender);
    void RadioGroup5Click(QObject* Sender);
    void RadioGroup6Click(QObject* Sender);
    void RadioGroup7Click(QObject* Sender);
    void RadioGroup8Click(QObject* Sender);
    void RadioGroup9Click(QObject* Sender);
    void RadioGroup10Click(QObject* Sender);
    void K1Click(QObject* Sender);
    void FormCreate(QObject* Sender);
    void FormClose(QObject* Sender);
    void Button12Click(QObject* Sender);
    void Button11Click(QObject* Sender);
    void TabbedNotebook1Click(QObject* Sender);
    void e1Click(QObject* Sender);

    // The pages' conversions: read Edit11 and the page's groups, write Label5.
    void ConvertLength();
    void ConvertWeight();
    void ConvertVolume();
    void ConvertArea();
    void ConvertTemperature();

    const ConversionState& State() const { return state_; }

    // The two groups of a page: from, to.
    RadioGroup* FromGroup(Page page) const;
    RadioGroup* ToGroup(Page page) const;

    // Sets the outer size (frame included) of the window, kept between the smallest window
    // that shows its menu bar and the virtual desktop.
    void SetOuterSize(QSize outer);

    // The window's outer rectangle, frame included, as the window system has it now.
    QRect OuterRect();

    // Whether the window has taken in the frame its manager put around it at its first showing.
    bool FrameTakenIn() const { return frameSettled_; }

    // Shows the window for the first time once the window manager has said which frame it will
    // add (or after a short wait), so that the stored outer size and the centring hold from the
    // first picture on; then runs `shown`.
    void ShowWhenFrameKnown(std::function<void()> shown = {});

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildControls();
    QWidget* BuildPage(Page page, RadioGroup*& from, RadioGroup*& to, QLabel*& arrow);
    void ConnectHandlers();
    void RunConversion(Page page);
    void SetUnitLabel(QLabel* label, Page page, int row);
    void SetUnitLabelText(QLabel* label, const QString& text);
    // Input back to "1" and the result emptied; the input field focused with its text selected.
    void ResetInput();
    void FocusInput();
    bool NotebookTabKey(QKeyEvent* key);
    void NotebookMouse(QObject* watched, QEvent* event);
    bool ButtonKey(QObject* watched, QKeyEvent* key);
    void NoteBounds();
    QRect CurrentBounds();
    void ApplyOuterSize();
    void PlaceCentred();
    void FrameChanged();
    // Shown, in normal state, before its first framing was taken in, and still at the size the
    // outer size was applied as: its outer size is that size with the frame it was sized for.
    bool SizedForFrameNotYetTakenIn() const;
    // The first showing with the frame that the manager announced (none: not known yet).
    void ShowWithFrame(std::optional<QMargins> frame);

    std::string placementFile_;
    ConversionState state_;
    // Each page's from and to group, in page order.
    std::array<std::array<RadioGroup*, 2>, kPageCount> pageGroups_{};
    QSize outerSize_{661, 492};
    // The size (frame not included) that the outer size was last applied as.
    QSize appliedSize_;
    // The outer rectangle the window last had while it was not minimised.
    QRect unminimisedBounds_;
    bool unminimisedMaximised_ = false;
    bool notebookPressed_ = false;
    bool shown_ = false;
    // The frame that the window manager or the toolkit's decorations put around the window, as
    // last learnt; whether it was learnt before the first showing; and whether the first
    // framing has been seen, after which the designed placement is not redone.
    QMargins frame_;
    bool frameAsked_ = false;
    bool frameSettled_ = false;
    // Where the window cannot see its position: the left and top that were read, or else the
    // centred position it asked for, are what a close stores.
    int storedLeft_ = -1;
    int storedTop_ = -1;
    QPoint centredAt_;
};

extern TForm1* Form1;
