#pragma once
// The purge of the database file, without widgets: erased values stay readable in the file
// (the engine frees old record versions, it does not overwrite them) until the database is
// rewritten by a backup and a restore. The purge needs the database to itself; it tells which
// other desks are attached, what waits for it and since when, and marks what it purged.
#include "admin/BackupService.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace db {
class Database;
}

namespace admin {

// Halvane.ini, section RODO: days an erasure may wait for the purge.
extern const QString PurgeIntervalKey;  // "Oczyszczanie"
constexpr int DefaultPurgeIntervalDays = 7;
constexpr int MinPurgeIntervalDays = 1;
constexpr int MaxPurgeIntervalDays = 365;
// The stored interval; anything outside 1..365 or not a number gives the default.
int purgeIntervalDays(const QString& stored);

// USTAWIENIA: the time of the last purge, ISO text.
extern const QString LastPurgeSetting;  // "OCZYSZCZENIE"

struct PurgeStatus {
    QDateTime lastPurge;  // invalid: never purged
    int waiting = 0;      // erasures whose values may still be read from the file
    QDateTime oldestWaiting;
    // An erasure has waited longer than the interval.
    bool overdue(const QDateTime& now, int intervalDays) const;
};

// The reminder of the status bar.
QString purgeReminderText();

class DatabasePurge {
public:
    // What the connection's transaction sees of the erasures and the last purge.
    static PurgeStatus status(db::Database& database);
    // The other attachments to the database (not this one, not `ownToo`, the desk's mail
    // courier's, not the engine's own), each as a person knows it: the computer, the program
    // and the user.
    static QStringList otherDesks(db::Database& database, qint64 ownToo = 0);
    // The service job that reaches the connection's database with its user and password.
    static ServiceJob jobFor(const db::Database& database);

    // Rewrites the database through a backup beside it and a restore (with the program's
    // connection closed), marks the erasures waiting as purged at `now` and stores the
    // time; then the backup, which holds what was erased, is deleted (or, where this
    // computer cannot reach it, overwritten with a backup of the purged database). Throws
    // db::Error with a Polish reason; the database is then left as it was.
    static void purge(const ServiceJob& job, const QDateTime& now,
                      const BackupService::LineSink& sink);
    // The backup file the purge writes for a database.
    static QString backupFileFor(const QString& database);
};

}  // namespace admin
