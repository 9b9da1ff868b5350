// The connection taken away under open windows (here: the attachment deleted through the
// monitoring tables, as a server that stops or an administrator would): every window can
// still be closed, the main window shows the connection as lost, and nothing stays half
// done.
#include "app/MainWindow.h"
#include "db/DataSet.h"
#include "support/AppFixture.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/TestDatabase.h"
#include "support/testmain.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <vector>

namespace {

// Ends every attachment of the database but the caller's.
void dropOtherConnections(testsupport::TestDatabase& database)
{
    database.db().execute(
        "delete from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> current_connection");
    database.db().transaction().commitRetaining();
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
                             if (ok) {
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
                                 "searchAction", "visitsAction", "infoAction", "backupAction"})
            QVERIFY2(!testsupport::child<QAction>(&f, name)->isEnabled(), name);
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
        auto* staff = testsupport::child<db::DataSet>(&f, "staff");
        QCOMPARE(staff->field("ID").asInteger(), employee);
        QCOMPARE(testsupport::child<db::DataSet>(&f, "companies")->field("ID").asInteger(),
                 company);
        QCOMPARE(app.prompts.messages().size(), 1);  // the loss, said once
    }
};

HALVANE_TEST(ConnectionLossTest);
#include "ConnectionLossTest.moc"
