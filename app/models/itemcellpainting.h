#pragma once

// Painting over a cell of the item table: the set marker of column 0 and the best class
// label of column 1, on top of the cell's ordinary drawing.

#include "list/itemtable.h"

#include <QColor>

class QFont;
class QPainter;
class QRect;

/// Paints `paint` over the cell `cellRect`: the fill covers the cell widened 2 pixels to the
/// left, the text starts 2 pixels right of and 4 pixels below the cell's top-left corner.
/// `ordinary` is the background the table gives its cells.
void paintItemTableCell(QPainter *painter, const QRect &cellRect, const ItemCellPaint &paint,
                        const QFont &font, const QColor &ordinary, const QColor &text);
