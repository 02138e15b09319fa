#include "base/search.h"
#include "base/staffbase.h"
#include "text/strops.h"
#include "text/textfile.h"

#include "fuzz/plainreading.h"
#include "randombase.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kEnd = u"<end node> 5P9i0s8y19Z"_s;

StaffBase baseOf(const QStringList &lines)
{
    return staffBaseFromText(lines.join(u"\r\n"_s));
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private:
    const QStringList m_base = {
        u"<Treepad version 3.0>"_s,
        u"на тело (до первой записи)"_s,
        u"Предмет 'длинный меч', Тип предмета: Оружие"_s,
        u"Оружейное умение: Длинные лезвия"_s,
        u"Вы можете одеть это на тело. На тело!"_s,
        kEnd,
        u"на тело (между записями)"_s,
        u"Предмет 'Меч', Тип предмета: Оружие"_s,
        u"Вы можете одеть это на тело."_s,
        kEnd,
        u"Предмет 'старый свиток', Тип предмета: Свиток"_s,
        u"Оружейное умение: Разнообразное  "_s,
        kEnd,
        u"Предмет 'ДЛИННЫЙ МЕЧ', Тип предмета: Оружие"_s,
        u"на тело"_s,
        kEnd,
        u"Предмет без кавычек, Тип предмета: Обычный"_s,
        u"на тело"_s,
        kEnd,
        u"Предмет 'посох', Тип предмета: Оружие"_s,
        u"Оружейное умение: Разнообразное "_s,
    };

private slots:
    void headerItemName_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name");
        QTest::newRow("ordinary") << u"Предмет 'меч', Тип предмета: Оружие"_s << u"меч"_s;
        QTest::newRow("one apostrophe") << u"Предмет 'меч"_s << QString();
        QTest::newRow("none") << u"Предмет"_s << QString();
        QTest::newRow("adjacent") << u"''x'"_s << QString();
        QTest::newRow("three") << u"a'b'c'd"_s << u"b"_s;
    }
    void headerItemName()
    {
        QFETCH(QString, line);
        QFETCH(QString, name);
        QCOMPARE(HeaderItemName(line), name);
    }

    void byName_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("query lower-cased, header lines not")
            << u"Меч"_s << QStringList{u"длинный меч"_s};
        QTest::newRow("type part of the header matches")
            << u"предмета"_s
            << QStringList{u"длинный меч"_s, u"Меч"_s, u"старый свиток"_s, QString(), u"посох"_s};
        QTest::newRow("capital letters in the header never match")
            << u"длинный"_s << QStringList{u"длинный меч"_s};
        QTest::newRow("empty query") << QString() << QStringList();
        QTest::newRow("only header lines") << u"на тело"_s << QStringList();
        QTest::newRow("header without apostrophes gives an empty name")
            << u"без кавычек"_s << QStringList{QString()};
        QTest::newRow("pattern characters are plain text") << u".*"_s << QStringList();
        QTest::newRow("100,000 characters") << QString(100000, u'м') << QStringList();
    }
    void byName()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, names);
        QCOMPARE(FindItemsByName(baseOf(m_base), query), names);
        QCOMPARE(plain::byName(m_base, query), names);
    }

    void byPhrase_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QStringList>("names");
        const QStringList every = {u"*"_s}; // stands for "every name" below
        QTest::newRow("lines outside records never hit; repeated names once")
            << u"на тело"_s << every << QStringList{u"длинный меч"_s, u"Меч"_s};
        QTest::newRow("header line counts for its own item")
            << u"Тип предмета: Свиток"_s << every << QStringList{u"старый свиток"_s};
        QTest::newRow("phrase 26 needs its two spaces")
            << u"Оружейное умение: Разнообразное  "_s << every << QStringList{u"старый свиток"_s};
        QTest::newRow("filter: membership at any position, ignoring case")
            << u"на тело"_s << QStringList{u"посох"_s, u"меч"_s} << QStringList{u"Меч"_s};
        QTest::newRow("filter: nothing listed") << u"на тело"_s << QStringList() << QStringList();
        QTest::newRow("empty phrase") << QString() << every << QStringList();
        QTest::newRow("phrase matched ignoring case")
            << u"ОРУЖЕЙНОЕ"_s << every
            << QStringList{u"длинный меч"_s, u"старый свиток"_s, u"посох"_s};
        QTest::newRow("100,000 characters") << QString(100000, u'a') << every << QStringList();
    }
    void byPhrase()
    {
        QFETCH(QString, phrase);
        QFETCH(QStringList, listed);
        QFETCH(QStringList, names);
        const bool everyName = listed == QStringList{u"*"_s};
        const AllowedNames allowed = everyName ? AllowedNames::everyName()
                                               : AllowedNames::fromNames(listed);
        QCOMPARE(FindItemsByPhrase(baseOf(m_base), phrase, allowed), names);
        QCOMPARE(plain::byPhrase(m_base, phrase, everyName, listed), names);
    }

    /// The filter narrows ListedNames and an empty text gives all of it back, duplicates and
    /// order included; ListedNames itself is only read.
    void filterRoundTrip()
    {
        const StaffBase base = baseOf(m_base);
        const QStringList listed = {u"посох"_s, u"МЕЧ"_s, u"старый свиток"_s, u"посох"_s};
        QCOMPARE(PropertyFilterNames(base, u"на тело"_s, listed), QStringList{u"Меч"_s});
        QCOMPARE(PropertyFilterNames(base, u"нет такого"_s, listed), QStringList());
        QCOMPARE(PropertyFilterNames(base, QString(), listed), listed);
        QCOMPARE(PropertyFilterNames(StaffBase(), QString(), listed), listed);
    }

    /// A filter over enough records to be searched on several threads at once gives what the
    /// line-by-line reading gives.
    void filterOverManyRecordsAgreesWithPlainReading()
    {
        const QString text = randombase::randomBaseText(11, 6000);
        const StaffBase base = staffBaseFromText(text);
        const QStringList lines = splitLines(text);
        const QStringList listed = FindItemsByName(base, QStringLiteral("'"));
        QVERIFY2(text.size() > 600000 && base.headerLines().size() > 5000,
                 "the records of the listed names fill several pieces");
        for (const QString &phrase : {u"на тело"_s, u"а"_s, u"удача +1"_s}) {
            const QStringList expected = plain::byPhrase(lines, phrase, false, listed);
            QCOMPARE(FindItemsByPhrase(base, phrase, AllowedNames::fromNames(listed)), expected);
            PropertyFilter filter;
            QCOMPARE(filter.names(base, phrase, listed), expected);
        }
    }

    /// The filter that remembers the records of ListedNames gives what the plain rule gives
    /// while ListedNames and the base change under it: the same list again, a copy, a list
    /// changed in place, a longer one, and another base loaded into the same place.
    void rememberingFilterAgreesWithPlainRule()
    {
        PropertyFilter filter;
        StaffBase base;
        QStringList listed;
        const auto check = [&](const QString &text) {
            QCOMPARE(filter.names(base, text, listed), PropertyFilterNames(base, text, listed));
        };
        for (quint32 seed = 1; seed <= 40; ++seed) {
            base = staffBaseFromText(randombase::randomBaseText(seed, int(seed % 40)));
            check(u"е"_s); // the names of the previous base
            listed = FindItemsByName(base, u"а"_s);
            for (const QString &text : {u"на тело"_s, u"а"_s, QString(), u"x\ny"_s})
                check(text);
            const QStringList copy = QStringList(listed.cbegin(), listed.cend());
            listed = copy;
            check(u"е"_s);
            if (!listed.isEmpty()) {
                listed.last() = listed.first(); // same size, same list object
                check(u"е"_s);
                listed.removeFirst();
                check(u"е"_s);
            }
            listed.append(FindItemsByName(base, u"о"_s));
            check(u"о"_s);
        }
    }

    void emptyBaseFindsNothing()
    {
        const StaffBase empty;
        QVERIFY(FindItemsByName(empty, u"меч"_s).isEmpty());
        QVERIFY(FindItemsByPhrase(empty, u"меч"_s, AllowedNames::everyName()).isEmpty());
    }

    /// The indexed searches give what a line-by-line reading gives, on varied bases.
    void searchesAgreeWithPlainReading()
    {
        const QStringList queries = {
            u"меч"_s,      u"Меч"_s,     u"предмета"_s,
            u"'"_s,        u"на тело"_s, u"оружейное умение: разнообразное  "_s,
            u"+"_s,        u"ё"_s,       u"Тип предмета: Книга"_s,
            u"end node"_s, u"'a"_s};
        const QStringList listed = {u"КОЛЬЦО"_s, u"ёж"_s, u"длинный меч"_s, QString()};
        for (quint32 seed = 1; seed <= 200; ++seed) {
            const QString text = randombase::randomBaseText(seed, int(seed % 40));
            const StaffBase base = staffBaseFromText(text);
            const QStringList lines = splitLines(text);
            for (const QString &query : queries) {
                QCOMPARE(FindItemsByName(base, query), plain::byName(lines, query));
                QCOMPARE(FindItemsByPhrase(base, query, AllowedNames::everyName()),
                         plain::byPhrase(lines, query, true, {}));
                QCOMPARE(FindItemsByPhrase(base, query, AllowedNames::fromNames(listed)),
                         plain::byPhrase(lines, query, false, listed));
            }
        }
    }

    void oneHugeLine()
    {
        const StaffBase base = staffBaseFromText(u"Предмет 'x', "_s
                                                 + QString(2 * 1024 * 1024, u'а'));
        QCOMPARE(FindItemsByName(base, u"АА"_s), QStringList{u"x"_s});
        QCOMPARE(FindItemsByPhrase(base, u"ААА"_s, AllowedNames::everyName()), QStringList{u"x"_s});
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
