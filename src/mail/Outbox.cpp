#include "mail/Outbox.h"

#include "db/Database.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/Statement.h"

namespace mail {

namespace {

constexpr auto InsertMessage = R"(insert into POCZTA
  (ID, RODZAJ, WIZYTA_ID, ADRESAT, TEMAT, TRESC, ZALACZNIK_NAZWA, ZALACZNIK)
values (gen_id(GEN_POCZTA_ID, 1), :RODZAJ, :WIZYTA_ID, :ADRESAT, :TEMAT, :TRESC,
  :ZALACZNIK_NAZWA, :ZALACZNIK)
returning ID)";
constexpr auto SelectEntries = R"(select ID, DTUTWORZENIA, RODZAJ, WIZYTA_ID, ADRESAT, TEMAT,
  STAN, PROBY, DTNASTEPNEJ, WYSYLA, ODPOWIEDZ
from POCZTA
order by DTUTWORZENIA, ID)";
constexpr auto SelectOverdueNotices = R"(select ID, DTUTWORZENIA, RODZAJ, WIZYTA_ID, ADRESAT,
  TEMAT, STAN, PROBY, DTNASTEPNEJ, WYSYLA, ODPOWIEDZ
from POCZTA
where RODZAJ = 1 and DTUTWORZENIA < dateadd(:SEKUNDY second to current_timestamp)
order by DTUTWORZENIA, ID)";
constexpr auto SendAgain = R"(update POCZTA
set STAN = 0, DTNASTEPNEJ = current_timestamp
where ID = :ID and STAN <> 1)";
constexpr auto DeleteMessage = R"(delete from POCZTA
where ID = :ID and STAN <> 1)";
constexpr auto SelectSender = R"(select WYSYLA
from POCZTA
where ID = :ID)";
constexpr auto DeleteCreatedBefore = R"(delete from POCZTA
where DTUTWORZENIA < :GRANICA)";
// The notices of the guest's visits, and the evacuation lists that name the guest in their
// text (and their PDF): a list that waits is no longer of use to an evacuation, and its
// names are to be gone with the guest's.
constexpr auto DeleteForGuest = R"(delete from POCZTA
where WIZYTA_ID in (select ID from WIZYTY where GOSC_ID = :GOSC_ID)
  or (RODZAJ = 2 and exists (select 1 from WIZYTY w
        where w.GOSC_ID = :GOSC_ID and POCZTA.TRESC containing w.GOSC_NAZWA)))";

std::vector<OutboxEntry> readEntries(db::Database& database, const char* sql,
                                     const db::ParamSource& params)
{
    db::Statement select(database, QString::fromUtf8(sql));
    std::vector<db::Values> rows;
    select.execute(params, &rows);
    std::vector<OutboxEntry> entries;
    for (const db::Values& row : rows) {
        OutboxEntry entry;
        entry.id = row[0].toInt();
        entry.created = db::toDateTime(row[1].toDouble());
        entry.kind = Kind(row[2].toInt());
        entry.visitId = row[3].toInt();
        entry.to = row[4].toString();
        entry.subject = row[5].toString();
        entry.state = State(row[6].toInt());
        entry.tries = row[7].toInt();
        entry.nextTry = db::toDateTime(row[8].toDouble());
        entry.claimedBy = row[9].toString();
        entry.answer = row[10].toString();
        entries.push_back(entry);
    }
    return entries;
}

// The administrator's change touched nothing: say why in words.
[[noreturn]] void refuse(db::Database& database, int id)
{
    db::Statement select(database, QString::fromUtf8(SelectSender));
    std::vector<db::Values> rows;
    select.execute([id](const QString&) -> QVariant { return id; }, &rows);
    if (rows.empty())
        throw db::Error(
            QStringLiteral("Tej wiadomości nie ma już w poczcie do wysłania: "
                           "została wysłana albo usunięta na innym stanowisku."));
    throw db::Error(QStringLiteral("Wiadomość wysyła w tej chwili stanowisko %1; "
                                   "spróbuj ponownie za chwilę.")
                        .arg(rows.front()[0].toString()));
}

void changeOne(db::Database& database, const char* sql, int id)
{
    db::Statement change(database, QString::fromUtf8(sql));
    change.execute([id](const QString&) -> QVariant { return id; });
    if (change.affectedRows() == 0)
        refuse(database, id);
}

int removeWhere(db::Database& database, const char* sql, const QVariant& value)
{
    db::Statement remove(database, QString::fromUtf8(sql));
    remove.execute([&value](const QString&) { return value; });
    return int(remove.affectedRows());
}

}  // namespace

int queue(db::Database& database, const Message& message, Kind kind, int visitId)
{
    db::Statement insert(database, QString::fromUtf8(InsertMessage));
    std::vector<db::Values> rows;
    insert.execute(
        [&](const QString& name) -> QVariant {
            if (name == QLatin1String("RODZAJ"))
                return int(kind);
            if (name == QLatin1String("WIZYTA_ID"))
                return visitId > 0 ? QVariant(visitId) : QVariant();
            if (name == QLatin1String("ADRESAT"))
                return message.to.trimmed();
            if (name == QLatin1String("TEMAT"))
                return message.subject;
            if (name == QLatin1String("TRESC"))
                return message.body;
            if (!message.attachment)
                return {};
            if (name == QLatin1String("ZALACZNIK_NAZWA"))
                return message.attachment->fileName;
            return message.attachment->bytes;
        },
        &rows);
    return rows.front()[0].toInt();
}

std::vector<OutboxEntry> outboxEntries(db::Database& database)
{
    return readEntries(database, SelectEntries, {});
}

std::vector<OutboxEntry> overdueHostNotices(db::Database& database, std::chrono::seconds age)
{
    const qint64 seconds = -age.count();  // so far back from now
    return readEntries(database, SelectOverdueNotices,
                       [seconds](const QString&) -> QVariant { return seconds; });
}

void sendAgain(db::Database& database, int id)
{
    changeOne(database, SendAgain, id);
}

void drop(db::Database& database, int id)
{
    changeOne(database, DeleteMessage, id);
}

int removeCreatedBefore(db::Database& database, const QDate& boundary)
{
    return removeWhere(database, DeleteCreatedBefore, db::fromDate(boundary));
}

int removeForGuest(db::Database& database, int guestId)
{
    return removeWhere(database, DeleteForGuest, guestId);
}

}  // namespace mail
