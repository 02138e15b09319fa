#include "app/widgets/slotpictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace {

using DrawPicture = std::function<void(QPainter &)>;

/// The picture drawn anew for every common display scaling, from 100 % to 300 %, so that a
/// scaled window shows it sharp rather than a 16 x 16 bitmap blown up.
QIcon pictureForEveryScaling(const DrawPicture &draw)
{
    QIcon icon;
    for (const qreal ratio : {1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0}) {
        const int side = qRound(16 * ratio);
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        pixmap.setDevicePixelRatio(ratio);
        QPainter p(&pixmap);
        p.scale(side / (16.0 * ratio), side / (16.0 * ratio)); // a whole number of pixels
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void drawFloppyDisk(QPainter &p)
{
    // Body with a cut corner.
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.fillPath(body, QColor(0x2F, 0x4F, 0x9F));
    p.setPen(QPen(QColor(0x10, 0x20, 0x50), 1.0));
    p.drawPath(body);
    // Metal shutter with its window.
    p.fillRect(QRectF(4, 2, 8, 5), QColor(0xD8, 0xD8, 0xD8));
    p.fillRect(QRectF(9, 3, 2, 3), QColor(0x2F, 0x4F, 0x9F));
    // Paper label.
    p.fillRect(QRectF(3, 9, 10, 5), Qt::white);
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1.0));
    p.drawLine(QLineF(4, 11.5, 12, 11.5));
}

void drawDocumentWithArrow(QPainter &p)
{
    // Sheet of paper with a folded corner.
    const QPolygonF sheet({QPointF(2.5, 1.5), QPointF(9.5, 1.5), QPointF(12.5, 4.5),
                           QPointF(12.5, 14.5), QPointF(2.5, 14.5)});
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1.0));
    p.setBrush(Qt::white);
    p.drawPolygon(sheet);
    p.drawPolyline(QPolygonF({QPointF(9.5, 1.5), QPointF(9.5, 4.5), QPointF(12.5, 4.5)}));
    p.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), 1.0));
    for (int y = 6; y <= 12; y += 2)
        p.drawLine(QLineF(4, y + 0.5, 9, y + 0.5));
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
}

} // namespace

QIcon saveSlotPicture()
{
    return pictureForEveryScaling(drawFloppyDisk);
}

QIcon loadSlotPicture()
{
    return pictureForEveryScaling(drawDocumentWithArrow);
}
