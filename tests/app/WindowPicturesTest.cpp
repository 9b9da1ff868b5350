// Renders each window, filled from the demo database, to PNG files in the build folder
// (screenshots/), so the windows can be looked at as a receptionist sees them.
#include "app/MainWindow.h"
#include "app/AboutDialog.h"
#include "calendar/DatePickerDialog.h"
#include "directory/CompaniesDialog.h"
#include "directory/DepartmentDialog.h"
#include "directory/TypedInputDialog.h"
#include "support/AppFixture.h"
#include "support/Screenshot.h"
#include "support/testmain.h"

#include <QDir>
#include <QTest>

class WindowPicturesTest : public QObject {
    Q_OBJECT
private:
    static void save(QWidget& window, const QString& name)
    {
        QVERIFY(testsupport::saveScreenshot(window, name));
    }

private slots:
    void mainWindowAndAbout()
    {
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        f.resize(1280, 800);
        // Second company, a sub-department with staff; the grid has the focus.
        f.PrzejdzDo(2, 7, 0);
        f.DBGrid2->setFocus();
        QTest::qWait(50);
        save(f, "glowne_okno.png");

        AboutDialog& about = f.Form_OProgramie();
        about.show();
        save(about, "o_programie.png");
        about.hide();
    }

    void companiesEditorAndItsDialogs()
    {
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        CompaniesDialog& firmy = app.form->Form_Firmy();
        firmy.Tryb = "EDYCJA";
        firmy.FirmaId = 2;
        firmy.DzialId = 8;
        firmy.resize(560, 640);
        firmy.show();
        QTest::qWait(50);
        save(firmy, "firmy.png");

        firmy.sqlDzialy.locate("ID", 8, 0);
        firmy.sqlDzialy.edit();
        DepartmentDialog& dzial = *firmy.findChild<DepartmentDialog*>();
        dzial.show();
        save(dzial, "firmy_edycja_dzialu.png");
        dzial.reject();

        TypedInputDialog& box = app.form->Form_InputBox();
        box.setWindowTitle("Dodaj firmę");
        box.Label = "Nazwa firmy:";
        box.Wartosc = "Spółdzielnia Mieszkaniowa „Łąka”";
        box.Typ = "STRING";
        box.MaxDlugosc = 128;
        box.show();
        save(box, "input_box.png");
        box.reject();
        firmy.reject();
    }

    void calendarOnMay2024()
    {
        testsupport::AppFixture app(false, false);
        DatePickerDialog& kalendarz = app.form->Form_Kalendarz();
        kalendarz.Data = QDate(2024, 5, 3);
        kalendarz.show();
        save(kalendarz, "kalendarz_2024_05.png");
        kalendarz.reject();
    }
};

HALVANE_TEST(WindowPicturesTest);
#include "WindowPicturesTest.moc"
