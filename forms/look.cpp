#include "forms/look.h"

#include <QEvent>
#include <QObject>
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

namespace {

// Decides a widget's background for black text and decides it again on every palette change.
class BlackTextKeeper : public QObject {
public:
    BlackTextKeeper(QWidget* widget, QPalette::ColorRole background, QPalette::ColorRole surface,
                    BackgroundFill fill)
        : QObject(widget), widget_(widget), background_(background), surface_(surface),
          fill_(fill) {
        widget->installEventFilter(this);
        Decide();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget_ && !deciding_ &&
            (event->type() == QEvent::PaletteChange ||
             event->type() == QEvent::ApplicationPaletteChange ||
             event->type() == QEvent::ParentChange)) {
            Decide();
        }
        return false;
    }

private:
    void Decide() {
        deciding_ = true;
        const QWidget* parent = widget_->parentWidget();
        const QColor face =
            (parent != nullptr ? parent->palette() : widget_->palette()).color(surface_);
        const QColor chosen = LightOr(face, Qt::white);
        QPalette colours = widget_->palette();
        colours.setColor(QPalette::WindowText, Qt::black);
        colours.setColor(QPalette::Text, Qt::black);
        colours.setColor(background_, chosen);
        widget_->setPalette(colours);
        if (fill_ == BackgroundFill::Always) {
            widget_->setAutoFillBackground(true);
        } else if (fill_ == BackgroundFill::WhenWhite) {
            widget_->setAutoFillBackground(chosen != face);
        }
        deciding_ = false;
    }

    QWidget* widget_;
    QPalette::ColorRole background_;
    QPalette::ColorRole surface_;
    BackgroundFill fill_;
    bool deciding_ = false;
};

} // namespace

void KeepBlackTextReadable(QWidget* widget, QPalette::ColorRole background,
                           QPalette::ColorRole surface, BackgroundFill fill) {
    new BlackTextKeeper(widget, background, surface, fill);
}
