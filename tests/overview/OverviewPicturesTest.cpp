// Renders the five pages of the reception overview, filled from the demo database, to PNG
// files in the build folder (screenshots/), so they can be looked at as a receptionist
// sees them.
#include "overview/OverviewDialog.h"
#include "support/Find.h"
#include "support/Screenshot.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

#include <QTabWidget>
#include <QTest>

class OverviewPicturesTest : public QObject {
    Q_OBJECT
private slots:
    void everyPage()
    {
        testsupport::TestDatabase database(true);
        testsupport::TestDesk desk(database.db());
        // The demo's visits are today's.
        desk.fixedClock.time = QDateTime(QDate::currentDate(), QTime(13, 0));
        OverviewDialog window(desk);
        window.resize(1200, 560);
        window.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* tabs = testsupport::child<QTabWidget>(&window, "pageTabs");
        // A pass of a guest still waiting, said beside the scan box.
        QTest::keyClicks(testsupport::child<QWidget>(&window, "scanEdit"), "P-3\r");
        const char* const files[] = {"przeglad_w_budynku.png", "przeglad_oczekujacy.png",
                                     "przeglad_identyfikatory.png", "przeglad_wiadomosci.png",
                                     "przeglad_historia.png"};
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            QTest::qWait(20);
            QVERIFY(testsupport::saveScreenshot(window, files[page]));
        }
        window.reject();
    }
};

HALVANE_TEST(OverviewPicturesTest);
#include "OverviewPicturesTest.moc"
