#include "personnel/PersonnelCsv.h"

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
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <ibase.h>
#include <memory>
#include <optional>

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

constexpr auto SelectCompanies = R"(select ID, NAZWA
from FIRMY)";
constexpr auto SelectDepartments = R"(select ID, FIRMA_ID, KOLEJ, NAZWA
from DZIALY)";
constexpr auto SelectEmployees = R"(select ID
from PERSONEL)";

// The rows of one line of the import: its company and its department when the line creates
// them (their names given), then its employee, added (K = 1) or updated (K = 2, INFO left as
// it is). The texts are as wide as their columns, to which the import cuts them.
constexpr auto WriteLineProcedure = R"(declare procedure WRITE_LINE (
    K smallint, ID integer, FIRMA_ID integer, DZIAL_ID integer,
    FIRMA varchar(128), DZIAL varchar(64), KOLEJ integer,
    NAZWISKO varchar(64), IMIE varchar(32), STANOWISKO varchar(64), PIETRO varchar(16),
    POKOJ varchar(16), TELSTACJ varchar(64), TELKOM varchar(64), EMAIL varchar(64))
  as
  begin
    if (FIRMA is not null) then
      insert into FIRMY (ID, NAZWA) values (:FIRMA_ID, :FIRMA);
    if (DZIAL is not null) then
      insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA)
      values (:DZIAL_ID, :FIRMA_ID, 0, :KOLEJ, :DZIAL);
    if (K = 1) then
      insert into PERSONEL
        (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO, PIETRO, POKOJ, TELSTACJ,
         TELKOM, EMAIL)
      values
        (:ID, :FIRMA_ID, :DZIAL_ID, :IMIE, :NAZWISKO, :STANOWISKO, :PIETRO, :POKOJ,
         :TELSTACJ, :TELKOM, :EMAIL);
    else
      update PERSONEL
      set
        FIRMA_ID = :FIRMA_ID,
        DZIAL_ID = :DZIAL_ID,
        IMIE = :IMIE,
        NAZWISKO = :NAZWISKO,
        STANOWISKO = :STANOWISKO,
        PIETRO = :PIETRO,
        POKOJ = :POKOJ,
        TELSTACJ = :TELSTACJ,
        TELKOM = :TELKOM,
        EMAIL = :EMAIL
      where
        ID = :ID;
  end)";
// The lines of a block written in one exchange: %1 the parameters of each line, %2 the
// procedure above, %3 its call for each line (a line left null is skipped). Then the keys
// asked for the next block are drawn, each generator's last value returned.
constexpr auto WriteBlock = R"(execute block (%1
  NEW_FIRMY integer = ?, NEW_DZIALY integer = ?, NEW_PERSONEL integer = ?)
returns (LAST_FIRMY bigint, LAST_DZIALY bigint, LAST_PERSONEL bigint)
as
  %2
begin%3
  LAST_FIRMY = gen_id(GEN_FIRMY_ID, :NEW_FIRMY);
  LAST_DZIALY = gen_id(GEN_DZIALY_ID, :NEW_DZIALY);
  LAST_PERSONEL = gen_id(GEN_PERSONEL_ID, :NEW_PERSONEL);
  suspend;
end)";
// %1 is the line's place in the block.
constexpr auto BlockLineParameters = R"(
  K%1 smallint = ?, ID%1 integer = ?, FIRMA_ID%1 integer = ?, DZIAL_ID%1 integer = ?,
  FIRMA%1 varchar(128) = ?, DZIAL%1 varchar(64) = ?, KOLEJ%1 integer = ?,
  NAZWISKO%1 varchar(64) = ?, IMIE%1 varchar(32) = ?, STANOWISKO%1 varchar(64) = ?,
  PIETRO%1 varchar(16) = ?, POKOJ%1 varchar(16) = ?, TELSTACJ%1 varchar(64) = ?,
  TELKOM%1 varchar(64) = ?, EMAIL%1 varchar(64) = ?,)";
constexpr auto BlockLineCall = R"(
  if (K%1 > 0) then
    execute procedure WRITE_LINE (:K%1, :ID%1, :FIRMA_ID%1, :DZIAL_ID%1, :FIRMA%1, :DZIAL%1,
      :KOLEJ%1, :NAZWISKO%1, :IMIE%1, :STANOWISKO%1, :PIETRO%1, :POKOJ%1, :TELSTACJ%1,
      :TELKOM%1, :EMAIL%1);)";

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

// Windows-1250 texts go to and from a connection in that character set as they are.
bool speaksWindows1250(const db::Database& database)
{
    return database.charset().compare(QLatin1String("WIN1250"), Qt::CaseInsensitive) == 0;
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
        sameCodePage_ = speaksWindows1250(database);
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

// A line that can be imported: eleven fields, a company and a department named.
struct ReadLine {
    std::array<QByteArrayView, FieldCount> fields;
    // Names as they are stored, cut to their columns, so that a long name finds the row an
    // earlier line created from it.
    QByteArrayView companyBytes;
    QByteArrayView departmentBytes;
    QString company;
    QString department;
    std::optional<int> employeeId;  // the number given, when it is one of 32 bits
};

// Empty when the line cannot be imported: a field too many or too few, or an empty name,
// which would be stored as no name and never be found again.
std::optional<ReadLine> readLine(QByteArrayView text)
{
    if (text.count(';') != FieldCount - 1)
        return std::nullopt;
    ReadLine line;
    qsizetype start = 0;
    for (int f = 0; f < FieldCount - 1; ++f) {
        const qsizetype end = text.indexOf(';', start);
        line.fields[size_t(f)] = text.sliced(start, end - start);
        start = end + 1;
    }
    line.fields[FieldCount - 1] = text.sliced(start);
    const QByteArrayView company = line.fields[CompanyField];
    const QByteArrayView department = line.fields[DepartmentField];
    line.companyBytes = company.first(qMin<qsizetype>(company.size(), CompanyNameWidth));
    line.departmentBytes =
        department.first(qMin<qsizetype>(department.size(), DepartmentNameWidth));
    if (line.companyBytes.isEmpty() || line.departmentBytes.isEmpty())
        return std::nullopt;
    line.company = decode(line.companyBytes);
    line.department = decode(line.departmentBytes);
    const std::optional<qint64> wanted = db::parseWholeNumber(decode(line.fields[IdField]));
    if (wanted && db::fitsInBits(*wanted, 32))
        line.employeeId = int(*wanted);
    return line;
}

// The companies, departments and employees, read once and kept in hash indexes that the
// rows the run adds join at once, so each look-up costs the same however large the tables
// are; a name found is the first row of that name in the order the tables were read, as a
// walk from the top would find. Of the employees only the numbers are read: an update
// leaves the rest of the row (the notes) as it is.
class StaffIndexes {
public:
    explicit StaffIndexes(db::Database& database)
    {
        std::vector<db::Values> rows;
        db::Statement(database, QString::fromLatin1(SelectCompanies)).execute({}, &rows);
        companies_.reserve(qsizetype(rows.size()));
        for (const db::Values& row : rows)
            if (!row[1].isNull())
                addFirst(companies_, row[1].toString(), row[0].toInt());

        rows.clear();
        db::Statement(database, QString::fromLatin1(SelectDepartments)).execute({}, &rows);
        departments_.reserve(qsizetype(rows.size()));
        for (const db::Values& row : rows) {
            if (row[1].isNull())
                continue;
            const int company = row[1].toInt();
            if (!row[2].isNull()) {
                const auto highest = highestOrder_.find(company);
                if (highest == highestOrder_.end())
                    highestOrder_.insert(company, row[2].toInt());
                else
                    *highest = qMax(*highest, row[2].toInt());
            }
            if (!row[3].isNull())
                addFirst(departments_, {company, row[3].toString()}, row[0].toInt());
        }

        rows.clear();
        db::Statement(database, QString::fromLatin1(SelectEmployees)).execute({}, &rows);
        employees_.reserve(qsizetype(rows.size()));
        for (const db::Values& row : rows)
            employees_.insert(row[0].toInt());
    }

    std::optional<int> company(const QString& name) const
    {
        const auto found = companies_.constFind(name);
        return found == companies_.constEnd() ? std::nullopt : std::optional(found.value());
    }
    std::optional<int> department(int companyId, const QString& name) const
    {
        const auto found = departments_.constFind({companyId, name});
        return found == departments_.constEnd() ? std::nullopt : std::optional(found.value());
    }
    bool hasEmployee(int id) const { return employees_.contains(id); }

    void addCompany(const QString& name, int id) { companies_.insert(name, id); }
    // After the company's last department, at the top of its tree: the order it gets.
    int addDepartment(int companyId, const QString& name, int id)
    {
        departments_.insert({companyId, name}, id);
        int& highest = highestOrder_[companyId];
        return ++highest;
    }
    void addEmployee(int id) { employees_.insert(id); }

private:
    QHash<QString, int> companies_;                    // first company of each name
    QHash<std::pair<int, QString>, int> departments_;  // first of each name in a company
    QHash<int, int> highestOrder_;                     // each company's highest KOLEJ
    QSet<int> employees_;
};

// The generators of the rows a line may add, and a count (or the last value) of each.
enum Generator { CompanyKeys, DepartmentKeys, EmployeeKeys };
using KeyCounts = std::array<qint64, 3>;

// The keys drawn from the generators and not yet taken, taken in the order they were
// drawn: a range for each draw, the rest of one draw before the next.
class KeysInHand {
public:
    // What to draw of each generator to have `needed` in hand.
    KeyCounts shortOf(const KeyCounts& needed) const
    {
        KeyCounts draw{};
        for (size_t g = 0; g < draw.size(); ++g)
            draw[g] = qMax<qint64>(0, needed[g] - available_[g]);
        return draw;
    }
    // Keys drawn: `drawn` of each generator, ending at its `last` value.
    void add(const KeyCounts& drawn, const KeyCounts& last)
    {
        for (size_t g = 0; g < drawn.size(); ++g) {
            if (drawn[g] > 0)
                ranges_[g].push_back({last[g] - drawn[g] + 1, last[g]});
            available_[g] += drawn[g];
        }
    }
    // Record numbers are 32-bit: a generator past that is refused, never cut.
    int take(Generator generator)
    {
        if (available_[generator] <= 0)
            throw db::Error(QStringLiteral("Brak pobranych wartości generatora"));
        std::pair<qint64, qint64>& range = ranges_[generator].front();
        const qint64 key = range.first++;
        if (range.first > range.second)
            ranges_[generator].pop_front();
        --available_[generator];
        if (!db::fitsInBits(key, 32))
            throw db::Error(QStringLiteral("Wartość %1 pola ID nie mieści się w liczbie "
                                           "całkowitej 32-bitowej.")
                                .arg(key));
        return int(key);
    }

private:
    std::array<std::deque<std::pair<qint64, qint64>>, 3> ranges_;
    KeyCounts available_{};
};

// The keys the lines from `from` may take, up to `writes` lines that write rows: one for
// each new company and new department by name, one for each line whose number is no known
// employee (more than taken when a line names an employee an earlier one of them adds).
KeyCounts keysNeeded(const std::vector<QByteArrayView>& lines, size_t from, int writes,
                     const StaffIndexes& indexes)
{
    QSet<QString> companies;
    QSet<std::pair<QString, QString>> departments;
    KeyCounts needed{};
    for (size_t i = from; i < lines.size() && writes > 0; ++i) {
        const std::optional<ReadLine> line = readLine(lines[i]);
        if (!line)
            continue;
        --writes;
        const std::optional<int> company = indexes.company(line->company);
        if (!company)
            companies.insert(line->company);
        if (!company || !indexes.department(*company, line->department))
            departments.insert({line->company, line->department});
        if (!line->employeeId || !indexes.hasEmployee(*line->employeeId))
            ++needed[EmployeeKeys];
    }
    needed[CompanyKeys] = companies.size();
    needed[DepartmentKeys] = departments.size();
    return needed;
}

// The rows one line writes, decided before they are sent; texts in the connection's
// character set, a null one for NULL.
struct LineRows {
    bool update = false;
    int employeeId = 0;
    int companyId = 0;
    int departmentId = 0;
    QByteArray newCompany;     // the name of the company the line creates; null: none
    QByteArray newDepartment;  // likewise of its department, placed at `departmentOrder`
    int departmentOrder = 0;
    std::array<QByteArray, EmployeeColumns.size()> texts;
};

// The execute block that writes the rows of up to lines() lines in one exchange, prepared
// once: each run binds the values straight into its message. A refused block is undone
// whole by the server, as every statement is.
class BlockStatement {
public:
    BlockStatement(db::Database& database, int lines) : database_(database), lines_(lines)
    {
        prepare();
        // The input message of a block must stay under 64 KB: with a character set of
        // several bytes a letter, fewer lines go into a block.
        while (input_.size() > MessageLimit && lines_ > 1) {
            lines_ /= 2;
            prepare();
        }
    }
    ~BlockStatement() { free(); }
    BlockStatement(const BlockStatement&) = delete;
    BlockStatement& operator=(const BlockStatement&) = delete;

    int lines() const { return lines_; }

    // Writes the rows of `count` lines (at most lines()) and draws `draw` keys of each
    // generator; the last value of each. Throws db::Error for a refusal.
    KeyCounts write(const LineRows* rows, int count, const KeyCounts& draw)
    {
        for (int line = 0; line < lines_; ++line) {
            const unsigned first = unsigned(line) * LineParams;
            if (line < count)
                bindLine(first, rows[line]);
            else
                for (unsigned p = 0; p < LineParams; ++p)
                    setNull(first + p);
        }
        for (unsigned g = 0; g < draw.size(); ++g)
            setNumber(unsigned(lines_) * LineParams + g, draw[g]);
        db::fb::Status st(database_.decoder());
        statement_->execute(&st, database_.transaction().handle(), in_.get(), input_.data(),
                            out_.get(), output_.data());
        st.check();
        KeyCounts last{};
        for (unsigned g = 0; g < last.size(); ++g) {
            const unsigned offset = out_->getOffset(&st, g);
            st.check();
            std::memcpy(&last[g], output_.data() + offset, sizeof last[g]);
        }
        return last;
    }

private:
    // The parameters of a line, in the order of BlockLineParameters.
    enum LineParam {
        KindParam,
        EmployeeParam,
        CompanyParam,
        DepartmentParam,
        NewCompanyParam,
        NewDepartmentParam,
        OrderParam,
        FirstTextParam,
        LineParams = FirstTextParam + int(EmployeeColumns.size())
    };
    static constexpr size_t MessageLimit = 65535;  // bytes

    struct Param {
        unsigned type = 0;
        unsigned length = 0;
        unsigned offset = 0;
        unsigned nullOffset = 0;
    };

    static QString sql(int lines)
    {
        QString parameters, calls;
        for (int line = 1; line <= lines; ++line) {
            parameters += QString::fromLatin1(BlockLineParameters).arg(line);
            calls += QString::fromLatin1(BlockLineCall).arg(line);
        }
        return QString::fromLatin1(WriteBlock)
            .arg(parameters, QString::fromLatin1(WriteLineProcedure), calls);
    }

    void prepare()
    {
        free();
        db::fb::Status st(database_.decoder());
        const QByteArray text = database_.encode(sql(lines_));
        statement_.reset(database_.attachment()->prepare(
            &st, database_.transaction().handle(), unsigned(text.size()), text.constData(), 3,
            Firebird::IStatement::PREPARE_PREFETCH_METADATA));
        st.check();
        in_.reset(statement_->getInputMetadata(&st));
        st.check();
        out_.reset(statement_->getOutputMetadata(&st));
        st.check();
        params_.resize(in_->getCount(&st));
        for (unsigned i = 0; i < params_.size(); ++i) {
            params_[i] = {in_->getType(&st, i) & ~1u, in_->getLength(&st, i),
                          in_->getOffset(&st, i), in_->getNullOffset(&st, i)};
            st.check();
        }
        input_.assign(in_->getMessageLength(&st), 0);
        output_.assign(out_->getMessageLength(&st), 0);
        st.check();
    }

    void free()
    {
        in_.reset();
        out_.reset();
        if (!statement_)
            return;
        db::fb::Status st;
        statement_->free(&st);
        if (st.failed())
            statement_.reset();
        else
            statement_.forget();
    }

    void bindLine(unsigned first, const LineRows& rows)
    {
        setNumber(first + KindParam, rows.update ? 2 : 1);
        setNumber(first + EmployeeParam, rows.employeeId);
        setNumber(first + CompanyParam, rows.companyId);
        setNumber(first + DepartmentParam, rows.departmentId);
        setText(first + NewCompanyParam, rows.newCompany);
        setText(first + NewDepartmentParam, rows.newDepartment);
        setNumber(first + OrderParam, rows.departmentOrder);
        for (unsigned c = 0; c < rows.texts.size(); ++c)
            setText(first + FirstTextParam + c, rows.texts[c]);
    }

    void setNull(unsigned param)
    {
        const short null = -1;
        std::memcpy(input_.data() + params_[param].nullOffset, &null, sizeof null);
    }

    void setNumber(unsigned param, qint64 value)
    {
        const Param& p = params_[param];
        const short notNull = 0;
        std::memcpy(input_.data() + p.nullOffset, &notNull, sizeof notNull);
        unsigned char* at = input_.data() + p.offset;
        if (p.type == SQL_SHORT) {
            const qint16 v = qint16(value);
            std::memcpy(at, &v, sizeof v);
        } else if (p.type == SQL_LONG) {
            const qint32 v = qint32(value);
            std::memcpy(at, &v, sizeof v);
        } else {
            std::memcpy(at, &value, sizeof value);
        }
    }

    void setText(unsigned param, const QByteArray& bytes)
    {
        if (bytes.isNull()) {
            setNull(param);
            return;
        }
        const Param& p = params_[param];
        const short notNull = 0;
        std::memcpy(input_.data() + p.nullOffset, &notNull, sizeof notNull);
        const auto size = (unsigned short)qMin<qsizetype>(bytes.size(), p.length);
        unsigned char* at = input_.data() + p.offset;
        std::memcpy(at, &size, sizeof size);
        std::memcpy(at + sizeof size, bytes.constData(), size);
    }

    db::Database& database_;
    int lines_ = 1;
    db::fb::Ref<Firebird::IStatement> statement_;
    db::fb::Ref<Firebird::IMessageMetadata> in_;
    db::fb::Ref<Firebird::IMessageMetadata> out_;
    std::vector<Param> params_;
    std::vector<unsigned char> input_;
    std::vector<unsigned char> output_;
};

void appendLogLine(QByteArray& log, const char* status, QByteArrayView line)
{
    log.append(statusBytes(status));
    log.append(line);
    log.append("\r\n");
}

// The server's message without the places in the import's own statement that it names for
// a failure inside a block: the message the line's rows would get sent on their own.
QString withoutBlockPlaces(const QString& message)
{
    QStringList lines = message.split(u'\n');
    lines.removeIf([](const QString& line) {
        const QStringView place = QStringView(line).mid(line.startsWith(u'-') ? 1 : 0);
        return place.startsWith(u"At sub procedure 'WRITE_LINE'") ||
               place.startsWith(u"At block line");
    });
    return lines.join(u'\n');
}

// Imports the lines of a file in blocks. Each line is read and its rows decided at once
// (later lines find what earlier ones add), and they are sent a block at a time. When the
// server refuses a block, its lines are written again one by one to find the line at
// fault: those before it stay stored, the run stops at it, as if each line had been sent
// alone. Keys are drawn a block ahead, by the block before or, when short, on their own.
class StaffImport {
public:
    StaffImport(db::Database& database, const std::vector<QByteArrayView>& lines,
                ImportReport& report)
        : database_(database),
          lines_(lines),
          report_(report),
          indexes_(database),
          block_(database, LinesPerBlock),
          sameCodePage_(speaksWindows1250(database))
    {}

    void run(const Progress& progress)
    {
        for (size_t i = 1; i < lines_.size(); ++i) {
            try {
                plan(i);
            } catch (const db::Error& error) {
                if (flush({}))
                    fail(i, error.message());
                return;
            }
            if (int(rows_.size()) == block_.lines() && !flush(keysToDraw(i + 1, block_.lines())))
                return;
            if (progress && !progress(int(i)) && i + 1 < lines_.size()) {
                if (flush({})) {
                    report_.cancelled = true;
                    report_.stoppedAtLine = int(i) + 1;
                }
                return;
            }
        }
        flush({});
    }

private:
    // A line read and waiting for its block to be stored.
    struct PendingLine {
        size_t index;  // among the file's lines
        Outcome outcome;
        int rows;  // its rows among rows_, -1 for none
    };

    // Decides what the line does and adds it to the block. Throws db::Error when its rows
    // cannot be made: a key past 32 bits, a text the connection cannot carry, keys not drawn.
    void plan(size_t index)
    {
        const std::optional<ReadLine> line = readLine(lines_[index]);
        if (!line) {
            pending_.push_back({index, Outcome::Error, -1});
            return;
        }
        const std::optional<int> company = indexes_.company(line->company);
        const std::optional<int> department =
            company ? indexes_.department(*company, line->department) : std::nullopt;
        const bool known = line->employeeId && indexes_.hasEmployee(*line->employeeId);
        ensureKeys(index, {!company, !department, !known});

        LineRows rows;
        rows.companyId = company ? *company : addCompany(*line, rows);
        rows.departmentId = department ? *department : addDepartment(*line, rows);
        rows.update = known;
        rows.employeeId = known ? *line->employeeId : keys_.take(EmployeeKeys);
        // Known at once, so a later line of the file with this number updates it.
        indexes_.addEmployee(rows.employeeId);
        for (size_t c = 0; c < EmployeeColumns.size(); ++c) {
            const QByteArrayView field = line->fields[size_t(EmployeeColumns[c].field)];
            if (!field.isEmpty())
                rows.texts[c] =
                    encoded(field.first(qMin<qsizetype>(field.size(), EmployeeColumns[c].width)),
                            EmployeeColumns[c].name);
        }
        rows_.push_back(std::move(rows));
        pending_.push_back(
            {index, known ? Outcome::Updated : Outcome::Added, int(rows_.size()) - 1});
    }

    int addCompany(const ReadLine& line, LineRows& rows)
    {
        const int id = keys_.take(CompanyKeys);
        rows.newCompany = encoded(line.companyBytes, "NAZWA");
        indexes_.addCompany(line.company, id);
        return id;
    }

    int addDepartment(const ReadLine& line, LineRows& rows)
    {
        const int id = keys_.take(DepartmentKeys);
        rows.newDepartment = encoded(line.departmentBytes, "NAZWA");
        rows.departmentOrder = indexes_.addDepartment(rows.companyId, line.department, id);
        return id;
    }

    // The file's bytes are the connection's when it speaks Windows-1250.
    QByteArray encoded(QByteArrayView bytes, const char* column) const
    {
        if (sameCodePage_)
            return QByteArray::fromRawData(bytes.data(), bytes.size());
        return database_.encode(decode(bytes),
                                QStringLiteral("w parametrze :%1").arg(QLatin1String(column)));
    }

    // What to draw for the lines from `from`, up to `writes` lines that write rows.
    KeyCounts keysToDraw(size_t from, int writes) const
    {
        return keys_.shortOf(keysNeeded(lines_, from, writes, indexes_));
    }

    // Draws keys on their own when the line needs more than are in hand: enough for the
    // rest of its block.
    void ensureKeys(size_t index, const KeyCounts& line)
    {
        if (keys_.shortOf(line) == KeyCounts{})
            return;
        const KeyCounts draw = keysToDraw(index, block_.lines() - int(rows_.size()));
        keys_.add(draw, block_.write(nullptr, 0, draw));
    }

    // Sends the block, drawing `draw` keys with it, and logs its lines. False when one of
    // them could not be stored: the run stops there.
    bool flush(const KeyCounts& draw)
    {
        const bool drawing = std::any_of(draw.begin(), draw.end(), [](qint64 n) { return n; });
        if (!rows_.empty() || drawing) {
            try {
                keys_.add(draw, block_.write(rows_.data(), int(rows_.size()), draw));
            } catch (const db::Error&) {
                return writeOneByOne();
            }
        }
        for (const PendingLine& line : pending_)
            log(line);
        pending_.clear();
        rows_.clear();
        return true;
    }

    // After a refused block, which stored nothing: its lines each in a block of its own.
    bool writeOneByOne()
    {
        std::vector<PendingLine> pending;
        pending.swap(pending_);
        std::vector<LineRows> rows;
        rows.swap(rows_);
        for (const PendingLine& line : pending) {
            if (line.rows >= 0) {
                try {
                    if (!single_)
                        single_ = std::make_unique<BlockStatement>(database_, 1);
                    single_->write(&rows[size_t(line.rows)], 1, {});
                } catch (const db::Error& error) {
                    fail(line.index, withoutBlockPlaces(error.message()));
                    return false;
                }
            }
            log(line);
        }
        return true;
    }

    void log(const PendingLine& line)
    {
        switch (line.outcome) {
            case Outcome::Added:
                appendLogLine(report_.log, StatusAdded, lines_[line.index]);
                ++report_.added;
                break;
            case Outcome::Updated:
                appendLogLine(report_.log, StatusUpdated, lines_[line.index]);
                ++report_.updated;
                break;
            case Outcome::Error:
                appendLogLine(report_.log, StatusError, lines_[line.index]);
                ++report_.errors;
                break;
        }
    }

    // The line could not be stored: logged as an error, and the run stops at it.
    void fail(size_t index, const QString& message)
    {
        log({index, Outcome::Error, -1});
        report_.failure = message;
        report_.stoppedAtLine = int(index) + 1;
    }

    db::Database& database_;
    const std::vector<QByteArrayView>& lines_;
    ImportReport& report_;
    StaffIndexes indexes_;
    BlockStatement block_;
    std::unique_ptr<BlockStatement> single_;  // for finding the line a block failed at
    const bool sameCodePage_;
    KeysInHand keys_;
    std::vector<PendingLine> pending_;  // the block's lines, refused ones too
    std::vector<LineRows> rows_;        // the rows of the block's lines
};

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
    report.log.reserve(file.size() + qsizetype(lines.size()) * 19);
    StaffImport import(database, lines, report);
    appendLogLine(report.log, StatusHeader, lines.front());
    import.run(progress);
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
