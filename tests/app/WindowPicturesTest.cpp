// Renders the main window and the about window, filled from the demo database, to PNG
// files in the build folder (screenshots/), so they can be looked at as a receptionist
// sees them.
#include "app/AboutDialog.h"
#include "app/MainWindow.h"
#include "controls/DataGrid.h"
#include "support/AppFixture.h"
#include "support/Find.h"
#include "support/Screenshot.h"
#include "support/testmain.h"

#include <QLineEdit>
#include <QTest>

class WindowPicturesTest : public QObject {
    Q_OBJECT
private slots:
    void mainWindowAndAbout()
    {
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        f.resize(1280, 800);
        // Second company, a sub-department with staff; the grid has the focus.
        f.goTo(2, 7, 0);
        // A guest seen out through the scan box.
        auto* scanEdit = testsupport::child<QLineEdit>(&f, "scanEdit");
        app.prompts.answers.enqueue(true);
        QTest::keyClicks(scanEdit, "P-2");
        QTest::keyClick(scanEdit, Qt::Key_Return);
        testsupport::child<controls::DataGrid>(&f, "staffGrid")->setFocus();
        QTest::qWait(50);
        QVERIFY(testsupport::saveScreenshot(f, "glowne_okno.png"));

        auto* about = testsupport::child<AboutDialog>(&f, "AboutDialog");
        about->show();
        QVERIFY(testsupport::saveScreenshot(*about, "o_programie.png"));
        about->hide();
    }
};

HALVANE_TEST(WindowPicturesTest);
#include "WindowPicturesTest.moc"
