// The backup and restore services: round trips through the embedded service manager and
// through the server on localhost, and the server's messages when they fail.
#include "ServerDatabase.h"
#include "admin/BackupService.h"
#include "db/Error.h"
#include "support/TestDatabase.h"
#include "support/testmain.h"

#include <QFileInfo>
#include <QTest>

using namespace admin;
using testsupport::allRows;

namespace {

ServiceJob job(Protocol protocol, const QString& database, const QString& backupFile,
               const QString& password = QStringLiteral("masterkey"))
{
    ServiceJob j;
    j.server = protocol == Protocol::Tcp ? QStringLiteral("localhost") : QString();
    j.database = database;
    j.backupFile = backupFile;
    j.protocol = protocol;
    j.userName = QStringLiteral("SYSDBA");
    j.password = password;
    return j;
}

void removeStaff(const QString& databaseName)
{
    auto database = testsupport::connectTo(databaseName);
    database->execute(QStringLiteral("delete from WIZYTY"));
    database->execute(QStringLiteral("delete from PERSONEL"));
    database->transaction().commitRetaining();
}

}  // namespace

class BackupServiceTest : public QObject {
    Q_OBJECT
private slots:
    void serviceNames()
    {
        QCOMPARE(BackupService::serviceName(job(Protocol::Local, {}, {})), "service_mgr");
        QCOMPARE(BackupService::serviceName(job(Protocol::Tcp, {}, {})), "localhost:service_mgr");
    }

    // The embedded service manager was once seen to crash on this system: several runs.
    void localRoundTripRestoresEveryRow_data()
    {
        QTest::addColumn<int>("run");
        for (int run = 1; run <= 5; ++run)
            QTest::addRow("run %d", run) << run;
    }
    void localRoundTripRestoresEveryRow()
    {
        testsupport::TestDatabase t(true);
        t.db().close();
        const QStringList original = allRows(t.path());
        QVERIFY(original.size() > 20);
        const QString backupFile = t.folder() + QStringLiteral("kopia.fbk");
        // An empty password is not sent; the embedded engine needs none.
        QStringList backupLines;
        BackupService::backUp(job(Protocol::Local, t.path(), backupFile, {}),
                              [&](const QString& line) { backupLines << line; });
        QVERIFY(QFileInfo(backupFile).size() > 0);
        QVERIFY2(backupLines.filter(QStringLiteral("PERSONEL")).size() > 0,
                 qPrintable(backupLines.join('\n')));

        removeStaff(t.path());
        QVERIFY(allRows(t.path()) != original);
        QStringList restoreLines;
        BackupService::restore(job(Protocol::Local, t.path(), backupFile),
                               [&](const QString& line) { restoreLines << line; });
        QVERIFY(restoreLines.size() > 10);
        QCOMPARE(allRows(t.path()), original);
    }

    void remoteRoundTripRestoresEveryRow()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        const QStringList original = allRows(server.name());
        const QString backupFile = server.folder() + QStringLiteral("kopia_zdalna.fbk");
        QStringList lines;
        BackupService::backUp(job(Protocol::Tcp, server.path(), backupFile),
                              [&](const QString& line) { lines << line; });
        QVERIFY(QFileInfo(backupFile).size() > 0);
        QVERIFY(lines.filter(QStringLiteral("WIZYTY")).size() > 0);

        removeStaff(server.name());
        QVERIFY(allRows(server.name()) != original);
        BackupService::restore(job(Protocol::Tcp, server.path(), backupFile),
                               [](const QString&) {});
        QCOMPARE(allRows(server.name()), original);
    }

    void failuresCarryTheServersMessage_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("backupFile");  // under the database's folder
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("messagePart");
        QTest::newRow("backup into a missing folder") << "backup"
                                                      << "brak/kopia.fbk"
                                                      << "masterkey"
                                                      << "brak/kopia.fbk";
        QTest::newRow("restore of a missing file") << "restore"
                                                   << "nie_ma.fbk"
                                                   << "masterkey"
                                                   << "nie_ma.fbk";
        QTest::newRow("wrong password") << "backup"
                                        << "kopia.fbk"
                                        << "zle"
                                        << "password";
    }
    void failuresCarryTheServersMessage()
    {
        REQUIRE_FIREBIRD_SERVER();
        QFETCH(QString, operation);
        QFETCH(QString, backupFile);
        QFETCH(QString, password);
        QFETCH(QString, messagePart);
        testsupport::ServerDatabase server;
        const QStringList original = allRows(server.name());
        const ServiceJob j =
            job(Protocol::Tcp, server.path(), server.folder() + backupFile, password);
        try {
            if (operation == QLatin1String("backup"))
                BackupService::backUp(j, [](const QString&) {});
            else
                BackupService::restore(j, [](const QString&) {});
            QFAIL("the service did not fail");
        } catch (const db::Error& error) {
            QVERIFY2(error.message().contains(messagePart), qPrintable(error.message()));
        }
        QCOMPARE(allRows(server.name()), original);
    }
};

HALVANE_TEST(BackupServiceTest);
#include "BackupServiceTest.moc"
