// The removal of old personal data in the program: its keys in Halvane.ini beside the
// database's, and the reminder in the status bar at start-up.
#include "admin/DatabasePurge.h"
#include "admin/PersonalDataRemoval.h"
#include "app/MainWindow.h"
#include "app/Settings.h"
#include "support/AppFixture.h"
#include "support/Find.h"
#include "support/testmain.h"

#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

using testsupport::AppFixture;
using testsupport::child;

class PersonalDataSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void theRemovalKeysLeaveEveryOtherByteOfTheFile_data()
    {
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QByteArray>("newLine");
        QTest::newRow("as the program writes it")
            << QByteArray(
                   "[FB]\nHost=localhost\nDir=/srv/dane/Zażółć/\nFile=HALVANE.FDB\n"
                   "LastBackupDir=/srv/kopie/\n\n[Inne]\nKlucz=zostaje\n")
            << QByteArray("\n");
        // Windows-1250 "Księgowość", a byte Windows-1250 does not define, a comment.
        QTest::newRow("as the older Windows program wrote it")
            << QByteArray(
                   "; ustawienia\r\n[FB]\r\nHost=serwer1\r\nDir=C:\\Bazy\\Ksi\xEAgowo\x9C\xE6\\"
                   "\r\nFile=KADRY.FDB\r\nLastBackupDir=D:\\Kopie\x98\\\r\n")
            << QByteArray("\r\n");
    }
    void theRemovalKeysLeaveEveryOtherByteOfTheFile()
    {
        QFETCH(QByteArray, written);
        QFETCH(QByteArray, newLine);
        const QTemporaryDir folder;
        const QString settingsFolder = folder.path() + u'/';
        QFile file(settingsFolder + "Halvane.ini");
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(written) == written.size());
        file.close();
        const app::Settings before = app::readSettings(settingsFolder);

        app::writeSettingsValue(settingsFolder, "RODO", "Miesiace", "24");
        app::writeSettingsValue(settingsFolder, "RODO", "Ostatnio", "2026-03-05");
        app::writeSettingsValue(settingsFolder, "RODO", "Miesiace", "36");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray after = file.readAll();
        file.close();
        QCOMPARE(after, written + newLine + "[RODO]" + newLine + "Miesiace=36" + newLine +
                            "Ostatnio=2026-03-05" + newLine);
        QCOMPARE(app::readSettingsValue(settingsFolder, "RODO", "Miesiace"), QString("36"));
        QCOMPARE(app::readSettingsValue(settingsFolder, "RODO", "Ostatnio"), QString("2026-03-05"));
        const app::Settings read = app::readSettings(settingsFolder);
        QCOMPARE(QStringList({read.host, read.dir, read.file, read.lastBackupDir}),
                 QStringList({before.host, before.dir, before.file, before.lastBackupDir}));

        // The program's own writing at exit keeps the removal's keys, and the file as it is.
        app::writeSettings(settingsFolder, read);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), after);
    }

    void theStartUpReminderShowsInTheHintPanel_data()
    {
        QTest::addColumn<QByteArray>("removal");
        QTest::addColumn<bool>("reminded");
        QTest::addColumn<int>("erasedDaysAgo");    // an erasure waiting for the purge; 0: none
        const QDate today = QDate::currentDate();  // the main window runs on the system clock
        // Counted from the first start, which a new installation stores.
        QTest::newRow("a new installation") << QByteArray() << false << 0;
        QTest::newRow("never, first started 32 days ago")
            << "[RODO]\nPierwszyStart=" + today.addDays(-32).toString(Qt::ISODate).toLatin1() + "\n"
            << true << 0;
        QTest::newRow("40 days ago")
            << "[RODO]\nOstatnio=" + today.addDays(-40).toString(Qt::ISODate).toLatin1() + "\n"
            << true << 0;
        QTest::newRow("yesterday")
            << "[RODO]\nOstatnio=" + today.addDays(-1).toString(Qt::ISODate).toLatin1() + "\n"
            << false << 0;
        // Erased values waiting for the purge longer than 7 days (the default) are said after
        // connecting.
        const QByteArray yesterday =
            "[RODO]\nOstatnio=" + today.addDays(-1).toString(Qt::ISODate).toLatin1() + "\n";
        QTest::newRow("an erasure waiting 6 days") << yesterday << false << 6;
        QTest::newRow("an erasure waiting 8 days") << yesterday << false << 8;
        QTest::newRow("8 days, purge after 10") << yesterday + "Oczyszczanie=10\n" << false << 8;
    }
    void theStartUpReminderShowsInTheHintPanel()
    {
        QFETCH(QByteArray, removal);
        QFETCH(bool, reminded);
        QFETCH(int, erasedDaysAgo);
        AppFixture app(false, true);
        app.writeIni(app.readIni() + "\n" + removal);
        if (erasedDaysAgo > 0)
            app.database()->run({QStringLiteral("insert into USUNIECIA (ID, DTUSUNIECIA, GOSC_ID) "
                                                "values (1, dateadd(-%1 day to localtimestamp), 5)")
                                     .arg(erasedDaysAgo)});
        QVERIFY(app.start());
        const QString text = admin::removalReminderText();
        const bool overdue = erasedDaysAgo > 7 && !removal.contains("Oczyszczanie=10");
        QCOMPARE(child<QLabel>(app.form.get(), "hintLabel")->text(),
                 overdue    ? admin::purgeReminderText()
                 : reminded ? text
                            : QString());
        QVERIFY(!app.prompts.messages().contains(text));  // never in a message box
        if (removal.isEmpty())
            QVERIFY(app.readIni().contains("PierwszyStart=" +
                                           QDate::currentDate().toString(Qt::ISODate).toLatin1()));
        auto* action = child<QAction>(app.form.get(), "personalDataAction");
        QVERIFY(child<QMenu>(app.form.get(), "extrasMenu")->actions().contains(action));
        QVERIFY(action->isEnabled());
    }
};

HALVANE_TEST(PersonalDataSettingsTest);
#include "PersonalDataSettingsTest.moc"
