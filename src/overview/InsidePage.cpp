#include "overview/InsidePage.h"

#include "controls/Clock.h"
#include "controls/Colours.h"
#include "controls/Prompts.h"
#include "db/DateTimeText.h"
#include "desk/Desk.h"
#include "desk/HandedOut.h"

#include <QPushButton>

namespace {

constexpr auto InsideWhere = R"(where
  W.DTWEJSCIA is not null
  and
  W.DTWYJSCIA is null
order by W.DTWEJSCIA, W.ID)";
const QString Entry = QStringLiteral("DTWEJSCIA");
const QString Note = QStringLiteral("UWAGI");
const QString DateTimeFormat = QStringLiteral("dd-MM-yyyy  hh:mm");
constexpr unsigned Marked = 0x0000FF;  // red, as a message still waiting in the register

}  // namespace

InsidePage::InsidePage(desk::Desk& desk, QWidget* parent)
    : OverviewPage(desk, QStringLiteral("W budynku"), parent)
{
    setObjectName(QStringLiteral("insidePage"));
    visits.setSelectSql(selectVisits(InsideWhere));
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
    storeAndRead([&] { desk::recordExit(desk_.database(), visitId, now); });
}
