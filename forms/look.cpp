#include "forms/look.h"

#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>

QFont SystemFont(int pixelHeight, bool bold) {
    QFont font(QStringLiteral("System"));
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

namespace {

double Luminance(const QColor& colour) {
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.red()) + 0.7152 * channel(rgb.green()) +
           0.0722 * channel(rgb.blue());
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor LightOr(const QColor& preferred, const QColor& fallback) {
    return ContrastRatio(Qt::black, preferred) >= kReadableContrast ? preferred : fallback;
}
