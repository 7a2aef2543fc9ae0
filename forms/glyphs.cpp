#include "forms/glyphs.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPolygon>

namespace {

// The 16-colour palette the pictures keep to.
constexpr QColor kWhite(255, 255, 255);
constexpr QColor kGreen(0, 128, 0);
constexpr QColor kGray(128, 128, 128);

void DrawCheck(QPainter& painter, int left, const QColor& colour) {
    painter.setPen(QPen(colour, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    const QPolygon check({QPoint(left + 3, 9), QPoint(left + 7, 13), QPoint(left + 14, 4)});
    painter.drawPolyline(check);
}

} // namespace

// The icons are compiled into the forms library; a static library registers its resources
// only when asked. (Outside any namespace: the registration function is a global one.)
static void RegisterIconResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)registered;
}

QPixmap ApplicationIconPixmap() {
    RegisterIconResources();
    return QPixmap(QStringLiteral(":/icons/runamika-32.png"));
}

QIcon ApplicationIcon() {
    RegisterIconResources();
    QIcon icon;
    for (const int size : {16, 32, 48, 64}) {
        icon.addFile(QStringLiteral(":/icons/runamika-%1.png").arg(size), QSize(size, size));
    }
    return icon;
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
