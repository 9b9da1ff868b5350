#pragma once
// Every row and column of the program's tables, read on a connection of their own, so a
// test can say which values an operation changed and that nothing else did.
#include "db/DataSet.h"
#include "support/TestDatabase.h"

#include <QMap>
#include <QStringList>

namespace testsupport {

struct TableSnapshot {
    QStringList columns;
    QMap<int, QStringList> rows;  // by ID; a null value reads "<null>"

    // One line per row, "ID|value|value...", in the order of ID: what QCOMPARE shows.
    QStringList lines() const
    {
        QStringList all;
        for (const QStringList& row : rows)
            all << row.join(u'|');
        return all;
    }
    // The same rows with one value replaced.
    TableSnapshot with(int id, const QString& column, const QString& value) const
    {
        TableSnapshot changed = *this;
        changed.rows[id][int(columns.indexOf(column))] = value;
        return changed;
    }
};

inline const QString Null = QStringLiteral("<null>");
inline const QStringList ProgramTables = {"FIRMY", "DZIALY", "PERSONEL", "GOSCIE", "WIZYTY"};

inline TableSnapshot snapshot(TestDatabase& database, const QString& table)
{
    auto connection = database.connect();
    db::DataSet rows(*connection);
    rows.setSelectSql(QStringLiteral("select * from %1 order by ID").arg(table));
    rows.open();
    TableSnapshot taken;
    for (const auto& field : rows.fields())
        taken.columns << field->name();
    for (int row = 0; row < rows.recordCount(); ++row) {
        QStringList values;
        for (int column = 0; column < int(taken.columns.size()); ++column) {
            const QVariant value = rows.value(row, column);
            values << (value.isNull() ? Null : value.toString());
        }
        taken.rows.insert(values.front().toInt(), values);
    }
    return taken;
}

inline QMap<QString, TableSnapshot> snapshotAll(TestDatabase& database)
{
    QMap<QString, TableSnapshot> all;
    for (const QString& table : ProgramTables)
        all.insert(table, snapshot(database, table));
    return all;
}

}  // namespace testsupport
