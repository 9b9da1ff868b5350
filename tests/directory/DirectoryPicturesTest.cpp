// Renders the companies editor, its department dialog and the input box, filled from the
// demo database, to PNG files in the build folder (screenshots/).
#include "directory/CompaniesDialog.h"
#include "directory/TypedInputDialog.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/Screenshot.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class DirectoryPicturesTest : public QObject {
    Q_OBJECT
private slots:
    void companiesEditorAndItsDialogs()
    {
        testsupport::TestDatabase database(true);
        testsupport::TestDesk desk(database.db());
        CompaniesDialog companies(desk);
        companies.resize(560, 640);
        companies.open(CompaniesDialog::Mode::Edit, 2, 8);
        QVERIFY(QTest::qWaitForWindowExposed(&companies));
        QTest::qWait(50);
        QVERIFY(testsupport::saveScreenshot(companies, "firmy.png"));

        bool saved = false;
        QString shownName;
        {
            testsupport::ModalAction picture(
                [&](QWidget* dialog) {
                    shownName = testsupport::child<QLineEdit>(dialog, "nameEdit")->text();
                    saved = testsupport::saveScreenshot(*dialog, "firmy_edycja_dzialu.png");
                    qobject_cast<QDialog*>(dialog)->reject();
                },
                &companies);
            testsupport::trigger(&companies, "editDepartmentAction");
            QVERIFY(picture.acted());
        }
        QVERIFY(saved);
        QCOMPARE(shownName, QString("Dyżur techniczny"));
        testsupport::child<QPushButton>(&companies, "cancelButton")->click();

        TypedInputDialog box(desk.prompts());
        box.open({"Dodaj firmę", "Nazwa firmy:", "Spółdzielnia Mieszkaniowa „Łąka”",
                  desk::ValueType::Text, 128});
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QVERIFY(testsupport::saveScreenshot(box, "input_box.png"));
        box.reject();
    }
};

HALVANE_TEST(DirectoryPicturesTest);
#include "DirectoryPicturesTest.moc"
