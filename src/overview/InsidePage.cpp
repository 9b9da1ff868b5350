#include "overview/InsidePage.h"

#include "controls/Clock.h"
#include "controls/Colours.h"
#include "controls/Prompts.h"
#include "db/DateTimeText.h"
#include "desk/Desk.h"
#include "desk/MailSetup.h"
#include "mail/Courier.h"
#include "overview/Admission.h"

#include <QPushButton>
#include <QSysInfo>

namespace {

constexpr auto InsideWhere = R"(where
  W.DTWEJSCIA is not null
  and
  W.DTWYJSCIA is null
order by W.DTWEJSCIA, W.ID)";
const QString Entry = QStringLiteral("DTWEJSCIA");
const QString Note = QStringLiteral("UWAGI");
const QString DateTimeFormat = QStringLiteral("dd-MM-yyyy  hh:mm");
const QString StampFormat = QStringLiteral("dd-MM-yyyy hh:mm");
const QString SendCaption = QStringLiteral("Wyślij listę ewakuacyjną");
const QString SendShortcut = QStringLiteral("Ctrl+E");
constexpr unsigned Marked = 0x0000FF;  // red, as a message still waiting in the register

}  // namespace

InsidePage::InsidePage(desk::Desk& desk, QWidget* parent)
    : OverviewPage(desk, QStringLiteral("W budynku"), parent)
{
    setObjectName(QStringLiteral("insidePage"));
    selectVisitsWithBans(InsideWhere);
    // Said in words too, for a black-and-white print and a screen reader.
    visits.addCalculatedField(Note, 40, [this](const db::DataSet& set) -> QVariant {
        const db::Field& entry = set.field(Entry);
        if (entry.isNull())
            return {};
        const QDate day = db::toDateTime(entry.asDateTime()).date();
        if (day >= desk_.clock().today())
            return {};
        return QStringLiteral("niezamknięta z %1").arg(day.toString(QStringLiteral("dd-MM-yyyy")));
    });
    const int dateWidth = dateTimeWidth();
    const Qt::Alignment centred = Qt::AlignCenter;
    grid->setColumns({
        {Entry, QStringLiteral("Wejście"), dateWidth, {}, centred, {}, DateTimeFormat},
        {QStringLiteral("GOSC_NAZWA"), QStringLiteral("Gość"), 180},
        banColumn(),
        {QStringLiteral("GOSC_DOKUM"), QStringLiteral("Dokument"), 110},
        {QStringLiteral("PERSON_NAZWA"), QStringLiteral("Pracownik"), 160},
        {QStringLiteral("FIRMA"), QStringLiteral("Firma"), 150},
        {QStringLiteral("PIETRO_POKOJ"), QStringLiteral("Piętro / pokój"), 90},
        {QStringLiteral("IDENTYFIKATOR"), QStringLiteral("Identyfikator"), 80},
        {QStringLiteral("NRKARTY"), QStringLiteral("Nr karty"), 80},
        {Note, QStringLiteral("Uwagi"), 150},
    });
    grid->setCellPainter([this](QPainter* painter, const QRect& cell, int row,
                                const controls::GridColumn& column,
                                const QColor&) { return drawCell(painter, cell, row, column); });

    closeVisitButton = addButton("closeVisitButton", QStringLiteral("Zamknij wizytę"));
    connect(closeVisitButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { closeVisit(); }); });
    evacuationButton = addButton("evacuationButton", SendCaption);
    evacuationButton->setShortcut(QKeySequence(SendShortcut));
    evacuationButton->setToolTip(
        QStringLiteral("Wysyła listę osób w budynku (PDF) osobom odpowiedzialnym za ewakuację (%1)")
            .arg(SendShortcut));
    evacuationButton->setAccessibleDescription(evacuationButton->toolTip());
    evacuationButton->setEnabled(false);
    connect(evacuationButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { sendEvacuationList(); }); });
}

bool InsidePage::enteredEarlier(int row) const
{
    const db::Field* note = visits.findField(Note);
    return note && !visits.value(row, note->index()).isNull();
}

bool InsidePage::drawCell(QPainter* painter, const QRect& cell, int row,
                          const controls::GridColumn& column)
{
    if (!enteredEarlier(row) || (column.field != Entry && column.field != Note))
        return false;
    drawCellText(painter, cell,
                 grid->dataModel().fieldText(row, column.field, column.dateTimeFormat),
                 controls::windowsColor(Marked), column.alignment);
    return true;
}

void InsidePage::updateButtons()
{
    closeVisitButton->setEnabled(currentVisitId() != 0);
    evacuationButton->setEnabled(isRead());
}

// The list as the page shows it now, one message to each warden in one unit of work, the
// printed list attached.
void InsidePage::sendEvacuationList()
{
    const mail::MailSettings settings = desk::readMailSettings(desk_);
    QStringList wardens = settings.wardens;  // read trimmed, with no empty ones
    wardens.removeDuplicates();
    if (!settings.isSetUp() || wardens.isEmpty()) {
        desk_.prompts().message(
            settings.isSetUp()
                ? QStringLiteral("Nie podano adresów osób odpowiedzialnych za ewakuację.\n"
                                 "Wpisz je w \"Dodatki > Poczta\".")
                : QStringLiteral("Poczta nie jest ustawiona na tym stanowisku.\n"
                                 "Ustaw serwer poczty, adres nadawcy i adresy osób "
                                 "odpowiedzialnych za ewakuację w \"Dodatki > Poczta\"."),
            SendCaption, controls::Icon::Warning);
        return;
    }
    const QDateTime now = desk_.clock().now();
    mail::Message message;
    message.subject = QStringLiteral("Lista ewakuacyjna – ") + now.toString(StampFormat);
    message.body = evacuationListBody(now);
    const QByteArray pdf = controls::tablePdf(printout(), now);
    if (pdf.isEmpty()) {
        desk_.prompts().message(QStringLiteral("Nie udało się przygotować listy ewakuacyjnej."),
                                SendCaption, controls::Icon::Error);
        return;
    }
    message.attachment =
        mail::Attachment{QStringLiteral("Lista ewakuacyjna %1.pdf")
                             .arg(now.toString(QStringLiteral("dd-MM-yyyy hh.mm"))),
                         QStringLiteral("application/pdf"), pdf};
    QList<int> messageIds;
    const bool queued = desk_.prompts().guarded([&] {
        for (const QString& warden : wardens) {
            message.to = warden;
            messageIds << desk_.queueMail(message, mail::Kind::EvacuationList);
        }
    });
    if (!queued) {
        desk_.rollbackWork();
        return;
    }
    // Followed before the commit wakes the courier, so that no delivery is missed.
    followDeliveries(messageIds);
    if (!desk_.commitWork())
        followDeliveries({});
}

QString InsidePage::evacuationListBody(const QDateTime& now) const
{
    const int count = visits.recordCount();
    QStringList lines{
        QStringLiteral("Lista ewakuacyjna – stan na %1.").arg(now.toString(StampFormat)),
        QStringLiteral("Stanowisko recepcji: %1.").arg(QSysInfo::machineHostName()),
        QString(),
        QStringLiteral("Liczba osób w budynku: %1.").arg(count),
    };
    if (count > 0)
        lines << QString();
    const QString guest = QStringLiteral("GOSC_NAZWA"), company = QStringLiteral("FIRMA");
    for (int row = 0; row < count; ++row) {
        const QString companyText = grid->dataModel().fieldText(row, company, {}).trimmed();
        lines << QStringLiteral("%1. %2").arg(row + 1).arg(
                     grid->dataModel().fieldText(row, guest, {})) +
                     (companyText.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(companyText));
    }
    lines << QString() << QStringLiteral("W załączniku lista do wydruku, z kolumną na podpis.");
    return lines.join(QStringLiteral("\r\n"));
}

// The button says how many wardens have the list as the courier delivers it.
void InsidePage::followDeliveries(const QList<int>& messageIds)
{
    disconnect(deliveries);
    awaitedMessages = QSet<int>(messageIds.begin(), messageIds.end());
    listMessages = int(messageIds.size());
    listDelivered = 0;
    if (mail::Courier* courier = desk_.courier(); courier && listMessages > 0)
        deliveries = connect(courier, &mail::Courier::delivered, this, [this](int messageId) {
            if (awaitedMessages.remove(messageId)) {
                ++listDelivered;
                showDeliveries();
            }
        });
    showDeliveries();
}

void InsidePage::showDeliveries()
{
    const QString text = listMessages == 0 ? SendCaption
                                           : QStringLiteral("%1 – wysłano %2 z %3")
                                                 .arg(SendCaption)
                                                 .arg(listDelivered)
                                                 .arg(listMessages);
    evacuationButton->setText(text);
    evacuationButton->setAccessibleName(text);
}

void InsidePage::closeVisit()
{
    const int visitId = currentVisitId();
    if (visitId == 0)
        return;
    const QString question =
        QStringLiteral(
            "Zamknąć wizytę gościa \"%1\" (wejście %2)?\n"
            "Jako wyjście zostanie zapisana bieżąca godzina.")
            .arg(visitText(QStringLiteral("GOSC_NAZWA")), visitText(Entry, DateTimeFormat));
    if (!desk_.prompts().question(question, QStringLiteral("Zamknij wizytę")))
        return;
    const QDateTime now = desk_.clock().now();
    storeAndRead([&] { admission::storeExit(desk_, visitId, now); });
}
