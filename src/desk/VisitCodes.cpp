#include "desk/VisitCodes.h"

#include "controls/Clock.h"
#include "db/Database.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "desk/Desk.h"
#include "desk/Watchlist.h"

#include <QRandomGenerator>
#include <algorithm>
#include <ibase.h>
#include <vector>

namespace desk {

const QString InvitationAlphabet = QStringLiteral("ABCDEFGHJKMNPQRSTUVWXYZ23456789");

namespace {

const QString PassPrefix = QStringLiteral("P-");

constexpr auto SelectVisitCode = R"(select KOD
from ZAPROSZENIA
where WIZYTA_ID = :wizyta_id)";
constexpr auto InsertInvitation = R"(insert into ZAPROSZENIA (WIZYTA_ID, KOD)
values (:wizyta_id, :kod))";
constexpr auto SelectInvitedVisit = R"(select W.ID, W.GOSC_NAZWA, W.PERSON_NAZWA, W.IDENTYFIKATOR,
  W.DTPRZYBYCIA, W.DTWEJSCIA, W.DTWYJSCIA, W.NRKARTY
from ZAPROSZENIA Z
join WIZYTY W on W.ID = Z.WIZYTA_ID
where Z.KOD = :kod)";
// The same with the watchlist's mark of the guest (desk/Watchlist.h), read with the visit so
// that a scan takes one statement up to the entry dialog.
constexpr auto SelectInvitedVisitAndMark = R"(select W.ID, W.GOSC_NAZWA, W.PERSON_NAZWA,
  W.IDENTYFIKATOR, W.DTPRZYBYCIA, W.DTWEJSCIA, W.DTWYJSCIA, W.NRKARTY, %1
from ZAPROSZENIA Z
join WIZYTY W on W.ID = Z.WIZYTA_ID
%2
where Z.KOD = :kod)";
constexpr auto SelectPassVisit = R"(select W.ID, W.GOSC_NAZWA, W.PERSON_NAZWA, W.IDENTYFIKATOR,
  W.DTPRZYBYCIA, W.DTWEJSCIA, W.DTWYJSCIA, W.NRKARTY
from WIZYTY W
where W.ID = :wizyta_id)";

constexpr int MarkColumn = 8;  // the first of the mark's in SelectInvitedVisitAndMark
constexpr int DrawsBeforeGivingUp = 5;
const QString DayFormat = QStringLiteral("dd-MM-yyyy");
const QString TimeFormat = QStringLiteral("HH:mm");

std::vector<db::Values> select(db::Database& database, const char* sql, const QVariant& value)
{
    db::Statement statement(database, QString::fromUtf8(sql));
    std::vector<db::Values> rows;
    statement.execute([&value](const QString&) { return value; }, &rows);
    return rows;
}

// The same with the statement kept prepared on the connection: a scan is one exchange.
std::vector<db::Values> lookUp(db::Database& database, const QString& sql, const QVariant& value)
{
    std::vector<db::Values> rows;
    database.prepared(sql).execute([&value](const QString&) { return value; }, &rows);
    return rows;
}

// The visit's columns as SelectInvitedVisit and SelectPassVisit give them.
void readVisit(const db::Values& row, ScannedCode& scanned)
{
    scanned.visitId = row[0].toInt();
    scanned.guestName = row[1].toString();
    scanned.employeeName = row[2].toString();
    scanned.badge = row[3].toString();
    scanned.arrival = db::dateTimeOf(row[4]);
    scanned.entry = db::dateTimeOf(row[5]);
    scanned.exit = db::dateTimeOf(row[6]);
    scanned.card = row[7].toString();
}

// The invited visit with its guest's mark. The tables are looked for only when the statement
// fails: a database not yet upgraded has no invitations (the code is unknown there), and one
// without the watchlist marks nobody.
std::vector<db::Values> selectInvitedVisit(db::Database& database, const QString& code)
{
    try {
        static const QString withMark =
            QString::fromUtf8(SelectInvitedVisitAndMark)
                .arg(QString::fromUtf8(MarkColumns), QString::fromUtf8(VisitMarkJoin));
        return lookUp(database, withMark, code);
    } catch (const db::Error&) {
        if (!hasInvitations(database))
            return {};
        if (hasWatchlist(database))
            throw;
    }
    return lookUp(database, QString::fromUtf8(SelectInvitedVisit), code);
}

void readMark(const db::Values& row, ScannedCode& scanned)
{
    scanned.markRead = true;
    scanned.mark = markAt(row, MarkColumn);
}

QString when(const QDateTime& at, const QDate& today)
{
    return at.date() == today ? at.toString(TimeFormat)
                              : at.toString(DayFormat + QLatin1Char(' ') + TimeFormat);
}

void judgeInvitation(ScannedCode& scanned, const QDate& today)
{
    using State = ScannedCode::State;
    const QDate day = scanned.arrival.date();
    if (!scanned.exit.isNull()) {
        scanned.state = State::Used;
        scanned.problem = QStringLiteral("Kod zaproszenia %1 został już użyty: %2 wyszedł(a) o %3.")
                              .arg(scanned.code, scanned.guestName, when(scanned.exit, today));
    } else if (!scanned.entry.isNull()) {
        scanned.state = State::Used;
        scanned.problem = QStringLiteral("Kod zaproszenia %1 został już użyty: %2 wszedł(a) o %3.")
                              .arg(scanned.code, scanned.guestName, when(scanned.entry, today));
    } else if (!day.isValid() || day < today) {
        scanned.state = State::Expired;
        scanned.problem = QStringLiteral("Kod zaproszenia %1 wygasł: zaproszenie było na %2.")
                              .arg(scanned.code, day.toString(DayFormat));
    } else if (day > today) {
        scanned.state = State::Early;
        scanned.problem = QStringLiteral("Kod zaproszenia %1 jest ważny dopiero %2.")
                              .arg(scanned.code, day.toString(DayFormat));
    } else {
        scanned.state = State::Usable;
    }
}

void judgePass(ScannedCode& scanned, const QDate& today)
{
    using State = ScannedCode::State;
    if (!scanned.exit.isNull()) {
        scanned.state = State::Used;
        scanned.problem = QStringLiteral("Przepustka %1 jest już nieważna: %2 wyszedł(a) o %3.")
                              .arg(scanned.code, scanned.guestName, when(scanned.exit, today));
    } else if (scanned.entry.isNull()) {
        scanned.state = State::NotInside;
        scanned.problem = QStringLiteral("Przepustka %1: %2 nie ma zapisanego wejścia.")
                              .arg(scanned.code, scanned.guestName);
    } else {
        scanned.state = State::Usable;
    }
}

// The visit's number of a pass code, 0 when the text is not one.
int passVisitId(const QString& code)
{
    if (!code.startsWith(PassPrefix))
        return 0;
    bool ok = false;
    const int id = code.mid(PassPrefix.size()).toInt(&ok);
    return ok && id > 0 ? id : 0;
}

bool isInvitationCode(const QString& code)
{
    return code.size() == InvitationCodeLength &&
           std::all_of(code.begin(), code.end(),
                       [](QChar c) { return InvitationAlphabet.contains(c); });
}

}  // namespace

QString newInvitationCode()
{
    QString code;
    for (int i = 0; i < InvitationCodeLength; ++i)
        code += InvitationAlphabet.at(
            int(QRandomGenerator::system()->bounded(quint32(InvitationAlphabet.size()))));
    return code;
}

bool hasInvitations(db::Database& database)
{
    return database.hasTable(QStringLiteral("ZAPROSZENIA"));
}

void requireInvitations(db::Database& database)
{
    if (!hasInvitations(database))
        throw db::Error(QStringLiteral(
            "Zaproszenie nie może zostać wysłane: baza danych nie ma jeszcze miejsca na kody "
            "zaproszeń (tabeli ZAPROSZENIA); zaktualizuj ją: Dodatki > Aktualizacja bazy danych."));
}

QString invitationCode(Desk& desk, int visitId)
{
    db::Database& database = desk.database();
    requireInvitations(database);
    const std::vector<db::Values> stored = select(database, SelectVisitCode, visitId);
    if (!stored.empty())
        return stored.front().front().toString();
    db::Statement insert(database, QString::fromUtf8(InsertInvitation));
    for (int draw = 0; draw < DrawsBeforeGivingUp; ++draw) {
        const QString code = newInvitationCode();
        try {
            insert.execute([&](const QString& name) -> QVariant {
                return name == QLatin1String("kod") ? QVariant(code) : QVariant(visitId);
            });
            return code;
        } catch (const db::Error& error) {
            const bool taken = error.has(isc_unique_key_violation) || error.has(isc_no_dup) ||
                               error.has(isc_lock_conflict) || error.has(isc_update_conflict);
            if (!taken)
                throw;
            // The visit itself invited at another desk meanwhile: its code is that desk's.
            if (!select(database, SelectVisitCode, visitId).empty() ||
                draw + 1 == DrawsBeforeGivingUp)
                throw db::Error(QStringLiteral("Inne stanowisko właśnie zaprasza gościa tej "
                                               "wizyty; spróbuj ponownie za chwilę."),
                                error.codes());
        }
    }
    return {};  // not reached: the last draw returns or throws
}

QString passCode(int visitId)
{
    return PassPrefix + QString::number(visitId);
}

ScannedCode lookUpCode(Desk& desk, const QString& typed)
{
    ScannedCode scanned;
    scanned.code = typed.toUpper().remove(QLatin1Char(' '));
    const QDate today = desk.clock().today();
    if (const int visitId = passVisitId(scanned.code)) {
        const std::vector<db::Values> rows =
            lookUp(desk.database(), QString::fromUtf8(SelectPassVisit), visitId);
        if (!rows.empty()) {
            scanned.kind = ScannedCode::Kind::Pass;
            readVisit(rows.front(), scanned);
            judgePass(scanned, today);
            return scanned;
        }
    } else if (isInvitationCode(scanned.code)) {
        const std::vector<db::Values> rows = selectInvitedVisit(desk.database(), scanned.code);
        if (!rows.empty()) {
            scanned.kind = ScannedCode::Kind::Invitation;
            readVisit(rows.front(), scanned);
            readMark(rows.front(), scanned);
            judgeInvitation(scanned, today);
            return scanned;
        }
    }
    scanned.problem = scanned.code.isEmpty()
                          ? QStringLiteral("Nie odczytano kodu.")
                          : QStringLiteral("Nieznany kod: %1.").arg(scanned.code);
    return scanned;
}

}  // namespace desk
