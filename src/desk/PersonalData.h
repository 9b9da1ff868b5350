#pragma once
// What is left of a guest's personal data once it is erased: the name says "(usunięto)",
// the document, the notes and the visits' messages are empty (null). The visits themselves,
// their times, badges, cards and employees stay. Shared by the removal of old data and
// the guest registry's erasure of one guest.
#include <QString>

namespace desk {

class Desk;

extern const QString ErasedName;

// The visits of one guest.
int countGuestVisits(Desk& desk, int guestId);

struct ErasedRows {
    int guests = 0;
    int visits = 0;
};

// Erases the guest's record and the copies in all their visits, in the desk's
// transaction: the caller commits or rolls back.
ErasedRows eraseGuestData(Desk& desk, int guestId);

}  // namespace desk
