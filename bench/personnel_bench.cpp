// Figures of the employee search and the personnel list on a large building: a fresh
// database of 100,000 employees in 50 companies with 2,000 departments, each search timed
// through the program (the search window filling its grid, the list's data set) and the same
// statement run through the Firebird client alone. Prints one line per figure.
#include "db/DataSet.h"
#include "db/Database.h"
#include "db/Firebird.h"
#include "db/NamedParams.h"
#include "db/RecordRules.h"
#include "db/Statement.h"
#include "personnel/EmployeeSearch.h"
#include "personnel/EmployeeSearchDialog.h"
#include "BenchFigures.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringConverter>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <ibase.h>

namespace {

constexpr int Companies = 50;
constexpr int Departments = 2000;
constexpr int Employees = 100000;
constexpr int LargeDepartmentStaff = 5000;  // department 1
constexpr int Runs = 9;

constexpr auto InsertCompany = R"(insert into FIRMY (ID, NAZWA) values (:ID, :NAZWA))";
constexpr auto InsertDepartment =
    R"(insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (:ID, :FIRMA_ID, 0, :KOLEJ, :NAZWA))";
constexpr auto InsertEmployee = R"(insert into PERSONEL
  (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO, PIETRO, POKOJ)
values
  (:ID, :FIRMA_ID, :DZIAL_ID, :IMIE, :NAZWISKO, :STANOWISKO, :PIETRO, :POKOJ))";
// The personnel list's statement.
constexpr auto SelectDepartmentStaff = R"(select *
from PERSONEL
where
  FIRMA_ID = :firma_id
  and
  DZIAL_ID = :dzial_id
order by ID)";
constexpr auto IndexLowerSurname =
    R"(create index IX_PERSONEL_LOWER_NAZWISKO on PERSONEL computed by (lower(NAZWISKO)))";

const char* const SurnameStems[] = {
    "Kowal",  "Nowak",  "Wiśniew",  "Dąbrow",  "Lewandow", "Zieliń",   "Szymań",  "Woźniak",
    "Kozłow", "Jankow", "Mazur",    "Kwiatek", "Krawczyk", "Piotrow",  "Grabow",  "Pawłow",
    "Michal", "Król",   "Wieczor",  "Jabłoń",  "Wróbel",   "Majew",    "Olszew",  "Stępień",
    "Malin",  "Jawor",  "Adamczyk", "Dudek",   "Zając",    "Wilk",     "Kaczmar", "Sikor",
    "Baran",  "Rutk",   "Szewczyk", "Ostrow",  "Tomasz",   "Pietrzak", "Marczak", "Żak"};
const char* const SurnameEndings[] = {"ski", "ska",   "czyk",  "ak", "ewicz",
                                      "iak", "owski", "owska", "",   "ek"};
const char* const FirstNames[] = {"Anna",   "Piotr",     "Katarzyna", "Krzysztof", "Małgorzata",
                                  "Tomasz", "Agnieszka", "Paweł",     "Ewa",       "Łukasz",
                                  "Joanna", "Michał",    "Elżbieta",  "Marcin",    "Zofia",
                                  "Jan",    "Barbara",   "Grzegorz",  "Urszula",   "Rafał"};
const char* const Positions[] = {"Księgowa",      "Programista", "Tester",      "Handlowiec",
                                 "Sekretarka",    "Kierownik",   "Prawnik",     "Asystent",
                                 "Analityk",      "Kadrowa",     "Specjalista", "Dyrektor",
                                 "Recepcjonista", "Kierowca",    "Magazynier"};

template <class T, size_t N>
constexpr size_t count(const T (&)[N])
{
    return N;
}

QString fromUtf8(const char* text)
{
    return QString::fromUtf8(text);
}

void fill(db::Database& database)
{
    db::Statement companies(database, QString::fromLatin1(InsertCompany));
    for (int id = 1; id <= Companies; ++id)
        companies.execute([&](const QString& name) -> QVariant {
            return name == "ID" ? QVariant(id) : QVariant(QStringLiteral("Firma %1").arg(id));
        });
    db::Statement departments(database, QString::fromLatin1(InsertDepartment));
    const int perCompany = Departments / Companies;
    for (int id = 1; id <= Departments; ++id)
        departments.execute([&](const QString& name) -> QVariant {
            if (name == "ID")
                return id;
            if (name == "FIRMA_ID")
                return (id - 1) / perCompany + 1;
            if (name == "KOLEJ")
                return (id - 1) % perCompany;
            return QStringLiteral("Dział %1").arg(id);
        });
    db::Statement employees(database, QString::fromLatin1(InsertEmployee));
    for (int id = 1; id <= Employees; ++id) {
        // The first 5,000 work in department 1, the rest spread over the other departments.
        const int department =
            id <= LargeDepartmentStaff ? 1 : 2 + (id - LargeDepartmentStaff) % (Departments - 1);
        const int company = (department - 1) / perCompany + 1;
        const QString surname = fromUtf8(SurnameStems[id % count(SurnameStems)]) +
                                fromUtf8(SurnameEndings[(id / 7) % count(SurnameEndings)]);
        employees.execute([&](const QString& name) -> QVariant {
            if (name == "ID")
                return id;
            if (name == "FIRMA_ID")
                return company;
            if (name == "DZIAL_ID")
                return department;
            if (name == "IMIE")
                return fromUtf8(FirstNames[(id / 3) % count(FirstNames)]);
            if (name == "NAZWISKO")
                return surname;
            if (name == "STANOWISKO")
                return fromUtf8(Positions[(id / 11) % count(Positions)]);
            if (name == "PIETRO")
                return QString::number(id % 12);
            return QString::number(100 + id % 400);
        });
    }
    database.transaction().commitRetaining();
}

// The search window, shown, with one criterion typed and Enter pressed in its box: the time
// until the grid has its rows and has been painted.
class SearchWindow {
public:
    explicit SearchWindow(desk::Desk& desk) : dialog_(desk)
    {
        dialog_.open();
        QCoreApplication::processEvents();
        timer_ = dialog_.findChild<QTimer*>(QStringLiteral("searchTimer"));
        grid_ = dialog_.findChild<QTableView*>(QStringLiteral("resultGrid"));
    }
    int search(const QString& boxName, const QString& text, personnel::MatchMode mode)
    {
        auto* modeButton = dialog_.findChild<QRadioButton*>(
            mode == personnel::MatchMode::Anywhere ? QStringLiteral("anywhereButton")
                                                   : QStringLiteral("beginningButton"));
        if (!modeButton->isChecked())
            modeButton->click();
        auto* box = dialog_.findChild<QLineEdit*>(boxName);
        box->setText(text);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
        grid_->viewport()->repaint();
        QCoreApplication::processEvents();
        const int rows = grid_->model()->rowCount();
        box->clear();
        timer_->stop();
        return rows;
    }

private:
    EmployeeSearchDialog dialog_;
    QTimer* timer_ = nullptr;
    QTableView* grid_ = nullptr;
};

struct SearchCase {
    QString what;
    QString box;
    QString text;
    personnel::MatchMode mode;
};

personnel::EmployeeCriteria criteriaOf(const SearchCase& c)
{
    personnel::EmployeeCriteria criteria;
    criteria.mode = c.mode;
    if (c.box == "numberEdit")
        criteria.number = c.text;
    else if (c.box == "surnameEdit")
        criteria.surname = c.text;
    return criteria;
}

}  // namespace

using bench::BareQuery;
using bench::compare;
using bench::elapsedMs;
using bench::median;
using bench::ms;
using bench::Params;
using bench::print;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        testsupport::TestDatabase building;
        db::Database& database = building.db();
        const double built = elapsedMs([&] { fill(database); });
        print(
            QStringLiteral("database of %1 employees, %2 companies, %3 departments built in %4 ms")
                .arg(Employees)
                .arg(Companies)
                .arg(Departments)
                .arg(ms(built)));

        testsupport::TestDesk desk(database);
        SearchWindow window(desk);
        const SearchCase cases[] = {
            {QStringLiteral("search surname prefix"), QStringLiteral("surnameEdit"),
             QStringLiteral("Kowal"), personnel::MatchMode::Beginning},
            {QStringLiteral("search anywhere fragment"), QStringLiteral("surnameEdit"),
             QStringLiteral("ewicz"), personnel::MatchMode::Anywhere},
            {QStringLiteral("search employee number"), QStringLiteral("numberEdit"),
             QStringLiteral("54321"), personnel::MatchMode::Beginning},
        };
        for (const SearchCase& c : cases) {
            const auto statement = personnel::composeEmployeeSearch(criteriaOf(c));
            BareQuery bare(database, statement->sql);
            // The share of the data set alone (fetching, converting, the calculated name).
            db::DataSet set(database);
            db::addSurnameFirstName(set);
            set.setSelectSql(statement->sql);
            for (const auto& [name, value] : statement->params)
                set.setParam(name, value);
            compare(
                c.what, [&] { return window.search(c.box, c.text, c.mode); },
                [&] { return bare.run(statement->params); },
                [&] {
                    set.close();
                    set.open();
                    return set.recordCount();
                });
            print(QStringLiteral("  plan: %1").arg(bare.plan().replace('\n', ' ')));
        }

        db::DataSet list(database);
        list.setSelectSql(QString::fromLatin1(SelectDepartmentStaff));
        db::addSurnameFirstName(list);
        const Params listParams = {{QStringLiteral("firma_id"), 1},
                                   {QStringLiteral("dzial_id"), 1}};
        for (const auto& [name, value] : listParams)
            list.setParam(name, value);
        BareQuery bareList(database, QString::fromLatin1(SelectDepartmentStaff));
        compare(
            QStringLiteral("personnel list open %1").arg(LargeDepartmentStaff),
            [&] {
                list.close();
                list.open();
                return list.recordCount();
            },
            [&] { return bareList.run(listParams); });

        // Reading texts of the connection's code page: the data layer against Qt's decoder.
        std::vector<QByteArray> surnames;
        for (int id = 1; id <= Employees; ++id)
            surnames.push_back(
                database.encode(fromUtf8(SurnameStems[id % count(SurnameStems)]) +
                                fromUtf8(SurnameEndings[(id / 7) % count(SurnameEndings)])));
        QStringDecoder qtDecoder("windows-1250");
        qsizetype characters = 0;
        compare(
            QStringLiteral("decode %1 surnames (program: the data layer, bare: Qt's decoder)")
                .arg(Employees),
            [&] {
                for (const QByteArray& bytes : surnames)
                    characters += database.decode(bytes).size();
                return int(surnames.size());
            },
            [&] {
                for (const QByteArray& bytes : surnames)
                    characters += QString(qtDecoder.decode(bytes)).size();
                return int(surnames.size());
            });

        // What an index on the lower-cased surname would change (the schema has none).
        database.execute(QString::fromLatin1(IndexLowerSurname));
        database.transaction().commitRetaining();
        for (const SearchCase& c : {cases[0], cases[1]}) {
            const auto statement = personnel::composeEmployeeSearch(criteriaOf(c));
            BareQuery bare(database, statement->sql);
            bare.run(statement->params);
            std::vector<double> times;
            int rows = 0;
            for (int i = 0; i < Runs; ++i)
                times.push_back(elapsedMs([&] { rows = bare.run(statement->params); }));
            print(QStringLiteral("%1 with an index on lower(NAZWISKO): bare %2 ms (%3 rows)")
                      .arg(c.what, ms(median(times)))
                      .arg(rows));
            print(QStringLiteral("  plan: %1").arg(bare.plan().replace('\n', ' ')));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "personnel_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
