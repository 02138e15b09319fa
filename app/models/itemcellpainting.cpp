#include "app/models/itemcellpainting.h"

#include <QFont>
#include <QPainter>
#include <QRect>

void paintItemTableCell(QPainter *painter, const QRect &cellRect, const ItemCellPaint &paint,
                        const QFont &font, const QColor &ordinary, const QColor &text)
{
    if (!paint.overpaint)
        return;
    const QRect area = cellRect.adjusted(-2, 0, 0, 0);
    painter->save();
    painter->setClipRect(area);
    painter->fillRect(area, paint.fill ? QColor::fromRgb(QRgb(*paint.fill)) : ordinary);
    if (!paint.text.isEmpty()) {
        painter->setFont(font);
        painter->setPen(text);
        const QRect textArea(cellRect.left() + 2, cellRect.top() + 4, cellRect.width() + 2,
                             cellRect.height());
        painter->drawText(textArea, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, paint.text);
    }
    painter->restore();
}
