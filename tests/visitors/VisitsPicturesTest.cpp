// Renders the visits register filled from the demo database to PNG files in the build
// folder (screenshots/): today's visits, and a week with a search that matches nothing.
#include "support/Find.h"
#include "support/Screenshot.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/Typing.h"
#include "support/testmain.h"
#include "visitors/VisitsDialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTest>

class VisitsPicturesTest : public QObject {
    Q_OBJECT
private slots:
    void registerWithTheDemoVisits()
    {
        testsupport::TestDatabase database(true);
        testsupport::TestDesk desk(database.db());
        // The demo visits are dated by the server's day, which is this computer's.
        desk.fixedClock.time = QDateTime(QDate::currentDate(), QTime(12, 0));
        VisitsDialog visits(desk);
        visits.resize(1100, 420);
        visits.open({1, 1, 1});
        QVERIFY(QTest::qWaitForWindowExposed(&visits));
        QTest::qWait(50);
        QVERIFY(testsupport::saveScreenshot(visits, "wizyty.png"));

        using testsupport::child;
        child<QDateEdit>(&visits, "fromDateEdit")->setDate(QDate::currentDate().addDays(-7));
        child<QComboBox>(&visits, "searchColumnBox")->setCurrentText("Pracownik");
        testsupport::type(child<QLineEdit>(&visits, "searchEdit"), "ślu");
        QTest::qWait(50);
        QVERIFY(testsupport::saveScreenshot(visits, "wizyty_tydzien.png"));
        child<QLineEdit>(&visits, "searchEdit")->setText("Żaden");
        QVERIFY(testsupport::saveScreenshot(visits, "wizyty_brak.png"));
        child<QDateEdit>(&visits, "fromDateEdit")->setDate(QDate::currentDate().addDays(1));
        QVERIFY(testsupport::saveScreenshot(visits, "wizyty_odwrotny_zakres.png"));
        visits.reject();
    }
};

HALVANE_TEST(VisitsPicturesTest);
#include "VisitsPicturesTest.moc"
