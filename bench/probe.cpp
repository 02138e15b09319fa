// Figures that need a process of their own. Usage:
//   tarnbook_probe load BASE.hjt
//       loads the base as the program does and prints the time, and the peak resident memory
//       of the process against the file's size;
//   tarnbook_probe decode BASE.hjt
//       only reads and decodes the file as the program does (readDecodedFile), the reference
//       for a load in the same process state: a fresh process, the file in the page cache;
//   tarnbook_probe decode_qt BASE.hjt
//       the same with Qt alone: QFile::readAll and QStringDecoder("windows-1251");
//   tarnbook_probe prepare BASE.hjt FOLDER
//       makes FOLDER a working folder as a user has it: the base as staff.hjt and a list.txt
//       of 5,000 entries of that base;
//   tarnbook_probe startup FOLDER [waited]
//       starts the window in FOLDER on the platform QT_QPA_PLATFORM names (offscreen when
//       unset; xcb on a real X server) and prints the time from the process's exec and from
//       main to the first painted frame, with the steps between: the application object, the
//       window built (its start-up included), show, and the first exposure painted; then the
//       time from main until the base, loading in the background as in the program, is taken
//       up and the filled table painted. With "waited" the window waits for the base before
//       it is shown, as the tests' windows do.
// Output: one "key=value" per line; processor times (cpu_ms) count every thread.

#include "benchdata.h"

#include "app/form/Unit1.h"
#include "app/widgets/itemlistwidget.h"
#include "base/staffbase.h"
#include "fakeuiservices.h"
#include "list/listhistory.h"
#include "list/liststate.h"
#include "text/textfile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

long peakResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // kilobytes on Linux
}

/// Processor time of the whole process so far, every thread, user and system, in ms: on a
/// busy machine a steadier figure than the time on the clock.
long long cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) {
        return static_cast<long long>(t.tv_sec) * 1000 + t.tv_usec / 1000;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

/// Milliseconds since the kernel started this process (clock ticks, so 10 ms steps), or -1.
double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Field 22 (starttime) counts from the field after the command name's closing ")".
    const qsizetype close = line.lastIndexOf(')');
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (fields.size() < 20)
        return -1;
    const double startTicks = fields.at(19).toDouble();
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double ticksPerSecond = double(sysconf(_SC_CLK_TCK));
    return (double(now.tv_sec) + double(now.tv_nsec) / 1e9 - startTicks / ticksPerSecond) * 1e3;
}

int probeLoad(const QString &path)
{
    const long long cpuBefore = cpuMs();
    QElapsedTimer timer;
    timer.start();
    const StaffBaseLoad load = LoadStaffBase(path);
    const qint64 ms = timer.elapsed();
    const long long cpu = cpuMs() - cpuBefore;
    const qint64 fileBytes = QFileInfo(path).size();
    const long peakKb = peakResidentKb();
    std::printf("file_bytes=%lld\nlines=%lld\nitems=%lld\nload_ms=%lld\nload_cpu_ms=%lld\n"
                "peak_rss_kb=%ld\npeak_rss_per_file_byte=%.2f\n",
                static_cast<long long>(fileBytes), static_cast<long long>(load.lines.lineCount()),
                static_cast<long long>(load.index.size()), static_cast<long long>(ms), cpu, peakKb,
                double(peakKb) * 1024.0 / double(fileBytes));
    return load.fileMissing ? 1 : 0;
}

/// The bare decode in a fresh process: the file read and decoded into one text, nothing more.
int probeDecode(const QString &path, bool withQtAlone)
{
    const long long cpuBefore = cpuMs();
    QElapsedTimer timer;
    timer.start();
    qsizetype chars = 0;
    if (withQtAlone) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        const QString text = QStringDecoder("windows-1251").decode(file.readAll());
        chars = text.size();
    } else {
        chars = readDecodedFile(path).text.size();
    }
    const qint64 ms = timer.elapsed();
    const long long cpu = cpuMs() - cpuBefore;
    std::printf(
        "file_bytes=%lld\nchars=%lld\ndecode_ms=%lld\ndecode_cpu_ms=%lld\npeak_rss_kb=%ld\n",
        static_cast<long long>(QFileInfo(path).size()), static_cast<long long>(chars),
        static_cast<long long>(ms), cpu, peakResidentKb());
    return 0;
}

int prepareFolder(const QString &basePath, const QString &folder)
{
    const StaffBaseLoad load = LoadStaffBase(basePath);
    if (load.fileMissing || !QDir().mkpath(folder))
        return 2;
    const QString link = QDir(folder).filePath(QStringLiteral("staff.hjt"));
    QFile::remove(link);
    if (!QFile::link(QFileInfo(basePath).absoluteFilePath(), link))
        return 2;
    writeTextFile(QDir(folder).filePath(QStringLiteral("list.txt")),
                  bench::listEntries(load.index, bench::listEntryCount), TextEncoding::Ansi);
    return 0;
}

/// Notes when the window it watches is first exposed: the painting of that exposure runs
/// right after the event filters have seen it.
class FirstExposure : public QObject
{
public:
    bool seen = false;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed())
            seen = true;
        return false;
    }
};

int probeStartUp(int argc, char *argv[], const QString &folder, bool waited)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const double mainFromExec = msSinceProcessStart();
    QElapsedTimer fromMain;
    fromMain.start();
    QApplication app(argc, argv);
    const qint64 appMs = fromMain.elapsed();
    if (!QDir::setCurrent(folder))
        return 2;
    FakeUiServices services;
    TForm1 form(&services,
                waited ? TForm1::BaseLoadAtStart::Waited : TForm1::BaseLoadAtStart::InBackground);
    const qint64 formMs = fromMain.elapsed();
    form.show();
    const qint64 showMs = fromMain.elapsed();
    FirstExposure exposure;
    form.windowHandle()->installEventFilter(&exposure);
    // Wakes the loop now and then, so that a window never exposed ends the wait.
    QTimer wake;
    wake.start(50);
    while (!exposure.seen && fromMain.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!exposure.seen)
        return 3;
    // The exposure has been handled: the first frame is painted and handed to the screen.
    const qint64 paintedMs = fromMain.elapsed();
    const double fromStart = msSinceProcessStart();
    while (form.baseLoadPending() && fromMain.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The table filled over the base is painted with the next round of the loop.
    QCoreApplication::processEvents();
    const qint64 baseReadyMs = fromMain.elapsed();
    std::printf("startup_from_main_ms=%lld\nstartup_from_exec_ms=%.0f\nmain_from_exec_ms=%.0f\n"
                "application_ms=%lld\nwindow_built_ms=%lld\nshow_ms=%lld\n"
                "exposed_and_painted_ms=%lld\nbase_ready_ms=%lld\nitems=%lld\nentries=%d\n"
                "peak_rss_kb=%ld\n",
                static_cast<long long>(paintedMs), fromStart, mainFromExec,
                static_cast<long long>(appMs), static_cast<long long>(formMs - appMs),
                static_cast<long long>(showMs - formMs), static_cast<long long>(paintedMs - showMs),
                static_cast<long long>(baseReadyMs),
                static_cast<long long>(form.StringGrid1Index.size()), form.ListBox1->count(),
                peakResidentKb());
    return services.errors.isEmpty() ? 0 : 1;
}

/// The list's history over `count` entries, peak memory after each of three runs of 100 steps:
/// edits (a paste of five lines, a delete, a cut of three), the player's mix (those, the sorted
/// mode, a property search that replaces the list and the filter that brings it back), and
/// steps that each replace every entry by a new text. The first run is undone whole, timed.
int probeHistory(int count)
{
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries.append(QStringLiteral("предмет номер %1 [отл]").arg(i));
    const QStringList found = entries.mid(0, 100);
    using Change = std::function<void(ListSnapshot &, int)>;
    const Change paste = [](ListSnapshot &s, int k) {
        QStringList pasted;
        for (int i = 0; i < 5; ++i)
            pasted.append(QStringLiteral("вставка %1.%2").arg(k).arg(i));
        pasteLinesIntoList(s.list, s.listedNames, pasted);
    };
    const Change remove = [](ListSnapshot &s, int) { deleteEntries(s.list); };
    const Change cut = [](ListSnapshot &s, int) {
        for (qsizetype i = s.list.size() / 3; i < s.list.size() / 3 + 3; ++i)
            s.list.selected[i] = true;
        removeSelectedEntries(s.list);
    };
    const Change sort = [](ListSnapshot &s, int) { switchSortedOn(s.list); };
    const Change search = [&found](ListSnapshot &s, int) {
        setEntries(s.list, found);
        s.listedNames = found;
    };
    const Change filterBack = [&entries](ListSnapshot &s, int) {
        s.list = listStateOf(entries);
        s.listedNames = entries;
    };
    const Change replaceAll = [](ListSnapshot &s, int k) {
        for (QString &entry : s.list.entries)
            entry = QStringLiteral("замена %1").arg(k);
    };
    struct Run
    {
        const char *name;
        QList<Change> cycle;
    };
    const Run runs[] = {{"edits", {paste, remove, cut}},
                        {"mixed", {paste, remove, cut, sort, search, filterBack}},
                        {"replacing", {replaceAll}}};
    std::printf("entries=%d\nlist_peak_rss_kb=%ld\n", count, peakResidentKb());
    for (const Run &run : runs) {
        ListSnapshot list{listStateOf(entries), entries};
        ListHistory history;
        for (int k = 0; k < 100; ++k) {
            ListSnapshot next = list;
            run.cycle[k % run.cycle.size()](next, k);
            history.record(list, next, QStringLiteral("команда"));
            list = std::move(next);
        }
        std::printf("%s_steps_kept=%lld\n%s_held_texts=%lld\n%s_peak_rss_kb=%ld\n", run.name,
                    static_cast<long long>(history.undoCount()), run.name,
                    static_cast<long long>(history.heldTexts()), run.name, peakResidentKb());
        if (run.name == runs[0].name) {
            QElapsedTimer timer;
            timer.start();
            while (std::optional<ListHistory::Move> back = history.undo(list))
                list = std::move(back->snapshot);
            std::printf("edits_undo_all_ms=%lld\n", static_cast<long long>(timer.elapsed()));
        }
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "load") == 0)
        return probeLoad(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && std::strcmp(argv[1], "history") == 0)
        return probeHistory(std::atoi(argv[2]));
    if (argc == 3 && std::strcmp(argv[1], "decode") == 0)
        return probeDecode(QString::fromLocal8Bit(argv[2]), false);
    if (argc == 3 && std::strcmp(argv[1], "decode_qt") == 0)
        return probeDecode(QString::fromLocal8Bit(argv[2]), true);
    if (argc == 4 && std::strcmp(argv[1], "prepare") == 0)
        return prepareFolder(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if ((argc == 3 || (argc == 4 && std::strcmp(argv[3], "waited") == 0))
        && std::strcmp(argv[1], "startup") == 0)
        return probeStartUp(argc, argv, QString::fromLocal8Bit(argv[2]), argc == 4);
    std::fprintf(stderr,
                 "usage: tarnbook_probe load BASE.hjt | decode BASE.hjt | decode_qt BASE.hjt | "
                 "prepare BASE.hjt FOLDER | startup FOLDER [waited] | history ENTRIES\n");
    return 2;
}
