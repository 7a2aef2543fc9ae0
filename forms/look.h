// How the windows' text looks: the "System" face at a pixel height, and text colours.
#pragma once

#include <QColor>
#include <QFont>

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
