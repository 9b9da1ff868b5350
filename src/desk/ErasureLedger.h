#pragma once
// The erasure ledger: a text file that keeps every erasure of personal data outside the
// database, so that a backup restored later can have them done again. One line per erasure,
// numbers and days only: when, one guest's number or a cut-off day, and the database it was
// done in (a ledger may serve several databases; only a database's own lines are read back).
//   2026-03-05T10:30:00.000<TAB>gosc<TAB>17<TAB>/dane/HALVANE.FDB
//   2026-03-05T10:30:00.000<TAB>granica<TAB>2024-03-05<TAB>serwer:/dane/HALVANE.FDB
// The file is readable by its owner only. It is kept in the settings folder and in the
// folder of the backups made on this computer.
#include "desk/PersonalData.h"

#include <QList>
#include <QString>

namespace db {
class Database;
}

namespace desk {

extern const QString LedgerFileName;  // "usuniecia_danych.txt"

// The same erasure (the same guest or cut-off day, within the same second).
bool sameErasure(const Erasure& a, const Erasure& b);

// The ledger's erasures done in `database` (as the connection names it); a missing file has
// none, and a line that does not read is skipped.
QList<Erasure> readLedger(const QString& path, const QString& database);
// Adds to the ledger the erasures it does not hold yet, leaving its lines as they are: the
// file becomes the union of both. Throws db::Error when it cannot be written.
void addToLedger(const QString& path, const QString& database, const QList<Erasure>& erasures);

// Whether the database has USUNIECIA (a backup of an older database may lack it).
bool recordsErasures(db::Database& database);
// The erasures recorded in the database's USUNIECIA, in its transaction; none without it.
QList<Erasure> recordedErasures(db::Database& database);
// Those of `wanted` that `held` does not hold, each once.
QList<Erasure> erasuresMissing(const QList<Erasure>& wanted, const QList<Erasure>& held);

}  // namespace desk
