#include "overview/BadgesPage.h"

#include "db/DateTimeText.h"

#include <QPainter>

namespace {

constexpr auto BadgesWhere = R"(where
  W.DTWEJSCIA is not null
  and
  W.DTWYJSCIA is null
  and
  (coalesce(W.IDENTYFIKATOR, '') <> '' or coalesce(W.NRKARTY, '') <> '')
order by W.DTWEJSCIA, W.ID)";

const QString Entry = QStringLiteral("DTWEJSCIA");
const QString Day = QStringLiteral("DZIEN");

}  // namespace

BadgesPage::BadgesPage(desk::Desk& desk, QWidget* parent)
    : OverviewPage(desk, QStringLiteral("Identyfikatory"), parent)
{
    setObjectName(QStringLiteral("badgesPage"));
    visits.setSelectSql(selectVisits(BadgesWhere));
    visits.addCalculatedField(Day, 10, [](const db::DataSet& set) -> QVariant {
        const db::Field& entry = set.field(Entry);
        if (entry.isNull())
            return {};
        return db::toDateTime(entry.asDateTime()).date().toString(QStringLiteral("dd-MM-yyyy"));
    });
    grid->setColumns({
        {Day, QStringLiteral("Dzień"), 90, {}, Qt::AlignCenter},
        {QStringLiteral("IDENTYFIKATOR"), QStringLiteral("Identyfikator"), 100},
        {QStringLiteral("NRKARTY"), QStringLiteral("Nr karty"), 100},
        {QStringLiteral("GOSC_NAZWA"), QStringLiteral("Gość"), 180},
        {QStringLiteral("PERSON_NAZWA"), QStringLiteral("Pracownik"), 160},
        {QStringLiteral("FIRMA"), QStringLiteral("Firma"), 150},
        {Entry, QStringLiteral("Wejście"), 60, {}, Qt::AlignCenter, {}, QStringLiteral("hh:mm")},
    });
    // The day is written once, on the first row of its group.
    grid->setCellPainter([this](QPainter* painter, const QRect& cell, int row,
                                const controls::GridColumn& column, const QColor&) {
        if (column.field != Day)
            return false;
        if (startsDay(row)) {
            drawCellText(painter, cell, dayOf(row), Qt::black, column.alignment);
            painter->save();
            painter->setPen(Qt::gray);
            painter->drawLine(grid->viewport()->rect().left(), cell.top(),
                              grid->viewport()->rect().right(), cell.top());
            painter->restore();
        }
        return true;
    });
}

QString BadgesPage::dayOf(int row) const
{
    return grid->dataModel().fieldText(row, Day);
}

bool BadgesPage::startsDay(int row) const
{
    return row == 0 || dayOf(row) != dayOf(row - 1);
}

controls::PrintedTable BadgesPage::printedTable() const
{
    controls::PrintedTable grouped = OverviewPage::table();
    controls::PrintedTable byDay = grouped;
    byDay.rows.clear();
    for (int row = 0; row < int(grouped.rows.size()); ++row) {
        if (startsDay(row))
            byDay.rows.push_back({dayOf(row)});
        byDay.rows.push_back(grouped.rows[size_t(row)]);
    }
    return byDay;
}
