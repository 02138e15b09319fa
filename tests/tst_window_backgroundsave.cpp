// Saves between closes, under the offscreen platform: list.txt follows every command that
// changes the list and settings.ini every setting, shortly after the change and never inside
// the click; bursts write once; a failing save shows its box once.

#include "app/desktop/backgroundsaver.h"
#include "app/form/Unit1.h"
#include "app/widgets/colourpicker.h"
#include "app/widgets/searchcombobox.h"
#include "fakeuiservices.h"
#include "faultinjection.h"
#include "text/textfile.h"
#include "windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;
using namespace faults;

namespace {

QStringList record(const QString &name, const QString &line, int level)
{
    return {u"<node>"_s,    u"Предмет '%1', Тип предмета: Броня"_s.arg(name),
            u"Вн Ва"_s,     u"Оценка: 1, 2"_s,
            line,           u"мин.уровень %1"_s.arg(level),
            u"<end node>"_s};
}

/// Five invented items; «амулет» and «жилет» have «удача».
QStringList baseLines()
{
    return record(u"плащ"_s, u"Вы можете одеть это на плечи."_s, 5)
        + record(u"шлем"_s, u"Вы можете одеть это на голову."_s, 20)
        + record(u"амулет"_s, u"Вы можете одеть это на шею. удача +3"_s, 10)
        + record(u"жилет"_s, u"Вы можете одеть это на тело. удача +1"_s, 7)
        + record(u"кольцо"_s, u"Вы можете одеть это на палец."_s, 1);
}

/// Neither in alphabetical nor in level order.
const QStringList kStartList = {u"плащ"_s, u"шлем"_s, u"амулет"_s};

QStringList fileLines(const QString &path)
{
    return fileExists(path) ? readTextFile(path).lines : QStringList();
}

QString pastedList(int count)
{
    QString text;
    for (int i = 1; i <= count; ++i)
        text += u"%1. меч огня номер %2\r\n"_s.arg(i).arg(i);
    return text;
}

enum class ListChange {
    Add,
    Replace,
    Clear,
    Delete,
    Cut,
    SortedMode,
    TableSort,
    LoadListFile,
    LoadQuickSlot,
    NameSearch,
    PropertySearch,
    Filter,
};
enum class SettingChange { BasePath, Prefix, ExchangeOperation, Colour, Move, Resize };

} // namespace

class TestWindowBackgroundSave : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScratchWorkingFolder> m_dir;
    FakeUiServices m_services;
    std::unique_ptr<TForm1> m_form;

    void start()
    {
        m_form.reset();
        m_form = std::make_unique<TForm1>(&m_services);
        m_form->CheckBox2->setChecked(false);
    }
    QStringList entries() const { return listEntries(m_form->ListBox1); }
    BackgroundSaver *saver() const { return m_form->findChild<BackgroundSaver *>(); }
    void paste(const QString &text, QPushButton *button = nullptr)
    {
        m_services.clipboard = text;
        (button ? button : m_form->Button1)->click();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<ScratchWorkingFolder>();
        QVERIFY(m_dir->isValid());
        m_services = FakeUiServices();
        writeTextFile(u"staff.hjt"_s, baseLines(), TextEncoding::Ansi);
        writeTextFile(u"list.txt"_s, kStartList, TextEncoding::Ansi);
    }
    void cleanup()
    {
        m_form.reset();
        m_dir.reset();
    }

    /// Every command that changes the list: list.txt is left alone inside the click and holds
    /// the new list shortly after it, in the list's encoding.
    void listFollowsEveryChange_data()
    {
        QTest::addColumn<ListChange>("change");
        QTest::addColumn<bool>("utf8Mark"); // the list now comes from a file with the mark
        QTest::newRow("Добавить") << ListChange::Add << false;
        QTest::newRow("Заменить") << ListChange::Replace << false;
        QTest::newRow("Очистить") << ListChange::Clear << false;
        QTest::newRow("Удалить") << ListChange::Delete << false;
        QTest::newRow("Вырезать") << ListChange::Cut << false;
        QTest::newRow("Сортировать") << ListChange::SortedMode << false;
        QTest::newRow("table sort by level") << ListChange::TableSort << false;
        QTest::newRow("Загрузить список") << ListChange::LoadListFile << true;
        QTest::newRow("quick slot load") << ListChange::LoadQuickSlot << false;
        QTest::newRow("name search") << ListChange::NameSearch << false;
        QTest::newRow("property search") << ListChange::PropertySearch << false;
        QTest::newRow("property filter") << ListChange::Filter << false;
    }
    void listFollowsEveryChange()
    {
        QFETCH(ListChange, change);
        QFETCH(bool, utf8Mark);
        writeTextFile(u"other.txt"_s, {u"кольцо"_s, u"жилет"_s}, TextEncoding::Utf8Bom);
        writeTextFile(u"save1.txt"_s, {u"жилет"_s}, TextEncoding::Ansi);
        start();
        QCOMPARE(entries(), kStartList);

        switch (change) {
        case ListChange::Add: paste(u"кольцо\r\n"_s); break;
        case ListChange::Replace: paste(u"кольцо\r\n"_s, m_form->Button2); break;
        case ListChange::Clear: m_form->Button3->click(); break;
        case ListChange::Delete: m_form->e1->trigger(); break;
        case ListChange::Cut:
            m_form->ListBox1->setCurrentRow(1);
            m_form->N3->trigger();
            break;
        case ListChange::SortedMode: m_form->C2->trigger(); break;
        case ListChange::TableSort: m_form->N4->trigger(); break;
        case ListChange::LoadListFile:
            m_services.openAnswer = u"other.txt"_s;
            m_form->P1->trigger();
            break;
        case ListChange::LoadQuickSlot: m_form->sBitBtn4->click(); break;
        case ListChange::NameSearch:
            m_form->Edit3->setText(u"шлем"_s);
            QTest::keyClick(m_form->Edit3, Qt::Key_Return);
            break;
        case ListChange::PropertySearch:
            m_form->ComboBox6->setEditText(u"удача +"_s);
            QTest::keyClick(m_form->ComboBox6, Qt::Key_Return);
            break;
        case ListChange::Filter:
            m_form->ComboBox5->setEditText(u"удача"_s);
            QTest::keyClick(m_form->ComboBox5, Qt::Key_Return);
            break;
        }
        QVERIFY2(m_services.errors.isEmpty(), qPrintable(m_services.errors.join(u'\n')));
        const QStringList changed = entries();
        QVERIFY(changed != kStartList);
        QCOMPARE(fileLines(u"list.txt"_s), kStartList); // not inside the click
        QTRY_COMPARE(fileLines(u"list.txt"_s), changed);
        const TextEncoding encoding = readTextFile(u"list.txt"_s).encoding;
        QCOMPARE(encoding, utf8Mark ? TextEncoding::Utf8Bom : TextEncoding::Ansi);
        QVERIFY(m_services.errors.isEmpty());
    }

    /// Every setting of settings.ini is saved shortly after it changes.
    void settingsFollowEveryChange_data()
    {
        QTest::addColumn<SettingChange>("change");
        QTest::newRow("base path") << SettingChange::BasePath;
        QTest::newRow("prefix") << SettingChange::Prefix;
        QTest::newRow("exchange operation") << SettingChange::ExchangeOperation;
        QTest::newRow("colour") << SettingChange::Colour;
        QTest::newRow("move") << SettingChange::Move;
        QTest::newRow("resize") << SettingChange::Resize;
    }
    void settingsFollowEveryChange()
    {
        QFETCH(SettingChange, change);
        start();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        // Whatever showing the window wrote first.
        QTRY_COMPARE(fileLines(u"settings.ini"_s), m_form->savedSettingsLines());
        const QStringList before = m_form->savedSettingsLines();

        switch (change) {
        case SettingChange::BasePath: m_form->Edit1->setText(u"другая база.hjt"_s); break;
        case SettingChange::Prefix: m_form->ComboBox1->setEditText(u"положить"_s); break;
        case SettingChange::ExchangeOperation: m_form->ComboBox2->setEditText(u"снять"_s); break;
        case SettingChange::Colour:
            m_form->ColorBox1->setFocus();
            QTest::keyClick(m_form->ColorBox1, Qt::Key_Down);
            break;
        case SettingChange::Move: m_form->move(m_form->pos() + QPoint(37, 21)); break;
        case SettingChange::Resize: m_form->resize(m_form->size() + QSize(45, 33)); break;
        }
        QTRY_VERIFY(m_form->savedSettingsLines() != before);
        QTRY_COMPARE(fileLines(u"settings.ini"_s), m_form->savedSettingsLines());
        QVERIFY(m_services.errors.isEmpty());
    }

    /// A burst of commands, a paste of 5,000 lines among them, is written once, after them.
    void burstIsWrittenOnce()
    {
        start();
        QSignalSpy saves(saver(), &BackgroundSaver::saved);
        for (int i = 0; i < 4; ++i)
            paste(u"1. кольцо\r\n"_s); // a numbered line is added every time
        paste(pastedList(5000));
        m_form->C2->trigger();
        QCOMPARE(entries().size(), 3 + 4 + 5000);
        QCOMPARE(fileLines(u"list.txt"_s), kStartList);
        QTRY_COMPARE(fileLines(u"list.txt"_s), entries());
        QTRY_VERIFY(!saver()->pending());
        QCOMPARE(saves.size(), 1);
    }

    /// Changes that never pause are still saved while they go on: a change waits for at most
    /// one delay, not for the end of the burst.
    void endlessChangesAreSavedAsTheyGo()
    {
        start();
        int made = 0;
        QTimer changer;
        connect(&changer, &QTimer::timeout, this, [&] { paste(u"%1. шлем\r\n"_s.arg(++made)); });
        changer.start(BackgroundSaver::delayMs / 5);
        QTRY_VERIFY(fileLines(u"list.txt"_s).size() > kStartList.size() && changer.isActive());
        changer.stop();
        QTRY_COMPARE(fileLines(u"list.txt"_s), entries());
    }

    /// A list.txt that could not be read at start is not replaced between closes.
    void unreadListFileIsHeldBack()
    {
#ifdef Q_OS_UNIX
        QFile::remove(u"list.txt"_s);
        SocketFile socket(m_dir->filePath(u"list.txt"_s));
        if (!socket.bound())
            QSKIP("cannot bind a Unix socket here");
        start();
        QCOMPARE(m_services.errors.size(), 1); // its reading at start
        QSignalSpy saves(saver(), &BackgroundSaver::saved);
        paste(u"кольцо\r\n"_s);
        QTRY_COMPARE(saves.size(), 1);
        const auto plan = saves.first().first().value<BackgroundSavePlan>();
        QVERIFY(plan.listHeldBack);
        QVERIFY(!plan.writeList);
        QVERIFY(!QFileInfo(m_dir->filePath(u"list.txt"_s)).isFile());
        QCOMPARE(m_services.errors.size(), 1);
        QVERIFY(m_services.questions.isEmpty());
#else
        QSKIP("no Unix sockets on this system");
#endif
    }

    /// A disk that takes no more: one box, then quiet tries at every change, the list kept
    /// in memory and the old list.txt whole; once there is room again, the list is saved, and
    /// a new run of failures shows its box again.
    void failingSaveShowsItsBoxOnce()
    {
#ifdef Q_OS_UNIX
        start();
        QSignalSpy saves(saver(), &BackgroundSaver::saved);
        auto full = std::make_unique<FileSizeLimit>(16 * 1024);
        paste(pastedList(2000));
        QTRY_COMPARE(m_services.errors.size(), 1);
        QVERIFY2(m_services.errors.first().startsWith(u"Cannot create file \"list.txt\". "_s),
                 qPrintable(m_services.errors.first()));
        QCOMPARE(fileLines(u"list.txt"_s), kStartList);

        for (int i = 0; i < 2; ++i) {
            const qsizetype tries = saves.size();
            paste(u"%1. шлем\r\n"_s.arg(i));
            QTRY_COMPARE(saves.size(), tries + 1);
            QVERIFY(saves.last().at(1).toBool()); // failed
        }
        QCOMPARE(m_services.errors.size(), 1);
        QCOMPARE(entries().size(), 3 + 2000 + 2);
        QCOMPARE(fileLines(u"list.txt"_s), kStartList);

        full.reset();
        paste(u"кольцо\r\n"_s);
        QTRY_COMPARE(fileLines(u"list.txt"_s), entries());
        QCOMPARE(m_services.errors.size(), 1);

        full = std::make_unique<FileSizeLimit>(16 * 1024);
        paste(u"жилет\r\n"_s);
        QTRY_COMPARE(m_services.errors.size(), 2);
#else
        QSKIP("no file size limit on this system");
#endif
    }

    /// The close writes the files itself; a save still waiting is dropped with it.
    void closeDropsTheWaitingSave()
    {
        start();
        m_form->show();
        paste(u"кольцо\r\n"_s);
        QVERIFY(saver()->pending());
        QVERIFY(m_form->close());
        QVERIFY(!saver()->pending());
        QCOMPARE(fileLines(u"list.txt"_s), entries());
    }
};

QTEST_MAIN(TestWindowBackgroundSave)
#include "tst_window_backgroundsave.moc"
