#pragma once

#include <QLayout>
#include <QList>
#include <QRect>
#include <QWidget>

/// Places widgets as the form designer did: each at its rectangle in a design-size client
/// area, keeping its distance to the edges it is anchored to when the area is resized. A
/// widget anchored to both opposite edges stretches; one anchored only right (or bottom)
/// moves with that edge.
class AnchorLayout : public QLayout
{
    Q_OBJECT
public:
    enum Anchor { Left = 1, Top = 2, Right = 4, Bottom = 8 };
    Q_DECLARE_FLAGS(Anchors, Anchor)

    AnchorLayout(QSize designSize, QWidget *parent);
    ~AnchorLayout() override;

    void addAnchored(QWidget *widget, QRect designRect, Anchors anchors = {Left, Top});
    /// As addAnchored, for a label or check box that widens to show its whole text (fonts
    /// differ between desktops), up to `maxWidth` (the room before its neighbour). It keeps
    /// its left edge, or its right edge when anchored only to the right.
    void addFittingText(QWidget *widget, QRect designRect, Anchors anchors = {Left, Top},
                        int maxWidth = QWIDGETSIZE_MAX);

    void addItem(QLayoutItem *item) override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;

private:
    struct Entry
    {
        QLayoutItem *item;
        QRect designRect;
        Anchors anchors;
        bool fitText;
        int maxWidth = QWIDGETSIZE_MAX;
    };
    QSize m_designSize;
    QList<Entry> m_entries;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(AnchorLayout::Anchors)
