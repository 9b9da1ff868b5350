// Figures of the staff list's CSV import and export on a large building, printed by a
// program: each run through the program and, side by side, the same writes or the same
// query through the Firebird client alone. One line per figure.
//   import 50k lines: 50,000 lines (half updates, half new employees, 200 new departments)
//                     into 50,000 employees, against the same rows written as execute
//                     blocks of personnelcsv::LinesPerBlock lines, one execute a block
//   export 100k:      100,000 employees, against the bare ordered join written to a file
//   import 100k lines: the peak memory of a process that imports 100,000 lines
#include "BenchFigures.h"
#include "db/Database.h"
#include "db/Firebird.h"
#include "db/NamedParams.h"
#include "db/Statement.h"
#include "personnel/PersonnelCsv.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <ibase.h>
#include <map>
#include <optional>

namespace {

constexpr int Companies = 50;
constexpr int DepartmentsPerCompany = 40;
constexpr int NewDepartments = 200;
constexpr int Runs = 3;

constexpr auto InsertCompany = R"(insert into FIRMY (ID, NAZWA) values (:ID, :NAZWA))";
constexpr auto InsertDepartment = R"(insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA)
values (:ID, :FIRMA_ID, 0, :KOLEJ, :NAZWA))";
constexpr auto InsertEmployee = R"(insert into PERSONEL
  (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO, PIETRO, POKOJ, TELSTACJ, TELKOM, EMAIL)
values
  (:ID, :FIRMA_ID, :DZIAL_ID, :IMIE, :NAZWISKO, :STANOWISKO, :PIETRO, :POKOJ, :TELSTACJ,
   :TELKOM, :EMAIL))";

// The bare blocks: for each line its new department, if any, and its employee, added (K = 1)
// or updated (K = 2). %1 the parameters of every line, %2 the writes of every line.
constexpr auto BareBlock = R"(execute block (%1)
as
begin%2
end)";
constexpr auto BareBlockParameters = R"(
  K%1 integer = ?, ID%1 integer = ?, FIRMA_ID%1 integer = ?, DZIAL_ID%1 integer = ?,
  DZIAL%1 varchar(64) = ?, KOLEJ%1 integer = ?, NAZWISKO%1 varchar(64) = ?,
  IMIE%1 varchar(32) = ?, STANOWISKO%1 varchar(64) = ?, PIETRO%1 varchar(16) = ?,
  POKOJ%1 varchar(16) = ?, TELSTACJ%1 varchar(64) = ?, TELKOM%1 varchar(64) = ?,
  EMAIL%1 varchar(64) = ?)";
constexpr auto BareBlockWrites = R"(
  if (DZIAL%1 is not null) then
    insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA)
    values (:DZIAL_ID%1, :FIRMA_ID%1, 0, :KOLEJ%1, :DZIAL%1);
  if (K%1 = 1) then
    insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO, PIETRO, POKOJ,
      TELSTACJ, TELKOM, EMAIL)
    values (:ID%1, :FIRMA_ID%1, :DZIAL_ID%1, :IMIE%1, :NAZWISKO%1, :STANOWISKO%1, :PIETRO%1,
      :POKOJ%1, :TELSTACJ%1, :TELKOM%1, :EMAIL%1);
  else if (K%1 = 2) then
    update PERSONEL set FIRMA_ID = :FIRMA_ID%1, DZIAL_ID = :DZIAL_ID%1, IMIE = :IMIE%1,
      NAZWISKO = :NAZWISKO%1, STANOWISKO = :STANOWISKO%1, PIETRO = :PIETRO%1,
      POKOJ = :POKOJ%1, TELSTACJ = :TELSTACJ%1, TELKOM = :TELKOM%1, EMAIL = :EMAIL%1
    where ID = :ID%1;)";
constexpr int BareLineParams = 14;
constexpr auto SelectExport = R"(select
  P.*,
  F.NAZWA as FIRMA,
  D.NAZWA as DZIAL
from
  PERSONEL P,
  FIRMY F,
  DZIALY D
where
  P.FIRMA_ID = F.ID
  and
  P.DZIAL_ID = D.ID
order by
  F.NAZWA,
  D.NAZWA,
  P.NAZWISKO,
  P.IMIE, P.ID)";

const char* const Surnames[] = {"Kowalski",  "Nowak",     "Wiśniewska", "Dąbrowski", "Lewandowska",
                                "Zieliński", "Szymańska", "Woźniak",    "Kozłowski", "Żak"};
const char* const FirstNames[] = {"Anna", "Piotr", "Łukasz", "Małgorzata", "Zofia", "Michał"};

int departmentOf(int employee)
{
    return 1 + employee % (Companies * DepartmentsPerCompany);
}
int companyOf(int department)
{
    return (department - 1) / DepartmentsPerCompany + 1;
}

void fill(db::Database& database, int employees)
{
    db::Statement companies(database, QString::fromLatin1(InsertCompany));
    for (int id = 1; id <= Companies; ++id)
        companies.execute([&](const QString& name) -> QVariant {
            return name == "ID" ? QVariant(id) : QVariant(QStringLiteral("Firma %1").arg(id));
        });
    db::Statement departments(database, QString::fromLatin1(InsertDepartment));
    for (int id = 1; id <= Companies * DepartmentsPerCompany; ++id)
        departments.execute([&](const QString& name) -> QVariant {
            if (name == "ID")
                return id;
            if (name == "FIRMA_ID")
                return companyOf(id);
            if (name == "KOLEJ")
                return (id - 1) % DepartmentsPerCompany;
            return QStringLiteral("Dział %1").arg(id);
        });
    db::Statement staff(database, QString::fromLatin1(InsertEmployee));
    for (int id = 1; id <= employees; ++id)
        staff.execute([&](const QString& name) -> QVariant {
            if (name == "ID")
                return id;
            if (name == "FIRMA_ID")
                return companyOf(departmentOf(id));
            if (name == "DZIAL_ID")
                return departmentOf(id);
            if (name == "IMIE")
                return QString::fromUtf8(FirstNames[id % 6]);
            if (name == "NAZWISKO")
                return QString::fromUtf8(Surnames[id % 10]);
            if (name == "STANOWISKO")
                return QStringLiteral("Specjalista");
            if (name == "EMAIL")
                return QStringLiteral("osoba%1@firma.pl").arg(id);
            return QString::number(id % 17);
        });
    database.execute(QStringLiteral("set generator GEN_FIRMY_ID to %1").arg(Companies));
    database.execute(
        QStringLiteral("set generator GEN_DZIALY_ID to %1").arg(Companies * DepartmentsPerCompany));
    database.execute(QStringLiteral("set generator GEN_PERSONEL_ID to %1").arg(employees));
    database.transaction().commitRetaining();
}

// One line of the file as the bare loop writes it.
struct Line {
    int id = 0;  // 0: a new employee
    int company = 0;
    int department = 0;  // 0: the new department `newDepartment`
    int newDepartment = -1;
    QByteArray fields[8];  // NAZWISKO, IMIE, STANOWISKO, PIETRO, POKOJ, TELSTACJ, TELKOM, EMAIL
};

QByteArray cp1250(const QString& text)
{
    QStringEncoder encoder("windows-1250");
    return encoder.encode(text);
}

// Half updates of existing employees, half new ones; every 250th line of the new ones
// names a department that does not exist yet (200 of them).
QByteArray importFile(int lines, int existing, std::vector<Line>* parsed)
{
    QByteArray file = QByteArray(personnelcsv::Header) + "\r\n";
    for (int i = 0; i < lines; ++i) {
        Line line;
        const bool update = i % 2 == 0 && i / 2 < existing;
        line.id = update ? 1 + (i / 2) * 7 % existing : 0;
        const int department = departmentOf(i);
        line.company = companyOf(department);
        QByteArray departmentName = cp1250(QStringLiteral("Dział %1").arg(department));
        if (!update && (i / 2) % 125 == 0 && (i / 250) < NewDepartments) {
            line.newDepartment = i / 250;
            departmentName = cp1250(QStringLiteral("Nowy dział %1").arg(line.newDepartment));
        } else {
            line.department = department;
        }
        line.fields[0] = cp1250(QString::fromUtf8(Surnames[(i + 3) % 10]));
        line.fields[1] = cp1250(QString::fromUtf8(FirstNames[(i + 1) % 6]));
        line.fields[2] = "Kierownik";
        line.fields[3] = QByteArray::number(i % 9);
        line.fields[4] = QByteArray::number(100 + i % 300);
        line.fields[5] = "+48 22 555 " + QByteArray::number(1000 + i % 9000);
        line.fields[6] = "";
        line.fields[7] = "nowy" + QByteArray::number(i) + "@firma.pl";
        file += (line.id ? QByteArray::number(line.id) : QByteArray()) + ';' + line.fields[0] +
                ';' + line.fields[1] + ';' + "Firma " + QByteArray::number(line.company) + ';' +
                departmentName + ';' + line.fields[2] + ';' + line.fields[3] + ';' +
                line.fields[4] + ';' + line.fields[5] + ';' + line.fields[6] + ';' +
                line.fields[7] + "\r\n";
        if (parsed)
            parsed->push_back(line);
    }
    return file;
}

// A statement prepared once through the Firebird client; each run binds whole numbers and
// Windows-1250 bytes straight into the message.
class BareStatement {
public:
    using Value = std::optional<std::variant<qint64, QByteArray>>;

    // An execute block's text has its "?" already: its ":NAME" are its own variables.
    enum class Params { Named, Positional };
    BareStatement(db::Database& database, const QString& sql, Params params = Params::Named)
        : database_(database)
    {
        db::fb::Status st;
        const QByteArray text =
            database.encode(params == Params::Named ? db::toPositional(sql).text : sql);
        statement_.reset(database.attachment()->prepare(
            &st, database.transaction().handle(), unsigned(text.size()), text.constData(), 3,
            Firebird::IStatement::PREPARE_PREFETCH_METADATA));
        st.check();
        in_.reset(statement_->getInputMetadata(&st));
        out_.reset(statement_->getOutputMetadata(&st));
        st.check();
        input_.assign(in_->getMessageLength(&st), 0);
        output_.assign(out_->getMessageLength(&st), 0);
        st.check();
    }
    ~BareStatement()
    {
        db::fb::Status st;
        statement_->free(&st);
        if (!st.failed())
            statement_.forget();
    }

    // Runs it; the first column of a returned row as a whole number.
    qint64 run(const std::vector<Value>& values)
    {
        db::fb::Status st;
        for (unsigned i = 0; i < unsigned(values.size()); ++i) {
            unsigned char* at = input_.data() + in_->getOffset(&st, i);
            short* null = reinterpret_cast<short*>(input_.data() + in_->getNullOffset(&st, i));
            *null = values[i] ? 0 : -1;
            if (!values[i])
                continue;
            if (const auto* bytes = std::get_if<QByteArray>(&*values[i])) {
                const unsigned short length = (unsigned short)bytes->size();
                std::memcpy(at, &length, sizeof length);
                std::memcpy(at + 2, bytes->constData(), size_t(bytes->size()));
            } else {
                const qint32 number = qint32(std::get<qint64>(*values[i]));
                std::memcpy(at, &number, sizeof number);
            }
        }
        const bool returns = out_->getCount(&st) > 0;
        statement_->execute(&st, database_.transaction().handle(), in_.get(), input_.data(),
                            returns ? out_.get() : nullptr, returns ? output_.data() : nullptr);
        st.check();
        if (!returns)
            return 0;
        const short null = *reinterpret_cast<short*>(output_.data() + out_->getNullOffset(&st, 0));
        const unsigned type = out_->getType(&st, 0) & ~1u;
        const unsigned char* at = output_.data() + out_->getOffset(&st, 0);
        if (null)
            return 0;
        if (type == SQL_INT64) {
            qint64 v;
            std::memcpy(&v, at, sizeof v);
            return v;
        }
        qint32 v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }

private:
    db::Database& database_;
    db::fb::Ref<Firebird::IStatement> statement_;
    db::fb::Ref<Firebird::IMessageMetadata> in_;
    db::fb::Ref<Firebird::IMessageMetadata> out_;
    std::vector<unsigned char> input_;
    std::vector<unsigned char> output_;
};

// The writes of the import done by hand, in blocks: the keys drawn once for the whole file,
// each new department placed after its company's last (the filled ones end at
// DepartmentsPerCompany - 1).
int bareImport(db::Database& database, const std::vector<Line>& lines)
{
    QString parameters, writes;
    for (int line = 1; line <= personnelcsv::LinesPerBlock; ++line) {
        parameters += (line > 1 ? "," : "") + QString::fromLatin1(BareBlockParameters).arg(line);
        writes += QString::fromLatin1(BareBlockWrites).arg(line);
    }
    BareStatement block(database, QString::fromLatin1(BareBlock).arg(parameters, writes),
                        BareStatement::Params::Positional);
    const auto count = [&](bool (*wanted)(const Line&)) {
        return qint64(std::count_if(lines.begin(), lines.end(), wanted));
    };
    const qint64 newEmployees = count([](const Line& line) { return line.id == 0; });
    const qint64 newDepartments = count([](const Line& line) { return line.newDepartment >= 0; });
    qint64 employeeKey =
        BareStatement(database,
                      QStringLiteral("SELECT GEN_ID(GEN_PERSONEL_ID, CAST(:n AS INTEGER)) FROM "
                                     "RDB$DATABASE"))
            .run({newEmployees}) -
        newEmployees;
    qint64 departmentKey =
        BareStatement(
            database,
            QStringLiteral("SELECT GEN_ID(GEN_DZIALY_ID, CAST(:n AS INTEGER)) FROM RDB$DATABASE"))
            .run({newDepartments}) -
        newDepartments;
    std::map<int, qint64> highest;
    std::vector<BareStatement::Value> values;
    for (size_t first = 0; first < lines.size(); first += personnelcsv::LinesPerBlock) {
        values.assign(size_t(personnelcsv::LinesPerBlock) * BareLineParams, std::nullopt);
        for (size_t i = first; i < qMin(lines.size(), first + personnelcsv::LinesPerBlock); ++i) {
            const Line& line = lines[i];
            BareStatement::Value* at = values.data() + (i - first) * BareLineParams;
            at[0] = qint64(line.id ? 2 : 1);
            at[1] = line.id ? qint64(line.id) : ++employeeKey;
            at[2] = qint64(line.company);
            at[3] = qint64(line.department);
            if (line.newDepartment >= 0) {
                at[3] = ++departmentKey;
                at[4] = cp1250(QStringLiteral("Nowy dział %1").arg(line.newDepartment));
                auto order = highest.try_emplace(line.company, DepartmentsPerCompany - 1).first;
                at[5] = ++order->second;
            }
            for (int f = 0; f < 8; ++f)  // NAZWISKO, IMIE, ... in the order of the fields
                if (!line.fields[f].isEmpty())
                    at[6 + f] = line.fields[f];
        }
        block.run(values);
    }
    return int(lines.size());
}

// The bare export: the ordered join fetched through the client and its eleven columns
// written to a file as they arrive.
int bareExport(db::Database& database, const QString& path)
{
    db::fb::Status st;
    const QByteArray text = database.encode(QString::fromLatin1(SelectExport));
    db::fb::Ref<Firebird::IStatement> statement(database.attachment()->prepare(
        &st, database.transaction().handle(), unsigned(text.size()), text.constData(), 3,
        Firebird::IStatement::PREPARE_PREFETCH_METADATA));
    st.check();
    db::fb::Ref<Firebird::IMessageMetadata> meta(statement->getOutputMetadata(&st));
    st.check();
    const char* names[] = {"ID",     "NAZWISKO", "IMIE",     "FIRMA",  "DZIAL", "STANOWISKO",
                           "PIETRO", "POKOJ",    "TELSTACJ", "TELKOM", "EMAIL"};
    unsigned columns[11];
    for (int f = 0; f < 11; ++f)
        for (unsigned i = 0; i < meta->getCount(&st); ++i)
            if (std::strcmp(meta->getAlias(&st, i), names[f]) == 0)
                columns[f] = i;
    std::vector<unsigned char> row(meta->getMessageLength(&st));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray buffer = QByteArray(personnelcsv::Header) + "\r\n";
    db::fb::Ref<Firebird::IResultSet> cursor(statement->openCursor(
        &st, database.transaction().handle(), nullptr, nullptr, meta.get(), 0));
    st.check();
    int rows = 0;
    while (cursor->fetchNext(&st, row.data()) == Firebird::IStatus::RESULT_OK) {
        for (int f = 0; f < 11; ++f) {
            if (f)
                buffer += ';';
            const unsigned char* at = row.data() + meta->getOffset(&st, columns[f]);
            if (*reinterpret_cast<short*>(row.data() + meta->getNullOffset(&st, columns[f])))
                continue;
            if ((meta->getType(&st, columns[f]) & ~1u) == SQL_VARYING) {
                unsigned short length;
                std::memcpy(&length, at, sizeof length);
                buffer.append(reinterpret_cast<const char*>(at) + 2, length);
            } else {
                qint32 v;
                std::memcpy(&v, at, sizeof v);
                buffer += QByteArray::number(v);
            }
        }
        buffer += "\r\n";
        if (buffer.size() > (1 << 16)) {
            file.write(buffer);
            buffer.clear();
        }
        ++rows;
    }
    st.check();
    file.write(buffer);
    cursor->close(&st);
    cursor.forget();
    statement->free(&st);
    statement.forget();
    return rows;
}

double elapsedMs(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void print(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

void printRatio(const QString& what, double program, double bare)
{
    print(QStringLiteral("%1: program %2 ms, bare %3 ms, ratio %4")
              .arg(what)
              .arg(program, 0, 'f', 0)
              .arg(bare, 0, 'f', 0)
              .arg(program / bare, 0, 'f', 2));
}

using bench::peakMegabytes;

// Run in a process of its own so that its peak is the import's alone.
int memoryFigure()
{
    testsupport::TestDatabase database;
    fill(database.db(), 1000);
    const QByteArray file = importFile(100000, 1000, nullptr);
    const double before = peakMegabytes();
    const personnelcsv::ImportReport report = personnelcsv::importStaff(database.db(), file);
    print(QStringLiteral("import 100k lines: peak %1 MB (%2 MB before the import; %3 added, %4 "
                         "updated, %5 errors)")
              .arg(peakMegabytes(), 0, 'f', 0)
              .arg(before, 0, 'f', 0)
              .arg(report.added)
              .arg(report.updated)
              .arg(report.errors));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().contains(QStringLiteral("--memory")))
        return memoryFigure();

    {
        testsupport::TestDatabase database;
        fill(database.db(), 50000);
        std::vector<Line> lines;
        const QByteArray file = importFile(50000, 50000, &lines);
        std::vector<double> program, bare;
        for (int run = 0; run < Runs; ++run) {
            personnelcsv::ImportReport report;
            program.push_back(
                elapsedMs([&] { report = personnelcsv::importStaff(database.db(), file); }));
            if (run == 0)
                print(QStringLiteral("(program: %1 added, %2 updated, %3 errors)")
                          .arg(report.added)
                          .arg(report.updated)
                          .arg(report.errors));
            database.db().transaction().rollbackRetaining();
            bare.push_back(elapsedMs([&] { bareImport(database.db(), lines); }));
            database.db().transaction().rollbackRetaining();
        }
        printRatio(QStringLiteral("import 50k lines"), median(program), median(bare));
    }
    {
        testsupport::TestDatabase database;
        fill(database.db(), 100000);
        QTemporaryDir folder;
        std::vector<double> program, bare;
        for (int run = 0; run < Runs; ++run) {
            program.push_back(elapsedMs([&] {
                QFile out(folder.filePath(QStringLiteral("program.csv")));
                out.open(QIODevice::WriteOnly);
                personnelcsv::exportStaff(database.db(), out);
            }));
            bare.push_back(
                elapsedMs([&] { bareExport(database.db(), folder.filePath("bare.csv")); }));
        }
        printRatio(QStringLiteral("export 100k"), median(program), median(bare));
    }
    QProcess memory;
    memory.setProcessChannelMode(QProcess::ForwardedChannels);
    memory.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory")});
    memory.waitForFinished(-1);
    return 0;
}
