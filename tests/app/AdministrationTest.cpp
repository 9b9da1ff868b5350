// The two administration windows from the main window: the connection is closed while
// they are open, the settings are written after them and the program connects again, to
// a database on the server or, when it is not there, reporting the failure. The mail set up
// from the menu: stored privately, sent by the desk's courier and told in the status bar.
#include "app/MainWindow.h"
#include "support/AppFixture.h"
#include "support/Find.h"
#include "support/MailServer.h"
#include "support/MailWindow.h"
#include "support/Modal.h"
#include "support/OlderDatabase.h"
#include "support/ServerDatabase.h"
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
        // Mail set up here is not sent without the outbox: no courier, said in the status bar.
        app.writeIni(app.readIni() + "[Poczta]\nSerwer=127.0.0.1\nNadawca=recepcja@tervik.pl\n");
        for (int start = 1; start <= 2; ++start) {
            app.form = std::make_unique<MainWindow>(app.prompts);
            QVERIFY(app.start());
            QCOMPARE(app.prompts.messages().size(), 1);
            QVERIFY(!child<QLabel>(app.form.get(), "upgradeHintLabel")->isHidden());
            QVERIFY(!app.form->courier());
            QCOMPARE(child<QLabel>(app.form.get(), "mailLabel")->text(),
                     QString("Poczta nie jest wysyłana: baza danych wymaga aktualizacji "
                             "(Dodatki > Aktualizacja bazy danych)"));
        }
        const QString told = app.prompts.messages().at(0);
        for (const char* said :
             {"zmiany z innych stanowisk widoczne dopiero po 30 s (brak: "
              "TR_FIRMY_ZMIANY",
              "IX_WIZYTY_GOSC_DTPRZYBYCIA", "USTAWIENIA", "nie przetrwają odtworzenia kopii",
              "Dodatki > Aktualizacja", "Poczta: wiadomości nie są wysyłane (brak: POCZTA"})
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
        QVERIFY(app.form->courier());
        QCOMPARE(child<QLabel>(app.form.get(), "mailLabel")->text(), QString());
    }

    // The password (the server wants a login) is in neither file, which are the user's alone;
    // the courier made from what was stored sends a host notice, and one that waits too long
    // is named with the server's answer. The courier is gone while the connection is closed.
    void theMailSetUpFromTheMenuIsSentAndWhatDidNotGoIsSaid()
    {
        testsupport::MailServer server(testsupport::MailServer::Mode::Auth);
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(!f.courier());
        QString placeholder, said;
        for (const bool store : {true, false}) {
            testsupport::ModalAction act([&](QWidget* modal) {
                if (store) {  // a test message goes with the values typed, not yet stored
                    testsupport::typeMailSettings(modal, server.settings());
                    child<QLineEdit>(modal, "testAddressEdit")->setText("ola@tervik.pl");
                    child<QPushButton>(modal, "testButton")->click();
                    said = app.prompts.messages().value(0);
                } else  // the stored password is never shown
                    placeholder = child<QLineEdit>(modal, "passwordEdit")->placeholderText() +
                                  child<QLineEdit>(modal, "passwordEdit")->text();
                child<QPushButton>(modal, store ? "okButton" : "cancelButton")->click();
            });
            testsupport::trigger(&f, "mailAction");
            QVERIFY(act.acted());
        }
        QCOMPARE(placeholder, QString("(zapisane; wpisz nowe, aby je zmienić)"));
        QCOMPARE(said,
                 "Wysłano wiadomość próbną do ola@tervik.pl.\n\nSerwer poczty przyjął "
                 "wiadomość. (250 2.0.0 Message accepted)");
        QFile passwordFile(app.settingsFolder() + "poczta.db");
        QVERIFY(passwordFile.open(QIODevice::ReadOnly));
        const QString password = QString::fromUtf8(testsupport::MailServer::Password);
        const QByteArray utf16(reinterpret_cast<const char*>(password.utf16()),
                               password.size() * 2);
        for (const QByteArray& file : {app.readIni(), passwordFile.readAll()})
            QVERIFY(!file.contains(password.toUtf8()) && !file.contains(utf16) &&
                    !file.contains("123"));
        QVERIFY(app.readIni().contains("Uzytkownik=recepcja"));
        for (const char* name : {"Halvane.ini", "poczta.db"})
            QCOMPARE(testsupport::modeOf(app.settingsFolder() + name), QString("600"));

        QVERIFY(f.courier());
        f.queueMail({"jan@firma.pl", "Gość w recepcji: Adamczyk Stanisław", "Czeka."},
                    mail::Kind::HostNotice, 1);
        QVERIFY(f.commitWork());
        auto* mailLabel = child<QLabel>(&f, "mailLabel");
        QTRY_COMPARE_WITH_TIMEOUT(mailLabel->text(), QString("Wysłano do jan@firma.pl"), 10000);
        QCOMPARE(server.messages().size(), 2);

        app.database()->run(
            {"insert into POCZTA (ID, DTUTWORZENIA, RODZAJ, ADRESAT, TEMAT, STAN, ODPOWIEDZ) "
             "values (gen_id(GEN_POCZTA_ID, 1), dateadd(-5 minute to current_timestamp), 1, "
             "'ewa@firma.pl', 'Gość', 2, 'Serwer poczty odrzucił wiadomość (550 No such user)')"});
        child<QTimer>(&f, "mailWatchTimer")->start(50);
        QTRY_VERIFY_WITH_TIMEOUT(
            mailLabel->text().startsWith("Nie wysłano powiadomienia do ewa@firma.pl (od ") &&
                mailLabel->text().endsWith(
                    "): Serwer poczty odrzucił wiadomość (550 No such user)"),
            5000);

        bool courierWhileClosed = true;
        QVERIFY(f.withConnectionClosed([&] {  // nor what it last said
            courierWhileClosed = f.courier() != nullptr || !mailLabel->text().isEmpty();
        }));
        QVERIFY(!courierWhileClosed);
        QVERIFY(f.courier());
        // Sealed on another computer: nothing is sent (and refused) until it is typed again.
        QVERIFY(f.withConnectionClosed([&] {
            QFile foreign(app.settingsFolder() + "poczta.db");
            QVERIFY(foreign.open(QIODevice::WriteOnly));
            foreign.write("Halvane-poczta-1\n" + QByteArray(40, 'x').toBase64());
        }));
        QVERIFY(!f.courier());
        QVERIFY(mailLabel->text().contains("hasła serwera poczty nie można odczytać"));
    }
};

HALVANE_TEST(AdministrationTest);
#include "AdministrationTest.moc"
