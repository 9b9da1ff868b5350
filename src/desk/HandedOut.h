#pragma once
// A badge or card is worn by one guest at a time. Before a visit is stored with a badge or
// card out (an entry and no exit), the other visits still holding the same one are looked
// up in the desk's transaction, right before the store: the receptionist either says it is
// being handed over (those visits get their exit now) or the visit is not stored.
#include <QString>

class QDateTime;

namespace db {
class Database;
}

namespace desk {

class Desk;

// True when `badge` and `card` may go out on visit `visitId` (0 for one not stored yet): no
// other visit with an entry and no exit holds either (compared without surrounding blanks
// and case), or the receptionist confirmed they are handed over, and those visits were
// given their exit now. False when the receptionist did not confirm: nothing was written.
// The caller stores its visit and commits; the exits go with that work, or with its
// rollback.
bool mayHandOut(Desk& desk, int visitId, const QString& badge, const QString& card);

// Gives visit `visitId` its exit at `at`, unless it has one already (another desk may have
// closed it meanwhile), in the shared transaction; false when it had one.
bool recordExit(db::Database& database, int visitId, const QDateTime& at);

}  // namespace desk
