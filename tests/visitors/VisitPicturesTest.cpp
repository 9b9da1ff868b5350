// Renders both pages of the visit editor on a demo visit to PNG files in the build folder
// (screenshots/), so they can be looked at as a receptionist sees them.
#include "db/DataSet.h"
#include "support/Find.h"
#include "support/Screenshot.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"
#include "visitors/VisitDialog.h"
#include "visitors/VisitsDialog.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>

using testsupport::child;

class VisitPicturesTest : public QObject {
    Q_OBJECT
private slots:
    void bothPagesOfADemoVisit()
    {
        testsupport::TestDatabase database(true);
        testsupport::TestDesk desk(database.db());
        // The demo visits are dated by the server's day, which is this computer's.
        desk.fixedClock.time = QDateTime(QDate::currentDate(), QTime(12, 0));
        VisitsDialog visitsRegister(desk);
        visitsRegister.open({1, 1, 1});
        QVERIFY(QTest::qWaitForWindowExposed(&visitsRegister));
        auto* visits = child<db::DataSet>(&visitsRegister, "visits");
        QVERIFY(visits->locate("ID", 2, 0));  // entered, not yet left, a message waiting
        visits->edit();
        auto* editor = child<VisitDialog>(&visitsRegister, "visitDialog");
        editor->open(VisitDialog::Mode::Edit);
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        QTest::qWait(300);  // the look-ups
        QVERIFY(testsupport::saveScreenshot(*editor, "wizyty_edycja.png"));
        child<QTabWidget>(editor, "pages")->setCurrentIndex(1);
        QTest::qWait(50);
        QVERIFY(testsupport::saveScreenshot(*editor, "wizyty_edycja_wiadomosc.png"));
        editor->reject();
        visitsRegister.reject();
    }
};

HALVANE_TEST(VisitPicturesTest);
#include "VisitPicturesTest.moc"
