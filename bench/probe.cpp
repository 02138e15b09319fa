// Figures that need a process of their own. Usage:
//   tarnbook_probe load BASE.hjt
//       loads the base as the program does and prints the peak resident memory of the process
//       against the file's size;
//   tarnbook_probe prepare BASE.hjt FOLDER
//       makes FOLDER a working folder as a user has it: the base as staff.hjt and a list.txt
//       of 5,000 entries of that base;
//   tarnbook_probe startup FOLDER
//       starts the window in FOLDER under the offscreen platform and prints the time from the
//       process start to the first shown frame.
// Output: one "key=value" per line.

#include "benchdata.h"

#include "app/Unit1.h"
#include "base/staffbase.h"
#include "fakeuiservices.h"
#include "text/textfile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>

namespace {

long peakResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // kilobytes on Linux
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
    QElapsedTimer timer;
    timer.start();
    const StaffBaseLoad load = LoadStaffBase(path);
    const qint64 ms = timer.elapsed();
    const qint64 fileBytes = QFileInfo(path).size();
    const long peakKb = peakResidentKb();
    std::printf("file_bytes=%lld\nlines=%lld\nitems=%lld\nload_ms=%lld\npeak_rss_kb=%ld\n"
                "peak_rss_per_file_byte=%.2f\n",
                static_cast<long long>(fileBytes), static_cast<long long>(load.lines.lineCount()),
                static_cast<long long>(load.index.size()), static_cast<long long>(ms), peakKb,
                double(peakKb) * 1024.0 / double(fileBytes));
    return load.fileMissing ? 1 : 0;
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

int probeStartUp(int argc, char *argv[], const QString &folder)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QElapsedTimer fromMain;
    fromMain.start();
    QApplication app(argc, argv);
    if (!QDir::setCurrent(folder))
        return 2;
    FakeUiServices services;
    TForm1 form(&services);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 3;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    const double fromStart = msSinceProcessStart();
    std::printf(
        "startup_from_main_ms=%lld\nstartup_from_exec_ms=%.0f\nitems=%lld\npeak_rss_kb=%ld\n",
        static_cast<long long>(fromMain.elapsed()), fromStart,
        static_cast<long long>(form.StringGrid1Index.size()), peakResidentKb());
    return services.errors.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "load") == 0)
        return probeLoad(QString::fromLocal8Bit(argv[2]));
    if (argc == 4 && std::strcmp(argv[1], "prepare") == 0)
        return prepareFolder(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "startup") == 0)
        return probeStartUp(argc, argv, QString::fromLocal8Bit(argv[2]));
    std::fprintf(
        stderr, "usage: tarnbook_probe load BASE.hjt | prepare BASE.hjt FOLDER | startup FOLDER\n");
    return 2;
}
