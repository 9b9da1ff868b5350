// The removal of old personal data on a large register: 50,000 guests and 200,000 visits
// over four years, of which the two years before the cut-off day (24 months) are erased.
// The program's removal (its statements, run and committed as the removal window does)
// against the same updates through the Firebird client alone, in one transaction each;
// every run starts from a fresh copy of the same database file. Then the purge of the file
// after the removal (the program's backup, restore beside the database, marking and putting
// in place) against gbak's backup and restore over the same file. Prints one line each.
#include "BenchFigures.h"
#include "admin/DatabasePurge.h"
#include "admin/PersonalDataRemoval.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr int Guests = 50000;
constexpr int Visits = 200000;
constexpr int Years = 4;
constexpr int RetentionMonths = 24;
constexpr int Runs = 3;
const QDateTime Now(QDate(2026, 3, 5), QTime(10, 30));

constexpr auto InsertGuest = R"(insert into GOSCIE (ID, NAZWA, DOKUM, INFO)
values (:ID, :NAZWA, :DOKUM, :INFO))";
constexpr auto InsertVisit = R"(insert into WIZYTY
  (ID, FIRMA_ID, DZIAL_ID, GOSC_ID, GOSC_NAZWA, GOSC_DOKUM, PERSON_ID, PERSON_NAZWA,
   DTPRZYBYCIA, DTWEJSCIA, DTWYJSCIA, IDENTYFIKATOR, NRKARTY, WIADOMOSC)
values
  (:ID, 1, 0, :GOSC_ID, :GOSC_NAZWA, :GOSC_DOKUM, :PERSON_ID, 'Nowak Anna',
   :DTPRZYBYCIA, :DTPRZYBYCIA, :DTWYJSCIA, :IDENTYFIKATOR, :NRKARTY, :WIADOMOSC))";
// The same writes as the removal, written out for the client alone.
constexpr auto BareGuests = R"(update GOSCIE G
set NAZWA = :usunieto, DOKUM = null, INFO = null
where
  exists (select 1 from WIZYTY W where W.GOSC_ID = G.ID)
  and
  not exists (select 1 from WIZYTY W where W.GOSC_ID = G.ID and W.DTPRZYBYCIA >= :granica)
  and
  not exists (select 1 from WIZYTY W
              where W.GOSC_ID = G.ID and W.DTPRZYBYCIA is null
                and (W.DTWEJSCIA + 0 >= :granica or W.DTWYJSCIA + 0 >= :granica
                     or W.DTODEBRWIADOM >= :granica
                     or coalesce(W.DTWEJSCIA, W.DTWYJSCIA, W.DTODEBRWIADOM) is null))
  and
  not exists (select 1 from WIZYTY W
              where W.GOSC_ID = G.ID and W.DTWEJSCIA is not null and W.DTWYJSCIA + 0 is null)
  and
  (G.NAZWA is distinct from :usunieto or G.DOKUM is not null or G.INFO is not null))";
constexpr auto BareVisits = R"(update WIZYTY W
set GOSC_NAZWA = :usunieto, GOSC_DOKUM = null, WIADOMOSC = null
where
  (W.DTPRZYBYCIA < :granica
   or W.DTPRZYBYCIA is null
      and coalesce(W.DTWEJSCIA, W.DTWYJSCIA, W.DTODEBRWIADOM) is not null
      and (W.DTWEJSCIA is null or W.DTWEJSCIA < :granica)
      and (W.DTWYJSCIA is null or W.DTWYJSCIA < :granica)
      and (W.DTODEBRWIADOM is null or W.DTODEBRWIADOM < :granica))
  and
  (W.DTWEJSCIA is null or W.DTWYJSCIA is not null)
  and
  (W.GOSC_NAZWA is distinct from :usunieto or W.GOSC_DOKUM is not null
   or W.WIADOMOSC is not null))";

QString guestName(int id)
{
    return QStringLiteral("Gość nr %1 Wiśniewski").arg(id);
}

// Visits evenly over four years up to now. The older half goes to guests 1..30,000, the
// newer half to 20,001..50,000: the first 20,000 guests were last seen before the cut-off
// day, the next 10,000 on both sides of it. Every 50th visit has no exit (4,000 in all): such
// visits and their guests are kept, and they must not slow the removal down.
void fill(db::Database& database)
{
    db::Statement guests(database, QString::fromUtf8(InsertGuest));
    for (int id = 1; id <= Guests; ++id)
        guests.execute([&](const QString& name) -> QVariant {
            if (name == "ID")
                return id;
            if (name == "NAZWA")
                return guestName(id);
            if (name == "DOKUM")
                return QStringLiteral("ABC%1").arg(id, 6, 10, QLatin1Char('0'));
            return id % 4 == 0 ? QVariant(QStringLiteral("stały gość")) : QVariant();
        });
    const QDateTime first = Now.addYears(-Years);
    const qint64 span = first.secsTo(Now);
    db::Statement visits(database, QString::fromUtf8(InsertVisit));
    for (int id = 1; id <= Visits; ++id) {
        const int guest = id <= Visits / 2 ? 1 + id % 30000 : 20001 + id % 30000;
        visits.execute([&](const QString& name) -> QVariant {
            if (name == "ID")
                return id;
            if (name == "GOSC_ID")
                return guest;
            if (name == "GOSC_NAZWA")
                return guestName(guest);
            if (name == "GOSC_DOKUM")
                return QStringLiteral("ABC%1").arg(guest, 6, 10, QLatin1Char('0'));
            if (name == "PERSON_ID")
                return 1;
            if (name == "DTPRZYBYCIA")
                return first.addSecs(span * (id - 1) / Visits);
            if (name == "DTWYJSCIA")  // every 50th exit was never ticked
                return id % 50 == 0 ? QVariant() : first.addSecs(span * (id - 1) / Visits);
            if (name == "IDENTYFIKATOR")
                return QStringLiteral("G-%1").arg(id % 500);
            if (name == "NRKARTY")
                return QString::number(id % 3000);
            return id % 20 == 0 ? QVariant(QStringLiteral("Proszę oddzwonić")) : QVariant();
        });
    }
    database.transaction().commit();
}

// A fresh copy of the filled database, connected.
std::unique_ptr<db::Database> freshCopy(const QString& master, const QString& copy)
{
    QFile::remove(copy);
    if (!QFile::copy(master, copy))
        throw std::runtime_error("cannot copy the database");
    auto database = std::make_unique<db::Database>();
    database->setDatabaseName(copy);
    database->setParamsText(QString::fromLatin1(testsupport::kTestParams));
    database->open();
    return database;
}

// gbak on the file itself, with an engine of its own (through the local service manager it
// crashes on this system once it has finished).
void gbak(const QStringList& arguments)
{
    QProcess process;
    process.start(
        QStringLiteral("gbak"),
        QStringList{QStringLiteral("-user"), QStringLiteral("SYSDBA"), QStringLiteral("-v")} +
            arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        throw std::runtime_error("gbak failed: " + process.readAllStandardError().toStdString() +
                                 process.readAllStandardOutput().right(2000).toStdString());
}

// The purge of the removed register's file: the program's against gbak's backup and restore.
void purgeFigure(const QString& master, const QString& copy)
{
    std::vector<double> programTimes, bareTimes;
    admin::ServiceJob job;
    job.database = copy;
    job.backupFile = admin::DatabasePurge::backupFileFor(copy);
    job.userName = QStringLiteral("SYSDBA");
    const QString bareBackup = copy + QStringLiteral(".gbak.fbk");
    const auto ignore = [](const QString&) {};
    for (int run = 0; run < Runs; ++run) {
        freshCopy(master, copy)->close();
        programTimes.push_back(
            bench::elapsedMs([&] { admin::DatabasePurge::purge(job, Now, ignore); }));
        freshCopy(master, copy)->close();
        bareTimes.push_back(bench::elapsedMs([&] {
            gbak({QStringLiteral("-b"), copy, bareBackup});
            gbak({QStringLiteral("-rep"), bareBackup, copy});
            QFile::remove(bareBackup);
        }));
    }
    const double p = bench::median(programTimes), b = bench::median(bareTimes);
    bench::print(QStringLiteral("personal data purge: program %1 ms, bare %2 ms, ratio %3")
                     .arg(bench::ms(p), bench::ms(b), QString::number(p / b, 'f', 2)));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    try {
        testsupport::TestDatabase register_;
        const double built = bench::elapsedMs([&] { fill(register_.db()); });
        bench::print(QStringLiteral("database of %1 guests and %2 visits over %3 years built "
                                    "in %4 ms")
                         .arg(Guests)
                         .arg(Visits)
                         .arg(Years)
                         .arg(bench::ms(built)));
        const QDate cutOff = admin::cutOffDay(Now.date(), RetentionMonths);
        const bench::Params params = {{"granica", QDateTime(cutOff, QTime(0, 0))},
                                      {"usunieto", QStringLiteral("(usunięto)")}};
        {
            bench::BareQuery plan(register_.db(), QString::fromUtf8(BareGuests));
            bench::print(QStringLiteral("plan of the guests' update: %1").arg(plan.plan()));
            bench::BareQuery visits(register_.db(), QString::fromUtf8(BareVisits));
            bench::print(QStringLiteral("plan of the visits' update: %1").arg(visits.plan()));
        }
        register_.db().close();  // the file is whole on disk before it is copied

        const QTemporaryDir work;
        const QString copy = work.filePath("COPY.FDB");
        std::vector<double> programTimes, bareTimes;
        admin::RemovalCounts programRows, bareRows;
        for (int run = 0; run < Runs; ++run) {
            {
                auto database = freshCopy(register_.path(), copy);
                admin::PersonalDataRemoval removal(*database);
                programTimes.push_back(bench::elapsedMs([&] {
                    programRows = removal.remove(cutOff, QDateTime::currentDateTime());
                    database->transaction().commit();
                }));
            }
            {
                auto database = freshCopy(register_.path(), copy);
                bench::BareQuery guests(*database, QString::fromUtf8(BareGuests));
                bench::BareQuery visits(*database, QString::fromUtf8(BareVisits));
                bareTimes.push_back(bench::elapsedMs([&] {
                    bareRows.guests = int(guests.execute(params));
                    bareRows.visits = int(visits.execute(params));
                    database->transaction().commit();
                }));
            }
        }
        if (programRows.guests != bareRows.guests || programRows.visits != bareRows.visits)
            bench::print(QStringLiteral("the program wrote %1 guests and %2 visits, the client "
                                        "%3 and %4")
                             .arg(programRows.guests)
                             .arg(programRows.visits)
                             .arg(bareRows.guests)
                             .arg(bareRows.visits));
        const double p = bench::median(programTimes), b = bench::median(bareTimes);
        bench::print(QStringLiteral("personal data removal: program %1 ms, bare %2 ms, ratio %3 "
                                    "(%4 guests, %5 visits)")
                         .arg(bench::ms(p), bench::ms(b), QString::number(p / b, 'f', 2))
                         .arg(bareRows.guests)
                         .arg(bareRows.visits));
        // The file the removal left (the last run's), old record versions and all.
        const QString removed = work.filePath("REMOVED.FDB");
        QFile::remove(removed);
        if (!QFile::copy(copy, removed))
            throw std::runtime_error("cannot copy the database");
        purgeFigure(removed, copy);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
