#include "personnel/PersonnelCsv.h"
#include "personnel/StaffStatements.h"

#include "controls/CsvFields.h"
#include "controls/PrivateFiles.h"
#include "db/Database.h"
#include "db/Error.h"
#include "db/Firebird.h"
#include "db/NumberText.h"
#include "db/Statement.h"

#include <QHash>
#include <QIODevice>
#include <QSaveFile>
#include <QStringDecoder>
#include <array>
#include <cstring>
#include <ibase.h>

namespace personnelcsv {

const char* const Header =
    "ID;NAZWISKO;IMIE;FIRMA;DZIAL;STANOWISKO;PIETRO;POKOJ;TEL.STACJONARNY;TEL.KOMROKOWY;EMAIL";
const char* const StatusHeader = "STATUS          ;";
const char* const StatusAdded = "dodano:         ;";
const char* const StatusUpdated = "aktualizowano:  ;";
const char* const StatusError = "błąd:           ;";

namespace {

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

constexpr auto SelectCompanies = R"(select *
from FIRMY)";
constexpr auto InsertCompany = R"(insert into FIRMY
  (ID, NAZWA)
values
  (:ID, :NAZWA))";

constexpr auto SelectDepartments = R"(select *
from DZIALY)";
constexpr auto InsertDepartment = R"(insert into DZIALY
  (ID, FIRMA_ID, POPID, KOLEJ, NAZWA, LOKALIZACJA)
values
  (:ID, :FIRMA_ID, :POPID, :KOLEJ, :NAZWA, :LOKALIZACJA))";
constexpr auto SelectHighestOrder = R"(select max(KOLEJ)
from DZIALY
where FIRMA_ID = :firma_id)";

constexpr auto SelectEmployees = R"(select *
from PERSONEL)";
// %s is the generator's name, %d its step.
constexpr auto SelectGeneratorValue = R"(SELECT GEN_ID(%s, %d) FROM RDB$DATABASE)";

// Column widths of what a line writes.
constexpr int CompanyNameWidth = 128;
constexpr int DepartmentNameWidth = 64;

constexpr int FieldCount = 11;
enum FieldIndex {
    IdField,
    SurnameField,
    FirstNameField,
    CompanyField,
    DepartmentField,
    PositionField,
    FloorField,
    RoomField,
    LandlineField,
    MobileField,
    EmailField
};

// The employee columns a line writes, with their widths, in the order of the fields.
struct EmployeeColumn {
    const char* name;
    FieldIndex field;
    int width;
};
constexpr std::array<EmployeeColumn, 8> EmployeeColumns{{
    {"NAZWISKO", SurnameField, 64},
    {"IMIE", FirstNameField, 32},
    {"STANOWISKO", PositionField, 64},
    {"PIETRO", FloorField, 16},
    {"POKOJ", RoomField, 16},
    {"TELSTACJ", LandlineField, 64},
    {"TELKOM", MobileField, 64},
    {"EMAIL", EmailField, 64},
}};

// Every byte of Windows-1250 as the character it stands for (the five bytes the code page
// leaves unassigned become the control characters of the same number).
const std::array<char16_t, 256>& windows1250()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        QStringDecoder decoder("windows-1250");
        const QString text = decoder.decode(all);
        for (int i = 0; i < 256; ++i)
            t[size_t(i)] = i < text.size() ? text[i].unicode() : char16_t(i);
        return t;
    }();
    return table;
}

QString decode(QByteArrayView bytes)
{
    const std::array<char16_t, 256>& table = windows1250();
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(table[uchar(bytes[i])]);
    return text;
}

const QByteArray& statusBytes(const char* status)
{
    static QHash<const char*, QByteArray> bytes;
    auto found = bytes.find(status);
    if (found == bytes.end())
        found = bytes.insert(status, controls::csv::encode(QString::fromUtf8(status)));
    return *found;
}

QString generatorSql(const char* generator)
{
    return QString::fromLatin1(SelectGeneratorValue)
        .replace(QLatin1String("%s"), QLatin1String(generator))
        .replace(QLatin1String("%d"), QLatin1String("1"));
}

int columnIndex(const db::Statement& statement, const char* name)
{
    const std::vector<db::Column>& columns = statement.columns();
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name == QLatin1String(name))
            return int(i);
    throw db::Error(QStringLiteral("Brak kolumny %1").arg(QLatin1String(name)));
}

// ------------------------------------------------------------------ export

// The export's cursor read straight from the client's buffer: the texts arrive as the
// connection's bytes, which are already the file's bytes when the connection speaks
// Windows-1250.
class ExportCursor {
public:
    ExportCursor(db::Database& database) : database_(database), st_(database.decoder())
    {
        const QByteArray text = database.encode(QString::fromLatin1(SelectExport));
        statement_.reset(database.attachment()->prepare(
            &st_, database.transaction().handle(), unsigned(text.size()), text.constData(), 3,
            Firebird::IStatement::PREPARE_PREFETCH_METADATA));
        st_.check();
        meta_.reset(statement_->getOutputMetadata(&st_));
        st_.check();
        const unsigned count = meta_->getCount(&st_);
        st_.check();
        static const char* const names[FieldCount] = {"ID",       "NAZWISKO",   "IMIE",   "FIRMA",
                                                      "DZIAL",    "STANOWISKO", "PIETRO", "POKOJ",
                                                      "TELSTACJ", "TELKOM",     "EMAIL"};
        for (int f = 0; f < FieldCount; ++f) {
            columns_[f] = -1;
            for (unsigned i = 0; i < count; ++i)
                if (std::strcmp(meta_->getAlias(&st_, i), names[f]) == 0)
                    columns_[f] = int(i);
            st_.check();
            if (columns_[f] < 0)
                throw db::Error(QStringLiteral("Brak kolumny %1").arg(QLatin1String(names[f])));
        }
        sameCodePage_ =
            database.charset().compare(QLatin1String("WIN1250"), Qt::CaseInsensitive) == 0;
        row_.assign(meta_->getMessageLength(&st_), 0);
        st_.check();
        cursor_.reset(statement_->openCursor(&st_, database.transaction().handle(), nullptr,
                                             nullptr, meta_.get(), 0));
        st_.check();
    }
    ~ExportCursor()
    {
        db::fb::Status st;
        if (cursor_) {
            cursor_->close(&st);
            if (!st.failed())
                cursor_.forget();
        }
        if (statement_) {
            statement_->free(&st);
            if (!st.failed())
                statement_.forget();
        }
    }

    bool next()
    {
        const int result = cursor_->fetchNext(&st_, row_.data());
        st_.check();
        return result == Firebird::IStatus::RESULT_OK;
    }

    // The value of one of the eleven fields as the file's bytes; empty for null.
    QByteArray value(int field)
    {
        const unsigned i = unsigned(columns_[field]);
        const unsigned char* at = row_.data() + meta_->getOffset(&st_, i);
        const short null =
            *reinterpret_cast<const short*>(row_.data() + meta_->getNullOffset(&st_, i));
        const unsigned type = meta_->getType(&st_, i) & ~1u;
        const unsigned length = meta_->getLength(&st_, i);
        if (null)
            return {};
        switch (type) {
            case SQL_SHORT: {
                qint16 v;
                std::memcpy(&v, at, sizeof v);
                return QByteArray::number(v);
            }
            case SQL_LONG: {
                qint32 v;
                std::memcpy(&v, at, sizeof v);
                return QByteArray::number(v);
            }
            case SQL_INT64: {
                qint64 v;
                std::memcpy(&v, at, sizeof v);
                return QByteArray::number(v);
            }
            case SQL_VARYING: {
                unsigned short size;
                std::memcpy(&size, at, sizeof size);
                return text(reinterpret_cast<const char*>(at) + 2, size);
            }
            case SQL_TEXT:
                return text(reinterpret_cast<const char*>(at), int(length));
            default:
                throw db::Error(
                    QStringLiteral("Nieobsługiwany typ kolumny w eksporcie (%1)").arg(type));
        }
    }

private:
    QByteArray text(const char* bytes, int size) const
    {
        QByteArray raw(bytes, size);
        return sameCodePage_ ? raw : controls::csv::encode(database_.decode(raw));
    }

    db::Database& database_;
    db::fb::Status st_;
    db::fb::Ref<Firebird::IStatement> statement_;
    db::fb::Ref<Firebird::IMessageMetadata> meta_;
    db::fb::Ref<Firebird::IResultSet> cursor_;
    std::array<int, FieldCount> columns_{};
    std::vector<unsigned char> row_;
    bool sameCodePage_ = true;
};

// ------------------------------------------------------------------ import

// A later row of the same name does not replace the first.
template <class Key>
void addFirst(QHash<Key, int>& index, const Key& key, int id)
{
    if (!index.contains(key))
        index.insert(key, id);
}

enum class Outcome { Error, Added, Updated };

// Imports one line after another. The companies, departments and employees are read once
// and kept in hash indexes that the rows the run adds join at once, so each look-up costs
// the same however large the tables are; a name found is the first row of that name in
// the order the tables were read, as a walk from the top would find.
class LineImporter {
public:
    explicit LineImporter(db::Database& database)
        : insertCompany_(database, QString::fromLatin1(InsertCompany)),
          insertDepartment_(database, QString::fromLatin1(InsertDepartment)),
          highestOrder_(database, QString::fromLatin1(SelectHighestOrder)),
          insertEmployee_(database, QString::fromLatin1(personnel::InsertEmployee)),
          updateEmployee_(database, QString::fromLatin1(personnel::UpdateEmployee)),
          companyKey_(database, generatorSql("GEN_FIRMY_ID")),
          departmentKey_(database, generatorSql("GEN_DZIALY_ID")),
          employeeKey_(database, generatorSql("GEN_PERSONEL_ID"))
    {
        {
            db::Statement select(database, QString::fromLatin1(SelectCompanies));
            std::vector<db::Values> rows;
            select.execute({}, &rows);
            const int id = columnIndex(select, "ID"), name = columnIndex(select, "NAZWA");
            companies_.reserve(qsizetype(rows.size()));
            for (const db::Values& row : rows)
                if (!row[size_t(name)].isNull())
                    addFirst(companies_, row[size_t(name)].toString(), row[size_t(id)].toInt());
        }
        {
            db::Statement select(database, QString::fromLatin1(SelectDepartments));
            std::vector<db::Values> rows;
            select.execute({}, &rows);
            const int id = columnIndex(select, "ID"), company = columnIndex(select, "FIRMA_ID"),
                      name = columnIndex(select, "NAZWA");
            departments_.reserve(qsizetype(rows.size()));
            for (const db::Values& row : rows)
                if (!row[size_t(name)].isNull() && !row[size_t(company)].isNull())
                    addFirst(departments_,
                             {row[size_t(company)].toInt(), row[size_t(name)].toString()},
                             row[size_t(id)].toInt());
        }
        {
            db::Statement select(database, QString::fromLatin1(SelectEmployees));
            std::vector<db::Values> rows;
            select.execute({}, &rows);
            const int id = columnIndex(select, "ID"), info = columnIndex(select, "INFO");
            employees_.reserve(qsizetype(rows.size()));
            for (const db::Values& row : rows)
                employees_.insert(row[size_t(id)].toInt(), row[size_t(info)].toString());
        }
    }

    Outcome importLine(QByteArrayView line)
    {
        if (line.count(';') != FieldCount - 1)
            return Outcome::Error;
        std::array<QByteArrayView, FieldCount> fields;
        qsizetype start = 0;
        for (int f = 0; f < FieldCount - 1; ++f) {
            const qsizetype end = line.indexOf(';', start);
            fields[size_t(f)] = line.sliced(start, end - start);
            start = end + 1;
        }
        fields[FieldCount - 1] = line.sliced(start);

        // Names are compared as they are stored, cut to their column, so that a long name
        // finds the row an earlier line created from it. An empty name would be stored as
        // no name and never be found again: such a line is refused.
        const QByteArrayView companyName = fields[CompanyField].first(
            qMin<qsizetype>(fields[CompanyField].size(), CompanyNameWidth));
        const QByteArrayView departmentName = fields[DepartmentField].first(
            qMin<qsizetype>(fields[DepartmentField].size(), DepartmentNameWidth));
        if (companyName.isEmpty() || departmentName.isEmpty())
            return Outcome::Error;

        const int companyId = companyByName(decode(companyName));
        const int departmentId = departmentByName(companyId, decode(departmentName));

        int employeeId = 0;
        QString info;
        Outcome outcome = Outcome::Added;
        const std::optional<qint64> wanted = db::parseWholeNumber(decode(fields[IdField]));
        if (wanted && db::fitsInBits(*wanted, 32)) {
            const auto found = employees_.constFind(int(*wanted));
            if (found != employees_.constEnd()) {
                employeeId = found.key();
                info = found.value();
                outcome = Outcome::Updated;
            }
        }
        if (outcome == Outcome::Added)
            employeeId = nextKey(employeeKey_);

        std::array<QVariant, EmployeeColumns.size()> texts;
        for (size_t c = 0; c < EmployeeColumns.size(); ++c) {
            const QByteArrayView field = fields[size_t(EmployeeColumns[c].field)];
            if (!field.isEmpty())
                texts[c] =
                    decode(field.first(qMin<qsizetype>(field.size(), EmployeeColumns[c].width)));
        }
        const auto params = [&](const QString& name) -> QVariant {
            if (name == QLatin1String("ID") || name == QLatin1String("OLD_ID"))
                return employeeId;
            if (name == QLatin1String("FIRMA_ID"))
                return companyId;
            if (name == QLatin1String("DZIAL_ID"))
                return departmentId;
            if (name == QLatin1String("INFO"))
                return info.isNull() ? QVariant() : QVariant(info);
            for (size_t c = 0; c < EmployeeColumns.size(); ++c)
                if (name == QLatin1String(EmployeeColumns[c].name))
                    return texts[c];
            return {};
        };
        if (outcome == Outcome::Updated) {
            updateEmployee_.execute(params);
        } else {
            // Known at once, so a later line of the file with this number updates it.
            employees_.insert(employeeId, QString());
            insertEmployee_.execute(params);
        }
        return outcome;
    }

private:
    // Record numbers are 32-bit: a generator past that is refused, never cut.
    int nextKey(db::Statement& generator)
    {
        std::vector<db::Values> rows;
        generator.execute({}, &rows);
        const qint64 key = rows.at(0).at(0).toLongLong();
        if (!db::fitsInBits(key, 32))
            throw db::Error(QStringLiteral("Wartość %1 pola ID nie mieści się w liczbie "
                                           "całkowitej 32-bitowej.")
                                .arg(key));
        return int(key);
    }

    int companyByName(const QString& name)
    {
        const auto found = companies_.constFind(name);
        if (found != companies_.constEnd())
            return found.value();
        const int id = nextKey(companyKey_);
        insertCompany_.execute([&](const QString& param) -> QVariant {
            return param == QLatin1String("ID") ? QVariant(id) : QVariant(name);
        });
        companies_.insert(name, id);
        return id;
    }

    int departmentByName(int companyId, const QString& name)
    {
        const auto found = departments_.constFind({companyId, name});
        if (found != departments_.constEnd())
            return found.value();
        // After the company's last department, at the top of its tree.
        std::vector<db::Values> highest;
        highestOrder_.execute([&](const QString&) -> QVariant { return companyId; }, &highest);
        const int order = (highest.empty() ? 0 : highest.front().at(0).toInt()) + 1;
        const int id = nextKey(departmentKey_);
        insertDepartment_.execute([&](const QString& param) -> QVariant {
            if (param == QLatin1String("ID"))
                return id;
            if (param == QLatin1String("FIRMA_ID"))
                return companyId;
            if (param == QLatin1String("POPID"))
                return 0;
            if (param == QLatin1String("KOLEJ"))
                return order;
            if (param == QLatin1String("NAZWA"))
                return name;
            return {};
        });
        departments_.insert({companyId, name}, id);
        return id;
    }

    db::Statement insertCompany_;
    db::Statement insertDepartment_;
    db::Statement highestOrder_;
    db::Statement insertEmployee_;
    db::Statement updateEmployee_;
    db::Statement companyKey_;
    db::Statement departmentKey_;
    db::Statement employeeKey_;
    QHash<QString, int> companies_;                    // first company of each name
    QHash<std::pair<int, QString>, int> departments_;  // first of each name in a company
    QHash<int, QString> employees_;                    // every employee's notes (INFO)
};

void appendLogLine(QByteArray& log, const char* status, QByteArrayView line)
{
    log.append(statusBytes(status));
    log.append(line);
    log.append("\r\n");
}

}  // namespace

QString exportFileName(const QDate& today)
{
    return QStringLiteral("lista_personelu_%1.csv")
        .arg(today.toString(QStringLiteral("yyyy-MM-dd")));
}

QString logFileName(const QDateTime& now)
{
    return QStringLiteral("log_importu_") + now.toString(QStringLiteral("yyyy-MM-dd_HHmm")) +
           QStringLiteral(".txt");
}

int exportStaff(db::Database& database, QIODevice& out, const Progress& progress)
{
    QByteArray buffer;
    buffer.reserve(1 << 16);
    buffer.append(Header);
    buffer.append(controls::csv::LineEnd);
    ExportCursor cursor(database);
    int rows = 0;
    QByteArray line;
    while (cursor.next()) {
        line.clear();
        for (int f = 0; f < FieldCount; ++f) {
            if (f > 0)
                line.append(controls::csv::Separator);
            controls::csv::appendField(line, cursor.value(f));
        }
        buffer.append(line.replace("(null)", ""));
        buffer.append(controls::csv::LineEnd);
        ++rows;
        if (buffer.size() >= (1 << 16)) {
            if (out.write(buffer) != buffer.size())
                throw db::Error(out.errorString());
            buffer.clear();
        }
        if (progress && !progress(rows))
            return -1;
    }
    if (out.write(buffer) != buffer.size())
        throw db::Error(out.errorString());
    return rows;
}

std::vector<QByteArrayView> splitLines(const QByteArray& file)
{
    const qsizetype zero = file.indexOf('\0');
    const QByteArrayView bytes = QByteArrayView(file).first(zero < 0 ? file.size() : zero);
    std::vector<QByteArrayView> lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.push_back(bytes.sliced(start, i - start));
        i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < bytes.size())
        lines.push_back(bytes.sliced(start));
    return lines;
}

ImportReport importStaff(db::Database& database, const QByteArray& file, const Progress& progress)
{
    ImportReport report;
    const std::vector<QByteArrayView> lines = splitLines(file);
    if (lines.empty() || lines.front() != QByteArrayView(Header))
        return report;
    report.headerMatched = true;
    LineImporter importer(database);
    report.log.reserve(file.size() + qsizetype(lines.size()) * 19);
    appendLogLine(report.log, StatusHeader, lines.front());
    for (size_t i = 1; i < lines.size(); ++i) {
        const int lineNumber = int(i) + 1;
        Outcome outcome = Outcome::Error;
        try {
            outcome = importer.importLine(lines[i]);
        } catch (const db::Error& error) {
            appendLogLine(report.log, StatusError, lines[i]);
            ++report.errors;
            report.failure = error.message();
            report.stoppedAtLine = lineNumber;
            return report;
        }
        switch (outcome) {
            case Outcome::Added:
                appendLogLine(report.log, StatusAdded, lines[i]);
                ++report.added;
                break;
            case Outcome::Updated:
                appendLogLine(report.log, StatusUpdated, lines[i]);
                ++report.updated;
                break;
            case Outcome::Error:
                appendLogLine(report.log, StatusError, lines[i]);
                ++report.errors;
                break;
        }
        if (progress && !progress(int(i)) && i + 1 < lines.size()) {
            report.cancelled = true;
            report.stoppedAtLine = lineNumber;
            return report;
        }
    }
    return report;
}

LogPlace writeLog(const QByteArray& log, const QString& fileName, const QStringList& folders)
{
    LogPlace place;
    for (const QString& folder : folders) {
        if (folder.isEmpty())  // an installed program has no folder of its own to write
            continue;
        QSaveFile file(folder + fileName);
        if (controls::openPrivate(file) && file.write(log) == log.size() && file.commit()) {
            place.path = file.fileName();
            place.error.clear();
            return place;
        }
        place.error = file.errorString();
    }
    return place;
}

}  // namespace personnelcsv
