#include "db/DataSet.h"

#include "db/Database.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/NumberText.h"

#include <cmath>
#include <limits>
#include <utility>

namespace db {
namespace {

// The next value of a generator; %s is the generator's name, %d its step.
constexpr auto SelectGeneratorValue = R"(SELECT GEN_ID(%s, %d) FROM RDB$DATABASE)";

// The number a locate or an assignment is given: a number, or a text read as one.
bool numberFrom(const QVariant& v, FieldType type, double& out)
{
    if (v.typeId() == QMetaType::QString) {
        if (type == FieldType::Integer || type == FieldType::LargeInt) {
            const std::optional<qint64> whole = parseWholeNumber(v.toString());
            if (whole)
                out = double(*whole);
            return whole.has_value();
        }
        const std::optional<double> number = parseNumber(v.toString(), NumberForm::Polish);
        if (number)
            out = *number;
        return number.has_value();
    }
    bool ok = false;
    out = v.toDouble(&ok);
    return ok;
}

}  // namespace

// ---------------------------------------------------------------- Field

Field::Field(DataSet& set, int index, Column column, bool calculated)
    : set_(set), index_(index), column_(std::move(column)), calculated_(calculated)
{}

QVariant Field::value() const
{
    if (set_.current_ < 0)
        return {};
    return set_.currentRow().values[size_t(index_)];
}

QString Field::asString() const
{
    const QVariant v = value();
    if (v.isNull())
        return {};
    if (column_.type == FieldType::Float)
        return formatNumber(v.toDouble(), NumberForm::Polish);
    return v.toString();
}

int Field::asInteger() const
{
    const qint64 whole = asLargeInt();
    if (!fitsInBits(whole, 32))
        throw Error(QStringLiteral("Wartość %1 pola %2 nie mieści się w liczbie całkowitej "
                                   "32-bitowej.")
                        .arg(whole)
                        .arg(name()));
    return int(whole);
}

qint64 Field::asLargeInt() const
{
    const QVariant v = value();
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong)
        return v.toLongLong();  // exactly, beyond the 53 bits of a double
    double number = 0;
    if (!numberFrom(v, FieldType::LargeInt, number))
        throw Error(QStringLiteral("'%1' nie jest poprawną liczbą całkowitą").arg(v.toString()));
    return qint64(std::llround(number));
}

double Field::asFloat() const
{
    const QVariant v = value();
    if (v.isNull())
        return 0;
    double number = 0;
    if (!numberFrom(v, FieldType::Float, number))
        throw Error(QStringLiteral("'%1' nie jest poprawną liczbą").arg(v.toString()));
    return number;
}

void Field::setValue(const QVariant& value)
{
    set_.requireEditing();
    const QVariant stored = toColumnValue(value);
    set_.currentRow().values[size_t(index_)] = stored;
    set_.calculate(set_.currentRow());
    emit set_.rowChanged(set_.current_);
}

QVariant Field::toColumnValue(const QVariant& value) const
{
    if (value.isNull())
        return {};
    const bool isText = value.typeId() == QMetaType::QString;
    if (column_.type != FieldType::String && isText && value.toString().trimmed().isEmpty())
        return {};
    const QString shown = value.typeId() == QMetaType::Double
                              ? formatNumber(value.toDouble(), NumberForm::Polish)
                              : value.toString();
    switch (column_.type) {
        case FieldType::String: {
            if (shown.isEmpty())
                return {};
            const QString text = column_.size > 0 ? shown.left(column_.size) : shown;
            // Refused here, before anything is written, rather than stored as 0x1A bytes.
            const Database& database = set_.database();
            if (const QString character = database.unencodable(text); !character.isEmpty())
                throw Error(database.unencodableMessage(character,
                                                        QStringLiteral("w polu %1").arg(name())));
            return text;
        }
        case FieldType::Integer:
        case FieldType::LargeInt: {
            const int bits = column_.bits > 0                     ? column_.bits
                             : column_.type == FieldType::Integer ? 32
                                                                  : 64;
            std::optional<qint64> whole;
            if (isText) {
                whole = parseWholeNumber(shown);
                const std::optional<double> number = parseNumber(shown, NumberForm::Polish);
                if (!whole && (!number || *number != std::trunc(*number)))
                    throw Error(QStringLiteral("Tekst „%1” w polu %2 nie jest liczbą całkowitą.")
                                    .arg(shown, name()));
                if (!whole)
                    whole = roundToWhole(*number, 64);
            } else if (value.typeId() == QMetaType::Double) {
                whole = roundToWhole(value.toDouble(), 64);
            } else if (value.typeId() != QMetaType::ULongLong ||
                       value.toULongLong() <= quint64(std::numeric_limits<qint64>::max())) {
                bool ok = false;
                whole = value.toLongLong(&ok);
                if (!ok)
                    throw Error(QStringLiteral("Wartość „%1” w polu %2 nie jest liczbą całkowitą.")
                                    .arg(shown, name()));
            }
            if (!whole || !fitsInBits(*whole, bits))
                throw Error(
                    QStringLiteral(
                        "Wartość „%1” nie mieści się w polu %2 (liczba całkowita %3-bitowa).")
                        .arg(shown, name())
                        .arg(bits));
            return column_.type == FieldType::Integer ? QVariant(int(*whole)) : QVariant(*whole);
        }
        case FieldType::Float:
        case FieldType::DateTime:
        case FieldType::Date:
        case FieldType::Time: {
            double number = 0;
            if (!numberFrom(value, FieldType::Float, number))
                throw Error(
                    QStringLiteral("Wartość „%1” w polu %2 nie jest liczbą.").arg(shown, name()));
            if (column_.type == FieldType::Float) {
                const double largest = column_.bits == 32
                                           ? double(std::numeric_limits<float>::max())
                                           : std::numeric_limits<double>::max();
                if (!std::isfinite(number) || std::fabs(number) > largest)
                    throw Error(QStringLiteral("Wartość „%1” nie mieści się w polu %2.")
                                    .arg(shown, name()));
            } else if (!isValidDayCount(number)) {
                throw Error(QStringLiteral("Wartość „%1” w polu %2 nie jest datą ani czasem.")
                                .arg(shown, name()));
            }
            return number;
        }
        case FieldType::Boolean:
            return value.toBool();
        case FieldType::Bytes:
            return value.toByteArray();
    }
    return {};
}

void Field::setAsString(const QString& text)
{
    setValue(text);
}

// ---------------------------------------------------------------- DataSet

DataSet::DataSet(Database& database, QObject* parent) : QObject(parent), database_(database)
{
    database_.add(this);
}

DataSet::~DataSet()
{
    database_.remove(this);
}

void DataSet::setSelectSql(const QString& text)
{
    selectLines_ = text.split(u'\n');
}

void DataSet::setGenerator(const QString& generator, const QString& field, GeneratorApply apply,
                           int step)
{
    generator_ = {generator, field, apply, step};
}

void DataSet::addCalculatedField(const QString& name, int size,
                                 std::function<QVariant(const DataSet&)> compute)
{
    calculatedDefs_.emplace_back(name, size);
    calculated_.push_back({-1, std::move(compute)});
}

void DataSet::setParam(const QString& name, const QVariant& value)
{
    params_[name.toUpper()] = value;
}

QVariant DataSet::param(const QString& name) const
{
    const auto it = params_.find(name.toUpper());
    return it == params_.end() ? QVariant() : it->second;
}

Statement& DataSet::prepared(const QString& sql)
{
    auto it = statements_.find(sql);
    if (it == statements_.end())
        it = statements_.emplace(sql, std::make_unique<Statement>(database_, sql)).first;
    return *it->second;
}

Statement& DataSet::preparedSelect()
{
    const QString sql = selectSql();
    if (!select_ || select_->sql() != sql) {
        select_.reset();
        select_ = std::make_unique<Statement>(database_, sql);
    }
    return *select_;
}

void DataSet::buildFields(const std::vector<Column>& columns)
{
    bool same = fields_.size() == columns.size() + calculatedDefs_.size();
    for (size_t i = 0; same && i < columns.size(); ++i)
        same = fields_[i]->name() == columns[i].name && fields_[i]->type() == columns[i].type &&
               fields_[i]->size() == columns[i].size;
    if (same)
        return;
    fields_.clear();
    for (const Column& column : columns)
        fields_.push_back(std::make_unique<Field>(*this, int(fields_.size()), column, false));
    for (size_t i = 0; i < calculatedDefs_.size(); ++i) {
        Column column{calculatedDefs_[i].first, FieldType::String, calculatedDefs_[i].second,
                      false};
        calculated_[i].index = int(fields_.size());
        fields_.push_back(std::make_unique<Field>(*this, int(fields_.size()), column, true));
    }
}

void DataSet::calculate(Row& row)
{
    if (calculated_.empty())
        return;
    // The computations read the fields of the current row: make `row` current meanwhile.
    const int saved = current_;
    current_ = int(&row - rows_.data());
    for (const Calculated& c : calculated_)
        row.values[size_t(c.index)] = c.compute(*this);
    current_ = saved;
}

void DataSet::open()
{
    if (active())
        return;
    Statement& statement = preparedSelect();
    std::vector<Values> fetched;
    // Each row comes with room for the calculated fields after the columns.
    statement.execute([this](const QString& name) { return param(name); }, &fetched,
                      statement.columns().size() + calculatedDefs_.size());
    buildFields(statement.columns());
    rows_.clear();
    rows_.reserve(fetched.size());
    for (Values& values : fetched)
        rows_.push_back({std::move(values)});
    for (Row& row : rows_)
        calculate(row);
    state_ = DataSetState::Browse;
    current_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
    emit rowsReset();
    emit afterScroll();
}

void DataSet::close()
{
    if (!active())
        return;
    rows_.clear();
    current_ = -1;
    state_ = DataSetState::Inactive;
    eof_ = bof_ = true;
    emit rowsReset();
}

void DataSet::execSql()
{
    preparedSelect().execute([this](const QString& name) { return param(name); });
}

void DataSet::releaseStatements()
{
    close();
    select_.reset();
    statements_.clear();
}

void DataSet::requireActive() const
{
    if (!active())
        throw Error(QStringLiteral("Operacja niedozwolona: zbiór danych jest zamknięty"));
}

void DataSet::requireEditing() const
{
    if (!editing())
        throw Error(QStringLiteral("Zbiór danych nie jest w trybie edycji ani dopisywania"));
}

DataSet::Row& DataSet::currentRow()
{
    return rows_.at(size_t(current_));
}

const DataSet::Row& DataSet::currentRow() const
{
    return rows_.at(size_t(current_));
}

void DataSet::setCurrent(int index, bool always)
{
    const bool moved = index != current_;
    current_ = index;
    if (moved || always)
        emit afterScroll();
}

void DataSet::setRecNo(int recNo)
{
    requireActive();
    checkBrowseMode();
    if (rows_.empty())
        return;
    const int index = qBound(0, recNo - 1, int(rows_.size()) - 1);
    bof_ = eof_ = false;
    setCurrent(index, false);
}

void DataSet::first()
{
    requireActive();
    checkBrowseMode();
    bof_ = true;
    eof_ = rows_.empty();
    if (!rows_.empty())
        setCurrent(0, true);
}

void DataSet::last()
{
    requireActive();
    checkBrowseMode();
    eof_ = true;
    bof_ = rows_.empty();
    if (!rows_.empty())
        setCurrent(int(rows_.size()) - 1, true);
}

void DataSet::next()
{
    requireActive();
    checkBrowseMode();
    if (current_ + 1 < int(rows_.size())) {
        bof_ = false;
        eof_ = false;
        setCurrent(current_ + 1, false);
    } else {
        eof_ = true;
    }
}

void DataSet::prior()
{
    requireActive();
    checkBrowseMode();
    if (current_ > 0) {
        bof_ = false;
        eof_ = false;
        setCurrent(current_ - 1, false);
    } else {
        bof_ = true;
    }
}

Field* DataSet::findField(const QString& name) const
{
    for (const auto& f : fields_)
        if (f->name().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

Field& DataSet::field(const QString& name) const
{
    if (Field* f = findField(name))
        return *f;
    throw Error(QStringLiteral("Pole '%1' nie istnieje").arg(name));
}

QVariant DataSet::value(int row, int fieldIndex) const
{
    if (row < 0 || row >= int(rows_.size()) || fieldIndex < 0 || fieldIndex >= int(fields_.size()))
        return {};
    return rows_[size_t(row)].values[size_t(fieldIndex)];
}

void DataSet::startRow(int at)
{
    requireActive();
    checkBrowseMode();
    beforeInsert_ = current_;
    rows_.insert(rows_.begin() + at, Row{Values(fields_.size())});
    current_ = at;
    state_ = DataSetState::Insert;
    try {
        if (generator_.apply == GeneratorApply::OnNewRecord && !generator_.name.isEmpty())
            assignGeneratorValue();
    } catch (...) {
        rows_.erase(rows_.begin() + at);
        current_ = beforeInsert_;
        state_ = DataSetState::Browse;
        throw;
    }
    calculate(currentRow());
    eof_ = bof_ = false;
    emit rowsReset();
    emit afterScroll();
}

void DataSet::append()
{
    requireActive();
    startRow(int(rows_.size()));
}

void DataSet::insert()
{
    requireActive();
    startRow(current_ < 0 ? 0 : current_);
}

// Reads the current row again as stored and starts editing it from there; the row then
// holds what it held before when `keepValues`, else what is stored. True when the row's
// values changed.
bool DataSet::beginEdit(bool keepValues)
{
    requireActive();
    if (editing())
        return false;
    // There is no row to edit; a new row is started only by append() or insert().
    if (rows_.empty())
        throw Error(QStringLiteral("Nie można edytować wiersza: lista jest pusta"));
    const Values before = currentRow().values;
    refreshCurrent();
    editBackup_ = keepValues ? std::exchange(currentRow().values, before) : currentRow().values;
    state_ = DataSetState::Edit;
    return currentRow().values != before;
}

void DataSet::edit()
{
    // Another desk may have changed the row since it was read: the edit starts from what
    // is stored now.
    if (beginEdit(false))
        emit rowChanged(current_);
}

void DataSet::resumeEdit()
{
    beginEdit(true);
}

void DataSet::assignKey()
{
    if (state_ == DataSetState::Insert && !generator_.name.isEmpty() &&
        field(generator_.field).isNull())
        assignGeneratorValue();
}

void DataSet::assignGeneratorValue()
{
    const QString sql = QString::asprintf(SelectGeneratorValue,
                                          generator_.name.toLatin1().constData(), generator_.step);
    std::vector<Values> result;
    prepared(sql).execute({}, &result);
    if (result.empty() || result.front().empty())
        throw Error(QStringLiteral("Generator %1 nie zwrócił wartości").arg(generator_.name));
    field(generator_.field).setValue(result.front().front());
}

QVariant DataSet::oldValue(int fieldIndex) const
{
    // Outside editing a row holds what was read or stored last; an edit keeps that in
    // editBackup_ until it is posted or cancelled; a new row had no values before.
    switch (state_) {
        case DataSetState::Edit:
            return editBackup_[size_t(fieldIndex)];
        case DataSetState::Insert:
            return {};
        default:
            return currentRow().values[size_t(fieldIndex)];
    }
}

QVariant DataSet::paramValue(const QString& name) const
{
    if (name.startsWith(QLatin1String("OLD_"), Qt::CaseInsensitive)) {
        if (const Field* f = findField(name.mid(4)))
            return oldValue(f->index());
    }
    if (const Field* f = findField(name))
        return currentRow().values[size_t(f->index())];
    return param(name);
}

void DataSet::storeRow(const QString& sql, const QString& what, bool mustFindRow)
{
    if (sql.isEmpty())
        throw Error(QStringLiteral("Brak polecenia SQL: %1").arg(what));
    Statement& statement = prepared(sql);
    statement.execute([this](const QString& name) { return paramValue(name); });
    // A row that another desk deleted meanwhile is not silently "stored".
    if (mustFindRow && statement.affectedRows() == 0)
        throw Error(QStringLiteral(
            "Wiersz nie istnieje już w bazie danych (usunięty na innym stanowisku?)"));
}

// Storing the whole row over a change another desk committed while this one edited
// would undo that change unseen: the edit is refused instead.
void DataSet::requireUnchangedElsewhere()
{
    if (refreshSql_.isEmpty())
        return;
    Statement& statement = prepared(refreshSql_);
    std::vector<Values> result;
    statement.execute(
        [this](const QString& name) {
            const QString key =
                name.startsWith(QLatin1String("OLD_"), Qt::CaseInsensitive) ? name.mid(4) : name;
            const Field* f = findField(key);
            return f ? editBackup_[size_t(f->index())] : param(name);
        },
        &result);
    if (result.empty())
        return;  // gone: the modify statement finds no row and says so
    for (size_t i = 0; i < statement.columns().size(); ++i) {
        const Field* f = findField(statement.columns()[i].name);
        if (f && !f->calculated() && result.front()[i] != editBackup_[size_t(f->index())])
            throw Error(changedElsewhereMessage());
    }
}

QString DataSet::changedElsewhereMessage()
{
    return QStringLiteral(
        "Ten wpis zmieniono w międzyczasie na innym stanowisku, dlatego zmian nie zapisano "
        "(zastąpiłyby tamte). Anuluj edycję, aby zobaczyć zapisane dane, i wprowadź zmiany "
        "ponownie.");
}

void DataSet::refresh()
{
    requireActive();
    if (editing() || rows_.empty())
        return;
    refreshCurrent();
    emit rowChanged(current_);
    emit afterScroll();
}

void DataSet::takeStored(int row, int fieldIndex, const QVariant& value)
{
    requireActive();
    if (row < 0 || row >= int(rows_.size()) || (editing() && row == current_))
        return;
    Row& stored = rows_[size_t(row)];
    stored.values[size_t(fieldIndex)] = value;
    calculate(stored);
    emit rowChanged(row);
}

void DataSet::refreshCurrent()
{
    if (refreshSql_.isEmpty())
        return;
    std::vector<Values> result;
    Statement& statement = prepared(refreshSql_);
    statement.execute([this](const QString& name) { return paramValue(name); }, &result);
    if (result.empty())
        return;
    Row& row = currentRow();
    for (size_t i = 0; i < statement.columns().size(); ++i)
        if (const Field* f = findField(statement.columns()[i].name); f && !f->calculated())
            row.values[size_t(f->index())] = result.front()[i];
    calculate(row);
}

void DataSet::post()
{
    requireActive();
    requireEditing();
    if (generator_.apply == GeneratorApply::OnPost)
        assignKey();
    for (const auto& f : fields_)
        if (f->required() && !f->calculated() && f->isNull())
            throw Error(QStringLiteral("Pole '%1' musi mieć wartość").arg(f->name()));
    if (state_ == DataSetState::Insert) {
        storeRow(insertSql_, QStringLiteral("dopisanie wiersza"));
    } else {
        requireUnchangedElsewhere();
        storeRow(modifySql_, QStringLiteral("zmiana wiersza"), true);
    }
    state_ = DataSetState::Browse;
    editBackup_.clear();
    refreshCurrent();
    emit rowChanged(current_);
}

void DataSet::cancel()
{
    if (state_ == DataSetState::Edit) {
        currentRow().values = std::move(editBackup_);
        editBackup_.clear();
        state_ = DataSetState::Browse;
        emit rowChanged(current_);
    } else if (state_ == DataSetState::Insert) {
        rows_.erase(rows_.begin() + current_);
        state_ = DataSetState::Browse;
        current_ = rows_.empty() ? -1 : qBound(0, beforeInsert_, int(rows_.size()) - 1);
        emit rowsReset();
        emit afterScroll();
    }
}

void DataSet::reinsertCurrent()
{
    requireActive();
    if (state_ != DataSetState::Browse || current_ < 0)
        throw Error(QStringLiteral("Nie można ponownie dopisać wiersza: brak zapisanego wiersza"));
    // The key stays: the generator never gives a number out twice.
    beforeInsert_ = current_;
    editBackup_.clear();
    state_ = DataSetState::Insert;
    emit rowChanged(current_);
}

void DataSet::remove()
{
    requireActive();
    if (state_ == DataSetState::Insert) {
        cancel();
        return;
    }
    if (rows_.empty())
        throw Error(QStringLiteral("Nie można usunąć wiersza: lista jest pusta"));
    if (state_ == DataSetState::Edit) {
        currentRow().values = std::move(editBackup_);
        editBackup_.clear();
        state_ = DataSetState::Browse;
    }
    storeRow(deleteSql_, QStringLiteral("usunięcie wiersza"), true);
    rows_.erase(rows_.begin() + current_);
    current_ = rows_.empty() ? -1 : qMin(current_, int(rows_.size()) - 1);
    eof_ = rows_.empty();
    emit rowsReset();
    emit afterScroll();
}

void DataSet::checkBrowseMode()
{
    if (editing())
        post();
}

bool DataSet::matches(const Field& field, const QVariant& cell, const QVariant& wanted,
                      LocateOptions options) const
{
    if (cell.isNull() || wanted.isNull())
        return false;
    switch (field.type()) {
        case FieldType::String: {
            const Qt::CaseSensitivity cs =
                (options & CaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
            const QString text = cell.toString();
            const QString key = wanted.toString();
            return (options & PartialKey) ? text.startsWith(key, cs) : text.compare(key, cs) == 0;
        }
        case FieldType::Boolean:
            return cell.toBool() == wanted.toBool();
        case FieldType::Bytes:
            return cell.toByteArray() == wanted.toByteArray();
        default: {
            double number = 0;
            return numberFrom(wanted, field.type(), number) && cell.toDouble() == number;
        }
    }
}

bool DataSet::locate(const QString& fieldName, const QVariant& value, LocateOptions options,
                     bool afterCurrent)
{
    requireActive();
    checkBrowseMode();
    const Field& f = field(fieldName);
    for (int i = afterCurrent ? current_ + 1 : 0; i < int(rows_.size()); ++i) {
        if (matches(f, rows_[size_t(i)].values[size_t(f.index())], value, options)) {
            bof_ = eof_ = false;
            setCurrent(i, true);
            return true;
        }
    }
    return false;
}

}  // namespace db
