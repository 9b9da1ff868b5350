// The connection taken away under open windows (here: the attachment deleted through the
// monitoring tables, as a server that stops or an administrator would): every window can
// still be closed, the main window shows the connection as lost, and nothing stays half
// done.
#include "admin/ConnectionParamsFile.h"
#include "app/MainWindow.h"
#include "db/DataSet.h"
#include "desk/LiveUpdates.h"
#include "support/AppFixture.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/ServerDatabase.h"
#include "support/TestDatabase.h"
#include "support/testmain.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <csignal>
#include <vector>

namespace {

// Ends every attachment of the database but the caller's.
void dropOtherConnections(testsupport::TestDatabase& database)
{
    database.db().execute(
        "delete from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> current_connection");
    database.db().transaction().commitRetaining();
}

// The department's place in its company's tree, as the connection's transaction sees it.
int orderOf(db::Database& database, int department)
{
    db::DataSet query(database);
    query.setSelectSql(QStringLiteral("select KOLEJ from DZIALY where ID = :ID"));
    query.setParam(QStringLiteral("ID"), department);
    query.open();
    return query.field(QStringLiteral("KOLEJ")).asInteger();
}

// Kills the Firebird server's process, as a crash or an administrator's kill would; its
// guardian starts it again. Returns the process id, 0 when no server process was found.
qint64 killServer()
{
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(entry));
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "firebird") {
            ::kill(pid_t(pid), SIGKILL);
            return pid;
        }
    }
    return 0;
}

// Waits for the server to answer again, starting it through the project's script when its
// guardian does not, so that the tests after this one find it up.
bool serverIsBack()
{
    if (QTest::qWaitFor([] { return testsupport::serverProblem().isEmpty(); }, 20000))
        return true;
    QProcess::execute(QStringLiteral("bash"),
                      {QStringLiteral(HALVANE_SOURCE_DIR "/scripts/firebird-server.sh")});
    return testsupport::serverProblem().isEmpty();
}

}  // namespace

class ConnectionLossTest : public QObject {
    Q_OBJECT
private slots:
    // Anuluj, then Yes to the question: the rollback meets the lost connection.
    void everyWindowClosesAfterTheConnectionIsLost_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("windows");  // opened in turn; the last one is left
        QTest::addColumn<bool>("ok");              // left with OK, else with Anuluj
        QTest::newRow("new visit, Anuluj")
            << "visitsAction" << QStringList{"VisitsDialog", "GuestsDialog", "VisitDialog"}
            << false;
        QTest::newRow("employee information, Anuluj")
            << "infoAction" << QStringList{"EmployeeInfoDialog"} << false;
        QTest::newRow("employee information, OK")
            << "infoAction" << QStringList{"EmployeeInfoDialog"} << true;
        QTest::newRow("companies editor, OK")
            << "companiesAction" << QStringList{"CompaniesDialog"} << true;
        // The overview has no OK: another page, read when it is shown, finds the loss.
        QTest::newRow("overview, another page")
            << "overviewAction" << QStringList{"OverviewDialog"} << false;
    }
    void everyWindowClosesAfterTheConnectionIsLost()
    {
        QFETCH(QString, action);
        QFETCH(QStringList, windows);
        QFETCH(bool, ok);
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        f.goTo(1, 1, 1);
        std::vector<testsupport::ModalScript::Step> steps;
        if (windows.first() == "VisitsDialog")
            steps.push_back(
                {"VisitsDialog", [](QDialog* w) { testsupport::trigger(w, "addAction"); }});
        if (windows.contains("GuestsDialog"))
            steps.push_back({"GuestsDialog", [](QDialog* w) { w->reject(); }});
        steps.push_back({windows.last(), [&](QDialog* w) {
                             // Work of the window's unit that nobody committed.
                             f.database().execute(
                                 "insert into FIRMY (ID, NAZWA) values (99, 'Niezatwierdzona')");
                             if (auto* notes = w->findChild<QWidget*>("notesEdit"))
                                 QTest::keyClicks(notes, "x");
                             dropOtherConnections(*app.database());
                             if (auto* pages = w->findChild<QTabWidget*>("pageTabs")) {
                                 pages->setCurrentIndex(pages->count() - 1);
                             } else if (ok) {
                                 testsupport::child<QPushButton>(w, "okButton")->click();
                             } else {
                                 app.prompts.answers.enqueue(true);  // "Na pewno anulować?"
                                 w->reject();
                             }
                         }});
        testsupport::ModalScript script(std::move(steps));
        testsupport::trigger(&f, action);
        QTRY_VERIFY_WITH_TIMEOUT(
            script.finished() && !QApplication::activeModalWidget() && !f.database().connected(),
            5000);

        const QStringList messages = app.prompts.messages();
        QCOMPARE(messages.filter("Utracono połączenie z bazą danych").size(), 1);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(testsupport::child<QLabel>(&f, "connectionStateLabel")->text(),
                 QString("Niepodłączony"));
        for (const char* name : {"companiesAction", "personnelAction", "guestsAction",
                                 "searchAction", "visitsAction", "overviewAction", "infoAction",
                                 "backupAction"})
            QVERIFY2(!testsupport::child<QAction>(&f, name)->isEnabled(), name);
        QVERIFY(!testsupport::child<QWidget>(&f, "scanBox")->isEnabled());
        QVERIFY(!f.database().connected());
        QCOMPARE(app.database()->scalar("select count(*) from FIRMY where ID = 99").toInt(), 0);
    }

    // "Połącz ponownie" (or a double click on the connection panel) connects again with the
    // stored settings and returns to the company, department and employee shown.
    void reconnectingReturnsToWhatWasShown_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("Dane > Połącz ponownie") << false;
        QTest::newRow("double click on the connection panel") << true;
    }
    void reconnectingReturnsToWhatWasShown()
    {
        QFETCH(bool, doubleClick);
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        const int company = app.database()->scalar("select max(FIRMA_ID) from PERSONEL").toInt();
        const int employee =
            app.database()
                ->scalar(QString("select max(ID) from PERSONEL where FIRMA_ID = %1").arg(company))
                .toInt();
        const int department =
            app.database()
                ->scalar(QString("select DZIAL_ID from PERSONEL where ID = %1").arg(employee))
                .toInt();
        f.goTo(company, department, employee);
        auto* reconnect = testsupport::child<QAction>(&f, "reconnectAction");
        QVERIFY(!reconnect->isEnabled());
        auto* state = testsupport::child<QLabel>(&f, "connectionStateLabel");
        const QString connectedState = state->text();

        dropOtherConnections(*app.database());
        testsupport::trigger(&f, "companiesAction");  // finds the connection gone
        QTRY_VERIFY_WITH_TIMEOUT(!f.database().connected() && reconnect->isEnabled(), 5000);
        QCOMPARE(state->text(), QString("Niepodłączony"));

        if (doubleClick)
            QTest::mouseDClick(state, Qt::LeftButton);
        else
            reconnect->trigger();
        QVERIFY(f.database().connected());
        QCOMPARE(state->text(), connectedState);
        QVERIFY(!reconnect->isEnabled());
        QVERIFY(testsupport::child<QAction>(&f, "companiesAction")->isEnabled());
        QVERIFY(testsupport::child<QWidget>(&f, "scanBox")->isEnabled());
        auto* staff = testsupport::child<db::DataSet>(&f, "staff");
        QCOMPARE(staff->field("ID").asInteger(), employee);
        QCOMPARE(testsupport::child<db::DataSet>(&f, "companies")->field("ID").asInteger(),
                 company);
        QCOMPARE(app.prompts.messages().size(), 1);  // the loss, said once
    }

    // The server stops (killed by its process id) while the companies editor holds a unit
    // of work: OK meets the lost connection, one message, every window closes, and once the
    // server is back "Połącz ponownie" returns to the rows shown, none of the unit stored.
    void aServerThatDiesAndComesBackIsSurvived()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        testsupport::AppFixture app(true, false);
        app.writeIni("[FB]\nHost=127.0.0.1\nDir=" + server.folder().toUtf8() +
                     "/\nFile=SERWER.FDB\nLastBackupDir=\n");
        admin::writeConnectionParams(app.settingsFolder(),
                                     QString::fromLatin1(testsupport::kTestParams));
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY2(f.database().connected(), qPrintable(app.prompts.messages().join(u'\n')));
        f.goTo(2, 6, 20);
        auto* staff = testsupport::child<db::DataSet>(&f, "staff");
        QCOMPARE(staff->field("ID").asInteger(), 20);
        const QStringList before = testsupport::allRows(server.name());
        QVERIFY(f.liveUpdates().followsEvents());  // the server's events die with it

        qint64 killed = 0;
        const int order = orderOf(f.database(), 6);
        int moved = order;
        testsupport::ModalScript script(
            {{"CompaniesDialog", [&](QDialog* w) {
                  // renumbers the company's tree
                  testsupport::trigger(w, "moveDepartmentDownAction");
                  moved = orderOf(f.database(), 6);
                  killed = killServer();
                  testsupport::child<QPushButton>(w, "okButton")->click();
              }}});
        testsupport::trigger(&f, "companiesAction");
        QTRY_VERIFY_WITH_TIMEOUT(
            script.finished() && !QApplication::activeModalWidget() && !f.database().connected(),
            20000);
        QVERIFY2(killed > 0, "no process of the Firebird server was found");
        QVERIFY2(moved != order, "the editor's unit of work wrote nothing");
        QCOMPARE(app.prompts.messages().filter("Utracono połączenie z bazą danych").size(), 1);
        QCOMPARE(app.prompts.messages().size(), 1);
        QCOMPARE(testsupport::child<QLabel>(&f, "connectionStateLabel")->text(),
                 QString("Niepodłączony"));
        QVERIFY(!testsupport::child<QAction>(&f, "companiesAction")->isEnabled());
        QVERIFY(!f.liveUpdates().followsEvents());

        QVERIFY2(serverIsBack(), "the Firebird server did not come back");
        testsupport::trigger(&f, "reconnectAction");
        QVERIFY(f.database().connected());
        QVERIFY(f.liveUpdates().followsEvents());
        QCOMPARE(staff->field("ID").asInteger(), 20);
        QCOMPARE(testsupport::child<db::DataSet>(&f, "companies")->field("ID").asInteger(), 2);
        QCOMPARE(testsupport::allRows(server.name()), before);
        QCOMPARE(app.prompts.messages().size(), 1);
    }
};

HALVANE_TEST(ConnectionLossTest);
#include "ConnectionLossTest.moc"
