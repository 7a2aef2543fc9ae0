#include "forms/result_label.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>

namespace {

// Smaller than this no text is drawn legibly; a result never needs it (22 characters at most).
constexpr int kSmallestPixelHeight = 6;

} // namespace

ResultLabel::ResultLabel(QWidget* parent, int designedPixelHeight)
    : QLabel(parent), designedPixelHeight_(designedPixelHeight) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    // Selectable by the mouse only: a click focuses it, Tab passes it by.
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setFocusPolicy(Qt::ClickFocus);
}

int ResultLabel::FittingPixelHeight(const QString& text, int boxWidth) const {
    QFont probe = font();
    for (int height = designedPixelHeight_; height > kSmallestPixelHeight; --height) {
        probe.setPixelSize(height);
        const QFontMetrics metrics(probe);
        // The advance, and the ink where a glyph reaches past it (italic faces, "f"), plus
        // the caret's pixel that the selectable text keeps free at the end.
        const int ink =
            std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).right() + 1);
        if (ink + 1 <= boxWidth) return height;
    }
    return kSmallestPixelHeight;
}

void ResultLabel::setText(const QString& text) {
    QLabel::setText(text);
    FitFont();
}

void ResultLabel::clear() {
    QLabel::clear();
    FitFont();
}

void ResultLabel::FitFont() {
    const int height = FittingPixelHeight(text(), contentsRect().width());
    if (font().pixelSize() == height) return;
    QFont fitted = font();
    fitted.setPixelSize(height);
    setFont(fitted);
}

void ResultLabel::CopyText() {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setText(hasSelectedText() ? selectedText() : text());
    }
}

void ResultLabel::contextMenuEvent(QContextMenuEvent* event) {
    // A menu of our own: the label's built-in one does not open for a plain text that is only
    // selectable by the mouse.
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("ResultMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* copy = menu->addAction(QStringLiteral("コピー(&C)"), this, &ResultLabel::CopyText);
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(!text().isEmpty());
    QAction* all = menu->addAction(QStringLiteral("すべて選択(&A)"), this,
                                   [this] { setSelection(0, static_cast<int>(text().size())); });
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(!text().isEmpty());
    menu->popup(event->globalPos());
    event->accept();
}
