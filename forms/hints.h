// Hints (tooltips): a control's hint appears once the pointer has rested on it for
// kHintWakeUpMs, stays kHintDisplayMs, and while one shows, moving onto another control with a
// hint shows that one at once. A control without a hint shows that of the nearest enclosing
// control that has one (the toolkit passes the request up), so radio items show their group's.
#pragma once

#include <QProxyStyle>
#include <QString>

class QWidget;

inline constexpr int kHintWakeUpMs = 500;
inline constexpr int kHintDisplayMs = 2500;

// The application's style with the hint delays above. While a hint shows, and for as long as
// it may show, the toolkit shows the next control's hint without the rest delay.
class HintStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

// Puts HintStyle over the application's style; does nothing when it is already there. The
// application object calls it once, before any window exists.
void UseHintTimings();

// Gives a control its hint, shown for kHintDisplayMs.
void SetHint(QWidget* widget, const QString& hint);
