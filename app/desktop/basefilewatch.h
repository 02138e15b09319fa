#pragma once

// The staff base file watched for changes that other programs make to it, so that the base
// in the window follows the file while the player edits it in an outliner.

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

/// Watches one file and its folder (an editor often saves by writing a new file and renaming
/// it over the old one, which a watch on the file alone loses). A change is told once the file
/// has stood still, the same size and time at two looks `settleMs` apart, so a half-written
/// file is never read; and only when the file then differs from what was last told or loaded.
class BaseFileWatch : public QObject
{
    Q_OBJECT
public:
    static constexpr int settleMs = 300;

    explicit BaseFileWatch(QObject *parent = nullptr);

    /// Watches `path` from now on, the file as it stands now being the one loaded.
    void watch(const QString &path);
    /// The file watched, as an absolute path; empty when none.
    const QString &path() const { return m_path; }

signals:
    /// The file changed, appeared or went, and has stood still since.
    void settledChange();

private:
    /// What tells one state of the file from another.
    struct Stamp
    {
        bool exists = false;
        qint64 size = 0;
        QDateTime modified;
        bool operator==(const Stamp &) const = default;
    };
    Stamp stampNow() const;
    void somethingChanged();
    void look();
    /// The file is watched again after it was replaced or came back.
    void watchFileAgain();

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QString m_path;
    Stamp m_told; ///< the file as last loaded or told
    Stamp m_seen; ///< the file at the last look
};
