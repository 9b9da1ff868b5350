#include "admin/PersonalDataRemoval.h"

#include "db/Statement.h"
#include "desk/PersonalData.h"

#include <QDateTime>

namespace admin {

const QString RemovalSection = QStringLiteral("RODO");
const QString RetentionMonthsKey = QStringLiteral("Miesiace");
const QString LastRemovalKey = QStringLiteral("Ostatnio");

namespace {

// A guest is seen since the cut-off when one of their visits arrived on or after it. A row
// still holds personal data unless it is exactly what the erasure leaves.
constexpr auto CountGuests = R"(select count(*)
from GOSCIE G
where
  not exists (select 1 from WIZYTY W
              where W.GOSC_ID = G.ID and W.DTPRZYBYCIA >= :granica)
  and
  (G.NAZWA is distinct from :usunieto or G.DOKUM is not null or G.INFO is not null))";
constexpr auto CountVisits = R"(select count(*)
from WIZYTY
where
  DTPRZYBYCIA < :granica
  and
  (GOSC_NAZWA is distinct from :usunieto or GOSC_DOKUM is not null or WIADOMOSC is not null))";
constexpr auto EraseGuests = R"(update GOSCIE G
set
  NAZWA = :usunieto,
  DOKUM = null,
  INFO = null
where
  not exists (select 1 from WIZYTY W
              where W.GOSC_ID = G.ID and W.DTPRZYBYCIA >= :granica)
  and
  (G.NAZWA is distinct from :usunieto or G.DOKUM is not null or G.INFO is not null))";
constexpr auto EraseVisits = R"(update WIZYTY
set
  GOSC_NAZWA = :usunieto,
  GOSC_DOKUM = null,
  WIADOMOSC = null
where
  DTPRZYBYCIA < :granica
  and
  (GOSC_NAZWA is distinct from :usunieto or GOSC_DOKUM is not null or WIADOMOSC is not null))";

constexpr int ReminderDays = 31;

db::ParamSource paramsFor(const QDate& cutOff)
{
    return [cutOff](const QString& name) -> QVariant {
        if (name == QLatin1String("granica"))
            return QDateTime(cutOff, QTime(0, 0));
        return desk::ErasedName;
    };
}

int countOf(db::Database& database, const char* sql, const QDate& cutOff)
{
    db::Statement count(database, QString::fromUtf8(sql));
    std::vector<db::Values> rows;
    count.execute(paramsFor(cutOff), &rows);
    return rows.empty() ? 0 : rows.front().front().toInt();
}

int written(db::Database& database, const char* sql, const QDate& cutOff)
{
    db::Statement update(database, QString::fromUtf8(sql));
    update.execute(paramsFor(cutOff));
    return int(update.affectedRows());
}

}  // namespace

int retentionMonths(const QString& stored)
{
    bool isNumber = false;
    const int months = stored.trimmed().toInt(&isNumber);
    return isNumber && months >= MinRetentionMonths && months <= MaxRetentionMonths
               ? months
               : DefaultRetentionMonths;
}

QDate cutOffDay(const QDate& today, int months)
{
    return today.addMonths(-months);
}

bool removalReminderDue(const QString& lastRemoval, const QDate& today)
{
    const QDate last = QDate::fromString(lastRemoval.trimmed(), Qt::ISODate);
    return !last.isValid() || last.daysTo(today) > ReminderDays;
}

QString removalReminderText()
{
    return QStringLiteral(
        "Dane osobowe gości nie były usuwane od ponad 31 dni "
        "(Dodatki > Usuwanie danych osobowych).");
}

RemovalCounts PersonalDataRemoval::count(const QDate& cutOff) const
{
    return {countOf(database_, CountGuests, cutOff), countOf(database_, CountVisits, cutOff)};
}

RemovalCounts PersonalDataRemoval::remove(const QDate& cutOff)
{
    RemovalCounts counts;
    counts.guests = written(database_, EraseGuests, cutOff);
    counts.visits = written(database_, EraseVisits, cutOff);
    return counts;
}

}  // namespace admin
