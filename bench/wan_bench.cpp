// Figures of a desk that reaches the Firebird server over a slow link, as a second building
// on a VPN does: the real main window and its windows, offscreen, on the local server
// through a relay that holds every chunk for a one-way delay (10 ms unless --one-way-ms says
// otherwise) and counts the round trips. Each action against the least the Firebird client
// alone needs for the same data through the same relay. The building: company 1 with a
// 310-department tree (10 x 5 x 5) and 3,000 employees, company 2 with 3 departments,
// company 3 with 31, a few hundred visits around today; the search runs on a database of
// 100,000 employees of its own. Needs the local server (bash scripts/firebird-server.sh).
// Prints one line per figure:
//   wan <action>: program <ms> ms, bare <ms> ms, ratio <r>, round trips <n> (bare <m>)
#include "BenchFigures.h"
#include "WanRelay.h"
#include "admin/ConnectionParamsFile.h"
#include "app/MainWindow.h"
#include "controls/DataGrid.h"
#include "controls/DepartmentTree.h"
#include "db/DataSet.h"
#include "db/Database.h"
#include "db/Firebird.h"
#include "db/Statement.h"
#include "personnel/EmployeeSearch.h"
#include "personnel/EmployeeSearchDialog.h"
#include "personnel/PersonnelCsv.h"
#include "support/AppFixture.h"
#include "support/Find.h"
#include "support/ServerDatabase.h"
#include "support/TestDesk.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <map>
#include <optional>

namespace {

using bench::WanRelay;
using testsupport::child;

constexpr int Runs = 3;
// An action whose run takes longer than this is not run again: its one run is the figure.
constexpr double LongRunMs = 60000;
constexpr int LargeCompany = 1, SmallCompany = 2, MiddleCompany = 3;
constexpr int Branching = 5;  // departments under each department of the upper two levels
constexpr int LargeStaff = 3000, SmallStaff = 6, MiddleStaff = 310;
constexpr int VisitDays = 5, VisitsPerDay = 120;  // from three days ago to tomorrow
constexpr int Guests = 200;
constexpr int ImportLines = 5000;
constexpr int NewDepartmentsInImport = 5;
constexpr int BlockLines = 50;
constexpr int SearchCompanies = 50, SearchDepartments = 2000, SearchStaff = 100000;
const QString Typed = QStringLiteral("Kowalsk");
constexpr int LetterGapMs = 120;    // a receptionist's pace
constexpr int SearchDelayMs = 400;  // the search window's wait after the last letter

constexpr auto DeleteAllRows = R"(delete from %1)";
constexpr auto AdvanceGenerator =
    R"(select gen_id(%1, cast(:highest as bigint) - gen_id(%1, 0)) from RDB$DATABASE)";
constexpr auto InsertCompany = R"(insert into FIRMY (ID, NAZWA) values (:ID, :NAZWA))";
constexpr auto InsertDepartment = R"(insert into DZIALY
  (ID, FIRMA_ID, POPID, KOLEJ, NAZWA, LOKALIZACJA)
values
  (:ID, :FIRMA_ID, :POPID, :KOLEJ, :NAZWA, :LOKALIZACJA))";
constexpr auto InsertEmployee = R"(insert into PERSONEL
  (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO, PIETRO, POKOJ, TELSTACJ, EMAIL)
values
  (:ID, :FIRMA_ID, :DZIAL_ID, :IMIE, :NAZWISKO, :STANOWISKO, :PIETRO, :POKOJ, :TELSTACJ,
   :EMAIL))";
constexpr auto InsertGuest =
    R"(insert into GOSCIE (ID, NAZWA, DOKUM) values (:ID, :NAZWA, :DOKUM))";
constexpr auto InsertVisit = R"(insert into WIZYTY
  (ID, FIRMA_ID, DZIAL_ID, GOSC_ID, GOSC_NAZWA, GOSC_DOKUM, PERSON_ID, PERSON_NAZWA,
   DTPRZYBYCIA, DTWEJSCIA, DTWYJSCIA, IDENTYFIKATOR)
values
  (:ID, :FIRMA_ID, :DZIAL_ID, :GOSC_ID, :GOSC_NAZWA, :GOSC_DOKUM, :PERSON_ID, :PERSON_NAZWA,
   :DTPRZYBYCIA, :DTWEJSCIA, :DTWYJSCIA, :IDENTYFIKATOR))";

// The bare side: what the windows show, read as their statements read it, with the values
// by position.
constexpr auto SelectCompanies = R"(select * from FIRMY order by ID)";
constexpr auto SelectTree = R"(select * from DZIALY where FIRMA_ID = ? order by KOLEJ)";
constexpr auto SelectStaff = R"(select * from PERSONEL
where FIRMA_ID = ? and DZIAL_ID = ?
order by ID)";
constexpr auto SelectVisits = R"(select * from WIZYTY
where DTPRZYBYCIA >= ? and DTPRZYBYCIA < ?
order by DTPRZYBYCIA)";
// What an import must read first, and a run of keys taken at once.
constexpr auto SelectCompanyNames = R"(select ID, NAZWA from FIRMY)";
constexpr auto SelectDepartmentNames = R"(select ID, FIRMA_ID, NAZWA from DZIALY)";
constexpr auto SelectEmployeeNumbers = R"(select ID from PERSONEL)";
constexpr auto TakeKeys = R"(select gen_id(%1, cast(? as bigint)) from RDB$DATABASE)";
// The lines of the execute blocks: "#" is the line's number in its block, which each of
// its parameters carries.
constexpr auto NewDepartmentLine = R"(insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA)
values (:ID#, :FIRMA_ID#, 0,
  (select coalesce(max(KOLEJ), 0) + 1 from DZIALY where FIRMA_ID = :FIRMA_ID#), :NAZWA#);
)";
constexpr auto EmployeeLine = R"(update or insert into PERSONEL
  (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO, PIETRO, POKOJ, TELSTACJ, TELKOM, EMAIL)
values (:ID#, :FIRMA_ID#, :DZIAL_ID#, :IMIE#, :NAZWISKO#, :STANOWISKO#, :PIETRO#, :POKOJ#,
  :TELSTACJ#, :TELKOM#, :EMAIL#)
matching (ID);
)";

using Columns = std::vector<std::pair<const char*, const char*>>;  // name, type
const Columns NewDepartmentColumns = {
    {"ID", "integer"}, {"FIRMA_ID", "integer"}, {"NAZWA", "varchar(64)"}};
const Columns EmployeeColumns = {
    {"ID", "integer"},         {"FIRMA_ID", "integer"},     {"DZIAL_ID", "integer"},
    {"IMIE", "varchar(32)"},   {"NAZWISKO", "varchar(64)"}, {"STANOWISKO", "varchar(64)"},
    {"PIETRO", "varchar(16)"}, {"POKOJ", "varchar(16)"},    {"TELSTACJ", "varchar(64)"},
    {"TELKOM", "varchar(64)"}, {"EMAIL", "varchar(64)"}};

const char* const Surnames[] = {"Kowalski",  "Nowak",     "Wiśniewska", "Dąbrowski", "Lewandowska",
                                "Zieliński", "Szymańska", "Woźniak",    "Kozłowski", "Jankowska"};
const char* const FirstNames[] = {"Anna", "Piotr", "Łukasz", "Małgorzata", "Paweł",
                                  "Ewa",  "Jan",   "Zofia",  "Michał",     "Elżbieta"};
const char* const Positions[] = {"Księgowa", "Programista", "Kierownik", "Asystent", "Prawnik"};
// The large staff list's surnames: a stem and an ending.
const char* const SurnameStems[] = {"Kowal",  "Nowak",   "Wiśniew",  "Dąbrow",  "Lewandow",
                                    "Zieliń", "Szymań",  "Woźniak",  "Kozłow",  "Jankow",
                                    "Mazur",  "Kwiatek", "Krawczyk", "Piotrow", "Grabow",
                                    "Pawłow", "Michal",  "Król",     "Wieczor", "Jabłoń"};
const char* const SurnameEndings[] = {"ski", "ska",   "czyk",  "ak", "ewicz",
                                      "iak", "owski", "owska", "",   "ek"};

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

template <class T, size_t N>
const T& pick(const T (&items)[N], int n)
{
    return items[size_t(n) % N];
}

// ------------------------------------------------------------ the bare side

// A connection of the Firebird client alone, as the desk's: SYSDBA, Windows-1250.
class BareConnection {
public:
    explicit BareConnection(const QString& name)
    {
        db::fb::Status st;
        db::fb::Builder dpb(Firebird::IXpbBuilder::DPB, st);
        dpb->insertString(&st, isc_dpb_user_name, "SYSDBA");
        dpb->insertString(&st, isc_dpb_password, testsupport::kServerPassword);
        dpb->insertString(&st, isc_dpb_lc_ctype, "WIN1250");
        st.check();
        db::fb::Ref<Firebird::IProvider> provider(db::fb::master()->getDispatcher());
        attachment_.reset(provider->attachDatabase(&st, name.toUtf8().constData(),
                                                   dpb->getBufferLength(&st), dpb->getBuffer(&st)));
        st.check();
        transaction_.reset(attachment_->startTransaction(&st, 0, nullptr));
        st.check();
    }
    ~BareConnection()
    {
        db::fb::Status st;
        if (transaction_) {
            transaction_->rollback(&st);
            if (!st.failed())
                transaction_.forget();
        }
        attachment_->detach(&st);
        if (!st.failed())
            attachment_.forget();
    }
    Firebird::IAttachment* attachment() const { return attachment_.get(); }
    Firebird::ITransaction* transaction() const
    {
        return reading_ ? reading_.get() : transaction_.get();
    }
    // Reads as a desk does, in a read-only transaction started and ended around the reading:
    // a desk holds no transaction between its readings (one held open would keep the
    // server's oldest transaction from moving on).
    void readInOwnTransaction(const std::function<void()>& reading)
    {
        db::fb::Status st;
        db::fb::Builder tpb(Firebird::IXpbBuilder::TPB, st);
        for (const unsigned char tag :
             {isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version, isc_tpb_nowait})
            tpb->insertTag(&st, tag);
        reading_.reset(
            attachment_->startTransaction(&st, tpb->getBufferLength(&st), tpb->getBuffer(&st)));
        st.check();
        reading();
        reading_->commit(&st);
        st.check();
        reading_.forget();
    }
    void commitRetaining()
    {
        db::fb::Status st;
        transaction_->commitRetaining(&st);
        st.check();
    }
    void rollbackRetaining()
    {
        db::fb::Status st;
        transaction_->rollbackRetaining(&st);
        st.check();
    }

private:
    db::fb::Ref<Firebird::IAttachment> attachment_;
    db::fb::Ref<Firebird::ITransaction> transaction_;
    db::fb::Ref<Firebird::ITransaction> reading_;
};

// A statement prepared once through the Firebird client alone and run with values by
// position (whole numbers, date-times, texts, nulls): a select fetches every row, any other
// statement is executed once. An execute block's body names its own parameters with
// colons, which is why the values go by position here and not by name as in BareQuery.
class BareStatement {
public:
    BareStatement(BareConnection& connection, const QString& sql) : connection_(connection)
    {
        db::fb::Status st;
        const QByteArray bytes = sql.toUtf8();
        statement_.reset(connection.attachment()->prepare(
            &st, connection.transaction(), unsigned(bytes.size()), bytes.constData(), 3,
            Firebird::IStatement::PREPARE_PREFETCH_METADATA));
        st.check();
        in_.reset(statement_->getInputMetadata(&st));
        out_.reset(statement_->getOutputMetadata(&st));
        select_ = statement_->getType(&st) == isc_info_sql_stmt_select;
        st.check();
        row_.assign(out_->getMessageLength(&st), 0);
    }
    ~BareStatement()
    {
        db::fb::Status st;
        statement_->free(&st);
        if (!st.failed())
            statement_.forget();
    }

    // The rows a select fetched; 0 for any other statement.
    int run(const std::vector<QVariant>& values = {})
    {
        db::fb::Status st;
        std::vector<unsigned char> input = bind(values);
        if (!select_) {
            statement_->execute(&st, connection_.transaction(), in_.get(), input.data(), nullptr,
                                nullptr);
            st.check();
            return 0;
        }
        return bench::fetchAll(statement_.get(), connection_.transaction(), in_.get(), input,
                               out_.get());
    }

    // The first column, a whole number, of a select's one row.
    qint64 single(const std::vector<QVariant>& values = {})
    {
        db::fb::Status st;
        std::vector<unsigned char> input = bind(values);
        statement_->execute(&st, connection_.transaction(), in_.get(), input.data(), out_.get(),
                            row_.data());
        st.check();
        qint64 value = 0;
        const unsigned char* at = row_.data() + out_->getOffset(&st, 0);
        if ((out_->getType(&st, 0) & ~1u) == SQL_INT64)
            std::memcpy(&value, at, sizeof value);
        else
            value = *reinterpret_cast<const qint32*>(at);
        return value;
    }

private:
    std::vector<unsigned char> bind(const std::vector<QVariant>& values)
    {
        return bench::bindMessage(in_.get(), values, [this](const QString& text) -> QByteArray {
            return encoder_.encode(text);
        });
    }

    BareConnection& connection_;
    db::fb::Ref<Firebird::IStatement> statement_;
    db::fb::Ref<Firebird::IMessageMetadata> in_;
    db::fb::Ref<Firebird::IMessageMetadata> out_;
    std::vector<unsigned char> row_;
    bool select_ = false;
    QStringEncoder encoder_{"windows-1250"};
};

// An execute block of `lines` copies of `line`, each line's parameters numbered with it.
QString executeBlock(const char* line, const Columns& columns, int lines)
{
    QStringList parameters;
    QString body;
    for (int n = 0; n < lines; ++n) {
        for (const auto& [name, type] : columns)
            parameters << QStringLiteral("%1%2 %3 = ?")
                              .arg(QLatin1String(name))
                              .arg(n)
                              .arg(QLatin1String(type));
        body += QString::fromLatin1(line).replace(u'#', QString::number(n));
    }
    return QStringLiteral("execute block (") + parameters.join(QStringLiteral(", ")) +
           QStringLiteral(")\nas\nbegin\n") + body + QStringLiteral("end");
}

// The places of every department of a company written by one execute block, the places as
// parameters (ID, POPID and KOLEJ of each department, in that order, after the company):
// one update of the table, as one update per department would pass the engine's limit of
// 256 tables named in a request.
QString placesBlock(int departments)
{
    QStringList parameters{QStringLiteral("FIRMA_ID integer = ?")};
    QString parents, orders;
    for (int n = 0; n < departments; ++n) {
        parameters
            << QStringLiteral("ID%1 integer = ?, POPID%1 integer = ?, KOLEJ%1 integer = ?").arg(n);
        parents += QStringLiteral(" when :ID%1 then :POPID%1").arg(n);
        orders += QStringLiteral(" when :ID%1 then :KOLEJ%1").arg(n);
    }
    return QStringLiteral(
               "execute block (%1)\nas\nbegin\n"
               "update DZIALY set POPID = case ID%2 end, KOLEJ = case ID%3 end\n"
               "where FIRMA_ID = :FIRMA_ID;\nend")
        .arg(parameters.join(QStringLiteral(", ")), parents, orders);
}

// ------------------------------------------------------------ measuring

struct Sample {
    double ms = 0;
    qint64 roundTrips = 0;
};

// Time and round trips from its start.
class Stopwatch {
public:
    explicit Stopwatch(const WanRelay& relay) : relay_(relay), start_(relay.roundTrips())
    {
        timer_.start();
    }
    Sample read() const
    {
        return {double(timer_.nsecsElapsed()) / 1e6, relay_.roundTrips() - start_};
    }

private:
    const WanRelay& relay_;
    qint64 start_;
    QElapsedTimer timer_;
};

Sample measure(const WanRelay& relay, const std::function<void()>& work)
{
    const Stopwatch watch(relay);
    work();
    return watch.read();
}

template <class T>
T middle(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printFigure(const QString& action, const std::vector<Sample>& program,
                 const std::vector<Sample>& bare)
{
    auto times = [](const std::vector<Sample>& samples) {
        std::vector<double> ms;
        for (const Sample& s : samples)
            ms.push_back(s.ms);
        return middle(ms);
    };
    auto trips = [](const std::vector<Sample>& samples) {
        std::vector<qint64> counts;
        for (const Sample& s : samples)
            counts.push_back(s.roundTrips);
        return middle(counts);
    };
    const double p = times(program), b = times(bare);
    bench::print(QStringLiteral("wan %1: program %2 ms, bare %3 ms, ratio %4, round trips %5 "
                                "(bare %6)")
                     .arg(action, bench::ms(p), bench::ms(b), QString::number(p / b, 'f', 1))
                     .arg(trips(program))
                     .arg(trips(bare)));
    if (program.size() < size_t(Runs))
        bench::print(QStringLiteral("  (%1 run: a run took over %2 s)")
                         .arg(program.size())
                         .arg(LongRunMs / 1000));
}

// Lets the program's events run until `done` holds; false when `limitMs` passed first.
bool runEventsUntil(const std::function<bool()>& done, qint64 limitMs = 900000)
{
    QTimer wake;  // wakes the wait now and then to look at the time
    wake.start(100);
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

[[noreturn]] void giveUp(const QString& why)
{
    throw std::runtime_error(why.toStdString());
}

// Runs `work` on the modal window named `name` from that window's own event loop, once the
// action `open` has shown it.
void onModalWindow(const QString& name, const std::function<void(QDialog*)>& work,
                   const std::function<void()>& open)
{
    bool opened = false;
    QObject lookingOut;  // the looks still waiting go with it
    std::function<void()> look = [&] {
        auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (window && window->objectName() == name && window->isVisible()) {
            opened = true;
            work(window);
        } else {
            QTimer::singleShot(0, &lookingOut, look);
        }
    };
    QTimer::singleShot(0, &lookingOut, look);
    open();
    if (!opened)
        giveUp(QStringLiteral("the window %1 did not open").arg(name));
}

// ------------------------------------------------------------ the building

struct Department {
    int id = 0;
    int parent = 0;
    QString name;
};

// A company's departments in the order the program keeps them (KOLEJ is the index): `tops`
// at the top, five under each, five under each of those.
std::vector<Department> treeOf(int firstId, int tops, const QString& word)
{
    std::vector<Department> tree;
    int id = firstId;
    for (int t = 1; t <= tops; ++t) {
        const int top = id++;
        tree.push_back({top, 0, QStringLiteral("%1 %2").arg(word).arg(t)});
        for (int c = 1; c <= Branching; ++c) {
            const int child = id++;
            tree.push_back({child, top, QStringLiteral("%1 %2.%3").arg(word).arg(t).arg(c)});
            for (int g = 1; g <= Branching; ++g)
                tree.push_back(
                    {id++, child, QStringLiteral("%1 %2.%3.%4").arg(word).arg(t).arg(c).arg(g)});
        }
    }
    return tree;
}

// Where an employee works.
struct Place {
    int company = 0;
    int department = 0;
    QString departmentName;
};

// The schema on the local server without the demo rows, a database name through the relay.
class ServerFile {
public:
    ServerFile()
    {
        auto database = testsupport::connectTo(server_.name());
        for (const char* table : {"WIZYTY", "GOSCIE", "PERSONEL", "DZIALY", "FIRMY"})
            database->execute(QString::fromLatin1(DeleteAllRows).arg(QLatin1String(table)));
        database->transaction().commit();
    }
    QString name() const { return server_.name(); }
    QString folder() const { return server_.folder(); }
    QString through(const WanRelay& relay) const
    {
        return QStringLiteral("127.0.0.1/%1:%2").arg(relay.port()).arg(server_.path());
    }

private:
    testsupport::ServerDatabase server_;
};

// One row's values by column name, as a statement's parameters.
using Row = std::map<QString, QVariant>;

void insert(db::Statement& statement, const Row& row)
{
    statement.execute([&](const QString& name) { return row.at(name); });
}

// Sets a generator to the highest key its table holds.
void advanceGenerator(db::Database& database, const char* generator, int highest)
{
    db::Statement advance(database,
                          QString::fromLatin1(AdvanceGenerator).arg(QLatin1String(generator)));
    std::vector<db::Values> rows;
    advance.execute([&](const QString&) { return QVariant(highest); }, &rows);
}

class Building {
public:
    Building()
    {
        companyNames_ = {{LargeCompany, text("Centrum Usług Wspólnych Żuraw S.A.")},
                         {SmallCompany, text("Kancelaria Notarialna Gęsiak")},
                         {MiddleCompany, text("Łódzkie Biuro Projektów")}};
        trees_[LargeCompany] = treeOf(1, 10, QStringLiteral("Dział"));
        trees_[SmallCompany] = {{311, 0, QStringLiteral("Sekretariat")},
                                {312, 0, QStringLiteral("Notariusze")},
                                {313, 312, text("Archiwum aktów")}};
        trees_[MiddleCompany] = treeOf(314, 1, QStringLiteral("Pion"));
        auto database = testsupport::connectTo(file_.name());
        fill(*database);
    }

    const ServerFile& file() const { return file_; }
    const std::vector<Department>& tree(int company) const { return trees_.at(company); }
    QString companyName(int company) const { return companyNames_.at(company); }
    // Every employee, by ID - 1.
    const std::vector<Place>& staff() const { return staff_; }
    int departmentCount() const
    {
        return int(tree(LargeCompany).size() + tree(SmallCompany).size() +
                   tree(MiddleCompany).size());
    }

private:
    void fill(db::Database& database)
    {
        db::Statement companies(database, QString::fromLatin1(InsertCompany));
        db::Statement departments(database, QString::fromLatin1(InsertDepartment));
        for (const auto& [company, name] : companyNames_) {
            insert(companies, {{"ID", company}, {"NAZWA", name}});
            const std::vector<Department>& departmentsOf = tree(company);
            for (size_t order = 0; order < departmentsOf.size(); ++order) {
                const Department& d = departmentsOf[order];
                insert(departments, {{"ID", d.id},
                                     {"FIRMA_ID", company},
                                     {"POPID", d.parent},
                                     {"KOLEJ", int(order)},
                                     {"NAZWA", d.name},
                                     {"LOKALIZACJA", QStringLiteral("piętro %1").arg(order % 9)}});
            }
        }
        for (const auto& [company, count] :
             {std::pair{LargeCompany, LargeStaff}, std::pair{SmallCompany, SmallStaff},
              std::pair{MiddleCompany, MiddleStaff}})
            for (int n = 0; n < count; ++n) {
                const Department& d = tree(company)[size_t(n) % tree(company).size()];
                staff_.push_back({company, d.id, d.name});
            }
        db::Statement employees(database, QString::fromLatin1(InsertEmployee));
        for (int id = 1; id <= int(staff_.size()); ++id) {
            const Place& place = staff_[size_t(id - 1)];
            insert(employees,
                   {{"ID", id},
                    {"FIRMA_ID", place.company},
                    {"DZIAL_ID", place.department},
                    {"IMIE", text(pick(FirstNames, id / 10))},
                    {"NAZWISKO", text(pick(Surnames, id))},
                    {"STANOWISKO", text(pick(Positions, id / 3))},
                    {"PIETRO", QString::number(id % 9)},
                    {"POKOJ", QString::number(100 + id % 300)},
                    {"TELSTACJ", QStringLiteral("42 630 %1").arg(id, 4, 10, QChar(u'0'))},
                    {"EMAIL", QStringLiteral("osoba%1@zuraw.example.pl").arg(id)}});
        }
        db::Statement guests(database, QString::fromLatin1(InsertGuest));
        for (int id = 1; id <= Guests; ++id)
            insert(guests, {{"ID", id}, {"NAZWA", guestName(id)}, {"DOKUM", documentOf(id)}});
        fillVisits(database);
        advanceGenerator(database, "GEN_FIRMY_ID", MiddleCompany);
        advanceGenerator(database, "GEN_DZIALY_ID", departmentCount());
        advanceGenerator(database, "GEN_PERSONEL_ID", int(staff_.size()));
        advanceGenerator(database, "GEN_GOSCIE_ID", Guests);
        advanceGenerator(database, "GEN_WIZYTY_ID", VisitDays * VisitsPerDay);
        database.transaction().commit();
    }

    static QString guestName(int id)
    {
        return text(pick(Surnames, id + 3)) + u' ' + text(pick(FirstNames, id / 7));
    }
    static QString documentOf(int guest) { return QStringLiteral("ABC%1").arg(100000 + guest); }

    // Every day from three days ago to tomorrow, a visit every six minutes from 7:00; those
    // that arrived before now went in and out again, the others are expected.
    void fillVisits(db::Database& database)
    {
        db::Statement visits(database, QString::fromLatin1(InsertVisit));
        const QDateTime now = QDateTime::currentDateTime();
        int id = 0;
        for (int day = -3; day < VisitDays - 3; ++day)
            for (int n = 0; n < VisitsPerDay; ++n) {
                ++id;
                const QDateTime arrival(QDate::currentDate().addDays(day),
                                        QTime(7, 0).addSecs(n * 360));
                const bool came = arrival < now;
                const int employee = 1 + (id * 13) % LargeStaff;
                const int guest = 1 + id % Guests;
                insert(visits,
                       {{"ID", id},
                        {"FIRMA_ID", LargeCompany},
                        {"DZIAL_ID", staff_[size_t(employee - 1)].department},
                        {"GOSC_ID", guest},
                        {"GOSC_NAZWA", guestName(guest)},
                        {"GOSC_DOKUM", documentOf(guest)},
                        {"PERSON_ID", employee},
                        {"PERSON_NAZWA", text(pick(Surnames, employee))},
                        {"DTPRZYBYCIA", arrival},
                        {"DTWEJSCIA", came ? QVariant(arrival.addSecs(120)) : QVariant()},
                        {"DTWYJSCIA", came ? QVariant(arrival.addSecs(3600)) : QVariant()},
                        {"IDENTYFIKATOR",
                         came ? QVariant(QStringLiteral("G-%1").arg(id % 80)) : QVariant()}});
            }
    }

    ServerFile file_;
    std::map<int, QString> companyNames_;
    std::map<int, std::vector<Department>> trees_;
    std::vector<Place> staff_;
};

// 100,000 employees in 50 companies of 40 departments each, for the search.
class LargeStaffList {
public:
    LargeStaffList()
    {
        auto database = testsupport::connectTo(file_.name());
        db::Statement companies(*database, QString::fromLatin1(InsertCompany));
        for (int id = 1; id <= SearchCompanies; ++id)
            insert(companies, {{"ID", id}, {"NAZWA", QStringLiteral("Firma %1").arg(id)}});
        const int perCompany = SearchDepartments / SearchCompanies;
        db::Statement departments(*database, QString::fromLatin1(InsertDepartment));
        for (int id = 1; id <= SearchDepartments; ++id)
            insert(departments, {{"ID", id},
                                 {"FIRMA_ID", (id - 1) / perCompany + 1},
                                 {"POPID", 0},
                                 {"KOLEJ", (id - 1) % perCompany},
                                 {"NAZWA", QStringLiteral("Dział %1").arg(id)},
                                 {"LOKALIZACJA", QVariant()}});
        db::Statement employees(*database, QString::fromLatin1(InsertEmployee));
        for (int id = 1; id <= SearchStaff; ++id) {
            const int department = 1 + id % SearchDepartments;
            insert(employees,
                   {{"ID", id},
                    {"FIRMA_ID", (department - 1) / perCompany + 1},
                    {"DZIAL_ID", department},
                    {"IMIE", text(pick(FirstNames, id / 3))},
                    {"NAZWISKO", text(pick(SurnameStems, id)) + text(pick(SurnameEndings, id / 7))},
                    {"STANOWISKO", text(pick(Positions, id / 11))},
                    {"PIETRO", QString::number(id % 12)},
                    {"POKOJ", QString::number(100 + id % 400)},
                    {"TELSTACJ", QVariant()},
                    {"EMAIL", QVariant()}});
        }
        database->transaction().commit();
    }
    const ServerFile& file() const { return file_; }

private:
    ServerFile file_;
};

// ------------------------------------------------------------ the desk

// The main window with a settings folder of its own whose Halvane.ini names the building's
// database behind the relay.
std::unique_ptr<testsupport::AppFixture> deskBehind(const WanRelay& relay, const ServerFile& file)
{
    auto desk = std::make_unique<testsupport::AppFixture>(false, false);
    desk->writeIni("[FB]\nHost=127.0.0.1/" + QByteArray::number(relay.port()) +
                   "\nDir=" + file.folder().toUtf8() + "\nFile=SERWER.FDB\n");
    admin::writeConnectionParams(desk->settingsFolder(),
                                 QString::fromLatin1(testsupport::kTestParams));
    return desk;
}

// The main window shows the company with its whole tree and the staff of its first
// department.
bool shows(MainWindow& window, int company, size_t departments)
{
    auto* companies = child<db::DataSet>(&window, QStringLiteral("companies"));
    auto* staff = child<db::DataSet>(&window, QStringLiteral("staff"));
    auto* tree =
        child<controls::DepartmentTree>(window.centralWidget(), QStringLiteral("departmentTree"));
    return companies->active() && !companies->isEmpty() &&
           companies->field(QStringLiteral("ID")).asInteger() == company &&
           size_t(tree->nodeCount()) == departments && staff->active() && !staff->isEmpty();
}

Sample startDesk(const WanRelay& relay, const Building& building,
                 std::unique_ptr<testsupport::AppFixture>& desk)
{
    desk.reset();
    desk = deskBehind(relay, building.file());
    MainWindow& window = *desk->form;
    const Stopwatch watch(relay);
    window.show();
    QApplication::setActiveWindow(&window);
    if (!runEventsUntil(
            [&] { return shows(window, LargeCompany, building.tree(LargeCompany).size()); }))
        giveUp(QStringLiteral("the main window did not fill: %1")
                   .arg(desk->prompts.messages().join(u'|')));
    return watch.read();
}

Sample bareStart(const WanRelay& relay, const Building& building)
{
    std::optional<BareConnection> connection;
    const Sample sample = measure(relay, [&] {
        connection.emplace(building.file().through(relay));
        BareStatement(*connection, QString::fromLatin1(SelectCompanies)).run();
        BareStatement(*connection, QString::fromLatin1(SelectTree)).run({LargeCompany});
        BareStatement(*connection, QString::fromLatin1(SelectStaff))
            .run({LargeCompany, building.tree(LargeCompany).front().id});
        connection->commitRetaining();
    });
    connection.reset();
    return sample;
}

Sample switchCompany(const WanRelay& relay, MainWindow& window, int company, size_t departments)
{
    auto* grid = child<controls::DataGrid>(window.centralWidget(), QStringLiteral("companyGrid"));
    auto* companies = child<db::DataSet>(&window, QStringLiteral("companies"));
    const int idColumn = companies->field(QStringLiteral("ID")).index();
    int row = 0;
    while (row < companies->recordCount() && companies->value(row, idColumn).toInt() != company)
        ++row;
    const Sample sample =
        measure(relay, [&] { grid->setCurrentIndex(grid->model()->index(row, 0)); });
    if (!shows(window, company, departments))
        giveUp(QStringLiteral("the main window did not show company %1").arg(company));
    return sample;
}

Sample openVisits(const WanRelay& relay, MainWindow& window, int expectedRows)
{
    Sample sample;
    const Stopwatch watch(relay);
    onModalWindow(
        QStringLiteral("VisitsDialog"),
        [&](QDialog* visitsWindow) {
            sample = watch.read();
            const int rows =
                child<db::DataSet>(visitsWindow, QStringLiteral("visits"))->recordCount();
            if (rows != expectedRows)
                giveUp(QStringLiteral("the register lists %1 visits, not %2")
                           .arg(rows)
                           .arg(expectedRows));
            visitsWindow->reject();
        },
        [&] { testsupport::trigger(&window, QStringLiteral("visitsAction")); });
    return sample;
}

// In the companies editor opened on the company, the first department under the first
// top-level one goes down a place each run; the editor is left with its changes rolled
// back.
std::vector<Sample> moveDepartment(const WanRelay& relay, testsupport::AppFixture& desk)
{
    std::vector<Sample> samples;
    onModalWindow(
        QStringLiteral("CompaniesDialog"),
        [&](QDialog* editor) {
            auto* tree = child<controls::DepartmentTree>(editor, QStringLiteral("departmentTree"));
            QStandardItem* moved = tree->nodes().item(0)->child(0);
            tree->selectNode(moved);
            for (int run = 0; run < Runs; ++run) {
                samples.push_back(measure(relay, [&] {
                    testsupport::trigger(editor, QStringLiteral("moveDepartmentDownAction"));
                }));
                if (moved->row() != run + 1 || !desk.prompts.messages().isEmpty())
                    giveUp(QStringLiteral("the department did not move: %1")
                               .arg(desk.prompts.messages().join(u'|')));
            }
            desk.prompts.answers.enqueue(true);  // "Na pewno anulować...?"
            editor->reject();
        },
        [&] { testsupport::trigger(desk.form.get(), QStringLiteral("companiesAction")); });
    return samples;
}

// The places of a company's departments written by one execute block: the tree as it is
// stored and, every other run, with the first two departments under the first top-level
// one changing places.
std::vector<Sample> bareMoves(const WanRelay& relay, BareConnection& connection, int company,
                              const std::vector<Department>& tree)
{
    BareStatement block(connection, placesBlock(int(tree.size())));
    std::vector<Department> swapped = tree;
    const size_t subtree = 1 + Branching;
    std::rotate(swapped.begin() + 1, swapped.begin() + 1 + subtree,
                swapped.begin() + 1 + 2 * subtree);
    std::vector<Sample> samples;
    for (int run = 0; run < Runs; ++run) {
        const std::vector<Department>& order = run % 2 == 0 ? swapped : tree;
        std::vector<QVariant> values{company};
        for (size_t place = 0; place < order.size(); ++place)
            values.insert(values.end(), {order[place].id, order[place].parent, int(place)});
        samples.push_back(measure(relay, [&] { block.run(values); }));
    }
    connection.rollbackRetaining();
    return samples;
}

// The search window typed into as a receptionist types; the time from the end of the
// window's wait after the last letter (the search starts then) to the list of its result.
class SearchWindow {
public:
    explicit SearchWindow(const QString& databaseName)
        : database_(testsupport::connectTo(databaseName)), desk_(*database_), window_(desk_)
    {
        window_.open();
        QCoreApplication::processEvents();
    }
    Sample type(const WanRelay& relay, int* rows)
    {
        auto* box = child<QLineEdit>(&window_, QStringLiteral("surnameEdit"));
        auto* results = child<db::DataSet>(&window_, QStringLiteral("results"));
        // The box emptied, the window's search closes the list of the run before.
        box->clear();
        if (!runEventsUntil([&] { return !results->active(); }))
            giveUp(QStringLiteral("the search window kept its list"));
        const QString pattern = personnel::likePattern(Typed, personnel::MatchMode::Beginning);
        const Stopwatch typing(relay);
        std::optional<Stopwatch> lastLetter;
        for (int letter = 0; letter < Typed.size(); ++letter) {
            if (letter > 0)
                QTest::qWait(LetterGapMs);
            if (letter == Typed.size() - 1)
                lastLetter.emplace(relay);
            QTest::keyClicks(box, Typed.mid(letter, 1));
        }
        if (!runEventsUntil([&] {
                return results->active() &&
                       results->param(QStringLiteral("nazwisko")).toString() == pattern;
            }))
            giveUp(QStringLiteral("the search did not end"));
        *rows = results->recordCount();
        const int wait = child<QTimer>(&window_, QStringLiteral("searchTimer"))->interval();
        return {lastLetter->read().ms - wait, typing.read().roundTrips};
    }

private:
    std::unique_ptr<db::Database> database_;
    testsupport::TestDesk desk_;
    EmployeeSearchDialog window_;
};

// ------------------------------------------------------------ the import

struct ImportLine {
    int id = 0;  // 0: a new employee
    Place place;
    int newDepartment = -1;  // which of the file's new departments, when one
    QString fields[8];       // NAZWISKO, IMIE, STANOWISKO, PIETRO, POKOJ, TELSTACJ, TELKOM, EMAIL
};

// Four lines in five update an employee by ID; the fifth adds one to company 1, and five
// of those name a department the file creates.
std::vector<ImportLine> importLines(const Building& building)
{
    std::vector<ImportLine> lines;
    const std::vector<Department>& tree = building.tree(LargeCompany);
    int created = 0;
    for (int i = 0; i < ImportLines; ++i) {
        ImportLine line;
        if (i % 5 != 4) {
            line.id = 1 + (i * 7) % int(building.staff().size());
            line.place = building.staff()[size_t(line.id - 1)];
        } else if (i % 1000 == 4 && created < NewDepartmentsInImport) {
            line.newDepartment = created++;
            line.place = {LargeCompany, 0, QStringLiteral("Nowy dział %1").arg(line.newDepartment)};
        } else {
            const Department& d = tree[size_t(i) % tree.size()];
            line.place = {LargeCompany, d.id, d.name};
        }
        line.fields[0] = text(pick(Surnames, i + 1));
        line.fields[1] = text(pick(FirstNames, i / 10 + 1));
        line.fields[2] = text(pick(Positions, i));
        line.fields[3] = QString::number(i % 9);
        line.fields[4] = QString::number(200 + i % 300);
        line.fields[5] = QStringLiteral("42 631 %1").arg(i % 10000, 4, 10, QChar(u'0'));
        line.fields[6] = QStringLiteral("601 %1").arg(i, 6, 10, QChar(u'0'));
        line.fields[7] = QStringLiteral("import%1@zuraw.example.pl").arg(i);
        lines.push_back(line);
    }
    return lines;
}

QByteArray importFile(const Building& building, const std::vector<ImportLine>& lines)
{
    QStringEncoder windows1250("windows-1250");
    QByteArray file = QByteArray(personnelcsv::Header) + "\r\n";
    for (const ImportLine& line : lines) {
        const QStringList fields = {line.id ? QString::number(line.id) : QString(),
                                    line.fields[0],
                                    line.fields[1],
                                    building.companyName(line.place.company),
                                    line.place.departmentName,
                                    line.fields[2],
                                    line.fields[3],
                                    line.fields[4],
                                    line.fields[5],
                                    line.fields[6],
                                    line.fields[7]};
        file += windows1250.encode(fields.join(u';')) + "\r\n";
    }
    return file;
}

// The import's writes as the least the engine needs: what the tables hold read once, the
// keys of the new rows taken in one step each, the new departments in one execute block
// and the employees in blocks of 50 lines.
class BareImport {
public:
    BareImport(BareConnection& connection, std::vector<ImportLine> lines)
        : lines_(std::move(lines)),
          companies_(connection, QString::fromLatin1(SelectCompanyNames)),
          departments_(connection, QString::fromLatin1(SelectDepartmentNames)),
          employees_(connection, QString::fromLatin1(SelectEmployeeNumbers)),
          departmentKeys_(connection,
                          QString::fromLatin1(TakeKeys).arg(QLatin1String("GEN_DZIALY_ID"))),
          employeeKeys_(connection,
                        QString::fromLatin1(TakeKeys).arg(QLatin1String("GEN_PERSONEL_ID"))),
          newDepartments_(connection, executeBlock(NewDepartmentLine, NewDepartmentColumns,
                                                   NewDepartmentsInImport)),
          employeeBlock_(connection, executeBlock(EmployeeLine, EmployeeColumns, BlockLines))
    {
        for (const ImportLine& line : lines_)
            added_ += line.id == 0;
    }

    // The names and numbers read here are those the bench wrote, which the lines carry.
    void run()
    {
        companies_.run();
        departments_.run();
        employees_.run();
        const qint64 lastDepartment = departmentKeys_.single({NewDepartmentsInImport});
        qint64 nextEmployee = employeeKeys_.single({added_}) - added_ + 1;
        std::vector<QVariant> departments;
        for (int n = 0; n < NewDepartmentsInImport; ++n)
            departments.insert(departments.end(),
                               {lastDepartment - NewDepartmentsInImport + 1 + n, LargeCompany,
                                QStringLiteral("Nowy dział %1").arg(n)});
        newDepartments_.run(departments);
        std::vector<QVariant> block;
        for (const ImportLine& line : lines_) {
            const qint64 department =
                line.newDepartment >= 0
                    ? lastDepartment - NewDepartmentsInImport + 1 + line.newDepartment
                    : line.place.department;
            block.insert(block.end(),
                         {line.id ? line.id : nextEmployee++, line.place.company, department});
            for (int f : {1, 0, 2, 3, 4, 5, 6, 7})
                block.push_back(line.fields[f]);
            if (block.size() == EmployeeColumns.size() * BlockLines) {
                employeeBlock_.run(block);
                block.clear();
            }
        }
    }

private:
    std::vector<ImportLine> lines_;
    int added_ = 0;
    BareStatement companies_, departments_, employees_;
    BareStatement departmentKeys_, employeeKeys_;
    BareStatement newDepartments_, employeeBlock_;
};

// Each action through the program, then through the client alone, Runs times or once
// when a run takes long; printed as one figure.
void compareRuns(const QString& action, const std::function<Sample()>& program,
                 const std::function<Sample()>& bare)
{
    std::vector<Sample> programSamples, bareSamples;
    for (int run = 0; run < Runs; ++run) {
        programSamples.push_back(program());
        bareSamples.push_back(bare());
        if (programSamples.back().ms > LongRunMs)
            break;
    }
    printFigure(action, programSamples, bareSamples);
}

int oneWayMs(const QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--one-way-ms"));
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1].toInt() : 10;
}

void benchmark(int delay)
{
    WanRelay relay{std::chrono::milliseconds(delay)};
    QElapsedTimer building;
    building.start();
    const Building office;
    const LargeStaffList largeList;
    bench::print(QStringLiteral("wan: one-way delay %1 ms through a relay on port %2 to the "
                                "server on 3050; building of %3 companies (310, 3 and 31 "
                                "departments, %4 employees, %5 visits), search on %6 employees; "
                                "data made in %7 s")
                     .arg(delay)
                     .arg(relay.port())
                     .arg(3)
                     .arg(office.staff().size())
                     .arg(VisitDays * VisitsPerDay)
                     .arg(SearchStaff)
                     .arg(building.elapsed() / 1000));

    std::unique_ptr<testsupport::AppFixture> desk;
    compareRuns(
        QStringLiteral("start to main window filled"),
        [&] { return startDesk(relay, office, desk); }, [&] { return bareStart(relay, office); });
    bench::print(
        QStringLiteral("  (from showing the window, which connects %1 ms after it is "
                       "first activated)")
            .arg(child<QTimer>(desk->form.get(), QStringLiteral("startTimer"))->interval()));
    MainWindow& window = *desk->form;

    BareConnection bare(office.file().through(relay));
    BareStatement tree(bare, QString::fromLatin1(SelectTree));
    BareStatement staff(bare, QString::fromLatin1(SelectStaff));
    // From the company before it in the list, the last one from the first.
    for (const auto& [target, previous] :
         {std::pair{LargeCompany, MiddleCompany}, std::pair{MiddleCompany, SmallCompany},
          std::pair{SmallCompany, LargeCompany}}) {
        const int company = target, from = previous;
        const size_t departments = office.tree(company).size();
        compareRuns(
            QStringLiteral("switch to %1 departments").arg(departments),
            [&] {
                switchCompany(relay, window, from, office.tree(from).size());
                return switchCompany(relay, window, company, departments);
            },
            [&] {
                return measure(relay, [&] {
                    bare.readInOwnTransaction([&] {
                        tree.run({company});
                        staff.run({company, office.tree(company).front().id});
                    });
                });
            });
        std::vector<double> heldMs;
        std::vector<qint64> heldTrips;
        for (int run = 0; run < Runs; ++run) {
            const Sample held = measure(relay, [&] {
                tree.run({company});
                staff.run({company, office.tree(company).front().id});
            });
            heldMs.push_back(held.ms);
            heldTrips.push_back(held.roundTrips);
        }
        bench::print(QStringLiteral("  (bare in a transaction left open: %1 ms, %2 round trips)")
                         .arg(bench::ms(middle(heldMs)))
                         .arg(middle(heldTrips)));
    }

    BareStatement visits(bare, QString::fromLatin1(SelectVisits));
    const QDateTime today(QDate::currentDate(), QTime(0, 0));
    compareRuns(
        QStringLiteral("open visits register"),
        [&] { return openVisits(relay, window, VisitsPerDay); },
        [&] { return measure(relay, [&] {
                  visits.run({today, today.addDays(1)});
              }); });

    for (const int company : {LargeCompany, MiddleCompany}) {
        switchCompany(relay, window, company, office.tree(company).size());
        const std::vector<Sample> program = moveDepartment(relay, *desk);
        printFigure(
            QStringLiteral("department move %1 departments").arg(office.tree(company).size()),
            program, bareMoves(relay, bare, company, office.tree(company)));
    }

    {
        SearchWindow search(largeList.file().through(relay));
        BareConnection searchBare(largeList.file().through(relay));
        personnel::EmployeeCriteria criteria;
        criteria.surname = Typed;
        const std::optional<personnel::EmployeeSearch> statement =
            personnel::composeEmployeeSearch(criteria);
        BareStatement select(searchBare, db::toPositional(statement->sql).text);
        int programRows = 0, bareRows = 0;
        compareRuns(
            QStringLiteral("search while typing"), [&] { return search.type(relay, &programRows); },
            [&] {
                return measure(relay,
                               [&] { bareRows = select.run({statement->params.front().second}); });
            });
        bench::print(
            QStringLiteral("  (\"%1\" typed %2 ms a letter: %3 rows, the client alone %4; "
                           "timed from the end of the window's %5 ms wait after the last letter)")
                .arg(Typed)
                .arg(LetterGapMs)
                .arg(programRows)
                .arg(bareRows)
                .arg(SearchDelayMs));
    }

    const std::vector<ImportLine> lines = importLines(office);
    const QByteArray file = importFile(office, lines);
    BareImport bareImport(bare, lines);
    personnelcsv::ImportReport report;
    compareRuns(
        QStringLiteral("import %1 lines").arg(ImportLines),
        [&] {
            const Sample sample = measure(
                relay, [&] { report = personnelcsv::importStaff(window.database(), file); });
            window.rollbackWork();
            return sample;
        },
        [&] {
            const Sample sample = measure(relay, [&] { bareImport.run(); });
            bare.rollbackRetaining();
            return sample;
        });
    bench::print(QStringLiteral("  (program: %1 added, %2 updated, %3 errors)")
                     .arg(report.added)
                     .arg(report.updated)
                     .arg(report.errors));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString problem = testsupport::serverProblem();
    if (!problem.isEmpty()) {
        bench::print(QStringLiteral("wan_bench needs the Firebird server on localhost with SYSDBA "
                                    "password 'masterkey' (bash scripts/firebird-server.sh): ") +
                     problem);
        return 1;
    }
    try {
        benchmark(oneWayMs(app.arguments()));
    } catch (const std::exception& error) {
        bench::print(QStringLiteral("wan_bench failed: %1").arg(QString::fromUtf8(error.what())));
        return 1;
    }
    return 0;
}
