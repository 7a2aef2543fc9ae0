// The result display: one line of text that is always shown whole. It keeps its designed font
// while the text fits its box and takes the largest smaller size that fits when it does not; it
// never cuts or elides. The mouse can select the text and copy it (context menu, Ctrl+C),
// and a click gives it the focus, but Tab never stops on it. The context menu's Copy copies
// the selection, or the whole result when nothing is selected.
#pragma once

#include <QLabel>

class ResultLabel : public QLabel {
    Q_OBJECT
public:
    ResultLabel(QWidget* parent, int designedPixelHeight);

    // Hide QLabel's own: every text change fits the font to the text.
    void setText(const QString& text);
    void clear();

    // The character height in pixels that a text is drawn with in a box of the given width.
    int FittingPixelHeight(const QString& text, int boxWidth) const;

    // Puts the selected text, or the whole text when nothing is selected, on the clipboard.
    void CopyText();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void FitFont();

    int designedPixelHeight_;
};
