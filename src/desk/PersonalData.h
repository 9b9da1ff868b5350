#pragma once
// What is left of a guest's personal data once it is erased: the name says "(usunięto)",
// the document, the notes and the visits' messages are empty (null), and the e-mails about
// the guest and the guest's mark "Zakaz wstępu" are gone. The visits themselves, their times,
// badges, cards and employees stay. Shared by the removal of old data and the guest registry's
// erasure of one guest.
#include <QDate>
#include <QDateTime>
#include <QString>

namespace db {
class Database;
}

namespace desk {

class Desk;

extern const QString ErasedName;

// The visits of one guest.
int countGuestVisits(Desk& desk, int guestId);

struct ErasedRows {
    int guests = 0;
    int visits = 0;
    int messages = 0;  // e-mails about the guest not yet sent
    int marks = 0;     // "Zakaz wstępu" with its reason
};

// Erases the guest's record and the copies in all their visits, in the desk's
// transaction, and records the erasure: the caller commits or rolls back. The desk writes
// the erasure to its ledgers once the work is committed.
ErasedRows eraseGuestData(Desk& desk, int guestId);
// The same in the connection's transaction, recorded as done at `at`.
ErasedRows eraseGuestData(db::Database& database, int guestId, const QDateTime& at);
// The erasure alone, not recorded (the caller records it where it can).
ErasedRows eraseGuestRows(db::Database& database, int guestId);

// One erasure as the table USUNIECIA keeps it: one guest's (guestId), or of everything
// before a cut-off day. Numbers and days only, so that it can be done again on a backup
// restored later without keeping what it erased.
struct Erasure {
    QDateTime at;
    int guestId = 0;  // 0: a removal before the cut-off day
    QDate cutOff;
};

// Whether the database has the outbox (POCZTA): one made by an older program lacks it until
// it is upgraded, and then holds no e-mail to erase.
bool hasOutbox(db::Database& database);

// Adds the erasure to USUNIECIA in the connection's transaction; a database without the
// table (made by an older program, not yet upgraded) records nothing.
void recordErasure(db::Database& database, const Erasure& erasure);

}  // namespace desk
