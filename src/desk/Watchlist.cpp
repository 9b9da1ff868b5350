#include "desk/Watchlist.h"

#include "controls/Clock.h"
#include "controls/Prompts.h"
#include "db/Database.h"
#include "db/DateTimeText.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "desk/Desk.h"

#include <ibase.h>
#include <vector>

namespace desk {

namespace {

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

constexpr auto SelectVisitMark = R"(select %1
from WIZYTY W
%2
where W.ID = :id)";

constexpr int ReasonWidth = 500;  // ZAKAZY_WSTEPU.POWOD

const QString MissingTableMessage = QStringLiteral(
    "Ta baza danych nie ma jeszcze miejsca na zakazy wstępu (tabeli ZAKAZY_WSTEPU); "
    "zaktualizuj ją: Dodatki > Aktualizacja bazy danych. Nic nie zapisano.");

// Every mark a select of GOSC_ID, NAZWA, POWOD, DZIEN gives. A database not yet upgraded has
// no watchlist and marks nobody; the table is looked for only when the select fails.
std::vector<Ban> selectBans(db::Database& database, const QString& sql, const QVariant& value)
{
    std::vector<db::Values> rows;
    try {
        db::Statement select(database, sql);
        select.execute([&value](const QString&) { return value; }, &rows);
    } catch (const db::Error&) {
        if (hasWatchlist(database))
            throw;
    }
    std::vector<Ban> bans;
    for (const db::Values& row : rows)
        if (std::optional<Ban> ban = markAt(row, 0))
            bans.push_back(std::move(*ban));
    return bans;
}

std::optional<Ban> firstBan(db::Database& database, const char* sql, const QVariant& value)
{
    std::vector<Ban> bans = selectBans(database, QString::fromUtf8(sql), value);
    return bans.empty() ? std::nullopt : std::optional<Ban>(std::move(bans.front()));
}

}  // namespace

const char* const MarkColumns = "B.GOSC_ID, BG.NAZWA, B.POWOD, B.DZIEN";
const char* const VisitMarkJoin = R"(left join ZAKAZY_WSTEPU B on B.GOSC_ID = (
  select first 1 M.GOSC_ID
  from ZAKAZY_WSTEPU M
  where M.GOSC_ID = W.GOSC_ID
    or (replace(W.GOSC_DOKUM, ' ', '') <> ''
        and upper(replace(W.GOSC_DOKUM, ' ', '')) =
          (select upper(replace(D.DOKUM, ' ', '')) from GOSCIE D where D.ID = M.GOSC_ID))
  order by iif(M.GOSC_ID = W.GOSC_ID, 0, 1), M.DZIEN desc)
left join GOSCIE BG on BG.ID = B.GOSC_ID)";

std::optional<Ban> markAt(const db::Values& row, size_t first)
{
    if (row.size() < first + 4 || row[first].isNull())
        return std::nullopt;
    return Ban{row[first].toInt(), row[first + 1].toString(), row[first + 2].toString(),
               db::dateOf(row[first + 3])};
}

bool hasWatchlist(db::Database& database)
{
    return database.hasTable(QStringLiteral("ZAKAZY_WSTEPU"));
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
    return selectBans(database, QString::fromUtf8(SelectAllBans), QVariant());
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
    const QString sql = QString::fromUtf8(SelectVisitMark)
                            .arg(QString::fromUtf8(MarkColumns), QString::fromUtf8(VisitMarkJoin));
    std::vector<Ban> marks = selectBans(desk.database(), sql, visitId);
    return mayLetIn(desk.prompts(),
                    marks.empty() ? std::nullopt : std::optional<Ban>(std::move(marks.front())));
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
