// The main window: start-up with its settings, the connection and its failure, the
// browser of companies, departments and employees, and the window's drawing.
#include "app/MainWindow.h"
#include "controls/Icons.h"
#include "app/AboutDialog.h"
#include "app/Settings.h"
#include "controls/Colours.h"
#include "support/AppFixture.h"
#include "support/Modal.h"
#include "support/testmain.h"

#include <QFile>
#include <QStatusBar>
#include <QTest>

using testsupport::AppFixture;

namespace {

QStringList treeTexts(controls::DepartmentTree& tree)
{
    QStringList texts;
    for (QStandardItem* node : tree.nodesInOrder()) {
        QString prefix;
        for (QStandardItem* p = node->parent(); p; p = p->parent())
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

const QStringList kDataActions = {"aFirmy", "aPersonel", "aGoscie", "aSzukaj", "aWizyty"};

bool enabled(MainWindow& form, const QString& action)
{
    return form.findChild<QAction*>(action)->isEnabled();
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
        QCOMPARE(f.Host, QString("localhost"));
        QCOMPARE(f.Dir, app.settingsFolder());
        QCOMPARE(f.File, QString("HALVANE.FDB"));
        QCOMPARE(f.LastBackupDir, QString());
        QCOMPARE(f.NazwaBazy(), app.settingsFolder() + "HALVANE.FDB");
        QVERIFY(f.IBDatabase1.connected());
        QCOMPARE(f.IBDatabase1.databaseName(), app.settingsFolder() + "HALVANE.FDB");
        QVERIFY2(app.prompts.shown.isEmpty(), qPrintable(app.prompts.messages().join("|")));
        QCOMPARE(f.PanelStatusu[0]->text(), QString("Baza danych:"));
        QCOMPARE(f.PanelStatusu[1]->text(), QString("localhost"));
        QCOMPARE(f.windowTitle(), QString("Tervik :: tvHalvane 1.1"));
        // The browser is filled: companies, the first company's tree and its first
        // department's staff.
        QCOMPARE(f.DBGrid1->model()->rowCount(), 4);
        QCOMPARE(f.Label4->text(), QString("Biuro Rachunkowe Żurawska i Wspólnicy"));
        QCOMPARE(treeTexts(*f.TreeView1).first(), QString("Księgowość"));
        QCOMPARE(f.Label6->text(), QString("Księgowość"));
        QVERIFY(f.DBGrid2->model()->rowCount() > 0);
        for (const QString& a : kDataActions)
            QVERIFY2(enabled(f, a), qPrintable(a));
        QVERIFY(enabled(f, "aInfo"));
        QVERIFY(enabled(f, "aKopiaBazyDanych"));
    }

    void databaseNames()
    {
        using app::databaseName;
        QCOMPARE(databaseName({"server1", "D:\\Dane\\", "X.FDB", ""}), QString("server1:D:\\Dane\\X.FDB"));
        QCOMPARE(databaseName({"localhost", "D:\\Dane\\", "X.FDB", ""}), QString("D:\\Dane\\X.FDB"));
        QCOMPARE(databaseName({"localhost", "D:\\Dane", "X.FDB", ""}), QString("D:\\DaneX.FDB"));
        QCOMPARE(databaseName({"LOCALHOST", "/srv/", "X.FDB", ""}), QString("LOCALHOST:/srv/X.FDB"));
        QCOMPARE(databaseName({"127.0.0.1", "/srv/", "X.FDB", ""}), QString("127.0.0.1:/srv/X.FDB"));
        QCOMPARE(databaseName({"", "/srv/", "X.FDB", ""}), QString(":/srv/X.FDB"));
    }

    void aFailedConnectionIsReportedOnceAndLeavesTheWindowUsable()
    {
        AppFixture app(false, false);  // nothing in the settings folder
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(!f.IBDatabase1.connected());
        QCOMPARE(app.prompts.beeps, 1);
        const QStringList messages = app.prompts.messages();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith("Błąd połączenia z bazą danych:\n"));
        QVERIFY2(messages[0].contains("HALVANE.FDB"), qPrintable(messages[0]));  // the server's text
        QVERIFY(messages[0].endsWith("\n\nAby skonfigurować parametry połączenia kliknij w menu "
                                     "'Wybór bazy danych'"));
        QCOMPARE(f.PanelStatusu[1]->text(), QString("Niepodłączony"));
        for (const QString& a : kDataActions + QStringList{"aInfo", "aKopiaBazyDanych"})
            QVERIFY2(!enabled(f, a), qPrintable(a));
        QVERIFY(enabled(f, "aWyborBazyDanych"));
        QVERIFY(enabled(f, "aOProgramie"));
        QVERIFY(enabled(f, "aZakoncz"));
        QCOMPARE(f.DBGrid1->model()->rowCount(), 0);
        QCOMPARE(f.TreeView1->nodeCount(), 0);

        // The database appears; going through "Wybór bazy danych" connects again, but the
        // backup action stays as the start-up decided.
        testsupport::TestDatabase db(true);
        QVERIFY(QFile::copy(db.path(), app.settingsFolder() + "HALVANE.FDB"));
        f.aWyborBazyDanych->trigger();
        QVERIFY(f.IBDatabase1.connected());
        QCOMPARE(f.PanelStatusu[1]->text(), QString("localhost"));
        for (const QString& a : kDataActions)
            QVERIFY2(enabled(f, a), qPrintable(a));
        QVERIFY(!enabled(f, "aKopiaBazyDanych"));
        QCOMPARE(app.prompts.messages().size(), 1);
        QCOMPARE(f.DBGrid1->model()->rowCount(), 4);
        // Settings were written on the way: the folder exists now.
        QVERIFY(app.readIni().contains("[FB]"));
    }

    void settingsAreWrittenAtExitInTheirOrder()
    {
        AppFixture app(false, false);
        app.writeIni("[Inne]\nKlucz=zostaje\n");
        QVERIFY(app.start());
        app.form->LastBackupDir = "D:\\Kopie\\";
        app.form->Dir = "D:\\Dane\\";
        app.form->close();
        QVERIFY(!app.form->IBDatabase1.connected());
        const QByteArray ini = app.readIni();
        QVERIFY2(ini.contains("[Inne]\nKlucz=zostaje\n"), ini.constData());
        const QByteArray fb = ini.mid(ini.indexOf("[FB]"));
        QCOMPARE(fb.trimmed(), QByteArray("[FB]\nHost=localhost\nDir=D:\\Dane\\\nFile=HALVANE.FDB\n"
                                          "LastBackupDir=D:\\Kopie\\"));
        // And they read back byte for byte.
        const app::Settings u = app::readSettings(app.settingsFolder());
        QCOMPARE(u.Dir, QString("D:\\Dane\\"));
        QCOMPARE(u.LastBackupDir, QString("D:\\Kopie\\"));
    }

    void oddSettingsKeepTheProgramUp()
    {
        AppFixture app(false, true);
        // An empty host and a folder without its separator: the name is built as written.
        const QString dir = app.database()->folder();
        app.writeIni("[FB]\nHost=\nDir=" + dir.chopped(1).toUtf8() + "\nFile=\n");
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QCOMPARE(f.Host, QString());
        QCOMPARE(f.File, QString());
        QCOMPARE(f.LastBackupDir, QString());
        QCOMPARE(f.NazwaBazy(), ":" + dir.chopped(1));
        QVERIFY(!f.IBDatabase1.connected());
        QCOMPARE(app.prompts.messages().size(), 1);
        QCOMPARE(f.PanelStatusu[1]->text(), QString("Niepodłączony"));
        QVERIFY(enabled(f, "aWyborBazyDanych"));
        f.close();
        // What was read is written back as it was, plus the missing key.
        QCOMPARE(app.readIni(), "[FB]\nHost=\nDir=" + dir.chopped(1).toUtf8() + "\nFile=\nLastBackupDir=\n");
    }

    void aServerThatDoesNotAnswer()
    {
        AppFixture app(false, false);
        app.writeIni("[FB]\nHost=127.0.0.1/1\nDir=/srv/\nFile=X.FDB\n");  // nothing listens there
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QCOMPARE(f.IBDatabase1.databaseName(), QString("127.0.0.1/1:/srv/X.FDB"));
        QVERIFY(!f.IBDatabase1.connected());
        QCOMPARE(app.prompts.messages().size(), 1);
        QVERIFY2(app.prompts.messages()[0].contains("127.0.0.1"), qPrintable(app.prompts.messages()[0]));
        QCOMPARE(f.PanelStatusu[1]->text(), QString("Niepodłączony"));
    }

    void anUnwritableSettingsFileStopsTheReconnection()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(f.IBDatabase1.connected());
        f.KatalogUstawien = app.settingsFolder() + "nie-ma/";
        f.aWyborBazyDanych->trigger();
        QCOMPARE(app.prompts.messages(),
                 QStringList({"Unable to write to " + f.KatalogUstawien + "Halvane.ini"}));
        QVERIFY(!f.IBDatabase1.connected());
        for (const QString& a : kDataActions)
            QVERIFY2(!enabled(f, a), qPrintable(a));
        QVERIFY(enabled(f, "aWyborBazyDanych"));
        // At exit the same failure is passed over in silence.
        f.close();
        QCOMPARE(app.prompts.messages().size(), 1);
    }

    void hintsGoToTheLastPanel()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QCOMPARE(f.aSzukaj->statusTip(), QString("Szukaj pracownika"));
        QCOMPARE(f.aSzukaj->shortcuts(), QList<QKeySequence>({QKeySequence("Ctrl+F"), QKeySequence("F3")}));
        f.aSzukaj->showStatusText(f.DBGrid2);
        QCOMPARE(f.PanelStatusu[2]->text(), QString("Szukaj pracownika"));
        QVERIFY(f.statusBar()->currentMessage().isEmpty());
    }

    void aSecondActivationDoesNotConnectAgain()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(f.IBDatabase1.connected());
        f.IBDatabase1.close();  // would show if a second attempt were made
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QApplication::setActiveWindow(&f);
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QVERIFY(!f.timer_Start.isActive());
        QTest::qWait(100);
        QVERIFY(!f.IBDatabase1.connected());
    }

    void theTreeShowsOnlyWhatLeadsToTheTop()
    {
        AppFixture app(false);
        app.database()->run({
            "insert into FIRMY (ID, NAZWA) values (1, 'Pierwsza')",
            "insert into FIRMY (ID, NAZWA) values (2, 'Druga')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (1, 1, 0, 5, 'Zarząd')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (2, 1, 0, 1, 'Biuro')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (3, 1, 1, 7, 'Sekretariat')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (4, 1, 99, 2, 'Sierota')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (5, 1, 4, 3, 'Wnuk sieroty')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (6, 2, 0, 0, 'Obca')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (7, 1, 6, 4, 'Pod obcą')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (8, 1, null, 0, 'Bez rodzica')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (9, 1, 1, 6, 'Kadry')",
            "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (10, 1, 1, 6, 'Płace')",
        });
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        const QStringList tree = treeTexts(*f.TreeView1);
        QCOMPARE(tree.size(), 5);
        QCOMPARE(tree.mid(0, 2), QStringList({"Biuro", "Zarząd"}));
        QVERIFY(tree.mid(2, 2).contains("  Kadry") && tree.mid(2, 2).contains("  Płace"));
        QCOMPARE(tree[4], QString("  Sekretariat"));
        QCOMPARE(f.TreeView1->selectedNode()->text(), QString("Biuro"));
        QCOMPARE(f.BiezacyDzial(), 2);
        QCOMPARE(controls::DepartmentTree::nodeId(f.TreeView1->nodesInOrder()[4]), 3);
        QVERIFY(controls::icon(controls::Picture::Department, 16).cacheKey() == f.TreeView1->nodesInOrder()[0]->icon().cacheKey());

        // selectDepartment selects by number and leaves the selection for an unknown one.
        f.TreeView1->selectDepartment(3);
        QCOMPARE(f.BiezacyDzial(), 3);
        QCOMPARE(f.Label6->text(), QString("Sekretariat"));
        f.TreeView1->selectDepartment(4);
        f.TreeView1->selectDepartment(0);
        QCOMPARE(f.BiezacyDzial(), 3);
    }

    void aCompanyWithoutDepartmentsListsItsDepartmentZeroStaff()
    {
        AppFixture app(false);
        app.database()->run({
            "insert into FIRMY (ID, NAZWA) values (1, 'Bez działów')",
            "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (1, 1, 0, 'Jan', 'Łoś')",
            "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (2, 1, 5, 'Ewa', 'Inny dział')",
            "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO) values (3, 1, 0, null, 'Żak')",
        });
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QCOMPARE(f.TreeView1->nodeCount(), 0);
        QCOMPARE(f.Label4->text(), QString("Bez działów"));
        QCOMPARE(f.Label6->text(), QString(" "));
        QCOMPARE(gridColumn(*f.DBGrid2, 1), QStringList({"Łoś Jan", "Żak "}));
        QCOMPARE(f.BiezacyPracownik(), 1);
        QVERIFY(enabled(f, "aInfo"));
    }

    void anEmptyCompanyList()
    {
        AppFixture app(false);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(f.IBDatabase1.connected());
        QVERIFY(app.prompts.shown.isEmpty());
        QCOMPARE(f.TreeView1->nodeCount(), 0);
        QVERIFY(!f.sqlPersonel.active());
        QCOMPARE(f.DBGrid2->model()->rowCount(), 0);
        QCOMPARE(f.BiezacaFirma(), 0);
        QVERIFY(!enabled(f, "aInfo"));
        for (const QString& a : kDataActions)
            QVERIFY2(enabled(f, a), qPrintable(a));
        // Enter and double click in the empty grid do nothing.
        f.DBGrid2->setFocus();
        QTest::keyClick(f.DBGrid2, Qt::Key_Return);
        f.DBGrid2DblClick();
        QVERIFY(app.prompts.shown.isEmpty());
    }

    void rowsAndNodesAreColouredByFocusAndRecordNumber()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        QVERIFY(f.DBGrid2->model()->rowCount() >= 3);
        const QColor window = f.DBGrid2->palette().color(QPalette::Base);
        f.DBGrid2->setFocus();
        QTRY_VERIFY(f.DBGrid2->hasFocus());
        QCOMPARE(f.DBGrid2->rowBackground(0), controls::windowsColor(0xF0CAA6));
        QCOMPARE(f.DBGrid2->rowBackground(1), window);
        QCOMPARE(f.DBGrid2->rowBackground(2), controls::windowsColor(0xF5F5F5));
        QCOMPARE(controls::windowsColor(0xF0CAA6), QColor(166, 202, 240));
        f.sqlPersonel.setRecNo(2);
        QCOMPARE(f.DBGrid2->currentIndex().row(), 1);
        QCOMPARE(f.DBGrid2->rowBackground(0), controls::windowsColor(0xF5F5F5));
        QCOMPARE(f.DBGrid2->rowBackground(1), controls::windowsColor(0xF0CAA6));
        f.TreeView1->setFocus();
        QTRY_VERIFY(f.TreeView1->hasFocus());
        QCOMPARE(f.DBGrid2->rowBackground(1), controls::windowsColor(0xCCCCCC));
        const QModelIndex selected = f.TreeView1->selectedNode()->index();
        QCOMPARE(f.TreeView1->nodeBackground(selected), controls::windowsColor(0xF0CAA6));
        QCOMPARE(f.DBGrid1->rowBackground(0), controls::windowsColor(0xCCCCCC));
        QCOMPARE(f.TreeView1->nodeBackground(f.TreeView1->nodesInOrder()[1]->index()),
                 f.TreeView1->palette().color(QPalette::Base));
        // Moving in the company grid is a company change.
        f.DBGrid1->setFocus();
        f.DBGrid1->setCurrentIndex(f.DBGrid1->model()->index(1, 0));
        QCOMPARE(f.BiezacaFirma(), 2);
        QCOMPARE(f.Label4->text(), QString("Łódzkie Zakłady Informatyczne S.A."));
    }

    void floorOverRoomAndLandlineOverMobile()
    {
        AppFixture app(false);
        app.database()->run({
            "insert into FIRMY (ID, NAZWA) values (1, 'F')",
            "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, PIETRO, POKOJ, TELSTACJ, TELKOM) "
            "values (1, 1, 0, 'Kowal', '3', '12', '42 111', '600 222')",
        });
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        f.DBGrid2->resize(900, 300);
        QCOMPARE(f.DBGrid2->model()->index(0, 3).data().toString(), QString("3\n12"));
        QCOMPARE(f.DBGrid2->model()->index(0, 4).data().toString(), QString("42 111\n600 222"));
        QCOMPARE(f.DBGrid2->model()->headerData(3, Qt::Horizontal).toString(), QString("Piętro i pokój"));

        // Where ink lands in the cells: two lines, centred in "Piętro i pokój", 3 px in
        // "Telefony".
        const QImage image = f.DBGrid2->viewport()->grab().toImage();
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
        const QRect floorCell = f.DBGrid2->visualRect(f.DBGrid2->model()->index(0, 3));
        const QRect floorInk = inkRows(floorCell);
        QVERIFY(floorInk.isValid());
        QVERIFY(floorInk.height() > QFontMetrics(*f.DBGrid2->dataModel().columns()[3].font).height());
        QVERIFY(qAbs((floorInk.center().x() - floorCell.center().x())) <= 2);
        const QRect phoneCell = f.DBGrid2->visualRect(f.DBGrid2->model()->index(0, 4));
        const QRect phoneInk = inkRows(phoneCell);
        QVERIFY(phoneInk.left() - phoneCell.left() >= 3 && phoneInk.left() - phoneCell.left() <= 5);
        QVERIFY(phoneInk.top() - phoneCell.top() >= 2);
    }

    void goingToRecordsAfterAWindowReturnsOk()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        // An employee of another company and department, as a window hands it back.
        const int person = app.database()
                               ->scalar("select max(ID) from PERSONEL where FIRMA_ID = 2 and DZIAL_ID = 7")
                               .toInt();
        QVERIFY(person > 0);
        f.PrzejdzDo(2, 7, person);
        QCOMPARE(f.BiezacaFirma(), 2);
        QCOMPARE(f.BiezacyDzial(), 7);
        QCOMPARE(f.Label6->text(), QString("Sieci i serwery"));
        QCOMPARE(f.BiezacyPracownik(), person);
        QCOMPARE(f.DBGrid2->currentIndex().row(), f.sqlPersonel.recNo() - 1);
        QVERIFY(f.DBMemo1->toPlainText() == f.sqlPersonel.field("INFO").asString());
        // Records that are gone leave the current ones.
        f.PrzejdzDo(99, 999, 9999);
        QCOMPARE(f.BiezacaFirma(), 2);
        QCOMPARE(f.BiezacyDzial(), 6);  // the company change ran again: its first department
    }

    void theAboutWindowOpensItsLinks()
    {
        AppFixture app(true);
        QVERIFY(app.start());
        AboutDialog& about = app.form->Form_OProgramie();
        testsupport::ModalAction clickBoth([&](QWidget* modal) {
            QCOMPARE(modal, static_cast<QWidget*>(&about));
            QTest::mouseClick(about.Label4, Qt::LeftButton);
            QTest::mouseClick(about.Label5, Qt::LeftButton);
            about.reject();
        });
        app.form->aOProgramie->trigger();
        QVERIFY(clickBoth.acted());
        QCOMPARE(about.windowTitle(), QString("O programie"));
        QCOMPARE(about.size(), QSize(505, 292));
        QCOMPARE(app.prompts.shown.size(), 2);
        QCOMPARE(app.prompts.shown[0].text, QString("https://www.tervik.example.com"));
        QCOMPARE(app.prompts.shown[1].text, QString("mailto:biuro@tervik.example.com?subject=Halvane"));
        QCOMPARE(about.Label4->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    }
};

HALVANE_TEST(MainWindowTest);
#include "MainWindowTest.moc"
