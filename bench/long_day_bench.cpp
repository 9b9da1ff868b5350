// A desk left running for weeks: two desks on one server, each with the program's one
// connection and its data sets open, end 20,000 units of work each (an employee edited,
// then committed through the desk, as every window commits). Prints the database's transaction
// counters as the work goes on (a gap between the oldest snapshot and the next transaction that
// grows means old record versions cannot be collected), the record versions of the edited table at
// the end, and the time of one unit of work then, against the same unit on a fresh connection.
// A third desk only looks: it reads its list again after every 100 units, as the main window
// does on another desk's change, and so must not hold the oldest active transaction.
#include "db/DataSet.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "support/ServerDatabase.h"
#include "support/TestDesk.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>

namespace {

constexpr auto Counters = R"(select MON$OLDEST_TRANSACTION, MON$OLDEST_ACTIVE,
  MON$OLDEST_SNAPSHOT, MON$NEXT_TRANSACTION from MON$DATABASE)";
constexpr auto EditEmployee = R"(update PERSONEL set POKOJ = :POKOJ where ID = :ID)";
constexpr auto StaffList = R"(select * from PERSONEL order by NAZWISKO, IMIE)";
constexpr int Units = 20000;

void printCounters(const QString& databaseName, int units)
{
    auto monitor = testsupport::connectTo(databaseName);
    db::DataSet counters(*monitor);
    counters.setSelectSql(QString::fromLatin1(Counters));
    counters.open();
    const qint64 oldest = counters.value(0, 0).toLongLong();
    const qint64 active = counters.value(0, 1).toLongLong();
    const qint64 snapshot = counters.value(0, 2).toLongLong();
    const qint64 next = counters.value(0, 3).toLongLong();
    std::printf(
        "after %d units a desk: oldest transaction %lld, oldest active %lld, oldest "
        "snapshot %lld, next transaction %lld, gap %lld, oldest active gap %lld\n",
        units, oldest, active, snapshot, next, next - snapshot, next - active);
}

// One unit of work of a desk: an employee edited and committed; milliseconds.
double unitOfWork(desk::Desk& desk, db::Statement& edit, int i)
{
    QElapsedTimer timer;
    timer.start();
    edit.execute([i](const QString& name) -> QVariant {
        return name == QLatin1String("ID") ? QVariant(1 + i % 46) : QVariant(i % 1000);
    });
    if (!desk.commitWork())
        std::exit(1);
    return double(timer.nsecsElapsed()) / 1e6;
}

// The average time of a unit of work over a round of 500.
double roundOfUnits(desk::Desk& desk, int from)
{
    db::Statement edit(desk.database(), QString::fromLatin1(EditEmployee));
    double total = 0;
    for (int i = from; i < from + 500; ++i)
        total += unitOfWork(desk, edit, i);
    return total / 500;
}

void printRecordVersions(const testsupport::ServerDatabase& server)
{
    QProcess gstat;
    gstat.start(QStringLiteral("fbstat"),
                {QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("PERSONEL"),
                 QStringLiteral("-user"), QStringLiteral("SYSDBA"), QStringLiteral("-password"),
                 QString::fromLatin1(testsupport::kServerPassword), server.name()});
    gstat.waitForFinished(-1);
    for (const QByteArray& line : gstat.readAllStandardOutput().split('\n'))
        if (line.contains("versions") || line.contains("Primary pointer"))
            std::printf("PERSONEL: %s\n", line.trimmed().constData());
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testsupport::ServerDatabase server;
    auto first = testsupport::connectTo(server.name());
    auto second = testsupport::connectTo(server.name());
    auto browsing = testsupport::connectTo(server.name());
    // What the main window keeps open all day on each desk.
    db::DataSet firstList(*first), secondList(*second), browsingList(*browsing);
    for (db::DataSet* list : {&firstList, &secondList, &browsingList})
        list->setSelectSql(QString::fromLatin1(StaffList));
    firstList.open();
    secondList.open();
    {
        const db::Database::ListReading reading(*browsing);
        browsingList.open();
    }
    printCounters(server.name(), 0);
    testsupport::TestDesk firstDesk(*first), secondDesk(*second);
    db::Statement firstEdit(*first, QString::fromLatin1(EditEmployee));
    db::Statement secondEdit(*second, QString::fromLatin1(EditEmployee));
    for (int i = 0; i < Units; ++i) {
        unitOfWork(firstDesk, firstEdit, i);
        unitOfWork(secondDesk, secondEdit, i + 23);
        if ((i + 1) % 100 == 0) {
            const db::Database::ListReading reading(*browsing);
            browsingList.close();
            browsingList.open();
        }
        if ((i + 1) % 5000 == 0)
            printCounters(server.name(), i + 1);
    }
    printRecordVersions(server);
    const double program = roundOfUnits(firstDesk, Units);
    auto fresh = testsupport::connectTo(server.name());
    testsupport::TestDesk freshDesk(*fresh);
    const double bare = roundOfUnits(freshDesk, Units);
    std::printf("unit of work after %d a desk: program %.3f ms, bare %.3f ms, ratio %.2f\n", Units,
                program, bare, program / bare);
    return 0;
}
