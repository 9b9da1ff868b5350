// The two administration windows from the main window: the connection is closed while
// they are open, the settings are written after them and the program connects again, to
// a database on the server or, when it is not there, reporting the failure.
#include "support/ServerDatabase.h"
#include "app/MainWindow.h"
#include "support/AppFixture.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/OlderDatabase.h"
#include "support/Typing.h"
#include "support/testmain.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using testsupport::child;

namespace {

// In the database choice: stores the location and SYSDBA's password, tests, closes.
void pointAtServer(QWidget* window, const QString& dir, const QString& file, QString* report)
{
    child<QComboBox>(window, "hostBox")->setEditText("127.0.0.1");
    child<QComboBox>(window, "folderBox")->setEditText(dir);
    child<QComboBox>(window, "fileBox")->setEditText(file);
    child<QPushButton>(window, "saveLocationButton")->click();
    testsupport::type(child<QLineEdit>(window, "userEdit"), "SYSDBA");
    testsupport::type(child<QLineEdit>(window, "passwordEdit"), "masterkey");
    child<QPushButton>(window, "saveParamsButton")->click();
    child<QPushButton>(window, "testButton")->click();
    *report = child<QPlainTextEdit>(window, "reportEdit")->toPlainText();
    window->close();
}

}  // namespace

class AdministrationTest : public QObject {
    Q_OBJECT
private slots:
    void theDatabaseChoiceMovesTheProgramToTheServer()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(f.database().connected());
        bool closedMeanwhile = false;
        QString report;
        {
            testsupport::ModalAction choose([&](QWidget* modal) {
                closedMeanwhile = !f.database().connected();
                pointAtServer(modal, server.folder(), "SERWER.FDB", &report);
            });
            testsupport::trigger(&f, "databaseChoiceAction");
            QVERIFY(choose.acted());
        }
        QVERIFY(closedMeanwhile);
        QVERIFY2(report.endsWith("Połączenie: OK"), qPrintable(report));
        QVERIFY(f.database().connected());
        QCOMPARE(f.database().databaseName(), "127.0.0.1:" + server.path());
        QCOMPARE(child<QLabel>(&f, "connectionStateLabel")->text(), QString("127.0.0.1"));
        QVERIFY(app.readIni().contains("Host=127.0.0.1"));
        QVERIFY(app.prompts.messages().isEmpty());
    }

    void aMissingDatabaseOnTheServerIsReported()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QString report;
        {
            testsupport::ModalAction choose([&](QWidget* modal) {
                pointAtServer(modal, server.folder(), "BRAK.FDB", &report);
            });
            testsupport::trigger(&f, "databaseChoiceAction");
            QVERIFY(choose.acted());
        }
        QVERIFY2(report.endsWith("---------------\nBłąd połączenia"), qPrintable(report));
        QVERIFY(!f.database().connected());
        QCOMPARE(app.prompts.messages().size(), 1);
        QVERIFY(app.prompts.messages()[0].startsWith("Błąd połączenia z bazą danych:\n"));
        QVERIFY(app.prompts.messages()[0].contains("BRAK.FDB"));
        QCOMPARE(child<QLabel>(&f, "connectionStateLabel")->text(), QString("Niepodłączony"));
    }

    void aBackupFromTheMainWindowStoresItsFolderAndReconnects()
    {
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(f.database().connected());
        const QString backupFolder = app.settingsFolder() + "kopie/";
        QVERIFY(QDir().mkpath(backupFolder));
        app.prompts.fileNames.enqueue(backupFolder + "kopia.fbk");
        QString lastLine;
        {
            testsupport::ModalAction backUp(
                [&](QWidget* modal) {
                    child<QPushButton>(modal, "backupButton")->click();
                    lastLine =
                        child<QPlainTextEdit>(modal, "logEdit")->toPlainText().section('\n', -1);
                    modal->close();
                },
                nullptr, 60000);
            testsupport::trigger(&f, "backupAction");
            QVERIFY(backUp.acted());
        }
        QCOMPARE(lastLine, QString("Poprawnie wykonano kopię bazy danych."));
        QVERIFY(QFile::exists(backupFolder + "kopia.fbk"));
        QVERIFY(f.database().connected());
        QVERIFY(app.readIni().contains("LastBackupDir=" + backupFolder.toUtf8()));
    }

    // Said once per database at start-up, kept in the status bar until the menu's upgrade.
    void anOlderDatabaseIsToldOnceUntilUpgradedFromTheMenu()
    {
        testsupport::AppFixture app(true);
        testsupport::makeOlder(*app.database());
        for (int start = 1; start <= 2; ++start) {
            app.form = std::make_unique<MainWindow>(app.prompts);
            QVERIFY(app.start());
            QCOMPARE(app.prompts.messages().size(), 1);
            QVERIFY(!child<QLabel>(app.form.get(), "upgradeHintLabel")->isHidden());
        }
        const QString told = app.prompts.messages().at(0);
        for (const char* said : {"zmiany z innych stanowisk widoczne dopiero po 30 s (brak: "
                                 "TR_FIRMY_ZMIANY",
                                 "IX_WIZYTY_GOSC_DTPRZYBYCIA", "USTAWIENIA",
                                 "nie przetrwają odtworzenia kopii", "Dodatki > Aktualizacja"})
            QVERIFY2(told.contains(said), qPrintable(told));
        bool closedMeanwhile = false;
        {
            testsupport::ModalAction upgrade(
                [&](QWidget* modal) {
                    closedMeanwhile = !app.form->database().connected();
                    child<QPushButton>(modal, "upgradeButton")->click();
                    modal->close();
                },
                nullptr, 60000);
            testsupport::trigger(app.form.get(), "upgradeAction");
            QVERIFY(upgrade.acted());
        }
        QVERIFY(closedMeanwhile);
        QVERIFY(app.form->database().connected());
        QVERIFY(child<QLabel>(app.form.get(), "upgradeHintLabel")->isHidden());
        QCOMPARE(app.prompts.messages().size(), 1);
    }
};

HALVANE_TEST(AdministrationTest);
#include "AdministrationTest.moc"
