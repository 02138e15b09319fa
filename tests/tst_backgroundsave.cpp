// Which files a save between closes writes, and which of its failures are shown.

#include "state/saveplan.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(WrittenState)

namespace {

const QStringList kSettings = {u"staff.hjt"_s, u"800"_s,   u"600"_s,  u"10"_s,
                               u"20"_s,        u"взять"_s, u"снять"_s};
const SavedList kList = {{u"шлем"_s, u"плащ"_s}, TextEncoding::Ansi};

} // namespace

class TestBackgroundSave : public QObject
{
    Q_OBJECT

private slots:
    void plan_data()
    {
        QTest::addColumn<WrittenState>("written");
        QTest::addColumn<bool>("listFileUnread");
        QTest::addColumn<bool>("listFileExists");
        QTest::addColumn<bool>("settings");
        QTest::addColumn<bool>("list");
        QTest::addColumn<bool>("heldBack");

        QStringList otherLines = kSettings;
        otherLines[5] = u"положить"_s;
        const SavedList otherEntries{kList.entries + QStringList{u"кольцо"_s}, kList.encoding};
        const SavedList otherEncoding{kList.entries, TextEncoding::Utf8Bom};
        const WrittenState same{kSettings, kList};

        QTest::newRow("nothing changed") << same << false << true << false << false << false;
        QTest::newRow("nothing known yet")
            << WrittenState{} << false << false << true << true << false;
        QTest::newRow("entries changed")
            << WrittenState{kSettings, otherEntries} << false << true << false << true << false;
        QTest::newRow("encoding changed")
            << WrittenState{kSettings, otherEncoding} << false << true << false << true << false;
        QTest::newRow("a setting changed")
            << WrittenState{otherLines, kList} << false << true << true << false << false;
        QTest::newRow("unread list.txt still there")
            << WrittenState{kSettings, otherEntries} << true << true << false << false << true;
        QTest::newRow("unread list.txt since removed")
            << WrittenState{kSettings, otherEntries} << true << false << false << true << false;
        QTest::newRow("unread list.txt, list unchanged")
            << same << true << true << false << false << false;
    }
    void plan()
    {
        QFETCH(WrittenState, written);
        QFETCH(bool, listFileUnread);
        QFETCH(bool, listFileExists);
        const BackgroundSavePlan plan = planBackgroundSave(
            written, kSettings, kList,
            listFileMayBeReplacedUnasked(listFileUnread, listFileExists));
        QTEST(plan.writeSettings, "settings");
        QTEST(plan.writeList, "list");
        QTEST(plan.listHeldBack, "heldBack");
    }

    void firstFailureOfARunIsShown()
    {
        BackgroundSaveFailures failures;
        QVERIFY(failures.failed());
        QVERIFY(!failures.failed());
        QVERIFY(!failures.failed());
        failures.succeeded();
        QVERIFY(failures.failed());
    }
};

QTEST_GUILESS_MAIN(TestBackgroundSave)
#include "tst_backgroundsave.moc"
