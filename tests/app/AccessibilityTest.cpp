// Every window of the program as a screen reader meets it, on the demo data: each control
// has a name, and each label that shows data says what it shows.
#include "app/MainWindow.h"
#include "support/AccessibleNames.h"
#include "support/AppFixture.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/testmain.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>

namespace {

void openNext(QDialog* window, const QString& name)
{
    if (auto* button = window->findChild<QPushButton*>(name))
        button->click();
    else
        testsupport::trigger(window, name);
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void everyWindowNamesItsControlsAndSaysWhatItsLabelsShow_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("chain");  // window=what opens the next
        QTest::newRow("companies, company name, department")
            << "companiesAction"
            << QStringList{"CompaniesDialog=addCompanyAction", "TypedInputDialog"};
        QTest::newRow("department")
            << "companiesAction"
            << QStringList{"CompaniesDialog=editDepartmentAction", "DepartmentDialog"};
        QTest::newRow("personnel, employee")
            << "personnelAction" << QStringList{"PersonnelDialog=editAction", "EmployeeDialog"};
        QTest::newRow("search") << "searchAction" << QStringList{"EmployeeSearchDialog"};
        QTest::newRow("information") << "infoAction" << QStringList{"EmployeeInfoDialog"};
        QTest::newRow("guests, guest")
            << "guestsAction" << QStringList{"GuestsDialog=editAction", "GuestDialog"};
        QTest::newRow("visits, visit, calendar")
            << "visitsAction"
            << QStringList{"VisitsDialog=addAction", "GuestsDialog=okButton",
                           "VisitDialog=arrivalDateButton", "DatePickerDialog"};
        QTest::newRow("overview") << "overviewAction" << QStringList{"OverviewDialog"};
        QTest::newRow("about") << "aboutAction" << QStringList{"AboutDialog"};
        QTest::newRow("backup") << "backupAction" << QStringList{"BackupDialog"};
        QTest::newRow("database choice") << "databaseChoiceAction" << QStringList{"DatabaseDialog"};
        QTest::newRow("personal data removal")
            << "personalDataAction" << QStringList{"PersonalDataDialog"};
        QTest::newRow("database upgrade")
            << "upgradeAction" << QStringList{"DatabaseUpgradeDialog"};
        QTest::newRow("information clause")
            << "informationClauseAction" << QStringList{"InformationClauseDialog"};
        QTest::newRow("mail") << "mailAction" << QStringList{"MailDialog"};
        QTest::newRow("guests, a guest's personal data")
            << "guestsAction" << QStringList{"GuestsDialog=personalDataAction", "GuestDataDialog"};
    }
    void everyWindowNamesItsControlsAndSaysWhatItsLabelsShow()
    {
        QFETCH(QString, action);
        QFETCH(QStringList, chain);
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        f.goTo(1, 1, 1);
        f.setClosingWindows(true);  // the windows close without their questions
        QStringList faults;
        QStringList walked;
        std::vector<testsupport::ModalScript::Step> steps;
        for (const QString& link : chain) {
            const QString window = link.section(u'=', 0, 0);
            const QString opensNext = link.section(u'=', 1);
            steps.push_back({window, [&faults, &walked, window, opensNext](QDialog* w) {
                                 QTest::qWait(250);  // the look-ups of a new visit
                                 walked << window;
                                 for (const QString& fault : testsupport::unnamedControls(*w))
                                     faults << window + u' ' + fault;
                                 if (!opensNext.isEmpty())
                                     openNext(w, opensNext);
                                 else
                                     w->done(QDialog::Rejected);
                             }});
        }
        // The windows that opened the last one close after it, the innermost first.
        for (int i = chain.size() - 2; i >= 0; --i) {
            const QString window = chain[i].section(u'=', 0, 0);
            if (chain[i].endsWith("=okButton"))
                continue;  // it closed itself
            steps.push_back({window, [](QDialog* w) { w->done(QDialog::Rejected); }});
        }
        testsupport::ModalScript script(std::move(steps));
        testsupport::trigger(&f, action);
        QTRY_VERIFY_WITH_TIMEOUT(script.finished() && !QApplication::activeModalWidget(), 5000);
        QCOMPARE(walked.size(), chain.size());
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
        QCOMPARE(testsupport::unnamedControls(f), QStringList());
    }
};

HALVANE_TEST(AccessibilityTest);
#include "AccessibilityTest.moc"
