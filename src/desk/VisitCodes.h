#pragma once
// The codes a guest shows at the desk: an invitation's code (sent by e-mail before the visit,
// as text and as a QR code) and the code printed on the pass. A scanner types either, and
// Enter, into the scan box; lookUpCode() says which visit it is and whether it may be used
// now. Invitation codes are random, stored in ZAPROSZENIA; a pass code is the visit's number
// after "P-", so a pass can be printed before the visit is stored. No widgets.
#include <QDateTime>
#include <QString>

namespace db {
class Database;
}

namespace desk {

class Desk;

// Eight characters of 31: no 0, O, 1, I or L, which are read one for another.
extern const QString InvitationAlphabet;
constexpr int InvitationCodeLength = 8;

// A random invitation code (the system's random source).
QString newInvitationCode();

// Whether the database has the invitations' table (an older one lacks it until upgraded).
bool hasInvitations(db::Database& database);
// Throws db::Error in Polish when the database lacks the invitations' table.
void requireInvitations(db::Database& database);

// The visit's invitation code: the one it has, else a new one stored in the unit of work (a
// code already taken, here or by another desk at the same moment, is drawn again). Throws
// db::Error in Polish when the database lacks the table or another desk is inviting to the
// same visit. The caller commits.
QString invitationCode(Desk& desk, int visitId);

// "P-" and the visit's number.
QString passCode(int visitId);

// What a scanned or typed code is.
struct ScannedCode {
    enum class Kind { Unknown, Invitation, Pass };
    enum class State {
        Usable,    // an invitation for today not yet used; a pass of a guest inside
        Unknown,   // no such code
        Used,      // the invitation's guest has entered or left; the pass's guest has left
        Expired,   // an invitation for a day gone by
        Early,     // an invitation for a day to come
        NotInside  // a pass of a visit without an entry
    };
    Kind kind = Kind::Unknown;
    State state = State::Unknown;
    QString code;  // as looked up: upper case, without spaces
    int visitId = 0;
    QString guestName, employeeName, badge, card;
    QDateTime arrival, entry, exit;
    // Polish, for the desk: why the code cannot be used (empty when it can).
    QString problem;
};

// One indexed look-up in the desk's transaction; "today" is the desk's clock's.
ScannedCode lookUpCode(Desk& desk, const QString& typed);

}  // namespace desk
