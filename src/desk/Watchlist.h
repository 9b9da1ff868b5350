#pragma once
// Guests who may not enter the building ("Zakaz wstępu"): the mark with its reason and day,
// kept in ZAKAZY_WSTEPU. Personal data like the guest's own: erased and removed with it.
// Before a visit or an entry is stored for a marked guest, or for a new guest whose document
// number a marked guest has, the desk is shown the reason in red and asked. No widgets.
#include "db/Statement.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

namespace db {
class Database;
}
namespace controls {
class Prompts;
}

namespace desk {

class Desk;

struct Ban {
    int guestId = 0;
    QString guestName;
    QString reason;
    QDate day;  // since when
};

// The mark that applies to a visit: its guest's own, else the latest of a marked guest with the
// visit's document number (compared without case and spaces). In a select over WIZYTY W,
// VisitMarkJoin gives it as MarkColumns (GOSC_ID, NAZWA, POWOD, DZIEN), null when there is none;
// markAt() reads those four columns from `first` on.
extern const char* const MarkColumns;
extern const char* const VisitMarkJoin;
std::optional<Ban> markAt(const db::Values& row, size_t first);

// Whether the database has the watchlist's table (an older one lacks it until upgraded).
bool hasWatchlist(db::Database& database);

// The guest's mark; none for a guest without one, or a database without the table.
std::optional<Ban> banOfGuest(db::Database& database, int guestId);
// A marked guest with this document number (compared without case and spaces); none for an
// empty number.
std::optional<Ban> banOfDocument(db::Database& database, const QString& document);
// The mark of a visit's guest, else of a marked guest with the visit's document number.
std::optional<Ban> banOfVisitGuest(db::Database& database, int guestId, const QString& document);
// Every mark, for a list that shows them; none on a database without the table.
std::vector<Ban> allBans(db::Database& database);

// Marks the guest, or changes the reason, in the unit of work, dated today; the caller
// commits. Throws db::Error in Polish for an empty reason, a database without the table or a
// guest another desk has deleted.
void markGuest(Desk& desk, int guestId, const QString& reason);
// Takes the mark away in the unit of work; true when there was one.
bool unmarkGuest(Desk& desk, int guestId);
// Removes the mark with the guest's other data (an erasure); the number of marks removed.
int removeGuestMark(db::Database& database, int guestId);

// The question before a visit or an entry of a marked guest: the name, the reason and the
// day in red, then `action` ("Zapisać wizytę mimo to?"). No is the default. True for Yes.
bool goOnDespiteBan(controls::Prompts& prompts, const Ban& ban, const QString& action,
                    const QString& caption);

// Before the entry of a stored visit: the mark of its guest, or of a marked guest with the
// visit's document number, asked about ("Wpuścić gościa mimo to?"); true to go on (no mark,
// or Yes).
bool mayLetIn(Desk& desk, int visitId);
// The same for a mark already read with the visit (none: go on).
bool mayLetIn(controls::Prompts& prompts, const std::optional<Ban>& mark);
// Before a visit of this guest (or with this document number) is stored: the same question
// ("Zapisać wizytę mimo to?"); true to go on.
bool mayStoreVisit(Desk& desk, int guestId, const QString& document);

}  // namespace desk
