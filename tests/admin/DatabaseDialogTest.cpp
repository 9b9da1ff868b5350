// The database choice: the location stored as typed, the folder picked from the list,
// the access parameters written to params.db and deleted again, the connection test on
// the stored location (embedded and on the server), and the question before closing.
#include "support/ServerDatabase.h"
#include "admin/ConnectionParamsFile.h"
#include "admin/DatabaseDialog.h"
#include "support/Find.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/Typing.h"
#include "support/testmain.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using testsupport::child;

namespace {

// The window over a desk whose connection is closed, as the main window hands it over.
struct Window {
    db::Database connection;
    testsupport::TestDesk desk{connection};
    DatabaseDialog dialog{desk};
    QComboBox* host = child<QComboBox>(&dialog, "hostBox");
    QComboBox* folder = child<QComboBox>(&dialog, "folderBox");
    QComboBox* file = child<QComboBox>(&dialog, "fileBox");
    QPushButton* saveLocation = child<QPushButton>(&dialog, "saveLocationButton");
    QLineEdit* user = child<QLineEdit>(&dialog, "userEdit");
    QLineEdit* password = child<QLineEdit>(&dialog, "passwordEdit");
    QPushButton* saveParams = child<QPushButton>(&dialog, "saveParamsButton");
    QPushButton* restoreDefaults = child<QPushButton>(&dialog, "restoreDefaultsButton");
    QPushButton* test = child<QPushButton>(&dialog, "testButton");
    QPlainTextEdit* report = child<QPlainTextEdit>(&dialog, "reportEdit");

    explicit Window(const admin::DatabaseLocation& stored = {"localhost", "/dane/", "X.FDB"})
    {
        dialog.open(stored);
    }
    ~Window()
    {
        desk.answers.answers.enqueue(true);
        dialog.reject();
    }
    QString paramsFile() const { return desk.settingsFolder() + "params.db"; }
    void storeParams(const QString& userName, const QString& pass)
    {
        testsupport::type(user, userName);
        testsupport::type(password, pass);
        saveParams->click();
    }
    QStringList reportLines() const { return report->toPlainText().split('\n'); }
};

admin::DatabaseLocation locationOf(const QString& host, const QString& path)
{
    const QFileInfo info(path);
    return {host, info.path() + '/', info.fileName()};
}

}  // namespace

class DatabaseDialogTest : public QObject {
    Q_OBJECT
private slots:
    void showingStartsFromTheStoredLocationWithEmptyParameters()
    {
        Window w({"serwer1", "D:\\Dane\\", "X.FDB"});
        QCOMPARE(w.dialog.windowTitle(), QString("Wybór bazy danych"));
        QCOMPARE(w.host->currentText(), QString("serwer1"));
        QCOMPARE(w.folder->currentText(), QString("D:\\Dane\\"));
        QCOMPARE(w.file->currentText(), QString("X.FDB"));
        QVERIFY(!w.saveLocation->isEnabled());
        QVERIFY(w.user->text().isEmpty() && w.password->text().isEmpty());
        QCOMPARE(w.password->echoMode(), QLineEdit::Password);
        QVERIFY(!w.restoreDefaults->isEnabled());  // no params.db
        QVERIFY(!w.saveParams->isEnabled());
    }

    void theLocationIsStoredAsTyped()
    {
        Window w;
        w.host->setEditText(" serwer2 ");
        QVERIFY(w.saveLocation->isEnabled());
        w.folder->setEditText("E:\\Baza");
        w.file->setEditText("inna.fdb ");
        w.saveLocation->click();
        QVERIFY(!w.saveLocation->isEnabled());
        QCOMPARE(w.dialog.location().host, QString(" serwer2 "));
        QCOMPARE(w.dialog.location().dir, QString("E:\\Baza"));
        QCOMPARE(w.dialog.location().file, QString("inna.fdb "));
    }

    void theFolderLineNamesTheSettingsFolderKnownAtShowing()
    {
        Window w;
        w.desk.answers.answers.enqueue(true);
        w.dialog.reject();
        w.desk.settingsFolderPath = "/home/recepcja/.local/share/Tervik/halvane/";
        w.dialog.open({"localhost", "/dane/", "X.FDB"});
        QCOMPARE(w.folder->itemText(0), "Linux  ->  " + w.desk.settingsFolderPath);
        QCOMPARE(w.folder->currentText(), QString("/dane/"));
    }

    void aPickedFolderLineLandsInTheBox100msLater_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("expected");  // empty: the desk's settings folder
        QTest::newRow("Linux") << 0 << QString();
        QTest::newRow("Vista/7") << 1 << "C:\\ProgramData\\Tervik\\halvane\\";
        QTest::newRow("WinXP")
            << 2 << "C:\\Documents and Settings\\All Users\\Dane aplikacji\\Tervik\\halvane\\";
        QTest::newRow("Win98") << 3 << "C:\\WINDOWS\\All Users\\Dane aplikacji\\Tervik\\halvane\\";
    }
    void aPickedFolderLineLandsInTheBox100msLater()
    {
        QFETCH(int, index);
        QFETCH(QString, expected);
        Window w;
        if (expected.isEmpty()) {
            expected = w.desk.settingsFolder();
            QCOMPARE(w.folder->itemText(0), "Linux  ->  " + expected);
        }
        w.folder->setCurrentIndex(index);
        emit w.folder->activated(index);
        QVERIFY(w.folder->currentText() != expected);  // not yet: the timer puts it
        QTest::qWait(40);
        QVERIFY(w.folder->currentText() != expected);
        QTRY_COMPARE_WITH_TIMEOUT(w.folder->currentText(), expected, 500);
        QCOMPARE(w.folder->lineEdit()->selectedText(), expected);
        QVERIFY(w.saveLocation->isEnabled());
    }

    void storedParametersReadBackAsThreeLinesAndTheDefaultsReturn()
    {
        Window w;
        testsupport::type(w.user, "Recepcja");
        QVERIFY(!w.saveParams->isEnabled());
        testsupport::type(w.password, "tajne;Ż");
        QVERIFY(w.saveParams->isEnabled());
        w.saveParams->click();
        QCOMPARE(admin::readConnectionParams(w.desk.settingsFolder()),
                 QString("user_name=Recepcja\r\npassword=tajne;Ż\r\nlc_ctype=WIN1250\r\n"));
        QVERIFY(w.user->text().isEmpty() && w.password->text().isEmpty());
        QVERIFY(w.restoreDefaults->isEnabled());
        QVERIFY(!w.saveParams->isEnabled());

        // The next connection, the test's, takes the stored parameters ...
        w.test->click();
        QCOMPARE(w.connection.param("user_name"), QString("Recepcja"));
        // ... and after "Przywróć domyślne" the built-in ones.
        w.restoreDefaults->click();
        QVERIFY(!QFile::exists(w.paramsFile()));
        QVERIFY(!w.restoreDefaults->isEnabled());
        w.test->click();
        QCOMPARE(w.connection.params(),
                 QStringList({"user_name=SYSDBA", "password=brasswick", "lc_ctype=WIN1250"}));
    }

    void theTestUsesTheStoredLocationNotTheBoxes()
    {
        testsupport::TestDatabase t;
        Window w(locationOf("localhost", t.path()));
        w.host->setEditText("nieznany-serwer.invalid");
        w.test->click();
        QCOMPARE(w.reportLines(), QStringList({"Host    : localhost", "Katalog : " + t.folder(),
                                               "Plik    : TEST.FDB", "Test połączenia ...",
                                               "--------------", "Połączenie: OK"}));
        QVERIFY(!w.connection.connected());  // closed again after the test
        // What the user sees: every character as wide as any other.
        const QFontMetrics metrics(w.report->font());
        QCOMPARE(metrics.horizontalAdvance(u'i'), metrics.horizontalAdvance(u'W'));
        QCOMPARE(w.report->lineWrapMode(), QPlainTextEdit::NoWrap);
    }

    void connectionTestOnTheServer_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("file");  // empty: the server's database
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("messagePart");  // empty: the test passes
        QTest::newRow("OK") << "127.0.0.1" << QString() << "masterkey" << QString();
        QTest::newRow("wrong password") << "127.0.0.1" << QString() << "zle-haslo"
                                        << "password are not defined";
        QTest::newRow("missing file") << "127.0.0.1"
                                      << "BRAK.FDB"
                                      << "masterkey"
                                      << "BRAK.FDB";
        QTest::newRow("unknown host") << "nieznany-serwer.invalid" << QString() << "masterkey"
                                      << "nieznany-serwer.invalid";
    }
    void connectionTestOnTheServer()
    {
        REQUIRE_FIREBIRD_SERVER();
        QFETCH(QString, host);
        QFETCH(QString, file);
        QFETCH(QString, password);
        QFETCH(QString, messagePart);
        testsupport::ServerDatabase server;
        admin::DatabaseLocation stored = locationOf(host, server.path());
        if (!file.isEmpty())
            stored.file = file;
        Window w(stored);
        w.storeParams("SYSDBA", password);
        w.test->click();
        const QStringList lines = w.reportLines();
        QCOMPARE(lines.mid(0, 4),
                 QStringList({"Host    : " + stored.host, "Katalog : " + stored.dir,
                              "Plik    : " + stored.file, "Test połączenia ..."}));
        if (messagePart.isEmpty()) {
            QCOMPARE(lines.mid(4), QStringList({"--------------", "Połączenie: OK"}));
        } else {
            QVERIFY2(lines.size() >= 7, qPrintable(lines.join('\n')));
            QVERIFY2(lines.mid(4, lines.size() - 6).join('\n').contains(messagePart),
                     qPrintable(lines.join('\n')));
            QCOMPARE(lines.mid(lines.size() - 2),
                     QStringList({"---------------", "Błąd połączenia"}));
        }
        QVERIFY(!w.connection.connected());
    }

    void closingWithUnsavedChangesAsks_data()
    {
        QTest::addColumn<QString>("userName");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("asks");
        QTest::newRow("nothing typed") << ""
                                       << ""
                                       << "" << false;
        QTest::newRow("only a user name") << "Jan"
                                          << ""
                                          << "" << false;
        QTest::newRow("only a password") << ""
                                         << "x"
                                         << "" << false;
        QTest::newRow("user name and password") << "Jan"
                                                << "x"
                                                << "" << true;
        QTest::newRow("an unsaved host") << ""
                                         << ""
                                         << "serwer3" << true;
    }
    void closingWithUnsavedChangesAsks()
    {
        QFETCH(QString, userName);
        QFETCH(QString, password);
        QFETCH(QString, host);
        QFETCH(bool, asks);
        Window w;
        testsupport::type(w.user, userName);
        testsupport::type(w.password, password);
        if (!host.isEmpty())
            w.host->setEditText(host);
        w.desk.answers.answers.enqueue(false);  // "No" to a question: stay
        w.dialog.close();
        QCOMPARE(w.dialog.isVisible(), asks);
        if (asks) {
            QCOMPARE(w.desk.answers.shown.last().caption, QString("Zmiany"));
            QCOMPARE(
                w.desk.answers.shown.last().text,
                QString("Niektóre zmiany nie są zapisane.\nNa pewno zamknąć okno bez zapisu?"));
            w.desk.answers.answers.enqueue(true);
            w.dialog.close();
            QVERIFY(!w.dialog.isVisible());
        }
        QVERIFY(!QFile::exists(w.paramsFile()));  // typed parameters are dropped
    }
};

HALVANE_TEST(DatabaseDialogTest);
#include "DatabaseDialogTest.moc"
