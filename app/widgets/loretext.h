#pragma once

// The lore view's text: an item's record with its colour spans.

#include "base/lore.h"

#include <QList>
#include <QStringList>

class QPlainTextEdit;

/// Shows the record lines as the view's whole text, one view line each, in the view's own text
/// colour, then colours the spans in order (a later span's colour wins where they overlap). A
/// span reaching past the end colours what lies inside the text.
void showLoreText(QPlainTextEdit *view, const QStringList &lines, const QList<LoreSpan> &spans);
