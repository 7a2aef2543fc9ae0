// How the windows' text looks: the "System" face at a pixel height, and text colours.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

// The window font "System" at the given character height in pixels.
QFont SystemFont(int pixelHeight, bool bold = false);

// Sets the colour a widget writes its text in.
void SetTextColour(QWidget* widget, const QColor& colour);

// The contrast ratio of two colours as screen-reading guidelines define it: from 1 (equal)
// to 21 (black on white), from the colours' relative luminance.
double ContrastRatio(const QColor& a, const QColor& b);

// The smallest contrast that text is given.
inline constexpr double kReadableContrast = 4.5;

// `preferred` where black text on it is readable, `fallback` otherwise: the background for a
// text that is black whatever the colour scheme.
QColor LightOr(const QColor& preferred, const QColor& fallback);

// Whether a widget kept readable by KeepBlackTextReadable paints its background itself.
enum class BackgroundFill {
    Always,      // filled with the chosen colour (a label on its own face)
    WhenWhite,   // filled only where white replaces the parent's colour (a label on a page)
    ByTheWidget, // the widget paints that role itself (an input field's base)
};

// Black text on `widget` that stays readable whatever the colour scheme, also when the scheme
// changes while the program runs: the widget's `background` role takes the parent's `surface`
// colour where black reads on it, white where it does not. Decided now and again whenever the
// widget's palette changes (a new application palette, a parent's new palette).
void KeepBlackTextReadable(QWidget* widget, QPalette::ColorRole background,
                           QPalette::ColorRole surface, BackgroundFill fill);
