#include "app/widgets/fittinglabel.h"

#include "app/widgets/fonts.h"

#include <QPainter>

StatusLabel::StatusLabel(const QString &text, const QString &spokenPrefix,
                         const QString &spokenWhenEmpty, QWidget *parent)
    : FittingLabel(text, parent), m_spokenPrefix(spokenPrefix), m_spokenWhenEmpty(spokenWhenEmpty)
{
    // The text it starts with is a caption ("Слот"), said as it stands.
    setAccessibleName(text.isEmpty() ? spokenWhenEmpty : text);
}

void StatusLabel::setText(const QString &text)
{
    setText(text, text.isEmpty() ? m_spokenWhenEmpty : m_spokenPrefix + text);
}

void StatusLabel::setText(const QString &text, const QString &spoken)
{
    QLabel::setText(text);
    if (spoken == accessibleName())
        return;
    // Qt sends the name change event (QAccessible::NameChanged) to assistive technology.
    setAccessibleName(spoken);
}

void FittingLabel::paintEvent(QPaintEvent *event)
{
    const QRect area = contentsRect();
    if (fontMetrics().horizontalAdvance(text()) <= area.width()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setFont(fontFittingWidth(font(), text(), area.width()));
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(area, int(alignment()) | Qt::TextSingleLine, text());
}
