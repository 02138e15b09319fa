#pragma once

// Ways to make file operations fail on purpose, for the fault tests. They hold for root too,
// who ignores permission bits: a read-only file system and a full disk come from a small
// tmpfs where mounting is allowed, a full disk also from a file size limit, which binds every
// user; a Unix socket is a name that exists but cannot be opened as a file.

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace faults {

/// Runs a program, its output kept out of the test log; true when it ran and succeeded.
inline bool runQuietly(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

/// Whatever a test case set up around a file, undone when the case ends.
class Scenery
{
public:
    virtual ~Scenery() = default;
};

/// A tmpfs mounted on `folder` with mount `options` ("size=64k") for the life of the object;
/// mounted() is false where the machine does not allow it.
class ScratchMount : public Scenery
{
public:
    ScratchMount(const QString &folder, const QString &options) : m_folder(folder)
    {
        m_mounted = runQuietly(QStringLiteral("mount"),
                               {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                options, QStringLiteral("tmpfs"), folder});
    }
    ~ScratchMount() override
    {
        if (m_mounted)
            runQuietly(QStringLiteral("umount"), {QStringLiteral("-l"), m_folder});
    }
    bool mounted() const { return m_mounted; }
    bool makeReadOnly()
    {
        return runQuietly(QStringLiteral("mount"),
                          {QStringLiteral("-o"), QStringLiteral("remount,ro"), m_folder});
    }

private:
    QString m_folder;
    bool m_mounted = false;
};

/// Permission bits that forbid writing into `folder`, restored at the end; binding() is false
/// where they do not bind (root).
class ReadOnlyPermissions : public Scenery
{
public:
    explicit ReadOnlyPermissions(const QString &folder)
        : m_folder(folder), m_old(QFile::permissions(folder))
    {
        QFile::setPermissions(
            folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser | QFile::ExeUser);
        QFile probe(folder + QStringLiteral("/probe"));
        m_binding = !probe.open(QIODevice::WriteOnly);
        if (!m_binding)
            probe.remove();
    }
    ~ReadOnlyPermissions() override { QFile::setPermissions(m_folder, m_old); }
    bool binding() const { return m_binding; }

private:
    QString m_folder;
    QFile::Permissions m_old;
    bool m_binding = false;
};

/// `folder` (existing, empty) made read-only after `prepare` has written what it needs into
/// it: a tmpfs remounted read-only where mounting is allowed, else permission bits where they
/// bind. Null where neither is possible (root without the right to mount).
template<typename Prepare>
std::unique_ptr<Scenery> makeReadOnlyFolder(const QString &folder, Prepare prepare)
{
    auto mount = std::make_unique<ScratchMount>(folder, QStringLiteral("size=4m"));
    if (mount->mounted()) {
        prepare();
        if (mount->makeReadOnly())
            return mount;
        return nullptr;
    }
    prepare();
    auto permissions = std::make_unique<ReadOnlyPermissions>(folder);
    if (permissions->binding())
        return permissions;
    return nullptr;
}

#ifdef Q_OS_UNIX
/// Files may not grow past `bytes` while the object lives: a write beyond fails as on a full
/// disk (EFBIG; SIGXFSZ is ignored meanwhile).
class FileSizeLimit : public Scenery
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() override
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

/// A tmpfs of `options` mounted on `folder` and filled to its last byte, once `prepare` has
/// written what it needs into it: a file too small for any write then fails for want of room.
/// mounted() is false where the machine does not allow mounting.
class FullMount : public Scenery
{
public:
    template<typename Prepare>
    FullMount(const QString &folder, Prepare prepare) : m_mount(folder, QStringLiteral("size=64k"))
    {
        if (!m_mount.mounted())
            return;
        prepare();
        const QByteArray filler = QFile::encodeName(folder + QStringLiteral("/filler"));
        const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0)
            return;
        // Whole pages first, then single bytes, until the file system has no room left.
        const QByteArray page(4096, 'x');
        for (const qsizetype piece : {page.size(), qsizetype(1)}) {
            while (::write(fd, page.constData(), size_t(piece)) == ssize_t(piece)) {}
        }
        m_full = errno == ENOSPC;
        ::close(fd);
    }
    /// Mounted and full: a new file gets no byte.
    bool full() const { return m_full; }

private:
    ScratchMount m_mount;
    bool m_full = false;
};

/// A full disk in `folder` (existing, empty), after `prepare` has written what it needs into
/// it: a small tmpfs filled up where mounting is allowed, else a file size limit that lets no
/// file grow by a byte. `reason` gets the system's words for the failure that follows.
template<typename Prepare>
std::unique_ptr<Scenery> makeFullFolder(const QString &folder, Prepare prepare, QString *reason)
{
    auto mount = std::make_unique<FullMount>(folder, prepare);
    if (mount->full()) {
        *reason = QString::fromLocal8Bit(std::strerror(ENOSPC));
        return mount;
    }
    mount.reset(); // what `prepare` wrote went with the mount, if there was one
    prepare();
    *reason = QString::fromLocal8Bit(std::strerror(EFBIG));
    return std::make_unique<FileSizeLimit>(0);
}

/// A Unix socket bound at `path`: a name that exists and is no folder, but that cannot be
/// opened as a file.
class SocketFile : public Scenery
{
public:
    explicit SocketFile(const QString &path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (m_fd >= 0 && name.size() < qsizetype(sizeof(address.sun_path))) {
            std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
            m_bound = ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
        }
    }
    ~SocketFile() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool bound() const { return m_bound; }

private:
    int m_fd = -1;
    bool m_bound = false;
};

/// A named pipe at `path` that no program writes to: opening it for reading waits for a
/// writer. Should a read wait all the same, a writer comes every `patience` and goes at once,
/// so that the read ends (empty) and the test fails instead of hanging.
class NamedPipe : public Scenery
{
public:
    explicit NamedPipe(const QString &path,
                       std::chrono::milliseconds patience = std::chrono::seconds(5))
        : m_path(QFile::encodeName(path))
    {
        m_made = ::mkfifo(m_path.constData(), 0600) == 0;
        if (!m_made)
            return;
        m_writer = std::thread([this, patience] {
            std::unique_lock<std::mutex> lock(m_mutex);
            while (!m_done) {
                if (m_wake.wait_for(lock, patience, [this] { return m_done; }))
                    break;
                const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    ::close(fd);
                    ++m_releases;
                }
            }
        });
    }
    ~NamedPipe() override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        if (m_writer.joinable())
            m_writer.join();
    }
    bool made() const { return m_made; }
    /// How often a waiting read had to be let go.
    int releases()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_releases;
    }

private:
    QByteArray m_path;
    bool m_made = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    int m_releases = 0;
    std::thread m_writer;
};
#endif

} // namespace faults
