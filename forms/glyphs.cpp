#include "forms/glyphs.h"

#include <QColor>
#include <QIconEngine>
#include <QImage>
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

namespace {

constexpr int kIconSizes[] = {16, 32, 48, 64};

// One size of the icon, decoded now. The pictures are PNG: naming the format spares the
// reader from asking every image plug-in whether it knows the file.
QPixmap IconPicture(int size) {
    RegisterIconResources();
    return QPixmap::fromImage(QImage(QStringLiteral(":/icons/runamika-%1.png").arg(size), "PNG"));
}

// The application icon, decoded when a picture of it is first asked for: where nothing shows
// window icons (no window manager, the offscreen platform) it is never decoded at all.
class DecodeOnUseIconEngine : public QIconEngine {
public:
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Decoded().pixmap(size, 1.0, mode, state);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        Decoded().paint(painter, rect, Qt::AlignCenter, mode, state);
    }

    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Decoded().actualSize(size, mode, state);
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        // The pictures stand for the normal, unchecked icon; other modes are made from them.
        if (mode != QIcon::Normal || state != QIcon::Off) return {};
        QList<QSize> sizes;
        for (const int size : kIconSizes) sizes.append(QSize(size, size));
        return sizes;
    }

    bool isNull() override { return false; }

    QString key() const override { return QStringLiteral("DecodeOnUseIconEngine"); }

    QIconEngine* clone() const override { return new DecodeOnUseIconEngine(*this); }

private:
    QIcon& Decoded() {
        if (decoded_.isNull()) {
            for (const int size : kIconSizes) decoded_.addPixmap(IconPicture(size));
        }
        return decoded_;
    }

    QIcon decoded_;
};

} // namespace

QPixmap ApplicationIconPixmap() {
    return IconPicture(32);
}

QIcon ApplicationIcon() {
    return QIcon(new DecodeOnUseIconEngine);
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
