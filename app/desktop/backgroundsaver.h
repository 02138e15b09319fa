#pragma once

// Saves between closes: settings.ini and list.txt are written shortly after they change, so a
// crash, a killed process or a lost session costs at most the last moment's work.

#include "state/saveplan.h"

#include <QObject>
#include <QTimer>

class TForm1;

/// Watches the window for changes of the item list (the list widget's own model, which every
/// command that changes the list goes through) and of the settings (base path, prefix,
/// exchange operation, colours, window bounds). The first change starts a single-shot timer;
/// the changes that follow until it fires are written with it, by the same writes as the
/// close, each file only when its text changed. A change is therefore on disk at most
/// `delay` after it happened, however long a burst of changes goes on, and never written
/// inside the click that made it.
class BackgroundSaver : public QObject
{
    Q_OBJECT
public:
    static constexpr int delayMs = 500;

    /// Attached to `form` (its parent) after the start-up, which tells what the files hold.
    explicit BackgroundSaver(TForm1 &form);

    /// The window closed and wrote its files itself: a pending save is dropped.
    void stop() { m_timer.stop(); }
    /// Whether a save is waiting for its timer.
    bool pending() const { return m_timer.isActive(); }
    /// The timer's work at once: writes what changed since the last save.
    void saveNow();

signals:
    /// After every background save that had something to write, with what it did; `failed`
    /// when a write failed (its box is shown only for the first of a run of failures).
    void saved(const BackgroundSavePlan &plan, bool failed);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void changed();
    SavedList currentList() const;

    TForm1 &m_form;
    QTimer m_timer;
    WrittenState m_written;
    BackgroundSaveFailures m_failures;
    bool m_saving = false;
};
