// The packet buttons under the offscreen platform: each one pressed, the clipboard read back.

#include "app/form/Unit1.h"
#include "app/form/viewcontents.h"
#include "fakeuiservices.h"
#include "list/liststate.h"
#include "text/textfile.h"
#include "windowtest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestWindowPackets : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScratchWorkingFolder> m_dir;
    FakeUiServices m_services;
    std::unique_ptr<TForm1> m_form;

    void press(const QString &buttonName)
    {
        auto *button = m_form->findChild<QPushButton *>(buttonName);
        QVERIFY2(button, qPrintable(buttonName));
        button->click();
    }
    void showEntries(const QStringList &entries)
    {
        m_form->ListBox1->setState(listStateOf(entries));
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<ScratchWorkingFolder>();
        QVERIFY(m_dir->isValid());
        // A staff base to load at start, so that the lore view keeps its help text.
        writeTextFile(u"staff.hjt"_s,
                      {u"<node>"_s, u"Предмет 'синий плащ', Тип предмета: Обычный"_s,
                       u"мин.уровень 12"_s, u"<end node>"_s},
                      TextEncoding::Utf8Bom);
        m_services = FakeUiServices();
        m_services.clipboard = u"old clipboard"_s;
        m_form = std::make_unique<TForm1>(&m_services);
    }
    void cleanup()
    {
        m_form.reset();
        m_dir.reset();
    }

    void listPackets_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<bool>("addAll");
        QTest::addColumn<QString>("clipboard");
        // Every row runs with ComboBox1 «кзабр», ComboBox3 «5000», ComboBox2 «биржа хар»,
        // ComboBox4 «;», so a packet reading the wrong box shows it.
        const QStringList items{u"длинный меч [2]"_s, u"щит <хорошее>"_s, QString(), u"12. меч"_s};
        QTest::newRow("Пакетные, 'все.' ticked")
            << u"Button4"_s << items << true
            << u"кзабр все.длинный.меч 5000\r\nкзабр все.щит 5000\r\nкзабр все.12..меч 5000\r\n"
               "\r\n"_s;
        QTest::newRow("Пакетные, 'все.' clear")
            << u"Button4"_s << items.mid(1, 1) << false << u"кзабр щит 5000\r\n\r\n"_s;
        QTest::newRow("Пакетные - Биржа")
            << u"Button5"_s << items << false << u"биржа хар 12 ;\r\n\r\n"_s;
        QTest::newRow("Сорт, last entry first")
            << u"Button15"_s << QStringList{u"меч"_s, u"щит"_s} << true
            << u"кзаб :кзабр все.щит\r\nксдать :кзабр все.щит\r\nкзаб :кзабр все.меч\r\n"
               "ксдать :кзабр все.меч\r\n\r\n"_s;
        for (const QString &button : {u"Button4"_s, u"Button5"_s, u"Button15"_s})
            QTest::newRow(qPrintable(button + u", empty list"_s))
                << button << QStringList() << false << u"\r\n"_s;
    }
    void listPackets()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, entries);
        QFETCH(bool, addAll);
        QFETCH(QString, clipboard);
        showEntries(entries);
        m_form->ComboBox1->setEditText(u"кзабр"_s);
        m_form->ComboBox3->setEditText(u"5000"_s);
        m_form->ComboBox2->setEditText(u"биржа хар"_s);
        m_form->ComboBox4->setEditText(u";"_s);
        m_form->CheckBox1->setChecked(addAll);
        press(button);
        QCOMPARE(m_services.clipboard, clipboard);
        QCOMPARE(m_services.errors, QStringList());
        // The packet buffer holds the packet's lines and one empty line.
        QStringList bufferWanted = clipboard.split(u"\r\n"_s);
        bufferWanted.removeLast();
        QCOMPARE(bufferLines(m_form->Memo2), bufferWanted);
    }

    void packetCoversEveryEntrySelectedOrNot()
    {
        showEntries({u"меч"_s, u"щит"_s, u"шлем"_s});
        m_form->ListBox1->setCurrentRow(1);
        m_form->ComboBox1->setEditText(u"дать"_s);
        press(u"Button4"_s);
        QCOMPARE(m_services.clipboard, u"дать меч\r\nдать щит\r\nдать шлем\r\n\r\n"_s);
    }

    void loreQuotesOfTheHelpText_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("word");
        QTest::newRow("гг") << u"Button10"_s << u"гг"_s;
        QTest::newRow("сг") << u"Button11"_s << u"сг"_s;
        QTest::newRow("г") << u"Button12"_s << u"г"_s;
        QTest::newRow("кг") << u"Button13"_s << u"кг"_s;
        QTest::newRow("болт") << u"Button14"_s << u"болт"_s;
    }
    void loreQuotesOfTheHelpText()
    {
        QFETCH(QString, button);
        QFETCH(QString, word);
        press(button);
        const QString text = m_services.clipboard;
        QVERIFY(text.endsWith(u"\r\n\r\n"_s));
        const QStringList lines = text.chopped(4).split(u"\r\n"_s);
        // 37 help lines, 8 of them empty; the blanks at some line ends stay.
        QCOMPARE(lines.size(), 29);
        QCOMPARE(lines.first(), word + u" реж таймер да - включить чтобы работал лор с"_s);
        QCOMPARE(lines.at(3), word + u" копируем строки из мада, целиком списком "_s);
        QCOMPARE(lines.last(), word + u" трипаде, если он настроен на открытие *.hjt файлов "_s);
    }

    void loreQuoteKeepsBlankLines()
    {
        m_form->memo3->setPlainText(u"Предмет 'синий плащ'\n\n   \n  вес 3\n"_s);
        press(u"Button13"_s);
        QCOMPARE(m_services.clipboard,
                 u"кг Предмет 'синий плащ'\r\nкг    \r\nкг   вес 3\r\n\r\n"_s);
        m_form->memo3->clear();
        press(u"Button14"_s);
        QCOMPARE(m_services.clipboard, u"\r\n"_s);
    }

    void tenThousandEntries()
    {
        QStringList entries;
        for (int i = 1; i <= 10000; ++i)
            entries.append(QString::number(i) + u". кольцо [отл]"_s);
        showEntries(entries);
        m_form->ComboBox2->setEditText(u"биржа куп"_s);
        m_form->ComboBox4->clearEditText();
        press(u"Button5"_s);
        QVERIFY(m_services.clipboard.startsWith(u"биржа куп 1\r\nбиржа куп 2\r\n"_s));
        QVERIFY(m_services.clipboard.endsWith(u"биржа куп 10000\r\n\r\n"_s));
        press(u"Button15"_s);
        QCOMPARE(m_services.clipboard.count(u"\r\n"_s), 20001);
    }
};

QTEST_MAIN(TestWindowPackets)
#include "tst_window_packets.moc"
