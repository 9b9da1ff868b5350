// Renders each window, filled from the demo database, to PNG files in the build folder
// (screenshots/), so the windows can be looked at as a receptionist sees them.
#include "app/Unit1.h"
#include "app/Unit_oprogramie.h"
#include "support/AppFixture.h"
#include "support/testmain.h"

#include <QDir>
#include <QTest>

class WindowPicturesTest : public QObject {
    Q_OBJECT
private:
    static QString folder()
    {
        const QString path = QCoreApplication::applicationDirPath() + "/screenshots/";
        QDir().mkpath(path);
        return path;
    }
    static void save(QWidget& window, const QString& name)
    {
        const QImage picture = window.grab().toImage();
        QVERIFY(!picture.isNull());
        QVERIFY(picture.save(folder() + name));
    }

private slots:
    void mainWindowAndAbout()
    {
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        TForm1& f = *app.form;
        f.resize(1280, 800);
        // Second company, a sub-department with staff; the grid has the focus.
        f.PrzejdzDo(2, 7, 0);
        f.DBGrid2->setFocus();
        QTest::qWait(50);
        save(f, "glowne_okno.png");

        TForm_OProgramie& about = f.Form_OProgramie();
        about.show();
        save(about, "o_programie.png");
        about.hide();
    }
};

HALVANE_TEST(WindowPicturesTest);
#include "WindowPicturesTest.moc"
