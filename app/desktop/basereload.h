#pragma once

// A changed staff base file read again in the background, while the window goes on answering
// from the base it has.

#include "base/staffbase.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <memory>

class BaseReader;

/// One reload at a time: a newer change supersedes the read still running, whose result is
/// then dropped; a failed read is tried again after growing pauses (a file that an outliner or
/// a virus scanner still holds opens a moment later) before the failure is handed on. Nobody
/// ever waits for a read: a superseded one finishes on its thread and is only joined then.
class BaseReload : public QObject
{
    Q_OBJECT
public:
    /// How a base file is read; throws TarnError with the system's words when it cannot be.
    using Reader = std::function<StaffBaseLoad(const QString &path)>;
    /// The pauses before the second, third and fourth try of a failed read.
    static constexpr std::array<int, 3> retryPausesMs = {200, 600, 1800};

    explicit BaseReload(QObject *parent = nullptr);
    ~BaseReload() override;

    /// The read's result, on the window's thread, with the path it was read from.
    std::function<void(const QString &path, StaffBaseLoad load)> onLoaded;
    /// Every try failed: the last try's message.
    std::function<void(const QString &path, const QString &message)> onFailed;

    /// Replaces how a file is read (the default checks that the file is there and reads it as
    /// the start-up does).
    void setReader(Reader reader) { m_reader = std::move(reader); }
    /// Reads `path` anew from the first try; a read or a retry still pending is superseded.
    void start(const QString &path);
    /// Drops the read in flight and any retry: their results are never handed on.
    void cancel();
    /// A read is running or a retry is waiting.
    bool pending() const { return m_running != nullptr || m_retry.isActive(); }

private:
    void read();
    void retire();
    void readDone(quint64 id);
    void readFailed(const QString &message);

    Reader m_reader;
    QString m_path;
    std::size_t m_tries = 0; ///< failed tries of the current path
    QTimer m_retry;
    quint64 m_lastId = 0;
    quint64 m_runningId = 0;
    std::unique_ptr<BaseReader> m_running;
    std::map<quint64, std::unique_ptr<BaseReader>> m_superseded; ///< still on their threads
};

/// What a reload reads: the base at `path`, which must be there. Throws TarnError "Cannot open
/// file ..." for a missing or unreadable file.
StaffBaseLoad readChangedBase(const QString &path);
