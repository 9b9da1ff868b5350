// The staff list and the employee dialog rendered over the demo data, to be looked at.
#include "personnel/PersonnelDialog.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/Screenshot.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class PersonnelPicturesTest : public QObject {
    Q_OBJECT
private slots:
    void staffListAndEmployeeDialogOverTheDemoData()
    {
        testsupport::TestDatabase t(true);
        testsupport::TestDesk desk(t.db());
        PersonnelDialog dialog(desk);
        dialog.open({1, "Biuro Rachunkowe Żurawska i Wspólnicy", 1, "Księgowość", 1});
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QVERIFY(testsupport::saveScreenshot(dialog, "personel.png"));

        bool saved = false;
        QString surname;
        testsupport::ModalAction modal(
            [&](QWidget* d) {
                QTest::qWaitForWindowActive(d);
                surname = testsupport::child<QLineEdit>(d, "surnameEdit")->text();
                saved = testsupport::saveScreenshot(*d, "personel_edycja.png");
                testsupport::child<QPushButton>(d, "cancelButton")->click();
            },
            &dialog);
        testsupport::trigger(&dialog, "editAction");
        QVERIFY(saved);
        QCOMPARE(surname, QString("Kowalczyk"));
    }
};

HALVANE_TEST(PersonnelPicturesTest);
#include "PersonnelPicturesTest.moc"
