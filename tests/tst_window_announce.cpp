// What the window tells the screen reader when a command is done: every command's outcome
// once, in the program's words, and nothing for a command that failed (its error box speaks).
// Whether a real screen reader speaks it: tests/e2e/orca_e2e.py.

#include "app/desktop/announcer.h"
#include "app/form/Unit1.h"
#include "app/widgets/fittinglabel.h"
#include "app/widgets/itemlistwidget.h"
#include "app/widgets/itemtablewidget.h"
#include "app/widgets/searchcombobox.h"
#include "fakeuiservices.h"
#include "list/outcomewords.h"
#include "text/textfile.h"
#include "windowtest.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

using Command = std::function<void(TForm1 &, FakeUiServices &)>;
Q_DECLARE_METATYPE(Command)

namespace {

/// A staff base with two invented items, «ржавый ключ» and «синий плащ».
void writeBase(const QString &path)
{
    writeTextFile(path,
                  {u"<node>"_s, u"Предмет 'ржавый ключ', Тип предмета: Обычный"_s, u"Вн Ва"_s,
                   u"Оценка: 1, 2"_s, u"мин.уровень 3"_s, u"<end node>"_s,
                   u"Предмет 'синий плащ', Тип предмета: Обычный"_s, u"Ма Ле"_s, u"Оценка: 4, 5"_s,
                   u"мин.уровень 12"_s, u"<end node>"_s},
                  TextEncoding::Utf8Bom);
}

/// What the accessibility bridge is handed, caught before it.
struct CaughtEvent
{
    QAccessibleInterface *object;
    QAccessible::Event type;
    QAccessible::Role role;
    QString name;
};
QList<CaughtEvent> caught;

void catchEvent(QAccessibleEvent *event)
{
    QAccessibleInterface *object = event->accessibleInterface();
    QString name = object ? object->text(QAccessible::Name) : QString();
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    if (event->type() == QAccessible::Announcement)
        name = static_cast<QAccessibleAnnouncementEvent *>(event)->message();
#endif
    caught.append({object, event->type(), object ? object->role() : QAccessible::NoRole, name});
}

} // namespace

class TestWindowAnnounce : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScratchWorkingFolder> m_dir;
    FakeUiServices m_services;
    std::unique_ptr<TForm1> m_form;

private slots:
    void init()
    {
        m_dir = std::make_unique<ScratchWorkingFolder>();
        QVERIFY(m_dir->isValid());
        m_services = FakeUiServices();
        m_form = std::make_unique<TForm1>(&m_services);
        m_form->CheckBox2->setChecked(false);
        writeBase(u"staff.hjt"_s);
        m_form->Edit1->setText(u"staff.hjt"_s);
        m_form->clickButton6();
        // The list every command starts from: both items of the base.
        m_services.clipboard = u"синий плащ\r\nржавый ключ\r\n"_s;
        m_form->Button1Click();
        m_form->ListBox1->setCurrentRow(0);
        m_services.announcements.clear();
    }
    void cleanup()
    {
        m_form.reset();
        m_dir.reset();
    }

    void everyCommandIsToldOnce_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QStringList>("told");
        const auto row = [](const char *name, const Command &command, const QString &told) {
            QTest::newRow(name) << command << (told.isEmpty() ? QStringList() : QStringList{told});
        };
        row(
            "Добавить",
            [](TForm1 &form, FakeUiServices &desk) {
                desk.clipboard = u"щит\r\n"_s;
                form.Button1Click();
            },
            u"Предметов в списке: 3"_s);
        row(
            "Заменить",
            [](TForm1 &form, FakeUiServices &desk) {
                desk.clipboard = u"щит\r\n"_s;
                form.Button2Click();
            },
            u"Предметов в списке: 1"_s);
        row(
            "Очистить", [](TForm1 &form, FakeUiServices &) { form.Button3Click(); },
            u"Список пуст"_s);
        row(
            "Удалить", [](TForm1 &form, FakeUiServices &) { form.e1Click(); },
            u"Предметов в списке: 1"_s);
        row(
            "Вырезать",
            [](TForm1 &form, FakeUiServices &) {
                form.d1Click();
                form.N3Click();
            },
            u"Список пуст"_s);
        row(
            "Сортировать", [](TForm1 &form, FakeUiServices &) { form.C2Click(); },
            u"Предметов в списке: 2"_s);
        row(
            "Сортировка по уровню", [](TForm1 &form, FakeUiServices &) { form.N4Click(); },
            u"Предметов в списке: 2"_s);
        row(
            "поиск по имени",
            [](TForm1 &form, FakeUiServices &) {
                form.Edit3->setText(u"плащ"_s);
                int key = Qt::Key_Return;
                form.Edit3KeyDown(key, Qt::NoModifier);
            },
            u"Найдено: 1 предметов"_s);
        row(
            "поиск по свойству, ничего",
            [](TForm1 &form, FakeUiServices &) {
                form.ComboBox6->setEditText(u"удача"_s);
                int key = Qt::Key_Return;
                form.ComboBox6KeyDown(key, Qt::NoModifier);
            },
            u"Ничего не найдено"_s);
        row(
            "фильтр",
            [](TForm1 &form, FakeUiServices &) {
                form.ComboBox5->setEditText(u"Ма"_s);
                int key = Qt::Key_Return;
                form.ComboBox5KeyDown(key, Qt::NoModifier);
            },
            u"Предметов в списке: 1"_s);
        row(
            "Отменить",
            [](TForm1 &form, FakeUiServices &desk) {
                form.Button3Click();
                desk.announcements.clear();
                form.Undo1Click();
            },
            u"Отменено: очистка, 0 предметов → 2 предметов"_s);
        row(
            "Вернуть",
            [](TForm1 &form, FakeUiServices &desk) {
                form.Button3Click();
                form.Undo1Click();
                desk.announcements.clear();
                form.Redo1Click();
            },
            u"Возвращено: очистка, 2 предметов → 0 предметов"_s);
        row(
            "Пакетные", [](TForm1 &form, FakeUiServices &) { form.Button4Click(); },
            u"Пакет в буфере обмена: 2 строки"_s);
        row(
            "Сорт", [](TForm1 &form, FakeUiServices &) { form.Button15Click(); },
            u"Пакет в буфере обмена: 4 строки"_s);
        row(
            "Копировать", [](TForm1 &form, FakeUiServices &) { form.R1Click(); },
            u"Скопировано в буфер обмена: 1 строка"_s);
        row(
            "Копировать все", [](TForm1 &form, FakeUiServices &) { form.c1Click(); },
            u"Скопировано в буфер обмена: 2 строки"_s);
        row(
            "Сохранить список",
            [](TForm1 &form, FakeUiServices &desk) {
                desk.saveAnswer = u"мой список.txt"_s;
                form.C3Click();
            },
            u"Список сохранён в файл мой список.txt"_s);
        row(
            "Загрузить список",
            [](TForm1 &form, FakeUiServices &desk) {
                writeTextFile(u"другой.txt"_s, {u"щит"_s}, TextEncoding::Ansi);
                desk.openAnswer = u"другой.txt"_s;
                form.P1Click();
            },
            u"Предметов в списке: 1"_s);
        // The box of the quick save speaks by itself.
        row(
            "быстрое сохранение", [](TForm1 &form, FakeUiServices &) { form.sBitBtn1Click(); },
            QString());
        row(
            "быстрая загрузка",
            [](TForm1 &form, FakeUiServices &desk) {
                form.sBitBtn1Click();
                form.Button3Click();
                desk.announcements.clear();
                form.sBitBtn4Click();
            },
            u"Предметов в списке: 2"_s);
        row(
            "Загрузить базу", [](TForm1 &form, FakeUiServices &) { form.clickButton6(); },
            u"База стафа загружена: 2 предметов"_s);
        row(
            "Загрузить базу, файла нет",
            [](TForm1 &form, FakeUiServices &) {
                form.Edit1->setText(u"нет такой.hjt"_s);
                form.clickButton6();
            },
            u"файл базы не найден"_s);
        // A failed command is told by its error box alone.
        row(
            "Загрузить список, не читается",
            [](TForm1 &form, FakeUiServices &desk) {
                desk.openAnswer = u"нет такого.txt"_s;
                form.guarded([&] { form.P1Click(); });
            },
            QString());
    }
    void everyCommandIsToldOnce()
    {
        QFETCH(Command, command);
        QFETCH(QStringList, told);
        command(*m_form, m_services);
        QCOMPARE(m_services.announcements, told);
    }

    /// A failed command's error box is its only word.
    void failedCommandSaysNothingMore()
    {
        m_services.openAnswer = u"нет такого.txt"_s;
        m_form->guarded([this] { m_form->P1Click(); });
        QCOMPARE(m_services.errors.size(), 1);
        QVERIFY(m_services.announcements.isEmpty());
    }

    /// The labels keep their own words: the count label shows "N предметов" whatever is told.
    void labelsStayAsTheyWere()
    {
        m_form->Button3Click();
        m_form->Undo1Click();
        QCOMPARE(m_form->Label1->text(), u"2 предметов"_s);
        QCOMPARE(m_form->Label1->accessibleName(), m_services.announcements.last());
    }

    /// A cell or entry that shows nothing has words of its own.
    void emptyCellsHaveWords()
    {
        m_services.clipboard = u"Вы используете:\r\n"_s; // a header line: a blank entry
        m_form->Button1Click();
        const QAbstractItemModel *list = m_form->ListBox1->model();
        const int blank = list->rowCount() - 1;
        QCOMPARE(listEntry(m_form->ListBox1, blank).trimmed(), QString());
        m_form->ListBox1->setCurrentRow(blank);
        QCOMPARE(list->index(blank, 0).data(Qt::AccessibleTextRole).toString(), u"нет предмета"_s);
        const QAbstractItemModel *table = m_form->StringGrid2->model();
        QCOMPARE(table->index(blank, 0).data(Qt::AccessibleTextRole).toString(), u"нет предмета"_s);
        QCOMPARE(table->index(blank, 2).data(Qt::AccessibleTextRole).toString(), u"нет уровня"_s);
        for (int row = 0; row < table->rowCount(); ++row) {
            for (int column = 0; column < table->columnCount(); ++column) {
                const QModelIndex cell = table->index(row, column);
                QVERIFY2(!cell.data(Qt::AccessibleTextRole).toString().trimmed().isEmpty()
                             || !cell.data().toString().trimmed().isEmpty(),
                         qPrintable(u"row %1, column %2"_s.arg(row).arg(column)));
            }
        }
    }

    /// What the announcer hands the accessibility bridge: with Qt 6.8 or newer a polite
    /// announcement, before it a note of the notification role, named by the message, that
    /// becomes showing; every message a note of its own until the notes go round.
    void announcerReachesTheBridge()
    {
        caught.clear();
        Announcer announcer(m_form.get());
        announcer.setSender(catchEvent);
        announcer.announce(u"Список пуст"_s);
        announcer.announce(u"Предметов в списке: 2"_s);
        QCOMPARE(caught.size(), 2);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        QCOMPARE(caught[0].type, QAccessible::Announcement);
        QCOMPARE(caught[0].name, u"Список пуст"_s);
        QCOMPARE(caught[1].name, u"Предметов в списке: 2"_s);
#else
        QCOMPARE(caught[0].type, QAccessible::ObjectShow);
        QCOMPARE(caught[0].role, QAccessible::Notification);
        QCOMPARE(caught[0].name, u"Список пуст"_s);
        QCOMPARE(caught[1].role, QAccessible::Notification);
        QCOMPARE(caught[1].name, u"Предметов в списке: 2"_s);
        // The first note still says its own message when a screen reader comes to read it.
        QCOMPARE(caught[0].object->text(QAccessible::Name), u"Список пуст"_s);
#endif
    }
};

QTEST_MAIN(TestWindowAnnounce)
#include "tst_window_announce.moc"
