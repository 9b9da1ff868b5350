// The main window: start-up with its settings, the connection and its failure, the
// browser of companies, departments and employees, and the window's drawing.
#include "app/MainWindow.h"
#include "app/Settings.h"
#include "controls/BoundTextEdit.h"
#include "controls/Colours.h"
#include "controls/DataGrid.h"
#include "controls/DepartmentTree.h"
#include "controls/Icons.h"
#include "directory/CompaniesDialog.h"
#include "support/AppFixture.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/testmain.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using testsupport::AppFixture;
using testsupport::child;

namespace {

// Today when asked, not when the suite began: a run may pass midnight.
QByteArray firstStart()
{
    return "[RODO]\nPierwszyStart=" + QDate::currentDate().toString(Qt::ISODate).toLatin1() + "\n";
}

const QStringList DataActions = {"companiesAction", "personnelAction", "guestsAction",
                                 "searchAction",    "visitsAction",    "overviewAction"};

QStringList treeTexts(controls::DepartmentTree& tree)
{
    QStringList texts;
    for (QStandardItem* node : tree.nodesInOrder()) {
        QString prefix;
        for (QStandardItem* parent = node->parent(); parent; parent = parent->parent())
            prefix += QStringLiteral("  ");
        texts << prefix + node->text();
    }
    return texts;
}

QStringList gridColumn(controls::DataGrid& grid, int column)
{
    QStringList texts;
    for (int row = 0; row < grid.model()->rowCount(); ++row)
        texts << grid.model()->index(row, column).data().toString();
    return texts;
}

bool enabled(QWidget& window, const QString& action)
{
    return child<QAction>(&window, action)->isEnabled();
}

QString text(QWidget& window, const QString& label)
{
    return child<QLabel>(&window, label)->text();
}

controls::DataGrid& grid(QWidget& window, const QString& name)
{
    return *child<controls::DataGrid>(&window, name);
}

controls::DepartmentTree& tree(QWidget& window)
{
    return *child<controls::DepartmentTree>(&window, QStringLiteral("departmentTree"));
}

// The ID of a grid's current row, 0 when it has none.
int currentId(controls::DataGrid& grid)
{
    const db::DataSet* set = grid.dataSet();
    if (!set || !set->active() || set->isEmpty())
        return 0;
    return set->field(QStringLiteral("ID")).asInteger();
}

int currentDepartment(QWidget& window)
{
    return controls::DepartmentTree::nodeId(tree(window).selectedNode());
}

void clickNode(controls::DepartmentTree& tree, QStandardItem* node)
{
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualRect(node->index()).center());
}

QString accessibleName(QObject* object)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QString();
}

// The visible controls under `face` that a screen reader cannot name.
QStringList unnamedControls(QAccessibleInterface* face)
{
    QStringList unnamed;
    for (int i = 0; i < face->childCount(); ++i) {
        QAccessibleInterface* item = face->child(i);
        if (!item || item->state().invisible)
            continue;
        // Panes, splitters and grips only hold the controls; they need no name.
        static const QList<QAccessible::Role> containers = {
            QAccessible::Client, QAccessible::Pane, QAccessible::Splitter, QAccessible::Grip,
            QAccessible::Separator};
        if (!containers.contains(item->role()) && item->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QStringLiteral("%1 '%2' (role %3)")
                           .arg(item->object() ? item->object()->metaObject()->className() : "?",
                                item->object() ? item->object()->objectName() : QString())
                           .arg(int(item->role()));
        unnamed << unnamedControls(item);
    }
    return unnamed;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startsWithoutASettingsFileOnTheDefaultDatabase()
    {
        AppFixture app(true);
        QFile::remove(app.settingsFolder() + "Halvane.ini");
        QVERIFY(QFile::copy(app.database()->path(), app.settingsFolder() + "HALVANE.FDB"));
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(f.database().connected());
        QCOMPARE(f.database().databaseName(), app.settingsFolder() + "HALVANE.FDB");
        QVERIFY2(app.prompts.shown.isEmpty(), qPrintable(app.prompts.messages().join("|")));
        QCOMPARE(text(f, "databaseCaptionLabel"), QString("Baza danych:"));
        QCOMPARE(text(f, "connectionStateLabel"), QString("localhost"));
        QCOMPARE(f.windowTitle(), QString("Tervik :: tvHalvane 1.1"));
        // The browser is filled: companies, the first company's tree and its first
        // department's staff.
        QCOMPARE(grid(f, "companyGrid").model()->rowCount(), 4);
        QCOMPARE(text(f, "companyNameLabel"), QString("Biuro Rachunkowe Żurawska i Wspólnicy"));
        QCOMPARE(treeTexts(tree(f)).first(), QString("Księgowość"));
        QCOMPARE(text(f, "departmentNameLabel"), QString("Księgowość"));
        QVERIFY(grid(f, "staffGrid").model()->rowCount() > 0);
        for (const QString& action : DataActions)
            QVERIFY2(enabled(f, action), qPrintable(action));
        QVERIFY(enabled(f, "infoAction"));
        QVERIFY(enabled(f, "backupAction"));
        // The day of the first start, and the defaults at exit, go into the new file.
        f.close();
        QCOMPARE(testsupport::modeOf(app.settingsFolder()) +
                     testsupport::modeOf(app.settingsFolder() + "Halvane.ini"),
                 QString("700600"));
        QCOMPARE(app.readIni(), firstStart() +
                                    "\n[FB]\nHost=localhost\nDir=" + app.settingsFolder().toUtf8() +
                                    "\nFile=HALVANE.FDB\nLastBackupDir=\n");
    }

    void databaseNames()
    {
        using app::databaseName;
        QCOMPARE(databaseName({"server1", "D:\\Dane\\", "X.FDB", ""}),
                 QString("server1:D:\\Dane\\X.FDB"));
        QCOMPARE(databaseName({"localhost", "D:\\Dane\\", "X.FDB", ""}),
                 QString("D:\\Dane\\X.FDB"));
        QCOMPARE(databaseName({"localhost", "D:\\Dane", "X.FDB", ""}), QString("D:\\DaneX.FDB"));
        QCOMPARE(databaseName({"LOCALHOST", "/srv/", "X.FDB", ""}),
                 QString("LOCALHOST:/srv/X.FDB"));
        QCOMPARE(databaseName({"127.0.0.1", "/srv/", "X.FDB", ""}),
                 QString("127.0.0.1:/srv/X.FDB"));
        QCOMPARE(databaseName({"", "/srv/", "X.FDB", ""}), QString(":/srv/X.FDB"));
    }

    void aFailedConnectionIsReportedOnceAndLeavesTheWindowUsable()
    {
        AppFixture app(false, false);  // nothing in the settings folder
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(!f.database().connected());
        QCOMPARE(app.prompts.beeps, 1);
        const QStringList messages = app.prompts.messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith("Błąd połączenia z bazą danych:\n"));
        QVERIFY2(messages[0].contains("HALVANE.FDB"),
                 qPrintable(messages[0]));  // the server's text
        QVERIFY(
            messages[0].endsWith("\n\nAby skonfigurować parametry połączenia kliknij w menu "
                                 "'Wybór bazy danych'"));
        QCOMPARE(text(f, "connectionStateLabel"), QString("Niepodłączony"));
        for (const QString& action : DataActions + QStringList{"infoAction", "backupAction"})
            QVERIFY2(!enabled(f, action), qPrintable(action));
        QVERIFY(enabled(f, "databaseChoiceAction"));
        QVERIFY(enabled(f, "aboutAction"));
        QVERIFY(enabled(f, "quitAction"));
        QCOMPARE(grid(f, "companyGrid").model()->rowCount(), 0);
        QCOMPARE(tree(f).nodeCount(), 0);

        // The database appears; going through "Wybór bazy danych" connects again, but the
        // backup action stays as the start-up decided.
        testsupport::TestDatabase db(true);
        QVERIFY(QFile::copy(db.path(), app.settingsFolder() + "HALVANE.FDB"));
        {
            // The database choice opens; closed untouched, it changes nothing.
            testsupport::ModalAction close([](QWidget* modal) { modal->close(); });
            testsupport::trigger(&f, "databaseChoiceAction");
            QVERIFY(close.acted());
        }
        QVERIFY(f.database().connected());
        QCOMPARE(text(f, "connectionStateLabel"), QString("localhost"));
        for (const QString& action : DataActions)
            QVERIFY2(enabled(f, action), qPrintable(action));
        QVERIFY(!enabled(f, "backupAction"));
        QCOMPARE(app.prompts.messages().size(), 1);
        QCOMPARE(grid(f, "companyGrid").model()->rowCount(), 4);
        // Settings were written on the way: the folder exists now.
        QVERIFY(app.readIni().contains("[FB]"));
    }

    void settingsAreWrittenAtExitInTheirOrder()
    {
        AppFixture app(false, false);
        app.writeIni("[Inne]\nKlucz=zostaje\n");
        QVERIFY(app.start());
        testsupport::trigger(app.form.get(), "quitAction");
        QVERIFY(!app.form->isVisible());
        QVERIFY(!app.form->database().connected());
        const QByteArray ini = app.readIni();
        QVERIFY2(ini.contains("[Inne]\nKlucz=zostaje\n"), ini.constData());
        const QByteArray fb = ini.mid(ini.indexOf("[FB]"));
        QCOMPARE(fb.trimmed(), "[FB]\nHost=localhost\nDir=" + app.settingsFolder().toUtf8() +
                                   "\nFile=HALVANE.FDB\nLastBackupDir=");
        // Values read back byte for byte.
        app.writeIni("[FB]\nHost=h\nDir=D:\\Dane\\\nFile=X.FDB\nLastBackupDir=D:\\Kopie\\\n");
        const app::Settings read = app::readSettings(app.settingsFolder());
        QCOMPARE(read.dir, QString("D:\\Dane\\"));
        QCOMPARE(read.lastBackupDir, QString("D:\\Kopie\\"));
    }

    void settingsOfTheOlderWindowsProgramKeepTheirLetters()
    {
        AppFixture app(false, false);
        // Windows-1250 bytes: "C:\Bazy\Księgowość\"; LastBackupDir holds a byte that
        // Windows-1250 does not define.
        const QByteArray written =
            "[FB]\r\nHost=localhost\r\nDir=C:\\Bazy\\Ksi\xEAgowo\x9C\xE6\\\r\n"
            "File=KADRY.FDB\r\nLastBackupDir=D:\\Kopie\x98\\\r\n";
        app.writeIni(written);
        const app::Settings read = app::readSettings(app.settingsFolder());
        QCOMPARE(read.dir, QString("C:\\Bazy\\Księgowość\\"));
        QCOMPARE(read.file, QString("KADRY.FDB"));
        QCOMPARE(read.unreadable.keys(), QStringList({"LastBackupDir"}));
        QVERIFY(app.start());
        QCOMPARE(app.form->database().databaseName(), QString("C:\\Bazy\\Księgowość\\KADRY.FDB"));
        app.form->close();
        // Written back in the file's own encoding; the setting that could not be read keeps
        // its bytes.
        const QByteArray after = app.readIni();
        QVERIFY2(after.contains("Dir=C:\\Bazy\\Ksi\xEAgowo\x9C\xE6\\"), after.constData());
        QVERIFY2(after.contains("LastBackupDir=D:\\Kopie\x98\\"), after.constData());
        QVERIFY2(!after.contains("\xEF\xBF\xBD"), after.constData());  // no replacement characters

        // A value changed in the program is written in the file's encoding.
        app::Settings changed = app::readSettings(app.settingsFolder());
        changed.lastBackupDir = QStringLiteral("D:\\Kopie\\Źródła\\");
        app::writeSettings(app.settingsFolder(), changed);
        QVERIFY2(app.readIni().contains("LastBackupDir=D:\\Kopie\\\x8Fr\xF3"
                                        "d\xB3"
                                        "a\\"),
                 app.readIni().constData());
        QCOMPARE(app::readSettings(app.settingsFolder()).lastBackupDir, changed.lastBackupDir);
    }

    void oddSettingsKeepTheProgramUp()
    {
        AppFixture app(false, true);
        // An empty host and a folder without its separator: the name is built as written.
        const QString dir = app.database()->folder();
        app.writeIni("[FB]\nHost=\nDir=" + dir.chopped(1).toUtf8() + "\nFile=\n");
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QCOMPARE(f.database().databaseName(), ":" + dir.chopped(1));
        QVERIFY(!f.database().connected());
        QCOMPARE(app.prompts.messages().size(), 1);
        QCOMPARE(text(f, "connectionStateLabel"), QString("Niepodłączony"));
        QVERIFY(enabled(f, "databaseChoiceAction"));
        f.close();
        // What was read is written back as it was, plus the missing key.
        QCOMPARE(app.readIni(), "[FB]\nHost=\nDir=" + dir.chopped(1).toUtf8() +
                                    "\nFile=\nLastBackupDir=\n\n" + firstStart());
    }

    void aServerThatDoesNotAnswer()
    {
        AppFixture app(false, false);
        app.writeIni("[FB]\nHost=127.0.0.1/1\nDir=/srv/\nFile=X.FDB\n");  // nothing listens there
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QCOMPARE(f.database().databaseName(), QString("127.0.0.1/1:/srv/X.FDB"));
        QVERIFY(!f.database().connected());
        QCOMPARE(app.prompts.messages().size(), 1);
        QVERIFY2(app.prompts.messages()[0].contains("127.0.0.1"),
                 qPrintable(app.prompts.messages()[0]));
        QCOMPARE(text(f, "connectionStateLabel"), QString("Niepodłączony"));
    }

    void anUnwritableSettingsFileStopsTheReconnection()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(f.database().connected());
        // The settings folder goes away; the program never creates it.
        QVERIFY(QDir(app.settingsFolder()).removeRecursively());
        {
            // The database choice opens; closed untouched, it changes nothing.
            testsupport::ModalAction close([](QWidget* modal) { modal->close(); });
            testsupport::trigger(&f, "databaseChoiceAction");
            QVERIFY(close.acted());
        }
        QCOMPARE(app.prompts.messages().size(), 1);
        QVERIFY2(app.prompts.messages()[0].startsWith("Nie można zapisać ustawień w pliku " +
                                                      app.settingsFolder() + "Halvane.ini"),
                 qPrintable(app.prompts.messages()[0]));
        QVERIFY(!f.database().connected());
        for (const QString& action : DataActions)
            QVERIFY2(!enabled(f, action), qPrintable(action));
        QVERIFY(enabled(f, "databaseChoiceAction"));
        // At exit the same failure is passed over in silence.
        f.close();
        QCOMPARE(app.prompts.messages().size(), 1);
    }

    void hintsGoToTheLastPanel()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        auto* search = child<QAction>(&f, "searchAction");
        QCOMPARE(search->statusTip(), QString("Szukaj pracownika"));
        QCOMPARE(search->shortcuts(),
                 QList<QKeySequence>({QKeySequence("Ctrl+F"), QKeySequence("F3")}));
        search->showStatusText(&grid(f, "staffGrid"));  // as the mouse over its button does
        QCOMPARE(text(f, "hintLabel"), QString("Szukaj pracownika"));
        QVERIFY(f.statusBar()->currentMessage().isEmpty());
    }

    void aSecondActivationDoesNotConnectAgain()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(f.database().connected());
        f.database().close();  // would show if a second attempt were made
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QApplication::setActiveWindow(&f);
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QVERIFY(!child<QTimer>(&f, "startTimer")->isActive());
        QTest::qWait(100);
        QVERIFY(!f.database().connected());
    }

    void theTreeShowsOnlyWhatLeadsToTheTop()
    {
        AppFixture app(false);
        app.database()->run({
            "insert into FIRMY (ID, NAZWA) values (1, 'Pierwsza')",
            "insert into FIRMY (ID, NAZWA) values (2, 'Druga')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (1, 1, 0, 5, 'Zarząd')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (2, 1, 0, 1, 'Biuro')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (3, 1, 1, 7, "
            "'Sekretariat')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (4, 1, 99, 2, "
            "'Sierota')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (5, 1, 4, 3, "
            "'Wnuk sieroty')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (6, 2, 0, 0, 'Obca')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (7, 1, 6, 4, 'Pod "
            "obcą')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (8, 1, null, 0, "
            "'Bez rodzica')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (9, 1, 1, 6, 'Kadry')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (10, 1, 1, 6, 'Płace')",
        });
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        controls::DepartmentTree& departments = tree(f);
        const QStringList texts = treeTexts(departments);
        QCOMPARE(texts.size(), 5);
        QCOMPARE(texts.mid(0, 2), QStringList({"Biuro", "Zarząd"}));
        QVERIFY(texts.mid(2, 2).contains("  Kadry") && texts.mid(2, 2).contains("  Płace"));
        QCOMPARE(texts[4], QString("  Sekretariat"));
        QCOMPARE(departments.selectedNode()->text(), QString("Biuro"));
        QCOMPARE(currentDepartment(f), 2);
        QCOMPARE(controls::DepartmentTree::nodeId(departments.nodesInOrder()[4]), 3);
        QVERIFY(controls::icon(controls::Picture::Department, 16).cacheKey() ==
                departments.nodesInOrder()[0]->icon().cacheKey());

        // A click on a node shows its department.
        clickNode(departments, departments.nodesInOrder()[4]);
        QCOMPARE(currentDepartment(f), 3);
        QCOMPARE(text(f, "departmentNameLabel"), QString("Sekretariat"));
        // A department that is not in the tree leaves the selection.
        departments.selectDepartment(4);
        departments.selectDepartment(0);
        QCOMPARE(currentDepartment(f), 3);
    }

    void aCompanyWithoutDepartmentsListsItsDepartmentZeroStaff()
    {
        AppFixture app(false);
        app.database()->run({
            "insert into FIRMY (ID, NAZWA) values (1, 'Bez działów')",
            "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (1, 1, 0, 'Jan', "
            "'Łoś')",
            "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (2, 1, 5, 'Ewa', "
            "'Inny dział')",
            "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (3, 1, 0, null, "
            "'Żak')",
            "insert into FIRMY (ID, NAZWA) values (2, 'Z działem')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (1, 2, 0, 0, 'Biuro')",
            "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO) values (4, 2, 7, 'Zgubiony')",
        });
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QCOMPARE(tree(f).nodeCount(), 0);
        QCOMPARE(text(f, "companyNameLabel"), QString("Bez działów"));
        QCOMPARE(text(f, "departmentNameLabel"), QString(" "));
        QCOMPARE(gridColumn(grid(f, "staffGrid"), 1),
                 QStringList({"Łoś Jan", "Inny dział Ewa", "Żak "}));
        QCOMPARE(currentId(grid(f, "staffGrid")), 1);
        QVERIFY(enabled(f, "infoAction"));
        f.goTo(2, 1, 0);
        clickNode(tree(f), tree(f).nodesInOrder().back());
        QCOMPARE(treeTexts(tree(f)) << text(f, "departmentNameLabel"),
                 QStringList({"Biuro", "(bez działu)", "(bez działu)"}));
        QCOMPARE(gridColumn(grid(f, "staffGrid"), 1), QStringList({"Zgubiony "}));
    }

    void anEmptyCompanyListLeavesInfoDisabledAndTheStaffClosed()
    {
        AppFixture app(false);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        controls::DataGrid& staff = grid(f, "staffGrid");
        QVERIFY(f.database().connected());
        QVERIFY(app.prompts.shown.isEmpty());
        QCOMPARE(tree(f).nodeCount(), 0);
        QVERIFY(!staff.dataSet()->active());
        QCOMPARE(staff.model()->rowCount(), 0);
        QCOMPARE(currentId(grid(f, "companyGrid")), 0);
        QVERIFY(!enabled(f, "infoAction"));
        for (const QString& action : DataActions)
            QVERIFY2(enabled(f, action), qPrintable(action));
        // Enter and double click in the empty grid do nothing.
        staff.setFocus();
        QTest::keyClick(&staff, Qt::Key_Return);
        QTest::mouseDClick(staff.viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(app.prompts.shown.isEmpty());
    }

    void rowsAndNodesAreColouredByFocusAndRecordNumber()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        controls::DataGrid& staff = grid(f, "staffGrid");
        controls::DataGrid& companies = grid(f, "companyGrid");
        controls::DepartmentTree& departments = tree(f);
        QVERIFY(staff.model()->rowCount() >= 3);
        const QColor window = staff.palette().color(QPalette::Base);
        staff.setFocus();
        QTRY_VERIFY(staff.hasFocus());
        QCOMPARE(staff.rowBackground(0), controls::windowsColor(0xF0CAA6));
        QCOMPARE(staff.rowBackground(1), window);
        QCOMPARE(staff.rowBackground(2), controls::windowsColor(0xF5F5F5));
        QCOMPARE(controls::windowsColor(0xF0CAA6), QColor(166, 202, 240));
        QTest::keyClick(&staff, Qt::Key_Down);
        QCOMPARE(staff.currentIndex().row(), 1);
        QCOMPARE(staff.dataSet()->recNo(), 2);
        QCOMPARE(staff.rowBackground(0), controls::windowsColor(0xF5F5F5));
        QCOMPARE(staff.rowBackground(1), controls::windowsColor(0xF0CAA6));
        departments.setFocus();
        QTRY_VERIFY(departments.hasFocus());
        QCOMPARE(staff.rowBackground(1), controls::windowsColor(0xCCCCCC));
        const QModelIndex selected = departments.selectedNode()->index();
        QCOMPARE(departments.nodeBackground(selected), controls::windowsColor(0xF0CAA6));
        QCOMPARE(companies.rowBackground(0), controls::windowsColor(0xCCCCCC));
        QCOMPARE(departments.nodeBackground(departments.nodesInOrder()[1]->index()),
                 departments.palette().color(QPalette::Base));
        // Moving in the company grid is a company change.
        companies.setFocus();
        QTest::keyClick(&companies, Qt::Key_Down);
        QCOMPARE(currentId(companies), 2);
        QCOMPARE(text(f, "companyNameLabel"), QString("Łódzkie Zakłady Informatyczne S.A."));
    }

    void floorOverRoomAndLandlineOverMobile()
    {
        AppFixture app(false);
        app.database()->run({
            "insert into FIRMY (ID, NAZWA) values (1, 'F')",
            "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, PIETRO, POKOJ, TELSTACJ, "
            "TELKOM) values (1, 1, 0, 'Kowal', '3', '12', '42 111', '600 222')",
        });
        QVERIFY(app.start());
        controls::DataGrid& staff = grid(*app.form, "staffGrid");
        staff.resize(900, 300);
        QCOMPARE(staff.model()->index(0, 3).data().toString(), QString("3\n12"));
        QCOMPARE(staff.model()->index(0, 4).data().toString(), QString("42 111\n600 222"));
        QCOMPARE(staff.model()->headerData(3, Qt::Horizontal).toString(),
                 QString("Piętro i pokój"));

        // Where ink lands in the cells: two lines, centred in "Piętro i pokój", 3 px in
        // "Telefony".
        const QImage image = staff.viewport()->grab().toImage();
        auto inkRows = [&](const QRect& cell) {
            int first = -1, last = -1, left = cell.right(), right = cell.left();
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    if (qGray(image.pixel(x, y)) < 100) {
                        first = first < 0 ? y : first;
                        last = y;
                        left = qMin(left, x);
                        right = qMax(right, x);
                    }
            return QRect(QPoint(left, first), QPoint(right, last));
        };
        const QRect floorCell = staff.visualRect(staff.model()->index(0, 3));
        const QRect floorInk = inkRows(floorCell);
        QVERIFY(floorInk.isValid());
        QVERIFY(floorInk.height() > QFontMetrics(*staff.dataModel().columns()[3].font).height());
        QVERIFY(qAbs((floorInk.center().x() - floorCell.center().x())) <= 2);
        const QRect phoneCell = staff.visualRect(staff.model()->index(0, 4));
        const QRect phoneInk = inkRows(phoneCell);
        QVERIFY(phoneInk.left() - phoneCell.left() >= 3 && phoneInk.left() - phoneCell.left() <= 5);
        QVERIFY(phoneInk.top() - phoneCell.top() >= 2);
    }

    void goingToRecordsAfterAWindowReturnsOk()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        controls::DataGrid& staff = grid(f, "staffGrid");
        // An employee of another company and department, as a window hands it back.
        const int person =
            app.database()
                ->scalar("select max(ID) from PERSONEL where FIRMA_ID = 2 and DZIAL_ID = 7")
                .toInt();
        QVERIFY(person > 0);
        f.goTo(2, 7, person);
        QCOMPARE(currentId(grid(f, "companyGrid")), 2);
        QCOMPARE(currentDepartment(f), 7);
        QCOMPARE(text(f, "departmentNameLabel"), QString("Sieci i serwery"));
        QCOMPARE(currentId(staff), person);
        QCOMPARE(staff.currentIndex().row(), staff.dataSet()->recNo() - 1);
        QCOMPARE(child<controls::BoundTextEdit>(&f, "notesEdit")->toPlainText(),
                 staff.dataSet()->field("INFO").asString());
        // Records that are gone leave the current ones.
        f.goTo(99, 999, 9999);
        QCOMPARE(currentId(grid(f, "companyGrid")), 2);
        QCOMPARE(currentDepartment(f), 6);  // the company change ran again: its first department
    }

    void theSearchTakesTheBrowserToItsEmployeeEvenInACompanyAddedSince()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        // Another desk adds a company with one employee after the list was read.
        app.database()->run({"insert into FIRMY (ID, NAZWA) values (90, 'Nowa firma')",
                             "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (900, "
                             "90, 0, 0, 'Recepcja')",
                             "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE) "
                             "values (9000, 90, 900, 'Zzyzx', 'Jan')"});
        testsupport::ModalAction choose([](QWidget* modal) {
            auto* surname = child<QLineEdit>(modal, "surnameEdit");
            QTest::keyClicks(surname, "Zzyzx");
            QTest::keyClick(surname, Qt::Key_Return);  // searches at once; the list takes the focus
            QTest::keyClick(child<QWidget>(modal, "resultGrid"), Qt::Key_Return);
        });
        testsupport::trigger(app.form.get(), "searchAction");
        QVERIFY(choose.acted());
        QCOMPARE(currentId(grid(*app.form, "companyGrid")), 90);
        QCOMPARE(currentDepartment(*app.form), 900);
        QCOMPARE(currentId(grid(*app.form, "staffGrid")), 9000);
        QCOMPARE(app.form->focusWidget(), child<QWidget>(app.form.get(), "staffGrid"));
    }

    void eachEmployeeAndVisitorActionOpensItsWindow_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("window");
        QTest::newRow("Personel") << "personnelAction"
                                  << "PersonnelDialog";
        QTest::newRow("Szukaj") << "searchAction"
                                << "EmployeeSearchDialog";
        QTest::newRow("Info") << "infoAction"
                              << "EmployeeInfoDialog";
        QTest::newRow("Goście") << "guestsAction"
                                << "GuestsDialog";
        QTest::newRow("Wizyty") << "visitsAction"
                                << "VisitsDialog";
        QTest::newRow("Przegląd") << "overviewAction"
                                  << "OverviewDialog";
    }

    void eachEmployeeAndVisitorActionOpensItsWindow()
    {
        QFETCH(QString, action);
        QFETCH(QString, window);
        AppFixture app(true);
        QVERIFY(app.start());
        app.prompts.clear();
        QString opened;
        testsupport::ModalAction close([&](QWidget* modal) {
            opened = modal->objectName();
            modal->close();
        });
        testsupport::trigger(app.form.get(), action);
        QCOMPARE(opened, window);
        QVERIFY(app.prompts.messages().isEmpty());
    }

    void ctrlPOpensTheOverviewFromTheEmployeeMenuAndTheToolbar()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        auto* overview = child<QAction>(&f, "overviewAction");
        QVERIFY(child<QMenu>(&f, "employeeMenu")->actions().contains(overview));
        QVERIFY(child<QToolBar>(&f, "toolBar")->actions().contains(overview));
        QString opened;
        testsupport::ModalAction close([&](QWidget* modal) {
            opened = modal->objectName();
            modal->close();
        });
        QTest::keyClick(&f, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(opened, QString("OverviewDialog"));

        // Each menu, and each item in its menu, has an Alt letter of its own; the captions
        // read as before.
        QStringList read, menuKeys;
        for (QAction* menu : f.menuBar()->actions()) {
            QStringList keys;
            for (QAction* item : QList<QAction*>{menu} + menu->menu()->actions()) {
                if (item->isSeparator())
                    continue;
                read << QString(item->text()).remove(u'&');
                QStringList& scope = item == menu ? menuKeys : keys;
                scope << QKeySequence::mnemonic(item->text()).toString();
                QVERIFY2(!scope.last().isEmpty() && scope.indexOf(scope.last()) == scope.size() - 1,
                         qPrintable(item->text()));
            }
        }
        QCOMPARE(read,
                 QStringList({"Dane", "Firmy", "Personel", "Goście", "Połącz ponownie", "Zakończ",
                              "Pracownik", "Szukaj", "Info", "Wizyty", "Przegląd", "Dodatki",
                              "O programie", "Kopia bazy danych", "Wybór bazy danych",
                              "Usuwanie danych osobowych", "Klauzula informacyjna", "Poczta",
                              "Aktualizacja bazy danych"}));
    }

    void aDoubleClickUnderTheListsOpensTheCompaniesEditor_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("connected");
        QTest::newRow("company list") << "companyGrid" << true;
        QTest::newRow("department tree") << "departmentTree" << true;
        QTest::newRow("company list, no connection") << "companyGrid" << false;
        QTest::newRow("department tree, no connection") << "departmentTree" << false;
    }

    void aDoubleClickUnderTheListsOpensTheCompaniesEditor()
    {
        QFETCH(QString, list);
        QFETCH(bool, connected);
        AppFixture app(true, connected);
        QVERIFY(app.start());
        app.prompts.clear();
        auto* view = child<QAbstractItemView>(app.form.get(), list);
        QWidget* area = view->viewport();
        const QPoint below(10, area->height() - 5);
        QVERIFY(!view->indexAt(below).isValid());  // nothing but empty space there
        bool editorOpened = false;
        testsupport::ModalAction cancel(
            [&](QWidget* modal) {
                editorOpened = qobject_cast<CompaniesDialog*>(modal) != nullptr;
                modal->close();
            },
            nullptr, 500);
        QTest::mouseDClick(area, Qt::LeftButton, {}, below);
        QTest::qWait(100);
        QCOMPARE(cancel.acted(), connected);
        QCOMPARE(editorOpened, connected);
        QVERIFY(app.prompts.shown.isEmpty());
    }

    void everyControlIsNamedAndPanelsExposeTheirData()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&f);
        QVERIFY(window);
        const QStringList unnamed = unnamedControls(window);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
        // What the panels and labels show reaches the accessibility tree.
        const QString connection = accessibleName(child<QLabel>(&f, "connectionStateLabel"));
        QVERIFY2(connection.contains("localhost"), qPrintable(connection));
        QVERIFY2(accessibleName(child<QLabel>(&f, "companyNameLabel"))
                     .contains("Biuro Rachunkowe Żurawska i Wspólnicy"),
                 qPrintable(accessibleName(child<QLabel>(&f, "companyNameLabel"))));
        QVERIFY(accessibleName(child<QLabel>(&f, "departmentNameLabel")).contains("Księgowość"));
        child<QAction>(&f, "searchAction")->showStatusText(&f);
        QVERIFY(accessibleName(child<QLabel>(&f, "hintLabel")).contains("Szukaj pracownika"));
    }

    void theAboutWindowOpensItsLinks()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        QWidget* about = nullptr;
        testsupport::ModalAction clickBoth([&](QWidget* modal) {
            about = modal;
            QTest::mouseClick(child<QLabel>(modal, "webLink"), Qt::LeftButton);
            QTest::mouseClick(child<QLabel>(modal, "emailLink"), Qt::LeftButton);
            QCOMPARE(child<QLabel>(modal, "webLink")->palette().color(QPalette::WindowText),
                     QColor(0, 0, 255));
            QCOMPARE(modal->windowTitle(), QString("O programie"));
            QCOMPARE(modal->size(), QSize(505, 292));
            qobject_cast<QDialog*>(modal)->reject();
        });
        testsupport::trigger(app.form.get(), "aboutAction");
        QVERIFY(clickBoth.acted());
        QCOMPARE(about->objectName(), QString("AboutDialog"));
        QCOMPARE(app.prompts.shown.size(), 2);
        QCOMPARE(app.prompts.shown[0].text, QString("https://www.tervik.example.com"));
        QCOMPARE(app.prompts.shown[1].text,
                 QString("mailto:biuro@tervik.example.com?subject=Halvane"));
    }
};

HALVANE_TEST(MainWindowTest);
#include "MainWindowTest.moc"
