#include "admin/PersonalDataRemoval.h"

#include "db/Statement.h"
#include "desk/PersonalData.h"
#include "desk/RetentionTime.h"
#include "desk/Watchlist.h"
#include "mail/Outbox.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace admin {

const QString RemovalSection = QStringLiteral("RODO");
const QString RetentionMonthsKey = QStringLiteral("Miesiace");
const QString LastRemovalKey = QStringLiteral("Ostatnio");

namespace {

// A visit dates from its arrival; one without an arrival from its other times, all of which
// must lie before the cut-off day. A visit with no time at all is no evidence of an old one.
constexpr auto VisitBeforeCutOff = R"((W.DTPRZYBYCIA < :granica
   or W.DTPRZYBYCIA is null
      and coalesce(W.DTWEJSCIA, W.DTWYJSCIA, W.DTODEBRWIADOM) is not null
      and (W.DTWEJSCIA is null or W.DTWEJSCIA < :granica)
      and (W.DTWYJSCIA is null or W.DTWYJSCIA < :granica)
      and (W.DTODEBRWIADOM is null or W.DTODEBRWIADOM < :granica)))";
// An entry without an exit: the guest may still be in the building.
constexpr auto VisitOpen = "(W.DTWEJSCIA is not null and W.DTWYJSCIA is null)";
constexpr auto VisitNotOpen = "(W.DTWEJSCIA is null or W.DTWYJSCIA is not null)";
// A row still holds personal data unless it is exactly what the erasure leaves.
constexpr auto GuestHoldsData =
    "(G.NAZWA is distinct from :usunieto or G.DOKUM is not null or G.INFO is not null)";
constexpr auto VisitHoldsData =
    "(W.GOSC_NAZWA is distinct from :usunieto or W.GOSC_DOKUM is not null "
    "or W.WIADOMOSC is not null or W.PERSON_NAZWA is distinct from :usunieto)";
// A guest goes when they have visits and every one of them is old and closed: none arrived
// on or after the cut-off day, none without arrival has a later time (or no time at all),
// none is open. A guest with no visit at all (registered today for tomorrow) has no date to
// judge by and stays. "+ 0" keeps the engine on the guest's own visits (the index on
// GOSC_ID) rather than every open visit of the register for each guest.
constexpr auto OldGuests = R"(
where
  exists (select 1 from WIZYTY W where W.GOSC_ID = G.ID)
  and
  not exists (select 1 from WIZYTY W where W.GOSC_ID = G.ID and W.DTPRZYBYCIA >= :granica)
  and
  not exists (select 1 from WIZYTY W
              where W.GOSC_ID = G.ID and W.DTPRZYBYCIA is null
                and (W.DTWEJSCIA + 0 >= :granica or W.DTWYJSCIA + 0 >= :granica
                     or W.DTODEBRWIADOM >= :granica
                     or coalesce(W.DTWEJSCIA, W.DTWYJSCIA, W.DTODEBRWIADOM) is null))
  and
  not exists (select 1 from WIZYTY W
              where W.GOSC_ID = G.ID and W.DTWEJSCIA is not null and W.DTWYJSCIA + 0 is null)
  and
  %1)";
constexpr auto GuestsWithoutVisits = R"(
where
  not exists (select 1 from WIZYTY W where W.GOSC_ID = G.ID)
  and
  %1)";
constexpr auto VisitsWhere = R"(
where
  %1
  and
  %2
  and
  %3)";
constexpr auto CountGuests = "select count(*)\nfrom GOSCIE G";
constexpr auto CountVisits = "select count(*)\nfrom WIZYTY W";
// The outbox holds guests' names in its subjects and texts; its own statement deletes them.
constexpr auto CountOldMessages = R"(select count(*)
from POCZTA
where DTUTWORZENIA < :granica)";
// A guest's mark "Zakaz wstępu" is the guest's data too: it goes when the guest was seen last
// before the cut-off day (whether the guest's record still holds data or not), or when the
// guest is no longer in the registry.
constexpr auto CountMarks = "select count(*)\nfrom ZAKAZY_WSTEPU Z";
constexpr auto DeleteMarks = "delete from ZAKAZY_WSTEPU Z";
constexpr auto OldMarks = R"(
where
  not exists (select 1 from GOSCIE G where G.ID = Z.GOSC_ID)
  or
  exists (select 1 from GOSCIE G %1))";
constexpr auto MarkedGuest = "G.ID = Z.GOSC_ID";
constexpr auto EraseGuests = R"(update GOSCIE G
set
  NAZWA = :usunieto,
  DOKUM = null,
  INFO = null)";
constexpr auto EraseVisits = R"(update WIZYTY W
set
  GOSC_NAZWA = :usunieto,
  GOSC_DOKUM = null,
  WIADOMOSC = null,
  PERSON_NAZWA = :usunieto)";

QString sql(const char* text)
{
    return QString::fromUtf8(text);
}

QString oldGuests()
{
    return sql(OldGuests).arg(sql(GuestHoldsData));
}

QString oldMarks()
{
    return sql(OldMarks).arg(sql(OldGuests).arg(sql(MarkedGuest)));
}

// The visits before the cut-off day that are closed (erased) or open (kept).
QString oldVisits(bool open)
{
    return sql(VisitsWhere)
        .arg(sql(VisitBeforeCutOff), sql(open ? VisitOpen : VisitNotOpen), sql(VisitHoldsData));
}

constexpr int ReminderDays = 31;

// The names the program gives the files it writes, exactly: the import log, and the exports
// offered by the guest's report, the personnel list and the overview's pages.
const QRegularExpression LogNames(QStringLiteral(R"(^log_importu_\d{4}-\d\d-\d\d_\d{4}\.txt$)"));
const QRegularExpression ExportNames(
    QStringLiteral(
        R"(^(Dane_goscia_\d+|lista_personelu_\d{4}-\d\d-\d\d|Identyfikatory|Historia|W budynku|)"
        R"(Wiadomości|Oczekujący)\.csv$|)") +
    LogNames.pattern());

void addOldFiles(QStringList& files, const QString& folder, const QRegularExpression& names,
                 const QDateTime& before)
{
    if (folder.isEmpty())
        return;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        if (names.match(file.fileName()).hasMatch() && file.lastModified() < before &&
            !files.contains(file.absoluteFilePath()))
            files << file.absoluteFilePath();
}

db::ParamSource paramsFor(const QDate& cutOff)
{
    return [cutOff](const QString& name) -> QVariant {
        if (name == QLatin1String("granica"))
            return QDateTime(cutOff, QTime(0, 0));
        return desk::ErasedName;
    };
}

int countOf(db::Database& database, const QString& sql, const QDate& cutOff)
{
    db::Statement count(database, sql);
    std::vector<db::Values> rows;
    count.execute(paramsFor(cutOff), &rows);
    return rows.empty() ? 0 : rows.front().front().toInt();
}

int written(db::Database& database, const QString& sql, const QDate& cutOff)
{
    db::Statement update(database, sql);
    update.execute(paramsFor(cutOff));
    return int(update.affectedRows());
}

}  // namespace

// The rule lives with the desk, where the information clause tells it to the guests too.
static_assert(DefaultRetentionMonths == desk::DefaultRetentionMonths &&
              MinRetentionMonths == desk::MinRetentionMonths &&
              MaxRetentionMonths == desk::MaxRetentionMonths);

int retentionMonths(const QString& stored)
{
    return desk::retentionMonths(stored);
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

QStringList oldProgramFiles(const QString& programFolder, const QString& settingsFolder,
                            const QDate& cutOff)
{
    const QDateTime before(cutOff, QTime(0, 0));
    QStringList files;
    addOldFiles(files, programFolder, LogNames, before);
    addOldFiles(files, settingsFolder, ExportNames, before);
    return files;
}

int removeFiles(const QStringList& files)
{
    return int(std::count_if(files.begin(), files.end(),
                             [](const QString& file) { return QFile::remove(file); }));
}

RemovalCounts PersonalDataRemoval::count(const QDate& cutOff) const
{
    RemovalCounts counts;
    counts.guests = countOf(database_, sql(CountGuests) + oldGuests(), cutOff);
    counts.visits = countOf(database_, sql(CountVisits) + oldVisits(false), cutOff);
    counts.guestsWithoutVisits = countOf(
        database_, sql(CountGuests) + sql(GuestsWithoutVisits).arg(sql(GuestHoldsData)), cutOff);
    counts.openVisits = countOf(database_, sql(CountVisits) + oldVisits(true), cutOff);
    if (desk::hasOutbox(database_))
        counts.messages = countOf(database_, sql(CountOldMessages), cutOff);
    if (desk::hasWatchlist(database_))
        counts.marks = countOf(database_, sql(CountMarks) + oldMarks(), cutOff);
    return counts;
}

RemovalCounts PersonalDataRemoval::remove(const QDate& cutOff, const QDateTime& now)
{
    const RemovalCounts counts = erase(cutOff);
    desk::recordErasure(database_, {now, 0, cutOff});
    return counts;
}

RemovalCounts PersonalDataRemoval::erase(const QDate& cutOff)
{
    RemovalCounts counts;
    if (desk::hasWatchlist(database_))
        counts.marks = written(database_, sql(DeleteMarks) + oldMarks(), cutOff);
    counts.guests = written(database_, sql(EraseGuests) + oldGuests(), cutOff);
    counts.visits = written(database_, sql(EraseVisits) + oldVisits(false), cutOff);
    if (desk::hasOutbox(database_))
        counts.messages = mail::removeCreatedBefore(database_, cutOff);
    return counts;
}

}  // namespace admin
