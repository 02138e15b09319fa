#pragma once

// One program per working folder: a lock file beside settings.ini, and a local socket over
// which a second copy started in the same folder asks the running one to come to the front.

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Claim {
        Owned,           ///< this copy holds the folder's lock
        HeldByOtherCopy, ///< a running copy holds it
        Unavailable,     ///< no lock can be made here (a read-only folder): run without one
    };

    /// The lock file "tarnbook.lock" in `folder`; a lock left by a copy that is gone (a crash,
    /// a killed process) is taken over.
    explicit SingleInstance(const QString &folder);
    ~SingleInstance() override;

    Claim claim();
    /// Held by this copy: answers the requests of later copies with `activationRequested`.
    /// False when the socket could not be opened (later copies then just exit).
    bool listen();
    /// Held by another copy: asks it to come to the front; false when it cannot be reached.
    bool askRunningCopyToShow();

    /// The name of the folder's local socket, the same for every path of one folder.
    static QString serverName(const QString &folder);

signals:
    /// A second copy started in this folder.
    void activationRequested();

private:
    void readRequests();

    QString m_folder;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};

/// What a second copy tells the player.
QString alreadyRunningMessage();
