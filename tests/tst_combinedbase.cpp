#include "base/combinedbase.h"
#include "base/lore.h"
#include "base/search.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString node(const QString &title, const QStringList &lines)
{
    return u"dt=Text\r\n<node>\r\n"_s + title + u"\r\n1\r\n"_s + lines.join(u"\r\n"_s)
        + u"\r\n<end node> 5P9i0s8y19Z\r\n"_s;
}

QString treePad(const QStringList &nodes)
{
    return u"<Treepad version 3.0>\r\ndt=Text\r\n<node>\r\nСтаф\r\n0\r\n<end node> "
           u"5P9i0s8y19Z\r\n"_s
        + nodes.join(QString());
}

const QStringList kOldSword = {u"Предмет 'длинный меч', Тип предмета: Оружие"_s, u"Вн  Ва"_s,
                               u"Оценка: 9, 8"_s, u"Оружейное умение: Длинные лезвия"_s,
                               u"мин.уровень 12"_s};
const QStringList kNewSword = {u"Предмет 'длинный меч', Тип предмета: Оружие"_s, u"Вн  Ва"_s,
                               u"Оценка: 9, 9"_s, u"Вы можете одеть это на тело."_s,
                               u"мин.уровень 14"_s};

/// A staff base of four items, the sword among them.
QString staffText()
{
    return treePad({
        node(u"старый фонарь"_s,
             {u"Предмет 'старый фонарь', Тип предмета: Обычный"_s, u"Вн"_s, u"Оценка: 3"_s,
              u"мин.уровень 5"_s}),
        node(u"длинный меч"_s, kOldSword),
        node(u"шлем стража"_s,
             {u"Предмет 'шлем стража', Тип предмета: Броня"_s, u"Вы можете одеть это на голову."_s,
              u"мин.уровень 10"_s}),
        node(u"меч-кладенец"_s,
             {u"Предмет 'меч-кладенец', Тип предмета: Оружие"_s,
              u"Оружейное умение: Длинные лезвия"_s, u"мин.уровень 30"_s}),
    });
}

/// The capture file: the sword identified anew, and an item the staff base lacks.
QString captureText()
{
    return treePad({
        node(u"длинный меч"_s, kNewSword),
        node(u"новый посох"_s,
             {u"Предмет 'новый посох', Тип предмета: Оружие"_s, u"Оружейное умение: Посохи"_s,
              u"мин.уровень 3"_s}),
    });
}

CombinedBase combined(const QString &staff, const QString &captured)
{
    CombinedBase base;
    StaffBase lines = staffBaseFromText(staff);
    ItemIndex index = ScanItemIndex(lines);
    base.setStaffBase(std::move(lines), std::move(index));
    base.setCaptureText(captured);
    return base;
}

QStringList names(const ItemIndex &index)
{
    QStringList all;
    for (qsizetype r = 0; r < index.size(); ++r)
        all.append(index.name(r).toString() + u' ' + index.level(r));
    return all;
}

} // namespace

class TestCombinedBase : public QObject
{
    Q_OBJECT

private slots:
    /// Without a capture file every lookup is the staff base's own.
    void withoutCaptureFileAsStaffBase_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("phrase of a record") << u"длинные лезвия"_s;
        QTest::newRow("type on the header") << u"Тип предмета: Оружие"_s;
        QTest::newRow("part of a name") << u"меч"_s;
        QTest::newRow("nothing") << u"нет такого"_s;
    }
    void withoutCaptureFileAsStaffBase()
    {
        QFETCH(QString, text);
        const CombinedBase base = combined(staffText(), QString());
        const StaffBase &staff = base.staff();
        const QStringList listed = {u"длинный меч"_s, u"шлем стража"_s};
        QVERIFY(!base.hasCaptured());
        QCOMPARE(FindItemsByName(base, text), FindItemsByName(staff, text));
        QCOMPARE(FindItemsByPhrase(base, text, AllowedNames::everyName()),
                 FindItemsByPhrase(staff, text, AllowedNames::everyName()));
        QCOMPARE(PropertyFilterNames(base, text, listed), PropertyFilterNames(staff, text, listed));
        PropertyFilter filter;
        QCOMPARE(filter.names(base, text, listed), PropertyFilterNames(staff, text, listed));
        QCOMPARE(CollectLoreLines(u"длинный меч"_s, base),
                 CollectLoreLines(u"длинный меч"_s, staff));
        QCOMPARE(base.index(), base.staffIndex());
        QCOMPARE(base.index().find(u"шлем стража"_s), base.staffIndex().find(u"шлем стража"_s));
    }

    /// An item in both files is the capture file's, everywhere, and listed once.
    void capturedRecordWins()
    {
        const CombinedBase base = combined(staffText(), captureText());
        QCOMPARE(CollectLoreLines(u"длинный меч"_s, base), kNewSword);
        QCOMPARE(base.recordLines(u"длинный меч"_s), kNewSword);
        QCOMPARE(CollectLoreLines(u"шлем стража"_s, base),
                 CollectLoreLines(u"шлем стража"_s, base.staff()));

        // The table: the staff rows but the replaced one, then the captured ones.
        QCOMPARE(names(base.index()),
                 (QStringList{u"старый фонарь 5"_s, u"шлем стража 10"_s, u"меч-кладенец 30"_s,
                              u"длинный меч 14"_s, u"новый посох 3"_s}));
        QCOMPARE(base.index().level(base.index().find(u"длинный меч"_s)), u"14"_s);
        QCOMPARE(base.index().find(u"меч-кладенец"_s), 2);
        QCOMPARE(base.index().find(u"новый посох"_s), 4);
        QCOMPARE(base.index().find(u"нет такого"_s), -1);

        QCOMPARE(FindItemsByName(base, u"меч"_s),
                 (QStringList{u"меч-кладенец"_s, u"длинный меч"_s}));
        // The staff base's old record of the sword no longer counts; the new one does.
        QCOMPARE(FindItemsByPhrase(base, u"длинные лезвия"_s, AllowedNames::everyName()),
                 QStringList{u"меч-кладенец"_s});
        QCOMPARE(FindItemsByPhrase(base, u"на тело"_s, AllowedNames::everyName()),
                 QStringList{u"длинный меч"_s});
        QCOMPARE(FindItemsByPhrase(base, u"Тип предмета: Оружие"_s, AllowedNames::everyName()),
                 (QStringList{u"меч-кладенец"_s, u"длинный меч"_s, u"новый посох"_s}));

        const QStringList listed = {u"новый посох"_s, u"длинный меч"_s, u"меч-кладенец"_s};
        PropertyFilter filter;
        for (const QString &phrase : {u"длинные лезвия"_s, u"на тело"_s, u"посохи"_s}) {
            const QStringList expected = PropertyFilterNames(base, phrase, listed);
            QCOMPARE(filter.names(base, phrase, listed), expected);
        }
        QCOMPARE(filter.names(base, u"длинные лезвия"_s, listed), QStringList{u"меч-кладенец"_s});
        QCOMPARE(filter.names(base, u"на тело"_s, listed), QStringList{u"длинный меч"_s});
        // The filter's memory follows the capture file: without it the old record counts again.
        const CombinedBase staffOnly = combined(staffText(), QString());
        QCOMPARE(filter.names(staffOnly, u"на тело"_s, listed), QStringList());
    }

    /// The layered index hides rows anywhere among the staff rows, first and last included.
    void layeredIndexHidesRows_data()
    {
        QTest::addColumn<QList<qsizetype>>("hidden");
        QTest::newRow("none") << QList<qsizetype>{};
        QTest::newRow("first") << QList<qsizetype>{0};
        QTest::newRow("last") << QList<qsizetype>{5};
        QTest::newRow("runs and gaps") << QList<qsizetype>{0, 1, 3, 5};
        QTest::newRow("all") << QList<qsizetype>{0, 1, 2, 3, 4, 5};
    }
    void layeredIndexHidesRows()
    {
        QFETCH(QList<qsizetype>, hidden);
        QList<ItemIndexRow> underRows;
        for (int i = 0; i < 6; ++i)
            underRows.append({u"предмет %1"_s.arg(i), QString::number(i), {}, {}});
        const ItemIndex under(underRows);
        const ItemIndex over{{u"новый"_s, u"7"_s, {}, {}}};
        QList<ItemIndexRow> expected;
        for (int i = 0; i < 6; ++i) {
            if (!hidden.contains(i))
                expected.append(underRows.at(i));
        }
        expected.append(over.row(0));
        const ItemIndex index = ItemIndex::layered(under, hidden, over);
        QCOMPARE(index.rows(), expected);
        for (qsizetype r = 0; r < expected.size(); ++r)
            QCOMPARE(index.find(expected.at(r).name), r);
        for (qsizetype h : hidden)
            QCOMPARE(index.find(underRows.at(h).name), -1);
    }
};

QTEST_GUILESS_MAIN(TestCombinedBase)
#include "tst_combinedbase.moc"
