#pragma once

#include <QString>

/// How many characters of an entry the item list and the item table lay out and draw. A few
/// thousand fill any screen many times over, while laying out a pasted line of millions of
/// characters takes Qt seconds and gigabytes, on every repaint.
inline constexpr qsizetype drawnTextLimit = 4000;

/// `text` as a view draws it: whole when it has at most `limit` characters, else its first
/// `limit` ones (never half of a surrogate pair) followed by "…". Only the drawing is cut:
/// the entry stays whole in the list, its files and its packets.
QString drawnText(const QString &text, qsizetype limit = drawnTextLimit);
