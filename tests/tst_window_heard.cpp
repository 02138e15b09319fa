// What the accessibility bridge receives when a command is done, from the window's real desktop
// services and announcer (no fake): an update handler takes the bridge's place and catches
// every event, so each command's words are checked as the bridge would pass them on. With Qt
// 6.8 or newer that is a polite announcement (UI Automation's notification on Windows, which
// the Windows build runs under Wine); before it a note of the notification role that becomes
// showing. Message boxes speak by themselves: an alert, and no announcement besides.

#include "app/form/Unit1.h"
#include "app/widgets/itemlistwidget.h"
#include "app/widgets/searchcombobox.h"
#include "text/textfile.h"
#include "windowtest.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

using Command = std::function<void(TForm1 &)>;
Q_DECLARE_METATYPE(Command)

namespace {

/// One event as the bridge would have received it.
struct HeardEvent
{
    QAccessible::Event type;
    QAccessible::Role role;
    QString words; ///< an announcement's message, else the object's name
    bool polite = false;
};
QList<HeardEvent> heard;

void hear(QAccessibleEvent *event)
{
    HeardEvent one{event->type(), QAccessible::NoRole, QString()};
    if (QAccessibleInterface *object = event->accessibleInterface()) {
        one.role = object->role();
        one.words = object->text(QAccessible::Name);
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    if (event->type() == QAccessible::Announcement) {
        const auto *announcement = static_cast<QAccessibleAnnouncementEvent *>(event);
        one.words = announcement->message();
        one.polite = announcement->politeness() == QAccessible::AnnouncementPoliteness::Polite;
    }
#endif
    heard.append(one);
}

/// What a screen reader speaks of its own accord: the announcements (Qt 6.8 or newer) or the
/// notes that became showing (before it).
QList<HeardEvent> spoken()
{
    QList<HeardEvent> said;
    for (const HeardEvent &event : std::as_const(heard)) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        if (event.type == QAccessible::Announcement)
            said.append(event);
#else
        if (event.type == QAccessible::ObjectShow && event.role == QAccessible::Notification)
            said.append(event);
#endif
    }
    return said;
}

QStringList spokenWords()
{
    QStringList words;
    for (const HeardEvent &event : spoken())
        words.append(event.words);
    return words;
}

qsizetype alertCount()
{
    return std::count_if(heard.cbegin(), heard.cend(),
                         [](const HeardEvent &event) { return event.type == QAccessible::Alert; });
}

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

void setClipboard(const QString &text)
{
    QApplication::clipboard()->setText(text);
}

/// Closes the message boxes that come up while `command` runs, as the player's Enter does.
void closingBoxes(const std::function<void()> &command)
{
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, &closer, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->close();
    });
    closer.start();
    command();
}

void pressReturn(TForm1 &form, void (TForm1::*keyDown)(int &, Qt::KeyboardModifiers))
{
    int key = Qt::Key_Return;
    (form.*keyDown)(key, Qt::NoModifier);
}

} // namespace

class TestWindowHeard : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScratchWorkingFolder> m_dir;
    std::unique_ptr<TForm1> m_form;

private slots:
    void initTestCase()
    {
        // The bridge is woken as a screen reader wakes it; the handler then takes every event.
        QPlatformAccessibility *bridge =
            QGuiApplicationPrivate::platformIntegration()->accessibility();
        QVERIFY(bridge);
        bridge->setActive(true);
        QAccessible::installUpdateHandler(hear);
        QVERIFY(QAccessible::isActive());
    }

    void init()
    {
        m_dir = std::make_unique<ScratchWorkingFolder>();
        QVERIFY(m_dir->isValid());
        m_form = std::make_unique<TForm1>(); // the real desktop services
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_form->CheckBox2->setChecked(false);
        writeBase(u"staff.hjt"_s);
        m_form->Edit1->setText(u"staff.hjt"_s);
        m_form->clickButton6();
        // The list every command starts from: both items of the base.
        setClipboard(u"синий плащ\r\nржавый ключ\r\n"_s);
        m_form->Button1Click();
        m_form->ListBox1->setCurrentRow(0);
        heard.clear();
    }
    void cleanup()
    {
        m_form.reset();
        m_dir.reset();
        heard.clear();
    }

    void everyCommandIsHeardOnce_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("told");
        const auto row = [](const char *name, const Command &command, const QString &told) {
            QTest::newRow(name) << command << told;
        };
        row(
            "Добавить",
            [](TForm1 &form) {
                setClipboard(u"щит\r\n"_s);
                form.Button1Click();
            },
            u"Предметов в списке: 3"_s);
        row(
            "Очистить", [](TForm1 &form) { form.Button3Click(); }, u"Список пуст"_s);
        row(
            "Отменить",
            [](TForm1 &form) {
                form.Button3Click();
                heard.clear();
                form.Undo1Click();
            },
            u"Отменено: очистка, 0 предметов → 2 предметов"_s);
        row(
            "Вернуть",
            [](TForm1 &form) {
                form.Button3Click();
                form.Undo1Click();
                heard.clear();
                form.Redo1Click();
            },
            u"Возвращено: очистка, 2 предметов → 0 предметов"_s);
        row(
            "Пакетные", [](TForm1 &form) { form.Button4Click(); },
            u"Пакет в буфере обмена: 2 строки"_s);
        row(
            "поиск по имени",
            [](TForm1 &form) {
                form.Edit3->setText(u"плащ"_s);
                pressReturn(form, &TForm1::Edit3KeyDown);
            },
            u"Найдено: 1 предметов"_s);
        row(
            "фильтр",
            [](TForm1 &form) {
                form.ComboBox5->setEditText(u"Ма"_s);
                pressReturn(form, &TForm1::ComboBox5KeyDown);
            },
            u"Предметов в списке: 1"_s);
        row(
            "быстрая загрузка",
            [](TForm1 &form) {
                closingBoxes([&] { form.sBitBtn1Click(); });
                form.Button3Click();
                heard.clear();
                form.sBitBtn4Click();
            },
            u"Предметов в списке: 2"_s);
        row(
            "Загрузить базу", [](TForm1 &form) { form.clickButton6(); },
            u"База стафа загружена: 2 предметов"_s);
    }
    void everyCommandIsHeardOnce()
    {
        QFETCH(Command, command);
        QFETCH(QString, told);
        command(*m_form);
        QCOMPARE(spokenWords(), QStringList{told});
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        QVERIFY(spoken().constFirst().polite);
#endif
        QCOMPARE(alertCount(), 0);
    }

    /// The quick save's box and a failed command's error box are their only words: an alert
    /// of the box, no announcement.
    void boxesSpeakAlone_data()
    {
        QTest::addColumn<Command>("command");
        QTest::newRow("быстрое сохранение") << Command([](TForm1 &form) { form.sBitBtn1Click(); });
        QTest::newRow("Загрузить список, не читается") << Command(
            [](TForm1 &form) { form.guarded([&] { form.showListFile(u"нет такого.txt"_s); }); });
    }
    void boxesSpeakAlone()
    {
        QFETCH(Command, command);
        closingBoxes([&] { command(*m_form); });
        QCOMPARE(spokenWords(), QStringList());
        QCOMPARE(alertCount(), 1);
    }

    /// «Сравнить» opens a window, which the screen reader speaks by its title as it comes up.
    void comparisonIsHeardByItsWindow()
    {
        m_form->ListBox1->selectAll();
        m_form->Compare1Click();
        QCOMPARE(spokenWords(), QStringList());
        const QString title = u"Сравнение: «синий плащ» и «ржавый ключ»"_s;
        QVERIFY(std::any_of(heard.cbegin(), heard.cend(), [&](const HeardEvent &event) {
            return event.type == QAccessible::ObjectShow && event.words == title;
        }));
    }
};

QTEST_MAIN(TestWindowHeard)
#include "tst_window_heard.moc"
