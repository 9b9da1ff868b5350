#pragma once
// One prepared statement with named parameters, executed in the shared transaction.
#include "db/Firebird.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

namespace db {

class Database;

enum class FieldType { Integer, LargeInt, Float, String, DateTime, Date, Time, Boolean, Bytes };

struct Column {
    QString name;
    FieldType type = FieldType::String;
    int size = 0;  // characters, for texts
    bool required = false;
    int bits = 0;  // numbers: storage width, 16, 32 or 64 (whole) and 32 or 64 (floating)
};

using Values = std::vector<QVariant>;
// The value bound to a named parameter.
using ParamSource = std::function<QVariant(const QString& name)>;

class Statement {
public:
    Statement(Database& database, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    const QString& sql() const { return sql_; }
    const QStringList& paramNames() const { return names_; }
    const std::vector<Column>& columns() const { return columns_; }
    bool returnsRows() const { return !columns_.empty(); }

    // Runs the statement; a select's rows (or a singleton's one row) go to `rows`. Each row
    // holds at least `rowWidth` values: those past the columns are null (room for values the
    // caller adds, such as calculated fields).
    void execute(const ParamSource& params, std::vector<Values>* rows = nullptr,
                 size_t rowWidth = 0);
    // Rows the last insert, update or delete touched: asked of the server only when wanted,
    // as the asking is an exchange of its own.
    quint64 affectedRows();
    // Frees the prepared statement on the server; never throws.
    void free();

private:
    struct Input;
    // Where and how a column sits in the output message, read once at prepare.
    struct OutputSlot {
        unsigned type = 0;  // without the nullable bit
        int scale = 0;
        unsigned length = 0;
        unsigned offset = 0;
        unsigned nullOffset = 0;
        bool binary = false;  // a blob read as bytes
    };
    Input bindInput(const ParamSource& params, fb::Status& st);
    Values readRow(const unsigned char* buffer, size_t rowWidth) const;
    QByteArray readBlob(ISC_QUAD id) const;
    ISC_QUAD writeBlob(const QByteArray& bytes) const;
    void describeColumns(fb::Status& st);

    Database& database_;
    QString sql_;
    QStringList names_;
    fb::Ref<Firebird::IStatement> statement_;
    fb::Ref<Firebird::IMessageMetadata> inMeta_;
    fb::Ref<Firebird::IMessageMetadata> outMeta_;
    std::vector<Column> columns_;
    std::vector<OutputSlot> slots_;
    bool isSelect_ = false;
    bool executed_ = false;  // the last run was an insert, update, delete or procedure
};

}  // namespace db
