// Start-up and shutdown of the window under the offscreen platform: settings.ini, list.txt
// and the quick-slot files in a fresh working folder.

#include "app/desktop/basefilewatch.h"
#include "app/desktop/basereader.h"
#include "app/desktop/basereload.h"
#include "app/desktop/singleinstance.h"
#include "app/form/Unit1.h"
#include "app/form/viewcontents.h"
#include "app/widgets/colourpicker.h"
#include "app/widgets/fittinglabel.h"
#include "app/widgets/itemtablewidget.h"
#include "cp1251.h"
#include "fakeuiservices.h"
#include "list/itemtable.h"
#include "list/liststate.h"
#include "text/error.h"
#include "text/textfile.h"
#include "windowtest.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QWindow>

#include <atomic>
#include <future>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 kNavy = 0x800000u;
constexpr quint32 kYellow = 0x00FFFFu;
constexpr quint32 kSilver = 0xC0C0C0u;

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

/// The lines of a staff base with two invented items, «ржавый ключ» of level 3 and «синий
/// плащ» of level `cloakLevel`.
QStringList baseLines(int cloakLevel = 12)
{
    return {u"<node>"_s,
            u"Предмет 'ржавый ключ', Тип предмета: Обычный"_s,
            u"Вн Ва"_s,
            u"Оценка: 1, 2"_s,
            u"мин.уровень 3"_s,
            u"<end node>"_s,
            u"Предмет 'синий плащ', Тип предмета: Обычный"_s,
            u"Ма Ле"_s,
            u"Оценка: 4, 5"_s,
            u"мин.уровень "_s + QString::number(cloakLevel),
            u"<end node>"_s};
}

/// A staff base with two invented items, «синий плащ» of level 12 and «ржавый ключ» of 3.
void writeBase(const QString &path)
{
    writeTextFile(path, baseLines(), TextEncoding::Utf8Bom);
}

/// Everything the start-up leaves for the player to see.
struct StartedWindow
{
    QStringList errors;
    QString title;
    QString lore;
    QString loreDescription;
    qsizetype indexRows = 0;
    qsizetype baseLines = 0;
    QStringList entries;
    QStringList listedNames;
    QString count;
    QStringList table;

    bool operator==(const StartedWindow &) const = default;
};

StartedWindow startedWindow(const TForm1 &form, const FakeUiServices &services)
{
    StartedWindow seen{services.errors,
                       form.windowTitle(),
                       form.memo3->toPlainText(),
                       form.memo3->accessibleDescription(),
                       form.StringGrid1Index.size(),
                       form.BaseLines.lineCount(),
                       form.ListBox1->state().entries,
                       form.listedNames(),
                       form.Label1->text(),
                       {}};
    for (const ItemTableRow &row : readItemTable(form.StringGrid2))
        seen.table.append(QStringList(row.begin(), row.end()).join(u'|'));
    return seen;
}

} // namespace

class TestWindowState : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScratchWorkingFolder> m_dir;
    FakeUiServices m_services;
    std::unique_ptr<TForm1> m_form;

    void start(TForm1::BaseLoadAtStart baseLoad = TForm1::BaseLoadAtStart::Waited)
    {
        m_form.reset();
        m_form = std::make_unique<TForm1>(&m_services, baseLoad);
    }
    void startWithTheBaseLoading()
    {
        start(TForm1::BaseLoadAtStart::InBackground);
        QVERIFY(m_form->baseLoadPending());
        // Nothing of the base yet: no table rows, no "нет в базе" for any entry.
        QVERIFY(m_form->windowTitle().endsWith(u"загрузка базы стафа…"_s));
        QCOMPARE(m_form->StringGrid1Index.size(), 0);
        QCOMPARE(m_form->StringGrid2->rowCount(), 1);
    }
    QStringList entries() const { return m_form->ListBox1->state().entries; }
    QStringList tableColumn(int column) const
    {
        QStringList cells;
        for (const ItemTableRow &row : readItemTable(m_form->StringGrid2))
            cells.append(row[column]);
        return cells;
    }
    QStringList quickSlotHints() const
    {
        QStringList hints;
        for (QPushButton *b : {m_form->sBitBtn1, m_form->sBitBtn4, m_form->sBitBtn2,
                               m_form->sBitBtn5, m_form->sBitBtn3, m_form->sBitBtn6})
            hints.append(b->toolTip());
        return hints;
    }
    static QStringList fileLines(const QString &path) { return readTextFile(path).lines; }

private slots:
    void init()
    {
        m_dir = std::make_unique<ScratchWorkingFolder>();
        QVERIFY(m_dir->isValid());
        m_services = FakeUiServices();
    }
    void cleanup()
    {
        m_form.reset();
        QFile::setPermissions(m_dir->path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_dir.reset();
    }

    void firstStartInAnEmptyFolder()
    {
        start();
        QCOMPARE(m_services.errors, QStringList());
        QCOMPARE(m_form->Edit1->text(), u"staff.hjt"_s);
        QCOMPARE(m_form->memo3->toPlainText(), u"файл базы не найден"_s);
        QCOMPARE(entries(), QStringList());
        QCOMPARE(m_form->listedNames(), QStringList());
        QCOMPARE(m_form->Label1->text(), u"0 предметов"_s);
        QVERIFY(m_form->StringGrid2->isColumnHidden(RatingsColumn));
        QCOMPARE(m_form->StringGrid2->rowCount(), 1);
        QCOMPARE(
            quickSlotHints(),
            (QStringList{u"Список 1 (пусто)"_s, u"Список 1 (пусто)"_s, u"Список 2 (пусто)"_s,
                         u"Список 2 (пусто)"_s, u"Список 3 (пусто)"_s, u"Список 3 (пусто)"_s}));
        QCOMPARE(m_form->ColorBox1->selectedColour(), 0u);
        QCOMPARE(m_form->ColorBox2->selectedColour(), kSilver);
        // Nothing is written before the window closes.
        QVERIFY(!QFile::exists(u"settings.ini"_s));
        QVERIFY(!QFile::exists(u"list.txt"_s));
    }

    void startWithEverySavedFile()
    {
        writeBase(u"мой стаф.hjt"_s);
        writeTextFile(u"settings.ini"_s,
                      {u"мой стаф.hjt"_s, u"700"_s, u"$1F4"_s, u"-20"_s, u"-30"_s, u"кзабр"_s,
                       u"биржа хар"_s, u"CLNAVY"_s, u"clyellow"_s},
                      TextEncoding::Ansi);
        writeTextFile(u"list.txt"_s, {u"синий плащ"_s, u"12. ржавый ключ"_s, u"сапоги"_s},
                      TextEncoding::Utf8Bom);
        writeTextFile(u"save1.txt"_s, {u"a"_s, u"b"_s}, TextEncoding::Ansi);
        writeBytes(u"save3.txt"_s, QByteArray());
        start();

        QCOMPARE(m_services.errors, QStringList());
        QCOMPARE(m_form->Edit1->text(), u"мой стаф.hjt"_s);
        const QRect outer = m_form->frameGeometry();
        QCOMPARE(outer, QRect(-30, -20, 700, 500));
        QCOMPARE(m_form->ComboBox1->currentText(), u"кзабр"_s);
        QCOMPARE(m_form->ComboBox2->currentText(), u"биржа хар"_s);
        QCOMPARE(m_form->ColorBox1->selectedColour(), kNavy);
        QCOMPARE(m_form->ColorBox2->selectedColour(), kYellow);
        // Both change handlers ran: the dark controls show the colours.
        QCOMPARE(m_form->ListBox1->palette().color(QPalette::Base), QColor(0, 0, 0x80));
        QCOMPARE(m_form->memo3->palette().color(QPalette::Text), QColor(0xFF, 0xFF, 0));
        // The base came from the restored path (settings before the load), so the help text
        // stays and the table finds the levels (the list before the table).
        QCOMPARE(m_form->StringGrid1Index.size(), 2);
        QVERIFY(m_form->memo3->toPlainText().startsWith(u"реж таймер да"_s));
        const QStringList listed{u"синий плащ"_s, u"12. ржавый ключ"_s, u"сапоги"_s};
        QCOMPARE(entries(), listed);
        QCOMPARE(m_form->listedNames(), listed);
        QCOMPARE(m_form->Label1->text(), u"3 предметов"_s);
        QCOMPARE(tableColumn(EntryColumn), listed);
        QCOMPARE(tableColumn(LevelColumn), (QStringList{u"12"_s, u"3"_s, QString()}));
        QVERIFY(m_form->StringGrid2->isColumnHidden(RatingsColumn));
        QCOMPARE(quickSlotHints(),
                 (QStringList{u"Список 1 (2 записи)"_s, u"Список 1 (2 записи)"_s,
                              u"Список 2 (пусто)"_s, u"Список 2 (пусто)"_s,
                              u"Список 3 (0 записи)"_s, u"Список 3 (0 записи)"_s}));
    }

    void settingsErrorStillRunsTheRestOfTheStartUp_data()
    {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<quint32>("background");
        QTest::newRow("only the base path")
            << QStringList{u"base.hjt"_s} << u"'' is not a valid integer value"_s << QString()
            << 0u;
        QTest::newRow("a bad colour line")
            << QStringList{u"base.hjt"_s, u"700"_s,  u"500"_s,    u"0"_s,       u"0"_s,
                           u"дать"_s,     QString(), u"clNavi"_s, u"clYellow"_s}
            << u"'clNavi' is not a valid integer value"_s << u"дать"_s << 0u;
        QTest::newRow("a bad text colour after a good background")
            << QStringList{u"base.hjt"_s, u"800"_s,  u"600"_s,    u"0"_s,       u"0"_s,
                           QString(),     QString(), u"clNavy"_s, u"nonsense"_s}
            << u"'nonsense' is not a valid integer value"_s << QString() << kNavy;
        QTest::newRow("garbage number")
            << QStringList{u"base.hjt"_s, u"\u0001\u00ff\u0419"_s}
            << u"'\u0001\u00ff\u0419' is not a valid integer value"_s << QString() << 0u;
    }
    void settingsErrorStillRunsTheRestOfTheStartUp()
    {
        QFETCH(QStringList, settings);
        QFETCH(QString, error);
        QFETCH(QString, prefix);
        QFETCH(quint32, background);
        writeBase(u"base.hjt"_s);
        writeTextFile(u"settings.ini"_s, settings, TextEncoding::Utf8Bom);
        writeTextFile(u"list.txt"_s, {u"синий плащ"_s, u"ржавый ключ"_s}, TextEncoding::Ansi);
        writeTextFile(u"save2.txt"_s, {u"x"_s}, TextEncoding::Ansi);
        start();

        QCOMPARE(m_services.errors, QStringList{error});
        // The fields before the bad line are applied, the colours after it are not: a good
        // background before a bad text colour paints the dark controls.
        QCOMPARE(m_form->Edit1->text(), u"base.hjt"_s);
        QCOMPARE(m_form->ComboBox1->currentText(), prefix);
        QCOMPARE(m_form->ColorBox1->selectedColour(), background);
        QCOMPARE(m_form->ColorBox2->selectedColour(), kSilver);
        QCOMPARE(m_form->ListBox1->palette().color(QPalette::Base),
                 background == kNavy ? QColor(0, 0, 0x80) : QColor(Qt::black));
        // Everything after the settings still ran.
        QCOMPARE(m_form->StringGrid1Index.size(), 2);
        QCOMPARE(entries(), (QStringList{u"синий плащ"_s, u"ржавый ключ"_s}));
        QCOMPARE(m_form->listedNames(), entries());
        QCOMPARE(m_form->Label1->text(), u"2 предметов"_s);
        QCOMPARE(tableColumn(LevelColumn), (QStringList{u"12"_s, u"3"_s}));
        QVERIFY(m_form->StringGrid2->isColumnHidden(RatingsColumn));
        QCOMPARE(m_form->sBitBtn5->toolTip(), u"Список 2 (1 записи)"_s);

        // And the next close keeps the list, and the background when there was a good one.
        QVERIFY(m_form->FormClose());
        QCOMPARE(fileLines(u"list.txt"_s), entries());
        QCOMPARE(fileLines(u"settings.ini"_s).value(7),
                 background == kNavy ? u"clNavy"_s : QString());
    }

    void hugeAndBrokenSettingsFiles()
    {
        // Ten megabytes on the width line, then numbers far beyond the desktop.
        writeBytes(u"settings.ini"_s, "staff.hjt\r\n" + QByteArray(10'000'000, '9') + "\r\n");
        start();
        QCOMPARE(m_services.errors.size(), 1);
        QVERIFY(m_services.errors.first().size() < 300);
        QCOMPARE(m_form->Label1->text(), u"0 предметов"_s);

        m_services = FakeUiServices();
        writeTextFile(
            u"settings.ini"_s,
            {u"staff.hjt"_s, u"2147483647"_s, u"2147483647"_s, u"2147483647"_s, u"-2147483648"_s},
            TextEncoding::Ansi);
        start();
        QCOMPARE(m_services.errors, QStringList());
        const QRect outer = m_form->frameGeometry();
        const QRect desktop = m_form->screen()->virtualGeometry();
        QVERIFY(outer.width() <= desktop.width() && outer.height() <= desktop.height());
        QVERIFY(outer.intersects(desktop));
    }

    /// A zero or negative saved size gives the smallest window the layout allows, already
    /// before the window is shown (a window the layout enlarges while the desktop maps it is
    /// placed by its client area, its title bar above the saved place), and the window's
    /// outer edge stays at the saved place, which the next close writes back.
    void tooSmallSavedSizeKeepsThePlace_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("zero") << 0 << 0;
        QTest::newRow("negative") << -5 << -20;
        QTest::newRow("zero height only") << 500 << 0;
    }
    void tooSmallSavedSizeKeepsThePlace()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        writeTextFile(
            u"settings.ini"_s,
            {u"staff.hjt"_s, QString::number(width), QString::number(height), u"40"_s, u"30"_s},
            TextEncoding::Ansi);
        start();
        QCOMPARE(m_services.errors, QStringList());
        const QSize smallest = m_form->minimumSizeHint();
        QVERIFY(smallest.width() > 100 && smallest.height() > 100);
        // The saved size is the outer one: where the frame is known before the window is
        // shown (Windows), the client area is the frame's width smaller.
        QMargins frame;
#ifdef Q_OS_WIN
        frame = m_form->windowHandle()->frameMargins();
#endif
        const int savedClientWidth = width - frame.left() - frame.right();
        QCOMPARE(m_form->size(),
                 QSize(std::max(savedClientWidth, smallest.width()), smallest.height()));
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        const QRect outer = m_form->frameGeometry();
        QCOMPARE(outer.topLeft(), QPoint(30, 40));
        QVERIFY(m_form->width() >= smallest.width() && m_form->height() >= smallest.height());
        if (width > smallest.width())
            QCOMPARE(outer.width(), width);
        m_form->close();
        const QStringList saved = fileLines(u"settings.ini"_s);
        QCOMPARE(
            saved.mid(1, 4),
            (QStringList{QString::number(m_form->frameGeometry().width()),
                         QString::number(m_form->frameGeometry().height()), u"40"_s, u"30"_s}));
    }

    void listFileEncodingsSurviveARestart_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("writtenBack");
        const QString text = u"синий плащ\r\n12. ржавый ключ [отл]\r\n"_s;
        QTest::newRow("UTF-8 with a mark")
            << "\xEF\xBB\xBF" + text.toUtf8() << "\xEF\xBB\xBF" + text.toUtf8();
        QTest::newRow("ANSI") << cp1251(text) << cp1251(text);
        QTest::newRow("lone LF and no final break")
            << cp1251(u"синий плащ\nщит"_s) << cp1251(u"синий плащ\r\nщит\r\n"_s);
    }
    void listFileEncodingsSurviveARestart()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, writtenBack);
        writeBytes(u"list.txt"_s, bytes);
        start();
        QCOMPARE(m_services.errors, QStringList());
        QCOMPARE(entries().size(), 2);
        QCOMPARE(entries().first(), u"синий плащ"_s);
        QCOMPARE(m_form->listedNames(), entries());
        QVERIFY(m_form->close());
        QCOMPARE(readBytes(u"list.txt"_s), writtenBack);
    }

    void closeWritesSevenOrNineLines()
    {
        start();
        m_form->Edit1->setText(u"D:/база/staff.hjt"_s);
        m_form->ComboBox1->setEditText(u"переслать клан :симв"_s);
        m_form->ComboBox2->setEditText(u"биржа цена"_s);
        m_form->resize(640, 480);
        m_form->move(-15, 25);
        m_form->ListBox1->setState(listStateOf({u"шлем"_s, u"3. кольцо"_s}));
        QVERIFY(m_form->close());
        QCOMPARE(m_services.questions, QStringList());
        const QRect outer = m_form->frameGeometry();
        const QStringList seven{u"D:/база/staff.hjt"_s,
                                QString::number(outer.width()),
                                QString::number(outer.height()),
                                u"25"_s,
                                u"-15"_s,
                                u"переслать клан :симв"_s,
                                u"биржа цена"_s};
        QCOMPARE(fileLines(u"settings.ini"_s), seven);
        // A list never read from a file is written in ANSI without a mark.
        QCOMPARE(readBytes(u"list.txt"_s), cp1251(u"шлем\r\n3. кольцо\r\n"_s));

        // A background that is not black adds both colour names, silver text included.
        start();
        m_form->ColorBox1->setSelectedColour(0xFF00000Fu);
        QVERIFY(m_form->close());
        QCOMPARE(fileLines(u"settings.ini"_s).mid(5),
                 (QStringList{u"переслать клан :симв"_s, u"биржа цена"_s, u"clBtnFace"_s,
                              u"clSilver"_s}));

        // And they come back at the next start; an empty line 7 would restore none.
        start();
        QCOMPARE(m_form->ColorBox1->selectedColour(), 0xFF00000Fu);
        QCOMPARE(m_form->Edit1->text(), u"D:/база/staff.hjt"_s);
        QCOMPARE(entries(), (QStringList{u"шлем"_s, u"3. кольцо"_s}));
    }

    void failedSettingsStillSavesTheList()
    {
        start();
        QVERIFY(QDir().mkdir(u"settings.ini"_s)); // a folder where the file should go
        m_form->ListBox1->setState(listStateOf({u"шлем"_s}));
        QVERIFY(m_form->FormClose());
        QCOMPARE(m_services.errors.size(), 1);
        QVERIFY(m_services.errors.first().startsWith(u"Cannot create file \"settings.ini\". "_s));
        QCOMPARE(m_services.questions, QStringList());
        QCOMPARE(fileLines(u"list.txt"_s), QStringList{u"шлем"_s});
    }

    void failedListAsksBeforeClosing_data()
    {
        QTest::addColumn<bool>("closeAnyway");
        QTest::newRow("stay open") << false;
        QTest::newRow("close anyway") << true;
    }
    void failedListAsksBeforeClosing()
    {
        QFETCH(bool, closeAnyway);
        start();
        QVERIFY(QDir().mkdir(u"list.txt"_s));
        m_form->ListBox1->setState(listStateOf({u"шлем"_s}));
        m_services.questionAnswer = closeAnyway;
        QCOMPARE(m_form->close(), closeAnyway);
        QCOMPARE(m_services.errors.size(), 1);
        QVERIFY(m_services.errors.first().startsWith(u"Cannot create file \"list.txt\". "_s));
        QCOMPARE(m_services.questions.size(), 1);
        // settings.ini was written all the same.
        QCOMPARE(fileLines(u"settings.ini"_s).size(), 7);
        if (!closeAnyway) {
            // The list is still there to be saved elsewhere, and a later close succeeds.
            QCOMPARE(entries(), QStringList{u"шлем"_s});
            QVERIFY(QDir().rmdir(u"list.txt"_s));
            QVERIFY(m_form->close());
            QCOMPARE(fileLines(u"list.txt"_s), QStringList{u"шлем"_s});
        }
    }

    void shutdownToAReadOnlyFolder()
    {
        writeTextFile(u"list.txt"_s, {u"старый список"_s}, TextEncoding::Ansi);
        start();
        m_form->ListBox1->setState(listStateOf({u"новый список"_s}));
#ifdef Q_OS_UNIX
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner));
        if (::geteuid() == 0)
            QSKIP("the superuser writes into read-only folders");
#else
        QSKIP("a folder's read-only mark does not stop writes into it on this system");
#endif
        m_services.questionAnswer = false;
        QVERIFY(!m_form->FormClose());
        QCOMPARE(m_services.errors.size(), 2);
        QVERIFY(m_services.errors[0].startsWith(u"Cannot create file \"settings.ini\". "_s));
        QVERIFY(m_services.errors[1].startsWith(u"Cannot create file \"list.txt\". "_s));
        // Both writes are atomic: the old list is whole and no stray file is left.
        QCOMPARE(fileLines(u"list.txt"_s), QStringList{u"старый список"_s});
        QCOMPARE(QDir().entryList(QDir::Files), QStringList{u"list.txt"_s});
    }

    void unreadableListFileIsNotReplacedUnasked()
    {
        // A list.txt that exists but cannot be read. The superuser reads any file, so there
        // it is a link to a file that fails on reading.
#ifndef Q_OS_UNIX
        QSKIP("no file can be made unreadable to its owner on this system");
#else
        if (::geteuid() == 0) {
            QVERIFY(QFile::link(u"/proc/self/mem"_s, u"list.txt"_s));
        } else {
            writeTextFile(u"list.txt"_s, {u"старый список"_s}, TextEncoding::Ansi);
            QVERIFY(QFile::setPermissions(u"list.txt"_s, QFile::WriteOwner));
        }
        const QByteArray target = QFile::symLinkTarget(u"list.txt"_s).toUtf8();
        writeTextFile(u"save1.txt"_s, {u"a"_s}, TextEncoding::Ansi);
        start();
        QCOMPARE(m_services.errors.size(), 1);
        QVERIFY(m_services.errors.first().startsWith(u"Cannot open file \"list.txt\". "_s));
        // The rest of the start-up ran.
        QCOMPARE(m_form->Label1->text(), u"0 предметов"_s);
        QVERIFY(m_form->StringGrid2->isColumnHidden(RatingsColumn));
        QCOMPARE(m_form->sBitBtn1->toolTip(), u"Список 1 (1 записи)"_s);

        // With the list still empty the file is left alone, without a question.
        QVERIFY(m_form->FormClose());
        QCOMPARE(m_services.questions, QStringList());
        QCOMPARE(QFile::symLinkTarget(u"list.txt"_s).toUtf8(), target);

        // With a new list the user decides; "No" keeps the old file and closes.
        m_form->ListBox1->setState(listStateOf({u"новый"_s}));
        m_services.questionAnswer = false;
        QVERIFY(m_form->FormClose());
        QCOMPARE(m_services.questions.size(), 1);
        QCOMPARE(QFile::symLinkTarget(u"list.txt"_s).toUtf8(), target);
        if (::geteuid() != 0) {
            QVERIFY(QFile::setPermissions(u"list.txt"_s, QFile::ReadOwner | QFile::WriteOwner));
            QCOMPARE(fileLines(u"list.txt"_s), QStringList{u"старый список"_s});
        }
#endif
    }

    void binaryListFileLoadsWithoutHarm()
    {
        QByteArray bytes(64 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7919) % 251);
        writeBytes(u"list.txt"_s, bytes);
        start();
        QCOMPARE(m_services.errors, QStringList());
        QCOMPARE(m_form->ListBox1->count(), splitLines(decodeText(bytes).text).size());
        QCOMPARE(m_form->Label1->text(),
                 QString::number(m_form->ListBox1->count()) + u" предметов"_s);
        QVERIFY(m_form->close());
    }

    /// The window shown before the base is loaded ends as the window that waited for it: the
    /// same base, table, list, lore view, title and messages, in the same order.
    void backgroundLoadEndsAsTheWaitedOne_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("loadsInBackground");
        QTest::newRow("a base and a list") << u"base"_s << true;
        QTest::newRow("an empty base") << u"empty"_s << true;
        QTest::newRow("no base: its message at once") << u"none"_s << false;
        QTest::newRow("settings, base and list failing, told in order") << u"failing"_s << false;
    }
    void backgroundLoadEndsAsTheWaitedOne()
    {
        QFETCH(QString, folder);
        QFETCH(bool, loadsInBackground);
        writeTextFile(u"list.txt"_s, {u"синий плащ"_s, u"12. ржавый ключ"_s, u"сапоги"_s},
                      TextEncoding::Ansi);
        if (folder == u"base"_s)
            writeBase(u"staff.hjt"_s);
        if (folder == u"empty"_s)
            writeBytes(u"staff.hjt"_s, QByteArray());
        if (folder == u"failing"_s) {
            writeTextFile(u"settings.ini"_s, {u"staff.hjt"_s}, TextEncoding::Ansi);
            QVERIFY(QDir().mkdir(u"staff.hjt"_s));
            QVERIFY(QFile(u"list.txt"_s).resize(maxTextFileBytes + 1));
        }
        start();
        const StartedWindow waited = startedWindow(*m_form, m_services);
        m_form.reset();
        m_services = FakeUiServices();

        start(TForm1::BaseLoadAtStart::InBackground);
        QCOMPARE(m_form->baseLoadPending(), loadsInBackground);
        QTRY_VERIFY(!m_form->baseLoadPending());
        QCOMPARE(startedWindow(*m_form, m_services), waited);
        if (folder == u"failing"_s)
            QCOMPARE(m_services.errors.size(), 3);
    }

    /// What the player does while the base loads waits for it and is answered from the whole
    /// base: a click on an entry shows its lore and moves the table, a search finds its items.
    void actionsWhileTheBaseLoadsSeeTheWholeBase()
    {
        writeBase(u"staff.hjt"_s);
        writeTextFile(u"list.txt"_s, {u"сапоги"_s, u"синий плащ"_s}, TextEncoding::Ansi);
        startWithTheBaseLoading();
        m_form->show();
        clickListEntry(m_form->ListBox1, 1);
        QVERIFY(!m_form->baseLoadPending());
        QVERIFY(m_form->memo3->toPlainText().startsWith(u"Предмет 'синий плащ'"_s));
        QCOMPARE(m_form->StringGrid2->currentRow(), 1);
        QCOMPARE(tableColumn(LevelColumn), (QStringList{QString(), u"12"_s}));
        QVERIFY(!m_form->windowTitle().contains(u"загрузка"_s));

        startWithTheBaseLoading();
        m_form->show();
        m_form->Edit3->setText(u"ключ"_s);
        QTest::keyClick(m_form->Edit3, Qt::Key_Return);
        QCOMPARE(entries(), QStringList{u"ржавый ключ"_s});
        QCOMPARE(m_services.errors, QStringList());
    }

    /// Closing while the base loads saves the list at once; the load is waited for only as
    /// the window goes.
    void closeWhileTheBaseLoads()
    {
        writeBase(u"staff.hjt"_s);
        startWithTheBaseLoading();
        appendListEntry(m_form->ListBox1, u"шлем"_s);
        QVERIFY(m_form->close());
        QCOMPARE(fileLines(u"list.txt"_s), QStringList{u"шлем"_s});
        m_form.reset();
    }

    /// The worker hands its result back once, waits when asked early, passes on the load's
    /// error, and tells its receiver only while the receiver lives.
    void baseReaderHandsBackItsResultOnce()
    {
        std::promise<void> gate;
        std::shared_future<void> opened = gate.get_future().share();
        QObject receiver;
        int told = 0;
        {
            BaseReader reader(
                [opened] {
                    opened.wait();
                    StaffBaseLoad load;
                    load.fileMissing = true;
                    return load;
                },
                &receiver, [&told] { ++told; });
            QVERIFY(!reader.isReady());
            gate.set_value();
            QVERIFY(reader.take().fileMissing);
        }
        QTRY_COMPARE(told, 1);

        BaseReader failing([]() -> StaffBaseLoad { throw TarnError(u"Cannot open file x"_s); },
                           nullptr, {});
        QVERIFY_THROWS_EXCEPTION(TarnError, failing.take());

        auto gone = std::make_unique<QObject>();
        {
            BaseReader reader([] { return StaffBaseLoad(); }, gone.get(), [&told] { ++told; });
            reader.take();
        }
        gone.reset();
        QTest::qWait(20);
        QCOMPARE(told, 1);
    }

    /// The base follows its file: a change saved by another program is read again once the
    /// file stands still, the list kept, the table and the focused entry's lore refreshed; a
    /// file gone keeps the base, says so once, and its return is read.
    void baseFollowsItsFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("a new file renamed over it") << u"rename"_s;
        QTest::newRow("rewritten in place") << u"in place"_s;
        QTest::newRow("deleted, then written again") << u"deleted"_s;
    }
    void baseFollowsItsFile()
    {
        QFETCH(QString, how);
        writeBase(u"staff.hjt"_s);
        writeTextFile(u"list.txt"_s, {u"синий плащ"_s, u"меч"_s}, TextEncoding::Ansi);
        start();
        m_form->ListBox1->setCurrentRow(0);
        m_form->ShowItemLore();
        QCOMPARE(tableColumn(LevelColumn), (QStringList{u"12"_s, QString()}));
        QVERIFY(m_form->memo3->toPlainText().contains(u"мин.уровень 12"_s));

        const QByteArray changed = encodeLines(baseLines(15), TextEncoding::Utf8Bom);
        if (how == u"rename"_s) {
            QSaveFile file(u"staff.hjt"_s); // a new file, renamed over the old one
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(changed);
            QVERIFY(file.commit());
        } else if (how == u"in place"_s) {
            writeBytes(u"staff.hjt"_s, changed);
        } else {
            QVERIFY(QFile::remove(u"staff.hjt"_s));
            QTRY_COMPARE(m_services.errors.size(), 1);
            QVERIFY(m_services.errors[0].startsWith(u"Cannot open file \""_s));
            // The base in memory stays.
            QTest::qWait(BaseFileWatch::settleMs * 2);
            QCOMPARE(tableColumn(LevelColumn), (QStringList{u"12"_s, QString()}));
            writeBytes(u"staff.hjt"_s, changed);
        }
        QTRY_COMPARE(tableColumn(LevelColumn), (QStringList{u"15"_s, QString()}));
        QVERIFY(!m_form->baseLoadPending());
        QVERIFY(!m_form->windowTitle().contains(u"загрузка"_s));
        QVERIFY(m_form->memo3->toPlainText().contains(u"мин.уровень 15"_s));
        QCOMPARE(entries(), (QStringList{u"синий плащ"_s, u"меч"_s}));
        QCOMPARE(m_services.errors.size(), how == u"deleted"_s ? 1 : 0);
    }

    /// A reload runs on the worker thread and nobody waits for it: a click meanwhile is
    /// answered at once from the base the window has; a newer change supersedes the running
    /// read, whose result is dropped; the title tells the reload until it is in.
    void clickDuringAReloadIsAnsweredFromTheBaseItHas()
    {
        writeBase(u"staff.hjt"_s);
        writeTextFile(u"list.txt"_s, {u"синий плащ"_s}, TextEncoding::Ansi);
        start();
        m_form->show();
        // The first read holds on until the test lets it go (a big base, a slow disk); a
        // thread lets it go in any case, so that a window that waits for it is not stuck.
        std::promise<void> gate;
        std::shared_future<void> opened = gate.get_future().share();
        std::atomic<int> reads = 0;
        m_form->baseReload().setReader([opened, &reads](const QString &path) {
            StaffBaseLoad load = readChangedBase(path);
            if (++reads == 1)
                opened.wait_for(std::chrono::seconds(3));
            return load;
        });
        writeBytes(u"staff.hjt"_s, encodeLines(baseLines(15), TextEncoding::Utf8Bom));
        QTRY_COMPARE(reads.load(), 1);
        QVERIFY(m_form->windowTitle().endsWith(u"загрузка базы стафа…"_s));
        clickListEntry(m_form->ListBox1, 0);
        QVERIFY(m_form->memo3->toPlainText().contains(u"мин.уровень 12"_s));
        QVERIFY(m_form->baseReload().pending());

        writeBytes(u"staff.hjt"_s, encodeLines(baseLines(20), TextEncoding::Utf8Bom));
        QTRY_COMPARE(tableColumn(LevelColumn), QStringList{u"20"_s});
        QVERIFY(m_form->memo3->toPlainText().contains(u"мин.уровень 20"_s));
        QVERIFY(!m_form->windowTitle().contains(u"загрузка"_s));
        gate.set_value();
        QTest::qWait(200); // the superseded read ends and hands back level 15
        QCOMPARE(tableColumn(LevelColumn), QStringList{u"20"_s});
        QVERIFY(m_form->memo3->toPlainText().contains(u"мин.уровень 20"_s));
        QCOMPARE(reads.load(), 2);
        QCOMPARE(m_services.errors, QStringList());
    }

    /// The base changes while «Выбрать»'s dialog is open, and the player then picks another
    /// file: the reload of the old file, still in flight, never replaces the chosen base.
    void reloadInFlightGivesWayToTheChosenBase()
    {
        writeBase(u"staff.hjt"_s);
        writeTextFile(u"list.txt"_s, {u"синий плащ"_s}, TextEncoding::Ansi);
        start();
        std::promise<void> gate;
        std::shared_future<void> opened = gate.get_future().share();
        std::atomic<int> reads = 0;
        m_form->baseReload().setReader([opened, &reads](const QString &path) {
            StaffBaseLoad load = readChangedBase(path);
            ++reads;
            opened.wait_for(std::chrono::seconds(3));
            return load;
        });
        const QString other = m_dir->filePath(u"other.hjt"_s);
        writeTextFile(other, baseLines(30), TextEncoding::Utf8Bom);
        m_services.openAnswer = other;
        m_services.duringOpenDialog = [&] {
            writeBytes(u"staff.hjt"_s, encodeLines(baseLines(15), TextEncoding::Utf8Bom));
            QTRY_COMPARE(reads.load(), 1);
        };
        QTest::mouseClick(m_form->Button8, Qt::LeftButton);
        QCOMPARE(m_form->Edit1->text(), other);
        gate.set_value();
        QTest::qWait(200); // the old file's read ends and hands back level 15
        clickListEntry(m_form->ListBox1, 0);
        QVERIFY(m_form->memo3->toPlainText().contains(u"мин.уровень 30"_s));
        QCOMPARE(m_form->StringGrid1Index.level(1), u"30"_s);
        QVERIFY(!m_form->windowTitle().contains(u"загрузка"_s));
        QCOMPARE(m_services.errors, QStringList());
    }

    /// A file that cannot be read for a moment (held by an outliner or a virus scanner) is
    /// read again after growing pauses; a failure at every try keeps the base and is told
    /// once, and again after the player has loaded a base.
    void failedReloadIsTriedAgain()
    {
        writeBase(u"staff.hjt"_s);
        writeTextFile(u"list.txt"_s, {u"синий плащ"_s}, TextEncoding::Ansi);
        start();
        std::atomic<int> failuresLeft = 2;
        std::atomic<int> tries = 0;
        m_form->baseReload().setReader([&](const QString &path) {
            ++tries;
            if (failuresLeft-- > 0)
                throw TarnError(cannotOpenFileMessage(path, u"The file is in use."_s));
            return readChangedBase(path);
        });
        writeBytes(u"staff.hjt"_s, encodeLines(baseLines(15), TextEncoding::Utf8Bom));
        QTRY_COMPARE(tableColumn(LevelColumn), QStringList{u"15"_s});
        QCOMPARE(tries.load(), 3);
        QCOMPARE(m_services.errors, QStringList());

        const auto failEveryTry = [&](int level) {
            failuresLeft = 1000;
            const int before = tries;
            writeBytes(u"staff.hjt"_s, encodeLines(baseLines(level), TextEncoding::Utf8Bom));
            QTRY_VERIFY_WITH_TIMEOUT(tries == before + 1 + int(BaseReload::retryPausesMs.size())
                                         && !m_form->baseReload().pending(),
                                     10000);
            QVERIFY(!m_form->windowTitle().contains(u"загрузка"_s));
        };
        failEveryTry(16);
        QCOMPARE(m_services.errors.size(), 1);
        QVERIFY(m_services.errors[0].endsWith(u"The file is in use."_s));
        QCOMPARE(tableColumn(LevelColumn), QStringList{u"15"_s});
        failEveryTry(17);
        QCOMPARE(m_services.errors.size(), 1); // said once

        failuresLeft = 0;
        QTest::mouseClick(m_form->Button6, Qt::LeftButton);
        QCOMPARE(m_form->StringGrid1Index.level(1), u"17"_s);
        failEveryTry(18);
        QCOMPARE(m_services.errors.size(), 2);
    }

    /// A reload changes no keyboard layout and leaves the lore view where the player has it:
    /// an unchanged record is not touched, a changed one keeps the scroll position and the
    /// selection as far as they reach.
    void reloadLeavesTheLoreViewWhereItIs()
    {
        QStringList lines = baseLines();
        for (int i = 1; i <= 80; ++i)
            lines.insert(lines.size() - 1, u"строка описания номер %1"_s.arg(i));
        writeTextFile(u"staff.hjt"_s, lines, TextEncoding::Utf8Bom);
        writeTextFile(u"list.txt"_s, {u"синий плащ"_s, u"ржавый ключ"_s}, TextEncoding::Ansi);
        start();
        m_form->resize(900, 500);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        clickListEntry(m_form->ListBox1, 0);
        QPlainTextEdit *lore = m_form->memo3;
        QTextCursor selection(lore->document());
        selection.setPosition(120);
        selection.setPosition(140, QTextCursor::KeepAnchor);
        lore->setTextCursor(selection);
        lore->verticalScrollBar()->setValue(30);
        const int steps = m_services.keyboardLayoutSteps;

        // Another item's record changes: the view is not touched.
        QStringList changed = lines;
        changed[4] = u"мин.уровень 4"_s;
        writeTextFile(u"staff.hjt"_s, changed, TextEncoding::Utf8Bom);
        QTRY_COMPARE(tableColumn(LevelColumn), (QStringList{u"12"_s, u"4"_s}));
        QCOMPARE(lore->verticalScrollBar()->value(), 30);
        QCOMPARE(lore->textCursor().anchor(), 120);
        QCOMPARE(lore->textCursor().position(), 140);

        // The shown record changes: its new text, the view where it was.
        changed[9] = u"мин.уровень 13"_s;
        writeTextFile(u"staff.hjt"_s, changed, TextEncoding::Utf8Bom);
        QTRY_VERIFY(lore->toPlainText().contains(u"мин.уровень 13"_s));
        QCOMPARE(lore->verticalScrollBar()->value(), 30);
        QCOMPARE(lore->textCursor().anchor(), 120);
        QCOMPARE(lore->textCursor().position(), 140);
        QCOMPARE(m_services.keyboardLayoutSteps, steps);
        QCOMPARE(m_form->ListBox1->currentRow(), 0);
        QCOMPARE(m_form->StringGrid2->currentRow(), 0);
        QCOMPARE(m_services.errors, QStringList());
    }

    /// A lock file left by a copy that had this process's number (a copy killed under Wine,
    /// which hands the same numbers out again) does not keep the program from starting.
    void lockLeftUnderThisProcessNumberIsTaken()
    {
        const QString path = QDir(m_dir->path()).filePath(u"tarnbook.lock"_s);
        QByteArray left;
        {
            QLockFile lock(path);
            QVERIFY(lock.tryLock(0));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            left = file.readAll();
        }
        QVERIFY(!QFile::exists(path));
        writeBytes(path, left);
        SingleInstance instance(m_dir->path());
        QCOMPARE(instance.claim(), SingleInstance::Claim::Owned);
    }
};

QTEST_MAIN(TestWindowState)
#include "tst_window_state.moc"
