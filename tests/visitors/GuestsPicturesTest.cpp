// Renders the guest list and its guest dialog, filled from the demo database, to PNG files
// in the build folder (screenshots/).
#include "support/Find.h"
#include "support/Modal.h"
#include "support/Screenshot.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/Typing.h"
#include "support/testmain.h"
#include "visitors/GuestsDialog.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

class GuestsPicturesTest : public QObject {
    Q_OBJECT
private slots:
    void guestListAndGuestDialog()
    {
        testsupport::TestDatabase database(true);
        testsupport::TestDesk desk(database.db());
        GuestsDialog guests(desk);
        guests.open(GuestsDialog::Mode::Pick, 7);
        QVERIFY(QTest::qWaitForWindowExposed(&guests));
        QApplication::setActiveWindow(&guests);
        QVERIFY(QTest::qWaitForWindowActive(&guests));
        auto* search = testsupport::child<QLineEdit>(&guests, "searchEdit");
        testsupport::type(testsupport::child<QWidget>(&guests, "guestGrid"), "hoł");
        QCOMPARE(search->text(), QString("hoł"));
        QCOMPARE(testsupport::child<QPlainTextEdit>(&guests, "infoEdit")->toPlainText(),
                 QString("Kandydat na stanowisko programisty"));
        QTest::qWait(50);
        QVERIFY(testsupport::saveScreenshot(guests, "goscie.png"));

        bool saved = false;
        QString shownName;
        {
            testsupport::ModalAction picture(
                [&](QWidget* dialog) {
                    shownName = testsupport::child<QLineEdit>(dialog, "nameEdit")->text();
                    saved = testsupport::saveScreenshot(*dialog, "goscie_edycja.png");
                    qobject_cast<QDialog*>(dialog)->reject();
                },
                &guests);
            testsupport::trigger(&guests, "editAction");
            QVERIFY(picture.acted());
        }
        QVERIFY(saved);
        QCOMPARE(shownName, QString("Hołownia Błażej"));
        guests.reject();
    }
};

HALVANE_TEST(GuestsPicturesTest);
#include "GuestsPicturesTest.moc"
