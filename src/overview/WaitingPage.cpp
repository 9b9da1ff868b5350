#include "overview/WaitingPage.h"

#include "controls/Clock.h"
#include "controls/Prompts.h"
#include "db/DateTimeText.h"
#include "desk/Desk.h"
#include "desk/Invitation.h"
#include "desk/MailSetup.h"
#include "desk/VisitHost.h"
#include "overview/Admission.h"

#include <QPushButton>

namespace {

constexpr auto WaitingWhere = R"(where
  W.DTWEJSCIA is null
  and
  W.DTWYJSCIA is null
  and
  W.DTPRZYBYCIA >= :dzis
order by W.DTPRZYBYCIA, W.ID)";

const QString Arrival = QStringLiteral("DTPRZYBYCIA");
const QString DateTimeFormat = QStringLiteral("dd-MM-yyyy  hh:mm");

}  // namespace

WaitingPage::WaitingPage(desk::Desk& desk, QWidget* parent)
    : OverviewPage(desk, QStringLiteral("Oczekujący"), parent)
{
    setObjectName(QStringLiteral("waitingPage"));
    selectVisitsWithBans(WaitingWhere);
    grid->setColumns({
        {Arrival,
         QStringLiteral("Przybycie"),
         dateTimeWidth(),
         {},
         Qt::AlignCenter,
         {},
         DateTimeFormat},
        {QStringLiteral("GOSC_NAZWA"), QStringLiteral("Gość"), 180},
        banColumn(),
        {QStringLiteral("PERSON_NAZWA"), QStringLiteral("Pracownik"), 160},
        {QStringLiteral("FIRMA"), QStringLiteral("Firma"), 150},
        {QStringLiteral("PIETRO_POKOJ"), QStringLiteral("Piętro / pokój"), 90},
        {QStringLiteral("IDENTYFIKATOR"), QStringLiteral("Identyfikator"), 80},
        {QStringLiteral("NRKARTY"), QStringLiteral("Nr karty"), 80},
        {QStringLiteral("WIADOMOSC"), QStringLiteral("Wiadomość"), 160},
    });
    entryButton = addButton("entryButton", QStringLiteral("Wejście"));
    connect(entryButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { letIn(); }); });
    notifyButton = addButton("notifyButton", QStringLiteral("Powiadom pracownika"));
    connect(notifyButton, &QPushButton::clicked, this, [this] { notifyEmployee(); });
    inviteButton = addButton("inviteButton", QStringLiteral("Zaproś"));
    connect(inviteButton, &QPushButton::clicked, this, [this] { inviteGuest(); });
}

void WaitingPage::prepareRead()
{
    visits.setParam(QStringLiteral("dzis"), QDateTime(desk_.clock().today(), QTime(0, 0)));
}

void WaitingPage::updateButtons()
{
    entryButton->setEnabled(currentVisitId() != 0);
    notifyButton->setEnabled(!currentValue(QStringLiteral("EMAIL")).toString().trimmed().isEmpty());
    inviteButton->setEnabled(
        currentVisitId() != 0 &&
        desk::awaitsInvitation(db::dateTimeOf(currentValue(Arrival)), false, desk_.clock().now()) &&
        desk::mailIsSetUp(desk_));
}

// Committed at once, on its own, as the notice by e-mail.
void WaitingPage::inviteGuest()
{
    const int visitId = currentVisitId();
    if (visitId == 0)
        return;
    std::optional<QString> address;
    if (!desk_.prompts().guarded([&] { address = desk::askInvitationAddress(desk_); }) || !address)
        return;
    if (desk_.prompts().guarded([&] { desk::queueInvitation(desk_, visitId, *address); }))
        desk_.commitWork();
    else
        desk_.rollbackWork();
}

// By e-mail the notice is committed at once, on its own: nothing else is pending here.
void WaitingPage::notifyEmployee()
{
    desk::HostNotice notice;
    notice.email = currentValue(QStringLiteral("EMAIL")).toString().trimmed();
    if (notice.email.isEmpty())
        return;
    notice.arrival = db::dateTimeOf(currentValue(Arrival));
    notice.guestName = currentValue(QStringLiteral("GOSC_NAZWA")).toString();
    notice.company = currentValue(QStringLiteral("FIRMA")).toString();
    notice.visitId = currentVisitId();
    bool queued = false;
    if (!desk_.prompts().guarded([&] { queued = desk::notifyEmployee(desk_, notice); }))
        desk_.rollbackWork();
    else if (queued)
        desk_.commitWork();
}

void WaitingPage::letIn()
{
    const int visitId = currentVisitId();
    if (visitId == 0)
        return;
    const auto handedOut = admission::askEntry(
        desk_, this,
        {visitId, visitText(QStringLiteral("GOSC_NAZWA")),
         visitText(QStringLiteral("IDENTYFIKATOR")), visitText(QStringLiteral("NRKARTY"))});
    if (!handedOut)
        return;
    const QDateTime now = desk_.clock().now();
    storeAndRead([&] { admission::storeEntry(desk_, visitId, *handedOut, now); });
}
