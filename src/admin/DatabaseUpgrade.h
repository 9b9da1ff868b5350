#pragma once
// What a database made by an older program lacks of what this one needs (change-event
// triggers, indexes, tables, generators), read from its system tables, and the upgrade
// that adds it: a backup first, then everything missing in one transaction. The program
// carries its own statements, the same as schema.sql's. No widgets.
#include "admin/BackupService.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace db {
class Database;
}

namespace admin {

// One object of the schema that an older database may lack.
struct SchemaAddition {
    enum class Kind { Trigger, Index, Table, Generator };
    Kind kind = Kind::Table;
    QString name;  // as the system tables hold it
    // An index: its table and columns; an index of another name that starts with the same
    // columns of the same table serves as well.
    QString table;
    QStringList columns;
    QString feature;    // what works less well while it is missing (Polish)
    QString statement;  // the statement that adds it, as schema.sql has it
};

struct UpgradeJob {
    QString databaseName;  // as db::Database takes it
    QStringList params;    // the connection's parameter lines
    ServiceJob backup;     // the backup made first; backupFile names it
};

class DatabaseUpgrade {
public:
    using LineSink = BackupService::LineSink;

    // Every object the upgrade can add, in the order it adds them.
    static const std::vector<SchemaAddition>& additions();
    // What the connected database lacks, in that order; read in a reading transaction.
    static std::vector<SchemaAddition> missing(db::Database& database);
    // Each feature that works less well, once, with the objects it lacks: a line each.
    static QString describe(const std::vector<SchemaAddition>& missing);
    // The name of the backup made before an upgrade started at `now`.
    static QString backupFileName(const QDateTime& now);

    // Adds what the database lacks, each step told to `log`: nothing to do says so and
    // makes no backup; else a backup into job.backup.backupFile (readable by its owner
    // only, where it is a file of this computer), then every missing object in one
    // transaction. Any failure rolls everything back and throws db::Error in Polish.
    // Returns how many objects were added. Safe to call on any thread.
    static int upgrade(const UpgradeJob& job, const LineSink& log);
};

}  // namespace admin
