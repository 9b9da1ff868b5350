// Figures of backup and restore on a large building: a fresh database of 100,000 employees,
// backed up and restored through the backup window (the embedded service manager, output in
// the log) and through gbak with the same service manager on the same files, one after the
// other in each round. Prints one line per figure: the best of three rounds.
#include "admin/BackupDialog.h"
#include "admin/BackupService.h"
#include "support/ServerDatabase.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <algorithm>
#include <cstdio>

namespace {

constexpr auto FillStaff = R"(execute block as
declare i integer = 0;
begin
  while (i < 100000) do
  begin
    i = i + 1;
    insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO, PIETRO, POKOJ,
                          TELSTACJ, EMAIL)
    values (:i, 1 + mod(:i, 50), 0, 'Imię ' || :i, 'Nazwisko ' || :i, 'Specjalista',
            mod(:i, 12), 100 + mod(:i, 40), '22 555 ' || :i, 'osoba' || :i || '@firma.pl');
  end
end)";

qint64 timed(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.elapsed();
}

void gbak(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("gbak"), arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "gbak failed: %s\n", process.readAllStandardError().constData());
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testsupport::TestDatabase t;
    t.run(
        {QStringLiteral("insert into FIRMY (ID, NAZWA) select first 50 ID, 'Firma ' || ID "
                        "from (select row_number() over () as ID from RDB$FIELDS)")});
    t.run({QString::fromUtf8(FillStaff)});
    t.db().close();

    db::Database connection;
    connection.setParamsText(QString::fromLatin1(testsupport::kTestParams));
    testsupport::TestDesk desk(connection);
    BackupDialog window(desk);
    const QFileInfo database(t.path());
    window.open({QStringLiteral("localhost"), database.path() + '/', database.fileName(), {}});
    auto* backup = window.findChild<QPushButton*>(QStringLiteral("backupButton"));
    auto* restore = window.findChild<QPushButton*>(QStringLiteral("restoreButton"));
    const QString programFile = t.folder() + QStringLiteral("program.fbk");
    const QString bareFile = t.folder() + QStringLiteral("bare.fbk");
    const QStringList service{QStringLiteral("-se"), QStringLiteral("service_mgr"),
                              QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                              QStringLiteral("-v")};

    qint64 bestProgram[2] = {LLONG_MAX, LLONG_MAX};
    qint64 bestBare[2] = {LLONG_MAX, LLONG_MAX};
    for (int round = 0; round < 3; ++round) {
        desk.answers.fileNames.enqueue(programFile);
        bestProgram[0] = std::min(bestProgram[0], timed([&] { backup->click(); }));
        bestBare[0] = std::min(
            bestBare[0], timed([&] {
                gbak(QStringList{QStringLiteral("-b")} + service + QStringList{t.path(), bareFile});
            }));
        desk.answers.fileNames.enqueue(programFile);
        desk.answers.answers.enqueue(true);
        bestProgram[1] = std::min(bestProgram[1], timed([&] { restore->click(); }));
        bestBare[1] = std::min(bestBare[1], timed([&] {
                                   gbak(QStringList{QStringLiteral("-rep")} + service +
                                        QStringList{bareFile, t.path()});
                               }));
    }
    const char* names[2] = {"backup", "restore"};
    for (int i = 0; i < 2; ++i)
        std::printf("%s 100k: program %lld ms, bare %lld ms, ratio %.3f\n", names[i],
                    bestProgram[i], bestBare[i], double(bestProgram[i]) / double(bestBare[i]));

    // On a server the program restores twice (into a new file first, then over the
    // database), against gbak's one restore over the database.
    if (!testsupport::serverProblem().isEmpty()) {
        std::printf("restore 100k on the server: no server on localhost\n");
        return 0;
    }
    testsupport::SharedFolder shared;
    const QString serverBackup = shared.path() + QStringLiteral("kopia.fbk");
    const QString serverDatabase = shared.path() + QStringLiteral("SERWER.FDB");
    QFile::copy(programFile, serverBackup);
    QFile::setPermissions(
        serverBackup, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    admin::ServiceJob job;
    job.server = QStringLiteral("localhost");
    job.database = serverDatabase;
    job.backupFile = serverBackup;
    job.protocol = admin::Protocol::Tcp;
    job.userName = QStringLiteral("SYSDBA");
    job.password = QString::fromLatin1(testsupport::kServerPassword);
    const QStringList remote{QStringLiteral("-se"),       QStringLiteral("localhost:service_mgr"),
                             QStringLiteral("-user"),     QStringLiteral("SYSDBA"),
                             QStringLiteral("-password"), job.password,
                             QStringLiteral("-v")};
    qint64 bestServerProgram = LLONG_MAX;
    qint64 bestServerBare = LLONG_MAX;
    for (int round = 0; round < 3; ++round) {
        bestServerProgram =
            std::min(bestServerProgram,
                     timed([&] { admin::BackupService::restore(job, [](const QString&) {}); }));
        bestServerBare = std::min(bestServerBare, timed([&] {
                                      gbak(QStringList{QStringLiteral("-rep")} + remote +
                                           QStringList{serverBackup, serverDatabase});
                                  }));
    }
    std::printf("restore 100k on the server: program %lld ms, bare %lld ms, ratio %.3f\n",
                bestServerProgram, bestServerBare,
                double(bestServerProgram) / double(bestServerBare));
    return 0;
}
