#include "desk/PersonalData.h"

#include "controls/Clock.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "desk/Desk.h"
#include "desk/Watchlist.h"
#include "mail/Outbox.h"

namespace desk {

const QString ErasedName = QStringLiteral("(usunięto)");

namespace {

constexpr auto CountVisits = R"(select count(*)
from WIZYTY
where GOSC_ID = :gosc_id)";
constexpr auto EraseGuest = R"(update GOSCIE
set
  NAZWA = :usunieto,
  DOKUM = null,
  INFO = null
where ID = :gosc_id)";
constexpr auto EraseGuestVisits = R"(update WIZYTY
set
  GOSC_NAZWA = :usunieto,
  GOSC_DOKUM = null,
  WIADOMOSC = null
where GOSC_ID = :gosc_id)";

constexpr auto InsertErasure = R"(insert into USUNIECIA (ID, DTUSUNIECIA, GOSC_ID, GRANICA)
values (gen_id(GEN_USUNIECIA_ID, 1), :dtusuniecia, :gosc_id, :granica))";

int run(db::Database& database, const char* sql, int guestId)
{
    db::Statement statement(database, QString::fromUtf8(sql));
    statement.execute([guestId](const QString& name) -> QVariant {
        return name == QLatin1String("usunieto") ? QVariant(ErasedName) : QVariant(guestId);
    });
    return int(statement.affectedRows());
}

}  // namespace

int countGuestVisits(Desk& desk, int guestId)
{
    db::Statement count(desk.database(), QString::fromUtf8(CountVisits));
    std::vector<db::Values> rows;
    count.execute([guestId](const QString&) -> QVariant { return guestId; }, &rows);
    return rows.empty() ? 0 : rows.front().front().toInt();
}

ErasedRows eraseGuestData(Desk& desk, int guestId)
{
    const Erasure erasure{desk.clock().now(), guestId, {}};
    const ErasedRows erased = eraseGuestData(desk.database(), guestId, erasure.at);
    desk.noteErasure(erasure);
    return erased;
}

ErasedRows eraseGuestData(db::Database& database, int guestId, const QDateTime& at)
{
    const ErasedRows erased = eraseGuestRows(database, guestId);
    recordErasure(database, {at, guestId, {}});
    return erased;
}

ErasedRows eraseGuestRows(db::Database& database, int guestId)
{
    ErasedRows erased;
    // First: the outbox finds the lists that name the guest by the visits' names.
    if (hasOutbox(database))
        erased.messages = mail::removeForGuest(database, guestId);
    erased.guests = run(database, EraseGuest, guestId);
    erased.visits = run(database, EraseGuestVisits, guestId);
    erased.marks = removeGuestMark(database, guestId);
    return erased;
}

bool hasOutbox(db::Database& database)
{
    return database.hasTable(QStringLiteral("POCZTA"));
}

void recordErasure(db::Database& database, const Erasure& erasure)
{
    // A database made before erasures were recorded has no USUNIECIA until it is upgraded.
    if (!database.hasTable(QStringLiteral("USUNIECIA")))
        return;
    db::Statement insert(database, QString::fromUtf8(InsertErasure));
    insert.execute([&erasure](const QString& name) -> QVariant {
        if (name == QLatin1String("dtusuniecia"))
            return erasure.at;
        if (name == QLatin1String("gosc_id"))
            return erasure.guestId != 0 ? QVariant(erasure.guestId) : QVariant();
        return erasure.cutOff.isValid() ? QVariant(erasure.cutOff) : QVariant();
    });
}

}  // namespace desk
