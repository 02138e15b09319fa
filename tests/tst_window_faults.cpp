// The window when files fail: every failed save or read shows its message in the error box,
// the window goes on working, and no list is lost.

#include "app/form/Unit1.h"
#include "app/widgets/fittinglabel.h"
#include "fakeuiservices.h"
#include "faultinjection.h"
#include "text/error.h"
#include "text/textfile.h"
#include "windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace faults;

namespace {

const QStringList kOldList = {u"шлем стража [отл]"_s, u"12. кольцо огня"_s, u"плащ"_s};

/// A window working in `folder` (a fresh temporary folder when empty), with desktop services
/// that never block.
struct Window
{
    QTemporaryDir dir;
    QString oldFolder = QDir::currentPath();
    FakeUiServices services;
    std::unique_ptr<TForm1> form;

    explicit Window(const QString &folder = QString())
    {
        QDir::setCurrent(folder.isEmpty() ? dir.path() : folder);
        form = std::make_unique<TForm1>(&services);
        form->CheckBox2->setChecked(false);
    }
    ~Window()
    {
        form.reset();
        QDir::setCurrent(oldFolder);
    }

    QStringList entries() const { return listEntries(form->ListBox1); }
    void paste(const QString &text)
    {
        services.clipboard = text;
        QTest::mouseClick(form->Button1, Qt::LeftButton);
    }
    /// The window still works after a failure: a paste adds its entry and sets the count.
    void checkUsable()
    {
        const qsizetype errors = services.errors.size();
        const QStringList before = entries();
        paste(u"новый предмет"_s);
        QCOMPARE(entries(), before + QStringList{u"новый предмет"_s});
        QCOMPARE(form->Label1->text(), u"%1 предметов"_s.arg(before.size() + 1));
        QCOMPARE(services.errors.size(), errors);
    }
};

/// The one error the last action showed starts with `head` and gives a reason after it.
void checkOneError(const FakeUiServices &services, const QString &head)
{
    QCOMPARE(services.errors.size(), 1);
    QVERIFY2(services.errors.first().startsWith(head), qPrintable(services.errors.first()));
    QVERIFY2(services.errors.first().size() > head.size(), qPrintable(services.errors.first()));
}

QString cannotCreate(const QString &path)
{
    return u"Cannot create file \"%1\". "_s.arg(path);
}

QString cannotOpen(const QString &path)
{
    return u"Cannot open file \"%1\". "_s.arg(path);
}

/// A list of `count` numbered entries as the game prints them.
QString pastedList(int count)
{
    QString text;
    for (int i = 1; i <= count; ++i)
        text += u"%1. меч огня номер %2\r\n"_s.arg(i).arg(i);
    return text;
}

enum class SaveFault { UnderAFile, FolderInPlace, ProcFileSystem, ReadOnlyFolder, FullDisk };
enum class ReadFault { QuickSlotSocket, QuickSlotPipe, ListFileReadError, BaseSocket, BaseFolder };

} // namespace

class TestWindowFaults : public QObject
{
    Q_OBJECT

private slots:
    /// "Сохранить список" where the file cannot be written: the message, the list as it was,
    /// an old file whole.
    void listFileSaveFails_data()
    {
        QTest::addColumn<SaveFault>("fault");
        QTest::newRow("path under a file") << SaveFault::UnderAFile;
        QTest::newRow("folder in place of the file") << SaveFault::FolderInPlace;
        QTest::newRow("proc file system") << SaveFault::ProcFileSystem;
        QTest::newRow("read-only folder") << SaveFault::ReadOnlyFolder;
        QTest::newRow("disk full") << SaveFault::FullDisk;
    }
    void listFileSaveFails()
    {
        QFETCH(SaveFault, fault);
        Window w;
        w.paste(pastedList(fault == SaveFault::FullDisk ? 3000 : 3));
        const QStringList list = w.entries();
        QString chosen = w.dir.filePath(u"мой список.txt"_s);
        std::unique_ptr<Scenery> scenery;
        bool hasOldFile = false;
        switch (fault) {
        case SaveFault::UnderAFile:
            writeTextFile(w.dir.filePath(u"plain.txt"_s), {u"x"_s}, TextEncoding::Ansi);
            chosen = w.dir.filePath(u"plain.txt/мой список.txt"_s);
            break;
        case SaveFault::FolderInPlace:
            QVERIFY(QDir(w.dir.path()).mkdir(u"мой список.txt"_s));
            break;
        case SaveFault::ProcFileSystem:
            if (!QFileInfo::exists(u"/proc/self"_s))
                QSKIP("no /proc file system here");
            chosen = u"/proc/мой список.txt"_s;
            break;
        case SaveFault::ReadOnlyFolder: {
            QVERIFY(QDir(w.dir.path()).mkdir(u"ro"_s));
            chosen = w.dir.filePath(u"ro/мой список.txt"_s);
            scenery = makeReadOnlyFolder(w.dir.filePath(u"ro"_s), [&] {
                writeTextFile(chosen, kOldList, TextEncoding::Ansi);
            });
            if (!scenery)
                QSKIP("cannot mount a read-only tmpfs here, and permission bits do not bind root");
            hasOldFile = true;
            break;
        }
        case SaveFault::FullDisk:
#ifdef Q_OS_UNIX
            writeTextFile(chosen, kOldList, TextEncoding::Ansi);
            hasOldFile = true;
            scenery = std::make_unique<FileSizeLimit>(16 * 1024);
            break;
#else
            QSKIP("no file size limit on this system");
#endif
        }

        w.services.saveAnswer = chosen;
        w.form->C3->trigger();
        checkOneError(w.services, cannotCreate(chosen));
        QCOMPARE(w.entries(), list);
        if (hasOldFile)
            QCOMPARE(readTextFile(chosen).lines, kOldList);
        w.services.errors.clear();
        w.checkUsable();
    }

    /// A quick slot whose file cannot be written: the message, and neither the saved message
    /// nor the new hint.
    void quickSlotSaveFails()
    {
        Window w;
        w.paste(pastedList(2));
        const QStringList list = w.entries();
        const QString hint = w.form->sBitBtn1->toolTip();
        QVERIFY(QDir(w.dir.path()).mkdir(u"save1.txt"_s));
        QTest::mouseClick(w.form->sBitBtn1, Qt::LeftButton);
        checkOneError(w.services, cannotCreate(u"save1.txt"_s));
        QVERIFY(w.services.messages.isEmpty());
        QCOMPARE(w.form->sBitBtn1->toolTip(), hint);
        QCOMPARE(w.entries(), list);
        w.services.errors.clear();
        w.checkUsable();
    }

    /// Closing where nothing can be written: both files' messages, the question, and on "No"
    /// the window stays with its list, which can then be saved elsewhere; list.txt stays whole.
    void closingWithoutRoomKeepsTheList()
    {
        QTemporaryDir outside;
        const QString folder = outside.filePath(u"work"_s);
        QVERIFY(QDir(outside.path()).mkdir(u"work"_s));
        auto readOnly = makeReadOnlyFolder(folder, [&] {
            writeTextFile(folder + u"/list.txt"_s, kOldList, TextEncoding::Utf8Bom);
        });
        if (!readOnly)
            QSKIP("cannot mount a read-only tmpfs here, and permission bits do not bind root");

        Window w(folder);
        QCOMPARE(w.entries(), kOldList);
        w.paste(u"сапоги скорохода"_s);
        const QStringList list = w.entries();
        w.form->show();
        w.services.questionAnswer = false;
        w.form->close();
        QVERIFY(w.form->isVisible());
        QCOMPARE(w.services.errors.size(), 2);
        QVERIFY(w.services.errors[0].startsWith(cannotCreate(u"settings.ini"_s)));
        QVERIFY(w.services.errors[1].startsWith(cannotCreate(u"list.txt"_s)));
        QCOMPARE(w.services.questions.size(), 1);
        QCOMPARE(w.entries(), list);
        QCOMPARE(readTextFile(folder + u"/list.txt"_s).lines, kOldList);

        // The list goes into a list file elsewhere.
        const QString elsewhere = outside.filePath(u"спасённый.txt"_s);
        w.services.saveAnswer = elsewhere;
        w.form->C3->trigger();
        QCOMPARE(w.services.errors.size(), 2);
        QCOMPARE(readTextFile(elsewhere).lines, list);
        w.services.errors.clear();
        w.checkUsable();
        w.services.questionAnswer = true;
    }

    /// A full disk with small files: the quick save and the close each report the file with
    /// the system's reason; settings.ini, list.txt and save1.txt stay whole, byte for byte.
    void fullDiskKeepsTheStateFiles()
    {
#ifdef Q_OS_UNIX
        QTemporaryDir outside;
        const QString folder = outside.filePath(u"work"_s);
        QVERIFY(QDir(outside.path()).mkdir(u"work"_s));
        const QStringList names = {u"settings.ini"_s, u"list.txt"_s, u"save1.txt"_s};
        QString reason;
        auto full = makeFullFolder(
            folder,
            [&] {
                writeTextFile(folder + u"/settings.ini"_s,
                              {u"staff.hjt"_s, u"900"_s, u"500"_s, u"40"_s, u"30"_s, u"бросить"_s,
                               u"продать"_s, u"clNavy"_s, u"clYellow"_s},
                              TextEncoding::Ansi);
                writeTextFile(folder + u"/list.txt"_s, kOldList, TextEncoding::Utf8Bom);
                writeTextFile(folder + u"/save1.txt"_s, {u"кольцо"_s}, TextEncoding::Ansi);
            },
            &reason);
        QMap<QString, QByteArray> oldBytes;
        for (const QString &name : names)
            oldBytes[name] = readFileBytes(folder + u"/"_s + name);

        Window w(folder);
        QCOMPARE(w.services.errors, QStringList());
        w.paste(u"сапоги скорохода"_s);
        const QString hint = w.form->sBitBtn1->toolTip();
        QTest::mouseClick(w.form->sBitBtn1, Qt::LeftButton);
        QCOMPARE(w.services.errors, QStringList{cannotCreateFileMessage(u"save1.txt"_s, reason)});
        QVERIFY(w.services.messages.isEmpty());
        QCOMPARE(w.form->sBitBtn1->toolTip(), hint);

        w.form->show();
        w.services.questionAnswer = false;
        w.form->close();
        QVERIFY(w.form->isVisible());
        QCOMPARE(w.services.errors,
                 (QStringList{cannotCreateFileMessage(u"save1.txt"_s, reason),
                              cannotCreateFileMessage(u"settings.ini"_s, reason),
                              cannotCreateFileMessage(u"list.txt"_s, reason)}));
        for (const QString &name : names)
            QCOMPARE(readFileBytes(folder + u"/"_s + name), oldBytes[name]);
        w.services.questionAnswer = true;
#else
        QSKIP("neither a tmpfs nor a file size limit on this system");
#endif
    }

    /// settings.ini, list.txt and the quick slots are the program's own: a link in their
    /// place is neither written through nor replaced, and the message says why. A list file
    /// chosen in the save dialog may be a link, and is written through.
    void stateFileLinksAreRefused_data()
    {
        QTest::addColumn<QString>("file"); // empty: a list file chosen in the save dialog
        QTest::newRow("settings.ini at close") << u"settings.ini"_s;
        QTest::newRow("list.txt at close") << u"list.txt"_s;
        QTest::newRow("quick slot 2") << u"save2.txt"_s;
        QTest::newRow("chosen list file") << QString();
    }
    void stateFileLinksAreRefused()
    {
#ifdef Q_OS_UNIX
        QFETCH(QString, file);
        QTemporaryDir work;
        QTemporaryDir outside;
        const QString target = outside.filePath(u"чужой файл"_s);
        writeTextFile(target,
                      file == u"settings.ini"_s
                          ? QStringList{u"staff.hjt"_s, u"900"_s, u"500"_s, u"40"_s, u"30"_s,
                                        u"бросить"_s, u"продать"_s}
                          : kOldList,
                      TextEncoding::Ansi);
        const QByteArray targetBytes = readFileBytes(target);
        const bool chosen = file.isEmpty();
        const QString link = work.filePath(chosen ? u"мой список.txt"_s : file);
        if (!QFile::link(target, link))
            QSKIP("cannot make a symbolic link here");

        Window w(work.path());
        QCOMPARE(w.services.errors, QStringList());
        w.paste(u"сапоги скорохода"_s);
        if (chosen) {
            w.services.saveAnswer = link;
            w.form->C3->trigger();
            QCOMPARE(w.services.errors, QStringList());
            QCOMPARE(readTextFile(target).lines, w.entries());
            QVERIFY(QFileInfo(link).isSymLink());
            return;
        }
        if (file == u"save2.txt"_s) {
            QTest::mouseClick(w.form->sBitBtn2, Qt::LeftButton);
            QVERIFY(w.services.messages.isEmpty());
        } else {
            w.form->show();
            w.form->close();
        }
        checkOneError(w.services, cannotCreate(file));
        QVERIFY2(w.services.errors.first().contains(u"ссылк"_s),
                 qPrintable(w.services.errors.first()));
        QCOMPARE(readFileBytes(target), targetBytes);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFileInfo(link).symLinkTarget(), target);
#else
        QSKIP("symbolic links are tried on Unix only");
#endif
    }

    /// Files that exist but cannot be read: the message, the list and ListedNames unchanged.
    void readFails_data()
    {
        QTest::addColumn<ReadFault>("fault");
        QTest::newRow("quick slot is a socket") << ReadFault::QuickSlotSocket;
        QTest::newRow("quick slot is a named pipe") << ReadFault::QuickSlotPipe;
        QTest::newRow("list file fails to read") << ReadFault::ListFileReadError;
        QTest::newRow("staff base is a socket") << ReadFault::BaseSocket;
        QTest::newRow("staff base is a folder") << ReadFault::BaseFolder;
    }
    void readFails()
    {
        QFETCH(ReadFault, fault);
        Window w;
        w.paste(u"шлем\r\nкольцо\r\n"_s);
        const QStringList list = w.entries();
        const QStringList names = w.form->listedNames();
        std::unique_ptr<Scenery> scenery;
        QString path;
        switch (fault) {
        case ReadFault::QuickSlotSocket: {
#ifdef Q_OS_UNIX
            path = u"save2.txt"_s;
            auto socket = std::make_unique<SocketFile>(path);
            if (!socket->bound())
                QSKIP("cannot bind a Unix socket here");
            scenery = std::move(socket);
            QTest::mouseClick(w.form->sBitBtn5, Qt::LeftButton);
            break;
#else
            QSKIP("no Unix sockets on this system");
#endif
        }
        case ReadFault::QuickSlotPipe: {
#ifdef Q_OS_UNIX
            // Nobody writes to it: the window must not wait for a writer.
            path = u"save3.txt"_s;
            auto pipe = std::make_unique<NamedPipe>(path);
            if (!pipe->made())
                QSKIP("cannot make a named pipe here");
            scenery = std::move(pipe);
            QTest::mouseClick(w.form->sBitBtn6, Qt::LeftButton);
            break;
#else
            QSKIP("no named pipes on this system");
#endif
        }
        case ReadFault::ListFileReadError:
            // Opens, then fails at the first read: nothing is mapped at address 0.
            path = u"/proc/self/mem"_s;
            if (!QFileInfo::exists(path))
                QSKIP("no /proc file system here");
            w.services.openAnswer = path;
            w.form->P1->trigger();
            break;
        case ReadFault::BaseSocket: {
#ifdef Q_OS_UNIX
            path = w.dir.filePath(u"staff.hjt"_s);
            auto socket = std::make_unique<SocketFile>(path);
            if (!socket->bound())
                QSKIP("cannot bind a Unix socket here");
            scenery = std::move(socket);
            w.form->Edit1->setText(path);
            QTest::mouseClick(w.form->Button6, Qt::LeftButton);
            break;
#else
            QSKIP("no Unix sockets on this system");
#endif
        }
        case ReadFault::BaseFolder:
            path = w.dir.filePath(u"base"_s);
            QVERIFY(QDir(w.dir.path()).mkdir(u"base"_s));
            w.form->Edit1->setText(path);
            QTest::mouseClick(w.form->Button6, Qt::LeftButton);
            break;
        }
        checkOneError(w.services, cannotOpen(path));
        QCOMPARE(w.entries(), list);
        QCOMPARE(w.form->listedNames(), names);
        w.services.errors.clear();
        w.checkUsable();
    }

    /// A 2 GB settings.ini, list.txt or quick slot at start (sparse: no disk room used): the
    /// file's message with the reason, a usable window, and an empty list does not replace
    /// the large list.txt at close.
    void oversizedFileAtStart_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("settings.ini") << u"settings.ini"_s;
        QTest::newRow("list.txt") << u"list.txt"_s;
        QTest::newRow("quick slot 1") << u"save1.txt"_s;
    }
    void oversizedFileAtStart()
    {
        QFETCH(QString, file);
        QTemporaryDir dir;
        const qint64 size = qint64(2) * 1024 * 1024 * 1024;
        {
            QFile big(dir.filePath(file));
            QVERIFY(big.open(QIODevice::WriteOnly));
            QVERIFY(big.resize(size));
        }
        Window w(dir.path());
        QCOMPARE(w.services.errors,
                 QStringList{cannotOpenFileMessage(file, tooLargeTextFileReason())});
        QVERIFY(w.entries().isEmpty());
        if (file == u"save1.txt"_s) {
            QCOMPARE(w.form->sBitBtn1->toolTip(), u"Список 1 (пусто)"_s);
            QTest::mouseClick(w.form->sBitBtn4, Qt::LeftButton);
            QCOMPARE(w.services.errors.size(), 2);
            QCOMPARE(w.services.errors.last(), w.services.errors.first());
        }
        w.services.errors.clear();
        w.checkUsable();
        if (file == u"list.txt"_s) {
            QTest::mouseClick(w.form->Button3, Qt::LeftButton); // "Очистить"
            w.form->show();
            w.form->close();
            QVERIFY(w.services.errors.isEmpty());
            QCOMPARE(QFileInfo(dir.filePath(file)).size(), size);
        }
    }

    /// list.txt that cannot be read at start: the message, a usable window, and closing does
    /// not replace the file without asking.
    void unreadableListAtStart()
    {
#ifdef Q_OS_UNIX
        QTemporaryDir dir;
        SocketFile socket(dir.filePath(u"list.txt"_s));
        if (!socket.bound())
            QSKIP("cannot bind a Unix socket here");
        Window w(dir.path());
        checkOneError(w.services, cannotOpen(u"list.txt"_s));
        QVERIFY(w.entries().isEmpty());
        w.services.errors.clear();
        w.checkUsable();
        w.services.questionAnswer = false;
        w.form->show();
        w.form->close();
        QCOMPARE(w.services.questions.size(), 1);
        QVERIFY(!QFileInfo(dir.filePath(u"list.txt"_s)).isFile());
#else
        QSKIP("no Unix sockets on this system");
#endif
    }
};

QTEST_MAIN(TestWindowFaults)
#include "tst_window_faults.moc"
