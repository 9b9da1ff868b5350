#include "desk/Watchlist.h"

#include "controls/Clock.h"
#include "controls/Prompts.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "desk/Desk.h"

#include <ibase.h>
#include <vector>

namespace desk {

namespace {

constexpr auto CountWatchlistTable = R"(select count(*)
from RDB$RELATIONS
where RDB$RELATION_NAME = 'ZAKAZY_WSTEPU')";
constexpr auto SelectGuestBan = R"(select Z.GOSC_ID, G.NAZWA, Z.POWOD, Z.DZIEN
from ZAKAZY_WSTEPU Z
left join GOSCIE G on G.ID = Z.GOSC_ID
where Z.GOSC_ID = :gosc_id)";
constexpr auto SelectDocumentBan = R"(select first 1 Z.GOSC_ID, G.NAZWA, Z.POWOD, Z.DZIEN
from ZAKAZY_WSTEPU Z
join GOSCIE G on G.ID = Z.GOSC_ID
where upper(replace(G.DOKUM, ' ', '')) = :dokum
order by Z.DZIEN desc)";
constexpr auto SelectAllBans = R"(select Z.GOSC_ID, G.NAZWA, Z.POWOD, Z.DZIEN
from ZAKAZY_WSTEPU Z
left join GOSCIE G on G.ID = Z.GOSC_ID)";
// Only a guest still in the registry is marked: another desk may have deleted them.
constexpr auto StoreBan = R"(merge into ZAKAZY_WSTEPU Z
using (select ID from GOSCIE where ID = :gosc_id) G
on Z.GOSC_ID = G.ID
when matched then
  update set POWOD = :powod, DZIEN = :dzien
when not matched then
  insert (GOSC_ID, POWOD, DZIEN) values (G.ID, :powod, :dzien))";
constexpr auto DeleteBan = R"(delete from ZAKAZY_WSTEPU
where GOSC_ID = :gosc_id)";

// The mark of the visit's guest first, else the latest of a marked guest with the visit's
// document number (compared without case and spaces): one statement, as the scan box asks
// it between a scan and the entry dialog.
constexpr auto SelectVisitBan = R"(select first 1 Z.GOSC_ID, G.NAZWA, Z.POWOD, Z.DZIEN
from WIZYTY W
join ZAKAZY_WSTEPU Z on
  Z.GOSC_ID = W.GOSC_ID
  or
  (replace(W.GOSC_DOKUM, ' ', '') <> ''
   and
   upper(replace(W.GOSC_DOKUM, ' ', '')) =
     (select upper(replace(D.DOKUM, ' ', '')) from GOSCIE D where D.ID = Z.GOSC_ID))
left join GOSCIE G on G.ID = Z.GOSC_ID
where W.ID = :id
order by iif(Z.GOSC_ID = W.GOSC_ID, 0, 1), Z.DZIEN desc)";

constexpr int ReasonWidth = 500;  // ZAKAZY_WSTEPU.POWOD

const QString MissingTableMessage = QStringLiteral(
    "Ta baza danych nie ma jeszcze miejsca na zakazy wstępu (tabeli ZAKAZY_WSTEPU); "
    "zaktualizuj ją: Dodatki > Aktualizacja bazy danych. Nic nie zapisano.");

// Every row of a select of GOSC_ID, NAZWA, POWOD, DZIEN.
std::vector<Ban> selectBans(db::Database& database, const char* sql, const QVariant& value)
{
    db::Statement select(database, QString::fromUtf8(sql));
    std::vector<db::Values> rows;
    select.execute([&value](const QString&) { return value; }, &rows);
    std::vector<Ban> bans;
    for (const db::Values& row : rows)
        bans.push_back({row[0].toInt(), row[1].toString(), row[2].toString(),
                        row[3].isNull() ? QDate() : db::toDate(row[3].toDouble())});
    return bans;
}

// The first row of such a select.
std::optional<Ban> selectBan(db::Database& database, const char* sql, const QVariant& value)
{
    std::vector<Ban> bans = selectBans(database, sql, value);
    return bans.empty() ? std::nullopt : std::optional<Ban>(std::move(bans.front()));
}

std::vector<Ban> bansOf(db::Database& database, const char* sql, const QVariant& value)
{
    return hasWatchlist(database) ? selectBans(database, sql, value) : std::vector<Ban>();
}

std::optional<Ban> firstBan(db::Database& database, const char* sql, const QVariant& value)
{
    return hasWatchlist(database) ? selectBan(database, sql, value) : std::nullopt;
}

}  // namespace

bool hasWatchlist(db::Database& database)
{
    db::Statement count(database, QString::fromUtf8(CountWatchlistTable));
    std::vector<db::Values> rows;
    count.execute([](const QString&) { return QVariant(); }, &rows);
    return !rows.empty() && rows.front().front().toInt() > 0;
}

std::optional<Ban> banOfGuest(db::Database& database, int guestId)
{
    return guestId > 0 ? firstBan(database, SelectGuestBan, guestId) : std::nullopt;
}

std::optional<Ban> banOfDocument(db::Database& database, const QString& document)
{
    const QString key = document.toUpper().remove(QLatin1Char(' '));
    return key.isEmpty() ? std::nullopt : firstBan(database, SelectDocumentBan, key);
}

std::optional<Ban> banOfVisitGuest(db::Database& database, int guestId, const QString& document)
{
    std::optional<Ban> ban = banOfGuest(database, guestId);
    return ban ? ban : banOfDocument(database, document);
}

std::vector<Ban> allBans(db::Database& database)
{
    return bansOf(database, SelectAllBans, QVariant());
}

void markGuest(Desk& desk, int guestId, const QString& reason)
{
    const QString trimmed = reason.trimmed();
    if (trimmed.isEmpty())
        throw db::Error(QStringLiteral("Podaj powód zakazu wstępu."));
    if (trimmed.size() > ReasonWidth)
        throw db::Error(QStringLiteral("Powód zakazu wstępu ma %1 znaków; mieści się najwyżej %2.")
                            .arg(trimmed.size())
                            .arg(ReasonWidth));
    if (!hasWatchlist(desk.database()))
        throw db::Error(MissingTableMessage);
    const QDate today = desk.clock().today();
    db::Statement store(desk.database(), QString::fromUtf8(StoreBan));
    try {
        store.execute([&](const QString& name) -> QVariant {
            if (name == QLatin1String("powod"))
                return trimmed;
            if (name == QLatin1String("dzien"))
                return today;
            return guestId;
        });
    } catch (const db::Error& error) {
        // Another desk's mark of the same guest, not yet committed, holds the key.
        if (!error.has(isc_unique_key_violation) && !error.has(isc_no_dup))
            throw;
        throw db::Error(QStringLiteral("Zakaz wstępu tego gościa zmienia w tej chwili inne "
                                       "stanowisko; nic nie zapisano. Spróbuj ponownie, gdy "
                                       "tamto stanowisko zatwierdzi lub wycofa swoje zmiany."),
                        error.codes());
    }
    if (store.affectedRows() == 0)
        throw db::Error(
            QStringLiteral("Tego gościa nie ma już w rejestrze gości (usunięto go na "
                           "innym stanowisku). Nic nie zapisano."));
}

bool unmarkGuest(Desk& desk, int guestId)
{
    return removeGuestMark(desk.database(), guestId) > 0;
}

int removeGuestMark(db::Database& database, int guestId)
{
    if (!hasWatchlist(database))
        return 0;
    db::Statement remove(database, QString::fromUtf8(DeleteBan));
    remove.execute([guestId](const QString&) -> QVariant { return guestId; });
    return int(remove.affectedRows());
}

bool goOnDespiteBan(controls::Prompts& prompts, const Ban& ban, const QString& action,
                    const QString& caption)
{
    // Rich text, so the name and the reason are escaped: they are typed by people.
    const QString text =
        QStringLiteral(
            "<p style=\"color:#c00000\"><b>Zakaz wstępu: %1</b></p>"
            "<p style=\"color:#c00000\">Powód: %2<br>Od: %3</p><p>%4</p>")
            .arg(ban.guestName.toHtmlEscaped(), ban.reason.toHtmlEscaped(),
                 ban.day.toString(QStringLiteral("dd-MM-yyyy")), action.toHtmlEscaped());
    return prompts.question(text, caption, true);
}

bool mayLetIn(Desk& desk, int visitId)
{
    db::Database& database = desk.database();
    std::optional<Ban> ban;
    try {
        ban = selectBan(database, SelectVisitBan, visitId);
    } catch (const db::Error&) {
        // A database not yet upgraded has no watchlist: nobody is marked there.
        if (hasWatchlist(database))
            throw;
    }
    return mayLetIn(desk.prompts(), ban);
}

bool mayLetIn(controls::Prompts& prompts, const std::optional<Ban>& mark)
{
    return !mark || goOnDespiteBan(prompts, *mark, QStringLiteral("Wpuścić gościa mimo to?"),
                                   QStringLiteral("Wejście"));
}

bool mayStoreVisit(Desk& desk, int guestId, const QString& document)
{
    const std::optional<Ban> ban = banOfVisitGuest(desk.database(), guestId, document);
    return !ban || goOnDespiteBan(desk.prompts(), *ban, QStringLiteral("Zapisać wizytę mimo to?"),
                                  QStringLiteral("Zapis wizyty"));
}

}  // namespace desk
