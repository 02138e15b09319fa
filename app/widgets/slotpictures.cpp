#include "app/widgets/slotpictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap blankPicture()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QIcon saveSlotPicture()
{
    QPixmap pixmap = blankPicture();
    QPainter p(&pixmap);
    // Body with a cut corner.
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillPath(body, QColor(0x2F, 0x4F, 0x9F));
    p.setPen(QColor(0x10, 0x20, 0x50));
    p.drawPath(body);
    // Metal shutter with its window.
    p.fillRect(QRect(4, 2, 8, 5), QColor(0xD8, 0xD8, 0xD8));
    p.fillRect(QRect(9, 3, 2, 3), QColor(0x2F, 0x4F, 0x9F));
    // Paper label.
    p.fillRect(QRect(3, 9, 10, 5), Qt::white);
    p.setPen(QColor(0x90, 0x90, 0x90));
    p.drawLine(4, 11, 11, 11);
    p.end();
    return QIcon(pixmap);
}

QIcon loadSlotPicture()
{
    QPixmap pixmap = blankPicture();
    QPainter p(&pixmap);
    // Sheet of paper with a folded corner.
    QPolygon sheet({QPoint(2, 1), QPoint(9, 1), QPoint(12, 4), QPoint(12, 14), QPoint(2, 14)});
    p.setPen(QColor(0x60, 0x60, 0x60));
    p.setBrush(Qt::white);
    p.drawPolygon(sheet);
    p.drawLine(9, 1, 9, 4);
    p.drawLine(9, 4, 12, 4);
    p.setPen(QColor(0xA0, 0xA0, 0xA0));
    for (int y = 6; y <= 12; y += 2)
        p.drawLine(4, y, 8, y);
    // Green arrow pointing into the sheet.
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath arrow;
    arrow.moveTo(15.5, 9.0);
    arrow.lineTo(11.5, 5.0);
    arrow.lineTo(11.5, 7.5);
    arrow.lineTo(6.5, 7.5);
    arrow.lineTo(6.5, 10.5);
    arrow.lineTo(11.5, 10.5);
    arrow.lineTo(11.5, 13.0);
    arrow.closeSubpath();
    p.fillPath(arrow, QColor(0x20, 0xA0, 0x20));
    p.setPen(QPen(QColor(0x0C, 0x60, 0x0C), 1.0));
    p.drawPath(arrow);
    p.end();
    return QIcon(pixmap);
}
