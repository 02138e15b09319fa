#include "app/widgets/colourpicker.h"

#include "app/widgets/fonts.h"
#include "state/colournames.h"

#include <QAccessible>
#include <QPainter>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

constexpr quint32 defaultColourValue = 0x20000000u;
constexpr quint32 noColourValue = 0x1FFFFFFFu;
constexpr int valueRole = Qt::UserRole;

/// The palette colour that plays the part of a desktop system colour (by its index).
QColor systemColour(int index, const QPalette &palette)
{
    switch (index) {
    case 0: return palette.color(QPalette::Button);                      // clScrollBar
    case 1: return palette.color(QPalette::Dark);                        // clBackground
    case 2: return palette.color(QPalette::Active, QPalette::Highlight); // clActiveCaption
    case 3: return palette.color(QPalette::Mid);                         // clInactiveCaption
    case 4: return palette.color(QPalette::Window);                      // clMenu
    case 5: return palette.color(QPalette::Base);                        // clWindow
    case 6: return palette.color(QPalette::Shadow);                      // clWindowFrame
    case 7: return palette.color(QPalette::WindowText);                  // clMenuText
    case 8: return palette.color(QPalette::Text);                        // clWindowText
    case 9: return palette.color(QPalette::HighlightedText);             // clCaptionText
    case 10: return palette.color(QPalette::Button);                     // clActiveBorder
    case 11: return palette.color(QPalette::Button);                     // clInactiveBorder
    case 12: return palette.color(QPalette::Dark);                       // clAppWorkSpace
    case 13: return palette.color(QPalette::Highlight);                  // clHighlight
    case 14: return palette.color(QPalette::HighlightedText);            // clHighlightText
    case 15: return palette.color(QPalette::Button);                     // clBtnFace
    case 16: return palette.color(QPalette::Dark);                       // clBtnShadow
    case 17: return palette.color(QPalette::Disabled, QPalette::Text);   // clGrayText
    case 18: return palette.color(QPalette::ButtonText);                 // clBtnText
    case 19:
        return palette.color(QPalette::Inactive, QPalette::WindowText); // clInactiveCaptionText
    case 20: return palette.color(QPalette::Light);                     // clBtnHighlight
    case 21: return palette.color(QPalette::Shadow);                    // cl3DDkShadow
    case 22: return palette.color(QPalette::Midlight);                  // cl3DLight
    case 23: return palette.color(QPalette::ToolTipText);               // clInfoText
    case 24: return palette.color(QPalette::ToolTipBase);               // clInfoBk
    case 26: return palette.color(QPalette::Link);                      // clHotLight
    case 27: return palette.color(QPalette::Highlight).lighter(140);    // clGradientActiveCaption
    case 28: return palette.color(QPalette::Mid).lighter(120);          // clGradientInactiveCaption
    case 29: return palette.color(QPalette::Highlight);                 // clMenuHighlight
    case 30: return palette.color(QPalette::Window);                    // clMenuBar
    default: return palette.color(QPalette::Window);
    }
}

/// Draws a swatch and a name into `rect`, as every row of the picker shows them.
void drawColourRow(QPainter &painter, const QRect &rect, const QColor &colour, const QString &name,
                   const QColor &textColour)
{
    const int side = std::min(rect.height() - 4, 14);
    const QRect swatch(rect.left() + 2, rect.top() + (rect.height() - side) / 2, side, side);
    painter.save();
    painter.fillRect(swatch, colour.isValid() ? colour : QColor(Qt::transparent));
    painter.setPen(Qt::black);
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    painter.setPen(textColour);
    const QRect textRect = rect.adjusted(swatch.width() + 5, 0, 0, 0);
    painter.setFont(fontFittingWidth(painter.font(), name, textRect.width()));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(name, Qt::ElideRight, textRect.width()));
    painter.restore();
}

/// Paints the rows of the drop-down list: swatch and identifier.
class ColourRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : nullptr;
        if (style)
            style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const quint32 value = index.data(valueRole).toUInt();
        drawColourRow(*painter, option.rect, displayColour(value, option.palette),
                      index.data(Qt::DisplayRole).toString(),
                      option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += size.height() + 10;
        return size;
    }
};

} // namespace

QColor displayColour(quint32 value, const QPalette &palette)
{
    if (value == defaultColourValue || value == noColourValue)
        return {};
    if (isSystemColour(value))
        return systemColour(int(value & 0xFFu), palette);
    return QColor(int(value & 0xFFu), int((value >> 8) & 0xFFu), int((value >> 16) & 0xFFu));
}

ColourPicker::ColourPicker(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    setItemDelegate(new ColourRowDelegate(this));
    for (const NamedColour &colour : pickerColours())
        addItem(colour.identifier, QVariant::fromValue(colour.value));
    connect(this, &QComboBox::activated, this, [this] { emit colourChanged(); });
    // Its name holds its colour (accessibleparts.h): a new colour is a new name.
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&nameChanged);
    });
}

quint32 ColourPicker::selectedColour() const
{
    return currentIndex() >= 0 ? currentData(valueRole).toUInt() : m_unlisted;
}

void ColourPicker::setSelectedColour(quint32 value)
{
    m_unlisted = value;
    setCurrentIndex(findData(QVariant::fromValue(value), valueRole));
    update();
}

void ColourPicker::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                QStyle::SC_ComboBoxEditField, this);
    const quint32 value = selectedColour();
    const QString name = currentIndex() >= 0 ? currentText() : colourToName(value);
    drawColourRow(painter, field, displayColour(value, palette()), name,
                  palette().color(QPalette::ButtonText));
}
