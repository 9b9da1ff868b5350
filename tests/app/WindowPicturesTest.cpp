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

#include <QLabel>
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
        // F2, and a guest seen out through the scan box.
        auto* scanEdit = testsupport::child<QWidget>(&f, "scanEdit");
        QTest::keyClick(&f, Qt::Key_F2);
        QVERIFY(scanEdit->hasFocus());
        app.prompts.answers.enqueue(true);
        QTest::keyClicks(scanEdit, "P-2\r");
        const QString said = testsupport::child<QLabel>(&f, "scanMessageLabel")->text();
        QVERIFY2(said.startsWith("Wyjście: Bielecka Halina "), qPrintable(said));
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
