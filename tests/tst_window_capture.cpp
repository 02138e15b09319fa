// «В базу» in the window: identified items from the clipboard into the capture file beside
// the staff base, found like the staff base's items, updated in place and taken back.

#include "app/form/Unit1.h"
#include "app/form/viewcontents.h"
#include "app/widgets/captureview.h"
#include "app/widgets/fittinglabel.h"
#include "app/widgets/itemlistwidget.h"
#include "app/widgets/itemtablewidget.h"
#include "base/capturefile.h"
#include "cp1251.h"
#include "fakeuiservices.h"
#include "list/itemtable.h"
#include "windowtest.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList kOldSword = {
    u"Предмет 'длинный меч', Тип предмета: Оружие"_s,
    u"Вн  Ва  Сл"_s,
    u"Оценка: 9, 8, 4"_s,
    u"мин.уровень 12"_s,
    u"Модификаторы :"_s,
    u"попадание +3"_s,
};
const QStringList kNewSword = {
    u"Предмет 'длинный меч', Тип предмета: Оружие"_s,
    u"Вн  Ва  Сл"_s,
    u"Оценка: 9, 8, 5"_s,
    u"мин.уровень 12"_s,
    u"Модификаторы :"_s,
    u"попадание +4"_s,
};
const QStringList kHelmet = {
    u"Предмет 'шлем стража', Тип предмета: Броня"_s,
    u"Вы можете одеть это на голову."_s,
    u"мин.уровень 10"_s,
};
const QStringList kRing = {
    u"Предмет 'кольцо ветра', Тип предмета: Броня"_s,
    u"Вы можете одеть это на палец."_s,
    u"Вн  Ва"_s,
    u"Оценка: 6, 7"_s,
    u"мин.уровень 20"_s,
};

QString staffText()
{
    QString text = u"<Treepad version 3.0>\r\ndt=Text\r\n<node>\r\nСтаф\r\n0\r\n<end node> "
                   u"5P9i0s8y19Z\r\n"_s;
    for (const QStringList &record : {kOldSword, kHelmet})
        text += u"dt=Text\r\n<node>\r\nпредмет\r\n1\r\n"_s + record.join(u"\r\n"_s)
            + u"\r\n<end node> 5P9i0s8y19Z\r\n"_s;
    return text;
}

/// The record as the player copies it from the client: the command echo, the record, a blank
/// line and the prompt.
QString identifyPaste(const QStringList &record)
{
    return u"123H 80M 400V Вых:СЮ> опознать\r\nВы узнали следующее:\r\n"_s + record.join(u"\r\n"_s)
        + u"\r\n\r\n<123H 80M 400V>\r\n"_s;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// A window in a fresh working folder with the staff base `staffName` loaded.
struct Window
{
    ScratchWorkingFolder folder;
    FakeUiServices services;
    std::unique_ptr<TForm1> form;
    QByteArray staffBytes;
    QString staffPath;

    explicit Window(const QString &staffName = u"staff.hjt"_s)
    {
        staffPath = folder.filePath(staffName);
        staffBytes = cp1251(staffText());
        QFile file(staffPath);
        if (file.open(QIODevice::WriteOnly))
            file.write(staffBytes);
        file.close();
        form = std::make_unique<TForm1>(&services);
        form->Edit1->setText(staffPath);
        form->Button6Click();
    }
    ~Window() { form.reset(); }
    TForm1 *operator->() { return form.get(); }

    QString capturePath() const { return folder.filePath(captureFileName.toString()); }
    QByteArray captureBytes() const { return fileBytes(capturePath()); }
    /// «В базу» from the menu item with `paste` on the clipboard; the staff base file is never
    /// touched.
    void capture(const QString &paste)
    {
        services.clipboard = paste;
        form->Capture1->trigger();
        QCOMPARE(fileBytes(staffPath), staffBytes);
    }
    QString lastAnnouncement() const
    {
        return services.announcements.isEmpty() ? QString() : services.announcements.last();
    }
    /// The list holds `entries`; the first is chosen, and its lore shown.
    void showEntries(const QStringList &entries)
    {
        fillList(form->ListBox1, entries);
        form->setListedNames(entries);
        form->RebuildItemTable();
        form->ListBox1->setCurrentRow(0);
        form->ListBox1Click();
    }
    QString tableLevel(int row) const
    {
        return readItemTableRow(form->StringGrid2, row)[LevelColumn];
    }
    CaptureView *shownView() const { return form->findChild<CaptureView *>(); }
};

} // namespace

class TestWindowCapture : public QObject
{
    Q_OBJECT

private slots:
    /// A new item goes into a new capture file and is found as a staff base item is: by the
    /// index, in the item table, in the lore view and by the name search.
    void newItemIsFound()
    {
        Window w;
        QVERIFY(!QFile::exists(w.capturePath()));
        w.capture(identifyPaste(kRing));
        QCOMPARE(w.services.errors, QStringList());
        QCOMPARE(w.lastAnnouncement(), u"В базу: кольцо ветра, новый предмет"_s);
        QVERIFY(w.captureBytes().contains(cp1251(u"\r\nкольцо ветра\r\n1\r\n"_s)));
        QVERIFY(!w.shownView()); // nothing to compare with

        QCOMPARE(w->StringGrid1Index.size(), 3);
        w.showEntries({u"кольцо ветра"_s, u"шлем стража"_s});
        QCOMPARE(w.tableLevel(0), u"20"_s);
        QCOMPARE(w.tableLevel(1), u"10"_s);
        QCOMPARE(w->memo3->toPlainText(), kRing.join(u'\n'));
        QCOMPARE(w->slot->text(), u"Палец"_s);

        w->Edit3->setText(u"кольцо"_s);
        QTest::keyClick(w->Edit3, Qt::Key_Return);
        QCOMPARE(listEntries(w->ListBox1), QStringList{u"кольцо ветра"_s});
    }

    /// An item of the staff base captured anew wins over it; captured again, its node is
    /// replaced in place; the change is shown and spoken; the same record changes nothing.
    void updateReplacesAndTells()
    {
        Window w;
        w.showEntries({u"длинный меч"_s});
        QCOMPARE(w->memo3->toPlainText(), kOldSword.join(u'\n'));

        w.capture(identifyPaste(kNewSword));
        QCOMPARE(w.services.errors, QStringList());
        QCOMPARE(w.lastAnnouncement(), u"длинный меч обновлён: изменились 2 строки"_s);
        // The lore shown follows; the table and the searches list the item once.
        QCOMPARE(w->memo3->toPlainText(), kNewSword.join(u'\n'));
        QCOMPARE(w->StringGrid1Index.size(), 2);
        CaptureView *view = w.shownView();
        QVERIFY(view);
        QCOMPARE(view->changes()->toPlainText(),
                 u"~ было: Оценка: 9, 8, 4\n~ стало: Оценка: 9, 8, 5\n~ было: попадание +3\n"
                 u"~ стало: попадание +4\n\nЧисла:\nоценка Сл: 4 → 5, лучше\nпопадание: +3 → "
                 u"+4, лучше"_s);
        QVERIFY(!view->changes()->accessibleName().isEmpty());
        QTest::keyClick(view->changes(), Qt::Key_Escape);
        QVERIFY(!view->isVisible());
        w->Edit3->setText(u"меч"_s);
        QTest::keyClick(w->Edit3, Qt::Key_Return);
        QCOMPARE(listEntries(w->ListBox1), QStringList{u"длинный меч"_s});

        // Captured once more, with the helmet after it in one paste: the sword's node is
        // replaced where it stands and the helmet appended after it.
        QStringList newest = kNewSword;
        newest.last() = u"попадание +5"_s;
        w.capture(identifyPaste(newest) + identifyPaste(kHelmet));
        QCOMPARE(w.lastAnnouncement(),
                 u"длинный меч обновлён: изменилась 1 строка; шлем стража: запись та же, файл "
                 u"не изменён"_s);
        QCOMPARE(w.captureBytes().count(cp1251(u"Предмет 'длинный меч'"_s)), 1);
        QVERIFY(w.captureBytes().contains(cp1251(u"попадание +5"_s)));
        QVERIFY(!w.captureBytes().contains(cp1251(u"шлем"_s)));
        w.showEntries({u"длинный меч"_s});
        QCOMPARE(w->memo3->toPlainText(), newest.join(u'\n'));

        // The same record again: nothing written, and said so.
        const QByteArray before = w.captureBytes();
        w.capture(identifyPaste(newest));
        QCOMPARE(w.lastAnnouncement(), u"длинный меч: запись та же, файл не изменён"_s);
        QCOMPARE(w.captureBytes(), before);
    }

    /// «Отменить» right after a capture restores the capture file and the item as they were;
    /// after a change of the list it is the list's step again.
    void undoTakesTheCaptureBack()
    {
        Window w;
        w.capture(identifyPaste(kRing));
        QVERIFY(w->Undo1->isEnabled());
        w->Undo1->trigger();
        QVERIFY(!QFile::exists(w.capturePath()));
        QCOMPARE(w->StringGrid1Index.find(u"кольцо ветра"), -1);
        QCOMPARE(w.lastAnnouncement(), u"Отменено: В базу, кольцо ветра"_s);
        QVERIFY(!w->Undo1->isEnabled());

        w.capture(identifyPaste(kRing));
        const QByteArray withRing = w.captureBytes();
        w.showEntries({u"длинный меч"_s});
        w.capture(identifyPaste(kNewSword));
        QCOMPARE(w->memo3->toPlainText(), kNewSword.join(u'\n'));
        w->Undo1->trigger();
        QCOMPARE(w.captureBytes(), withRing);
        QCOMPARE(w->memo3->toPlainText(), kOldSword.join(u'\n'));

        // A capture followed by a change of the list is not taken back by «Отменить».
        w.capture(identifyPaste(kNewSword));
        const QByteArray withSword = w.captureBytes();
        w.showEntries({u"шлем стража"_s});
        w->Undo1->trigger();
        QCOMPARE(w.captureBytes(), withSword);
        QCOMPARE(fileBytes(w.staffPath), w.staffBytes);
    }

    /// What cannot be captured changes nothing and says why in the error box.
    void refusals_data()
    {
        QTest::addColumn<QString>("staffName");
        QTest::addColumn<QString>("paste");
        QTest::addColumn<QString>("told");
        QTest::newRow("no header")
            << u"staff.hjt"_s << u"123H 80M 400V Вых:СЮ> опознать меч\r\nУ вас нет этого.\r\n"_s
            << u"нет строки «Предмет"_s;
        QTest::newRow("empty clipboard") << u"staff.hjt"_s << QString() << u"буфер обмена пуст"_s;
        QTest::newRow("the staff base is the capture file")
            << captureFileName.toString() << identifyPaste(kRing) << u"база стафа — это и есть"_s;
        QTest::newRow("a character Windows-1251 lacks")
            << u"staff.hjt"_s << identifyPaste({kRing.first(), u"знак ✓ горит"_s})
            << u"«✓» (U+2713)"_s;
    }
    void refusals()
    {
        QFETCH(QString, staffName);
        QFETCH(QString, paste);
        QFETCH(QString, told);
        Window w(staffName);
        const QByteArray captureBefore = w.captureBytes();
        const qsizetype announced = w.services.announcements.size();
        w.capture(paste);
        QCOMPARE(w.services.errors.size(), 1);
        QVERIFY2(w.services.errors.first().contains(told), qPrintable(w.services.errors.first()));
        QCOMPARE(w.captureBytes(), captureBefore);
        QCOMPARE(w.services.announcements.size(), announced);
        QCOMPARE(w->StringGrid1Index.size(), 2);
    }

    /// Shift+F2 runs it in the whole window, and says so to a screen reader and in the help.
    void keyAndDescription()
    {
        Window w;
        QCOMPARE(w->Capture1->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F2));
        QVERIFY(w->Capture1->whatsThis().contains(u"Клавиша Shift+F2"_s));
        QVERIFY(w->Capture1->toolTip().contains(u"Shift+F2"_s));
        QVERIFY(w->keysHelp().contains(
            u"Shift+F2: В базу: опознанные предметы из буфера обмена в файл staff-new.hjt"_s));
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
        w.services.clipboard = identifyPaste(kRing);
        QTest::keyClick(w->Edit3, Qt::Key_F2, Qt::ShiftModifier);
        QVERIFY(QFile::exists(w.capturePath()));
        QCOMPARE(fileBytes(w.staffPath), w.staffBytes);
    }

    /// The capture file is read at start with the staff base, and read again when another
    /// program changes it.
    void captureFileIsReadAndFollowed()
    {
        Window w;
        w.capture(identifyPaste(kRing));
        QByteArray written = w.captureBytes();
        w.form.reset();
        w.form = std::make_unique<TForm1>(&w.services);
        w->Edit1->setText(w.staffPath);
        w->Button6Click();
        QVERIFY(w->StringGrid1Index.find(u"кольцо ветра") >= 0);

        w.showEntries({u"кольцо ветра"_s});
        QFile file(w.capturePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(written.replace(cp1251(u"мин.уровень 20"_s), cp1251(u"мин.уровень 22"_s)));
        file.close();
        QTRY_COMPARE(w.tableLevel(0), u"22"_s);
        QVERIFY(w->memo3->toPlainText().contains(u"мин.уровень 22"_s));
    }
};

QTEST_MAIN(TestWindowCapture)
#include "tst_window_capture.moc"
