#include "overview/Admission.h"

#include "db/Statement.h"
#include "desk/Desk.h"
#include "desk/HandedOut.h"
#include "desk/Watchlist.h"

namespace admission {

namespace {

// Only a guest still waiting is let in: another desk may have done it meanwhile.
constexpr auto LetIn = R"(update WIZYTY
set
  DTWEJSCIA = :teraz,
  IDENTYFIKATOR = :identyfikator,
  NRKARTY = :nrkarty
where
  ID = :ID
  and
  DTWEJSCIA is null)";

// An empty box stores null, as the visit editor stores it.
QVariant storedText(const QString& text)
{
    return text.trimmed().isEmpty() ? QVariant() : QVariant(text.trimmed());
}

}  // namespace

std::optional<EntryDialog::HandedOut> askEntry(desk::Desk& desk, QWidget* parent,
                                               const Arrival& arrival)
{
    if (!desk::mayLetIn(desk, arrival.visitId))
        return std::nullopt;
    EntryDialog dialog(parent);
    return dialog.ask(arrival.guestName, arrival.badge, arrival.card);
}

bool storeEntry(desk::Desk& desk, int visitId, const EntryDialog::HandedOut& handedOut,
                const QDateTime& at)
{
    if (!desk::mayHandOut(desk, visitId, handedOut.badge, handedOut.card))
        return false;
    db::Statement update(desk.database(), QString::fromUtf8(LetIn));
    update.execute([&](const QString& name) -> QVariant {
        if (name == QLatin1String("teraz"))
            return at;
        if (name == QLatin1String("identyfikator"))
            return storedText(handedOut.badge);
        if (name == QLatin1String("nrkarty"))
            return storedText(handedOut.card);
        return visitId;
    });
    return update.affectedRows() > 0;
}

bool storeExit(desk::Desk& desk, int visitId, const QDateTime& at)
{
    return desk::recordExit(desk.database(), visitId, at);
}

}  // namespace admission
