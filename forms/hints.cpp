#include "forms/hints.h"

#include <QApplication>
#include <QWidget>

int HintStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const {
    switch (hint) {
    case SH_ToolTip_WakeUpDelay:
        return kHintWakeUpMs;
    case SH_ToolTip_FallAsleepDelay:
        return kHintDisplayMs;
    default:
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

void UseHintTimings() {
    if (qobject_cast<HintStyle*>(QApplication::style()) != nullptr) return;
    // Without a base the proxy wraps the style the application would use by itself (the
    // desktop's, or the one asked for with -style).
    QApplication::setStyle(new HintStyle);
}

void SetHint(QWidget* widget, const QString& hint) {
    widget->setToolTip(hint);
    widget->setToolTipDuration(kHintDisplayMs);
}
