// The change events of the schema's triggers between two connections to one database: a
// commit on one is told to the other within a second, a rollback is told to nobody, and a
// listener stopped, or whose connection closes or is taken away, tells nothing more and
// takes nothing down with it.
#include "db/ChangeEvents.h"
#include "db/Database.h"
#include "db/Error.h"
#include "support/ServerDatabase.h"
#include "support/TestDatabase.h"
#include "support/testmain.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace {

const QStringList Tables{"WIZYTY", "GOSCIE", "PERSONEL", "FIRMY", "DZIALY"};

constexpr auto InsertVisit =
    "insert into WIZYTY (ID, GOSC_NAZWA, DTPRZYBYCIA) values (%1, 'Nowak', current_timestamp)";

// Every name told by the spy's signals so far.
QStringList told(const QSignalSpy& spy)
{
    QStringList names;
    for (const QList<QVariant>& signal : spy)
        names += signal.at(0).toStringList();
    return names;
}

// Runs one statement on a connection and commits it.
void commit(db::Database& database, const QString& sql)
{
    database.execute(sql);
    database.transaction().commit();
}

}  // namespace

class ChangeEventsTest : public QObject {
    Q_OBJECT
private slots:
    void theSchemaHasATriggerForEveryTable()
    {
        testsupport::TestDatabase database;
        QCOMPARE(db::ChangeEvents::tablesPostingEvents(database.db(), Tables), Tables);
        // The triggers change no data: a row reads back as it was written.
        database.run({"insert into FIRMY (ID, NAZWA) values (1, 'Firma')"});
        QCOMPARE(database.scalar("select NAZWA from FIRMY where ID = 1").toString(),
                 QString("Firma"));
    }

    void aCommitOnOneConnectionIsToldToTheOtherWithinASecond()
    {
        testsupport::TestDatabase database;
        std::unique_ptr<db::Database> other = database.connect();
        db::ChangeEvents events;
        QSignalSpy ready(&events, &db::ChangeEvents::ready);
        QSignalSpy posted(&events, &db::ChangeEvents::posted);
        events.start(*other, Tables);
        QVERIFY(events.listening());
        QVERIFY(ready.wait(2000));
        QVERIFY(posted.isEmpty());  // the counts as they were are no change

        QElapsedTimer clock;
        clock.start();
        commit(database.db(), QString::fromLatin1(InsertVisit).arg(1));
        QVERIFY(posted.wait(1000));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(told(posted), QStringList{"WIZYTY"});

        // One commit of changes to several tables is one delivery naming each once.
        posted.clear();
        database.db().execute("insert into FIRMY (ID, NAZWA) values (1, 'Firma')");
        database.db().execute(
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) "
            "values (1, 1, 0, 0, 'Dział')");
        database.db().execute("update FIRMY set NAZWA = 'Firma 2' where ID = 1");
        database.db().transaction().commit();
        QTRY_COMPARE_WITH_TIMEOUT(told(posted).size(), 2, 1000);
        QStringList names = told(posted);
        names.sort();
        QCOMPARE(names, (QStringList{"DZIALY", "FIRMY"}));

        // The listening connection's own commits are told as well.
        posted.clear();
        commit(*other, "update FIRMY set NAZWA = 'Firma 3' where ID = 1");
        QVERIFY(posted.wait(1000));
        QCOMPARE(told(posted), QStringList{"FIRMY"});
    }

    void aRolledBackChangeIsToldToNobody()
    {
        testsupport::TestDatabase database;
        std::unique_ptr<db::Database> other = database.connect();
        db::ChangeEvents events;
        QSignalSpy ready(&events, &db::ChangeEvents::ready);
        QSignalSpy posted(&events, &db::ChangeEvents::posted);
        events.start(*other, Tables);
        QVERIFY(ready.wait(2000));

        database.db().execute(QString::fromLatin1(InsertVisit).arg(1));
        database.db().transaction().rollback();
        QTest::qWait(1500);
        QVERIFY(posted.isEmpty());
        // Still listening, and the rolled-back change is not among what comes next.
        commit(database.db(), "insert into GOSCIE (ID, NAZWA) values (1, 'Nowak')");
        QVERIFY(posted.wait(1000));
        QCOMPARE(told(posted), QStringList{"GOSCIE"});
    }

    void aDatabaseWithoutTheTriggersIsToldApart()
    {
        testsupport::TestDatabase database;
        database.run({"drop trigger TR_WIZYTY_ZMIANY"});
        QCOMPARE(db::ChangeEvents::tablesPostingEvents(database.db(), Tables),
                 (QStringList{"GOSCIE", "PERSONEL", "FIRMY", "DZIALY"}));
        // A trigger of that name made inactive does not count, nor one of another table.
        database.run({"alter trigger TR_GOSCIE_ZMIANY inactive", "drop trigger TR_FIRMY_ZMIANY",
                      "create trigger TR_FIRMY_ZMIANY for DZIALY after insert as begin end"});
        QCOMPARE(db::ChangeEvents::tablesPostingEvents(database.db(), Tables),
                 (QStringList{"PERSONEL", "DZIALY"}));
    }

    // stop(), then the connection closes: nothing is told and nothing breaks; a connection
    // closed under a listener (and a listener outliving its connection) the same.
    void aStoppedOrClosedListenerTellsNothingMore()
    {
        testsupport::TestDatabase database;
        int id = 0;
        for (const bool stopFirst : {true, false}) {
            std::unique_ptr<db::Database> other = database.connect();
            db::ChangeEvents events;
            QSignalSpy ready(&events, &db::ChangeEvents::ready);
            QSignalSpy posted(&events, &db::ChangeEvents::posted);
            QSignalSpy lost(&events, &db::ChangeEvents::lost);
            events.start(*other, Tables);
            QVERIFY(ready.wait(2000));
            // A change whose delivery may still be on its way as the listener stops.
            commit(database.db(), QString::fromLatin1(InsertVisit).arg(++id));
            if (stopFirst)
                events.stop();
            other->close();
            QVERIFY(!events.listening());
            commit(database.db(), QString::fromLatin1(InsertVisit).arg(++id));
            QTest::qWait(1000);
            QVERIFY(posted.isEmpty());
            QVERIFY(lost.isEmpty());
            other.reset();  // the listener outlives the connection
            events.stop();
        }
    }

    // On a Firebird server: events come over a connection of their own; the server taking
    // the listener's attachment away breaks nothing, and closing it then does not hang.
    void onTheServerAConnectionTakenAwayBreaksNothing()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase shared;
        auto database = testsupport::connectTo(shared.name());
        auto other = testsupport::connectTo(shared.name());
        db::ChangeEvents events;
        QSignalSpy ready(&events, &db::ChangeEvents::ready);
        QSignalSpy posted(&events, &db::ChangeEvents::posted);
        events.start(*other, Tables);
        QVERIFY(ready.wait(5000));
        QElapsedTimer clock;
        clock.start();
        commit(*database, "update PERSONEL set INFO = 'Urlop' where ID = 1");
        QVERIFY(posted.wait(1000));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(told(posted), QStringList{"PERSONEL"});

        posted.clear();
        commit(*database,
               "delete from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> "
               "current_connection");
        commit(*database, "update PERSONEL set INFO = null where ID = 1");
        QTest::qWait(1000);
        QVERIFY(posted.isEmpty());
        clock.restart();
        other->close();
        QVERIFY(!events.listening());
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    }

    void eventBlocksAreReadAsTheEngineWritesThem()
    {
        const QByteArray block = db::ChangeEvents::eventBlock({"FIRMY", "DZIALY"});
        QCOMPARE(block, QByteArray("\x01\x05"
                                   "FIRMY\0\0\0\0\x06"
                                   "DZIALY\0\0\0\0",
                                   22));
        QByteArray later = block;
        later[7] = '\x02';  // FIRMY counted twice
        QCOMPARE(db::ChangeEvents::raised(block, later), QStringList{"FIRMY"});
        QCOMPARE(db::ChangeEvents::raised(later, later), QStringList());
        QCOMPARE(db::ChangeEvents::raised(block, later.left(10)), QStringList());  // cut short
    }
};

HALVANE_TEST(ChangeEventsTest);
#include "ChangeEventsTest.moc"
