// The program's own pictures, drawn in code: the application icon and the OK button's glyph.
#pragma once

#include <QIcon>
#include <QPixmap>

// The application icon, 32 × 32: a ruler under a double arrow.
QPixmap ApplicationIconPixmap();
QIcon ApplicationIcon();

// The OK glyph strip, 36 × 18: the enabled image (a check mark) on the left, the disabled
// image on the right.
QPixmap OkGlyphStrip();
