// The employee information window on the demo database: the entry is shown read-only,
// only the notes are ever written, leaving with changes asks first, and an employee who
// cannot be shown stores nothing.
#include "db/Database.h"
#include "personnel/EmployeeInfoDialog.h"
#include "support/Find.h"
#include "support/Screenshot.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/Typing.h"
#include "support/testmain.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using testsupport::child;

namespace {

// Employee 3 of the demo data: Krzysztof Zieliński, Księgowość of the first company.
constexpr int Employee = 3;
const QString DemoNotes = QStringLiteral("Klucz do archiwum w sekretariacie.");

QString storedNotes(testsupport::TestDatabase& database, int id = Employee)
{
    return database.scalar(QStringLiteral("select INFO from PERSONEL where ID = %1").arg(id))
        .toString();
}

struct InfoWindow {
    testsupport::TestDatabase database{true};
    testsupport::TestDesk desk{database.db()};
    EmployeeInfoDialog dialog{desk};

    QPlainTextEdit* notes() const { return child<QPlainTextEdit>(&dialog, "notesEdit"); }
    QPushButton* ok() const { return child<QPushButton>(&dialog, "okButton"); }
    QPushButton* cancel() const { return child<QPushButton>(&dialog, "cancelButton"); }

    bool show(int id = Employee)
    {
        dialog.open(id);
        dialog.activateWindow();
        return QTest::qWaitForWindowActive(&dialog);
    }
};

}  // namespace

class EmployeeInfoDialogTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheEntryReadOnlyAndTheNotesForEditing()
    {
        InfoWindow w;
        QVERIFY(w.show());
        const QList<QPair<QString, QString>> entry = {
            {"idEdit", "3"},
            {"surnameEdit", "Zieliński"},
            {"firstNameEdit", "Krzysztof"},
            {"companyEdit", "Biuro Rachunkowe Żurawska i Wspólnicy"},
            {"departmentEdit", "Księgowość"},
            {"positionEdit", "Księgowa"},
            {"floorEdit", "1"},
            {"roomEdit", "138"},
            {"landlineEdit", "42 6317 690"},
            {"mobileEdit", "601 326 147"},
            {"emailEdit", "k.zielinski@zurawska.example.pl"},
        };
        for (const auto& [name, value] : entry) {
            auto* box = child<QLineEdit>(&w.dialog, name);
            QCOMPARE(box->text(), value);
            QVERIFY2(box->isReadOnly(), qPrintable(name));
            QVERIFY2(!box->accessibleName().isEmpty(), qPrintable(name));
        }
        QCOMPARE(w.notes()->toPlainText(), DemoNotes);
        QVERIFY(w.notes()->hasFocus());
        QCOMPARE(w.dialog.windowTitle(), QString("Info o pracowniku"));
        QCOMPARE(w.dialog.size(), QSize(652, 324));
        QVERIFY(!child<QLabel>(&w.dialog, "missingEntryLabel")->isVisible());
        QVERIFY(testsupport::saveScreenshot(w.dialog, "info_o_pracowniku.png"));
    }

    // OK and Ctrl+Enter store the notes, Enter in the box starts a new line, and a change
    // another desk committed to the other columns meanwhile is kept.
    void storingWritesOnlyTheNotes_data()
    {
        QTest::addColumn<bool>("byKeyboard");
        QTest::newRow("OK button") << false;
        QTest::newRow("Ctrl+Enter") << true;
    }
    void storingWritesOnlyTheNotes()
    {
        QFETCH(bool, byKeyboard);
        InfoWindow w;
        const int employees = w.database.scalar("select count(*) from PERSONEL").toInt();
        QVERIFY(w.show());
        {
            auto other = w.database.connect();
            other->execute(
                "update PERSONEL set NAZWISKO = 'Nowak', TELKOM = '700 800 900', "
                "DZIAL_ID = 2 where ID = 3");
            other->transaction().commitRetaining();
        }
        w.notes()->selectAll();
        testsupport::type(w.notes(), "Gość z Łodzi");
        QTest::keyClick(w.notes(), Qt::Key_Return);
        testsupport::type(w.notes(), "dzwonić wcześniej");
        QCOMPARE(storedNotes(w.database), DemoNotes);  // nothing stored while typing
        if (byKeyboard)
            QTest::keyClick(w.notes(), Qt::Key_Return, Qt::ControlModifier);
        else
            QTest::mouseClick(w.ok(), Qt::LeftButton);
        QVERIFY(!w.dialog.isVisible());
        QCOMPARE(w.dialog.result(), int(QDialog::Accepted));
        QVERIFY(w.desk.answers.shown.isEmpty());
        QCOMPARE(storedNotes(w.database), QString("Gość z Łodzi\ndzwonić wcześniej"));
        QCOMPARE(w.database
                     .scalar("select NAZWISKO || '/' || TELKOM || '/' || DZIAL_ID "
                             "from PERSONEL where ID = 3")
                     .toString(),
                 QString("Nowak/700 800 900/2"));
        QCOMPARE(w.database.scalar("select count(*) from PERSONEL").toInt(), employees);
    }

    // Every way of leaving goes through one check: without typing it asks nothing; after
    // typing, No keeps the window and the text, Yes discards it and the database is as it was.
    void leavingAsksOnlyAfterTyping_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("typed");
        for (const char* how : {"Anuluj", "Esc", "close box"}) {
            QTest::addRow("%s, nothing typed", how) << QString(how) << false;
            QTest::addRow("%s, notes typed", how) << QString(how) << true;
        }
    }
    void leavingAsksOnlyAfterTyping()
    {
        QFETCH(QString, how);
        QFETCH(bool, typed);
        InfoWindow w;
        QVERIFY(w.show());
        const auto leave = [&] {
            if (how == "Anuluj")
                QTest::mouseClick(w.cancel(), Qt::LeftButton);
            else if (how == "Esc")
                QTest::keyClick(w.notes(), Qt::Key_Escape);
            else
                w.dialog.close();
        };
        if (typed) {
            testsupport::type(w.notes(), " Nowa uwaga.");
            w.desk.answers.answers.enqueue(false);
            leave();
            QVERIFY(w.dialog.isVisible());
            QCOMPARE(w.desk.answers.shown.size(), 1);
            QCOMPARE(w.desk.answers.shown[0].kind, QString("question"));
            QCOMPARE(w.desk.answers.shown[0].text,
                     QString("Na pewno anulować wprowadzone zmiany?"));
            QCOMPARE(w.desk.answers.shown[0].caption, QString("Anulowanie zmian"));
            QCOMPARE(w.notes()->toPlainText(), DemoNotes + " Nowa uwaga.");
            w.desk.answers.answers.enqueue(true);
        }
        leave();
        QVERIFY(!w.dialog.isVisible());
        QCOMPARE(w.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(w.desk.answers.shown.size(), typed ? 2 : 0);
        QCOMPARE(storedNotes(w.database), DemoNotes);
        // Shown again, the window starts from the stored notes and asks nothing.
        w.desk.answers.clear();
        QVERIFY(w.show());
        QCOMPARE(w.notes()->toPlainText(), DemoNotes);
        QTest::mouseClick(w.cancel(), Qt::LeftButton);
        QVERIFY(w.desk.answers.shown.isEmpty());
    }

    void overlongNotesAreCutToTheColumn()
    {
        InfoWindow w;
        QVERIFY(w.show());
        w.notes()->setPlainText(QString(1030, u'ż'));
        QTest::mouseClick(w.ok(), Qt::LeftButton);
        QCOMPARE(w.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(storedNotes(w.database), QString(1024, u'ż'));
    }

    // Another desk holds an uncommitted change of the row: the update is refused at once.
    void aRefusedStoreIsReportedAndTheWindowStaysUsable()
    {
        InfoWindow w;
        QVERIFY(w.show());
        auto other = w.database.connect();
        other->execute("update PERSONEL set POKOJ = '200' where ID = 3");
        w.notes()->selectAll();
        testsupport::type(w.notes(), "Pierwsza próba");
        QTest::mouseClick(w.ok(), Qt::LeftButton);
        QVERIFY(w.dialog.isVisible());
        QCOMPARE(w.desk.answers.messages().size(), 1);
        QVERIFY2(w.desk.answers.messages()[0].contains("conflict", Qt::CaseInsensitive) ||
                     w.desk.answers.messages()[0].contains("deadlock", Qt::CaseInsensitive),
                 qPrintable(w.desk.answers.messages()[0]));
        QCOMPARE(w.notes()->toPlainText(), QString("Pierwsza próba"));
        QCOMPARE(storedNotes(w.database), DemoNotes);

        other->transaction().rollbackRetaining();
        w.desk.answers.clear();
        QTest::mouseClick(w.ok(), Qt::LeftButton);
        QCOMPARE(w.dialog.result(), int(QDialog::Accepted));
        QVERIFY(w.desk.answers.shown.isEmpty());
        QCOMPARE(storedNotes(w.database), QString("Pierwsza próba"));
    }

    // The row was stored and the commit then refused (a unique index made in the same unit
    // of work): the notes stay, and the second OK or Ctrl+Enter stores them.
    void aSecondOkAfterARefusedCommitStoresTheNotes_data()
    {
        QTest::addColumn<bool>("ctrlEnter");
        QTest::newRow("OK") << false;
        QTest::newRow("Ctrl+Enter") << true;
    }
    void aSecondOkAfterARefusedCommitStoresTheNotes()
    {
        QFETCH(bool, ctrlEnter);
        InfoWindow w;
        QVERIFY(w.show());
        w.database.db().execute("create unique index UX_PERSONEL_FIRMA on PERSONEL (FIRMA_ID)");
        w.notes()->selectAll();
        testsupport::type(w.notes(), "Notatka po odmowie");
        QTest::mouseClick(w.ok(), Qt::LeftButton);
        QVERIFY(w.dialog.isVisible());
        QVERIFY(w.desk.answers.messages().last().startsWith("Błąd zatwierdzenia danych:"));
        QCOMPARE(storedNotes(w.database), DemoNotes);
        if (ctrlEnter)
            QTest::keyClick(w.notes(), Qt::Key_Return, Qt::ControlModifier);
        else
            QTest::mouseClick(w.ok(), Qt::LeftButton);
        QVERIFY(!w.dialog.isVisible());
        QCOMPARE(w.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(storedNotes(w.database), QString("Notatka po odmowie"));
    }

    // An employee of no department, or one deleted meanwhile, cannot be shown: the window
    // says so, OK and Ctrl+Enter store nothing, and no row is created.
    void anEntryThatCannotBeShownStoresNothing_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("says");
        QTest::newRow("no department") << 900 << "nie należy do żadnego działu";
        QTest::newRow("deleted") << 901 << "nie istnieje";
    }
    void anEntryThatCannotBeShownStoresNothing()
    {
        QFETCH(int, id);
        QFETCH(QString, says);
        InfoWindow w;
        w.database.run(
            {"insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, INFO) "
             "values (900, 1, 0, 'Bez działu', 'stare')"});
        const int employees = w.database.scalar("select count(*) from PERSONEL").toInt();
        QVERIFY(w.show(id));
        auto* missing = child<QLabel>(&w.dialog, "missingEntryLabel");
        QVERIFY(missing->isVisible());
        QVERIFY2(missing->text().contains(says), qPrintable(missing->text()));
        QVERIFY(missing->text().contains(QString::number(id)));
        QVERIFY(!w.ok()->isEnabled());
        QVERIFY(w.notes()->isReadOnly());
        w.notes()->setFocus();
        testsupport::type(w.notes(), "coś");
        QTest::keyClick(w.notes(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(w.dialog.isVisible());
        QTest::keyClick(w.notes(), Qt::Key_Escape);
        QVERIFY(!w.dialog.isVisible());
        QCOMPARE(w.dialog.result(), int(QDialog::Rejected));
        QVERIFY(w.desk.answers.shown.isEmpty());
        QCOMPARE(w.database.scalar("select count(*) from PERSONEL").toInt(), employees);
        QCOMPARE(storedNotes(w.database, 900), QString("stare"));
    }
};

HALVANE_TEST(EmployeeInfoDialogTest);
#include "EmployeeInfoDialogTest.moc"
