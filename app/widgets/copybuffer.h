#pragma once

#include <QObject>
#include <QStringList>

/// A hidden copy buffer: the lines a command last put in it, held as a list, since only the
/// clipboard text is ever made from them. It is no widget: it never shows, takes no focus and
/// stays out of the accessibility tree and the tab order.
class CopyBuffer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void setLines(const QStringList &lines) { m_lines = lines; }
    const QStringList &lines() const { return m_lines; }

private:
    QStringList m_lines;
};
