#include "overview/OverviewPage.h"

#include "controls/Colours.h"
#include "controls/DialogButtons.h"
#include "controls/Prompts.h"
#include "db/Database.h"
#include "db/Error.h"
#include "desk/Desk.h"
#include "desk/Watchlist.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Every page lists visits with the same columns; the company and the employee's place and
// address are read with them (an employee or company deleted since leaves them empty).
constexpr auto VisitColumns = R"(select
  W.ID, W.GOSC_ID, W.GOSC_NAZWA, W.GOSC_DOKUM, W.PERSON_ID, W.PERSON_NAZWA, W.FIRMA_ID,
  F.NAZWA as FIRMA, P.PIETRO, P.POKOJ, P.EMAIL,
  W.DTPRZYBYCIA, W.DTWEJSCIA, W.DTWYJSCIA, W.IDENTYFIKATOR, W.NRKARTY,
  W.WIADOMOSC, W.DTODEBRWIADOM%1
from WIZYTY W
  left join FIRMY F on F.ID = W.FIRMA_ID
  left join PERSONEL P on P.ID = W.PERSON_ID
%2)";
// The guest's mark "Zakaz wstępu", by the visit's guest; a database not yet upgraded has no
// table of marks, and its pages none.
constexpr auto BanColumn = R"(, Z.POWOD as ZAKAZ_POWOD)";
constexpr auto BanJoin = R"(  left join ZAKAZY_WSTEPU Z on Z.GOSC_ID = W.GOSC_ID
)";
constexpr auto NoBanColumn = R"(, cast(null as varchar(500)) as ZAKAZ_POWOD)";

const QString Id = QStringLiteral("ID");
const QString BanReason = QStringLiteral("ZAKAZ_POWOD");
const QString BanText = QStringLiteral("ZAKAZ");

}  // namespace

OverviewPage::OverviewPage(desk::Desk& desk, const QString& caption, QWidget* parent)
    : QWidget(parent), desk_(desk), visits(desk.database(), this), caption_(caption)
{
    visits.setObjectName(QStringLiteral("visits"));
    // Floor and room on one line of the list, and of a print.
    visits.addCalculatedField(QStringLiteral("PIETRO_POKOJ"), 40, [](const db::DataSet& set) {
        QStringList place;
        for (const char* field : {"PIETRO", "POKOJ"}) {
            const QString text = set.field(QString::fromLatin1(field)).asString().trimmed();
            place << (text.isEmpty() ? QStringLiteral("–") : text);
        }
        return QVariant(place.join(QStringLiteral(" / ")));
    });
    grid = new controls::DataGrid(visits, desk_.prompts());
    grid->setObjectName(QStringLiteral("visitGrid"));
    grid->setAccessibleName(caption);
    grid->setRowFont(listFont());
    connect(grid, &QAbstractItemView::doubleClicked, this, [this] {
        if (const int id = currentVisitId())
            emit visitChosen(id);
    });
    connect(grid, &controls::DataGrid::enterPressed, this, [this] {
        if (const int id = currentVisitId())
            emit visitChosen(id);
    });
    connect(&visits, &db::DataSet::afterScroll, this, [this] {
        updateButtons();
        emit selectionChanged();
    });

    buttonRow_ = new QHBoxLayout;
    buttonRow_->addStretch();  // the page's buttons keep their own size, at the left
    pageLayout = new QVBoxLayout(this);
    pageLayout->addWidget(grid, 1);
    pageLayout->addLayout(buttonRow_);
}

QString OverviewPage::selectVisits(const char* whereAndOrder)
{
    return QString::fromUtf8(VisitColumns).arg(QString(), QString()) +
           QString::fromUtf8(whereAndOrder);
}

void OverviewPage::selectVisitsWithBans(const char* whereAndOrder)
{
    bansWhere_ = whereAndOrder;
    visits.addCalculatedField(BanText, 12, [](const db::DataSet& set) {
        return set.field(BanReason).isNull() ? QVariant()
                                             : QVariant(QStringLiteral("ZAKAZ WSTĘPU"));
    });
    grid->dataModel().setRowTextColour([this](int row) {
        const db::Field* reason = visits.findField(BanReason);
        return reason && !visits.value(row, reason->index()).isNull()
                   ? controls::windowsColor(controls::colours::Banned)
                   : QColor();
    });
}

controls::GridColumn OverviewPage::banColumn()
{
    return {BanText, QStringLiteral("Zakaz"), 100};
}

QFont OverviewPage::listFont() const
{
    QFont type = font();
    type.setPixelSize(11);
    return type;
}

int OverviewPage::dateTimeWidth() const
{
    return qMax(
        110, QFontMetrics(listFont()).horizontalAdvance(QStringLiteral("00-00-0000  00:00")) + 12);
}

QString OverviewPage::title() const
{
    return QStringLiteral("%1 (%2)").arg(caption_).arg(visits.active() ? visits.recordCount() : 0);
}

void OverviewPage::read()
{
    const int selected = currentVisitId();
    const int row = visits.recNo();
    visits.close();
    openVisits();
    if (!selectVisit(selected) && row > 1 && !visits.isEmpty())
        visits.setRecNo(qMin(row, visits.recordCount()));  // gone: its neighbour
    afterRead();
    updateButtons();
    emit titleChanged();
    emit selectionChanged();
}

// With the guests' marks; a database not yet upgraded has no table of marks, and its pages
// none. The table is looked for only when the reading fails, so a reading stays one select.
void OverviewPage::openVisits()
{
    const auto selectWithBans = [this](bool bans) {
        visits.setSelectSql(QString::fromUtf8(VisitColumns)
                                .arg(QString::fromUtf8(bans ? BanColumn : NoBanColumn),
                                     bans ? QString::fromUtf8(BanJoin) : QString()) +
                            QString::fromUtf8(bansWhere_));
    };
    if (bansWhere_)
        selectWithBans(true);
    prepareRead();
    try {
        visits.open();
    } catch (const db::Error&) {
        if (!bansWhere_ || desk::hasWatchlist(desk_.database()))
            throw;
        selectWithBans(false);
        prepareRead();
        visits.open();
    }
}

int OverviewPage::currentVisitId() const
{
    if (!visits.active() || visits.isEmpty())
        return 0;
    return visits.field(Id).asInteger();
}

bool OverviewPage::selectVisit(int visitId)
{
    return visitId != 0 && visits.active() && visits.locate(Id, visitId, 0);
}

QVariant OverviewPage::currentValue(const QString& field) const
{
    if (!visits.active() || visits.isEmpty())
        return {};
    return visits.field(field).value();
}

QString OverviewPage::visitText(const QString& field, const QString& dateTimeFormat) const
{
    return grid->dataModel().fieldText(visits.recNo() - 1, field, dateTimeFormat);
}

controls::PrintedTable OverviewPage::table() const
{
    controls::PrintedTable table;
    const auto& columns = grid->dataModel().columns();
    for (const controls::GridColumn& column : columns) {
        table.headers << column.title;
        table.widths.push_back(column.width);
    }
    for (int row = 0; row < visits.recordCount(); ++row) {
        QStringList cells;
        for (const controls::GridColumn& column : columns)
            cells << grid->dataModel().fieldText(row, column.field, column.dateTimeFormat);
        table.rows.push_back(cells);
    }
    return table;
}

controls::PrintedTable OverviewPage::printout() const
{
    controls::PrintedTable printed = printedTable();
    printed.title =
        printsSignatures() ? QStringLiteral("Lista ewakuacyjna – %1").arg(title()) : title();
    printed.signatureColumn = printsSignatures();
    return printed;
}

void OverviewPage::drawCellText(QPainter* painter, const QRect& cell, const QString& text,
                                const QColor& colour, Qt::Alignment alignment) const
{
    const QRect area = cell.adjusted(3, 0, -3, 0);
    painter->save();
    painter->setClipRect(cell);
    painter->setFont(grid->font());
    painter->setPen(colour);
    painter->drawText(area, int(alignment),
                      QFontMetrics(grid->font()).elidedText(text, Qt::ElideRight, area.width()));
    painter->restore();
}

QPushButton* OverviewPage::addButton(const char* name, const QString& text)
{
    QPushButton* button = controls::namedButton(name, text);
    buttonRow_->insertWidget(buttonRow_->count() - 1, button);
    return button;
}

void OverviewPage::storeAndRead(const std::function<void()>& change)
{
    if (desk_.prompts().guarded(change)) {
        if (desk_.commitWork())
            emit visitsStored();
    } else {
        desk_.rollbackWork();
    }
    // Committed or not, the page shows what is stored now.
    if (desk_.database().connected() && !desk_.closingWindows())
        desk_.prompts().guarded([this] { read(); });
}
