#include "app/desktop/announcer.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QWidget>

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
namespace {

/// A note: a notification named by its message, whose parent is the window. It is no child of
/// the window, so walking the window's tree never meets it, and it is always showing.
class NoteReading : public QAccessibleObject
{
public:
    NoteReading(QObject *note, QWidget *window) : QAccessibleObject(note), m_window(window) {}

    void setMessage(const QString &message) { m_message = message; }

    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_window);
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? m_message : QString();
    }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override { return {}; }

private:
    QWidget *m_window;
    QString m_message;
};

constexpr qsizetype noteCount = 4;

} // namespace
#endif

Announcer::Announcer(QWidget *window)
    : QObject(window), m_window(window), m_send(&QAccessible::updateAccessibility)
{}

void Announcer::announce(const QString &message)
{
    if (message.isEmpty())
        return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(m_window, message);
    event.setPoliteness(QAccessible::AnnouncementPoliteness::Polite);
    m_send(&event);
#else
    if (m_notes.size() < noteCount) {
        auto *note = new QObject(this);
        // The accessibility cache owns the reading and deletes it with its note.
        QAccessible::registerAccessibleInterface(new NoteReading(note, m_window));
        m_notes.append(note);
    }
    QObject *note = m_notes[m_nextNote];
    m_nextNote = (m_nextNote + 1) % noteCount;
    auto *reading = static_cast<NoteReading *>(QAccessible::queryAccessibleInterface(note));
    reading->setMessage(message);
    QAccessibleEvent shown(reading, QAccessible::ObjectShow);
    m_send(&shown);
#endif
}
