// A desk's live updates on a database that another desk changes: the schema's change events
// are followed, a burst of them is told once, and a database without the triggers is read
// again on time, which the desk is told once.
#include "db/ChangeEvents.h"
#include "db/Database.h"
#include "desk/LiveUpdates.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QStringList AllTables{"WIZYTY", "GOSCIE", "PERSONEL", "FIRMY", "DZIALY"};

void commit(db::Database& database, const QString& sql)
{
    database.execute(sql);
    database.transaction().commit();
}

// Waits until the live updates follow the counts as they stand, so that every commit from
// here on is told.
bool following(desk::LiveUpdates& live, QSignalSpy& ready)
{
    return live.followsEvents() && (!ready.isEmpty() || ready.wait(2000));
}

}  // namespace

class LiveUpdatesTest : public QObject {
    Q_OBJECT
private slots:
    void everyDeskHasLiveUpdatesReadingAgainEvery30Seconds()
    {
        testsupport::TestDatabase database;
        testsupport::TestDesk desk(database.db());
        QCOMPARE(desk.liveUpdates().pollInterval(), 30000ms);
        QVERIFY(!desk.liveUpdates().followsEvents());
        QCOMPARE(desk::LiveUpdates::tables(), AllTables);
    }

    void aCommitOfAnotherDeskIsToldWithinASecondAndABurstOnce()
    {
        testsupport::TestDatabase database;
        std::unique_ptr<db::Database> other = database.connect();
        desk::LiveUpdates live;
        QSignalSpy ready(live.findChild<db::ChangeEvents*>("changeEvents"),
                         &db::ChangeEvents::ready);
        QSignalSpy changed(&live, &desk::LiveUpdates::changed);
        QSignalSpy pollingInstead(&live, &desk::LiveUpdates::pollingInstead);
        live.start(*other);
        QVERIFY(following(live, ready));
        QVERIFY(pollingInstead.isEmpty());

        QElapsedTimer clock;
        clock.start();
        commit(database.db(), "insert into WIZYTY (ID, GOSC_NAZWA) values (1, 'Nowak')");
        QVERIFY(changed.wait(1000));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toStringList(), QStringList{"WIZYTY"});

        // Three commits one after another: one signal, the tables in their order.
        changed.clear();
        commit(database.db(), "insert into FIRMY (ID, NAZWA) values (1, 'Firma')");
        commit(database.db(),
               "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO) "
               "values (1, 1, 0, 'Kowalska')");
        commit(database.db(), "update FIRMY set NAZWA = 'Firma 2' where ID = 1");
        QVERIFY(changed.wait(1000));
        QTest::qWait(300);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toStringList(), (QStringList{"PERSONEL", "FIRMY"}));

        // Stopped, then the connection closed: nothing more.
        changed.clear();
        commit(database.db(), "insert into GOSCIE (ID, NAZWA) values (1, 'Nowak')");
        live.stop();
        QVERIFY(!live.followsEvents());
        other->close();
        commit(database.db(), "insert into GOSCIE (ID, NAZWA) values (2, 'Lis')");
        QTest::qWait(1000);
        QVERIFY(changed.isEmpty());
    }

    void aDatabaseWithoutTheTriggersIsReadAgainOnTime()
    {
        testsupport::TestDatabase database;
        QStringList drops;
        for (const QString& table : AllTables)
            drops << "drop trigger " + db::ChangeEvents::triggerName(table);
        database.run(drops);
        std::unique_ptr<db::Database> other = database.connect();
        desk::LiveUpdates live;
        live.setPollInterval(150ms);
        QSignalSpy changed(&live, &desk::LiveUpdates::changed);
        QSignalSpy pollingInstead(&live, &desk::LiveUpdates::pollingInstead);
        live.start(*other);
        QVERIFY(!live.followsEvents());
        QCOMPARE(pollingInstead.size(), 1);
        QVERIFY(changed.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(changed.size() >= 3, 2000);
        for (const QList<QVariant>& signal : changed)
            QCOMPARE(signal.at(0).toStringList(), AllTables);
        QCOMPARE(pollingInstead.size(), 1);

        // Once per start: started again, said again.
        live.start(*other);
        QCOMPARE(pollingInstead.size(), 2);

        // Stopped, then closed: the timer is silent too.
        live.stop();
        other->close();
        changed.clear();
        QTest::qWait(500);
        QVERIFY(changed.isEmpty());
        QCOMPARE(pollingInstead.size(), 2);
    }

    // A database where only some tables have their trigger is read again on time as well.
    void aTriggerMissingIsReadAgainOnTime()
    {
        testsupport::TestDatabase database;
        database.run({"drop trigger TR_DZIALY_ZMIANY"});
        desk::LiveUpdates live;
        QSignalSpy pollingInstead(&live, &desk::LiveUpdates::pollingInstead);
        live.start(database.db());
        QVERIFY(!live.followsEvents());
        QCOMPARE(pollingInstead.size(), 1);
    }
};

HALVANE_TEST(LiveUpdatesTest);
#include "LiveUpdatesTest.moc"
