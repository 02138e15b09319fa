#include "app/form/Unit1.h"
#include "app/widgets/comparisonview.h"
#include "app/widgets/fittinglabel.h"
#include "app/widgets/itemtablewidget.h"
#include "app/widgets/searchcombobox.h"
#include "cp1251.h"
#include "fakeuiservices.h"
#include "windowtest.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringEncoder>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

const QStringList kLantern = {
    u"Предмет 'старый фонарь', Тип предмета: Обычный"_s,
    u"Вн  Ва  Сл"_s,
    u"Оценка: 3, 2, 5"_s,
    u"СВЕТ !ПК"_s,
    u"мин.уровень 5, удача +2"_s,
    u"Модификаторы :"_s,
    u"удача +2"_s,
    u"защита -1"_s,
    u"Места лоада: город"_s,
};

QStringList node(const QStringList &record)
{
    return QStringList{u"dt=Text"_s, u"<node>"_s, u"предмет"_s, u"1"_s} + record
        + QStringList{u"<end node> 5P9i0s8y19Z"_s};
}

QStringList simpleRecord(const QString &name, const QString &line)
{
    return {u"Предмет '%1', Тип предмета: Броня"_s.arg(name), u"Вн Ва"_s, u"Оценка: 1, 2"_s, line,
            u"мин.уровень 3"_s};
}

/// The staff base of these tests, as the file's lines.
QStringList baseLines()
{
    QStringList lines{u"<Treepad version 3.0>"_s};
    lines += node(kLantern);
    lines += node(simpleRecord(u"шлем"_s, u"Вы можете одеть это на голову."_s));
    lines += node(simpleRecord(u"жилет"_s, u"Вы можете одеть это на тело. удача +1"_s));
    lines += node(simpleRecord(u"плащ"_s, u"Вы можете одеть это на дополнительный слот."_s));
    lines += node(simpleRecord(u"амулет"_s, u"Вы можете одеть это на шею. удача +3"_s));
    lines += node(simpleRecord(u"Бусы"_s, u"Вы можете одеть это на дополнительный слот."_s));
    return lines;
}

/// The text colour of every character of the view: 0 where no colour was set.
QList<quint32> viewColours(const QPlainTextEdit *view)
{
    QList<quint32> colours(view->document()->characterCount(), 0);
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.hasProperty(QTextFormat::ForegroundBrush))
                continue;
            for (int p = fragment.position(); p < fragment.position() + fragment.length(); ++p)
                colours[p] = format.foreground().color().rgba();
        }
    }
    return colours;
}

/// A window in a fresh working folder holding the staff base, loaded.
struct Window
{
    QTemporaryDir dir;
    QString oldFolder = QDir::currentPath();
    FakeUiServices services;
    std::unique_ptr<TForm1> form;

    Window()
    {
        QDir::setCurrent(dir.path());
        QFile file(dir.filePath(u"staff.hjt"_s));
        if (file.open(QIODevice::WriteOnly))
            file.write(cp1251(baseLines().join(u"\r\n"_s) + u"\r\n"_s));
        file.close();
        form = std::make_unique<TForm1>(&services);
        form->Edit1->setText(u"staff.hjt"_s);
        form->Button6Click();
    }
    ~Window()
    {
        form.reset();
        QDir::setCurrent(oldFolder);
    }

    TForm1 *operator->() { return form.get(); }

    QStringList entries() const { return listEntries(form->ListBox1); }
    void setEntries(const QStringList &entries)
    {
        fillList(form->ListBox1, entries);
        form->setListedNames(entries);
        form->RebuildItemTable();
    }
    bool showActive()
    {
        form->show();
        form->activateWindow();
        return QTest::qWaitForWindowActive(form.get());
    }
    void clickEntry(int row) { clickListEntry(form->ListBox1, row); }
};

/// Types `text` into `widget` key by key, as the keyboard would, Cyrillic included.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c),
                            Qt::NoModifier);
}

} // namespace

class TestWindowLore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void selectingAnEntryShowsItsColouredRecord()
    {
        Window w;
        QCOMPARE(w->BaseLines.headerLines().size(), 6);
        w.setEntries({u"шлем"_s, u"3. старый фонарь"_s, u"кольцо"_s});
        QVERIFY(w.showActive());
        w.clickEntry(1);

        QCOMPARE(w->memo3->toPlainText(), kLantern.join(u'\n'));
        QCOMPARE(w->slot->text(), u"В левую руку"_s);
        QCOMPARE(w->StringGrid2->currentRow(), 1);
        QCOMPARE(w->memo3->textCursor().position(), 0);
        QVERIFY(!w->memo3->textCursor().hasSelection());

        // The spans of the record, applied in order: a later one wins where they overlap.
        struct Span
        {
            int start, length;
            quint32 colour;
        };
        const Span spans[] = {
            {9, 13, 0xFF00FFFF},  {141, 12, 0xFFFFFF00}, {107, 14, 0xFF00FF00},
            {79, 3, 0xFF008080},  {74, 5, 0xFFFFFF00},   {121, 20, 0xFF808080},
            {104, 3, 0xFF00FF00}, {128, 3, 0xFF00FF00},  {138, 3, 0xFFFF0000},
        };
        QList<quint32> expected(w->memo3->document()->characterCount(), 0);
        for (const Span &s : spans) {
            for (int p = s.start; p < s.start + s.length; ++p)
                expected[p] = s.colour;
        }
        const QList<quint32> shown = viewColours(w->memo3);
        const QString text = w->memo3->toPlainText();
        for (int p = 0; p < text.size(); ++p) {
            if (text[p] != u'\n') // a line break shows no colour
                QVERIFY2(shown[p] == expected[p], qPrintable(u"position %1"_s.arg(p)));
        }

        // Another entry: the view starts over, with no colour left from the record before.
        w.clickEntry(0);
        QCOMPARE(w->memo3->toPlainText(),
                 simpleRecord(u"шлем"_s, u"Вы можете одеть это на голову."_s).join(u'\n'));
        QCOMPARE(w->slot->text(), u"Голова"_s);
        QCOMPARE(w->StringGrid2->currentRow(), 0);
        QCOMPARE(viewColours(w->memo3).mid(0, 9), QList<quint32>(9, 0));

        // An item the base does not hold: empty view and label; the table still follows.
        w.clickEntry(2);
        QVERIFY(w->memo3->toPlainText().isEmpty());
        QVERIFY(w->slot->text().isEmpty());
        QCOMPARE(w->StringGrid2->currentRow(), 2);
    }

    void emptyListChangesNothing()
    {
        Window w;
        w.setEntries({});
        const QString help = w->memo3->toPlainText();
        w->slot->setText(u"Шея"_s);
        w->ListBox1Click();
        QCOMPARE(w->memo3->toPlainText(), help);
        QCOMPARE(w->slot->text(), u"Шея"_s);
    }

    void enterInEdit3SearchesNames()
    {
        Window w;
        w.setEntries({u"старое"_s});
        w->Edit3Click();
        QVERIFY(w->Edit3->text().isEmpty()); // the placeholder goes on a click
        w->Edit3->setText(u"Л"_s);
        QTest::keyClick(w->Edit3, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(w.entries(), (QStringList{u"шлем"_s, u"жилет"_s, u"плащ"_s, u"амулет"_s}));
        QCOMPARE(w->listedNames(), w.entries());
        QCOMPARE(w->Label1->text(), u"4 предметов"_s);
        QCOMPARE(w->StringGrid2->rowCount(), 4);

        w->Edit3->clear();
        QTest::keyClick(w->Edit3, Qt::Key_Enter);
        QVERIFY(w.entries().isEmpty());
        QVERIFY(w->listedNames().isEmpty());
        QCOMPARE(w->Label1->text(), u"0 предметов"_s);
    }

    void enterInComboBox6SearchesPropertiesAndSorts()
    {
        Window w;
        w->ComboBox6->setEditText(u"УДАЧА"_s); // not a preset: no search yet
        QVERIFY(w.entries().isEmpty());
        QTest::keyClick(w->ComboBox6, Qt::Key_Return);
        QCOMPARE(w.entries(), (QStringList{u"амулет"_s, u"жилет"_s, u"старый фонарь"_s}));
        QCOMPARE(w->listedNames(), (QStringList{u"старый фонарь"_s, u"жилет"_s, u"амулет"_s}));
        QVERIFY(w->ListBox1->itemModel()->isSorted());
        QCOMPARE(w->Label1->text(), u"3 предметов"_s);
        QCOMPARE(w->ComboBox6->currentText(), u"УДАЧА"_s);
    }

    void enterInComboBox5FiltersAndEmptyTextRestores()
    {
        Window w;
        w.setEntries({u"плащ"_s, u"шлем"_s, u"Бусы"_s});
        w->ComboBox5->setEditText(u"дополнительный"_s);
        QTest::keyClick(w->ComboBox5, Qt::Key_Return);
        QCOMPARE(w.entries(), (QStringList{u"плащ"_s, u"Бусы"_s}));
        QCOMPARE(w->listedNames(), (QStringList{u"плащ"_s, u"шлем"_s, u"Бусы"_s}));
        QCOMPARE(w->Label1->text(), u"2 предметов"_s);

        w->ComboBox5->setEditText(u"ничего такого"_s);
        QTest::keyClick(w->ComboBox5, Qt::Key_Return);
        QVERIFY(w.entries().isEmpty());

        // Choosing the empty item (a preset) puts ListedNames back at once.
        w->ComboBox5->setCurrentIndex(0);
        w->ComboBox5->setEditText(QString());
        QCOMPARE(w.entries(), (QStringList{u"плащ"_s, u"шлем"_s, u"Бусы"_s}));
        QCOMPARE(w->Label1->text(), u"3 предметов"_s);
    }

    void typingCompletesAndSearches()
    {
        Window w;
        QVERIFY(w.showActive());
        QComboBox *box = w->ComboBox6;
        box->setEditText(QString());
        box->setFocus();
        // The completion counts as choosing the item: one click, then one change.
        QList<QString> events;
        connect(box, &QComboBox::activated, this,
                [&](int i) { events.append(u"click %1"_s.arg(i)); });
        connect(box, &QComboBox::editTextChanged, this,
                [&](const QString &t) { events.append(t); });
        typeText(box, u"н"_s);
        QCOMPARE(box->currentText(), u"на дополнительный слот"_s);
        QCOMPARE(box->lineEdit()->selectedText(), u"а дополнительный слот"_s);
        QCOMPARE(w.entries(), (QStringList{u"Бусы"_s, u"плащ"_s}));
        QCOMPARE(events, (QStringList{u"click 0"_s, u"на дополнительный слот"_s}));

        // Backspace deletes the completion; "н" is no preset, so the list stays.
        events.clear();
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->currentText(), u"н"_s);
        QCOMPARE(w.entries(), (QStringList{u"Бусы"_s, u"плащ"_s}));
        QCOMPARE(events, QStringList{u"н"_s});

        // "а" lands on the first phrase again, the blank stays on it, "т" moves to "на тело".
        events.clear();
        typeText(box, u"а т"_s);
        QCOMPARE(box->currentText(), u"на тело"_s);
        QCOMPARE(box->lineEdit()->selectedText(), u"ело"_s);
        QCOMPARE(w.entries(), QStringList{u"жилет"_s});
        QCOMPARE(
            events,
            (QStringList{u"click 0"_s, u"на дополнительный слот"_s, u"click 3"_s, u"на тело"_s}));

        // Typing that begins no preset is an ordinary edit.
        box->setEditText(QString());
        typeText(box, u"щ"_s);
        QCOMPARE(box->currentText(), u"щ"_s);
    }

    void typingIntoComboBox5Filters()
    {
        Window w;
        QVERIFY(w.showActive());
        w.setEntries({u"плащ"_s, u"шлем"_s, u"жилет"_s});
        QComboBox *box = w->ComboBox5;
        box->setEditText(QString());
        box->setFocus();
        typeText(box, u"НА Г"_s);
        QCOMPARE(box->currentText(), u"НА Голову"_s);
        QCOMPARE(w.entries(), QStringList{u"шлем"_s});
        QCOMPARE(w->listedNames(), (QStringList{u"плащ"_s, u"шлем"_s, u"жилет"_s}));
    }

    /// «Сравнить» with exactly two entries selected: both lores in colour below the table of
    /// their numbers, each value cell named for the screen reader; an item not in the base
    /// says so; Shift+F3 opens it and Escape closes it. A modifier shows its sign, and the
    /// better item's tinted cell sets its text colour too.
    void compareTwoItems()
    {
        Window w;
        w.setEntries({u"амулет"_s, u"старый фонарь"_s, u"кольцо"_s});
        QVERIFY(w.showActive());
        QVERIFY(!w->Compare1->isEnabled());
        w.clickEntry(0);
        clickListEntry(w->ListBox1, 1, Qt::ControlModifier);
        QVERIFY(w->Compare1->isEnabled());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3, Qt::ShiftModifier);
        auto *view = w->findChild<ComparisonView *>();
        QVERIFY(view);
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QCOMPARE(view->windowTitle(), u"Сравнение: «амулет» и «старый фонарь»"_s);
        QVERIFY(view->leftLore()->toPlainText().startsWith(u"Предмет 'амулет'"_s));
        QVERIFY(view->rightLore()->toPlainText().startsWith(u"Предмет 'старый фонарь'"_s));
        QVERIFY(viewColours(view->rightLore()).contains(0xFF00FFFFu));

        const QAbstractItemModel *table = view->table()->model();
        QStringList rows;
        for (int r = 0; r < table->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columnCount(); ++c)
                cells.append(table->index(r, c).data().toString());
            rows.append(cells.join(u" | "_s));
        }
        QCOMPARE(rows,
                 (QStringList{u"оценка Вн | 1 | 3 | лучше у «старый фонарь» на 2"_s,
                              u"оценка Ва | 2 | 2 | поровну"_s,
                              u"удача | +3 | +2 | лучше у «амулет» на 1"_s,
                              u"мин.уровень | 3 | 5 | лучше у «амулет» на 2"_s,
                              u"оценка Сл | — | 5 | только у «старый фонарь»"_s,
                              u"защита | — | -1 | только у «старый фонарь»"_s}));
        QCOMPARE(table->index(2, 1).data(Qt::AccessibleTextRole).toString(),
                 u"удача у «амулет»: +3, лучше у «амулет» на 1"_s);
        QVERIFY(table->index(2, 1).data(Qt::BackgroundRole).isValid());
        QVERIFY(table->index(2, 1).data(Qt::ForegroundRole).isValid());
        QVERIFY(!table->index(2, 2).data(Qt::BackgroundRole).isValid());
        QVERIFY(!table->index(2, 2).data(Qt::ForegroundRole).isValid());
        QTest::keyClick(view->table(), Qt::Key_Escape);
        QTRY_VERIFY(!w->findChild<ComparisonView *>());

        // An item that the base lacks says so, and the table holds the other's numbers.
        w.clickEntry(2);
        clickListEntry(w->ListBox1, 0, Qt::ControlModifier);
        w->Compare1->trigger();
        view = w->findChild<ComparisonView *>();
        QVERIFY(view);
        QCOMPARE(view->leftLore()->toPlainText(),
                 u"Предмет 'амулет', Тип предмета: Броня\n"
                 "Вн Ва\nОценка: 1, 2\n"
                 "Вы можете одеть это на шею. удача +3\n"
                 "мин.уровень 3"_s);
        QCOMPARE(view->rightLore()->toPlainText(), u"Предмета «кольцо» нет в базе стафа"_s);
        view->close();
    }

    /// F1 shows the help in a window of its own: a read-only text with a name, holding every
    /// key of the window and the help text of the start, with the focus in it; Escape closes
    /// it. «Сравнить» names its own key in its hint.
    void helpOnF1()
    {
        Window w;
        w.setEntries({u"амулет"_s, u"старый фонарь"_s});
        QVERIFY(w.showActive());
        w.clickEntry(0);
        clickListEntry(w->ListBox1, 1, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QVERIFY(!w->findChild<ComparisonView *>());
        auto *help = w->findChild<QDialog *>(u"Help"_s);
        QVERIFY(help);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        auto *text = help->findChild<QPlainTextEdit *>();
        QVERIFY(text);
        QVERIFY(text->isReadOnly());
        QVERIFY(text->textInteractionFlags().testFlag(Qt::TextSelectableByKeyboard));
        QVERIFY(!text->accessibleName().isEmpty());
        QTRY_COMPARE(QApplication::focusWidget(), text);
        const QString shown = text->toPlainText();
        QVERIFY(shown.contains(u"\nShift+F3: Сравнить два выделенных предмета\n"_s));
        QVERIFY(shown.contains(u"\nF2: Добавить предметы из буфера обмена\n"_s));
        QVERIFY(shown.contains(u"\nF8: к полю «Поиск предмета по всей базе»\n"_s));
        QVERIFY(shown.contains(u"\nCtrl+Z или F11: "_s));
        for (const TForm1::WindowKey &key : w->windowKeys()) {
            const QString written = key.key.toString(QKeySequence::NativeText);
            QVERIFY2(shown.contains(u'\n' + written + u": "_s), qPrintable(written));
        }
        QVERIFY(shown.endsWith(TForm1::startHelpText().join(u'\n')));
        QTest::keyClick(text, Qt::Key_Escape);
        QTRY_VERIFY(!w->findChild<QDialog *>(u"Help"_s));

        QCOMPARE(w->Compare1->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F3));
        QVERIFY(w->Compare1->toolTip().contains(u"Shift+F3"_s));
        QVERIFY(w->Compare1->whatsThis().contains(u"Клавиша Shift+F3"_s));
    }
};

QTEST_MAIN(TestWindowLore)
#include "tst_window_lore.moc"
