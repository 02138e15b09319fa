#include "app/form/Unit1.h"
#include "app/form/viewcontents.h"
#include "app/widgets/fittinglabel.h"
#include "app/widgets/itemtablewidget.h"
#include "fakeuiservices.h"
#include "list/parser.h"
#include "text/textfile.h"
#include "windowtest.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

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

/// A window in a fresh working folder, with desktop services that never block.
struct Window
{
    QTemporaryDir dir;
    QString oldFolder = QDir::currentPath();
    FakeUiServices services;
    std::unique_ptr<TForm1> form;

    Window()
    {
        QDir::setCurrent(dir.path());
        form = std::make_unique<TForm1>(&services);
        form->CheckBox2->setChecked(false);
        form->setItemIndex({{u"шлем"_s, u"10"_s, u"Вн Ма"_s, u"5 3"_s},
                            {u"амулет"_s, u"20"_s, u"Сет Ма"_s, u"1 2"_s},
                            {u"кольцо"_s, u"5"_s, u"Вн Ва Сл"_s, u"3 2 5"_s}});
    }
    ~Window()
    {
        form.reset();
        QDir::setCurrent(oldFolder);
    }

    TForm1 &operator*() { return *form; }
    TForm1 *operator->() { return form.get(); }

    QStringList entries() const { return listEntries(form->ListBox1); }
    QStringList column(int c) const
    {
        QStringList cells;
        for (int r = 0; r < form->StringGrid2->rowCount(); ++r)
            cells.append(readItemTableRow(form->StringGrid2, r)[c]);
        return cells;
    }
    QList<int> selectedRows() const
    {
        QList<int> rows;
        for (int i = 0; i < form->ListBox1->count(); ++i) {
            if (isEntrySelected(form->ListBox1, i))
                rows.append(i);
        }
        return rows;
    }
    /// Pastes `text` with "Добавить".
    void paste(const QString &text)
    {
        services.clipboard = text;
        QTest::mouseClick(form->Button1, Qt::LeftButton);
    }
    /// Shows the window and makes it the active one, so that context-menu shortcuts work.
    bool showActive()
    {
        form->show();
        form->activateWindow();
        return QTest::qWaitForWindowActive(form.get());
    }
    /// A user's click on entry `row` of the list (the table follows, as the lore view does).
    void clickEntry(int row)
    {
        clickListEntry(form->ListBox1, row);
        form->setItemTableRowFromCode(row);
    }
};

} // namespace

class TestWindowList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void pasteFillsListAndTable()
    {
        Window w;
        w.paste(u"  12. (5 д.) шлем [3]\r\nкольцо ...светится\r\n<на шее> амулет\r\nКОЛЬЦО\r\n"_s);
        QCOMPARE(w.entries(), (QStringList{u"12. шлем"_s, u"кольцо"_s, u"амулет"_s}));
        QCOMPARE(w->listedNames(), (QStringList{u"шлем"_s, u"кольцо"_s, u"амулет"_s}));
        QCOMPARE(w->Label1->text(), u"3 предметов"_s);
        QCOMPARE(w.column(0), w.entries());
        QCOMPARE(w.column(1), (QStringList{u"Вн Ма"_s, u"Вн Ва Сл"_s, u"Сет Ма"_s}));
        QCOMPARE(w.column(2), (QStringList{u"10"_s, u"5"_s, u"20"_s}));
        QCOMPARE(w.column(3), (QStringList{u"5 3"_s, u"3 2 5"_s, u"1 2"_s}));
        QCOMPARE(w->Memo1,
                 (QStringList{u"12. (5 д.) шлем [3]"_s, u"кольцо ...светится"_s,
                              u"<на шее> амулет"_s, u"КОЛЬЦО"_s}));

        // "Заменить" with "АвтоСорт": the list comes back in the table's level order.
        w->CheckBox2->setChecked(true);
        w.services.clipboard = u"кольцо\nмеч\nамулет\n12. шлем"_s;
        QTest::mouseClick(w->Button2, Qt::LeftButton);
        QCOMPARE(w.entries(), (QStringList{u"амулет"_s, u"12. шлем"_s, u"кольцо"_s, u"меч"_s}));
        QCOMPARE(w.column(0), w.entries());
        QCOMPARE(w.column(2), (QStringList{u"20"_s, u"10"_s, u"5"_s, u" "_s}));
        QCOMPARE(w->listedNames(), (QStringList{u"кольцо"_s, u"меч"_s, u"амулет"_s, u"шлем"_s}));
        QCOMPARE(w->Label1->text(), u"4 предметов"_s);

        // An empty clipboard: "Добавить" adds nothing, "Заменить" empties the list.
        w.services.clipboard.clear();
        QTest::mouseClick(w->Button1, Qt::LeftButton);
        QCOMPARE(w.entries().size(), 4);
        QTest::mouseClick(w->Button2, Qt::LeftButton);
        QVERIFY(w.entries().isEmpty());
        QVERIFY(w->listedNames().isEmpty());
        QCOMPARE(w.column(0), QStringList{QString()});
        QCOMPARE(w->Label1->text(), u"0 предметов"_s);
    }

    void pasteBreaksLinesOnlyAtCrAndLf_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("paragraph separator inside a line")
            << u"кольцо\u2029хранителя\r\nщит\r\n"_s
            << QStringList{u"кольцо\u2029хранителя"_s, u"щит"_s};
        QTest::newRow("line separator inside a line")
            << u"кольцо\u2028хранителя\nщит"_s << QStringList{u"кольцо\u2028хранителя"_s, u"щит"_s};
        QTest::newRow("separators at both ends")
            << u"\u2029меч\u2028\rщит\u2029"_s << QStringList{u"\u2029меч\u2028"_s, u"щит\u2029"_s};
        QTest::newRow("CR, LF and CR LF") << u"меч\rщит\nлук\r\nкинжал"_s
                                          << QStringList{u"меч"_s, u"щит"_s, u"лук"_s, u"кинжал"_s};
        QTest::newRow("blank line kept, last break adds none")
            << u"меч\r\n\r\nщит\r\n"_s << QStringList{u"меч"_s, QString(), u"щит"_s};
    }

    void pasteBreaksLinesOnlyAtCrAndLf()
    {
        QFETCH(QString, clipboard);
        QFETCH(QStringList, entries);
        Window w;
        w.paste(u"старый"_s);
        w.services.clipboard = clipboard;
        QTest::mouseClick(w->Button2, Qt::LeftButton);
        QCOMPARE(w.entries(), entries);
        QCOMPARE(w->Memo1, entries); // the trimmed lines as the parser read them
        QCOMPARE(w->Label1->text(), countText(entries.size()));
    }

    void clearKeepsNamesAndLeavesOneRow()
    {
        Window w;
        w.paste(u"меч\nщит"_s);
        QTest::mouseClick(w->Button3, Qt::LeftButton);
        QVERIFY(w.entries().isEmpty());
        QCOMPARE(w->StringGrid2->rowCount(), 1);
        QCOMPARE(w->Label1->text(), u"0 предметов"_s);
        QCOMPARE(w->listedNames(), (QStringList{u"меч"_s, u"щит"_s}));
        QVERIFY(w->Memo1.isEmpty());
    }

    void deleteFromTheList_data()
    {
        QTest::addColumn<int>("clicked");
        QTest::addColumn<int>("ctrlClicked");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("focused");
        QTest::addColumn<QString>("count");
        QTest::newRow("middle entry")
            << 1 << -1 << QStringList{u"a"_s, u"c"_s, u"d"_s, u"e"_s} << 2 << u"4 предметов"_s;
        QTest::newRow("last entry")
            << 4 << -1 << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s} << 3 << u"4 предметов"_s;
        QTest::newRow("two selected")
            << 1 << 2 << QStringList{u"a"_s, u"d"_s, u"e"_s} << 2 << u"3 предметов"_s;
    }
    void deleteFromTheList()
    {
        QFETCH(int, clicked);
        QFETCH(int, ctrlClicked);
        QFETCH(QStringList, after);
        QFETCH(int, focused);
        QFETCH(QString, count);
        Window w;
        w.paste(u"a\nb\nc\nd\ne"_s);
        QVERIFY(w.showActive());
        w.clickEntry(clicked);
        if (ctrlClicked >= 0) {
            clickListEntry(w->ListBox1, ctrlClicked, Qt::ControlModifier);
        }
        w->ListBox1->setFocus();
        // The focused entry's lore is shown once, whether or not the table's row moved: the
        // lore view changes as often as in one showing.
        int loreChanges = 0;
        connect(w->memo3, &QPlainTextEdit::textChanged, this, [&loreChanges] { ++loreChanges; });
        w->ShowItemLore();
        const int oneShowing = std::exchange(loreChanges, 0);
        QVERIFY(oneShowing > 0);
        QTest::keyClick(w->ListBox1, Qt::Key_Delete);
        QCOMPARE(loreChanges, oneShowing);
        QCOMPARE(w.entries(), after);
        QCOMPARE(w.column(0), after);
        QCOMPARE(w->ListBox1->currentRow(), focused);
        QVERIFY(w.selectedRows().contains(focused) || after.size() - 1 == focused);
        QCOMPARE(w->Label1->text(), count);
    }

    void deleteFromTheTableRemovesTheListsFocusedEntry()
    {
        Window w;
        w.paste(u"a\nb\nc\nd\ne"_s);
        QVERIFY(w.showActive());
        w.clickEntry(1);
        // The table's current row elsewhere: Del still removes list entry 1 and table row 1.
        w->StringGrid2->setCurrentCell(3, 0);
        w->StringGrid2->setFocus();
        QTest::keyClick(w->StringGrid2, Qt::Key_Delete);
        QCOMPARE(w.entries(), (QStringList{u"a"_s, u"c"_s, u"d"_s, u"e"_s}));
        QCOMPARE(w.column(0), w.entries());
        QCOMPARE(w->ListBox1->currentRow(), 2);
        QCOMPARE(w.selectedRows(), QList<int>{2});
        QCOMPARE(w->Label1->text(), u"4 предметов"_s);
    }

    void deleteOfTheOnlyEntryAndOfNothing()
    {
        Window w;
        w.paste(u"меч"_s);
        w->e1->trigger();
        QVERIFY(w.entries().isEmpty());
        QCOMPARE(w->StringGrid2->rowCount(), 1);
        QCOMPARE(w.column(0), QStringList{QString()});
        QCOMPARE(w->Label1->text(), u"0 предметов"_s);
        w->Label1->setText(u"x"_s);
        w->e1->trigger(); // an empty list: nothing happens
        QCOMPARE(w->Label1->text(), u"x"_s);
        QVERIFY(w.services.errors.isEmpty());
    }

    void tableRowSetFromCodeMovesTheList()
    {
        Window w;
        w.paste(u"a\nB\nc"_s);
        w.clickEntry(0);
        w.paste(u"b"_s); // already listed ignoring case: nothing added
        QCOMPARE(w.entries().size(), 3);
        w->setItemTableRowFromCode(1);
        QCOMPARE(w->ListBox1->currentRow(), 1);
        QVERIFY(w.selectedRows().contains(1));

        // A numbered entry pasted twice: its second row leads the list to the first one.
        w.paste(u"5. шлем\n5. шлем"_s);
        QCOMPARE(w.column(0).mid(3), (QStringList{u"5. шлем"_s, u"5. шлем"_s}));
        QCOMPARE(w.column(2).mid(3), (QStringList{u"10"_s, u"10"_s}));
        w->setItemTableRowFromCode(4);
        QCOMPARE(w->ListBox1->currentRow(), 3);
        QCOMPARE(w.selectedRows(), QList<int>{3}); // «B», focused before, was deselected
    }

    void copyTextsOnTheClipboard()
    {
        Window w;
        w.paste(u"меч\nкинжал\nщит"_s);
        w.services.clipboard = u"sentinel"_s;
        w->R1->trigger(); // nothing selected: the clipboard stays
        QCOMPARE(w.services.clipboard, u"sentinel"_s);

        QVERIFY(w.showActive());
        w.clickEntry(0);
        clickListEntry(w->ListBox1, 2, Qt::ControlModifier);
        w->R1->trigger();
        QCOMPARE(w.services.clipboard, u"меч\r\nщит\r"_s);
        w->c1->trigger();
        QCOMPARE(w.services.clipboard, u"меч\r\nкинжал\r\nщит\r\n"_s);

        w->StringGrid2->setCurrentCell(1, 0);
        w->N5->trigger();
        QCOMPARE(w.services.clipboard, u"кинжал\r"_s);

        w->N3->trigger(); // cut: the two selected go, the count stays
        QCOMPARE(w.services.clipboard, u"меч\r\nщит\r"_s);
        QCOMPARE(w.entries(), QStringList{u"кинжал"_s});
        QCOMPARE(w.column(0), QStringList{u"кинжал"_s});
        QCOMPARE(w->Label1->text(), u"3 предметов"_s);
    }

    void shortcutsBelongToTheirControl()
    {
        Window w;
        w.paste(u"кольцо\nамулет\nЩит\nбусы"_s);
        QVERIFY(w.showActive());

        // Ctrl+S in the table sorts the table by level; the list follows it.
        w->StringGrid2->setFocus();
        QTest::keyClick(w->StringGrid2, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(w.column(0), (QStringList{u"амулет"_s, u"кольцо"_s, u"бусы"_s, u"Щит"_s}));
        QCOMPARE(w.entries(), w.column(0));
        QVERIFY(!w->ListBox1->itemModel()->isSorted());

        // Ctrl+C in the table copies its current row.
        w->StringGrid2->setCurrentCell(3, 0);
        QTest::keyClick(w->StringGrid2, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(w.services.clipboard, u"Щит\r"_s);

        // Ctrl+S in the list switches its sorted mode on.
        w->ListBox1->setFocus();
        QTest::keyClick(w->ListBox1, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(w->ListBox1->itemModel()->isSorted());
        QCOMPARE(w.entries(), (QStringList{u"амулет"_s, u"бусы"_s, u"кольцо"_s, u"Щит"_s}));
        QCOMPARE(w.column(0), w.entries());

        // Ctrl+A then Ctrl+C in the list copy every entry the list's way.
        QTest::keyClick(w->ListBox1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w->ListBox1, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(w.services.clipboard, u"амулет\r\nбусы\r\nкольцо\r\nЩит\r"_s);

        // Ctrl+V in the list pastes; in another field it does not reach the list.
        w.services.clipboard = u"ведро"_s;
        QTest::keyClick(w->ListBox1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w.entries().size(), 5);
        QCOMPARE(w.entries()[2], u"ведро"_s); // sorted mode places it
        w.services.clipboard = u"топор"_s;
        w->Edit3->setFocus();
        QTest::keyClick(w->Edit3, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(w->Edit3, Qt::Key_Delete);
        QCOMPARE(w.entries().size(), 5);
    }

    void sortedModeWithAutoSort()
    {
        Window w;
        w->C2->trigger();
        w->CheckBox2->setChecked(true);
        w.paste(u"кольцо\nамулет\n12. шлем"_s);
        // The list is alphabetical while the table keeps the level order.
        QCOMPARE(w.entries(), (QStringList{u"12. шлем"_s, u"амулет"_s, u"кольцо"_s}));
        QCOMPARE(w.column(0), (QStringList{u"амулет"_s, u"12. шлем"_s, u"кольцо"_s}));
    }

    void listFilesThroughTheDialogs()
    {
        Window w;
        w.paste(u"меч\nщит"_s);
        w.services.saveAnswer = w.dir.filePath(u"spisok"_s);
        w->C3->trigger();
        QCOMPARE(readBytes(w.dir.filePath(u"spisok.txt"_s)),
                 QByteArray("\xEC\xE5\xF7\r\n\xF9\xE8\xF2\r\n"));
        // "spisok.txt" now exists: saving as "spisok" again asks before replacing it.
        w.paste(u"лук"_s);
        w.services.questionAnswer = false;
        w->C3->trigger();
        QCOMPARE(w.services.questions.size(), 1);
        QCOMPARE(readBytes(w.dir.filePath(u"spisok.txt"_s)),
                 QByteArray("\xEC\xE5\xF7\r\n\xF9\xE8\xF2\r\n"));
        w.services.questionAnswer = true;
        w->C3->trigger();
        QCOMPARE(w.services.questions.size(), 2);
        QCOMPARE(readBytes(w.dir.filePath(u"spisok.txt"_s)).count("\r\n"), 3);
        w.services.saveAnswer.clear();
        w->C3->trigger(); // cancelled
        QCOMPARE(w.services.saveFilters.size(), 4);

        const QString utf16 = w.dir.filePath(u"u16.txt"_s);
        writeBytes(utf16, QByteArray("\xFF\xFE\x31\x00\x2E\x00\x20\x00\x30\x04\r\x00\n\x00", 14));
        w.services.openAnswer = utf16;
        w->Label1->setText(u"x"_s);
        w->P1->trigger();
        QCOMPARE(w.entries(), QStringList{u"1. а"_s});
        QCOMPARE(w->listedNames(), QStringList{u"1. а"_s});
        QCOMPARE(w.column(0), QStringList{u"1. а"_s});
        QCOMPARE(w->listEncoding, TextEncoding::Utf16LeBom);
        QCOMPARE(w->Label1->text(), u"x"_s);

        // The remembered encoding is used for the next save.
        w.services.saveAnswer = w.dir.filePath(u"back.txt"_s);
        w->C3->trigger();
        QCOMPARE(readBytes(w.dir.filePath(u"back.txt"_s)), readBytes(utf16));

        w.services.openAnswer = w.dir.filePath(u"missing.txt"_s);
        w->P1->trigger();
        QCOMPARE(w.services.errors.size(), 1);
        QVERIFY(w.services.errors[0].startsWith(u"Cannot open file \""_s));
        QCOMPARE(w.entries(), QStringList{u"1. а"_s});
    }

    void quickSlots()
    {
        Window w;
        w.paste(u"меч\nщит"_s);
        QTest::mouseClick(w->sBitBtn2, Qt::LeftButton);
        QCOMPARE(w.services.messages, QStringList{u"Перезаписан 2 список предметов."_s});
        QCOMPARE(w->sBitBtn2->toolTip(), u"Список 2 (2 записи)"_s);
        QCOMPARE(w->sBitBtn5->toolTip(), u"Список 2 (2 записи)"_s);
        QCOMPARE(w->sBitBtn1->toolTip(), u"Список 1 (пусто)"_s);
        QCOMPARE(readBytes(u"save2.txt"_s), QByteArray("\xEC\xE5\xF7\r\n\xF9\xE8\xF2\r\n"));

        // A slot whose file cannot be written: the error, no message, the hints unchanged.
        QVERIFY(QDir().mkdir(u"save1.txt"_s));
        QTest::mouseClick(w->sBitBtn1, Qt::LeftButton);
        QCOMPARE(w.services.errors.size(), 1);
        QVERIFY(w.services.errors[0].startsWith(u"Cannot create file \"save1.txt\". "_s));
        QCOMPARE(w.services.messages.size(), 1);
        QCOMPARE(w->sBitBtn1->toolTip(), u"Список 1 (пусто)"_s);
        QCOMPARE(w->sBitBtn4->toolTip(), u"Список 1 (пусто)"_s);

        // Loading: a missing slot does nothing; slot 2 brings its lines back.
        QTest::mouseClick(w->Button3, Qt::LeftButton);
        w->setListedNames({u"x"_s});
        QTest::mouseClick(w->sBitBtn6, Qt::LeftButton);
        QVERIFY(w.entries().isEmpty());
        QTest::mouseClick(w->sBitBtn5, Qt::LeftButton);
        QCOMPARE(w.entries(), (QStringList{u"меч"_s, u"щит"_s}));
        QCOMPARE(w->listedNames(), w.entries());
        QCOMPARE(w.column(0), w.entries());
        QCOMPARE(w->Label1->text(), u"0 предметов"_s);
        QCOMPARE(w->sBitBtn5->toolTip(), u"Список 2 (2 записи)"_s);

        QTest::mouseClick(w->Button3, Qt::LeftButton);
        QTest::mouseClick(w->sBitBtn3, Qt::LeftButton); // an empty list writes an empty file
        QCOMPARE(readBytes(u"save3.txt"_s), QByteArray());
        QCOMPARE(w->sBitBtn6->toolTip(), u"Список 3 (0 записи)"_s);
    }

    void tablePaintsClassGroupsAndSets()
    {
        Window w;
        w.paste(u"кольцо\nамулет\nшлем"_s);
        w->StringGrid2->resize(231, 290);
        const QImage image = w->StringGrid2->viewport()->grab().toImage();
        const auto pixel = [&image](int x, int row) {
            return image.pixelColor(x, row * 24 + 2).rgb() & 0xFFFFFF;
        };
        QCOMPARE(pixel(172, 0), QRgb(0xFDCEDE)); // «кольцо»: the first group rates higher
        QCOMPARE(pixel(172, 1), QRgb(0xCAFFCA)); // «амулет»: the second group
        QCOMPARE(pixel(140, 1), QRgb(0xFFFF00)); // and a set item
        QCOMPARE(pixel(140, 0) == 0xFFFF00, false);
    }

    void hugePasteIsKeptWholeUnderTheBusyCursor()
    {
        QList<Qt::CursorShape> cursors;
        Window w;
        const auto watchCursor = [&] {
            const QCursor *cursor = QGuiApplication::overrideCursor();
            cursors.append(cursor ? cursor->shape() : Qt::ArrowCursor);
        };
        connect(w->ListBox1->itemModel(), &QAbstractItemModel::rowsInserted, this, watchCursor);
        const QString huge = QString(3'000'000, u'ж') + u"\u2029"_s + QString(3'000'000, u'з');
        w->CheckBox2->setChecked(true);
        w.paste(u"щит\r\n"_s + huge + u"\r\n"_s);
        QCOMPARE(w.entries(), (QStringList{u"щит"_s, huge}));
        QCOMPARE(w->listedNames(), (QStringList{u"щит"_s, huge}));
        QCOMPARE(w.column(0), w.entries());
        QCOMPARE(w->Memo1.value(1), huge);
        QVERIFY(!cursors.isEmpty());
        QVERIFY(std::all_of(cursors.cbegin(), cursors.cend(),
                            [](Qt::CursorShape shape) { return shape == Qt::WaitCursor; }));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

        // list.txt keeps the entry whole, and the next start restores it whole.
        QVERIFY(w->FormClose());
        FakeUiServices services;
        TForm1 next(&services);
        QCOMPARE(next.ListBox1->count(), 2);
        QCOMPARE(listEntry(next.ListBox1, 1), huge);
        QVERIFY(services.errors.isEmpty());
    }

    void hostilePastes()
    {
        Window w;
        QString many;
        for (int i = 0; i < 100000; ++i)
            many += u"меч\r\n"_s;
        w.paste(many);
        QCOMPARE(w.entries(), QStringList{u"меч"_s});
        w.paste(QString(100000, u'ж') + u"\n\x01\x02\t\n"_s);
        QCOMPARE(w.entries().size(), 3);
        QCOMPARE(w.entries()[1], QString(100000, u'ж'));
        QCOMPARE(w.entries()[2], QString());
        w.paste(u"меч\u00a0стальной\u2028"_s); // kept as pasted through the paste buffer
        QCOMPARE(w.entries()[3], u"меч\u00a0стальной\u2028"_s);
        QVERIFY(w.services.errors.isEmpty());
    }

    /// Every command that changes the list is one step back and forth: the entries,
    /// ListedNames, the count and the table as before the command, then as after it.
    void historyOfEachCommand_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("spoken");
        const QStringList before{u"кольцо"_s, u"шлем"_s, u"меч"_s};
        QTest::newRow("add") << u"Button1"_s << (before + QStringList{u"амулет"_s})
                             << u"Отменено: добавление, 4 предметов → 3 предметов"_s;
        QTest::newRow("replace") << u"Button2"_s << QStringList{u"амулет"_s}
                                 << u"Отменено: замена, 1 предметов → 3 предметов"_s;
        QTest::newRow("clear") << u"Button3"_s << QStringList()
                               << u"Отменено: очистка, 0 предметов → 3 предметов"_s;
        QTest::newRow("delete") << u"e1"_s << QStringList{u"кольцо"_s, u"меч"_s}
                                << u"Отменено: удаление, 2 предметов → 3 предметов"_s;
        QTest::newRow("cut") << u"N3"_s << QStringList{u"кольцо"_s, u"меч"_s}
                             << u"Отменено: вырезание, 2 предметов → 3 предметов"_s;
        QTest::newRow("sorted mode") << u"C2"_s << QStringList{u"кольцо"_s, u"меч"_s, u"шлем"_s}
                                     << u"Отменено: сортировка, 3 предметов → 3 предметов"_s;
        QTest::newRow("sort by level") << u"N4"_s << QStringList{u"шлем"_s, u"кольцо"_s, u"меч"_s}
                                       << u"Отменено: сортировка по уровню, "
                                          "3 предметов → 3 предметов"_s;
        // With no staff base the searches and the filter find nothing: the list empties.
        QTest::newRow("name search") << u"Edit3"_s << QStringList()
                                     << u"Отменено: поиск по имени, 0 предметов → 3 предметов"_s;
        QTest::newRow("property search")
            << u"ComboBox6"_s << QStringList()
            << u"Отменено: поиск по свойству, 0 предметов → 3 предметов"_s;
        QTest::newRow("property filter")
            << u"ComboBox5"_s << QStringList()
            << u"Отменено: фильтр по свойству, 0 предметов → 3 предметов"_s;
        QTest::newRow("quick slot") << u"sBitBtn4"_s << QStringList{u"лук"_s}
                                    << u"Отменено: загрузка ячейки 1, 1 предметов → 3 предметов"_s;
    }
    void historyOfEachCommand()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, after);
        QFETCH(QString, spoken);
        Window w;
        w.paste(u"кольцо\nшлем\nмеч"_s);
        QVERIFY(w.showActive());
        w.clickEntry(1);
        const QStringList before = w.entries();
        const QStringList namesBefore = w->listedNames();
        const QStringList levelsBefore = w.column(LevelColumn);
        QVERIFY(!w->Redo1->isEnabled());

        w.services.clipboard = u"амулет"_s;
        writeTextFile(u"save1.txt"_s, {u"лук"_s}, TextEncoding::Ansi);
        if (auto *button = w->findChild<QPushButton *>(command)) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else if (auto *action = w->findChild<QAction *>(command)) {
            action->trigger();
        } else {
            // A search or the filter: a phrase typed, then Enter.
            auto *field = w->findChild<QWidget *>(command);
            if (auto *box = qobject_cast<QComboBox *>(field))
                box->setEditText(u"меч"_s);
            else
                qobject_cast<QLineEdit *>(field)->setText(u"меч"_s);
            field->setFocus();
            QTest::keyClick(field, Qt::Key_Return);
        }
        QCOMPARE(w.entries(), after);
        const QStringList namesAfter = w->listedNames();
        QVERIFY(w->Undo1->isEnabled());

        w->Undo1->trigger();
        QCOMPARE(w.entries(), before);
        QCOMPARE(w->listedNames(), namesBefore);
        QCOMPARE(w.column(LevelColumn), levelsBefore);
        QCOMPARE(w->ListBox1->currentRow(), 1);
        QCOMPARE(w.selectedRows(), QList<int>{1});
        QCOMPARE(w->Label1->text(), u"3 предметов"_s);
        QCOMPARE(w->Label1->accessibleName(), spoken);
        QVERIFY(w->Redo1->isEnabled());

        w->Redo1->trigger();
        QCOMPARE(w.entries(), after);
        QCOMPARE(w->listedNames(), namesAfter);
        // The table is rebuilt from the list, as after any change of it.
        QCOMPARE(w.column(EntryColumn), after.isEmpty() ? QStringList{QString()} : after);
        QVERIFY(w->Label1->accessibleName().startsWith(u"Возвращено: "_s));
        QVERIFY(!w->Redo1->isEnabled());
    }

    /// A change of the same length made outside the history (any write of the list that is
    /// not a recorded step) is never spliced into: the step is refused and the history
    /// dropped, the list left as it was written.
    void aListWrittenOutsideTheHistoryIsNotSplicedInto_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("names");
        // A delete keeps the captured names: three of them stand beside the two entries.
        QTest::newRow("entries reordered")
            << QStringList{u"меч"_s, u"кольцо"_s} << QStringList{u"кольцо"_s, u"шлем"_s, u"меч"_s};
        QTest::newRow("names replaced")
            << QStringList{u"кольцо"_s, u"меч"_s} << QStringList{u"лук"_s, u"посох"_s, u"плащ"_s};
    }
    void aListWrittenOutsideTheHistoryIsNotSplicedInto()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, names);
        Window w;
        w.paste(u"кольцо\nшлем\nмеч"_s);
        w.clickEntry(1);
        w->e1->trigger();
        QCOMPARE(w.entries(), (QStringList{u"кольцо"_s, u"меч"_s}));
        QCOMPARE(w->listedNames(), (QStringList{u"кольцо"_s, u"шлем"_s, u"меч"_s}));
        QVERIFY(w->Undo1->isEnabled());

        w->ListBox1->setState(listStateOf(entries));
        w->setListedNames(names);
        w->Undo1->trigger();
        QCOMPARE(w.entries(), entries);
        QCOMPARE(w->listedNames(), names);
        QVERIFY(!w->Undo1->isEnabled());
        QVERIFY(!w->Redo1->isEnabled());
    }

    /// The keys work in the whole window; an undone paste with "АвтоСорт" is one step, and
    /// the list file follows the restored list.
    void historyKeysAndSaves()
    {
        Window w;
        w->CheckBox2->setChecked(true);
        w.paste(u"кольцо\nшлем"_s);
        w.paste(u"амулет"_s);
        QCOMPARE(w.entries(), (QStringList{u"амулет"_s, u"шлем"_s, u"кольцо"_s}));
        QVERIFY(w.showActive());
        w->StringGrid2->setFocus();
        const auto press = [](int key, Qt::KeyboardModifiers modifiers) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
        };
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.entries(), (QStringList{u"шлем"_s, u"кольцо"_s}));
        press(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(w.entries(), (QStringList{u"амулет"_s, u"шлем"_s, u"кольцо"_s}));
        press(Qt::Key_Z, Qt::ControlModifier);
        press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w.entries(), (QStringList{u"амулет"_s, u"шлем"_s, u"кольцо"_s}));
        press(Qt::Key_Z, Qt::ControlModifier);
        press(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(w.entries().isEmpty());
        QVERIFY(!w->Undo1->isEnabled());
        const auto savedList = [] {
            return fileExists(u"list.txt"_s) ? readTextFile(u"list.txt"_s).lines
                                             : QStringList{u"(no file)"_s};
        };
        QTRY_COMPARE(savedList(), QStringList());
        // In a search field Ctrl+Z is the field's own: the list stays as it is.
        w->Redo1->trigger();
        w->Edit3->setFocus();
        press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.entries(), (QStringList{u"шлем"_s, u"кольцо"_s}));
    }
};

QTEST_MAIN(TestWindowList)
#include "tst_window_list.moc"
