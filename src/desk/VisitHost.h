#pragma once
// Whom a guest has come to see, and telling them: where the employee sits, for the pass,
// and the e-mail that says the guest is waiting at the reception desk.
#include "mail/Message.h"

#include <QDateTime>
#include <QString>

namespace desk {

class Desk;

struct VisitHost {
    QString company, employee, floor, room, email;
};

// The company's NAZWA and the employee's NAZWISKO IMIE (one blank between, as everywhere),
// PIETRO, POKOJ, EMAIL, read in the desk's one transaction; empty for what is not there.
VisitHost readVisitHost(Desk& desk, int companyId, int employeeId);

// "mailto:<email>?subject=<Gość w recepcji: guest>&body=<arrival time and this desk's
// name>", percent-encoded (UTF-8) so that a mail program gets the Polish letters.
QString notificationUrl(const QString& email, const QString& guestName, const QDateTime& arrival,
                        const QString& deskName);

// What the employee is told: the guest, the visited company, the arrival, and the visit
// the notice belongs to (0: not stored yet).
struct HostNotice {
    QString email, guestName, company;
    QDateTime arrival;
    int visitId = 0;
};

// The notice as an e-mail: "Gość w recepcji: <guest>" and a plain Polish text naming the
// guest, the company, the arrival and this desk (the computer's host name).
mail::Message hostNoticeMessage(const HostNotice& notice, const QString& deskName);

// Puts the notice into the outbox in the unit of work; it goes once that is committed.
void queueHostNotice(Desk& desk, const HostNotice& notice);

// Tells the employee: where mail is set up ("Dodatki > Poczta") the notice is queued in the unit of
// work and the answer is true (the caller commits it); else the desktop's mail program is opened on
// the message (where it cannot be, a message gives the address to copy) and the answer is false.
bool notifyEmployee(Desk& desk, const HostNotice& notice);

}  // namespace desk
