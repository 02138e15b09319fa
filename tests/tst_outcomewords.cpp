// The words the window tells a screen reader after a command.

#include "list/outcomewords.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestOutcomeWords : public QObject
{
    Q_OBJECT

private slots:
    void lineCount_data()
    {
        QTest::addColumn<qsizetype>("count");
        QTest::addColumn<QString>("text");
        const QList<QPair<qsizetype, QString>> rows = {
            {0, u"0 строк"_s},     {1, u"1 строка"_s},    {2, u"2 строки"_s},
            {4, u"4 строки"_s},    {5, u"5 строк"_s},     {11, u"11 строк"_s},
            {12, u"12 строк"_s},   {14, u"14 строк"_s},   {21, u"21 строка"_s},
            {22, u"22 строки"_s},  {25, u"25 строк"_s},   {101, u"101 строка"_s},
            {111, u"111 строк"_s}, {112, u"112 строк"_s}, {1004, u"1004 строки"_s},
        };
        for (const auto &[count, text] : rows)
            QTest::newRow(qPrintable(text)) << count << text;
    }
    void lineCount()
    {
        QFETCH(qsizetype, count);
        QFETCH(QString, text);
        QCOMPARE(lineCountText(count), text);
    }

    void sentences_data()
    {
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty list") << listCountSpoken(0) << u"Список пуст"_s;
        // Items are counted as the count label counts them.
        QTest::newRow("list") << listCountSpoken(21) << u"Предметов в списке: 21"_s;
        QTest::newRow("nothing found") << foundSpoken(0) << u"Ничего не найдено"_s;
        QTest::newRow("found") << foundSpoken(3) << u"Найдено: 3 предметов"_s;
        QTest::newRow("undone") << historyMoveSpoken(u"Отменено", u"очистка"_s, 3, 0)
                                << u"Отменено: очистка, 3 предметов → 0 предметов"_s;
        QTest::newRow("packet") << packetSpoken(12) << u"Пакет в буфере обмена: 12 строк"_s;
        QTest::newRow("copied") << copiedSpoken(1) << u"Скопировано в буфер обмена: 1 строка"_s;
        QTest::newRow("nothing copied") << copiedSpoken(0) << u"Нечего копировать"_s;
        QTest::newRow("saved") << listSavedSpoken(u"/игра/списки/мой.txt"_s)
                               << u"Список сохранён в файл мой.txt"_s;
        QTest::newRow("base") << baseLoadedSpoken(120, false)
                              << u"База стафа загружена: 120 предметов"_s;
        QTest::newRow("base again")
            << baseLoadedSpoken(1, true) << u"База стафа перечитана: 1 предметов"_s;
    }
    void sentences()
    {
        QFETCH(QString, said);
        QFETCH(QString, expected);
        QCOMPARE(said, expected);
    }
};

QTEST_GUILESS_MAIN(TestOutcomeWords)
#include "tst_outcomewords.moc"
