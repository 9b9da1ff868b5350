#pragma once
// Whom a guest has come to see, and telling them: where the employee sits, for the pass,
// and the e-mail that says the guest is waiting at the reception desk.
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

// Opens the desktop's mail program on that message; the desk's name is the computer's
// host name. Where it cannot be opened, a message gives the address to copy.
void notifyEmployee(Desk& desk, const QString& email, const QString& guestName,
                    const QDateTime& arrival);

}  // namespace desk
