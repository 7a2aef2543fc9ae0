// The program's own pictures: the application icon (the same picture as the installed icon)
// and the OK button's glyph, drawn in code.
#pragma once

#include <QIcon>
#include <QPixmap>

// The application icon at 32 × 32, as the About dialog shows it.
QPixmap ApplicationIconPixmap();
// The application icon in every size it comes in, for the window frames.
QIcon ApplicationIcon();

// The OK glyph strip, 36 × 18: the enabled image (a check mark) on the left, the disabled
// image on the right.
QPixmap OkGlyphStrip();
