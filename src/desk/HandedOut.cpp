#include "desk/HandedOut.h"

#include "controls/Clock.h"
#include "controls/Prompts.h"
#include "db/DateTimeText.h"
#include "db/Statement.h"
#include "desk/Desk.h"

#include <QDateTime>

namespace desk {

namespace {

constexpr auto SelectHolders = R"(select ID, GOSC_NAZWA, DTWEJSCIA, IDENTYFIKATOR, NRKARTY
from WIZYTY
where
  DTWYJSCIA is null
  and
  DTWEJSCIA is not null
  and
  ID <> :ID
  and
  (upper(trim(IDENTYFIKATOR)) = :identyfikator or upper(trim(NRKARTY)) = :nrkarty)
order by DTWEJSCIA, ID)";
// Only a visit still open gets its exit: another desk may have closed it meanwhile.
constexpr auto CloseVisit = R"(update WIZYTY
set
  DTWYJSCIA = :teraz
where
  ID = :ID
  and
  DTWYJSCIA is null)";

const QString Caption = QStringLiteral("Identyfikator lub karta w użyciu");
const QString TimeFormat = QStringLiteral("dd-MM-yyyy hh:mm");

// What is compared; null (never equal) for an empty box.
QVariant compared(const QString& text)
{
    const QString key = text.trimmed().toUpper();
    return key.isEmpty() ? QVariant() : QVariant(key);
}

}  // namespace

bool mayHandOut(Desk& desk, int visitId, const QString& badge, const QString& card)
{
    const QVariant badgeKey = compared(badge), cardKey = compared(card);
    if (badgeKey.isNull() && cardKey.isNull())
        return true;
    db::Statement select(desk.database(), QString::fromUtf8(SelectHolders));
    std::vector<db::Values> holders;
    select.execute(
        [&](const QString& name) -> QVariant {
            if (name == QLatin1String("identyfikator"))
                return badgeKey;
            return name == QLatin1String("nrkarty") ? cardKey : QVariant(visitId);
        },
        &holders);
    if (holders.empty())
        return true;
    QStringList lines;
    bool badgeOut = false, cardOut = false;
    for (const db::Values& row : holders) {
        const bool sameBadge = compared(row[3].toString()) == badgeKey && !badgeKey.isNull();
        const bool sameCard = compared(row[4].toString()) == cardKey && !cardKey.isNull();
        badgeOut |= sameBadge;
        cardOut |= sameCard;
        const QString what =
            sameBadge && sameCard ? QStringLiteral("Identyfikator %1 i karta %2 są jeszcze wydane")
                                        .arg(badge.trimmed(), card.trimmed())
            : sameBadge
                ? QStringLiteral("Identyfikator %1 jest jeszcze wydany").arg(badge.trimmed())
                : QStringLiteral("Karta %1 jest jeszcze wydana").arg(card.trimmed());
        lines << what + QStringLiteral(" gościowi „%1” (wejście %2, wizyta bez wyjścia).")
                            .arg(row[1].toString(),
                                 db::toDateTime(row[2].toDouble()).toString(TimeFormat));
    }
    const QString it = badgeOut && cardOut ? QStringLiteral("je")
                       : badgeOut          ? QStringLiteral("go")
                                           : QStringLiteral("ją");
    const QString question =
        lines.join(u'\n') + QStringLiteral(
                                "\n\nPrzekazać %1 temu gościowi? Tak: tamtej wizycie zostanie "
                                "zapisane wyjście z bieżącą godziną. Nie: nic nie zostanie "
                                "zapisane.")
                                .arg(it);
    if (!desk.prompts().question(question, Caption, /*defaultNo*/ true))
        return false;
    QDateTime now = desk.clock().now();
    now.setTime(QTime(now.time().hour(), now.time().minute()));
    for (const db::Values& row : holders)
        recordExit(desk.database(), row[0].toInt(), now);
    return true;
}

bool recordExit(db::Database& database, int visitId, const QDateTime& at)
{
    db::Statement close(database, QString::fromUtf8(CloseVisit));
    close.execute([&](const QString& name) -> QVariant {
        return name == QLatin1String("teraz") ? QVariant(at) : QVariant(visitId);
    });
    return close.affectedRows() > 0;
}

}  // namespace desk
