#include "db/Statement.h"

#include "db/Database.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/NamedParams.h"
#include "db/NumberText.h"

#include <ibase.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace db {
namespace {

using Firebird::IMessageMetadata;

int bytesPerChar(unsigned charsetId)
{
    switch (charsetId) {
        case 3:
            return 3;  // UNICODE_FSS
        case 4:
        case 69:
            return 4;  // UTF8, GB18030
        case 5:
        case 6:
        case 44:
        case 56:
        case 57:
        case 67:
        case 68:
            return 2;
        default:
            return 1;
    }
}

double powerOf10(int exponent)
{
    return std::pow(10.0, exponent);
}

bool isText(unsigned type)
{
    return type == SQL_TEXT || type == SQL_VARYING;
}

bool isExactNumber(unsigned type)
{
    return type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64;
}

int wholeBits(unsigned type)
{
    return type == SQL_SHORT ? 16 : type == SQL_LONG ? 32 : 64;
}

QString typeName(unsigned type, int scale)
{
    switch (type) {
        case SQL_SHORT:
            return scale ? QStringLiteral("NUMERIC(4)") : QStringLiteral("SMALLINT");
        case SQL_LONG:
            return scale ? QStringLiteral("NUMERIC(9)") : QStringLiteral("INTEGER");
        case SQL_INT64:
            return scale ? QStringLiteral("NUMERIC(18)") : QStringLiteral("BIGINT");
        case SQL_FLOAT:
            return QStringLiteral("FLOAT");
        case SQL_TIMESTAMP:
            return QStringLiteral("TIMESTAMP");
        case SQL_TYPE_DATE:
            return QStringLiteral("DATE");
        case SQL_TYPE_TIME:
            return QStringLiteral("TIME");
        default:
            return QStringLiteral("DOUBLE PRECISION");
    }
}

QString textOf(const QVariant& value)
{
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 17);
    return value.toString();
}

// A value that is a number, a text that reads as one, or nothing.
bool numberOf(const QVariant& value, double& out)
{
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Bool:
            out = value.toDouble();
            return true;
        case QMetaType::QString: {
            const std::optional<double> number = parseNumber(value.toString(), NumberForm::C);
            if (number)
                out = *number;
            return number.has_value();
        }
        default:
            return false;
    }
}

// A date-time value of the program, or a Qt date or date-time.
bool dateTimeOf(const QVariant& value, DayCount& out)
{
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Int:
        case QMetaType::LongLong:
            out = value.toDouble();
            return true;
        // An invalid date is no day at all, not the day 0.
        case QMetaType::QDate:
            out = value.toDate().isValid() ? fromDate(value.toDate()) : qQNaN();
            return true;
        case QMetaType::QDateTime:
            out = value.toDateTime().isValid() ? fromDateTime(value.toDateTime()) : qQNaN();
            return true;
        default:
            return false;
    }
}

// The whole number a value stands for once scaled by 10^-scale, when it fits in `bits`.
std::optional<qint64> scaledWholeOf(const QVariant& value, int scale, int bits)
{
    if (scale == 0) {
        switch (value.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::Bool:
                return fitsInBits(value.toLongLong(), bits) ? std::optional(value.toLongLong())
                                                            : std::nullopt;
            case QMetaType::ULongLong:
                return value.toULongLong() <= quint64(std::numeric_limits<qint64>::max()) &&
                               fitsInBits(value.toLongLong(), bits)
                           ? std::optional(value.toLongLong())
                           : std::nullopt;
            case QMetaType::QString:
                // Digits are taken exactly, beyond the 53 bits a double keeps.
                if (const std::optional<qint64> whole = parseWholeNumber(value.toString()))
                    return fitsInBits(*whole, bits) ? whole : std::nullopt;
                break;
            default:
                break;
        }
    }
    double number = 0;
    if (!numberOf(value, number))
        return std::nullopt;
    return roundToWhole(number * powerOf10(-scale), bits);
}

template <class T>
void put(unsigned char* at, T value)
{
    std::memcpy(at, &value, sizeof value);
}

template <class T>
T get(const unsigned char* at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

}  // namespace

struct Statement::Input {
    fb::Ref<IMessageMetadata> meta;
    std::vector<unsigned char> buffer;
};

Statement::Statement(Database& database, const QString& sql) : database_(database), sql_(sql)
{
    const PositionalSql positional = toPositional(sql);
    names_ = positional.names;
    fb::Status st(database_.decoder());
    const QByteArray text = database_.encode(positional.text);
    Firebird::IStatement* prepared = database_.attachment()->prepare(
        &st, database_.statementTransaction().handle(), unsigned(text.size()), text.constData(), 3,
        Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    st.check();
    statement_.reset(prepared);
    const unsigned type = statement_->getType(&st);
    st.check();
    isSelect_ = type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd;
    inMeta_.reset(statement_->getInputMetadata(&st));
    st.check();
    outMeta_.reset(statement_->getOutputMetadata(&st));
    st.check();
    describeColumns(st);
}

Statement::~Statement()
{
    free();
}

void Statement::free()
{
    inMeta_.reset();
    outMeta_.reset();
    if (statement_) {
        fb::Status st;
        statement_->free(&st);
        if (st.failed())
            statement_.reset();
        else
            statement_.forget();
    }
}

void Statement::describeColumns(fb::Status& st)
{
    const unsigned count = outMeta_->getCount(&st);
    st.check();
    for (unsigned i = 0; i < count; ++i) {
        Column column;
        column.name = database_.decode(QByteArray(outMeta_->getAlias(&st, i)));
        const unsigned type = outMeta_->getType(&st, i) & ~1u;
        const int scale = outMeta_->getScale(&st, i);
        column.required = !outMeta_->isNullable(&st, i);
        OutputSlot slot;
        slot.type = type;
        slot.scale = scale;
        slot.length = outMeta_->getLength(&st, i);
        slot.offset = outMeta_->getOffset(&st, i);
        slot.nullOffset = outMeta_->getNullOffset(&st, i);
        st.check();
        if (isText(type)) {
            column.type = FieldType::String;
            const unsigned length = outMeta_->getLength(&st, i);
            const unsigned charset = outMeta_->getCharSet(&st, i);
            st.check();
            column.size = int(length) / bytesPerChar(charset);
        } else if (isExactNumber(type) && scale == 0) {
            column.type = type == SQL_INT64 ? FieldType::LargeInt : FieldType::Integer;
            column.bits = wholeBits(type);
        } else if (isExactNumber(type) || type == SQL_FLOAT || type == SQL_DOUBLE ||
                   type == SQL_D_FLOAT) {
            column.type = FieldType::Float;
            column.bits = type == SQL_FLOAT ? 32 : 64;  // a scaled number is checked when bound
        } else if (type == SQL_TIMESTAMP) {
            column.type = FieldType::DateTime;
        } else if (type == SQL_TYPE_DATE) {
            column.type = FieldType::Date;
        } else if (type == SQL_TYPE_TIME) {
            column.type = FieldType::Time;
        } else if (type == SQL_BOOLEAN) {
            column.type = FieldType::Boolean;
        } else if (type == SQL_BLOB && outMeta_->getSubType(&st, i) == isc_blob_text) {
            column.type = FieldType::String;  // a text of any length (list(), notes)
        } else if (type == SQL_BLOB) {
            column.type = FieldType::Bytes;  // a file kept whole (an e-mail's attachment)
            slot.binary = true;
        } else {
            throw Error(
                QStringLiteral("Nieobsługiwany typ kolumny '%1' (%2)").arg(column.name).arg(type));
        }
        columns_.push_back(column);
        slots_.push_back(slot);
    }
}

Statement::Input Statement::bindInput(const ParamSource& params, fb::Status& st)
{
    const unsigned count = inMeta_->getCount(&st);
    st.check();
    Values values;
    for (unsigned i = 0; i < count; ++i)
        values.push_back(i < unsigned(names_.size()) && params ? params(names_[i]) : QVariant());

    const auto place = [this](unsigned i) {
        return QStringLiteral("w parametrze :%1")
            .arg(i < unsigned(names_.size()) ? names_[int(i)] : QString::number(i + 1));
    };

    // A value the server's parameter type cannot hold as it is (a text for a number, a
    // text longer than the column) travels as text: the server converts it or says why not.
    fb::Ref<Firebird::IMetadataBuilder> builder;
    for (unsigned i = 0; i < count; ++i) {
        const QVariant& v = values[i];
        if (v.isNull())
            continue;
        const unsigned type = inMeta_->getType(&st, i) & ~1u;
        const unsigned length = inMeta_->getLength(&st, i);
        st.check();
        double number = 0;
        DayCount when = 0;
        bool asText = false;
        if (isText(type))
            asText = unsigned(database_.encode(textOf(v), place(i)).size()) > length;
        else if (isExactNumber(type) || type == SQL_FLOAT || type == SQL_DOUBLE ||
                 type == SQL_D_FLOAT || type == SQL_BOOLEAN)
            asText = !numberOf(v, number);
        else if (type == SQL_TIMESTAMP || type == SQL_TYPE_DATE || type == SQL_TYPE_TIME)
            asText = !dateTimeOf(v, when);
        else
            asText = type != SQL_BLOB;
        if (!asText)
            continue;
        if (!builder) {
            builder.reset(inMeta_->getBuilder(&st));
            st.check();
        }
        const QByteArray bytes = database_.encode(textOf(v), place(i));
        builder->setType(&st, i, SQL_VARYING | 1);
        builder->setLength(&st, i, unsigned(qMax<qsizetype>(bytes.size(), 1)));
        st.check();
    }

    const auto outOfRange = [this](const QVariant& v, unsigned i, unsigned type, int scale) {
        const QString name = i < unsigned(names_.size()) ? names_[int(i)] : QString::number(i + 1);
        return Error(QStringLiteral("Wartość „%1” parametru :%2 nie mieści się w typie %3.")
                         .arg(textOf(v), name, typeName(type, scale)));
    };

    Input input;
    if (builder) {
        input.meta.reset(builder->getMetadata(&st));
        st.check();
    } else {
        inMeta_->addRef();
        input.meta.reset(inMeta_.get());
    }
    IMessageMetadata* meta = input.meta.get();
    input.buffer.assign(meta->getMessageLength(&st), 0);
    st.check();
    unsigned char* buf = input.buffer.data();
    for (unsigned i = 0; i < count; ++i) {
        const QVariant& v = values[i];
        const unsigned type = meta->getType(&st, i) & ~1u;
        const int scale = meta->getScale(&st, i);
        const unsigned length = meta->getLength(&st, i);
        unsigned char* at = buf + meta->getOffset(&st, i);
        unsigned char* nullAt = buf + meta->getNullOffset(&st, i);
        st.check();
        put<short>(nullAt, v.isNull() ? -1 : 0);
        if (v.isNull() || type == SQL_NULL)
            continue;
        double number = 0;
        DayCount when = 0;
        if (type == SQL_VARYING || type == SQL_TEXT) {
            const QByteArray bytes = database_.encode(textOf(v), place(i)).left(int(length));
            if (type == SQL_VARYING) {
                put<unsigned short>(at, (unsigned short)bytes.size());
                std::memcpy(at + 2, bytes.constData(), size_t(bytes.size()));
            } else {
                std::memset(at, ' ', length);
                std::memcpy(at, bytes.constData(), size_t(bytes.size()));
            }
        } else if (isExactNumber(type)) {
            const std::optional<qint64> whole = scaledWholeOf(v, scale, wholeBits(type));
            if (!whole)
                throw outOfRange(v, i, type, scale);
            if (type == SQL_SHORT)
                put<short>(at, short(*whole));
            else if (type == SQL_LONG)
                put<qint32>(at, qint32(*whole));
            else
                put<qint64>(at, *whole);
        } else if (type == SQL_FLOAT) {
            numberOf(v, number);
            if (!std::isfinite(number) || std::fabs(number) > std::numeric_limits<float>::max())
                throw outOfRange(v, i, type, scale);
            put<float>(at, float(number));
        } else if (type == SQL_DOUBLE || type == SQL_D_FLOAT) {
            numberOf(v, number);
            if (!std::isfinite(number))
                throw outOfRange(v, i, type, scale);
            put<double>(at, number);
        } else if (type == SQL_BOOLEAN) {
            numberOf(v, number);
            put<unsigned char>(at, number != 0 ? 1 : 0);
        } else if (type == SQL_TIMESTAMP || type == SQL_TYPE_DATE || type == SQL_TYPE_TIME) {
            dateTimeOf(v, when);
            if (!isValidDayCount(when))
                throw outOfRange(v, i, type, scale);
            const IscTimestamp isc = toIsc(when);
            if (type == SQL_TIMESTAMP) {
                put<qint32>(at, isc.date);
                put<quint32>(at + 4, isc.time);
            } else if (type == SQL_TYPE_DATE) {
                put<qint32>(at, isc.date);
            } else {
                put<quint32>(at, isc.time);
            }
        } else if (type == SQL_BLOB) {
            // Bytes are stored as they are; a text in the connection's character set.
            put<ISC_QUAD>(at, writeBlob(v.typeId() == QMetaType::QByteArray
                                            ? v.toByteArray()
                                            : database_.encode(textOf(v), place(i))));
        }
    }
    return input;
}

Values Statement::readRow(const unsigned char* buffer, size_t rowWidth) const
{
    Values row;
    row.reserve(qMax(slots_.size(), rowWidth));
    for (const OutputSlot& slot : slots_) {
        const unsigned type = slot.type;
        const int scale = slot.scale;
        const unsigned length = slot.length;
        const unsigned char* at = buffer + slot.offset;
        const unsigned char* nullAt = buffer + slot.nullOffset;
        if (get<short>(nullAt) != 0) {
            row.emplace_back();
            continue;
        }
        switch (type) {
            case SQL_VARYING: {
                // Decoded from the message in place: no copy of the bytes first.
                const unsigned short size = get<unsigned short>(at);
                row.emplace_back(
                    database_.decode(QByteArrayView(reinterpret_cast<const char*>(at + 2), size)));
                break;
            }
            case SQL_TEXT: {
                QByteArrayView bytes(reinterpret_cast<const char*>(at), qsizetype(length));
                while (bytes.endsWith(' '))
                    bytes.chop(1);
                row.emplace_back(database_.decode(bytes));
                break;
            }
            case SQL_SHORT:
            case SQL_LONG:
            case SQL_INT64: {
                const qint64 whole = type == SQL_SHORT  ? get<short>(at)
                                     : type == SQL_LONG ? get<qint32>(at)
                                                        : get<qint64>(at);
                if (scale != 0)
                    row.emplace_back(double(whole) * powerOf10(scale));
                else if (type == SQL_INT64)
                    row.emplace_back(whole);
                else
                    row.emplace_back(int(whole));
                break;
            }
            case SQL_FLOAT:
                row.emplace_back(double(get<float>(at)));
                break;
            case SQL_DOUBLE:
            case SQL_D_FLOAT:
                row.emplace_back(get<double>(at));
                break;
            case SQL_BOOLEAN:
                row.emplace_back(get<unsigned char>(at) != 0);
                break;
            case SQL_TIMESTAMP:
                row.emplace_back(fromIsc(get<qint32>(at), get<quint32>(at + 4)));
                break;
            case SQL_TYPE_DATE:
                row.emplace_back(fromIsc(get<qint32>(at), 0));
                break;
            case SQL_TYPE_TIME:
                row.emplace_back(double(get<quint32>(at)) / 864000000.0);
                break;
            case SQL_BLOB:
                if (slot.binary)
                    row.emplace_back(readBlob(get<ISC_QUAD>(at)));
                else
                    row.emplace_back(database_.decode(readBlob(get<ISC_QUAD>(at))));
                break;
            default:
                row.emplace_back();
        }
    }
    if (row.size() < rowWidth)
        row.resize(rowWidth);
    return row;
}

QByteArray Statement::readBlob(ISC_QUAD id) const
{
    fb::Status st(database_.decoder());
    fb::Ref<Firebird::IBlob> blob(database_.attachment()->openBlob(
        &st, database_.statementTransaction().handle(), &id, 0, nullptr));
    st.check();
    QByteArray bytes;
    char segment[8192];
    for (;;) {
        unsigned length = 0;
        const int result = blob->getSegment(&st, sizeof segment, segment, &length);
        if (result != Firebird::IStatus::RESULT_OK && result != Firebird::IStatus::RESULT_SEGMENT)
            break;
        bytes.append(segment, int(length));
    }
    st.check();
    blob->close(&st);
    if (!st.failed())
        blob.forget();
    st.check();
    return bytes;
}

ISC_QUAD Statement::writeBlob(const QByteArray& bytes) const
{
    fb::Status st(database_.decoder());
    ISC_QUAD id{};
    fb::Ref<Firebird::IBlob> blob(database_.attachment()->createBlob(
        &st, database_.statementTransaction().handle(), &id, 0, nullptr));
    st.check();
    constexpr qsizetype Segment = 32768;  // a segment's length is an unsigned short
    for (qsizetype at = 0; at < bytes.size(); at += Segment) {
        blob->putSegment(&st, unsigned(qMin(Segment, bytes.size() - at)), bytes.constData() + at);
        st.check();
    }
    blob->close(&st);
    st.check();
    blob.forget();
    return id;
}

void Statement::execute(const ParamSource& params, std::vector<Values>* rows, size_t rowWidth)
{
    if (!statement_)
        throw Error(QStringLiteral("Polecenie nie jest przygotowane"));
    executed_ = false;
    fb::Status st(database_.decoder());
    Input input = bindInput(params, st);
    Firebird::ITransaction* tra = database_.statementTransaction().handle();
    std::vector<unsigned char> output;
    if (outMeta_) {
        output.assign(outMeta_->getMessageLength(&st), 0);
        st.check();
    }
    if (!isSelect_) {
        statement_->execute(&st, tra, input.meta.get(), input.buffer.data(),
                            returnsRows() ? outMeta_.get() : nullptr,
                            returnsRows() ? output.data() : nullptr);
        st.check();
        executed_ = true;
        if (rows && returnsRows())
            rows->push_back(readRow(output.data(), rowWidth));
        return;
    }
    fb::Ref<Firebird::IResultSet> cursor(
        statement_->openCursor(&st, tra, input.meta.get(), input.buffer.data(), outMeta_.get(), 0));
    st.check();
    while (cursor->fetchNext(&st, output.data()) == Firebird::IStatus::RESULT_OK) {
        if (rows)
            rows->push_back(readRow(output.data(), rowWidth));
    }
    st.check();
    cursor->close(&st);
    if (!st.failed())
        cursor.forget();
    st.check();
}

quint64 Statement::affectedRows()
{
    if (!statement_ || !executed_)
        return 0;
    fb::Status st(database_.decoder());
    const quint64 affected = statement_->getAffectedRecords(&st);
    st.check();
    return affected;
}

}  // namespace db
