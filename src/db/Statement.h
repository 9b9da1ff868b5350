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

enum class FieldType { Integer, LargeInt, Float, String, DateTime, Date, Time, Boolean };

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

    // Runs the statement; a select's rows (or a singleton's one row) go to `rows`.
    void execute(const ParamSource& params, std::vector<Values>* rows = nullptr);
    // Rows the last insert, update or delete touched.
    quint64 affectedRows() const { return affected_; }
    // Frees the prepared statement on the server; never throws.
    void free();

private:
    struct Input;
    Input bindInput(const ParamSource& params, fb::Status& st);
    Values readRow(const unsigned char* buffer) const;
    QByteArray readBlob(ISC_QUAD id) const;
    void describeColumns(fb::Status& st);

    Database& database_;
    QString sql_;
    QStringList names_;
    fb::Ref<Firebird::IStatement> statement_;
    fb::Ref<Firebird::IMessageMetadata> inMeta_;
    fb::Ref<Firebird::IMessageMetadata> outMeta_;
    std::vector<Column> columns_;
    bool isSelect_ = false;
    quint64 affected_ = 0;
};

}  // namespace db
