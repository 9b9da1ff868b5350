#include "desk/Watchlist.h"

#include "controls/Clock.h"
#include "controls/Prompts.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "desk/Desk.h"

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
constexpr auto StoreBan = R"(update or insert into ZAKAZY_WSTEPU (GOSC_ID, POWOD, DZIEN)
values (:gosc_id, :powod, :dzien)
matching (GOSC_ID))";
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

// The first row of a select of GOSC_ID, NAZWA, POWOD, DZIEN.
std::optional<Ban> selectBan(db::Database& database, const char* sql, const QVariant& value)
{
    db::Statement select(database, QString::fromUtf8(sql));
    std::vector<db::Values> rows;
    select.execute([&value](const QString&) { return value; }, &rows);
    if (rows.empty())
        return std::nullopt;
    const db::Values& row = rows.front();
    return Ban{row[0].toInt(), row[1].toString(), row[2].toString(),
               row[3].isNull() ? QDate() : db::toDate(row[3].toDouble())};
}

std::optional<Ban> firstBan(db::Database& database, const char* sql, const QVariant& value)
{
    if (!hasWatchlist(database))
        return std::nullopt;
    return selectBan(database, sql, value);
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
    store.execute([&](const QString& name) -> QVariant {
        if (name == QLatin1String("powod"))
            return trimmed;
        if (name == QLatin1String("dzien"))
            return today;
        return guestId;
    });
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

}  // namespace desk
