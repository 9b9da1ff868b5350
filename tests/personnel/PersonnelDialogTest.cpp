// The staff list and the employee dialog over a fresh database with known rows, driven
// through their controls as the receptionist would.
#include "controls/DataGrid.h"
#include "db/DataSet.h"
#include "personnel/PersonnelDialog.h"
#include "support/Find.h"
#include "support/Modal.h"
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
using testsupport::ModalAction;
using testsupport::TestDatabase;
using testsupport::TestDesk;

namespace {

const QStringList kRows = {
    "insert into FIRMY (ID, NAZWA) values (1, 'Alfa')",
    "insert into FIRMY (ID, NAZWA) values (2, 'Beta Łódź')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (1, 1, 0, 0, 'Kadry')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (2, 1, 0, 1, 'Księgowość')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (3, 2, 0, 0, 'Zarząd')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO) "
    "values (1, 1, 1, 'Jan', 'Nowak', 'Kadrowy')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO) "
    "values (2, 1, 1, 'Anna', 'Kowalska', 'Kierownik')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (3, 2, 3, 'Piotr', "
    "'Zieliński')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (4, 1, 2, 'Ewa', "
    "'Lis')",
    "set generator GEN_PERSONEL_ID to 10",
};

struct Window {
    TestDatabase t;
    TestDesk desk{t.db()};
    PersonnelDialog dialog{desk};
    QList<std::pair<int, int>> pickerAsked;  // the company and department the picker opened at

    explicit Window(const PersonnelDialog::Request& request)
    {
        t.run(kRows);
        answerPicker({});
        show(request);
    }
    void show(const PersonnelDialog::Request& request)
    {
        dialog.open(request);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }
    void answerPicker(std::optional<desk::CompanyAndDepartment> answer)
    {
        desk.companyAnswer = [this, answer](int company, int department) {
            pickerAsked.append({company, department});
            return answer;
        };
    }
    db::DataSet& staff() { return *child<db::DataSet>(&dialog, "staff"); }
    int currentId() { return staff().recNo() > 0 ? staff().field("ID").asInteger() : 0; }
    QList<int> listedIds()
    {
        QList<int> ids;
        auto* grid = child<controls::DataGrid>(&dialog, "staffGrid");
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            ids << grid->model()->index(row, 0).data().toInt();
        return ids;
    }
    bool enabled(const QString& name) { return child<QAction>(&dialog, name)->isEnabled(); }
    QPushButton* button(const QString& name) { return child<QPushButton>(&dialog, name); }
    QString label(const QString& name) { return child<QLabel>(&dialog, name)->text(); }
    // A count seen inside this desk's own unit of work, committed or not.
    int ownCount(const QString& sql)
    {
        db::DataSet query(t.db());
        query.setSelectSql(sql);
        query.open();
        return query.fields().front()->asInteger();
    }
};

const PersonnelDialog::Request kKadry{1, "Alfa", 1, "Kadry", 2};

// Runs `act` on the employee dialog that the triggered action opens.
bool onEmployeeDialog(Window& w, const QString& action, std::function<void(QWidget*)> act)
{
    ModalAction modal(std::move(act), &w.dialog);
    testsupport::trigger(&w.dialog, action);
    return modal.acted() && !modal.timedOut();
}

QLineEdit* box(QWidget* dialog, const QString& name)
{
    return child<QLineEdit>(dialog, name);
}

// Goes into a box, as a click or Tab would (leaving the box before hands its text to the
// row), and types there.
void typeInto(QWidget* dialog, const QString& name, const QString& text, bool replace = false)
{
    QTest::qWaitForWindowActive(dialog);
    auto* target = child<QWidget>(dialog, name);
    target->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(target); line && replace)
        line->selectAll();
    testsupport::type(target, text);
}

void click(QWidget* dialog, const QString& name)
{
    child<QPushButton>(dialog, name)->click();
}

}  // namespace

class PersonnelDialogTest : public QObject {
    Q_OBJECT
private slots:
    void anEmployeeAddedIntoAPickedDepartmentIsStoredThereAndCurrent()
    {
        Window w(kKadry);
        QCOMPARE(w.listedIds(), QList<int>({1, 2}));
        QCOMPARE(w.currentId(), 2);
        QVERIFY(!w.button("okButton")->isEnabled());  // nothing changed yet
        w.answerPicker(desk::CompanyAndDepartment{2, "Beta Łódź", 3, "Zarząd"});
        QString companyShownInDialog;
        QVERIFY(onEmployeeDialog(w, "addAction", [&](QWidget* d) {
            typeInto(d, "surnameEdit", "Wiśniewska");
            typeInto(d, "firstNameEdit", "Żaneta");
            click(d, "changeDepartmentButton");
            companyShownInDialog = child<QLabel>(d, "companyNameLabel")->text();
            click(d, "okButton");
        }));
        QCOMPARE(w.pickerAsked, (QList<std::pair<int, int>>{{1, 1}}));
        QCOMPARE(companyShownInDialog, QString("Beta Łódź"));
        // The list follows the new employee into the picked department.
        QCOMPARE(w.listedIds(), QList<int>({3, 11}));
        QCOMPARE(w.currentId(), 11);
        QCOMPARE(w.label("companyNameLabel"), QString("Beta Łódź"));
        QCOMPARE(w.label("departmentNameLabel"), QString("Zarząd"));
        QCOMPARE(w.t.scalar("select count(*) from PERSONEL where ID = 11").toInt(), 0);
        QVERIFY(w.button("okButton")->isEnabled());

        w.button("okButton")->click();
        QCOMPARE(w.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(w.dialog.chosen().companyId, 2);
        QCOMPARE(w.dialog.chosen().departmentId, 3);
        QCOMPARE(w.dialog.chosen().employeeId, 11);
        QCOMPARE(w.t.scalar("select FIRMA_ID || '/' || DZIAL_ID || '/' || NAZWISKO || ' ' || IMIE "
                            "from PERSONEL where ID = 11")
                     .toString(),
                 QString("2/3/Wiśniewska Żaneta"));

        // Opened again where OK left it, the new employee is the current row.
        w.show({2, "Beta Łódź", 3, "Zarząd", w.dialog.chosen().employeeId});
        QCOMPARE(w.currentId(), 11);
        QCOMPARE(w.staff().field("_nazwisko_imie").asString(), QString("Wiśniewska Żaneta"));
    }

    void editingByEnterInTheListKeepsTheNumber()
    {
        Window w(kKadry);
        auto* grid = child<controls::DataGrid>(&w.dialog, "staffGrid");
        grid->setFocus();
        QVERIFY(onEmployeeDialog(w, "editAction", [&](QWidget* d) {
            typeInto(d, "positionEdit", "Główna księgowa", true);
            click(d, "okButton");
        }));
        QCOMPARE(w.listedIds(), QList<int>({1, 2}));
        QCOMPARE(w.currentId(), 2);
        QCOMPARE(w.staff().field("STANOWISKO").asString(), QString("Główna księgowa"));
        QCOMPARE(w.ownCount("select count(*) from PERSONEL"), 4);
        w.button("okButton")->click();
        QCOMPARE(w.dialog.chosen().employeeId, 2);
        QCOMPARE(w.t.scalar("select STANOWISKO from PERSONEL where ID = 2").toString(),
                 QString("Główna księgowa"));
    }

    void enterEditsOnlyWhileTheListHasTheFocus()
    {
        Window w(kKadry);
        auto* grid = child<controls::DataGrid>(&w.dialog, "staffGrid");
        for (QWidget* focus :
             {static_cast<QWidget*>(w.button("cancelButton")), static_cast<QWidget*>(grid)}) {
            focus->setFocus();
            QTRY_VERIFY(focus->hasFocus());
            bool opened = false;
            ModalAction modal(
                [&](QWidget* d) {
                    opened = true;
                    click(d, "cancelButton");
                },
                &w.dialog, 300);
            QTest::keyClick(focus, Qt::Key_Return);
            QTest::qWait(100);
            QCOMPARE(opened, focus == grid);
        }
        // Cancelling the dialog stored nothing and changed nothing.
        QVERIFY(!w.button("okButton")->isEnabled());
    }

    void deletingTheLastEmployeeDisablesEditAndDeleteAndOkReturnsZeros()
    {
        Window w({2, "Beta Łódź", 3, "Zarząd", 3});
        QVERIFY(w.enabled("deleteAction") && w.enabled("editAction"));
        testsupport::trigger(&w.dialog, "deleteAction");  // answered No
        QCOMPARE(w.listedIds(), QList<int>({3}));
        QVERIFY(!w.button("okButton")->isEnabled());

        w.desk.answers.answers.enqueue(true);
        testsupport::trigger(&w.dialog, "deleteAction");
        const testsupport::Shown& asked = w.desk.answers.shown.last();
        QCOMPARE(asked.text, QString("Na pewno usunąć z listy pracownika: 'Zieliński Piotr'?\n\n"));
        QCOMPARE(asked.caption, QString("Usunięcie pracownika"));
        QVERIFY(w.listedIds().isEmpty());
        QVERIFY(!w.enabled("deleteAction"));
        QVERIFY(!w.enabled("editAction"));
        QVERIFY(w.enabled("addAction") && w.enabled("changeDepartmentAction"));
        QVERIFY(w.button("okButton")->isEnabled());
        w.button("okButton")->click();
        QCOMPARE(w.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(w.dialog.chosen().companyId, 0);
        QCOMPARE(w.dialog.chosen().departmentId, 0);
        QCOMPARE(w.dialog.chosen().employeeId, 0);
        QCOMPARE(w.t.scalar("select count(*) from PERSONEL where ID = 3").toInt(), 0);
        // With no department: the employees of a department that is gone too.
        w.t.run({"insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO) values (5, 2, 9, 'X')"});
        w.show({2, "Beta Łódź", 0, "", 0});
        QCOMPARE(w.listedIds(), QList<int>({5}));
    }

    void cancellingAfterChangesAsksAndYesRollsBackEveryOne_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No keeps the changes and the window") << false;
        QTest::newRow("Yes rolls them all back") << true;
    }
    void cancellingAfterChangesAsksAndYesRollsBackEveryOne()
    {
        QFETCH(bool, yes);
        Window w(kKadry);
        QVERIFY(onEmployeeDialog(w, "addAction", [&](QWidget* d) {
            typeInto(d, "surnameEdit", "Nowy");
            click(d, "okButton");
        }));
        w.desk.answers.answers.enqueue(true);
        w.staff().locate("ID", 1, 0);
        testsupport::trigger(&w.dialog, "deleteAction");
        QCOMPARE(w.listedIds(), QList<int>({2, 11}));

        w.desk.answers.clear();
        w.desk.answers.answers.enqueue(yes);
        w.button("cancelButton")->click();
        QCOMPARE(w.desk.answers.shown.size(), 1);
        QCOMPARE(w.desk.answers.shown[0].text,
                 QString("Na pewno anulować wszystkie wprowadzone zmiany?"));
        QCOMPARE(w.desk.answers.shown[0].caption, QString("Anulowanie zmian"));
        QCOMPARE(w.dialog.isVisible(), !yes);
        const QString own = "select count(*) from PERSONEL where ID in (1, 11)";
        QCOMPARE(w.ownCount("select count(*) from PERSONEL where ID = 11"), yes ? 0 : 1);
        QCOMPARE(w.ownCount("select count(*) from PERSONEL where ID = 1"), yes ? 1 : 0);
        if (!yes) {
            QVERIFY(w.button("okButton")->isEnabled());
            w.button("okButton")->click();
            QCOMPARE(w.t.scalar(own).toInt(), 1);  // both changes committed
        } else {
            QCOMPARE(w.t.scalar(own).toInt(), 1);  // only Nowak, as before
            QCOMPARE(w.t.scalar("select NAZWISKO from PERSONEL where ID = 1").toString(),
                     QString("Nowak"));
        }
    }

    void theDialogChecksSurnameCompanyAndDepartmentInOrderKeepingWhatWasTyped_data()
    {
        QTest::addColumn<int>("company");
        QTest::addColumn<int>("department");
        QTest::addColumn<QString>("surname");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focused");
        QTest::newRow("no surname first") << 0 << 0 << ""
                                          << "Nie wpisano nazwiska."
                                          << "surnameEdit";
        QTest::newRow("then no company") << 0 << 0 << "Lis"
                                         << "Nie wybrano firmy."
                                         << "changeDepartmentButton";
        QTest::newRow("then no department") << 1 << 0 << "Lis"
                                            << "Nie wybrano działu firmy."
                                            << "changeDepartmentButton";
        QTest::newRow("a surname of spaces is a surname") << 1 << 0 << "  "
                                                          << "Nie wybrano działu firmy."
                                                          << "changeDepartmentButton";
    }
    void theDialogChecksSurnameCompanyAndDepartmentInOrderKeepingWhatWasTyped()
    {
        QFETCH(int, company);
        QFETCH(int, department);
        QFETCH(QString, surname);
        QFETCH(QString, message);
        QFETCH(QString, focused);
        Window w({company, company ? "Alfa" : "", department, "", 0});
        QVERIFY(w.listedIds().isEmpty());
        w.answerPicker(desk::CompanyAndDepartment{1, "Alfa", 2, "Księgowość"});
        QStringList shown;
        QString focusAfter, firstNameKept, stillOpenId;
        bool staysOpen = false;
        QVERIFY(onEmployeeDialog(w, "addAction", [&](QWidget* d) {
            typeInto(d, "surnameEdit", surname);
            typeInto(d, "firstNameEdit", "Zofia");
            typeInto(d, "notesEdit", "Pokój przy windzie");
            click(d, "okButton");
            shown = w.desk.answers.messages();
            focusAfter =
                QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
            firstNameKept = box(d, "firstNameEdit")->text();
            staysOpen = d->isVisible();
            if (surname.isEmpty())
                typeInto(d, "surnameEdit", "Lis");
            click(d, "changeDepartmentButton");
            click(d, "okButton");
        }));
        QCOMPARE(shown, QStringList{message});
        QCOMPARE(w.desk.answers.beeps, 1);
        QCOMPARE(focusAfter, focused);
        QCOMPARE(firstNameKept, QString("Zofia"));
        QVERIFY(staysOpen);
        // Once a department was picked the employee is stored with everything typed.
        QCOMPARE(w.currentId(), 11);
        QCOMPARE(w.staff().field("DZIAL_ID").asInteger(), 2);
        QCOMPARE(w.staff().field("IMIE").asString(), QString("Zofia"));
        QCOMPARE(w.staff().field("INFO").asString(), QString("Pokój przy windzie"));
        QCOMPARE(w.label("departmentNameLabel"), QString("Księgowość"));
    }

    void overLongValuesAreCutToTheColumns()
    {
        Window w(kKadry);
        QVERIFY(onEmployeeDialog(w, "addAction", [&](QWidget* d) {
            typeInto(d, "surnameEdit", QString(80, QChar(u'Ż')));
            typeInto(d, "floorEdit", "12345678901234567890");
            auto* notes = child<QPlainTextEdit>(d, "notesEdit");
            notes->setFocus();
            notes->setPlainText(QString(1100, QChar(u'ą')));  // pasted
            click(d, "okButton");
        }));
        w.button("okButton")->click();
        QCOMPARE(w.t.scalar("select char_length(NAZWISKO) from PERSONEL where ID = 11").toInt(),
                 64);
        QCOMPARE(w.t.scalar("select PIETRO from PERSONEL where ID = 11").toString(),
                 QString("1234567890123456"));
        QCOMPARE(w.t.scalar("select INFO from PERSONEL where ID = 11").toString(),
                 QString(1024, QChar(u'ą')));
    }

    void aRefusedPostOrDeleteIsReportedAndNothingIsTakenAsDone()
    {
        Window w(kKadry);
        // A second desk holds uncommitted changes of both employees.
        auto other = w.t.connect();
        other->execute("update PERSONEL set STANOWISKO = 'Inny' where ID in (1, 2)");

        bool openAfterFailure = false;
        QStringList reported;
        QVERIFY(onEmployeeDialog(w, "editAction", [&](QWidget* d) {
            typeInto(d, "positionEdit", "Prezes", true);
            click(d, "okButton");
            reported = w.desk.answers.messages();
            openAfterFailure = d->isVisible();
            click(d, "cancelButton");
        }));
        QCOMPARE(reported.size(), 1);
        QVERIFY2(reported[0].contains("conflict", Qt::CaseInsensitive) ||
                     reported[0].contains("deadlock", Qt::CaseInsensitive),
                 qPrintable(reported[0]));
        QVERIFY(openAfterFailure);
        QCOMPARE(w.staff().state(), db::DataSetState::Browse);
        QCOMPARE(w.staff().field("STANOWISKO").asString(), QString("Kierownik"));
        QVERIFY(!w.button("okButton")->isEnabled());

        w.desk.answers.clear();
        w.desk.answers.answers.enqueue(true);
        testsupport::trigger(&w.dialog, "deleteAction");
        QCOMPARE(w.desk.answers.messages().size(), 1);
        QCOMPARE(w.listedIds(), QList<int>({1, 2}));
        QVERIFY(!w.button("okButton")->isEnabled());
        QVERIFY(w.enabled("editAction") && w.enabled("deleteAction"));

        // Once the other desk has let go, the same window goes on working.
        other->transaction().rollback();
        w.desk.answers.answers.enqueue(true);
        testsupport::trigger(&w.dialog, "deleteAction");
        QCOMPARE(w.listedIds(), QList<int>({1}));
        QVERIFY(w.button("okButton")->isEnabled());
    }

    void switchingDepartmentShowsItsStaffAndWidensThePanels()
    {
        Window w(kKadry);
        QWidget* panel = child<QWidget>(&w.dialog, "departmentPanel");
        const int narrow = panel->width();
        w.answerPicker(std::nullopt);
        testsupport::trigger(&w.dialog, "changeDepartmentAction");
        QCOMPARE(w.listedIds(), QList<int>({1, 2}));
        QCOMPARE(w.label("departmentNameLabel"), QString("Kadry"));

        w.answerPicker(desk::CompanyAndDepartment{1, "Alfa", 2, "Księgowość i rozliczenia płac"});
        QTest::keySequence(&w.dialog, QKeySequence(Qt::CTRL | Qt::Key_D));
        QCOMPARE(w.pickerAsked.last(), (std::pair<int, int>{1, 1}));
        QCOMPARE(w.listedIds(), QList<int>({4}));
        QCOMPARE(w.currentId(), 4);  // the employee shown before is not here: the first is current
        QCOMPARE(w.label("departmentNameLabel"), QString("Księgowość i rozliczenia płac"));
        QTRY_VERIFY(panel->width() > narrow + 50);
        // Switching is no change: nothing to confirm, and Anuluj closes without asking.
        QVERIFY(!w.button("okButton")->isEnabled());
        w.button("cancelButton")->click();
        QVERIFY(!w.dialog.isVisible());
        QVERIFY(w.desk.answers.shown.isEmpty());
    }
};

HALVANE_TEST(PersonnelDialogTest);
#include "PersonnelDialogTest.moc"
