#include "overview/MessagesPage.h"

#include "controls/Clock.h"
#include "controls/Prompts.h"
#include "db/DateTimeText.h"
#include "desk/Desk.h"

#include <QPushButton>

namespace {

constexpr auto MessagesWhere = R"(where
  W.DTODEBRWIADOM is null
  and
  coalesce(W.WIADOMOSC, '') <> ''
order by W.DTPRZYBYCIA, W.ID)";
// Only a message still waiting is marked: another desk may have passed it on meanwhile.
constexpr auto MarkPassedOn = R"(update WIZYTY
set
  DTODEBRWIADOM = :teraz
where
  ID = :ID
  and
  DTODEBRWIADOM is null)";

const QString Arrival = QStringLiteral("DTPRZYBYCIA");
const QString Age = QStringLiteral("CZEKA");

// How long a message has waited, as a receptionist says it.
QString waited(qint64 minutes)
{
    if (minutes < 0)
        return {};
    if (minutes < 60)
        return QStringLiteral("%1 min").arg(minutes);
    if (minutes < 24 * 60)
        return QStringLiteral("%1 godz. %2 min").arg(minutes / 60).arg(minutes % 60);
    const qint64 days = minutes / (24 * 60);
    return days == 1 ? QStringLiteral("1 dzień") : QStringLiteral("%1 dni").arg(days);
}

}  // namespace

MessagesPage::MessagesPage(desk::Desk& desk, QWidget* parent)
    : OverviewPage(desk, QStringLiteral("Wiadomości"), parent)
{
    setObjectName(QStringLiteral("messagesPage"));
    visits.setSelectSql(selectVisits(MessagesWhere));
    visits.addCalculatedField(Age, 20, [this](const db::DataSet& set) -> QVariant {
        const db::Field& arrival = set.field(Arrival);
        if (arrival.isNull())
            return {};
        const QDateTime left = db::toDateTime(arrival.asDateTime());
        return waited(left.secsTo(desk_.clock().now()) / 60);
    });
    grid->setColumns({
        {Arrival,
         QStringLiteral("Przybycie"),
         dateTimeWidth(),
         {},
         Qt::AlignCenter,
         {},
         QStringLiteral("dd-MM-yyyy  hh:mm")},
        {Age, QStringLiteral("Czeka"), 100},
        {QStringLiteral("PERSON_NAZWA"), QStringLiteral("Pracownik"), 160},
        {QStringLiteral("FIRMA"), QStringLiteral("Firma"), 140},
        {QStringLiteral("GOSC_NAZWA"), QStringLiteral("Gość"), 160},
        {QStringLiteral("WIADOMOSC"), QStringLiteral("Wiadomość"), 320},
    });
    passedOnButton = addButton("passedOnButton", QStringLiteral("Przekazano"));
    connect(passedOnButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { markPassedOn(); }); });
}

void MessagesPage::updateButtons()
{
    passedOnButton->setEnabled(currentVisitId() != 0);
}

void MessagesPage::markPassedOn()
{
    const int visitId = currentVisitId();
    if (visitId == 0)
        return;
    const QDateTime now = desk_.clock().now();
    storeAndRead([&] {
        db::DataSet update(desk_.database());
        update.setSelectSql(QString::fromUtf8(MarkPassedOn));
        update.setParam(QStringLiteral("teraz"), now);
        update.setParam(QStringLiteral("ID"), visitId);
        update.execSql();
    });
}
