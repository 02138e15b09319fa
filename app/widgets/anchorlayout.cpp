#include "app/widgets/anchorlayout.h"

#include <QWidgetItem>

#include <algorithm>

namespace {

/// One axis: where a span of the design starts and how long it is at the current size.
/// `grow` is how much larger the area is than the design (negative when smaller).
std::pair<int, int> placeOnAxis(int designStart, int designLength, bool nearAnchor, bool farAnchor,
                                int grow)
{
    if (nearAnchor && farAnchor)
        return {designStart, std::max(0, designLength + grow)};
    if (farAnchor)
        return {designStart + grow, designLength};
    if (nearAnchor)
        return {designStart, designLength};
    return {designStart + grow / 2, designLength}; // anchored to neither: keeps its centre
}

} // namespace

AnchorLayout::AnchorLayout(QSize designSize, QWidget *parent)
    : QLayout(parent), m_designSize(designSize)
{
    setContentsMargins(0, 0, 0, 0);
}

AnchorLayout::~AnchorLayout()
{
    for (const Entry &entry : std::as_const(m_entries))
        delete entry.item;
}

void AnchorLayout::addAnchored(QWidget *widget, QRect designRect, Anchors anchors)
{
    addChildWidget(widget);
    m_entries.append({new QWidgetItem(widget), designRect, anchors, false});
    invalidate();
}

void AnchorLayout::addFittingText(QWidget *widget, QRect designRect, Anchors anchors, int maxWidth)
{
    addAnchored(widget, designRect, anchors);
    m_entries.last().fitText = true;
    m_entries.last().maxWidth = maxWidth;
}

void AnchorLayout::addItem(QLayoutItem *item)
{
    m_entries.append({item, item->geometry(), {Left, Top}, false});
}

QLayoutItem *AnchorLayout::itemAt(int index) const
{
    return index >= 0 && index < m_entries.size() ? m_entries.at(index).item : nullptr;
}

QLayoutItem *AnchorLayout::takeAt(int index)
{
    if (index < 0 || index >= m_entries.size())
        return nullptr;
    return m_entries.takeAt(index).item;
}

int AnchorLayout::count() const
{
    return int(m_entries.size());
}

QSize AnchorLayout::sizeHint() const
{
    return m_designSize;
}

QSize AnchorLayout::minimumSize() const
{
    // Small enough to shrink the window freely, large enough that no control turns inside out.
    return {m_designSize.width() / 3, m_designSize.height() / 3};
}

void AnchorLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    const int growX = rect.width() - m_designSize.width();
    const int growY = rect.height() - m_designSize.height();
    for (const Entry &entry : std::as_const(m_entries)) {
        QRect d = entry.designRect;
        if (entry.fitText) {
            const int textWidth = std::min(entry.item->sizeHint().width(), entry.maxWidth);
            if (textWidth > d.width()) {
                if (entry.anchors.testFlag(Right) && !entry.anchors.testFlag(Left))
                    d.setLeft(d.right() + 1 - textWidth);
                else
                    d.setWidth(textWidth);
            }
        }
        const auto [x, width] = placeOnAxis(d.x(), d.width(), entry.anchors.testFlag(Left),
                                            entry.anchors.testFlag(Right), growX);
        const auto [y, height] = placeOnAxis(d.y(), d.height(), entry.anchors.testFlag(Top),
                                             entry.anchors.testFlag(Bottom), growY);
        entry.item->setGeometry(QRect(rect.x() + x, rect.y() + y, width, height));
    }
}
