// The main window's lists follow what another desk commits: within a second where the
// database posts change events, on the timer where it does not (said once in the status
// bar); the company, department and employee shown stay, nothing is read while a window
// is open over the main window, and no message is ever shown for it.
#include "admin/ConnectionParamsFile.h"
#include "app/MainWindow.h"
#include "controls/DataGrid.h"
#include "controls/DepartmentTree.h"
#include "db/ChangeEvents.h"
#include "desk/LiveUpdates.h"
#include "support/AppFixture.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/ServerDatabase.h"
#include "support/testmain.h"

#include <QDialog>
#include <QLabel>
#include <QSignalSpy>
#include <QStatusTipEvent>
#include <QTest>

using namespace std::chrono_literals;
using testsupport::child;

namespace {

const QString PollingNote = QStringLiteral(
    "Ta baza nie powiadamia o zmianach innych stanowisk: listy odczytywane są ponownie co 30 s.");

controls::DataGrid& grid(QWidget& window, const QString& name)
{
    return *child<controls::DataGrid>(&window, name);
}

QString text(QWidget& window, const QString& label)
{
    return child<QLabel>(&window, label)->text();
}

QStringList gridColumn(controls::DataGrid& grid, int column)
{
    QStringList texts;
    for (int row = 0; row < grid.model()->rowCount(); ++row)
        texts << grid.model()->index(row, column).data().toString();
    return texts;
}

QStringList treeTexts(QWidget& window)
{
    QStringList texts;
    for (QStandardItem* node :
         child<controls::DepartmentTree>(&window, "departmentTree")->nodesInOrder())
        texts << node->text();
    return texts;
}

// The company, department and employee the main window shows.
struct Shown {
    int company = 0;
    int department = 0;
    int employee = 0;
    bool operator==(const Shown& other) const
    {
        return company == other.company && department == other.department &&
               employee == other.employee;
    }
};

Shown shown(MainWindow& f)
{
    auto id = [&](const char* set) {
        auto* data = child<db::DataSet>(&f, set);
        return data->active() && !data->isEmpty() ? data->field("ID").asInteger() : 0;
    };
    return {id("companies"),
            controls::DepartmentTree::nodeId(
                child<controls::DepartmentTree>(&f, "departmentTree")->selectedNode()),
            id("staff")};
}

char* toString(const Shown& s)
{
    return QTest::toString(QString("%1/%2/%3").arg(s.company).arg(s.department).arg(s.employee));
}

// The main window follows the counts as they stand: every commit from here on is told.
bool following(MainWindow& f)
{
    auto* events = f.liveUpdates().findChild<db::ChangeEvents*>("changeEvents");
    return QTest::qWaitFor([&] { return events && events->isReady(); }, 2000);
}

}  // namespace

class LiveListsTest : public QObject {
    Q_OBJECT
private slots:
    void anotherDesksCommitIsShownWithinASecondKeepingTheSelection()
    {
        testsupport::AppFixture app(true);
        // Personal data removed today: the start-up leaves the hint panel empty.
        app.writeIni(app.readIni() + "\n[RODO]\nOstatnio=" +
                     QDate::currentDate().toString(Qt::ISODate).toLatin1() + "\n");
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(f.liveUpdates().followsEvents());
        QVERIFY(following(f));
        QCOMPARE(text(f, "hintLabel"), QString());
        f.goTo(1, 1, 3);
        const Shown before{1, 1, 3};
        QCOMPARE(shown(f), before);
        const int staffCount = grid(f, "staffGrid").model()->rowCount();

        // A new employee in the department shown and the company renamed, in one unit.
        std::unique_ptr<db::Database> other = app.database()->connect();
        other->execute(
            "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) "
            "values (1000, 1, 1, 'Anna', 'Nowakowska')");
        other->execute("update FIRMY set NAZWA = 'Biuro Rachunkowe Żurawska' where ID = 1");
        other->transaction().commit();
        QTRY_COMPARE_WITH_TIMEOUT(grid(f, "staffGrid").model()->rowCount(), staffCount + 1, 1000);
        QTRY_COMPARE_WITH_TIMEOUT(text(f, "companyNameLabel"), QString("Biuro Rachunkowe Żurawska"),
                                  1000);
        QCOMPARE(gridColumn(grid(f, "companyGrid"), 0).first(),
                 QString("Biuro Rachunkowe Żurawska"));
        QVERIFY(gridColumn(grid(f, "staffGrid"), 1).contains("Nowakowska Anna"));
        QCOMPARE(shown(f), before);

        // A department added to the company shown: the tree has it, the selection stays.
        other->execute(
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) "
            "values (100, 1, 0, 5, 'Archiwum')");
        other->transaction().commit();
        QTRY_VERIFY_WITH_TIMEOUT(treeTexts(f).contains("Archiwum"), 1000);
        QCOMPARE(shown(f), before);
        QCOMPARE(text(f, "departmentNameLabel"), QString("Księgowość"));

        // The employee shown is gone: the list stays on the department, at its first row.
        other->execute("delete from PERSONEL where ID = 3");
        other->transaction().commit();
        QTRY_COMPARE_WITH_TIMEOUT(grid(f, "staffGrid").model()->rowCount(), staffCount, 1000);
        QCOMPARE(shown(f).company, 1);
        QCOMPARE(shown(f).department, 1);
        QVERIFY(shown(f).employee != 3);
        QVERIFY2(app.prompts.shown.isEmpty(), qPrintable(app.prompts.messages().join("|")));
    }

    void nothingIsReadWhileAWindowIsOpenAndItIsCaughtUpAfter()
    {
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(following(f));
        f.goTo(2, 6, 20);
        const Shown before = shown(f);
        const int staffCount = grid(f, "staffGrid").model()->rowCount();
        std::unique_ptr<db::Database> other = app.database()->connect();
        int countWhileOpen = -1;
        testsupport::ModalScript script({{"AboutDialog", [&](QDialog* w) {
                                              other->execute(
                                                  "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, "
                                                  "NAZWISKO) values (1000, 2, 6, 'Nowak')");
                                              other->transaction().commit();
                                              QTest::qWait(1500);
                                              countWhileOpen =
                                                  grid(f, "staffGrid").model()->rowCount();
                                              w->reject();
                                          }}});
        testsupport::trigger(&f, "aboutAction");
        QTRY_VERIFY_WITH_TIMEOUT(script.finished() && !QApplication::activeModalWidget(), 5000);
        QCOMPARE(countWhileOpen, staffCount);
        QTRY_COMPARE_WITH_TIMEOUT(grid(f, "staffGrid").model()->rowCount(), staffCount + 1, 1000);
        QCOMPARE(shown(f), before);
        QVERIFY2(app.prompts.shown.isEmpty(), qPrintable(app.prompts.messages().join("|")));
    }

    // A desk that only looks, on the server, while another desk commits: reading its lists at
    // connecting and on each change leaves it no transaction older than the other desk's
    // newest, which would keep the server from collecting old record versions.
    void aDeskThatOnlyBrowsesHoldsNoOldTransaction()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        testsupport::AppFixture app(true, false);
        app.writeIni("[FB]\nHost=127.0.0.1\nDir=" + server.folder().toUtf8() +
                     "/\nFile=SERWER.FDB\n");
        admin::writeConnectionParams(app.settingsFolder(), testsupport::kTestParams);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(following(f));
        f.goTo(1, 1, 3);
        auto other = testsupport::connectTo(server.name());
        for (const QString name : {"Biuro Rachunkowe Żurawska", "Biuro Żurawska"}) {
            db::DataSet current(*other);
            current.setSelectSql("select current_transaction from RDB$DATABASE");
            current.open();
            other->execute("update FIRMY set NAZWA = '" + name + "' where ID = 1");
            other->transaction().commit();
            QTRY_COMPARE_WITH_TIMEOUT(text(f, "companyNameLabel"), name, 2000);
            auto monitor = testsupport::connectTo(server.name());
            db::DataSet older(*monitor);
            older.setSelectSql(
                "select count(*) from MON$TRANSACTIONS t join MON$ATTACHMENTS a on "
                "a.MON$ATTACHMENT_ID = t.MON$ATTACHMENT_ID where a.MON$SYSTEM_FLAG = 0 and "
                "a.MON$ATTACHMENT_ID <> current_connection and t.MON$TRANSACTION_ID < :newest");
            older.setParam("newest", current.value(0, 0));
            older.open();
            QCOMPARE(older.value(0, 0).toInt(), 0);
        }
        QCOMPARE(shown(f).employee, 3);
    }

    void aDatabaseWithoutTheTriggersIsSaidOnceAndReadAgainOnTime()
    {
        testsupport::AppFixture app(true);
        QStringList drops;
        for (const QString& table : desk::LiveUpdates::tables())
            drops << "drop trigger " + db::ChangeEvents::triggerName(table);
        app.database()->run(drops);
        MainWindow& f = *app.form;
        f.liveUpdates().setPollInterval(200ms);
        QSignalSpy changed(&f.liveUpdates(), &desk::LiveUpdates::changed);
        QVERIFY(app.start());
        QVERIFY(!f.liveUpdates().followsEvents());
        QCOMPARE(text(f, "hintLabel"), PollingNote);
        // A hint over it (the mouse over a button, then away) and the note is not said again.
        QStatusTipEvent away{QString()};
        QApplication::sendEvent(&f, &away);
        QCOMPARE(text(f, "hintLabel"), QString());

        f.goTo(2, 6, 20);
        const Shown before = shown(f);
        std::unique_ptr<db::Database> other = app.database()->connect();
        other->execute("update FIRMY set NAZWA = 'ŁZI S.A.' where ID = 2");
        other->transaction().commit();
        QTRY_COMPARE_WITH_TIMEOUT(text(f, "companyNameLabel"), QString("ŁZI S.A."), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(changed.size() >= 3, 2000);
        QCOMPARE(shown(f), before);
        QCOMPARE(text(f, "hintLabel"), QString());
        // Nothing else is said but, once at start-up, what the database lacks.
        QVERIFY2(app.prompts.shown.size() == 1 &&
                     app.prompts.messages().value(0).contains("po 30 s (brak: TR_FIRMY_ZMIANY"),
                 qPrintable(app.prompts.messages().join("|")));
    }
};

HALVANE_TEST(LiveListsTest);
#include "LiveListsTest.moc"
