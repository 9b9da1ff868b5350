// Attaching to a server that never answers: the attach gives up in bounded time with a
// Polish message, and the waiting thread's events keep flowing meanwhile.
#include "db/Attach.h"
#include "db/Database.h"
#include "db/Error.h"
#include "support/SilentServer.h"
#include "support/TestDatabase.h"
#include "support/testmain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <ibase.h>

using testsupport::SilentServer;

class AttachTest : public QObject {
    Q_OBJECT
private slots:
    void aServerThatNeverAnswersIsGivenUpInBoundedTime_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("service");
        QTest::newRow("accepts, database") << int(SilentServer::Kind::Accepting) << false;
        QTest::newRow("accepts, service manager") << int(SilentServer::Kind::Accepting) << true;
        QTest::newRow("never accepts, database") << int(SilentServer::Kind::Full) << false;
        QTest::newRow("never accepts, service manager") << int(SilentServer::Kind::Full) << true;
        QTest::newRow("answers once, database") << int(SilentServer::Kind::AnswersOnce) << false;
    }
    void aServerThatNeverAnswersIsGivenUpInBoundedTime()
    {
        QFETCH(int, kind);
        QFETCH(bool, service);
        SilentServer server{SilentServer::Kind(kind)};
        int ticks = 0;
        QTimer ticking;
        connect(&ticking, &QTimer::timeout, [&] { ++ticks; });
        ticking.start(50);
        // The engine's own limit (in the block) and the waiting thread's, both 2 s here.
        db::fb::Status st;
        db::fb::Builder block(
            service ? Firebird::IXpbBuilder::SPB_ATTACH : Firebird::IXpbBuilder::DPB, st);
        block->insertString(&st, isc_dpb_user_name, "SYSDBA");
        block->insertString(&st, isc_dpb_password, "masterkey");
        block->insertInt(&st, isc_dpb_connect_timeout, 2);
        const QByteArray bytes(reinterpret_cast<const char*>(block->getBuffer(&st)),
                               int(block->getBufferLength(&st)));
        // Trying again does not add a thread per attempt that waits on the server for ever.
        const auto threads = [] { return QDir("/proc/self/task").count(); };
        qsizetype threadsAfterFirst = 0;
        for (int attempt = 1; attempt <= 3; ++attempt) {
            QElapsedTimer clock;
            clock.start();
            try {
                if (service)
                    db::fb::attachServiceManager((server.host() + ":service_mgr").toUtf8(), bytes,
                                                 2);
                else
                    db::fb::attachDatabase((server.host() + ":/tmp/nic.fdb").toUtf8(), bytes, 2);
                QFAIL("the attach did not fail");
            } catch (const db::Error& error) {
                QVERIFY2(error.message().startsWith(db::fb::noAnswerMessage(2)),
                         qPrintable(error.message()));
            }
            QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
            threadsAfterFirst = attempt == 1 ? threads() : threadsAfterFirst;
        }
        QVERIFY2(threads() <= threadsAfterFirst,
                 qPrintable(QString("%1 threads, %2 after the first attempt")
                                .arg(threads())
                                .arg(threadsAfterFirst)));
        QVERIFY2(ticks >= 10, "the waiting thread's timers did not run");
    }

    // The program's own connection carries the limit: a database on a silent server.
    void theConnectionGivesUpOnASilentServer()
    {
        SilentServer server(SilentServer::Kind::Accepting);
        db::Database database;
        database.setDatabaseName(server.host() + ":/tmp/nic.fdb");
        database.setParamsText(QString::fromLatin1(testsupport::kTestParams));
        QElapsedTimer clock;
        clock.start();
        try {
            database.open();
            QFAIL("the connection was made");
        } catch (const db::Error& error) {
            QVERIFY2(error.message().startsWith(db::fb::noAnswerMessage(db::fb::AttachTimeout)),
                     qPrintable(error.message()));
        }
        QVERIFY(!database.connected());
        QVERIFY2(clock.elapsed() < (db::fb::AttachTimeout + 5) * 1000,
                 qPrintable(QString::number(clock.elapsed())));
    }

    // The embedded engine of another program (here isql) holds the file: the refusal says
    // in Polish what happened and how several desks share a database, then the engine's text.
    void aFileOpenInAnotherProgramIsRefusedInPlainWords()
    {
        testsupport::TestDatabase file;
        file.db().close();
        QProcess other;
        QVERIFY2(testsupport::holdInIsql(other, file.path()), "isql-fb opens the file");
        db::Database desk;
        desk.setDatabaseName(file.path());
        desk.setParamsText(QString::fromLatin1(testsupport::kTestParams));
        try {
            desk.open();
            QFAIL("a file held by another program was opened");
        } catch (const db::Error& error) {
            QVERIFY2(error.message().startsWith(db::Database::inUseMessage() + u'\n'),
                     qPrintable(error.message()));
            // The advice names a server the program reaches over TCP, in Debian's folder.
            QVERIFY(error.message().contains("127.0.0.1") &&
                    error.message().contains("/var/lib/firebird/3.0/data/"));
            QVERIFY(error.has(isc_already_opened));
        }
        other.closeWriteChannel();
        QVERIFY(other.waitForFinished(20000));
        desk.open();  // once the other program has ended, the file is free
        QVERIFY(desk.connected());
    }
};

HALVANE_TEST(AttachTest);
#include "AttachTest.moc"
