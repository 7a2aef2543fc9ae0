#include "forms/look.h"

#include <QPalette>
#include <QWidget>

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
