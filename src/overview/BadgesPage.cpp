#include "overview/BadgesPage.h"

#include "controls/Colours.h"
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
const QString Note = QStringLiteral("UWAGI");
constexpr unsigned Marked = 0x0000FF;  // red, as a visit left open on the page "W budynku"

// The guests of the other rows that hold the same value of `field` (blanks and case aside).
QStringList sameElsewhere(const db::DataSet& set, const QString& field)
{
    const int column = set.field(field).index();
    const QString key = set.field(field).asString().trimmed().toUpper();
    QStringList guests;
    for (int row = 0; row < set.recordCount() && !key.isEmpty(); ++row)
        if (row != set.recNo() - 1 && set.value(row, column).toString().trimmed().toUpper() == key)
            guests << set.value(row, set.field(QStringLiteral("GOSC_NAZWA")).index()).toString();
    return guests;
}

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
    // A badge or card handed out twice (stored before the check, or by two desks at the same
    // moment), said in words too, for a black-and-white print and a screen reader.
    visits.addCalculatedField(Note, 200, [](const db::DataSet& set) -> QVariant {
        QStringList notes;
        if (const QStringList guests = sameElsewhere(set, QStringLiteral("IDENTYFIKATOR"));
            !guests.isEmpty())
            notes << QStringLiteral("ten sam identyfikator: ") + guests.join(QStringLiteral(", "));
        if (const QStringList guests = sameElsewhere(set, QStringLiteral("NRKARTY"));
            !guests.isEmpty())
            notes << QStringLiteral("ta sama karta: ") + guests.join(QStringLiteral(", "));
        return notes.isEmpty() ? QVariant() : QVariant(notes.join(QStringLiteral("; ")));
    });
    grid->setColumns({
        {Day, QStringLiteral("Dzień"), 90, {}, Qt::AlignCenter},
        {QStringLiteral("IDENTYFIKATOR"), QStringLiteral("Identyfikator"), 100},
        {QStringLiteral("NRKARTY"), QStringLiteral("Nr karty"), 100},
        {QStringLiteral("GOSC_NAZWA"), QStringLiteral("Gość"), 180},
        {QStringLiteral("PERSON_NAZWA"), QStringLiteral("Pracownik"), 160},
        {QStringLiteral("FIRMA"), QStringLiteral("Firma"), 150},
        {Entry, QStringLiteral("Wejście"), 60, {}, Qt::AlignCenter, {}, QStringLiteral("hh:mm")},
        {Note, QStringLiteral("Uwagi"), 200},
    });
    // The day is written once, on the first row of its group.
    grid->setCellPainter([this](QPainter* painter, const QRect& cell, int row,
                                const controls::GridColumn& column, const QColor&) {
        if (column.field == Note) {
            drawCellText(painter, cell, grid->dataModel().fieldText(row, Note),
                         controls::windowsColor(Marked), column.alignment);
            return true;
        }
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
