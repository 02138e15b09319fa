// Files that fail under the program: saving where nothing can be written (a path under a file,
// a folder in the file's place, a read-only file system, a full disk), reading a file that
// cannot be read or that goes away or is replaced while it is read, and a process killed while
// it saves. Every failure must carry its message, and no list may be lost or half written.

#include "base/staffbase.h"
#include "cp1251.h"
#include "list/liststate.h"
#include "text/error.h"
#include "text/textfile.h"

#include "faultinjection.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using namespace faults;

namespace {

QStringList numberedList(int count, const QString &word)
{
    QStringList lines;
    lines.reserve(count);
    for (int i = 1; i <= count; ++i)
        lines.append(u"%1. %2 %3 [отл]"_s.arg(i).arg(word).arg(i * 7));
    return lines;
}

const QStringList kOldList = {u"шлем стража [отл]"_s, u"12. кольцо огня"_s, u"плащ"_s};

enum class SaveFault {
    UnderAFile,
    FolderInPlace,
    ProcFileSystem,
    ReadOnlyMount,
    FullTmpfs,
    FileSizeLimit,
    FilledTmpfs,
    NoByteMore
};
enum class ReadFault { Folder, Socket, NamedPipe, ReadError, Missing };
enum class StateFileKind { LinkOutside, DanglingLink, LinkToDevice, NamedPipe, Socket, Device };

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

/// The message of the TarnError `action` throws; empty when it throws none.
template<typename Action>
QString errorOf(Action action)
{
    try {
        action();
    } catch (const TarnError &e) {
        return e.message();
    }
    return QString();
}

/// "Cannot open file "path". reason" or "Cannot create file ..." with a reason given.
void checkMessage(const QString &message, const QString &verb, const QString &path)
{
    const QString head = u"Cannot %1 file \"%2\". "_s.arg(verb, path);
    QVERIFY2(message.startsWith(head), qPrintable(message));
    QVERIFY2(message.size() > head.size(), qPrintable(message));
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void failedSaveKeepsTheOldList_data()
    {
        QTest::addColumn<SaveFault>("fault");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("reason"); // the errno whose words the message must give; 0: any
        // A list large enough to overflow the small file systems, and a list of a few
        // kilobytes that the save file's buffer holds whole until the end.
        QTest::newRow("path under a file") << SaveFault::UnderAFile << 20000 << 0;
        QTest::newRow("folder in place of the file") << SaveFault::FolderInPlace << 20000 << 0;
        QTest::newRow("proc file system") << SaveFault::ProcFileSystem << 20000 << 0;
        QTest::newRow("read-only folder") << SaveFault::ReadOnlyMount << 20000 << 0;
        QTest::newRow("disk full (tmpfs)") << SaveFault::FullTmpfs << 20000 << ENOSPC;
        QTest::newRow("disk full (file size limit)") << SaveFault::FileSizeLimit << 20000 << EFBIG;
        QTest::newRow("small list, disk full (tmpfs)") << SaveFault::FilledTmpfs << 100 << ENOSPC;
        QTest::newRow("small list, no byte more") << SaveFault::NoByteMore << 100 << EFBIG;
        QTest::newRow("one entry, disk full (tmpfs)") << SaveFault::FilledTmpfs << 1 << ENOSPC;
    }
    void failedSaveKeepsTheOldList()
    {
        QFETCH(SaveFault, fault);
        QFETCH(int, entries);
        QFETCH(int, reason);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QString path = dir.filePath(u"list.txt"_s);
        bool hasOldList = false;
        std::unique_ptr<Scenery> scenery;
        const ListState newList = listStateOf(numberedList(entries, u"меч"_s));

        switch (fault) {
        case SaveFault::UnderAFile:
            writeBytes(dir.filePath(u"plain.txt"_s), "x");
            path = dir.filePath(u"plain.txt/list.txt"_s);
            break;
        case SaveFault::FolderInPlace: QVERIFY(QDir(dir.path()).mkdir(u"list.txt"_s)); break;
        case SaveFault::ProcFileSystem:
            if (!QFileInfo(u"/proc/self"_s).exists())
                QSKIP("no /proc file system here");
            path = u"/proc/tarnbook-list.txt"_s;
            break;
        case SaveFault::ReadOnlyMount: {
            const QString folder = dir.filePath(u"ro"_s);
            QVERIFY(QDir(dir.path()).mkdir(u"ro"_s));
            path = folder + u"/list.txt"_s;
            scenery = makeReadOnlyFolder(
                folder, [&] { writeTextFile(path, kOldList, TextEncoding::Ansi); });
            if (!scenery)
                QSKIP("cannot mount a read-only tmpfs here, and permission bits do not bind root");
            hasOldList = true;
            break;
        }
        case SaveFault::FullTmpfs: {
            const QString folder = dir.filePath(u"small"_s);
            QVERIFY(QDir(dir.path()).mkdir(u"small"_s));
            path = folder + u"/list.txt"_s;
            auto mount = std::make_unique<ScratchMount>(folder, u"size=64k"_s);
            if (!mount->mounted())
                QSKIP("cannot mount a tmpfs here; the file size limit case stands in");
            writeTextFile(path, kOldList, TextEncoding::Ansi);
            hasOldList = true;
            scenery = std::move(mount);
            break;
        }
        case SaveFault::FileSizeLimit:
        case SaveFault::NoByteMore:
#ifdef Q_OS_UNIX
            writeTextFile(path, kOldList, TextEncoding::Ansi);
            hasOldList = true;
            scenery = std::make_unique<FileSizeLimit>(fault == SaveFault::NoByteMore ? 0
                                                                                     : 64 * 1024);
            break;
#else
            QSKIP("no file size limit on this system");
#endif
        case SaveFault::FilledTmpfs: {
#ifdef Q_OS_UNIX
            const QString folder = dir.filePath(u"full"_s);
            QVERIFY(QDir(dir.path()).mkdir(u"full"_s));
            path = folder + u"/list.txt"_s;
            auto mount = std::make_unique<FullMount>(
                folder, [&] { writeTextFile(path, kOldList, TextEncoding::Ansi); });
            if (!mount->full())
                QSKIP("cannot mount and fill a tmpfs here; \"small list, no byte more\" stands in");
            hasOldList = true;
            scenery = std::move(mount);
            break;
#else
            QSKIP("no tmpfs on this system");
#endif
        }
        }
        const QByteArray oldBytes = hasOldList ? readFileBytes(path) : QByteArray();

        const ListState before = newList;
        const QString message = errorOf([&] { saveListFile(newList, path, TextEncoding::Ansi); });
        checkMessage(message, u"create"_s, path);
        if (reason != 0)
            QCOMPARE(message,
                     cannotCreateFileMessage(path, QString::fromLocal8Bit(strerror(reason))));
        QCOMPARE(newList, before);
        if (hasOldList) {
            QCOMPARE(readFileBytes(path), oldBytes);
            QCOMPARE(readTextFile(path).lines, kOldList);
            // No half-written temporary file stays beside it either.
            QStringList files = QDir(QFileInfo(path).path()).entryList(QDir::Files);
            files.removeOne(u"filler"_s);
            QCOMPARE(files, QStringList{u"list.txt"_s});
        }
        if (fault == SaveFault::FolderInPlace)
            QVERIFY(QFileInfo(path).isDir());
    }

    /// The program's own files are not written through a link nor in place of a device, a
    /// pipe or a socket: the message says why, and whatever stood there stays as it was. A
    /// file the user chose may be a link: it is written through.
    void stateFileRefusesLinksAndSpecialFiles_data()
    {
        QTest::addColumn<StateFileKind>("kind");
        QTest::newRow("link to a file outside") << StateFileKind::LinkOutside;
        QTest::newRow("link to nothing") << StateFileKind::DanglingLink;
        QTest::newRow("link to a device") << StateFileKind::LinkToDevice;
        QTest::newRow("named pipe") << StateFileKind::NamedPipe;
        QTest::newRow("socket") << StateFileKind::Socket;
        QTest::newRow("device") << StateFileKind::Device;
    }
    void stateFileRefusesLinksAndSpecialFiles()
    {
#ifdef Q_OS_UNIX
        QFETCH(StateFileKind, kind);
        QTemporaryDir work;
        QTemporaryDir outside;
        const QString path = work.filePath(u"list.txt"_s);
        const QString target = outside.filePath(u".profile"_s);
        const QByteArray targetBytes = "export PATH=$HOME/bin:$PATH\n";
        std::unique_ptr<Scenery> scenery;
        switch (kind) {
        case StateFileKind::LinkOutside:
            writeBytes(target, targetBytes);
            QVERIFY(QFile::link(target, path));
            break;
        case StateFileKind::DanglingLink: QVERIFY(QFile::link(target, path)); break;
        case StateFileKind::LinkToDevice: QVERIFY(QFile::link(u"/dev/null"_s, path)); break;
        case StateFileKind::NamedPipe: {
            auto pipe = std::make_unique<NamedPipe>(path);
            if (!pipe->made())
                QSKIP("cannot make a named pipe here");
            scenery = std::move(pipe);
            break;
        }
        case StateFileKind::Socket: {
            auto socket = std::make_unique<SocketFile>(path);
            if (!socket->bound())
                QSKIP("cannot bind a Unix socket here");
            scenery = std::move(socket);
            break;
        }
        case StateFileKind::Device:
            if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
                QSKIP("cannot make a device node here (needs root)");
            break;
        }
        const QFileInfo before(path);
        const QString linkTarget = before.symLinkTarget();

        const QString message = errorOf(
            [&] { writeStateFile(path, kOldList, TextEncoding::Ansi); });
        checkMessage(message, u"create"_s, path);
        const QFileInfo after(path);
        QCOMPARE(after.isSymLink(), before.isSymLink());
        QCOMPARE(after.symLinkTarget(), linkTarget);
        QCOMPARE(after.isFile(), before.isFile());
        QCOMPARE(QDir(work.path()).entryList(QDir::Files | QDir::System),
                 QStringList{u"list.txt"_s});
        if (kind == StateFileKind::LinkOutside)
            QCOMPARE(readFileBytes(target), targetBytes);
        if (kind == StateFileKind::DanglingLink)
            QVERIFY(!QFileInfo::exists(target));

        // A list file the user chose may be a link: it is written through.
        if (kind == StateFileKind::LinkOutside) {
            writeTextFile(path, kOldList, TextEncoding::Ansi);
            QVERIFY(QFileInfo(path).isSymLink());
            QCOMPARE(readTextFile(target).lines, kOldList);
        }
#else
        QSKIP("links, pipes and sockets are tried on Unix only");
#endif
    }

    void failedReadChangesNothing_data()
    {
        QTest::addColumn<ReadFault>("fault");
        QTest::newRow("folder") << ReadFault::Folder;
        QTest::newRow("socket") << ReadFault::Socket;
        QTest::newRow("named pipe") << ReadFault::NamedPipe;
        QTest::newRow("read error") << ReadFault::ReadError;
        QTest::newRow("gone before the read") << ReadFault::Missing;
    }
    void failedReadChangesNothing()
    {
        QFETCH(ReadFault, fault);
        QTemporaryDir dir;
        QString path = dir.filePath(u"list.txt"_s);
        std::unique_ptr<Scenery> scenery;
        switch (fault) {
        case ReadFault::Folder: QVERIFY(QDir(dir.path()).mkdir(u"list.txt"_s)); break;
        case ReadFault::Socket: {
#ifdef Q_OS_UNIX
            auto socket = std::make_unique<SocketFile>(path);
            if (!socket->bound())
                QSKIP("cannot bind a Unix socket here");
            scenery = std::move(socket);
            break;
#else
            QSKIP("no Unix sockets on this system");
#endif
        }
        case ReadFault::NamedPipe: {
#ifdef Q_OS_UNIX
            // Nobody writes to it: a read must not wait for a writer.
            auto pipe = std::make_unique<NamedPipe>(path);
            if (!pipe->made())
                QSKIP("cannot make a named pipe here");
            scenery = std::move(pipe);
            break;
#else
            QSKIP("no named pipes on this system");
#endif
        }
        case ReadFault::ReadError:
            // Opens, then fails at the first read: nothing is mapped at address 0.
            path = u"/proc/self/mem"_s;
            if (!QFileInfo(path).exists())
                QSKIP("no /proc file system here");
            break;
        case ReadFault::Missing: break;
        }

        ListState list = listStateOf(kOldList);
        QStringList names = {u"плащ"_s};
        const ListState listBefore = list;
        const QStringList namesBefore = names;
        checkMessage(errorOf([&] { loadListFile(list, names, path); }), u"open"_s, path);
        QCOMPARE(list, listBefore);
        QCOMPARE(names, namesBefore);
        checkMessage(errorOf([&] { readTextFile(path); }), u"open"_s, path);

        if (fault == ReadFault::Missing) {
            QVERIFY(LoadStaffBase(path).fileMissing);
        } else {
            StaffBaseLoad load;
            checkMessage(errorOf([&] { load = LoadStaffBase(path); }), u"open"_s, path);
        }
    }

    /// A list file larger than any real list is not read: the message gives the reason, and
    /// the list and ListedNames stay as they were. The files are sparse: no disk room is used.
    void oversizedListFileIsNotRead_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::newRow("one byte over the limit") << maxTextFileBytes + 1;
        QTest::newRow("2 GB") << qint64(2) * 1024 * 1024 * 1024;
    }
    void oversizedListFileIsNotRead()
    {
        QFETCH(qint64, size);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.txt"_s);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(size));
        }
        ListState list = listStateOf(kOldList);
        QStringList names = {u"плащ"_s};
        const ListState listBefore = list;
        const QStringList namesBefore = names;
        const QString message = errorOf([&] { loadListFile(list, names, path); });
        QCOMPARE(message, cannotOpenFileMessage(path, tooLargeTextFileReason()));
        QVERIFY(message.contains(u"файл слишком большой"_s));
        QCOMPARE(list, listBefore);
        QCOMPARE(names, namesBefore);
    }

    /// Another program deletes the file and puts it back, whole, by renaming a complete copy
    /// over it, again and again while the file is read. Each read gives the old text or the new
    /// one whole, or the file's message, or (for the staff base) finds no file.
    void fileDeletedOrReplacedWhileRead()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"staff.hjt"_s);
        const auto baseText = [](const QString &name, int count) {
            QStringList lines;
            for (int i = 0; i < count; ++i) {
                lines << u"Предмет '%1 %2', Тип предмета: Обычный"_s.arg(name).arg(i)
                      << u"мин.уровень %1"_s.arg(i % 50) << u"<end node> 5P9i0s8y19Z"_s;
            }
            return lines;
        };
        const QStringList versionA = baseText(u"меч"_s, 300);
        const QStringList versionB = baseText(u"щит"_s, 500);
        writeTextFile(path, versionA, TextEncoding::Utf8Bom);

        // Stops and joins the other thread however the test case ends.
        struct Changer
        {
            std::atomic<bool> stop{false};
            std::atomic<int> rounds{0};
            std::thread thread;
            ~Changer()
            {
                stop = true;
                if (thread.joinable())
                    thread.join();
            }
        } changer;
        changer.thread = std::thread([&] {
            int round = 0;
            while (!changer.stop.load()) {
                const QString spare = dir.filePath(u"spare.hjt"_s);
                try {
                    writeTextFile(spare, (round % 2) ? versionA : versionB, TextEncoding::Utf8Bom);
                } catch (const TarnError &) {
                    continue;
                }
                if (round % 3 == 0)
                    QFile::remove(path);
                std::rename(QFile::encodeName(spare).constData(),
                            QFile::encodeName(path).constData());
                ++round;
                ++changer.rounds;
            }
        });

        int whole = 0;
        int missing = 0;
        int failed = 0;
        // Reads until the file has changed 300 times, the file missing and whole in between.
        while (changer.rounds.load() < 300) {
            try {
                const StaffBaseLoad load = LoadStaffBase(path);
                if (load.fileMissing) {
                    ++missing;
                    continue;
                }
                const qsizetype items = load.index.size();
                QVERIFY2(items == 300 || items == 500, qPrintable(QString::number(items)));
                QCOMPARE(load.lines.lineCount(), items * 3);
                const TextFileLines list = readTextFile(path);
                QVERIFY(list.lines == versionA || list.lines == versionB);
                ++whole;
            } catch (const TarnError &e) {
                checkMessage(e.message(), u"open"_s, path);
                ++failed;
            }
        }
        qInfo("%d whole reads, %d without a file, %d failed with the message", whole, missing,
              failed);
        QVERIFY(whole > 0);
    }

#ifdef Q_OS_UNIX
    /// A staff base (and a list file) too large for the memory left: the file's message, never
    /// a crash, whatever step of the load runs out. Child processes load a 20 MB base with the
    /// address space limited to more and more above what they already use.
    void fileTooLargeForMemory()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer reserves its shadow memory up front: no address space limit fits");
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
        QSKIP("AddressSanitizer reserves its shadow memory up front: no address space limit fits");
#endif
#endif
        QTemporaryDir dir;
        const QString path = dir.filePath(u"staff.hjt"_s);
        qsizetype lineCount = 0;
        {
            const QByteArray record = cp1251(
                u"Предмет 'меч', Тип предмета: Обычный\r\nмин.уровень 5\r\n<end node>\r\n"_s);
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            for (qsizetype written = 0; written < 20 * 1024 * 1024; written += record.size()) {
                QCOMPARE(file.write(record), record.size());
                lineCount += 3;
            }
        }
        const QString message =
            u"Cannot open file \"%1\". The file is too large to hold in memory."_s.arg(path);
        int loaded = 0;
        int refused = 0;
        // Past about 60 MB more every load succeeds; the steps are fine enough to hit each
        // allocation of the load in turn.
        for (int extraMb = 0; extraMb <= 90; extraMb += 3) {
            for (const bool asList : {false, true}) {
                const pid_t child = fork();
                QVERIFY(child >= 0);
                if (child == 0) {
                    // 0: loaded whole, 1: refused with the message, anything else: wrong. A
                    // crash ends the child plainly, outside the test's own crash handler.
                    for (const int signal : {SIGSEGV, SIGABRT, SIGBUS, SIGILL, SIGFPE})
                        std::signal(signal, SIG_DFL);
                    long pages = 0;
                    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
                        if (std::fscanf(statm, "%ld", &pages) != 1)
                            pages = 0;
                        std::fclose(statm);
                    }
                    const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE))
                        + rlim_t(extraMb) * 1024 * 1024;
                    const rlimit bound{limit, limit};
                    setrlimit(RLIMIT_AS, &bound);
                    int code = 2;
                    try {
                        if (asList)
                            code = readTextFile(path).lines.size() == lineCount ? 0 : 3;
                        else
                            code = LoadStaffBase(path).index.size() == 1 ? 0 : 3;
                    } catch (const TarnError &e) {
                        code = e.message() == message ? 1 : 4;
                    } catch (...) {
                        code = 5;
                    }
                    _exit(code);
                }
                int status = 0;
                QCOMPARE(::waitpid(child, &status, 0), child);
                QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) <= 1,
                         qPrintable(
                             u"%1 with %2 MB more: %3 %4"_s.arg(asList ? u"list"_s : u"base"_s)
                                 .arg(extraMb)
                                 .arg(WIFEXITED(status) ? u"exit"_s : u"signal"_s)
                                 .arg(WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status))));
                ++(WEXITSTATUS(status) == 0 ? loaded : refused);
            }
        }
        qInfo("%d loads whole, %d refused with the message", loaded, refused);
        QVERIFY(refused > 0);
    }

    /// A process saving a large list is killed at random moments, many times over: the file is
    /// always one of the lists it was writing, whole, never a mix or a torn end.
    void killedWhileSaving()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.txt"_s);
        const QStringList listA = numberedList(30000, u"меч"_s);
        const QStringList listB = numberedList(25000, u"кольцо огня"_s);
        QRandomGenerator random(20240611);
        int kills = 0;
        int sawA = 0;
        int sawB = 0;
        int leftovers = 0;
        // The file holds a whole list before the first kill: every save is synced to the disk
        // before it takes the name, and a kill within the first save of a round would
        // otherwise find no file at all and check nothing.
        saveListFile(listStateOf(listA), path, TextEncoding::Ansi);
        for (int round = 0; round < 40; ++round) {
            const pid_t child = fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                // The saving process: alternates the two lists until it is killed.
                const ListState a = listStateOf(listA);
                const ListState b = listStateOf(listB);
                for (int k = 0;; ++k)
                    saveListFile(k % 2 ? b : a, path,
                                 k % 3 ? TextEncoding::Ansi : TextEncoding::Utf16LeBom);
            }
            QThread::usleep(1000 + random.bounded(80000));
            ::kill(child, SIGKILL);
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
            ++kills;

            QVERIFY(QFileInfo::exists(path));
            const TextFileLines saved = readTextFile(path);
            QVERIFY2(saved.lines == listA || saved.lines == listB,
                     qPrintable(u"round %1: %2 lines"_s.arg(round).arg(saved.lines.size())));
            ++(saved.lines == listA ? sawA : sawB);
            // The killed save's temporary file may stay; it never takes the list's name.
            const QStringList others = QDir(dir.path()).entryList(QDir::Files);
            leftovers = int(others.size()) - 1;
        }
        qInfo("%d kills; the list found whole %d times as the first list, %d as the second; "
              "%d temporary files left beside it",
              kills, sawA, sawB, leftovers);
    }
#endif
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
