#pragma once

#include <QFont>

/// Makes "Tahoma" known to the program where the desktop has none of its own but Wine's copy
/// is installed (Debian's fonts-wine puts it outside the desktop's font folders). The window's
/// places were laid out for Tahoma; DejaVu Sans, the usual Linux fallback, is wider. Safe to
/// call more than once.
void addWineTahoma();

/// The window's sans-serif font: Tahoma, else any sans-serif font of the same pixel height.
QFont sansFont(int pixelHeight, bool bold = false);

/// The fixed-pitch font of the list, the lore view and the search fields.
QFont fixedFont(int pixelHeight);

/// `font` made smaller, down to 9 pixels, until `text` fits into `width` pixels: for the few
/// texts laid out for Tahoma that must stay whole in their place with a wider font.
QFont fontFittingWidth(QFont font, const QString &text, int width);
