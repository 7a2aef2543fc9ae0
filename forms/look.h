// How the windows' text looks: the "System" face at a pixel height, and a text colour.
#pragma once

#include <QColor>
#include <QFont>

class QWidget;

// The window font "System" at the given character height in pixels.
QFont SystemFont(int pixelHeight, bool bold = false);

// Sets the colour a widget writes its text in.
void SetTextColour(QWidget* widget, const QColor& colour);
