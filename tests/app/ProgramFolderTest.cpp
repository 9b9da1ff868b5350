// Where the import log lands: next to a program run from its build folder, in the settings
// folder for an installed program, whose own folder is never written.
#include "app/ProgramFolder.h"
#include "personnel/PersonnelCsv.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class ProgramFolderTest : public QObject {
    Q_OBJECT
private slots:
    void anInstalledProgramsImportLogGoesToTheSettingsFolder()
    {
        QTemporaryDir prefix;
        const QString programDir = prefix.path() + "/libexec/halvane";
        const QString settingsFolder = prefix.path() + "/home/Tervik/halvane/";
        QVERIFY(QDir().mkpath(programDir));
        QVERIFY(QDir().mkpath(settingsFolder));
        QVERIFY(QDir().mkpath(prefix.path() + "/share/halvane"));
        QFile schema(prefix.path() + "/share/halvane/schema.sql");
        QVERIFY(schema.open(QIODevice::WriteOnly));
        schema.close();

        const QString programFolder = app::writableProgramFolder(programDir);
        QCOMPARE(programFolder, QString());
        const personnelcsv::LogPlace place = personnelcsv::writeLog(
            "wiersz 2: OK\r\n", "log_importu.txt", {programFolder, settingsFolder});
        QCOMPARE(place.path, settingsFolder + "log_importu.txt");
        QVERIFY(QDir(programDir).isEmpty());
        QVERIFY(!QFile::exists(QDir::currentPath() + "/log_importu.txt"));
    }

    void aProgramRunFromItsBuildFolderWritesTheLogThere()
    {
        QTemporaryDir build;
        const QString programDir = build.path() + "/src";
        QVERIFY(QDir().mkpath(programDir));
        const QString programFolder = app::writableProgramFolder(programDir);
        QCOMPARE(programFolder, programDir + "/");
        const personnelcsv::LogPlace place = personnelcsv::writeLog(
            "wiersz 2: OK\r\n", "log_importu.txt", {programFolder, build.path() + "/"});
        QCOMPARE(place.path, programDir + "/log_importu.txt");
    }
};

HALVANE_TEST(ProgramFolderTest);
#include "ProgramFolderTest.moc"
