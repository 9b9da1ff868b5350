// Ending the program from outside: a signal from the system (a logout, a service stop,
// Ctrl+C in a terminal) ends the program its normal way, with the settings written, the
// uncommitted work rolled back and the database let go.
#include "app/MainWindow.h"
#include "app/Termination.h"
#include "db/Attach.h"
#include "db/DataSet.h"
#include "directory/CompaniesDialog.h"
#include "personnel/PersonnelCsv.h"
#include "support/AppFixture.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/SilentServer.h"
#include "support/TestDatabase.h"
#include "support/testmain.h"
#include <QDialog>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// True when the process has the file open, as an attached database is.
bool holdsFile(qint64 pid, const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& fd :
         fds.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (fd.symLinkTarget() == canonical)
            return true;
    }
    return false;
}

}  // namespace

class TerminationTest : public QObject {
    Q_OBJECT
private slots:
    void aSignalClosesTheOpenWindowsAndRollsBackTheirWork()
    {
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        app::Termination termination(&f,
                                     /*mainLoopLevel*/ 0);  // the tests run no loop of their own
        // Work in the shared transaction that nobody committed.
        f.database().execute("insert into FIRMY (ID, NAZWA) values (99, 'Niezatwierdzona')");
        bool editorOpen = false;
        testsupport::ModalAction stop([&](QWidget* modal) {
            editorOpen = qobject_cast<CompaniesDialog*>(modal) != nullptr;
            std::raise(SIGTERM);
        });
        testsupport::trigger(&f, "companiesAction");
        QVERIFY(stop.acted());
        QVERIFY(editorOpen);
        QVERIFY(!stop.timedOut());  // the signal closed it, not the watchdog
        QTRY_VERIFY(!f.isVisible());
        QVERIFY(termination.ending());
        QVERIFY(!f.database().connected());
        QVERIFY(app.readIni().contains("LastBackupDir="));
        QCOMPARE(app.database()->scalar("select count(*) from FIRMY where ID = 99").toInt(), 0);
        QVERIFY(app.prompts.shown.isEmpty());  // no question stood in the way
    }

    // A new visit counts as changed; the signal closes it, the guest list it opened and
    // the register without a single question.
    void aSignalWhileAVisitIsAddedAsksNothing()
    {
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        f.goTo(1, 1, 1);
        app::Termination termination(&f, /*mainLoopLevel*/ 0);
        const int visits = app.database()->scalar("select count(*) from WIZYTY").toInt();
        testsupport::ModalScript script(
            {{"VisitsDialog", [](QDialog* w) { testsupport::trigger(w, "addAction"); }},
             {"GuestsDialog", [](QDialog*) { std::raise(SIGTERM); }}});
        testsupport::trigger(&f, "visitsAction");
        QTRY_VERIFY_WITH_TIMEOUT(!f.isVisible(), 5000);
        QVERIFY(script.finished());
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(app.prompts.shown.size(), 0);
        QVERIFY(!f.database().connected());
        QCOMPARE(app.database()->scalar("select count(*) from WIZYTY").toInt(), visits);
    }

    // The import must stop before the personnel window closes under it.
    void aSignalDuringAnImportStopsItBeforeTheWindowsClose()
    {
        testsupport::AppFixture app(true);
        QVERIFY(app.start());
        MainWindow& f = *app.form;
        app::Termination termination(&f, /*mainLoopLevel*/ 0);
        QTemporaryDir folder;
        const QString path = folder.path() + "/duzy.csv";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(personnelcsv::Header) + "\r\n");
        for (int i = 0; i < 60000; ++i)
            file.write(";Nazwisko" + QByteArray::number(i) + ";Jan;Alfa;Biuro;;;;;;\r\n");
        file.close();
        app.prompts.fileNames.enqueue(path);
        const int employees = app.database()->scalar("select count(*) from PERSONEL").toInt();

        bool importRunningAtClose = true;
        testsupport::ModalScript script(
            {{"PersonnelDialog",
              [&](QDialog* w) {
                  connect(w, &QDialog::finished, this, [&importRunningAtClose, w] {
                      importRunningAtClose = w->findChild<QDialog*>("CsvProgressDialog");
                  });
                  testsupport::trigger(w, "importAction");
              }},
             {"CsvProgressDialog", [](QDialog*) { std::raise(SIGTERM); }}});
        testsupport::trigger(&f, "personnelAction");
        QTRY_VERIFY_WITH_TIMEOUT(!f.isVisible(), 20000);
        QVERIFY(script.finished());
        QVERIFY(!importRunningAtClose);
        QVERIFY(!f.database().connected());
        QCOMPARE(app.database()->scalar("select count(*) from PERSONEL").toInt(), employees);
    }

    void aSignalEndsTheRunningProgramItsNormalWay_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("stalledServer");  // whose attach the program gave up
        QTest::newRow("SIGTERM") << SIGTERM << false;
        QTest::newRow("SIGINT") << SIGINT << false;
        QTest::newRow("SIGHUP") << SIGHUP << false;
        QTest::newRow("SIGTERM, stalled server") << SIGTERM << true;
    }

    void aSignalEndsTheRunningProgramItsNormalWay()
    {
        QFETCH(int, signal);
        QFETCH(bool, stalledServer);
        testsupport::SilentServer stalled(testsupport::SilentServer::Kind::AnswersOnce);
        // A copy of a fresh database that this process never opened: the program is the
        // one that works on it.
        QTemporaryDir data;
        const QString settingsFolder = data.path() + "/Tervik/halvane/";
        QVERIFY(QDir().mkpath(settingsFolder));
        const QString databasePath = settingsFolder + "HALVANE.FDB";
        {
            testsupport::TestDatabase fresh(true);
            QVERIFY(QFile::copy(fresh.path(), databasePath));
        }
        const QString ini = settingsFolder + "Halvane.ini";
        QVERIFY(!QFile::exists(ini));  // the defaults name the copy
        QFile stalledIni(ini);
        if (stalledServer && (!stalledIni.open(QIODevice::WriteOnly) ||
                              stalledIni.write("[FB]\nHost=" + stalled.host().toUtf8() +
                                               "\nDir=/tmp/\nFile=nic.fdb\n") < 0))
            QFAIL("the settings file was not written");
        stalledIni.close();

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_DATA_HOME", data.path());
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QCoreApplication::applicationDirPath() + "/../src/halvane", {});
        QVERIFY2(program.waitForStarted(5000), qPrintable(program.errorString()));
        // Running and attached to its database, or having given up the stalled server.
        if (stalledServer)
            QTest::qWait((db::fb::AttachTimeout + 4) * 1000);
        else
            QVERIFY(QTest::qWaitFor([&] { return holdsFile(program.processId(), databasePath); },
                                    10000));
        QTest::qWait(300);  // the company list and the rest of the browser are loaded

        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(program.processId()), signal);
        // A couple of seconds on a quiet machine; the margin is for a machine under load.
        const bool ended = program.waitForFinished(8000);
        if (!ended) {
            program.kill();
            program.waitForFinished(3000);
        }
        QVERIFY2(ended, "the program was still running 8 s after the signal");
        qInfo("ended %lld ms after the signal", clock.elapsed());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // Its normal way out wrote the settings; the database is free and whole.
        QFile written(ini);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains("LastBackupDir="));
        if (stalledServer)
            return;
        db::Database again;
        again.setDatabaseName(databasePath);
        again.setParamsText(QString::fromLatin1(testsupport::kTestParams));
        again.open();
        db::DataSet companies(again);
        companies.setSelectSql("select count(*) from FIRMY");
        companies.open();
        QCOMPARE(companies.value(0, 0).toInt(), 4);
    }
};

HALVANE_TEST(TerminationTest);
#include "TerminationTest.moc"
