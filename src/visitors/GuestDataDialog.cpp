#include "visitors/GuestDataDialog.h"

#include "controls/Accessibility.h"
#include "controls/Clock.h"
#include "controls/DialogButtons.h"
#include "controls/PrivateFiles.h"
#include "controls/Prompts.h"
#include "db/DateTimeText.h"
#include "db/Statement.h"
#include "desk/Desk.h"
#include "desk/InformationClause.h"
#include "desk/Watchlist.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr auto SelectGuest = R"(select ID, NAZWA, DOKUM, INFO
from GOSCIE
where ID = :gosc_id)";
constexpr auto SelectVisits = R"(select
  W.ID, W.DTPRZYBYCIA, W.DTWEJSCIA, W.DTWYJSCIA, W.GOSC_NAZWA, W.GOSC_DOKUM,
  W.PERSON_NAZWA, F.NAZWA, D.NAZWA, W.IDENTYFIKATOR, W.NRKARTY, W.WIADOMOSC, W.DTODEBRWIADOM
from WIZYTY W
  left join FIRMY F on F.ID = W.FIRMA_ID
  left join DZIALY D on D.ID = W.DZIAL_ID
where W.GOSC_ID = :gosc_id
order by W.DTPRZYBYCIA, W.ID)";

const QString Caption = QStringLiteral("Dane osobowe gościa");
// The columns of SelectVisits that hold a date and time.
constexpr int TimeColumns[] = {1, 2, 3, 12};

std::vector<db::Values> rowsOf(desk::Desk& desk, const char* sql, int guestId)
{
    db::Statement select(desk.database(), QString::fromUtf8(sql));
    std::vector<db::Values> rows;
    select.execute([guestId](const QString&) -> QVariant { return guestId; }, &rows);
    return rows;
}

QString timeText(const QVariant& value)
{
    if (value.isNull())
        return {};
    return db::toDateTime(value.toDouble()).toString(QStringLiteral("dd-MM-yyyy hh:mm"));
}

QStringList visitRow(const db::Values& visit)
{
    QStringList cells;
    for (int i = 0; i < int(visit.size()); ++i) {
        const bool isTime =
            std::find(std::begin(TimeColumns), std::end(TimeColumns), i) != std::end(TimeColumns);
        cells << (isTime ? timeText(visit[size_t(i)]) : visit[size_t(i)].toString());
    }
    return cells;
}

}  // namespace

namespace visitors {

controls::PrintedTable guestDataTable(desk::Desk& desk, int guestId)
{
    controls::PrintedTable table;
    table.title = Caption + QStringLiteral(" nr %1").arg(guestId);
    table.headers = {QStringLiteral("Nr wizyty"),
                     QStringLiteral("Przybycie"),
                     QStringLiteral("Wejście"),
                     QStringLiteral("Wyjście"),
                     QStringLiteral("Gość"),
                     QStringLiteral("Dokument"),
                     QStringLiteral("Pracownik"),
                     QStringLiteral("Firma"),
                     QStringLiteral("Dział"),
                     QStringLiteral("Identyfikator"),
                     QStringLiteral("Nr karty"),
                     QStringLiteral("Wiadomość"),
                     QStringLiteral("Wiadomość przekazano")};
    table.widths = {6, 11, 11, 11, 12, 9, 12, 9, 11, 7, 7, 12, 11};
    const std::vector<db::Values> guest = rowsOf(desk, SelectGuest, guestId);
    const std::vector<db::Values> visits = rowsOf(desk, SelectVisits, guestId);
    if (!guest.empty()) {
        table.rows.push_back({QStringLiteral("Nazwisko i imię: ") + guest[0][1].toString()});
        table.rows.push_back({QStringLiteral("Dokument: ") + guest[0][2].toString()});
        table.rows.push_back({QStringLiteral("Info: ") + guest[0][3].toString()});
    }
    if (const std::optional<desk::Ban> ban = desk::banOfGuest(desk.database(), guestId))
        table.rows.push_back(
            {QStringLiteral("Zakaz wstępu: od %1, powód: %2")
                 .arg(ban->day.toString(QStringLiteral("dd-MM-yyyy")), ban->reason)});
    table.rows.push_back({QStringLiteral("Wizyty: %1").arg(visits.size())});
    for (const db::Values& visit : visits)
        table.rows.push_back(visitRow(visit));
    // What the guest is told beside their data: why and how long it is kept, who sees it,
    // where it comes from and what they may ask.
    table.rows.push_back({QStringLiteral("Informacje o przetwarzaniu danych (art. 15 RODO)")});
    for (const auto& [caption, text] : desk::readInformationClause(desk).accessPart())
        table.rows.push_back({caption + QStringLiteral(": ") + text});
    return table;
}

}  // namespace visitors

GuestDataDialog::GuestDataDialog(desk::Desk& desk, QWidget* parent) : QDialog(parent), desk_(desk)
{
    setObjectName(QStringLiteral("GuestDataDialog"));
    setWindowTitle(Caption);
    setSizeGripEnabled(true);

    titleLabel = new QLabel;
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    controls::markDataLabel(titleLabel, Caption);

    dataTable = new QTableWidget;
    dataTable->setObjectName(QStringLiteral("dataTable"));
    dataTable->setAccessibleName(Caption);
    controls::nameScrollBars(dataTable, Caption);
    dataTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dataTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    dataTable->verticalHeader()->hide();
    dataTable->setWordWrap(false);

    pdfButton = controls::namedButton("pdfButton", QStringLiteral("Zapisz PDF"));
    csvButton = controls::namedButton("csvButton", QStringLiteral("Zapisz CSV"));
    closeButton = controls::namedButton("closeButton", QStringLiteral("Zamknij"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pdfButton);
    buttons->addWidget(csvButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titleLabel);
    layout->addWidget(dataTable, 1);
    layout->addLayout(buttons);

    connect(pdfButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { savePdf(); }); });
    connect(csvButton, &QPushButton::clicked, this,
            [this] { desk_.prompts().guarded([this] { saveCsv(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    resize(900, 420);
}

int GuestDataDialog::exec(int guestId)
{
    if (!desk_.prompts().guarded([&] { showGuest(guestId); }))
        return Rejected;
    return QDialog::exec();
}

void GuestDataDialog::open(int guestId)
{
    if (desk_.prompts().guarded([&] { showGuest(guestId); }))
        QDialog::open();
}

void GuestDataDialog::showGuest(int guestId)
{
    guestId_ = guestId;
    table_ = visitors::guestDataTable(desk_, guestId);
    titleLabel->setText(table_.title);
    dataTable->clear();
    dataTable->clearSpans();
    dataTable->setColumnCount(int(table_.headers.size()));
    dataTable->setHorizontalHeaderLabels(table_.headers);
    dataTable->setRowCount(int(table_.rows.size()));
    // The columns take the width of the visits; the lines across the table (the registry
    // record, the information on processing) are long texts and would widen the first one.
    std::vector<int> acrossRows;
    for (int row = 0; row < int(table_.rows.size()); ++row) {
        const QStringList& cells = table_.rows[size_t(row)];
        if (cells.size() == 1) {
            acrossRows.push_back(row);
            continue;
        }
        for (int column = 0; column < int(cells.size()); ++column)
            dataTable->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    dataTable->resizeColumnsToContents();
    for (const int row : acrossRows) {
        auto* item = new QTableWidgetItem(table_.rows[size_t(row)].front());
        item->setToolTip(item->text());
        dataTable->setItem(row, 0, item);
        dataTable->setSpan(row, 0, 1, dataTable->columnCount());
    }
}

void GuestDataDialog::savePdf()
{
    controls::printTable(desk_.prompts(), Caption, table_, desk_.clock().now());
}

// The file is named by the guest's number, not the name: a file name is seen by anyone who
// lists the folder.
void GuestDataDialog::saveCsv()
{
    const QString suggested =
        desk_.csvFolder() + QStringLiteral("Dane_goscia_%1.csv").arg(guestId_);
    const QString fileName =
        desk_.prompts().saveFileName(QStringLiteral("Zapisz dane gościa jako CSV"), suggested,
                                     QStringLiteral("Pliki CSV (*.csv)"), QStringLiteral("csv"));
    if (fileName.isEmpty())
        return;
    desk_.rememberCsvFolder(fileName);
    QSaveFile file(fileName);
    if (!controls::openPrivate(file) ||
        file.write(controls::csvText(table_.headers, table_.rows)) < 0 || !file.commit())
        desk_.prompts().message(
            QStringLiteral("Nie można zapisać pliku %1:\n%2").arg(fileName, file.errorString()),
            QStringLiteral("Zapisz CSV"), controls::Icon::Error);
}
