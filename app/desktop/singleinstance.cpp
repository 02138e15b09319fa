#include "app/desktop/singleinstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSysInfo>

#include <iterator>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

using namespace Qt::StringLiterals;

namespace {

const QString lockFileName = u"tarnbook.lock"_s;
const QByteArray showRequest = "show\n";
const QByteArray shownAnswer = "ok\n";
constexpr int answerWaitMs = 2000;

/// A lock file whose holder cannot be read (left empty by a power cut between its creation
/// and its first write) is taken over once it is this old: a running copy writes its lock
/// file at once.
constexpr qint64 unreadableLockAgeMs = 10000;

/// The host name as a lock file records it: Windows' computer name there, the host name
/// elsewhere.
QString lockHostName()
{
#ifdef Q_OS_WIN
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = DWORD(std::size(name));
    return GetComputerNameW(name, &size) ? QString::fromWCharArray(name, int(size)) : QString();
#else
    return QSysInfo::machineHostName();
#endif
}

} // namespace

QString alreadyRunningMessage()
{
    return u"Tarnbook уже запущен в этой папке"_s;
}

SingleInstance::SingleInstance(const QString &folder)
    : m_folder(folder), m_lock(QDir(folder).filePath(lockFileName))
{
    // The program runs for hours: its lock never grows stale by age. One whose process is
    // gone is stale at once.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Claim SingleInstance::claim()
{
    if (m_lock.tryLock(0))
        return Claim::Owned;
    if (m_lock.error() != QLockFile::LockFailedError)
        return Claim::Unavailable;
    qint64 pid = 0;
    QString host;
    QString application;
    const QFileInfo lockFile(QDir(m_folder).filePath(lockFileName));
    if (!m_lock.getLockInfo(&pid, &host, &application)) {
        if (lockFile.lastModified().msecsTo(QDateTime::currentDateTime()) > unreadableLockAgeMs
            && QFile::remove(lockFile.filePath()) && m_lock.tryLock(0))
            return Claim::Owned;
        return Claim::HeldByOtherCopy;
    }
    // A copy that ended without removing its lock may have had the process number this copy
    // has now (Wine hands out the same small numbers again after a restart, Windows may after
    // a reboot), and then the lock looks held by a live copy of the program. No other copy can
    // hold a lock under this process's own number.
    if (pid == QCoreApplication::applicationPid() && host == lockHostName()
        && m_lock.removeStaleLockFile() && m_lock.tryLock(0))
        return Claim::Owned;
    return Claim::HeldByOtherCopy;
}

QString SingleInstance::serverName(const QString &folder)
{
    QString path = QFileInfo(folder).canonicalFilePath();
    if (path.isEmpty())
        path = QFileInfo(folder).absoluteFilePath();
#ifdef Q_OS_WIN
    // One folder, whatever the letter case it was reached by.
    path = path.toLower();
#endif
    const QByteArray digest = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256);
    return u"tarnbook-"_s + QString::fromLatin1(digest.toHex().left(32));
}

bool SingleInstance::listen()
{
    const QString name = serverName(m_folder);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // This copy holds the lock: a socket of that name was left by a copy that is gone.
    QLocalServer::removeServer(name);
    if (!m_server->listen(name)) {
        m_server.reset();
        return false;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::readRequests);
    return true;
}

void SingleInstance::readRequests()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                // Nothing but the one short request is ever sent.
                if (socket->bytesAvailable() > showRequest.size())
                    socket->abort();
                return;
            }
            if (socket->readLine(showRequest.size() + 1) != showRequest) {
                socket->abort();
                return;
            }
            socket->write(shownAnswer);
            socket->flush();
            emit activationRequested();
        });
    }
}

bool SingleInstance::askRunningCopyToShow()
{
#ifdef Q_OS_WIN
    // Windows lets only the program the player just started give the foreground away.
    qint64 pid = 0;
    QString host;
    QString application;
    if (m_lock.getLockInfo(&pid, &host, &application))
        AllowSetForegroundWindow(DWORD(pid));
#endif
    QLocalSocket socket;
    socket.connectToServer(serverName(m_folder));
    if (!socket.waitForConnected(answerWaitMs))
        return false;
    socket.write(showRequest);
    if (!socket.waitForBytesWritten(answerWaitMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(answerWaitMs))
            return false;
    }
    return socket.readLine(shownAnswer.size() + 1) == shownAnswer;
}
