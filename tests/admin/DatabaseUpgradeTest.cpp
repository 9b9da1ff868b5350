// An older database made current: the program's statements are the schema file's; while
// another desk holds unfinished work nothing is added; the upgrade from its window backs up
// first and adds everything, after which other desks' changes are followed and erasures
// recorded; the next run has nothing to do. Erasing a guest works on the older database too.
#include "admin/DatabaseUpgrade.h"
#include "admin/DatabaseUpgradeDialog.h"
#include "db/Error.h"
#include "desk/LiveUpdates.h"
#include "desk/PersonalData.h"
#include "mail/Outbox.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/OlderDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using admin::DatabaseUpgrade;
using testsupport::child;

namespace {

QString normalised(QString sql)
{
    return sql.simplified().toUpper();
}

}  // namespace

class DatabaseUpgradeTest : public QObject {
    Q_OBJECT
private slots:
    void theStatementsAreTheSchemasOwn()
    {
        QStringList schema;
        for (const QString& sql :
             testsupport::splitSql(testsupport::readProjectFile("schema/schema.sql")))
            schema << normalised(sql);
        QCOMPARE(DatabaseUpgrade::additions().size(), size_t(16));
        for (const admin::SchemaAddition& addition : DatabaseUpgrade::additions())
            QVERIFY2(schema.contains(normalised(addition.statement)),
                     qPrintable(addition.statement));
    }

    void anOlderDatabaseIsMadeCurrentOnce()
    {
        testsupport::TestDatabase database(true);
        testsupport::makeOlder(database);
        testsupport::TestDesk desk(database.db());
        int erased = 0;
        QVERIFY_THROWS_NO_EXCEPTION(erased = desk::eraseGuestData(desk, 1).guests);
        QCOMPARE(erased, 1);
        QVERIFY(desk.commitWork());
        QCOMPARE(DatabaseUpgrade::missing(database.db()).size(), size_t(16));
        const mail::Message notice{"jan@firma.pl", "Gość w recepcji: Bielecka Halina", "..."};
        try {
            desk.queueMail(notice, mail::Kind::HostNotice, 2);
            QFAIL("mail was queued without an outbox");
        } catch (const db::Error& error) {
            QVERIFY2(error.message().startsWith("Wiadomość e-mail nie może zostać wysłana: baza "
                                                "danych nie ma poczty wychodzącej"),
                     qPrintable(error.message()));
        }
        desk.rollbackWork();

        // Another desk's unfinished work on the visits: nothing is added, the tables made
        // before the visits' index go too.
        QTemporaryDir backups;
        admin::UpgradeJob job{database.path(), database.db().params(), {}};
        job.backup = {{},       database.path(), backups.filePath("a.fbk"), admin::Protocol::Local,
                      "SYSDBA", "masterkey"};
        auto other = database.connect();
        other->execute("update WIZYTY set NRKARTY = NRKARTY where ID = 1");
        other->transaction().commitRetaining();
        try {
            DatabaseUpgrade::upgrade(job, [](const QString&) {});
            QFAIL("the upgrade did not fail");
        } catch (const db::Error& error) {
            QVERIFY2(error.message().startsWith("Aktualizacja nie powiodła się i została wycofana "
                                                "w całości: baza danych jest taka jak przed nią.\n"
                                                "Inne stanowisko ma niezakończoną pracę"),
                     qPrintable(error.message()));
        }
        QCOMPARE(DatabaseUpgrade::missing(database.db()).size(), size_t(16));
        other->transaction().commit();

        DatabaseUpgradeDialog window(desk);
        QString lacking, log;
        {
            testsupport::ModalAction act([&](QWidget* modal) {
                lacking = child<QPlainTextEdit>(modal, "missingEdit")->toPlainText();
                child<QPushButton>(modal, "upgradeButton")->click();
                log = child<QPlainTextEdit>(modal, "logEdit")->toPlainText();
                QVERIFY(!child<QPushButton>(modal, "upgradeButton")->isEnabled());
                modal->close();
            });
            window.upgrade({"localhost", database.folder(), "TEST.FDB", backups.path()});
            QVERIFY(act.acted());
        }
        QVERIFY2(lacking.contains("zmiany z innych stanowisk widoczne dopiero po 30 s (brak: "
                                  "TR_FIRMY_ZMIANY, TR_DZIALY_ZMIANY") &&
                     lacking.contains("nie przetrwają odtworzenia kopii (brak: USUNIECIA, "
                                      "GEN_USUNIECIA_ID)") &&
                     lacking.contains("- Poczta: wiadomości nie są wysyłane (brak: POCZTA, "
                                      "IX_POCZTA_DTNASTEPNEJ, GEN_POCZTA_ID)"),
                 qPrintable(lacking));
        QVERIFY2(log.contains("Dodawanie: indeks IX_WIZYTY_GOSC_DTPRZYBYCIA\nDodawanie: indeks "
                              "IX_WIZYTY_DTWYJSCIA") &&
                     log.contains("Zatwierdzono"),
                 qPrintable(log));
        const QFileInfoList made = QDir(backups.path()).entryInfoList({"MR_Kopia_*.FBK"});
        QCOMPARE(made.size(), 1);
        QCOMPARE(made[0].fileName(), "MR_Kopia_2026-03-05_103000_przed_aktualizacja.FBK");
        QCOMPARE(made[0].permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadUser | QFileDevice::WriteUser);
        QVERIFY(DatabaseUpgrade::missing(database.db()).empty());
        QCOMPARE(database
                     .scalar("select count(*) from RDB$INDICES where RDB$INDEX_NAME = "
                             "'IX_WIZYTY_GOSC_DTPRZYBYCIA'")
                     .toInt(),
                 1);

        // Another desk's change is followed; an erasure is recorded.
        desk::LiveUpdates live;
        QSignalSpy changed(&live, &desk::LiveUpdates::changed);
        live.start(*other);
        QVERIFY(live.followsEvents());
        QTest::qWait(300);
        desk.queueMail(notice, mail::Kind::HostNotice, 2);
        for (const char* listed : {"1. Bielecka Halina (Alfa)", "1. Nowak Jan (Alfa)"})
            desk.queueMail({"straz@firma.pl", "Lista", listed}, mail::Kind::EvacuationList);
        QVERIFY(desk.commitWork());
        QCOMPARE(desk::eraseGuestData(desk, 2).messages, 2);  // the notice and her list
        QVERIFY(desk.commitWork());
        QVERIFY(changed.wait(2000));
        QVERIFY(changed.at(0).at(0).toStringList().contains("GOSCIE"));
        QCOMPARE(database.scalar("select GOSC_ID from USUNIECIA").toInt(), 2);
        QCOMPARE(database.scalar("select TRESC from POCZTA").toString(), "1. Nowak Jan (Alfa)");

        QStringList again;
        job.backup.backupFile = backups.filePath("b.fbk");
        QCOMPARE(DatabaseUpgrade::upgrade(job, [&](const QString& line) { again << line; }), 0);
        QCOMPARE(again, QStringList{"Baza danych ma wszystko, czego potrzebuje program: nie ma nic "
                                    "do zrobienia."});
        QVERIFY(!QFile::exists(job.backup.backupFile));
    }
};

HALVANE_TEST(DatabaseUpgradeTest);
#include "DatabaseUpgradeTest.moc"
