// The backup window: local and remote mode, the default backup name, the log's lines,
// the last backup folder after each kind of run, round trips through the embedded service
// manager and the server, and the window staying usable while a service runs.
#include "admin/BackupDialog.h"
#include "admin/PersonalDataRemoval.h"
#include "desk/PersonalData.h"
#include "support/Find.h"
#include "support/ServerDatabase.h"
#include "support/SilentServer.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using testsupport::allRows;
using testsupport::child;

namespace {

struct Window {
    db::Database connection;  // closed, with the parameters the main window last used
    testsupport::TestDesk desk{connection};
    BackupDialog dialog{desk};
    QLabel* folderLabel = child<QLabel>(&dialog, "folderLabel");
    QLineEdit* folder = child<QLineEdit>(&dialog, "folderEdit");
    QLineEdit* file = child<QLineEdit>(&dialog, "fileEdit");
    QPushButton* backup = child<QPushButton>(&dialog, "backupButton");
    QPushButton* restore = child<QPushButton>(&dialog, "restoreButton");
    QPlainTextEdit* log = child<QPlainTextEdit>(&dialog, "logEdit");

    explicit Window(const admin::BackupSettings& settings)
    {
        connection.setParamsText(QString::fromLatin1(testsupport::kTestParams));
        dialog.open(settings);
    }
    ~Window() { dialog.reject(); }
    QStringList logLines() const { return log->toPlainText().split('\n'); }
};

admin::BackupSettings settingsFor(const QString& host, const QString& path,
                                  const QString& lastBackupDir = {})
{
    const QFileInfo info(path);
    return {host, info.path() + '/', info.fileName(), lastBackupDir};
}

void removeStaff(const QString& databaseName)
{
    auto database = testsupport::connectTo(databaseName);
    database->execute("delete from WIZYTY");
    database->execute("delete from PERSONEL");
    database->transaction().commitRetaining();
}

// The rows of the database without one guest's record.
QStringList withoutGuest(QStringList rows, int guestId)
{
    rows.removeAll(rows.filter(QStringLiteral("GOSCIE|%1|").arg(guestId)).value(0));
    return rows;
}

QStringList header(const QString& title, const QString& server, const QString& database,
                   const QString& backupFile)
{
    return {title, "Serwer:      " + server, "Baza danych: " + database,
            "Plik kopii:  " + backupFile, ""};
}

}  // namespace

class BackupDialogTest : public QObject {
    Q_OBJECT
private slots:
    void theModeFollowsTheHost_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("local");
        QTest::newRow("localhost") << "localhost" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("LOCALHOST") << "LOCALHOST" << false;
        QTest::newRow("a server") << "serwer1" << false;
    }
    void theModeFollowsTheHost()
    {
        QFETCH(QString, host);
        QFETCH(bool, local);
        Window w({host, "D:\\Dane\\", "X.FDB", ""});
        QCOMPARE(w.dialog.windowTitle(), QString("Kopia bazy danych"));
        QCOMPARE(child<QLineEdit>(&w.dialog, "serverEdit")->text(), host);
        QCOMPARE(child<QLineEdit>(&w.dialog, "databaseEdit")->text(), QString("D:\\Dane\\X.FDB"));
        QCOMPARE(w.folderLabel->text(), local ? QString("Domyślny katalog plików backupu:")
                                              : QString("Zdalny katalog plików backupu:"));
        QCOMPARE(w.folder->isEnabled(), !local);
        QCOMPARE(w.file->isEnabled(), !local);
        QCOMPARE(child<QLabel>(&w.dialog, "fileLabel")->isEnabled(), !local);
        // The clock of the desk stands at 5 March 2026, 10:30.
        QCOMPARE(w.file->text(), local ? QString() : QString("MR_Kopia_2026-03-05_1030.FBK"));
        // Local: always enabled; remote: only with a folder and a file name.
        QCOMPARE(w.backup->isEnabled(), local);
        w.folder->setText("D:\\kopie\\");
        QVERIFY(w.backup->isEnabled() && w.restore->isEnabled());
        if (!local) {
            w.file->clear();
            QVERIFY(!w.backup->isEnabled() && !w.restore->isEnabled());
        }
    }

    void localRoundTripThroughTheWindow()
    {
        testsupport::TestDatabase t(true);
        t.db().close();
        const QStringList original = allRows(t.path());
        Window w(settingsFor("localhost", t.path(), "/stary/katalog/"));
        auto& answers = w.desk.answers;

        answers.fileNames.enqueue(t.folder() + "kopia");  // no extension typed
        w.backup->click();
        QCOMPARE(answers.shown.last().kind, QString("save"));
        QCOMPARE(answers.shown.last().text, QString("/stary/katalog/MR_Kopia_2026-03-05_1030.FBK"));
        const QString backupFile = t.folder() + "kopia.fbk";
        QCOMPARE(w.logLines().mid(0, 5), header("BACKUP - Wykonanie kopii bezpieczeństwa",
                                                "localhost", t.path(), backupFile));
        QCOMPARE(w.logLines().last(), QString("Poprawnie wykonano kopię bazy danych."));
        QVERIFY(QFile::exists(backupFile));
        QCOMPARE(w.dialog.lastBackupDir(), t.folder());
        QCOMPARE(w.folder->text(), t.folder());

        removeStaff(t.path());
        // "No" to the question: nothing runs, the log stays.
        const QString logBefore = w.log->toPlainText();
        answers.fileNames.enqueue(backupFile);
        w.restore->click();
        QCOMPARE(answers.shown.last().kind, QString("question"));
        QVERIFY(answers.shown.last().text.contains(t.path()));
        QCOMPARE(answers.shown.last().detail, QString("Nie"));  // Enter does not restore
        QCOMPARE(w.log->toPlainText(), logBefore);
        QVERIFY(allRows(t.path()) != original);

        answers.fileNames.enqueue(backupFile);
        answers.answers.enqueue(true);
        w.restore->click();
        QCOMPARE(w.logLines().mid(0, 5), header("RESTORE - Odtworzenie bazy danych z kopii",
                                                "localhost", t.path(), backupFile));
        QCOMPARE(w.logLines().last(), QString("Poprawnie odtworzono bazę danych z kopii"));
        QCOMPARE(allRows(t.path()), original);
        QCOMPARE(answers.beeps, 0);
    }

    void aCancelledDialogRunsNothing()
    {
        Window w({"localhost", "/dane/", "X.FDB", "/kopie/"});
        w.log->setPlainText("poprzedni wynik");
        w.backup->click();
        w.restore->click();
        QCOMPARE(w.log->toPlainText(), QString("poprzedni wynik"));
        QCOMPARE(w.dialog.lastBackupDir(), QString("/kopie/"));
    }

    void theWindowStaysLiveAndLockedWhileTheServiceRuns()
    {
        testsupport::TestDatabase t(true);
        t.db().close();
        Window w(settingsFor("", t.path()));
        int linesSeenWhileBusy = 0;
        bool buttonsEnabledWhileBusy = false;
        connect(w.log, &QPlainTextEdit::textChanged, this, [&] {
            if (!w.dialog.busy())
                return;
            ++linesSeenWhileBusy;
            buttonsEnabledWhileBusy |= w.backup->isEnabled() || w.restore->isEnabled();
            w.dialog.reject();  // Esc or the close box: refused while busy
        });
        w.desk.answers.fileNames.enqueue(t.folder() + "k.fbk");
        w.backup->click();
        QVERIFY(linesSeenWhileBusy > 3);
        QVERIFY(!buttonsEnabledWhileBusy);
        QVERIFY(w.dialog.isVisible());
        QVERIFY(w.backup->isEnabled());
        QCOMPARE(w.logLines().last(), QString("Poprawnie wykonano kopię bazy danych."));
    }

    // A server that never answers: the administrator gives the wait up after a question
    // (No keeps waiting), or the program's end closes the window without one.
    void aServiceThatHangsCanBeGivenUp_data()
    {
        QTest::addColumn<bool>("programEnds");
        QTest::newRow("the administrator, after a question") << false;
        QTest::newRow("the program's end") << true;
    }
    void aServiceThatHangsCanBeGivenUp()
    {
        QFETCH(bool, programEnds);
        testsupport::SilentServer server(testsupport::SilentServer::Kind::Full);
        Window w(settingsFor(server.host(), "/dane/X.FDB", "/kopie/"));
        auto& answers = w.desk.answers;
        QTimer::singleShot(300, &w.dialog, [&] {
            if (programEnds) {
                w.desk.setClosingWindows(true);
                w.dialog.done(QDialog::Rejected);
                return;
            }
            w.dialog.reject();  // No: the window stays and waits
            QVERIFY(w.dialog.isVisible() && w.dialog.busy());
            answers.answers.enqueue(true);
            w.dialog.reject();
        });
        QElapsedTimer clock;
        clock.start();
        w.backup->click();
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!w.dialog.isVisible());
        QVERIFY(!w.dialog.busy());
        QCOMPARE(answers.shown.size(), programEnds ? 0 : 2);
        QVERIFY(!w.log->toPlainText().contains("Poprawnie"));
        QCOMPARE(w.dialog.lastBackupDir(), QString("/kopie/"));
    }

    // A backup made before erasures is restored with them done again (one guest's on request,
    // a retention removal), after a question that says so, No leaving the database as it
    // was. They come from the database being replaced, or, when it is damaged, from the
    // ledgers: the settings folder's (written at the erasure) and the one beside the backups
    // (written by the next backup, as for another desk's erasure). A backup of a database
    // without the erasures' table gets them all the same.
    void erasuresSurviveARestore_data()
    {
        QTest::addColumn<bool>("guest");
        QTest::addColumn<bool>("removal");
        QTest::addColumn<bool>("restore");
        QTest::addColumn<QString>("source");
        QTest::newRow("one guest") << true << false << true << "database";
        QTest::newRow("a retention removal") << false << true << true << "database";
        QTest::newRow("both, No") << true << true << false << "database";
        QTest::newRow("a damaged database, the ledgers") << true << false << true << "ledgers";
        QTest::newRow("a backup without the table") << true << true << true << "old backup";
        QTest::newRow("on the server") << true << false << true << "server";
    }
    void erasuresSurviveARestore()
    {
        QFETCH(bool, guest);
        QFETCH(bool, removal);
        QFETCH(bool, restore);
        QFETCH(QString, source);
        const bool server = source == "server";
        if (server)
            REQUIRE_FIREBIRD_SERVER();
        testsupport::TestDatabase local(true);
        local.db().close();
        std::unique_ptr<testsupport::ServerDatabase> onServer;
        if (server)
            onServer = std::make_unique<testsupport::ServerDatabase>();
        const QString name = server ? onServer->name() : local.path();
        const QString folder = server ? onServer->folder() : local.folder();
        Window w(server ? settingsFor("127.0.0.1", onServer->path(), folder)
                        : settingsFor("localhost", local.path(), folder));
        auto& answers = w.desk.answers;
        const QString backupFile = folder + (server ? "MR_Kopia_2026-03-05_1030.FBK" : "k1.fbk");
        if (source == "old backup") {
            auto older = testsupport::connectTo(name);
            older->execute("drop table USUNIECIA");
            older->transaction().commit();
        }
        answers.fileNames << backupFile;
        w.backup->click();

        {
            auto connection = testsupport::connectTo(name);
            if (source == "old backup")
                connection->execute(
                    testsupport::splitSql(testsupport::readProjectFile("schema/schema.sql"))
                        .filter("CREATE TABLE USUNIECIA")
                        .value(0));
            connection->transaction().commit();
            testsupport::TestDesk otherDesk(*connection);
            otherDesk.settingsFolderPath = w.desk.settingsFolder();  // this computer's user
            connection->execute("insert into GOSCIE (ID, NAZWA) values (999, 'Po kopii')");
            if (guest)
                desk::eraseGuestData(otherDesk, 1);
            if (removal)
                admin::PersonalDataRemoval(*connection)
                    .remove(QDate::currentDate().addDays(1), otherDesk.clock().now());
            QVERIFY(otherDesk.commitWork());
        }
        const QStringList erased = allRows(name);
        if (source == "ledgers") {
            answers.fileNames << folder + "k2.fbk";
            w.backup->click();
            for (const QString& ledger : {folder, w.desk.settingsFolder()}) {
                QFile file(ledger + "usuniecia_danych.txt");
                QVERIFY(file.open(QIODevice::ReadOnly));
                QCOMPARE(QString::fromUtf8(file.readAll()),
                         "2026-03-05T10:30:00.000\tgosc\t1\t" + name + "\n");
                QCOMPARE(file.permissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ReadUser | QFileDevice::WriteUser);
            }
            QFile database(local.path());
            QVERIFY(database.open(QIODevice::WriteOnly));
            database.write(QByteArray(8192, 'x'));
        }

        answers.fileNames << backupFile;
        answers.answers << true << restore;
        w.restore->click();
        const int count = int(guest) + int(removal);
        const testsupport::Shown asked = answers.shown.last();
        const QString log = w.log->toPlainText();
        QCOMPARE(asked.kind, QString("question"));
        QVERIFY2(asked.text.contains("starsza niż ostatnie usunięcie danych osobowych "
                                     "(05.03.2026)") &&
                     asked.text.contains(QString("bazie danych: %1.").arg(count)) &&
                     asked.text.contains("plik z dnia") != server,
                 qPrintable(asked.text + "\n..." + log.right(800)));
        QCOMPARE(asked.detail, QString("Nie"));
        QCOMPARE(answers.beeps, 0);
        QCOMPARE(log.contains("\nNie odczytano usunięć danych z zastępowanej bazy: "),
                 source == "ledgers");
        if (!restore) {
            QCOMPARE(allRows(name), erased);
            QVERIFY2(log.endsWith("Nie odtworzono bazy danych z kopii: baza danych pozostała "
                                  "bez zmian."),
                     qPrintable(log));
            return;
        }
        QVERIFY2(log.contains(QString("Usunięcia danych osobowych wykonane ponownie na "
                                      "odtworzonej bazie danych: %1\n")
                                  .arg(count)),
                 qPrintable(log));
        QCOMPARE(w.logLines().last(), QString("Poprawnie odtworzono bazę danych z kopii"));
        QCOMPARE(allRows(name), withoutGuest(erased, 999));
        // What was erased again is purged from a file on this computer before it is put in
        // place (a backup without the table has nowhere to note the purge).
        if (guest && !server)
            QCOMPARE(testsupport::textsReadableIn(local.path(), {"ABC123456"}).isEmpty(),
                     source != "old backup");
    }

    void remoteRoundTripOnTheServer()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        const QStringList original = allRows(server.name());
        Window w(settingsFor("127.0.0.1", server.path(), server.folder()));
        QCOMPARE(w.folder->text(), server.folder());
        const QString backupFile = server.folder() + "MR_Kopia_2026-03-05_1030.FBK";

        w.backup->click();
        QCOMPARE(w.logLines().mid(0, 5), header("BACKUP - Wykonanie kopii bezpieczeństwa",
                                                "127.0.0.1", server.path(), backupFile));
        QCOMPARE(w.logLines().last(), QString("Poprawnie wykonano kopię bazy danych."));
        QCOMPARE(w.dialog.lastBackupDir(), server.folder());

        removeStaff(server.name());
        w.desk.answers.answers.enqueue(true);
        w.restore->click();
        QCOMPARE(w.logLines().last(), QString("Poprawnie odtworzono bazę danych z kopii"));
        QCOMPARE(allRows(server.name()), original);
        QCOMPARE(w.dialog.lastBackupDir(), server.folder());
    }

    void aFailedRemoteBackupKeepsTheLastFolder()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        Window w(settingsFor("127.0.0.1", server.path(), server.folder()));
        w.folder->setText(server.folder() + "brak/");
        w.backup->click();
        // The server's message, of one or more lines, ends the log after the error line.
        const QString log = w.log->toPlainText();
        const QString errorLine = "\nBłąd w trakcie wykonywania kopii bazy danych:\n";
        QVERIFY2(log.contains(errorLine), qPrintable(log));
        const QString message = log.mid(log.lastIndexOf(errorLine) + errorLine.size());
        QVERIFY2(message.contains("brak/MR_Kopia_2026-03-05_1030.FBK"), qPrintable(log));
        QVERIFY(!message.contains("Poprawnie"));
        QCOMPARE(w.desk.answers.beeps, 1);
        QCOMPARE(w.dialog.lastBackupDir(), server.folder());
        QCOMPARE(w.folder->text(), server.folder());  // what was typed is dropped
    }

    // Without a trailing separator the folder and the name run together; the backup keeps
    // the folder as typed, the restore the part up to its last separator.
    void aRemoteFolderWithoutSeparator()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        QString folder = server.folder();
        folder.chop(1);
        Window w(settingsFor("127.0.0.1", server.path(), folder));
        const QString joined = folder + "MR_Kopia_2026-03-05_1030.FBK";
        w.backup->click();
        QCOMPARE(w.logLines().at(3), "Plik kopii:  " + joined);
        QCOMPARE(w.logLines().last(), QString("Poprawnie wykonano kopię bazy danych."));
        QCOMPARE(w.dialog.lastBackupDir(), folder);
        w.desk.answers.answers.enqueue(true);
        w.restore->click();
        QCOMPARE(w.logLines().last(), QString("Poprawnie odtworzono bazę danych z kopii"));
        QCOMPARE(w.dialog.lastBackupDir(), QFileInfo(folder).path() + '/');
        QFile::remove(joined);
    }
};

HALVANE_TEST(BackupDialogTest);
#include "BackupDialogTest.moc"
