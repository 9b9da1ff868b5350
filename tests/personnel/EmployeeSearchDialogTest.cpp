// The employee search over a real database: what each criterion finds (typed quotes and
// wildcards taken literally, Polish capitals), when the search runs, the enabled states,
// choosing, and a search the server refuses.
#include "personnel/EmployeeSearch.h"
#include "personnel/EmployeeSearchDialog.h"

#include "controls/Colours.h"
#include "controls/DataGrid.h"
#include "db/DataSet.h"
#include "db/Database.h"
#include "support/Find.h"
#include "support/Screenshot.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/Typing.h"
#include "support/testmain.h"

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>

using testsupport::child;

Q_DECLARE_METATYPE(QList<int>)

namespace {

// Two companies with a department each, and the employees the cases look for; employee 9
// belongs to no department.
const QStringList Staff = {
    "insert into FIRMY (ID, NAZWA) values (1, 'Alfa')",
    "insert into FIRMY (ID, NAZWA) values (2, 'Beta')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (10, 1, 0, 0, 'Recepcja')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (20, 2, 0, 0, 'Kadry')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE, STANOWISKO, PIETRO, POKOJ) "
    "values (1, 1, 10, 'Kowalski', 'Jan', 'Kierownik', '1', '101')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE, STANOWISKO) "
    "values (2, 2, 20, 'Nowakowalska', 'Anna', 'Księgowa')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE, STANOWISKO) "
    "values (3, 1, 10, 'Zieliński', 'Łukasz', 'Kierowca')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE, STANOWISKO) "
    "values (4, 2, 20, 'Łysak', 'Piotr', 'Rabat 50%')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE, STANOWISKO) "
    "values (5, 2, 20, 'O''Brien', 'Sean', 'Rabat 500')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE, STANOWISKO) "
    "values (6, 2, 20, 'OBrien', 'Seamus', 'Rabat 50 zł')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE) values (7, 1, 10, 'a_b', 'Ola')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE) values (8, 1, 10, 'axb', 'Ala')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE) values (9, 1, 0, 'Kowalczyk', "
    "'Ewa')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE) values (11, 1, 10, 'a\\b', "
    "'Iza')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE) values (12, 1, 10, 'ab', 'Ida')",
};

struct SearchWindow {
    testsupport::TestDatabase database;
    testsupport::TestDesk desk{database.db()};
    EmployeeSearchDialog dialog{desk};
    QLineEdit* number = child<QLineEdit>(&dialog, "numberEdit");
    QLineEdit* surname = child<QLineEdit>(&dialog, "surnameEdit");
    QLineEdit* firstName = child<QLineEdit>(&dialog, "firstNameEdit");
    QLineEdit* position = child<QLineEdit>(&dialog, "positionEdit");
    QGroupBox* matchMode = child<QGroupBox>(&dialog, "matchModeGroup");
    controls::DataGrid* grid = child<controls::DataGrid>(&dialog, "resultGrid");
    QPushButton* ok = child<QPushButton>(&dialog, "okButton");
    QTimer* timer = child<QTimer>(&dialog, "searchTimer");
    db::DataSet* results = child<db::DataSet>(&dialog, "results");

    SearchWindow()
    {
        database.run(Staff);
        show();
    }
    void show()
    {
        dialog.open();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }
    // Types into a box and presses Enter there, as the receptionist does.
    void search(QLineEdit* box, const QString& text)
    {
        box->setFocus();
        testsupport::type(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    QList<int> found() const
    {
        QList<int> ids;
        if (!results->active())
            return ids;
        const int id = results->field("ID").index();
        for (int row = 0; row < results->recordCount(); ++row)
            ids << results->value(row, id).toInt();
        std::sort(ids.begin(), ids.end());
        return ids;
    }
};

}  // namespace

class EmployeeSearchDialogTest : public QObject {
    Q_OBJECT
private slots:
    void typedTextBecomesALiteralPattern_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("anywhere");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("begins with, lower case") << "KOWAL" << false << "kowal%";
        QTest::newRow("anywhere") << "KOWAL" << true << "%kowal%";
        QTest::newRow("Polish capitals") << "ŁUKASZ ŻÓŁĆ" << false << "łukasz żółć%";
        QTest::newRow("percent") << "50%" << false << "50\\%%";
        QTest::newRow("underscore") << "a_b" << true << "%a\\_b%";
        QTest::newRow("backslash") << "a\\b" << false << "a\\\\b%";
        QTest::newRow("apostrophe needs nothing") << "O'Brien" << false << "o'brien%";
        QTest::newRow("a blank counts") << " " << false << " %";
    }
    void typedTextBecomesALiteralPattern()
    {
        QFETCH(QString, typed);
        QFETCH(bool, anywhere);
        QFETCH(QString, pattern);
        using personnel::MatchMode;
        QCOMPARE(
            personnel::likePattern(typed, anywhere ? MatchMode::Anywhere : MatchMode::Beginning),
            pattern);
    }

    void textCriteriaAreJoinedInTheirFixedOrderAndNumberStandsAlone()
    {
        personnel::EmployeeCriteria criteria;
        QVERIFY(!personnel::composeEmployeeSearch(criteria));  // nothing given: nothing runs

        criteria.position = "Kier";
        criteria.surname = "Kow";
        criteria.firstName = "AN";
        auto search = personnel::composeEmployeeSearch(criteria);
        QVERIFY(search);
        const QStringList lines = search->sql.split('\n');
        QCOMPARE(lines.first(), QString("select"));
        QCOMPARE(lines.at(16),
                 QString("  ( lower(NAZWISKO) like cast(:nazwisko as varchar(130)) escape '\\' "
                         "and lower(IMIE) like cast(:imie as varchar(66)) escape '\\' and "
                         "lower(STANOWISKO) like cast(:stanowisko as varchar(130)) escape '\\' )"));
        QCOMPARE(lines.mid(17),
                 QStringList({"  and", "  F.ID = P.FIRMA_ID", "  and", "  D.ID = P.DZIAL_ID"}));
        QCOMPARE(search->params.size(), size_t(3));
        QCOMPARE(search->params[0].second.toString(), QString("kow%"));
        QCOMPARE(search->params[1].second.toString(), QString("an%"));

        criteria.number = "17";
        search = personnel::composeEmployeeSearch(criteria);
        QCOMPARE(search->sql.split('\n').at(16), QString("P.ID = :id"));
        QCOMPARE(search->params.size(), size_t(1));
        QCOMPARE(search->params[0].second, QVariant(17));
    }

    void searchFindsWhatTheCriteriaSay_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("anywhere");
        QTest::addColumn<QList<int>>("ids");
        QTest::newRow("KOWAL begins") << "surnameEdit"
                                      << "KOWAL" << false << QList<int>{1};
        QTest::newRow("KOWAL anywhere") << "surnameEdit"
                                        << "KOWAL" << true << QList<int>{1, 2};
        QTest::newRow("ŁUK finds Łukasz") << "firstNameEdit"
                                          << "ŁUK" << false << QList<int>{3};
        QTest::newRow("ł finds Łysak") << "surnameEdit"
                                       << "ł" << false << QList<int>{4};
        QTest::newRow("apostrophe") << "surnameEdit"
                                    << "O'Brien" << false << QList<int>{5};
        QTest::newRow("percent begins") << "positionEdit"
                                        << "Rabat 50%" << false << QList<int>{4};
        QTest::newRow("percent anywhere") << "positionEdit"
                                          << "50%" << true << QList<int>{4};
        QTest::newRow("underscore") << "surnameEdit"
                                    << "a_b" << false << QList<int>{7};
        QTest::newRow("backslash") << "surnameEdit"
                                   << "a\\b" << false << QList<int>{11};
        QTest::newRow("number") << "numberEdit"
                                << "1" << false << QList<int>{1};
        QTest::newRow("number with leading zeros") << "numberEdit"
                                                   << "0003" << false << QList<int>{3};
        QTest::newRow("number beyond any record") << "numberEdit"
                                                  << "4294967297" << false << QList<int>{};
        QTest::newRow("department 0 by surname") << "surnameEdit"
                                                 << "Kowalc" << false << QList<int>{};
        QTest::newRow("department 0 by number") << "numberEdit"
                                                << "9" << false << QList<int>{};
    }
    void searchFindsWhatTheCriteriaSay()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(bool, anywhere);
        QFETCH(QList<int>, ids);
        SearchWindow w;
        if (anywhere)
            QTest::mouseClick(child<QRadioButton>(&w.dialog, "anywhereButton"), Qt::LeftButton);
        w.search(child<QLineEdit>(&w.dialog, box), typed);
        QCOMPARE(w.found(), ids);
        QVERIFY(w.results->active());  // the statement ran, also when it found nothing
        QCOMPARE(w.ok->isEnabled(), !ids.isEmpty());
        QVERIFY(w.desk.answers.messages().isEmpty());
    }

    void criteriaTogetherNarrowTheSearch()
    {
        SearchWindow w;
        w.surname->setText("kow");
        w.firstName->setText("an");
        w.search(w.position, "");
        QCOMPARE(w.found(), QList<int>{});  // Kowalski is Jan, not An...
        QTest::mouseClick(child<QRadioButton>(&w.dialog, "anywhereButton"), Qt::LeftButton);
        QCOMPARE(w.found(), QList<int>({1, 2}));  // ...but "an" is in Jan and in Anna
        w.position->setText("księg");
        QTest::keyClick(w.position, Qt::Key_Return);
        QCOMPARE(w.found(), QList<int>{2});
    }

    void numberBoxTakesOnlyDigits()
    {
        SearchWindow w;
        w.number->setFocus();
        QTest::keyClicks(w.number, "1a2'b3%");
        QCOMPARE(w.number->text(), QString("123"));
        QTest::keyClicks(w.number, "45678901234");
        QCOMPARE(w.number->text().size(), 10);
    }

    void severalQuickKeysRunOneSearch()
    {
        SearchWindow w;
        QTRY_VERIFY(!w.timer->isActive());  // the search after clearing the boxes at show
        QSignalSpy searches(w.results, &db::DataSet::afterScroll);
        w.surname->setFocus();
        QTest::keyClicks(w.surname, "ko");
        QTest::qWait(100);
        QTest::keyClicks(w.surname, "w");
        QCOMPARE(w.timer->interval(), 400);
        QVERIFY(w.timer->isActive());
        QCOMPARE(searches.count(), 0);  // nothing runs while typing
        QTRY_VERIFY(!w.timer->isActive());
        QCOMPARE(searches.count(), 1);
        QCOMPARE(w.found(), QList<int>{1});
        QVERIFY(w.ok->isEnabled());
    }

    void enterSearchesAtOnceAndASecondEnterChooses()
    {
        SearchWindow w;
        w.surname->setFocus();
        testsupport::type(w.surname, "Łys");
        QVERIFY(w.timer->isActive());
        QVERIFY(!w.ok->isDefault());
        QTest::keyClick(w.surname, Qt::Key_Return);
        QVERIFY(!w.timer->isActive());
        QCOMPARE(w.found(), QList<int>{4});
        QVERIFY(w.grid->hasFocus());
        QVERIFY(w.ok->isDefault());  // only while the grid has the focus
        QCOMPARE(w.grid->rowBackground(0),
                 controls::windowsColor(controls::colours::CurrentFocused));
        QVERIFY(testsupport::saveScreenshot(w.dialog, "EmployeeSearchDialog.png"));
        QTest::keyClick(w.grid, Qt::Key_Return);
        QCOMPARE(w.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(w.dialog.choice().employeeId, 4);
        QCOMPARE(w.dialog.choice().companyId, 2);
        QCOMPARE(w.dialog.choice().departmentId, 20);
        QCOMPARE(w.dialog.choice().surnameFirstName, QString("Łysak Piotr"));
    }

    void defaultButtonLeavesWithTheGridsFocus()
    {
        SearchWindow w;
        w.search(w.surname, "Kowal");
        QVERIFY(w.ok->isDefault());
        w.firstName->setFocus();
        QVERIFY(!w.ok->isDefault());
        QCOMPARE(w.grid->rowBackground(0),
                 controls::windowsColor(controls::colours::CurrentUnfocused));
        QTest::keyClick(w.firstName, Qt::Key_Return);  // no running delay: no search, to the grid
        QVERIFY(w.grid->hasFocus());
        QVERIFY(w.dialog.isVisible());
    }

    void oneKindOfCriterionDisablesAndGreysTheOther_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("disabled");
        QTest::newRow("number") << "numberEdit"
                                << QStringList{"surnameEdit", "firstNameEdit", "positionEdit"};
        QTest::newRow("surname") << "surnameEdit" << QStringList{"numberEdit"};
        QTest::newRow("first name") << "firstNameEdit" << QStringList{"numberEdit"};
        QTest::newRow("position") << "positionEdit" << QStringList{"numberEdit"};
    }
    void oneKindOfCriterionDisablesAndGreysTheOther()
    {
        QFETCH(QString, box);
        QFETCH(QStringList, disabled);
        SearchWindow w;
        const QColor normal = w.surname->palette().color(QPalette::Base);
        const QColor grey = controls::windowsColor(controls::colours::InactiveBox);
        QLineEdit* typed = child<QLineEdit>(&w.dialog, box);
        typed->setFocus();
        QTest::keyClicks(typed, "1");
        for (QLineEdit* edit : {w.number, w.surname, w.firstName, w.position}) {
            const bool off = disabled.contains(edit->objectName());
            QCOMPARE(edit->isEnabled(), !off);
            QCOMPARE(edit->palette().color(QPalette::Base), off ? grey : normal);
            QCOMPARE(qobject_cast<QLabel*>(
                         child<QLabel>(&w.dialog, edit->objectName().replace("Edit", "Label")))
                         ->isEnabled(),
                     !off);
        }
        QCOMPARE(w.matchMode->isEnabled(), box != "numberEdit");
        QTest::keyClick(typed, Qt::Key_Backspace);
        for (QLineEdit* edit : {w.number, w.surname, w.firstName, w.position}) {
            QVERIFY(edit->isEnabled());
            QCOMPARE(edit->palette().color(QPalette::Base), normal);
        }
        QVERIFY(w.matchMode->isEnabled());
    }

    void nothingIsChosenFromAnEmptyResult()
    {
        SearchWindow w;
        QVERIFY(!w.ok->isEnabled());  // all boxes empty: nothing runs
        QVERIFY(!w.results->active());
        QTest::mouseDClick(w.grid->viewport(), Qt::LeftButton);
        w.search(w.surname, "Nikt");
        QCOMPARE(w.found(), QList<int>{});
        QVERIFY(!w.ok->isEnabled());
        QTest::mouseDClick(w.grid->viewport(), Qt::LeftButton);
        QTest::keyClick(w.grid, Qt::Key_Return);
        QVERIFY(w.dialog.isVisible());
        QTest::keyClick(w.grid, Qt::Key_Escape);
        QCOMPARE(w.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(w.dialog.choice().employeeId, 0);
    }

    void doubleClickChoosesTheRowAndCancelKeepsTheLastChoice()
    {
        SearchWindow w;
        w.search(w.surname, "Zieliński");
        const QRect cell = w.grid->visualRect(w.grid->model()->index(0, 1));
        QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(w.grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(w.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(w.dialog.choice().employeeId, 3);

        w.show();
        w.search(w.surname, "Kowalski");
        QTest::mouseClick(child<QPushButton>(&w.dialog, "cancelButton"), Qt::LeftButton);
        QCOMPARE(w.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(w.dialog.choice().employeeId, 3);
    }

    void reopeningStartsEmptyWithTheMatchModeKept()
    {
        SearchWindow w;
        QTest::mouseClick(child<QRadioButton>(&w.dialog, "anywhereButton"), Qt::LeftButton);
        w.search(w.surname, "kowal");
        QCOMPARE(w.found(), QList<int>({1, 2}));
        w.dialog.reject();
        QVERIFY(!w.timer->isActive());
        w.show();
        for (QLineEdit* edit : {w.number, w.surname, w.firstName, w.position})
            QVERIFY(edit->text().isEmpty());
        QVERIFY(w.surname->hasFocus());
        QCOMPARE(w.grid->model()->rowCount(), 0);
        QVERIFY(!w.ok->isEnabled());
        QVERIFY(child<QRadioButton>(&w.dialog, "anywhereButton")->isChecked());
    }

    void aRefusedSearchLeavesNothingToChoose()
    {
        SearchWindow w;
        w.search(w.surname, "Kowal");
        QVERIFY(w.ok->isEnabled());
        // The connection is lost: another desk's administrator ends it.
        auto admin = w.database.connect();
        admin->execute(
            "delete from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> "
            "current_connection and MON$SYSTEM_FLAG = 0");
        admin->transaction().commitRetaining();
        w.surname->setFocus();
        QTest::keyClicks(w.surname, "s");
        QTest::keyClick(w.surname, Qt::Key_Return);
        QCOMPARE(w.desk.answers.messages().size(), 1);  // the error is reported once
        QCOMPARE(w.grid->model()->rowCount(), 0);
        QVERIFY(!w.ok->isEnabled());
        QTest::keyClick(w.grid, Qt::Key_Return);
        QTest::mouseDClick(w.grid->viewport(), Qt::LeftButton);
        QVERIFY(w.dialog.isVisible());
        QCOMPARE(w.dialog.choice().employeeId, 0);
    }

    void everyControlHasAnAccessibleName()
    {
        SearchWindow w;
        QCOMPARE(w.dialog.objectName(), QString("EmployeeSearchDialog"));
        QCOMPARE(w.dialog.windowTitle(), QString("Szukaj pracownika"));
        const QList<QWidget*> widgets = w.dialog.findChildren<QWidget*>();
        int named = 0;
        for (QWidget* widget : widgets) {
            if (!qobject_cast<QLineEdit*>(widget) && !qobject_cast<QLabel*>(widget) &&
                !qobject_cast<QAbstractButton*>(widget) && !qobject_cast<QGroupBox*>(widget) &&
                widget != w.grid)
                continue;
            if (widget != w.grid && w.grid->isAncestorOf(widget))
                continue;  // the grid's own corner button
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(accessible);
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(),
                     qPrintable(widget->objectName()));
            ++named;
        }
        QCOMPARE(named, 4 + 4 + 1 + 2 + 1 + 2);  // boxes, labels, group, modes, grid, buttons
    }
};

HALVANE_TEST(EmployeeSearchDialogTest);
#include "EmployeeSearchDialogTest.moc"
