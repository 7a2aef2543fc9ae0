#include "forms/glyphs.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPolygon>

namespace {

// The 16-colour palette the pictures keep to.
const QColor kNavy(0, 0, 128);
const QColor kYellow(255, 255, 0);
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kGray(128, 128, 128);

void DrawCheck(QPainter& painter, int left, const QColor& colour) {
    painter.setPen(QPen(colour, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    const QPolygon check({QPoint(left + 3, 9), QPoint(left + 7, 13), QPoint(left + 14, 4)});
    painter.drawPolyline(check);
}

} // namespace

QPixmap ApplicationIconPixmap() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    // Rounded navy tile.
    painter.setPen(kBlack);
    painter.setBrush(kNavy);
    painter.drawRoundedRect(QRect(1, 1, 29, 29), 4, 4);
    // Double arrow: one unit into another.
    painter.setPen(QPen(kWhite, 2));
    painter.drawLine(7, 11, 24, 11);
    painter.setBrush(kWhite);
    painter.setPen(Qt::NoPen);
    painter.drawPolygon(QPolygon({QPoint(4, 11), QPoint(9, 6), QPoint(9, 16)}));
    painter.drawPolygon(QPolygon({QPoint(27, 11), QPoint(22, 6), QPoint(22, 16)}));
    // Ruler with ticks.
    painter.setBrush(kYellow);
    painter.setPen(kBlack);
    painter.drawRect(QRect(4, 19, 23, 8));
    for (int x = 6; x <= 25; x += 3) painter.drawLine(x, 20, x, x % 2 == 0 ? 24 : 22);
    return pixmap;
}

QIcon ApplicationIcon() {
    return QIcon(ApplicationIconPixmap());
}

QPixmap OkGlyphStrip() {
    QPixmap strip(36, 18);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    DrawCheck(painter, 0, kGreen);
    // Disabled image: the same mark embossed in grey.
    painter.translate(1, 1);
    DrawCheck(painter, 18, kWhite);
    painter.translate(-1, -1);
    DrawCheck(painter, 18, kGray);
    return strip;
}
