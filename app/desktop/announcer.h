#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QAccessibleEvent;
class QWidget;

/// Tells a screen reader, politely and without moving the focus, what a command did.
///
/// With Qt 6.8 or newer it sends Qt's announcement event, which reaches UI Automation on
/// Windows as a notification and AT-SPI as an announcement. Older Qt has no such event: there
/// the window's notes speak, objects of the notification role outside the window's tree; the
/// note that carries a message becomes showing, and a screen reader speaks a notification
/// when it becomes showing (Orca as it speaks the desktop's notifications).
class Announcer : public QObject
{
    Q_OBJECT
public:
    /// The announcements come from `window`, which owns the announcer.
    explicit Announcer(QWidget *window);

    void announce(const QString &message);

    /// Where the events go: QAccessible::updateAccessibility, or what a test puts in its place.
    using Sender = std::function<void(QAccessibleEvent *)>;
    void setSender(Sender send) { m_send = std::move(send); }

private:
    QWidget *m_window;
    Sender m_send;
    /// The notes, used in turn: a screen reader reads a note's words when it takes up the
    /// event, maybe after the next message came, so each message has a note of its own until
    /// the others have been used.
    QList<QObject *> m_notes;
    qsizetype m_nextNote = 0;
};
