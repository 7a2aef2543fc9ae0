// The version dialog: product name, version, copyright and contact lines, one OK button.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <functional>
#include <optional>

class QWindow;

// A panel with a lowered outer and a raised inner bevel, one pixel each.
class BevelPanel : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A push button with an 18 × 18 glyph 2 pixels from its left edge and its caption centred in
// the space to the glyph's right.
class GlyphButton : public QPushButton {
    Q_OBJECT
public:
    GlyphButton(const QString& caption, const QPixmap& glyphStrip, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap enabled_;
    QPixmap disabled_;
};

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1;
    GlyphButton* OKButton;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Comments;
    QLabel* Label2;

    // Shows the dialog modally: centred at its first showing, later where it was left.
    int ShowModal();

    void setVisible(bool visible) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Centred at the first showing, later at the outer position it was closed at.
    void PlaceBeforeShowing();
    void PlaceOuterAt(QPoint outer, const QMargins& frame);
    void OnFrameChanged(QWindow* window);

    std::optional<QPoint> leftAt_;
    QMargins leftFrame_;
    // Set while the first placement waits for the frame that the manager did not announce.
    std::function<void(QMargins)> firstPlacement_;
    QMargins assumedFrame_;
};

extern TAboutBox* AboutBox;

// The running program makes its About dialog when it is first opened rather than at start-up:
// from this call on, AboutBoxToShow() makes it, owned by `owner`, while AboutBox is empty.
void MakeAboutBoxOnFirstUse(QWidget* owner);

// AboutBox, made first where MakeAboutBoxOnFirstUse() asked for that; null where there is none.
TAboutBox* AboutBoxToShow();
