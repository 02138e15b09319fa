#pragma once

#include <QLabel>

/// A one-line label whose text stays whole: when the text is wider than the label, it is
/// drawn in a smaller font (the count and the link were laid out for Tahoma; other fonts are
/// wider).
class FittingLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};

/// The community link: a label that reads as a link to a screen reader (accessibleparts.h).
class LinkLabel : public FittingLabel
{
    Q_OBJECT
public:
    using FittingLabel::FittingLabel;
};

/// A label whose text is news for the player (the entry count, the slot of the shown item).
/// Its accessible name is `spokenPrefix` followed by the text, or `spokenWhenEmpty`, and
/// every change of the text sends a name change event, so a screen reader can speak it. The
/// text it starts with is its name as it stands.
class StatusLabel : public FittingLabel
{
    Q_OBJECT
public:
    StatusLabel(const QString &text, const QString &spokenPrefix, const QString &spokenWhenEmpty,
                QWidget *parent = nullptr);

    /// Hides QLabel::setText: the window sets its status labels through this class.
    void setText(const QString &text);
    /// Shows `text`, and says `spoken` instead of the usual words until the next change.
    void setText(const QString &text, const QString &spoken);

private:
    QString m_spokenPrefix;
    QString m_spokenWhenEmpty;
};
