#pragma once
// The e-mail that invites a guest to a visit ahead: whom and when, where the building is,
// the invitation's code as text and as a QR code to show at the reception desk. The guest's
// address is asked for each invitation and kept nowhere but in the outbox's message, which
// goes once sent. No widgets.
#include "desk/VisitHost.h"
#include "mail/Message.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace desk {

class Desk;

// What the invitation says.
struct InvitationContent {
    QString to;
    VisitHost host;  // the employee as the visit names them
    QDateTime arrival;
    QString buildingAddress;  // lines; empty: left out
    QString code;
    QString clause;  // the information clause's short form; empty: left out
};

// "Zaproszenie: <company>, <day> <time>", the Polish text, and the code's QR code as a PNG.
mail::Message invitationMessage(const InvitationContent& content);

// A visit whose guest can still be invited (where mail is set up): not entered, arriving
// later than now.
bool awaitsInvitation(const QDateTime& arrival, bool entered, const QDateTime& now);

// The guest's address, typed in the input box (which shows `typed` first) until it has the
// shape of one; nothing when cancelled. A database without the invitations' table is refused
// (db::Error) before asking.
std::optional<QString> askInvitationAddress(Desk& desk, const QString& typed = {});

// Gives the stored visit its code and queues its invitation to `address` in the unit of work;
// the caller commits. Throws db::Error in Polish when the visit cannot be invited.
void queueInvitation(Desk& desk, int visitId, const QString& address);

}  // namespace desk
