// The real program's entry with a window that changes its own list, for the process tests
// (savedstate_processes.py). It runs as the program does (lock, signals, saves) and writes
// what happens into a log file, one line a event, each line reaching the file at once:
//   start MS HASH COUNT    the window is up; the list as start-up restored it
//   state MS HASH COUNT    the list after one change made through a handler
//   saved ok|failed        the shutdown save is done
//   raised                 a second copy asked this one to come to the front
//   already-running TEXT   this copy found another in its folder and quit
//   error TEXT             an error box would have shown TEXT
// MS is the monotonic clock in milliseconds, HASH a digest of the entries in order.
//
// Usage: tarnbook_savedriver --log FILE [--mutate] [--seed N]

#include "app/desktop/shutdownsignals.h"
#include "app/desktop/singleinstance.h"
#include "app/form/Unit1.h"
#include "app/programentry.h"
#include "app/widgets/itemlistwidget.h"
#include "fakeuiservices.h"
#include "text/textfile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QFile>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <random>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int logFd = -1;

void logLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    [[maybe_unused]] const ssize_t written = ::write(logFd, bytes.constData(),
                                                     size_t(bytes.size()));
}

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QStringList entries(const TForm1 &form)
{
    return form.ListBox1->entries();
}

QString listLine(const char *kind, const TForm1 &form)
{
    const QStringList list = entries(form);
    const QByteArray digest =
        QCryptographicHash::hash(list.join(u'\n').toUtf8(), QCryptographicHash::Md5).toHex();
    return u"%1 %2 %3 %4"_s.arg(QLatin1StringView(kind))
        .arg(nowMs())
        .arg(QString::fromLatin1(digest))
        .arg(list.size());
}

/// Changes the list through the window's own commands, picked at random.
class Mutator
{
public:
    Mutator(TForm1 &form, FakeUiServices &services, unsigned seed)
        : m_form(form), m_services(services), m_random(seed)
    {}

    void step()
    {
        const int roll = pick(0, 99);
        const int count = m_form.ListBox1->count();
        if (count > 300 && roll < 10) {
            m_form.Button3->click(); // "Очистить"
        } else if (roll < 55) {
            m_services.clipboard = pastedLines(pick(1, 8));
            m_form.Button1->click(); // "Добавить"
        } else if (roll < 63 && count > 0) {
            m_form.ListBox1->setCurrentRow(pick(0, count - 1));
            m_form.e1->trigger(); // "Удалить"
        } else if (roll < 71 && count > 0) {
            m_form.ListBox1->setCurrentRow(pick(0, count - 1));
            m_form.N3->trigger(); // "Вырезать"
        } else if (roll < 76) {
            m_form.C2->trigger(); // sorted mode
        } else if (roll < 81) {
            m_services.clipboard = pastedLines(pick(1, 4));
            m_form.Button2->click(); // "Заменить"
        } else if (roll < 86) {
            m_form.sBitBtn1->click(); // quick slot 1: save
        } else if (roll < 91) {
            m_form.sBitBtn4->click(); // quick slot 1: load
        } else {
            m_services.openAnswer = u"other.txt"_s;
            m_form.P1->trigger(); // "Загрузить список"
        }
        for (const QString &error : std::as_const(m_services.errors))
            logLine(u"error "_s + error);
        m_services.errors.clear();
        logLine(listLine("state", m_form));
    }

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

private:
    QString pastedLines(int lines)
    {
        QString text;
        for (int i = 0; i < lines; ++i)
            text += u"%1. предмет номер %2\r\n"_s.arg(pick(1, 99)).arg(++m_made);
        return text;
    }

    TForm1 &m_form;
    FakeUiServices &m_services;
    std::mt19937 m_random;
    int m_made = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Tarnbook"_s);
    const QStringList arguments = QApplication::arguments();
    const qsizetype logAt = arguments.indexOf(u"--log"_s);
    if (logAt < 0 || logAt + 1 >= arguments.size()) {
        std::fprintf(stderr, "usage: tarnbook_savedriver --log FILE [--mutate] [--seed N]\n");
        return 2;
    }
    logFd = ::open(QFile::encodeName(arguments[logAt + 1]).constData(),
                   O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (logFd < 0) {
        std::perror("tarnbook_savedriver: log file");
        return 2;
    }
    const bool mutate = arguments.contains(u"--mutate"_s);
    const qsizetype seedAt = arguments.indexOf(u"--seed"_s);
    const unsigned seed = seedAt >= 0 ? arguments.value(seedAt + 1).toUInt() : 1;

    // The list file that "Загрузить список" loads: UTF-8 with a mark, so a load also changes
    // the encoding list.txt is written in.
    if (mutate && !fileExists(u"other.txt"_s))
        writeTextFile(u"other.txt"_s, {u"чужой список 1"_s, u"чужой список 2"_s},
                      TextEncoding::Utf8Bom);

    FakeUiServices services;
    QTimer changes;
    std::unique_ptr<Mutator> mutator;
    ProgramEntry entry;
    entry.services = &services;
    entry.tellAlreadyRunning = [](const QString &message) {
        logLine(u"already-running "_s + message);
    };
    entry.started = [&](TForm1 &form, SingleInstance &instance, ShutdownSaves &shutdown) {
        form.CheckBox2->setChecked(false);
        logLine(listLine("start", form));
        QObject::connect(&instance, &SingleInstance::activationRequested, &form,
                         [] { logLine(u"raised"_s); });
        QObject::connect(&shutdown, &ShutdownSaves::saved, &form, [&changes](bool ok) {
            changes.stop();
            logLine(ok ? u"saved ok"_s : u"saved failed"_s);
        });
        if (!mutate)
            return;
        mutator = std::make_unique<Mutator>(form, services, seed);
        changes.setSingleShot(true);
        QObject::connect(&changes, &QTimer::timeout, &form, [&] {
            mutator->step();
            changes.start(mutator->pick(2, 40));
        });
        changes.start(0);
    };
    const int status = runMainWindow(entry);
    ::close(logFd);
    return status;
}
