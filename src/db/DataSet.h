#pragma once
// A data set over the shared connection and transaction: a select whose rows are all
// fetched at open, and, for the editing sets, the insert, update, delete and refresh
// statements that store a row at once.
#include "db/Statement.h"

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace db {

class Database;
class DataSet;

enum class DataSetState { Inactive, Browse, Edit, Insert };

// When a new row takes its key from the generator.
enum class GeneratorApply { OnPost, OnNewRecord };

enum LocateOption { CaseInsensitive = 0x1, PartialKey = 0x2 };
using LocateOptions = int;

// A field of the current row.
class Field {
public:
    Field(DataSet& set, int index, Column column, bool calculated);

    const QString& name() const { return column_.name; }
    FieldType type() const { return column_.type; }
    int size() const { return column_.size; }
    bool required() const { return column_.required; }
    bool calculated() const { return calculated_; }
    int index() const { return index_; }

    QVariant value() const;
    bool isNull() const { return value().isNull(); }
    QString asString() const;
    int asInteger() const;
    qint64 asLargeInt() const;
    double asFloat() const;
    // The program's date-time value; 0 when null.
    double asDateTime() const { return asFloat(); }

    // Only in edit or insert state. Texts are cut to the column's size and an empty
    // text stores null; a text given to a number field must read as a number in the
    // Polish form. A number beyond the column's range, and a date-time that is not a
    // finite day within years 1-9999, throw Error naming the field and the value.
    void setValue(const QVariant& value);
    void setAsString(const QString& text);
    void setAsInteger(int value) { setValue(value); }
    void setAsDateTime(double value) { setValue(value); }
    void clear() { setValue(QVariant()); }

private:
    // The value as the column holds it; throws Error for a value the column cannot hold.
    QVariant toColumnValue(const QVariant& value) const;

    DataSet& set_;
    int index_;
    Column column_;
    bool calculated_;
};

class DataSet : public QObject {
    Q_OBJECT
public:
    explicit DataSet(Database& database, QObject* parent = nullptr);
    ~DataSet() override;

    Database& database() const { return database_; }

    // The statements. The select may be given line by line through sql().
    QStringList& sql() { return selectLines_; }
    void setSelectSql(const QString& text);
    QString selectSql() const { return selectLines_.join(u'\n'); }
    void setInsertSql(const QString& text) { insertSql_ = text; }
    void setModifySql(const QString& text) { modifySql_ = text; }
    void setDeleteSql(const QString& text) { deleteSql_ = text; }
    void setRefreshSql(const QString& text) { refreshSql_ = text; }

    void setGenerator(const QString& generator, const QString& field, GeneratorApply apply,
                      int step = 1);
    // A new row without its key takes it from the generator now, as post() would (a pass
    // printed before the row is stored carries the number it is stored with); any other row
    // is left as it is.
    void assignKey();
    // A field computed for every row from the row's other fields.
    void addCalculatedField(const QString& name, int size,
                            std::function<QVariant(const DataSet&)> compute);

    // Parameters of the select, by name.
    void setParam(const QString& name, const QVariant& value);
    QVariant param(const QString& name) const;

    void open();
    void close();
    bool active() const { return state_ != DataSetState::Inactive; }
    DataSetState state() const { return state_; }
    // The current row is being edited or is a new row not yet stored.
    bool editing() const { return state_ == DataSetState::Edit || state_ == DataSetState::Insert; }
    // Runs the select text as a statement without rows (updates built at run time).
    void execSql();

    int recordCount() const { return int(rows_.size()); }
    bool isEmpty() const { return rows_.empty(); }
    // The current row, counted from 1; 0 when there is none.
    int recNo() const { return current_ + 1; }
    void setRecNo(int recNo);
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    void first();
    void last();
    void next();
    void prior();

    const std::vector<std::unique_ptr<Field>>& fields() const { return fields_; }
    Field& field(const QString& name) const;
    Field* findField(const QString& name) const;
    // A value of any row without moving the current row (for grids).
    QVariant value(int row, int fieldIndex) const;

    void append();
    void insert();
    // Starts editing the current row, read again first through the refresh statement;
    // an empty set has none and throws Error.
    void edit();
    // A row edited here and changed meanwhile in the database (by another desk) is not
    // stored: Error with changedElsewhereMessage(), and the edit goes on.
    void post();
    static QString changedElsewhereMessage();
    // Edits the current row again with the values it holds, after a commit the server
    // refused was rolled back: what is stored now is what the edit started from.
    void resumeEdit();
    void cancel();
    // The current row was stored and then rolled back with its unit of work: it becomes a
    // new row again, with the values it had, to be posted once more or cancelled.
    void reinsertCurrent();
    void remove();
    // Posts a pending edit or insertion (before moving to another row).
    void checkBrowseMode();

    // Finds a row whose field matches `value`: number fields match the value read as a
    // number, text fields match exactly or, with the options, from their beginning and
    // ignoring case; null never matches. Rows are tried in list order from the first,
    // or from the row after the current one.
    bool locate(const QString& fieldName, const QVariant& value, LocateOptions options,
                bool afterCurrent = false);

    // Reads the current row again through the refresh statement: after a rollback the
    // row shows what is stored, not what the rolled-back work had written.
    void refresh();

    // Takes a value that a statement of this desk has just stored, as if the row had been
    // read again (nothing is written); a row being edited is left alone.
    void takeStored(int row, int fieldIndex, const QVariant& value);

    // Drops the prepared statements (the connection is closing).
    void releaseStatements();

signals:
    // After every change of the current row, and after opening.
    void afterScroll();
    // The rows were replaced, added or removed (open, close, append, cancel, delete).
    void rowsReset();
    // Values of one row changed (edit, post, refresh).
    void rowChanged(int row);

private:
    friend class Field;
    struct Row {
        Values values;
    };
    struct Calculated {
        int index;
        std::function<QVariant(const DataSet&)> compute;
    };
    struct Generator {
        QString name;
        QString field;
        GeneratorApply apply = GeneratorApply::OnPost;
        int step = 1;
    };

    Statement& prepared(const QString& sql);
    // The select, prepared again only when its text changed (queries built at run time).
    Statement& preparedSelect();
    void buildFields(const std::vector<Column>& columns);
    void calculate(Row& row);
    void requireActive() const;
    void requireEditing() const;
    void setCurrent(int index, bool always);
    void startRow(int at);
    void assignGeneratorValue();
    void storeRow(const QString& sql, const QString& what, bool mustFindRow = false);
    void refreshCurrent();
    void requireUnchangedElsewhere();
    bool beginEdit(bool keepValues);
    QVariant paramValue(const QString& name) const;
    // The value a field of the current row had when it was last read or stored: the
    // :OLD_x parameters of the modify and delete statements.
    QVariant oldValue(int fieldIndex) const;
    bool matches(const Field& field, const QVariant& cell, const QVariant& wanted,
                 LocateOptions options) const;
    Row& currentRow();
    const Row& currentRow() const;

    Database& database_;
    QStringList selectLines_;
    QString insertSql_, modifySql_, deleteSql_, refreshSql_;
    std::unique_ptr<Statement> select_;
    std::map<QString, std::unique_ptr<Statement>> statements_;  // the fixed statements
    std::map<QString, QVariant> params_;                        // keys in upper case
    Generator generator_;
    std::vector<Calculated> calculated_;
    std::vector<std::pair<QString, int>> calculatedDefs_;

    std::vector<std::unique_ptr<Field>> fields_;
    std::vector<Row> rows_;
    DataSetState state_ = DataSetState::Inactive;
    int current_ = -1;
    int beforeInsert_ = -1;  // current row before a new row was started
    Values editBackup_;      // the current row as it was when edit() started
    bool eof_ = true;
    bool bof_ = true;
};

}  // namespace db
