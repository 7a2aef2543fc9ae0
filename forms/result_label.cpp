#include "forms/result_label.h"

#include <QFontMetrics>

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
