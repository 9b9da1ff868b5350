#pragma once
// The outbox (POCZTA), on the desk's connection and in its unit of work: a message queued
// with a visit is committed or rolled back with it.
#include "mail/Message.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <chrono>
#include <vector>

namespace db {
class Database;
}

namespace mail {

// Queues the message in the running unit of work and gives its ID. visitId 0: none.
int queue(db::Database& database, const Message& message, Kind kind, int visitId = 0);

enum class State { Waiting = 0, Sending = 1, Failed = 2 };

struct OutboxEntry {
    int id = 0;
    QDateTime created;
    Kind kind = Kind::HostNotice;
    int visitId = 0;
    QString to, subject;
    State state = State::Waiting;
    int tries = 0;
    QDateTime nextTry;
    QString claimedBy;  // the desk sending it now
    QString answer;     // the server's last answer, in Polish
};

// Every message not yet sent, oldest first.
std::vector<OutboxEntry> outboxEntries(db::Database& database);
// Host notices older than `age` (by the server's clock) that have not gone out.
std::vector<OutboxEntry> overdueHostNotices(db::Database& database, std::chrono::seconds age);

// The administrator's choices in "Poczta", in the unit of work. A message another desk is
// sending right now, or that is no longer there (sent, dropped), is refused with a Polish
// db::Error.
void sendAgain(db::Database& database, int id);
void drop(db::Database& database, int id);

// The removal of old personal data: messages created before the day; the count.
int removeCreatedBefore(db::Database& database, const QDate& boundary);
// The erasure of one guest, before the visits' copies of the name are erased: the notices
// about the guest's visits and the evacuation lists that name the guest; the count.
int removeForGuest(db::Database& database, int guestId);

}  // namespace mail
