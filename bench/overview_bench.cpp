// Figures of the reception overview on a large building: a fresh database of 200,000
// visits over five years, 2,000 of them inside the building now, in 50 companies with
// 2,000 employees. Each page read through the program (its data set and list, counts
// included) against its statements through the Firebird client alone; the visits register
// over one year, with the peak memory; and the time from another desk's commit to a page
// showing it; a scanned invitation's code up to its visit. Prints one line per figure.
#include "BenchFigures.h"
#include "controls/DataGrid.h"
#include "db/DataSet.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "desk/LiveUpdates.h"
#include "desk/VisitCodes.h"
#include "desk/Watchlist.h"
#include "overview/OverviewDialog.h"
#include "overview/OverviewPage.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "visitors/VisitsDialog.h"

#include <QApplication>
#include <QDateEdit>
#include <QTabWidget>

namespace {

constexpr int Companies = 50;
constexpr int Employees = 2000;
constexpr int Visits = 200000;
constexpr int Inside = 2000;
constexpr int Years = 5;
const QDateTime Now(QDate(2026, 3, 5), QTime(10, 30));

constexpr auto InsertCompany = R"(insert into FIRMY (ID, NAZWA) values (:ID, :NAZWA))";
constexpr auto InsertEmployee = R"(insert into PERSONEL
  (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, PIETRO, POKOJ, EMAIL)
values
  (:ID, :FIRMA_ID, 0, :IMIE, :NAZWISKO, :PIETRO, :POKOJ, :EMAIL))";
constexpr auto InsertVisit = R"(insert into WIZYTY
  (ID, FIRMA_ID, DZIAL_ID, GOSC_ID, GOSC_NAZWA, GOSC_DOKUM, PERSON_ID, PERSON_NAZWA,
   DTPRZYBYCIA, DTWEJSCIA, DTWYJSCIA, IDENTYFIKATOR, NRKARTY, WIADOMOSC, DTODEBRWIADOM)
values
  (:ID, :FIRMA_ID, 0, :GOSC_ID, :GOSC_NAZWA, :GOSC_DOKUM, :PERSON_ID, :PERSON_NAZWA,
   :DTPRZYBYCIA, :DTWEJSCIA, :DTWYJSCIA, :IDENTYFIKATOR, :NRKARTY, :WIADOMOSC, :DTODEBRWIADOM))";
constexpr auto InsertInvitation = R"(insert into ZAPROSZENIA (WIZYTA_ID, KOD)
values (:WIZYTA_ID, :KOD))";
// The look-up's statement (desk/VisitCodes.cpp).
constexpr auto SelectInvitedVisit = R"(select W.ID, W.GOSC_NAZWA, W.PERSON_NAZWA, W.IDENTYFIKATOR,
  W.DTPRZYBYCIA, W.DTWEJSCIA, W.DTWYJSCIA, W.NRKARTY
from ZAPROSZENIA Z
join WIZYTY W on W.ID = Z.WIZYTA_ID
where Z.KOD = :kod)";
constexpr auto CloseOneVisit = R"(update WIZYTY set DTWYJSCIA = :teraz where ID = :ID)";
// The register's statement.
constexpr auto SelectRegister = R"(select *
from WIZYTY
where
  DTPRZYBYCIA >= :data1
  and
  DTPRZYBYCIA < :data2
order by DTPRZYBYCIA)";

const char* const Surnames[] = {"Kowalski", "Nowak",    "Wiśniewska", "Dąbrowski", "Lewandowska",
                                "Zieliński", "Szymańska", "Woźniak",   "Kozłowski", "Jankowska"};
const char* const FirstNames[] = {"Anna", "Piotr", "Łukasz", "Małgorzata", "Paweł",
                                  "Ewa",  "Jan",   "Zofia",  "Michał",     "Elżbieta"};

QString nameOf(int n)
{
    return QString::fromUtf8(Surnames[n % 10]) + u' ' + QString::fromUtf8(FirstNames[(n / 10) % 10]);
}

// The visit's invitation code: its number in the codes' alphabet, eight characters.
QString invitationCodeOf(int visitId)
{
    QString code;
    for (int i = 0; i < desk::InvitationCodeLength; ++i, visitId /= desk::InvitationAlphabet.size())
        code += desk::InvitationAlphabet.at(visitId % desk::InvitationAlphabet.size());
    return code;
}

// Visits spread evenly over five years up to now; the last 2,000 went in and have not left
// (a few of them on earlier days), the 150 before them wait or are expected; one in twenty
// left a message, the last 300 of which wait. One in ten, and every one waiting, was
// invited with a code.
void fill(db::Database& database)
{
    db::Statement companies(database, QString::fromLatin1(InsertCompany));
    for (int id = 1; id <= Companies; ++id)
        companies.execute([&](const QString& name) -> QVariant {
            return name == "ID" ? QVariant(id) : QVariant(QStringLiteral("Firma %1").arg(id));
        });
    db::Statement employees(database, QString::fromLatin1(InsertEmployee));
    for (int id = 1; id <= Employees; ++id)
        employees.execute([&](const QString& name) -> QVariant {
            if (name == "ID")
                return id;
            if (name == "FIRMA_ID")
                return 1 + id % Companies;
            if (name == "IMIE")
                return QString::fromUtf8(FirstNames[id % 10]);
            if (name == "NAZWISKO")
                return QString::fromUtf8(Surnames[(id / 10) % 10]);
            if (name == "PIETRO")
                return QString::number(id % 12);
            if (name == "POKOJ")
                return QString::number(100 + id % 400);
            return QStringLiteral("p%1@firma.pl").arg(id);
        });
    const QDateTime first = Now.addYears(-Years);
    const qint64 span = first.secsTo(Now);
    const int waiting = Visits - Inside - 150;
    db::Statement visits(database, QString::fromUtf8(InsertVisit));
    for (int id = 1; id <= Visits; ++id) {
        const bool inside = id > Visits - Inside;
        const bool waits = !inside && id > waiting;
        const QDateTime arrival = waits ? Now.addSecs((id - waiting) * 60 - 3600)
                                        : first.addSecs(span * (id - 1) / Visits);
        const QDateTime entry = arrival.addSecs(300);
        const int employee = 1 + id % Employees;
        const bool message = id % 20 == 0;
        visits.execute([&](const QString& name) -> QVariant {
            if (name == "ID")
                return id;
            if (name == "FIRMA_ID")
                return 1 + employee % Companies;
            if (name == "GOSC_ID")
                return 1 + id % 50000;
            if (name == "GOSC_NAZWA")
                return nameOf(id);
            if (name == "GOSC_DOKUM")
                return QStringLiteral("ABC%1").arg(id, 6, 10, QLatin1Char('0'));
            if (name == "PERSON_ID")
                return employee;
            if (name == "PERSON_NAZWA")
                return nameOf(employee);
            if (name == "DTPRZYBYCIA")
                return arrival;
            if (name == "DTWEJSCIA")
                return waits ? QVariant() : QVariant(entry);
            if (name == "DTWYJSCIA")
                return waits || inside ? QVariant() : QVariant(entry.addSecs(3600));
            if (name == "IDENTYFIKATOR")
                return waits ? QVariant() : QVariant(QStringLiteral("G-%1").arg(id % 500));
            if (name == "NRKARTY")
                return waits ? QVariant() : QVariant(QString::number(id % 3000));
            if (name == "WIADOMOSC")
                return message ? QVariant(QStringLiteral("Proszę oddzwonić")) : QVariant();
            return message && id < Visits - 6000 ? QVariant(entry.addSecs(600)) : QVariant();
        });
    }
    db::Statement invitations(database, QString::fromUtf8(InsertInvitation));
    for (int id = 10; id <= Visits; ++id)
        if (id % 10 == 0 || (id > waiting && id <= Visits - Inside))
            invitations.execute([&](const QString& name) -> QVariant {
                return name == "KOD" ? QVariant(invitationCodeOf(id)) : QVariant(id);
            });
    database.transaction().commit();
}

// The page's statements with the values its reading bound.
bench::Params paramsOf(const db::DataSet& set, const QStringList& names)
{
    bench::Params params;
    for (const QString& name : names)
        params.emplace_back(name, set.param(name));
    return params;
}

// The page read again: its statements, data sets and list models; the window's painting
// that follows is timed on its own.
int pageRows(OverviewPage* page)
{
    page->read();
    return page->findChild<db::DataSet*>(QStringLiteral("visits"))->recordCount();
}

double paintingMs(OverviewPage* page)
{
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        page->read();
        times.push_back(bench::elapsedMs([] { QCoreApplication::processEvents(); }));
    }
    return bench::median(times);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        testsupport::TestDatabase building;
        db::Database& database = building.db();
        const double built = bench::elapsedMs([&] { fill(database); });
        bench::print(QStringLiteral("database of %1 visits over %2 years built in %3 ms")
                         .arg(Visits)
                         .arg(Years)
                         .arg(bench::ms(built)));

        testsupport::TestDesk desk(database);
        desk.fixedClock.time = Now;
        OverviewDialog window(desk);
        window.open();
        QCoreApplication::processEvents();
        auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("pageTabs"));
        for (int index = 0; index < tabs->count(); ++index) {
            auto* page = static_cast<OverviewPage*>(tabs->widget(index));
            tabs->setCurrentIndex(index);
            auto* visits = page->findChild<db::DataSet*>(QStringLiteral("visits"));
            pageRows(page);
            bench::BareQuery bare(database, visits->selectSql());
            std::vector<std::unique_ptr<bench::BareQuery>> counts;
            for (const char* name : {"companyCounts", "dayCounts"})
                if (auto* set = page->findChild<db::DataSet*>(QString::fromLatin1(name)))
                    counts.push_back(std::make_unique<bench::BareQuery>(database, set->selectSql()));
            if (!counts.empty()) {
                // The history of one year, with its counts.
                auto* from = page->findChild<QDateEdit*>(QStringLiteral("fromDateEdit"));
                from->setDate(Now.date().addYears(-1).addDays(1));
            }
            const bench::Params bound =
                paramsOf(*visits, {QStringLiteral("dzis"), QStringLiteral("data1"),
                                   QStringLiteral("data2"), QStringLiteral("firma")});
            bench::compare(
                QStringLiteral("overview ") + page->caption(), [&] { return pageRows(page); },
                [&] {
                    const int rows = bare.run(bound);
                    for (auto& query : counts)
                        query->run(bound);
                    return rows;
                },
                [&] {
                    visits->close();
                    visits->open();
                    return visits->recordCount();
                },
                5);
            bench::print(QStringLiteral("  then painting the window: %1 ms")
                             .arg(bench::ms(paintingMs(page))));
        }
        window.reject();

        // The register over one year.
        {
            VisitsDialog visitsWindow(desk);
            visitsWindow.open({0, 0, 0});
            QCoreApplication::processEvents();
            auto* from = visitsWindow.findChild<QDateEdit*>(QStringLiteral("fromDateEdit"));
            auto* to = visitsWindow.findChild<QDateEdit*>(QStringLiteral("toDateEdit"));
            auto* registerSet = visitsWindow.findChild<db::DataSet*>(QStringLiteral("visits"));
            const QDate yearAgo = Now.date().addYears(-1).addDays(1);
            from->setDate(yearAgo);
            bench::BareQuery bare(database, QString::fromUtf8(SelectRegister));
            const bench::Params bound = {
                {QStringLiteral("data1"), QDateTime(yearAgo, QTime(0, 0))},
                {QStringLiteral("data2"), QDateTime(Now.date().addDays(1), QTime(0, 0))}};
            bench::compare(
                QStringLiteral("register one year"),
                [&] {
                    // Up to today or up to tomorrow, which has no visits: the same year
                    // read again, as a change of the last day does.
                    const QDate today = Now.date();
                    to->setDate(to->date() == today ? today.addDays(1) : today);
                    return registerSet->recordCount();
                },
                [&] { return bare.run(bound); }, {}, 5);
            bench::print(QStringLiteral("register one year: peak %1 MB")
                             .arg(bench::peakMegabytes(), 0, 'f', 0));
            visitsWindow.reject();
        }

        // A guest waiting since ten minutes ago shows the invitation's code at the scan box:
        // its look-up and what the box asks before the entry dialog opens (the watchlist),
        // against the look-up's one select.
        {
            const QString code = invitationCodeOf(Visits - Inside - 150 + 50);
            bench::compare(
                QStringLiteral("scan to visit"),
                [&] {
                    const desk::ScannedCode scanned = desk::lookUpCode(desk, code);
                    return scanned.state == desk::ScannedCode::State::Usable &&
                                   desk::mayLetIn(desk, scanned.visitId)
                               ? 1
                               : 0;
                },
                [&] {
                    db::Statement select(database, QString::fromUtf8(SelectInvitedVisit));
                    std::vector<db::Values> rows;
                    select.execute([&](const QString&) { return QVariant(code); }, &rows);
                    return int(rows.size());
                },
                {}, 21);
            std::vector<double> times;
            for (int run = 0; run < 21; ++run)
                times.push_back(bench::elapsedMs([&] { desk::lookUpCode(desk, code); }));
            bench::print(QStringLiteral("  of which the look-up alone: %1 ms")
                             .arg(bench::ms(bench::median(times))));
        }

        // Another desk closes a visit: the time from its commit to the page showing it.
        {
            desk.liveUpdates().start(database);
            OverviewDialog followed(desk);
            followed.open();
            QCoreApplication::processEvents();
            auto* inside = static_cast<OverviewPage*>(
                followed.findChild<QTabWidget*>(QStringLiteral("pageTabs"))->widget(0));
            auto* insideSet = inside->findChild<db::DataSet*>(QStringLiteral("visits"));
            auto other = building.connect();
            std::vector<double> times;
            for (int run = 0; run < 5; ++run) {
                const int before = insideSet->recordCount();
                db::Statement close(*other, QString::fromUtf8(CloseOneVisit));
                close.execute([&](const QString& name) -> QVariant {
                    return name == "ID" ? QVariant(Visits - run) : QVariant(Now);
                });
                QElapsedTimer timer;
                other->transaction().commit();
                timer.start();
                while (insideSet->recordCount() == before && timer.elapsed() < 5000)
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
                times.push_back(double(timer.nsecsElapsed()) / 1e6);
            }
            bench::print(QStringLiteral("event to page: %1 ms (median of 5, slowest %2 ms)")
                             .arg(bench::ms(bench::median(times)))
                             .arg(bench::ms(*std::max_element(times.begin(), times.end()))));
            followed.reject();
            desk.liveUpdates().stop();
        }
    } catch (const std::exception& error) {
        bench::print(QStringLiteral("failed: %1").arg(QString::fromUtf8(error.what())));
        return 1;
    }
    return 0;
}
